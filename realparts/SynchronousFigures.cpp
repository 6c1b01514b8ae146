// The figures of the synchronous stage's steady state: the same as the
// diode's where the devices correspond (the high-side device for the switch,
// the low-side device for the diode), the body diodes' conduction, and the
// losses a low-side switch adds.

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "realparts/DeadTimeSwing.h"
#include "realparts/PeriodFigures.h"
#include "realparts/SynchronousStage.h"

namespace stepdown {
namespace {

// Integrals over the period, by device.
struct StageIntegrals {
    Real iL = 0, iL2 = 0, iC2 = 0, Vo = 0, Vo2 = 0;
    Real high = 0, high2 = 0;          // HS channel
    Real highBody = 0, highBody2 = 0;  // HS body diode (iL < 0)
    Real low = 0, low2 = 0;            // LS channel
    Real lowBody = 0, lowBody2 = 0;    // LS body diode
    Real lowBodyTime = 0;
    Real highShared = 0, highShared2 = 0, highSharedTime = 0;  // HS channel and body diode
    Real lowShared = 0, lowShared2 = 0, lowSharedTime = 0;     // LS channel and body diode
};

// A shared pair's current j split over its pieces (their time and the
// integrals of j and j^2): the channel carries a + b j, the diode the rest.
struct PairSplit {
    Real channel2 = 0, diode = 0, diode2 = 0;
};

PairSplit Split(const SharedDrop& share, Real time, Real j, Real j2) {
    if (!(time > 0)) return {};
    const Real a = share.source / share.channel, b = share.slope / share.channel;
    const Real channel = a * time + b * j, channel2 = a * a * time + 2 * a * b * j + b * b * j2;
    const Real cross = a * j + b * j2;  // integral of j times the channel's share
    return {channel2, j - channel, j2 - 2 * cross + channel2};
}

StageIntegrals Integrals(const SynchronousStage& stage, const StagePeriod& period) {
    StageIntegrals sums;
    IntegratePeriod(stage, period, sums, [&sums](const StagePiece& piece, Real i, Real i2) {
        switch (piece.kind) {
        case StageInterval::HighSideOn:
            sums.high += i;
            sums.high2 += i2;
            break;
        case StageInterval::HighBodyDiode:
            sums.highBody += i;
            sums.highBody2 += i2;
            break;
        case StageInterval::LowSideOn:
            sums.low += i;
            sums.low2 += i2;
            break;
        case StageInterval::LowBodyDiode:
            sums.lowBody += i;
            sums.lowBody2 += i2;
            sums.lowBodyTime += piece.duration;
            break;
        case StageInterval::HighSideShared:
            sums.highShared += i;
            sums.highShared2 += i2;
            sums.highSharedTime += piece.duration;
            break;
        case StageInterval::LowSideShared:
            sums.lowShared += i;
            sums.lowShared2 += i2;
            sums.lowSharedTime += piece.duration;
            break;
        case StageInterval::Blocked:
            break;
        }
    });
    return sums;
}

struct StageExtremes {
    SampledRange iL, Vo, high, low;
    SampledRange highVoltage;  // Vi - vsw while the high side is off
    SampledRange lowVoltage;   // vsw while the low side is off
};

bool HighSideCarries(StageInterval kind) {
    return kind == StageInterval::HighSideOn || kind == StageInterval::HighBodyDiode ||
           kind == StageInterval::HighSideShared;
}

bool LowSideCarries(StageInterval kind) {
    return kind == StageInterval::LowSideOn || kind == StageInterval::LowBodyDiode ||
           kind == StageInterval::LowSideShared;
}

// The switch node's voltage in an interval at the inductor current i.
double NodeVoltage(StageInterval kind, double i, double Vo, double Vi, const PartValues& parts,
                   const SynchronousStage& stage) {
    switch (kind) {
    case StageInterval::HighSideShared:
        return Vi + stage.Share(true).source - stage.Share(true).slope * i;
    case StageInterval::LowSideShared:
        return -stage.Share(false).source - stage.Share(false).slope * i;
    case StageInterval::HighSideOn:
        return Vi - parts.Rds * i;
    case StageInterval::LowSideOn:
        return -parts.RdsLo * i;
    case StageInterval::LowBodyDiode:
        return -parts.Vf - parts.Rd * i;
    case StageInterval::HighBodyDiode:
        return Vi + parts.Vf - parts.Rd * i;
    case StageInterval::Blocked:
        break;
    }
    return Vo;
}

// Each piece on its own uniform grid with both ends, as the diode's period is sampled.
StageExtremes Sample(const SynchronousStage& stage, const StagePeriod& period, double Vi,
                     const PartValues& parts, std::int32_t samples, Waveform& wave) {
    std::array<std::int64_t, kMostStagePieces> steps{};
    SampleGrid(stage, period, samples, steps, wave);
    const Observable vo = stage.OutputVoltage(), ic = stage.CapacitorCurrent();
    StageExtremes extremes;
    Real time = 0;
    std::size_t at = 0;
    for (int k = 0; k < period.pieceCount; ++k) {
        const StagePiece& piece = period.pieces[static_cast<std::size_t>(k)];
        const LinearInterval& in = stage.Interval(piece.kind);
        const std::int64_t n = steps[static_cast<std::size_t>(k)];
        const Real h = piece.duration / static_cast<Real>(n);
        const Matrix2 step = in.Exponential(h);
        const Vector2 end = in.Through(piece.propagator, piece.start);
        Vector2 x = piece.start;
        for (std::int64_t j = 0; j <= n; ++j, ++at) {
            const Vector2 state = j == n ? end : x;
            const double i = static_cast<double>(state.i);
            const double Vo = static_cast<double>(vo.Of(state));
            const double vsw = NodeVoltage(piece.kind, i, Vo, Vi, parts, stage);
            const bool high = HighSideCarries(piece.kind), low = LowSideCarries(piece.kind);
            wave.time[at] = static_cast<double>(time + h * static_cast<Real>(j));
            wave.iL[at] = i;
            wave.isw[at] = high ? i : 0;
            wave.id[at] = low ? i : 0;
            wave.vsw[at] = vsw;
            wave.Vo[at] = Vo;
            wave.iC[at] = static_cast<double>(ic.Of(state));
            extremes.iL.Take(i);
            extremes.Vo.Take(Vo);
            extremes.high.Take(wave.isw[at]);
            extremes.low.Take(wave.id[at]);
            if (!high) extremes.highVoltage.Take(Vi - vsw);
            if (!low) extremes.lowVoltage.Take(vsw);
            x = in.Through(step, x);
        }
        time += piece.duration;
    }
    return extremes;
}

double Rms(Real meanSquare) {
    return static_cast<double>(std::sqrt(std::max<Real>(0, meanSquare)));
}

}  // namespace

RealPartsAnalysis AnalyzeSynchronous(const CircuitValues& values, const PartValues& parts,
                                     const AnalysisOptions& options) {
    RealPartsAnalysis result;
    const SynchronousStage stage(values, parts);
    const StagePeriod period = stage.SteadyState(values.D);
    if (period.outcome != RealPartsOutcome::Found) return result;
    const StageIntegrals sums = Integrals(stage, period);
    const Real Ts = stage.Period();
    const double Vi = values.Vi, f = values.f, RL = values.RL;
    const StageExtremes extremes =
        Sample(stage, period, Vi, parts, options.samples, result.waveform);

    result.rectifier = Rectifier::Synchronous;
    const auto first = period.pieces.begin(), last = first + period.pieceCount;
    const bool blocked = std::any_of(
        first, last, [](const StagePiece& p) { return p.kind == StageInterval::Blocked; });
    result.mode = ModeOfBlocked(blocked, parts.lowSideMode);
    const StagePiece& on = period.pieces[0];
    // The high side's slot: its channel, shared with its body diode where
    // the reversed current passes the edge.
    const StagePiece* lastOn = &on;
    while (lastOn + 1 != last && HighSideCarries(lastOn[1].kind) &&
           lastOn[1].kind != StageInterval::HighBodyDiode)
        ++lastOn;
    const Vector2 turnOff = stage.Interval(lastOn->kind).Through(lastOn->propagator, lastOn->start);
    result.criticalLoad = static_cast<double>((turnOff.i - on.start.i) / 2);
    result.VoMean = static_cast<double>(sums.Vo / Ts);
    result.VoRipple = extremes.Vo.Span();
    result.deltaIL = extremes.iL.Span();

    Stresses& s = result.stresses;
    s.inductor = {extremes.iL.high, Rms(sums.iL2 / Ts), static_cast<double>(sums.iL / Ts)};
    const Real inputMean = (sums.high + sums.highShared + sums.highBody) / Ts;
    const Real inputSquare = (sums.high2 + sums.highShared2 + sums.highBody2) / Ts;
    const PairSplit highPair =
        Split(stage.Share(true), sums.highSharedTime, -sums.highShared, sums.highShared2);
    const PairSplit lowPair =
        Split(stage.Share(false), sums.lowSharedTime, sums.lowShared, sums.lowShared2);
    s.transistor = {extremes.high.high, Rms(inputSquare), static_cast<double>(inputMean),
                    extremes.highVoltage.high};
    s.diode = {extremes.low.high, Rms((sums.low2 + sums.lowShared2 + sums.lowBody2) / Ts),
               static_cast<double>((sums.low + sums.lowShared + sums.lowBody) / Ts),
               extremes.lowVoltage.high};
    result.lowSide = {s.diode.peak, s.diode.rms, s.diode.mean,
                      static_cast<double>((sums.lowBody + lowPair.diode) / Ts),
                      static_cast<double>(sums.lowBodyTime + sums.lowSharedTime)};
    s.outputCapacitorRms = Rms(sums.iC2 / Ts);
    s.inputCapacitorRms = Rms(inputSquare - inputMean * inputMean);
    result.textbook = Textbook(result.VoMean / RL, result.deltaIL, values.D);

    // The high side turns on at zero voltage when the node has reached Vi:
    // a reversed current at the low side's turn-off swings it there through
    // the two Coss in td2, all the way, part of it or not at all; with no
    // Coss given the swing is instant, and the high-side body diode's
    // conduction at the turn-on tells it. What is left of the swing is
    // switched hard, with a recovery charge when the low-side body diode
    // carries the current.
    const StageInterval before =
        period.pieces[static_cast<std::size_t>(period.pieceCount - 1)].kind;
    const double nodeCapacitance = parts.CossHi + parts.CossLo;
    const int dead = period.deadTimeStart;
    std::optional<SwingEnd> swing;
    if (dead > 0 && dead < period.pieceCount && nodeCapacitance > 0) {
        const StagePiece& opened = period.pieces[static_cast<std::size_t>(dead)];
        const double i0 = static_cast<double>(opened.start.i);
        if (period.pieces[static_cast<std::size_t>(dead - 1)].kind == StageInterval::LowSideOn &&
            i0 < 0)
            swing = FollowSwing(i0, -parts.RdsLo * i0,
                                static_cast<double>(stage.OutputVoltage().Of(opened.start)),
                                values.L, nodeCapacitance, Vi, parts.Vf, parts.td2);
    }
    result.reversedSwing = swing.has_value();
    result.zeroVoltageSwitching =
        swing ? swing->highClamp || swing->node >= Vi : before == StageInterval::HighBodyDiode;
    const double node = swing ? swing->node : result.zeroVoltageSwitching ? Vi : 0;
    result.turnOnVoltage = Vi - std::clamp(node, 0.0, Vi);
    result.partialZvs = swing && !result.zeroVoltageSwitching && result.turnOnVoltage < Vi;
    const double V = result.turnOnVoltage;
    const double turnOn = std::max(0.0, static_cast<double>(on.start.i));
    const double turnOffCurrent = std::max(0.0, static_cast<double>(turnOff.i));
    Losses& l = result.losses;
    l.switchConduction = static_cast<double>(parts.Rds * ((sums.high2 + highPair.channel2) / Ts));
    l.switching = f * (V * turnOn * parts.tr + Vi * turnOffCurrent * parts.tf) / 2;
    l.gate = (parts.Qg + (period.lowSideDriven ? parts.QgLo : 0)) * parts.Vdrv * f;
    l.inductor = static_cast<double>(parts.DCR * (sums.iL2 / Ts));
    l.outputCapacitor = static_cast<double>(parts.ESR * (sums.iC2 / Ts));
    l.quiescent = parts.Iq * Vi;
    l.lowSideConduction = static_cast<double>(parts.RdsLo * ((sums.low2 + lowPair.channel2) / Ts));
    const Real highBody = parts.Vf * ((-sums.highBody + highPair.diode) / Ts) +
                          parts.Rd * ((sums.highBody2 + highPair.diode2) / Ts);
    const Real lowBody = parts.Vf * ((sums.lowBody + lowPair.diode) / Ts) +
                         parts.Rd * ((sums.lowBody2 + lowPair.diode2) / Ts);
    l.bodyDiode = static_cast<double>(highBody + lowBody);
    l.coss = (parts.CossHi + parts.CossLo) * V * V * f / 2;
    const bool recovers = swing ? swing->lowClamp : before == StageInterval::LowBodyDiode;
    l.reverseRecovery = recovers ? parts.Qrr * Vi * f : 0;
    l.total = TotalLoss(l);
    result.heat = {l.switchConduction + static_cast<double>(highBody) + l.switching + l.coss +
                       l.reverseRecovery,
                   l.lowSideConduction + static_cast<double>(lowBody), l.inductor};

    result.powers.input = static_cast<double>(Vi * inputMean) + l.switching + l.gate + l.quiescent +
                          l.coss + l.reverseRecovery;
    result.powers.output = static_cast<double>(sums.Vo2 / Ts / RL);
    result.powers.efficiency = result.powers.output / result.powers.input;
    result.startIL = static_cast<double>(on.start.i);
    result.startVC = static_cast<double>(on.start.v);

    return Shown(std::move(result), values, parts);
}

}  // namespace stepdown

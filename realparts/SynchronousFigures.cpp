// The figures of the synchronous stage's steady state: the same as the
// diode's where the devices correspond (the high-side device for the switch,
// the low-side device for the diode), the body diodes' conduction, and the
// losses a low-side switch adds.

#include <algorithm>
#include <array>
#include <cmath>

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
};

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
        case StageInterval::Blocked:
            break;
        }
    });
    return sums;
}

struct StageExtremes {
    SampledRange iL, Vo, high, low;
    SampledRange highChannel, lowChannel;  // iL while each switch is on
    SampledRange highVoltage;              // Vi - vsw while the high side is off
    SampledRange lowVoltage;               // vsw while the low side is off
};

bool HighSideCarries(StageInterval kind) {
    return kind == StageInterval::HighSideOn || kind == StageInterval::HighBodyDiode;
}

bool LowSideCarries(StageInterval kind) {
    return kind == StageInterval::LowSideOn || kind == StageInterval::LowBodyDiode;
}

// The switch node's voltage in an interval at the inductor current i.
double NodeVoltage(StageInterval kind, double i, double Vo, double Vi, const PartValues& parts) {
    switch (kind) {
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
            const double vsw = NodeVoltage(piece.kind, i, Vo, Vi, parts);
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
            if (piece.kind == StageInterval::HighSideOn) extremes.highChannel.Take(i);
            if (piece.kind == StageInterval::LowSideOn) extremes.lowChannel.Take(i);
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
    const Vector2 turnOff = stage.Interval(on.kind).Through(on.propagator, on.start);
    result.criticalLoad = static_cast<double>((turnOff.i - on.start.i) / 2);
    result.VoMean = static_cast<double>(sums.Vo / Ts);
    result.VoRipple = extremes.Vo.Span();
    result.deltaIL = extremes.iL.Span();

    Stresses& s = result.stresses;
    s.inductor = {extremes.iL.high, Rms(sums.iL2 / Ts), static_cast<double>(sums.iL / Ts)};
    const Real inputMean = (sums.high + sums.highBody) / Ts;
    const Real inputSquare = (sums.high2 + sums.highBody2) / Ts;
    s.transistor = {extremes.high.high, Rms(inputSquare), static_cast<double>(inputMean),
                    extremes.highVoltage.high};
    s.diode = {extremes.low.high, Rms((sums.low2 + sums.lowBody2) / Ts),
               static_cast<double>((sums.low + sums.lowBody) / Ts), extremes.lowVoltage.high};
    result.lowSide = {s.diode.peak, s.diode.rms, s.diode.mean,
                      static_cast<double>(sums.lowBody / Ts),
                      static_cast<double>(sums.lowBodyTime)};
    s.outputCapacitorRms = Rms(sums.iC2 / Ts);
    s.inputCapacitorRms = Rms(inputSquare - inputMean * inputMean);
    result.textbook = Textbook(result.VoMean / RL, result.deltaIL, values.D);

    // The high side turns on at zero voltage when its body diode carried the
    // current back to Vi just before; hard, with a recovery charge, when the
    // low-side body diode carried it.
    const StageInterval before =
        period.pieces[static_cast<std::size_t>(period.pieceCount - 1)].kind;
    result.zeroVoltageSwitching = before == StageInterval::HighBodyDiode;
    const double turnOn =
        result.zeroVoltageSwitching ? 0 : std::max(0.0, static_cast<double>(on.start.i));
    const double turnOffCurrent = std::max(0.0, static_cast<double>(turnOff.i));
    Losses& l = result.losses;
    l.switchConduction = static_cast<double>(parts.Rds * (sums.high2 / Ts));
    l.switching = Vi * f * (turnOn * parts.tr + turnOffCurrent * parts.tf) / 2;
    l.gate = (parts.Qg + (period.lowSideDriven ? parts.QgLo : 0)) * parts.Vdrv * f;
    l.inductor = static_cast<double>(parts.DCR * (sums.iL2 / Ts));
    l.outputCapacitor = static_cast<double>(parts.ESR * (sums.iC2 / Ts));
    l.quiescent = parts.Iq * Vi;
    l.lowSideConduction = static_cast<double>(parts.RdsLo * (sums.low2 / Ts));
    const Real highBody = parts.Vf * (-sums.highBody / Ts) + parts.Rd * (sums.highBody2 / Ts);
    const Real lowBody = parts.Vf * (sums.lowBody / Ts) + parts.Rd * (sums.lowBody2 / Ts);
    l.bodyDiode = static_cast<double>(highBody + lowBody);
    l.coss = result.zeroVoltageSwitching ? 0 : (parts.CossHi + parts.CossLo) * Vi * Vi * f / 2;
    l.reverseRecovery = before == StageInterval::LowBodyDiode ? parts.Qrr * Vi * f : 0;
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

    // The channel's drop against its body diode's: iL forward in the low side,
    // backwards in the high side.
    result.bodyDiodeBesideChannel = extremes.lowChannel.high * parts.RdsLo > parts.Vf ||
                                    -extremes.highChannel.low * parts.Rds > parts.Vf;
    return Shown(std::move(result), values, parts);
}

}  // namespace stepdown

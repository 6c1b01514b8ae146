#include "realparts/RealParts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>

#include "realparts/PeriodFigures.h"
#include "realparts/RootFinding.h"
#include "realparts/SynchronousStage.h"

namespace stepdown {
namespace {

// Integrals over the period of the currents and voltages that the means,
// RMS values, losses and powers are made of.
struct PeriodIntegrals {
    Real iL = 0, iL2 = 0, isw = 0, isw2 = 0, id = 0, id2 = 0, iC2 = 0, Vo = 0, Vo2 = 0;
};

PeriodIntegrals Integrals(const ConverterModel& model, const SteadyPeriod& period) {
    PeriodIntegrals sums;
    IntegratePeriod(model, period, sums, [&sums](const PeriodPiece& piece, Real i, Real i2) {
        if (piece.kind == IntervalKind::SwitchOn) {
            sums.isw += i;
            sums.isw2 += i2;
        } else if (piece.kind == IntervalKind::DiodeConducting) {
            sums.id += i;
            sums.id2 += i2;
        }
    });
    return sums;
}

Vector2 EndOf(const ConverterModel& model, const PeriodPiece& piece) {
    return model.Interval(piece.kind).Through(piece.propagator, piece.start);
}

struct SampledExtremes {
    SampledRange iL, Vo, isw, id;
    SampledRange transistorVoltage;  // Vi - vsw while off
    SampledRange diodeVoltage;       // vsw while the diode does not conduct
};

// The piece on its own uniform grid of `steps` steps, both ends included, into
// the samples from `first` on: one propagator for a step, in double, and the
// exact state at the end.
void SamplePiece(const ConverterModel& model, const PeriodPiece& piece, Real startTime,
                 std::int64_t steps, std::size_t first, double Vi, const PartValues& parts,
                 Waveform& wave, SampledExtremes& extremes) {
    const LinearInterval& interval = model.Interval(piece.kind);
    const Real h = piece.duration / static_cast<Real>(steps);
    const Matrix2 step = interval.Exponential(h);
    const double p11 = static_cast<double>(step.m11), p12 = static_cast<double>(step.m12);
    const double p21 = static_cast<double>(step.m21), p22 = static_cast<double>(step.m22);
    const double xpI = static_cast<double>(interval.equilibrium.i);
    const double xpV = static_cast<double>(interval.equilibrium.v);
    const Observable vo = model.OutputVoltage(), ic = model.CapacitorCurrent();
    const double voI = static_cast<double>(vo.i), voV = static_cast<double>(vo.v);
    const double icI = static_cast<double>(ic.i), icV = static_cast<double>(ic.v);
    const Vector2 end = EndOf(model, piece);
    double di = static_cast<double>(piece.start.i) - xpI;
    double dv = static_cast<double>(piece.start.v) - xpV;
    for (std::int64_t j = 0; j <= steps; ++j) {
        const bool last = j == steps;
        const double i = last ? static_cast<double>(end.i) : xpI + di;
        const double v = last ? static_cast<double>(end.v) : xpV + dv;
        const double Vo = voI * i + voV * v;
        double isw = 0, id = 0, vsw = Vo;
        if (piece.kind == IntervalKind::SwitchOn) {
            isw = i;
            vsw = Vi - parts.Rds * i;
            extremes.diodeVoltage.Take(vsw);
        } else if (piece.kind == IntervalKind::DiodeConducting) {
            id = i;
            vsw = -parts.Vf - parts.Rd * i;
            extremes.transistorVoltage.Take(Vi - vsw);
        } else {
            extremes.transistorVoltage.Take(Vi - vsw);
            extremes.diodeVoltage.Take(vsw);
        }
        const std::size_t at = first + static_cast<std::size_t>(j);
        wave.time[at] = static_cast<double>(startTime + h * static_cast<Real>(j));
        wave.iL[at] = i;
        wave.isw[at] = isw;
        wave.id[at] = id;
        wave.vsw[at] = vsw;
        wave.Vo[at] = Vo;
        wave.iC[at] = icI * i + icV * v;
        extremes.iL.Take(i);
        extremes.Vo.Take(Vo);
        extremes.isw.Take(isw);
        extremes.id.Take(id);
        const double nextI = p11 * di + p12 * dv;
        dv = p21 * di + p22 * dv;
        di = nextI;
    }
}

SampledExtremes Sample(const ConverterModel& model, const SteadyPeriod& period, double Vi,
                       const PartValues& parts, std::int32_t samples, Waveform& wave) {
    std::array<std::int64_t, 3> steps{};
    SampleGrid(model, period, samples, steps, wave);
    SampledExtremes extremes;
    Real time = 0;
    std::size_t first = 0;
    for (int k = 0; k < period.pieceCount; ++k) {
        const PeriodPiece& piece = period.pieces[static_cast<std::size_t>(k)];
        const std::int64_t pieceSteps = steps[static_cast<std::size_t>(k)];
        SamplePiece(model, piece, time, pieceSteps, first, Vi, parts, wave, extremes);
        time += piece.duration;
        first += static_cast<std::size_t>(pieceSteps) + 1;
    }
    return extremes;
}

double Rms(Real meanSquare) { return static_cast<double>(std::sqrt(meanSquare)); }

}  // namespace

TextbookStresses Textbook(double Io, double deltaIL, double D) {
    const double square = Io * Io + deltaIL * deltaIL / 12;
    TextbookStresses t;
    t.peak = Io + deltaIL / 2;
    t.inductorRms = std::sqrt(square);
    t.inductorMean = Io;
    t.transistorMean = D * Io;
    t.transistorRms = std::sqrt(D * square);
    t.diodeMean = (1 - D) * Io;
    t.diodeRms = std::sqrt((1 - D) * square);
    t.outputCapacitorRms = deltaIL / std::sqrt(12.0);
    t.inputCapacitorRms = Io * std::sqrt(D * (1 - D));
    return t;
}

bool AllFinite(const RealPartsAnalysis& r) {
    const Stresses& s = r.stresses;
    const TextbookStresses& t = r.textbook;
    for (double x : {r.criticalLoad,
                     r.VoMean,
                     r.VoRipple,
                     r.deltaIL,
                     s.inductor.peak,
                     s.inductor.rms,
                     s.inductor.mean,
                     s.transistor.peak,
                     s.transistor.rms,
                     s.transistor.mean,
                     s.transistor.voltage,
                     s.diode.peak,
                     s.diode.rms,
                     s.diode.mean,
                     s.diode.voltage,
                     s.outputCapacitorRms,
                     s.inputCapacitorRms,
                     t.peak,
                     t.inductorRms,
                     t.transistorRms,
                     t.diodeRms,
                     t.outputCapacitorRms,
                     t.inputCapacitorRms,
                     r.losses.total,
                     r.powers.input,
                     r.powers.output,
                     r.powers.efficiency,
                     r.startIL,
                     r.startVC})
        if (!std::isfinite(x)) return false;
    return true;
}

double TotalLoss(const Losses& l) {
    return l.switchConduction + l.switching + l.gate + l.diode + l.inductor + l.outputCapacitor +
           l.quiescent + l.lowSideConduction + l.bodyDiode + l.coss + l.reverseRecovery;
}

bool KeepsThePhysics(const RealPartsAnalysis& r) {
    const Losses& l = r.losses;
    for (double loss :
         {l.switchConduction, l.switching, l.gate, l.diode, l.inductor, l.outputCapacitor,
          l.quiescent, l.lowSideConduction, l.bodyDiode, l.coss, l.reverseRecovery})
        if (!(loss >= 0)) return false;
    // A low-side switch may carry the current backwards, a diode may not.
    const bool diodeForward = r.rectifier == Rectifier::Synchronous || r.stresses.diode.mean >= 0;
    const Powers& p = r.powers;
    return diodeForward && p.efficiency >= 0 && p.efficiency <= 1 &&
           std::fabs(p.input - p.output - l.total) <= 5e-3 * p.input;
}

RealPartsAnalysis Analyze(const CircuitValues& values, const PartValues& parts,
                          const AnalysisOptions& options) {
    RealPartsAnalysis result;
    if (!ValidValues(values, parts, true) || options.samples < 1 ||
        options.samples > kMaxRealPartsSamples) {
        result.outcome = RealPartsOutcome::InvalidValues;
        return result;
    }
    if (parts.rectifier == Rectifier::Synchronous)
        return AnalyzeSynchronous(values, parts, options);
    const ConverterModel model(values, parts);
    const SteadyPeriod period = model.SteadyState(values.D, options.diodeBlocks);
    if (period.outcome != RealPartsOutcome::Found) return result;
    result.mode = period.mode;
    const auto [continuousStart, continuousTurnOff] = model.ContinuousSolution(values.D);
    result.criticalLoad = static_cast<double>((continuousTurnOff.i - continuousStart.i) / 2);

    const PeriodIntegrals sums = Integrals(model, period);
    const Real Ts = model.Period();
    const double Vi = values.Vi, f = values.f, RL = values.RL;
    const SampledExtremes extremes =
        Sample(model, period, Vi, parts, options.samples, result.waveform);

    result.VoMean = static_cast<double>(sums.Vo / Ts);
    result.VoRipple = extremes.Vo.Span();
    result.deltaIL = extremes.iL.Span();

    Stresses& s = result.stresses;
    s.inductor = {extremes.iL.high, Rms(sums.iL2 / Ts), static_cast<double>(sums.iL / Ts)};
    const Real meanSwitch = sums.isw / Ts;
    s.transistor = {extremes.isw.high, Rms(sums.isw2 / Ts), static_cast<double>(meanSwitch),
                    extremes.transistorVoltage.high};
    s.diode = {extremes.id.high, Rms(sums.id2 / Ts), static_cast<double>(sums.id / Ts),
               extremes.diodeVoltage.high};
    s.outputCapacitorRms = Rms(sums.iC2 / Ts);
    s.inputCapacitorRms = Rms(std::max<Real>(0, sums.isw2 / Ts - meanSwitch * meanSwitch));
    result.textbook = Textbook(result.VoMean / RL, result.deltaIL, values.D);

    const PeriodPiece& first = period.pieces[0];
    const double turnOn = std::max(0.0, static_cast<double>(first.start.i));
    const double turnOff = std::max(0.0, static_cast<double>(EndOf(model, first).i));
    Losses& l = result.losses;
    l.switchConduction = static_cast<double>(parts.Rds * (sums.isw2 / Ts));
    l.switching = Vi * f * (turnOn * parts.tr + turnOff * parts.tf) / 2;
    l.gate = parts.Qg * parts.Vdrv * f;
    l.diode = static_cast<double>(parts.Vf * (sums.id / Ts) + parts.Rd * (sums.id2 / Ts));
    l.inductor = static_cast<double>(parts.DCR * (sums.iL2 / Ts));
    l.outputCapacitor = static_cast<double>(parts.ESR * (sums.iC2 / Ts));
    l.quiescent = parts.Iq * Vi;
    l.total = TotalLoss(l);
    result.heat = {l.switchConduction + l.switching, l.diode, l.inductor};

    result.powers.input = static_cast<double>(Vi * meanSwitch) + l.switching + l.gate + l.quiescent;
    result.powers.output = static_cast<double>(sums.Vo2 / Ts / RL);
    result.powers.efficiency = result.powers.output / result.powers.input;
    result.startIL = static_cast<double>(first.start.i);
    result.startVC = static_cast<double>(first.start.v);

    return Shown(std::move(result), values, parts);
}

RealPartsAnalysis Shown(RealPartsAnalysis result, const CircuitValues& values,
                        const PartValues& parts) {
    if (!AllFinite(result)) return RealPartsAnalysis{};
    // The capacitor's mean current is zero: the load takes the inductor's
    // mean, which a steady state found only to its solver's tolerance (a
    // pulse of attoseconds) may miss.
    const Stresses& s = result.stresses;
    const bool chargeBalanced = std::fabs(result.VoMean / values.RL - s.inductor.mean) <=
                                5e-3 * std::fabs(s.inductor.mean) + 1e-9 * s.inductor.rms;
    if (!chargeBalanced || !KeepsThePhysics(result)) {
        RealPartsAnalysis refused;
        refused.unphysical = true;
        return refused;
    }
    result.switchingBeyondOnTime = parts.tr + parts.tf > values.D / values.f;
    const bool lowGate = parts.rectifier == Rectifier::Synchronous && parts.QgLo > 0;
    result.gateWithoutDrive = (parts.Qg > 0 || lowGate) && parts.Vdrv == 0;
    result.outcome = RealPartsOutcome::Found;
    return result;
}

DutySynthesis DutyForTarget(const CircuitValues& values, const PartValues& parts, double targetVo,
                            const AnalysisOptions& options) {
    DutySynthesis synthesis;
    if (!ValidValues(values, parts, false)) {
        synthesis.outcome = RealPartsOutcome::InvalidValues;
        return synthesis;
    }
    const double RL = values.RL;
    const Real highest = static_cast<Real>(values.Vi) * RL / (RL + parts.Rds + parts.DCR);
    const Real target = targetVo;
    if (!(target > 0 && target < highest)) {
        synthesis.outcome = RealPartsOutcome::Unreachable;
        return synthesis;
    }
    std::optional<ConverterModel> model;
    std::optional<SynchronousStage> stage;
    if (parts.rectifier == Rectifier::Synchronous)
        stage.emplace(values, parts);
    else
        model.emplace(values, parts);
    // The mean Vo at D, or nothing where there is no steady state.
    const auto meanAt = [&](Real D) -> std::optional<Real> {
        Real mean = 0;
        if (stage) {
            const StagePeriod period = stage->SteadyState(D);
            if (period.outcome != RealPartsOutcome::Found) return std::nullopt;
            mean = stage->MeanOutputVoltage(period);
        } else {
            const SteadyPeriod period = model->SteadyState(D, options.diodeBlocks);
            if (period.outcome != RealPartsOutcome::Found) return std::nullopt;
            mean = model->MeanOutputVoltage(period);
        }
        if (!std::isfinite(mean)) return std::nullopt;
        return mean;
    };
    bool failed = false;
    const auto excess = [&](Real D) {
        ++synthesis.evaluations;
        const std::optional<Real> mean = meanAt(D);
        if (!mean) {
            failed = true;
            return Real{0};
        }
        return *mean - target;
    };
    // The dead times of a synchronous stage leave the duty cycle below 1.
    const Real top = stage ? 1 - (static_cast<Real>(parts.td1) + parts.td2) * values.f : Real{1};
    Real atTop = highest - target;
    if (top < 1) {
        atTop = excess(top);
        if (failed || !(atTop > 0)) {
            synthesis.outcome =
                failed ? RealPartsOutcome::NoSteadyState : RealPartsOutcome::Unreachable;
            return synthesis;
        }
    }
    // The averaged first guess: Vo + Vf + Io DCR = D (Vi - Io Rds + Vf).
    const double Io = targetVo / RL;
    // Within (0, 1) for every reachable target: D = 1 in it gives the highest.
    const double averaged =
        (targetVo + parts.Vf + Io * parts.DCR) / (values.Vi - Io * parts.Rds + parts.Vf);
    const double guess = averaged < top ? averaged : static_cast<double>(top / 2);
    const Real atGuess = excess(guess);
    // D -> 1 tends to the on-state divider, D -> 0 to no output (or to the
    // diode's share of it when the diode conducts backwards): below the target.
    const RootSearch search{std::numeric_limits<Real>::epsilon(), 1e-10L * target};
    const Real D = atGuess == 0  ? Real{guess}
                   : atGuess < 0 ? BracketedRoot(excess, guess, atGuess, top, atTop, search)
                                 : BracketedRoot(excess, 0, -target, guess, atGuess, search);
    // The duty cycle as the caller will pass it back.
    synthesis.D = static_cast<double>(D);
    const std::optional<Real> mean = meanAt(synthesis.D);
    if (failed || !mean || !(std::fabs(*mean - target) <= 1e-9L * target)) return synthesis;
    synthesis.outcome = RealPartsOutcome::Found;
    synthesis.VoMean = static_cast<double>(*mean);
    return synthesis;
}

}  // namespace stepdown

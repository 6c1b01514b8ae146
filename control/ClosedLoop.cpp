#include "control/ClosedLoop.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "control/CurrentMode.h"
#include "control/PeriodMultipliers.h"
#include "control/SwitchedSimulation.h"
#include "model/Conversions.h"

namespace stepdown {
namespace {

using switched::PeriodRecord;

// Settled when two starts of period this many periods apart agree to a
// part in a million; given up after kMostChunks of them.
constexpr int kChunkPeriods = 100;
constexpr int kMostChunks = 60;
constexpr double kRepeat = 1e-6;
// A ratio nearer one is taken for a mode that does not decay; two changes
// whose cosine squared is below kParallel are not one mode.
constexpr double kFastestRatio = 0.95;
constexpr double kParallel = 0.999;
// A start-up peak this far above the steady mean is told.
constexpr double kStartupOvershoot = 1.05;
// Two instants closer than this share of a period are one: far above the
// rounding of 50000 periods summed, far below any step placed on purpose.
constexpr double kSameInstant = 1e-9;

// The last full period inside [from, until].
const PeriodRecord* LastPeriod(const std::vector<PeriodRecord>& periods, double from,
                               double until) {
    const PeriodRecord* last = nullptr;
    for (const PeriodRecord& p : periods)
        if (p.start >= from && p.end <= until) last = &p;
    return last;
}

// When Vo last came back into +-1 % of `target` after `from`, interpolated;
// nothing when it is outside at `until`.
std::optional<double> Settling(const std::vector<TracePoint>& trace, double from, double until,
                               double target) {
    const double band = 0.01 * std::abs(target);
    const auto outside = [&](const TracePoint& p) { return std::abs(p.vo - target) > band; };
    std::optional<std::size_t> lastOut;
    std::size_t lastIn = 0;
    for (std::size_t k = 0; k < trace.size(); ++k) {
        if (trace[k].t < from || trace[k].t > until) continue;
        if (outside(trace[k])) lastOut = k;
        lastIn = k;
    }
    if (!lastOut) return 0.0;
    if (*lastOut == lastIn) return std::nullopt;
    const TracePoint& a = trace[*lastOut];
    const TracePoint& b = trace[*lastOut + 1];
    const double edge = target + (a.vo > target ? band : -band);
    return a.t + (b.t - a.t) * (edge - a.vo) / (b.vo - a.vo) - from;
}

// A period blocked somewhere: DCM behind a diode or in diode emulation, iL
// only held in a dead time by a synchronous stage in forced CCM.
ConductionMode PeriodMode(const LoopCircuit& loop, const PeriodRecord& period) {
    const bool synchronous = loop.parts.rectifier == Rectifier::Synchronous;
    return ModeOfBlocked(period.blocked,
                         synchronous ? loop.parts.lowSideMode : LowSideMode::DiodeEmulation);
}

std::optional<StepFigures> MeasureStep(const LoopCircuit& loop, const TransientResult& r,
                                       const std::vector<PeriodRecord>& periods, double from,
                                       double until) {
    const PeriodRecord* last = LastPeriod(periods, from, until);
    if (!last) return std::nullopt;
    StepFigures s;
    s.finalVoMean = last->mean;
    s.mode = PeriodMode(loop, *last);
    double low = s.finalVoMean, high = s.finalVoMean;
    for (const TracePoint& p : r.trace)
        if (p.t >= from && p.t <= until) {
            low = std::min(low, p.vo);
            high = std::max(high, p.vo);
        }
    s.undershoot = s.finalVoMean - low;
    s.overshoot = high - s.finalVoMean;
    // The period that holds the step is the first whose mean it moves. The
    // periods' ends are sums of periods: a step on a period's start may fall
    // a rounding before the previous one's end, which it leaves whole.
    double meanLow = s.finalVoMean, meanHigh = s.finalVoMean;
    for (const PeriodRecord& p : periods)
        if (p.end - from > kSameInstant * (p.end - p.start) && p.end <= until) {
            meanLow = std::min(meanLow, p.mean);
            meanHigh = std::max(meanHigh, p.mean);
        }
    s.undershootMean = s.finalVoMean - meanLow;
    s.overshootMean = meanHigh - s.finalVoMean;
    s.settlingTime = Settling(r.trace, from, until, s.finalVoMean);
    return s;
}

// The periods a run covers, for its progress: counted only within the
// simulation's bound, as a run beyond it is refused before it starts.
std::int64_t PeriodsOf(const TransientRequest& request, double f) {
    const double periods = std::ceil(request.tend * f);
    return periods <= switched::kMostPeriods ? static_cast<std::int64_t>(periods)
                                             : switched::kMostPeriods + 1;
}

// The settling of SettledClosedLoop; a run refused on the way says why in `refusal`.
std::optional<std::array<double, 5>> Settle(const LoopCircuit& loop, std::string& refusal,
                                            ProgressReporter* progress = nullptr) {
    std::array<double, 5> state = AveragedStart(loop);
    const TransientRequest chunk{0, {}, {}, {}, {}, kChunkPeriods / loop.circuit.f};
    // The whole settling, every chunk taken, within the bounds of one run.
    const TransientRequest whole{0, {}, {}, {}, {}, kMostChunks * chunk.tend};
    refusal = switched::Simulation(loop, whole, state).Refusal();
    if (!refusal.empty()) return std::nullopt;
    // Once the slowest of the loop's modes is left, it decays by a constant
    // ratio r over a chunk: two changes in a row along one direction give r,
    // and the remaining change, d r/(1 - r), is taken at once. The jump
    // stirs the faster modes: the chunk after it is not used.
    std::optional<std::array<double, 5>> previous;
    bool jumped = false;
    long spent = 0;  // every chunk counts into the whole's one bound
    for (int k = 0; k < kMostChunks; ++k) {
        switched::Simulation simulation(loop, chunk, state);
        simulation.CountFrom(spent);
        simulation.ReportTo(progress, std::int64_t{k} * kChunkPeriods,
                            std::int64_t{kMostChunks} * kChunkPeriods);
        TransientResult scratch;
        std::vector<switched::PeriodRecord> periods;
        refusal = simulation.Run(scratch, periods);
        spent = simulation.Spent();
        if (!refusal.empty()) return std::nullopt;
        const std::array<double, 5> next = simulation.Final();
        std::array<double, 5> change{};
        bool repeats = true;
        double along = 0, before = 0, now = 0;
        for (int i = 0; i < 5; ++i) {
            change[i] = next[i] - state[i];
            repeats = repeats && std::abs(change[i]) <= kRepeat * (1 + std::abs(next[i]));
            const double p = previous ? (*previous)[i] : 0;
            along += change[i] * p;
            before += p * p;
            now += change[i] * change[i];
        }
        state = next;
        if (repeats) return state;
        const bool oneMode = before > 0 && along * along >= kParallel * before * now;
        previous = jumped ? std::nullopt : std::optional(change);
        jumped = false;
        if (const double r = oneMode ? along / before : 0; r > 0 && r < kFastestRatio) {
            for (int i = 0; i < 5; ++i) state[i] += change[i] * r / (1 - r);
            previous.reset();
            jumped = true;
        }
    }
    return std::nullopt;
}

// One progress for the settling and the run: the settling's periods first,
// counted up to its bound, then the run's after that bound.
struct Shifted : ProgressReporter {
    ProgressReporter* reporter;
    std::int64_t before, total;
    Shifted(ProgressReporter* r, std::int64_t b, std::int64_t t)
        : reporter(r), before(b), total(t) {}
    bool Continue(std::int64_t done, std::int64_t) override {
        return reporter->Continue(before + done, total);
    }
};

}  // namespace

double DefaultEnd(const TransientRequest& request) {
    return std::max({request.tss, request.t1.value_or(0), request.t2.value_or(0)}) + 5e-3;
}

double FirstStepTime(const TransientRequest& r) {
    return std::min({r.t1.value_or(r.tend), r.t2.value_or(r.tend), r.tend});
}

double StepWindowEnd(const TransientRequest& r, double after) {
    double end = r.tend;
    for (const std::optional<double>& step : {r.t1, r.t2})
        if (step && *step > after) end = std::min(end, *step);
    return end;
}

std::array<double, 5> AveragedStart(const LoopCircuit& loop) {
    const LoopOperatingPoint op = AveragedOperatingPoint(loop);
    const Modulator& m = loop.modulator;
    if (m.control == ControlMethod::PeakCurrent) {
        // A period starts at the current's valley; vc stands at its peak.
        const CurrentModeFigures k = CurrentModeAt(loop, op);
        const double vc = std::clamp(SensedPeak(loop, op, k), 0.0, m.Vcmax);
        return {op.IL - k.ripple / 2, op.Vo, m.Vref - vc, m.Vref - vc, op.Vo - m.Vref};
    }
    const double vc = std::clamp(op.D * m.Vramp, 0.0, m.Vcmax);
    return {op.IL, op.Vo, m.Vref - vc, m.Vref - vc, op.Vo - m.Vref};
}

TransientResult SimulateClosedLoop(const LoopCircuit& loop, const TransientRequest& request,
                                   std::optional<std::array<double, 5>> start,
                                   ProgressReporter* progress) {
    TransientResult result;
    std::vector<PeriodRecord> periods;
    switched::Simulation simulation(loop, request, start);
    simulation.ReportTo(progress, 0, PeriodsOf(request, loop.circuit.f));
    result.refusal = simulation.Run(result, periods);
    result.fromRest = !start;
    if (!result.refusal.empty()) return result;
    const double firstStep = FirstStepTime(request);
    const PeriodRecord* steady = LastPeriod(periods, 0, firstStep);
    if (!steady) {
        result.refusal =
            "La simulazione ad anello chiuso è troppo breve: nessun periodo intero "
            "prima del primo gradino.";
        return result;
    }
    result.steadyVoMean = steady->mean;
    result.steadyVoRipple = steady->voMax - steady->voMin;
    result.steadyDuty = steady->duty;
    result.steadyMode = PeriodMode(loop, *steady);
    const TracePoint* before = nullptr;
    for (const TracePoint& p : result.trace) {
        if (p.t > firstStep) break;
        result.ilPeak = std::max(result.ilPeak, p.iL);
        result.voPeak = std::max(result.voPeak, p.vo);
        const double target = 0.99 * result.steadyVoMean;
        if (!result.t99 && before && before->vo < target && p.vo >= target)
            result.t99 =
                before->t + (p.t - before->t) * (target - before->vo) / (p.vo - before->vo);
        before = &p;
    }
    for (const auto& [step, figures] :
         {std::pair{request.t1, &result.loadStep}, {request.t2, &result.lineStep}})
        if (step)
            *figures = MeasureStep(loop, result, periods, *step, StepWindowEnd(request, *step));
    const double target = loop.modulator.Vref * (1 + loop.compensator.R1 / loop.compensator.Rb);
    const auto check = [&](std::string_view when, double mean) {
        if (std::abs(mean - target) > 0.01 * target)
            result.warnings.push_back(std::string(when) + " la Vo media di " +
                                      FormatFixed2(mean, ".") +
                                      " V si discosta di più dell'1 % "
                                      "dai " +
                                      FormatFixed2(target, ".") +
                                      " V del partitore: "
                                      "l'anello non regola (amplificatore al limite, Dmax, o "
                                      "simulazione troppo breve).");
    };
    // From rest, a start-up that rises well past the regulated output.
    if (!start && result.voPeak > kStartupOvershoot * result.steadyVoMean)
        result.warnings.push_back(
            "All'avvio Vo sale fino a " + FormatFixed2(result.voPeak, ".") + " V, il " +
            FormatFixed2((result.voPeak / result.steadyVoMean - 1) * 100, ".") +
            " % sopra la Vo media di regime: allunga l'avvio graduale tss.");
    check("Prima del primo gradino", result.steadyVoMean);
    if (result.loadStep) check("Dopo il gradino di carico", result.loadStep->finalVoMean);
    if (result.lineStep) check("Dopo il gradino di linea", result.lineStep->finalVoMean);
    return result;
}

std::optional<std::array<double, 5>> SettledClosedLoop(const LoopCircuit& loop) {
    std::string refusal;
    return Settle(loop, refusal);
}

std::vector<std::string> StepMultiplierWarnings(const LoopCircuit& loop,
                                                const TransientRequest& request,
                                                ProgressReporter* progress, bool* cancelled) {
    std::vector<std::string> warnings;
    if (loop.modulator.control != ControlMethod::PeakCurrent) return warnings;
    bool stopped = false;
    const auto tell = [&](const LoopCircuit& after, const char* step) {
        if (stopped) return;
        const PeriodMultipliers m = ClosedLoopMultipliers(after, progress);
        if (m.refusal == kCancelled) {
            stopped = true;
            if (cancelled) *cancelled = true;
            return;
        }
        if (auto warning = MultiplierWarning(m)) {
            // Within the sentence: "Dopo il gradino di carico: oscillazione ...".
            (*warning)[0] =
                static_cast<char>(std::tolower(static_cast<unsigned char>((*warning)[0])));
            warnings.push_back(std::string("Dopo il gradino ") + step + ": " + *warning);
        }
    };
    if (request.rl2) {
        LoopCircuit after = loop;
        after.circuit.RL = *request.rl2;
        tell(after, "di carico");
    }
    if (request.vi2) {
        LoopCircuit after = loop;
        after.circuit.Vi = *request.vi2;
        tell(after, "di linea");
    }
    return warnings;
}

RegulatedRun RunRegulated(const LoopCircuit& loop, const TransientRequest& request,
                          ProgressReporter* progress) {
    RegulatedRun run;
    const bool settles = !(request.tss > 0);
    const std::int64_t settling = settles ? kMostChunks * kChunkPeriods : 0;
    const std::int64_t total = settling + PeriodsOf(request, loop.circuit.f);
    Shifted first(progress, 0, total), second(progress, settling, total);
    // A run its bounds refuse is refused before the settling.
    run.result.refusal = switched::Simulation(loop, request).Refusal();
    if (!run.result.refusal.empty()) return run;
    if (settles) {
        run.start = Settle(loop, run.result.refusal, progress ? &first : nullptr);
        run.cancelled = run.result.refusal == kCancelled;
        if (!run.result.refusal.empty()) return run;
        run.unsettled = !run.start;
        if (run.unsettled) {
            run.result.refusal =
                "L'anello chiuso non raggiunge un regime periodico da cui far partire la "
                "simulazione: con un avvio graduale tss la simulazione parte da fermo.";
            return run;
        }
    }
    run.result = SimulateClosedLoop(loop, request, run.start, progress ? &second : nullptr);
    run.cancelled = run.result.refusal == kCancelled;
    if (run.result.refusal.empty()) {
        const std::vector<std::string> after =
            StepMultiplierWarnings(loop, request, progress, &run.cancelled);
        if (run.cancelled) run.result.refusal = kCancelled;
        run.result.warnings.insert(run.result.warnings.end(), after.begin(), after.end());
    }
    return run;
}

}  // namespace stepdown

#include "steadystate/SteadyState.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>
#include <vector>

#include "engine/Extremes.h"
#include "steadystate/TransientEnvelope.h"

namespace stepdown {
namespace {

using namespace transient;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Differences below this fraction of the circuit's scale are rounding.
constexpr double kRoundingLevel = 1e-9;
// The periods needed aim a little inside the tolerance, so that what the
// first-order model leaves out cannot carry a run at periodsNeeded over it.
constexpr Real kAimWithinTolerance = 0.99;

// The Euler step of the period loop, written as an affine map of the state.
struct Steps {
    Matrix S;
    Map<Vector> on, off;
};

Steps StepsOf(const CircuitInputs& in) {
    const Real T = in.TimeStep, L = in.L, C = in.C, RL = in.RL;
    const Matrix S{1, -T / L, T / C, 1 - T / (RL * C)};
    return {S, {S, {in.Vi * T / L, 0}}, {S, {-0.6L * T / L, 0}}};
}

// One period as the loop runs it: K - 1 switch-on steps, the hold, then
// N - K - 1 diode steps. Each run of equal steps is one affine map raised to
// a power by repeated squaring (log2 of the count in matrix products, not
// the count itself), then the two runs are composed: A = S_off^(N-K-1)
// S_on^(K-1), b the matching sum of powers times the steps' constants. With K = 0 the hold restarts
// every period from the never-written index 0, so the period forgets its start.
Map<Vector> PeriodMap(const Steps& steps, std::int32_t N, std::int32_t K) {
    if (K == 0) return {kZeroMatrix, Power(steps.off, N - 1, Vector{}).offset};
    return Then(Power(steps.on, K - 1, Vector{}),
                Power(steps.off, std::max(N - K - 1, 0), Vector{}));
}

struct PeriodMeasures {
    MeasuredFigures figures;
    double meanVo = 0.0;
    SampleExtremes band;
};

// Which sample a magnitude scan ends on, and the sign that turns the
// sample's value into the scan's result: the scan starts from sample 1 as
// stored and takes |w[i]| whenever it is >= (or <=) its running value.
struct ScanPick {
    std::int32_t sample = 1;
    Real sign = 1;
};

template <class Better>
ScanPick PickOf(std::span<const double> wave, std::int32_t N, Better better) {
    ScanPick pick;
    double result = wave[1];
    for (std::int32_t i = 1; i <= N; ++i) {
        const double m = std::fabs(wave[static_cast<std::size_t>(i)]);
        if (better(m, result)) {
            result = m;
            pick = {i, wave[static_cast<std::size_t>(i)] < 0 ? Real{-1} : Real{1}};
        }
    }
    return pick;
}

std::int32_t LowestSample(std::span<const double> wave, std::int32_t N) {
    std::int32_t lowest = 1;
    for (std::int32_t i = 2; i <= N; ++i)
        if (wave[static_cast<std::size_t>(i)] < wave[static_cast<std::size_t>(lowest)]) lowest = i;
    return lowest;
}

// One period from any start state, in the given arrays (indices 0..N+1,
// index 0 zero), measured as the run's final period is: the magnitude scans,
// then the figures.
class PeriodProbe {
public:
    PeriodProbe(const CircuitInputs& inputs, double f, const WaveArrays& arrays)
        : inputs_(inputs), f_(f), arrays_(arrays) {}

    PeriodMeasures Measure(PeriodState start) const {
        const SampleExtremes band = SimulatePeriodFrom(inputs_, start, arrays_);
        const std::int32_t N = inputs_.N;
        const std::span<const double> iL = this->iL(), Vo = this->Vo();
        const FigureInputs in{MaxMagnitudeScan(iL, N),
                              MinMagnitudeScan(iL, N),
                              MaxMagnitudeScan(Vo, N),
                              MinMagnitudeScan(Vo, N),
                              inputs_.TimeStep,
                              f_,
                              N,
                              arrays_.iL,
                              arrays_.id};
        return {MeasureFigures(in), MeanOutputVoltage(arrays_.Vo, N, inputs_.TimeStep, f_), band};
    }

    std::span<const double> iL() const { return {arrays_.iL, Size()}; }
    std::span<const double> Vo() const { return {arrays_.Vo, Size()}; }

private:
    std::size_t Size() const { return static_cast<std::size_t>(inputs_.N) + 2; }

    CircuitInputs inputs_;
    double f_;
    WaveArrays arrays_;
};

// How a sample of the period depends on the period's start state: sample j
// is S^p(j) times it plus a constant, since every step shares S.
class SampleGradients {
public:
    SampleGradients(const Matrix& S, std::int32_t N, std::int32_t K) : S_(S), N_(N), K_(K) {}

    Matrix Of(std::int32_t sample) const {
        if (K_ == 0) return kZeroMatrix;
        const std::int32_t j = sample == 1 ? N_ : sample;
        return PowerOf(S_, j <= K_ ? j - 1 : j - 2);
    }
    // Over the samples 1..N the switch conducts in (sample 1 repeats N).
    Matrix SumOverSwitchOn() const {
        if (K_ == 0) return kZeroMatrix;
        Matrix sum = SumOfPowers(S_, K_) + Matrix{-1, 0, 0, -1};
        return K_ == N_ ? sum + Of(N_) : sum;
    }
    // Over the samples 1..N the diode conducts in.
    Matrix SumOverDiode() const {
        if (K_ == 0 || K_ == N_) return kZeroMatrix;
        return PowerOf(S_, K_ - 1) * SumOfPowers(S_, N_ - K_) + Of(N_);
    }

private:
    Matrix S_;
    std::int32_t N_, K_;
};

// What the figures and the lowest current of the period at x* must stay
// within, and their gradients along the start state.
struct Criterion {
    Vector gradient;
    Real tolerance;
};

// What each figure's deviation is a fraction of, in the order SimDeltaiL,
// SimDeltaVo, SimIDP, SimIDm, SimIim: the steady-state figure, or a
// billionth-based floor of the circuit's current or voltage when that is
// larger, so that a figure zero at steady state can still be settled.
std::array<double, 5> DeviationScales(const SteadyState& steady) {
    const MeasuredFigures& s = steady.figures;
    const double current = std::max(std::fabs(steady.state.iL), std::fabs(s.SimIDP));
    const double millivolts = 1000 * std::max(std::fabs(steady.state.Vo), std::fabs(steady.meanVo));
    const auto scale = [](double reference, double circuit) {
        return std::max(std::fabs(reference), kRoundingLevel / kSettledTolerance * circuit);
    };
    return {scale(s.SimDeltaiL, current), scale(s.SimDeltaVo, millivolts), scale(s.SimIDP, current),
            scale(s.SimIDm, current), scale(s.SimIim, current)};
}

std::int64_t PeriodsNeeded(const SteadyState& steady, const Steps& steps, const Matrix& A,
                           const Modes& modes, const CircuitInputs& in, double f,
                           const PeriodProbe& probe) {
    const std::int32_t N = in.N;
    const std::int32_t K = *SwitchOnSteps(N, in.D);
    const SampleGradients gradients(steps.S, N, K);
    const auto ge = [](double m, double result) { return m >= result; };
    const auto le = [](double m, double result) { return m <= result; };
    const ScanPick maxIL = PickOf(probe.iL(), N, ge), minIL = PickOf(probe.iL(), N, le);
    const ScanPick maxVo = PickOf(probe.Vo(), N, ge), minVo = PickOf(probe.Vo(), N, le);
    const auto row = [&](Vector (*of)(const Matrix&), ScanPick pick) {
        return Scaled(of(gradients.Of(pick.sample)), pick.sign);
    };
    const Vector peak = row(FirstRow, maxIL), valley = row(FirstRow, minIL);
    const Vector high = row(SecondRow, maxVo), low = row(SecondRow, minVo);
    const Real fT = static_cast<Real>(f) * in.TimeStep;

    // The tolerances of WorstDeviation, aimed a little inside.
    const std::array<double, 5> scale = DeviationScales(steady);
    const auto within = [](double scale) {
        return kAimWithinTolerance * kSettledTolerance * scale;
    };
    const Criterion criteria[] = {
        {peak + Scaled(valley, -1), within(scale[0])},
        {Scaled(high + Scaled(low, -1), 1000), within(scale[1])},
        {peak, within(scale[2])},
        {Scaled(FirstRow(gradients.SumOverDiode()), fT), within(scale[3])},
        {Scaled(FirstRow(gradients.SumOverSwitchOn()), fT), within(scale[4])},
        // The lowest current must stay above zero.
        {FirstRow(gradients.Of(LowestSample(probe.iL(), N))),
         kAimWithinTolerance * static_cast<Real>(steady.band.minIL)},
    };
    // From rest: the first period starts at 0, x* away from x*.
    const Vector fromRest{-static_cast<Real>(steady.state.iL), -static_cast<Real>(steady.state.Vo)};
    std::int64_t needed = 1;
    for (const Criterion& criterion : criteria)
        needed = std::max(needed, PeriodsWithin(Deviation(A, modes, criterion.gradient, fromRest),
                                                criterion.tolerance));
    return needed;
}

bool Finite(PeriodState s) { return std::isfinite(s.iL) && std::isfinite(s.Vo); }

}  // namespace

SteadyState FindSteadyState(const CircuitInputs& inputs, double f, const WaveArrays& scratch) {
    SteadyState steady;
    steady.spectralRadius = kInfinity;
    const std::optional<std::int32_t> K = SwitchOnSteps(inputs.N, inputs.D);
    if (inputs.N < 1 || !K) return steady;

    const Steps steps = StepsOf(inputs);
    const Map<Vector> period = PeriodMap(steps, inputs.N, *K);
    const Matrix& A = period.linear;
    steady.A = {static_cast<double>(A.m11), static_cast<double>(A.m12), static_cast<double>(A.m21),
                static_cast<double>(A.m22)};
    const Modes modes = ModesOf(A);
    steady.spectralRadius = static_cast<double>(modes.radius);
    if (!std::isfinite(steady.spectralRadius)) return steady;

    // One period's rounding, some N ulps of the state, moves the fixed point
    // of the simulated run by that over 1 - radius: within a hundredth of
    // a percent only while 1 - radius exceeds this.
    const Real rounding = std::max<Real>(
        1e-9L, 100 * static_cast<Real>(inputs.N) * std::numeric_limits<double>::epsilon());
    if (modes.radius > 1 + rounding) {
        steady.kind = SteadyStateKind::Unbounded;
        return steady;
    }
    if (modes.radius >= 1 - rounding) {
        steady.kind = SteadyStateKind::NotComputable;
        return steady;
    }

    // x* = (I - A)^-1 b.
    const Real a = 1 - A.m11, b = -A.m12, c = -A.m21, d = 1 - A.m22;
    const Real det = a * d - b * c;
    const Vector& r = period.offset;
    steady.state = {static_cast<double>((d * r.i - b * r.v) / det),
                    static_cast<double>((a * r.v - c * r.i) / det)};
    if (!Finite(steady.state)) return steady;

    const PeriodProbe probe(inputs, f, scratch);
    const PeriodMeasures measures = probe.Measure(steady.state);
    if (!AllFinite(measures.figures) || !std::isfinite(measures.meanVo)) return steady;
    steady.figures = measures.figures;
    steady.meanVo = measures.meanVo;
    steady.band = measures.band;
    steady.kind = SteadyStateKind::Found;
    if (steady.Conducts())
        steady.periodsNeeded = PeriodsNeeded(steady, steps, A, modes, inputs, f, probe);
    return steady;
}

SteadyState FindSteadyState(const CircuitInputs& inputs, double f) {
    if (inputs.N < 1) return {};  // Invalid, as the arrays' overload finds it
    const auto size = static_cast<std::size_t>(inputs.N) + 2;
    std::vector<double> iL(size), Vo(size), id(size), spare(size);
    return FindSteadyState(inputs, f,
                           {iL.data(), Vo.data(), spare.data(), spare.data(), id.data()});
}

double WorstDeviation(const MeasuredFigures& figures, const SteadyState& steady) {
    if (!steady.Exists()) return kInfinity;
    const MeasuredFigures& s = steady.figures;
    const std::array<double, 5> scale = DeviationScales(steady);
    const double differences[] = {figures.SimDeltaiL - s.SimDeltaiL,
                                  figures.SimDeltaVo - s.SimDeltaVo, figures.SimIDP - s.SimIDP,
                                  figures.SimIDm - s.SimIDm, figures.SimIim - s.SimIim};
    double worst = 0.0;
    for (std::size_t k = 0; k < 5; ++k) {
        if (differences[k] == 0.0) continue;
        const double deviation = std::fabs(differences[k]) / scale[k];
        if (std::isnan(deviation)) return kInfinity;
        worst = std::max(worst, deviation);
    }
    return worst;
}

RunVerdict JudgeRun(const SteadyState& steady, const MeasuredFigures& shown, bool repeated) {
    RunVerdict verdict;
    verdict.worstDeviation = WorstDeviation(shown, steady);
    // A run that repeated exactly would show the same figures for any NI.
    verdict.settled = repeated || verdict.worstDeviation <= kSettledTolerance;
    if (verdict.settled) return verdict;
    switch (steady.kind) {
    case SteadyStateKind::Found:
        if (!steady.Conducts())
            verdict.advice = SettleAdvice::CurrentReachesZero;
        else if (steady.periodsNeeded > kLargestNI)
            verdict.advice = SettleAdvice::BeyondLargestNI;
        else
            verdict.advice = SettleAdvice::RaiseNI;
        break;
    case SteadyStateKind::NotComputable:
        verdict.advice = SettleAdvice::NotComputable;
        break;
    case SteadyStateKind::Unbounded:
    case SteadyStateKind::Invalid:
        verdict.advice = SettleAdvice::Unbounded;
        break;
    }
    return verdict;
}

std::int64_t PeriodsToAdviseAfterRefusal(const SteadyState& steady, std::int32_t NI,
                                         bool repeated) {
    if (NI < 1 || repeated || !steady.Conducts() || steady.periodsNeeded <= NI) return 0;
    return steady.periodsNeeded;
}

}  // namespace stepdown

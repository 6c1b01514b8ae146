#include "simulation/SteadyState.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <span>
#include <vector>

#include "simulation/Extremes.h"

namespace stepdown {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Differences below this fraction of the circuit's scale are rounding.
constexpr double kRoundingLevel = 1e-9;
constexpr std::int64_t kMostPeriods = std::int64_t{1} << 62;

struct PeriodMeasures {
    MeasuredFigures figures;
    double meanVo = 0.0;
    SampleExtremes band;
};

// Single periods from any start state, in arrays of its own: iL, Vo and id
// for the figures, while iC and Vd, which nothing reads back, share one.
class PeriodProbe {
public:
    PeriodProbe(const CircuitInputs& inputs, double f)
        : inputs_(inputs),
          f_(f),
          iL_(Size(inputs)),
          Vo_(Size(inputs)),
          id_(Size(inputs)),
          spare_(Size(inputs)) {}

    // With the input voltage `Vi` in place of the circuit's.
    PeriodState EndState(PeriodState start, double Vi) {
        CircuitInputs inputs = inputs_;
        inputs.Vi = Vi;
        SimulatePeriodFrom(inputs, start, Arrays());
        return {iL_[1], Vo_[1]};
    }

    // Measured as the run's final period is: the magnitude scans, then the
    // figures.
    PeriodMeasures Measure(PeriodState start) {
        const SampleExtremes band = SimulatePeriodFrom(inputs_, start, Arrays());
        const std::int32_t N = inputs_.N;
        const std::span<const double> iL(iL_);
        const std::span<const double> Vo(Vo_);
        const FigureInputs in{MaxMagnitudeScan(iL, N),
                              MinMagnitudeScan(iL, N),
                              MaxMagnitudeScan(Vo, N),
                              MinMagnitudeScan(Vo, N),
                              inputs_.TimeStep,
                              f_,
                              N,
                              iL_.data(),
                              id_.data()};
        return {MeasureFigures(in), MeanOutputVoltage(Vo_.data(), N, inputs_.TimeStep, f_), band};
    }

private:
    static std::size_t Size(const CircuitInputs& inputs) {
        return static_cast<std::size_t>(inputs.N) + 2;
    }
    WaveArrays Arrays() {
        return {iL_.data(), Vo_.data(), spare_.data(), spare_.data(), id_.data()};
    }

    CircuitInputs inputs_;
    double f_;
    std::vector<double> iL_, Vo_, id_, spare_;
};

PeriodMatrix Multiply(const PeriodMatrix& a, const PeriodMatrix& b) {
    return {a[0] * b[0] + a[1] * b[2], a[0] * b[1] + a[1] * b[3], a[2] * b[0] + a[3] * b[2],
            a[2] * b[1] + a[3] * b[3]};
}

PeriodMatrix Power(PeriodMatrix a, std::int64_t k) {
    PeriodMatrix result{1.0, 0.0, 0.0, 1.0};
    for (; k > 0; k >>= 1) {
        if ((k & 1) != 0) result = Multiply(result, a);
        a = Multiply(a, a);
    }
    return result;
}

bool Finite(PeriodState s) { return std::isfinite(s.iL) && std::isfinite(s.Vo); }

// (I - A)^-1 r; nothing when I - A is singular.
std::optional<PeriodState> SolveShifted(const PeriodMatrix& A, PeriodState r) {
    const double a = 1 - A[0];
    const double b = -A[1];
    const double c = -A[2];
    const double d = 1 - A[3];
    const double det = a * d - b * c;
    if (det == 0.0 || !std::isfinite(det)) return std::nullopt;
    const PeriodState x{(d * r.iL - b * r.Vo) / det, (a * r.Vo - c * r.iL) / det};
    if (!Finite(x)) return std::nullopt;
    return x;
}

struct Spectrum {
    double radius = kInfinity;
    // Periods in a quarter of the slowest oscillation of the transient: 0
    // when it does not oscillate, 1 when it alternates period by period.
    std::int64_t quarterOscillation = 0;
};

Spectrum SpectrumOf(const PeriodMatrix& A) {
    const double half = (A[0] + A[3]) / 2;
    const double det = A[0] * A[3] - A[1] * A[2];
    const double discriminant = half * half - det;
    if (!std::isfinite(discriminant)) return {};
    if (discriminant >= 0) {
        const double root = std::sqrt(discriminant);
        const double dominant =
            std::fabs(half + root) >= std::fabs(half - root) ? half + root : half - root;
        return {std::fabs(dominant), dominant < 0 ? 1 : 0};
    }
    const double angle = std::atan2(std::sqrt(-discriminant), half);
    // The angle lies within (0, pi): a quarter of at least half a period.
    return {std::sqrt(det), std::llround(std::min(std::numbers::pi / 2 / angle, 1e12))};
}

// Periods for a transient shrinking by `radius` each period to fall below
// kTransientFraction of its start.
std::int64_t TransientPeriods(double radius) {
    const double periods = std::ceil(std::log(kTransientFraction) / std::log(radius));
    if (!(periods >= 1)) return 1;
    return periods >= static_cast<double>(kMostPeriods) ? kMostPeriods
                                                        : static_cast<std::int64_t>(periods);
}

std::int64_t SettlingPeriods(PeriodProbe& probe, const SteadyState& steady, std::int64_t from) {
    const Spectrum spectrum = SpectrumOf(steady.A);
    const PeriodState x = steady.state;
    // The last of k periods starts from the state after k - 1 of them.
    const auto deviationAfter = [&](std::int64_t k) {
        const PeriodMatrix power = Power(steady.A, k - 1);
        const PeriodState start{x.iL - (power[0] * x.iL + power[1] * x.Vo),
                                x.Vo - (power[2] * x.iL + power[3] * x.Vo)};
        return WorstDeviation(probe.Measure(start).figures, steady);
    };
    std::int64_t k = std::max<std::int64_t>(from, 1);
    for (int attempt = 0; attempt < 256 && k < kMostPeriods; ++attempt) {
        double worst = deviationAfter(k);
        // A node of an oscillating transient can look settled; a quarter of
        // an oscillation later it does not.
        if (spectrum.quarterOscillation > 0)
            worst = std::max(worst, deviationAfter(k + spectrum.quarterOscillation));
        if (worst <= kSettledTolerance) return k;
        // Half of the way the slowest decay says, so as not to overshoot
        // where the faster one still counts.
        const double periods = std::log(kSettledTolerance / worst) / std::log(spectrum.radius) / 2;
        const std::int64_t step = std::isfinite(periods)
                                      ? std::max<std::int64_t>(1, std::llround(std::ceil(periods)))
                                      : k;
        k = std::min(kMostPeriods, k + step);
    }
    return k;
}

}  // namespace

SteadyState FindSteadyState(const CircuitInputs& inputs, double f) {
    SteadyState steady;
    steady.spectralRadius = kInfinity;
    if (inputs.N < 1 || !SwitchOnSteps(inputs.N, inputs.D)) return steady;
    PeriodProbe probe(inputs, f);

    // Vi only adds to the state, so A does not depend on it: taken without
    // Vi, from unit steps, it is free of the rounding of large states and of
    // the underflow of small ones, whatever Vi is.
    const PeriodState origin = probe.EndState({0.0, 0.0}, 0.0);
    const PeriodState byCurrent = probe.EndState({1.0, 0.0}, 0.0);
    const PeriodState byVoltage = probe.EndState({0.0, 1.0}, 0.0);
    steady.A = {byCurrent.iL - origin.iL, byVoltage.iL - origin.iL, byCurrent.Vo - origin.Vo,
                byVoltage.Vo - origin.Vo};
    const PeriodState b = probe.EndState({0.0, 0.0}, inputs.Vi);

    const Spectrum spectrum = SpectrumOf(steady.A);
    steady.spectralRadius = spectrum.radius;
    if (!(spectrum.radius < 1)) return steady;
    const std::optional<PeriodState> first = SolveShifted(steady.A, b);
    if (!first) return steady;
    // One correction from the residual at the point itself, so that errors
    // in A matter only for the small correction.
    const PeriodState image = probe.EndState(*first, inputs.Vi);
    const std::optional<PeriodState> correction =
        SolveShifted(steady.A, {image.iL - first->iL, image.Vo - first->Vo});
    if (!correction) return steady;
    steady.state = {first->iL + correction->iL, first->Vo + correction->Vo};

    const PeriodMeasures measures = probe.Measure(steady.state);
    if (!Finite(steady.state) || !AllFinite(measures.figures) || !std::isfinite(measures.meanVo))
        return steady;
    steady.figures = measures.figures;
    steady.meanVo = measures.meanVo;
    steady.band = measures.band;
    steady.exists = true;
    steady.periodsNeeded = SettlingPeriods(probe, steady, TransientPeriods(spectrum.radius));
    return steady;
}

double WorstDeviation(const MeasuredFigures& figures, const SteadyState& steady) {
    if (!steady.exists) return kInfinity;
    const MeasuredFigures& s = steady.figures;
    const double current = std::max(std::fabs(steady.state.iL), std::fabs(s.SimIDP));
    const double millivolts = 1000 * std::max(std::fabs(steady.state.Vo), std::fabs(steady.meanVo));
    struct Pair {
        double value, reference, scale;
    };
    const Pair pairs[] = {{figures.SimDeltaiL, s.SimDeltaiL, current},
                          {figures.SimDeltaVo, s.SimDeltaVo, millivolts},
                          {figures.SimIDP, s.SimIDP, current},
                          {figures.SimIDm, s.SimIDm, current},
                          {figures.SimIim, s.SimIim, current}};
    double worst = 0.0;
    for (const Pair& pair : pairs) {
        const double difference = std::fabs(pair.value - pair.reference);
        if (difference == 0.0) continue;
        const double floor = kRoundingLevel / kSettledTolerance * pair.scale;
        const double deviation = difference / std::max(std::fabs(pair.reference), floor);
        if (std::isnan(deviation)) return kInfinity;
        worst = std::max(worst, deviation);
    }
    return worst;
}

std::int64_t PeriodsToSettle(const CircuitInputs& inputs, double f, const SteadyState& steady,
                             std::int64_t from) {
    PeriodProbe probe(inputs, f);
    return SettlingPeriods(probe, steady, from);
}

}  // namespace stepdown

#include "control/SwitchedLoopGain.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "control/SwitchedSimulation.h"

namespace stepdown {
namespace {

constexpr int kMostDivisor = 400;
constexpr int kSettlePeriods = 300;
// The sine's amplitude against Vref: small enough for the modulator to stay
// linear, large enough to stand well above rounding.
constexpr double kAmplitude = 0.01;

// Whole divisors n, log-spaced, each once, from the largest down to 2: the
// frequencies f/n rise.
std::vector<int> Divisors(double f, int points) {
    const int most = std::max(2, std::min(kMostDivisor, static_cast<int>(f / 10)));
    std::vector<int> n;
    for (int k = points - 1; k >= 0; --k) {
        const double ratio = points > 1 ? static_cast<double>(k) / (points - 1) : 0;
        const int d = static_cast<int>(std::lround(2 * std::pow(most / 2.0, ratio)));
        if (n.empty() || d < n.back()) n.push_back(d);
    }
    return n;
}

// The integral over [from, to] of x(t) e^{-j w t} by the trapezoid rule on the
// trace, each piece cut at the window's ends, for x = vo and for vo plus the
// sine, each less its mean: the window holds whole periods of the sine, but
// the rule does not integrate e^{-j w t} to zero exactly, and 15 V of mean
// would swamp millivolts of response.
std::array<std::complex<double>, 2> Transform(const std::vector<TracePoint>& trace, double from,
                                              double to, double w, double a) {
    struct Piece {
        double t0, t1, v0, v1;
    };
    std::vector<Piece> pieces;
    double mean = 0;
    for (std::size_t k = 1; k < trace.size(); ++k) {
        const TracePoint &p = trace[k - 1], &q = trace[k];
        if (q.t <= from || p.t >= to || !(q.t > p.t)) continue;
        const auto at = [&](double t) { return p.vo + (q.vo - p.vo) * (t - p.t) / (q.t - p.t); };
        const double t0 = std::max(p.t, from), t1 = std::min(q.t, to);
        pieces.push_back({t0, t1, at(t0), at(t1)});
        mean += (pieces.back().v0 + pieces.back().v1) / 2 * (t1 - t0);
    }
    mean /= to - from;
    std::array<std::complex<double>, 2> sums{};
    for (const Piece& p : pieces) {
        const std::complex<double> e0 = std::polar(1.0, -w * p.t0), e1 = std::polar(1.0, -w * p.t1);
        const double x0 = p.v0 - mean, x1 = p.v1 - mean;
        const double h = (p.t1 - p.t0) / 2;
        sums[0] += (x0 * e0 + x1 * e1) * h;
        sums[1] += ((x0 + a * std::sin(w * p.t0)) * e0 + (x1 + a * std::sin(w * p.t1)) * e1) * h;
    }
    return sums;
}

}  // namespace

SwitchedBode SwitchedLoopGain(const LoopCircuit& loop, int points,
                              const std::function<bool(int, int)>& progress) {
    SwitchedBode bode;
    const double T = 1 / loop.circuit.f;
    const std::vector<int> divisors = Divisors(loop.circuit.f, points);
    // Each run alone may be short while all of them are not: the whole is
    // refused before the first.
    const auto cycles = [](int n, double least) {
        return std::max(2, static_cast<int>(std::ceil(least / n)));
    };
    double allPeriods = kSettlePeriods;
    for (const int n : divisors) allPeriods += (cycles(n, 100) + cycles(n, 40)) * n;
    const std::array<double, 5> averaged = AveragedStart(loop);
    const TransientRequest all{0, {}, {}, {}, {}, allPeriods * T};
    bode.refusal = switched::Simulation(loop, all, averaged).Refusal();
    if (!bode.refusal.empty()) return bode;
    // From the averaged operating point, settled by the switched loop itself.
    TransientRequest settle{0, {}, {}, {}, {}, kSettlePeriods * T};
    switched::Simulation first(loop, settle, averaged);
    TransientResult scratch;
    std::vector<switched::PeriodRecord> periods;
    bode.refusal = first.Run(scratch, periods);
    if (!bode.refusal.empty()) return bode;
    // Every run counts into the one bound that the whole was estimated against.
    long spent = first.Spent();
    const std::array<double, 5> steady = first.Final();
    const double a = kAmplitude * loop.modulator.Vref;
    std::vector<std::complex<double>> gains;
    for (std::size_t k = 0; k < divisors.size(); ++k) {
        const int n = divisors[k];
        const double f = loop.circuit.f / n, w = 2 * std::numbers::pi * f;
        const int settleCycles = cycles(n, 100), measureCycles = cycles(n, 40);
        const double from = settleCycles * n * T;
        TransientRequest run{0, {}, {}, {}, {}, (settleCycles + measureCycles) * n * T};
        switched::Simulation injected(loop, run, steady, {a, w});
        injected.CountFrom(spent);
        TransientResult result;
        periods.clear();
        bode.refusal = injected.Run(result, periods);
        spent = injected.Spent();
        if (!bode.refusal.empty()) return bode;
        const auto [out, sensed] = Transform(result.trace, from, run.tend, w, a);
        gains.push_back(-out / sensed);
        bode.f.push_back(f);
        if (progress && !progress(static_cast<int>(k) + 1, static_cast<int>(divisors.size()))) {
            bode.cancelled = true;
            return bode;
        }
    }
    // Rising frequency; the phase continuous from the integrator's -90 degrees.
    double previous = -90;
    for (const std::complex<double>& g : gains) {
        const double phase = std::arg(g) * 180 / std::numbers::pi;
        previous += std::remainder(phase - previous, 360.0);
        bode.T.magDb.push_back(20 * std::log10(std::abs(g)));
        bode.T.phaseDeg.push_back(previous);
    }
    return bode;
}

}  // namespace stepdown

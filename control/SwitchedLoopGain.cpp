#include "control/SwitchedLoopGain.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "control/SwitchedSimulation.h"

namespace stepdown {
namespace {

constexpr int kMostDivisor = 400;
// The steady state: blocks of periods, until one moves no state by more
// than a part in 1e9, at most kMostSettleBlocks of them.
constexpr int kSettleBlock = 300, kMostSettleBlocks = 10;
// At each frequency: a settling of at least kLeastSettle periods, then
// windows of at least kLeastWindow, at most kMostWindows of them; every one
// whole cycles of the sine.
constexpr double kLeastSettle = 300, kLeastWindow = 40;
constexpr int kMostWindows = 6;
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

TransientRequest Lasting(double seconds) { return {0, {}, {}, {}, {}, seconds}; }

bool Moved(const std::array<double, 5>& from, const std::array<double, 5>& to) {
    for (std::size_t k = 0; k < from.size(); ++k)
        if (std::fabs(to[k] - from[k]) > 1e-9 * (std::fabs(from[k]) + std::fabs(to[k])) + 1e-15)
            return true;
    return false;
}

}  // namespace

SwitchedBode SwitchedLoopGain(const LoopCircuit& loop, int points,
                              const std::function<bool(int, int)>& progress) {
    SwitchedBode bode;
    const double T = 1 / loop.circuit.f;
    const std::vector<int> divisors = Divisors(loop.circuit.f, points);
    // Whole sine cycles, at least `least` periods of the switching.
    const auto cycles = [](int n, double least) {
        return std::max(1, static_cast<int>(std::ceil(least / n)));
    };
    // Each run alone may be short while all of them are not: the whole, with
    // every block and window it may take, is refused before the first.
    double allPeriods = kSettleBlock * kMostSettleBlocks;
    for (const int n : divisors)
        allPeriods += (cycles(n, kLeastSettle) + kMostWindows * cycles(n, kLeastWindow)) * n;
    bode.refusal =
        switched::Simulation(loop, Lasting(allPeriods * T), AveragedStart(loop)).Refusal();
    if (!bode.refusal.empty()) return bode;
    // A run of `seconds` from `state`, left at its end; its transform.
    std::vector<switched::PeriodRecord> periods;
    // Every run counts into the one bound that the whole was estimated against.
    long spent = 0;
    const auto run = [&](std::array<double, 5>& state, double seconds, switched::Injection sine) {
        const TransientRequest request = Lasting(seconds);
        switched::Simulation simulation(loop, request, state, sine);
        simulation.CountFrom(spent);
        TransientResult result;
        periods.clear();
        bode.refusal = simulation.Run(result, periods);
        spent = simulation.Spent();
        state = simulation.Final();
        return simulation.Transform();
    };
    // From the averaged operating point, settled by the switched loop itself.
    std::array<double, 5> steady = AveragedStart(loop);
    for (int block = 0; block < kMostSettleBlocks; ++block) {
        const std::array<double, 5> before = steady;
        run(steady, kSettleBlock * T, {});
        if (!bode.refusal.empty()) return bode;
        if (!Moved(before, steady)) break;
        if (block + 1 == kMostSettleBlocks) bode.converged = false;
    }
    const double a = kAmplitude * loop.modulator.Vref;
    std::vector<std::complex<double>> gains;
    for (std::size_t k = 0; k < divisors.size(); ++k) {
        const int n = divisors[k];
        const switched::Injection sine{a, 2 * std::numbers::pi * loop.circuit.f / n};
        std::array<double, 5> state = steady;
        run(state, cycles(n, kLeastSettle) * n * T, sine);
        if (!bode.refusal.empty()) return bode;
        // The last window's T against the one before it.
        std::complex<double> gain, ratio;
        for (int window = 0; window < kMostWindows; ++window) {
            const switched::Transformed x = run(state, cycles(n, kLeastWindow) * n * T, sine);
            if (!bode.refusal.empty()) return bode;
            // Less its mean, which the rule integrates against e^{-j w t} to
            // rounding only; the sine's own transform over whole cycles is
            // exact: a W / 2j.
            const std::complex<double> out = x.vo - x.integral / x.length * x.one;
            const std::complex<double> g =
                -out / (out + std::complex<double>(0, -a * x.length / 2));
            if (window > 0) ratio = g / gain;
            gain = g;
            if (window > 0 && std::abs(ratio - 1.0) <= kWindowsAgree) break;
        }
        if (!(std::abs(ratio - 1.0) <= kWindowsAgree)) bode.converged = false;
        bode.spreadDb = std::max(bode.spreadDb, std::fabs(20 * std::log10(std::abs(ratio))));
        bode.spreadDeg =
            std::max(bode.spreadDeg, std::fabs(std::arg(ratio)) * 180 / std::numbers::pi);
        gains.push_back(gain);
        bode.f.push_back(loop.circuit.f / n);
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

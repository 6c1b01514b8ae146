// The switched closed loop against a model written here: fourth-order
// Runge-Kutta on the circuit's own equations (the divider drawing its real
// current, the amplifier's rails, the latched modulator), each switching
// instant located by linear interpolation of its condition over the step.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "control/ClosedLoop.h"
#include "control/CompensatorDesign.h"
#include "control/ImpedanceLoop.h"
#include "control/SwitchedLoopGain.h"

namespace stepdown {
namespace {

struct Reference {
    // iL, vC, vC1, vC2, vC3
    using X = std::array<double, 5>;
    LoopCircuit loop;
    double RL = 0, Vi = 0, vref = 0;
    bool on = false, blocked = true;
    int rail = 0;  // 0 linear, -1 at 0 V, +1 at Vcmax

    double Minus(const X& x) const {
        return rail == 0 ? vref : (rail > 0 ? loop.modulator.Vcmax : 0) + x[3];
    }
    double Vc(const X& x) const {
        return rail == 0 ? vref - x[3] : (rail > 0 ? loop.modulator.Vcmax : 0);
    }
    // The output node: vo = vC + ESR iC, iC = iL - vo/RL - the divider's current.
    double Vo(const X& x) const {
        const Compensator& c = loop.compensator;
        const double g3 = c.type == 3 ? 1 / c.R3 : 0, vm = Minus(x), esr = loop.parts.ESR;
        const double g = 1 / c.R1 + g3;
        return (x[1] + esr * (x[0] + vm * g + x[4] * g3)) / (1 + esr / RL + esr * g);
    }
    X Slope(const X& x) const {
        const Compensator& c = loop.compensator;
        const PartValues& p = loop.parts;
        const double vo = Vo(x), vm = Minus(x);
        const double i3 = c.type == 3 ? (vo - x[4] - vm) / c.R3 : 0;
        const double iDivider = (vo - vm) / c.R1 + i3;
        X d{};
        if (on)
            d[0] = (Vi - (p.Rds + p.DCR) * x[0] - vo) / loop.circuit.L;
        else if (!blocked)
            d[0] = (-p.Vf - (p.Rd + p.DCR) * x[0] - vo) / loop.circuit.L;
        d[1] = (x[0] - vo / RL - iDivider) / loop.circuit.C;
        const double i1 = (x[3] - x[2]) / c.R2;
        d[2] = i1 / c.C1;
        d[3] = (iDivider - vm / c.Rb - i1) / c.C2;
        d[4] = c.type == 3 ? i3 / c.C3 : 0;
        return d;
    }
    X Step(const X& x, double h) const {
        const auto add = [](X a, const X& b, double s) {
            for (int k = 0; k < 5; ++k) a[k] += s * b[k];
            return a;
        };
        const X k1 = Slope(x), k2 = Slope(add(x, k1, h / 2)), k3 = Slope(add(x, k2, h / 2)),
                k4 = Slope(add(x, k3, h));
        X out = x;
        for (int k = 0; k < 5; ++k) out[k] += h / 6 * (k1[k] + 2 * k2[k] + 2 * k3[k] + k4[k]);
        return out;
    }
};

struct Figures {
    double steadyMean = 0, ilPeak = 0, undershoot = 0, overshoot = 0, finalMean = 0;
};

// Runs to `tend` with soft-start `tss` and a load step to `rl2` at `t1`.
Figures RunReference(const LoopCircuit& loop, double tss, double rl2, double t1, double tend) {
    Reference r{loop, 0, 0, 0};
    r.Vi = loop.circuit.Vi;
    const double Rdiv = loop.compensator.R1 + loop.compensator.Rb;
    (void)Rdiv;
    r.RL = loop.circuit.RL;
    const double T = 1 / loop.circuit.f, h = T / 400;
    const Modulator& m = loop.modulator;
    Reference::X x{};
    Figures fig;
    std::vector<double> means;
    double sum = 0, low = 1e300, high = -1e300;
    const long steps = std::lround(tend / h);
    for (long n = 0; n < steps; ++n) {
        const double t = n * h, tau = t - std::floor(t / T + 1e-9) * T;
        r.vref = tss > 0 ? m.Vref * std::min(1.0, t / tss) : m.Vref;
        if (t >= t1) r.RL = rl2;
        if (n % 400 == 0) {
            if (n > 0) means.push_back(sum / T);
            sum = 0;
            if (r.rail == 0 && r.Vc(x) > m.Vcmax) r.rail = 1;
            r.on = r.Vc(x) > 0;
            r.blocked = !r.on && !(x[0] > 0);
        }
        // The conditions that end the present state, each falling through zero.
        const auto conditions = [&](const Reference::X& y, double s) {
            std::array<double, 4> c{1, 1, 1, 1};
            if (r.on) c[0] = std::min(r.Vc(y) - m.Vramp * s / T, m.Dmax * T - s);
            if (!r.on && !r.blocked) c[1] = y[0];
            if (r.rail == 0)
                c[2] = std::min(r.Vc(y), m.Vcmax - r.Vc(y));
            else
                c[3] = r.rail > 0 ? r.vref - r.Minus(y) : r.Minus(y) - r.vref;
            return c;
        };
        double done = 0;
        for (int guard = 0; guard < 8 && done < h; ++guard) {
            const std::array<double, 4> before = conditions(x, tau + done);
            Reference::X next = r.Step(x, h - done);
            const std::array<double, 4> after = conditions(next, tau + h);
            int which = -1;
            double first = h - done;
            for (int k = 0; k < 4; ++k)
                if (before[k] > 0 && after[k] <= 0) {
                    const double s = (h - done) * before[k] / (before[k] - after[k]);
                    if (s < first) first = s, which = k;
                }
            if (which < 0) {
                sum += (r.Vo(x) + r.Vo(next)) / 2 * (h - done);
                x = next;
                done = h;
                break;
            }
            next = r.Step(x, first);
            sum += (r.Vo(x) + r.Vo(next)) / 2 * first;
            x = next;
            done += first;
            if (which == 0) r.on = false, r.blocked = !(x[0] > 0);
            if (which == 1) r.blocked = true, x[0] = 0;
            if (which == 2) r.rail = r.Vc(x) < m.Vcmax / 2 ? -1 : 1;
            if (which == 3) r.rail = 0;
        }
        fig.ilPeak = t < t1 ? std::max(fig.ilPeak, x[0]) : fig.ilPeak;
        if (t >= t1) low = std::min(low, r.Vo(x)), high = std::max(high, r.Vo(x));
        if (t < t1 && t + h >= t1) fig.steadyMean = means.back();
    }
    fig.finalMean = means.back();
    fig.undershoot = fig.finalMean - low;
    fig.overshoot = high - fig.finalMean;
    return fig;
}

LoopCircuit WorkedExample() {
    LoopCircuit loop;
    loop.circuit = {25, 0, 80e3, 125e-6, 15.625e-6, 10};
    loop.parts.ESR = 0.05;
    loop.parts.DCR = 0.1;
    loop.parts.Rds = 0.05;
    loop.compensator.R1 = 10e3;
    loop.compensator.Rb = 2e3;
    loop.compensator = *DesignCompensator(loop, {8e3, 60, {}}).compensator;
    return loop;
}

TEST(ClosedLoop, WorkedExampleLoadStepAgainstTheRungeKuttaModel) {
    const LoopCircuit loop = WorkedExample();
    const TransientRequest request{1e-3, 5.0, 5e-3, {}, {}, 7e-3};
    const TransientResult r = SimulateClosedLoop(loop, request);
    ASSERT_TRUE(r.refusal.empty()) << r.refusal;
    const Figures ref = RunReference(loop, 1e-3, 5, 5e-3, 7e-3);
    EXPECT_NEAR(r.steadyVoMean, ref.steadyMean, 2e-3 * 15);
    EXPECT_NEAR(r.ilPeak, ref.ilPeak, 0.02 * ref.ilPeak);
    ASSERT_TRUE(r.loadStep);
    EXPECT_NEAR(r.loadStep->finalVoMean, ref.finalMean, 2e-3 * 15);
    EXPECT_NEAR(r.loadStep->undershoot, ref.undershoot, 0.02 * ref.undershoot);
    EXPECT_NEAR(r.loadStep->overshoot, ref.overshoot, 0.01 + 0.05 * ref.overshoot);
    // The integrator leaves no error but the ripple's and the drops' share.
    EXPECT_NEAR(r.steadyVoMean, 15, 0.05);
    EXPECT_EQ(r.steadyMode, ConductionMode::Continuous);
    std::printf(
        "steady %.6f ilPeak %.4f under %.4f over %.4f settle %.3g | ref %.6f %.4f %.4f %.4f\n",
        r.steadyVoMean, r.ilPeak, r.loadStep->undershoot, r.loadStep->overshoot,
        r.loadStep->settlingTime.value_or(-1), ref.steadyMean, ref.ilPeak, ref.undershoot,
        ref.overshoot);
}

}  // namespace
}  // namespace stepdown

namespace stepdown {
namespace {

// The injection against the averaged model of the circuit's impedances,
// where sampling does not matter yet: within 0.5 dB and 3 degrees to f/20.
TEST(SwitchedLoopGain, AgreesWithTheAveragedLoopBelowATwentiethOfF) {
    const LoopCircuit loop = WorkedExample();
    int calls = 0;
    const SwitchedBode bode = SwitchedLoopGain(loop, 12, [&](int done, int total) {
        EXPECT_EQ(done, ++calls);
        EXPECT_GE(total, done);
        return true;
    });
    ASSERT_TRUE(bode.refusal.empty()) << bode.refusal;
    EXPECT_EQ(calls, static_cast<int>(bode.f.size()));
    EXPECT_EQ(bode.f.back(), 40e3);
    int compared = 0;
    for (std::size_t k = 0; k < bode.f.size(); ++k) {
        if (bode.f[k] > 80e3 / 20) continue;
        const test::Complex T = test::LoopFromImpedances(loop, bode.f[k]);
        const double mag = static_cast<double>(20 * std::log10(std::abs(T)));
        const double phase = static_cast<double>(std::arg(T) * 180 / std::numbers::pi_v<long double>);
        EXPECT_NEAR(bode.T.magDb[k], mag, 0.5) << bode.f[k];
        EXPECT_NEAR(std::remainder(bode.T.phaseDeg[k] - phase, 360.0), 0, 3) << bode.f[k];
        std::printf("%g %g %g | %g %g\n", bode.f[k], bode.T.magDb[k], bode.T.phaseDeg[k], mag, phase);
        ++compared;
    }
    EXPECT_GE(compared, 5);
    // Cancelled after the first frequency.
    EXPECT_TRUE(SwitchedLoopGain(loop, 12, [](int, int) { return false; }).cancelled);
}

}  // namespace
}  // namespace stepdown

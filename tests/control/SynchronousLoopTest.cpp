// The regulated converter over a synchronous stage: the switched loop
// against the Runge-Kutta model of support/ClosedLoopReference.h, and the
// averaged loop gain against the switched one's injection.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "control/ClosedLoop.h"
#include "control/CompensatorDesign.h"
#include "control/CurrentMode.h"
#include "control/ImpedanceLoop.h"
#include "control/SwitchedLoopGain.h"
#include "support/ClosedLoopReference.h"

namespace stepdown {
namespace {

struct Random {
    std::mt19937_64 rng;
    double Uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(rng);
    }
    double LogUniform(double low, double high) { return low * std::pow(high / low, Uniform(0, 1)); }
};

// A synchronous stage over the accepted ranges: log-uniform L, C, loads
// (light ones included), low-side resistances and dead times of 5 to 200 ns.
LoopCircuit RandomStage(Random& r, LowSideMode mode) {
    LoopCircuit loop = test::WorkedExampleLoop();
    const double f = r.LogUniform(20e3, 500e3), Vo = r.LogUniform(3, 15);
    loop.circuit = {
        r.LogUniform(Vo * 1.5, 60), 0, f, r.LogUniform(1e-6, 1e-3), r.LogUniform(1e-6, 1e-3),
        r.LogUniform(1, 200)};
    PartValues& p = loop.parts;
    p.rectifier = Rectifier::Synchronous;
    p.lowSideMode = mode;
    p.Rds = r.LogUniform(1e-3, 0.1), p.RdsLo = r.LogUniform(1e-3, 0.1);
    p.Vf = r.Uniform(0.3, 1), p.Rd = r.LogUniform(1e-3, 0.1);
    p.td1 = r.LogUniform(5e-9, 200e-9), p.td2 = r.LogUniform(5e-9, 200e-9);
    loop.compensator.Rb = 1e4 * 2.5 / (Vo - 2.5);
    return loop;
}

// Peak-current mode with the ramp for Qp = 1 and a limit well above the peak.
void PeakControl(LoopCircuit& loop, double Ri) {
    Modulator& m = loop.modulator;
    m.control = ControlMethod::PeakCurrent, m.Ri = Ri;
    const LoopOperatingPoint op = AveragedOperatingPoint(loop);
    const CurrentModeFigures k = CurrentModeAt(loop, op);
    m.Se = RampForUnitQ(k.Sn, op.D);
    m.Ilim = DefaultCurrentLimit(op.IL, k.ripple), m.Vcmax = m.Ri * m.Ilim;
}

// Both light-load behaviours, both controls: a soft-start of 40 periods and
// a load step to a random load, from heavy to light and back.
TEST(SynchronousLoop, RandomCircuitsAgainstTheRungeKuttaModel) {
    Random r{std::mt19937_64(11)};
    int tried[2][2] = {};
    for (int trial = 0; trial < 8;) {
        const int emulating = trial % 2, peak = trial / 2 % 2;
        LoopCircuit loop =
            RandomStage(r, emulating ? LowSideMode::DiodeEmulation : LowSideMode::ForcedContinuous);
        if (peak) PeakControl(loop, r.LogUniform(0.05, 1));
        const double f = loop.circuit.f, Vo = 2.5 * (1 + 1e4 / loop.compensator.Rb);
        const auto design = DesignCompensator(loop, {f / 10, 55, {}});
        if (!design.compensator) continue;
        loop.compensator = *design.compensator;
        const LoopAnalysis a = AnalyseLoop(loop);
        // Peak-current mode is modelled in continuous conduction only.
        if (!a.valid || !a.phaseMargin || *a.phaseMargin < 30) continue;
        ++trial, ++tried[emulating][peak];
        const TransientRequest q{40 / f, r.LogUniform(1, 200), 300 / f, {}, {}, 600 / f};
        SCOPED_TRACE(testing::Message() << "trial " << trial << " f " << f << " RL "
                                        << loop.circuit.RL << " RL2 " << *q.rl2);
        const TransientResult run = SimulateClosedLoop(loop, q);
        ASSERT_TRUE(run.refusal.empty()) << run.refusal;
        const test::Figures ref = test::RunReference(loop, q);
        EXPECT_NEAR(run.steadyVoMean, ref.steadyMean, 2e-3 * Vo);
        EXPECT_NEAR(run.steadyDuty, ref.steadyDuty, 2e-3);
        EXPECT_NEAR(run.ilPeak, ref.ilPeak, 0.02 * ref.ilPeak);
        EXPECT_NEAR(run.loadStep->finalVoMean, ref.finalMean, 2e-3 * Vo);
        EXPECT_NEAR(run.loadStep->undershoot, ref.undershoot, 2e-3 * Vo + 0.03 * ref.undershoot);
        EXPECT_NEAR(run.loadStep->overshoot, ref.overshoot, 2e-3 * Vo + 0.03 * ref.overshoot);
        EXPECT_EQ(run.loadStep->mode == ConductionMode::Discontinuous, ref.blockedAtEnd);
        // Forced conduction lets the current reverse; emulation never does.
        for (const TracePoint& p : run.trace) ASSERT_TRUE(!emulating || p.iL >= 0) << p.t;
    }
    for (const auto& row : tried)
        for (const int n : row) EXPECT_EQ(n, 2);
}

// With dead times a fifth of the period, the averaged plant's duty gain and
// resistance are the synchronous stage's: the injection agrees with it
// within 0.5 dB and 3 degrees to f/20, and the loop settles to its D.
TEST(SynchronousLoop, TheAveragedLoopAgreesWithTheInjection) {
    for (const LowSideMode mode : {LowSideMode::ForcedContinuous, LowSideMode::DiodeEmulation}) {
        LoopCircuit loop = test::WorkedExampleLoop();
        PartValues& p = loop.parts;
        p.rectifier = Rectifier::Synchronous, p.lowSideMode = mode;
        p.RdsLo = 0.2, p.Vf = 0.9, p.Rd = 0.3, p.td1 = 1.5e-6, p.td2 = 1e-6;
        loop.compensator = DesignCompensator(loop, {8e3, 60, {}}).compensator.value();
        const LoopAnalysis a = AnalyseLoop(loop);
        ASSERT_TRUE(a.valid && a.mode == ConductionMode::Continuous) << a.refusal;
        // The period's mean: D (Vi - Rds IL) less the low slot's and the dead times' drops.
        const double Vi = 25, IL = 15.0 / 10 + 15.0 / 12e3, dead = 2.5e-6 * 80e3;
        const double D = a.op.D;
        EXPECT_NEAR(D * (Vi - p.Rds * IL) - (1 - D - dead) * p.RdsLo * IL -
                        dead * (p.Vf + p.Rd * IL) - p.DCR * IL,
                    15, 1e-12);
        const SwitchedBode bode = SwitchedLoopGain(loop, 12);
        ASSERT_TRUE(bode.refusal.empty()) << bode.refusal;
        int compared = 0;
        for (std::size_t k = 0; k < bode.f.size() && bode.f[k] <= 80e3 / 20; ++k, ++compared) {
            const Response averaged = LoopAt(a.plant, loop.compensator, bode.f[k]);
            EXPECT_NEAR(bode.T.magDb[k], averaged.magDb, 0.5) << bode.f[k];
            EXPECT_NEAR(bode.T.phaseDeg[k], averaged.phaseDeg, 3) << bode.f[k];
        }
        EXPECT_GE(compared, 5);
        const TransientResult run =
            SimulateClosedLoop(loop, {0, {}, {}, {}, {}, 2e-3}, AveragedStart(loop));
        EXPECT_NEAR(run.steadyDuty, D, 5e-3);
        EXPECT_NEAR(run.steadyVoMean, 15, 0.02);
        // Dead times that leave the operating point's D no room are refused.
        p.td1 = p.td2 = 2.8e-6;
        const LoopAnalysis crowded = AnalyseLoop(loop);
        EXPECT_FALSE(crowded.valid);
        EXPECT_NE(crowded.refusal.find("D + (td1 + td2) f deve restare minore di 1"),
                  std::string::npos)
            << crowded.refusal;
    }
}

}  // namespace
}  // namespace stepdown

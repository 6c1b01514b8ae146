// SimulateConverter through the recording fakes: the run's order, its
// refusals and what it leaves behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <functional>

#include "Circuits.h"
#include "design/DesignCalculation.h"
#include "simulation/Simulation.h"
#include "support/RecordingProgress.h"
#include "support/RecordingWindow.h"

namespace stepdown::testing {
namespace {

constexpr std::size_t kFrameLines = 25 + 5;

struct SimulatedCircuit {
    explicit SimulatedCircuit(const Circuit& c, int cancelAt = 0) : progress(cancelAt) {
        Load(module, c);
        outcome = SimulateConverter(module, main, main.waveform, progress).outcome;
    }
    Module1 module;
    RecordingWindow main;
    RecordingProgress progress;
    SimulationOutcome outcome;
};

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](double x, double y) {
               return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y);
           });
}

TEST(Simulation, WorkedExampleCompletesWithTheExpectedFinalPeriod) {
    const SimulatedCircuit run(WorkedExample());
    const Module1& m = run.module;
    ASSERT_EQ(run.outcome, SimulationOutcome::Completed);
    EXPECT_TRUE(run.main.messages.empty());
    EXPECT_EQ(m.TimeStep, 1.0 / 80000 / 1000);
    EXPECT_NEAR(m.MinIL, 1.169, 0.0005);
    EXPECT_NEAR(m.MaxIL, 1.784, 0.0005);
    EXPECT_NEAR(m.MinVo, 14.737, 0.0005);
    EXPECT_NEAR(m.MaxVo, 14.798, 0.0005);
    for (const auto* wave : {&m.WaveIL, &m.WaveIC, &m.WaveVo, &m.WaveVd, &m.WaveId}) {
        ASSERT_EQ(wave->size(), 1002U);
        EXPECT_EQ(std::bit_cast<std::uint64_t>((*wave)[1]),
                  std::bit_cast<std::uint64_t>((*wave)[1000]));
    }
    EXPECT_EQ(m.WaveVd[1], -0.6);
    EXPECT_EQ(m.WaveVd[600], 25.0);
    EXPECT_EQ(m.WaveVd[601], -0.6);
    EXPECT_EQ(m.WaveId[1], m.WaveIL[1000]);
    EXPECT_EQ(m.WaveId[600], 0.0);

    // The figures' labels are checked with the launch; here their sense.
    EXPECT_EQ(m.SimIDP, m.MaxIL);
    EXPECT_EQ(m.SimDeltaiL, m.MaxIL - m.MinIL);
    double sum = 0.0;
    for (int i = 1; i <= m.N; ++i) sum += m.WaveIL[static_cast<std::size_t>(i)];
    EXPECT_NEAR(m.SimIDm + m.SimIim, sum / m.N, 1e-12);
}

TEST(Simulation, FiguresDoNotDependOnNPAndFollowC) {
    Circuit c = WorkedExample();
    const SimulatedCircuit ten(c);
    c.NP = 1;
    const SimulatedCircuit one(c);
    EXPECT_EQ(ten.module.SimIDm, one.module.SimIDm);
    EXPECT_EQ(ten.module.SimIim, one.module.SimIim);
    EXPECT_EQ(ten.module.SimDeltaVo, one.module.SimDeltaVo);

    c.C = 15.6e-6;
    const SimulatedCircuit smallerC(c);
    EXPECT_EQ(FormatScientific(smallerC.module.SimDeltaVo, 2, "."), "6.14E+01");
    EXPECT_EQ(FormatScientific(smallerC.module.SimDeltaiL, 2, "."), "6.14E-01");
    EXPECT_EQ(FormatScientific(smallerC.module.SimIim, 2, "."), "8.85E-01");
}

TEST(Simulation, CompletedRunHandsTheWindowACopyOfItsArrays) {
    const SimulatedCircuit run(WorkedExample());
    const std::shared_ptr<const SimulationRun>& shown = run.main.waveform.shownRun;
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->f, 80000.0);
    EXPECT_EQ(shown->NP, 10);
    EXPECT_EQ(shown->N, 1000);
    EXPECT_EQ(shown->TimeStep, run.module.TimeStep);
    EXPECT_TRUE(SameBits(shown->WaveIL, run.module.WaveIL));
    EXPECT_TRUE(SameBits(shown->WaveId, run.module.WaveId));
}

TEST(Simulation, RerunsStartFromRest) {
    const SimulatedCircuit first(WorkedExample());
    Circuit other = WorkedExample();
    other.Vi = 12;
    SimulatedCircuit again(other);
    Load(again.module, WorkedExample());
    SimulateConverter(again.module, again.main, again.main.waveform, again.progress);
    EXPECT_TRUE(SameBits(first.module.WaveIL, again.module.WaveIL));
    EXPECT_TRUE(SameBits(first.module.WaveVo, again.module.WaveVo));
    EXPECT_TRUE(SameBits(first.module.WaveIC, again.module.WaveIC));
    EXPECT_TRUE(SameBits(first.module.WaveVd, again.module.WaveVd));
    EXPECT_TRUE(SameBits(first.module.WaveId, again.module.WaveId));
}

TEST(Simulation, ADipInAnEarlierPeriodOnlyIsAccepted) {
    Circuit c = WorkedExample();
    c.NI = 2;  // the first period starts at iL = 0
    EXPECT_EQ(SimulatedCircuit(c).outcome, SimulationOutcome::Completed);
}

struct RefusedCase {
    std::string name;
    std::function<void(Circuit&)> change;
    SimulationOutcome outcome;
    std::string message;  // empty: none
    bool keepsArrays;     // the window is handed the run
};

class RefusedRun : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedRun, LeavesTheFrameOnlyAndThePreviousResults) {
    Circuit c = WorkedExample();
    GetParam().change(c);
    Module1 m;
    Load(m, c);
    // The results of an earlier completed run must survive.
    m.MaxIL = m.MinIL = m.MaxIC = m.MaxVo = m.MinVo = m.MaxVd = 7.0;
    m.SimDeltaiL = m.SimDeltaVo = m.SimIDP = m.SimIDm = m.SimIim = 7.0;
    RecordingWindow main;
    RecordingProgress progress(GetParam().outcome == SimulationOutcome::Cancelled ? 1 : 0);
    EXPECT_EQ(SimulateConverter(m, main, main.waveform, progress).outcome, GetParam().outcome);

    const RecordingWaveformWindow& w = main.waveform;
    EXPECT_EQ(w.lines.size(), kFrameLines);
    EXPECT_TRUE(w.batches.empty());
    EXPECT_EQ(w.shownRun != nullptr, GetParam().keepsArrays);
    if (GetParam().message.empty())
        EXPECT_TRUE(main.messages.empty());
    else {
        EXPECT_EQ(main.messages, std::vector<std::string>{GetParam().message});
        EXPECT_EQ(m.ForgotMessage, GetParam().message);
    }
    for (const double kept : {m.SimDeltaiL, m.SimDeltaVo, m.SimIDP, m.SimIDm, m.SimIim})
        EXPECT_EQ(kept, 7.0);
    if (GetParam().outcome != SimulationOutcome::FiguresOverflow) {
        for (const double kept : {m.MaxIL, m.MinIL, m.MaxIC, m.MaxVo, m.MinVo, m.MaxVd})
            EXPECT_EQ(kept, 7.0);
    }
}

const std::string kConduction(kConductionMessage);

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedRun,
    ::testing::Values(RefusedCase{"NI_0", [](Circuit& c) { c.NI = 0; },
                                  SimulationOutcome::ConductionRefused, kConduction, true},
                      RefusedCase{"NI_negative", [](Circuit& c) { c.NI = -1; },
                                  SimulationOutcome::ConductionRefused, kConduction, true},
                      RefusedCase{"K_0", [](Circuit& c) { c.D = 0.0004; },
                                  SimulationOutcome::ConductionRefused, kConduction, true},
                      RefusedCase{"dip_in_final_period", [](Circuit& c) { c.L = 20e-6; },
                                  SimulationOutcome::ConductionRefused, kConduction, true},
                      RefusedCase{"unstable",
                                  [](Circuit& c) {
                                      c.N = 4;
                                      c.f = 1000;
                                      c.L = 1e-6;
                                      c.C = 1e-6;
                                      c.RL = 1;
                                  },
                                  SimulationOutcome::Unstable, std::string(kUnstableMessage),
                                  false},
                      RefusedCase{"figures_beyond_double_range", [](Circuit& c) { c.Vi = 1e308; },
                                  SimulationOutcome::FiguresOverflow,
                                  std::string(kResultNotFiniteMessage), false},
                      RefusedCase{"cancelled",
                                  [](Circuit& c) {
                                      c.C = 1e-3;
                                      c.RL = 100;
                                      c.NI = 3000;
                                  },
                                  SimulationOutcome::Cancelled, "", false}),
    [](const auto& info) { return info.param.name; });

TEST(Simulation, NoPeriodLeavesRestingArrays) {
    Circuit c = WorkedExample();
    c.NI = 0;
    const SimulatedCircuit run(c);
    for (const double sample : run.module.WaveIL) EXPECT_EQ(sample, 0.0);
    EXPECT_EQ(run.main.waveform.shownRun->WaveIL, run.module.WaveIL);
}

class InvalidSettings : public ::testing::TestWithParam<std::function<void(Circuit&)>> {};

TEST_P(InvalidSettings, TouchNothing) {
    Circuit c = WorkedExample();
    GetParam()(c);
    Module1 m;
    Load(m, c);
    m.WaveIL = {1.0, 2.0, 3.0};
    RecordingWindow main;
    RecordingProgress progress;
    EXPECT_EQ(SimulateConverter(m, main, main.waveform, progress).outcome,
              SimulationOutcome::InvalidSettings);
    EXPECT_TRUE(main.waveform.log.empty());
    EXPECT_EQ(m.WaveIL, (std::vector<double>{1.0, 2.0, 3.0}));
}

INSTANTIATE_TEST_SUITE_P(Settings, InvalidSettings,
                         ::testing::Values([](Circuit& c) { c.N = 0; },
                                           [](Circuit& c) { c.N = -4; },
                                           [](Circuit& c) { c.N = kMaxSamplesPerPeriod + 1; },
                                           [](Circuit& c) { c.D = 1.5; },
                                           [](Circuit& c) { c.D = -0.2; }));

}  // namespace
}  // namespace stepdown::testing

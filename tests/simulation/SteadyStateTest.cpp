// The periodic steady state found by shooting, against runs long enough to
// repeat exactly; the settled verdict on both sides of its tolerance; and
// the periods the start-up needs.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "simulation/Extremes.h"
#include "simulation/SteadyState.h"
#include "support/RecordingProgress.h"
#include "support/WorkedExample.h"

namespace stepdown::testing {
namespace {

CircuitInputs Inputs(const Circuit& c) { return {c.Vi, c.D, 1 / c.f / c.N, c.L, c.C, c.RL, c.N}; }

struct LongRun {
    MeasuredFigures figures;
    SampleExtremes last;
    LoopEnd end;
};

// The circuit run from rest for c.NI periods, measured as a launch does.
LongRun RunFromRest(const Circuit& c) {
    std::vector<double> iL(c.N + 2), Vo(c.N + 2), iC(c.N + 2), Vd(c.N + 2), id(c.N + 2);
    RecordingProgress progress;
    const WaveArrays arrays{iL.data(), Vo.data(), iC.data(), Vd.data(), id.data()};
    const LoopResult loop = SimulatePeriods(Inputs(c), c.NI, arrays, progress);
    const FigureInputs in{MaxMagnitudeScan(iL, c.N),
                          MinMagnitudeScan(iL, c.N),
                          MaxMagnitudeScan(Vo, c.N),
                          MinMagnitudeScan(Vo, c.N),
                          1 / c.f / c.N,
                          c.f,
                          c.N,
                          iL.data(),
                          id.data()};
    SampleExtremes last;
    for (std::int32_t i = 1; i <= c.N; ++i) last.Merge({iL[i], iL[i], Vo[i], Vo[i]});
    return {MeasureFigures(in), last, loop.end};
}

void ExpectClose(double expected, double actual, const char* what) {
    EXPECT_NEAR(actual, expected, 1e-9 * std::fabs(expected)) << what;
}

class Shooting : public ::testing::TestWithParam<Circuit> {};

TEST_P(Shooting, GivesTheFiguresOfARunThatRepeatsExactly) {
    const Circuit& c = GetParam();
    const LongRun run = RunFromRest(c);
    ASSERT_EQ(run.end, LoopEnd::Repeated);
    const SteadyState steady = FindSteadyState(Inputs(c), c.f);
    ASSERT_TRUE(steady.exists);
    EXPECT_LT(steady.spectralRadius, 1.0);
    ExpectClose(run.figures.SimDeltaiL, steady.figures.SimDeltaiL, "SimDeltaiL");
    ExpectClose(run.figures.SimDeltaVo, steady.figures.SimDeltaVo, "SimDeltaVo");
    ExpectClose(run.figures.SimIDP, steady.figures.SimIDP, "SimIDP");
    ExpectClose(run.figures.SimIDm, steady.figures.SimIDm, "SimIDm");
    ExpectClose(run.figures.SimIim, steady.figures.SimIim, "SimIim");
    ExpectClose(run.last.maxIL, steady.band.maxIL, "band maxIL");
    ExpectClose(run.last.minVo, steady.band.minVo, "band minVo");
    // Each of these repeats within its NI, which is therefore enough.
    EXPECT_LT(steady.periodsNeeded, c.NI);
    EXPECT_LE(WorstDeviation(run.figures, steady), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Circuits, Shooting,
    ::testing::Values(Circuit{},
                      Circuit{48, 75 * 0.01, 50 * 1000.0, 220 * 0.000001, 10 * 0.000001, 10},
                      Circuit{25, 0.6, 80000, 125e-6, 100e-6, 10, 200, 10, 20000},
                      Circuit{25, 0.2, 80000, 47e-6, 4.7e-6, 2}));

TEST(Shooting, FindsNoSteadyStateWhereTheIntegrationGrowsWithoutBound) {
    const SteadyState steady = FindSteadyState(Inputs({25, 0.5, 1000, 1e-6, 1e-6, 1, 4}), 1000);
    EXPECT_FALSE(steady.exists);
    EXPECT_GE(steady.spectralRadius, 1.0);
    EXPECT_EQ(steady.periodsNeeded, 0);
    EXPECT_TRUE(std::isinf(WorstDeviation(MeasuredFigures{}, steady)));
}

TEST(Shooting, PeriodsNeededSufficeWhereTheDefaultDoesNot) {
    // C = 1000 uF: two thousand periods show figures far from the steady ones.
    Circuit c{25, 0.6, 80000, 125e-6, 1000e-6, 10, 100, 10, 2000};
    const SteadyState steady = FindSteadyState(Inputs(c), c.f);
    ASSERT_TRUE(steady.exists);
    EXPECT_GT(WorstDeviation(RunFromRest(c).figures, steady), 1.0);
    // The transient's 0.1 % (ln 1000 / -ln radius) is a lower bound.
    EXPECT_GE(steady.periodsNeeded, std::ceil(std::log(1000.0) / -std::log(steady.spectralRadius)));
    c.NI = static_cast<std::int32_t>(steady.periodsNeeded);
    EXPECT_LE(WorstDeviation(RunFromRest(c).figures, steady), kSettledTolerance);
    c.NI = static_cast<std::int32_t>(steady.periodsNeeded * 8 / 10);
    EXPECT_GT(WorstDeviation(RunFromRest(c).figures, steady), kSettledTolerance);
    EXPECT_GT(PeriodsToSettle(Inputs(c), c.f, steady, steady.periodsNeeded + 1),
              steady.periodsNeeded);
}

TEST(Settled, ToleranceIsHalfAPercentOfEveryFigure) {
    const Circuit c;
    const SteadyState steady = FindSteadyState(Inputs(c), c.f);
    using Member = double MeasuredFigures::*;
    for (const Member figure :
         {&MeasuredFigures::SimDeltaiL, &MeasuredFigures::SimDeltaVo, &MeasuredFigures::SimIDP,
          &MeasuredFigures::SimIDm, &MeasuredFigures::SimIim}) {
        for (const double factor : {1.0049, 0.9951, 1.0051, 0.9949}) {
            MeasuredFigures shown = steady.figures;
            shown.*figure *= factor;
            EXPECT_NEAR(WorstDeviation(shown, steady), std::fabs(factor - 1), 1e-12);
        }
    }
    // A figure that is zero at steady state is settled at rounding level only.
    SteadyState zero = steady;
    zero.figures.SimIDm = 0.0;
    MeasuredFigures shown = zero.figures;
    shown.SimIDm = 1e-12;
    EXPECT_LT(WorstDeviation(shown, zero), kSettledTolerance);
    shown.SimIDm = 1e-6;
    EXPECT_GT(WorstDeviation(shown, zero), kSettledTolerance);
}

}  // namespace
}  // namespace stepdown::testing

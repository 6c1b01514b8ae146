// The seven scans and the measured figures.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/Module1.h"
#include "simulation/Extremes.h"
#include "simulation/Figures.h"

namespace stepdown::testing {
namespace {

struct ScanCase {
    std::string name;
    std::vector<double> wave;  // indices 0..N+1
    std::int32_t N;
    double max, min;
};

class Scan : public ::testing::TestWithParam<ScanCase> {};

TEST_P(Scan, LooksAtSamplesOneToNOnly) {
    const ScanCase& c = GetParam();
    ASSERT_TRUE(ScanFits(c.wave, c.N));
    EXPECT_EQ(MaxMagnitudeScan(c.wave, c.N), c.max);
    EXPECT_EQ(MinMagnitudeScan(c.wave, c.N), c.min);
}

INSTANTIATE_TEST_SUITE_P(Samples, Scan,
                         ::testing::Values(ScanCase{"example", {0, 2, -5, 3, 5, 0}, 4, 5, 2},
                                           ScanCase{
                                               "ends_ignored", {90, 2, -5, 3, 5, -99}, 4, 5, 2},
                                           ScanCase{"one_sample", {-8, 3, 8}, 1, 3, 3},
                                           // The start value is sample 1 as stored: a negative one
                                           // stays the minimum, below every magnitude.
                                           ScanCase{"negative_first", {0, -4, 1, 9}, 2, 4, -4},
                                           ScanCase{"ties", {0, 2, -2, 2, 0}, 3, 2, 2},
                                           ScanCase{"all_zero", {0, 0, 0, 0}, 2, 0, 0}),
                         [](const auto& info) { return info.param.name; });

TEST(Scan, NegativeZeroBecomesItsMagnitude) {
    const std::vector<double> wave{0.0, -0.0, 0.0};
    EXPECT_FALSE(std::signbit(MaxMagnitudeScan(wave, 1)));
    EXPECT_FALSE(std::signbit(MinMagnitudeScan(wave, 1)));
}

using ScanMember = void (Module1::*)();
using Result = double Module1::*;
using Wave = std::vector<double> Module1::*;

struct FinderCase {
    std::string name;
    ScanMember scan;
    Wave wave;
    Result result;
    double expected;
};

class Finder : public ::testing::TestWithParam<FinderCase> {};

TEST_P(Finder, ScansItsOwnArrayIntoItsOwnResult) {
    Module1 m;
    m.N = 3;
    // Each array has its own largest and smallest magnitude.
    m.WaveIL = {0, 1, -11, 2, 0};
    m.WaveIC = {0, 3, -12, 4, 0};
    m.WaveVo = {0, 5, -13, 6, 0};
    m.WaveVd = {0, 7, -14, 8, 0};
    m.WaveId = {0, 9, -15, 10, 0};
    const Result all[] = {&Module1::MaxIL, &Module1::MinIL, &Module1::MaxIC, &Module1::MaxVo,
                          &Module1::MinVo, &Module1::MaxVd, &Module1::MaxId};
    for (const Result r : all) m.*r = -1.0;
    (m.*GetParam().scan)();
    for (const Result r : all) EXPECT_EQ(m.*r, r == GetParam().result ? GetParam().expected : -1.0);

    // N beyond the arrays (a launch refused after setting it): no change.
    m.N = 4;
    m.*GetParam().result = -1.0;
    (m.*GetParam().scan)();
    EXPECT_EQ(m.*GetParam().result, -1.0);
}

INSTANTIATE_TEST_SUITE_P(
    Scans, Finder,
    ::testing::Values(
        FinderCase{"MaxIL", &Module1::FindMaxIL, &Module1::WaveIL, &Module1::MaxIL, 11},
        FinderCase{"MinIL", &Module1::FindMinIL, &Module1::WaveIL, &Module1::MinIL, 1},
        FinderCase{"MaxIC", &Module1::FindMaxIC, &Module1::WaveIC, &Module1::MaxIC, 12},
        FinderCase{"MaxVo", &Module1::FindMaxVo, &Module1::WaveVo, &Module1::MaxVo, 13},
        FinderCase{"MinVo", &Module1::FindMinVo, &Module1::WaveVo, &Module1::MinVo, 5},
        FinderCase{"MaxVd", &Module1::FindMaxVd, &Module1::WaveVd, &Module1::MaxVd, 14},
        FinderCase{"MaxId", &Module1::FindMaxId, &Module1::WaveId, &Module1::MaxId, 15}),
    [](const auto& info) { return info.param.name; });

struct FiguresCase {
    std::string name;
    std::vector<double> iL, id;  // indices 0..N+1
    double TimeStep, f;
    double IDm, Iim;
};

class Figures : public ::testing::TestWithParam<FiguresCase> {};

TEST_P(Figures, SumSamplesOneToNInAscendingOrder) {
    const FiguresCase& c = GetParam();
    Module1 m;
    m.N = static_cast<std::int32_t>(c.iL.size()) - 2;
    m.WaveIL = c.iL;
    m.WaveId = c.id;
    m.TimeStep = c.TimeStep;
    m.f = c.f;
    m.MaxIL = 1.75;
    m.MinIL = 1.25;
    m.MaxVo = 15.0625;
    m.MinVo = 15;
    const MeasuredFigures figures = MeasureFigures(m);
    EXPECT_EQ(figures.SimDeltaiL, 0.5);
    EXPECT_EQ(figures.SimIDP, 1.75);
    EXPECT_EQ(figures.SimDeltaVo, 62.5);
    EXPECT_EQ(figures.SimIDm, c.IDm);
    EXPECT_EQ(figures.SimIim, c.Iim);
}

INSTANTIATE_TEST_SUITE_P(
    Sums, Figures,
    ::testing::Values(
        FiguresCase{"means", {50, 1, 2, 3, 4, 50}, {50, 0, 0, 3, 4, 50}, 0.25, 1, 1.75, 0.75},
        FiguresCase{"scaled_by_f", {0, 2, 2, 0}, {0, 2, 0, 0}, 0.5, 4, 4, 4},
        // Ascending order loses the 1 against 1E16, descending would keep it.
        FiguresCase{"ascending", {0, 1, 1e16, -1e16, 0}, {0, 1, 1e16, -1e16, 0}, 1, 1, 0, 0}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace stepdown::testing

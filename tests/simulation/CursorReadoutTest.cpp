// The readout of the pointer over the plot, on the run the window shows.

#include <gtest/gtest.h>

#include <cmath>

#include "simulation/CursorReadout.h"

namespace stepdown::testing {
namespace {

// NP = 10, f = 80 kHz; the largest magnitudes of samples 1..4 are
// iL 1.7835, iC 0.3, Vo 14.8, Vd 25, id 1.7835. Indices 0 and 5 hold
// larger values that no scan may see.
SimulationRun ExampleRun() {
    SimulationRun run;
    run.f = 80000;
    run.NP = 10;
    run.N = 4;
    run.TimeStep = 1.0 / 80000 / 4;
    run.WaveIL = {99, 1.2, 1.7835, 1.5, 1.2, 99};
    run.WaveIC = {99, -0.3, 0.2, 0.1, -0.3, 99};
    run.WaveVo = {99, 14.7, 14.8, 14.75, 14.7, 99};
    run.WaveVd = {99, -0.6, 25, -0.6, -0.6, 99};
    run.WaveId = {99, 1.2, 0, 1.7835, 1.2, 99};
    return run;
}

struct BandCase {
    float y;
    int before, after;
};

class Band : public ::testing::TestWithParam<BandCase> {};

TEST_P(Band, EachLowerBoundBelongsToItsBand) {
    const SimulationRun run = ExampleRun();
    const ReadoutResult result = CursorReadout(&run, GetParam().before, 5, GetParam().y, ".");
    EXPECT_EQ(result.selectedOption, GetParam().after);
    EXPECT_EQ(result.toolTip.has_value(), GetParam().after != 0);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, Band,
    ::testing::Values(BandCase{100, 0, 1}, BandCase{80, 0, 1},
                      BandCase{std::nextafter(80.0F, 0.0F), 1, 2}, BandCase{60, 0, 2},
                      BandCase{std::nextafter(60.0F, 0.0F), 0, 3}, BandCase{40, 0, 3},
                      BandCase{std::nextafter(40.0F, 0.0F), 0, 4}, BandCase{19, 0, 4},
                      BandCase{19.5F, 0, 4}, BandCase{std::nextafter(19.0F, 0.0F), 0, 5},
                      BandCase{0.1F, 0, 5}, BandCase{std::nextafter(0.1F, 0.0F), 3, 3},
                      BandCase{0, 2, 2}, BandCase{-4, 0, 0}, BandCase{0.05F, 0, 0}));

struct TextCase {
    std::string name;
    float x, y;
    int before;
    std::string separator;
    std::string text;
};

class Text : public ::testing::TestWithParam<TextCase> {};

TEST_P(Text, ReadsTimeAndValueOfTheSelectedWaveform) {
    const SimulationRun run = ExampleRun();
    const TextCase& c = GetParam();
    EXPECT_EQ(CursorReadout(&run, c.before, c.x, c.y, c.separator).toolTip, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Text,
    ::testing::Values(TextCase{"worked_example", 5, 90, 0, ".", "t= 6.25usec ; iL(t) = 9.91E-01A"},
                      TextCase{"comma", 5, 90, 0, ",", "t= 6,25usec ; iL(t) = 9,91E-01A"},
                      // (65 - 70) x 0.3 / 6: the iC band divides by 6.
                      TextCase{"iC", 5, 65, 0, ".", "t= 6.25usec ; iC(t) = -2.50E-01A"},
                      TextCase{"Vo", 5, 58, 0, ".", "t= 6.25usec ; Vo(t) = 1.48E+01V"},
                      TextCase{"Vd", 5, 25, 0, ".", "t = 6.25usec ; Vd(t) = 6.94E+00V"},
                      TextCase{"Vd_below_zero_line", 5, 19.5F, 0, ".",
                               "t = 6.25usec ; Vd(t) = -6.94E-01V"},
                      TextCase{"id", 5, 18.1F, 0, ".", "t = 6.25usec ; id(t) = 1.78E+00A"},
                      // Below the lowest band the selected row reads on: a negative id.
                      TextCase{"id_below_band", 5, 0, 5, ".", "t = 6.25usec ; id(t) = -9.91E-03A"},
                      TextCase{"left_edge", 0, 90, 0, ".", "t= 0.00usec ; iL(t) = 9.91E-01A"},
                      TextCase{"right_edge", 100, 90, 0, ".", "t= 125.00usec ; iL(t) = 9.91E-01A"}),
    [](const auto& info) { return info.param.name; });

TEST(CursorReadout, RescansTheShownRunsArraysOnEveryMove) {
    SimulationRun run = ExampleRun();
    EXPECT_EQ(CursorReadout(&run, 0, 5, 98, ".").toolTip, "t= 6.25usec ; iL(t) = 1.78E+00A");
    run.WaveIL[3] = -3.6;
    EXPECT_EQ(CursorReadout(&run, 0, 5, 98, ".").toolTip, "t= 6.25usec ; iL(t) = 3.60E+00A");
    run.f = 40000;
    run.NP = 1;
    EXPECT_EQ(CursorReadout(&run, 0, 5, 98, ".").toolTip, "t= 1.25usec ; iL(t) = 3.60E+00A");
}

TEST(CursorReadout, WithoutARunOnlyTheSelectionChanges) {
    const ReadoutResult moved = CursorReadout(nullptr, 0, 5, 90, ".");
    EXPECT_EQ(moved.selectedOption, 1);
    EXPECT_FALSE(moved.toolTip.has_value());
    EXPECT_EQ(CursorReadout(nullptr, 4, 5, 0, ".").selectedOption, 4);
}

}  // namespace
}  // namespace stepdown::testing

// What is read off a final period: the scans, the figures, the readout of the pointer
// over the plot on the run the window shows; and the times a long run's progress tells.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "common/ProgressTimes.h"
#include "engine/Extremes.h"
#include "engine/Figures.h"
#include "model/Module1.h"
#include "waveformview/CursorReadout.h"
#include "waveformview/WaveformCsv.h"

namespace stepdown::testing {
namespace {

TEST(Scans, LookAtSamplesOneToNOnlyStartingFromSampleOneAsStored) {
    // The wave at indices 0..N+1, N, the largest and the smallest magnitude.
    const std::tuple<std::vector<double>, std::int32_t, double, double> cases[] = {
        {{90, 2, -5, 3, 5, -99}, 4, 5, 2},
        {{-8, 3, 8}, 1, 3, 3},
        {{0, -4, 1, 9}, 2, 4, -4},
        {{0, 2, -2, 2, 0}, 3, 2, 2}};
    for (const auto& [wave, N, max, min] : cases) {
        ASSERT_TRUE(ScanFits(wave, N));
        EXPECT_EQ(std::pair(MaxMagnitudeScan(wave, N), MinMagnitudeScan(wave, N)),
                  std::pair(max, min));
    }
    for (const auto& [size, N, fits] : {std::tuple{2, 0, true}, {1, 0, false}, {5, 4, false}})
        EXPECT_EQ(ScanFits(std::vector<double>(size), N), fits) << size << " " << N;
    EXPECT_FALSE(std::signbit(MaxMagnitudeScan(std::vector<double>{0, -0.0, 0}, 1)));
}

TEST(Figures, SumSamplesOneToNInAscendingOrder) {
    // iL and id at indices 0..N+1, TimeStep, f, IDm, Iim. Ascending order loses the 1
    // against 1E16; any other order keeps it.
    const std::tuple<std::vector<double>, std::vector<double>, double, double, double, double>
        cases[] = {{{50, 1, 2, 3, 4, 50}, {50, 0, 0, 3, 4, 50}, 0.25, 1, 1.75, 0.75},
                   {{0, 2, 2, 0}, {0, 2, 0, 0}, 0.5, 4, 4, 4},
                   {{0, 1, 1e16, -1e16, 0}, {0, 1, 1e16, -1e16, 0}, 1, 1, 0, 0}};
    for (const auto& [iL, id, TimeStep, f, IDm, Iim] : cases) {
        const auto N = static_cast<std::int32_t>(iL.size()) - 2;
        const MeasuredFigures figures = MeasureFigures(
            FigureInputs{1.75, 1.25, 15.0625, 15, TimeStep, f, N, iL.data(), id.data()});
        EXPECT_EQ(
            (std::vector{figures.SimDeltaiL, figures.SimIDP, figures.SimDeltaVo, figures.SimIDm,
                         figures.SimIim, MeanOutputVoltage(iL.data(), N, TimeStep, f)}),
            (std::vector{0.5, 1.75, 62.5, IDm, Iim, IDm + Iim}));
    }
}

// NP = 10, f = 80 kHz; the largest magnitudes of samples 1..4 are iL 1.7835, iC 0.3, Vo 14.8,
// Vd 25, id 1.7835, and indices 0 and 5 hold larger values that no scan may see.
SimulationRun ExampleRun() {
    SimulationRun run;
    run.f = 80000, run.NP = 10, run.N = 4;
    run.WaveIL = {99, 1.2, 1.7835, 1.5, 1.2, 99};
    run.WaveIC = {99, -0.3, 0.2, 0.1, -0.3, 99};
    run.WaveVo = {99, 14.7, 14.8, 14.75, 14.7, 99};
    run.WaveVd = {99, -0.6, 25, -0.6, -0.6, 99};
    run.WaveId = {99, 1.2, 0, 1.7835, 1.2, 99};
    return run;
}

TEST(CursorReadout, EachBandFromItsLowerBoundReadsItsWaveform) {
    // The pointer's x and y, the option selected before and after, the tooltip (null: none).
    const std::tuple<float, float, int, int, const char*> cases[] = {
        {5, 90, 0, 1, "t= 6.25usec ; iL(t) = 9.91E-01A"},
        {5, 80, 0, 1, "t= 6.25usec ; iL(t) = 0.00E+00A"},
        {5, std::nextafter(80.0F, 0.0F), 1, 2, nullptr},
        {5, 60, 0, 2, "t= 6.25usec ; iC(t) = -5.00E-01A"},
        {5, std::nextafter(60.0F, 0.0F), 0, 3, nullptr},
        {5, 58, 0, 3, "t= 6.25usec ; Vo(t) = 1.48E+01V"},
        {5, 40, 0, 3, "t= 6.25usec ; Vo(t) = 0.00E+00V"},
        {5, std::nextafter(40.0F, 0.0F), 0, 4, nullptr},
        {5, 19, 0, 4, "t = 6.25usec ; Vd(t) = -1.39E+00V"},
        {5, 19.5F, 0, 4, "t = 6.25usec ; Vd(t) = -6.94E-01V"},
        {5, std::nextafter(19.0F, 0.0F), 0, 5, nullptr},
        {5, 18.1F, 0, 5, "t = 6.25usec ; id(t) = 1.78E+00A"},
        {5, 0.1F, 0, 5, "t = 6.25usec ; id(t) = 1.48E-10A"},  // 0.1F - 0.1
        // Below the lowest band the selection stays and reads on: a negative id.
        {5, 0, 5, 5, "t = 6.25usec ; id(t) = -9.91E-03A"},
        {5, std::nextafter(0.1F, 0.0F), 0, 0, nullptr},
        {0, 90, 0, 1, "t= 0.00usec ; iL(t) = 9.91E-01A"},
        {100, 90, 0, 1, "t= 125.00usec ; iL(t) = 9.91E-01A"},
    };
    const SimulationRun run = ExampleRun();
    for (const auto& [x, y, before, after, text] : cases) {
        const ReadoutResult result = CursorReadout(&run, before, x, y, ".");
        EXPECT_EQ(std::pair(result.selectedOption, result.toolTip.has_value()),
                  std::pair(after, after != 0))
            << y;
        if (text != nullptr) {
            EXPECT_EQ(result.toolTip, text) << y;
        }
    }
    EXPECT_EQ(CursorReadout(&run, 0, 5, 90, ",").toolTip, "t= 6,25usec ; iL(t) = 9,91E-01A");
}

TEST(CursorReadout, RescansTheShownRunOnEveryMoveAndWithoutOneOnlySelects) {
    SimulationRun run = ExampleRun();
    run.WaveIL[3] = -3.6, run.f = 40000, run.NP = 1;
    EXPECT_EQ(CursorReadout(&run, 0, 5, 98, ".").toolTip, "t= 1.25usec ; iL(t) = 3.60E+00A");
    run.WaveIL[3] = -1.7e308;  // 18 times it overflows: the quotient comes first
    EXPECT_EQ(CursorReadout(&run, 0, 5, 98, ".").toolTip, "t= 1.25usec ; iL(t) = 1.70E+308A");
    const ReadoutResult moved = CursorReadout(nullptr, 0, 5, 90, ".");
    EXPECT_TRUE(moved.selectedOption == 1 && !moved.toolTip.has_value());
    // A time beyond the double range keeps the tooltip as it was.
    run.f = 1e-300, run.NP = 1000000000;
    EXPECT_FALSE(CursorReadout(&run, 0, 100, 90, ".").toolTip.has_value());
}

TEST(WaveformCsv, HasRowsOnlyForTheSamplesAllFiveArraysHold) {
    SimulationRun run = ExampleRun();
    run.N = 9;
    run.WaveId.pop_back();  // samples 1..4 are left in all five
    EXPECT_EQ(std::ranges::count(WaveformCsv(run), '\n'), 5);
}

TEST(ProgressTimes, TellTheTimeSoFarAndAtMostTheTimeLeftAtItsPace) {
    EXPECT_EQ(ProgressTimes(2, 40, 100), "tempo trascorso 0:02, rimanente al più 0:03");
    EXPECT_EQ(ProgressTimes(0.2, 0, 100), "tempo trascorso 0:01, rimanente in stima");
    EXPECT_EQ(ProgressTimes(3725, 1, 2), "tempo trascorso 1:02:05, rimanente al più 1:02:05");
    EXPECT_EQ(ProgressTimes(1e12, 1, 2).substr(16, 14), "1000000:00:00,");  // 10^6 h at most
}

}  // namespace
}  // namespace stepdown::testing

// The frame and the traces through the recording window.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Circuits.h"
#include "simulation/Plot.h"
#include "simulation/Simulation.h"
#include "support/RecordingProgress.h"
#include "support/RecordingWaveformWindow.h"

namespace stepdown::testing {
namespace {

void ExpectSegment(const RecordedLine& line, float x1, float y1, float x2, float y2) {
    EXPECT_EQ(line.segment.x1, x1);
    EXPECT_EQ(line.segment.y1, y1);
    EXPECT_EQ(line.segment.x2, x2);
    EXPECT_EQ(line.segment.y2, y2);
}

TEST(PreparePlot, ShowsScalesAndDrawsTicksThenZeroLines) {
    RecordingWaveformWindow w;
    PreparePlot(w);
    EXPECT_EQ(w.log, (std::vector<std::string>{"show", "scale"}));
    EXPECT_EQ(w.scale, (std::vector<double>{0, 100, 100, 0}));
    ASSERT_EQ(w.lines.size(), 30U);
    for (int i = 0; i < 20; ++i) {
        const auto y = static_cast<float>(100 - 5 * i);
        EXPECT_FALSE(w.lines[i].hasColour);
        ExpectSegment(w.lines[i], 0, y, static_cast<float>(0.2), y);
    }
    for (int i = 0; i < 5; ++i) {
        const auto x = static_cast<float>(25 * i);
        EXPECT_FALSE(w.lines[20 + i].hasColour);
        ExpectSegment(w.lines[20 + i], x, 0, x, 0.5F);
    }
    const float levels[] = {80, 70, 40, 20, static_cast<float>(0.1)};
    const Rgb colours[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 0, 255}, {0, 255, 255}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(w.lines[25 + i].hasColour);
        EXPECT_EQ(w.lines[25 + i].colour, colours[i]);
        ExpectSegment(w.lines[25 + i], 0, levels[i], 100, levels[i]);
    }
}

// A hand-made final period of N = 4 samples.
Module1 SmallPeriod(std::int32_t NP) {
    Module1 m;
    m.N = 4;
    m.NP = NP;
    m.WaveIL = {0, 1.0, 2.0, 1.5, 1.0, 0};
    m.WaveIC = {0, 0.5, -0.5, 0.25, 0.5, 0};
    m.WaveVo = {0, 14.0, 15.0, 14.5, 14.0, 0};
    m.WaveVd = {0, -0.6, 25.0, -0.6, -0.6, 0};
    m.WaveId = {0, 1.0, 0.0, 1.5, 1.0, 0};
    m.MaxIL = 2.0;
    m.MaxIC = 0.5;
    m.MaxVo = 15.0;
    m.MaxVd = 25.0;
    return m;
}

class RawTraces : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(RawTraces, FollowTheWrittenFormulasCopyByCopy) {
    const std::int32_t NP = GetParam();
    const Module1 m = SmallPeriod(NP);
    RecordingWaveformWindow w;
    DrawWaveforms(m, w);

    struct Expected {
        const std::vector<double>& wave;
        double factor, extreme, offset;
        Rgb colour;
    };
    const Expected traces[] = {
        {m.WaveIL, 18, 2.0, 80, {255, 0, 0}},    {m.WaveIC, 6, 0.5, 70, {0, 255, 0}},
        {m.WaveVo, 18, 15.0, 40, {0, 0, 255}},   {m.WaveVd, 18, 25.0, 20, {255, 0, 255}},
        {m.WaveId, 18, 2.0, 0.1, {0, 255, 255}},
    };
    ASSERT_EQ(w.batches.size(), 5U);
    for (std::size_t t = 0; t < 5; ++t) {
        const RecordedBatch& batch = w.batches[t];
        EXPECT_EQ(batch.colour, traces[t].colour);
        ASSERT_EQ(batch.count, static_cast<std::size_t>(NP) * 3);
        std::size_t line = batch.first;
        for (int k = 1; k <= NP; ++k)
            for (int mm = 1; mm <= 3; ++mm, ++line) {
                const double a = 100.0 / NP;
                const auto y = [&](int i) {
                    return static_cast<float>(traces[t].wave[static_cast<std::size_t>(i)] *
                                                  traces[t].factor / traces[t].extreme +
                                              traces[t].offset);
                };
                ExpectSegment(w.lines[line], static_cast<float>(a * (k - 1) + a * mm / 4), y(mm),
                              static_cast<float>(a * (mm + 1) / 4 + a * (k - 1)), y(mm + 1));
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Copies, RawTraces, ::testing::Values(1, 2, 3));

TEST(DrawWaveforms, LeavesAGapOfOneStepBetweenCopies) {
    RecordingWaveformWindow w;
    DrawWaveforms(SmallPeriod(2), w);
    // iL: copy 1 ends at x = 50, copy 2 starts at x = 50 + 100 / (2 x 4).
    EXPECT_EQ(w.lines[2].segment.x2, 50.0F);
    EXPECT_EQ(w.lines[3].segment.x1, 62.5F);
    // NP = 1 spans the whole width from x = 100 / N.
    RecordingWaveformWindow one;
    DrawWaveforms(SmallPeriod(1), one);
    EXPECT_EQ(one.lines[0].segment.x1, 25.0F);
    EXPECT_EQ(one.lines[2].segment.x2, 100.0F);
}

class NoTrace : public ::testing::TestWithParam<std::pair<std::int32_t, std::int32_t>> {};

TEST_P(NoTrace, ForNPBelowOneOrASingleSample) {
    Module1 m = SmallPeriod(GetParam().first);
    m.N = GetParam().second;
    RecordingWaveformWindow w;
    DrawWaveforms(m, w);
    EXPECT_TRUE(w.lines.empty());
    EXPECT_EQ(w.batchCount, 0);
}

INSTANTIATE_TEST_SUITE_P(Settings, NoTrace,
                         ::testing::Values(std::pair{0, 4}, std::pair{-3, 4}, std::pair{2, 1}));

TEST(DrawWaveforms, ZeroExtremeDrawsOnTheZeroLine) {
    Module1 m = SmallPeriod(1);
    m.WaveIC.assign(6, 0.0);
    m.MaxIC = 0.0;
    RecordingWaveformWindow w;
    DrawWaveforms(m, w);
    const RecordedBatch& iC = w.batches[1];
    for (std::size_t i = iC.first; i < iC.first + iC.count; ++i) {
        EXPECT_EQ(w.lines[i].segment.y1, 70.0F);
        EXPECT_EQ(w.lines[i].segment.y2, 70.0F);
    }
}

struct HeightCase {
    double v, factor, extreme, offset, y;
};

class Height : public ::testing::TestWithParam<HeightCase> {};

TEST_P(Height, IsFiniteInItsBand) {
    const HeightCase& c = GetParam();
    EXPECT_EQ(PlotY(c.v, c.factor, c.extreme, c.offset), c.y);
}

INSTANTIATE_TEST_SUITE_P(Values, Height,
                         ::testing::Values(HeightCase{0.9, 18, 1.8, 80, 89},
                                           HeightCase{-0.25, 6, 0.5, 70, 67},
                                           HeightCase{0.0, 6, 0.0, 70, 70},
                                           HeightCase{1e308, 18, 1e308, 20, 38},
                                           HeightCase{-1e308, 18, 1e308, 40, 22}));

TEST(DrawWaveforms, DiodeOnItsZeroLineWhileTheSwitchConducts) {
    Circuit c = WorkedExample();
    c.N = 10;  // K = 6
    c.NP = 1;
    Module1 m;
    Load(m, c);
    RecordingWaveformWindow w;
    RecordingProgress progress;
    struct Quiet : MessageDisplay {
        void ShowMessage(const std::string&) override { FAIL(); }
    } quiet;
    ASSERT_EQ(SimulateConverter(m, quiet, w, progress).outcome, SimulationOutcome::Completed);
    const RecordedBatch& vd = w.batches[3];
    const RecordedBatch& id = w.batches[4];
    ASSERT_EQ(id.count, 9U);
    const float low = w.lines[vd.first].segment.y1;  // sample 1 = sample N
    EXPECT_LT(low, 20.0F);
    for (std::size_t s = 0; s < 9; ++s) {
        const PlotSegment& d = w.lines[id.first + s].segment;
        const PlotSegment& v = w.lines[vd.first + s].segment;
        const std::size_t sample = s + 1;  // y1 is that of sample s + 1
        if (sample >= 2 && sample <= 6) {
            EXPECT_EQ(d.y1, static_cast<float>(0.1));
            EXPECT_EQ(v.y1, 38.0F);
        } else {
            EXPECT_EQ(v.y1, low);
        }
    }
}

}  // namespace
}  // namespace stepdown::testing

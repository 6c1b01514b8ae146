// The frame and the traces through the recording window, and the reduction of a trace to the
// pixels: raw where segments are few, within one pixel of the raw image where they crowd.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <tuple>
#include <vector>

#include "support/RecordingWindow.h"
#include "waveformplot/Plot.h"
#include "waveformplot/TraceReduction.h"

namespace stepdown::testing {
namespace {

void ExpectLine(const RecordedLine& line, PlotSegment s, bool hasColour, Rgb colour = {}) {
    EXPECT_EQ(std::tie(line.segment.x1, line.segment.y1, line.segment.x2, line.segment.y2,
                       line.hasColour, line.colour),
              std::tie(s.x1, s.y1, s.x2, s.y2, hasColour, colour));
}

TEST(PreparePlot, ShowsScalesAndDrawsTicksThenZeroLines) {
    RecordingWaveformWindow w;
    PreparePlot(w);
    EXPECT_EQ(w.log, (std::vector<std::string>{"show", "scale"}));
    EXPECT_EQ(w.scale, (std::vector<double>{0, 100, 100, 0}));
    ASSERT_EQ(w.lines.size(), 30U);
    for (int i = 0; i < 20; ++i) {
        const auto y = static_cast<float>(100 - 5 * i);
        ExpectLine(w.lines[i], {0, y, static_cast<float>(0.2), y}, false);
    }
    for (int i = 0; i < 5; ++i) ExpectLine(w.lines[20 + i], {25.0F * i, 0, 25.0F * i, 0.5F}, false);
    const float levels[] = {80, 70, 40, 20, static_cast<float>(0.1)};
    const Rgb colours[] = {kTraceIL, kTraceIC, kTraceVo, kTraceVd, kTraceId};
    for (int i = 0; i < 5; ++i)
        ExpectLine(w.lines[25 + i], {0, levels[i], 100, levels[i]}, true, colours[i]);
}

// A hand-made final period of N = 4 samples.
Module1 SmallPeriod(std::int32_t NP) {
    Module1 m;
    m.N = 4, m.NP = NP;
    m.WaveIL = {0, 1.0, 2.0, 1.5, 1.0, 0};
    m.WaveIC = {0, 0.5, -0.5, 0.25, 0.5, 0};
    m.WaveVo = {0, 14.0, 15.0, 14.5, 14.0, 0};
    m.WaveVd = {0, -0.6, 25.0, -0.6, -0.6, 0};
    m.WaveId = {0, 1.0, 0.0, 1.5, 1.0, 0};
    m.MaxIL = 2.0, m.MaxIC = 0.5, m.MaxVo = 15.0, m.MaxVd = 25.0;
    return m;
}

TEST(DrawWaveforms, FollowsTheWrittenFormulasCopyByCopy) {
    const Module1 m = SmallPeriod(3);
    RecordingWaveformWindow w;
    DrawWaveforms(m, w);
    // Each trace's wave, factor, extreme, offset and colour.
    const std::tuple<const std::vector<double>&, double, double, double, Rgb> traces[] = {
        {m.WaveIL, 18, 2.0, 80, kTraceIL},
        {m.WaveIC, 6, 0.5, 70, kTraceIC},
        {m.WaveVo, 18, 15.0, 40, kTraceVo},
        {m.WaveVd, 18, 25.0, 20, kTraceVd},
        {m.WaveId, 18, 2.0, 0.1, kTraceId}};
    ASSERT_EQ(w.batches.size(), 5U);
    for (std::size_t t = 0; t < 5; ++t) {
        const auto& [wave, factor, extreme, offset, colour] = traces[t];
        ASSERT_EQ(w.batches[t].count, 9U);
        const auto y = [&](int i) {
            return static_cast<float>(wave[static_cast<std::size_t>(i)] * factor / extreme +
                                      offset);
        };
        std::size_t line = w.batches[t].first;
        const double a = 100.0 / 3;
        for (int k = 1; k <= 3; ++k)
            for (int s = 1; s <= 3; ++s, ++line)
                ExpectLine(w.lines[line],
                           {static_cast<float>(a * (k - 1) + a * s / 4), y(s),
                            static_cast<float>(a * (s + 1) / 4 + a * (k - 1)), y(s + 1)},
                           true, colour);
    }
    // NP below one, a single sample or arrays short of N draw nothing; one period, every trace.
    for (const auto& [NP, N, traces] : {std::tuple{0, 4, 0U}, {2, 1, 0U}, {1, 5, 0U}, {1, 4, 5U}}) {
        Module1 one = SmallPeriod(NP);
        one.N = N;
        RecordingWaveformWindow drawn;
        DrawWaveforms(one, drawn);
        EXPECT_EQ(drawn.batches.size(), traces) << NP << " " << N;
    }
}

TEST(PlotY, KeepsEveryHeightFiniteAndPutsAZeroExtremeOnTheZeroLine) {
    EXPECT_EQ(PlotY(0.0, 6, 0.0, 70), 70.0);
    EXPECT_EQ(PlotY(1e308, 18, 1e308, 20), 38.0);
    EXPECT_EQ(PlotY(-1e308, 18, 1e308, 40), 22.0);
}

// The pixels a plain rasteriser sets for the segments, one pixel wide,
// pixel (x W / 100, (100 - y) H / 100).
constexpr int kWidth = 997, kHeight = 605;
std::vector<bool> Render(const std::vector<PlotSegment>& segments) {
    std::vector<bool> pixels(kWidth * kHeight);
    for (const PlotSegment& s : segments) {
        const double x1 = s.x1 * kWidth / 100.0, y1 = (100.0 - s.y1) * kHeight / 100.0;
        const double x2 = s.x2 * kWidth / 100.0, y2 = (100.0 - s.y2) * kHeight / 100.0;
        const int steps = static_cast<int>(std::max(std::fabs(x2 - x1), std::fabs(y2 - y1))) + 2;
        for (int i = 0; i <= steps; ++i) {
            const int x = std::clamp(static_cast<int>(x1 + (x2 - x1) * i / steps), 0, kWidth - 1);
            const int y = std::clamp(static_cast<int>(y1 + (y2 - y1) * i / steps), 0, kHeight - 1);
            pixels[y * kWidth + x] = true;
        }
    }
    return pixels;
}

// Pixels of `a` with no pixel of `b` within one pixel.
int StrayPixels(const std::vector<bool>& a, const std::vector<bool>& b) {
    int stray = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            bool near = false;
            for (int d = 0; d < 9; ++d)  // the 3 x 3 pixels around
                near = near || b[std::clamp(y + d / 3 - 1, 0, kHeight - 1) * kWidth +
                                 std::clamp(x + d % 3 - 1, 0, kWidth - 1)];
            stray += a[y * kWidth + x] && !near ? 1 : 0;
        }
    return stray;
}

std::vector<PlotSegment> Segments(const std::vector<float>& y, std::int32_t NP, int width) {
    std::vector<PlotSegment> out;
    AppendTraceSegments(y, NP, width, out);
    return out;
}

// A sine, a ramp (a jump between copies that must stay open) or noise.
std::vector<float> Shape(std::int32_t N, int kind) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(5, 95);
    std::vector<float> y(static_cast<std::size_t>(N));
    for (std::int32_t i = 0; i < N; ++i) {
        const double t = static_cast<double>(i) / (N - 1);
        y[static_cast<std::size_t>(i)] =
            kind == 0   ? static_cast<float>(50 + 40 * std::sin(6 * std::numbers::pi * t))
            : kind == 1 ? static_cast<float>(10 + 80 * t)
                        : noise(random);
    }
    return y;
}

TEST(Reduction, MatchesTheRawImageWithinOnePixelAndStaysBounded) {
    const int cases[][3] = {{20000, 1, 0},  {1000, 10, 0}, {1000, 50, 1},
                            {100, 3000, 1}, {5000, 3, 2},  {3000, 1, 3}};
    for (const auto& [N, NP, kind] : cases) {
        const std::vector<float> y = Shape(N, kind);
        ASSERT_TRUE(TraceIsReduced(NP, N, kWidth));
        const std::vector<PlotSegment> reduced = Segments(y, NP, kWidth);
        EXPECT_LE(reduced.size(), 3U * kWidth);
        // The trace reaches both edges: its first and last columns are drawn.
        const auto [left, right] = std::minmax_element(
            reduced.begin(), reduced.end(),
            [](const PlotSegment& a, const PlotSegment& b) { return a.x1 < b.x1; });
        EXPECT_TRUE(left->x1 < 100.0 / kWidth && right->x1 > 100.0 - 100.0 / kWidth &&
                    right->x1 < 100.0F)
            << N << " x " << NP << ": " << left->x1 << " to " << right->x1;
        const std::vector<bool> fast = Render(reduced);
        const std::vector<bool> slow = Render(Segments(y, NP, std::numeric_limits<int>::max() / 4));
        EXPECT_EQ(std::pair(StrayPixels(fast, slow), StrayPixels(slow, fast)), std::pair(0, 0))
            << N << " x " << NP;
    }
}

TEST(Reduction, BeyondTwoSegmentsPerPixelAndWithinThePlotForAnyNP) {
    // NP, N, the width in pixels (0: none yet, the nominal one), whether reduced.
    for (const auto& [NP, N, width, reduced] : {std::tuple{1, 1996, 997, true},
                                                {1, 1995, 997, false},
                                                {0, 100000, 997, false},
                                                {-2000000000, 0, 997, false},
                                                {1, 1995, 0, false},
                                                {1, 4, 1, true}})
        EXPECT_EQ(TraceIsReduced(NP, N, width), reduced) << NP << " " << N << " " << width;
    EXPECT_LE(Segments(Shape(1000, 0), 10, 1).size(), 3U);
    EXPECT_EQ(Segments(Shape(1000, 0), 10, 0).size(),  // no width yet: the nominal one
              Segments(Shape(1000, 0), 10, kNominalPlotWidth).size());
    const std::vector<PlotSegment> out =
        Segments({10.0F, 90.0F, 50.0F}, std::numeric_limits<std::int32_t>::max(), 997);
    ASSERT_LE(out.size(), 3U * 997);
    for (const PlotSegment& s : out) {
        EXPECT_TRUE(std::min(s.x1, s.x2) >= 0.0F && std::max(s.x1, s.x2) <= 100.0F);
        EXPECT_TRUE(std::min(s.y1, s.y2) >= 10.0F && std::max(s.y1, s.y2) <= 90.0F);
    }
}

TEST(RangeExtremes, MatchAPlainScanOverAnyRange) {
    for (const std::int32_t size : {1, 31, 33, 65, 1000, 4097}) {
        const std::vector<float> values = Shape(size, 2);
        const RangeExtremes extremes(values);
        std::mt19937 random(11);
        std::uniform_int_distribution<std::size_t> index(0, values.size() - 1);
        for (int q = 0; q < 500; ++q) {
            const auto [a, b] = std::minmax({index(random), index(random)});
            const auto [low, high] =
                std::minmax_element(values.begin() + a, values.begin() + b + 1);
            ASSERT_EQ(std::pair(extremes.Query(a, b).low, extremes.Query(a, b).high),
                      std::pair(*low, *high))
                << size << ": " << a << ".." << b;
        }
    }
}

}  // namespace
}  // namespace stepdown::testing

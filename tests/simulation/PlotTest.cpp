// The frame and the traces through the recording window, and the reduction
// of a trace to the plot's pixels: raw where segments are few, an image
// within one pixel of segment-by-segment drawing where they crowd.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "simulation/Plot.h"
#include "simulation/TraceReduction.h"
#include "support/RecordingWaveformWindow.h"

namespace stepdown::testing {
namespace {

void ExpectSegment(const RecordedLine& line, PlotSegment expected, std::optional<Rgb> colour) {
    EXPECT_EQ(line.segment.x1, expected.x1);
    EXPECT_EQ(line.segment.y1, expected.y1);
    EXPECT_EQ(line.segment.x2, expected.x2);
    EXPECT_EQ(line.segment.y2, expected.y2);
    EXPECT_EQ(line.hasColour, colour.has_value());
    if (colour) {
        EXPECT_EQ(line.colour, *colour);
    }
}

TEST(PreparePlot, ShowsScalesAndDrawsTicksThenZeroLines) {
    RecordingWaveformWindow w;
    PreparePlot(w);
    EXPECT_EQ(w.log, (std::vector<std::string>{"show", "scale"}));
    EXPECT_EQ(w.scale, (std::vector<double>{0, 100, 100, 0}));
    ASSERT_EQ(w.lines.size(), 30U);
    for (int i = 0; i < 20; ++i) {
        const auto y = static_cast<float>(100 - 5 * i);
        ExpectSegment(w.lines[i], {0, y, static_cast<float>(0.2), y}, std::nullopt);
    }
    for (int i = 0; i < 5; ++i) {
        const auto x = static_cast<float>(25 * i);
        ExpectSegment(w.lines[20 + i], {x, 0, x, 0.5F}, std::nullopt);
    }
    const float levels[] = {80, 70, 40, 20, static_cast<float>(0.1)};
    const Rgb colours[] = {kTraceIL, kTraceIC, kTraceVo, kTraceVd, kTraceId};
    for (int i = 0; i < 5; ++i)
        ExpectSegment(w.lines[25 + i], {0, levels[i], 100, levels[i]}, colours[i]);
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
    const Expected traces[] = {{m.WaveIL, 18, 2.0, 80, kTraceIL},
                               {m.WaveIC, 6, 0.5, 70, kTraceIC},
                               {m.WaveVo, 18, 15.0, 40, kTraceVo},
                               {m.WaveVd, 18, 25.0, 20, kTraceVd},
                               {m.WaveId, 18, 2.0, 0.1, kTraceId}};
    ASSERT_EQ(w.batches.size(), 5U);
    for (std::size_t t = 0; t < 5; ++t) {
        const Expected& e = traces[t];
        ASSERT_EQ(w.batches[t].count, static_cast<std::size_t>(NP) * 3);
        const auto y = [&](int i) {
            return static_cast<float>(e.wave[static_cast<std::size_t>(i)] * e.factor / e.extreme +
                                      e.offset);
        };
        std::size_t line = w.batches[t].first;
        const double a = 100.0 / NP;
        for (int k = 1; k <= NP; ++k)
            for (int s = 1; s <= 3; ++s, ++line)
                ExpectSegment(w.lines[line],
                              {static_cast<float>(a * (k - 1) + a * s / 4), y(s),
                               static_cast<float>(a * (s + 1) / 4 + a * (k - 1)), y(s + 1)},
                              e.colour);
    }
}

INSTANTIATE_TEST_SUITE_P(Copies, RawTraces, ::testing::Values(1, 2, 3));

TEST(DrawWaveforms, NothingForNPBelowOneASingleSampleOrShortArrays) {
    for (const auto& [NP, N] :
         {std::pair{0, 4}, std::pair{-3, 4}, std::pair{2, 1}, std::pair{1, 5}}) {
        Module1 m = SmallPeriod(NP);
        m.N = N;
        RecordingWaveformWindow w;
        DrawWaveforms(m, w);
        EXPECT_EQ(w.batchCount, 0) << NP << " " << N;
    }
}

TEST(PlotY, KeepsEveryHeightFiniteAndPutsAZeroExtremeOnTheZeroLine) {
    EXPECT_EQ(PlotY(0.9, 18, 1.8, 80), 89.0);
    EXPECT_EQ(PlotY(-0.25, 6, 0.5, 70), 67.0);
    EXPECT_EQ(PlotY(0.0, 6, 0.0, 70), 70.0);
    EXPECT_EQ(PlotY(1e308, 18, 1e308, 20), 38.0);
    EXPECT_EQ(PlotY(-1e308, 18, 1e308, 40), 22.0);
}

// A plain rasteriser: one-pixel lines sampled at least once per pixel along
// their longer axis, pixel (x W / 100, (100 - y) H / 100).
class Image {
public:
    static constexpr int kWidth = 997, kHeight = 605;
    explicit Image(const std::vector<PlotSegment>& segments) : pixels_(kWidth * kHeight) {
        for (const PlotSegment& s : segments) {
            const double x1 = s.x1 * kWidth / 100.0, y1 = (100.0 - s.y1) * kHeight / 100.0;
            const double x2 = s.x2 * kWidth / 100.0, y2 = (100.0 - s.y2) * kHeight / 100.0;
            const int steps =
                static_cast<int>(std::ceil(std::max(std::fabs(x2 - x1), std::fabs(y2 - y1)))) + 1;
            for (int i = 0; i <= steps; ++i) {
                const double t = static_cast<double>(i) / steps;
                const int x = std::clamp(static_cast<int>(x1 + (x2 - x1) * t), 0, kWidth - 1);
                const int y = std::clamp(static_cast<int>(y1 + (y2 - y1) * t), 0, kHeight - 1);
                pixels_[y * kWidth + x] = true;
            }
        }
    }
    // Pixels of this image with no pixel of `other` within one pixel.
    int StrayPixels(const Image& other) const {
        int stray = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                bool near = false;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        near = near || (nx >= 0 && ny >= 0 && nx < kWidth && ny < kHeight &&
                                        other.pixels_[ny * kWidth + nx]);
                    }
                stray += pixels_[y * kWidth + x] && !near ? 1 : 0;
            }
        return stray;
    }

private:
    std::vector<bool> pixels_;
};

std::vector<PlotSegment> Segments(const std::vector<float>& y, std::int32_t NP, int width) {
    std::vector<PlotSegment> out;
    AppendTraceSegments(y, NP, width, out);
    return out;
}

std::vector<float> Shape(std::int32_t N, int kind) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(5, 95);
    std::vector<float> y(static_cast<std::size_t>(N));
    for (std::int32_t i = 0; i < N; ++i)
        y[static_cast<std::size_t>(i)] =
            kind == 0
                ? static_cast<float>(50 + 40 * std::sin(2 * std::numbers::pi * 3 * i / (N - 1)))
            : kind == 1 ? 10.0F + 80.0F * static_cast<float>(i) / static_cast<float>(N - 1)
                        : noise(random);
    return y;
}

struct ShapeCase {
    std::int32_t N, NP;
    int kind;  // sine, ramp (a jump between copies that must stay open), noise
};

class Reduction : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(Reduction, MatchesTheRawImageWithinOnePixelAndStaysBounded) {
    const ShapeCase& c = GetParam();
    const std::vector<float> y = Shape(c.N, c.kind);
    ASSERT_TRUE(TraceIsReduced(c.NP, c.N, Image::kWidth));
    const std::vector<PlotSegment> reduced = Segments(y, c.NP, Image::kWidth);
    EXPECT_LE(reduced.size(), 3U * Image::kWidth);
    const Image fast(reduced);
    const Image slow(Segments(y, c.NP, std::numeric_limits<int>::max() / 4));
    EXPECT_EQ(fast.StrayPixels(slow), 0);
    EXPECT_EQ(slow.StrayPixels(fast), 0);
}

INSTANTIATE_TEST_SUITE_P(Shapes, Reduction,
                         ::testing::Values(ShapeCase{20000, 1, 0}, ShapeCase{1000, 10, 0},
                                           ShapeCase{1000, 50, 1}, ShapeCase{100, 3000, 1},
                                           ShapeCase{5000, 3, 2}));

TEST(Reduction, ThresholdIsTwoSegmentsPerPixelAndAHugeNPStaysWithinThePlot) {
    EXPECT_TRUE(TraceIsReduced(1, 1996, 997));
    EXPECT_FALSE(TraceIsReduced(1, 1995, 997));
    EXPECT_FALSE(TraceIsReduced(2, 998, 997));
    EXPECT_FALSE(TraceIsReduced(0, 100000, 997));
    EXPECT_TRUE(TraceIsReduced(1, 1996, 0));  // no width yet: the nominal one
    const std::vector<PlotSegment> out =
        Segments({10.0F, 90.0F, 50.0F}, std::numeric_limits<std::int32_t>::max(), 997);
    ASSERT_LE(out.size(), 3U * 997);
    for (const PlotSegment& s : out) {
        EXPECT_GE(std::min(s.x1, s.x2), 0.0F);
        EXPECT_LE(std::max(s.x1, s.x2), 100.0F);
        EXPECT_GE(std::min(s.y1, s.y2), 10.0F);
        EXPECT_LE(std::max(s.y1, s.y2), 90.0F);
    }
}

TEST(RangeExtremes, MatchAPlainScanOverAnyRange) {
    for (const std::int32_t size : {1, 31, 33, 64, 65, 1000, 4097}) {
        const std::vector<float> values = Shape(size, 2);
        const RangeExtremes extremes(values);
        std::mt19937 random(11);
        std::uniform_int_distribution<std::size_t> index(0, values.size() - 1);
        for (int q = 0; q < 500; ++q) {
            std::size_t a = index(random), b = index(random);
            if (a > b) std::swap(a, b);
            const auto [low, high] =
                std::minmax_element(values.begin() + a, values.begin() + b + 1);
            ASSERT_EQ(extremes.Query(a, b).low, *low) << size << ": " << a << ".." << b;
            ASSERT_EQ(extremes.Query(a, b).high, *high) << size << ": " << a << ".." << b;
        }
    }
}

}  // namespace
}  // namespace stepdown::testing

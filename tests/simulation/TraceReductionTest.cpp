// The reduction of a trace to the plot's pixels: raw where segments are few,
// and an image within one pixel of segment-by-segment drawing where many.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "Circuits.h"
#include "simulation/Plot.h"
#include "simulation/Simulation.h"
#include "simulation/TraceReduction.h"
#include "support/RecordingProgress.h"
#include "support/RecordingWaveformWindow.h"

namespace stepdown::testing {
namespace {

// A plain rasteriser: one-pixel lines sampled at least once per pixel
// along their longer axis, pixel (x x W / 100, (100 - y) x H / 100).
class Image {
public:
    Image(int width, int height) : width_(width), height_(height), pixels_(width * height, false) {}

    void Draw(const PlotSegment& s) {
        const double x1 = s.x1 * width_ / 100.0, y1 = (100.0 - s.y1) * height_ / 100.0;
        const double x2 = s.x2 * width_ / 100.0, y2 = (100.0 - s.y2) * height_ / 100.0;
        const int steps =
            static_cast<int>(std::ceil(std::max(std::fabs(x2 - x1), std::fabs(y2 - y1)))) + 1;
        for (int i = 0; i <= steps; ++i) {
            const double t = static_cast<double>(i) / steps;
            Set(x1 + (x2 - x1) * t, y1 + (y2 - y1) * t);
        }
    }

    // Pixels of this image with no pixel of `other` within one pixel.
    int StrayPixels(const Image& other) const {
        int stray = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (At(x, y) && !other.Near(x, y)) ++stray;
        return stray;
    }

private:
    void Set(double x, double y) {
        const int column = std::clamp(static_cast<int>(std::floor(x)), 0, width_ - 1);
        const int row = std::clamp(static_cast<int>(std::floor(y)), 0, height_ - 1);
        pixels_[row * width_ + column] = true;
    }
    bool At(int x, int y) const { return pixels_[y * width_ + x]; }
    bool Near(int x, int y) const {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int nx = x + dx, ny = y + dy;
                if (nx >= 0 && ny >= 0 && nx < width_ && ny < height_ && At(nx, ny)) return true;
            }
        return false;
    }

    int width_, height_;
    std::vector<bool> pixels_;
};

constexpr int kWidth = 997;
constexpr int kHeight = 605;

Image Render(const std::vector<PlotSegment>& segments) {
    Image image(kWidth, kHeight);
    for (const PlotSegment& s : segments) image.Draw(s);
    return image;
}

std::vector<PlotSegment> Segments(const std::vector<float>& y, std::int32_t NP, int width) {
    std::vector<PlotSegment> out;
    AppendTraceSegments(y, NP, width, out);
    return out;
}

// The raw segments, whatever their number.
std::vector<PlotSegment> Raw(const std::vector<float>& y, std::int32_t NP) {
    return Segments(y, NP, std::numeric_limits<int>::max() / 4);
}

struct ShapeCase {
    std::string name;
    std::int32_t N, NP;
    std::vector<float> (*shape)(std::int32_t N);
};

std::vector<float> Sine(std::int32_t N) {
    std::vector<float> y(static_cast<std::size_t>(N));
    for (std::int32_t i = 0; i < N; ++i)
        y[static_cast<std::size_t>(i)] =
            static_cast<float>(50 + 40 * std::sin(2 * std::numbers::pi * 3 * i / (N - 1)));
    return y;
}

// A ramp that does not close on itself: the undrawn gap between copies is
// a jump of 80 units that must not be filled.
std::vector<float> Ramp(std::int32_t N) {
    std::vector<float> y(static_cast<std::size_t>(N));
    for (std::int32_t i = 0; i < N; ++i)
        y[static_cast<std::size_t>(i)] = 10.0F + 80.0F * i / (N - 1);
    return y;
}

std::vector<float> Noise(std::int32_t N) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(5, 95);
    std::vector<float> y(static_cast<std::size_t>(N));
    for (float& v : y) v = value(random);
    return y;
}

class Equivalence : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(Equivalence, ReducedImageMatchesRawImageWithinOnePixel) {
    const ShapeCase& c = GetParam();
    const std::vector<float> y = c.shape(c.N);
    ASSERT_TRUE(TraceIsReduced(c.NP, c.N, kWidth));
    const std::vector<PlotSegment> reduced = Segments(y, c.NP, kWidth);
    EXPECT_LE(reduced.size(), 3U * kWidth);
    const Image fast = Render(reduced);
    const Image slow = Render(Raw(y, c.NP));
    EXPECT_EQ(fast.StrayPixels(slow), 0);
    EXPECT_EQ(slow.StrayPixels(fast), 0);
}

INSTANTIATE_TEST_SUITE_P(Shapes, Equivalence,
                         ::testing::Values(ShapeCase{"sine_one_copy", 20000, 1, Sine},
                                           ShapeCase{"sine_defaults", 1000, 10, Sine},
                                           ShapeCase{"ramp_gaps", 1000, 50, Ramp},
                                           ShapeCase{"ramp_many_copies", 100, 3000, Ramp},
                                           ShapeCase{"noise", 5000, 3, Noise}),
                         [](const auto& info) { return info.param.name; });

TEST(Equivalence, WorkedExampleTracesAtTheDefaults) {
    Module1 m;
    Load(m, WorkedExample());
    RecordingWaveformWindow reduced, raw;
    RecordingProgress progress;
    struct Quiet : MessageDisplay {
        void ShowMessage(const std::string&) override {}
    } quiet;
    ASSERT_EQ(SimulateConverter(m, quiet, reduced, progress).outcome, SimulationOutcome::Completed);
    raw.widthPixels = std::numeric_limits<int>::max() / 4;
    DrawWaveforms(m, raw);
    ASSERT_EQ(raw.batches.size(), 5U);
    ASSERT_EQ(reduced.batches.size(), 5U);
    for (std::size_t t = 0; t < 5; ++t) {
        const auto lines = [](const RecordingWaveformWindow& w, std::size_t trace) {
            std::vector<PlotSegment> out;
            for (std::size_t i = 0; i < w.batches[trace].count; ++i)
                out.push_back(w.lines[w.batches[trace].first + i].segment);
            return out;
        };
        EXPECT_EQ(raw.batches[t].count, 10U * 999U);
        EXPECT_LE(reduced.batches[t].count, 3U * kWidth);
        const Image fast = Render(lines(reduced, t));
        const Image slow = Render(lines(raw, t));
        EXPECT_EQ(fast.StrayPixels(slow), 0) << "trace " << t;
        EXPECT_EQ(slow.StrayPixels(fast), 0) << "trace " << t;
    }
}

struct ThresholdCase {
    std::int32_t NP, N;
    int width;
    bool reduced;
};

class Threshold : public ::testing::TestWithParam<ThresholdCase> {};

TEST_P(Threshold, ReducesAboveTwoSegmentsPerPixel) {
    const ThresholdCase& c = GetParam();
    EXPECT_EQ(TraceIsReduced(c.NP, c.N, c.width), c.reduced);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, Threshold,
    ::testing::Values(ThresholdCase{10, 1000, 997, true}, ThresholdCase{1, 1995, 997, false},
                      ThresholdCase{1, 1996, 997, true}, ThresholdCase{2, 998, 997, false},
                      ThresholdCase{0, 100000, 997, false}, ThresholdCase{1000, 1, 997, false},
                      ThresholdCase{1, 1996, 0, true}, ThresholdCase{1, 1995, -1, false}));

TEST(Reduction, HugeNPStaysBoundedByThePixels) {
    const std::vector<float> y{10.0F, 90.0F, 50.0F};
    const auto start = std::chrono::steady_clock::now();
    const std::vector<PlotSegment> out =
        Segments(y, std::numeric_limits<std::int32_t>::max(), kWidth);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::milliseconds(200));
    ASSERT_LE(out.size(), 3U * kWidth);
    ASSERT_GE(out.size(), static_cast<std::size_t>(kWidth));
    for (const PlotSegment& s : out) {
        EXPECT_GE(std::min(s.x1, s.x2), 0.0F);
        EXPECT_LE(std::max(s.x1, s.x2), 100.0F);
        EXPECT_GE(std::min(s.y1, s.y2), 10.0F);
        EXPECT_LE(std::max(s.y1, s.y2), 90.0F);
    }
}

class RangeQueries : public ::testing::TestWithParam<std::size_t> {};

TEST_P(RangeQueries, MatchAPlainScan) {
    const std::vector<float> values = Noise(static_cast<std::int32_t>(GetParam()));
    const RangeExtremes extremes(values);
    std::mt19937 random(11);
    std::uniform_int_distribution<std::size_t> index(0, values.size() - 1);
    for (int q = 0; q < 2000; ++q) {
        std::size_t a = index(random), b = index(random);
        if (a > b) std::swap(a, b);
        const auto [low, high] = std::minmax_element(values.begin() + a, values.begin() + b + 1);
        const RangeExtremes::Extent extent = extremes.Query(a, b);
        ASSERT_EQ(extent.low, *low) << a << ".." << b;
        ASSERT_EQ(extent.high, *high) << a << ".." << b;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, RangeQueries, ::testing::Values(1, 31, 32, 33, 64, 65, 1000, 4097));

}  // namespace
}  // namespace stepdown::testing

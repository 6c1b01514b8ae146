#include "waveformplot/TraceReduction.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace stepdown {
namespace {

RangeExtremes::Extent Merge(RangeExtremes::Extent a, RangeExtremes::Extent b) {
    return {std::min(a.low, b.low), std::max(a.high, b.high)};
}

// Raw segment m (1..N-1) of copy k (1..NP), by the written formulas.
PlotSegment RawSegment(std::span<const float> sampleY, std::int32_t NP, std::int32_t k,
                       std::int32_t m) {
    const auto N = static_cast<std::int32_t>(sampleY.size());
    const double x1 = (100.0 / NP) * (k - 1) + (100.0 / NP) * m / N;
    const double x2 = (100.0 / NP) * (m + 1) / N + (100.0 / NP) * (k - 1);
    return {static_cast<float>(x1), sampleY[static_cast<std::size_t>(m) - 1],
            static_cast<float>(x2), sampleY[static_cast<std::size_t>(m)]};
}

void AppendRaw(std::span<const float> sampleY, std::int32_t NP, std::vector<PlotSegment>& out) {
    const auto N = static_cast<std::int32_t>(sampleY.size());
    for (std::int32_t k = 1; k <= NP; ++k)
        for (std::int32_t m = 1; m <= N - 1; ++m) out.push_back(RawSegment(sampleY, NP, k, m));
}

// The samples of all copies in a row are numbered g = (k - 1) x N + m, from
// 1 to NP x N; sample g lies at x = 100 g / (NP N), in pixel column
// floor(g W / (NP N)). Boundaries are taken in double precision: a sample
// that lands in a neighbouring column moves the image by less than a pixel.
void AppendReduced(std::span<const float> sampleY, std::int32_t NP, int W,
                   std::vector<PlotSegment>& out) {
    const auto N = static_cast<std::int64_t>(sampleY.size());
    const std::int64_t total = NP * N;
    const RangeExtremes extremes(sampleY);
    const RangeExtremes::Extent period = extremes.Query(0, sampleY.size() - 1);

    // First sample of column c (c >= 1): for c < W, somewhere in 1..total.
    const auto firstOf = [&](int c) -> std::int64_t {
        if (c >= W) return total + 1;
        return static_cast<std::int64_t>(
            std::ceil(static_cast<double>(c) * static_cast<double>(total) / W));
    };

    // A reduced trace has more than two samples a column: none is empty.
    std::int64_t first = 1;
    for (int c = 0; c < W; ++c) {
        const std::int64_t next = firstOf(c + 1);
        const std::int64_t last = next - 1;
        const auto centre = static_cast<float>((c + 0.5) * 100.0 / W);
        const auto bar = [&](RangeExtremes::Extent extent) {
            out.push_back({centre, extent.low, centre, extent.high});
        };
        // A piece of one copy, samples a..b (0-based); one sample needs no
        // bar, the joins on either side draw it.
        const auto piece = [&](std::int64_t a, std::int64_t b) {
            if (b > a)
                bar(extremes.Query(static_cast<std::size_t>(a), static_cast<std::size_t>(b)));
        };

        const std::int64_t kFirst = (first - 1) / N;
        const std::int64_t mFirst = (first - 1) % N;
        const std::int64_t kLast = (last - 1) / N;
        const std::int64_t mLast = (last - 1) % N;
        if (kFirst == kLast) {
            piece(mFirst, mLast);
        } else if (kLast - kFirst >= 2 || mFirst == 0 || mLast == N - 1) {
            bar(period);
        } else {
            piece(mFirst, N - 1);
            piece(0, mLast);
        }

        // The last column ends on the last sample: never a join after it.
        if (mLast < N - 1)
            out.push_back(RawSegment(sampleY, NP, static_cast<std::int32_t>(kLast + 1),
                                     static_cast<std::int32_t>(mLast + 1)));
        first = next;
    }
}

}  // namespace

bool TraceIsReduced(std::int32_t NP, std::int32_t N, int widthPixels) {
    if (NP <= 0) return false;
    if (widthPixels <= 0) widthPixels = kNominalPlotWidth;
    return std::int64_t{NP} * (N - 1) > kMaxRawSegmentsPerPixel * widthPixels;
}

void AppendTraceSegments(std::span<const float> sampleY, std::int32_t NP, int widthPixels,
                         std::vector<PlotSegment>& out) {
    const auto N = static_cast<std::int32_t>(sampleY.size());
    if (widthPixels <= 0) widthPixels = kNominalPlotWidth;
    // NP <= 0 or N <= 1 is never reduced, and leaves the raw loops empty.
    if (TraceIsReduced(NP, N, widthPixels))
        AppendReduced(sampleY, NP, widthPixels, out);
    else
        AppendRaw(sampleY, NP, out);
}

RangeExtremes::RangeExtremes(std::span<const float> values) : values_(values) {
    blocks_ = (values.size() + kBlock - 1) / kBlock;
    const auto levelCount = static_cast<std::size_t>(std::bit_width(blocks_));
    levels_.resize(levelCount * blocks_);
    for (std::size_t b = 0; b < blocks_; ++b)
        levels_[b] = Scan(b * kBlock, std::min(values.size(), (b + 1) * kBlock) - 1);
    for (std::size_t j = 1; j < levelCount; ++j) {
        const std::size_t half = std::size_t{1} << (j - 1);
        const std::size_t span = std::size_t{1} << j;
        for (std::size_t b = 0; b + span <= blocks_; ++b)
            levels_[j * blocks_ + b] =
                Merge(levels_[(j - 1) * blocks_ + b], levels_[(j - 1) * blocks_ + b + half]);
    }
}

RangeExtremes::Extent RangeExtremes::Scan(std::size_t first, std::size_t last) const {
    Extent extent{values_[first], values_[first]};
    for (std::size_t i = first + 1; i <= last; ++i) {
        extent.low = std::min(extent.low, values_[i]);
        extent.high = std::max(extent.high, values_[i]);
    }
    return extent;
}

RangeExtremes::Extent RangeExtremes::Query(std::size_t first, std::size_t last) const {
    const std::size_t firstBlock = first / kBlock;
    const std::size_t lastBlock = last / kBlock;
    if (lastBlock - firstBlock <= 1) return Scan(first, last);
    Extent extent =
        Merge(Scan(first, (firstBlock + 1) * kBlock - 1), Scan(lastBlock * kBlock, last));
    const std::size_t from = firstBlock + 1;
    const std::size_t count = lastBlock - from;
    // Two overlapping runs of span = 2^j blocks cover the middle ones (count >= 1).
    const std::size_t span = std::bit_floor(count);
    const auto j = static_cast<std::size_t>(std::countr_zero(span));
    extent = Merge(extent, levels_[j * blocks_ + from]);
    return Merge(extent, levels_[j * blocks_ + from + count - span]);
}

}  // namespace stepdown

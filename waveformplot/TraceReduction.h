#pragma once
// The segments that draw one waveform NP times side by side across the
// plot, bounded by the plot's width rather than by NP x (N - 1).
//
// Copy k (1..NP) of the period puts sample m (1..N) at
//   x = (100 / NP) x (k - 1) + (100 / NP) x m / N
// and joins samples m and m + 1 by a segment ending at
//   x = (100 / NP) x (m + 1) / N + (100 / NP) x (k - 1);
// copies are not joined to each other. Where no more than
// kMaxRawSegmentsPerPixel segments fall in a pixel column on average, those
// raw segments are emitted, copy by copy, in that order. Where more fall,
// each pixel column (x x W / 100, W the plot width in pixels) gets one
// vertical segment from the lowest to the highest sample of each connected
// piece of the trace in it, at the column's centre, and the original
// segment that crosses into the next column joins the two; a column that
// holds a whole copy holds the whole period's range. The image then matches
// segment-by-segment drawing within one pixel, with at most three segments
// per column. A vertical segment can have zero length (a flat piece); it
// stands for the pixels of that piece.

#include <cstdint>
#include <span>
#include <vector>

#include "model/WindowOperations.h"

namespace stepdown {

inline constexpr std::int64_t kMaxRawSegmentsPerPixel = 2;

// The plot's inner width at 96 dpi, taken when a window reports no width
// (not laid out yet), so that the drawing stays bounded all the same.
inline constexpr int kNominalPlotWidth = 997;

// True when NP copies of N samples on a plot `widthPixels` wide are drawn
// reduced (NP x (N - 1) > kMaxRawSegmentsPerPixel x widthPixels).
bool TraceIsReduced(std::int32_t NP, std::int32_t N, int widthPixels);

// Appends the trace's segments to `out`. `sampleY` holds the plot heights
// of samples 1..N (sampleY[0] is sample 1). Nothing for NP <= 0 or N <= 1.
void AppendTraceSegments(std::span<const float> sampleY, std::int32_t NP, int widthPixels,
                         std::vector<PlotSegment>& out);

// The lowest and highest value of any index range of a fixed array, each
// query costing a bounded number of steps whatever the range's length.
class RangeExtremes {
public:
    struct Extent {
        float low = 0.0F;
        float high = 0.0F;
    };

    explicit RangeExtremes(std::span<const float> values);
    // Over values[first..last], first <= last < size.
    Extent Query(std::size_t first, std::size_t last) const;

private:
    static constexpr std::size_t kBlock = 32;
    Extent Scan(std::size_t first, std::size_t last) const;

    std::span<const float> values_;
    std::size_t blocks_ = 0;
    // levels_[j * blocks_ + b]: extent of blocks b .. b + 2^j - 1.
    std::vector<Extent> levels_;
};

}  // namespace stepdown

#include "waveformplot/Plot.h"

#include <array>
#include <cmath>
#include <vector>

#include "engine/Extremes.h"
#include "waveformplot/TraceReduction.h"

namespace stepdown {

double PlotY(double v, double factor, double extreme, double offset) {
    if (extreme == 0.0) return offset;
    const double y = v * factor / extreme + offset;
    if (std::isfinite(y)) return y;
    return v / extreme * factor + offset;
}

void PreparePlot(WaveformWindowOperations& window) {
    window.ShowWindow();
    window.SetUserScale(0, 100, 100, 0);
    for (int y = 100; y >= 5; y -= 5) {
        const auto level = static_cast<float>(y);
        window.DrawLine({0.0F, level, static_cast<float>(0.2), level});
    }
    for (const float x : {0.0F, 25.0F, 50.0F, 75.0F, 100.0F}) window.DrawLine({x, 0.0F, x, 0.5F});
    window.DrawLine({0.0F, 80.0F, 100.0F, 80.0F}, kTraceIL);
    window.DrawLine({0.0F, 70.0F, 100.0F, 70.0F}, kTraceIC);
    window.DrawLine({0.0F, 40.0F, 100.0F, 40.0F}, kTraceVo);
    window.DrawLine({0.0F, 20.0F, 100.0F, 20.0F}, kTraceVd);
    window.DrawLine({0.0F, static_cast<float>(0.1), 100.0F, static_cast<float>(0.1)}, kTraceId);
}

void DrawWaveforms(const Module1& m, WaveformWindowOperations& window) {
    const std::int32_t NP = m.NP;
    const std::int32_t N = m.N;
    if (NP <= 0 || N <= 1) return;

    struct Trace {
        const std::vector<double>& wave;
        double factor;
        double extreme;
        double offset;
        Rgb colour;
    };
    const std::array<Trace, 5> traces{{
        {m.WaveIL, 18, m.MaxIL, 80, kTraceIL},
        {m.WaveIC, 6, m.MaxIC, 70, kTraceIC},
        {m.WaveVo, 18, m.MaxVo, 40, kTraceVo},
        {m.WaveVd, 18, m.MaxVd, 20, kTraceVd},
        {m.WaveId, 18, m.MaxIL, 0.1, kTraceId},
    }};
    for (const Trace& trace : traces)
        if (!ScanFits(trace.wave, N)) return;

    const int width = window.PlotWidthPixels();
    std::vector<float> heights(static_cast<std::size_t>(N));
    std::vector<PlotSegment> segments;
    for (const Trace& trace : traces) {
        const double* const samples = trace.wave.data();
        for (std::int32_t i = 1; i <= N; ++i)
            heights[static_cast<std::size_t>(i) - 1] =
                static_cast<float>(PlotY(samples[i], trace.factor, trace.extreme, trace.offset));
        segments.clear();
        AppendTraceSegments(heights, NP, width, segments);
        window.DrawSegments(segments, trace.colour);
    }
}

}  // namespace stepdown

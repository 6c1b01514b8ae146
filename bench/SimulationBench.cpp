// The verification path at the defaults: the plain period loop, the loop
// with the exact early stop, the whole "Grafici" click through the recording
// windows, and the reduction of traces to the plot's pixels.

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "model/Module1.h"
#include "simulation/ConverterLoop.h"
#include "simulation/Launch.h"
#include "simulation/Plot.h"
#include "simulation/TraceReduction.h"
#include "support/RecordingWindow.h"

namespace stepdown {
namespace {

constexpr std::int32_t kN = 1000;
constexpr std::int32_t kNI = 2000;

CircuitInputs WorkedExample() { return {25, 0.6, 1.0 / 80000 / kN, 125e-6, 15.63e-6, 10, kN}; }

struct Arrays {
    Arrays() : iL(kN + 2), Vo(kN + 2), iC(kN + 2), Vd(kN + 2), id(kN + 2) {}
    WaveArrays Pointers() { return {iL.data(), Vo.data(), iC.data(), Vd.data(), id.data()}; }
    std::vector<double> iL, Vo, iC, Vd, id;
};

class Unwatched : public ProgressReporter {
public:
    bool Continue(std::int64_t, std::int64_t) override { return true; }
};

void PlainLoop(benchmark::State& state) {
    for (auto _ : state) {
        Arrays arrays;
        SimulatePeriodsPlain(WorkedExample(), kNI, arrays.Pointers());
        benchmark::DoNotOptimize(arrays.iL.data());
    }
    state.SetItemsProcessed(state.iterations() * kN * kNI);
}
BENCHMARK(PlainLoop)->Unit(benchmark::kMillisecond);

void EarlyStopLoop(benchmark::State& state) {
    Unwatched progress;
    std::int64_t periods = 0;
    for (auto _ : state) {
        Arrays arrays;
        periods =
            SimulatePeriods(WorkedExample(), kNI, arrays.Pointers(), progress).periodsSimulated;
        benchmark::DoNotOptimize(arrays.iL.data());
    }
    state.counters["periods"] = static_cast<double>(periods);
}
BENCHMARK(EarlyStopLoop)->Unit(benchmark::kMillisecond);

void LaunchClick(benchmark::State& state) {
    Unwatched progress;
    for (auto _ : state) {
        Module1 module;
        testing::RecordingWindow window;
        for (const auto& [box, text] : {std::pair{"Text7", "2.500E+01"},
                                        {"Text12", "8.000E+01"},
                                        {"Text8", "6.000E+01"},
                                        {"Text9", "1.250E+02"},
                                        {"Text10", "1.563E+01"},
                                        {"Text11", "1.000E+01"}})
            window.Type(box, text);
        LaunchVerification(module, window, window, progress);
        benchmark::DoNotOptimize(window.waveform.lines.data());
    }
}
BENCHMARK(LaunchClick)->Unit(benchmark::kMillisecond);

// One trace of N samples shown NP times on the real plot's 997 pixels.
void ReduceTrace(benchmark::State& state) {
    const auto N = static_cast<std::int32_t>(state.range(0));
    const auto NP = static_cast<std::int32_t>(state.range(1));
    std::vector<float> heights(static_cast<std::size_t>(N));
    for (std::int32_t i = 0; i < N; ++i)
        heights[static_cast<std::size_t>(i)] =
            static_cast<float>(80 + 18 * std::sin(2 * std::numbers::pi * i / N));
    std::vector<PlotSegment> segments;
    for (auto _ : state) {
        segments.clear();
        AppendTraceSegments(heights, NP, 997, segments);
        benchmark::DoNotOptimize(segments.data());
    }
    state.counters["segments"] = static_cast<double>(segments.size());
}
BENCHMARK(ReduceTrace)->Args({200000, 10})->Args({1000, 1000})->Unit(benchmark::kMillisecond);

// All five traces from the arrays: heights, reduction and the recording
// window's copy of every segment.
void DrawFiveTraces(benchmark::State& state) {
    Module1 m;
    m.N = static_cast<std::int32_t>(state.range(0));
    m.NP = static_cast<std::int32_t>(state.range(1));
    for (auto* wave : {&m.WaveIL, &m.WaveIC, &m.WaveVo, &m.WaveVd, &m.WaveId}) {
        wave->resize(static_cast<std::size_t>(m.N) + 2);
        for (std::size_t i = 0; i < wave->size(); ++i)
            (*wave)[i] = 1.5 + 0.3 * std::sin(2 * std::numbers::pi * static_cast<double>(i) / m.N);
    }
    m.MaxIL = m.MaxIC = m.MaxVo = m.MaxVd = 1.8;
    for (auto _ : state) {
        testing::RecordingWaveformWindow window;
        DrawWaveforms(m, window);
        benchmark::DoNotOptimize(window.lines.data());
    }
}
BENCHMARK(DrawFiveTraces)
    ->Args({200000, 10})
    ->Args({1000, 1000})
    ->Args({2000000, 997})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace stepdown

// The verification path: the plain period loop, the loop with the exact
// repeat detection (on the worked example and on random designs), the whole
// "Grafici" click through the recording windows, the reduction of traces
// to the plot's pixels; and the analysis of the converter as built.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "componentchoice/Selection.h"
#include "design/DesignCalculation.h"
#include "engine/ConverterLoop.h"
#include "model/Module1.h"
#include "realparts/RealParts.h"
#include "realparts/Thermal.h"
#include "support/RecordingWindow.h"
#include "verification/Launch.h"
#include "waveformplot/Plot.h"
#include "waveformplot/TraceReduction.h"

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

// The verification fields after the design calculation on random
// requirements (a fixed seed).
std::vector<std::map<std::string, std::string>> RandomDesignFields(std::size_t count) {
    std::mt19937 random(20261207);
    const auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    std::vector<std::map<std::string, std::string>> designs;
    while (designs.size() < count) {
        Module1 m;
        testing::RecordingWindow window;
        // Vi 5..100 V, Vo 10..90 % of it, f 20..200 kHz, a current ripple of
        // 20..50 % and an output ripple of 0.5..2 % of Vo, Io 0.2..10 A.
        const double Vi = uniform(5, 100);
        const double Vo = uniform(0.1, 0.9) * Vi;
        const double values[] = {
            Vi, Vo, uniform(20, 200), uniform(20, 50), uniform(5, 20) * Vo, uniform(0.2, 10)};
        const char* boxes[] = {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6"};
        for (int i = 0; i < 6; ++i) {
            char text[32];
            std::snprintf(text, sizeof text, "%.4g", values[i]);
            window.Type(boxes[i], text);
        }
        DesignCalculation(m, window);
        if (window.messages.empty()) designs.push_back(window.texts);
    }
    return designs;
}

// Those designs read back from the verification fields as the launch reads them.
std::vector<CircuitInputs> RandomDesigns(std::size_t count, std::int32_t N) {
    std::vector<CircuitInputs> designs;
    for (const std::map<std::string, std::string>& texts : RandomDesignFields(count)) {
        const auto read = [&](const char* box) { return ParseNumber(texts.at(box)); };
        const double f = read("Text12") * 1000;
        designs.push_back({read("Text7"), read("Text8") * 0.01, 1 / f / N, read("Text9") * 0.000001,
                           read("Text10") * 0.000001, read("Text11"), N});
    }
    return designs;
}

// 200 random designs, N 1000, NI 20000, each run from rest: with the repeat
// detection (range 1) or the plain loop (range 0). Reports the median run
// and, for the detection, the share of periods simulated.
void RandomDesignRuns(benchmark::State& state) {
    constexpr std::int32_t kRandomN = 1000;
    constexpr std::int32_t kRandomNI = 20000;
    const bool detect = state.range(0) != 0;
    static const std::vector<CircuitInputs> designs = RandomDesigns(200, kRandomN);
    Unwatched progress;
    std::vector<double> seconds;
    std::int64_t periods = 0;
    for (auto _ : state) {
        seconds.clear();
        periods = 0;
        for (const CircuitInputs& design : designs) {
            Arrays arrays;
            const auto start = std::chrono::steady_clock::now();
            if (detect)
                periods += SimulatePeriods(design, kRandomNI, arrays.Pointers(), progress)
                               .periodsSimulated;
            else
                SimulatePeriodsPlain(design, kRandomNI, arrays.Pointers());
            seconds.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            benchmark::DoNotOptimize(arrays.iL.data());
        }
    }
    std::nth_element(seconds.begin(), seconds.begin() + 100, seconds.end());
    state.counters["median_ms"] = seconds[100] * 1000;
    if (detect)
        state.counters["periods_share"] =
            static_cast<double>(periods) / (static_cast<double>(kRandomNI) * designs.size());
}
BENCHMARK(RandomDesignRuns)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);

// A circuit that does not repeat within its 2000 periods (C = 1 mF, RL =
// 100 ohm): every period runs with its extremes and the repeat lookup, for
// comparison with the plain loop's time.
void AllPeriodsLoop(benchmark::State& state) {
    CircuitInputs slow = WorkedExample();
    slow.C = 1e-3;
    slow.RL = 100;
    Unwatched progress;
    std::int64_t periods = 0;
    for (auto _ : state) {
        Arrays arrays;
        periods = SimulatePeriods(slow, kNI, arrays.Pointers(), progress).periodsSimulated;
        benchmark::DoNotOptimize(arrays.iL.data());
    }
    state.counters["periods"] = static_cast<double>(periods);
}
BENCHMARK(AllPeriodsLoop)->Unit(benchmark::kMillisecond);

void PlainLoopSlowCircuit(benchmark::State& state) {
    CircuitInputs slow = WorkedExample();
    slow.C = 1e-3;
    slow.RL = 100;
    for (auto _ : state) {
        Arrays arrays;
        SimulatePeriodsPlain(slow, kNI, arrays.Pointers());
        benchmark::DoNotOptimize(arrays.iL.data());
    }
}
BENCHMARK(PlainLoopSlowCircuit)->Unit(benchmark::kMillisecond);

// The whole click through the recording windows on the worked example, with
// the settings N, NI given as texts.
void Click(benchmark::State& state, const char* N, const char* NI) {
    Unwatched progress;
    for (auto _ : state) {
        Module1 module;
        testing::RecordingWindow window;
        for (const auto& [box, text] : {std::pair{"Text7", "2.500E+01"},
                                        {"Text12", "8.000E+01"},
                                        {"Text8", "6.000E+01"},
                                        {"Text9", "1.250E+02"},
                                        {"Text10", "1.563E+01"},
                                        {"Text11", "1.000E+01"},
                                        {"Text13", N},
                                        {"Text15", NI}})
            window.Type(box, text);
        LaunchVerification(module, window, window, progress);
        benchmark::DoNotOptimize(window.waveform.lines.data());
    }
}

void LaunchClick(benchmark::State& state) { Click(state, "1000", "2000"); }
BENCHMARK(LaunchClick)->Unit(benchmark::kMillisecond);

// A few long periods: the steady state, found at the cost of about one
// period, against the plain loop of the same five periods.
void ShortRunClick(benchmark::State& state) { Click(state, "200000", "5"); }
BENCHMARK(ShortRunClick)->Unit(benchmark::kMillisecond);

void PlainLoopShortRun(benchmark::State& state) {
    constexpr std::int32_t kLongN = 200000;
    CircuitInputs inputs = WorkedExample();
    inputs.N = kLongN;
    inputs.TimeStep = 1.0 / 80000 / kLongN;
    for (auto _ : state) {
        std::vector<double> iL(kLongN + 2), Vo(kLongN + 2), iC(kLongN + 2), Vd(kLongN + 2),
            id(kLongN + 2);
        SimulatePeriodsPlain(inputs, 5, {iL.data(), Vo.data(), iC.data(), Vd.data(), id.data()});
        benchmark::DoNotOptimize(iL.data());
    }
}
BENCHMARK(PlainLoopShortRun)->Unit(benchmark::kMillisecond);

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

// The converter as built: the worked example with its parasitics, the duty
// cycle for 15 V and the figures of one sampled steady-state period, N 1000
// (range 0), or a light load that runs discontinuously (range 1).
void RealPartsAnalysis(benchmark::State& state) {
    const bool light = state.range(0) != 0;
    const CircuitValues values{25, 0.6, 80000, 125e-6, 15.625e-6, light ? 100.0 : 10.0};
    PartValues parts;
    parts.ESR = 0.05;
    parts.DCR = 0.1;
    parts.Rds = 0.05;
    parts.tr = parts.tf = 50e-9;
    int evaluations = 0;
    for (auto _ : state) {
        const DutySynthesis duty = DutyForTarget(values, parts, 15);
        CircuitValues at = values;
        at.D = duty.D;
        const stepdown::RealPartsAnalysis analysis = Analyze(at, parts);
        benchmark::DoNotOptimize(analysis.waveform.Vo.data());
        evaluations = duty.evaluations;
    }
    state.counters["evaluations"] = evaluations;
}
BENCHMARK(RealPartsAnalysis)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The worked example's standard values swept over the load, 10 % to 150 % of
// Io in 50 points at Vi 20, 25 and 30 V, with parts: 150 duty-cycle searches
// and steady states, against `PlainLoop`, the default verification's loop.
void LoadSweep(benchmark::State& state) {
    const DesignTargets design{25, 15, 80000, 1.5, 0.6, 0.06};
    PartValues parts;
    parts.ESR = 0.05;
    parts.DCR = 0.1;
    parts.Rds = 0.05;
    parts.tr = parts.tf = 50e-9;
    for (auto _ : state) {
        const std::vector<SweepPoint> sweep =
            SweepLoad(design, 150, 18, {20, 25, 30}, 0.15, 2.25, 50, parts);
        benchmark::DoNotOptimize(sweep.data());
    }
}
BENCHMARK(LoadSweep)->Unit(benchmark::kMillisecond);

// The same sweep as the whole `stepdown-cli sweep` command: the design, its
// standard values and the 150 points written as JSON.
void SweepCommand(benchmark::State& state) {
    const std::vector<std::string> words{
        "sweep",    "--vi",     "25",    "--vo",  "15",   "--f",   "80",
        "--ripple", "40",       "--dvo", "60",    "--io", "1.5",   "--vi-list",
        "20,25,30", "--series", "E12",   "--esr", "50",   "--dcr", "100",
        "--rds",    "50",       "--tr",  "50",    "--tf", "50",    "--json"};
    for (auto _ : state) {
        std::ostringstream out, err;
        benchmark::DoNotOptimize(cli::RunCommandLine(words, out, err));
    }
}
BENCHMARK(SweepCommand)->Unit(benchmark::kMillisecond);

// The whole `stepdown-cli verify` with the worked example's parts on the same
// 200 designs at full load, N 1000, NI 2000 (range 0), to set against
// `RandomDesignRuns/0`, the plain loop of NI 20000 on each; or only the
// converter as built on each (range 1). Reports the median design.
void VerifyCommandWithParts(benchmark::State& state) {
    const bool alone = state.range(0) != 0;
    static const std::vector<std::map<std::string, std::string>> designs = RandomDesignFields(200);
    PartValues parts;
    parts.ESR = 0.05;
    parts.DCR = 0.1;
    parts.Rds = 0.05;
    parts.tr = parts.tf = 50e-9;
    std::vector<double> seconds;
    for (auto _ : state) {
        seconds.clear();
        for (const std::map<std::string, std::string>& texts : designs) {
            const std::vector<std::string> words{"verify",
                                                 "--vi",
                                                 texts.at("Text7"),
                                                 "--d",
                                                 texts.at("Text8"),
                                                 "--f",
                                                 texts.at("Text12"),
                                                 "--l",
                                                 texts.at("Text9"),
                                                 "--c",
                                                 texts.at("Text10"),
                                                 "--rl",
                                                 texts.at("Text11"),
                                                 "--ni",
                                                 "2000",
                                                 "--esr",
                                                 "50",
                                                 "--dcr",
                                                 "100",
                                                 "--rds",
                                                 "50",
                                                 "--tr",
                                                 "50",
                                                 "--tf",
                                                 "50"};
            const auto read = [&](const char* box) { return ParseNumber(texts.at(box)); };
            const CircuitValues circuit{read("Text7"),         read("Text8") * 0.01,
                                        read("Text12") * 1000, read("Text9") * 1e-6,
                                        read("Text10") * 1e-6, read("Text11")};
            std::ostringstream out, err;
            const auto start = std::chrono::steady_clock::now();
            if (alone)
                benchmark::DoNotOptimize(Analyze(circuit, parts).VoMean);
            else
                benchmark::DoNotOptimize(cli::RunCommandLine(words, out, err));
            seconds.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
    }
    std::nth_element(seconds.begin(), seconds.begin() + 100, seconds.end());
    state.counters["median_ms"] = seconds[100] * 1000;
}
BENCHMARK(VerifyCommandWithParts)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);

// The synchronous worked example with every loss (Arg 0), and its thermal
// fixed point with the three parts' resistances and D' for 14.5 V (Arg 1).
void SynchronousStage(benchmark::State& state) {
    const CircuitValues circuit{25, 0.6, 80e3, 125e-6, 15.625e-6, 10};
    PartValues p;
    p.rectifier = Rectifier::Synchronous;
    p.ESR = 0.05, p.DCR = 0.1, p.Rds = 0.05, p.RdsLo = 0.02, p.Vf = 0.8, p.Rd = 0.01;
    p.td1 = p.td2 = 50e-9, p.tr = p.tf = 20e-9, p.CossHi = 300e-12, p.CossLo = 500e-12;
    p.Qrr = 30e-9, p.Qg = 10e-9, p.QgLo = 15e-9, p.Vdrv = 5;
    p.RthHigh = 60, p.RthLow = 60, p.RthInductor = 40;
    for (auto _ : state)
        if (state.range(0) == 0)
            benchmark::DoNotOptimize(Analyze(circuit, p).powers.efficiency);
        else
            benchmark::DoNotOptimize(ThermalFixedPoint(circuit, p, 14.5, {}).highSide.tj);
}
BENCHMARK(SynchronousStage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace stepdown

// The closed-loop netlist's export, which the loop window runs on a click:
// the settling of the switched loop it starts from, and the whole export of
// 20 periods from that state or of a start from rest with a load step. The
// circuits are the worked example (fc 8 kHz) and a 12 V to 3.3 V converter
// at 300 kHz whose slowest mode is a smaller share of a period. Then the
// netlist of the converter as built, open loop.

#include <benchmark/benchmark.h>

#include "control/CompensatorDesign.h"
#include "control/ImpedanceLoop.h"
#include "netlist/ClosedLoopNetlist.h"
#include "netlist/SpiceNetlist.h"

namespace stepdown {
namespace {

LoopCircuit Circuit(int which) {
    LoopCircuit loop = test::WorkedExampleLoop();
    if (which == 1) {
        loop.circuit = {12, 0, 300e3, 15e-6, 47e-6, 1.65};
        loop.parts.ESR = 0.01;
        loop.compensator.Rb = 10e3 * 2.5 / (3.3 - 2.5);
    }
    loop.compensator = DesignCompensator(loop, {loop.circuit.f / 10, 60, {}}).compensator.value();
    return loop;
}

void SettleTheLoop(benchmark::State& state) {
    const LoopCircuit loop = Circuit(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(SettledClosedLoop(loop).has_value());
}
BENCHMARK(SettleTheLoop)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// 20 periods from the settled loop, or 8 ms from rest with soft-start over
// 1 ms and the load halved at 5 ms.
void ExportTheNetlist(benchmark::State& state) {
    const LoopCircuit loop = Circuit(0);
    const TransientRequest request = state.range(0) == 0
                                         ? TransientRequest{0, {}, {}, {}, {}, 20 / 80e3}
                                         : TransientRequest{1e-3, 5, 5e-3, {}, {}, 8e-3};
    for (auto _ : state) benchmark::DoNotOptimize(ExportClosedLoop(loop, request).netlist.size());
    state.counters["bytes"] = static_cast<double>(ExportClosedLoop(loop, request).netlist.size());
}
BENCHMARK(ExportTheNetlist)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The converter as built: the export only formats the steady state the
// analysis already found (the worked example with its parts).
void WriteTheConverterNetlist(benchmark::State& state) {
    const CircuitValues c{25, 0.6, 80e3, 125e-6, 15.625e-6, 10};
    const PartValues parts{0.05, 0.1, 0.05, 0.6, 0, 50e-9, 50e-9};
    const RealPartsAnalysis analysis = Analyze(c, parts);
    for (auto _ : state) benchmark::DoNotOptimize(SpiceNetlist(c, parts, analysis).size());
}
BENCHMARK(WriteTheConverterNetlist)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace stepdown

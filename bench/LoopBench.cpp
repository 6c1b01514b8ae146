// The regulated converter: the averaged Bode plot with its crossover and
// margins, the whole loop command with a closed-loop run of 1000 periods
// beside the plain idealised loop of 1000 periods at N 1000, and the
// switched loop gain at 40 frequencies.

#include <benchmark/benchmark.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "control/ClosedLoop.h"
#include "control/CompensatorDesign.h"
#include "control/ImpedanceLoop.h"
#include "control/PeriodMultipliers.h"
#include "control/SwitchedLoopGain.h"
#include "engine/ConverterLoop.h"

namespace stepdown {
namespace {

LoopCircuit DesignedExample() {
    LoopCircuit loop = test::WorkedExampleLoop();
    loop.compensator = DesignCompensator(loop, {8e3, 60, {}}).compensator.value();
    return loop;
}

void AveragedBode(benchmark::State& state) {
    const LoopCircuit loop = DesignedExample();
    for (auto _ : state) benchmark::DoNotOptimize(AnalyseLoop(loop, 200));
}
BENCHMARK(AveragedBode)->Unit(benchmark::kMicrosecond);

// 1000 periods of 12.5 us: soft-start over 1 ms, a load step at 5 ms.
void LoopCommandTransient(benchmark::State& state) {
    const std::vector<std::string> args{
        "loop",   "--vi",  "25", "--vo",  "15", "--f",   "80",  "--l",    "125", "--c",
        "15.625", "--rl",  "10", "--esr", "50", "--dcr", "100", "--rds",  "50",  "--fc",
        "8",      "--tss", "1",  "--rl2", "5",  "--t1",  "5",   "--tend", "12.5"};
    for (auto _ : state) {
        std::ostringstream out, err;
        benchmark::DoNotOptimize(cli::RunCommandLine(args, out, err));
    }
}
BENCHMARK(LoopCommandTransient)->Unit(benchmark::kMillisecond);

// The same 1000 periods without the command around them: the integration
// alone, and the text the command writes of the same loop.
void ClosedLoopThousandPeriods(benchmark::State& state) {
    const LoopCircuit loop = DesignedExample();
    const TransientRequest request{1e-3, 5, 5e-3, {}, {}, 12.5e-3};
    for (auto _ : state) benchmark::DoNotOptimize(SimulateClosedLoop(loop, request).trace.size());
}
BENCHMARK(ClosedLoopThousandPeriods)->Unit(benchmark::kMillisecond);

void PlainEulerThousandPeriods(benchmark::State& state) {
    constexpr std::int32_t kN = 1000;
    const CircuitInputs inputs{25, 0.6, 1.0 / 80000 / kN, 125e-6, 15.63e-6, 10, kN};
    for (auto _ : state) {
        std::vector<double> iL(kN + 2), Vo(kN + 2), iC(kN + 2), Vd(kN + 2), id(kN + 2);
        SimulatePeriodsPlain(inputs, 1000, {iL.data(), Vo.data(), iC.data(), Vd.data(), id.data()});
        benchmark::DoNotOptimize(iL.data());
    }
}
BENCHMARK(PlainEulerThousandPeriods)->Unit(benchmark::kMillisecond);

void SwitchedGainForty(benchmark::State& state) {
    const LoopCircuit loop = DesignedExample();
    for (auto _ : state) benchmark::DoNotOptimize(SwitchedLoopGain(loop, 40).f.size());
}
BENCHMARK(SwitchedGainForty)->Iterations(2)->Unit(benchmark::kMillisecond);

// Peak-current mode on the worked example: Ri 0.5 V/A, Se 0.02 V/us, its
// Type II designed for 8 kHz and 60 degrees.
LoopCircuit PeakExample() {
    LoopCircuit loop = test::WorkedExampleLoop();
    loop.parts.Vf = 0.6;
    Modulator& m = loop.modulator;
    m.control = ControlMethod::PeakCurrent;
    m.Ri = 0.5;
    m.Se = 2e4;
    m.Ilim = 4.5;
    m.Vcmax = m.Ri * m.Ilim;
    loop.compensator = DesignCompensator(loop, {8e3, 60, 2}).compensator.value();
    return loop;
}

void PeakAveragedBode(benchmark::State& state) {
    const LoopCircuit loop = PeakExample();
    for (auto _ : state) benchmark::DoNotOptimize(AnalyseLoop(loop, 200));
}
BENCHMARK(PeakAveragedBode)->Unit(benchmark::kMicrosecond);

void PeakMultipliers(benchmark::State& state) {
    const LoopCircuit loop = PeakExample();
    for (auto _ : state) benchmark::DoNotOptimize(ClosedLoopMultipliers(loop).absMax);
}
BENCHMARK(PeakMultipliers)->Unit(benchmark::kMillisecond);

// Below the ramp that suffices: the multipliers and the search for that ramp.
void PeakMultipliersSubharmonic(benchmark::State& state) {
    LoopCircuit loop = PeakExample();
    loop.modulator.Se = 1.4e4;
    for (auto _ : state) benchmark::DoNotOptimize(ClosedLoopMultipliers(loop).sufficientSe);
}
BENCHMARK(PeakMultipliersSubharmonic)->Unit(benchmark::kMillisecond);

void PeakLoopCommandTransient(benchmark::State& state) {
    const std::vector<std::string> args{
        "loop",   "--vi",      "25",   "--vo",  "15",  "--f",   "80",   "--l",    "125", "--c",
        "15.625", "--rl",      "10",   "--esr", "50",  "--dcr", "100",  "--rds",  "50",  "--vf",
        "0.6",    "--control", "peak", "--ri",  "0.5", "--se",  "0.02", "--fc",   "8",   "--type",
        "2",      "--tss",     "1",    "--rl2", "5",   "--t1",  "5",    "--tend", "12.5"};
    for (auto _ : state) {
        std::ostringstream out, err;
        benchmark::DoNotOptimize(cli::RunCommandLine(args, out, err));
    }
}
BENCHMARK(PeakLoopCommandTransient)->Unit(benchmark::kMillisecond);

// The worked example over a synchronous stage with dead times of 50 ns: the
// low side's two scheduled instants a period on top of the switching.
void SynchronousLoopCommandTransient(benchmark::State& state) {
    const std::vector<std::string> args{
        "loop",  "--vi",   "25",    "--vo",   "15",    "--f",         "80",    "--l",      "125",
        "--c",   "15.625", "--rl",  "10",     "--esr", "50",          "--dcr", "100",      "--rds",
        "50",    "--vf",   "0.8",   "--rd",   "10",    "--rectifier", "sync",  "--rds-lo", "20",
        "--td1", "50",     "--td2", "50",     "--fc",  "8",           "--tss", "1",        "--rl2",
        "5",     "--t1",   "5",     "--tend", "12.5"};
    for (auto _ : state) {
        std::ostringstream out, err;
        benchmark::DoNotOptimize(cli::RunCommandLine(args, out, err));
    }
}
BENCHMARK(SynchronousLoopCommandTransient)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace stepdown

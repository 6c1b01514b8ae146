// "Esporta relazione…" builds its content on the click: the design alone,
// then with the converter as built and the standard parts, then with the
// regulated converter and its step response, which cost the most.

#include <benchmark/benchmark.h>

#include "report/DesignReport.h"

namespace stepdown {
namespace {

DesignFile Texts(int level) {
    using G = QuantityGroup;
    DesignFile file;
    SetSection(
        file, G::Design,
        {{"vi", "25"}, {"vo", "15"}, {"f", "80"}, {"ripple", "40"}, {"dvo", "60"}, {"io", "1.5"}});
    SetSection(
        file, G::Verification,
        {{"vi", "25"}, {"d", "60"}, {"f", "80"}, {"l", "125"}, {"c", "15.625"}, {"rl", "10"}});
    if (level >= 1) {
        SetSection(file, G::Parts, {{"esr", "50"}, {"dcr", "100"}, {"rds", "50"}});
        SetSection(file, G::Selection, {{"tol-l", "20"}, {"tol-c", "10"}});
    }
    if (level >= 2)
        SetSection(file, G::Loop, {{"fc", "8"}, {"tss", "1"}, {"rl2", "5"}, {"t1", "5"}});
    return file;
}

void BuildTheReport(benchmark::State& state) {
    const ReportInputs inputs{.texts = Texts(static_cast<int>(state.range(0)))};
    for (auto _ : state) benchmark::DoNotOptimize(BuildDesignReport(inputs).sections.size());
    state.counters["sections"] = static_cast<double>(BuildDesignReport(inputs).sections.size());
}
BENCHMARK(BuildTheReport)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace stepdown

// The "Grafici" click on the real windows at the defaults: checks,
// simulation, extremes, figures and the drawing into the plot's image, with
// the Qt widgets offscreen. Set against the plain period loop alone, which
// SimulationBench measures. Then the recompute of the window "Componenti
// reali" on the worked example with the parts of its screenshot, with and
// without painting the window. Then the update of the window "Scelta dei
// componenti" on the worked example with those parts and Vi from 20 to 30 V:
// the standard values, 8 corners and 3 x 50 loads at N 1000.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <QPushButton>

#include <memory>

#include "design/DesignCalculation.h"
#include "model/Module1.h"
#include "ui/ChoiceWindow.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/RealPartsWindow.h"

namespace {

void GraficiClickOnTheWindows(benchmark::State& state) {
    stepdown::Module1 module;
    stepdown::SideWindowTexts sideTexts;
    stepdown::Form1 form1(module, sideTexts, QLocale(QLocale::English));
    stepdown::ExampleData(form1);
    stepdown::DesignCalculation(module, form1);
    auto* grafici = form1.findChild<QPushButton*>(QStringLiteral("Command2"));
    grafici->click();  // the first click creates the waveform window
    for (auto _ : state) grafici->click();
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<stepdown::Form2*>(widget) != nullptr) delete widget;
}
BENCHMARK(GraficiClickOnTheWindows)->Unit(benchmark::kMillisecond);

// state.range(0): 1 paints the whole window after each recompute.
void RealPartsRecompute(benchmark::State& state) {
    stepdown::Module1 module;
    stepdown::SideWindowTexts sideTexts;
    stepdown::PartTexts& parts = sideTexts.parts;
    parts.esr = parts.rds = parts.tr = parts.tf = "50";
    parts.dcr = "100";
    stepdown::Form1 form1(module, sideTexts, QLocale(QLocale::Italian));
    stepdown::ExampleData(form1);
    stepdown::DesignCalculation(module, form1);
    form1.ShowRealPartsWindow();
    stepdown::RealPartsWindow* window = form1.OpenRealPartsWindow();
    QPushButton* recompute = window->RecomputeButton();
    for (auto _ : state) {
        recompute->click();
        if (state.range(0) == 1) benchmark::DoNotOptimize(window->grab());
    }
}
BENCHMARK(RealPartsRecompute)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// state.range(0): 1 paints the whole window after each update.
void ChoiceWindowUpdate(benchmark::State& state) {
    stepdown::Module1 module;
    stepdown::SideWindowTexts sideTexts;
    stepdown::PartTexts& parts = sideTexts.parts;
    parts.esr = parts.rds = parts.tr = parts.tf = "50";
    parts.dcr = "100";
    sideTexts.choice.viMin = "20";
    sideTexts.choice.viMax = "30";
    stepdown::Form1 form1(module, sideTexts, QLocale(QLocale::Italian));
    stepdown::ExampleData(form1);
    stepdown::DesignCalculation(module, form1);
    form1.ShowChoiceWindow();
    stepdown::ChoiceWindow* window = form1.OpenChoiceWindow();
    QPushButton* update = window->UpdateButton();
    for (auto _ : state) {
        update->click();
        if (state.range(0) == 1) benchmark::DoNotOptimize(window->grab());
    }
    state.counters["loads"] = static_cast<double>(window->Study().sweep.size());
}
BENCHMARK(ChoiceWindowUpdate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#pragma once
// The start-up window "Avviamento e regime": the envelope of iL and Vo from
// rest to the end of a completed run against their steady-state bands, the
// start-up summary and the comparison of the design, the last period and
// the steady state. A top-level window that deletes itself when closed; it
// can save the chart as a PNG image and export the envelope as CSV.

#include <QLocale>
#include <QString>
#include <QWidget>

#include <memory>

#include "ui/ChartWindowFrame.h"
#include "verification/SimulationRun.h"

namespace stepdown {

class StartupWindow : public ChartWindowFrame {
    Q_OBJECT

public:
    // `run` must hold an analysis. `locale` gives the decimal separator of
    // every number shown. With a parent the window is still a top-level one,
    // deleted with its parent at the latest.
    StartupWindow(std::shared_ptr<const SimulationRun> run, const QLocale& locale,
                  QWidget* parent = nullptr);
    ~StartupWindow() override;

    const std::shared_ptr<const SimulationRun>& Run() const { return run_; }
    QTableWidget* Table() const { return table_; }
    QChartView* ChartView() const { return chartView_; }

    QAction* ExportCsvAction() const { return exportCsv_; }

    static inline const QString kTitle = QStringLiteral("Avviamento e regime");

private:
    void BuildChart(const RunAnalysis& analysis);

    std::shared_ptr<const SimulationRun> run_;
    QChartView* chartView_ = nullptr;
    QTableWidget* table_ = nullptr;
    QAction* exportCsv_ = nullptr;
};

}  // namespace stepdown

#pragma once
// The waveform window "Forme d'onda reali": the plot area, the five waveform
// selectors that double as the legend, the five measured figures and the
// pointer readout. An independent top-level window that deletes itself when
// closed; its owner keeps a QPointer and makes a new one for the next run.
// The plot's context menu saves the plot as a PNG image, exports the shown
// run's final period as CSV, opens the start-up window about the run and
// asks for the window of the converter as built.

#include <QLocale>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/WindowOperations.h"
#include "ui/FileExport.h"
#include "verification/SimulationRun.h"

class QAction;
class QButtonGroup;
class QLabel;
class QRadioButton;

namespace Ui {
class Form2;
}

namespace stepdown {

class PlotArea;
class StartupWindow;

class Form2 : public QWidget, public WaveformWindowOperations {
    Q_OBJECT

public:
    // `locale` gives the decimal separator of the readout's numbers.
    explicit Form2(const QLocale& locale = QLocale::system());
    ~Form2() override;

    void ShowWindow() override;
    void ResetPlot() override;
    void SetUserScale(double left, double top, double right, double bottom) override;
    void DrawLine(const PlotSegment& segment) override;
    void DrawLine(const PlotSegment& segment, Rgb colour) override;
    void DrawSegments(const std::vector<PlotSegment>& segments, Rgb colour) override;
    int PlotWidthPixels() const override;
    int PlotHeightPixels() const override;
    void SetCaption(std::string_view label, const std::string& caption) override;
    void SetShownRun(std::shared_ptr<const SimulationRun> run) override;

    PlotArea* Plot() const;
    // 1..5 for Option1..Option5, 0 while none is selected.
    int SelectedOption() const;
    const std::shared_ptr<const SimulationRun>& ShownRun() const { return run_; }

    using SaveFileNameProvider = stepdown::SaveFileNameProvider;
    // Replaces the standard save dialog, so that a test can export without it.
    void SetSaveFileNameProvider(SaveFileNameProvider provider);

    // What opens the window of the converter as built, on the main window's
    // verification fields; without it the menu's entry stays disabled.
    void SetRealPartsOpener(std::function<void()> open);

    // What exports the netlist of the converter as built, on the main
    // window's verification fields, over the given window with the given
    // dialog; without it the menu's entry stays disabled.
    using NetlistExporter = std::function<void(QWidget*, const SaveFileNameProvider&)>;
    void SetNetlistExporter(NetlistExporter exporter);

    // The entries of the plot's context menu. Exporting the data and the
    // converter as built are possible only while the window shows a run,
    // the start-up window only while it shows a completed one.
    QAction* SaveImageAction() const { return saveImage_; }
    QAction* ExportCsvAction() const { return exportCsv_; }
    QAction* StartupAction() const { return startup_; }
    QAction* RealPartsAction() const { return realParts_; }
    QAction* ExportNetlistAction() const { return exportNetlist_; }

    // The start-up window opened from here, or null when there is none. A
    // later completed run takes its place in it.
    StartupWindow* OpenStartupWindow() const;

    static inline const QString kSaveImageText = QStringLiteral("Salva grafico come immagine…");
    static inline const QString kExportCsvText = QStringLiteral("Esporta dati (CSV)…");
    static inline const QString kStartupText = QStringLiteral("Avviamento e regime…");
    static inline const QString kRealPartsText = QStringLiteral("Componenti reali…");

private:
    void OnPointerMoved(float x, float y, QPoint globalPosition);
    void OnPlotContextMenu(const QPoint& position);
    void SaveImage();
    void ExportCsv();
    void ShowStartupWindow();
    // A new start-up window about the shown run, where the old one was.
    void ReplaceStartupWindow(bool activate);

    std::unique_ptr<Ui::Form2> ui_;
    QButtonGroup* options_ = nullptr;
    QLocale locale_;
    std::string separator_;
    std::shared_ptr<const SimulationRun> run_;
    QAction* saveImage_ = nullptr;
    QAction* exportCsv_ = nullptr;
    QAction* startup_ = nullptr;
    QAction* realParts_ = nullptr;
    QAction* exportNetlist_ = nullptr;
    std::function<void()> openRealParts_;
    NetlistExporter netlistExporter_;
    QPointer<StartupWindow> startupWindow_;
    SaveFileNameProvider saveFileName_;
};

}  // namespace stepdown

#pragma once
// The window "Anello di controllo": the converter as built, regulated by a
// voltage-mode controller. The controller's fields come from its table of
// quantities; the circuit from the verification fields and the parts from
// the "Componenti reali" store. "Progetta" designs the compensator for the
// target fc and phase margin, "Valori standard" rounds it onto the series,
// "Calcola" analyses what the fields hold: the Bode plot of T, Gvd and Gc,
// the margins and, with a soft-start or a step, the switched step response.
// It hides when closed, so that its fields keep what was typed; the fields
// follow a store of texts the design file saves and restores.

#include <QLocale>
#include <QString>
#include <QWidget>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "control/ClosedLoop.h"
#include "control/ControlQuantities.h"
#include "control/LoopAnalysis.h"
#include "control/LoopAssembly.h"
#include "control/SwitchedLoopGain.h"
#include "model/Module1.h"
#include "realparts/PartTexts.h"
#include "ui/ChartWindowFrame.h"
#include "ui/SlotGuard.h"

class QChart;
class QTabWidget;

namespace stepdown {

class LoopWindow : public ChartWindowFrame {
    Q_OBJECT

public:
    // `module`, `fields` (the main window), `parts` and `store` must outlive
    // the window; `store` holds the controller's texts, typed or designed.
    LoopWindow(const Module1& module, const MainWindowOperations& fields, const PartTexts& parts,
               ControlTexts& store, const QLocale& locale, QWidget* parent);
    ~LoopWindow() override;

    QLineEdit* Field(std::string_view key) const;
    // The store's texts into the fields, after a file or "Nuovo" replaced them.
    void ShowLoopTexts();
    QPushButton* DesignButton() const { return design_; }
    QPushButton* StandardButton() const { return standard_; }
    QPushButton* CalculateButton() const { return calculate_; }
    QPushButton* SwitchedButton() const { return switched_; }
    QChartView* BodeChart() const { return bodeChart_; }
    QChartView* StepChart() const { return stepChart_; }
    QLabel* Figures() const { return figures_; }

    // Analyses what the fields hold; a refusal in the program's message box.
    void Calculate();

    QAction* ExportCsvAction() const { return exportCsv_; }
    QAction* ExportNetlistAction() const { return exportNetlist_; }

    static inline const QString kTitle = QStringLiteral("Anello di controllo");

private:
    QWidget* BuildFields();
    QWidget* BuildExplanation();
    // The fields read and the loop set up, or the refusal.
    LoopSetup Read(LoopAsk ask = {}) const;
    void WriteNetwork(const Compensator& c);
    void Design();
    void UseStandardValues();
    void AddSwitched();
    void ShowAll();
    void ShowFigures();
    // Magnitude and phase of T, Gvd and Gc at each frequency of the chart.
    std::string BodeCsv() const;
    QString Number(double value) const;

    // Charts, in LoopCharts.cpp.
    QChart* NewBodeChart() const;
    QChart* NewStepChart() const;

    const Module1& module_;
    const MainWindowOperations& fields_;
    const PartTexts& parts_;
    ControlTexts& store_;
    SlotGuard guard_{[this](const std::string& text) { ShowMessage(text); }};

    std::vector<QLineEdit*> edits_;
    QComboBox* control_ = nullptr;  // the control method's word
    QPushButton* design_ = nullptr;
    QPushButton* standard_ = nullptr;
    QPushButton* calculate_ = nullptr;
    QPushButton* switched_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QChartView* bodeChart_ = nullptr;
    QChartView* stepChart_ = nullptr;
    QLabel* figures_ = nullptr;
    QAction* exportCsv_ = nullptr;
    QAction* exportNetlist_ = nullptr;

    LoopCircuit loop_;
    double askedVo_ = 0;  // V, what the divider was asked for
    std::optional<LoopAnalysis> analysis_;
    std::optional<TransientRequest> request_;  // the step response asked, if any
    std::optional<TransientResult> transient_;
    std::optional<SwitchedBode> switchedBode_;
};

}  // namespace stepdown

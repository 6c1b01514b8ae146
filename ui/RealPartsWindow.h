#pragma once
// The window "Componenti reali": the converter as built, with the losses of
// its parts, at the circuit of the verification fields. The part values are
// typed in a form; "Ricalcola" or Enter in a field recomputes. It shows the
// steady-state waveforms, the loss breakdown with the efficiency, the stress
// table, the operating figures and the duty cycle D' that gives the design's
// Vo, which "Usa D′" writes into the field D. A top-level window, child of
// the main window, that deletes itself when closed; the part texts live in
// the store the application owns, so they outlive it.

#include <QLocale>
#include <QString>
#include <QWidget>

#include <string_view>

#include "model/Module1.h"
#include "realparts/PartTexts.h"
#include "realparts/RealPartsStudy.h"
#include "ui/ChartWindowFrame.h"

namespace stepdown {

// What the window shows of the main window's texts and the part texts: aimed
// at the last design made here while the fields hold it, else at the one the
// design texts give, as a design opened from a file and its report have it.
RealPartsStudy StudyShownTexts(const Module1& module, const InputTexts& texts,
                               const PartTexts& parts);

class RealPartsWindow : public ChartWindowFrame {
    Q_OBJECT

public:
    // `module`, `fields` (the main window) and `store` must outlive the
    // window.
    RealPartsWindow(Module1& module, MainWindowOperations& fields, PartTexts& store,
                    const QLocale& locale, QWidget* parent);
    ~RealPartsWindow() override;

    // The part fields from the store, as the window opens.
    void ShowPartTexts();
    // Reads the verification fields and the part texts and shows what they
    // give; a refused field's message also in the program's message box.
    void Recompute();
    // Shows the note that the figures are no longer those of the texts,
    // while the design, verification or part texts differ from those they
    // were computed on.
    void NoteChangedInputs();

    const RealPartsStudy& Study() const { return study_; }
    QLineEdit* PartEdit(std::string_view key) const;
    // The choice of a word row (rectifier, lsmode), by its key.
    QComboBox* PartChoice(std::string_view key) const;
    QPushButton* RecomputeButton() const { return recompute_; }
    QLabel* ChangedInputsNote() const { return changedNote_; }
    QPushButton* UseDutyButton() const { return useDuty_; }
    QChartView* WaveformChart() const { return waveformChart_; }
    QLabel* Efficiency() const { return efficiency_; }
    QTableWidget* StressView() const { return stressTable_; }
    // The value label of a summary line by its caption, null when not shown.
    QLabel* SummaryValue(const QString& caption) const;
    QAction* ExportCsvAction() const { return exportCsv_; }
    QAction* ExportNetlistAction() const { return exportNetlist_; }

    static inline const QString kTitle = QStringLiteral("Componenti reali");

private:
    QWidget* BuildPartsForm();
    QLineEdit* NewPartEdit(const PartField& field, QWidget* page);
    QComboBox* NewPartChoice(const PartField& field, QWidget* page);
    QWidget* BuildFigures();
    void ShowFigures();
    void ShowWaveforms();
    void ShowLosses();
    void ShowStresses();
    void ShowSummary();
    void UseDuty();

    Module1& module_;
    MainWindowOperations& fields_;
    PartTexts& store_;
    RealPartsStudy study_;
    // The texts study_ was computed on.
    InputTexts studiedTexts_;
    PartTexts studiedParts_;

    std::vector<QLineEdit*> partFields_;
    std::vector<std::pair<QComboBox*, std::string PartTexts::*>> partChoices_;
    QPushButton* recompute_ = nullptr;
    QLabel* changedNote_ = nullptr;
    QGroupBox* summaryBox_ = nullptr;
    QWidget* summary_ = nullptr;
    QPushButton* useDuty_ = nullptr;
    QChartView* waveformChart_ = nullptr;
    QChartView* lossChart_ = nullptr;
    QLabel* efficiency_ = nullptr;
    QTableWidget* stressTable_ = nullptr;
    QAction* exportCsv_ = nullptr;
    QAction* exportNetlist_ = nullptr;
};

}  // namespace stepdown

#pragma once
// The window "Scelta dei componenti": from the L and C of the last design
// shown to parts one can buy. It rounds them onto a standard series, checks
// the standard values against the design's requirements on the converter as
// built (with the part values of the window "Componenti reali"), shows the
// worst case over the parts' tolerances and the input and load ranges, and
// charts the efficiency, the output ripple and the peak inductor current
// against the load. "Usa questi valori" writes the standard L and C into the
// verification fields. A top-level window, child of the main window, that
// deletes itself when closed; its texts live in the store the application
// owns, so they outlive it.

#include <QLocale>
#include <QString>
#include <QWidget>

#include <array>
#include <string_view>
#include <vector>

#include "componentchoice/ChoiceStudy.h"
#include "model/Module1.h"
#include "ui/ChartWindowFrame.h"
#include "ui/SideWindowTexts.h"

namespace stepdown {

class ChoiceWindow : public ChartWindowFrame {
    Q_OBJECT

public:
    // `module`, `fields` (the main window) and `store` must outlive the
    // window.
    ChoiceWindow(Module1& module, MainWindowOperations& fields, SideWindowTexts& store,
                 const QLocale& locale, QWidget* parent);
    ~ChoiceWindow() override;

    // The fields from the store, as the window opens.
    void ShowChoiceTexts();
    // Reads the last design, the choices and the part values and shows what
    // they give; a refused text's message also in the program's message box.
    void Update();

    const ChoiceStudy& Study() const { return study_; }
    QComboBox* SeriesBox() const { return series_; }
    QComboBox* RoundingBox() const { return rounding_; }
    // The field of a choice by its design-file key, null for none.
    QLineEdit* ChoiceEdit(std::string_view key) const;
    QPushButton* UpdateButton() const { return update_; }
    QPushButton* UseValuesButton() const { return useValues_; }
    QTableWidget* CheckView() const { return checkTable_; }
    QTableWidget* CornerView() const { return cornerTable_; }
    QLabel* Verdict() const { return verdict_; }
    // Efficiency, output ripple, peak inductor current.
    const std::array<QChartView*, 3>& SweepCharts() const { return charts_; }

    QAction* ExportCornersAction() const { return exportCorners_; }
    QAction* ExportSweepAction() const { return exportSweep_; }

    static inline const QString kTitle = QStringLiteral("Scelta dei componenti");

private:
    QWidget* BuildChoicesForm();
    QWidget* BuildResults();
    void ShowResults();
    void ShowDesign();
    void ShowCheck();
    void ShowCorners();
    void ShowSweep();
    void UseValues();

    Module1& module_;
    MainWindowOperations& fields_;
    SideWindowTexts& store_;
    ChoiceStudy study_;
    // While the fields are filled from the store, their changes update nothing.
    bool showingTexts_ = false;

    QComboBox* series_ = nullptr;
    QComboBox* rounding_ = nullptr;
    std::vector<QLineEdit*> choiceFields_;
    QPushButton* update_ = nullptr;
    QLabel* design_ = nullptr;
    QGroupBox* checkBox_ = nullptr;
    QTableWidget* checkTable_ = nullptr;
    QPushButton* useValues_ = nullptr;
    QTableWidget* cornerTable_ = nullptr;
    QLabel* verdict_ = nullptr;
    QWidget* chartArea_ = nullptr;
    std::array<QChartView*, 3> charts_{};
    QAction* exportCorners_ = nullptr;
    QAction* exportSweep_ = nullptr;
};

}  // namespace stepdown

#pragma once
// The frame the chart windows share: a top-level window of the program
// (its icon, title and size), the page of figures with the explanation
// page that takes its place when there is nothing to show, a row of export
// buttons that the same actions offer on a right click, "Ripristina zoom",
// and the program's message box. A window builds its own fields and
// figures and hands them to the frame, which lays them out in two columns
// that fit a laptop's screen; what it exports stays its own.

#include <QLocale>
#include <QSize>
#include <QStackedWidget>
#include <QString>
#include <QWidget>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "ui/FileExport.h"

// With the widgets the windows built on the frame hand out to their tests.
class QAction;
class QBoxLayout;
class QChartView;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace stepdown {

class ChartWindowFrame : public QWidget {
    Q_OBJECT

public:
    // What a window must fit, as it opens and shrunk to its least: a 1366×768
    // screen less a taskbar and the title bar. Each opens as high as this.
    static constexpr QSize kLargestSize{1366, 700};

    // Replaces the standard save dialog, so that a test can export without it.
    void SetSaveFileNameProvider(SaveFileNameProvider provider);
    // The explanation shown instead of the figures; empty while they show.
    QString Explanation() const;
    QAction* SaveImageAction() const { return saveImage_; }

signals:
    // A side window's field was typed into or designed: the store holds its
    // text, and the design has changed.
    void TextsEdited();

protected:
    // A window `width` wide and as high as the screen allows, that deletes
    // itself when closed unless `keptOpen`, whose owner then decides when it
    // goes. `locale` gives the decimal separator of every number shown.
    ChartWindowFrame(const QString& title, int width, const QLocale& locale, QWidget* parent,
                     bool keptOpen = false);

    // The fields on the left, scrolling up and down when the window is shorter
    // than they are but never narrower, and the figures taking the rest.
    QBoxLayout* Columns(QWidget* fields, QWidget* figures);
    // `column` in an area that scrolls up and down, as wide as the column wants.
    QWidget* Scrolling(QWidget* column);

    // The figures, and the explanation page that stands in for them.
    QStackedWidget* NewPages(QWidget* figures);
    void ShowFiguresPage();
    void ShowExplanation(const QString& text);

    // An export, as a button of the row and on the window's right click.
    QAction* NewExport(const QString& text, std::function<void()> run);
    // The row of the exports' buttons, then "Ripristina zoom" with its tip
    // when the window has zoomable charts (`resetZoom`).
    QBoxLayout* ExportRow(std::function<void()> resetZoom = {}, const QString& resetTip = {});

    // Zoom by the left button's rubber band, out by the right button.
    static void MakeZoomable(QChartView& view, bool several);

    void ShowMessage(const std::string& text);
    const SaveFileNameProvider& SaveFileName() const { return saveFileName_; }
    // Ask where to save, then write the whole file; nothing when cancelled.
    void ExportImage(const QString& suggestedName, QWidget& shown, bool several = false);
    void ExportCsv(const QString& caption, const QString& suggestedName,
                   const std::function<std::string()>& bytes);

    QLocale locale_;
    std::string separator_;         // the locale's decimal separator
    QAction* saveImage_ = nullptr;  // each window makes its own

private:
    QStackedWidget* pages_ = nullptr;
    QLabel* explanation_ = nullptr;
    std::vector<QAction*> exports_;
    SaveFileNameProvider saveFileName_;
};

}  // namespace stepdown

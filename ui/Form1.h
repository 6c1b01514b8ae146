#pragma once
// The main window "Convertitore step down": the schematic, the design inputs
// and results, the verification inputs and the three buttons. It owns no
// data: every click hands the window, through MainWindowOperations, to the
// logic, which reads and writes the controls by their object names. It also
// owns the waveform window's host, which opens Form2 on the first "Grafici",
// and the window of the converter as built, which its context menu (a right
// click on the background) and the waveform window's plot menu open, and the
// window of the component choice, which the context menu opens once a
// design has been computed. Its design document keeps the boxes in a design
// file: the context menu's file entries come first. A menu bar above the
// client area offers the same commands ("File", "Analisi") and a short guide
// ("Aiuto"), so that nothing is reachable only by a right click.

#include <QLocale>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>
#include <string_view>

#include "model/Module1.h"
#include "ui/ChoiceWindow.h"
#include "ui/DesignDocument.h"
#include "ui/Form2Host.h"
#include "ui/LoopWindow.h"
#include "ui/RealPartsWindow.h"
#include "ui/SideWindowTexts.h"
#include "ui/SlotGuard.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;

namespace Ui {
class Form1;
}

namespace stepdown {

class Form1 : public QWidget, public MainWindowOperations {
    Q_OBJECT

public:
    // `module` and `parts`, the part values of the converter as built, must
    // outlive the window. `locale` gives the decimal separator of the numbers
    // shown in the result labels and in the windows it opens.
    Form1(Module1& module, SideWindowTexts& sideTexts, const QLocale& locale = QLocale::system(),
          QWidget* parent = nullptr);
    ~Form1() override;

    std::string GetText(std::string_view textBox) const override;
    void SetText(std::string_view textBox, const std::string& text) override;
    void SetTextColour(std::string_view textBox, Rgb colour) override;
    void SetCaption(std::string_view label, const std::string& caption) override;
    std::string DecimalSeparator() const override;
    void ShowMessage(const std::string& text) override;

    // Opens the window "Componenti reali", or raises the open one; either
    // way it recomputes on the fields as they are.
    void ShowRealPartsWindow();
    // The open one, or null.
    RealPartsWindow* OpenRealPartsWindow() const { return realParts_.data(); }
    QAction* RealPartsAction() const { return realPartsAction_; }
    DesignDocument& Document() const { return *document_; }

    // Opens the window "Scelta dei componenti", or raises the open one;
    // either way it updates on the last design. Nothing before a design.
    void ShowChoiceWindow();
    ChoiceWindow* OpenChoiceWindow() const { return choice_.data(); }

    // Opens the window "Anello di controllo", or raises the one kept hidden.
    void ShowLoopWindow();
    LoopWindow* OpenLoopWindow() const { return loop_.data(); }

    QMenuBar* MenuBar() const { return menuBar_; }
    // How the window's handlers run: one at a time, exceptions as messages.
    SlotGuard& Guard() { return guard_; }
    // The client area below the menu bar, where the controls keep their
    // fixed places.
    int ClientTop() const;

protected:
    // Refused while unsaved changes are kept at the user's request.
    void closeEvent(QCloseEvent* event) override;

private slots:
    void onCommand1Clicked();
    void onCommand2Clicked();
    void onCommand3Clicked();
    void onContextMenuRequested(const QPoint& position);

private:
    QLineEdit* TextBox(std::string_view name) const;
    QLabel* Label(std::string_view name) const;
    // The entries of the background's context menu.
    void FillContextMenu(QMenu& menu);
    // The menu bar, and the controls moved below it as the window grows.
    void AddMenuBar();
    void ShowGuide();
    void ShowAbout();

    std::unique_ptr<Ui::Form1> ui_;
    Module1& module_;
    SideWindowTexts& sideTexts_;
    QLocale locale_;
    Form2Host waveformWindow_;
    QAction* realPartsAction_ = nullptr;
    QPointer<RealPartsWindow> realParts_;
    DesignDocument* document_ = nullptr;
    QAction* choiceAction_ = nullptr;
    QPointer<ChoiceWindow> choice_;
    QAction* loopAction_ = nullptr;
    QPointer<LoopWindow> loop_;
    QMenuBar* menuBar_ = nullptr;
    SlotGuard guard_{[this](const std::string& text) { ShowMessage(text); }};
};

}  // namespace stepdown

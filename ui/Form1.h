#pragma once
// The main window "Convertitore step down": the schematic, the design inputs
// and results, the verification inputs and the three buttons. It owns no
// data: every click hands the window, through MainWindowOperations, to the
// logic, which reads and writes the controls by their object names. It also
// owns the waveform window's host, which opens Form2 on the first "Grafici".

#include <QLocale>
#include <QWidget>

#include <memory>
#include <string>
#include <string_view>

#include "model/Module1.h"
#include "ui/Form2Host.h"

class QLabel;
class QLineEdit;

namespace Ui {
class Form1;
}

namespace stepdown {

class Form1 : public QWidget, public MainWindowOperations {
    Q_OBJECT

public:
    // `module` must outlive the window. `locale` gives the decimal separator
    // of the numbers shown in the result labels.
    explicit Form1(Module1& module, const QLocale& locale = QLocale::system(),
                   QWidget* parent = nullptr);
    ~Form1() override;

    std::string GetText(std::string_view textBox) const override;
    void SetText(std::string_view textBox, const std::string& text) override;
    void SetTextColour(std::string_view textBox, Rgb colour) override;
    void SetCaption(std::string_view label, const std::string& caption) override;
    std::string DecimalSeparator() const override;
    void ShowMessage(const std::string& text) override;

private slots:
    void onCommand1Clicked();
    void onCommand2Clicked();
    void onCommand3Clicked();

private:
    QLineEdit* TextBox(std::string_view name) const;
    QLabel* Label(std::string_view name) const;

    std::unique_ptr<Ui::Form1> ui_;
    Module1& module_;
    QLocale locale_;
    Form2Host waveformWindow_;
};

}  // namespace stepdown

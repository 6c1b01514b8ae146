#pragma once
// Owns the waveform window on behalf of the main window: makes it, hidden,
// the first time it is asked for, and again after the user has closed it.
// Each one it makes gets the opener of the window of the converter as built
// and the exporter of its netlist.

#include <QLocale>
#include <QPointer>

#include <functional>

#include "model/WindowOperations.h"
#include "ui/Form2.h"

namespace stepdown {

class Form2Host : public WaveformWindowHost {
public:
    explicit Form2Host(const QLocale& locale = QLocale::system(),
                       std::function<void()> openRealParts = {});
    // The window is independent of its host: it stays open, and deletes
    // itself when the user closes it.
    ~Form2Host() override = default;
    Form2Host(const Form2Host&) = delete;
    Form2Host& operator=(const Form2Host&) = delete;

    WaveformWindowOperations& WaveformWindow() override;

    // What each window it makes is given to export the netlist with.
    void SetNetlistExporter(Form2::NetlistExporter exporter);

    // The open window, or null when there is none.
    Form2* Window() const { return window_.data(); }

private:
    QLocale locale_;
    std::function<void()> openRealParts_;
    Form2::NetlistExporter exportNetlist_;
    QPointer<Form2> window_;
};

}  // namespace stepdown

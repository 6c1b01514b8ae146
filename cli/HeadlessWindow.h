#pragma once
// The two windows without a screen, for the command-line tool: the main
// window keeps its texts and captions in memory and collects the messages it
// is asked to show; the waveform window keeps the captions and draws
// nothing: the command takes the run from the launch's result. Numbers are
// shown with a point, and text colours, which mean nothing without a screen,
// are dropped.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "designfile/DesignFileWindow.h"
#include "model/WindowOperations.h"
#include "verification/SimulationRun.h"

namespace stepdown::cli {

class HeadlessWaveformWindow : public WaveformWindowOperations {
public:
    void ShowWindow() override {}
    void ResetPlot() override {}
    void SetUserScale(double, double, double, double) override {}
    void DrawLine(const PlotSegment&) override {}
    void DrawLine(const PlotSegment&, Rgb) override {}
    void DrawSegments(const std::vector<PlotSegment>&, Rgb) override {}
    // Nothing is drawn, so the traces are reduced to a single pixel.
    int PlotWidthPixels() const override { return 1; }
    int PlotHeightPixels() const override { return 1; }
    void SetCaption(std::string_view label, const std::string& caption) override;
    void SetShownRun(std::shared_ptr<const SimulationRun>) override {}

    // The caption last written, or the empty text.
    std::string Caption(std::string_view label) const;

private:
    std::map<std::string, std::string, std::less<>> captions_;
};

// The main window's boxes, captions and messages as the report keeps them,
// and a waveform window.
class HeadlessMainWindow : public DesignFileWindow, public WaveformWindowHost {
public:
    // Every box starts at its start text in the design file's tables: Text13,
    // Text14 and Text15 with the window's "1000", "10", "2000", the others empty.
    HeadlessMainWindow() : DesignFileWindow(DesignFile{}, ".") {}

    // Made on first use, as the real window is.
    WaveformWindowOperations& WaveformWindow() override;

    // Null until the launch has asked for the waveform window.
    const HeadlessWaveformWindow* Waveform() const { return waveform_.get(); }

private:
    std::unique_ptr<HeadlessWaveformWindow> waveform_;
};

}  // namespace stepdown::cli

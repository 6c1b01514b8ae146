#pragma once
// The operations through which the logic reaches a window. The Qt windows
// implement them and the tests use a recording fake; the command and the
// report hand the same functions plain texts (InputTexts.h) instead. Controls
// are addressed by their object names, which model/MainWindowBoxes.h gives.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace stepdown {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

inline constexpr Rgb kBlack{0, 0, 0};   // palette index 0
inline constexpr Rgb kBlue{0, 0, 255};  // palette index 9

// Modal message box: the text, one OK button, no icon, the application title
// as caption. Returns once the user has closed it.
class MessageDisplay {
public:
    virtual ~MessageDisplay() = default;
    virtual void ShowMessage(const std::string& text) = 0;
};

// The messages of a click kept in the order they were told, for whoever
// shows them elsewhere (the command's standard error, a report's note).
class MessageList : public MessageDisplay {
public:
    void ShowMessage(const std::string& text) override { texts_.push_back(text); }
    const std::vector<std::string>& Texts() const { return texts_; }
    bool Empty() const { return texts_.empty(); }

private:
    std::vector<std::string> texts_;
};

// A straight segment in the plot's user units (0..100 both ways, y upwards).
struct PlotSegment {
    float x1 = 0.0F;
    float y1 = 0.0F;
    float x2 = 0.0F;
    float y2 = 0.0F;
};

struct SimulationRun;  // verification/SimulationRun.h

// The waveform window as the launch, the simulation and the plot see it.
// Option buttons are numbered 1..5 (Option1..Option5).
class WaveformWindowOperations {
public:
    virtual ~WaveformWindowOperations() = default;
    // Shows the window, modeless; the main window stays usable.
    virtual void ShowWindow() = 0;
    // Sets the plot's picture to the blank one: only the background remains.
    virtual void ResetPlot() = 0;
    virtual void SetUserScale(double left, double top, double right, double bottom) = 0;
    // One-pixel solid segments kept in the plot's retained image, in the
    // given colour or, without one, in the plot's foreground colour.
    virtual void DrawLine(const PlotSegment& segment) = 0;
    virtual void DrawLine(const PlotSegment& segment, Rgb colour) = 0;
    // Many segments of one colour in one call.
    virtual void DrawSegments(const std::vector<PlotSegment>& segments, Rgb colour) = 0;
    // Size of the plot's inner drawing area in device pixels.
    virtual int PlotWidthPixels() const = 0;
    virtual int PlotHeightPixels() const = 0;
    virtual void SetCaption(std::string_view label, const std::string& caption) = 0;
    // The run the window shows, for its cursor readout.
    virtual void SetShownRun(std::shared_ptr<const SimulationRun> run) = 0;
};

// Progress of a long run. Called between slices of the work; returning false
// cancels the run.
class ProgressReporter {
public:
    virtual ~ProgressReporter() = default;
    virtual bool Continue(std::int64_t stepsDone, std::int64_t stepsTotal) = 0;
};

// Whoever owns the waveform window: gives it, created hidden first if it
// does not exist.
class WaveformWindowHost {
public:
    virtual ~WaveformWindowHost() = default;
    virtual WaveformWindowOperations& WaveformWindow() = 0;
};

// The main window as the design calculation and the launch see it.
class MainWindowOperations : public MessageDisplay {
public:
    virtual std::string GetText(std::string_view textBox) const = 0;
    virtual void SetText(std::string_view textBox, const std::string& text) = 0;
    virtual void SetTextColour(std::string_view textBox, Rgb colour) = 0;
    virtual void SetCaption(std::string_view label, const std::string& caption) = 0;
    // The decimal separator of the user's regional settings ("," or ".").
    virtual std::string DecimalSeparator() const = 0;
};

}  // namespace stepdown

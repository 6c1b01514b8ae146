#pragma once
// The recording fakes: a waveform and a main window that record, in order, every operation
// the logic performs on them (the main one keeps its texts), and a recording progress reporter.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/MainWindowBoxes.h"
#include "model/WindowOperations.h"

namespace stepdown::testing {

struct RecordedLine {
    PlotSegment segment;
    bool hasColour = false;
    Rgb colour;
};

// One DrawSegments call: its colour and where its lines start in `lines`.
struct RecordedBatch {
    Rgb colour;
    std::size_t first = 0, count = 0;
};

class RecordingWaveformWindow : public WaveformWindowOperations {
public:
    void ShowWindow() override { log.push_back("show"); }
    void ResetPlot() override {
        lines.clear();
        batches.clear();
        log.push_back("reset");
    }
    void SetUserScale(double left, double top, double right, double bottom) override {
        scale = {left, top, right, bottom};
        log.push_back("scale");
    }
    void DrawLine(const PlotSegment& segment) override { lines.push_back({segment, false, {}}); }
    void DrawLine(const PlotSegment& segment, Rgb colour) override {
        lines.push_back({segment, true, colour});
    }
    void DrawSegments(const std::vector<PlotSegment>& segments, Rgb colour) override {
        batches.push_back({colour, lines.size(), segments.size()});
        for (const PlotSegment& segment : segments) lines.push_back({segment, true, colour});
        log.push_back("segments");
    }
    int PlotWidthPixels() const override { return widthPixels; }
    int PlotHeightPixels() const override { return 605; }
    void SetCaption(std::string_view label, const std::string& caption) override {
        captions[std::string(label)] = caption;
        log.push_back("caption " + std::string(label) + " " + caption);
    }
    void SetShownRun(std::shared_ptr<const SimulationRun> run) override {
        shownRun = std::move(run);
        log.push_back("run");
    }

    int widthPixels = 997;
    std::vector<double> scale;
    std::vector<RecordedLine> lines;
    std::vector<RecordedBatch> batches;
    std::map<std::string, std::string> captions;
    std::shared_ptr<const SimulationRun> shownRun;
    std::vector<std::string> log;
};

using Reports = std::vector<std::pair<std::int64_t, std::int64_t>>;  // (done, in all) steps

// A progress reporter that records every report and can cancel at the n-th.
class RecordingProgress : public ProgressReporter {
public:
    // Cancels at report number `cancelAt` (1-based); 0 never cancels.
    explicit RecordingProgress(int cancelAt = 0) : cancelAt_(cancelAt) {}

    bool Continue(std::int64_t stepsDone, std::int64_t stepsTotal) override {
        reports.emplace_back(stepsDone, stepsTotal);
        return cancelAt_ == 0 || static_cast<int>(reports.size()) < cancelAt_;
    }

    Reports reports;

private:
    int cancelAt_;
};

class RecordingWindow : public MainWindowOperations, public WaveformWindowHost {
public:
    explicit RecordingWindow(std::string separator = ".") : separator_(std::move(separator)) {
        for (const auto& [id, text] : StartTexts())
            if (!text.empty()) texts[std::string(BoxOf(id))] = text;
    }

    WaveformWindowOperations& WaveformWindow() override {
        if (!waveformWindowCreated) log.push_back("create waveform window");
        waveformWindowCreated = true;
        return waveform;
    }
    void ShowMessage(const std::string& text) override {
        messages.push_back(text);
        log.push_back("message " + text);
    }
    std::string GetText(std::string_view textBox) const override {
        const auto found = texts.find(std::string(textBox));
        return found == texts.end() ? std::string() : found->second;
    }
    void SetText(std::string_view textBox, const std::string& text) override {
        texts[std::string(textBox)] = text;
        log.push_back("text " + std::string(textBox) + " " + text);
    }
    void SetTextColour(std::string_view textBox, Rgb colour) override {
        colours[std::string(textBox)] = colour;
        log.push_back("colour " + std::string(textBox) + " " + std::to_string(colour.red) + "," +
                      std::to_string(colour.green) + "," + std::to_string(colour.blue));
    }
    void SetCaption(std::string_view label, const std::string& caption) override {
        log.push_back("caption " + std::string(label) + " " + caption);
    }
    std::string DecimalSeparator() const override { return separator_; }

    // Puts a text into a box as the user would, without recording it.
    void Type(const std::string& textBox, const std::string& text) { texts[textBox] = text; }
    // The same into the box of a quantity, and what that box holds and shows.
    void Type(QuantityId id, const std::string& text) { texts[std::string(BoxOf(id))] = text; }
    std::string Text(QuantityId id) const { return GetText(BoxOf(id)); }
    Rgb Colour(QuantityId id) const { return colours.at(std::string(BoxOf(id))); }

    std::map<std::string, std::string> texts;
    std::map<std::string, Rgb> colours;
    std::vector<std::string> messages;
    RecordingWaveformWindow waveform;
    bool waveformWindowCreated = false;
    std::vector<std::string> log;

private:
    std::string separator_;
};

}  // namespace stepdown::testing

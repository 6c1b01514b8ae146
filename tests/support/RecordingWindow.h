#pragma once
// A main window that keeps its texts in memory and records, in order, every
// operation the logic performs on it; and a progress reporter that records.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "model/WindowOperations.h"
#include "support/RecordingWaveformWindow.h"

namespace stepdown::testing {

// A progress reporter that records every report and can cancel at the n-th.
class RecordingProgress : public ProgressReporter {
public:
    // Cancels at report number `cancelAt` (1-based); 0 never cancels.
    explicit RecordingProgress(int cancelAt = 0) : cancelAt_(cancelAt) {}

    bool Continue(std::int64_t stepsDone, std::int64_t stepsTotal) override {
        reports.emplace_back(stepsDone, stepsTotal);
        return cancelAt_ == 0 || static_cast<int>(reports.size()) < cancelAt_;
    }

    std::vector<std::pair<std::int64_t, std::int64_t>> reports;

private:
    int cancelAt_;
};

class RecordingWindow : public MainWindowOperations, public WaveformWindowHost {
public:
    explicit RecordingWindow(std::string separator = ".") : separator_(std::move(separator)) {
        texts["Text13"] = "1000";
        texts["Text14"] = "10";
        texts["Text15"] = "2000";
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
        captions[std::string(label)] = caption;
        log.push_back("caption " + std::string(label) + " " + caption);
    }
    std::string DecimalSeparator() const override { return separator_; }

    // Puts a text into a box as the user would, without recording it.
    void Type(const std::string& textBox, const std::string& text) { texts[textBox] = text; }

    std::map<std::string, std::string> texts;
    std::map<std::string, std::string> captions;
    std::map<std::string, Rgb> colours;
    std::vector<std::string> messages;
    RecordingWaveformWindow waveform;
    bool waveformWindowCreated = false;
    std::vector<std::string> log;

private:
    std::string separator_;
};

}  // namespace stepdown::testing

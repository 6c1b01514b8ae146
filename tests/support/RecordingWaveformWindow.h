#pragma once
// A waveform window that records, in order, what the logic does to it.

#include <map>
#include <memory>
#include <string>
#include <vector>

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

}  // namespace stepdown::testing

// The click of "Grafici" over random texts in its nine fields, through the
// recording windows. Inputs whose simulation would take more than
// kStepBudget steps get a smaller NI so that each run stays short; the long
// runs themselves are bounded by the early stop and the progress reporter,
// which the hostile-input tests cover.

#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "model/Module1.h"
#include "simulation/CursorReadout.h"
#include "simulation/Launch.h"
#include "simulation/Simulation.h"
#include "support/RecordingProgress.h"
#include "support/RecordingWindow.h"

namespace {

using stepdown::fuzz::Require;

constexpr std::int64_t kStepBudget = 1'000'000;

// The fields in the order the launch reads them.
const std::vector<std::string> kBoxes{"Text7",  "Text8",  "Text12", "Text9", "Text10",
                                      "Text11", "Text13", "Text14", "Text15"};

std::optional<std::int32_t> CountOf(const std::string& text) {
    const stepdown::ParsedNumber parsed = stepdown::ParseNumberChecked(text);
    if (parsed.overflow) return std::nullopt;
    return stepdown::RoundToInteger(parsed.value);
}

// Keeps N x NI within the budget; false when one period alone exceeds it.
bool FitBudget(std::vector<std::string>& fields) {
    const std::optional<std::int32_t> N = CountOf(fields[6]);
    const std::optional<std::int32_t> NI = CountOf(fields[8]);
    if (!N || !NI || *N < 1 || *N > stepdown::kMaxSamplesPerPeriod || *NI < 1) return true;
    if (*N > kStepBudget) return false;
    if (std::int64_t{*N} * *NI > kStepBudget) fields[8] = std::to_string(kStepBudget / *N);
    return true;
}

// The tooltip over a shown run, at both edges and the middle of every band:
// a time and a value, both numbers.
void CheckReadout(const stepdown::SimulationRun& run) {
    for (const float x : {0.0F, 50.0F, 100.0F}) {
        for (const float y : {90.0F, 65.0F, 50.0F, 30.0F, 10.0F, 0.0F}) {
            const stepdown::ReadoutResult readout = stepdown::CursorReadout(&run, 1, x, y, ",");
            if (!readout.toolTip) continue;
            const std::string& text = *readout.toolTip;
            Require(!stepdown::fuzz::ShowsNonNumber(text), "nan or inf in the tooltip", text);
            const std::size_t usec = text.find("usec");
            Require(usec != std::string::npos && usec > 0 && text[usec - 1] >= '0' &&
                        text[usec - 1] <= '9',
                    "the tooltip's time is not a number", text);
            const std::size_t value = text.rfind("= ");
            Require(
                value != std::string::npos && value + 2 < text.size() &&
                    ((text[value + 2] >= '0' && text[value + 2] <= '9') || text[value + 2] == '-'),
                "the tooltip's value is not a number", text);
        }
    }
}

struct Outcome {
    std::vector<std::string> messages;
    std::map<std::string, std::string> captions;
};

Outcome Click(stepdown::Module1& module, stepdown::testing::RecordingWindow& window) {
    window.messages.clear();
    window.waveform.captions.clear();
    stepdown::testing::RecordingProgress progress;
    stepdown::LaunchVerification(module, window, window, progress);

    Require(window.messages.size() <= 1, "more than one message in one click");
    for (const std::string& message : window.messages)
        Require(!message.empty() && !stepdown::fuzz::ShowsNonNumber(message), "message", message);
    if (!window.waveformWindowCreated) {
        Require(window.messages.size() == 1, "a click that stops must say why");
        Require(window.waveform.captions.empty(), "a figure written without a run");
        return {window.messages, window.waveform.captions};
    }

    Require(module.N >= 1 && module.N <= stepdown::kMaxSamplesPerPeriod, "N beyond the arrays");
    Require(window.waveform.captions.size() == 5, "every figure label is written");
    for (const auto& [label, caption] : window.waveform.captions)
        stepdown::fuzz::RequireShownNumber(caption, label);

    // The plot stays finite, inside the frame and bounded by the width.
    const auto width = static_cast<std::size_t>(window.waveform.widthPixels);
    Require(window.waveform.lines.size() <= 30 + 5 * (3 * width + 2), "too many segments");
    for (const stepdown::testing::RecordedLine& line : window.waveform.lines) {
        for (const float x : {line.segment.x1, line.segment.x2})
            Require(std::isfinite(x) && x >= 0.0F && x <= 100.001F, "segment x outside the plot");
        for (const float y : {line.segment.y1, line.segment.y2})
            Require(std::isfinite(y) && y >= -20.0F && y <= 101.0F, "segment y outside the plot");
    }
    if (const auto& run = window.waveform.shownRun) {
        const auto size = static_cast<std::size_t>(run->N) + 2;
        for (const auto* wave :
             {&run->WaveIL, &run->WaveVo, &run->WaveIC, &run->WaveVd, &run->WaveId}) {
            Require(wave->size() == size, "a shown run's arrays do not hold N samples");
            // Index N + 1, one step past the period, is never shown or read.
            for (std::size_t i = 1; i + 1 < size; ++i)
                Require(std::isfinite((*wave)[i]), "a shown sample is not finite");
        }
        CheckReadout(*run);
    }
    return {window.messages, window.waveform.captions};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> fields = stepdown::fuzz::SplitFields(data, size, kBoxes.size());
    if (!FitBudget(fields)) return -1;  // not worth keeping in the corpus

    stepdown::Module1 module;
    stepdown::testing::RecordingWindow window;
    for (std::size_t i = 0; i < kBoxes.size(); ++i) window.Type(kBoxes[i], fields[i]);
    const Outcome first = Click(module, window);

    // A second click on the same inputs gives the same answer: each run
    // starts from rest, and the figures of a stopped run are the last ones.
    const Outcome second = Click(module, window);
    Require(first.messages == second.messages, "a second click says something else");
    Require(first.captions == second.captions, "a second click shows other figures");
    return 0;
}

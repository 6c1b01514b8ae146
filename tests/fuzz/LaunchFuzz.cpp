// The click of "Grafici" over random texts in its nine fields (one input cut
// at '\n'): it ends with exactly one message, or with a shown run followed at
// most by the warning that it has not settled, and shows no nan or inf in a
// message, a figure or the plot.
// N x NI is capped at kStepBudget steps; the memory test runs the longest.

#include <cctype>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "support/RecordingWindow.h"
#include "support/WorkedExample.h"
#include "verification/Launch.h"
#include "verification/Simulation.h"

namespace {

using stepdown::LaunchOutcome;
using stepdown::fuzz::Require;

constexpr std::int64_t kStepBudget = 1'000'000;
// The launch's nine fields in its order: N seventh, NI ninth.
const auto kFields = stepdown::testing::Typed("vi= d= f= l= c= rl= n= np= ni=");

void RequireNumbers(std::string text, std::string_view where) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    Require(!text.empty() && text.find("nan") == text.npos && text.find("inf") == text.npos,
            "an empty text, or nan or inf", where);
}

std::optional<std::int32_t> CountOf(const std::string& text) {
    const stepdown::ParsedNumber parsed = stepdown::ParseNumberChecked(text);
    return parsed.overflow ? std::nullopt : stepdown::RoundToInteger(parsed.value);
}

void Click(stepdown::testing::RecordingWindow& window) {
    stepdown::Module1 module;
    stepdown::testing::RecordingProgress progress;
    const stepdown::LaunchResult result =
        stepdown::LaunchVerification(module, window, window, progress);
    const LaunchOutcome outcome = result.outcome;

    Require(outcome != LaunchOutcome::Cancelled, "a run stopped that nobody cancelled");
    Require(window.messages.size() == (outcome == LaunchOutcome::Settled ? 0U : 1U),
            "one message, unless the run settled");
    for (const std::string& message : window.messages) RequireNumbers(message, message);
    if (outcome == LaunchOutcome::NotSettled)
        Require(window.messages[0].starts_with("Attenzione: "), "not the warning");
    if (outcome == LaunchOutcome::Settled || outcome == LaunchOutcome::NotSettled)
        Require(result.run && window.waveform.shownRun == result.run, "a completed run not shown");
    Require(window.waveform.captions.size() == (outcome == LaunchOutcome::InputRefused ? 0U : 5U),
            "the five figures after every run, and only then");
    for (const auto& [label, caption] : window.waveform.captions) RequireNumbers(caption, label);
    for (const stepdown::testing::RecordedLine& line : window.waveform.lines)
        for (const float v : {line.segment.x1, line.segment.y1, line.segment.x2, line.segment.y2})
            Require(std::isfinite(v), "a segment that is not finite");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    stepdown::testing::RecordingWindow window;
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        const std::size_t end = i + 1 == kFields.size() ? input.npos : input.find('\n');
        window.Type(kFields[i].first, std::string(input.substr(0, end)));
        input.remove_prefix(end == input.npos ? input.size() : end + 1);
    }
    const std::optional<std::int32_t> N = CountOf(window.Text(kFields[6].first));
    const std::optional<std::int32_t> NI = CountOf(window.Text(kFields[8].first));
    if (N && NI && *N >= 1 && *NI >= 1) {
        if (*N > kStepBudget) return *N > stepdown::kMaxSamplesPerPeriod ? 0 : -1;
        if (std::int64_t{*N} * *NI > kStepBudget)
            window.Type(kFields[8].first, std::to_string(kStepBudget / *N));
    }
    Click(window);
    return 0;
}

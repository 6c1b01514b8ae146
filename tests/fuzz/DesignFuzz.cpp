// The click of "Calcola" over random texts in its six fields, through the
// recording window, with both decimal separators.

#include <cstdint>
#include <set>
#include <string>

#include "design/DesignCalculation.h"
#include "fuzz/FuzzSupport.h"
#include "model/Module1.h"
#include "support/RecordingWindow.h"

namespace {

using stepdown::fuzz::Require;

void Click(const std::vector<std::string>& fields, const std::string& separator) {
    stepdown::testing::RecordingWindow window(separator);
    for (std::size_t i = 0; i < fields.size(); ++i)
        window.Type("Text" + std::to_string(i + 1), fields[i]);
    stepdown::Module1 module;
    stepdown::DesignCalculation(module, window);

    Require(window.messages.size() <= 1, "more than one message in one click");
    for (const std::string& message : window.messages)
        Require(!message.empty() && !stepdown::fuzz::ShowsNonNumber(message), "message", message);

    static const std::set<std::string> kLabels{"Label24", "Label25", "Label26", "Label27",
                                               "Label32"};
    static const std::set<std::string> kFields{"Text7", "Text12", "Text8",
                                               "Text9", "Text10", "Text11"};
    if (!window.messages.empty()) {
        // A refused click displays nothing.
        Require(window.captions.empty(), "a caption written by a refused click");
        for (const std::string& entry : window.log)
            Require(entry.rfind("message ", 0) == 0, "a refused click changed the window", entry);
        return;
    }
    Require(window.captions.size() == kLabels.size(), "every result label is written");
    for (const auto& [label, caption] : window.captions) {
        Require(kLabels.count(label) == 1, "an unexpected label", label);
        stepdown::fuzz::RequireShownNumber(caption, label);
    }
    for (const std::string& box : kFields) {
        const std::string& text = window.texts.at(box);
        stepdown::fuzz::RequireShownNumber(text, box);
        // The launch reads these fields back: they pass its check.
        Require(stepdown::ClassifyNumericText(text) == stepdown::FieldCheck::Passed,
                "a verification field fails the field check", box + ": " + text);
        Require(window.colours.at(box) == stepdown::kBlue, "a verification field not blue", box);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> fields = stepdown::fuzz::SplitFields(data, size, 6);
    Click(fields, ".");
    Click(fields, ",");
    return 0;
}

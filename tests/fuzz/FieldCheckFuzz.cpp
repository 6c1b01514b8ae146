// The character check: ClassifyNumericText's verdict against the alphabet,
// and Module1::CheckNumericField's message and flag against the verdict.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "model/Module1.h"

namespace {

class RecordingDisplay : public stepdown::MessageDisplay {
public:
    void ShowMessage(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

bool Accepted(char c) {
    return (c >= '0' && c <= '9') || c == 'e' || c == '.' || c == 'E' || c == '-' || c == '+';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using stepdown::FieldCheck;
    using stepdown::fuzz::Require;
    const std::string text(reinterpret_cast<const char*>(data), size);

    FieldCheck expected = FieldCheck::Passed;
    if (text.empty()) {
        expected = FieldCheck::Empty;
    } else {
        for (const char c : text)
            if (!Accepted(c)) expected = FieldCheck::InvalidCharacter;
    }
    Require(stepdown::ClassifyNumericText(text) == expected, "verdict differs from the alphabet");

    stepdown::Module1 module;
    module.ValidationFailed = 1;  // a passing check must reset it
    module.FieldText = text;
    module.ForgotMessage = "forgot";
    module.InvalidMessage = "invalid";
    RecordingDisplay display;
    module.CheckNumericField(display);

    Require(module.FieldText == text, "the check changed FieldText");
    switch (expected) {
    case FieldCheck::Passed:
        Require(module.ValidationFailed == 0 && display.shown.empty(), "a passing text failed");
        // Whatever passes the check is read by ParseNumber next.
        static_cast<void>(stepdown::ParseNumberChecked(text));
        break;
    case FieldCheck::Empty:
        Require(module.ValidationFailed == 1 && display.shown == std::vector<std::string>{"forgot"},
                "an empty text must show ForgotMessage once");
        break;
    case FieldCheck::InvalidCharacter:
        Require(
            module.ValidationFailed == 1 && display.shown == std::vector<std::string>{"invalid"},
            "a forbidden character must show InvalidMessage once");
        break;
    }
    return 0;
}

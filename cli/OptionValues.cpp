#include "cli/OptionValues.h"

#include "model/Conversions.h"
#include "model/Module1.h"

namespace stepdown::cli {

std::string InvalidValue(std::string_view option, std::string_view why) {
    return "il valore di --" + std::string(option) + " non è valido: " + std::string(why);
}

NumberOption ReadNumberOption(const ParsedArguments& arguments, std::string_view option,
                              std::string_view description) {
    if (!arguments.Has(option)) return {};
    const std::string text = arguments.ValueOr(option);
    switch (ClassifyNumericText(text)) {
    case FieldCheck::Empty:
        return {std::nullopt, InvalidValue(option, ForgotMessageFor(description))};
    case FieldCheck::InvalidCharacter:
        return {std::nullopt, InvalidValue(option, InvalidMessageFor(description))};
    case FieldCheck::Passed:
        break;
    }
    const ParsedNumber parsed = ParseNumberChecked(text);
    if (parsed.overflow)
        return {std::nullopt, InvalidValue(option, OverflowMessageFor(description))};
    return {parsed.value, {}};
}

NumberOption ReadPositiveOption(const ParsedArguments& arguments, std::string_view option,
                                std::string_view description, std::string_view refusal,
                                bool zeroAllowed) {
    NumberOption read = ReadNumberOption(arguments, option, description);
    if (read.value && !(*read.value > 0 || (zeroAllowed && *read.value == 0)))
        return {std::nullopt, InvalidValue(option, refusal)};
    return read;
}

}  // namespace stepdown::cli

#include "cli/OptionValues.h"

#include <utility>

#include "model/Conversions.h"
#include "model/Module1.h"

namespace stepdown::cli {

std::string InvalidValue(std::string_view option, std::string_view why) {
    return "il valore di --" + std::string(option) + " non è valido: " + std::string(why);
}

std::string FileRefusal(std::string_view path, std::string_view section, std::string_view key,
                        std::string_view why) {
    return "Nel file " + std::string(path) + " la chiave \"" + std::string(key) +
           "\" della sezione \"" + std::string(section) + "\" è rifiutata: " + std::string(why);
}

NumberText ReadNumberText(const std::string& text, std::string_view description) {
    FieldNumber read = ReadFieldNumber(text, description);
    return {read.value, std::move(read.message)};
}

NumberText ReadPositiveText(const std::string& text, std::string_view description,
                            std::string_view refusal) {
    NumberText read = ReadNumberText(text, description);
    if (read.value && !(*read.value > 0)) return {std::nullopt, std::string(refusal)};
    return read;
}

namespace {

NumberOption AsOption(const NumberText& read, std::string_view option) {
    if (read.value) return {read.value, {}};
    return {std::nullopt, InvalidValue(option, read.why)};
}

}  // namespace

NumberOption ReadNumberOption(const ParsedArguments& arguments, std::string_view option,
                              std::string_view description) {
    if (!arguments.Has(option)) return {};
    return AsOption(ReadNumberText(arguments.ValueOr(option), description), option);
}

NumberOption ReadPositiveOption(const ParsedArguments& arguments, std::string_view option,
                                std::string_view description, std::string_view refusal) {
    if (!arguments.Has(option)) return {};
    return AsOption(ReadPositiveText(arguments.ValueOr(option), description, refusal), option);
}

}  // namespace stepdown::cli

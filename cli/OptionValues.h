#pragma once
// Numbers given as option values, read like the window's fields: a bad one
// is a usage error that names the option.

#include <optional>
#include <string>
#include <string_view>

#include "cli/ArgumentParser.h"

namespace stepdown::cli {

// "il valore di --<option> non è valido: <why>"
std::string InvalidValue(std::string_view option, std::string_view why);

// What the command says of a design file's text refused with `why`: the
// file, the section and the key, never the command's usage.
std::string FileRefusal(std::string_view path, std::string_view section, std::string_view key,
                        std::string_view why);

struct NumberOption {
    std::optional<double> value;  // empty when the option is left out or refused
    std::string error;            // the usage error, when refused
};

// A text checked and read as a field named `description` is, or why not.
struct NumberText {
    std::optional<double> value;
    std::string why;  // the field's message, when refused
};
NumberText ReadNumberText(const std::string& text, std::string_view description);
// ReadNumberText, then refused with `refusal` unless above zero.
NumberText ReadPositiveText(const std::string& text, std::string_view description,
                            std::string_view refusal);

// The option's text checked and read as a field named `description` is:
// empty, a character other than digits and "e", ".", "E", "-", "+", or a
// number beyond the double range is refused with the field's message.
NumberOption ReadNumberOption(const ParsedArguments& arguments, std::string_view option,
                              std::string_view description);

// ReadNumberOption, then refused with `refusal` unless above zero.
NumberOption ReadPositiveOption(const ParsedArguments& arguments, std::string_view option,
                                std::string_view description, std::string_view refusal);

}  // namespace stepdown::cli

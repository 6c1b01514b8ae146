#include "common/TextFormat.h"

#include <array>
#include <charconv>
#include <utility>

namespace stepdown {
namespace {

// Longer than any shortest double ("-2.2250738585072014e-308" has 24).
constexpr std::size_t kNumberBuffer = 32;

}  // namespace

void AppendRoundTripText(std::string& line, double value) {
    std::array<char, kNumberBuffer> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    line.append(buffer.data(), result.ptr);
}

std::string RoundTripText(double value) {
    std::string text;
    AppendRoundTripText(text, value);
    return text;
}

std::string WithDecimalSeparator(std::string text, std::string_view separator) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::size_t at = 1; at + 1 < text.size(); ++at)
        if (text[at] == '.' && digit(text[at - 1]) && digit(text[at + 1])) {
            text.replace(at, 1, separator);
            at += separator.size() - 1;
        }
    return text;
}

std::vector<std::string> WithDecimalSeparator(std::vector<std::string> texts,
                                              std::string_view separator) {
    for (std::string& text : texts) text = WithDecimalSeparator(std::move(text), separator);
    return texts;
}

}  // namespace stepdown

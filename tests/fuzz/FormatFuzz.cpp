// FormatScientific, FormatForField and FormatFixed2 on doubles taken from
// the input's bytes and from the input read as a number: the shape of the
// text, and that it reads back within half a unit of its last digit.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "model/Conversions.h"
#include "model/Module1.h"

namespace {

using stepdown::fuzz::Require;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The text with the separator replaced by a point, for strtold.
std::string WithPoint(const std::string& text, std::string_view separator) {
    const std::size_t at = text.find(separator);
    Require(at != std::string::npos, "no separator", text);
    return text.substr(0, at) + "." + text.substr(at + separator.size());
}

void CheckScientific(double value, int fractionDigits, std::string_view separator) {
    const std::string text = stepdown::FormatScientific(value, fractionDigits, separator);
    stepdown::fuzz::RequireShownNumber(text, "FormatScientific");

    // -?d<sep>d{k}E[+-]dd+ : one integer digit, nonzero unless the value is.
    std::size_t pos = 0;
    const bool minus = text[0] == '-';
    Require(minus == (value < 0.0), "sign", text);
    if (minus) ++pos;
    Require(pos < text.size() && IsDigit(text[pos]), "integer digit", text);
    Require((text[pos] == '0') == (value == 0.0), "leading digit zero only for zero", text);
    ++pos;
    Require(text.compare(pos, separator.size(), separator) == 0, "separator", text);
    pos += separator.size();
    for (int i = 0; i < fractionDigits; ++i, ++pos)
        Require(pos < text.size() && IsDigit(text[pos]), "fraction digits", text);
    Require(pos < text.size() && text[pos] == 'E', "exponent letter", text);
    ++pos;
    Require(pos < text.size() && (text[pos] == '+' || text[pos] == '-'), "exponent sign", text);
    const bool exponentNegative = text[pos] == '-';
    ++pos;
    const std::size_t exponentDigits = text.size() - pos;
    Require(exponentDigits >= 2 && exponentDigits <= 3, "exponent digits", text);
    int exponent = 0;
    for (; pos < text.size(); ++pos) {
        Require(IsDigit(text[pos]), "exponent digit", text);
        exponent = exponent * 10 + (text[pos] - '0');
    }
    Require(exponentDigits == 2 || exponent >= 100, "exponent padded to two digits only", text);
    if (exponentNegative) exponent = -exponent;
    Require(!(exponentNegative && exponent == 0), "exponent -00", text);

    // Long double holds every double exactly and reads 1.80E+308 too.
    const long double back = std::strtold(WithPoint(text, separator).c_str(), nullptr);
    const long double halfUnit = 0.5L * std::pow(10.0L, exponent - fractionDigits);
    const long double error = std::fabs(back - static_cast<long double>(value));
    Require(error <= halfUnit * (1 + 1e-15L), "not within half a unit of the last digit", text);
}

void CheckForField(double value) {
    const std::string text = stepdown::FormatForField(value);
    Require(text == stepdown::FormatScientific(value, 3, "."), "FormatForField", text);
    // A verification field always passes the check and reads back.
    Require(stepdown::ClassifyNumericText(text) == stepdown::FieldCheck::Passed,
            "a field text fails the field check", text);
    const stepdown::ParsedNumber parsed = stepdown::ParseNumberChecked(text);
    if (parsed.overflow) {
        // Only the top of the range rounds up beyond it ("1.798E+308").
        Require(std::fabs(value) > 1.797e308, "a field text overflows", text);
        return;
    }
    const double relative = value == 0.0 ? 0.0 : std::fabs(parsed.value - value) / std::fabs(value);
    Require(relative <= 5.0001e-4 || std::fabs(value) < 1e-300, "field text reads back", text);
}

void CheckFixed2(double value, std::string_view separator) {
    const std::string text = stepdown::FormatFixed2(value, separator);
    stepdown::fuzz::RequireShownNumber(text, "FormatFixed2");
    std::size_t pos = 0;
    if (text[0] == '-') ++pos;
    const std::size_t at = text.find(separator);
    Require(at != std::string::npos && at > pos, "integer digits", text);
    for (std::size_t i = pos; i < at; ++i) Require(IsDigit(text[i]), "integer digit", text);
    Require(at - pos == 1 || text[pos] != '0', "no leading zeros", text);
    Require(text.size() == at + separator.size() + 2, "two fraction digits", text);
    for (std::size_t i = at + separator.size(); i < text.size(); ++i)
        Require(IsDigit(text[i]), "fraction digit", text);

    const std::string digits = text.substr(pos, at - pos) + text.substr(at + separator.size());
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    Require((text[0] == '-') == (value < 0.0 && !zero), "minus only for a nonzero negative", text);

    const double magnitude = std::fabs(value);
    if (magnitude >= 9007199254740992.0) {
        // Every double from 2^53 up is an integer: the text is exact.
        std::array<char, 400> exact{};
        std::snprintf(exact.data(), exact.size(), "%.0f", magnitude);
        Require(text.substr(pos) == std::string(exact.data()) + std::string(separator) + "00",
                "an integer value is written exactly", text);
        return;
    }
    const long double back = std::strtold(WithPoint(text, separator).c_str(), nullptr);
    const long double error = std::fabs(std::fabs(back) - static_cast<long double>(magnitude));
    Require(error <= 0.005L + static_cast<long double>(magnitude) * 1e-17L,
            "not within half a unit of the last digit", text);
}

void CheckValue(double value, std::string_view separator) {
    if (!std::isfinite(value)) {
        Require(stepdown::FormatScientific(value, 2, separator).empty() &&
                    stepdown::FormatFixed2(value, separator).empty(),
                "a value that is not finite gives an empty text");
        return;
    }
    CheckScientific(value, 2, separator);
    CheckScientific(value, 3, separator);
    CheckForField(value);
    CheckFixed2(value, separator);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr std::array<std::string_view, 3> kSeparators{".", ",", "\u066B"};
    std::array<std::uint8_t, 9> head{};
    std::memcpy(head.data(), data, std::min(size, head.size()));
    double bits = 0.0;
    std::memcpy(&bits, head.data(), sizeof bits);
    const std::string_view separator = kSeparators[head[8] % kSeparators.size()];

    CheckValue(bits, separator);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckValue(stepdown::ParseNumber(text), separator);
    return 0;
}

// ParseNumberChecked against a plain reading of the leading-number rule:
// the longest leading part of the form [+|-] digits-with-one-point
// [(E|e) [+|-] digits], converted by the C library's correctly rounded strtod.

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "model/Conversions.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

struct Leading {
    std::string text;  // the leading part the rule reads
    bool negative = false;
    bool hasDigit = false;  // the mantissa holds a digit
};

Leading LeadingNumber(std::string_view text) {
    Leading leading;
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        leading.negative = text[pos] == '-';
        ++pos;
    }
    bool point = false;
    for (; pos < text.size(); ++pos) {
        if (text[pos] == '.' && !point) {
            point = true;
        } else if (IsDigit(text[pos])) {
            leading.hasDigit = true;
        } else {
            break;
        }
    }
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
        while (pos < text.size() && IsDigit(text[pos])) ++pos;
    }
    leading.text = std::string(text.substr(0, pos));
    return leading;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using stepdown::fuzz::Require;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const stepdown::ParsedNumber parsed = stepdown::ParseNumberChecked(text);
    const double plain = stepdown::ParseNumber(text);

    Require(std::bit_cast<std::uint64_t>(plain) == std::bit_cast<std::uint64_t>(parsed.value),
            "ParseNumber differs from ParseNumberChecked");
    Require(!std::isnan(parsed.value), "a parsed value is NaN");
    Require(parsed.overflow == std::isinf(parsed.value), "overflow flag and infinity disagree");

    const Leading leading = LeadingNumber(text);
    if (!leading.hasDigit) {
        Require(parsed.value == 0.0, "a mantissa without digits must give 0", leading.text);
        Require(std::signbit(parsed.value) == leading.negative, "the zero keeps the sign");
        return 0;
    }
    errno = 0;
    const double reference = std::strtod(leading.text.c_str(), nullptr);
    if (std::isinf(reference)) {
        Require(parsed.overflow && std::signbit(parsed.value) == leading.negative,
                "a value beyond the double range must be reported as overflow", leading.text);
        return 0;
    }
    Require(!parsed.overflow, "a value within range reported as overflow", leading.text);
    if (reference == 0.0) {
        Require(parsed.value == 0.0 && std::signbit(parsed.value) == leading.negative,
                "a value below the double range must become a signed zero", leading.text);
        return 0;
    }
    Require(std::bit_cast<std::uint64_t>(reference) == std::bit_cast<std::uint64_t>(parsed.value),
            "not the nearest double", leading.text);
    return 0;
}

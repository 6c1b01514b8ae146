// ParseNumberChecked against the C library's correctly rounded strtod, given
// only the leading part the rule reads: [+|-] digits-with-one-point
// [(E|e) [+|-] digits]. strtod reads that part as the rule does, except a
// mantissa without digits, which the rule reads as a zero keeping its sign.

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "model/Conversions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // Moves `end` past one character of `set`, or past all of them.
    std::size_t end = 0;
    const auto skip = [&](std::string_view set, bool many) {
        const std::size_t start = end;
        while (end < text.size() && set.find(text[end]) != set.npos && (many || end == start))
            ++end;
        return end > start;
    };
    skip("+-", false);
    bool mantissaDigit = skip("0123456789", true);
    if (skip(".", false)) mantissaDigit = skip("0123456789", true) || mantissaDigit;
    if (skip("eE", false)) {
        skip("+-", false);
        skip("0123456789", true);
    }
    const std::string leading(text.substr(0, end));
    const double expected = mantissaDigit       ? std::strtod(leading.c_str(), nullptr)
                            : leading[0] == '-' ? -0.0
                                                : 0.0;

    const stepdown::ParsedNumber parsed = stepdown::ParseNumberChecked(text);
    stepdown::fuzz::Require(
        std::bit_cast<std::uint64_t>(parsed.value) == std::bit_cast<std::uint64_t>(expected),
        "not the double strtod reads", leading);
    stepdown::fuzz::Require(parsed.overflow == std::isinf(expected), "overflow flag", leading);
    return 0;
}

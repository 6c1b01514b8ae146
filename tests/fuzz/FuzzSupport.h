#pragma once
// Helpers shared by the fuzz targets: a check that stops the run with a
// readable reason, the split of one input into field texts, and the test for
// numbers that must never reach the user.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace stepdown::fuzz {

// A failed property is a crash for libFuzzer, which then keeps the input.
inline void Require(bool condition, std::string_view what, std::string_view detail = {}) {
    if (condition) return;
    const std::string report =
        "property violated: " + std::string(what) + " [" + std::string(detail) + "]\n";
    std::fputs(report.c_str(), stderr);
    std::abort();
}

// The input cut at '\n' into `count` texts; missing ones are empty and the
// last one takes the rest.
inline std::vector<std::string> SplitFields(const std::uint8_t* data, std::size_t size,
                                            std::size_t count) {
    std::vector<std::string> fields(count);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    for (std::size_t i = 0; i < count && start <= input.size(); ++i) {
        const std::size_t end = i + 1 == count ? input.npos : input.find('\n', start);
        if (end == input.npos) {
            fields[i] = std::string(input.substr(start));
            break;
        }
        fields[i] = std::string(input.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

// "nan" or "inf" in any case: the marks of a value that is not a number.
inline bool ShowsNonNumber(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower.find("nan") != std::string::npos || lower.find("inf") != std::string::npos;
}

// A number as the program writes it: not empty, and no nan or inf.
inline void RequireShownNumber(std::string_view text, std::string_view where) {
    Require(!text.empty(), "a number was written as an empty text", where);
    Require(!ShowsNonNumber(text), "nan or inf reached the window",
            std::string(where) + ": " + std::string(text));
}

}  // namespace stepdown::fuzz

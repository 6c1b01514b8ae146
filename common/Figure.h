#pragma once
// One computed result as every output shows it: the JSON's name, the
// caption, the unit it is shown in and the factor that takes the SI value
// there, the words written when it has no value, and the value itself (none:
// not defined, the JSON writes null). Verdicts are enumerations worded by one
// table each, read through WordOf.

#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

namespace stepdown {

struct Figure {
    std::string_view key;           // the JSON's name, in SI units
    std::string_view caption;       // the long caption of reports
    std::string_view shortCaption;  // the command's and the window's
    std::string_view unit;          // the displayed unit
    double scale = 1;               // displayed = value * scale
    std::string_view none;          // the words for no value
    std::optional<double> value;    // SI
    std::optional<double> Shown() const {
        return value ? std::optional<double>(*value * scale) : std::nullopt;
    }
};

// The word of `verdict` in `table`; empty when the table lacks it.
template <class Verdict, std::size_t N>
constexpr std::string_view WordOf(const std::pair<Verdict, std::string_view> (&table)[N],
                                  Verdict verdict) {
    for (const auto& [entry, word] : table)
        if (entry == verdict) return word;
    return {};
}

}  // namespace stepdown

#include "componentchoice/StandardValues.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "model/QuantityReader.h"

namespace stepdown {
namespace {

constexpr std::array<int, 6> kE6{10, 15, 22, 33, 47, 68};
constexpr std::array<int, 12> kE12{10, 12, 15, 18, 22, 27, 33, 39, 47, 56, 68, 82};
constexpr std::array<int, 24> kE24{10, 11, 12, 13, 15, 16, 18, 20, 22, 24, 27, 30,
                                   33, 36, 39, 43, 47, 51, 56, 62, 68, 75, 82, 91};

// mantissa x 10^(power - 1), as the double nearest to the decimal value:
// powers of ten up to 10^22 are exact, so one product or one quotient rounds
// once (a product with an inexact 10^-k would round twice); beyond them the
// decades are far from any part's value.
double Standard(int mantissa, int power) {
    const int shift = power - 1;
    if (shift < 0 && shift >= -22) return mantissa / std::pow(10.0, -shift);
    return mantissa * std::pow(10.0, shift);
}

}  // namespace

std::span<const int> SeriesMantissas(Series series) {
    switch (series) {
    case Series::E6:
        return kE6;
    case Series::E12:
        return kE12;
    case Series::E24:
        break;
    }
    return kE24;
}

// A name's place in its row is its enumerator: one name for each.
static_assert(std::size(kSeriesWords) == static_cast<std::size_t>(Series::E24) + 1);
static_assert(std::size(kRoundingWords) == static_cast<std::size_t>(Rounding::Meets) + 1);

std::string_view SeriesName(Series series) {
    return kSeriesWords[static_cast<std::size_t>(series)].word;
}

std::optional<Series> SeriesNamed(std::string_view name) {
    const std::optional<std::size_t> index =
        WordIndex(Row(QuantityGroup::Selection, key::series), name);
    if (!index) return std::nullopt;
    return static_cast<Series>(*index);
}

bool SameValue(double a, double b) {
    return std::fabs(a - b) <= kSameValueTolerance * std::max(std::fabs(a), std::fabs(b));
}

std::string_view RoundingName(Rounding rounding) {
    return kRoundingWords[static_cast<std::size_t>(rounding)].word;
}

std::string_view RoundingShown(Rounding rounding) {
    return kRoundingWords[static_cast<std::size_t>(rounding)].meaning;
}

std::optional<Rounding> RoundingNamed(std::string_view name) {
    const std::optional<std::size_t> index =
        WordIndex(Row(QuantityGroup::Selection, key::round), name);
    if (!index) return std::nullopt;
    return static_cast<Rounding>(*index);
}

std::optional<double> RoundToSeries(double value, Series series, Rounding rounding) {
    if (!(value > 0) || !std::isfinite(value)) return std::nullopt;
    const std::span<const int> mantissas = SeriesMantissas(series);
    // The decade's first value, 10^(power - 1) x 10, not above `value`; the
    // logarithm only gives a start, the comparisons are exact.
    int power = static_cast<int>(std::floor(std::log10(value)));
    while (Standard(10, power) > value) --power;
    while (Standard(10, power + 1) <= value) ++power;
    double below = Standard(10, power);
    double above = Standard(10, power + 1);
    for (const int mantissa : mantissas) {
        const double standard = Standard(mantissa, power);
        if (standard <= value) below = standard;
        if (standard >= value) {
            above = standard;
            break;
        }
    }
    // A value a rounding error away from a standard value is that value.
    if (SameValue(value, below)) return below;
    if (SameValue(value, above) && std::isfinite(above)) return above;
    // Nearest on a log scale: below when value / below < above / value.
    const double chosen =
        rounding != Rounding::Nearest || !(value / below < above / value) ? above : below;
    if (!std::isfinite(chosen)) return std::nullopt;
    return chosen;
}

}  // namespace stepdown

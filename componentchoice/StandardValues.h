#pragma once
// The preferred-number series parts are sold in (IEC 60063: E6, E12, E24)
// and the rounding of a computed value onto one of them. A series repeats in
// every decade; its values are taken as the doubles nearest to the decimal
// standard values, so that a computed value that already is one is kept.

#include <optional>
#include <span>
#include <string_view>

namespace stepdown {

enum class Series { E6, E12, E24 };
enum class Rounding {
    Up,       // the smallest standard value not below: L and C from the formulas are minimums
    Nearest,  // the closest on a log scale
    Meets,    // the smallest L and C whose ripples meet the requirements (Selection.h)
};

// How near, relatively, a value must lie to a standard value to be it: a
// value computed one rounding error off a standard value is that value.
inline constexpr double kSameValueTolerance = 1e-9;

// Whether `a` and `b` differ by no more than kSameValueTolerance of the
// larger magnitude.
bool SameValue(double a, double b);

// The two-digit mantissas of one decade, 10 to 82 (E6, E12) or 91 (E24).
std::span<const int> SeriesMantissas(Series series);

std::string_view SeriesName(Series series);  // "E6", "E12", "E24"
std::optional<Series> SeriesNamed(std::string_view name);
std::string_view RoundingName(Rounding rounding);  // "up", "nearest", "meets"
std::optional<Rounding> RoundingNamed(std::string_view name);
// As the window's choice shows it: "per eccesso", "al più vicino", "il minimo
// che rispetta i requisiti".
std::string_view RoundingShown(Rounding rounding);

// The standard value `value` rounds to (Meets rounds up, as a start for
// its search); nothing for a value that is not positive and finite, or
// whose rounding leaves the double range.
std::optional<double> RoundToSeries(double value, Series series, Rounding rounding);

}  // namespace stepdown

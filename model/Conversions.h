#pragma once
// Conversions between numbers and text used by every window and by the
// command-line tool. None of them depends on the C locale.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace stepdown {

struct ParsedNumber {
    double value = 0.0;
    bool overflow = false;  // the text's value lies beyond the range of a double
};

// Reads the longest leading part of the text of the form
//   [+|-] digits-with-at-most-one-point [(E|e) [+|-] digits]
// and ignores the rest. The point is the only decimal separator. A mantissa
// without digits gives 0; an exponent letter without digits means exponent 0.
// The value is rounded to the nearest double; a value too small for a double
// becomes a (signed) zero, one too large is reported as overflow with value
// +/-infinity.
ParsedNumber ParseNumberChecked(std::string_view text);

// ParseNumberChecked(text).value.
double ParseNumber(std::string_view text);

// Scientific notation with one integer digit and `fractionDigits` fraction
// digits ("0.00E+00" for 2, "0.000E+00" for 3), the mantissa rounded on the
// exact binary value with halves away from zero, the exponent with at least
// two digits. `separator` is written between the integer and fraction digits.
// A value that is not finite gives an empty text; callers refuse such values
// before formatting.
std::string FormatScientific(double value, int fractionDigits, std::string_view separator);

// The text written into a verification field: the three-digit scientific
// text with a point after the first digit, whatever the locale.
std::string FormatForField(double value);

// Fixed notation with exactly two fraction digits ("0.00"), halves away from
// zero, no digit grouping, a leading "-" for negative values (not for one
// that rounds to zero). A value that is not finite gives an empty text.
std::string FormatFixed2(double value, std::string_view separator);

// A deviation given as a fraction, in percent with two decimals rounded up
// ("15412,49"), "∞" when it is not finite.
std::string DeviationPercent(double fraction, std::string_view separator);

// (value - reference) / reference in percent, two decimals, a "+" before a
// positive one and " %" after; "n.d." when it is not a number.
std::string PercentDifference(double value, double reference, std::string_view separator);

// Nearest 32-bit integer, an exact half going to the even neighbour;
// nothing for a value (after rounding) outside the 32-bit signed range or NaN.
std::optional<std::int32_t> RoundToInteger(double value);

}  // namespace stepdown

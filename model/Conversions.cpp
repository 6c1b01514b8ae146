#include "model/Conversions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <system_error>

namespace stepdown {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Beyond this decimal order every double is infinite or zero, so larger
// exponents can be clamped without changing the result.
constexpr std::int64_t kOrderClamp = 100000;

// Exact decimal digits of a finite double in scientific form ("d.ddd...e+XX"):
// 780 significant digits cover every double's exact expansion.
struct ExactScientific {
    std::string digits;     // the leading digit followed by the fraction digits
    std::int64_t exponent;  // decimal exponent of the leading digit
};

// `precision` fraction digits of `magnitude`, correctly rounded.
ExactScientific RoundedDigits(double magnitude, int precision) {
    std::array<char, 800> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                      std::chars_format::scientific, precision);
    const std::string_view text(buffer.data(),
                                static_cast<std::size_t>(result.ptr - buffer.data()));
    const std::size_t e = text.find('e');
    ExactScientific exact;
    exact.digits.reserve(e);
    for (std::size_t i = 0; i < e; ++i)
        if (IsDigit(text[i])) exact.digits += text[i];
    std::int64_t exponent = 0;
    const std::string_view exponentText = text.substr(e + 2);
    std::from_chars(exponentText.data(), std::to_address(exponentText.end()), exponent);
    exact.exponent = text[e + 1] == '-' ? -exponent : exponent;
    return exact;
}

// At least `count` leading digits of the exact expansion. Rounded to 25
// digits they are the exact ones unless the rounding carried into them,
// which leaves only zeros behind them; only then is the whole expansion
// written out, as it is slow.
ExactScientific LeadingDigits(double magnitude, std::size_t count) {
    if (count < 20) {
        ExactScientific rounded = RoundedDigits(magnitude, 24);
        if (rounded.digits.find_first_not_of('0', count) != std::string::npos) return rounded;
    }
    return RoundedDigits(magnitude, 780);
}

// Adds one unit in the last place of a string of decimal digits; true when
// the carry ran out of the leftmost digit (all nines became zeros).
bool IncrementDigits(std::string& digits) {
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    return true;
}

}  // namespace

ParsedNumber ParseNumberChecked(std::string_view text) {
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // Mantissa: significant digits without leading zeros, and the decimal
    // exponent that makes "digits x 10^scale" the mantissa's value.
    std::string significant;
    std::int64_t scale = 0;
    bool seenPoint = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else if (IsDigit(c)) {
            if (seenPoint) --scale;
            if (c != '0' || !significant.empty()) significant += c;
        } else {
            break;
        }
    }
    std::int64_t exponent = 0;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        bool exponentNegative = false;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            exponentNegative = text[pos] == '-';
            ++pos;
        }
        for (; pos < text.size() && IsDigit(text[pos]); ++pos)
            exponent = std::min<std::int64_t>(exponent * 10 + (text[pos] - '0'), 1'000'000'000'000);
        if (exponentNegative) exponent = -exponent;
    }

    const double zero = negative ? -0.0 : 0.0;
    const auto firstTrailingZero = significant.find_last_not_of('0');
    if (firstTrailingZero == std::string::npos) return {zero, false};
    scale += static_cast<std::int64_t>(significant.size() - 1 - firstTrailingZero);
    significant.resize(firstTrailingZero + 1);

    // Order of the leading digit, then the normalised text d.ddde<order>.
    const std::int64_t order = std::clamp<std::int64_t>(
        exponent + scale + static_cast<std::int64_t>(significant.size()) - 1, -kOrderClamp,
        kOrderClamp);
    std::string normalised;
    if (negative) normalised += '-';
    normalised += significant[0];
    if (significant.size() > 1) {
        normalised += '.';
        normalised.append(significant, 1);
    }
    normalised += 'e';
    normalised += std::to_string(order);

    double value = 0.0;
    const auto result =
        std::from_chars(normalised.data(), normalised.data() + normalised.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        if (order > 0) {
            const double infinity = std::numeric_limits<double>::infinity();
            return {negative ? -infinity : infinity, true};
        }
        return {zero, false};
    }
    return {value, false};
}

double ParseNumber(std::string_view text) { return ParseNumberChecked(text).value; }

std::string FormatScientific(double value, int fractionDigits, std::string_view separator) {
    if (!std::isfinite(value)) return {};
    std::string text;
    if (value == 0.0) {
        text = "0";
        text += separator;
        text.append(static_cast<std::size_t>(fractionDigits), '0');
        text += "E+00";
        return text;
    }
    const std::size_t kept = static_cast<std::size_t>(fractionDigits) + 1;
    ExactScientific exact = LeadingDigits(std::fabs(value), kept + 1);
    const bool roundUp = exact.digits[kept] >= '5';
    exact.digits.resize(kept);
    if (roundUp && IncrementDigits(exact.digits)) {
        exact.digits.insert(exact.digits.begin(), '1');
        exact.digits.resize(kept);
        ++exact.exponent;
    }
    if (value < 0.0) text += '-';
    text += exact.digits[0];
    text += separator;
    text.append(exact.digits, 1);
    text += 'E';
    text += exact.exponent < 0 ? '-' : '+';
    const std::int64_t magnitude = exact.exponent < 0 ? -exact.exponent : exact.exponent;
    if (magnitude < 10) text += '0';
    text += std::to_string(magnitude);
    return text;
}

std::string FormatForField(double value) { return FormatScientific(value, 3, "."); }

std::string FormatFixed2(double value, std::string_view separator) {
    if (!std::isfinite(value)) return {};
    // Exact fixed expansion; 1100 fraction digits cover every double.
    static constexpr int kPrecision = 1100;
    std::string buffer(
        static_cast<std::size_t>(std::numeric_limits<double>::max_exponent10) + kPrecision + 8,
        '\0');
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                      std::fabs(value), std::chars_format::fixed, kPrecision);
    buffer.resize(static_cast<std::size_t>(result.ptr - buffer.data()));
    const std::size_t point = buffer.find('.');
    std::string digits = buffer.substr(0, point) + buffer.substr(point + 1, 2);
    if (buffer[point + 3] >= '5' && IncrementDigits(digits)) digits.insert(digits.begin(), '1');
    const bool roundedToZero = digits.find_first_not_of('0') == std::string::npos;
    std::string text;
    if (std::signbit(value) && !roundedToZero) text += '-';
    text.append(digits, 0, digits.size() - 2);
    text += separator;
    text.append(digits, digits.size() - 2, 2);
    return text;
}

std::optional<std::int32_t> RoundToInteger(double value) {
    if (std::isnan(value)) return std::nullopt;
    double rounded = std::floor(value);
    const double fraction = value - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0)) rounded += 1.0;
    if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

std::string DeviationPercent(double fraction, std::string_view separator) {
    // Rounded up, so that a deviation over the tolerance never reads as within it.
    const double hundredths = std::ceil(fraction * 10000);
    return std::isfinite(hundredths) ? FormatFixed2(hundredths / 100, separator) : "∞";
}

std::string PercentDifference(double value, double reference, std::string_view separator) {
    const double percent = (value - reference) / reference * 100;
    if (!std::isfinite(percent)) return "n.d.";
    const std::string text = FormatFixed2(percent, separator);
    // A difference that rounds to zero carries no sign.
    const bool shown = text.find_first_of("123456789") != std::string::npos;
    return (percent > 0 && shown ? "+" : "") + text + " %";
}

}  // namespace stepdown

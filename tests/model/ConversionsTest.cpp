#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "common/TextFormat.h"
#include "model/Conversions.h"

namespace stepdown {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct ParseCase {
    std::string text;
    double value;
    bool overflow = false;
};

void ExpectParsed(std::initializer_list<ParseCase> cases) {
    for (const ParseCase& c : cases) {
        // The text ends where its view does, whatever follows it.
        const std::string followed = c.text + "9e9";
        const ParsedNumber parsed =
            ParseNumberChecked(std::string_view(followed).substr(0, c.text.size()));
        EXPECT_EQ(parsed.value, c.value) << c.text;
        EXPECT_EQ(std::signbit(parsed.value), std::signbit(c.value)) << c.text;
        EXPECT_EQ(parsed.overflow, c.overflow) << c.text;
    }
}

TEST(ParseNumber, ReadsTheLongestLeadingNumber) {
    ExpectParsed({{"25", 25},    {"+7", 7},      {"-0.5", -0.5},
                  {".5", 0.5},   {"5.", 5},      {".", 0},
                  {"-", -0.0},   {"", 0},        {"1.2.3", 1.2},
                  {"5-3", 5},    {"+-3", 0},     {"12abc", 12},
                  {"1,5", 1},    {"e5", 0},      {"1E-5", 1e-5},
                  {"5E3", 5000}, {"1e5e3", 1e5}, {"1e", 1},
                  {"2E-", 2},    {"1e+", 1},     {"000123.4500e-2", 1.2345}});
}

TEST(ParseNumber, RoundsToTheNearestDoubleAndReportsOverflow) {
    // 0.1 with a thousand more digits, and 2^53 + 1, a tie that goes to even.
    const std::string longOne = "0.1" + std::string(1000, '0') + "1";
    ExpectParsed({ParseCase{longOne, 0.1}, ParseCase{"9007199254740993", 9007199254740992.0},
                  ParseCase{"0.00000000000001e14", 1}, ParseCase{"100000000000000e-14", 1},
                  ParseCase{"4.9406564584124654e-324", 4.9406564584124654e-324},
                  ParseCase{"1e-400", 0}, ParseCase{"-1e-400", -0.0},
                  ParseCase{"0e999999999999999999999", 0},
                  ParseCase{"1.7976931348623157e308", 1.7976931348623157e308},
                  ParseCase{"1.8e308", kInf, true}, ParseCase{"-1e400", -kInf, true},
                  ParseCase{"9e999999999999999999", kInf, true}});
}

TEST(FormatScientific, RoundsTheExactValueHalfAwayFromZero) {
    struct Case {
        double value;
        int digits;
        std::string text;
        std::string separator = ".";
    };
    for (const Case& c :
         {Case{125.0, 2, "1,25E+02", ","}, Case{15.625, 3, "1.563E+01"},
          Case{-15.625, 3, "-1.563E+01"}, Case{1.005, 2, "1.00E+00"},  // stored just below the half
          Case{0.125, 1, "1.3E-01"}, Case{2.675, 2, "2.67E+00"}, Case{-2.5e-10, 3, "-2.500E-10"},
          Case{0.0, 2, "0.00E+00"}, Case{-0.0, 3, "0.000E+00"}, Case{kInf, 2, ""},
          Case{kNaN, 3, ""}}) {
        EXPECT_EQ(FormatScientific(c.value, c.digits, c.separator), c.text) << c.value;
        // A verification field holds the three-digit text with a point, which
        // the launch reads back.
        if (c.digits == 3 && c.separator == "." && std::isfinite(c.value)) {
            EXPECT_EQ(FormatForField(c.value), c.text);
            EXPECT_NEAR(ParseNumber(c.text), c.value, std::fabs(c.value) * 5e-4);
        }
    }
}

// glibc's exact printf, rounded half up on the first dropped digit.
std::string HalfUp(double value, int digits) {
    std::array<char, 1024> exact{};
    std::snprintf(exact.data(), exact.size(), "%.780e", value);
    const std::string kept = exact[0] + std::string(&exact[2], static_cast<std::size_t>(digits));
    long long mantissa = std::stoll(kept) + (exact[static_cast<std::size_t>(digits) + 2] >= '5');
    int exponent = std::atoi(std::strchr(exact.data(), 'e') + 1);
    if (std::to_string(mantissa).size() > kept.size()) mantissa /= 10, ++exponent;
    const std::string m = std::to_string(mantissa);
    return m.substr(0, 1) + "." + m.substr(1) + (exponent < 0 ? "E-" : "E+") +
           (std::abs(exponent) < 10 ? "0" : "") + std::to_string(std::abs(exponent));
}

TEST(FormatScientific, MatchesTheExactExpansionOverTheWholeRange) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> order(-323.3, 308.2), mid(-300, 300);
    for (int k = 0; k < 3000; ++k) {  // any magnitude, near a half, short decimals
        double value = k % 3 == 0 ? std::pow(10.0, order(random)) : static_cast<double>(k) / 8;
        if (k % 3 == 1)
            value = std::nextafter((static_cast<double>(random() % 9000) + 1000.5) *
                                       std::pow(10.0, std::floor(mid(random)) - 3),
                                   k % 2 == 0 ? 0.0 : kInf);
        for (const int digits : {2, 3})
            EXPECT_EQ(FormatScientific(value, digits, "."), HalfUp(value, digits)) << value;
    }
}

TEST(FormatFixed2, TwoFractionDigitsHalfAwayFromZero) {
    struct Case {
        double value;
        std::string text;
        std::string separator = ".";
    };
    for (const Case& c :
         {Case{6.25, "6,25", ","}, Case{0.125, "0.13"}, Case{-0.125, "-0.13"}, Case{9.995, "9.99"},
          Case{99.995, "100.00"}, Case{-0.001, "0.00"}, Case{1234567.891, "1234567.89"},
          Case{1e20, "100000000000000000000.00"}, Case{-kInf, ""}, Case{kNaN, ""}})
        EXPECT_EQ(FormatFixed2(c.value, c.separator), c.text) << c.value;
}

TEST(RoundToInteger, NearestWithHalvesToEvenWithin32Bits) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    struct Case {
        double value;
        std::optional<std::int32_t> expected;
    };
    for (const Case& c :
         {Case{2.5, 2}, Case{3.5, 4}, Case{-2.5, -2}, Case{-0.4, 0}, Case{599.9999999, 600},
          Case{2147483647.0, kMax}, Case{2147483647.4, kMax}, Case{2147483647.5, std::nullopt},
          Case{-2147483648.5, kMin}, Case{-2147483649.0, std::nullopt}, Case{kInf, std::nullopt},
          Case{-kInf, std::nullopt}, Case{kNaN, std::nullopt}})
        EXPECT_EQ(RoundToInteger(c.value), c.expected) << c.value;
}

// Only a point between two digits is a decimal point; a sentence's full stop is not.
TEST(WithDecimalSeparator, TurnsTheDecimalPointsOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"Vo sale fino a 20.38 V, il 35.79 % sopra.", "Vo sale fino a 20,38 V, il 35,79 % sopra."},
        {".5 chiederebbe 2.00E+08 passi. Poi 3. 4.5", ".5 chiederebbe 2,00E+08 passi. Poi 3. 4,5"},
    };
    for (const auto& [written, shown] : cases) {
        EXPECT_EQ(WithDecimalSeparator(written, ","), shown);
        EXPECT_EQ(WithDecimalSeparator(written, "."), written);
    }
}

}  // namespace
}  // namespace stepdown

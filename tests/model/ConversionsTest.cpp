#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "model/Conversions.h"

namespace stepdown {
namespace {

struct ParseCase {
    const char* text;
    double expected;
};

class ParseNumberTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseNumberTest, ReadsTheLeadingNumber) {
    const ParseCase& c = GetParam();
    const ParsedNumber parsed = ParseNumberChecked(c.text);
    EXPECT_FALSE(parsed.overflow);
    EXPECT_EQ(parsed.value, c.expected) << c.text;
    EXPECT_EQ(std::signbit(parsed.value), std::signbit(c.expected)) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    LeadingNumberRule, ParseNumberTest,
    ::testing::Values(ParseCase{"25", 25.0}, ParseCase{"1.5", 1.5}, ParseCase{"1E-5", 0.00001},
                      ParseCase{"5E3", 5000.0}, ParseCase{"+7", 7.0}, ParseCase{".5", 0.5},
                      ParseCase{"5.", 5.0}, ParseCase{"1.2.3", 1.2}, ParseCase{"5-3", 5.0},
                      ParseCase{"1e5e3", 100000.0}, ParseCase{"1e", 1.0}, ParseCase{"1e+", 1.0},
                      ParseCase{"2E-", 2.0}, ParseCase{"-", -0.0}, ParseCase{".", 0.0},
                      ParseCase{"", 0.0}, ParseCase{"e5", 0.0}, ParseCase{"+-3", 0.0},
                      ParseCase{"-0", -0.0}, ParseCase{"-0.5", -0.5}, ParseCase{"12abc", 12.0},
                      ParseCase{"1,5", 1.0}, ParseCase{"0.1", 0.1}, ParseCase{"15.625", 15.625},
                      ParseCase{"000123.4500e-2", 1.2345},
                      ParseCase{"1.7976931348623157e308", 1.7976931348623157e308},
                      ParseCase{"4.9406564584124654e-324", 4.9406564584124654e-324},
                      ParseCase{"1e-400", 0.0}, ParseCase{"-1e-400", -0.0},
                      ParseCase{"0e999999999999999999999", 0.0},
                      ParseCase{"0.000000000000000000000000000001e30", 1.0},
                      ParseCase{"100000000000000000000000000000e-29", 1.0}));

TEST(ParseNumber, ReportsValuesBeyondTheDoubleRangeAsOverflow) {
    for (const char* text : {"1e400", "1.8e308", "99999999999e999999999999999", "-1e400"}) {
        const ParsedNumber parsed = ParseNumberChecked(text);
        EXPECT_TRUE(parsed.overflow) << text;
        EXPECT_TRUE(std::isinf(parsed.value)) << text;
        EXPECT_EQ(std::signbit(parsed.value), text[0] == '-') << text;
    }
}

TEST(ParseNumber, RoundsLongMantissasCorrectly) {
    // 0.1 written with a thousand digits after the point: still the nearest
    // double to the decimal value.
    const std::string text = "0.1" + std::string(1000, '0') + "1";
    EXPECT_EQ(ParseNumber(text), 0.1);
    const std::string tie = "9007199254740993";  // 2^53 + 1: halfway, to even
    EXPECT_EQ(ParseNumber(tie), 9007199254740992.0);
}

TEST(ParseNumber, IgnoresTheLocale) {
    // The program never calls setlocale; the scanner must not depend on it
    // anyway, so a comma is never a separator.
    EXPECT_EQ(ParseNumber("3,75"), 3.0);
}

struct FormatCase {
    double value;
    int digits;
    const char* point;  // with "." as separator
    const char* comma;  // with "," as separator
};

class FormatScientificTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatScientificTest, BothSeparators) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatScientific(c.value, c.digits, "."), c.point);
    EXPECT_EQ(FormatScientific(c.value, c.digits, ","), c.comma);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FormatScientificTest,
    ::testing::Values(
        FormatCase{125.0, 2, "1.25E+02", "1,25E+02"}, FormatCase{15.625, 2, "1.56E+01", "1,56E+01"},
        FormatCase{15.625, 3, "1.563E+01", "1,563E+01"},  // tie: away from zero
        FormatCase{-15.625, 3, "-1.563E+01", "-1,563E+01"},
        FormatCase{0.6, 2, "6.00E-01", "6,00E-01"}, FormatCase{0.00001, 2, "1.00E-05", "1,00E-05"},
        FormatCase{9.996, 2, "1.00E+01", "1,00E+01"},  // rounds up to 10
        FormatCase{-9.996, 2, "-1.00E+01", "-1,00E+01"},
        FormatCase{9.9949, 2, "9.99E+00", "9,99E+00"}, FormatCase{0.0, 2, "0.00E+00", "0,00E+00"},
        FormatCase{-0.0, 3, "0.000E+00", "0,000E+00"}, FormatCase{1.8, 2, "1.80E+00", "1,80E+00"},
        FormatCase{1e300, 2, "1.00E+300", "1,00E+300"},
        FormatCase{1.7976931348623157e308, 3, "1.798E+308", "1,798E+308"},
        FormatCase{-2.5e-123, 2, "-2.50E-123", "-2,50E-123"},
        FormatCase{4.9406564584124654e-324, 2, "4.94E-324", "4,94E-324"},
        // 1.005 is stored just below the half: the exact value decides.
        FormatCase{1.005, 2, "1.00E+00", "1,00E+00"}, FormatCase{0.125, 1, "1.3E-01", "1,3E-01"},
        // 99.95 is stored just above the half, and the carry reaches 10.
        FormatCase{99.95, 2, "1.00E+02", "1,00E+02"}));

TEST(FormatScientific, TakesASeparatorOfAnyLength) {
    EXPECT_EQ(FormatScientific(125.0, 2, "<>"), "1<>25E+02");
}

TEST(FormatScientific, RefusesToWriteNonFiniteValues) {
    EXPECT_EQ(FormatScientific(std::numeric_limits<double>::infinity(), 2, "."), "");
    EXPECT_EQ(FormatScientific(std::numeric_limits<double>::quiet_NaN(), 2, "."), "");
}

TEST(FormatForField, AlwaysWritesAPointThatParsesBack) {
    struct Case {
        double value;
        const char* text;
    };
    for (const Case& c :
         {Case{25.0, "2.500E+01"}, Case{80.0, "8.000E+01"}, Case{60.0, "6.000E+01"},
          Case{125.0, "1.250E+02"}, Case{15.625, "1.563E+01"}, Case{10.0, "1.000E+01"}}) {
        EXPECT_EQ(FormatForField(c.value), c.text);
        EXPECT_NEAR(ParseNumber(FormatForField(c.value)), c.value, c.value * 5e-4);
    }
}

struct FixedCase {
    double value;
    const char* text;
};

class FormatFixed2Test : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FormatFixed2Test, TwoFractionDigits) {
    EXPECT_EQ(FormatFixed2(GetParam().value, "."), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Pattern, FormatFixed2Test,
                         ::testing::Values(FixedCase{6.25, "6.25"}, FixedCase{0.0, "0.00"},
                                           FixedCase{0.125, "0.13"}, FixedCase{-0.125, "-0.13"},
                                           FixedCase{125.0, "125.00"},
                                           FixedCase{9.995, "9.99"},  // stored below the half
                                           FixedCase{99.995, "100.00"}, FixedCase{0.005, "0.01"},
                                           FixedCase{-0.001, "0.00"},
                                           FixedCase{1234567.891, "1234567.89"},
                                           FixedCase{1e20, "100000000000000000000.00"}));

TEST(FormatFixed2, UsesTheGivenSeparator) { EXPECT_EQ(FormatFixed2(6.25, ","), "6,25"); }

struct RoundCase {
    double value;
    std::optional<std::int32_t> expected;
};

class RoundToIntegerTest : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundToIntegerTest, NearestWithHalvesToEven) {
    EXPECT_EQ(RoundToInteger(GetParam().value), GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, RoundToIntegerTest,
    ::testing::Values(RoundCase{2.5, 2}, RoundCase{3.5, 4}, RoundCase{-2.5, -2}, RoundCase{0.5, 0},
                      RoundCase{1.5, 2}, RoundCase{-0.4, 0}, RoundCase{-0.6, -1},
                      RoundCase{1e3, 1000}, RoundCase{412.5, 412}, RoundCase{413.5, 414},
                      RoundCase{599.9999999, 600}, RoundCase{2147483647.0, 2147483647},
                      RoundCase{2147483647.4, 2147483647}, RoundCase{2147483647.5, std::nullopt},
                      RoundCase{-2147483648.0, -2147483647 - 1},
                      RoundCase{-2147483648.5, -2147483647 - 1},
                      RoundCase{-2147483649.0, std::nullopt}, RoundCase{1e10, std::nullopt},
                      RoundCase{std::numeric_limits<double>::infinity(), std::nullopt},
                      RoundCase{std::numeric_limits<double>::quiet_NaN(), std::nullopt}));

}  // namespace
}  // namespace stepdown

// The JSON writer: escaping, numbers that read back bit for bit, layout.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "cli/JsonReader.h"
#include "cli/JsonWriter.h"

namespace stepdown::cli {
namespace {

using stepdown::testing::JsonReader;
using stepdown::testing::JsonValue;

struct Escape {
    std::string name, text, written;
};

void PrintTo(const Escape& c, std::ostream* os) { *os << c.name; }

class Escaping : public ::testing::TestWithParam<Escape> {};

TEST_P(Escaping, WritesAQuotedStringThatReadsBack) {
    const Escape& c = GetParam();
    EXPECT_EQ(JsonString(c.text), c.written);
    const auto read = JsonReader::Parse(c.written);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Escaping,
    ::testing::Values(Escape{"plain", "1.250E+02", "\"1.250E+02\""}, Escape{"empty", "", "\"\""},
                      Escape{"quote", "a\"b", "\"a\\\"b\""},
                      Escape{"backslash", "C:\\dati", "\"C:\\\\dati\""},
                      Escape{"newline_tab_return", "a\nb\tc\rd", "\"a\\nb\\tc\\rd\""},
                      Escape{"backspace_formfeed", "\b\f", "\"\\b\\f\""},
                      Escape{"other_control", std::string("\x01\x1f", 2), "\"\\u0001\\u001f\""},
                      Escape{"nul", std::string(1, '\0'), "\"\\u0000\""},
                      Escape{"delete_is_not_a_control", "\x7f", "\"\x7f\""},
                      Escape{"utf8_copied", "capacità", "\"capacità\""}),
    [](const auto& info) { return info.param.name; });

class NumberRoundTrip : public ::testing::TestWithParam<double> {};

TEST_P(NumberRoundTrip, ReadsBackToTheSameBits) {
    const double value = GetParam();
    const std::string text = JsonNumber(value);
    const auto read = JsonReader::Parse(text);
    ASSERT_TRUE(read) << text;
    ASSERT_EQ(read->kind, JsonValue::Kind::Number) << text;
    const auto back = read->Number();
    ASSERT_TRUE(back) << text;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(*back), std::bit_cast<std::uint64_t>(value)) << text;
}

INSTANTIATE_TEST_SUITE_P(Values, NumberRoundTrip,
                         ::testing::Values(125.0, 15.625, 0.6000000000000001, 0.8999999999999999,
                                           1.2500000000000001e-08, -0.6, 1e-5, 1e22,
                                           1.7976931348623157e308, 5e-324, 2.2250738585072014e-308,
                                           -0.0, 0.1 + 0.2, 123456789012345678.0));

TEST(JsonNumber, ShortestForms) {
    EXPECT_EQ(JsonNumber(125.0), "125");
    EXPECT_EQ(JsonNumber(0.6), "0.6");
    EXPECT_EQ(JsonNumber(1e-5), "1e-05");
    EXPECT_EQ(JsonNumber(0.1 + 0.2), "0.30000000000000004");
}

TEST(JsonNumber, NotFiniteIsNull) {
    EXPECT_EQ(JsonNumber(std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(JsonNumber(-std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(JsonNumber(std::numeric_limits<double>::quiet_NaN()), "null");
}

TEST(JsonObject, KeepsOrderIndentsAndNests) {
    JsonObject inner;
    inner.String("vi", "2.500E+01").Integer("N", -3);
    JsonObject outer;
    outer.Number("L", 125).Object("verification", std::move(inner)).Object("empty", JsonObject());
    EXPECT_EQ(outer.Text(),
              "{\n"
              "  \"L\": 125,\n"
              "  \"verification\": {\n"
              "    \"vi\": \"2.500E+01\",\n"
              "    \"N\": -3\n"
              "  },\n"
              "  \"empty\": {}\n"
              "}");
    EXPECT_EQ(JsonObject().Text(), "{}");
}

TEST(JsonObject, KeysAreEscapedToo) {
    JsonObject object;
    object.Integer("a\"b", 1);
    const auto read = JsonReader::Parse(object.Text());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Keys(), std::vector<std::string>{"a\"b"});
}

}  // namespace
}  // namespace stepdown::cli

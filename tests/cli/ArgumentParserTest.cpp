// The option parser of stepdown-cli on its own.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "cli/ArgumentParser.h"

namespace stepdown::cli {
namespace {

const std::vector<OptionSpec> kOptions{{"vi"}, {"vo"}, {"csv"}, {"json", false}, {"verify", false}};

struct Accepted {
    std::string name;
    std::vector<std::string> words;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
};

void PrintTo(const Accepted& c, std::ostream* os) { *os << c.name; }

class ParserAccepts : public ::testing::TestWithParam<Accepted> {};

TEST_P(ParserAccepts, GivesTheValuesAndFlags) {
    const Accepted& c = GetParam();
    const ParseOutcome outcome = ParseOptions(c.words, kOptions);
    ASSERT_TRUE(outcome.arguments) << outcome.error;
    EXPECT_TRUE(outcome.error.empty());
    const std::map<std::string, std::string> values(outcome.arguments->values.begin(),
                                                    outcome.arguments->values.end());
    const std::set<std::string> flags(outcome.arguments->flags.begin(),
                                      outcome.arguments->flags.end());
    EXPECT_EQ(values, c.values);
    EXPECT_EQ(flags, c.flags);
}

INSTANTIATE_TEST_SUITE_P(
    Words, ParserAccepts,
    ::testing::Values(
        Accepted{"nothing", {}, {}, {}},
        Accepted{"separate_value", {"--vi", "25"}, {{"vi", "25"}}, {}},
        Accepted{"inline_value", {"--vi=25"}, {{"vi", "25"}}, {}},
        Accepted{"inline_empty_value", {"--vi="}, {{"vi", ""}}, {}},
        Accepted{"inline_value_keeps_later_equals", {"--csv=a=b.csv"}, {{"csv", "a=b.csv"}}, {}},
        Accepted{"negative_number_is_a_value", {"--vo", "-5"}, {{"vo", "-5"}}, {}},
        Accepted{"single_dash_is_a_value", {"--csv", "-"}, {{"csv", "-"}}, {}},
        Accepted{"unknown_double_dash_word_is_a_value", {"--vo", "--5"}, {{"vo", "--5"}}, {}},
        Accepted{"value_with_blanks_kept", {"--vi", " 2 5"}, {{"vi", " 2 5"}}, {}},
        Accepted{"flags_and_values_in_any_order",
                 {"--json", "--vo", "15", "--verify", "--vi", "25"},
                 {{"vi", "25"}, {"vo", "15"}},
                 {"json", "verify"}}),
    [](const auto& info) { return info.param.name; });

struct Refused {
    std::string name;
    std::vector<std::string> words;
    std::string error;
};

void PrintTo(const Refused& c, std::ostream* os) { *os << c.name; }

class ParserRefuses : public ::testing::TestWithParam<Refused> {};

TEST_P(ParserRefuses, WithItsError) {
    const ParseOutcome outcome = ParseOptions(GetParam().words, kOptions);
    EXPECT_FALSE(outcome.arguments);
    EXPECT_EQ(outcome.error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Words, ParserRefuses,
    ::testing::Values(
        Refused{"stray_word", {"--vi", "25", "15"}, "argomento inatteso: 15"},
        Refused{"single_dash_option", {"-vi", "25"}, "argomento inatteso: -vi"},
        Refused{"bare_double_dash", {"--"}, "argomento inatteso: --"},
        Refused{"empty_word", {""}, "argomento inatteso: "},
        Refused{"unknown_option", {"--vx", "1"}, "opzione sconosciuta: --vx"},
        Refused{"unknown_inline_option", {"--vx=1"}, "opzione sconosciuta: --vx"},
        Refused{"option_names_are_case_sensitive", {"--VI", "1"}, "opzione sconosciuta: --VI"},
        Refused{"repeated_value", {"--vi", "1", "--vi", "2"}, "opzione ripetuta: --vi"},
        Refused{"repeated_flag", {"--json", "--json"}, "opzione ripetuta: --json"},
        Refused{"value_at_the_end_missing",
                {"--vo", "15", "--vi"},
                "manca il valore dell'opzione --vi"},
        Refused{"next_option_is_not_a_value",
                {"--vi", "--vo", "15"},
                "manca il valore dell'opzione --vi"},
        Refused{"next_inline_option_is_not_a_value",
                {"--vi", "--vo=15"},
                "manca il valore dell'opzione --vi"},
        Refused{
            "next_flag_is_not_a_value", {"--vi", "--json"}, "manca il valore dell'opzione --vi"},
        Refused{"flag_with_value", {"--json=yes"}, "l'opzione --json non vuole un valore"}),
    [](const auto& info) { return info.param.name; });

TEST(ParsedArguments, ValueOrGivesTheFallbackOnlyForALeftOutOption) {
    const ParseOutcome outcome = ParseOptions({"--vi=", "--json"}, kOptions);
    ASSERT_TRUE(outcome.arguments);
    EXPECT_EQ(outcome.arguments->ValueOr("vi", "x"), "");
    EXPECT_EQ(outcome.arguments->ValueOr("vo", "x"), "x");
    EXPECT_EQ(outcome.arguments->ValueOr("json", "x"), "x");
    EXPECT_TRUE(outcome.arguments->Has("vi"));
    EXPECT_TRUE(outcome.arguments->Has("json"));
    EXPECT_FALSE(outcome.arguments->Has("vo"));
}

}  // namespace
}  // namespace stepdown::cli

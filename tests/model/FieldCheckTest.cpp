#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/Module1.h"

namespace stepdown {
namespace {

class MessageLog : public MessageDisplay {
public:
    void ShowMessage(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

struct CheckCase {
    std::string text;
    FieldCheck expected;
};

class FieldCheckTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(FieldCheckTest, ShowsAtMostOneMessageAndSetsTheFlag) {
    const CheckCase& c = GetParam();
    Module1 module;
    MessageLog log;
    module.FieldText = c.text;
    module.ForgotMessage = "forgot";
    module.InvalidMessage = "invalid";
    module.CheckNumericField(log);

    switch (c.expected) {
    case FieldCheck::Passed:
        EXPECT_TRUE(log.shown.empty());
        EXPECT_EQ(module.ValidationFailed, 0);
        break;
    case FieldCheck::Empty:
        EXPECT_EQ(log.shown, std::vector<std::string>{"forgot"});
        EXPECT_EQ(module.ValidationFailed, 1);
        break;
    case FieldCheck::InvalidCharacter:
        EXPECT_EQ(log.shown, std::vector<std::string>{"invalid"});
        EXPECT_EQ(module.ValidationFailed, 1);
        break;
    }
    // The check leaves its inputs as they were.
    EXPECT_EQ(module.FieldText, c.text);
    EXPECT_EQ(module.ForgotMessage, "forgot");
    EXPECT_EQ(module.InvalidMessage, "invalid");
}

INSTANTIATE_TEST_SUITE_P(
    Alphabet, FieldCheckTest,
    ::testing::Values(
        CheckCase{"", FieldCheck::Empty}, CheckCase{" ", FieldCheck::InvalidCharacter},
        CheckCase{"12 ", FieldCheck::InvalidCharacter},
        CheckCase{" 12", FieldCheck::InvalidCharacter},
        CheckCase{"\t1", FieldCheck::InvalidCharacter},
        CheckCase{"1,5", FieldCheck::InvalidCharacter}, CheckCase{"1.5", FieldCheck::Passed},
        CheckCase{"1.23", FieldCheck::Passed}, CheckCase{"1E-5", FieldCheck::Passed},
        CheckCase{"5E3", FieldCheck::Passed}, CheckCase{"-0.5", FieldCheck::Passed},
        CheckCase{"+7", FieldCheck::Passed}, CheckCase{".5", FieldCheck::Passed},
        CheckCase{"5.", FieldCheck::Passed}, CheckCase{"e", FieldCheck::Passed},
        CheckCase{"-", FieldCheck::Passed}, CheckCase{".", FieldCheck::Passed},
        CheckCase{"+-", FieldCheck::Passed}, CheckCase{"1.2.3", FieldCheck::Passed},
        CheckCase{"1e5e3", FieldCheck::Passed}, CheckCase{"5-3", FieldCheck::Passed},
        CheckCase{"0123456789eE.+-", FieldCheck::Passed},
        CheckCase{"1d3", FieldCheck::InvalidCharacter},
        CheckCase{"1D3", FieldCheck::InvalidCharacter},
        CheckCase{"0x10", FieldCheck::InvalidCharacter},
        CheckCase{"1/2", FieldCheck::InvalidCharacter},
        CheckCase{"\xC2\xBD", FieldCheck::InvalidCharacter},                  // one half sign
        CheckCase{"\xEF\xBC\x91\xEF\xBC\x92", FieldCheck::InvalidCharacter},  // full-width 12
        CheckCase{"\xD9\xA3", FieldCheck::InvalidCharacter},                  // Arabic-Indic three
        CheckCase{"1\xE2\x80\xAE"
                  "2",
                  FieldCheck::InvalidCharacter},  // right-to-left override
        CheckCase{"12a34b", FieldCheck::InvalidCharacter},
        CheckCase{std::string(1, '\0'), FieldCheck::InvalidCharacter},
        CheckCase{std::string(32766, '7'), FieldCheck::Passed},
        CheckCase{std::string(1'000'000, '7'), FieldCheck::Passed},
        CheckCase{std::string(1'000'000, '7') + "x", FieldCheck::InvalidCharacter}));

TEST(FieldCheck, FlagIsClearedByTheNextPassingCheck) {
    Module1 module;
    MessageLog log;
    module.FieldText = "abc";
    module.CheckNumericField(log);
    ASSERT_EQ(module.ValidationFailed, 1);
    module.FieldText = "12";
    module.CheckNumericField(log);
    EXPECT_EQ(module.ValidationFailed, 0);
    EXPECT_EQ(log.shown.size(), 1U);
}

TEST(FieldCheck, MessagesAreBuiltFromTheDescription) {
    EXPECT_EQ(ForgotMessageFor("il valore dell'induttanza in uH"),
              "Hai dimenticato di scrivere il valore dell'induttanza in uH");
    EXPECT_EQ(InvalidMessageFor("il valore dell'induttanza in uH"),
              "Errore di inserimento dati per il valore dell'induttanza in uH. Puoi scrivere "
              "soltanto numeri razionali con il punto come separatore decimale, anche in forma "
              "esponenziale. Ad es: 1.23 , 1E-5 , 5E3");
}

}  // namespace
}  // namespace stepdown

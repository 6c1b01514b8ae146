#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "design/DesignCalculation.h"
#include "support/RecordingWindow.h"

namespace stepdown {
namespace {

using testing::RecordingWindow;

const std::string kTail =
    ". Puoi scrivere soltanto numeri razionali con il punto come separatore decimale, anche in "
    "forma esponenziale. Ad es: 1.23 , 1E-5 , 5E3";

// The six design inputs, Text1..Text6: Vi, Vo, f, DeltaiL/Io, DeltaVo, Io.
using DesignTexts = std::array<std::string, 6>;
const DesignTexts kExample{"25", "15", "80", "40", "60", "1.5"};

void TypeDesign(RecordingWindow& window, const DesignTexts& texts) {
    for (std::size_t i = 0; i < texts.size(); ++i)
        window.Type("Text" + std::to_string(i + 1), texts[i]);
}

DesignTexts With(std::size_t field, const std::string& text) {
    DesignTexts texts = kExample;
    texts[field - 1] = text;
    return texts;
}

struct LocaleCase {
    const char* separator;
    std::array<const char*, 5> captions;  // Label24, Label25, Label26, Label27, Label32
};

class WorkedExample : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(WorkedExample, ShowsResultsAndWritesVerificationFieldsInBlue) {
    Module1 module;
    RecordingWindow window(GetParam().separator);
    ExampleData(window);
    window.log.clear();
    DesignCalculation(module, window);

    const auto& c = GetParam().captions;
    const std::vector<std::string> expected{std::string("caption Label24 ") + c[0],
                                            std::string("caption Label25 ") + c[1],
                                            std::string("caption Label26 ") + c[2],
                                            std::string("caption Label27 ") + c[3],
                                            std::string("caption Label32 ") + c[4],
                                            "text Text7 2.500E+01",
                                            "colour Text7 0,0,255",
                                            "text Text12 8.000E+01",
                                            "colour Text12 0,0,255",
                                            "text Text8 6.000E+01",
                                            "colour Text8 0,0,255",
                                            "text Text9 1.250E+02",
                                            "colour Text9 0,0,255",
                                            "text Text10 1.563E+01",
                                            "colour Text10 0,0,255",
                                            "text Text11 1.000E+01",
                                            "colour Text11 0,0,255"};
    EXPECT_EQ(window.log, expected);

    EXPECT_EQ(module.Vi, 25.0);
    EXPECT_EQ(module.Vo, 15.0);
    EXPECT_EQ(module.f, 80000.0);
    EXPECT_EQ(module.DeltaiL, 0.6);
    EXPECT_EQ(module.DeltaVo, 0.06);
    EXPECT_EQ(module.Io, 1.5);
    EXPECT_DOUBLE_EQ(module.L, 125.0);
    EXPECT_DOUBLE_EQ(module.C, 15.625);
    EXPECT_DOUBLE_EQ(module.IDP, 1.8);
    EXPECT_EQ(module.D, 0.6);
    EXPECT_DOUBLE_EQ(module.IDm, 0.6);
    EXPECT_DOUBLE_EQ(module.Iim, 0.9);
    EXPECT_EQ(module.RL, 10.0);
    EXPECT_EQ(module.ResultText, "1.000E+01");
    // The settings boxes are not touched.
    EXPECT_EQ(window.texts["Text13"], "1000");
}

INSTANTIATE_TEST_SUITE_P(
    Locales, WorkedExample,
    ::testing::Values(LocaleCase{",", {"1,25E+02", "1,56E+01", "1,80E+00", "6,00E-01", "9,00E-01"}},
                      LocaleCase{".",
                                 {"1.25E+02", "1.56E+01", "1.80E+00", "6.00E-01", "9.00E-01"}}));

TEST(DesignCalculation, ResultsAreBitForBitTheWrittenFormulas) {
    // An independent evaluation, in the written operand order.
    const double Vi = 24.7, Vo = 3.3, f = 123.4 * 1000, Io = 2.2;
    const double DeltaVo = 17.0 * 0.001, DeltaiL = (33.0 * Io) / 100;
    const double L = ((Vi - Vo) * Vo * 1e6) / (f * Vi * DeltaiL);
    const double C = ((Vi - Vo) * Vo * 1e12) / (f * f * 8 * L * Vi * DeltaVo);
    Module1 module;
    RecordingWindow window;
    TypeDesign(window, {"24.7", "3.3", "123.4", "33", "17", "2.2"});
    DesignCalculation(module, window);
    ASSERT_TRUE(window.messages.empty());
    EXPECT_EQ(module.L, L);
    EXPECT_EQ(module.C, C);
    EXPECT_EQ(module.IDP, DeltaiL / 2 + Io);
    EXPECT_EQ(module.IDm, (1 - Vo / Vi) * Io);
    EXPECT_EQ(module.Iim, Vo / Vi * Io);
    EXPECT_EQ(module.RL, Vo / Io);
}

struct RefusalCase {
    const char* name;
    DesignTexts texts;
    std::string message;
};

class Refusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, ShowsOnlyTheFirstFailureAndChangesNoControl) {
    Module1 module;
    RecordingWindow window(",");
    TypeDesign(window, GetParam().texts);
    DesignCalculation(module, window);
    EXPECT_EQ(window.messages, std::vector<std::string>{GetParam().message});
    EXPECT_EQ(window.log.size(), 1U) << "nothing but the message";
    EXPECT_TRUE(window.captions.empty());
    EXPECT_TRUE(window.colours.empty());
}

std::string Forgot(const std::string& d) { return "Hai dimenticato di scrivere " + d; }
std::string Invalid(const std::string& d) { return "Errore di inserimento dati per " + d + kTail; }

const std::string kViText = "la tensione di ingresso Vi";
const std::string kVoText = "il valore della tensione desiderata in uscita Vo";
const std::string kFText = "il valore della frequenza di commutazione f in kHz";
const std::string kRippleText = "il valore di DeltaiL/Io in %";
const std::string kDeltaVoText = "il valore di DeltaVo in mV";
const std::string kIoText = "il valore di Io in Ampere";
const std::string kViRange = "La tensione in ingresso non può essere zero o negativa!";
const std::string kVoRange =
    "La tensione in uscita non può essere zero o negativa o maggiore di Vi!";
const std::string kFRange = "La frequenza non può essere zero o negativa!";
const std::string kDeltaVoRange = "DeltaVo non può essere zero o negativo!";
const std::string kIoRange = "Io non può essere negativo!";
const std::string kRippleRange = "DeltaiL non può essere zero o negativo!";

INSTANTIATE_TEST_SUITE_P(
    FieldChecks, Refusal,
    ::testing::Values(
        RefusalCase{"AllEmpty", {"", "", "", "", "", ""}, Forgot(kViText)},
        RefusalCase{"ViEmpty", With(1, ""), Forgot(kViText)},
        RefusalCase{"VoEmpty", With(2, ""), Forgot(kVoText)},
        RefusalCase{"FEmpty", With(3, ""), Forgot(kFText)},
        RefusalCase{"RippleEmpty", With(4, ""), Forgot(kRippleText)},
        RefusalCase{"DeltaVoEmpty", With(5, ""), Forgot(kDeltaVoText)},
        RefusalCase{"IoEmpty", With(6, ""), Forgot(kIoText)},
        RefusalCase{"ViComma", With(1, "2,5"), Invalid(kViText)},
        RefusalCase{"VoBlank", With(2, " 15"), Invalid(kVoText)},
        RefusalCase{"FLetter", With(3, "80k"), Invalid(kFText)},
        RefusalCase{"RipplePercent", With(4, "40%"), Invalid(kRippleText)},
        RefusalCase{"DeltaVoUnit", With(5, "60mV"), Invalid(kDeltaVoText)},
        RefusalCase{"IoAmpere", With(6, "1.5A"), Invalid(kIoText)},
        // The character checks run in field order: a bad Text1 hides an empty Text6.
        RefusalCase{"BadViHidesEmptyIo", {"x", "15", "80", "40", "60", ""}, Invalid(kViText)},
        RefusalCase{
            "BadRippleBeforeBadIo", {"25", "15", "80", "4 0", "60", "?"}, Invalid(kRippleText)}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    RangeChecks, Refusal,
    ::testing::Values(RefusalCase{"ViZero", With(1, "0"), kViRange},
                      RefusalCase{"ViNegative", With(1, "-25"), kViRange},
                      RefusalCase{"ViAndVoBad", {"0", "-1", "80", "40", "60", "1.5"}, kViRange},
                      RefusalCase{"VoZero", With(2, "0"), kVoRange},
                      RefusalCase{"VoNegative", With(2, "-15"), kVoRange},
                      RefusalCase{"VoAboveVi", With(2, "25.0001"), kVoRange},
                      RefusalCase{"FZero", With(3, "0"), kFRange},
                      RefusalCase{"FNegative", With(3, "-5"), kFRange},
                      RefusalCase{"FAndDeltaVoBad", {"25", "15", "0", "40", "0", "1.5"}, kFRange},
                      RefusalCase{"DeltaVoZero", With(5, "0"), kDeltaVoRange},
                      RefusalCase{"DeltaVoMinus", With(5, "-"), kDeltaVoRange},
                      RefusalCase{"IoNegative", With(6, "-1.5"), kIoRange},
                      RefusalCase{
                          "IoNegativeRippleZero", {"25", "15", "80", "0", "60", "-1"}, kIoRange},
                      RefusalCase{"IoZero", With(6, "0"), kRippleRange},
                      RefusalCase{"RippleZero", With(4, "0"), kRippleRange},
                      RefusalCase{"RippleNegative", With(4, "-40"), kRippleRange}),
    [](const auto& info) { return std::string(info.param.name); });

const std::string kOverflowTail = " è troppo grande in valore assoluto!";

INSTANTIATE_TEST_SUITE_P(
    BeyondTheDoubleRange, Refusal,
    ::testing::Values(RefusalCase{"Vo", With(2, "-1e400"),
                                  "Il numero scritto per " + kVoText + kOverflowTail},
                      // Read in the range-check order: a bad Vi comes before an overflowing Io.
                      RefusalCase{"ViBeforeIo", {"0", "15", "80", "40", "60", "1e400"}, kViRange}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    UnrepresentableResults, Refusal,
    ::testing::Values(RefusalCase{"VoEqualsVi", With(2, "25"), std::string(kVoEqualsViMessage)},
                      RefusalCase{"FrequencyOverflowsWhenScaled", With(3, "1e306"),
                                  std::string(kResultNotFiniteMessage)},
                      RefusalCase{"InductanceUnderflows",
                                  {"1e300", "1e-300", "1e300", "1e300", "1", "1e300"},
                                  std::string(kResultNotFiniteMessage)},
                      RefusalCase{"CapacitanceOverflows",
                                  {"1e200", "5e199", "1e-300", "40", "1e-300", "1"},
                                  std::string(kResultNotFiniteMessage)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DesignCalculation, KeepsTheQuantitiesReadBeforeAFailingRangeCheck) {
    Module1 module;
    module.Io = 7.0;
    module.DeltaiL = 7.0;
    RecordingWindow window;
    TypeDesign(window, With(5, "0"));
    DesignCalculation(module, window);
    EXPECT_EQ(module.Vi, 25.0);
    EXPECT_EQ(module.Vo, 15.0);
    EXPECT_EQ(module.f, 80000.0);
    EXPECT_EQ(module.DeltaVo, 0.0);
    EXPECT_EQ(module.Io, 7.0) << "read only after DeltaVo";
    EXPECT_EQ(module.DeltaiL, 7.0);
    // Range messages pass through ForgotMessage.
    EXPECT_EQ(module.ForgotMessage, kDeltaVoRange);
}

TEST(DesignCalculation, AFailingClickLeavesEarlierResultsOnScreen) {
    Module1 module;
    RecordingWindow window;
    TypeDesign(window, kExample);
    DesignCalculation(module, window);
    const auto captions = window.captions;
    const auto texts = window.texts;
    TypeDesign(window, With(2, "30"));
    DesignCalculation(module, window);
    EXPECT_EQ(window.messages, std::vector<std::string>{kVoRange});
    EXPECT_EQ(window.captions, captions);
    window.texts["Text2"] = texts.at("Text2");
    EXPECT_EQ(window.texts, texts);
}

TEST(DesignCalculation, ReusesTheLeadingNumberOfSloppyTexts) {
    Module1 module;
    RecordingWindow window;
    TypeDesign(window, {"25.0.1", "15e", "8e1", "40", "6e1", "1.5"});
    DesignCalculation(module, window);
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(window.captions["Label24"], "1.25E+02");
    EXPECT_EQ(window.texts["Text9"], "1.250E+02");
}

TEST(ExampleData, WritesTheSixTextsInOrderEveryTime) {
    RecordingWindow window;
    window.Type("Text1", "999");
    window.Type("Text7", "keep");
    ExampleData(window);
    ExampleData(window);
    const std::vector<std::string> once{"text Text1 25", "text Text2 15", "text Text3 80",
                                        "text Text4 40", "text Text5 60", "text Text6 1.5"};
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(window.log, twice);
    EXPECT_EQ(window.texts["Text7"], "keep");
}

}  // namespace
}  // namespace stepdown

// The click of "Grafici" through the recording windows.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "design/DesignCalculation.h"
#include "simulation/Launch.h"
#include "simulation/Simulation.h"
#include "support/RecordingProgress.h"
#include "support/RecordingWindow.h"

namespace stepdown::testing {
namespace {

const std::vector<std::string> kCircuitFields{"Text7", "Text8",  "Text12",
                                              "Text9", "Text10", "Text11"};

// The verification fields as the design example leaves them, in blue.
void TypeWorkedExample(RecordingWindow& window) {
    const std::map<std::string, std::string> texts{
        {"Text7", "2.500E+01"}, {"Text12", "8.000E+01"}, {"Text8", "6.000E+01"},
        {"Text9", "1.250E+02"}, {"Text10", "1.563E+01"}, {"Text11", "1.000E+01"},
        {"Text13", "1000"},     {"Text14", "10"},        {"Text15", "2000"}};
    for (const auto& [box, text] : texts) window.Type(box, text);
    for (const std::string& box : kCircuitFields) window.colours[box] = kBlue;
}

struct Click {
    explicit Click(const std::function<void(RecordingWindow&)>& change = {},
                   const std::string& separator = ".")
        : window(separator) {
        TypeWorkedExample(window);
        if (change) change(window);
        LaunchVerification(module, window, window, progress);
    }
    void Again() {
        window.log.clear();
        window.messages.clear();
        window.waveform.log.clear();
        LaunchVerification(module, window, window, progress);
    }
    Module1 module;
    RecordingWindow window;
    RecordingProgress progress;
};

std::vector<std::string> Figures(const RecordingWindow& w) {
    std::vector<std::string> out;
    for (const char* label : {"Label2", "Label5", "Label8", "Label9", "Label16"}) {
        const auto found = w.waveform.captions.find(label);
        out.push_back(found == w.waveform.captions.end() ? "-" : found->second);
    }
    return out;
}

const std::vector<std::string> kExampleFigures{"6.14E-01", "6.13E+01", "1.78E+00", "5.92E-01",
                                               "8.85E-01"};

TEST(Launch, WorkedExampleShowsItsFigures) {
    const Click click;
    EXPECT_TRUE(click.window.messages.empty());
    EXPECT_EQ(Figures(click.window), kExampleFigures);
    for (const std::string& box : kCircuitFields) EXPECT_EQ(click.window.colours.at(box), kBlack);
    for (const char* box : {"Text13", "Text14", "Text15"})
        EXPECT_EQ(click.window.colours.count(box), 0U);
    EXPECT_EQ(click.module.N, 1000);
    EXPECT_EQ(click.module.NP, 10);
    EXPECT_EQ(click.module.NI, 2000);
    EXPECT_EQ(click.module.f, 80000.0);
    EXPECT_EQ(click.module.L, 125 * 0.000001);
    EXPECT_EQ(click.module.D, 60 * 0.01);

    const std::vector<std::string> order{"reset",
                                         "show",
                                         "scale",
                                         "run",
                                         "segments",
                                         "segments",
                                         "segments",
                                         "segments",
                                         "segments",
                                         "run",
                                         "caption Label2 6.14E-01",
                                         "caption Label5 6.13E+01",
                                         "caption Label8 1.78E+00",
                                         "caption Label9 5.92E-01",
                                         "caption Label16 8.85E-01"};
    EXPECT_EQ(click.window.waveform.log, order);
    // Colours turn black in step order, before the window is taken.
    std::vector<std::string> main;
    for (const std::string& entry : click.window.log)
        if (entry.rfind("colour", 0) == 0 || entry.rfind("create", 0) == 0) main.push_back(entry);
    const std::vector<std::string> expected{
        "colour Text7 0,0,0",  "colour Text8 0,0,0",  "colour Text12 0,0,0",   "colour Text9 0,0,0",
        "colour Text10 0,0,0", "colour Text11 0,0,0", "create waveform window"};
    EXPECT_EQ(main, expected);
}

TEST(Launch, FiguresTakeTheLocalesSeparator) {
    const Click click({}, ",");
    EXPECT_EQ(Figures(click.window), (std::vector<std::string>{"6,14E-01", "6,13E+01", "1,78E+00",
                                                               "5,92E-01", "8,85E-01"}));
}

TEST(Launch, AllFieldsEmptyShowsOnlyTheViMessage) {
    const Click click([](RecordingWindow& w) {
        for (const char* box : {"Text7", "Text8", "Text9", "Text10", "Text11", "Text12", "Text13",
                                "Text14", "Text15"})
            w.Type(box, "");
    });
    EXPECT_EQ(click.window.messages,
              std::vector<std::string>{"Hai dimenticato di scrivere la tensione di ingresso Vi"});
    EXPECT_FALSE(click.window.waveformWindowCreated);
    for (const std::string& box : kCircuitFields) EXPECT_EQ(click.window.colours.at(box), kBlue);
}

struct FieldCase {
    std::string box, description;
};

class FieldCheck : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FieldCheck, FirstBadFieldInStepOrderIsTheOnlyMessage) {
    const std::vector<std::string> steps{"Text7",  "Text8",  "Text12", "Text9", "Text10",
                                         "Text11", "Text13", "Text14", "Text15"};
    const auto later = std::find(steps.begin(), steps.end(), GetParam().box) + 1;
    const Click click([&](RecordingWindow& w) {
        w.Type(GetParam().box, "12abc");
        for (auto box = later; box != steps.end(); ++box) w.Type(*box, "");
    });
    EXPECT_EQ(click.window.messages,
              std::vector<std::string>{InvalidMessageFor(GetParam().description)});
    for (const std::string& box : kCircuitFields) EXPECT_EQ(click.window.colours.at(box), kBlue);
    EXPECT_EQ(click.module.Vi, 0.0);
    EXPECT_FALSE(click.window.waveformWindowCreated);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FieldCheck,
    ::testing::Values(FieldCase{"Text7", "la tensione di ingresso Vi"},
                      FieldCase{"Text8", "il valore del Duty Cycle in %"},
                      FieldCase{"Text12", "il valore della frequenza di commutazione f in kHz"},
                      FieldCase{"Text9", "il valore dell'induttanza in uH"},
                      FieldCase{"Text10", "il valore della capacità in uF"},
                      FieldCase{"Text11", "il valore della resistenza di carico RL in ohm"},
                      FieldCase{"Text13", "il numero dei campioni N"},
                      FieldCase{"Text14", "il numero dei periodi visualizzati NP"},
                      FieldCase{"Text15", "il numero delle iterazioni NI"}));

struct RefusalCase {
    std::string name, box, text, message;
    std::size_t blackFields;  // how many of Text7, Text8, Text12, Text9, Text10, Text11
    std::function<void(const Module1&)> stored;
};

class Refusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, EndsTheClickWithOneMessageAfterStoringWhatWasRead) {
    const RefusalCase& c = GetParam();
    const Click click([&](RecordingWindow& w) { w.Type(c.box, c.text); });
    EXPECT_EQ(click.window.messages, std::vector<std::string>{c.message});
    EXPECT_EQ(click.module.ForgotMessage, c.message);
    for (std::size_t i = 0; i < kCircuitFields.size(); ++i)
        EXPECT_EQ(click.window.colours.at(kCircuitFields[i]), i < c.blackFields ? kBlack : kBlue)
            << kCircuitFields[i];
    EXPECT_FALSE(click.window.waveformWindowCreated);
    c.stored(click.module);
}

const auto kNothingMore = [](const Module1&) {};

INSTANTIATE_TEST_SUITE_P(
    Checks, Refusal,
    ::testing::Values(
        RefusalCase{"Vi_zero", "Text7", "0",
                    "La tensione in ingresso non può essere zero o negativa!", 1,
                    [](const Module1& m) { EXPECT_EQ(m.D, 0.0); }},
        RefusalCase{"D_100", "Text8", "100",
                    "Il Duty Cycle non può essere zero o negativo o maggiore o uguale al 100%!", 2,
                    [](const Module1& m) {
                        EXPECT_EQ(m.Vi, 25.0);
                        EXPECT_EQ(m.D, 1.0);
                    }},
        RefusalCase{"f_zero", "Text12", "0", std::string(kFrequencyNotPositiveMessage), 3,
                    [](const Module1& m) {
                        EXPECT_EQ(m.f, 0.0);
                        EXPECT_EQ(m.L, 0.0);
                    }},
        RefusalCase{"f_scaled_overflow", "Text12", "1E306", std::string(kFrequencyOverflowMessage),
                    3, [](const Module1& m) { EXPECT_EQ(m.f, 0.0); }},
        RefusalCase{"L_zero", "Text9", "0", std::string(kInductanceNotPositiveMessage), 4,
                    [](const Module1& m) { EXPECT_EQ(m.f, 80000.0); }},
        RefusalCase{"C_negative", "Text10", "-1", std::string(kCapacitanceNotPositiveMessage), 5,
                    [](const Module1& m) { EXPECT_EQ(m.C, -1 * 0.000001); }},
        RefusalCase{"RL_zero", "Text11", "0", std::string(kLoadNotPositiveMessage), 6,
                    kNothingMore},
        RefusalCase{"Vi_beyond_double", "Text7", "1E400",
                    OverflowMessageFor("la tensione di ingresso Vi"), 1,
                    [](const Module1& m) { EXPECT_EQ(m.Vi, 0.0); }},
        RefusalCase{"N_beyond_32_bits", "Text13", "3E9",
                    IntegerRangeMessageFor("il numero dei campioni N"), 6, kNothingMore},
        RefusalCase{"N_zero", "Text13", "-0.4", std::string(kTooFewSamplesMessage), 6,
                    [](const Module1& m) { EXPECT_EQ(m.N, 0); }},
        RefusalCase{"N_above_cap", "Text13", "2000001", std::string(kTooManySamplesMessage), 6,
                    [](const Module1& m) {
                        EXPECT_EQ(m.N, 0);
                        EXPECT_EQ(m.RL, 10.0);
                    }},
        RefusalCase{"NP_beyond_32_bits", "Text14", "-3E9",
                    IntegerRangeMessageFor("il numero dei periodi visualizzati NP"), 6,
                    [](const Module1& m) { EXPECT_EQ(m.N, 1000); }},
        RefusalCase{"NI_beyond_32_bits", "Text15", "2147483648",
                    IntegerRangeMessageFor("il numero delle iterazioni NI"), 6,
                    [](const Module1& m) { EXPECT_EQ(m.NP, 10); }}),
    [](const auto& info) { return info.param.name; });

struct CountCase {
    std::string text;
    std::int32_t N;
};

class Counts : public ::testing::TestWithParam<CountCase> {};

TEST_P(Counts, RoundHalvesToEven) {
    const Click click([&](RecordingWindow& w) {
        w.Type("Text13", GetParam().text);
        w.Type("Text15", "1");
    });
    EXPECT_EQ(click.module.N, GetParam().N);
}

INSTANTIATE_TEST_SUITE_P(Texts, Counts,
                         ::testing::Values(CountCase{"2.5", 2}, CountCase{"3.5", 4},
                                           CountCase{"1.2.3", 1}));

TEST(Launch, DutyCycleJustBelowOneHundredIsAccepted) {
    const Click click([](RecordingWindow& w) { w.Type("Text8", "99.99"); });
    EXPECT_EQ(click.module.D, 99.99 * 0.01);
    EXPECT_TRUE(click.window.waveformWindowCreated);
}

TEST(Launch, RefusedRunsShowTheLastCompletedFigures) {
    // No completed run yet: zeros.
    Click refused([](RecordingWindow& w) { w.Type("Text15", "0"); });
    EXPECT_EQ(refused.window.messages, std::vector<std::string>{std::string(kConductionMessage)});
    EXPECT_EQ(Figures(refused.window), std::vector<std::string>(5, "0.00E+00"));

    refused.window.Type("Text15", "2000");
    refused.Again();
    EXPECT_EQ(Figures(refused.window), kExampleFigures);

    refused.window.Type("Text9", "20");  // uH: the current dips below zero
    refused.Again();
    EXPECT_EQ(refused.window.messages, std::vector<std::string>{std::string(kConductionMessage)});
    EXPECT_EQ(Figures(refused.window), kExampleFigures);

    refused.window.Type("Text9", "1");
    refused.window.Type("Text10", "1");
    refused.window.Type("Text11", "1");
    refused.window.Type("Text12", "1");
    refused.window.Type("Text13", "4");
    refused.Again();
    EXPECT_EQ(refused.window.messages, std::vector<std::string>{std::string(kUnstableMessage)});
    EXPECT_EQ(Figures(refused.window), kExampleFigures);
    EXPECT_EQ(refused.window.waveform.shownRun, nullptr);
    EXPECT_EQ(refused.window.waveform.lines.size(), 30U);
}

TEST(Launch, CancelledRunKeepsTheFrameAndTheLastFigures) {
    Click click;
    click.window.Type("Text10", "1000");  // slow to settle: many slices
    click.window.Type("Text11", "100");
    click.window.Type("Text15", "3000");
    click.progress = RecordingProgress(1);
    click.Again();
    EXPECT_TRUE(click.window.messages.empty());
    EXPECT_EQ(Figures(click.window), kExampleFigures);
    EXPECT_EQ(click.window.waveform.shownRun, nullptr);
    EXPECT_EQ(click.window.waveform.lines.size(), 30U);
}

TEST(Launch, SecondClickReusesTheWindowAfterResettingIt) {
    Click click;
    click.Again();
    EXPECT_EQ(
        std::count(click.window.log.begin(), click.window.log.end(), "create waveform window"), 0);
    EXPECT_EQ(click.window.waveform.log.front(), "reset");
    EXPECT_EQ(click.window.waveform.batches.size(), 5U);
    EXPECT_EQ(Figures(click.window), kExampleFigures);
}

}  // namespace
}  // namespace stepdown::testing

// The click of "Grafici" through the recording windows: the order of what it does, one
// row per refusal, what each kind of run leaves behind, the warning of an unsettled run.

#include <gtest/gtest.h>

#include "design/DesignCalculation.h"
#include "simulation/Launch.h"
#include "simulation/Simulation.h"
#include "simulation/StartupReport.h"
#include "support/RecordingWindow.h"
#include "support/WorkedExample.h"

namespace stepdown::testing {
namespace {

constexpr double kZero = 0.0;
const std::vector<std::string> kCircuitFields{"Text7", "Text8",  "Text12",
                                              "Text9", "Text10", "Text11"};

// The worked example's verification fields in blue, the changes, the click.
struct Click {
    explicit Click(const FieldTexts& changes = {}, const std::string& separator = ".")
        : window(separator) {
        for (const auto& [box, text] : kVerificationExample) {
            window.Type(box, text);
            window.colours[box] = kBlue;
        }
        Again(changes);
    }
    void Again(const FieldTexts& changes = {}) {
        for (const auto& [box, text] : changes) window.Type(box, text);
        window.log.clear();
        window.messages.clear();
        window.waveform.log.clear();
        result = LaunchVerification(module, window, window, progress);
    }
    std::vector<std::string> Figures() const {
        std::vector<std::string> out;
        for (const auto& [label, _] : kFigureLabels)
            out.push_back(window.waveform.captions.at(label));
        return out;
    }
    Module1 module;
    RecordingWindow window;
    RecordingProgress progress;
    LaunchResult result;
};

// A time step too long for L, C and RL: the integration grows without bound.
const FieldTexts kLongStep{
    {"Text9", "1"}, {"Text10", "1"}, {"Text11", "1"}, {"Text12", "1"}, {"Text13", "4"}};

TEST(Launch, WorkedExampleRunsInOrderAndShowsItsFigures) {
    const Click click;
    EXPECT_EQ(click.result.outcome, LaunchOutcome::Settled);
    EXPECT_TRUE(click.window.messages.empty());
    for (const auto& [label, text] : kFigureLabels)
        EXPECT_EQ(click.window.waveform.captions.at(label), text);
    std::vector<std::string> order{"reset", "show", "scale", "run"};
    order.insert(order.end(), 5, "segments");
    order.push_back("run");
    for (const auto& [label, text] : kFigureLabels)
        order.push_back("caption " + label + " " + text);
    EXPECT_EQ(click.window.waveform.log, order);
    // Colours turn black in step order, before the window is taken.
    std::vector<std::string> main;
    for (const std::string& box : kCircuitFields) main.push_back("colour " + box + " 0,0,0");
    main.push_back("create waveform window");
    EXPECT_EQ(click.window.log, main);

    EXPECT_EQ(click.window.waveform.shownRun, click.result.run);
    for (const auto* wave : {&click.module.WaveIC, &click.module.WaveVd, &click.module.WaveId})
        EXPECT_EQ(std::tie(wave->front(), wave->back()), std::tie(kZero, kZero));  // never written
    EXPECT_EQ(Click({}, ",").Figures()[0], "6,14E-01");
}

TEST(Launch, EachRefusalEndsTheClickWithOneMessageAfterStoringWhatWasRead) {
    struct Row {
        FieldTexts changes;
        std::size_t black;          // of Text7, Text8, Text12, Text9, Text10, Text11
        double Module1::*quantity;  // one the click stored, or left as it was
        double value;
        std::int32_t N;  // stored only once accepted
        std::string message;
        static Row Of(FieldTexts c, std::size_t b, double Module1::*q, double v, std::int32_t N,
                      std::string m) {
            return {std::move(c), b, q, v, N, std::move(m)};
        }
    };
    const std::string duty =
        "Il Duty Cycle non può essere zero o negativo o maggiore o uguale al 100%!";
    const std::string vi = "la tensione di ingresso Vi";
    const Row rows[] = {
        Row::Of({{"Text7", ""}, {"Text8", ""}, {"Text13", ""}}, 0, &Module1::Vi, 0, 0,
                ForgotMessageFor(vi)),
        Row::Of({{"Text9", "1a"}, {"Text13", ""}}, 0, &Module1::Vi, 0, 0,
                InvalidMessageFor("il valore dell'induttanza in uH")),
        Row::Of({{"Text15", "1,5"}}, 0, &Module1::Vi, 0, 0,
                InvalidMessageFor("il numero delle iterazioni NI")),
        Row::Of({{"Text7", "0"}}, 1, &Module1::D, 0, 0,
                "La tensione in ingresso non può essere zero o negativa!"),
        Row::Of({{"Text8", "100"}}, 2, &Module1::D, 1.0, 0, duty),
        Row::Of({{"Text8", "0"}}, 2, &Module1::Vi, 25, 0, duty),
        Row::Of({{"Text12", "0"}}, 3, &Module1::L, 0, 0, std::string(kFrequencyNotPositiveMessage)),
        Row::Of({{"Text12", "1E306"}}, 3, &Module1::f, 0, 0,
                std::string(kFrequencyOverflowMessage)),
        Row::Of({{"Text9", "0"}}, 4, &Module1::f, 80000, 0,
                std::string(kInductanceNotPositiveMessage)),
        Row::Of({{"Text10", "-1"}}, 5, &Module1::C, -1e-6, 0,
                std::string(kCapacitanceNotPositiveMessage)),
        Row::Of({{"Text11", "0"}}, 6, &Module1::RL, 0, 0, std::string(kLoadNotPositiveMessage)),
        Row::Of({{"Text7", "1E400"}}, 1, &Module1::Vi, 0, 0, OverflowMessageFor(vi)),
        Row::Of({{"Text13", "3E9"}}, 6, &Module1::RL, 10, 0,
                IntegerRangeMessageFor("il numero dei campioni N")),
        Row::Of({{"Text13", "0.5"}}, 6, &Module1::RL, 10, 0, std::string(kTooFewSamplesMessage)),
        Row::Of({{"Text13", "2000001"}}, 6, &Module1::RL, 10, 0,
                std::string(kTooManySamplesMessage)),
        Row::Of({{"Text14", "-3E9"}}, 6, &Module1::RL, 10, 1000,
                IntegerRangeMessageFor("il numero dei periodi visualizzati NP")),
        Row::Of({{"Text15", "2147483648"}}, 6, &Module1::RL, 10, 1000,
                IntegerRangeMessageFor("il numero delle iterazioni NI")),
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        const Click click(row.changes);
        EXPECT_EQ(click.result.outcome, LaunchOutcome::InputRefused);
        EXPECT_EQ(click.window.messages, std::vector<std::string>{row.message});
        for (std::size_t i = 0; i < kCircuitFields.size(); ++i)
            EXPECT_EQ(click.window.colours.at(kCircuitFields[i]), i < row.black ? kBlack : kBlue);
        EXPECT_FALSE(click.window.waveformWindowCreated);
        EXPECT_EQ(click.module.*row.quantity, row.value);
        EXPECT_EQ(click.module.N, row.N);
    }
}

TEST(Launch, EveryKindOfRunLeavesTheLastCompletedFigures) {
    Click click(FieldTexts{{"Text15", "0"}});
    EXPECT_EQ(click.result.outcome, LaunchOutcome::ConductionRefused);
    EXPECT_EQ(click.window.messages, std::vector<std::string>{std::string(kConductionMessage)});
    EXPECT_EQ(click.Figures(), std::vector<std::string>(5, "0.00E+00"));
    EXPECT_EQ(click.module.ForgotMessage, kConductionMessage);

    click.Again({{"Text15", "2000"}});
    const std::vector<std::string> completed = click.Figures();
    const double maxIL = click.module.MaxIL;

    click.Again({{"Text9", "20"}});  // uH: the current dips below zero
    EXPECT_EQ(click.result.outcome, LaunchOutcome::ConductionRefused);
    EXPECT_EQ(click.Figures(), completed);
    EXPECT_EQ(click.module.MaxIL, maxIL);
    EXPECT_NE(click.window.waveform.shownRun, nullptr);  // its readout reads the new arrays
    EXPECT_FALSE(click.window.waveform.shownRun->analysis.has_value());

    struct Case {
        FieldTexts changes;
        std::string_view message;
        int cancelAt;
        LaunchOutcome outcome;
    };
    FieldTexts huge = kVerificationExample;  // and Vi at the top of the double range
    huge.insert(huge.end(), {{"Text7", "1e308"}, {"Text13", "1000"}});
    const Case cases[] = {
        {kLongStep, kUnstableMessage, 0, LaunchOutcome::Unstable},
        {huge, kResultNotFiniteMessage, 0, LaunchOutcome::Unstable},
        {{{"Text7", "25"}, {"Text10", "1000"}, {"Text11", "100"}, {"Text15", "3000"}},
         "",
         1,
         LaunchOutcome::Cancelled},
        // RL = 5e-324: Vo / RL overflows at the last step only.
        {{{"Text11", "5e-324"}, {"Text13", "3"}, {"Text8", "90"}, {"Text15", "1"}},
         kUnstableMessage,
         0,
         LaunchOutcome::Unstable}};
    for (const Case& c : cases) {
        click.progress = RecordingProgress(c.cancelAt);
        click.Again(c.changes);
        EXPECT_EQ(click.result.outcome, c.outcome);
        EXPECT_EQ(click.window.messages.size(), c.message.empty() ? 0U : 1U);
        if (!c.message.empty()) {
            EXPECT_EQ(click.window.messages[0], c.message);
        }
        EXPECT_EQ(click.Figures(), completed);
        EXPECT_EQ(click.window.waveform.shownRun, nullptr);
        EXPECT_EQ(click.window.waveform.lines.size(), 30U);  // the frame only
    }
}

TEST(Launch, ARunShortOfItsSteadyStateWarnsAfterItsFigures) {
    // C = 1000 uF: the output capacitor takes about 17000 periods to charge.
    const Click click({{"Text10", "1000"}}, ",");
    EXPECT_EQ(click.result.outcome, LaunchOutcome::NotSettled);
    const std::string warning =
        "Attenzione: dopo 2000 periodi la simulazione non ha ancora raggiunto il regime: le "
        "grandezze mostrate differiscono da quelle di regime fino al 15412,49 %. Aumenta NI ad "
        "almeno 17293.";
    EXPECT_EQ(click.window.log.back(), "message " + warning);
    EXPECT_EQ(click.window.waveform.log.back().rfind("caption Label16", 0), 0U);

    Click unstable(kLongStep);
    unstable.Again({{"Text8", "50"}, {"Text15", "10"}});
    EXPECT_EQ(unstable.result.outcome, LaunchOutcome::NotSettled);
    EXPECT_EQ(unstable.window.messages,
              std::vector<std::string>{std::string(kNoSteadyStateMessage)});
    // Without a steady state the peak has nothing to be compared with.
    EXPECT_EQ(StartupSummary(*unstable.result.run->analysis, ",")[0].value, "1,66E+48 A");
}

TEST(Launch, KeepsTheDesignOnlyWhileTheFieldsStillHoldIt) {
    Click click;
    for (const auto& [box, text] : kDesignExample) click.window.Type(box, text);
    DesignCalculation(click.module, click.window);
    click.Again();
    const std::optional<DesignRecord>& design = click.result.run->analysis->design;
    ASSERT_TRUE(design.has_value());
    EXPECT_EQ(design->DeltaiL, 0.6);
    EXPECT_EQ(design->Vo, 15.0);
    click.Again({{"Text11", "10"}});  // the same value, no longer the design's text
    EXPECT_FALSE(click.result.run->analysis->design.has_value());
}

TEST(Simulation, InvalidSettingsTouchNothing) {
    for (const auto& [N, D] :
         {std::pair{0, 0.6}, std::pair{kMaxSamplesPerPeriod + 1, 0.6}, std::pair{1000, 1.5}}) {
        Module1 m;
        m.N = N;
        m.D = D;
        m.WaveIL = {1.0, 2.0, 3.0};
        RecordingWindow main;
        RecordingProgress progress;
        EXPECT_EQ(SimulateConverter(m, main, main.waveform, progress).outcome,
                  SimulationOutcome::InvalidSettings);
        EXPECT_TRUE(main.waveform.log.empty());
        EXPECT_EQ(m.WaveIL, (std::vector<double>{1.0, 2.0, 3.0}));
    }
}

}  // namespace
}  // namespace stepdown::testing

// The window's recompute without the window: the circuit read from the verification fields
// against the launch's own refusals on the same texts, the design's Vo as the target and D'
// against the averaged model (exact for a lossless continuous circuit), D' written back; then
// the texts it shows and its CSV, on values set by hand.

#include <gtest/gtest.h>

#include "design/DesignCalculation.h"
#include "realparts/RealPartsReport.h"
#include "support/RecordingWindow.h"
#include "support/WorkedExample.h"
#include "verification/Launch.h"

namespace stepdown::testing {
namespace {

TEST(ReadCircuitFields, ReadsLikeTheLaunchAndRefusesWithItsMessagesTouchingNothing) {
    const CircuitValues read = ReadCircuitFields(TextsOf(Designed().window)).values.value();
    const Circuit si;
    const double pairs[][2] = {{read.Vi, si.Vi}, {read.D, si.D}, {read.f, si.f},
                               {read.L, si.L},   {read.C, si.C}, {read.RL, si.RL}};
    for (const auto& [got, expected] : pairs) EXPECT_DOUBLE_EQ(got, expected);

    for (const char* typed : {"vi=", "l=1a", "vi=0 rl=x", "vi=-1", "d=100", "d=0", "f=0", "f=1E306",
                              "l=0", "c=-1", "rl=0", "vi=1E400", "c=5e-324"}) {
        SCOPED_TRACE(typed);
        const FieldTexts changes = Typed(typed);
        Designed launched(changes);
        RecordingProgress progress;
        LaunchVerification(launched.module, launched.window, launched.window, progress);
        ASSERT_EQ(launched.window.messages.size(), 1U);

        const Designed untouched(changes);
        const CircuitReading reading = ReadCircuitFields(TextsOf(untouched.window));
        EXPECT_FALSE(reading.values.has_value());
        EXPECT_EQ(reading.message, launched.window.messages[0]);
        EXPECT_TRUE(untouched.window.log.empty());
        EXPECT_TRUE(untouched.window.messages.empty());
    }
}

TEST(StudyRealParts, TargetsTheDesignsVoWhileTheFieldsHoldTheDesign) {
    Designed designed;
    const PartTexts ideal;  // Vf 0.6 V and nothing else: continuous at the worked example
    RealPartsStudy study =
        StudyRealParts(designed.module.LastDesign, TextsOf(designed.window), ideal);
    ASSERT_EQ(study.analysis.outcome, RealPartsOutcome::Found);
    // Lossless and continuous, the mean of Vo is that of the switch node: D Vi - (1 - D) Vf.
    EXPECT_NEAR(study.analysis.VoMean, 0.6 * 25 - 0.4 * 0.6, 1e-9);
    ASSERT_EQ(study.targetVo, 15.0);
    ASSERT_EQ(study.duty.outcome, RealPartsOutcome::Found);
    EXPECT_NEAR(study.duty.D, (15 + 0.6) / (25 + 0.6), 1e-10);

    ApplyDutyCycle(designed.module, designed.window, study.duty.D);
    EXPECT_EQ(designed.window.Text(VerificationId(key::d)), "6.094E+01");
    EXPECT_EQ(designed.window.Colour(VerificationId(key::d)), kBlue);
    study = StudyRealParts(designed.module.LastDesign, TextsOf(designed.window), ideal);
    EXPECT_EQ(study.targetVo, 15.0);
    EXPECT_NEAR(study.analysis.VoMean, (6.094E+01 / 100) * 25.6 - 0.6, 1e-9);

    // Another L: no longer the design; D written then is not recorded as the design's.
    designed.window.Type(VerificationId(key::l), "130");
    study = StudyRealParts(designed.module.LastDesign, TextsOf(designed.window), ideal);
    EXPECT_FALSE(study.targetVo.has_value());
    EXPECT_EQ(study.duty.evaluations, 0);
    ApplyDutyCycle(designed.module, designed.window, 0.5);
    designed.window.Type(VerificationId(key::l), "1.250E+02");
    EXPECT_EQ(VerifiedDesign(designed.module.LastDesign, TextsOf(designed.window)), nullptr);

    PartTexts bad;
    bad.rd = "-1";
    EXPECT_EQ(StudyRealParts(designed.module.LastDesign, TextsOf(designed.window), bad).refusal,
              "La resistenza serie Rd del diodo non può essere negativa!");
    designed.window.Type(VerificationId(key::vi), "");  // the circuit is read first
    EXPECT_EQ(StudyRealParts(designed.module.LastDesign, TextsOf(designed.window), bad).refusal,
              "Hai dimenticato di scrivere la tensione di ingresso Vi");
}

TEST(RealPartsReport, SummaryLinesAndTheDutyCycleInEachOutcome) {
    RealPartsStudy study;
    RealPartsAnalysis& a = study.analysis;
    a.mode = ConductionMode::Discontinuous, a.criticalLoad = 1.5, a.VoMean = 14.7;
    a.VoRipple = 0.0613, a.deltaIL = 0.25, a.powers = {22, 20.5, 0.93214};
    const std::vector<std::string> common{"discontinua (DCM)", "1,50E+00 A",
                                          "6,13E+01 mV picco-picco", "2,20E+01 W", "2,05E+01 W"};
    const std::string target = "1,47E+01 V, obiettivo 1,50E+01 V (-2,00 %)";
    // The Vo aimed at, the search's outcome, the mean and the duty cycle shown.
    const std::tuple<std::optional<double>, RealPartsOutcome, std::string, std::string> cases[] = {
        {std::nullopt, RealPartsOutcome::Found, "1,47E+01 V",
         "non calcolato: i campi della verifica non contengono più i valori scritti dal progetto, "
         "e senza il progetto manca la Vo da raggiungere"},
        {15, RealPartsOutcome::Found, target, "61,25 %, per avere Vo media = 1,50E+01 V"},
        {15, RealPartsOutcome::Unreachable, target,
         "nessun duty cycle dà Vo media = 1,50E+01 V con questi componenti"},
        {15, RealPartsOutcome::NoSteadyState, target,
         "non calcolabile: cercandolo si incontra un duty cycle senza regime periodico"},
    };
    for (const auto& [aimed, outcome, mean, duty] : cases) {
        study.targetVo = aimed;
        study.duty = {outcome, 0.6125, 15, 3};
        std::vector<std::string> values;
        for (const ReportLine& line : RealPartsSummary(study, ",")) values.push_back(line.value);
        const std::vector<std::string> expected{
            common[0], common[1], mean, common[2],
            common[3], common[4], duty, "2,50E-01 A picco-picco"};
        EXPECT_EQ(values, expected);
    }
    EXPECT_EQ(EfficiencyText(study.analysis.powers, ","), "93,21 %");
    for (const double critical : {0.0, -128.0}) {
        study.analysis.criticalLoad = critical;
        EXPECT_EQ(RealPartsSummary(study, ",")[1].value,
                  "non definita: il filtro oscilla più in fretta del periodo");
    }
    study.analysis.mode = ConductionMode::Continuous;
    EXPECT_EQ(RealPartsSummary(study, ".")[0].value, "continua (CCM)");
}

TEST(RealPartsReport, StressesLossesExplanationsAndCsvInTheirOrder) {
    RealPartsAnalysis a;
    a.stresses = {{1, 2, 3}, {4, 5, 6, 7}, {8, 9, 10, 11}, 12, 13};
    a.textbook = {101, 102, 103, 104, 105, 106, 107, 108, 109};
    // peak, inductor RMS and mean, switch mean and RMS, diode mean and RMS, capacitors.
    const std::string formula[] = {"1.01E+02", "1.02E+02", "1.03E+02", "1.01E+02", "1.05E+02",
                                   "1.04E+02", "",         "1.01E+02", "1.07E+02", "1.06E+02",
                                   "",         "1.08E+02", "1.09E+02"};
    const std::vector<StressRow> rows = StressTable(a, ".");
    ASSERT_EQ(rows.size(), 13U);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        EXPECT_EQ(rows[r].simulated, FormatScientific(static_cast<double>(r + 1), 2, "."));
        EXPECT_EQ(rows[r].formula, formula[r]);
        EXPECT_EQ(rows[r].unit, rows[r].formula.empty() ? "V" : "A");
    }
    // The textbook formulas are continuous conduction's.
    a.mode = ConductionMode::Discontinuous;
    for (const StressRow& row : StressTable(a, "."))
        EXPECT_EQ(row.formula, row.unit == "V" ? "" : "solo CCM") << row.quantity;

    double watts = 0;
    const Losses each{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    for (const LossShare& loss : LossBreakdown(each, Rectifier::Diode))
        EXPECT_EQ(loss.watts, ++watts);
    EXPECT_EQ(watts, 7);
    // The synchronous stage has no diode (4) and each of its other losses once.
    const std::vector<LossShare> stage = LossBreakdown(each, Rectifier::Synchronous);
    watts = 0;
    for (const LossShare& loss : stage) watts += loss.watts;
    EXPECT_EQ(stage.size(), 10U);
    EXPECT_EQ(watts, 66 - 4);

    RealPartsStudy study;
    EXPECT_NE(NoFiguresExplanation(study).find("non ha un regime periodico"), std::string::npos);
    study.analysis.outcome = RealPartsOutcome::Found;
    EXPECT_EQ(NoFiguresExplanation(study), "");
    study.analysis = {}, study.analysis.unphysical = true;
    EXPECT_NE(NoFiguresExplanation(study).find("violerebbero la fisica"), std::string::npos);
    study.analysis.outcome = RealPartsOutcome::InvalidValues;
    study.circuit.f = 1e5, study.parts.tf = 1.0000001e-5;  // just beyond the period
    EXPECT_EQ(NoFiguresExplanation(study).rfind("Il tempo di discesa tf", 0), 0U);
    study.analysis.outcome = RealPartsOutcome::Found;
    study.refusal = "Hai dimenticato di scrivere la tensione di ingresso Vi";
    EXPECT_EQ(NoFiguresExplanation(study).rfind(study.refusal, 0), 0U);

    Waveform w;
    w.time = {0, 0.25}, w.iC = {-0.5, 2};
    w.iL = {1, 0.1}, w.isw = {1, 0}, w.id = {0, 0.1}, w.vsw = {25, -0.6}, w.Vo = {15, 1e-5};
    EXPECT_EQ(RealPartsCsv(w),
              "t_us,iL_A,isw_A,id_A,vsw_V,Vo_V,iC_A\n0,1,1,0,25,15,-0.5\n"
              "250000,0.1,0,0.1,-0.6,1e-05,2\n");
}

}  // namespace
}  // namespace stepdown::testing

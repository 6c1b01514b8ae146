// The window "Scelta dei componenti" without the window: the choices read from their texts
// with one row per refusal, what an update computes from the last design, the standard
// values written back into the verification fields, the tables' texts and the CSV files on
// values set by hand.

#include <gtest/gtest.h>

#include "componentchoice/ChoiceReport.h"
#include "design/DesignCalculation.h"
#include "support/RecordingWindow.h"
#include "support/WorkedExample.h"
#include "verification/Launch.h"

namespace stepdown::testing {
namespace {

const DesignTargets kWorked{25, 15, 80000, 1.5, 0.6, 0.06};

using T = ChoiceTexts;
// The start texts with some changed.
ChoiceTexts With(const std::vector<std::pair<std::string T::*, std::string>>& changes) {
    ChoiceTexts texts;
    for (const auto& [text, changed] : changes) texts.*text = changed;
    return texts;
}

TEST(ReadChoiceTexts, EmptyRangesAreTheDesignsAndEachRefusalNamesItsField) {
    const ChoiceSettings defaults = ReadChoiceTexts({}, kWorked).settings.value();
    EXPECT_EQ(std::tie(defaults.series, defaults.rounding), std::tuple(Series::E12, Rounding::Up));
    const CornerRanges& r = defaults.corners;
    EXPECT_EQ((std::vector{r.tolL, r.tolC, r.viMin, r.viMax, r.ioMin, r.ioMax, defaults.ioFrom,
                           defaults.ioTo}),
              (std::vector{0.2, 0.2, 25.0, 25.0, 1.5, 1.5, 0.15, 2.25}));
    EXPECT_EQ(defaults.points, 50);

    ChoiceTexts typed;
    typed.series = "E24", typed.round = "nearest", typed.tolL = "0", typed.tolC = "99.5";
    typed.viMin = typed.viMax = "30", typed.ioMax = "2", typed.ioFrom = "0.5e-1";
    typed.points = "1e3";
    const ChoiceSettings read = ReadChoiceTexts(typed, kWorked).settings.value();
    EXPECT_EQ(std::tie(read.series, read.rounding), std::tuple(Series::E24, Rounding::Nearest));
    EXPECT_EQ((std::vector{read.corners.tolL, read.corners.tolC, read.corners.viMin,
                           read.corners.ioMin, read.corners.ioMax, read.ioFrom, read.points + 0.0}),
              (std::vector{0.0, 0.995, 30.0, 1.5, 2.0, 0.05, 1000.0}));

    const std::string tail(kInvalidTail);
    // The texts, the key of the row refused, its message.
    const std::tuple<ChoiceTexts, std::string_view, std::string> rows[] = {
        {With({{&T::ioMin, "2"}, {&T::ioMax, "1.9"}}), "io-max",
         "La corrente di uscita minima non può superare la massima!"},
        {With({{&T::ioTo, "0.1"}}), "io-to",
         "La prima corrente di carico dei grafici non può superare l'ultima!"},
        // The texts first, then the ranges.
        {With({{&T::ioMin, "3"}, {&T::ioMax, "2"}, {&T::points, "x"}}), "points",
         "Errore di inserimento dati per il numero dei punti dei grafici" + tail},
    };
    for (const auto& [texts, key, message] : rows) {
        SCOPED_TRACE(message);
        const ChoiceReading reading = ReadChoiceTexts(texts, kWorked);
        ASSERT_TRUE(!reading.settings && reading.refused != nullptr);
        EXPECT_EQ(std::tie(reading.refused->row->key, reading.message), std::tie(key, message));
    }
}

TEST(StudyChoice, StandardValuesCornersAndSweepFromTheLastDesign) {
    const Designed designed;
    ChoiceTexts choices = With({{&T::viMin, "20"}, {&T::viMax, "30"}, {&T::points, "3"}});
    const ChoiceStudy study = StudyChoice(*designed.module.LastDesign, {}, choices);
    ASSERT_TRUE(study.Computed());
    EXPECT_EQ(std::tie(study.choice.L, study.choice.C), std::tuple(150.0, 18.0));
    EXPECT_EQ(study.inputVoltages, (std::vector{20.0, 25.0, 30.0}));
    ASSERT_EQ(study.corners.corners.size(), 8U);
    EXPECT_EQ(study.corners.corners[7].L, 180.0);  // +20 % of the standard value
    // The worst of each figure is the first corner where it is largest.
    const auto figure = [](const OperatingPoint& p, int k) {
        const double off = std::abs(p.VoMean - 15);
        const double figures[] = {p.D, p.deltaIL, p.deltaVo, p.peakIL, off > 15e-9 ? off : 0};
        return figures[k];
    };
    for (int k = 0; k < 5; ++k) {
        int largest = 0;
        for (int i = 1; i < 8; ++i)
            if (figure(study.corners.corners[i].point, k) >
                figure(study.corners.corners[largest].point, k))
                largest = i;
        EXPECT_EQ(study.corners.worst[k].corner, largest) << k;
    }
    ASSERT_EQ(study.sweep.size(), 9U);
    EXPECT_EQ(std::tie(study.sweep[4].Vi, study.sweep[4].Io), std::tuple(25.0, 1.2));

    // A range beside the nominal Vi still draws the nominal curve, in order.
    choices.viMin = "26";
    EXPECT_EQ(StudyChoice(*designed.module.LastDesign, {}, choices).inputVoltages,
              (std::vector{25.0, 26.0, 30.0}));
    EXPECT_EQ(StudyChoice(*designed.module.LastDesign, {}, {}).inputVoltages, std::vector{25.0});
    choices.viMin = "25.000000000000004";  // the nominal Vi but for rounding: one curve
    EXPECT_EQ(StudyChoice(*designed.module.LastDesign, {}, choices).inputVoltages,
              (std::vector{25.0, 30.0}));
    // 20 ohm in series with the 10 ohm load: at most 25 * 10 / 30 = 8.3 V, so no
    // standard values regulate to 15 V, let alone meet.
    PartTexts lossy;
    lossy.dcr = lossy.rds = "10000";
    EXPECT_EQ(StudyChoice(*designed.module.LastDesign, lossy, With({{&T::round, "meets"}})).refusal,
              "Nessuna coppia di valori standard, da un decimo a cento volte L e C calcolate, "
              "rispetta i requisiti!");
    choices.viMin = "26";
    // A single load per curve: the first.
    choices.points = "1";
    const ChoiceStudy single = StudyChoice(*designed.module.LastDesign, {}, choices);
    ASSERT_EQ(single.sweep.size(), 3U);
    EXPECT_EQ(std::tie(single.sweep[2].Vi, single.sweep[2].Io), std::tuple(30.0, 0.15));

    // The choices are read before the parts.
    PartTexts parts;
    parts.dcr = "-1";
    const ChoiceStudy refusedPart = StudyChoice(*designed.module.LastDesign, parts, {});
    EXPECT_EQ(std::tie(refusedPart.refusal, refusedPart.refusedChoice),
              std::tuple("La resistenza DCR dell'induttore non può essere negativa!", nullptr));
    choices.points = "0";
    const ChoiceStudy refusedChoice = StudyChoice(*designed.module.LastDesign, parts, choices);
    ASSERT_NE(refusedChoice.refusedChoice, nullptr);
    EXPECT_EQ(std::tie(refusedChoice.refusal, refusedChoice.refusedChoice->row->key),
              std::tuple("Il numero dei punti deve essere un intero da 1 a 1000!", "points"));
}

TEST(ApplyStandardValues, WritesLAndCInBlueAndTheDesignStillCounts) {
    Designed designed;
    ApplyStandardValues(designed.module, designed.window, 150, 18);
    EXPECT_EQ(std::tuple(designed.window.Text(VerificationId(key::l)),
                         designed.window.Text(VerificationId(key::c))),
              std::tuple("1.500E+02", "1.800E+01"));
    EXPECT_EQ(designed.window.Colour(VerificationId(key::c)).blue, 255);
    EXPECT_NE(VerifiedDesign(designed.module.LastDesign, TextsOf(designed.window)), nullptr);

    designed.window.Type(VerificationId(key::vi), "30");  // the fields no longer hold the design
    ApplyStandardValues(designed.module, designed.window, 120, 15);
    designed.window.Type(VerificationId(key::vi), "2.500E+01");
    EXPECT_EQ(VerifiedDesign(designed.module.LastDesign, TextsOf(designed.window)), nullptr);
}

TEST(ChoiceReport, TablesVerdictAndCsvOnValuesSetByHand) {
    ChoiceStudy study;
    study.design = kWorked;
    study.L = 125, study.C = 15.625;
    const OperatingPoint good{
        RealPartsOutcome::Found, 0.625, ConductionMode::Discontinuous, 0.5, 40, 1.75, 15, 0.875};
    const OperatingPoint unreachable{RealPartsOutcome::Unreachable};
    study.choice = {Series::E12, Rounding::Up, 150, 18, good, unreachable, {true, true}};
    const std::vector<CheckRow> check = CheckTable(study, ",");
    ASSERT_EQ(check.size(), 7U);
    const auto cells = [](const CheckRow& r) {
        return std::vector{r.quantity, r.unit, r.computed, r.standard, r.requirement, r.met};
    };
    EXPECT_EQ(cells(check[0]),
              (std::vector<std::string>{"L", "uH", "1,25E+02", "1,50E+02", "", ""}));
    EXPECT_EQ(cells(check[3]), (std::vector<std::string>{"ΔVo", "mV", "Vo irraggiungibile",
                                                         "4,00E+01", "≤ 6,00E+01", "sì"}));
    EXPECT_EQ(cells(check[4]),
              (std::vector<std::string>{"D′", "%", "Vo irraggiungibile", "62,50", "", ""}));
    EXPECT_EQ(cells(check[6]).back(), "");

    WorstCase corners;
    corners.corners = {{20, 1.5, 120, 14.4, good}, {30, 0.15, 180, 21.6, unreachable}};
    const std::vector<CornerRow> rows = CornerTable(corners, ".");
    EXPECT_EQ(rows[0], (CornerRow{"2.00E+01", "1.50E+00", "1.20E+02", "1.44E+01", "62.50", "DCM",
                                  "5.00E-01", "4.00E+01", "1.75E+00", "1.50E+01"}));
    EXPECT_EQ(std::tie(rows[1][5], rows[1][6]), std::tuple("Vo irraggiungibile", ""));
    EXPECT_EQ(CornerVerdict(corners, kWorked, ","),
              "Requisiti ΔiL ≤ 6,00E-01 A e ΔVo ≤ 6,00E+01 mV: non rispettati in 1 casi su 2");
    corners.corners.pop_back();
    EXPECT_EQ(CornerVerdict(corners, kWorked, "."),
              "Requisiti ΔiL ≤ 6.00E-01 A e ΔVo ≤ 6.00E+01 mV: rispettati in ogni caso");
    corners.corners.push_back({30, 0.15, 180, 21.6, unreachable});
    EXPECT_EQ(CornersCsv(corners, kWorked), std::string(kCornersCsvHeader) +
                                                "\n20,1.5,120,14.4,0.625,DCM,0.5,40,1.75,15,true\n"
                                                "30,0.15,180,21.6,,unreachable,,,,,false\n");
    const OperatingPoint noSteadyState{RealPartsOutcome::NoSteadyState};
    EXPECT_EQ(SweepCsv({{25, 0.6, good}, {25, 0.3, noSteadyState}}),
              "Vi_V,Io_A,D,mode,efficiency,deltaIL_A,deltaVo_mV,peakIL_A,VoMean_V"
              "\n25,0.6,0.625,DCM,0.875,0.5,40,1.75,15\n25,0.3,,no-steady-state,,,,,\n");
}

}  // namespace
}  // namespace stepdown::testing

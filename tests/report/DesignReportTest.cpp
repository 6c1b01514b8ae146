// The design report's content: the texts as typed, the design against its formulas, the
// refusals, the shown run's sections, the converter as built with the design as target or
// without it, and the standard parts.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "design/DesignCalculation.h"
#include "report/DesignFileWindow.h"
#include "report/DesignReport.h"
#include "support/RecordingWindow.h"
#include "verification/Launch.h"

namespace stepdown {
namespace {

DesignFile WorkedExample() {
    DesignFile file;
    file.design = {{"vi", "25"},     {"vo", "15"},  {"f", "80"},
                   {"ripple", "40"}, {"dvo", "60"}, {"io", "1.5"}};
    return file;
}

const ReportSection* Find(const DesignReport& report, std::string_view title) {
    for (const ReportSection& section : report.sections)
        if (section.title == title) return &section;
    return nullptr;
}

std::vector<std::string> Values(const ReportSection& section) {
    std::vector<std::string> values;
    for (const ReportLine& line : section.lines) values.push_back(line.value);
    return values;
}

TEST(DesignReport, TheTextsAsTypedAndTheDesignByItsFormulas) {
    const DesignReport report = BuildDesignReport({.texts = WorkedExample()});
    ASSERT_EQ(report.sections.size(), 4U);
    EXPECT_EQ(report.fileName, "progetto non salvato");
    EXPECT_EQ(Values(report.sections[0]),
              (std::vector<std::string>{"25 V", "15 V", "80 kHz", "40 %", "60 mV", "1.5 A"}));

    const long double Vi = 25, Vo = 15, f = 80e3, Io = 1.5, dI = 0.4L * Io, dV = 0.06, D = Vo / Vi;
    const std::pair<long double, std::string> results[] = {
        {(Vi - Vo) * Vo / (f * Vi * dI) * 1e6L, " uH"},
        {dI / (8 * f * dV) * 1e6L, " uF"},
        {dI / 2 + Io, " A"},
        {(1 - D) * Io, " A"},
        {D * Io, " A"}};
    std::vector<std::string> expected;
    for (const auto& [value, unit] : results)
        expected.push_back(FormatScientific(static_cast<double>(value), 2, ",") + unit);
    EXPECT_EQ(Values(report.sections[1]), expected);

    EXPECT_EQ(Values(report.sections[2]),
              (std::vector<std::string>{"non scritto", "non scritto", "non scritto", "non scritto",
                                        "non scritto", "non scritto", "1000", "10", "2000"}));
    EXPECT_EQ(report.sections[3].notes,
              std::vector<std::string>{"Nessuna simulazione: «Grafici» non è stato eseguito."});
}

TEST(DesignReport, ADesignRefusedOrNotWrittenAndTextsCutAtACharacter) {
    std::string e80;
    for (int i = 0; i < 40; ++i) e80 += "é";
    const struct {
        std::string key, text, note, value;
    } rows[] = {
        {"vo", "30",
         "«Calcola» non dà risultati: La tensione in uscita non può essere zero o negativa o "
         "maggiore di Vi!",
         "25 V"},
        {"vi", e80,
         "«Calcola» non dà risultati: " + InvalidMessageFor("la tensione di ingresso Vi"),
         e80.substr(0, 60) + "… V"},
        {"vi", "a" + e80, "", "a" + e80.substr(0, 58) + "… V"},
        {"vi", std::string(60, '7'), "", std::string(60, '7') + " V"},  // at the limit: whole
        {"vi", std::string(61, '\x80'), "", "… V"},  // not UTF-8: never cut before the start
    };
    for (const auto& row : rows) {
        ReportInputs in{.texts = WorkedExample()};
        in.texts.design[row.key] = row.text;
        const DesignReport report = BuildDesignReport(in);
        EXPECT_EQ(report.sections[0].lines[0].value, row.value) << row.text;
        if (!row.note.empty()) {
            EXPECT_EQ(report.sections[1].notes.at(0), row.note);
        }
    }
    ReportInputs empty;
    EXPECT_EQ(BuildDesignReport(empty).sections[1].notes,
              std::vector<std::string>{"I dati di progetto non sono scritti: nessun risultato."});
}

// "Calcola" and "Grafici" on the worked example; `capacitance` typed over the design's C.
struct Clicked {
    DesignFile texts;
    std::shared_ptr<const SimulationRun> run;
};
Clicked ClickThrough(const std::string& capacitance = {}) {
    DesignFileWindow window(WorkedExample(), ",");
    Module1 module;
    DesignCalculation(module, window);
    if (!capacitance.empty()) window.SetText("Text10", capacitance);
    testing::RecordingWindow host;
    testing::RecordingProgress progress;
    Clicked clicked{WorkedExample(), LaunchVerification(module, window, host, progress).run};
    TakeMainWindowTexts(window, clicked.texts);
    return clicked;
}

TEST(DesignReport, TheShownRunItsFiguresPicturesAndComparison) {
    const Clicked clicked = ClickThrough();
    const DesignReport report = BuildDesignReport({.texts = clicked.texts, .run = clicked.run});
    const ReportSection* run = Find(report, "Verifica per simulazione");
    const MeasuredFigures& last = clicked.run->analysis->last;
    EXPECT_EQ(run->picture, ReportPicture::Waveforms);
    EXPECT_EQ(Values(*run),
              (std::vector<std::string>{FormatScientific(last.SimDeltaiL, 2, ",") + " A",
                                        FormatScientific(last.SimDeltaVo, 2, ",") + " mV",
                                        FormatScientific(last.SimIDP, 2, ",") + " A",
                                        FormatScientific(last.SimIDm, 2, ",") + " A",
                                        FormatScientific(last.SimIim, 2, ",") + " A"}));
    const ReportSection* startup = Find(report, "Avviamento e regime");
    EXPECT_EQ(startup->picture, ReportPicture::StartupEnvelope);
    ASSERT_EQ(startup->table.rows.size(), 6U);
    for (const auto& row : startup->table.rows) EXPECT_EQ(row.size(), startup->table.header.size());
    EXPECT_FALSE(startup->table.rows[0][2].empty());
    EXPECT_TRUE(startup->notes.empty());

    // The verification fields no longer hold the design: no design column.
    const Clicked changed = ClickThrough("15.62");
    const DesignReport other = BuildDesignReport({.texts = changed.texts, .run = changed.run});
    EXPECT_TRUE(Find(other, "Avviamento e regime")->table.rows[0][2].empty());
    EXPECT_EQ(Find(other, "Avviamento e regime")->notes.size(), 1U);

    const DesignReport frame =
        BuildDesignReport({.texts = clicked.texts, .run = std::make_shared<SimulationRun>()});
    EXPECT_EQ(Find(frame, "Avviamento e regime"), nullptr);
    EXPECT_EQ(Find(frame, "Verifica per simulazione")->notes.size(), 1U);
}

TEST(DesignReport, TheConverterAsBuiltOnceAPartIsSetWithTheDesignAsTarget) {
    ReportInputs in{.texts = ClickThrough().texts};
    EXPECT_EQ(Find(BuildDesignReport(in), "Componenti reali"), nullptr);
    in.texts.parts["esr"] = "50";
    DesignReport report = BuildDesignReport(in);
    const ReportSection* built = Find(report, "Componenti reali");
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(built->lines[0].caption, "Resistenza serie ESR del condensatore");
    EXPECT_EQ(built->lines[0].value, "50 mΩ");
    // The summary's last lines: D′, then ΔiL.
    const ReportLine& duty = built->lines[built->lines.size() - 2];
    EXPECT_EQ(duty.caption, "D′");
    EXPECT_TRUE(duty.value.starts_with("60,94 %")) << duty.value;
    EXPECT_EQ(built->lines.back().caption, "ΔiL");
    EXPECT_EQ(built->table.rows.size(), 13U);
    const ReportSection* losses = Find(report, "Perdite e rendimento");
    ASSERT_EQ(losses->lines.size(), 9U);
    EXPECT_EQ(losses->lines[8].caption, "Rendimento");

    in.texts.verification["d"] = "61";
    report = BuildDesignReport(in);
    const std::vector<ReportLine>& changed = Find(report, "Componenti reali")->lines;
    EXPECT_TRUE(changed[changed.size() - 2].value.starts_with("non calcolato"));
    in.texts.parts["esr"] = "abc";
    report = BuildDesignReport(in);
    EXPECT_TRUE(Find(report, "Componenti reali")
                    ->notes.at(0)
                    .starts_with("Errore di inserimento dati per la resistenza serie ESR"));
    EXPECT_EQ(Find(report, "Perdite e rendimento"), nullptr);
}

TEST(DesignReport, TheStandardPartsAndTheWorstCornersWhenChosen) {
    StandardChoice chosen{Series::E24, Rounding::Nearest, 150, 18, {}, {}, {true, false}};
    chosen.figures.deltaIL = 0.5;
    chosen.figures.deltaVo = 44;
    WorstCase worst;
    worst.corners = {{20, 1, 120, 14.4, {}}, {30, 2, 180, 21.6, {}}};
    worst.worst[0] = {0.62, 1};
    worst.worst[2] = {70, 0};
    ReportInputs in{.texts = WorkedExample()};
    EXPECT_EQ(Find(BuildDesignReport(in), "Scelta dei componenti"), nullptr);
    in.standardChoice = &chosen;
    in.worstCase = &worst;
    const DesignReport report = BuildDesignReport(in);
    const ReportSection* section = Find(report, "Scelta dei componenti");
    EXPECT_EQ(Values(*section), (std::vector<std::string>{
                                    "E24", "al valore più vicino", "1,50E+02 uH", "1,80E+01 uF",
                                    "5,00E-01 A", "4,40E+01 mV", "rispettato", "non rispettato"}));
    EXPECT_EQ(section->table.header.size(), 6U);
    EXPECT_EQ(section->table.rows,
              (std::vector<std::vector<std::string>>{
                  {"Duty cycle D′", "62,00 %", "3,00E+01", "2,00E+00", "1,80E+02", "2,16E+01"},
                  {"ΔVo", "7,00E+01 mV", "2,00E+01", "1,00E+00", "1,20E+02", "1,44E+01"}}));
    EXPECT_EQ(section->notes,
              std::vector<std::string>{"Non tutti gli angoli rispettano entrambi i requisiti."});
}

}  // namespace
}  // namespace stepdown

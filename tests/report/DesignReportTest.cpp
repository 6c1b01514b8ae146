// The design report's content: the texts as typed, the design against its formulas, the
// refusals, the shown run's sections, the converter as built with the design as target or
// without it, and the standard parts.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "componentchoice/ChoiceStudy.h"
#include "control/ImpedanceLoop.h"
#include "design/DesignCalculation.h"
#include "report/DesignReport.h"
#include "support/RecordingWindow.h"
#include "support/TextChecks.h"
#include "verification/Launch.h"

namespace stepdown {
namespace {

using G = QuantityGroup;

DesignFile WorkedExample() {
    DesignFile file;
    SetSection(
        file, G::Design,
        {{"vi", "25"}, {"vo", "15"}, {"f", "80"}, {"ripple", "40"}, {"dvo", "60"}, {"io", "1.5"}});
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
    // The key, its text, the design's note, the value shown.
    const std::tuple<std::string, std::string, std::string, std::string> rows[] = {
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
    for (const auto& [key, text, note, value] : rows) {
        ReportInputs in{.texts = WorkedExample()};
        SetText(in.texts, G::Design, key, text);
        const DesignReport report = BuildDesignReport(in);
        EXPECT_EQ(report.sections[0].lines[0].value, value) << text;
        EXPECT_TRUE(note.empty() || report.sections[1].notes.at(0) == note) << note;
    }
    EXPECT_EQ(BuildDesignReport({}).sections[1].notes,
              std::vector<std::string>{"I dati di progetto non sono scritti: nessun risultato."});
}

// "Calcola" and "Grafici" on the worked example; `capacitance` typed over the design's C.
struct Clicked {
    DesignFile texts;
    std::shared_ptr<const SimulationRun> run;
};
Clicked ClickThrough(const std::string& capacitance = {}) {
    InputTexts texts = WorkedExample().texts;
    Module1 module;
    MessageList messages;
    WriteVerificationTexts(*DesignFromTexts(module, texts, messages), texts);
    if (!capacitance.empty()) texts[{G::Verification, key::c}] = capacitance;
    testing::RecordingProgress progress;
    Clicked clicked{WorkedExample(), VerifyFromTexts(module, texts, messages, progress, ",").run};
    clicked.texts.texts = texts;
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
    // Texts changed since "Grafici" are told: the run shown is not theirs.
    ReportInputs typed{.texts = clicked.texts, .run = clicked.run};
    SetText(typed.texts, G::Simulation, key::ni, "2001");
    const DesignReport stale = BuildDesignReport(typed);
    EXPECT_EQ(Find(stale, "Verifica per simulazione")->notes.size(), run->notes.size() + 1);
    // Beneath the plot, each trace named with its colour, zero line and scale.
    const SimulationRun& shown = *clicked.run;
    const auto largest = [&](const std::vector<double>& wave) {  // of samples 1..N
        return std::fabs(
            *std::max_element(wave.begin() + 1, wave.begin() + shown.N + 1,
                              [](double a, double b) { return std::fabs(a) < std::fabs(b); }));
    };
    // Name, colour, zero line, unit, the largest sample, the scale's tick per largest.
    using Text = const char*;
    const std::tuple<Text, Text, Text, Text, double, double> traces[] = {
        {"iL(t)", "rosso", "80 %", " A", largest(shown.WaveIL), 5.0 / 18},
        {"iC(t)", "verde", "70 %", " A", largest(shown.WaveIC), 5.0 / 6},
        {"Vo(t)", "blu", "40 %", " V", largest(shown.WaveVo), 5.0 / 18},
        {"Vd(t)", "magenta", "20 %", " V", largest(shown.WaveVd), 5.0 / 18},
        {"id(t)", "ciano", "0,1 %", " A", largest(shown.WaveIL), 5.0 / 18},
    };
    ASSERT_EQ(run->table.rows.size(), 5U);
    std::size_t i = 0;
    for (const auto& [name, colour, zero, unit, extreme, perTick] : traces)
        EXPECT_EQ(
            run->table.rows[i++],
            (std::vector<std::string>{name, colour, zero, FormatScientific(extreme, 2, ",") + unit,
                                      FormatScientific(extreme * perTick, 2, ",") + unit}));
    // 10 periods of 12.5 us across the plot, a bottom tick every quarter.
    ExpectHas(run->notes.at(0), {"10 periodi affiancati, 1,25E-04 s in tutta la larghezza, una "
                                 "tacca in basso ogni 3,13E-05 s."});
    auto unfit = std::make_shared<SimulationRun>(shown);  // arrays that cannot be scanned
    unfit->WaveVd.clear();
    const DesignReport unfitReport = BuildDesignReport({.texts = clicked.texts, .run = unfit});
    const ReportSection* unscaled = Find(unfitReport, "Verifica per simulazione");
    EXPECT_TRUE(unscaled->table.rows.empty() && unscaled->notes.empty());

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
    SetText(in.texts, G::Parts, key::esr, "50");
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

    // D is what D' replaces: another D, as "Usa D′" writes, still aims at the design's Vo;
    // another L does not.
    for (const auto& [key, shown] : {std::pair{"d", "60,94 %"}, {"l", "non calcolato"}}) {
        SetText(in.texts, G::Verification, key, "61"), report = BuildDesignReport(in);
        const std::vector<ReportLine>& changed = Find(report, "Componenti reali")->lines;
        EXPECT_TRUE(changed[changed.size() - 2].value.starts_with(shown)) << key;
    }
    // Refused, the part lines still show; the choices in the words of the window's.
    SetSection(in.texts, G::Parts, {{"esr", "abc"}, {"rectifier", "sync"}, {"lsmode", "de"}});
    report = BuildDesignReport(in);
    const ReportSection& told = *Find(report, "Componenti reali");
    EXPECT_TRUE(told.notes.at(0).starts_with("Errore di inserimento dati per la resistenza serie"));
    EXPECT_EQ(told.lines[10].value + ", " + told.lines[11].value, "sincrono, emulazione del diodo");
    EXPECT_EQ(Find(report, "Perdite e rendimento"), nullptr);
}

// The file's choices give the section without any window: the standard
// values by their series, the worst case as the window computes it.
TEST(DesignReport, TheStandardPartsAndTheWorstCornersFromTheFilesChoices) {
    ReportInputs in{.texts = WorkedExample()};
    EXPECT_EQ(Find(BuildDesignReport(in), "Scelta dei componenti"), nullptr);  // start texts
    SetSection(in.texts, G::Selection, {{"series", "E24"}, {"round", "nearest"}});
    const DesignReport report = BuildDesignReport(in);
    const ReportSection* section = Find(report, "Scelta dei componenti");
    ASSERT_NE(section, nullptr);
    // The worked example's L = 125 uH and C = 15.625 uF onto E24, nearest on a log
    // scale: 130 (125/120 > 130/125) and 16 (between 15 and 16, nearer 16 either way).
    const std::vector<std::string> values = Values(*section);
    ASSERT_EQ(values.size(), 8U);
    EXPECT_EQ(std::vector<std::string>(values.begin(), values.begin() + 4),
              (std::vector<std::string>{"E24", "al più vicino", "1,30E+02 uH", "1,60E+01 uF"}));
    // The same numbers as the window's study of the same texts.
    Module1 module;
    MessageList messages;
    DesignFromTexts(module, in.texts.texts, messages);
    ChoiceTexts e24, badTolerance;
    e24.series = "E24", e24.round = "nearest", badTolerance.tolL = "abc";
    const ChoiceStudy study = StudyChoice(*module.LastDesign, PartTexts{}, e24);
    EXPECT_EQ(values[4], FormatScientific(study.choice.figures.deltaIL, 2, ",") + " A");
    ASSERT_FALSE(section->table.rows.empty());
    EXPECT_EQ(section->table.rows[0][0], "Duty cycle D′");
    EXPECT_EQ(section->table.rows[0][1],
              FormatFixed2(study.corners.worst[0].value * 100, ",") + " %");
    EXPECT_EQ(section->notes.size(), 1U);
    for (const auto& row : section->table.rows) {  // nominal Vi and Io; 130 uH and 16 uF +-20 %
        EXPECT_EQ(row[2] + " " + row[3], "2,50E+01 1,50E+00");
        EXPECT_TRUE(row[4] == "1,04E+02" || row[4] == "1,56E+02") << row[4];
        EXPECT_TRUE(row[5] == "1,28E+01" || row[5] == "1,92E+01") << row[5];
    }

    const std::pair<std::string, std::string> refusals[] = {
        {"vi", "I valori standard non sono calcolati: mancano i risultati del progetto."},
        {"tol-l", "I valori standard non sono calcolati: " +
                      StudyChoice(*module.LastDesign, {}, badTolerance).refusal},
    };
    for (const auto& [key, note] : refusals) {
        ReportInputs refused = in;
        SetText(refused.texts, key == "vi" ? G::Design : G::Selection, key, "abc");
        const DesignReport told = BuildDesignReport(refused);
        const ReportSection* shown = Find(told, "Scelta dei componenti");
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->notes, std::vector<std::string>{note});
        EXPECT_TRUE(shown->lines.empty() && shown->table.rows.empty());
    }
}

// The controller's texts, once they differ from their start texts, give the
// loop's sections: a designed network that meets its fc and phase margin on
// the circuit's own impedances, and the step response asked for. Refused
// texts give one section that says why, and no chart.
TEST(DesignReport, TheLoopOnceItsTextsAreSetAndOnlyWhenTheyGiveAnAnalysis) {
    ReportInputs in{.texts = ClickThrough().texts};
    SetSection(in.texts, G::Parts, {{"esr", "50"}, {"dcr", "100"}, {"rds", "50"}});
    const std::size_t before = BuildDesignReport(in).sections.size();
    // A text refused, a design refused (type II for a boost beyond 90 degrees), a half step.
    for (const auto& [key, refused] : {std::pair{"pm", "200"}, {"type", "2"}, {"rl2", "5"}}) {
        SetSection(in.texts, G::Loop, {{"fc", "8"}, {key, refused}});
        const DesignReport report = BuildDesignReport(in);
        ASSERT_EQ(report.sections.size(), before + 1);
        EXPECT_EQ(report.loop, nullptr);
        const ReportSection& told = report.sections.back();
        EXPECT_EQ(told.title, "Anello di controllo");
        ASSERT_EQ(told.notes.size(), 1U);
        EXPECT_EQ(told.notes[0].rfind("L'anello di controllo non è stato calcolato: ", 0), 0U);
    }
    SetSection(in.texts, G::Loop, {{"fc", "8"}, {"tss", "1"}, {"rl2", "5"}, {"t1", "5"}});
    const DesignReport report = BuildDesignReport(in);
    ASSERT_EQ(report.sections.size(), before + 2);
    ASSERT_NE(report.loop, nullptr);
    const ReportSection& loop = report.sections[before];
    EXPECT_EQ(loop.title, "Anello di controllo");
    EXPECT_EQ(loop.picture, ReportPicture::LoopBode);
    EXPECT_EQ(loop.lines[0].value, "tipo III, progettato per fc e margine di fase");
    LoopCircuit circuit = test::WorkedExampleLoop();
    circuit.circuit = report.loop->loop.circuit;
    const Compensator& c = report.loop->loop.compensator;
    EXPECT_EQ(c.Rb, 2000);
    for (double Compensator::*value :
         {&Compensator::R2, &Compensator::R3, &Compensator::C1, &Compensator::C2, &Compensator::C3})
        circuit.compensator.*value = c.*value;
    const test::Complex T = test::LoopFromImpedances(circuit, 8e3);
    EXPECT_NEAR(static_cast<double>(std::abs(T)), 1, 1e-9);
    EXPECT_NEAR(static_cast<double>(180 + std::arg(T) * 180 / std::numbers::pi_v<long double>), 60,
                1e-7);
    // D from the averaged switch's balance, IL = Vo/RL + Vo/(R1 + Rb).
    const double IL = 15.0 / 10 + 15.0 / 12000, D = (15 + 0.6 + 0.1 * IL) / (25 - 0.05 * IL + 0.6);
    const std::vector<std::string> values = Values(loop);
    EXPECT_EQ(values[1], FormatFixed2(D * 100, ",") + " %");
    EXPECT_EQ(values[6], "8,00E+03 Hz");
    // The gain margin in dB, or the one word for none every text medium uses.
    const std::optional<double> gm = report.loop->analysis.gainMargin;
    const ReportLine gain{"Margine di guadagno",
                          gm ? FormatScientific(*gm, 2, ",") + " dB" : std::string("nessuno")};
    EXPECT_EQ(std::count_if(loop.lines.begin(), loop.lines.end(),
                            [&](const ReportLine& line) {
                                return line.caption == gain.caption && line.value == gain.value;
                            }),
              1);
    ASSERT_EQ(loop.table.rows.size(), 7U);  // R3 and C3 included for Type III
    EXPECT_EQ(loop.table.header.back(), "Valore standard (E96, E12)");
    EXPECT_EQ(loop.table.rows[1], (std::vector<std::string>{"Rb", "Ω", "2,00E+03", "2,00E+03"}));
    // In nF, as the window's fields have it.
    EXPECT_EQ(loop.table.rows[4][1] + " " + loop.table.rows[4][2],
              "nF " + FormatScientific(c.C1 * 1e9, 2, ","));
    const ReportSection& step = report.sections[before + 1];
    EXPECT_EQ(step.picture, ReportPicture::LoopStep);
    // The steady ripple of C alone, dIL / (8 f C) with dIL = (Vi - Vo) D / (f L).
    EXPECT_NEAR(report.loop->transient->steadyVoRipple,
                10 * D / (80e3 * 125e-6 * 8 * 80e3 * 15.63e-6), 5e-3);
    // The same network given without its type: R3 and C3 make it Type III.
    SetSection(in.texts, G::Loop,
               {{"r2", "312"}, {"c1", "333"}, {"c2", "12.6"}, {"r3", "380"}, {"c3", "10"}});
    EXPECT_EQ(Values(BuildDesignReport(in).sections[before])[0], "tipo III");
    const StepFigures& load = report.loop->transient->loadStep.value();
    EXPECT_NEAR(load.undershoot, 1.36, 0.1);  // what a 10 -> 5 ohm step dips on this loop
    EXPECT_EQ(step.lines.at(8).value,
              FormatScientific(load.undershoot, 2, ",") + " V (" +
                  FormatFixed2(load.undershoot / load.finalVoMean * 100, ",") + " %)");
    // The plant named as the control has it: Gvd, Gvc in peak-current mode.
    EXPECT_EQ(loop.lines[5].caption, "Guadagno in continua di Gvd");
    // Start-up figures only from rest (tss); Rb = 10 kΩ 1.25/(15 - 1.25) on E96
    // is 909 Ω, whose Vo is told beside the 15 V asked; margins over a current
    // loop whose error grows by Sf/Sn = Vo/(Vi - Vo) = 1.5 a period (no ramp)
    // are told void. Each caption's value, or nothing where it is not shown.
    const double vo = 1.25 * (1 + 1e4 / 909);
    // The loop's texts, the caption looked for, its value's end.
    const std::tuple<NamedTexts, const char*, std::string> shown[] = {
        {{{"fc", "8"}, {"tss", "1"}, {"rl2", "5"}, {"t1", "5"}}, "Avvio: picco di iL", "A"},
        {{{"fc", "8"}, {"rl2", "5"}, {"t1", "5"}}, "Avvio: picco di iL", ""},
        {{{"fc", "8"}, {"vref", "1.25"}},
         "Vo regolata con i valori standard",
         FormatScientific(vo, 2, ",") + " V (richiesta 1,50E+01 V, +" +
             FormatFixed2(100 * (vo / 15 - 1), ",") + " %)"},
        {{{"fc", "8"}, {"control", "peak"}, {"se", "0.001"}, {"ri", "0.5"}},
         "Validità dei margini",
         std::string(kUnstableOrbitMargins)},
        {{{"fc", "8"}, {"control", "peak"}}, "Validità dei margini", ""},
    };
    for (const auto& [texts, caption, value] : shown) {
        SetSection(in.texts, G::Loop, texts);
        std::string found, gains;
        for (const ReportSection& section : BuildDesignReport(in).sections)
            for (const ReportLine& line : section.lines) {
                if (line.caption == caption) found = line.value;
                if (line.caption.rfind("Guadagno in continua", 0) == 0) gains += line.caption;
            }
        EXPECT_TRUE(found.ends_with(value) && found.empty() == value.empty()) << found;
        EXPECT_EQ(gains, texts.count("control") ? "Guadagno in continua di Gvc"
                                                : "Guadagno in continua di Gvd");
    }
}

}  // namespace
}  // namespace stepdown

// One text, every front end: what the windows compute and show, the
// command's option, a design file's key and the report all give one verdict
// and the same sentence, each saying only where the text came from.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "componentchoice/ChoiceReading.h"
#include "componentchoice/ChoiceStudy.h"
#include "control/LoopAssembly.h"
#include "control/LoopStudy.h"
#include "design/DesignCalculation.h"
#include "designfile/DesignFile.h"
#include "realparts/RealPartsReport.h"
#include "realparts/RealPartsStudy.h"
#include "report/DesignReport.h"
#include "support/CommandRun.h"
#include "support/RecordingWindow.h"
#include "support/WorkedExample.h"
#include "verification/Launch.h"

namespace stepdown::cli {
namespace {

struct Case {
    std::string section, key, text;
    std::string run;         // what takes the text: verify, corners, sweep, loop
    std::string sentence;    // as the window shows it
    std::string at{}, in{};  // the key and section refused, when not the typed ones
    bool named = true;       // the refusal names the text; else it is the sentence alone
    std::vector<std::pair<std::string, std::string>> also{};  // more texts of the section
    auto Texts() const {                                      // its own last
        auto texts = also;
        texts.emplace_back(key, text);
        return texts;
    }
};

const std::string kTail(kInvalidTail);
// Dead times that fill what D leaves of the period exactly, (5000 ns + 0) 80 kHz = 1 - 0.6,
// at the typed D of 60 % and at the loop's D = Vo/Vi of ideal parts.
const std::string kDeadTimes =
    "Con i tempi morti td1 e td2 il duty cycle di 6.00E+01 % del punto di lavoro non lascia "
    "spazio: D + (td1 + td2) f deve restare minore di 1.";
const std::vector<std::pair<std::string, std::string>> kSync{{"rectifier", "sync"}, {"vf", "0"}};

// The text that row refuses: below a range's low end, else no number.
std::string RefusedText(const Quantity& row) {
    if (row.word || !std::isfinite(row.range.low)) return "x";
    char text[32];
    std::snprintf(text, sizeof text, "%g",
                  row.range.low / row.toSI - (row.range.lowIncluded ? 1 : 0));
    return text;
}

// What takes a text of the group: the main window's clicks, the side windows' runs.
std::string RunOf(const Quantity& row) {
    const std::string key(row.key);
    switch (row.group) {
    case QuantityGroup::Design:
        return "design";
    case QuantityGroup::Simulation:
        return "launch";
    case QuantityGroup::Parts:
        return "verify";
    case QuantityGroup::Selection:
        return key == "points" || key == "io-from" || key == "io-to" ? "sweep" : "corners";
    default:
        return "loop";
    }
}

const Case kCases[] = {
    // Texts that are no value of their row, and values past the other end.
    {"parts", "rd", "\xc3\xa8", "loop",
     "Errore di inserimento dati per la resistenza serie Rd del diodo in mΩ" + kTail},
    {"parts", "tr", "1e400", "corners",
     "Il numero scritto per il tempo di salita tr dell'interruttore in ns è troppo grande in "
     "valore assoluto!"},
    {"selection", "tol-l", "100", "corners",
     "La tolleranza di L deve restare sotto il 100 %: al minimo L sarebbe zero!"},
    // An empty end is the design's: 30 V above the nominal 25 V.
    {"selection", "vi-min", "30", "corners",
     "La tensione di ingresso minima non può superare la massima!", "vi-max"},
    {"loop", "pm", "200", "loop",
     "Il margine di fase deve essere maggiore di 0° e minore di 180°!"},
    {"loop", "fc", "50", "loop", "La frequenza di attraversamento fc deve essere minore di f/2!"},
    {"loop", "type", "III", "loop", "Il tipo del compensatore può essere solo 2 o 3!"},
    {"loop", "vref", "20", "loop",
     "La tensione di uscita Vo deve essere maggiore della tensione di riferimento Vref: abbassa "
     "Vref o scrivi Rb!",
     "vo", "design"},
    // Values that no result can be computed from, each named by its key.
    {"loop", "vramp", "5e-324", "loop", std::string(kRampGainLost)},
    {"loop", "rb", "5e-324", "loop", std::string(kDividerLost)},
    {"loop", "vref", "5e-324", "loop", std::string(kDividerLost)},
    {"loop", "rl2", "5", "loop",
     "Il gradino di carico si dà con RL2 e t1, quello di linea con Vi2 e t2!", "t1"},
    // The rules that tie texts together: the design's Vo below Vi, a D the loop reads.
    {"design", "vo", "30", "loop",
     "La tensione in uscita non può essere zero o negativa o maggiore di Vi!"},
    {"design", "vo", "25", "loop",
     "La tensione in uscita non può essere uguale alla tensione in ingresso Vi: L risulterebbe "
     "zero e C indefinita!"},
    {"verification", "d", "150", "loop",
     "Il Duty Cycle non può essere zero o negativo o maggiore o uguale al 100%!"},
    {"parts", "td1", "5000", "verify", kDeadTimes, "", "", false, kSync},
    {"parts", "td1", "5000", "loop", kDeadTimes, "", "", false, kSync},
};

// What the window that takes the case's text computes on it, next to the
// worked example designed and verified.
std::string WindowSays(const Case& c) {
    testing::Designed designed;
    auto& [module, window] = designed;
    window.Type({QuantityGroup::Verification, key::c}, "15.625");
    PartTexts parts;
    ChoiceTexts choices;
    ControlTexts loop;
    loop.fc = "8";
    for (const PartField& f : PartFields())
        for (const auto& [key, text] : c.Texts())
            if (c.section == "parts" && f.row->key == key) parts.*f.text = text;
    for (const ChoiceField& f : ChoiceFields())
        if (c.section == "selection" && f.row->key == c.key) choices.*f.text = c.text;
    for (const ControlField& f : ControlFields())
        if (c.section == "loop" && f.row->key == c.key) loop.*f.text = c.text;
    const auto group = c.section == "design"       ? QuantityGroup::Design
                       : c.section == "simulation" ? QuantityGroup::Simulation
                                                   : QuantityGroup::Verification;
    if (const Quantity* row = FindQuantity(group, c.key)) window.Type(IdOf(*row), c.text);
    // The main window's clicks say it in their message box.
    window.messages.clear();
    if (c.run == "design") DesignCalculation(module, window);
    testing::RecordingProgress progress;
    if (c.run == "launch") LaunchVerification(module, window, window, progress);
    if (c.run == "design" || c.run == "launch")
        return window.messages.empty() ? "" : window.messages.back();
    if (c.run == "loop") return StudyLoop(TextsOf(window), parts, loop).refusal;
    if (c.run != "verify") return StudyChoice(*module.LastDesign, parts, choices).refusal;
    const RealPartsStudy study = StudyRealParts(module.LastDesign, TextsOf(window), parts);
    return study.refusal.empty() ? NoFiguresExplanation(study) : study.refusal;
}

TEST(FrontEnds, OneTextOneVerdictAndOneSentenceEverywhere) {
    const Args circuit{"--vi", "25", "--f", "80", "--l", "125", "--c", "15.625", "--rl", "10"};
    const Args design{"--vi",     "25", "--vo",  "15", "--f",  "80",
                      "--ripple", "40", "--dvo", "60", "--io", "1.5"};
    const std::string path = ::testing::TempDir() + "front-ends.stepdown";
    // Every key of every group at a text its row refuses, then the cases above.
    const char* const sections[] = {"design", "verification", "simulation",
                                    "parts",  "selection",    "loop"};
    std::vector<Case> cases;
    for (const Quantity& row : kQuantities) {
        // The sentence of the window that takes the text (the design's and the
        // launch's tests hold their words): every other front end says it too.
        cases.push_back({sections[static_cast<int>(row.group)], std::string(row.key),
                         RefusedText(row), RunOf(row), ""});
        cases.back().sentence = WindowSays(cases.back());
        EXPECT_FALSE(cases.back().sentence.empty()) << row.key;
    }
    cases.insert(cases.end(), std::begin(kCases), std::end(kCases));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key + "=" + c.text);
        const std::string at = c.at.empty() ? c.key : c.at, in = c.in.empty() ? c.section : c.in;
        // The main window's clicks name no text: their sentences stand alone.
        const bool named = c.named && c.run != "design" && c.run != "launch";
        EXPECT_EQ(WindowSays(c), c.sentence);

        // The command's option: the same sentence, named by its option.
        Args typed = c.run == "verify" || c.run == "launch" ? Plus({"verify", "--d", "60"}, circuit)
                     : c.run == "loop" ? Plus({"loop", "--vo", "15", "--fc", "8"}, circuit)
                                       : Plus({c.run == "sweep" ? "sweep" : "design"}, design);
        if (c.run == "corners") typed.push_back("--corners");
        // The case's text in place of the run's own value, if it has one.
        const auto given = std::find(typed.begin(), typed.end(), "--" + c.key);
        if (given != typed.end()) typed.erase(given, given + 2);
        for (const auto& [key, text] : c.Texts()) typed = Plus(typed, {"--" + key, text});
        const Result option = Cli(typed);
        EXPECT_NE(option.status, 0);
        const std::string said = option.err.substr(0, option.err.find('\n'));
        EXPECT_TRUE(said == "stepdown-cli: il valore di --" + at + " non è valido: " + c.sentence ||
                    said == "stepdown-cli: manca --" + at + ": " + c.sentence ||
                    (!named && said == c.sentence))
            << said;

        // The design file's key: the file, its section and key, never the usage.
        DesignFile file;
        for (const testing::FieldTexts& texts :
             {testing::kDesignExample, testing::Typed("vi=25 d=60 f=80 l=125 c=15.625 rl=10"),
              testing::Typed("fc=8", QuantityGroup::Loop)})
            for (const auto& [id, text] : texts) file.texts[id] = text;
        for (const DesignFileSection& section : kDesignFileSections)
            for (const auto& [key, text] : c.Texts())
                if (section.name == c.section) SetText(file, section.keys.front().group, key, text);
        ASSERT_TRUE(SaveDesignFile(path, file).saved);
        const Result opened =
            c.run == "design" ? Cli({"open", path})
                              : Cli({"open", path, c.run == "launch" ? "--verify" : "--" + c.run});
        EXPECT_NE(opened.status, 0);
        EXPECT_EQ(opened.out, "");
        std::string where = named ? "Nel file " + path : "";
        if (named) where.append(" la chiave \"").append(at).append("\" della sezione \"");
        if (named) where.append(in).append("\" è rifiutata: ");
        EXPECT_EQ(opened.err, where.append(c.sentence).append("\n"));
        // A run that does not take the text does not read it.
        EXPECT_TRUE(c.run != "sweep" || (Cli({"open", path}).status == 0 &&
                                         Cli({"open", path, "--verify"}).status == 0));

        // The report of that file says it where the result would stand.
        const DesignReport report = BuildDesignReport({.texts = file});
        bool told = false;
        for (const ReportSection& section : report.sections)
            for (const std::string& note : section.notes)
                told = told || note.find(c.sentence) != std::string::npos;
        // The report runs the file's launch first, and says why it has no run.
        MessageList launched;
        testing::RecordingProgress progress;
        Module1 module;
        if (c.run == "launch") VerifyFromTexts(module, file.texts, launched, progress, ".");
        EXPECT_TRUE(told || launched.Texts() == std::vector<std::string>{c.sentence});
    }
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace stepdown::cli

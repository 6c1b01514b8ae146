// One text, every front end: what the windows compute and show, the
// command's option, a design file's key and the report all give one verdict
// and the same sentence, each saying only where the text came from.

#include <gtest/gtest.h>

#include <string>

#include "componentchoice/ChoiceStudy.h"
#include "control/LoopStudy.h"
#include "design/DesignCalculation.h"
#include "designfile/DesignFile.h"
#include "realparts/RealPartsStudy.h"
#include "report/DesignReport.h"
#include "support/CommandRun.h"
#include "support/RecordingWindow.h"
#include "support/WorkedExample.h"

namespace stepdown::cli {
namespace {

struct Case {
    std::string section, key, text;
    std::string sentence;     // as the window shows it
    std::string refusedAt{};  // the key the refusal names, when not the typed one
    std::string refusedIn{};  // and its section
};

TEST(FrontEnds, OneTextOneVerdictAndOneSentenceEverywhere) {
    const std::string tail(kInvalidTail);
    const Case cases[] = {
        {"parts", "esr", "-1", "La resistenza serie ESR del condensatore non può essere negativa!"},
        {"parts", "vf", "2,5",
         "Errore di inserimento dati per la caduta di tensione Vf del diodo in V" + tail},
        {"parts", "tr", "1e400",
         "Il numero scritto per il tempo di salita tr dell'interruttore in ns è troppo grande in "
         "valore assoluto!"},
        {"selection", "tol-l", "100",
         "La tolleranza di L deve restare sotto il 100 %: al minimo L sarebbe zero!"},
        {"selection", "points", "2.5", "Il numero dei punti deve essere un intero da 1 a 1000!"},
        {"loop", "pm", "200", "Il margine di fase deve essere maggiore di 0° e minore di 180°!"},
        {"loop", "fc", "50", "La frequenza di attraversamento fc deve essere minore di f/2!"},
        {"loop", "vref", "20",
         "La tensione di uscita Vo deve essere maggiore della tensione di riferimento Vref: "
         "abbassa Vref o scrivi Rb!",
         "vo", "design"},
        {"loop", "rl2", "5",
         "Il gradino di carico si dà con RL2 e t1, quello di linea con Vi2 e t2!", "t1", "loop"},
    };
    // The worked example, designed and verified as its window would hold it.
    testing::RecordingWindow window;
    for (const auto& [box, text] : testing::kDesignExample) window.Type(box, text);
    Module1 module;
    DesignCalculation(module, window);
    const Args circuit{"--vi", "25", "--f", "80", "--l", "125", "--c", "15.625", "--rl", "10"};
    const std::string path = ::testing::TempDir() + "front-ends.stepdown";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key + "=" + c.text);
        const std::string at = c.refusedAt.empty() ? c.key : c.refusedAt;
        const std::string in = c.refusedIn.empty() ? c.section : c.refusedIn;

        // The window's computation.
        PartTexts parts;
        ChoiceTexts choices;
        ControlTexts loop;
        std::string shown;
        if (c.section == "parts") {
            if (c.key == "esr") parts.esr = c.text;
            if (c.key == "vf") parts.vf = c.text;
            if (c.key == "tr") parts.tr = c.text;
            shown = StudyRealParts(module, window, parts).refusal;
        } else if (c.section == "selection") {
            (c.key == "tol-l" ? choices.tolL : choices.points) = c.text;
            shown = StudyChoice(*module.LastDesign, parts, choices).refusal;
        } else {
            if (c.key == "pm") loop.pm = c.text;
            if (c.key == "fc") loop.fc = c.text;
            if (c.key == "vref") loop.vref = c.text;
            if (c.key == "rl2") loop.rl2 = c.text;
            shown = StudyLoop({25, 0.6, 80e3, 125e-6, 15.625e-6, 10}, *ReadPartTexts({}).values, 15,
                              loop)
                        .refusal;
        }
        EXPECT_EQ(shown, c.sentence);

        // The command's option.
        const Args option{"--" + c.key, c.text};
        const Args design{"--vi",     "25", "--vo",  "15", "--f",  "80",
                          "--ripple", "40", "--dvo", "60", "--io", "1.5"};
        const bool sweep = c.key == "points";
        const Result typed = c.section == "parts"
                                 ? Cli(Plus(Plus({"verify", "--d", "60"}, circuit), option))
                             : sweep ? Cli(Plus(Plus({"sweep"}, design), option))
                             : c.section == "selection"
                                 ? Cli(Plus(Plus(Plus({"design"}, design), {"--corners"}), option))
                                 : Cli(Plus(Plus({"loop", "--vo", "15"}, circuit), option));
        EXPECT_NE(typed.status, 0);
        const std::string said = typed.err.substr(0, typed.err.find('\n'));
        EXPECT_TRUE(said == "stepdown-cli: il valore di --" + at + " non è valido: " + c.sentence ||
                    said == "stepdown-cli: manca --" + at + ": " + c.sentence)
            << said;

        // The design file's key, and the report of that file.
        DesignFile file;
        file.design = {{"vi", "25"},     {"vo", "15"},  {"f", "80"},
                       {"ripple", "40"}, {"dvo", "60"}, {"io", "1.5"}};
        file.verification = {{"vi", "25"}, {"d", "60"},     {"f", "80"},
                             {"l", "125"}, {"c", "15.625"}, {"rl", "10"}};
        (c.section == "parts"       ? file.parts
         : c.section == "selection" ? file.selection
                                    : file.loop)[c.key] = c.text;
        if (c.section == "loop") file.loop.emplace("fc", "8");  // not the default f/10
        ASSERT_TRUE(SaveDesignFile(path, file).saved);
        const std::string run = sweep                  ? "--sweep"
                                : c.section == "loop"  ? "--loop"
                                : c.section == "parts" ? "--verify"
                                                       : "--corners";
        const Result opened = Cli({"open", path, run});
        EXPECT_NE(opened.status, 0);
        EXPECT_EQ(opened.err, "Nel file " + path + " la chiave \"" + at + "\" della sezione \"" +
                                  in + "\" è rifiutata: " + c.sentence + "\n");
        const DesignReport report = BuildDesignReport({.texts = file});
        bool told = false;
        for (const ReportSection& section : report.sections)
            for (const std::string& note : section.notes)
                told = told || note.find(c.sentence) != std::string::npos;
        EXPECT_TRUE(told);
    }
}

}  // namespace
}  // namespace stepdown::cli

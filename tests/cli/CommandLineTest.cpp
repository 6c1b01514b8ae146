// stepdown-cli's usage errors and files; the process tests check whole outputs.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/CommandLine.h"
#include "cli/HeadlessWindow.h"

namespace stepdown::cli {
namespace {

using Args = std::vector<std::string>;

struct Result {
    int status = -1;
    std::string out, err;
    friend bool operator==(const Result&, const Result&) = default;
};

Result Cli(const Args& args) {
    std::ostringstream out, err;
    Result result;
    result.status = RunCommandLine(args, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

const Args kVerify{"verify", "--vi", "25",  "--d",   "60",   "--f", "80",
                   "--l",    "125",  "--c", "15.63", "--rl", "10"};

Args Plus(Args base, const Args& more) {
    base.insert(base.end(), more.begin(), more.end());
    return base;
}

TEST(RunCommandLine, UsageErrorsExitWithTwoBeforeAnythingRuns) {
    const std::pair<Args, std::string> cases[] = {
        {{}, "manca il comando"},
        {{"simulate"}, "comando sconosciuto: simulate"},
        {{"--version", "x"}, "argomento inatteso: x"},
        {{"verify", "--vi", "25", "150"}, "argomento inatteso: 150"},
        {{"verify", "--vi", "1", "--vi", "2"}, "opzione ripetuta: --vi"},
        {{"verify", "--vi", "--d=15"}, "manca il valore dell'opzione --vi"},
        {{"verify", "--json=yes"}, "l'opzione --json non vuole un valore"},
        {{"design", "--vi", "25", "--n", "10"}, "l'opzione --n vale solo con --verify"},
        {{"design", "--startup-csv", "x"}, "l'opzione --startup-csv vale solo con --verify"},
        {Plus(kVerify, {"--json", "--csv", "-"}),
         "--json e --csv - scriverebbero entrambi sullo standard output"},
        {Plus(kVerify, {"--json", "--startup-csv", "-"}),
         "--json e --startup-csv - scriverebbero entrambi sullo standard output"},
        {Plus(kVerify, {"--csv", "-", "--startup-csv", "-"}),
         "--csv - e --startup-csv - scriverebbero entrambi sullo standard output"},
        {{"open"}, "manca il file da aprire, da scrivere subito dopo open"},
        {{"open", "--verify", "d.stepdown"},
         "manca il file da aprire, da scrivere subito dopo open"},
        {{"design", "--vi", "25", "--esr", "5"}, "l'opzione --esr vale solo con --verify"},
        {{"design", "--real"}, "l'opzione --real vale solo con --verify"},
        {Plus(kVerify, {"--vdrv", "-2"}),
         "il valore di --vdrv non è valido: La tensione di pilotaggio del gate Vdrv non può essere "
         "negativa!"},
        {Plus(kVerify, {"--vo-target", "15"}),
         "l'opzione --vo-target vale solo con --real o con i valori dei componenti"},
        {Plus(kVerify, {"--real", "--vo-target", "0"}),
         "il valore di --vo-target non è valido: La tensione di uscita obiettivo non può essere "
         "zero o negativa!"},
        {Plus(kVerify, {"--tf", "0", "--vo-target="}),
         "il valore di --vo-target non è valido: Hai dimenticato di scrivere la tensione di uscita "
         "obiettivo in V"},
        {Plus(kVerify, {"--real", "--vo-target", "1e999"}),
         "il valore di --vo-target non è valido: Il numero scritto per la tensione di uscita "
         "obiettivo in V è troppo grande in valore assoluto!"},
    };
    for (const auto& [args, error] : cases) {
        const Result r = Cli(args);
        EXPECT_EQ(r.status, kExitUsage) << error;
        EXPECT_EQ(r.err.rfind("stepdown-cli: " + error + "\nUso:\n", 0), 0U) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(RunCommandLine, WritesBothFilesAsItWritesThemToStandardOutput) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("stepdown-cli-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string waves = (folder / "waves.csv").string();
    const std::string envelope = (folder / "envelope.csv").string();
    // Values may be given as --option=value, and may start with a minus.
    const Args run = Plus(kVerify, {"--n=8", "--np", "-1"});
    EXPECT_EQ(Cli(Plus(run, {"--csv", waves, "--startup-csv", envelope})), Cli(run));
    const auto read = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(read(waves), Cli(Plus(run, {"--csv", "-"})).out);
    EXPECT_EQ(read(envelope), Cli(Plus(run, {"--startup-csv", "-"})).out);
    std::filesystem::remove_all(folder);
}

// Each run saved, then opened: the texts typed, byte for byte, and the run's output;
// after "Calcola" the verification boxes hold what the design wrote.
TEST(RunCommandLine, OpenRunsTheSavedTextsAsTheCommandThatSavedThem) {
    const std::string file = std::filesystem::temp_directory_path() /
                             ("stepdown-cli-" + std::to_string(::getpid()) + ".stepdown");
    const Args runs[] = {
        {"design", "--vi", "25", "--vo", "15", "--f", "80", "--ripple", "40", "--dvo", "60", "--io",
         "1.5"},
        {"design", "--vi", "25", "--vo", "1,5", "--f", "µΩ è 日本 😀\t\"", "--ripple", "", "--io",
         std::string(5000, '7')},
        Plus(kVerify, {"--n", "8", "--np", "-1", "--ni", "40"}),
        Plus(kVerify, {"--n", "", "--ni", "abc"}),
    };
    for (const Args& run : runs) {
        const bool verify = run.front() == "verify";
        EXPECT_EQ(Cli(Plus(run, {"--save", file})), Cli(run));
        const DesignFile saved = ReadDesignFile(file).file.value();
        for (std::size_t i = 1; i + 1 < run.size(); i += 2) {
            const std::string key = run[i].substr(2);
            const SectionTexts& texts = !verify         ? saved.design
                                        : key[0] == 'n' ? saved.simulation
                                                        : saved.verification;
            EXPECT_EQ(texts.at(key), run[i + 1]);
        }
        const Args extras[] = {{}, {"--json"}, {"--csv", "-"}, {"--startup-csv", "-"}};
        const Args open = verify ? Args{"open", file, "--verify"} : Args{"open", file};
        for (const Args& extra : std::span(extras, verify ? 4 : 2))
            EXPECT_EQ(Cli(Plus(open, extra)), Cli(Plus(run, extra))) << run[6];
    }
    Cli(Plus(runs[0], {"--verify", "--save", file}));
    EXPECT_EQ(Cli({"open", file, "--verify", "--json"}),
              Cli({"verify", "--vi", "2.500E+01", "--d", "6.000E+01", "--f", "8.000E+01", "--l",
                   "1.250E+02", "--c", "1.563E+01", "--rl", "1.000E+01", "--json"}));
    // Parts away from their start texts are passed back; at them, the file reruns without.
    const Args withParts = Plus(kVerify, {"--esr", "50", "--vf", "0.45"});
    Cli(Plus(withParts, {"--save", file}));
    EXPECT_EQ(Cli({"open", file, "--verify"}), Cli(withParts));
    Cli(Plus(kVerify, {"--real", "--save", file}));
    EXPECT_EQ(Cli({"open", file, "--verify"}), Cli(kVerify));
    std::filesystem::remove(file);
}

// Lossless and continuous, the converter as built has the mean Vo of its switch node,
// D (Vi + Vf) - Vf: the D' for a Vo is (Vo + Vf) / (Vi + Vf), to the search's 1e-9 of Vo.
TEST(RunCommandLine, DPrimeForTheDesignsVoAndForATargetAgainstTheAveragedLosslessModel) {
    const auto json = [](const Args& args) {
        const Result r = Cli(args);
        EXPECT_EQ(r.status, kExitSuccess) << r.err;
        return nlohmann::json::parse(r.out);
    };
    const nlohmann::json missed =
        json({"design", "--vi", "5", "--vo", "1.2", "--f", "1000", "--ripple", "30", "--dvo", "10",
              "--io", "5", "--verify", "--json"})["simulation"]["steadyState"];
    EXPECT_NEAR(missed["dutyForDesignVo"].get<double>(), 1.8 / 5.6, 1e-9);
    const nlohmann::json real = json(Plus(kVerify, {"--real", "--vo-target", "15", "--json"}));
    EXPECT_NEAR(real["real"]["VoMean"].get<double>(), 0.6 * 25.6 - 0.6, 1e-9);
    EXPECT_NEAR(real["real"]["dutyForTarget"].get<double>(), 15.6 / 25.6, 1e-9);
    // The idealised run refused at a light load: its CSV files cannot be written.
    const Args light{"verify", "--vi", "25",    "--d",  "60",  "--f",    "80",    "--l",
                     "125",    "--c",  "15.63", "--rl", "100", "--real", "--csv", "-"};
    EXPECT_EQ(Cli(light).status, kExitRefused);
}

TEST(SavedDesignFile, TakesTheOtherWindowsTextsFromTheOptionsOfTheirKeys) {
    HeadlessMainWindow window;
    window.SetText("Text1", "25");
    const DesignFile file =
        SavedDesignFile(window, {{{"esr", "12"}, {"tol-c", "5"}, {"vi", "9"}}, {}});
    EXPECT_EQ(file.design.at("vi") + file.simulation.at("ni") + "|" + file.parts.at("esr") + "|" +
                  file.parts.at("vf") + "|" + file.selection.at("tol-c"),
              "252000|12|0.6|5");
}

}  // namespace
}  // namespace stepdown::cli

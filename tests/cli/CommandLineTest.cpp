// stepdown-cli through its entry point and its parts: the option parser,
// the exit status of each outcome, the files it writes and its progress
// line. Whole outputs are compared with golden files by the process tests.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/ArgumentParser.h"
#include "cli/CommandLine.h"
#include "cli/JsonWriter.h"
#include "cli/TerminalProgress.h"

namespace stepdown::cli {
namespace {

using Args = std::vector<std::string>;

TEST(ParseOptions, TakesValuesVerbatimAndRefusesWithItsError) {
    const std::vector<OptionSpec> options{{"vi"}, {"vo"}, {"csv"}, {"json", false}};
    const ParseOutcome accepted =
        ParseOptions({"--json", "--vo", "-5", "--vi=", "--csv", "a=b.csv"}, options);
    ASSERT_TRUE(accepted.arguments) << accepted.error;
    EXPECT_EQ(accepted.arguments->ValueOr("vo"), "-5");
    EXPECT_EQ(accepted.arguments->ValueOr("vi", "x"), "");
    EXPECT_EQ(accepted.arguments->ValueOr("csv"), "a=b.csv");
    EXPECT_TRUE(accepted.arguments->Has("json"));
    EXPECT_EQ(ParseOptions({"--csv=-"}, options).arguments->ValueOr("csv"), "-");
    const std::pair<Args, std::string> refused[] = {
        {{"--vi", "25", "15"}, "argomento inatteso: 15"},
        {{"-vi", "25"}, "argomento inatteso: -vi"},
        {{"--vx=1"}, "opzione sconosciuta: --vx"},
        {{"--vi", "1", "--vi", "2"}, "opzione ripetuta: --vi"},
        {{"--vi", "--vo", "15"}, "manca il valore dell'opzione --vi"},
        {{"--vo", "15", "--vi"}, "manca il valore dell'opzione --vi"},
        {{"--json=yes"}, "l'opzione --json non vuole un valore"},
    };
    for (const auto& [words, error] : refused) {
        const ParseOutcome outcome = ParseOptions(words, options);
        EXPECT_FALSE(outcome.arguments) << error;
        EXPECT_EQ(outcome.error, error);
    }
}

struct Result {
    int status = -1;
    std::string out, err;
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
        {{"design", "--vi", "25", "--n", "10"}, "l'opzione --n vale solo con --verify"},
        {{"design", "--startup-csv", "x"}, "l'opzione --startup-csv vale solo con --verify"},
        {Plus(kVerify, {"--json", "--csv", "-"}),
         "--json e --csv - scriverebbero entrambi sullo standard output"},
        {Plus(kVerify, {"--json", "--startup-csv", "-"}),
         "--json e --startup-csv - scriverebbero entrambi sullo standard output"},
        {Plus(kVerify, {"--csv", "-", "--startup-csv", "-"}),
         "--csv - e --startup-csv - scriverebbero entrambi sullo standard output"},
    };
    for (const auto& [args, error] : cases) {
        const Result r = Cli(args);
        EXPECT_EQ(r.status, kExitUsage) << error;
        EXPECT_EQ(r.err.rfind("stepdown-cli: " + error + "\nUso:\n", 0), 0U) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(RunCommandLine, StatusFollowsTheOutcomeNotTheMessages) {
    Args conduction = kVerify;
    conduction[8] = "20";  // L = 20 uH: the current dips below zero
    const Result dips = Cli(conduction);
    EXPECT_EQ(dips.status, kExitRefused);
    EXPECT_EQ(dips.out, "");
    EXPECT_EQ(dips.err.rfind("Il Duty Cycle non può essere così basso", 0), 0U);
    Args slow = kVerify;
    slow[10] = "1000";  // C = 1000 uF: far from the steady state after 2000 periods
    const Result unsettled = Cli(Plus(slow, {"--json"}));
    EXPECT_EQ(unsettled.status, kExitSuccess);
    EXPECT_EQ(unsettled.err.rfind("Attenzione: dopo 2000 periodi", 0), 0U);
    EXPECT_NE(unsettled.out.find("\"settled\": false"), std::string::npos);
}

TEST(RunCommandLine, WritesBothFilesOrSaysWhyNot) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("stepdown-cli-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string waves = (folder / "waves.csv").string();
    const std::string envelope = (folder / "envelope.csv").string();
    const Result written =
        Cli(Plus(kVerify, {"--n", "8", "--csv", waves, "--startup-csv", envelope}));
    EXPECT_EQ(written.status, kExitSuccess) << written.err;
    const auto read = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(read(waves), Cli(Plus(kVerify, {"--n", "8", "--csv", "-"})).out);
    EXPECT_EQ(read(envelope), Cli(Plus(kVerify, {"--n", "8", "--startup-csv", "-"})).out);
    EXPECT_EQ(read(envelope).rfind("first_period,last_period,", 0), 0U);
    std::filesystem::remove_all(folder);

    const Result failed = Cli(Plus(kVerify, {"--csv", (folder / "missing" / "x.csv").string()}));
    EXPECT_EQ(failed.status, kExitRefused);
    EXPECT_EQ(failed.err.rfind("Impossibile scrivere il file ", 0), 0U);
}

TEST(JsonWriter, EscapesTextAndWritesNoNumberForNonFiniteValues) {
    EXPECT_EQ(JsonString("a\"b\\c\n\x01è"), "\"a\\\"b\\\\c\\n\\u0001è\"");
    EXPECT_EQ(JsonNumber(0.1), "0.1");
    EXPECT_EQ(JsonNumber(1.0 / 0.0), "null");
}

TEST(TerminalProgress, ShowsPercentAndTimesAfterHalfASecondAndWipesItsLine) {
    using namespace std::chrono_literals;
    TerminalProgress::Clock::time_point now{};
    std::ostringstream out;
    {
        TerminalProgress progress(out, [&] { return now; });
        now += 499ms;
        progress.Continue(10, 100);
        EXPECT_EQ(out.str(), "");
        now += 1501ms;
        progress.Continue(40, 100);
        now += 50ms;  // too soon for a refresh
        progress.Continue(41, 100);
    }
    const std::string line =
        "Simulazione in corso… 40% (tempo trascorso 0:02, rimanente al più 0:03)";
    EXPECT_EQ(out.str(), "\r" + line + "\r" + std::string(line.size(), ' ') + "\r");
}

}  // namespace
}  // namespace stepdown::cli

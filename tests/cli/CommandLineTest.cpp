// stepdown-cli's usage errors and files; the process tests check whole outputs.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"

namespace stepdown::cli {
namespace {

using Args = std::vector<std::string>;

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
        {{"verify", "--vi", "25", "15"}, "argomento inatteso: 15"},
        {{"verify", "--vi", "1", "--vi", "2"}, "opzione ripetuta: --vi"},
        {{"verify", "--vi", "--d", "15"}, "manca il valore dell'opzione --vi"},
        {{"verify", "--json=yes"}, "l'opzione --json non vuole un valore"},
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

TEST(RunCommandLine, WritesBothFilesAsItWritesThemToStandardOutput) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("stepdown-cli-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string waves = (folder / "waves.csv").string();
    const std::string envelope = (folder / "envelope.csv").string();
    // Values may be given as --option=value, and may start with a minus.
    const Args run = Plus(kVerify, {"--n=8", "--np", "-1"});
    EXPECT_EQ(Cli(Plus(run, {"--csv", waves, "--startup-csv", envelope})).status, kExitSuccess);
    const auto read = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(read(waves), Cli(Plus(run, {"--csv", "-"})).out);
    EXPECT_EQ(read(envelope), Cli(Plus(run, {"--startup-csv", "-"})).out);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace stepdown::cli

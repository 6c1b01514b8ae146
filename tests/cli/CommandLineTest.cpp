// stepdown-cli through its entry point: the window's refusals and their exit
// status, usage errors, the output forms, and the results against the
// windows' own path through the core.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/JsonReader.h"
#include "design/DesignCalculation.h"
#include "simulation/Launch.h"
#include "simulation/Simulation.h"
#include "simulation/WaveformCsv.h"
#include "support/RecordingProgress.h"
#include "support/RecordingWindow.h"

namespace stepdown::cli {
namespace {

using stepdown::testing::JsonReader;
using stepdown::testing::JsonValue;
using stepdown::testing::RecordingProgress;
using stepdown::testing::RecordingWindow;
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

const Args kDesign{"design",   "--vi", "25",    "--vo", "15",   "--f", "80",
                   "--ripple", "40",   "--dvo", "60",   "--io", "1.5"};
const Args kVerify{"verify", "--vi", "25",  "--d",   "60",   "--f", "80",
                   "--l",    "125",  "--c", "15.63", "--rl", "10"};

// `base` with `option` set to `value`, or left out when there is none.
Args With(Args base, const std::string& option, std::optional<std::string> value) {
    const std::string flag = "--" + option;
    for (std::size_t i = 1; i < base.size(); ++i) {
        if (base[i] != flag) continue;
        if (value)
            base[i + 1] = *value;
        else
            base.erase(base.begin() + static_cast<std::ptrdiff_t>(i),
                       base.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        return base;
    }
    if (value) {
        base.push_back(flag);
        base.push_back(*value);
    }
    return base;
}

Args Plus(Args base, const Args& more) {
    base.insert(base.end(), more.begin(), more.end());
    return base;
}

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

double NumberAt(const JsonValue& object, const std::string& key) {
    const JsonValue* member = object.Find(key);
    EXPECT_NE(member, nullptr) << key;
    if (member == nullptr) return 0.0;
    const auto number = member->Number();
    EXPECT_TRUE(number) << key << " = " << member->text;
    return number.value_or(0.0);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A fresh, empty folder for one test, removed with everything in it when the
// test ends.
class ScratchFolder {
public:
    ScratchFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "stepdown-cli-" + std::to_string(getpid()) + "-" +
                           test->test_suite_name() + "-" + test->name();
        // Parameterised tests have slashes in their names.
        std::replace(name.begin(), name.end(), '/', '_');
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// The windows' road: "Dati Esempio", "Calcola", then "Grafici" on what the
// design wrote, through the recording fakes of the window tests.
struct WindowPath {
    WindowPath() {
        ExampleData(window);
        DesignCalculation(module, window);
        design = module;
        LaunchVerification(module, window, window, progress);
    }
    Module1 module;
    Module1 design;  // as "Calcola" left it
    RecordingWindow window;
    RecordingProgress progress;
};

// ---------------------------------------------------------------- refusals

struct Refusal {
    std::string name;
    Args args;
    std::string message;
};

// Failures name the case, not its bytes.
void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

class Refusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(Refusals, PrintTheWindowsMessageAndExitOne) {
    const Result result = Cli(GetParam().args);
    EXPECT_EQ(result.status, kExitRefused);
    EXPECT_EQ(result.err, GetParam().message + "\n");
    EXPECT_EQ(result.out, "");
}

const std::string kDutyMessage =
    "Il Duty Cycle non può essere zero o negativo o maggiore o uguale al 100%!";

// One of each kind: the messages themselves belong to the windows' tests.
INSTANTIATE_TEST_SUITE_P(
    Design, Refusals,
    ::testing::Values(
        Refusal{"nothing_given", {"design"}, ForgotMessageFor("la tensione di ingresso Vi")},
        Refusal{"io_left_out", With(kDesign, "io", std::nullopt),
                ForgotMessageFor("il valore di Io in Ampere")},
        Refusal{"comma_as_separator", With(kDesign, "io", "1,5"),
                InvalidMessageFor("il valore di Io in Ampere")},
        // The character checks run in field order before any range check.
        Refusal{"bad_vi_before_empty_io", With(With(kDesign, "io", std::nullopt), "vi", "x"),
                InvalidMessageFor("la tensione di ingresso Vi")},
        Refusal{"vo_above_vi", With(kDesign, "vo", "30"),
                "La tensione in uscita non può essere zero o negativa o maggiore di Vi!"},
        Refusal{"vi_beyond_double", With(kDesign, "vi", "1E400"),
                OverflowMessageFor("la tensione di ingresso Vi")},
        Refusal{"result_overflows", With(With(kDesign, "f", "1E-300"), "dvo", "1E-300"),
                std::string(kResultNotFiniteMessage)},
        Refusal{"verify_n_above_cap", Plus(kDesign, {"--verify", "--n", "2000001"}),
                std::string(kTooManySamplesMessage)},
        Refusal{"verify_empty_ni", Plus(kDesign, {"--verify", "--ni="}),
                ForgotMessageFor("il numero delle iterazioni NI")}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Verify, Refusals,
    ::testing::Values(
        Refusal{"rl_left_out", With(kVerify, "rl", std::nullopt),
                ForgotMessageFor("il valore della resistenza di carico RL in ohm")},
        Refusal{"bad_capacitance", With(kVerify, "c", "15µ"),
                InvalidMessageFor("il valore della capacità in uF")},
        Refusal{"d_100", With(kVerify, "d", "100"), kDutyMessage},
        Refusal{"f_overflows_in_hertz", With(kVerify, "f", "1E306"),
                std::string(kFrequencyOverflowMessage)},
        Refusal{"n_beyond_32_bits", With(kVerify, "n", "3E9"),
                IntegerRangeMessageFor("il numero dei campioni N")},
        Refusal{"current_dips_to_zero", With(kVerify, "l", "20"), std::string(kConductionMessage)},
        Refusal{"unstable_integration",
                With(With(With(With(With(kVerify, "l", "1"), "c", "1"), "rl", "1"), "f", "1"), "n",
                     "4"),
                std::string(kUnstableMessage)}),
    [](const auto& info) { return info.param.name; });

TEST(Refusals, LeaveTheCsvFileUnwritten) {
    const ScratchFolder folder;
    const auto file = folder / "refused.csv";
    const Result result = Cli(Plus(With(kVerify, "d", "100"), {"--csv", file.string()}));
    EXPECT_EQ(result.status, kExitRefused);
    EXPECT_FALSE(std::filesystem::exists(file));
}

// ------------------------------------------------------------- usage errors

constexpr std::string_view kUsageHead = "Uso:\n  stepdown-cli design ";

struct Usage {
    std::string name;
    Args args;
    std::string error;
};

// Failures name the case, not its bytes.
void PrintTo(const Usage& c, std::ostream* os) { *os << c.name; }

class UsageErrors : public ::testing::TestWithParam<Usage> {};

TEST_P(UsageErrors, PrintTheErrorAndTheUsageAndExitTwo) {
    const Result result = Cli(GetParam().args);
    EXPECT_EQ(result.status, kExitUsage);
    EXPECT_EQ(result.out, "");
    const std::string head = "stepdown-cli: " + GetParam().error + "\n";
    EXPECT_EQ(result.err.substr(0, head.size()), head);
    EXPECT_EQ(result.err.substr(head.size(), kUsageHead.size()), kUsageHead);
}

// The parser's own errors are in ArgumentParserTest; one of them here.
INSTANTIATE_TEST_SUITE_P(
    CommandLines, UsageErrors,
    ::testing::Values(
        Usage{"no_command", {}, "manca il comando"},
        Usage{"unknown_command", {"calcola"}, "comando sconosciuto: calcola"},
        Usage{"option_before_command", {"--vi", "25", "design"}, "comando sconosciuto: --vi"},
        Usage{"unknown_option", Plus(kDesign, {"--bogus"}), "opzione sconosciuta: --bogus"},
        Usage{"verify_option_in_design", Plus(kDesign, {"--d", "60"}), "opzione sconosciuta: --d"},
        Usage{"verify_flag_in_verify", Plus(kVerify, {"--verify"}),
              "opzione sconosciuta: --verify"},
        Usage{"settings_without_verify", Plus(kDesign, {"--n", "500"}),
              "l'opzione --n vale solo con --verify"},
        Usage{"csv_without_verify", Plus(kDesign, {"--csv", "x.csv"}),
              "l'opzione --csv vale solo con --verify"},
        Usage{"json_and_csv_on_standard_output", Plus(kVerify, {"--json", "--csv", "-"}),
              "--json e --csv - scriverebbero entrambi sullo standard output"},
        Usage{"design_json_and_csv_on_standard_output",
              Plus(kDesign, {"--verify", "--csv", "-", "--json"}),
              "--json e --csv - scriverebbero entrambi sullo standard output"},
        Usage{"help_with_more", {"--help", "design"}, "argomento inatteso: design"},
        Usage{"version_with_more", {"--version", "x"}, "argomento inatteso: x"}),
    [](const auto& info) { return info.param.name; });

TEST(Information, VersionComesFromTheProject) {
    const Result result = Cli({"--version"});
    EXPECT_EQ(result.status, kExitSuccess);
    EXPECT_EQ(result.out, VersionText() + "\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(VersionText().rfind("stepdown-cli ", 0), 0U);
    EXPECT_GT(VersionText().size(), std::string("stepdown-cli ").size());
}

TEST(Information, HelpShowsTheUsageAndEveryOption) {
    for (const char* word : {"--help", "-h"}) {
        const Result result = Cli({word});
        EXPECT_EQ(result.status, kExitSuccess);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out.substr(0, kUsageHead.size()), kUsageHead);
        for (const char* option :
             {"--vi", "--vo", "--f", "--ripple", "--dvo", "--io", "--verify", "--d", "--l", "--c",
              "--rl", "--n", "--np", "--ni", "--csv", "--json"})
            EXPECT_NE(result.out.find(std::string("  ") + option + " "), std::string::npos)
                << option;
    }
}

// ------------------------------------------------------------ text output

TEST(TextOutput, DesignShowsTheWindowsLabelsAndVerifyAddsTheComparison) {
    const std::string design =
        "L           1.25E+02  uH\n"
        "C           1.56E+01  uF\n"
        "IDP         1.80E+00  A\n"
        "IDm         6.00E-01  A\n"
        "Iim         9.00E-01  A\n"
        "D           6.00E+01  %\n"
        "RL          1.00E+01  ohm\n";
    const Result alone = Cli(kDesign);
    EXPECT_EQ(alone.status, kExitSuccess);
    EXPECT_EQ(alone.err, "");
    EXPECT_EQ(alone.out, design);
    const Result verified = Cli(Plus(kDesign, {"--verify"}));
    EXPECT_EQ(verified.status, kExitSuccess);
    EXPECT_EQ(verified.err, "");
    EXPECT_EQ(verified.out, design +
                                "\n"
                                "            progetto  simulato  unità  differenza\n"
                                "DeltaiL     6.00E-01  6.14E-01  A      +2.34 %\n"
                                "DeltaVo     6.00E+01  6.13E+01  mV     +2.15 %\n"
                                "IDP         1.80E+00  1.78E+00  A      -0.91 %\n"
                                "IDm         6.00E-01  5.92E-01  A      -1.37 %\n"
                                "Iim         9.00E-01  8.85E-01  A      -1.70 %\n");
}

TEST(TextOutput, VerifyShowsTheWaveformWindowsLabelsAndTheExtremes) {
    const Result result = Cli(kVerify);
    EXPECT_EQ(result.status, kExitSuccess);
    EXPECT_EQ(result.out,
              "SimDeltaiL  6.14E-01  A\n"
              "SimDeltaVo  6.13E+01  mV\n"
              "SimIDP      1.78E+00  A\n"
              "SimIDm      5.92E-01  A\n"
              "SimIim      8.85E-01  A\n"
              "MaxIL       1.78E+00  A\n"
              "MinIL       1.17E+00  A\n"
              "MaxIC       3.08E-01  A\n"
              "MaxVo       1.48E+01  V\n"
              "MinVo       1.47E+01  V\n"
              "MaxVd       2.50E+01  V\n");
}

TEST(TextOutput, DesignVerifyShowsWhatBothWindowsShow) {
    const WindowPath window;
    const Result result = Cli(Plus(kDesign, {"--verify"}));
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 14U);
    const char* designLabels[] = {"Label24", "Label25", "Label26", "Label27", "Label32"};
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(lines[i].substr(12, 8), window.window.captions.at(designLabels[i])) << i;
    const char* figureLabels[] = {"Label2", "Label5", "Label8", "Label9", "Label16"};
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(lines[9 + i].substr(22, 8), window.window.waveform.captions.at(figureLabels[i]))
            << i;
}

// ------------------------------------------------------------------- JSON

const std::vector<std::string> kVerifyKeys{"SimDeltaiL", "SimDeltaVo", "SimIDP", "SimIDm", "SimIim",
                                           "MaxIL",      "MinIL",      "MaxIC",  "MaxVo",  "MinVo",
                                           "MaxVd",      "TimeStep",   "N",      "NP",     "NI"};

void ExpectVerifyObjectEquals(const JsonValue& object, const Module1& m) {
    ASSERT_EQ(object.Keys(), kVerifyKeys);
    const std::pair<const char*, double> numbers[] = {{"SimDeltaiL", m.SimDeltaiL},
                                                      {"SimDeltaVo", m.SimDeltaVo},
                                                      {"SimIDP", m.SimIDP},
                                                      {"SimIDm", m.SimIDm},
                                                      {"SimIim", m.SimIim},
                                                      {"MaxIL", m.MaxIL},
                                                      {"MinIL", m.MinIL},
                                                      {"MaxIC", m.MaxIC},
                                                      {"MaxVo", m.MaxVo},
                                                      {"MinVo", m.MinVo},
                                                      {"MaxVd", m.MaxVd},
                                                      {"TimeStep", m.TimeStep},
                                                      {"N", m.N},
                                                      {"NP", m.NP},
                                                      {"NI", m.NI}};
    for (const auto& [key, value] : numbers)
        EXPECT_EQ(Bits(NumberAt(object, key)), Bits(value)) << key;
}

TEST(JsonOutput, DesignKeysAndValuesBitForBit) {
    const WindowPath window;
    const Result result = Cli(Plus(kDesign, {"--json"}));
    ASSERT_EQ(result.status, kExitSuccess);
    EXPECT_EQ(result.out.back(), '\n');
    const auto json = JsonReader::Parse(result.out);
    ASSERT_TRUE(json) << result.out;
    EXPECT_EQ(json->Keys(),
              (std::vector<std::string>{"L", "C", "IDP", "IDm", "Iim", "D", "RL", "verification"}));
    const Module1& d = window.design;
    const std::pair<const char*, double> numbers[] = {
        {"L", d.L},     {"C", d.C}, {"IDP", d.IDP}, {"IDm", d.IDm},
        {"Iim", d.Iim}, {"D", d.D}, {"RL", d.RL}};
    for (const auto& [key, value] : numbers)
        EXPECT_EQ(Bits(NumberAt(*json, key)), Bits(value)) << key;
    EXPECT_EQ(d.C, 15.625);

    const JsonValue* verification = json->Find("verification");
    ASSERT_NE(verification, nullptr);
    EXPECT_EQ(verification->Keys(), (std::vector<std::string>{"vi", "f", "d", "l", "c", "rl"}));
    const std::pair<const char*, const char*> texts[] = {{"vi", "Text7"}, {"f", "Text12"},
                                                         {"d", "Text8"},  {"l", "Text9"},
                                                         {"c", "Text10"}, {"rl", "Text11"}};
    for (const auto& [key, box] : texts)
        EXPECT_EQ(verification->Find(key)->text, window.window.texts.at(box)) << key;
    EXPECT_EQ(verification->Find("c")->text, "1.563E+01");
}

TEST(JsonOutput, DesignVerifyNestsTheSimulationOfTheWindowsLaunch) {
    const WindowPath window;
    const Result result = Cli(Plus(kDesign, {"--verify", "--json"}));
    ASSERT_EQ(result.status, kExitSuccess);
    const auto json = JsonReader::Parse(result.out);
    ASSERT_TRUE(json) << result.out;
    EXPECT_EQ(json->Keys().back(), "simulation");
    EXPECT_EQ(Bits(NumberAt(*json, "L")), Bits(window.design.L));
    const JsonValue* simulation = json->Find("simulation");
    ASSERT_NE(simulation, nullptr);
    ExpectVerifyObjectEquals(*simulation, window.module);
}

TEST(JsonOutput, VerifyKeysAndValuesBitForBit) {
    const WindowPath window;  // its launch reads the same circuit as kVerify
    const Result result = Cli(Plus(kVerify, {"--json"}));
    ASSERT_EQ(result.status, kExitSuccess);
    const auto json = JsonReader::Parse(result.out);
    ASSERT_TRUE(json) << result.out;
    ExpectVerifyObjectEquals(*json, window.module);
}

// --------------------------------------------------------------- defaults

struct Settings {
    std::string name;
    Args extra;
    std::int32_t N, NP, NI;
};

// Failures name the case, not its bytes.
void PrintTo(const Settings& c, std::ostream* os) { *os << c.name; }

class SettingDefaults : public ::testing::TestWithParam<Settings> {};

TEST_P(SettingDefaults, LeftOutSettingsTakeTheWindowsStartValues) {
    const Settings& c = GetParam();
    const Result result = Cli(Plus(Plus(kVerify, {"--json"}), c.extra));
    ASSERT_EQ(result.status, kExitSuccess) << result.err;
    const auto json = JsonReader::Parse(result.out);
    ASSERT_TRUE(json);
    EXPECT_EQ(NumberAt(*json, "N"), c.N);
    EXPECT_EQ(NumberAt(*json, "NP"), c.NP);
    EXPECT_EQ(NumberAt(*json, "NI"), c.NI);
    EXPECT_EQ(Bits(NumberAt(*json, "TimeStep")), Bits(1 / 80000.0 / c.N));
}

INSTANTIATE_TEST_SUITE_P(
    Options, SettingDefaults,
    ::testing::Values(Settings{"none", {}, 1000, 10, 2000},
                      Settings{"n_only", {"--n", "500"}, 500, 10, 2000},
                      Settings{"np_only", {"--np", "3"}, 1000, 3, 2000},
                      Settings{"ni_only", {"--ni", "1E3"}, 1000, 10, 1000},
                      Settings{
                          "counts_round_half_to_even", {"--n", "250.5", "--ni", "3.5"}, 250, 10, 4},
                      Settings{"all", {"--ni", "700", "--np", "2", "--n", "250"}, 250, 2, 700}),
    [](const auto& info) { return info.param.name; });

TEST(Defaults, LeftOutEqualsTheWindowsStartTexts) {
    EXPECT_EQ(Cli(kVerify).out,
              Cli(Plus(kVerify, {"--n", "1000", "--np", "10", "--ni", "2000"})).out);
    EXPECT_EQ(Cli(Plus(kDesign, {"--verify"})).out,
              Cli(Plus(kDesign, {"--verify", "--n", "1000", "--np", "10", "--ni", "2000"})).out);
}

// -------------------------------------------------------------------- CSV

TEST(CsvOutput, DesignVerifyWritesTheWindowsFinalPeriod) {
    const WindowPath window;
    ASSERT_NE(window.window.waveform.shownRun, nullptr);
    const std::string csv = WaveformCsv(*window.window.waveform.shownRun);
    EXPECT_EQ(Lines(csv).size(), 1001U);
    const ScratchFolder folder;
    const auto file = folder / "periodo.csv";
    const Result result = Cli(Plus(kDesign, {"--verify", "--csv", file.string()}));
    EXPECT_EQ(result.status, kExitSuccess);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, Cli(Plus(kDesign, {"--verify"})).out);  // the summary as usual
    EXPECT_EQ(ReadFile(file), csv);
    // A dash gives standard output to the CSV alone.
    const Result dash = Cli(Plus(kDesign, {"--verify", "--csv", "-"}));
    EXPECT_EQ(dash.status, kExitSuccess);
    EXPECT_EQ(dash.err, "");
    EXPECT_EQ(dash.out, csv);
}

TEST(CsvOutput, RowCountFollowsNAndAnExistingFileIsReplaced) {
    const ScratchFolder folder;
    const auto file = folder / "old.csv";
    std::ofstream(file) << std::string(100000, 'x');
    for (const char* n : {"10", "250"}) {
        const Result result = Cli(Plus(kVerify, {"--n", n, "--csv", file.string()}));
        ASSERT_EQ(result.status, kExitSuccess) << result.err;
        EXPECT_EQ(Lines(ReadFile(file)).size(), std::stoul(n) + 1) << n;
    }
}

struct Unwritable {
    std::string name;
    std::string path;  // relative to the scratch folder
    std::string reason;
};

// Failures name the case, not its bytes.
void PrintTo(const Unwritable& c, std::ostream* os) { *os << c.name; }

class UnwritableCsv : public ::testing::TestWithParam<Unwritable> {};

TEST_P(UnwritableCsv, IsAnErrorWithItsMessage) {
    const ScratchFolder folder;
    std::filesystem::create_directory(folder / "cartella");
    const std::string path = (folder / GetParam().path).string();
    for (const Args& args :
         {Plus(kVerify, {"--csv", path}), Plus(kDesign, {"--verify", "--csv", path})}) {
        const Result result = Cli(args);
        EXPECT_EQ(result.status, kExitRefused);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err,
                  "Impossibile scrivere il file " + path + ": " + GetParam().reason + "\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, UnwritableCsv,
                         ::testing::Values(Unwritable{"missing_folder", "manca/periodo.csv",
                                                      "No such file or directory"},
                                           Unwritable{"a_folder", "cartella", "Is a directory"}),
                         [](const auto& info) { return info.param.name; });

TEST(CsvOutput, EmptyPathIsUnwritable) {
    const Result result = Cli(Plus(kVerify, {"--csv="}));
    EXPECT_EQ(result.status, kExitRefused);
    EXPECT_EQ(result.err.rfind("Impossibile scrivere il file ", 0), 0U);
}

}  // namespace
}  // namespace stepdown::cli

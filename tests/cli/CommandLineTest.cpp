// stepdown-cli's usage errors and files; the process tests check whole outputs.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/CommandLine.h"
#include "cli/TerminalProgress.h"
#include "common/ProgressTimes.h"
#include "model/Quantities.h"
#include "support/CommandRun.h"

namespace stepdown::cli {
namespace {

const Args kDesign{"design",   "--vi", "25",    "--vo", "15",   "--f", "80",
                   "--ripple", "40",   "--dvo", "60",   "--io", "1.5"};
const Args kSweep = Plus({"sweep"}, Args(kDesign.begin() + 1, kDesign.end()));
const Args kVerify{"verify", "--vi", "25",  "--d",   "60",   "--f", "80",
                   "--l",    "125",  "--c", "15.63", "--rl", "10"};

// Input voltages 1, 2, ..., count at 1000 points each; --io 0, refused by the design.
Args ThousandPointsAt(int count) {
    std::string list = "1";
    for (int k = 2; k <= count; ++k) list += "," + std::to_string(k);
    Args args = Plus(kSweep, {"--points", "1000", "--vi-list", list});
    return args[12] = "0", args;
}

TEST(RunCommandLine, UsageErrorsExitWithTwoBeforeAnythingRuns) {
    const std::string same = " scriverebbero entrambi sullo stesso file";
    const std::string list =
        "il valore di --vi-list non è valido: ogni elemento deve essere una tensione positiva in "
        "V, con il punto come separatore decimale e una virgola tra un elemento e l'altro: ";
    EXPECT_EQ(Cli(ThousandPointsAt(50)).status, kExitRefused);  // 50000 points: read
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
        {{"design", "--vi", "25", "--esr", "5"},
         "l'opzione --esr vale solo con --verify, --series o --corners"},
        {{"design", "--real"}, "l'opzione --real vale solo con --verify, --series o --corners"},
        {Plus(kVerify, {"--vo-target", "15"}),
         "l'opzione --vo-target vale solo con --real o con i valori dei componenti"},
        {Plus(kVerify, {"--real", "--vo-target", "1e999"}),
         "il valore di --vo-target non è valido: Il numero scritto per la tensione di uscita "
         "obiettivo in V è troppo grande in valore assoluto!"},
        {Plus(kDesign, {"--round", "up"}), "l'opzione --round vale solo con --series"},
        {Plus(kDesign, {"--io-min", "1"}), "l'opzione --io-min vale solo con --corners"},
        {Plus(kSweep, {"--io-to", "0.1"}),
         "il valore di --io-to non è valido: La prima corrente di carico dei grafici non può "
         "superare l'ultima!"},
        {Plus(kSweep, {"--vi-list", "20,-1"}), list + "«-1»"},
        {Plus(kSweep, {"--vi-list", "20,1x"}), list + "«1x»"},
        {Plus(kSweep, {"--vi-list", "20,1e999"}), list + "«1e999»"},
        {Plus(kSweep, {"--vi-list", "20,30,2e1"}),
         "il valore di --vi-list non è valido: la tensione 2.00E+01 V compare più di una volta"},
        {ThousandPointsAt(51),
         "il valore di --vi-list non è valido: 51 tensioni per 1000 punti ciascuna passano i 50000 "
         "punti di una scansione: accorcia l'elenco o abbassa --points"},
        // An option of another command is named as that command's.
        {Plus(kVerify, {"--series", "E12"}),
         "l'opzione --series non vale con verify: è di design e sweep"},
        {Plus(kDesign, {"--points", "3"}), "l'opzione --points non vale con design: è di sweep"},
        {Plus(kSweep, {"--vo-target", "3"}),
         "l'opzione --vo-target non vale con sweep: è di verify"},
        {Plus(kSweep, {"--bogus"}), "opzione sconosciuta: --bogus"},
        {{"open", "x", "--verify", "--sweep"}, "--verify e --sweep sono due comandi diversi"},
        {{"open", "x", "--sweep", "--corners"},
         "l'opzione --corners vale solo senza --verify e --sweep"},
        {{"open", "x", "--verify", "--standard"}, "l'opzione --standard vale solo senza --verify"},
        {Plus(kVerify, {"--csv", "w", "--save", "./w"}), "--csv w e --save ./w" + same},
        {Plus(kDesign, {"--verify", "--csv", "w", "--startup-csv", "w"}),
         "--csv w e --startup-csv w" + same},
        {Plus(kSweep, {"--csv", "w", "--save", "w"}), "--csv w e --save w" + same},
        {{"loop", "--csv", "w", "--step-csv", "w"}, "--csv w e --step-csv w" + same},
    };
    for (const auto& [args, error] : cases) {
        const Result r = Cli(args);
        EXPECT_EQ(r.status, kExitUsage) << error;
        EXPECT_EQ(r.err.rfind("stepdown-cli: " + error + "\nUso:\n", 0), 0U) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(RunCommandLine, WritesBothFilesAsItWritesThemToStandardOutput) {
    const std::string own = ::testing::TempDir() + std::to_string(::getpid());
    const std::string waves = own + "-waves.csv", envelope = own + "-envelope.csv";
    // Values may be given as --option=value, and may start with a minus.
    const Args run = Plus(kVerify, {"--n=8", "--np", "-1"});
    EXPECT_EQ(Cli(Plus(run, {"--csv", waves, "--startup-csv", envelope})), Cli(run));
    EXPECT_EQ(FileText(waves), Cli(Plus(run, {"--csv", "-"})).out);
    EXPECT_EQ(FileText(envelope), Cli(Plus(run, {"--startup-csv", "-"})).out);
    std::filesystem::remove(waves), std::filesystem::remove(envelope);
}

// No output of open replaces the file it reads, under any name, nor a byte of it.
TEST(RunCommandLine, OpenWritesNoOutputOverTheFileItReads) {
    const std::string file = ::testing::TempDir() + "read-" + std::to_string(getpid()),
                      link = file + "-link";
    Cli(Plus(kVerify, {"--save", file}));
    std::filesystem::create_symlink(file, link);
    const std::string saved = FileText(file);
    const std::string runs[][2] = {{"--verify", "--csv"},
                                   {"--verify", "--startup-csv"},
                                   {"--sweep", "--csv"},
                                   {"--loop", "--csv"},
                                   {"--netlist", "--output"}};
    for (const auto& [run, option] : runs) {
        const std::string said = "stepdown-cli: " + option + " " + link + " è il file di progetto";
        EXPECT_EQ(Cli({"open", file, run, option, link}).err.rfind(said, 0), 0U) << run;
        EXPECT_EQ(FileText(file), saved);
    }
    std::filesystem::remove(file), std::filesystem::remove(link);
}

// Each run saved, then opened: the texts typed, byte for byte, and the run's output;
// after "Calcola" the verification boxes hold what the design wrote.
TEST(RunCommandLine, OpenRunsTheSavedTextsAsTheCommandThatSavedThem) {
    const std::string file = std::filesystem::temp_directory_path() /
                             ("stepdown-cli-" + std::to_string(::getpid()) + ".stepdown");
    const Args runs[] = {
        kDesign,
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
            const QuantityGroup group = !verify         ? QuantityGroup::Design
                                        : key[0] == 'n' ? QuantityGroup::Simulation
                                                        : QuantityGroup::Verification;
            EXPECT_EQ(TextOf(saved, group, key), run[i + 1]);
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
    // Parts away from their start texts are passed back; at them, the file reruns without;
    // a rule between them (a coefficient against Ta) is refused as the file's.
    const Args withParts = Plus(kVerify, {"--esr", "50", "--vf", "0.45"});
    Cli(Plus(withParts, {"--save", file}));
    EXPECT_EQ(Cli({"open", file, "--verify"}), Cli(withParts));
    Cli(Plus(kVerify, {"--real", "--save", file}));
    EXPECT_EQ(Cli({"open", file, "--verify"}), Cli(kVerify));
    DesignFile cold = ReadDesignFile(file).file.value();
    SetSection(cold, QuantityGroup::Parts,
               {{"rds", "1"}, {"rth-hs", "1"}, {"tc-rds", "5"}, {"ta", "5"}});
    SaveDesignFile(file, cold);
    const std::string said = Cli({"open", file, "--verify"}).err;
    EXPECT_TRUE(said.starts_with("Nel file " + file + " la chiave \"tc-rds\"")) << said;
    // So are the choices; at their start texts only --standard and --corners ask for them.
    const Args choices[][2] = {
        {Plus(kDesign, {"--series", "E24", "--round", "nearest", "--corners", "--tol-c", "10",
                        "--esr", "50"}),
         {"open", file}},
        {Plus(kDesign, {"--series", "E12", "--corners"}),
         {"open", file, "--standard", "--corners"}},
        {Plus(kSweep, {"--points", "3", "--io-to", "2", "--series", "E6", "--vf", "0.4"}),
         {"open", file, "--sweep"}},
        {Plus(kDesign, {"--series", "E12", "--esr", "50"}), {"open", file}},
    };
    for (const auto& [run, open] : choices) {
        Cli(Plus(run, {"--save", file}));
        EXPECT_EQ(Cli(open), Cli(run == choices[3][0] ? kDesign : run)) << open.back();
    }
    std::filesystem::remove(file);
}

// Tolerances print as typed; "meets" takes the smallest standard values that meet.
TEST(RunCommandLine, TolerancesAsTypedAndTheSmallestValuesThatMeet) {
    EXPECT_NE(Cli(Plus(kDesign, {"--corners", "--tol-l", "99.999", "--tol-c", "5"}))
                  .out.find("L ±99.999 %, C ±5.00 %"),
              std::string::npos);
    const nlohmann::json meets = nlohmann::json::parse(
        Cli(Plus(kDesign, {"--series", "E12", "--round", "meets", "--json"})).out)["standard"];
    EXPECT_EQ(std::tie(meets["L"], meets["C"], meets["round"]), std::tuple(150, 15, "meets"));
    EXPECT_TRUE(meets["meets"]["ripple"] && meets["meets"]["outputRipple"]);
    const std::string text =
        Cli(Plus(kSweep, {"--series", "E12", "--round", "meets", "--points", "1"})).out;
    EXPECT_EQ(text.rfind("Scansione del carico con L 1.50E+02 uH, C 1.50E+01 uF\n", 0), 0U) << text;
    const Result none = Cli(
        Plus(kSweep, {"--series", "E24", "--round", "meets", "--dcr", "10000", "--rds", "10000"}));
    EXPECT_EQ(none.status, kExitRefused);
    EXPECT_EQ(none.err,
              "nessuna coppia di valori della serie, da un decimo a cento volte L e C "
              "calcolate, rispetta i requisiti\n");
}

// The sweep's CSV rows are its JSON points; its loads run evenly from 10 % of Io by default.
TEST(RunCommandLine, SweepWritesTheSamePointsAsCsvAndJson) {
    // Loads from 1 pA to 1 TA, a ripple of 1e-12 %: stiff intervals, within a second.
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(
        Cli(Plus(kSweep, {"--io-from", "1e-12", "--io-to", "1e12", "--points", "1000"})).status, 0);
    Args fine = kSweep;
    fine[8] = "1e-12";  // the ripple in %
    EXPECT_EQ(Cli(fine).status, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(1));
    const Args sweep =
        Plus(kSweep, {"--points", "3", "--vi-list", "20,30", "--io-to", "30", "--dcr", "500"});
    const nlohmann::json points = nlohmann::json::parse(Cli(Plus(sweep, {"--json"})).out)["points"];
    ASSERT_EQ(points.size(), 6U);
    EXPECT_DOUBLE_EQ(points[4]["Io"].get<double>(), (0.1 * 1.5 + 30) / 2);
    std::istringstream csv(Cli(Plus(sweep, {"--csv", "-"})).out);
    std::string row;
    std::getline(csv, row);
    EXPECT_EQ(row, "Vi_V,Io_A,D,mode,efficiency,deltaIL_A,deltaVo_mV,peakIL_A,VoMean_V");
    // The CSV's ΔVo in mV, the JSON's in V; ΔiL and the mean Vo only in the CSV.
    const std::pair<const char*, double> columns[] = {
        {"Vi", 1},         {"Io", 1}, {"D", 1},           {"mode", 1},
        {"efficiency", 1}, {"", 1},   {"VoRipple", 1000}, {"ilPeak", 1}};
    for (const nlohmann::json& point : points) {
        ASSERT_TRUE(std::getline(csv, row));
        std::istringstream cells(row + ",");
        std::string cell;
        for (const auto& [key, scale] : columns) {
            std::getline(cells, cell, ',');
            if (key == std::string("mode"))
                EXPECT_EQ(cell, point["mode"].is_null()
                                    ? (point["outcome"] == "unreachable" ? "unreachable"
                                                                         : "no-steady-state")
                                    : point["mode"].get<std::string>());
            else if (*key == 0 || point[key].is_null())
                EXPECT_EQ(cell.empty(), point["D"].is_null());
            else
                EXPECT_DOUBLE_EQ(std::stod(cell), point[key].get<double>() * scale) << key;
        }
    }
    EXPECT_FALSE(std::getline(csv, row));
    EXPECT_EQ(points[5]["outcome"], "unreachable");
    // The text table: the same points, D and the efficiency in %, to three digits.
    const auto digits = [](double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2E", value);
        return std::string(text);
    };
    std::istringstream table(Cli(sweep).out);
    std::getline(std::getline(table, row), row);  // the title and the header
    for (const nlohmann::json& point : points) {
        ASSERT_TRUE(std::getline(table, row));
        std::istringstream cells(row);
        std::string vi, io, mode, d, efficiency;
        cells >> vi >> io >> mode >> d >> efficiency;
        EXPECT_EQ(vi + io, digits(point["Vi"].get<double>()) + digits(point["Io"].get<double>()));
        if (point["D"].is_null()) continue;
        EXPECT_EQ(d, digits(point["D"].get<double>() * 100)) << row;
        EXPECT_EQ(efficiency, digits(point["efficiency"].get<double>() * 100)) << row;
    }
    // Parts that cannot reach the design's Vo at all: no figures, and why.
    const nlohmann::json lossy = nlohmann::json::parse(
        Cli(Plus(kDesign, {"--series", "E6", "--dcr", "1e4", "--json"})).out)["standard"];
    EXPECT_EQ(std::tie(lossy["L"], lossy["C"], lossy["figuresOutcome"], lossy["nominalOutcome"]),
              std::tuple(150, 22, "unreachable", "unreachable"));
    EXPECT_TRUE(lossy["figures"].is_null() && lossy["meets"]["ripple"] == false);
    // The standard values swept: on a log scale 150 uH is nearer 125 than 100 is, 15 uF 15.6.
    const nlohmann::json nearest = nlohmann::json::parse(
        Cli(Plus(kSweep, {"--points", "1", "--series", "E6", "--round", "nearest", "--json"})).out);
    EXPECT_EQ(std::tie(nearest["L"], nearest["C"]), std::tuple(150, 15));
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
    // Nor is a note of use when the converter as built has no steady state either: here a
    // filter that rings some eighty times, undamped, within the on time.
    const Result none = Cli({"verify", "--vi", "10", "--d", "50", "--f", "1", "--l", "1", "--c",
                             "1", "--rl", "1e6", "--ni", "0", "--real"});
    EXPECT_EQ(std::tie(none.status, none.out), std::tuple(kExitRefused, ""));
    EXPECT_NE(none.err.find("\nCon questi valori il convertitore non ha un regime periodico"),
              std::string::npos);
}

// Circuits accepted but not designed, which the idealised run refuses (its current reaching
// zero, its loop unstable at N = 5): the converter as built is analysed all the same, in
// discontinuous conduction at the mean Vo of ngspice, or near Vi unloaded.
TEST(RunCommandLine, ConverterAsBuiltBesideARefusedRunAndItsPartLimits) {
    const struct {
        const char* circuit;
        double vo, tolerance;
    } wild[] = {
        {"--vi 25 --d 10 --f 80 --l 0.3 --c 12.5 --rl 10", 18.78, 5e-3},
        {"--vi 20 --d 20 --f 20 --l 10 --c 1 --rl 50", 18.81, 5e-3},
        {"--vi 20 --d 30 --f 20 --l 10 --c 4.7 --rl 20", 18.21, 5e-3},
        {"--vi 25 --d 60 --f 80 --l 125 --c 15.63 --rl 1e7", 25, 1e-4},
        {"--vi 25 --d 60 --f 80 --l 1 --c 1 --rl 1e7 --n 5", 25, 1e-4},
    };
    for (const auto& c : wild) {
        Args args{"verify", "--real", "--json"};
        std::istringstream words(c.circuit);
        for (std::string word; words >> word;) args.push_back(word);
        const Result r = Cli(args);
        ASSERT_EQ(r.status, kExitSuccess) << r.err;
        const nlohmann::json real = nlohmann::json::parse(r.out)["real"];
        EXPECT_EQ(real["mode"], "DCM");
        EXPECT_NEAR(real["VoMean"].get<double>(), c.vo, c.tolerance * c.vo);
        EXPECT_LT(real["efficiency"].get<double>(), 1);
        EXPECT_GT(real["deltaIL"].get<double>(), 0);
    }
    const Args worked = Plus(kVerify, {"--real"});
    // tf beyond the 12.5 us period (tr just at it): refused, with no figures.
    const Result slow = Cli(Plus(worked, {"--tr", "12500", "--tf", "20000"}));
    EXPECT_EQ(slow.status, kExitRefused);
    EXPECT_NE(slow.err.find("Il tempo di discesa tf"), std::string::npos) << slow.err;
    // tr = tf = the period, beyond the 7.5 us on time, and Qg with no Vdrv: accepted, noted.
    const Result noted = Cli(Plus(worked, {"--tr", "12500", "--tf", "12500", "--qg", "20"}));
    ASSERT_EQ(noted.status, kExitSuccess);
    EXPECT_NE(noted.out.find("Nota: tr + tf supera il tempo di accensione"), std::string::npos);
    EXPECT_NE(noted.out.find("Nota: la carica di gate Qg è data senza la tensione di pilotaggio "
                             "Vdrv"),
              std::string::npos);
    const nlohmann::json notes =
        nlohmann::json::parse(Cli(Plus(worked, {"--qg", "20", "--json"})).out)["real"]["notes"];
    ASSERT_EQ(notes.size(), 1U);
    EXPECT_NE(notes[0]["note"].get<std::string>().find("Vdrv"), std::string::npos);
}

// The help and the usages come from the table of quantities: a help line per
// row, every row in the usage of its command as "--key T" on one line, and no
// line wider than a terminal's 80 columns. An option whose text is a word names
// every word it takes in its help line and in its refusal (the first line written).
TEST(RunCommandLine, HelpAndUsageFollowTheTableOfQuantities) {
    const std::string help = Cli({"--help"}).out;
    const std::string usage = Cli({"--bogus"}).err, loopUsage = Cli({"loop", "--bogus"}).err;
    using G = QuantityGroup;
    for (const G group :
         {G::Design, G::Verification, G::Simulation, G::Parts, G::Selection, G::Loop})
        for (const Quantity& row : QuantitiesOf(group)) {
            const std::string key = "--" + std::string(row.key);
            EXPECT_NE(help.find("\n  " + key + ' '), std::string::npos) << key;
            const std::string& inUsage = group == G::Loop ? loopUsage : usage;
            EXPECT_NE(inUsage.find(key + " T"), std::string::npos) << key;
        }
    EXPECT_NE(help.find("\n  --ni T      periodi simulati NI (se omesso: 2000)\n"),
              std::string::npos);
    std::istringstream lines(help + usage + loopUsage);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(
            std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; }), 80)
            << line;
    Args loop = kVerify;
    loop[0] = "loop", loop[3] = "--vo", loop[4] = "15";
    const std::pair<Args, std::vector<std::string>> cases[] = {
        {Plus(kDesign, {"--series", "E48"}), {"E6", "E12", "E24"}},
        {Plus(kDesign, {"--series", "E12", "--round", "down"}), {"up", "nearest", "meets"}},
        {Plus(kVerify, {"--rectifier", "x"}), {"diode", "sync"}},
        {Plus(kVerify, {"--lsmode", "x"}), {"ccm", "de"}},
        {Plus(loop, {"--control", "x"}), {"voltage", "peak"}},
        {Plus(loop, {"--type", "III"}), {"2", "3"}},
    };
    for (const auto& [args, words] : cases) {
        const std::size_t from = help.find("\n  " + args[args.size() - 2] + ' ');
        const std::string line = help.substr(from, help.find("\n  --", from + 1) - from);
        const std::string err = Cli(args).err, said = err.substr(0, err.find('\n'));
        // The word standing alone: no letter, digit or point on either side.
        const auto alone = [](const std::string& text, const std::string& word) {
            const auto part = [](char c) {
                return std::isalnum(static_cast<unsigned char>(c)) || c == '.';
            };
            for (std::size_t at = text.find(word); at != std::string::npos;
                 at = text.find(word, at + 1))
                if ((at == 0 || !part(text[at - 1])) &&
                    (at + word.size() == text.size() || !part(text[at + word.size()])))
                    return true;
            return false;
        };
        for (const std::string& word : words)
            EXPECT_TRUE(alone(line, word) && alone(said, word)) << word;
    }
}

// The progress line appears from half a second on, is redrawn at most every tenth of a
// second, never cancels the run, covers a longer line it replaces, and is wiped.
TEST(TerminalProgress, ShowsItsLineFromHalfASecondAndNeverCancels) {
    using std::chrono::milliseconds;
    struct Step {
        int atMs;
        std::int64_t done, total;
        std::string written;  // what this call adds to the terminal
    };
    const auto line = [](int ms, const char* percent, std::int64_t done, std::int64_t total) {
        return "Simulazione in corso… " + std::string(percent) + "% (" +
               ProgressTimes(ms / 1000.0, done, total) + ")";
    };
    const std::string first = line(500, "25", 1, 4), second = line(600, "100", 1, 1);
    const std::string third = line(9000, "0", 0, 0);  // shorter: "in stima"
    const Step steps[] = {
        {499, 1, 4, ""},
        {500, 1, 4, "\r" + first},
        {599, 2, 4, ""},
        {600, 1, 1, "\r" + second},
        {9000, 0, 0, "\r" + third + std::string(second.size() - third.size(), ' ') + "\r" + third},
    };
    std::ostringstream out;
    milliseconds now{0};
    {
        TerminalProgress progress(out, [&] { return TerminalProgress::Clock::time_point(now); });
        for (const Step& step : steps) {
            now = milliseconds(step.atMs);
            const std::size_t before = out.str().size();
            EXPECT_TRUE(progress.Continue(step.done, step.total));
            EXPECT_EQ(out.str().substr(before), step.written) << step.atMs;
        }
        ASSERT_GT(second.size(), third.size());
    }
    EXPECT_EQ(out.str().substr(out.str().size() - second.size() - 2),
              "\r" + std::string(second.size(), ' ') + "\r");
}

TEST(StepBudget, StopsARunPastItsBudgetButNotOneAtItsEnd) {
    struct Inner : ProgressReporter {
        bool answer = true;
        bool Continue(std::int64_t, std::int64_t) override { return answer; }
    } inner;
    const struct {
        std::int64_t done, total;
        bool innerAnswer, expected, exhausted;
    } cases[] = {
        {100, 1000, true, true, false},   // at the budget
        {101, 1000, true, false, true},   // past it
        {5000, 5000, true, true, false},  // a repeated state reports the whole run at once
        {50, 1000, false, false, false},  // a cancel of the terminal's own
    };
    for (const auto& c : cases) {
        inner.answer = c.innerAnswer;
        StepBudget budget(inner, 100);
        EXPECT_EQ(budget.Continue(c.done, c.total), c.expected) << c.done;
        EXPECT_EQ(budget.Exhausted(), c.exhausted) << c.done;
    }
    // Two million samples per period for the default 2000 periods: stopped
    // within seconds, in words, never a silent run of minutes.
    const auto started = std::chrono::steady_clock::now();
    const Result run = Cli(Plus(kVerify, {"--n", "2000000"}));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    EXPECT_EQ(run.status, kExitRefused);
    EXPECT_NE(run.err.find("La simulazione chiede 4.0E+09 passi (N per NI): il comando si è "
                           "fermato dopo 2.0E+08"),
              std::string::npos)
        << run.err;
}

}  // namespace
}  // namespace stepdown::cli

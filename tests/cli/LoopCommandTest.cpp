// stepdown-cli loop: the worked example's design and its rounded values
// against the circuit's own loop gain, the CSV against the JSON, and one
// refusal per kind, each naming its option.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include <unistd.h>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/CommandLine.h"
#include "componentchoice/StandardValues.h"
#include "control/CompensatorDesign.h"
#include "control/ImpedanceLoop.h"
#include "designfile/DesignFile.h"
#include "support/CommandRun.h"

namespace stepdown::cli {
namespace {

// "loop" with `args`: what it wrote and its exit status.
Result Loop(Args args, const char* command = "loop") {
    args.insert(args.begin(), command);
    return Cli(args);
}

const Args kExample{"--vi",   "25",   "--vo", "15",    "--f", "80",    "--l", "125",   "--c",
                    "15.625", "--rl", "10",   "--esr", "50",  "--dcr", "100", "--rds", "50"};

Args With(const Args& more) { return Plus(kExample, more); }

LoopCircuit ExampleWith(const nlohmann::json& network) {
    LoopCircuit loop{{25, 0, 80e3, 125e-6, 15.625e-6, 10}, {0.05, 0.1, 0.05}, {}, {}};
    loop.compensator.type = network["type"];
    const char* keys[] = {"R1", "Rb", "R2", "C1", "C2", "R3", "C3"};
    using C = Compensator;
    double C::*values[] = {&C::R1, &C::Rb, &C::R2, &C::C1, &C::C2, &C::R3, &C::C3};
    for (int k = 0; k < 7; ++k) loop.compensator.*values[k] = network.value(keys[k], 0.0);
    return loop;
}

double Db(test::Complex x) { return static_cast<double>(20 * std::log10(std::abs(x))); }
double PhaseMargin(test::Complex x) {
    return static_cast<double>(180 + std::arg(x) * 180 / std::numbers::pi_v<long double>);
}

TEST(LoopCommand, WorkedExampleDesignedAndRounded) {
    const Result r = Loop(With({"--series", "--json"}));  // fc left at f/10, 8 kHz
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json loop = nlohmann::json::parse(r.out)["loop"];
    EXPECT_EQ(loop["operatingPoint"]["mode"], "CCM");
    EXPECT_EQ(loop["compensator"]["type"], 3);
    EXPECT_NEAR(loop["compensator"]["R2"].get<double>(), 312.42, 0.05);
    EXPECT_NEAR(loop["compensator"]["Rb"].get<double>(), 2000, 1e-9);
    const test::Complex T = test::LoopFromImpedances(ExampleWith(loop["compensator"]), 8e3);
    EXPECT_NEAR(Db(T), 0, 1e-9);
    EXPECT_NEAR(PhaseMargin(T), 60, 1e-8);
    EXPECT_NEAR(loop["fc"].get<double>(), 8e3, 1e-6);
    // The rounded values: E96 resistors, E12 capacitors (each series checked on its
    // own), and the loop they give.
    const nlohmann::json& standard = loop["standard"];
    for (const char* key : {"R1", "Rb", "R2", "R3"})
        EXPECT_EQ(RoundToE96(standard[key]), standard[key].get<double>()) << key;
    for (const char* key : {"C1", "C2", "C3"})
        EXPECT_EQ(RoundToSeries(standard[key], Series::E12, Rounding::Nearest),
                  standard[key].get<double>())
            << key;
    const LoopCircuit rounded = ExampleWith(standard);
    const double fc = standard["fc"];
    EXPECT_NEAR(Db(test::LoopFromImpedances(rounded, fc)), 0, 1e-8);
    EXPECT_NEAR(PhaseMargin(test::LoopFromImpedances(rounded, fc)),
                standard["phaseMargin"].get<double>(), 1e-6);
    EXPECT_GT(std::abs(fc - 8e3), 1);  // the rounding moved it
}

// The CSV holds the JSON's curves row by row (the curves themselves are
// checked against the impedances in the core's tests); a given network is kept.
TEST(LoopCommand, BodeCsvHoldsTheJsonsCurvesAndAGivenNetworkIsKept) {
    const Args network{"--type", "3",    "--r2", "2000", "--r3", "300",  "--c1",
                       "100",    "--c2", "2",    "--c3", "10",   "--rb", "2000"};
    const Result text = Loop(With(network));
    const Result csv = Loop(With(Plus(network, {"--csv", "-"})));
    const Result json = Loop(With(Plus(network, {"--json"})));
    ASSERT_EQ(csv.status + json.status + text.status, 0) << csv.err << json.err;
    ExpectHas(text.out,
              {"Compensatore di tipo III\n", "\nC1" + std::string(28, ' ') + "1.00E+02  nF\n",
               "\nR3" + std::string(28, ' ') + "3.00E+02  Ω\n",
               "\nf [Hz]     |T| [dB]   ∠T [°]     |Gvd| [dB]"});
    const nlohmann::json loop = nlohmann::json::parse(json.out)["loop"];
    // Every row takes its unit one way: the typed number times the factor.
    EXPECT_EQ(loop["compensator"]["C1"], 100 * 1e-9);
    EXPECT_EQ(loop["compensator"]["C3"], 10 * 1e-9);
    std::istringstream lines(csv.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "f_Hz,T_dB,T_deg,Gvd_dB,Gvd_deg,Gc_dB,Gc_deg");
    std::size_t k = 0;
    for (double f, t; std::getline(lines, line); ++k) {
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf", &f, &t), 2);
        EXPECT_EQ(f, loop["bode"]["f"][k].get<double>());
        EXPECT_NEAR(t, loop["bode"]["T"]["magDb"][k].get<double>(), 1e-9 * (1 + std::abs(t)));
    }
    EXPECT_EQ(k, 200u);
    // The text's rows keep the header's columns: every figure starts 11 apart.
    std::istringstream table(text.out.substr(text.out.find("\nf [Hz]") + 1));
    std::getline(table, line);
    for (k = 0; std::getline(table, line) && !line.empty(); ++k)
        for (std::size_t column = 11; column <= 66; column += 11)
            ASSERT_TRUE(line.size() > column && line[column - 1] == ' ' && line[column] != ' ')
                << column << ": " << line;
    EXPECT_EQ(k, 200u);
}

// Peak-current mode's text gives the slopes in V/µs where its JSON has V/s; the
// switched loop gain stands beside the averaged one, under its own columns.
TEST(LoopCommand, PeakCurrentSlopesInTheTextsUnit) {
    const Result text = Loop(With({"--control", "peak", "--switched"}));
    const auto k = nlohmann::json::parse(Loop(With({"--control", "peak", "--json"})).out);
    char line[96];
    std::snprintf(line, sizeof line, "\nSn%28s%.2E  V/µs\nSe", "",
                  k["loop"]["currentMode"]["Sn"].get<double>() * 1e-6);
    ExpectHas(text.out, {line, "\nf [Hz]     |T| [dB]   ∠T [°]     mediato |T|  mediato ∠T\n2."});
}

// Beside the figures, what they hold for: margins over a current loop whose
// error grows by (Sf - Se)/(Sn + Se) a period (Sn = Ri (Vi - Vo)/L, Sf = Ri
// Vo/L) told void; a rounded Rb's Vo, Vref (1 + R1/Rb), beside the one asked;
// start-up figures only from rest.
TEST(LoopCommand, WhatTheFiguresHoldForIsToldBesideThem) {
    const auto json = [](const Args& args) {
        return nlohmann::json::parse(Loop(Plus(args, {"--json"})).out)["loop"];
    };
    for (const double se : {0.05, 0.3}) {
        const Args peak{"--vi",      "12",  "--vo", "8",    "--f",  "500",
                        "--l",       "4.7", "--c",  "47",   "--rl", "1.6",
                        "--fc",      "40",  "--ri", "0.25", "--se", std::to_string(se),
                        "--control", "peak"};
        const bool grows = std::abs((0.25 * 8 / 4.7 - se) / (0.25 * 4 / 4.7 + se)) > 1;
        EXPECT_EQ(json(peak)["marginsHold"], !grows) << se;
        const std::string told = "\nmargini" + std::string(23, ' ') + "non validi: l'orbita";
        EXPECT_EQ(Loop(peak).out.find(told) != std::string::npos, grows) << se;
    }
    const Args divider{"--vi",   "48",   "--vo", "12",   "--f",     "200",    "--l",
                       "56",     "--c",  "12",   "--rl", "8",       "--type", "3",
                       "--vref", "1.25", "--fc", "20",   "--series"};
    const nlohmann::json loop = json(divider);
    const double vo = 1.25 * (1 + 1e4 / loop["standard"]["Rb"].get<double>());
    EXPECT_NEAR(loop["standard"]["Vo"].get<double>(), vo, 1e-12 * vo);
    EXPECT_EQ(loop["operatingPoint"]["VoAsked"], 12);
    char line[96];
    std::snprintf(line, sizeof line, "\nVo regolata%19s%.2E  V  (richiesta 1.20E+01 V, +%.2f %%)\n",
                  "", vo, 100 * (vo / 12 - 1));
    ExpectHas(Loop(divider).out, {line});
    for (const char* tss : {"0", "1"}) {
        const Args steps = With({"--fc", "8", "--rl2", "5", "--t1", "5", "--tss", tss});
        EXPECT_EQ(json(steps)["transient"]["startup"].is_object(), *tss == '1');
        EXPECT_EQ(Loop(steps).out.find("\nAvvio\n") != std::string::npos, *tss == '1');
    }
}

TEST(LoopCommand, RefusalsNameTheirOption) {
    // The options beside the worked example's, the exit status, what the refusal says.
    const std::tuple<Args, int, std::string> cases[] = {
        {{"--r2", "1000"}, 2, "--c1"},
        {{"--r3", "300"}, 2, "manca --r2: Il compensatore di tipo III"},  // R3 or C3: type III
        {{"--t1", "20", "--rl2", "5", "--tend", "10"}, 2, "--t1"},
        {{"--tss", "1", "--tend", "625.0125"}, 1, "più di 50000 periodi"},  // 50001 of 12.5 us
        {{"--type", "2", "--fc", "8"}, 1, "usa il tipo III"},
        {{"--rb", "100"}, 1, "fuori dall'intervallo da 0 a Dmax"},
        {{"--tend", "1e300"}, 1, "più di 50000 periodi"},
        {{"--tss", "1e300"}, 1, "più di 50000 periodi"},
        {{"--r1", "5e-324", "--rb", "1000"}, 2, "--r1 non è valido: Con questi valori la rete"},
        {{"--control", "peak", "--ri", "1e300"}, 2, "--ri non è valido: Con questi valori la rete"},
        {{"--control", "peak", "--ri", "1e-310"}, 2, "--ri non è valido: Con questo Ri"},
        {{"--control", "peak", "--ri", "1e-300"}, 1, "il guadagno d'anello non è un numero"},
    };
    for (const auto& [more, status, says] : cases) {
        const Result r = Loop(With(more));
        EXPECT_EQ(r.status, status) << says << r.err;
        ExpectHas(r.err, {says});
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_EQ(Loop(With({"--fc", "30"})).status, 0);  // designed below f/2, 40 kHz
    // 0.6 ms after a load step the mean is 1 to 1.5 % above the divider's 15 V: told.
    const auto late = nlohmann::json::parse(
        Loop(With({"--tss", "0.2", "--rl2", "5", "--t1", "1", "--tend", "1.6", "--json"}))
            .out)["loop"];
    const double off = late["transient"]["loadStep"]["finalVoMean"].get<double>() / 15 - 1;
    EXPECT_TRUE(off > 0.01 && off < 0.015 &&
                late.dump().find("Dopo il gradino") != std::string::npos);
    EXPECT_EQ(Loop(With({"--tss", "1", "--tend", "625"})).status, 0);  // 50000 periods at most
    // A soft-start of 1e-303 s: the reference's step from rest that a femtosecond's ramp gives.
    const Result none = Loop(With({"--tss", "1e-300"}));
    EXPECT_EQ(std::tie(none.status, none.out),
              std::tuple(kExitSuccess, Loop(With({"--tss", "1e-12"})).out));
    Args light = With({"--tss", "1", "--tend", "20", "--json", "--r2", "312.42", "--r3", "379.53",
                       "--c1", "333.01", "--c2", "12.639", "--c3", "10.024"});
    light[11] = "100000";  // RL: the full load's network cannot take the overshoot down
    EXPECT_EQ(nlohmann::json::parse(Loop(light).out)["loop"]["transient"]["steady"]["duty"], 0.0);
    Args duty = With({"--d", "60"});  // no --vo: D Vi, 0.6 x 25 V = 15 V
    duty.erase(duty.begin() + 2, duty.begin() + 4);
    EXPECT_EQ(Loop(duty).out, Loop(kExample).out);
    duty.erase(duty.end() - 2, duty.end());  // neither: refused, naming --vo
    const Result missing = Loop(duty);
    EXPECT_EQ(missing.status, 2);
    ExpectHas(missing.err, {"--vo"});
}

// What --save writes, open --loop reads back: the texts as typed, and the
// same analysis and step response to the byte.
TEST(LoopCommand, SavedFileReopensToTheSameLoop) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("stepdown-loop-" + std::to_string(::getpid()) + "a.stepdown"))
                                 .string();
    const Args asked{"--pm", "6e1", "--r1", "1e4", "--tss", "1", "--rl2", "5", "--t1", "4"};
    const Result saved = Loop(With(Plus(asked, {"--json", "--save", path})));
    ASSERT_EQ(saved.status, 0) << saved.err;
    const DesignFileOutcome read = ReadDesignFile(path);
    ASSERT_TRUE(read.file.has_value()) << read.message;
    const DesignFile& file = *read.file;
    // As typed; D as the design writes Vo/Vi.
    using G = QuantityGroup;
    const auto at = [&](G group, std::string_view key) { return TextOf(file, group, key); };
    const std::string stored[] = {
        at(G::Loop, "pm"),   at(G::Loop, "r1"),   at(G::Loop, "c1"),       at(G::Verification, "l"),
        at(G::Design, "vo"), at(G::Parts, "esr"), at(G::Verification, "d")};
    const char* typed[] = {"6e1", "1e4", "", "125", "15", "50", "6.000E+01"};
    for (int k = 0; k < 7; ++k) EXPECT_EQ(stored[k], typed[k]) << k;
    const Result reopened = Loop({path, "--loop", "--json"}, "open");
    EXPECT_EQ(reopened.status, 0) << reopened.err;
    EXPECT_EQ(reopened.out, saved.out);
    const nlohmann::json step = nlohmann::json::parse(saved.out)["loop"]["transient"]["loadStep"];
    const std::string text = Loop(With(asked)).out;  // the overshoot in % of the final mean
    double volts = 0, percent = 0;
    ASSERT_EQ(std::sscanf(text.c_str() + text.find("sovraelongazione "),
                          "sovraelongazione %lf V (%lf", &volts, &percent),
              2);
    EXPECT_NEAR(percent, 100 * step["overshoot"].get<double>() / step["finalVoMean"].get<double>(),
                0.01 * percent);
    const Result other = Loop({path, "--loop", "--verify"}, "open");
    EXPECT_EQ(other.status, 2);
    ExpectHas(other.err, {"--verify non vale con --loop"});
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace stepdown::cli

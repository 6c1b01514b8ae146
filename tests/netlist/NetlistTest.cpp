// The netlist read back by a reader of its own and run by ngspice: its
// measures against the program's figures, on designed circuits, CCM and DCM.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <regex>
#include <sstream>

#include "netlist/SpiceNetlist.h"

namespace stepdown {
namespace {

using Words = std::vector<std::string>;

// A SPICE number read back with its suffix turned into a decimal exponent,
// so that strtod rounds the whole text once.
double Read(std::string text) {
    const std::pair<const char*, const char*> suffixes[] = {
        {"Meg", "e6"}, {"T", "e12"}, {"G", "e9"},   {"k", "e3"},  {"m", "e-3"},
        {"u", "e-6"},  {"n", "e-9"}, {"p", "e-12"}, {"f", "e-15"}};
    for (const auto& [suffix, exponent] : suffixes)
        if (text.ends_with(suffix)) {
            text = text.substr(0, text.size() - std::strlen(suffix)) + exponent;
            break;
        }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    EXPECT_TRUE(*end == '\0' && !text.empty()) << text;
    return value;
}

// The words of every line but the comments, by the element's, the model's
// or the measure's name; every line one the program writes.
std::map<std::string, Words> Parse(const std::string& netlist) {
    const std::regex grammar(
        R"((\*.*)|(Vi|Vctl|S1|VF|RD|DFW|L1|RDCR|RESR|C1|RL|IPERD|\.model|\.options|\.tran|\.meas|\.end)( [-+.=()'*/\w]+)*)");
    std::map<std::string, Words> lines;
    std::istringstream in(netlist);
    for (std::string line; std::getline(in, line);) {
        EXPECT_TRUE(std::regex_match(line, grammar)) << line;
        std::istringstream words(line);
        const Words w{std::istream_iterator<std::string>(words), {}};
        if (w[0][0] == '*') continue;
        const std::string& key = w[0] == ".meas" ? w[2] : w[0] == ".model" ? w[1] : w[0];
        EXPECT_TRUE(lines.emplace(key, w).second) << line;
    }
    return lines;
}

// Random accepted values over their whole ranges: the netlist is the circuit
// with its nonzero resistances, started at the steady state, driven at D,
// measured over the last period.
TEST(SpiceNetlist, EveryAcceptedCircuitReadsBackAsItself) {
    std::mt19937_64 random(25);
    const auto logUniform = [&](double low, double high) {
        return std::exp(std::log(low) + std::log(high / low) * (random() >> 11) * 0x1p-53);
    };
    const auto part = [&](double low, double high) {
        return random() % 3 == 0 ? 0.0 : logUniform(low, high);
    };
    int written = 0;
    std::chrono::steady_clock::duration spent{};
    for (int k = 0; k < 300; ++k) {
        const double D[] = {(random() >> 11) * 0x1p-53, 1e-9, 1 - 1e-9};
        const CircuitValues c{logUniform(0.1, 1e4), D[k % 10 == 0 ? 1 + k % 20 / 10 : 0],
                              logUniform(10, 1e8),  logUniform(1e-9, 10),
                              logUniform(1e-12, 1), logUniform(1e-3, 1e6)};
        const PartValues p{part(1e-4, 10), part(1e-4, 10),    part(1e-4, 10),    part(0.01, 2),
                           part(1e-4, 10), part(1e-10, 1e-6), part(1e-10, 1e-6), part(1e-10, 1e-6),
                           part(1, 20),    part(1e-4, 1)};
        const RealPartsAnalysis a = Analyze(c, p, {true, 50});
        if (a.outcome != RealPartsOutcome::Found) continue;
        ++written;
        const int periods = 1 + static_cast<int>(random() % 40);
        const auto start = std::chrono::steady_clock::now();
        const std::string netlist = SpiceNetlist(c, p, a, {periods, std::nullopt});
        spent += std::chrono::steady_clock::now() - start;
        auto n = Parse(netlist);
        // The header's figures, to six digits, under the names of the measures.
        const std::pair<const char*, double> figures[] = {{"vo_mean", a.VoMean},
                                                          {"vo_ripple", a.VoRipple},
                                                          {"il_ripple", a.deltaIL},
                                                          {"il_rms", a.stresses.inductor.rms},
                                                          {"pin", a.powers.input},
                                                          {"pout", a.powers.output},
                                                          {"efficiency", a.powers.efficiency}};
        for (const auto& [name, value] : figures) {
            const std::size_t at = netlist.find("*   " + std::string(name) + " ");
            ASSERT_NE(at, std::string::npos) << name;
            const double shown = std::stod(netlist.substr(netlist.find("= ", at) + 2));
            EXPECT_NEAR(shown, value, 5e-6 * std::fabs(value)) << name;
        }
        const double T = 1 / c.f;
        EXPECT_EQ(n["Vi"], (Words{"Vi", "vi", "0", "DC", SpiceNumber(c.Vi)}));
        EXPECT_EQ(n["S1"], (Words{"S1", "vi", "sw", "ctl", "0", "SWITCH"}));
        EXPECT_EQ(n["SWITCH"][4], "Ron=" + SpiceNumber(p.Rds > 0 ? p.Rds : 1e-6));
        EXPECT_EQ(n["VF"], (Words{"VF", "0", "dvf", "DC", SpiceNumber(p.Vf)}));
        EXPECT_EQ(n["DFW"][2], "sw");
        EXPECT_EQ(n["RL"], (Words{"RL", "vo", "0", SpiceNumber(c.RL)}));
        EXPECT_EQ(n["C1"][2], "0");
        EXPECT_EQ(Read(n["L1"][3]) + Read(n["L1"][4].substr(3)), c.L + a.startIL);
        EXPECT_EQ(Read(n["C1"][3]) + Read(n["C1"][4].substr(3)), c.C + a.startVC);
        // Each resistance in its branch, only when it is not zero.
        const std::pair<const char*, Words> branches[] = {
            {"RDCR", {"RDCR", n["L1"][2], "vo", SpiceNumber(p.DCR)}},
            {"RESR", {"RESR", "vo", n["C1"][1], SpiceNumber(p.ESR)}},
            {"RD", {"RD", "dvf", n["DFW"][1], SpiceNumber(p.Rd)}}};
        for (const auto& [name, words] : branches)
            EXPECT_EQ(n[name], Read(words[3]) > 0 ? words : Words{}) << name;
        EXPECT_EQ(n["L1"][1] + n["L1"][2], p.DCR > 0 ? "swldcr" : "swvo");
        const double extra = a.losses.switching + a.losses.gate + a.losses.quiescent;
        EXPECT_NEAR(n.count("IPERD") ? Read(n["IPERD"][4]) * c.Vi : 0, extra, 1e-12 * extra);
        // PULSE(1 0 TD TR TF PW PER) crosses 0.5 V at TD + TR/2 and TD + TR + PW + TF/2.
        const Words& pulse = n["Vctl"];
        ASSERT_EQ(pulse.size(), 10U);
        const double td = Read(pulse[5]), tr = Read(pulse[6]), tf = Read(pulse[7]);
        EXPECT_EQ(pulse[3] + pulse[4], "PULSE(10");
        EXPECT_NEAR(td + tr / 2, c.D * T, 1e-12 * T);
        EXPECT_NEAR(td + tr + Read(pulse[8]) + tf / 2, T, 1e-12 * T);
        EXPECT_EQ(Read(pulse[9].substr(0, pulse[9].size() - 1)), T);
        EXPECT_TRUE(tr + tf <= 1e-4 * T && td > 0 && tr > 0 && Read(pulse[8]) > 0) << c.D;
        const Words& tran = n[".tran"];
        EXPECT_LE(Read(tran[1]), T / 200 * (1 + 1e-15));
        EXPECT_NEAR(Read(tran[2]), periods * T, 1e-12 * periods * T);
        EXPECT_EQ(tran[5], "uic");
        EXPECT_NEAR(Read(n["il_rms"][5].substr(5)), (periods - 1) * T, 1e-12 * periods * T);
    }
    EXPECT_GT(written, 150);
    // It only formats the steady state already computed: far below the 5 ms asked.
    const std::chrono::duration<double, std::milli> each = spent / written;
    std::cout << "a netlist written in " << each.count() << " ms on average\n";
    EXPECT_LT(each.count(), 5.0);
}

TEST(SpiceNumber, SuffixesEdgesAndShortestDigits) {
    const std::pair<double, const char*> table[] = {
        {0, "0"},         {25, "25"},     {125e-6, "125u"}, {15.625e-6, "15.625u"},
        {80e3, "80k"},    {1e6, "1Meg"},  {-0.6, "-600m"},  {1.0 / 3, "333.3333333333333m"},
        {999e12, "999T"}, {1e15, "1e15"}, {1e-15, "1f"},    {9.99e-16, "9.99e-16"}};
    for (const auto& [value, text] : table) EXPECT_EQ(SpiceNumber(value), text) << value;
}

// Every "name = number" that ngspice prints in batch mode.
std::map<std::string, double> Ngspice(const std::string& netlist) {
    const std::string file = ::testing::TempDir() + "converter.cir";
    std::ofstream(file) << netlist;
    FILE* pipe = popen(("ngspice -b '" + file + "' 2>&1").c_str(), "r");
    std::string output;
    for (char buffer[4096]; std::fgets(buffer, sizeof buffer, pipe);) output += buffer;
    EXPECT_EQ(pclose(pipe), 0) << output;
    std::map<std::string, double> measures;
    const std::regex measure(R"(^(\w+)\s*=\s*([-+.0-9eE]+)(\s.*)?$)");
    std::istringstream lines(output);
    std::smatch m;
    for (std::string line; std::getline(lines, line);)
        if (std::regex_match(line, m, measure)) measures[m[1]] = std::stod(m[2]);
    return measures;
}

// The textbook design: D = Vo/Vi, L from the current ripple, C from the voltage
// ripple; loaded with `load` times Io.
CircuitValues Designed(double Vi, double Vo, double f, double dIL, double dVo, double Io,
                       double load) {
    return {Vi, Vo / Vi, f, (Vi - Vo) * Vo / Vi / (f * dIL), dIL / (8 * f * dVo), Vo / (Io * load)};
}

TEST(SpiceNetlist, NgspiceMeasuresWhatTheProgramComputed) {
    if (std::system("command -v ngspice >/dev/null") != 0) {
        if (std::getenv("STEPDOWN_REQUIRE_NGSPICE")) FAIL() << "ngspice is required but missing";
        GTEST_SKIP() << "ngspice is not installed (Debian package ngspice): nothing to compare";
    }
    struct Row {
        const char* name;
        CircuitValues circuit;
        PartValues parts;
        double targetVo;  // 0: at D = Vo/Vi
        ConductionMode mode;
    };
    const CircuitValues worked = Designed(25, 15, 80e3, 0.6, 0.06, 1.5, 1);
    const PartValues parts{0.05, 0.1, 0.05, 0.6, 0, 50e-9, 50e-9};
    const Row rows[] = {
        {"worked example, parts, D'", worked, parts, 15, ConductionMode::Continuous},
        {"worked example, D = Vo/Vi", worked, {}, 0, ConductionMode::Continuous},
        {"worked example, tenth load",
         Designed(25, 15, 80e3, 0.6, 0.06, 1.5, 0.1),
         {},
         15,
         ConductionMode::Discontinuous},
        {"5 V to 1.2 V at 1 MHz",
         Designed(5, 1.2, 1e6, 1.5, 0.01, 5, 1),
         {0.002, 0.005, 0.01, 0.4, 0.02, 5e-9, 5e-9, 10e-9, 5, 1e-3},
         1.2,
         ConductionMode::Continuous},
        {"48 V to 12 V, tenth load",
         Designed(48, 12, 200e3, 0.8, 0.05, 2, 0.1),
         {0.02, 0.04, 0.03, 0.5, 0.03, 20e-9, 20e-9},
         12,
         ConductionMode::Discontinuous},
    };
    std::printf("%-28s %9s %9s %9s %9s %9s (%% off the program)\n", "", "Vo mean", "first",
                "ripple", "IL rms", "Pin");
    for (const Row& row : rows) {
        CircuitValues c = row.circuit;
        if (row.targetVo > 0) c.D = DutyForTarget(c, row.parts, row.targetVo).D;
        const RealPartsAnalysis a = Analyze(c, row.parts);
        ASSERT_EQ(a.mode, row.mode) << row.name;
        auto m = Ngspice(SpiceNetlist(c, row.parts, a));
        const double measured[] = {m["vo_mean"], m["vo_mean_first"], m["vo_ripple"], m["il_rms"],
                                   m["pin"]};
        const double program[] = {a.VoMean, a.VoMean, a.VoRipple, a.stresses.inductor.rms,
                                  a.powers.input};
        const double allowed[] = {0.5, 0.5, 3, 1, 1};
        std::printf("%-28s", row.name);
        for (int k = 0; k < 5; ++k) {
            const double off = 100 * (measured[k] - program[k]) / program[k];
            std::printf(" %+9.4f", off);
            EXPECT_LT(std::fabs(off), allowed[k]) << row.name << ", measure " << k;
        }
        std::printf("\n");
    }
}

}  // namespace
}  // namespace stepdown

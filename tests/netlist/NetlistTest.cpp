// The netlist run by ngspice: its measures against the program's figures, on
// designed circuits, CCM and DCM, and on random accepted ones.

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <tuple>
#include <vector>

#include "control/CompensatorDesign.h"
#include "control/PeriodMultipliers.h"
#include "netlist/ClosedLoopNetlist.h"
#include "netlist/SpiceNetlist.h"
#include "support/CommandRun.h"

namespace stepdown {
namespace {

TEST(SpiceNumber, SuffixesEdgesAndShortestDigits) {
    const std::pair<double, const char*> table[] = {
        {0, "0"},         {25, "25"},     {47e-12, "47p"}, {15.625e-6, "15.625u"},
        {80e3, "80k"},    {1e6, "1Meg"},  {-0.6, "-600m"}, {1.0 / 3, "333.3333333333333m"},
        {999e12, "999T"}, {1e15, "1e15"}, {1e-15, "1f"},   {9.99e-16, "9.99e-16"}};
    for (const auto& [value, text] : table) EXPECT_EQ(SpiceNumber(value), text) << value;
}

// Every "name = number" that ngspice prints in batch mode.
std::map<std::string, double> Ngspice(const std::string& netlist) {
    // One file per process and run: two suites running at once never share one.
    static int run = 0;
    const std::string file = ::testing::TempDir() + "converter-" + std::to_string(::getpid()) +
                             "-" + std::to_string(++run) + ".cir";
    std::ofstream(file) << netlist;
    // A run that would never end fails the test instead of holding it.
    FILE* pipe = popen(("timeout 300 ngspice -b '" + file + "' 2>&1").c_str(), "r");
    std::string output;
    std::map<std::string, double> measures;
    for (char buffer[4096]; std::fgets(buffer, sizeof buffer, pipe);) {
        output += buffer;
        char name[64];
        double value = 0;
        if (std::sscanf(buffer, "%63[A-Za-z0-9_] = %lf", name, &value) == 2) measures[name] = value;
    }
    EXPECT_EQ(pclose(pipe), 0) << output;
    return measures;
}

// The textbook design: D = Vo/Vi, L from the current ripple, C from the voltage
// ripple; loaded with `load` times Io.
CircuitValues Designed(double Vi, double Vo, double f, double dIL, double dVo, double Io,
                       double load) {
    return {Vi, Vo / Vi, f, (Vi - Vo) * Vo / Vi / (f * dIL), dIL / (8 * f * dVo), Vo / (Io * load)};
}

const CircuitValues kWorked = Designed(25, 15, 80e3, 0.6, 0.06, 1.5, 1);
const PartValues kWorkedParts{0.05, 0.1, 0.05, 0.6, 0, 50e-9, 50e-9};

// Whether ngspice runs; a failure when the run requires it.
bool NgspiceRuns() {
    if (std::system("command -v ngspice >/dev/null") == 0) return true;
    if (std::getenv("STEPDOWN_REQUIRE_NGSPICE")) ADD_FAILURE() << "ngspice is required but missing";
    return false;
}
constexpr const char* kNoNgspice =
    "ngspice is not installed (Debian package ngspice): nothing to compare";

// Each part under the comment that tells it: the nearest comment line above its element.
void ExpectEachPartUnderItsComment(const std::string& netlist, bool closedLoop) {
    const char* parts[] = {
        "Vi", "Ingresso",  "S1",   "Interruttore", "DFW",  "Diodo di ricircolo",
        "L1", "Induttore", "C1",   "Condensatore", "RL",   "Carico",
        "R1", "Partitore", "VREF", "Riferimento",  "BAMP", "Amplificatore d'errore",
        "R2", "Rete"};
    for (std::size_t k = 0; k < (closedLoop ? std::size(parts) : 12); k += 2) {
        const std::string element = parts[k], comment = "\n* " + std::string(parts[k + 1]);
        const std::size_t at = netlist.find('\n' + element + ' ');
        ASSERT_NE(at, std::string::npos) << element;
        EXPECT_EQ(netlist.rfind("\n* ", at), netlist.rfind(comment, at)) << element;
    }
}

TEST(SpiceNetlist, NgspiceMeasuresWhatTheProgramComputed) {
    if (!NgspiceRuns()) GTEST_SKIP() << kNoNgspice;
    // Name, circuit, parts, the mean Vo aimed at (0: at D = Vo/Vi), the mode.
    using Row = std::tuple<const char*, CircuitValues, PartValues, double, ConductionMode>;
    const ConductionMode ccm = ConductionMode::Continuous, dcm = ConductionMode::Discontinuous;
    const PartValues fast{0.002, 0.005, 0.01, 0.4, 0.02, 5e-9, 5e-9, 10e-9, 5, 1e-3},
        high{0.02, 0.04, 0.03, 0.5, 0.03, 20e-9, 20e-9},
        sharing{
            .Rds = 0.01, .Vf = 0.7, .Rd = 0.01, .rectifier = Rectifier::Synchronous, .RdsLo = 0.2};
    const Row rows[] = {
        {"worked example, parts, D'", kWorked, kWorkedParts, 15, ccm},
        {"worked example, D = Vo/Vi", kWorked, {}, 0, ccm},
        {"worked example, tenth load", Designed(25, 15, 80e3, 0.6, 0.06, 1.5, 0.1), {}, 15, dcm},
        {"5 V to 1.2 V at 1 MHz", Designed(5, 1.2, 1e6, 1.5, 0.01, 5, 1), fast, 1.2, ccm},
        {"48 V to 12 V, tenth load", Designed(48, 12, 200e3, 0.8, 0.05, 2, 0.1), high, 12, dcm},
        {"200 mOhm low side past Vf", {12, 0.3, 500e3, 10e-6, 100e-6, 0.6}, sharing, 0, ccm},
    };
    // Then random accepted circuits, log-uniform over the ranges of real designs,
    // any duty, each part zero one time in three.
    std::vector<Row> all(std::begin(rows), std::end(rows));
    std::mt19937_64 random(25);
    const auto logUniform = [&](double low, double high) {
        return std::exp(std::log(low) + std::log(high / low) * (random() >> 11) * 0x1p-53);
    };
    const auto part = [&](double low, double high) {
        return random() % 3 == 0 ? 0.0 : logUniform(low, high);
    };
    while (all.size() < std::size(rows) + 16) {
        const CircuitValues c{logUniform(3, 100),     logUniform(0.05, 0.95), logUniform(2e4, 1e6),
                              logUniform(1e-6, 1e-3), logUniform(1e-6, 1e-3), logUniform(0.5, 500)};
        PartValues p{part(1e-3, 0.1), part(1e-3, 0.1),  part(1e-3, 0.1),  part(1e-3, 0.1),
                     part(0.2, 0.8),  part(1e-9, 2e-8), part(1e-9, 2e-8), part(1e-9, 2e-8),
                     part(3, 12),     part(1e-4, 1e-2)};
        const std::size_t drawn = all.size() - std::size(rows);
        if (drawn % 2 == 1) {  // every other one synchronous, one in two of them in DE
            p.rectifier = Rectifier::Synchronous;
            if (drawn % 4 == 3) p.lowSideMode = LowSideMode::DiodeEmulation;
            p.RdsLo = part(1e-3, 0.1), p.Qrr = part(1e-9, 5e-8), p.CossLo = part(1e-11, 1e-9);
            p.td1 = logUniform(5e-9, 2e-7), p.td2 = logUniform(5e-9, 2e-7);
        }
        const RealPartsAnalysis a = Analyze(c, p);
        if (a.outcome == RealPartsOutcome::Found) all.push_back({"random", c, p, 0, a.mode});
    }
    for (const auto& [name, circuit, parts, targetVo, mode] : all) {
        CircuitValues c = circuit;
        if (targetVo > 0) c.D = DutyForTarget(c, parts, targetVo).D;
        const RealPartsAnalysis a = Analyze(c, parts);
        ASSERT_EQ(a.mode, mode) << name;
        const std::string netlist = SpiceNetlist(c, parts, a);
        ExpectEachPartUnderItsComment(netlist, false);
        const auto has = [&netlist](const char* text) { return Has(netlist, text); };
        EXPECT_TRUE(
            has(a.mode == ConductionMode::Continuous ? ": continua (CCM)" : ": discontinua"));
        for (const auto& [resistor, ohms] :
             {std::pair{"\nRD ", parts.Rd}, {"\nRDCR ", parts.DCR}, {"\nRESR ", parts.ESR}})
            EXPECT_EQ(has(resistor), ohms > 0) << resistor;  // never 0 ohm
        // The high side's body diode returns to Vi through its own Rd.
        const bool synchronous = parts.rectifier == Rectifier::Synchronous;
        EXPECT_TRUE(!synchronous || has(parts.Rd > 0 ? "\nDHB sw dhr " : "\nDHB sw dhv "));
        auto m = Ngspice(netlist);
        const char* names[] = {"vo_mean", "vo_mean_first", "vo_ripple", "il_rms", "pin"};
        const double program[] = {a.VoMean, a.VoMean, a.VoRipple, a.stresses.inductor.rms,
                                  a.powers.input};
        const double mean = synchronous ? 0.05 : 0.5;  // no diode knee: within 0.05 %
        const double allowed[] = {mean, mean, 3, 1, 1};
        for (int k = 0; k < 5; ++k) {
            EXPECT_LT(std::fabs(100 * (m[names[k]] - program[k]) / program[k]), allowed[k])
                << name << ", " << names[k];
            // The header gives the program's figure to its six digits.
            const std::size_t at = netlist.find(std::string("\n*   ") + names[k] + ' ');
            const double header = at == netlist.npos
                                      ? program[k]
                                      : std::stod(netlist.substr(netlist.find("= ", at) + 2));
            EXPECT_LT(std::fabs(header / program[k] - 1), 1e-5) << names[k];
        }
    }
}

// The regulated netlist run with one measure more, latch_halfway: the time
// (s) its latch spends off its rails while neither the clock nor a reset
// drives it, weighted by how far off (ctl (1 - ctl), a quarter halfway),
// checked below twice the latch's time constant a period on the whole: only
// its transitions' tails.
std::map<std::string, double> NgspiceWatchingTheLatch(std::string netlist, double f, double tend) {
    const std::string ctl = "max(0,min(1,v(ctl)))";
    netlist.insert(netlist.rfind(".end"), "BHALF half 0 V=" + ctl + "*(1-" + ctl +
                                              ")*(1-v(rst))*(1-v(clk))\n"
                                              ".meas tran latch_halfway INTEG v(half)\n");
    auto m = Ngspice(netlist);
    EXPECT_EQ(m.count("latch_halfway"), 1U);
    EXPECT_LT(m["latch_halfway"], 2 * kLatchFraction / f * (tend * f));
    return m;
}

// The regulated netlist through ngspice against its header's figures (% of the
// program's), the divider's Vref (1 + R1/Rb) and in CCM the averaged duty.
void ExpectNgspiceAgrees(const std::string& name, const LoopCircuit& loop,
                         const TransientRequest& request, ConductionMode mode) {
    SCOPED_TRACE(name);
    const RegulatedRun run = RunRegulated(loop, request);
    const TransientResult& p = run.result;
    ASSERT_TRUE(p.refusal.empty()) << p.refusal;
    ASSERT_EQ(p.steadyMode, mode);
    const std::string netlist = SpiceClosedLoopNetlist(loop, request, run.start, p);
    const Compensator& k = loop.compensator;
    const auto has = [&netlist](const char* text) { return Has(netlist, text); };
    EXPECT_TRUE(has("R3 in serie") == (k.type == 3) && has(", R3 = ") == (k.type == 3) &&
                has(k.type == 3 ? "tipo III:" : "tipo II:") &&
                has("confrontare con le misure (.meas):") && has("\n*   vo_mean ") &&
                has("\n*   vo_ripple "));
    ExpectEachPartUnderItsComment(netlist, true);
    auto m = NgspiceWatchingTheLatch(netlist, loop.circuit.f, request.tend);
    const double divider = loop.modulator.Vref * (1 + k.R1 / k.Rb);
    std::vector<std::tuple<std::string, double, double>> figures{
        {"vo_mean", p.steadyVoMean, 0.5},
        {"vo_mean", divider, 0.5},
        {"vo_ripple", p.steadyVoRipple, 3}};
    if (run.start) figures.push_back({"vo_mean_first", p.steadyVoMean, 0.5});
    if (!run.start)
        figures.insert(figures.end(), {{"il_peak", p.ilPeak, 2}, {"vo_peak", p.voPeak, 2}});
    for (const auto& [step, prefix] : {std::pair{&p.loadStep, "load"}, {&p.lineStep, "line"}})
        if (*step)
            figures.insert(figures.end(),
                           {{std::string(prefix) + "_final", (*step)->finalVoMean, 0.5},
                            {std::string(prefix) + "_undershoot", (*step)->undershoot, 3}});
    for (const auto& [measure, value, percent] : figures) {
        ASSERT_EQ(m.count(measure), 1U) << measure;
        EXPECT_NEAR(m[measure], value, percent / 100 * std::fabs(value)) << measure;
    }
    const PartValues& q = loop.parts;
    const double IL = divider / loop.circuit.RL + divider / (k.R1 + k.Rb);
    // The period's mean of the switch node: the on time's, the off time's diode, or
    // a synchronous stage's low slot and dead times (Dd), less DCR IL, is Vo.
    const double Dd = (q.td1 + q.td2) * loop.circuit.f;
    const double averaged =
        q.rectifier == Rectifier::Diode
            ? (divider + q.Vf + IL * (q.Rd + q.DCR)) /
                  (loop.circuit.Vi + q.Vf + IL * (q.Rd - q.Rds))
            : (divider + IL * q.DCR + (1 - Dd) * q.RdsLo * IL + Dd * (q.Vf + q.Rd * IL)) /
                  (loop.circuit.Vi - q.Rds * IL + q.RdsLo * IL);
    EXPECT_TRUE(mode != ConductionMode::Continuous || std::fabs(p.steadyDuty - averaged) < 0.005);
}

// Chosen circuits, each compensator designed for f/10 and 60 degrees.
TEST(ClosedLoopNetlist, NgspiceRegulatesAsTheProgramDoes) {
    if (!NgspiceRuns()) GTEST_SKIP() << kNoNgspice;
    // An electrolytic's ESR zero below fc: Type II, at full and at a tenth of the load.
    const CircuitValues wet{25, 0.6, 80e3, 125e-6, 100e-6, 10},
        tenth{25, 0.6, 80e3, 125e-6, 100e-6, 100};
    const CircuitValues low = Designed(12, 3.3, 300e3, 0.5, 0.02, 2, 1);
    const PartValues electrolytic{0.3, 0.1, 0.05, 0.6}, lowParts{0.01, 0.02, 0.02, 0.4};
    const TransientRequest settled{0, {}, {}, {}, {}, 20 / 80e3},
        loadStep{1e-3, 5, 3e-3, {}, {}, 4.5e-3}, lineStep{0, {}, {}, 9, 0.3e-3, 0.6e-3};
    const ConductionMode ccm = ConductionMode::Continuous;
    // Name, circuit, parts, Vo, the network's type if forced, the run, the mode.
    const std::tuple<const char*, CircuitValues, PartValues, double, std::optional<int>,
                     TransientRequest, ConductionMode>
        rows[] = {
            {"worked example, parts", kWorked, kWorkedParts, 15, {}, settled, ccm},
            {"Type II, ESR 300 mohm", wet, electrolytic, 15, 2, settled, ccm},
            {"Type II, tenth load", tenth, electrolytic, 15, 2, settled,
             ConductionMode::Discontinuous},
            {"soft-start, load 10 -> 5 ohm", kWorked, kWorkedParts, 15, {}, loadStep, ccm},
            {"12 V to 3.3 V, line 12 -> 9 V", low, lowParts, 3.3, 3, lineStep, ccm},
        };
    for (const auto& [name, circuit, rowParts, Vo, type, request, mode] : rows) {
        LoopCircuit loop{circuit, rowParts, {}, {}};
        loop.compensator.R1 = 10e3, loop.compensator.Rb = 10e3 * 2.5 / (Vo - 2.5);
        loop.compensator = DesignCompensator(loop, {circuit.f / 10, 60, type}).compensator.value();
        ExpectNgspiceAgrees(name, loop, request, mode);
    }
    // Past its reach the loop holds D at Dmax, in ngspice as in the program.
    LoopCircuit clamped{kWorked, kWorkedParts, {2.5, 1, 1.2, 0.7}, {}};
    clamped.compensator = {2, 10e3, 2e3, 0, 0, 0, 0, 0};
    clamped.compensator = DesignCompensator(clamped, {8e3, 60, {}}).compensator.value();
    ExpectNgspiceAgrees("Dmax 70 %, line 25 -> 17 V", clamped, {0, {}, {}, 17, 0.3e-3, 0.6e-3},
                        ccm);
}

// A peak-current loop whose comparator, in the first period after a load
// step, trips for a nanosecond while vc slews: the latch must still end reset
// and the low side be driven, so ngspice's undershoot is the program's.
TEST(ClosedLoopNetlist, NgspiceLatchEndsAShortTripAtARail) {
    if (!NgspiceRuns()) GTEST_SKIP() << kNoNgspice;
    std::istringstream words(
        "netlist --loop --vi 7.172988774 --vo 1.950079142 --f 139.0885116 --l 69.78094116 --c "
        "21.96187783 --rl 4.218754919 --esr 21.45422024 --dcr 57.85279223 --rds 36.80669733 --vf "
        "0.5008132872 --rd 2.973572411 --vref 1.25 --fc 15.33256448 --pm 62.03714158 --control "
        "peak --rl2 1.702361178 --t1 0.7692943059 --tend 2.883056231 --rectifier sync --lsmode "
        "ccm --rds-lo 31.33366649 --td1 211.9617855 --td2 84.67586987 --ri 2.579512388");
    const cli::Result r = cli::Cli({std::istream_iterator<std::string>(words), {}});
    ASSERT_EQ(r.status, 0) << r.err;
    auto m = NgspiceWatchingTheLatch(r.out, 139.0885116e3, 2.883056231e-3);
    const std::size_t at = r.out.find("\n*   load_undershoot = ");
    ASSERT_NE(at, std::string::npos);
    const double program = std::stod(r.out.substr(r.out.find("= ", at) + 2));
    EXPECT_NEAR(m["load_undershoot"], program, 0.03 * program);
}

// The `which`-th random accepted loop, soft-started and stepped (the first on a
// period's start, where the clock's edges are).
void RandomLoopAgainstNgspice(int which, ControlMethod control = ControlMethod::Voltage,
                              std::optional<LowSideMode> synchronous = std::nullopt) {
    std::mt19937_64 random(2);
    const auto uniform = [&](double low, double high) {
        return low + (high - low) * static_cast<double>(random() >> 11) * 0x1p-53;
    };
    const auto logUniform = [&](double low, double high) {
        return std::exp(uniform(std::log(low), std::log(high)));
    };
    for (int accepted = 0; accepted < 2;) {
        const double f = logUniform(5e4, 1.1e6), D = uniform(0.04, 0.85), Vi = logUniform(5, 100);
        const double Vo = D * Vi, Io = logUniform(0.1, 10), ripple = logUniform(0.1, 1);
        if (Vo < 1) continue;
        const double L = (Vi - Vo) * D / (f * ripple * Io);
        LoopCircuit loop;
        loop.circuit = {Vi, D, f, L, ripple * Io / (8 * f * logUniform(0.002, 0.02) * Vo), Vo / Io};
        loop.parts = {logUniform(1e-3, 0.1), logUniform(1e-3, 0.2), logUniform(1e-3, 0.1),
                      uniform(0.2, 0.8)};
        if (synchronous) {
            // Its body diodes, the low side and dead times of 5 to 200 ns.
            PartValues& p = loop.parts;
            p.rectifier = Rectifier::Synchronous, p.lowSideMode = *synchronous;
            p.Rd = logUniform(1e-3, 0.1), p.RdsLo = logUniform(1e-3, 0.1);
            p.td1 = logUniform(5e-9, 200e-9), p.td2 = logUniform(5e-9, 200e-9);
        }
        loop.modulator.Vref = std::min(2.5, Vo / 1.5), loop.compensator.R1 = 10e3;
        loop.compensator.Rb = 10e3 * loop.modulator.Vref / (Vo - loop.modulator.Vref);
        const double fc = f / logUniform(6, 20), T = 1 / f, periods = std::round(f / fc);
        if (control == ControlMethod::PeakCurrent) {
            // A sense of 0.1 to 2 V at the load, a ramp of mc 1 to 3, now
            // and then a blanking time.
            Modulator& m = loop.modulator;
            m.control = control, m.Ri = logUniform(0.1, 2) / Io;
            m.Se = uniform(0, 2) * m.Ri * (Vi - Vo) / L;
            m.tblank = random() % 2 ? uniform(0, 0.3) * D * T : 0;
            m.Ilim = 4 * Io, m.Vcmax = m.Ri * m.Ilim;
        }
        const CompensatorDesign design =
            DesignCompensator(loop, {fc, uniform(45, 70), 2 + static_cast<int>(random() % 2)});
        if (!design.compensator) continue;
        loop.compensator = *design.compensator;
        const double tss = 10 * periods * T,
                     t1 = tss + 12 * periods * T + (accepted == 0 ? 0 : uniform(0, T));
        const TransientRequest request{tss, Vo / Io * logUniform(0.4, 2.5), t1, {},
                                       {},  t1 + 12 * periods * T};
        const TransientResult program = SimulateClosedLoop(loop, request);
        if (!program.refusal.empty() || program.steadyMode != ConductionMode::Continuous) continue;
        // An orbit the program finds unstable, before or after the step,
        // has no figures two simulators can share.
        if (control == ControlMethod::PeakCurrent &&
            (MultiplierWarning(ClosedLoopMultipliers(loop)) ||
             !StepMultiplierWarnings(loop, request).empty()))
            continue;
        if (accepted++ == which)
            return ExpectNgspiceAgrees("random " + std::to_string(which), loop, request,
                                       ConductionMode::Continuous);
    }
}

// Voltage mode twice; peak-current mode (the sensed current, the compensation
// ramp, the latch armed once a period, the blanking) twice; a synchronous
// stage under either control, its low side's drive with its dead times from
// the latch, in forced conduction and in diode emulation. One a test, for the time.
class RandomClosedLoop
    : public ::testing::TestWithParam<std::tuple<int, ControlMethod, std::optional<LowSideMode>>> {
};

TEST_P(RandomClosedLoop, NgspiceFinishesAndAgrees) {
    if (!NgspiceRuns()) GTEST_SKIP() << kNoNgspice;
    std::apply(RandomLoopAgainstNgspice, GetParam());
}

const ControlMethod kVoltage = ControlMethod::Voltage, kPeak = ControlMethod::PeakCurrent;
const std::optional<LowSideMode> kDiode{}, kForced{LowSideMode::ForcedContinuous},
    kEmulated{LowSideMode::DiodeEmulation};
INSTANTIATE_TEST_SUITE_P(
    ClosedLoopNetlist, RandomClosedLoop,
    ::testing::Values(std::tuple{0, kVoltage, kDiode}, std::tuple{1, kVoltage, kDiode},
                      std::tuple{0, kPeak, kDiode}, std::tuple{1, kPeak, kDiode},
                      std::tuple{0, kVoltage, kForced}, std::tuple{1, kPeak, kEmulated}));

}  // namespace
}  // namespace stepdown

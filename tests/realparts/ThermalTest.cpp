#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>

#include "realparts/PartTexts.h"
#include "realparts/RealPartsReport.h"
#include "realparts/RealPartsStudy.h"
#include "realparts/Thermal.h"

namespace stepdown {
namespace {

// The synchronous worked example, its three parts with thermal resistances.
const PartValues kWarm = [] {
    PartValues p{0.05, 0.1, 0.05, 0.8, 0.01, 20e-9, 20e-9};  // ESR, DCR, Rds, Vf, Rd, tr, tf
    p.rectifier = Rectifier::Synchronous, p.RdsLo = 0.02, p.td1 = p.td2 = 50e-9, p.Qrr = 30e-9;
    p.CossHi = 300e-12, p.CossLo = 500e-12, p.RthHigh = 60, p.RthLow = 90, p.RthInductor = 40;
    return p;
}();

const CircuitValues kCircuit{25, 0.6, 80e3, 125e-6, 15.625e-6, 10};

// Each temperature is Ta plus its heat through its resistance, the heat that
// of the parts at their resistances at that temperature, and the target met.
TEST(Thermal, TheFixedPointHoldsEachPartsBalanceAtItsOwnResistances) {
    const PartValues p = kWarm;
    for (const std::optional<double> target : {std::optional<double>{}, std::optional(14.5)}) {
        const ThermalResult r = ThermalFixedPoint(kCircuit, p, target, {});
        ASSERT_EQ(r.status, ThermalStatus::Converged);
        // Each part's temperature, Rth, resistance hot and cold, temperature coefficient.
        const std::tuple<const PartTemperature&, double, double, double, double> parts[] = {
            {r.highSide, p.RthHigh, r.hotParts.Rds, p.Rds, p.tcRds},
            {r.lowSide, p.RthLow, r.hotParts.RdsLo, p.RdsLo, p.tcRds},
            {r.inductor, p.RthInductor, r.hotParts.DCR, p.DCR, p.tcDcr}};
        for (const auto& [part, rth, hot, cold, coefficient] : parts) {
            EXPECT_NEAR(part.tj, p.Ta + rth * part.power, 1e-5);
            EXPECT_NEAR(hot, cold * (1 + coefficient * (part.tj - 25)), 1e-9 * cold);
            EXPECT_DOUBLE_EQ(part.margin, p.TjMax - part.tj);
            EXPECT_GT(part.tj, p.Ta + 1);
        }
        CircuitValues at = kCircuit;
        if (target) at.D = r.duty.D;
        const RealPartsAnalysis again = Analyze(at, r.hotParts);
        EXPECT_DOUBLE_EQ(again.heat.inductor, r.inductor.power);
        if (target) {
            EXPECT_NEAR(again.VoMean, *target, 1e-8);
        }
        // What the front ends show is the converter at its temperatures.
        const RealPartsStudy study = StudyCircuit(kCircuit, p, target);
        EXPECT_EQ(study.analysis.losses.inductor, r.analysis.losses.inductor);
    }
    // A target beyond Vi, out of reach even cold, is the search's to tell, not the heating's.
    const RealPartsStudy beyond = StudyCircuit(kCircuit, p, 30.0);
    EXPECT_TRUE(beyond.duty.outcome == RealPartsOutcome::Unreachable && beyond.thermal &&
                beyond.thermal->status == ThermalStatus::Converged);
}

// A fixed-duty stage once told a runaway at currents held: 12 V, 30 %, 500 kHz.
const CircuitValues kHot{12, 0.3, 500e3, 2.2e-6, 100e-6, 0.33};

// The heat of the high side (else the inductor) through its Rth, less t, the
// circuit solved at its resistance at t (D' again for a target); -inf where
// the converter has no answer.
double Rise(const CircuitValues& c, PartValues p, bool high, std::optional<double> target,
            double t) {
    (high ? p.Rds : p.DCR) *= 1 + (high ? p.tcRds : p.tcDcr) * (t - 25);
    const DutySynthesis d =
        target ? DutyForTarget(c, p, *target) : DutySynthesis{RealPartsOutcome::Found, c.D};
    const RealPartsAnalysis s = Analyze({c.Vi, d.D, c.f, c.L, c.C, c.RL}, p);
    if (d.outcome != RealPartsOutcome::Found || s.outcome != RealPartsOutcome::Found)
        return -INFINITY;
    return p.Ta + (high ? p.RthHigh * s.heat.highSide : p.RthInductor * s.heat.inductor) - t;
}

// One part given an Rth: the whole map's fixed point is the first t on a scan
// from Ta to 10^4 °C that the heat no longer lifts, bisected; a scan lifted to
// its end is a runaway, one that meets no answer first has lost the target.
TEST(Thermal, RunawayOnlyWhereTheWholeMapHasNoFixedPoint) {
    // kHot's high side, else the worked example's inductor; its Rth, coefficient and target.
    std::vector<std::tuple<bool, double, double, std::optional<double>>> cases = {
        {true, 14, 0.05, {}},      // once told a runaway
        {true, 12.2, 0.05, {}},    // once told not converged
        {true, 98.3, 0.004, 3.3},  // near 1210 °C
        {true, 50, 0.01, 3.3},     // the target lost
        {false, 1200, 0.00393, {}}, {false, 1300, 0.00393, 14.5}, {false, 1100, 0.00393, 14.5}};
    // Around the edge of the held target's inductor, 1 / (a DCR I^2) = 1210 K/W.
    std::mt19937 random(47);
    for (int k = 0; k < 6; ++k)
        cases.push_back({false, std::uniform_real_distribution(300.0, 2400.0)(random),
                         std::uniform_real_distribution(0.001, 0.006)(random), 14.5});
    for (const auto& [hot, rth, coefficient, target] : cases) {
        SCOPED_TRACE(testing::Message() << rth << " K/W, " << coefficient << " /K");
        const CircuitValues& circuit = hot ? kHot : kCircuit;
        PartValues p = kWarm;
        if (hot) p.ESR = p.DCR = p.RdsLo = 0.003, p.td1 = p.td2 = 20e-9, p.Qg = 10e-9;
        if (hot) p.QgLo = 15e-9, p.Vdrv = 5;
        p.RthLow = 0, p.RthHigh = hot ? rth : 0, p.RthInductor = hot ? 0 : rth;
        (hot ? p.tcRds : p.tcDcr) = coefficient;
        const auto f = [&](double t) { return Rise(circuit, p, hot, target, t); };
        double lo = p.Ta, hi = p.Ta;
        while (hi < 1e4 && f(hi) > 0) lo = hi, hi += (1e4 - p.Ta) / 400;
        const double end = f(hi);
        const ThermalResult r = ThermalFixedPoint(circuit, p, target, {});
        ASSERT_EQ(r.status, std::isinf(end) ? ThermalStatus::NotConverged
                            : end > 0       ? ThermalStatus::Runaway
                                            : ThermalStatus::Converged);
        EXPECT_EQ(r.stall, std::isinf(end) ? ThermalStall::TargetLost : ThermalStall::None);
        EXPECT_EQ(r.runaway, end > 0 && !hot ? HeatedPart::Inductor : HeatedPart::HighSide);
        if (std::isinf(end) || end > 0) continue;
        for (int k = 0; k < 60; ++k) (f((lo + hi) / 2) > 0 ? lo : hi) = (lo + hi) / 2;
        EXPECT_NEAR((hot ? r.highSide : r.inductor).tj, lo, 1e-4);
    }
}

// R(Ta) = R25 (1 + a (Ta - 25)) must stay above zero: a = 5 %/K reaches zero
// at 5 °C, 0.8 %/K at -100 °C; without a thermal resistance nothing is heated.
TEST(Thermal, ACoefficientThatTakesAResistanceToZeroAtTaIsRefused) {
    // Rds, DCR, Rds of the low side, Rθ of the inductor, Ta, the two coefficients, the key refused.
    const std::string cases[][8] = {{"100", "0", "0", "0.001", "5", "5", "0", "tc-rds"},
                                    {"100", "0", "0", "0.001", "5.1", "5", "0", ""},
                                    {"100", "0", "0", "", "5", "5", "0", ""},
                                    {"0", "0", "30", "1", "-100", "0.8", "0", "tc-rds"},
                                    {"0", "100", "0", "1", "-100", "0", "0.8", "tc-dcr"}};
    for (const auto& c : cases) {
        PartTexts t;
        t.rectifier = "sync", t.rds = c[0], t.dcr = c[1], t.rdsLo = c[2];
        t.rthL = c[3], t.ta = c[4], t.tcRds = c[5], t.tcDcr = c[6];
        const PartsReading read = ReadPartTexts(t);
        EXPECT_EQ(read.refused ? read.refused->row->key : "", c[7]) << c[4] << " " << c[5];
        EXPECT_EQ(read.message, c[7].empty() ? "" : c[7] == "tc-rds" ? kRdsToZero : kDcrToZero);
    }
}

TEST(Thermal, VerdictNamesEachPartOverTheLimitAndByHowMuch) {
    ThermalResult r;
    r.status = ThermalStatus::Converged, r.highSide = {true, 172.25, -22.25, 2};
    r.lowSide = {true, 80, 70, 1}, r.inductor = {false, 25, 125, 0.5};
    const PartValues p{.rectifier = Rectifier::Synchronous};
    EXPECT_EQ(ThermalVerdict(r, p, ","),
              "troppo caldo: interruttore alto a 172,25 °C, 22,25 °C oltre Tj,max = 150,00 °C.");
    r.highSide.margin = 1.5;
    EXPECT_FALSE(ThermalOverLimit(r));
    EXPECT_EQ(ThermalVerdict(r, p, "."),
              "entro Tj,max = 150.00 °C, margine minimo 1.50 °C (interruttore alto).");
    EXPECT_EQ(ThermalLines(r, p, ".").size(), 3U);  // the two parts given an Rθ, the verdict
    r.status = ThermalStatus::Runaway;
    EXPECT_EQ(ThermalLines(r, p, ".").size(), 1U);  // no fixed point: the verdict alone
}

// The inductor's current flows in one device or the other, or stops; the high
// side blocks the most right after it turns off, with the low-side body diode
// carrying the peak current: Vi + Vf + Rd iL,peak.
TEST(SynchronousStage, DevicesShareTheInductorCurrentAndBlockWhatTheNodeSays) {
    PartValues p = kWarm;
    for (const auto& [RL, mode] : {std::pair{10.0, LowSideMode::ForcedContinuous},
                                   {500.0, LowSideMode::ForcedContinuous},
                                   {500.0, LowSideMode::DiodeEmulation}}) {
        p.lowSideMode = mode;
        CircuitValues c = kCircuit;
        c.RL = RL;
        const RealPartsAnalysis a = Analyze(c, p);
        ASSERT_EQ(a.outcome, RealPartsOutcome::Found);
        const Stresses& s = a.stresses;
        EXPECT_NEAR(s.transistor.mean + s.diode.mean, s.inductor.mean, 1e-12);
        EXPECT_NEAR(s.transistor.voltage, c.Vi + p.Vf + p.Rd * s.inductor.peak, 1e-9);
    }
}

TEST(SynchronousTexts, WordsAndDeadTimesAreReadOrRefusedInTheirOwnWords) {
    PartTexts texts;
    texts.rectifier = "sincrono";  // the window's word, not the file's
    EXPECT_EQ(ReadPartTexts(texts).message,
              "Il raddrizzatore può essere diode (diodo) o sync (sincrono)!");
    texts.rectifier = "sync", texts.lsmode = "de", texts.rthHs = "", texts.td1 = "6000";
    const PartsReading read = ReadPartTexts(texts);
    ASSERT_TRUE(read.values);
    EXPECT_EQ(read.values->lowSideMode, LowSideMode::DiodeEmulation);
    EXPECT_EQ(read.values->RthHigh, 0);  // not given
    // 0.6 + 6 us x 80 kHz = 1.08: no room for the low side.
    EXPECT_EQ(Analyze(kCircuit, *read.values).outcome, RealPartsOutcome::InvalidValues);
}

}  // namespace
}  // namespace stepdown

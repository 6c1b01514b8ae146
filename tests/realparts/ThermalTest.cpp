#include <gtest/gtest.h>

#include "realparts/PartTexts.h"
#include "realparts/RealPartsReport.h"
#include "realparts/RealPartsStudy.h"
#include "realparts/Thermal.h"

namespace stepdown {
namespace {

// The synchronous worked example, its three parts with thermal resistances.
PartValues WarmParts() {
    PartValues p;
    p.rectifier = Rectifier::Synchronous;
    p.ESR = 0.05, p.DCR = 0.1, p.Rds = 0.05, p.RdsLo = 0.02, p.Vf = 0.8, p.Rd = 0.01;
    p.td1 = p.td2 = 50e-9, p.tr = p.tf = 20e-9, p.CossHi = 300e-12, p.CossLo = 500e-12;
    p.Qrr = 30e-9, p.RthHigh = 60, p.RthLow = 90, p.RthInductor = 40;
    return p;
}

const CircuitValues kCircuit{25, 0.6, 80e3, 125e-6, 15.625e-6, 10};

// Each temperature is Ta plus its heat through its resistance, the heat that
// of the parts at their resistances at that temperature, and the target met.
TEST(Thermal, TheFixedPointHoldsEachPartsBalanceAtItsOwnResistances) {
    const PartValues p = WarmParts();
    for (const std::optional<double> target : {std::optional<double>{}, std::optional(14.5)}) {
        const ThermalResult r = ThermalFixedPoint(kCircuit, p, target, {});
        ASSERT_EQ(r.status, ThermalStatus::Converged);
        const struct {
            const PartTemperature& part;
            double rth, hot, cold, coefficient;
        } parts[] = {{r.highSide, p.RthHigh, r.hotParts.Rds, p.Rds, p.tcRds},
                     {r.lowSide, p.RthLow, r.hotParts.RdsLo, p.RdsLo, p.tcRds},
                     {r.inductor, p.RthInductor, r.hotParts.DCR, p.DCR, p.tcDcr}};
        for (const auto& h : parts) {
            EXPECT_NEAR(h.part.tj, p.Ta + h.rth * h.part.power, 1e-5);
            EXPECT_NEAR(h.hot, h.cold * (1 + h.coefficient * (h.part.tj - 25)), 1e-9 * h.cold);
            EXPECT_DOUBLE_EQ(h.part.margin, p.TjMax - h.part.tj);
            EXPECT_GT(h.part.tj, p.Ta + 1);
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

// Rth a R25 I^2 >= 1 has no fixed point: the DCR's heat at 0.22 W and
// 0.393 %/K outgrows 1200 K/W (gain 1.04) but not 1100 K/W (0.96).
TEST(Thermal, RunawayNamesThePartWhoseHeatOutgrowsItsResistance) {
    PartValues p = WarmParts();
    p.RthHigh = p.RthLow = 0;
    p.RthInductor = 1200;
    ThermalResult r = ThermalFixedPoint(kCircuit, p, std::nullopt, {});
    EXPECT_EQ(r.status, ThermalStatus::Runaway);
    EXPECT_EQ(r.runaway, HeatedPart::Inductor);
    EXPECT_EQ(ThermalVerdict(r, p, ","),
              "fuga termica: induttore non trova una temperatura di "
              "equilibrio, il suo calore cresce con la temperatura più "
              "in fretta di quanto la resistenza termica lo smaltisca.");
    p.RthInductor = 1100;
    r = ThermalFixedPoint(kCircuit, p, std::nullopt, {});
    EXPECT_EQ(r.status, ThermalStatus::Converged);
    EXPECT_TRUE(ThermalOverLimit(r));  // far above 150 °C
    EXPECT_EQ(ThermalVerdict(r, p, ",").rfind("troppo caldo: induttore a ", 0), 0U);
}

TEST(Thermal, VerdictNamesEachPartOverTheLimitAndByHowMuch) {
    ThermalResult r;
    r.status = ThermalStatus::Converged;
    r.highSide = {true, 172.25, -22.25, 2};
    r.lowSide = {true, 80, 70, 1};
    r.inductor = {false, 25, 125, 0.5};
    PartValues p;
    p.rectifier = Rectifier::Synchronous;
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
    PartValues p = WarmParts();
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
    const CircuitValues c = kCircuit;
    EXPECT_EQ(Analyze(c, *read.values).outcome, RealPartsOutcome::InvalidValues);
    EXPECT_NE(SwitchingTimeRefusal(c, *read.values).find("D + (td1 + td2)·f"), std::string::npos);
}

}  // namespace
}  // namespace stepdown

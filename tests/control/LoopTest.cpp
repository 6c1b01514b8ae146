// The averaged loop against the circuit's own complex impedances, the
// K-factor design against the loop it must give, the E96 series against its
// defining formula, and the controller's quantities read from their texts.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <tuple>

#include "control/CompensatorDesign.h"
#include "control/ControlQuantities.h"
#include "control/ImpedanceLoop.h"
#include "control/LoopAnalysis.h"
#include "control/LoopAssembly.h"
#include "control/LoopStudy.h"
#include "model/Module1.h"
#include "support/RecordingWindow.h"

namespace stepdown {
namespace {

using test::Complex;
using test::LoopFromImpedances;
constexpr long double kPi = std::numbers::pi_v<long double>;

LoopCircuit WorkedExample() { return test::WorkedExampleLoop(); }

double Db(Complex x) { return static_cast<double>(20 * std::log10(std::abs(x))); }
double Deg(Complex x) { return static_cast<double>(std::arg(x) * 180 / kPi); }
// The difference of two angles, brought into (-180, 180].
double AngleGap(double a, double b) { return std::remainder(a - b, 360.0); }

double LogUniform(std::mt19937_64& rng, double low, double high) {
    return low * std::exp(std::uniform_real_distribution<double>(0, std::log(high / low))(rng));
}

// A random circuit in continuous conduction with its designed compensator.
struct RandomLoop {
    LoopCircuit loop;
    CompensatorTargets targets;
};

RandomLoop RandomDesigned(std::mt19937_64& rng) {
    for (;;) {
        LoopCircuit loop;
        const double f = LogUniform(rng, 20e3, 1e6);
        const auto draw = [&](double low, double high) { return LogUniform(rng, low, high); };
        loop.circuit = {draw(5, 100), 0, f, draw(1e-6, 1e-2), draw(1e-6, 1e-3), draw(0.5, 100)};
        loop.parts.ESR = draw(1e-3, 0.2), loop.parts.DCR = draw(1e-3, 0.2);
        loop.parts.Rds = draw(1e-3, 0.2), loop.parts.Rd = draw(1e-3, 0.1);
        const double Vo = loop.circuit.Vi * std::uniform_real_distribution<double>(0.15, 0.8)(rng);
        if (Vo <= 3) continue;
        loop.compensator.R1 = 10e3, loop.compensator.Rb = 10e3 * 2.5 / (Vo - 2.5);
        loop.compensator.R3 = 1e3, loop.compensator.C3 = 1e-9;  // left from an earlier type III
        loop.modulator.Vramp = LogUniform(rng, 0.5, 3);
        loop.modulator.Vcmax = 1.2 * loop.modulator.Vramp;
        const CompensatorTargets targets{
            f * std::uniform_real_distribution<double>(0.03, 0.15)(rng),
            std::uniform_real_distribution<double>(35, 75)(rng),
            {}};
        const CompensatorDesign design = DesignCompensator(loop, targets);
        if (!design.compensator) continue;
        loop.compensator = *design.compensator;
        const LoopAnalysis a = AnalyseLoop(loop);
        if (a.valid && a.mode == ConductionMode::Continuous) return {loop, targets};
    }
}

// The phase is the impedance model's, unwrapped along a fine walk up from
// 1 mHz, where the integrator alone gives -90 degrees.
TEST(LoopAnalysis, BodeMatchesTheCircuitsImpedancesAndStaysContinuous) {
    std::mt19937_64 rng(24);
    for (int trial = 0; trial < 60; ++trial) {
        const RandomLoop r = RandomDesigned(rng);
        const LoopAnalysis a = AnalyseLoop(r.loop);
        ASSERT_EQ(a.f.size(), 200u);
        EXPECT_EQ(std::tie(a.f.front(), a.f.back()), std::tuple(10.0, r.loop.circuit.f / 2));
        double f = 1e-3;
        double phase = -90 + AngleGap(Deg(LoopFromImpedances(r.loop, f)), -90);
        EXPECT_NEAR(phase, -90, 0.1);
        for (std::size_t k = 0; k < a.f.size(); ++k) {
            const int walk = k == 0 ? 2000 : 50;
            for (int i = 1; i <= walk; ++i) {
                const double g = f * std::pow(a.f[k] / f, static_cast<double>(i) / walk);
                phase += AngleGap(Deg(LoopFromImpedances(r.loop, g)), phase);
            }
            f = a.f[k];
            const Complex T = LoopFromImpedances(r.loop, f);
            EXPECT_NEAR(a.T.magDb[k], Db(T), 1e-8) << trial << " f " << f;
            EXPECT_NEAR(a.T.phaseDeg[k], phase, 1e-8) << trial << " f " << f;
            // T = Gc Fm Gvd, Fm = 1 / Vramp.
            EXPECT_NEAR(a.T.magDb[k],
                        a.Gvd.magDb[k] + a.Gc.magDb[k] - 20 * std::log10(r.loop.modulator.Vramp),
                        1e-9);
            EXPECT_NEAR(a.T.phaseDeg[k], a.Gvd.phaseDeg[k] + a.Gc.phaseDeg[k], 1e-9);
        }
    }
}

TEST(LoopAnalysis, DesignMeetsItsCrossoverAndPhaseMarginExactly) {
    std::mt19937_64 rng(7);
    for (int trial = 0; trial < 200; ++trial) {
        const RandomLoop r = RandomDesigned(rng);
        const Complex T = LoopFromImpedances(r.loop, r.targets.fc);
        EXPECT_NEAR(Db(T), 0, 1e-9) << trial;
        EXPECT_NEAR(AngleGap(180 + Deg(T), r.targets.phaseMarginDeg), 0, 1e-8) << trial;
        const LoopAnalysis a = AnalyseLoop(r.loop);
        ASSERT_TRUE(a.fc) << trial;
        // A design whose |T| only touches 1 at fc (a peak) has no crossing to find there.
        const bool falls = Db(LoopFromImpedances(r.loop, r.targets.fc * 0.99)) > 1e-3;
        if (a.warnings.empty() && falls) {
            EXPECT_NEAR(*a.fc / r.targets.fc, 1, 1e-9) << trial;
            EXPECT_NEAR(*a.phaseMargin, r.targets.phaseMarginDeg, 1e-6) << trial;
        }
        EXPECT_EQ(r.loop.compensator.type, a.fESR > r.targets.fc ? 3 : 2) << trial;
        if (r.loop.compensator.type == 2) {  // no R3, C3 network to show
            EXPECT_EQ(r.loop.compensator.R3 + r.loop.compensator.C3, 0) << trial;
        }
    }
}

// The gain margin at the first -180 degree crossing above fc, found here on
// a dense grid of the impedance model and refined by bisection.
TEST(LoopAnalysis, GainMarginAtTheFirstPhaseCrossingAboveCrossover) {
    std::mt19937_64 rng(11);
    int withMargin = 0;
    for (int trial = 0; trial < 60; ++trial) {
        const RandomLoop r = RandomDesigned(rng);
        const LoopAnalysis a = AnalyseLoop(r.loop);
        if (!a.fc) continue;
        // Continuous phase: unwrap from fc, where it is -180 + PM.
        double previous = -180 + *a.phaseMargin, lastF = *a.fc;
        std::optional<double> expected;
        for (int k = 1; k <= 20000 && !expected; ++k) {
            const double f = *a.fc * std::pow(r.loop.circuit.f / 2 / *a.fc, k / 20000.0);
            const double phase = previous + AngleGap(Deg(LoopFromImpedances(r.loop, f)), previous);
            if (phase <= -180) {
                long double lo = lastF, hi = f;
                for (int i = 0; i < 100; ++i) {
                    const long double mid = std::sqrt(lo * hi);
                    const double pm =
                        previous + AngleGap(Deg(LoopFromImpedances(r.loop, mid)), previous);
                    (pm > -180 ? lo : hi) = mid;
                }
                expected = -Db(LoopFromImpedances(r.loop, lo));
            }
            previous = phase;
            lastF = f;
        }
        ASSERT_EQ(a.gainMargin.has_value(), expected.has_value()) << trial;
        if (expected) {
            ++withMargin;
            EXPECT_NEAR(*a.gainMargin, *expected, 1e-6) << trial;
        }
    }
    EXPECT_GT(withMargin, 10);
}

TEST(LoopAnalysis, WorkedExample) {
    LoopCircuit loop = WorkedExample();
    const CompensatorDesign design = DesignCompensator(loop, {8e3, 60, {}});
    ASSERT_TRUE(design.compensator);
    const Compensator& c = *design.compensator;
    loop.compensator = c;
    const LoopAnalysis a = AnalyseLoop(loop);
    // IL = 15/10 + 15/12000 A with the divider's current.
    const double IL = 1.5 + 15.0 / 12e3;
    EXPECT_NEAR(a.op.D, (15 + 0.6 + 0.1 * IL) / (25 + 0.6 - 0.05 * IL), 1e-15);
    // Gvd(0) = Vg RL / (Req + RL), Vg = Vi + Vf - Rds IL, Req = D Rds + DCR.
    const double Vg = 25.6 - 0.05 * IL, Req = a.op.D * 0.05 + 0.1;
    EXPECT_NEAR(a.dcGainDb, 20 * std::log10(Vg * 10 / (Req + 10)), 1e-12);
    loop.modulator.Vramp = 0.5;  // the modulator's gain stays out of Gvd
    EXPECT_NEAR(AnalyseLoop(loop).dcGainDb, a.dcGainDb, 1e-12);
    loop.modulator.Vramp = 1e-3;  // |T| 60 dB higher: above 1 from 10 Hz to f/2
    for (double f = 10; f <= 40e3; f *= 1.01) ASSERT_GT(Db(LoopFromImpedances(loop, f)), 0) << f;
    const std::vector<std::string> high = AnalyseLoop(loop).warnings;
    EXPECT_TRUE(high.size() > 1 && high[0].starts_with("|T| è maggiore di 1 a f/2") &&
                high[1].starts_with("|T| non scende sotto 1 tra 10 Hz e f/2"));
    EXPECT_EQ(c.type, 3);
    // Each figure, its value by hand, how far off it may be.
    const std::tuple<double, double, double> figures[] = {
        {a.fLC, 3615.7, 0.05},    {a.Q, 2.908, 5e-4}, {a.fESR, 203.7e3, 50},
        {design.K, 5.2296, 5e-4}, {*a.fc, 8e3, 1e-6}, {*a.phaseMargin, 60, 1e-7}};
    for (const auto& [got, want, off] : figures) EXPECT_NEAR(got, want, off) << want;
    const std::pair<double, double> values[] = {{c.R2, 312.42},    {c.R3, 379.53},
                                                {c.C1, 333.01e-9}, {c.C2, 12.639e-9},
                                                {c.C3, 10.024e-9}, {c.Rb, 2e3}};
    for (const auto& [got, want] : values) EXPECT_NEAR(got / want, 1, 2e-4) << want;
    for (const std::string& w : a.warnings) EXPECT_EQ(w.find("più volte"), std::string::npos) << w;
}

// A margin not above zero is instability; a phase under -180 degrees below
// fc with a positive margin (the impedance model's) is conditional. Vcmax
// below D Vramp is refused before any margin; just at it, analysed.
TEST(LoopAnalysis, VerdictsOnStabilityAndOnTheAmplifiersReach) {
    const std::tuple<double, Compensator, std::string_view> cases[] = {
        {0.05,
         {2, 10e3, 2e3, 300, 0, 100e-9, 10e-9, 0},
         "non positivo: l'anello chiuso è instabile"},
        {0.3, {2, 10e3, 2e3, 30e3, 0, 1e-9, 1e-12, 0}, "stabile solo condizionatamente"}};
    for (const auto& [esr, network, says] : cases) {
        LoopCircuit loop = WorkedExample();
        loop.parts.ESR = esr;
        loop.compensator = network;
        const LoopAnalysis a = AnalyseLoop(loop);
        ASSERT_TRUE(a.fc) << says;
        const double margin = AngleGap(180 + Deg(LoopFromImpedances(loop, *a.fc)), 0);
        EXPECT_EQ(margin > 0, says.starts_with("stabile")) << margin;
        std::string verdicts;
        for (const std::string& w : a.warnings)
            if (w.find("stabil") != std::string::npos) verdicts += w;
        EXPECT_TRUE(verdicts.find(says) != std::string::npos &&
                    verdicts.find("stabil") == verdicts.rfind("stabil"))
            << verdicts;
    }
    LoopCircuit loop = WorkedExample();
    loop.compensator = *DesignCompensator(loop, {8e3, 60, {}}).compensator;
    loop.modulator.Vcmax = AnalyseLoop(loop).op.D * loop.modulator.Vramp;
    EXPECT_TRUE(AnalyseLoop(loop).valid);
    loop.modulator.Vcmax = std::nextafter(loop.modulator.Vcmax, 0.0);
    const LoopAnalysis a = AnalyseLoop(loop);
    EXPECT_TRUE(!a.valid && !a.fc && a.refusal.starts_with("L'amplificatore d'errore arriva"));
    // Dead times of 0.4 T, the body diodes' 0.6 V in them: D = (15 + 0.6 0.4) / 25, no room.
    loop.parts = {.Vf = 0.6, .rectifier = Rectifier::Synchronous};
    loop.parts.td1 = loop.parts.td2 = 0.2 / 80e3;
    EXPECT_TRUE(AnalyseLoop(loop).refusal.starts_with(
        "Con i tempi morti td1 e td2 il duty cycle di 6.10E+01 % del punto di lavoro"));
}

// The averaged model ends at f/2: a network pole beyond it is told, a Type
// II's unused R3 and C3 are not its poles.
TEST(LoopAnalysis, ANetworkPoleBeyondHalfTheSwitchingFrequencyIsTold) {
    const double R2 = 10e3, C1 = 10e-9, R3 = 100, nyquist = 40e3;
    // The type, the poles of R2 C1 C2 and of R3 C3 over f/2, whether told.
    for (const auto& [type, high, third, told] : {std::tuple{2, 0.9, 9.0, false},
                                                  {2, 1.1, 0.5, true},
                                                  {3, 0.9, 1.1, true},
                                                  {3, 0.9, 0.9, false}}) {
        LoopCircuit loop = WorkedExample();
        // (C1 + C2) / (2 pi R2 C1 C2) = pole
        const double C2 = 1 / (2 * kPi * R2 * high * nyquist - 1 / C1);
        const double C3 = 1 / (2 * kPi * R3 * third * nyquist);
        loop.compensator = {type, 10e3, 2e3, R2, R3, C1, C2, C3};
        bool said = false;
        for (const std::string& w : AnalyseLoop(loop).warnings)
            said = said || w.starts_with("Un polo del compensatore è oltre f/2");
        EXPECT_EQ(said, told) << type << " " << high << " " << third;
    }
}

// Targets met within 1 % and 1 degree say nothing (empty), else both numbers.
TEST(CompensatorDesign, MissedTargetsAreToldWithBothNumbers) {
    const std::tuple<std::optional<double>, double, std::string_view> cases[] = {
        {8.079e3, 60.99, ""},
        {7.921e3, 59.01, ""},
        {8.081e3, 60, "fc = 8.08E+03 Hz e margine di fase 60.00° invece di 8.00E+03 Hz e 60.00°."},
        {7.919e3, 60, "fc = 7.92E+03 Hz"},
        {8e3, 61.01, "margine di fase 61.01° invece"},
        {8e3, 58.99, "margine di fase 58.99° invece"},
        {{}, 0, "obiettivi (8.00E+03 Hz e 60.00°): |T| non attraversa 1 sotto f/2."},
    };
    for (const auto& [fc, pm, says] : cases) {
        LoopAnalysis a;
        a.fc = fc;
        if (fc) a.phaseMargin = pm;
        const std::string told = MissedTargets({8e3, 60, {}}, a).value_or("");
        EXPECT_TRUE(told.empty() == says.empty() && told.find(says) != std::string::npos) << told;
    }
}

TEST(CompensatorDesign, BoostBeyondTheTypeIsRefusedNamingTheOneThatCan) {
    const LoopCircuit loop = WorkedExample();
    // The targets fc and phase margin, the type asked for, what the refusal says.
    const std::tuple<double, double, std::optional<int>, std::string_view> cases[] = {
        {8e3, 60, 2, "usa il tipo III"},               // 137 degrees
        {8e3, 179, 3, "nessun tipo lo dà"},            // beyond 180
        {200, 5, {}, "né il tipo II né il tipo III"},  // the plant leaves margin alone
    };
    for (const auto& [fc, pm, type, says] : cases) {
        const CompensatorDesign d = DesignCompensator(loop, {fc, pm, type});
        EXPECT_TRUE(!d.compensator && d.refusal.find(says) != std::string::npos) << d.refusal;
    }
    LoopCircuit flat = loop;  // Zf = R2: T's phase is the plant's, 180.5 degrees to boost
    flat.compensator = {2, 10e3, 2e3, 10e3, 0, 1, 1e-18, 0};
    const double plantDeg = std::arg(test::LoopFromImpedances(flat, 8e3)) * 180 / std::numbers::pi;
    EXPECT_NE(DesignCompensator(loop, {8e3, 270.5 + plantDeg, 3}).refusal.find("nessun tipo"),
              std::string::npos);
}

// DCM, ideal parts (K = 2L/(R T), M = Vo/Vi): D = M sqrt(K/(1 - M)) (moved 4e-4 by
// the ripple), Gvd(0) = (2 Vo/D)(1 - M)/(2 - M), fp = (2 - M)/(2 pi (1 - M) R C).
TEST(LoopAnalysis, DiscontinuousConductionHasTheReducedOrderModel) {
    LoopCircuit loop = WorkedExample();
    loop.parts = {0, 0, 0, 0};
    loop.circuit.RL = 500;
    loop.compensator = *DesignCompensator(loop, {1e3, 60, {}}).compensator;
    const LoopAnalysis a = AnalyseLoop(loop);
    ASSERT_TRUE(a.valid && a.mode == ConductionMode::Discontinuous) << a.refusal;
    const double R = 500.0 * 12e3 / (500 + 12e3), M = 15.0 / 25, T = 1 / 80e3;
    const double K = 2 * 125e-6 / (R * T), D = M * std::sqrt(K / (1 - M));
    EXPECT_NEAR(a.op.D / D, 1, 1e-3);
    EXPECT_NEAR(a.dcGainDb, 20 * std::log10(2 * 15 / D * (1 - M) / (2 - M)), 0.01);
    const double fp = (2 - M) / (2 * kPi * (1 - M) * R * 15.625e-6);
    EXPECT_NEAR(a.fPole / fp, 1, 1e-3);
    EXPECT_NEAR(a.plant.At(a.fPole).phaseDeg, -45, 1e-9);
    EXPECT_NEAR(*a.fc / 1e3, 1, 1e-6);  // designed on it

    // With the diode's drop, the DC gain against dVo/dD of the averaged
    // period: iL rises for D T, falls to zero for D2 T, its mean feeds R.
    loop.parts.Vf = 0.6;
    const LoopAnalysis drop = AnalyseLoop(loop);
    ASSERT_TRUE(drop.valid && drop.mode == ConductionMode::Discontinuous) << drop.refusal;
    const auto averagedVo = [&](double d) {
        double low = 0, high = 25;
        for (int k = 0; k < 200; ++k) {
            const double vo = (low + high) / 2, peak = (25 - vo) * d * T / 125e-6;
            const double d2 = peak * 125e-6 / ((vo + 0.6) * T);
            (peak * (d + d2) / 2 > vo / R ? low : high) = vo;
        }
        return low;
    };
    const double h = 1e-6 * drop.op.D;
    const double slope = (averagedVo(drop.op.D + h) - averagedVo(drop.op.D - h)) / (2 * h);
    EXPECT_NEAR(drop.dcGainDb, 20 * std::log10(slope), 0.05);
}

TEST(StandardSeries, E96IsTheRoundedGeometricSeriesAndRoundsToTheNearest) {
    std::vector<double> decade;
    for (int k = 0; k < 96; ++k) decade.push_back(std::round(100 * std::pow(10.0, k / 96.0)));
    // IEC 60063 keeps 919 out of E192 only; E96 is the plain rounding.
    for (int k = 0; k < 96; ++k) EXPECT_EQ(*RoundToE96(decade[k] * 10), decade[k] * 10);
    std::mt19937_64 rng(3);
    for (int trial = 0; trial < 2000; ++trial) {
        const double x = LogUniform(rng, 1e-3, 1e9);
        const double scale = std::pow(10.0, std::floor(std::log10(x)) - 2);
        double best = 0;
        for (int d = 0; d <= 1; ++d)
            for (const double m : decade) {
                const double candidate = m * scale * std::pow(10.0, d);
                if (best == 0 || std::abs(std::log(candidate / x)) < std::abs(std::log(best / x)))
                    best = candidate;
            }
        EXPECT_NEAR(*RoundToE96(x) / best, 1, 1e-12) << x;
    }
    EXPECT_FALSE(RoundToE96(0) || RoundToE96(-1));
}

// tss, tend or a step's text, alone, asks for the step response; a half
// step is refused at the text it lacks, a late one at its time.
TEST(LoopAssembly, EachTextOfTheStepsAsksForTheStepResponse) {
    // The one text written, the text it lacks to pair with.
    const std::pair<std::string ControlTexts::*, std::string_view> cases[] = {
        {&ControlTexts::tss, ""},   {&ControlTexts::tend, ""},  {&ControlTexts::rl2, "t1"},
        {&ControlTexts::t1, "rl2"}, {&ControlTexts::vi2, "t2"}, {&ControlTexts::t2, "vi2"}};
    for (const auto& [text, unpaired] : cases) {
        ControlTexts texts;
        texts.*text = "1";
        const StepRequest step = StepRequestOf(*ReadControlTexts(texts).values);
        EXPECT_EQ(std::pair(step.unpaired, step.request.has_value()),
                  std::pair(unpaired, unpaired.empty()));
    }
    EXPECT_FALSE(StepRequestOf(*ReadControlTexts({}).values).request);
    EXPECT_TRUE(StepRequestOf(*ReadControlTexts({}).values, true).request);
    ControlTexts late;  // the line step after tend, the load step before it
    late.rl2 = "5", late.t1 = "2", late.vi2 = "20", late.t2 = "10", late.tend = "10";
    EXPECT_EQ(StepRequestOf(*ReadControlTexts(late).values).late, "t2");
    ControlTexts ramp;
    ramp.vramp = "2";  // and Vcmax left empty: 1.2 Vramp
    EXPECT_EQ(ModulatorOf(*ReadControlTexts(ramp).values).Vcmax, 2.4);
}

// Without Rb the divider is asked for vo as typed, D Vi only when no vo is given.
TEST(LoopAssembly, AsksTheDividerForVoOrElseDVi) {
    EXPECT_EQ(AskedOutput("", 12, 0.3063).vo, 0.3063 * 12);
    EXPECT_EQ(AskedOutput("3.3", 12, 0.3063).vo, 3.3);
    EXPECT_EQ(AskedOutput("", 12, std::nullopt).vo, 0);
}

// Each text lands in its own row's value, in SI (the ranges: QuantityReaderTest).
TEST(ControlQuantities, EachTextReadIntoItsOwnValue) {
    const ControlReading start = ReadControlTexts({});
    ASSERT_TRUE(start.values);
    EXPECT_EQ(*start.values->vref, 2.5);
    EXPECT_DOUBLE_EQ(*start.values->dmax, 0.95);
    const std::tuple<std::string_view, std::string, std::optional<double>> cases[] = {
        {"dmax", "100", 1.0},  {"type", "3", 3.0}, {"pm", "179.9", 179.9}, {"tss", "0", 0.0},
        {"c1", "330", 330e-9}, {"fc", "8", 8e3},   {"t1", "5", 5e-3},      {"rb", "", {}}};
    for (const auto& [key, text, value] : cases) {
        const ControlField* row = ControlFieldNamed(key);
        ASSERT_NE(row, nullptr) << key;
        ControlTexts texts;
        texts.*row->text = text;
        const std::optional<double> got = ReadControlTexts(texts).values.value().*row->value;
        ASSERT_EQ(got.has_value(), value.has_value()) << key;
        EXPECT_DOUBLE_EQ(got.value_or(0), value.value_or(0)) << key << " " << text;
    }
}

}  // namespace
}  // namespace stepdown

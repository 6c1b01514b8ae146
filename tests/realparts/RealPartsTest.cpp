// The converter as built, against a model of its own (tests/support/RealPartsReference.h: RK4
// in long double on the circuit's equations, Newton shooting). Then the averaged DCM formula,
// the idealised loop's steady state, the energy balance and the duty-cycle search.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <tuple>

#include "model/Module1.h"
#include "realparts/LinearInterval.h"
#include "realparts/PartTexts.h"
#include "realparts/PeriodFigures.h"
#include "realparts/RealParts.h"
#include "steadystate/SteadyState.h"
#include "support/RealPartsReference.h"

namespace stepdown::testing {
namespace {

const CircuitValues kWorkedExample{25, 0.6, 80000, 125e-6, 15.625e-6, 10};
// ESR, DCR, Rds, Vf, Rd, tr, tf, Qg, Vdrv, Iq.
const PartValues kWorkedParts{0.05, 0.1, 0.05, 0.6, 0, 50e-9, 50e-9};
const PartValues kHeavyParts{0.3, 0.5, 0.2, 0.9, 0.15, 80e-9, 40e-9, 30e-9, 10, 5e-3};
const PartValues kIdealDiode{0, 0, 0, 0};
const PartValues kIdealised{};  // Vf 0.6 V
const PartValues kSwitching{0, 0, 0, 0.6, 0, 50e-9, 50e-9};

CircuitValues With(CircuitValues c, double D, double RL) {
    c.D = D, c.RL = RL;
    return c;
}

void ExpectNear(double actual, R expected, double relative, const char* what) {
    EXPECT_NEAR(actual, static_cast<double>(expected),
                relative * std::fabs(static_cast<double>(expected)))
        << what;
}

TEST(RealPartsSteadyState, AgreesWithAnIndependentShootingOfTheCircuit) {
    const double targetD = DutyForTarget(kWorkedExample, kWorkedParts, 15).D;
    // The circuit, its parts, whether the diode blocks.
    const std::tuple<const char*, CircuitValues, PartValues, bool> cases[] = {
        {"worked example, D 0.6 (14.57 V)", kWorkedExample, kWorkedParts, true},
        {"worked example at D' (15.00 V)", With(kWorkedExample, targetD, 10), kWorkedParts, true},
        {"light load, ideal diode: DCM", With(kWorkedExample, 0.6, 100), kIdealDiode, true},
        {"heavy parasitics, DCM", With(kWorkedExample, 0.3, 60), kHeavyParts, true},
        {"heavy parasitics, CCM", With(kWorkedExample, 0.7, 4), kHeavyParts, true},
        {"diode conducting backwards", With(kWorkedExample, 0.2, 100), kSwitching, false},
        {"slow filter, short period", {12, 0.45, 5e5, 4.7e-6, 1e-3, 2}, kHeavyParts, true},
        {"filter ringing past iL = 0", {48, 0.1, 20000, 2e-6, 1e-6, 5}, kWorkedParts, true},
        {"beyond Newton's reach", {77, 0.077, 5750, 6e-3, 1.67e-7, 494}, kHeavyParts, true},
        // Newton misses here too, and the bracket's foot is a period iL never ends at zero.
        {"large C at light load", {12, 0.27, 1.1e5, 3e-4, 2.2e-3, 680}, kIdealised, true},
        {"critically damped filter", {10, 0.5, 1, 1, 0.25, 1}, kIdealDiode, false},
    };
    for (const auto& [name, values, parts, blocks] : cases) {
        SCOPED_TRACE(name);
        const ReferencePeriod ref = Reference(values, parts, blocks).SteadyPeriod();
        const RealPartsAnalysis a = Analyze(values, parts, {blocks, 1000});
        ASSERT_EQ(a.outcome, RealPartsOutcome::Found);
        const bool discontinuous = blocks && ref.start.i < 1e-12L;
        EXPECT_EQ(a.mode == ConductionMode::Discontinuous, discontinuous);
        EXPECT_TRUE(!blocks || (a.VoMean / values.RL < a.criticalLoad) == discontinuous);
        EXPECT_NEAR(a.startIL, static_cast<double>(ref.start.i), 1e-8) << "start iL";
        const R peak = ref.turnOff.i;  // the diode's current falls from turn-off on
        const Stresses& s = a.stresses;
        const std::tuple<double, R, double> near[] = {
            {a.startVC, ref.start.v, 1e-8},
            {a.VoMean, ref.mean[kVo], 1e-8},
            {a.VoRipple, ref.maxVo - ref.minVo, 1e-4},
            {s.inductor.rms, std::sqrt(ref.mean[kIL2]), 1e-8},
            {s.transistor.mean, ref.mean[kIsw], 1e-8},
            {s.inputCapacitorRms, std::sqrt(ref.mean[kIsw2] - ref.mean[kIsw] * ref.mean[kIsw]),
             1e-7},
            {s.outputCapacitorRms, std::sqrt(ref.mean[kIC2]), 1e-7},
            {s.inductor.peak, ref.maxIL, 1e-6},
            {s.transistor.peak, ref.maxIL, 1e-6},
            {s.diode.peak, peak, 1e-8},
            {s.transistor.voltage, values.Vi + parts.Vf + parts.Rd * peak, 1e-9},
            {s.diode.voltage, ref.maxReverse, 1e-6}};
        for (const auto& [got, want, relative] : near) ExpectNear(got, want, relative, "figure");
        const R switching =
            values.Vi * values.f / 2 * (std::max(R{0}, ref.start.i) * parts.tr + peak * parts.tf);
        const R input = values.Vi * ref.mean[kIsw] + switching + parts.Qg * parts.Vdrv * values.f +
                        parts.Iq * values.Vi;
        ExpectNear(a.powers.input, input, 1e-8, "input power");
    }
}

TEST(RealPartsSteadyState, DiscontinuousAsTheAveragedFormulaWithAnIdealDiode) {
    for (double D : {0.6, 0.3}) {
        const CircuitValues values = With(kWorkedExample, D, 100);
        const double K = 2 * values.L * values.f / values.RL;
        const double M = 2 / (1 + std::sqrt(1 + 4 * K / (D * D)));
        const RealPartsAnalysis a = Analyze(values, kIdealDiode);
        EXPECT_EQ(a.mode, ConductionMode::Discontinuous);
        const int newton =
            ConverterModel(values, kIdealDiode).SteadyState(D, true).newtonIterations;
        EXPECT_TRUE(newton >= 1 && newton <= 8) << "the bracketed search is ten times slower";
        EXPECT_NEAR(a.VoMean, M * values.Vi, 1e-3 * M * values.Vi) << D;
    }
}

// Picosecond pulses: the load takes a triangle of charge, peak (ton + tcross) / 2.
TEST(RealPartsSteadyState, DiscontinuousAtATinyDutyAsItsTriangleOfCharge) {
    for (double D : {1e-8, 1e-6}) {
        const CircuitValues c = With(kWorkedExample, D, 10);
        const double on = D / c.f, peak = c.Vi * on / c.L;
        const double load = peak * (on + peak * c.L / kIdealised.Vf) / 2 * c.f;  // A
        const RealPartsAnalysis a = Analyze(c, kIdealised);
        EXPECT_NEAR(a.stresses.inductor.mean, load, 1e-6 * load);  // Vo beside Vf
        EXPECT_NEAR(a.VoMean, load * c.RL, 1e-3 * load * c.RL);
        EXPECT_NEAR(a.powers.input, c.Vi * D * peak / 2, 1e-9 * c.Vi * D * peak);
    }
}

// Every parasitic zero, Vf 0.6 V, the diode conducting backwards: the circuit that the
// verification integrates by forward Euler, whose error shrinks with N.
TEST(RealPartsSteadyState, ReducesToTheIdealisedLoopAsItsStepShrinks) {
    const CircuitValues c = kWorkedExample;
    const RealPartsAnalysis a = Analyze(c, kIdealised, {false, 1000});
    const Stresses& x = a.stresses;
    const double exact[] = {a.deltaIL,    a.VoRipple * 1000, x.inductor.peak,
                            x.diode.mean, x.transistor.mean, a.VoMean};
    double previous = std::numeric_limits<double>::infinity();
    for (std::int32_t N : {10000, 100000}) {
        const SteadyState s = FindSteadyState({c.Vi, c.D, 1 / c.f / N, c.L, c.C, c.RL, N}, c.f);
        ASSERT_TRUE(s.Exists());
        const double euler[] = {s.figures.SimDeltaiL, s.figures.SimDeltaVo, s.figures.SimIDP,
                                s.figures.SimIDm,     s.figures.SimIim,     s.meanVo};
        double worst = 0;
        for (int k = 0; k < 6; ++k) worst = std::max(worst, std::fabs(euler[k] / exact[k] - 1));
        EXPECT_LT(worst, 5.0 / N) << N;  // Euler's error, about 4/N here
        EXPECT_LT(worst, previous / 5) << N;
        previous = worst;
    }
}

// G against Simpson's rule on e^(Mt) d, log-uniform L, C, R, DCR: from intervals where the
// closed form's rounding guard decides to ten radians, where light damping leaves quadrature.
TEST(LinearInterval, TheSquareMatchesSimpsonsRuleOnRandomIntervals) {
    std::mt19937_64 random(7);
    const auto logUniform = [&](double low, double high) -> Real {
        return std::exp(std::uniform_real_distribution(std::log(low), std::log(high))(random));
    };
    double worst = 0;
    for (int n = 0; n < 3000; ++n) {
        const Real L = logUniform(1e-9, 1), C = logUniform(1e-12, 1), R = logUniform(1e-3, 1e5);
        const Matrix2 M{-logUniform(1e-6, 10) / L, -1 / L, 1 / C, -1 / (R * C)};
        const Real T =
            logUniform(1e-8, 10) / (std::sqrt(M.m11 * M.m22 - M.m12 * M.m21) - M.m11 - M.m22);
        const Vector2 d{logUniform(1e-4, 10), logUniform(1e-4, 100)};
        const LinearInterval in{M, {0, 0}};
        const Symmetric2 G = Integrate(in, d, T, in.Exponential(T)).deviationSquare;
        Real ii = 0, iv = 0, vv = 0;  // 2000 panels: weights 1, 4, 2, ..., 4, 1 times T / 6000
        for (int k = 0; k <= 2000; ++k) {
            const Vector2 y = in.Exponential(T * k / 2000) * d;
            const Real weight = (k == 0 || k == 2000 ? 1 : 2 + 2 * (k % 2)) * T / 6000;
            ii += weight * y.i * y.i, iv += weight * y.i * y.v, vv += weight * y.v * y.v;
        }
        for (const Real error : {G.ii / ii - 1, G.vv / vv - 1, (G.iv - iv) / std::sqrt(ii * vv)})
            worst = std::max(worst, static_cast<double>(std::fabs(error)));
    }
    EXPECT_LT(worst, 1e-9);
}

// e^(M t) against its scaled and squared series: real, complex, equal and close eigenvalues.
TEST(LinearInterval, ExponentialMatchesItsSeriesInEveryRegime) {
    for (const Matrix2& M :
         {Matrix2{-3, 1, 2, -4}, {-1, -5, 5, -1}, {-2, 1, 0, -2}, {-2, 0.5L, 1, -2}}) {
        const Real h = 4.0L / 1024;  // t = 4 s
        Matrix2 term = kIdentity2, series = kIdentity2;
        for (int k = 1; k < 30; ++k)
            series = series + (term = term * M * Matrix2{h / k, 0, 0, h / k});
        for (int k = 0; k < 10; ++k) series = series * series;
        const Matrix2 d = LinearInterval{M, {0, 0}}.Exponential(4) + series * Matrix2{-1, 0, 0, -1};
        EXPECT_LT(std::fabs(d.m11) + std::fabs(d.m12) + std::fabs(d.m21) + std::fabs(d.m22), 1e-12);
    }
}

TEST(RealPartsAnalysis, EnergyBalanceClosesOnEveryCircuit) {
    const CircuitValues w = kWorkedExample;
    for (const CircuitValues& c : {w,
                                   With(w, 0.6, 100),
                                   With(w, 0.3, 60),
                                   With(w, 0.9, 1),
                                   {48, 0.1, 20000, 2e-6, 1e-6, 5},
                                   {5, 0.5, 2e6, 1e-6, 2.2e-5, 0.5}}) {
        for (const PartValues& p : {kWorkedParts, kHeavyParts, kIdealised}) {
            const RealPartsAnalysis a = Analyze(c, p);
            ASSERT_EQ(a.outcome, RealPartsOutcome::Found);
            const Powers& e = a.powers;
            EXPECT_NEAR(e.input - e.output - a.losses.total, 0, 1e-9 * e.input) << c.RL << p.ESR;
            EXPECT_NEAR(e.efficiency * e.input, e.output, 1e-12 * e.input);
        }
    }
}

// The last guard before a result is shown refuses each way a result can break physics;
// a low-side switch, unlike a diode, may carry the current backwards.
TEST(RealPartsAnalysis, ThePhysicsGuardRefusesEachBrokenResult) {
    const RealPartsAnalysis found = Analyze(kWorkedExample, kWorkedParts);
    ASSERT_TRUE(KeepsThePhysics(found));
    using Change = void (*)(RealPartsAnalysis&);
    for (const auto& [change, keeps] : std::initializer_list<std::pair<Change, bool>>{
             {[](RealPartsAnalysis& r) { r.losses.diode = -1e-6; }, false},
             {[](RealPartsAnalysis& r) { r.powers.efficiency = 1 + 1e-9; }, false},
             {[](RealPartsAnalysis& r) { r.powers.efficiency = -1e-9; }, false},
             {[](RealPartsAnalysis& r) { r.powers.input *= 1.01; }, false},
             {[](RealPartsAnalysis& r) { r.stresses.diode.mean = -1e-9; }, false},
             {[](RealPartsAnalysis& r) {
                  r.rectifier = Rectifier::Synchronous, r.stresses.diode.mean = -1;
              },
              true}}) {
        RealPartsAnalysis r = found;
        change(r);
        EXPECT_EQ(KeepsThePhysics(r), keeps);
    }
}

// Triangular ripple on an ideal circuit: the formulas hold to the ripple's second order.
TEST(RealPartsAnalysis, TextbookStressesApproximateTheExactOnes) {
    const RealPartsAnalysis a = Analyze(With(kWorkedExample, 0.6, 10), kIdealDiode);
    const TextbookStresses& t = a.textbook;
    const Stresses& s = a.stresses;
    const std::pair<double, double> pairs[] = {
        {t.peak, s.inductor.peak},           {t.inductorRms, s.inductor.rms},
        {t.inductorMean, s.inductor.mean},   {t.transistorMean, s.transistor.mean},
        {t.transistorRms, s.transistor.rms}, {t.diodeMean, s.diode.mean},
        {t.diodeRms, s.diode.rms},           {t.outputCapacitorRms, s.outputCapacitorRms}};
    for (const auto& [textbook, exact] : pairs) EXPECT_NEAR(textbook, exact, 2e-3 * exact);
    // The input capacitor's formula leaves out D dIL^2/12 under the root.
    EXPECT_NEAR(t.inputCapacitorRms, s.inputCapacitorRms, 0.02 * s.inputCapacitorRms);
    EXPECT_LT(t.inputCapacitorRms, s.inputCapacitorRms);
}

TEST(RealPartsAnalysis, WaveformHasTheSwitchingInstantsOnItsGrid) {
    for (const CircuitValues& c : {kWorkedExample, With(kWorkedExample, 0.6, 100)}) {
        const RealPartsAnalysis a = Analyze(c, kWorkedParts, {true, 500});
        const Waveform& w = a.waveform;
        const bool dcm = a.mode == ConductionMode::Discontinuous;
        // 300 steps on and 200 off (split at the zero of iL in DCM), each with both ends.
        ASSERT_EQ(w.time.size(), dcm ? 503u : 502u);
        EXPECT_EQ(w.time.front(), 0);
        EXPECT_NEAR(w.time.back(), 1 / c.f, 1e-20);
        EXPECT_EQ(w.time[300], w.time[301]);
        EXPECT_NEAR(w.time[300], c.D / c.f, 1e-20);
        EXPECT_NEAR(w.iL.back(), w.iL.front(), 1e-9);
        EXPECT_NEAR(w.Vo.back(), w.Vo.front(), 1e-9);
        EXPECT_EQ(w.isw[300], w.id[301]) << "the current moves from switch to diode";
        EXPECT_EQ(w.vsw[301], -0.6 - kWorkedParts.Rd * w.id[301]);
        EXPECT_EQ(w.vsw.back(), dcm ? w.Vo.back() : -0.6 - kWorkedParts.Rd * w.id.back());
        for (std::size_t j = 0; j < w.time.size(); ++j)
            EXPECT_NEAR(w.iL[j] - w.Vo[j] / c.RL, w.iC[j], 1e-12) << j;
    }
}

TEST(RealPartsAnalysis, RefusesValuesOutsideTheModel) {
    const auto refused = [](CircuitValues c, PartValues p, std::int32_t samples) {
        return Analyze(c, p, {true, samples}).outcome;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double CircuitValues::*field : {&CircuitValues::Vi, &CircuitValues::D, &CircuitValues::f,
                                         &CircuitValues::L, &CircuitValues::C, &CircuitValues::RL})
        for (double bad : {0.0, -1.0, nan}) {
            CircuitValues c = kWorkedExample;
            c.*field = bad;
            EXPECT_EQ(refused(c, kWorkedParts, 1000), RealPartsOutcome::InvalidValues);
        }
    using O = RealPartsOutcome;
    const std::tuple<CircuitValues, PartValues, std::int32_t, O> cases[] = {
        {kWorkedExample, {0, 0, 0, 0.6, 0, 0, 0, 0, 0, -1e-9}, 1000, O::InvalidValues},
        {With(kWorkedExample, 1, 10), kWorkedParts, 1000, O::InvalidValues},
        {kWorkedExample, kWorkedParts, 0, O::InvalidValues},
        {kWorkedExample, kWorkedParts, 1, O::Found},  // the least
        {kWorkedExample, kWorkedParts, kMaxRealPartsSamples + 1, O::InvalidValues},
        {{1e306, 0.6, 80000, 125e-6, 15.6e-6, 10}, kWorkedParts, 1000, O::NoSteadyState},
        // The filter rings iL below zero before the switch opens on it.
        {{48, 0.14, 30000, 3.1e-6, 3.7e-7, 33}, kIdealised, 1000, O::NoSteadyState},
    };
    for (const auto& [c, p, samples, outcome] : cases)
        EXPECT_EQ(refused(c, p, samples), outcome) << samples << " " << c.Vi;
    // A switch resistance far beyond its field's range: figures that break the physics
    // (an efficiency of thousands of percent) are not shown.
    PartValues absurd = kWorkedParts;
    absurd.Rds = 1e30;
    const RealPartsAnalysis a = Analyze(kWorkedExample, absurd);
    EXPECT_EQ(std::tie(a.outcome, a.unphysical, a.powers.efficiency),
              std::tuple(O::NoSteadyState, true, 0.0));
}

// Period 12.5 us, on time 7.5 us: a switching time beyond the period is refused, tr + tf
// beyond the on time gets a note, and so does a gate charge with no drive voltage.
TEST(RealPartsAnalysis, RefusesOrNotesWhatTheSwitchingModelCannotHold) {
    // tr, tf, Qg, Vdrv; found, the switching note, the gate's note.
    const std::tuple<double, double, double, double, bool, bool, bool> cases[] = {
        {3.7e-6, 3.7e-6, 0, 0, true, false, false},   {3.7e-6, 3.9e-6, 0, 0, true, true, false},
        {7.6e-6, 0, 20e-9, 0, true, true, true},      {0, 0, 20e-9, 10, true, false, false},
        {12.5e-6, 12.5e-6, 0, 10, true, true, false}, {12.6e-6, 0, 0, 0, false, false, false},
        {0, 12.6e-6, 0, 0, false, false, false},
    };
    for (const auto& [tr, tf, Qg, Vdrv, found, switching, gate] : cases) {
        PartValues p = kWorkedParts;
        p.tr = tr, p.tf = tf, p.Qg = Qg, p.Vdrv = Vdrv;
        const RealPartsAnalysis a = Analyze(kWorkedExample, p);
        EXPECT_EQ(a.outcome, found ? RealPartsOutcome::Found : RealPartsOutcome::InvalidValues);
        EXPECT_EQ(a.switchingBeyondOnTime, switching) << tr << " " << tf;
        EXPECT_EQ(a.gateWithoutDrive, gate) << Qg << " " << Vdrv;
    }
}

TEST(DutyForTarget, ReachesTheTargetOrSaysItCannot) {
    // D -> 1 gives Vi RL / (RL + Rds + DCR).
    const double highest = 25 * 10 / (10 + kWorkedParts.Rds + kWorkedParts.DCR);
    const CircuitValues backwards{48, 0, 30000, 3.1e-6, 3.7e-7, 33};
    const PartValues deadTimes{.rectifier = Rectifier::Synchronous, .td1 = 1e-6, .td2 = 1e-6};
    // The circuit, its parts, whether the diode blocks, the target and the outcome.
    const std::tuple<CircuitValues, PartValues, bool, double, RealPartsOutcome> cases[] = {
        {kWorkedExample, kWorkedParts, true, 15, RealPartsOutcome::Found},
        {With(kWorkedExample, 0, 100), kIdealDiode, true, 15, RealPartsOutcome::Found},
        {With(kWorkedExample, 0, 60), kHeavyParts, true, 2, RealPartsOutcome::Found},
        {With(kWorkedExample, 0, 100), kIdealised, false, 0.5, RealPartsOutcome::Found},
        {kWorkedExample, kWorkedParts, true, highest * (1 - 1e-3), RealPartsOutcome::Found},
        {kWorkedExample, kWorkedParts, true, highest * (1 + 1e-12), RealPartsOutcome::Unreachable},
        {kWorkedExample, kIdealised, true, 25, RealPartsOutcome::Unreachable},
        // Dead times of 2 us a period hold D below 0.84, Vo below 23 V.
        {kWorkedExample, deadTimes, true, 23, RealPartsOutcome::Unreachable},
        {kWorkedExample, kWorkedParts, true, 0, RealPartsOutcome::Unreachable},
        {kWorkedExample, kWorkedParts, true, std::nan(""), RealPartsOutcome::Unreachable},
        {With(kWorkedExample, 0.6, 0), kWorkedParts, true, 15, RealPartsOutcome::InvalidValues},
        // The first guess, D 0.14, leaves a current flowing backwards at turn-off.
        {backwards, kIdealised, true, 6.2, RealPartsOutcome::NoSteadyState},
    };
    for (const auto& [values, parts, blocks, target, outcome] : cases) {
        SCOPED_TRACE(target);
        const DutySynthesis s = DutyForTarget(values, parts, target, {blocks, 1000});
        ASSERT_EQ(s.outcome, outcome);
        // A few steady states; a search that meets none stops at once.
        EXPECT_LE(s.evaluations, s.outcome == RealPartsOutcome::Found ? 12 : 1);
        if (s.outcome != RealPartsOutcome::Found) continue;
        // Lossless and continuous, Vo = D (Vi + Vf) - Vf exactly: the first guess is the answer.
        EXPECT_TRUE(blocks || s.evaluations == 1) << s.evaluations;
        EXPECT_NEAR(s.VoMean, target, 1e-9 * target);
        CircuitValues at = values;
        at.D = s.D;
        const ReferencePeriod ref = Reference(at, parts, blocks).SteadyPeriod();
        EXPECT_NEAR(static_cast<double>(ref.mean[kVo]), target, 1e-8 * target);
        EXPECT_NEAR(Analyze(at, parts, {blocks, 1000}).VoMean, target, 1e-9 * target);
    }
}

TEST(PartTexts, ReadInTheirUnitsOrRefusedWithTheFirstBadFieldsMessage) {
    const PartsReading defaults = ReadPartTexts({});
    ASSERT_TRUE(defaults.values.has_value());
    EXPECT_EQ(defaults.values->Vf, 0.6);
    EXPECT_EQ(defaults.values->ESR, 0.0);
    PartTexts worked;  // the brief's worked-example parts, in the fields' units
    worked.esr = "50", worked.dcr = "100", worked.rds = "5e1", worked.tf = "50", worked.iq = "2";
    worked.qg = "12.5", worked.vdrv = "+10", worked.vf = "0.45";
    const PartValues v = ReadPartTexts(worked).values.value();
    const double read[] = {v.ESR, v.DCR, v.Rds, v.Rd, v.Vf, v.tr, v.tf, v.Qg, v.Vdrv, v.Iq};
    const double si[] = {0.05, 0.1, 0.05, 0.0, 0.45, 0.0, 5e-8, 1.25e-8, 10.0, 0.002};
    for (int i = 0; i < 10; ++i) EXPECT_DOUBLE_EQ(read[i], si[i]) << i;
    PartTexts twoBad;  // the first bad field is told, a later one not
    twoBad.vf = "-0.1", twoBad.iq = "-1";
    EXPECT_EQ(ReadPartTexts(twoBad).message,
              "La caduta di tensione Vf del diodo non può essere negativa!");
}

}  // namespace
}  // namespace stepdown::testing

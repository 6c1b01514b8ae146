// The converter as built on circuits the program accepts but nobody designed: small L or C
// that ring fast against the period, light loads, any duty cycle, parts anywhere in their
// ranges. Each against the independent RK4 shooting of tests/support/RealPartsReference.h,
// and each result that is shown must keep the physics.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>

#include "realparts/PartTexts.h"
#include "realparts/RealParts.h"
#include "support/RealPartsReference.h"

namespace stepdown::testing {
namespace {

// What is wrong with the analysis of one circuit, empty when nothing is.
std::string Fault(const CircuitValues& c, const PartValues& p) {
    const RealPartsAnalysis a = Analyze(c, p);
    const ReferencePeriod ref = Reference(c, p, true).SteadyPeriod();
    // A current flowing backwards when the switch opens has no way out in either model.
    if (!(ref.turnOff.i > 0))
        return a.outcome == RealPartsOutcome::NoSteadyState ? "" : "a backward turn-off shown";
    if (a.outcome != RealPartsOutcome::Found) return "no analysis";
    std::ostringstream fault;
    if ((a.mode == ConductionMode::Discontinuous) != (ref.start.i <= 1e-9L * ref.maxIL))
        fault << "mode; ";
    const Losses& l = a.losses;
    const Powers& e = a.powers;
    // Figure, reference, relative tolerance: the analysis samples 1000 points a period for
    // the ripples; the reference's steps leave its RMS values 1e-4 off where the diode
    // conducts for a few of them.
    const double checks[][3] = {
        {a.VoMean, double(ref.mean[kVo]), 1e-6},
        {a.VoRipple, double(ref.maxVo - ref.minVo), 0.03},
        {a.deltaIL, double(ref.maxIL - ref.minIL), 0.03},
        {a.stresses.inductor.rms, std::sqrt(double(ref.mean[kIL2])), 1e-3},
        {a.stresses.outputCapacitorRms, std::sqrt(double(ref.mean[kIC2])), 1e-3},
        {e.input - l.total, e.output, 5e-3},
    };
    for (const auto& [got, expected, tolerance] : checks)
        if (!(std::fabs(got - expected) <= tolerance * std::fabs(expected) + 1e-9 * c.Vi))
            fault << got << " against " << expected << "; ";
    for (double x :
         {l.switchConduction, l.switching, l.gate, l.diode, l.inductor, l.outputCapacitor,
          l.quiescent, a.stresses.diode.mean, e.efficiency, 1 - e.efficiency})
        if (!(x >= 0)) fault << "negative: " << x << "; ";
    return fault.str();
}

double LogUniform(std::mt19937_64& random, double low, double high) {
    return low * std::pow(high / low, std::uniform_real_distribution<double>(0, 1)(random));
}

// Log-uniform L 0.1-1000 uH, C 0.5-1000 uF, RL 0.5 ohm-10 kohm, f 10-500 kHz, D 0.05-0.95,
// Vi 1-100 V; each part zero a third of the time, else log-uniform over the three decades
// below its highest value, the switching times within the period. The number wrong.
int WrongOfRandom(int count, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    int wrong = 0;
    const auto draw = [&](double low, double high) { return LogUniform(random, low, high); };
    for (int k = 0; k < count; ++k) {
        const double Vi = draw(1, 100),
                     D = std::uniform_real_distribution<double>(0.05, 0.95)(random);
        const CircuitValues c{
            Vi, D, draw(1e4, 5e5), draw(1e-7, 1e-3), draw(5e-7, 1e-3), draw(0.5, 1e4)};
        PartValues p;
        for (const PartField& field : PartFields().first(10)) {  // the diode stage's parts
            const double highest =
                field.row->key == "tr" || field.row->key == "tf" ? 1 / c.f : field.row->range.high;
            if (random() % 3 != 0) p.*field.value = draw(highest * 1e-3, highest);
        }
        const std::string fault = Fault(c, p);
        wrong += !fault.empty();
        EXPECT_EQ(fault, "") << "Vi " << c.Vi << " D " << c.D << " f " << c.f << " L " << c.L
                             << " C " << c.C << " RL " << c.RL << " Rds " << p.Rds << " Vf " << p.Vf
                             << " ESR " << p.ESR << " DCR " << p.DCR << " Rd " << p.Rd;
    }
    return wrong;
}

TEST(WildCircuits, AgreeWithTheReferenceAndKeepThePhysics) {
    const PartValues none{};  // Vf 0.6 V
    const PartValues lossy{0.08, 0.2, 0.1, 0.5, 0.05, 40e-9, 30e-9, 20e-9, 10, 2e-3};
    const std::tuple<const char*, CircuitValues, PartValues> cases[] = {
        // name, circuit, parts
        // A small L rings iL through zero inside the off time and back above it at its end.
        {"small L, D 0.1", {25, 0.1, 80000, 0.3e-6, 12.5e-6, 10}, none},
        {"duty 0.05, lossy parts", {12, 0.05, 1e5, 1e-6, 2e-6, 3}, lossy},
        {"duty 0.95, small L and C", {48, 0.95, 2e5, 0.2e-6, 0.6e-6, 1e3}, lossy},
        {"slow filter, heavy load", {5, 0.5, 5e5, 900e-6, 900e-6, 0.5}, lossy},
        {"fast filter, light load", {100, 0.5, 1e4, 0.1e-6, 0.5e-6, 1e4}, lossy},
        // The diode conducts for 25 ps of a 28 us period in an almost undamped filter.
        {"a blink of conduction",
         {62.316, 0.6246, 35672, 0.12927e-6, 958.85e-6, 8575.3},
         {0, 0, 0.2047, 0.014}},
    };
    for (const auto& [name, values, parts] : cases) EXPECT_EQ(Fault(values, parts), "") << name;
}

// A fixed sample; STEPDOWN_WILD_CIRCUITS=1000 runs the large one (minutes, not in the suite).
TEST(WildCircuits, RandomAcceptedCircuitsAreRightOrRefused) {
    EXPECT_EQ(WrongOfRandom(60, 20261208), 0);
    const char* count = std::getenv("STEPDOWN_WILD_CIRCUITS");
    if (count == nullptr) return;
    const int n = std::atoi(count);
    std::printf("%d random circuits: %d wrong\n", n, WrongOfRandom(n, 1));
}

}  // namespace
}  // namespace stepdown::testing

// The period loop from rest against a plain reading of it: arrays bit for bit, first exact
// repeat, extremes and envelope of every period. Then the kinds of steady state and the
// settled verdict's tolerance.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "engine/ConverterLoop.h"
#include "engine/Extremes.h"
#include "model/Conversions.h"
#include "steadystate/SteadyState.h"
#include "support/RecordingWindow.h"
#include "support/ReferenceLoop.h"
#include "support/WorkedExample.h"

namespace stepdown::testing {
namespace {

using Arrays = ReferenceArrays<double>;

WaveArrays Pointers(Arrays& a) {
    return {a.iL.data(), a.Vo.data(), a.iC.data(), a.Vd.data(), a.id.data()};
}

struct Reference {
    Arrays arrays;
    std::vector<SampleExtremes> periods;  // samples 1..N as each period left them
    std::int64_t repeat = 0, cycle = 0;   // first period ending in a state seen before
};

SampleExtremes Scan(const Arrays& a, std::int32_t N) {
    SampleExtremes e;
    for (std::int32_t i = 1; i <= N; ++i) {
        e.maxIL = std::max(e.maxIL, a.iL.at(i));
        e.minIL = std::min(e.minIL, a.iL.at(i));
        e.maxVo = std::max(e.maxVo, a.Vo.at(i));
        e.minVo = std::min(e.minVo, a.Vo.at(i));
    }
    return e;
}

// Every period of the reading, the extremes each leaves, and the first repeat.
Reference Simulate(const Circuit& c) {
    Reference r{Arrays(c.N), {}, 0, 0};
    Arrays& a = r.arrays;
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::int64_t> ends{{{0, 0}, 0}};
    for (std::int32_t n = 1; n <= c.NI; ++n) {
        ReferencePeriod(c, a);
        r.periods.push_back(Scan(a, c.N));
        const auto end = std::make_pair(std::bit_cast<std::uint64_t>(a.iL[1]),
                                        std::bit_cast<std::uint64_t>(a.Vo[1]));
        const auto [earlier, first] = ends.emplace(end, n);
        if (!first && r.repeat == 0) {
            r.repeat = n;
            r.cycle = n - earlier->second;
        }
    }
    return r;
}

SampleExtremes Merged(const Reference& r, std::int64_t first, std::int64_t last) {
    SampleExtremes e;
    for (std::int64_t p = first; p <= last; ++p) e.Merge(r.periods.at(p - 1));
    return e;
}

void ExpectSame(const Arrays& expected, const Arrays& actual) {
    const std::vector<double> Arrays::*waves[] = {&Arrays::iL, &Arrays::Vo, &Arrays::iC,
                                                  &Arrays::Vd, &Arrays::id};
    for (const auto wave : waves)
        for (std::size_t i = 0; i < (expected.*wave).size(); ++i)
            ASSERT_EQ(std::bit_cast<std::uint64_t>((expected.*wave)[i]),
                      std::bit_cast<std::uint64_t>((actual.*wave)[i]))
                << "sample " << i;
}

void ExpectSame(const SampleExtremes& e, const SampleExtremes& a) {
    EXPECT_EQ(std::tie(e.maxIL, e.minIL, e.maxVo, e.minVo),
              std::tie(a.maxIL, a.minIL, a.maxVo, a.minVo));
}

CircuitInputs Inputs(const Circuit& c) { return {c.Vi, c.D, 1 / c.f / c.N, c.L, c.C, c.RL, c.N}; }

struct LoopCase {
    std::string name;
    Circuit circuit;
    std::int64_t repeat = -1, cycle = -1;  // pinned where known, -1 otherwise
};
// CTest lists a case by its name, not by the bytes of its parameter.
void PrintTo(const LoopCase& loopCase, std::ostream* out) { *out << loopCase.name; }

Circuit With(std::int32_t N, double D, std::int32_t NI, double C = 15.63e-6, double RL = 10) {
    return {25, D, 80000, 125e-6, C, RL, N, 10, NI};
}

// Vi 48 V, D 75 %, f 50 kHz, L 220 uH, C 10 uF, RL 10 ohm as the launch reads them: the end
// state of period 356 is that of period 349, a cycle of 7 periods.
Circuit Cycling(std::int32_t NI) {
    Circuit c{48, 75 * 0.01, 50 * 1000.0, 220 * 0.000001, 10 * 0.000001, 10};
    c.NI = NI;
    return c;
}

class Loop : public ::testing::TestWithParam<LoopCase> {};

TEST_P(Loop, MatchesThePlainReadingFromRest) {
    const Circuit& c = GetParam().circuit;
    const Reference expected = Simulate(c);
    Arrays plain(c.N);
    SimulatePeriodsPlain(Inputs(c), c.NI, Pointers(plain));
    ExpectSame(expected.arrays, plain);

    Arrays fast(c.N);
    RecordingProgress progress;
    const LoopResult result = SimulatePeriods(Inputs(c), c.NI, Pointers(fast), progress);
    if (!std::isfinite(expected.arrays.iL[1])) {
        EXPECT_EQ(result.end, LoopEnd::NotFinite);
        return;
    }
    ExpectSame(expected.arrays, fast);
    EXPECT_EQ(
        std::tie(result.end, result.repeatPeriod, result.cycleLength, result.periodsSimulated),
        std::tuple(expected.repeat > 0 ? LoopEnd::Repeated : LoopEnd::AllPeriods, expected.repeat,
                   expected.cycle,
                   expected.repeat > 0 ? expected.repeat : std::max<std::int64_t>(c.NI, 0)));
    EXPECT_TRUE(GetParam().repeat < 0 || std::tie(expected.repeat, expected.cycle) ==
                                             std::tie(GetParam().repeat, GetParam().cycle));
    if (c.NI <= 0) return;

    // The periods skipped after the repeat must change nothing either.
    ExpectSame(Merged(expected, 1, c.NI), result.startup);
    ASSERT_LE(result.envelope.size(), kMaxEnvelopeBuckets + 1);
    std::int64_t next = 1;
    // Equal spans of a power of two, but for the last simulated bucket and
    // the one that stands for the repeated tail.
    const std::int64_t span = result.envelope.front().lastPeriod;
    EXPECT_EQ(std::popcount(static_cast<std::uint64_t>(span)), 1);
    const std::int64_t simulated = expected.repeat > 0 ? expected.repeat : c.NI;
    for (const EnvelopeBucket& bucket : result.envelope) {
        ASSERT_EQ(bucket.firstPeriod, next);
        if (bucket.lastPeriod < simulated) {
            EXPECT_EQ(bucket.lastPeriod - bucket.firstPeriod + 1, span);
        }
        ExpectSame(Merged(expected, bucket.firstPeriod, bucket.lastPeriod), bucket.extremes);
        next = bucket.lastPeriod + 1;
    }
    EXPECT_EQ(next, c.NI + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Circuits, Loop,
    ::testing::Values(LoopCase{"worked_example", Circuit{}, 880, 1},
                      LoopCase{"worked_not_yet", With(1000, 0.6, 879), 0, 0},
                      LoopCase{"worked_at_repeat", With(1000, 0.6, 880), 880, 1},
                      LoopCase{"cycle_not_yet", Cycling(355), 0, 0},
                      LoopCase{"cycle_at_repeat", Cycling(356), 356, 7},
                      LoopCase{"cycle_after_repeat", Cycling(359), 356, 7},
                      LoopCase{"cycle_long_after", Cycling(2000), 356, 7},
                      LoopCase{"no_repeat", With(1000, 0.6, 300, 1e-3, 100), 0, 0},
                      LoopCase{"merged_envelope", With(20, 0.6, 9000, 1e-3, 100), 0, 0},
                      LoopCase{"K_0", With(1000, 0.0004, 50)},
                      LoopCase{"K_N", With(1000, 0.9996, 50)}, LoopCase{"N_1", With(1, 0.6, 50)},
                      LoopCase{"N_1_K_1", With(1, 0.9, 50)}, LoopCase{"N_2", With(2, 0.6, 50)},
                      LoopCase{"ND_2_5", With(5, 0.5, 60)}, LoopCase{"ND_3_5", With(7, 0.5, 60)},
                      LoopCase{"K_1", With(10, 0.1, 60)},
                      LoopCase{"period_beyond_a_slice", With(1200000, 0.6, 3), 0, 0},
                      LoopCase{"NI_0", With(1000, 0.6, 0), 0, 0},
                      LoopCase{"NI_negative", With(1000, 0.6, -3), 0, 0},
                      LoopCase{"unstable", Circuit{25, 0.5, 1000, 1e-6, 1e-6, 1, 4, 10, 2000}}),
    [](const auto& info) { return info.param.name; });

TEST(LoopProgress, ReportsBetweenSlicesOnceAfterARepeatAndStopsWhenCancelled) {
    Arrays settled(1000);
    RecordingProgress once;
    SimulatePeriods(Inputs(Circuit{}), 2000, Pointers(settled), once);
    EXPECT_EQ(once.reports, (Reports{{2'000'000, 2'000'000}}));
    RecordingProgress refusing(1);
    EXPECT_EQ(SimulatePeriods(Inputs(Circuit{}), 2000, Pointers(settled), refusing).end,
              LoopEnd::Cancelled);

    const Circuit slow = With(1000, 0.6, 3000, 1e-3, 100);
    const std::int64_t slice = kStepsPerSlice / 1000 * 1000;
    Arrays all(1000);
    RecordingProgress slices;
    SimulatePeriods(Inputs(slow), slow.NI, Pointers(all), slices);
    EXPECT_EQ(slices.reports,
              (Reports{{slice, 3'000'000}, {2 * slice, 3'000'000}, {3'000'000, 3'000'000}}));
    RecordingProgress cancelling(2);
    const LoopResult cancelled = SimulatePeriods(Inputs(slow), slow.NI, Pointers(all), cancelling);
    EXPECT_EQ(cancelled.end, LoopEnd::Cancelled);
    EXPECT_EQ(cancelled.periodsSimulated, 2 * slice / 1000);
}

// ---- The steady state and the advice, against the reading in long double ----

TEST(SteadyState, KindFollowsTheSettingsAndTheRadius) {
    const std::pair<Circuit, SteadyStateKind> cases[] = {
        {With(0, 0.6, 1), SteadyStateKind::Invalid},
        {With(1, 0.4, 1), SteadyStateKind::Found},
        {With(1000, 0.0004, 1), SteadyStateKind::Found},  // K = 0: each period forgets its start
        {Circuit{1e308, 0.6, 80000, 125e-6, 15.63e-6, 10}, SteadyStateKind::Invalid},
        // Eigenvalues 0.30 and -4.5: an alternating transient that grows.
        {Circuit{25, 0.8, 80000, 1e-6, 1e-5, 0.1, 2}, SteadyStateKind::Unbounded},
    };
    for (const auto& [c, kind] : cases) EXPECT_EQ(FindSteadyState(Inputs(c), c.f).kind, kind);
    // Without A there is no radius: never a finite one that reads as a decay.
    EXPECT_FALSE(std::isfinite(FindSteadyState(Inputs(With(0, 0.6, 1)), 80e3, {}).spectralRadius));
}

// After a refusal, P only for a run that simulated periods without repeating, of a steady
// state that conducts, when P is beyond the run's NI.
TEST(SteadyState, AdviceAfterARefusalOnlyWhenMorePeriodsWouldConduct) {
    SteadyState steady;
    steady.kind = SteadyStateKind::Found, steady.band.minIL = 0.1, steady.periodsNeeded = 3000;
    SteadyState negative = steady, notFound = steady;
    negative.band.minIL = -0.1, notFound.kind = SteadyStateKind::NotComputable;
    // The steady state, the run's NI, whether it repeated, the periods advised.
    const std::tuple<const SteadyState*, std::int32_t, bool, std::int64_t> cases[] = {
        {&steady, 2000, false, 3000}, {&steady, 2999, false, 3000}, {&steady, 3000, false, 0},
        {&steady, 0, false, 0},       {&steady, 2000, true, 0},     {&negative, 2000, false, 0},
        {&notFound, 2000, false, 0}};
    for (const auto& [state, NI, repeated, advised] : cases)
        EXPECT_EQ(PeriodsToAdviseAfterRefusal(*state, NI, repeated), advised)
            << NI << (repeated ? " repeated" : "");
}

TEST(Settled, ToleranceIsHalfAPercentOfEveryFigureAndRoundingForAZeroOne) {
    const Circuit c;
    const SteadyState steady = FindSteadyState(Inputs(c), c.f);
    for (double MeasuredFigures::*figure :
         {&MeasuredFigures::SimDeltaiL, &MeasuredFigures::SimDeltaVo, &MeasuredFigures::SimIDP,
          &MeasuredFigures::SimIDm, &MeasuredFigures::SimIim}) {
        for (const double factor : {1.0049, 0.9951, 1.0051, 0.9949}) {
            MeasuredFigures shown = steady.figures;
            shown.*figure *= factor;
            EXPECT_NEAR(WorstDeviation(shown, steady), std::fabs(factor - 1), 1e-12);
        }
    }
    SteadyState zero = steady;
    zero.figures.SimIDm = zero.figures.SimDeltaVo = 0.0;
    // Settled up to a billionth of the largest current (1.8 A) or of Vo (14800 mV).
    for (const double shown : {1e-12, 1e-6, 1.0}) {
        MeasuredFigures current = zero.figures, ripple = zero.figures;
        current.SimIDm = ripple.SimDeltaVo = shown;
        EXPECT_EQ(WorstDeviation(current, zero) <= kSettledTolerance, shown < 1e-9);
        EXPECT_EQ(WorstDeviation(ripple, zero) <= kSettledTolerance, shown < 1e-5);
    }
}

}  // namespace
}  // namespace stepdown::testing

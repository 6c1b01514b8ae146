// The period loop against a plain reading of it written here, and the early
// stop against the full loop, bit for bit.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "Circuits.h"
#include "model/Conversions.h"
#include "simulation/ConverterLoop.h"
#include "support/RecordingProgress.h"

namespace stepdown::testing {
namespace {

struct Arrays {
    explicit Arrays(std::int32_t N)
        : iL(N + 2, 0.0), Vo(N + 2, 0.0), iC(N + 2, 0.0), Vd(N + 2, 0.0), id(N + 2, 0.0) {}
    WaveArrays Pointers() { return {iL.data(), Vo.data(), iC.data(), Vd.data(), id.data()}; }
    std::vector<double> iL, Vo, iC, Vd, id;
};

// The loop exactly as a reader would first write it, with checked indexing.
Arrays Reference(const Circuit& c) {
    const double TimeStep = 1 / c.f / c.N;
    Arrays a(c.N);
    for (std::int32_t n = 1; n <= c.NI; ++n) {
        const std::int32_t K = RoundToInteger(c.N * c.D).value();
        for (std::int32_t i = 1; i <= K; ++i) {
            a.iL.at(i + 1) = (c.Vi - a.Vo.at(i)) * TimeStep / c.L + a.iL.at(i);
            a.iC.at(i) = a.iL.at(i) - a.Vo.at(i) / c.RL;
            a.Vo.at(i + 1) = TimeStep * a.iC.at(i) / c.C + a.Vo.at(i);
            a.Vd.at(i) = c.Vi;
            a.id.at(i) = 0;
        }
        a.iL.at(K + 1) = a.iL.at(K);
        a.Vo.at(K + 1) = a.Vo.at(K);
        for (std::int32_t e = K + 1; e <= c.N; ++e) {
            a.iL.at(e + 1) = a.iL.at(e) - (a.Vo.at(e) + 0.6) * TimeStep / c.L;
            a.iC.at(e) = a.iL.at(e) - a.Vo.at(e) / c.RL;
            a.Vo.at(e + 1) = TimeStep * a.iC.at(e) / c.C + a.Vo.at(e);
            a.Vd.at(e) = -0.6;
            a.id.at(e) = a.iL.at(e);
        }
        a.iL.at(1) = a.iL.at(c.N);
        a.iC.at(1) = a.iC.at(c.N);
        a.Vo.at(1) = a.Vo.at(c.N);
        a.Vd.at(1) = a.Vd.at(c.N);
        a.id.at(1) = a.id.at(c.N);
    }
    return a;
}

CircuitInputs Inputs(const Circuit& c) { return {c.Vi, c.D, 1 / c.f / c.N, c.L, c.C, c.RL, c.N}; }

void ExpectSameBits(const std::vector<double>& expected, const std::vector<double>& actual,
                    const char* what) {
    ASSERT_EQ(expected.size(), actual.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(std::bit_cast<std::uint64_t>(expected[i]),
                  std::bit_cast<std::uint64_t>(actual[i]))
            << what << "[" << i << "]: " << expected[i] << " vs " << actual[i];
}

void ExpectSameArrays(const Arrays& expected, const Arrays& actual) {
    ExpectSameBits(expected.iL, actual.iL, "iL");
    ExpectSameBits(expected.Vo, actual.Vo, "Vo");
    ExpectSameBits(expected.iC, actual.iC, "iC");
    ExpectSameBits(expected.Vd, actual.Vd, "Vd");
    ExpectSameBits(expected.id, actual.id, "id");
}

bool AnyNotFinite(const std::vector<double>& wave) {
    for (const double v : wave)
        if (!std::isfinite(v)) return true;
    return false;
}

struct LoopCase {
    Circuit circuit;
    LoopEnd expectedEnd;
};

Circuit With(Circuit c, const std::string& name) {
    c.name = name;
    return c;
}

std::vector<LoopCase> LoopCases() {
    const Circuit w = WorkedExample();
    auto c = [&](const std::string& name, LoopEnd end, auto change) {
        Circuit circuit = With(w, name);
        change(circuit);
        return LoopCase{circuit, end};
    };
    return {
        {w, LoopEnd::Repeated},
        c("small_L", LoopEnd::Repeated, [](Circuit& x) { x.L = 10e-6; }),
        c("D_near_0", LoopEnd::Repeated, [](Circuit& x) { x.D = 0.001; }),
        c("D_near_1", LoopEnd::Repeated, [](Circuit& x) { x.D = 0.999; }),
        c("ND_2_5", LoopEnd::Repeated,
          [](Circuit& x) {
              x.N = 5;
              x.D = 0.5;
          }),
        c("ND_3_5", LoopEnd::Repeated,
          [](Circuit& x) {
              x.N = 7;
              x.D = 0.5;
          }),
        c("K_0", LoopEnd::Repeated, [](Circuit& x) { x.D = 0.0004; }),
        c("K_N", LoopEnd::Repeated, [](Circuit& x) { x.D = 0.9996; }),
        c("NI_0", LoopEnd::AllPeriods, [](Circuit& x) { x.NI = 0; }),
        c("NI_1", LoopEnd::AllPeriods, [](Circuit& x) { x.NI = 1; }),
        c("NI_negative", LoopEnd::AllPeriods, [](Circuit& x) { x.NI = -3; }),
        c("N_1", LoopEnd::Repeated, [](Circuit& x) { x.N = 1; }),
        c("N_2", LoopEnd::Repeated, [](Circuit& x) { x.N = 2; }),
        c("not_settling", LoopEnd::AllPeriods,
          [](Circuit& x) {
              x.C = 1e-3;
              x.RL = 100;
              x.NI = 300;
          }),
        c("unstable", LoopEnd::NotFinite,
          [](Circuit& x) {
              x.N = 4;
              x.D = 0.5;
              x.f = 1000;
              x.L = 1e-6;
              x.C = 1e-6;
              x.RL = 1;
          }),
    };
}

class LoopIdentity : public ::testing::TestWithParam<LoopCase> {};

TEST_P(LoopIdentity, PlainLoopMatchesTheReadingBitForBit) {
    const Circuit& c = GetParam().circuit;
    const Arrays expected = Reference(c);
    Arrays plain(c.N);
    SimulatePeriodsPlain(Inputs(c), c.NI, plain.Pointers());
    ExpectSameArrays(expected, plain);
}

TEST_P(LoopIdentity, EarlyStopLeavesTheFullLoopsArrays) {
    const Circuit& c = GetParam().circuit;
    const Arrays expected = Reference(c);
    Arrays early(c.N);
    RecordingProgress progress;
    const LoopResult result = SimulatePeriods(Inputs(c), c.NI, early.Pointers(), progress);
    EXPECT_EQ(result.end, GetParam().expectedEnd);
    if (result.end == LoopEnd::NotFinite) {
        // What is left differs, but the full loop ends non-finite as well.
        EXPECT_TRUE(AnyNotFinite(expected.iL) || AnyNotFinite(expected.Vo));
        return;
    }
    if (result.end == LoopEnd::AllPeriods) {
        EXPECT_EQ(result.periodsSimulated, std::max(c.NI, 0));
    }
    ExpectSameArrays(expected, early);
}

INSTANTIATE_TEST_SUITE_P(Circuits, LoopIdentity, ::testing::ValuesIn(LoopCases()),
                         [](const auto& info) { return info.param.circuit.name; });

TEST(EarlyStop, WorkedExampleSettlesAfter880Periods) {
    const Circuit c = WorkedExample();
    Arrays arrays(c.N);
    RecordingProgress progress;
    const LoopResult result = SimulatePeriods(Inputs(c), c.NI, arrays.Pointers(), progress);
    EXPECT_EQ(result.end, LoopEnd::Repeated);
    EXPECT_EQ(result.periodsSimulated, 880);
    // A settled run reports completion once, inside the first slice.
    ASSERT_EQ(progress.reports.size(), 1U);
    EXPECT_EQ(progress.reports[0],
              std::make_pair(std::int64_t{2'000'000}, std::int64_t{2'000'000}));
}

TEST(EarlyStop, ReportsBetweenSlicesAndStopsWhenCancelled) {
    Circuit c = WorkedExample();
    c.C = 1e-3;
    c.RL = 100;
    c.NI = 3000;
    const std::int64_t slice = kStepsPerSlice / c.N * c.N;
    Arrays all(c.N);
    RecordingProgress progress;
    EXPECT_EQ(SimulatePeriods(Inputs(c), c.NI, all.Pointers(), progress).end, LoopEnd::AllPeriods);
    const std::vector<std::pair<std::int64_t, std::int64_t>> expected{
        {slice, 3'000'000}, {2 * slice, 3'000'000}, {3'000'000, 3'000'000}};
    EXPECT_EQ(progress.reports, expected);

    Arrays cancelled(c.N);
    RecordingProgress cancelling(2);
    const LoopResult result = SimulatePeriods(Inputs(c), c.NI, cancelled.Pointers(), cancelling);
    EXPECT_EQ(result.end, LoopEnd::Cancelled);
    EXPECT_EQ(result.periodsSimulated, 2 * slice / c.N);
    EXPECT_EQ(cancelling.reports.size(), 2U);
}

struct StepsCase {
    std::int32_t N;
    double D;
    std::optional<std::int32_t> K;
};

class SwitchOn : public ::testing::TestWithParam<StepsCase> {};

TEST_P(SwitchOn, RoundsHalvesToEvenAndRefusesCountsTheArraysCannotHold) {
    EXPECT_EQ(SwitchOnSteps(GetParam().N, GetParam().D), GetParam().K);
}

INSTANTIATE_TEST_SUITE_P(Counts, SwitchOn,
                         ::testing::Values(StepsCase{1000, 0.6, 600}, StepsCase{5, 0.5, 2},
                                           StepsCase{7, 0.5, 4}, StepsCase{1000, 0.0004, 0},
                                           StepsCase{1000, 0.9996, 1000}, StepsCase{1, 0.5, 0},
                                           StepsCase{10, 1.0, 10},
                                           StepsCase{10, 1.06, std::nullopt},
                                           StepsCase{10, -0.06, std::nullopt},
                                           StepsCase{10, std::nan(""), std::nullopt}));

}  // namespace
}  // namespace stepdown::testing

// The envelope of d(m) = w . A^m e against the sequence itself, multiplied out period by period
// in long double, for every kind of 2 x 2 map a period can be: a complex pair fast and slow,
// real eigenvalues of both signs, a repeated one, near-repeated ones, a nilpotent map.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "steadystate/TransientEnvelope.h"

namespace stepdown::transient {
namespace {

TEST(TransientEnvelope, BoundsEveryLaterTermAndFindsTheLastMiss) {
    const Real c = 0.95L * std::cos(0.3L), s = 0.95L * std::sin(0.3L);
    const Real slowC = 0.999L * std::cos(1e-4L), slowS = 0.999L * std::sin(1e-4L);
    const std::pair<const char*, Matrix> cases[] = {
        // a name, the map
        {"complex", {c, -2 * s, s / 2, c}},
        {"complex_turning_by_a_radian",
         {0.95L * std::cos(1.0L), -0.95L * std::sin(1.0L), 0.95L * std::sin(1.0L),
          0.95L * std::cos(1.0L)}},
        {"complex_slowly_turning", {slowC, -slowS, slowS, slowC}},
        {"real_of_both_signs", {0.2L, 0.7L, 0.9L, -0.1L}},
        {"real_close_to_one", {0.998L, 0.05L, 0.0L, 0.6L}},
        {"real_lower_triangular", {0.9L, 0, 5, 0.4L}},  // an eigenvector off the first row
        {"repeated", {0.9L, 1, 0, 0.9L}},
        {"nearly_repeated_real", {0.9L, 1, 1e-12L, 0.9L}},
        {"nearly_repeated_complex", {0.9L, 1, -1e-12L, 0.9L}},
        {"nilpotent", {0, 1, 0, 0}},
    };
    // The second w makes d(1) = -d(0) cos 1 for the radian turn: half of its swing is then
    // in the sine part alone.
    const Vector ws[] = {{1, -2}, {1, -2 / std::tan(1.0L)}};
    // The start's deviation, from rest, is no unit vector.
    const Vector es[] = {{1, 0}, {0.5L, 3}};
    constexpr int kTerms = 30000;
    for (const auto& [name, A] : cases)
        for (const Vector& w : ws)
            for (const Vector& e : es) {
                SCOPED_TRACE(name);
                std::vector<Real> d;
                Vector x = e;
                for (int m = 0; m < kTerms; ++m, x = A * x) d.push_back(Dot(w, x));
                // sup over m' >= m, the terms beyond kTerms being negligible here.
                std::vector<Real> later(d.size() + 1, 0);
                for (int m = kTerms - 1; m >= 0; --m)
                    later[m] = std::max(later[m + 1], std::fabs(d[m]));

                const Deviation deviation(A, ModesOf(A), w, e);
                for (const int m : {0, 1, 2, 7, 60, 500, 5000})
                    EXPECT_LE(later[m], deviation.Bound(m) * (1 + 1e-12L)) << m;
                for (const Real fraction : {0.5L, 1e-3L, 1e-6L}) {
                    const Real tolerance = fraction * later[0];
                    int lastMiss = -1;
                    for (int m = 0; m < kTerms; ++m)
                        if (std::fabs(d[m]) > tolerance) lastMiss = m;
                    EXPECT_EQ(PeriodsWithin(deviation, tolerance), lastMiss + 2) << fraction;
                }
            }
}

// A transient that turns by 0.4 millionths of a radian a period, its sine near zero
// where its envelope falls to the tolerance, leaves its bound more than 2^18 periods after
// its last miss: the walk back stops after those 2^18 periods, and what it has not walked
// stands on the bound, so that no search walks millions of periods.
TEST(TransientEnvelope, PastTheWalksBudgetTheBoundStands) {
    const Real r = 1 - 1e-6L, theta = std::numbers::pi_v<Real> / 7.4e6L;
    const Matrix A{r * std::cos(theta), -r * std::sin(theta), r * std::sin(theta),
                   r * std::cos(theta)};
    const Vector w{0, 1}, e{1, 0};  // d(m) = r^m sin(m theta)
    const Deviation deviation(A, ModesOf(A), w, e);
    const Real tolerance = 1e-3L;
    std::int64_t lastMiss = -1;
    Vector x = e;
    for (std::int64_t m = 0; m < 8'000'000; ++m, x = A * x)
        if (std::fabs(Dot(w, x)) > tolerance) lastMiss = m;
    const std::int64_t bound = deviation.BoundWithin(tolerance);
    constexpr std::int64_t kWalked = std::int64_t{1} << 18;
    ASSERT_GT(bound - lastMiss, kWalked + 1);
    EXPECT_EQ(PeriodsWithin(deviation, tolerance), bound - kWalked + 1);
    EXPECT_EQ(deviation.BoundWithin(deviation.Bound(0)), 0);  // within it from the start
    const Matrix D{0.3L, 0, 0, -0.2L};  // d(m) = 0.3^m - (-0.2)^m <= 0.5, its bound 2 at m = 0
    EXPECT_EQ(PeriodsWithin(Deviation(D, ModesOf(D), {1, 1}, {1, -1}), 1), 1);
    // A rotation never decays: out of reach, told as the cap itself.
    const Matrix R{std::cos(theta), -std::sin(theta), std::sin(theta), std::cos(theta)};
    EXPECT_EQ(PeriodsWithin(Deviation(R, ModesOf(R), w, e), tolerance), kMostPeriods);
}

TEST(TransientEnvelope, PowersAndSumsOfPowersBySquaring) {
    const Matrix S{0.5L, 0.25L, -0.125L, 0.75L};
    Matrix power = kIdentity2, sum{0, 0, 0, 0};
    for (int n = 0; n <= 37; ++n) {
        const Matrix p = PowerOf(S, n), q = SumOfPowers(S, n);
        const Real actual[] = {p.m11, p.m12, p.m21, p.m22, q.m11, q.m12, q.m21, q.m22};
        const Real expected[] = {power.m11, power.m12, power.m21, power.m22,
                                 sum.m11,   sum.m12,   sum.m21,   sum.m22};
        for (int k = 0; k < 8; ++k)
            EXPECT_NEAR(static_cast<double>(actual[k]), static_cast<double>(expected[k]), 1e-15)
                << n << " " << k;
        sum = sum + power;
        power = power * S;
    }
}

}  // namespace
}  // namespace stepdown::transient

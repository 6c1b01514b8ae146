// The E series as IEC 60063 lists them and the rounding of computed values onto them, with
// the decade edges and values that already are standard ones.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "componentchoice/StandardValues.h"

namespace stepdown {
namespace {

TEST(StandardValues, SeriesHoldTheirListedValuesAndNestInEachOther) {
    const std::vector<int> e6{10, 15, 22, 33, 47, 68};
    const std::vector<int> e12{10, 12, 15, 18, 22, 27, 33, 39, 47, 56, 68, 82};
    const std::vector<int> e24{10, 11, 12, 13, 15, 16, 18, 20, 22, 24, 27, 30,
                               33, 36, 39, 43, 47, 51, 56, 62, 68, 75, 82, 91};
    for (const auto& [s, listed] :
         {std::pair{Series::E6, e6}, {Series::E12, e12}, {Series::E24, e24}})
        EXPECT_TRUE(std::ranges::equal(SeriesMantissas(s), listed)) << listed.size();
}

TEST(StandardValues, RoundUpOrToTheNearestOnALogScaleWithExactDecades) {
    const double huge = std::numeric_limits<double>::max();
    // A value, its series, the value rounded up and to the nearest.
    const std::tuple<double, Series, std::optional<double>, std::optional<double>> cases[] = {
        {125, Series::E12, 150, 120},   // the worked example's L, uH
        {15.625, Series::E12, 18, 15},  // and its C, uF
        {9.6, Series::E12, 10, 10},     // into the next decade
        {4.7, Series::E12, 4.7, 4.7},   // already standard, whatever its binary value
        {0.47, Series::E6, 0.47, 0.47},
        {1e-7, Series::E24, 1e-7, 1e-7},
        {1e-21, Series::E6, 1e-21, 1e-21},  // 10 / 10^22, the last exact power
        {10, Series::E6, 10, 10},
        {82.000001, Series::E12, 100, 82},
        {68.1, Series::E6, 100, 68},
        {3.5, Series::E24, 3.6, 3.6},  // 3.5 / 3.3 = 1.061 against 3.6 / 3.5 = 1.029
        {3.4, Series::E24, 3.6, 3.3},  // 1.030 against 1.059
        {91.5, Series::E24, 100, 91},
        {10.954451150103322, Series::E12, 12, 12},  // value / 10 == 12 / value: a tie goes up
        {2.2e6, Series::E12, 2.2e6, 2.2e6},
        {0, Series::E12, std::nullopt, std::nullopt},
        {-4.7, Series::E12, std::nullopt, std::nullopt},
        {std::numeric_limits<double>::infinity(), Series::E12, std::nullopt, std::nullopt},
        {huge, Series::E6, std::nullopt, 1.5e308},  // 2.2e308 overflows
        // One rounding error from a standard value is that value; 2e-9 is not.
        {15.000000000000002, Series::E12, 15, 15},
        {14.999999999999998, Series::E12, 15, 15},
        {15 * (1 + 2e-9), Series::E12, 18, 15},
        {15 * (1 - 2e-9), Series::E12, 15, 15},
        {0.1 * 3 * 10, Series::E24, 3, 3},  // 3.0000000000000004
        {82 * (1 + 0.5e-9), Series::E12, 82, 82},
    };
    for (const auto& [value, series, up, nearest] : cases)
        EXPECT_EQ(std::pair(RoundToSeries(value, series, Rounding::Up),
                            RoundToSeries(value, series, Rounding::Nearest)),
                  std::pair(up, nearest))
            << value;
}

TEST(StandardValues, SameValueWithinAToleranceOfTheLargerMagnitude) {
    // Two values, whether they are the same either way round.
    const std::tuple<double, double, bool> rows[] = {
        {1, 1 + 0.9e-9, true},  {1, 1 + 1.1e-9, false}, {-5, -5 * (1 + 0.9e-9), true},
        {1e-300, 1e-300, true}, {0, 0, true},           {0, 1e-300, false},
        {-1, 1, false}};
    for (const auto& [a, b, same] : rows)
        EXPECT_EQ(std::pair(SameValue(a, b), SameValue(b, a)), std::pair(same, same))
            << a << " " << b;
}

}  // namespace
}  // namespace stepdown

#include "engine/Extremes.h"

#include <algorithm>
#include <cmath>

#include "model/Module1.h"

namespace stepdown {

bool ScanFits(std::span<const double> wave, std::int32_t n) {
    return std::max<std::int64_t>(n, 0) + 2 <= std::ssize(wave);
}

double MaxMagnitudeScan(std::span<const double> wave, std::int32_t n) {
    const double* const samples = wave.data();
    double result = samples[1];
    for (std::int32_t i = 1; i <= n; ++i) {
        const double m = std::fabs(samples[i]);
        if (m >= result) result = m;
    }
    return result;
}

double MinMagnitudeScan(std::span<const double> wave, std::int32_t n) {
    const double* const samples = wave.data();
    double result = samples[1];
    for (std::int32_t i = 1; i <= n; ++i) {
        const double m = std::fabs(samples[i]);
        if (m <= result) result = m;
    }
    return result;
}

namespace {

// N may have been set by a launch that stopped before the arrays were made
// for it; a scan then keeps its previous result instead of reading past them.
void ScanInto(double& result, const std::vector<double>& wave, std::int32_t n,
              double (*scan)(std::span<const double>, std::int32_t)) {
    if (ScanFits(wave, n)) result = scan(wave, n);
}

}  // namespace

void Module1::FindMaxIL() { ScanInto(MaxIL, WaveIL, N, MaxMagnitudeScan); }
void Module1::FindMinIL() { ScanInto(MinIL, WaveIL, N, MinMagnitudeScan); }
void Module1::FindMaxIC() { ScanInto(MaxIC, WaveIC, N, MaxMagnitudeScan); }
void Module1::FindMaxVo() { ScanInto(MaxVo, WaveVo, N, MaxMagnitudeScan); }
void Module1::FindMinVo() { ScanInto(MinVo, WaveVo, N, MinMagnitudeScan); }
void Module1::FindMaxVd() { ScanInto(MaxVd, WaveVd, N, MaxMagnitudeScan); }

}  // namespace stepdown

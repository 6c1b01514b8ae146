#pragma once
// The scans of the final period: the largest or smallest magnitude among
// samples 1..N of one waveform array (indices 0..N+1). Module1's six
// scans and the cursor readout share them.

#include <cstdint>
#include <span>

namespace stepdown {

// True when `wave` holds the indices 0..n+1 that a scan of n samples reads
// (sample 1 always, as the start value).
bool ScanFits(std::span<const double> wave, std::int32_t n);

// Starts from sample 1 as stored (sign included) and, for i = 1..n, takes
// |wave[i]| whenever it is >= (resp. <=) the running value. Requires
// ScanFits(wave, n).
double MaxMagnitudeScan(std::span<const double> wave, std::int32_t n);
double MinMagnitudeScan(std::span<const double> wave, std::int32_t n);

}  // namespace stepdown

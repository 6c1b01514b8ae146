#pragma once
// What the figures of a steady-state period share, whatever carries the
// current while the switch is off: sampled extremes, the textbook estimates
// and the checks a result passes before it is shown.

#include <algorithm>
#include <limits>

#include "realparts/RealParts.h"

namespace stepdown {

struct SampledRange {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    void Take(double x) {
        low = std::min(low, x);
        high = std::max(high, x);
    }
    double Span() const { return high - low; }
};

// The textbook estimates from Io, the ripple dIL and D.
TextbookStresses Textbook(double Io, double deltaIL, double D);

// Every figure a finite number.
bool AllFinite(const RealPartsAnalysis& r);

// Efficiency within 0-100 %, no loss below zero (nor a diode's mean current),
// and input = output + losses within 0.5 %.
bool KeepsThePhysics(const RealPartsAnalysis& r);

// `result` as it may be shown: with the notes on the switching times and the
// gate drive and Found; or, with a figure not finite, nothing; or, breaking
// the physics, only marked unphysical.
RealPartsAnalysis Shown(RealPartsAnalysis result, const CircuitValues& values,
                        const PartValues& parts);

// The sum of the losses, in the order of their fields.
double TotalLoss(const Losses& l);

// The synchronous stage's figures; `parts` has passed ValidValues with its duty.
RealPartsAnalysis AnalyzeSynchronous(const CircuitValues& values, const PartValues& parts,
                                     const AnalysisOptions& options);

}  // namespace stepdown

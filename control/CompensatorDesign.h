#pragma once
// The compensator from a target crossover fc and phase margin PM by the
// K-factor method, with the plant's exact phase at fc (ESR zero and damping
// included):
//   boost = PM - 90 - angle(Fm Gvd(fc)),
//   Type II:  K = tan(boost/2 + 45),  zero at fc/K, pole at fc K;
//   Type III: K = tan(boost/4 + 45),  double zero at fc/K, double pole at fc K,
// and |Gc(fc)| = 1/|Fm Gvd(fc)|. With A = |Fm Gvd(fc)|, wc = 2 pi fc:
//   Type II:  C1 + C2 = K A/(wc R1),   C2 = (C1 + C2)/K^2, R2 = K/(wc C1);
//   Type III: C1 + C2 = K^2 A/(wc R1), C2 = (C1 + C2)/K^2, R2 = K/(wc C1),
//             R3 = R1/(K^2 - 1), C3 = 1/(wc K R3).
// Type II gives a boost in (0, 90) degrees, Type III in (0, 180).

#include <optional>
#include <string>

#include "control/LoopAnalysis.h"

namespace stepdown {

struct CompensatorTargets {
    double fc = 0;  // Hz
    double phaseMarginDeg = 60;
    std::optional<int> type;  // forced; automatic: 3 when fESR > fc in voltage mode, else 2
};

struct CompensatorDesign {
    std::optional<Compensator> compensator;  // R1 and Rb as given
    double boostDeg = 0;
    double K = 0;
    std::string refusal;  // when there is no compensator
};

// The loop's compensator R1 and Rb are kept; the rest is designed.
CompensatorDesign DesignCompensator(const LoopCircuit& loop, const CompensatorTargets& targets);

// The sentence telling that the designed loop's `analysis` misses the
// targets, by more than 1 % in fc or 1 degree in the phase margin, with both
// numbers of each; nothing when it meets them.
std::optional<std::string> MissedTargets(const CompensatorTargets& targets,
                                         const LoopAnalysis& analysis);

// The nearest E96 value on a log scale; nothing for a value not positive and finite.
std::optional<double> RoundToE96(double value);

// Resistors onto E96, capacitors onto E12, each to the nearest value.
Compensator RoundedCompensator(const Compensator& c);

}  // namespace stepdown

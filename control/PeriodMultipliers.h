#pragma once
// Whether the switched closed loop holds its period-1 orbit: the multipliers
// of its period map at that orbit, stable or not. The map takes the state
// at a period's start (iL, vC, vC1, vC2, and vC3 with a Type III network) to
// the next period's start through control/SwitchedSimulation.h; its orbit is
// the fixed point found by Newton's method, its Jacobian by central
// differences, and the multipliers are the Jacobian's eigenvalues. A real
// one below -1 is the subharmonic oscillation of peak-current mode; the
// ramp that would suffice is then searched for.

#include <complex>
#include <optional>
#include <string>
#include <vector>

#include "control/LoopAnalysis.h"
#include "model/WindowOperations.h"

namespace stepdown {

// All of it within one bound on the integration's work, refused before it
// starts when Newton's steps could pass it; `progress` hears of each period
// mapped, and a cancel leaves kCancelled as the refusal.
PeriodMultipliers ClosedLoopMultipliers(const LoopCircuit& loop,
                                        ProgressReporter* progress = nullptr);

// What the multipliers say when the orbit is not stable: "oscillazione
// subarmonica" with the ramp that would suffice, or a multiplier outside the
// unit circle; nothing for a stable orbit.
std::optional<std::string> MultiplierWarning(const PeriodMultipliers& m);

// The eigenvalues of a square matrix of at most 5 rows (row-major).
std::vector<std::complex<double>> Eigenvalues(std::vector<std::vector<double>> A);

}  // namespace stepdown

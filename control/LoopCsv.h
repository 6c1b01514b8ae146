#pragma once
// The loop's two tables as CSV, one writer for the command and the window:
// the Bode plot (frequency in Hz, magnitudes in dB, phases in degrees) and
// the step response's trace (SI units). Numbers in their shortest
// round-trip form; a value that is not finite is written null.

#include <string>

#include "control/ClosedLoop.h"
#include "control/LoopAnalysis.h"

namespace stepdown {

std::string BodeCsv(const LoopAnalysis& analysis);
std::string StepCsv(const TransientResult& transient);

}  // namespace stepdown

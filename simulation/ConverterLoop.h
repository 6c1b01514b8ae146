#pragma once
// The period loop of the converter simulation on raw arrays, in two forms
// that leave bit-identical arrays: the plain loop over every period, and the
// loop that stops once a period has closed on its own start state.

#include <cstdint>
#include <optional>

#include "model/WindowOperations.h"

namespace stepdown {

struct CircuitInputs {
    double Vi = 0.0;        // V
    double D = 0.0;         // fraction
    double TimeStep = 0.0;  // s
    double L = 0.0;         // H
    double C = 0.0;         // F
    double RL = 0.0;        // ohm
    std::int32_t N = 0;     // samples per period
};

// Pointers to index 0 of the five arrays, each with indices 0..N+1.
struct WaveArrays {
    double* iL = nullptr;
    double* Vo = nullptr;
    double* iC = nullptr;
    double* Vd = nullptr;
    double* id = nullptr;
};

// K = RoundToInteger(N x D), the switch-on steps of a period; nothing when
// it is not a count from 0 to N (D outside 0..1), which the arrays could
// not hold.
std::optional<std::int32_t> SwitchOnSteps(std::int32_t N, double D);

// Every one of `periods` periods as written (none for periods <= 0).
// Requires N >= 1 and SwitchOnSteps(N, D); does nothing otherwise.
void SimulatePeriodsPlain(const CircuitInputs& inputs, std::int32_t periods,
                          const WaveArrays& arrays);

enum class LoopEnd {
    AllPeriods,  // every period ran
    Settled,     // a period closed on its start state: the rest would repeat it
    NotFinite,   // the state at a period's end is not finite
    Cancelled,   // the progress reporter said stop
};

struct LoopResult {
    LoopEnd end = LoopEnd::AllPeriods;
    std::int64_t periodsSimulated = 0;
};

// Steps per slice between two progress reports.
inline constexpr std::int64_t kStepsPerSlice = std::int64_t{1} << 20;

// The same periods with the exact early stop. A period reads only iL[1] and
// Vo[1] of the arrays it starts from (and the never-written index 0), so a
// period that ends in its start state, bit for bit, is a fixed point: the
// arrays are then those the plain loop leaves. Non-finite values never
// become finite again (an infinite or NaN state poisons every later sample),
// so a non-finite end state stops the run too. Between slices of about
// kStepsPerSlice steps, and once with (total, total) after a settled run, it
// calls progress.Continue(stepsDone, stepsTotal); false cancels. Same
// requirements as the plain loop; nothing runs without them.
LoopResult SimulatePeriods(const CircuitInputs& inputs, std::int32_t periods,
                           const WaveArrays& arrays, ProgressReporter& progress);

}  // namespace stepdown

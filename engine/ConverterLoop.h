#pragma once
// The period loop of the converter simulation on raw arrays, in two forms
// that leave bit-identical arrays: the plain loop over every period, and the
// loop that stops once the state at a period's end repeats an earlier one.
// The second also keeps what the run went through on its way from rest: the
// extremes of every period and a bounded envelope of them.

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

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

// What a period reads of the arrays it starts from: iL[1] and Vo[1] (and
// the never-written index 0). Everything the period writes follows from it.
struct PeriodState {
    double iL = 0.0;  // A
    double Vo = 0.0;  // V
};

// The largest and smallest iL and Vo among samples 1..N of one or more
// periods, each period's arrays as the period leaves them. Empty (the
// infinities) until a sample has been taken.
struct SampleExtremes {
    double maxIL = -std::numeric_limits<double>::infinity();
    double minIL = std::numeric_limits<double>::infinity();
    double maxVo = -std::numeric_limits<double>::infinity();
    double minVo = std::numeric_limits<double>::infinity();

    void Merge(const SampleExtremes& other);
};

// The extremes of the periods firstPeriod..lastPeriod (1-based) of a run.
struct EnvelopeBucket {
    std::int64_t firstPeriod = 0;
    std::int64_t lastPeriod = 0;
    SampleExtremes extremes;
};

// At most this many buckets: beyond it neighbouring buckets are merged in
// pairs, so each bucket covers a power of two of periods.
inline constexpr std::size_t kMaxEnvelopeBuckets = 4096;

// At least this many of the latest period-end states are remembered for
// the repeat detection, whatever the number of periods.
inline constexpr std::int64_t kRememberedPeriods = 4096;

// K = RoundToInteger(N x D), the switch-on steps of a period; nothing when
// it is not a count from 0 to N (D outside 0..1), which the arrays could
// not hold.
std::optional<std::int32_t> SwitchOnSteps(std::int32_t N, double D);

// Every one of `periods` periods as written (none for periods <= 0).
// Requires N >= 1 and SwitchOnSteps(N, D); does nothing otherwise.
void SimulatePeriodsPlain(const CircuitInputs& inputs, std::int32_t periods,
                          const WaveArrays& arrays);

// One period started from `start`, and the extremes of the samples it
// leaves. Same requirements as the plain loop; nothing runs without them.
SampleExtremes SimulatePeriodFrom(const CircuitInputs& inputs, PeriodState start,
                                  const WaveArrays& arrays);

enum class LoopEnd {
    AllPeriods,  // every period ran
    Repeated,    // a period-end state repeated an earlier one: the rest repeats the cycle
    NotFinite,   // the state at a period's end is not finite
    Cancelled,   // the progress reporter said stop
};

struct LoopResult {
    LoopEnd end = LoopEnd::AllPeriods;
    // Periods actually simulated, up to and including the repeat found.
    std::int64_t periodsSimulated = 0;
    // The period n at which a repeat was found: its end state equals that of
    // an earlier remembered period m (period 0 being rest), and the cycle
    // length n - m; 0 without a repeat. With the bounded memory this can be
    // later than the first repeat of the run, never earlier.
    std::int64_t repeatPeriod = 0;
    std::int64_t cycleLength = 0;
    // Over every period of the run, those after the repeat included.
    SampleExtremes startup;
    // The per-period extremes from period 1 to the last of the run, in
    // order; after a repeat one bucket stands for the repeated cycle up to
    // the last period.
    std::vector<EnvelopeBucket> envelope;
};

// Steps per slice between two progress reports.
inline constexpr std::int64_t kStepsPerSlice = std::int64_t{1} << 20;

// The same periods, stopping at an exact repeat of a period-end state
// (iL[1], Vo[1]) bit for bit among the remembered ones: from there on
// every period repeats the cycle, so the arrays are finished with the one
// period that the plain loop's last period repeats, and are those the plain
// loop leaves. Non-finite values never become finite again, so a non-finite
// end state stops the run too. Between slices of about kStepsPerSlice steps,
// and once with (total, total) after a repeat, it calls
// progress.Continue(stepsDone, stepsTotal); false cancels. Same
// requirements as the plain loop; nothing runs without them.
LoopResult SimulatePeriods(const CircuitInputs& inputs, std::int32_t periods,
                           const WaveArrays& arrays, ProgressReporter& progress);

}  // namespace stepdown

#pragma once
// The run of "Grafici" after the inputs have been read: the time-domain
// simulation of the step-down stage, the continuous-conduction check, the
// extremes and the measured figures, returned as a run to draw afterwards.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "model/Module1.h"
#include "model/WindowOperations.h"
#include "verification/SimulationRun.h"

namespace stepdown {

// Above this many samples per period the five arrays, and the window's copy
// of them, stop fitting comfortably in memory.
inline constexpr std::int32_t kMaxSamplesPerPeriod = 2'000'000;

inline constexpr std::string_view kConductionMessage =
    "Il Duty Cycle non può essere così basso, la corrente nell'induttore non può annullarsi, "
    "prova ad aumentare L ( anche di molto )!";
inline constexpr std::string_view kUnstableMessage =
    "La simulazione è instabile: il passo di integrazione è troppo lungo rispetto alle costanti "
    "di tempo del circuito, prova ad aumentare N!";

// The conduction message and, after it, the advice to raise NI to
// `periods`: for a run refused while its start-up lasts, whose steady state
// conducts.
std::string ConductionDuringStartupMessage(std::int32_t NI, std::int64_t periods);

enum class SimulationOutcome {
    Completed,          // measured and analysed
    ConductionRefused,  // iL not positive somewhere in the final period: refusal, with
                        // the NI to advise while the start-up alone is the cause
    Unstable,           // the state stopped being finite: refusal
    FiguresOverflow,    // a figure lies beyond the double range: refusal
    Cancelled,          // stopped through the progress reporter: no refusal
    InvalidSettings,    // N outside 1..kMaxSamplesPerPeriod or D outside 0..1: nothing done
};

struct SimulationResult {
    SimulationOutcome outcome = SimulationOutcome::InvalidSettings;
    // The run to show: after a completed run (with its analysis) or a
    // conduction-refused one, null otherwise.
    std::shared_ptr<const SimulationRun> run;
    // The message that ends a refused run, for the caller to show once the
    // window shows the run; empty otherwise.
    std::string refusal;
};

// Whether SimulateConverter can run on Module1's N and D at all.
bool SimulationSettingsValid(const Module1& module);

// Simulates Module1's Vi, D, f, L, C, RL over NI periods of N steps from
// rest into WaveIL..WaveId and TimeStep; then checks continuous conduction,
// takes the six extremes, measures the figures and analyses the start-up and
// the steady state. Nothing is drawn and nothing shown: the run comes back,
// a copy of the arrays after a completed or conduction-refused run, null
// after an unstable, overflowing or cancelled one (nothing of such a run is
// measured), with the refusal's message. The extremes change once the
// conduction check has passed, the figures only in a completed run.
// `design`, when given, is the design the verification fields hold, kept in
// the analysis for comparison; `launchTexts`, the texts of the quantities
// the launch read, are kept in the run.
SimulationResult SimulateConverter(Module1& module, ProgressReporter& progress,
                                   const DesignRecord* design = nullptr, TextList launchTexts = {});

}  // namespace stepdown

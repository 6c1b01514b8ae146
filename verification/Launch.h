#pragma once
// The click of "Grafici": reads the nine verification fields, refuses
// inputs the simulation cannot run on, resets and fills the waveform window
// and writes the measured figures into it.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "model/Module1.h"
#include "model/VerificationFields.h"
#include "model/WindowOperations.h"
#include "verification/SimulationRun.h"

namespace stepdown {

enum class LaunchOutcome {
    InputRefused,       // a field or range message; nothing simulated
    Cancelled,          // the user stopped the run
    Unstable,           // the integration left the double range (or a figure did): message
    ConductionRefused,  // iL not positive somewhere in the final period: message
    Settled,            // completed, the figures are the steady state's
    NotSettled,         // completed, with the warning that they are not yet
};

struct LaunchResult {
    LaunchOutcome outcome = LaunchOutcome::InputRefused;
    // The run the waveform window was handed, null when it was handed none.
    std::shared_ptr<const SimulationRun> run;
};

// Told of each of the six circuit quantities as it is read.
using FieldReadNotice = std::function<void(const Quantity& row)>;

// "Grafici" on the texts, as every front end runs it. Checks the texts of
// Vi, D, f, L, C, RL (verification) and N, NP, NI (simulation) in that order, converts them into
// Vi, D, f, L, C, RL, N, NP, NI (telling `fieldRead` of each of the first six as it is read) and
// refuses, each with one message to `messages` that ends the click:
//   Vi <= 0; D <= 0 or D >= 1; f, L, C or RL <= 0 (each right after it is
//   read); a number beyond the double range in any field; an f that
//   overflows on the way to Hz; N, NP or NI beyond 32 bits; N below 1 or
//   above kMaxSamplesPerPeriod.
// A refused quantity stays stored, as do those read before it, except N,
// which is stored only once accepted so that it never exceeds the arrays the
// scans read. Then it runs SimulateConverter, shows its refusal if any and,
// last, gives a completed run whose figures are not yet those of the steady
// state one warning. Nothing is drawn: the run comes back to be drawn.
LaunchResult VerifyFromTexts(Module1& module, const InputTexts& texts, MessageDisplay& messages,
                             ProgressReporter& progress, std::string_view separator,
                             const FieldReadNotice& fieldRead = {});

// The same, shown in the waveform window `host` gives: once the inputs are
// accepted its plot is reset and its frame drawn before anything is
// simulated; the traces are drawn from the run and the window is handed the
// run before the refusal is shown; then SimDeltaiL, SimDeltaVo, SimIDP,
// SimIDm and SimIim are written into their labels (model/MainWindowBoxes.h)
// with `separator`, whatever the outcome (after a refused, unstable or
// cancelled run the figures of the last completed one, 0 before the first),
// and last the warning.
LaunchResult VerifyIntoWindow(Module1& module, const InputTexts& texts, MessageDisplay& messages,
                              ProgressReporter& progress, std::string_view separator,
                              WaveformWindowHost& host, const FieldReadNotice& fieldRead = {});

// The click of "Grafici": the same on the window's texts, each circuit field
// turned black as it is read, the figures in the waveform window's labels
// with the locale's separator.
LaunchResult LaunchVerification(Module1& module, MainWindowOperations& window,
                                WaveformWindowHost& host, ProgressReporter& progress);

// The warning after a completed run that has not reached its steady state:
// "Attenzione: dopo <NI> periodi ... fino al <percent> %." followed by what
// the steady state allows: "Aumenta NI ad almeno <periodsNeeded>.", or why
// no NI can show it; a warning of its own when the steady state cannot be
// computed or does not exist. Empty for a settled run. `separator` goes into
// the numbers.
std::string UnsettledWarning(const RunAnalysis& analysis, std::int32_t NI,
                             std::string_view separator);

inline constexpr std::string_view kNoSteadyStateMessage =
    "Attenzione: con questo passo di integrazione la simulazione non ha un regime, perché le "
    "forme d'onda crescerebbero senza limite: le grandezze mostrate non sono quelle di regime, "
    "prova ad aumentare N!";

}  // namespace stepdown

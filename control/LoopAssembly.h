#pragma once
// From the controller's values to the loop to analyse: the steps that the
// command, the window "Anello di controllo" and the report each take in
// their own order of checks. Each step returns what went wrong as a value,
// and every caller words it for its own reader (an option, a field, a line).

#include <optional>
#include <string>
#include <string_view>

#include "control/ClosedLoop.h"
#include "control/CompensatorDesign.h"
#include "control/ControlQuantities.h"
#include "control/LoopAnalysis.h"

namespace stepdown {

// Vcmax left empty is 1.2 Vramp.
Modulator ModulatorOf(const ControlValues& v);

// Rb as given, or the one that divides vo (V) down to Vref; nothing when Rb
// is left empty and vo is not above Vref.
std::optional<double> DividerRb(const ControlValues& v, double vo);

// The network's values that its type needs: the type as given, or III when
// R3 or C3 is given. `c.type` is set; the values only when all are given.
struct NetworkTake {
    std::size_t given = 0, needed = 0;
    std::string_view firstMissing;  // the key of the first value left out
    bool Whole() const { return given == needed; }
    bool Partial() const { return given > 0 && given < needed; }
};
NetworkTake TakeNetwork(const ControlValues& v, Compensator& c);

// fc as given or f/10, when it is below f/2.
std::optional<double> CrossoverOf(const ControlValues& v, double f);

// The network designed for `fc` and the phase margin, with the type if one is given.
CompensatorDesign DesignNetwork(const ControlValues& v, const LoopCircuit& loop, double fc);

// The step response asked by a soft-start or a step, with tend as given or
// the default; `unpaired` when a step lacks its value or its time, `late`
// when a step is not before tend.
struct StepRequest {
    std::optional<TransientRequest> request;
    bool unpaired = false, late = false;
};
StepRequest StepRequestOf(const ControlValues& v);

}  // namespace stepdown

#pragma once
// From the controller's values to the loop to analyse, the same for the
// command, the window "Anello di controllo" and the report: SetUpLoop
// applies the rules that tie the read values together, in one order, and
// refuses with one sentence per rule; each front end only says where the
// refused text came from.

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

// In peak-current mode, once the divider is known: Ri and tblank as given,
// Se as given or chosen for Qp = 1 at the operating point, Ilim as given or
// the default from the heaviest load of `request`, and Vcmax = Ri Ilim.
void SetUpCurrentMode(const ControlValues& v, const std::optional<TransientRequest>& request,
                      LoopCircuit& loop);

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

// The step response asked by a soft-start, a step, an end tend or `asked`
// (the command's --step-csv), with tend as given or the default. `unpaired`
// names the text a step lacks (its value or its time), `late` the time of a
// step that is not before tend.
struct StepRequest {
    std::optional<TransientRequest> request;
    std::string_view unpaired, late;
};
StepRequest StepRequestOf(const ControlValues& v, bool asked = false);

// Values no loop can be computed from: a divider whose Vo is not a normal
// number (named by the first of Vref, R1 and Rb that is not, else Rb if
// given, else Vref), a ramp whose gain Vi/Vramp is not, a current sense whose
// Ri Ilim or 1/Ri is not, and a network with a value that is not (named by
// the first given value that is not, else by the modulator's gain if moved
// from its start, else by R1; the sentence ends with that quantity's words).
inline constexpr std::string_view kDividerLost =
    "Con questi Vref, R1 e Rb la tensione del partitore Vref (1 + R1/Rb) non è un numero "
    "rappresentabile: rivedi i valori!";
inline constexpr std::string_view kRampGainLost =
    "Con questa Vramp il guadagno del modulatore Vi/Vramp non è un numero rappresentabile: "
    "rivedi Vramp!";
inline constexpr std::string_view kSenseLost =
    "Con questo Ri il sensore di corrente dà valori non rappresentabili (Ri Ilim, la rampa Se): "
    "rivedi Ri!";
inline constexpr std::string_view kNetworkLost =
    "Con questi valori la rete del compensatore non ha valori rappresentabili: rivedi ";

// A rule of the loop refused: the key of the text to change (empty when no
// text is at fault, as when no network meets the targets) and the sentence.
struct LoopRefusal {
    std::string_view key;
    std::string sentence;
};

// The output the divider is asked for when Rb is left empty: `vo` as the
// design's row reads it, held to the design's rules against Vi, or D Vi when
// no vo is given and a D is; 0 when neither is.
struct AskedVo {
    double vo = 0;                       // V
    std::optional<LoopRefusal> refusal;  // names vo
};
AskedVo AskedOutput(std::string_view voText, double Vi, std::optional<double> D);

struct LoopSetup {
    std::optional<LoopRefusal> refusal;  // when set, nothing below holds
    LoopCircuit loop;
    std::optional<CompensatorTargets> designedFor;  // the network was designed for these
    std::optional<TransientRequest> request;        // a step response is asked
    double askedVo = 0;                             // V, the `vo` Rb was or would be set from
};

struct LoopAsk {
    bool redesign = false;      // design the network even when it is given
    bool stepResponse = false;  // a step response even without a step
};

// The loop of the read values, in this order of checks: the steps, the
// divider (Rb as given, or from `vo`), the network given whole or designed
// for fc and the phase margin.
LoopSetup SetUpLoop(const CircuitValues& circuit, const PartValues& parts, double vo,
                    const ControlValues& v, LoopAsk ask = {});

// The averaged analysis of `loop`, telling a designed network's missed
// targets, and in peak-current mode the switched loop's multipliers, whose
// progress `progress` hears (cancelled, the multipliers' refusal is kCancelled).
LoopAnalysis AnalyseLoopFor(const LoopCircuit& loop,
                            const std::optional<CompensatorTargets>& designedFor,
                            ProgressReporter* progress = nullptr);

}  // namespace stepdown

#pragma once
// The regulated converter as the window "Anello di controllo" computes it
// on its texts: the controller's values read, the divider's Rb from Vo when
// it is left empty, the network given whole or designed for fc and the
// phase margin, the averaged analysis, and the step response when a
// soft-start or a step asks for it.

#include <optional>
#include <string>

#include "control/ClosedLoop.h"
#include "control/ControlQuantities.h"
#include "control/LoopAnalysis.h"
#include "model/InputTexts.h"

namespace stepdown {

struct LoopStudy {
    std::string refusal;  // not empty: nothing below holds
    LoopCircuit loop;
    double askedVo = 0;     // V, what the divider was asked for
    bool designed = false;  // the network was designed, not given
    LoopAnalysis analysis;
    std::optional<TransientRequest> request;
    std::optional<TransientResult> transient;
    // The network on the E96 and E12 series, and its analysis.
    Compensator standard;
    LoopAnalysis standardAnalysis;
};

// The output the divider regulates to when Rb is left empty: the design's
// Vo as its field holds it, or D Vi when that field does not read.
double RegulatedVo(const InputTexts& texts, const CircuitValues& circuit);

// `vo` (V) sets Rb = R1 Vref / (vo - Vref) when the text of Rb is empty.
LoopStudy StudyLoop(const CircuitValues& circuit, const PartValues& parts, double vo,
                    const ControlTexts& texts);

}  // namespace stepdown

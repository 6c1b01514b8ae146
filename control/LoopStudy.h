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
#include "control/LoopAssembly.h"
#include "model/InputTexts.h"
#include "realparts/PartTexts.h"

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

// The loop of the main window's texts, the parts' and the controller's, as
// the window and the report both read them, in this order: the circuit as
// the launch reads it, the parts, the controller, the design's Vo (empty: D
// Vi), then SetUpLoop's rules.
LoopSetup SetUpLoopOf(const InputTexts& form, const PartTexts& parts, const ControlTexts& texts,
                      LoopAsk ask = {});

// The study of that loop.
LoopStudy StudyLoop(const InputTexts& form, const PartTexts& parts, const ControlTexts& texts);

}  // namespace stepdown

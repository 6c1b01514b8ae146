#pragma once
// What the window "Componenti reali" computes on each recompute: the
// circuit read from the verification fields exactly as "Grafici" reads
// them, the part values from their texts, the converter as built at that
// circuit and, while the fields still hold the design, the duty cycle D'
// that gives the design's Vo. Also the writing of D' back into the field D.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/Module1.h"
#include "realparts/PartTexts.h"
#include "realparts/RealParts.h"
#include "realparts/Thermal.h"

namespace stepdown {

// Samples per period of the window's waveforms, the verification's default N.
inline constexpr std::int32_t kRealPartsWindowSamples = 1000;

struct CircuitReading {
    std::optional<CircuitValues> values;  // SI units
    std::string message;                  // the refusal, when there are no values
    const Quantity* refused = nullptr;    // the refused quantity's row
};

// The verification texts of Vi, D, f, L, C, RL as the launch reads them: the
// character check of the six in that order, then each read with ParseNumber,
// converted to SI units and range-checked, with the launch's messages; the
// first refusal ends the reading. Changes no Module1.
CircuitReading ReadCircuitFields(const InputTexts& texts);

struct RealPartsStudy {
    // The first refused field's message (circuit before parts); then
    // nothing below is computed.
    std::string refusal;
    CircuitValues circuit;
    PartValues parts;
    // The design's Vo, while the verification fields hold the design.
    std::optional<double> targetVo;
    RealPartsAnalysis analysis;
    DutySynthesis duty;  // only with a target
    // With a thermal resistance given. Once its temperatures are found, the
    // analysis and D' above are those of the warm converter, running at D'
    // when there is a target.
    std::optional<ThermalResult> thermal;
};

// The converter as built at `circuit`, D' for a target, and the thermal
// verdict when asked.
RealPartsStudy StudyCircuit(const CircuitValues& circuit, const PartValues& parts,
                            std::optional<double> targetVo);

// A cold study whose target D' meets moved to D': its circuit at D' and the
// analysis there, from the search already made. A warm study already runs at
// D' (and one without a met target at its own D): it is left as it is.
void MoveToDutyForTarget(RealPartsStudy& study);

// The study of the verification fields and the part texts, aiming at the
// Vo of the design `module` last made while the fields hold it (AimedDesign).
RealPartsStudy StudyRealParts(const std::optional<DesignRecord>& lastDesign,
                              const InputTexts& texts, const PartTexts& parts);

// The last design while the verification fields hold every text it wrote
// into them but D's, otherwise null. D is what D' replaces: whether "Usa D′"
// or the user wrote it, the design saved, reopened or reported aims at the
// Vo the window aimed at.
const DesignRecord* AimedDesign(const std::optional<DesignRecord>& lastDesign,
                                const InputTexts& texts);

// Writes D' into the field D as the design writes its fields: in percent in
// the field's form, in blue. A design the fields held before keeps counting
// as held, with the new text of D in its record, so that its Vo stays the
// target.
void ApplyDutyCycle(Module1& module, MainWindowOperations& window, double D);

}  // namespace stepdown

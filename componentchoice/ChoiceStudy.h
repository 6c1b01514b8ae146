#pragma once
// What the window "Scelta dei componenti" computes on each update: the last
// design shown, the part values and the choices read from their texts, the
// standard values with their check, the worst case around them and the
// load sweep on them. Also the writing of the chosen L and C back into the
// verification fields.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "componentchoice/ChoiceReading.h"
#include "model/Module1.h"
#include "realparts/PartTexts.h"

namespace stepdown {

// Samples per period of every evaluation, the verification's default N.
inline constexpr std::int32_t kChoiceSamples = 1000;

// The design's requirements in SI units.
DesignTargets TargetsOf(const DesignRecord& design);

struct ChoiceStudy {
    // The first refused text's message (the choices before the parts); then
    // nothing below is computed.
    std::string refusal;
    const ChoiceField* refusedChoice = nullptr;  // null for a refused part value
    DesignTargets design;
    double L = 0, C = 0;  // uH, uF, computed by the design
    ChoiceSettings settings;
    PartValues parts;
    StandardChoice choice;
    WorstCase corners;  // around the standard values
    // Of the sweep, ascending: the lowest, nominal and highest input voltage,
    // each once.
    std::vector<double> inputVoltages;
    std::vector<SweepPoint> sweep;  // on the standard values

    bool Computed() const { return refusal.empty(); }
};

ChoiceStudy StudyChoice(const DesignRecord& design, const PartTexts& parts,
                        const ChoiceTexts& choices, std::int32_t samples = kChoiceSamples);

// Writes L and C (uH, uF) into the fields L and C as the design writes its
// fields: in the field's form, in blue. A design the fields held before
// keeps counting as held, with the new texts in its record, so that a
// verification still compares with its requirements.
void ApplyStandardValues(Module1& module, MainWindowOperations& window, double L, double C);

}  // namespace stepdown

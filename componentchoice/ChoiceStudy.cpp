#include "componentchoice/ChoiceStudy.h"

#include <algorithm>

#include "model/MainWindowBoxes.h"
#include "model/VerificationFields.h"

namespace stepdown {

DesignTargets TargetsOf(const DesignRecord& d) {
    return {d.Vi, d.Vo, d.f, d.Io, d.DeltaiL, d.DeltaVo};
}

ChoiceStudy StudyChoice(const DesignRecord& design, const PartTexts& parts,
                        const ChoiceTexts& choices, std::int32_t samples) {
    ChoiceStudy study;
    study.design = TargetsOf(design);
    study.L = design.L;
    study.C = design.C;
    ChoiceReading reading = ReadChoiceTexts(choices, study.design);
    if (!reading.settings) {
        study.refusal = std::move(reading.message);
        study.refusedChoice = reading.refused;
        return study;
    }
    PartsReading partValues = ReadPartTexts(parts);
    if (!partValues.values) {
        study.refusal = std::move(partValues.message);
        return study;
    }
    study.settings = *reading.settings;
    study.parts = *partValues.values;
    const ChoiceSettings& s = study.settings;
    const std::optional<StandardChoice> choice = ChooseStandardValues(
        study.design, study.L, study.C, s.series, s.rounding, study.parts, samples);
    // The design's L and C are positive and finite: only the rounding of a
    // value near the largest double has no standard value, or no pair meets.
    if (!choice) {
        study.refusal =
            s.rounding == Rounding::Meets
                ? "Nessuna coppia di valori standard, da un decimo a cento volte L e C calcolate, "
                  "rispetta i requisiti!"
                : "L o C calcolate sono così grandi che nessun valore standard le supera!";
        return study;
    }
    study.choice = *choice;
    study.corners = EvaluateCorners(study.design, study.choice.L, study.choice.C, s.corners,
                                    study.parts, samples);
    study.inputVoltages = {s.corners.viMin, study.design.Vi, s.corners.viMax};
    std::sort(study.inputVoltages.begin(), study.inputVoltages.end());
    // A range end a rounding error from the nominal Vi draws no second curve.
    study.inputVoltages.erase(
        std::unique(study.inputVoltages.begin(), study.inputVoltages.end(), SameValue),
        study.inputVoltages.end());
    study.sweep = SweepLoad(study.design, study.choice.L, study.choice.C, study.inputVoltages,
                            s.ioFrom, s.ioTo, s.points, study.parts, samples);
    return study;
}

void ApplyStandardValues(Module1& module, MainWindowOperations& window, double L, double C) {
    const bool designHeld = VerifiedDesign(module.LastDesign, TextsOf(window)) != nullptr;
    // L and C are fourth and fifth in the reading order.
    const auto quantities = CircuitQuantities();
    for (const auto& [quantity, value] :
         {std::pair{&quantities[3], L}, std::pair{&quantities[4], C}}) {
        const std::string_view box = BoxOf(*quantity->row);
        const std::string text = FormatForField(value);
        window.SetText(box, text);
        window.SetTextColour(box, kBlue);
        if (!designHeld) continue;
        for (auto& [id, written] : module.LastDesign->fieldTexts)
            if (id == IdOf(*quantity->row)) written = text;
    }
}

}  // namespace stepdown

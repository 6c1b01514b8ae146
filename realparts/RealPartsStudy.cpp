#include "realparts/RealPartsStudy.h"

#include <vector>

#include "model/MainWindowBoxes.h"
#include "model/VerificationFields.h"

namespace stepdown {

CircuitReading ReadCircuitFields(const InputTexts& texts) {
    std::vector<std::string> typed;
    for (const CircuitQuantity& quantity : CircuitQuantities()) {
        typed.push_back(TextIn(texts, *quantity.row));
        switch (ClassifyNumericText(typed.back())) {
        case FieldCheck::Empty:
            return {std::nullopt, ForgotMessageFor(quantity.row->subject), quantity.row};
        case FieldCheck::InvalidCharacter:
            return {std::nullopt, InvalidMessageFor(quantity.row->subject), quantity.row};
        case FieldCheck::Passed:
            break;
        }
    }
    // Where the launch stores each quantity, away from the program's own.
    Module1 read;
    auto text = typed.begin();
    for (const CircuitQuantity& quantity : CircuitQuantities()) {
        QuantityReading value = ReadQuantity(*quantity.row, *text++);
        if (value.Refused()) return {std::nullopt, std::move(value.refusal), quantity.row};
        read.*quantity.stored = *value.value;
    }
    return {CircuitValues{read.Vi, read.D, read.f, read.L, read.C, read.RL}, {}, nullptr};
}

RealPartsStudy StudyRealParts(const std::optional<DesignRecord>& lastDesign,
                              const InputTexts& texts, const PartTexts& parts) {
    RealPartsStudy study;
    CircuitReading circuit = ReadCircuitFields(texts);
    if (!circuit.values) {
        study.refusal = std::move(circuit.message);
        return study;
    }
    PartsReading reading = ReadPartTexts(parts);
    if (!reading.values) {
        study.refusal = std::move(reading.message);
        return study;
    }
    const DesignRecord* design = AimedDesign(lastDesign, texts);
    return StudyCircuit(*circuit.values, *reading.values,
                        design ? std::optional(design->Vo) : std::nullopt);
}

const DesignRecord* AimedDesign(const std::optional<DesignRecord>& lastDesign,
                                const InputTexts& texts) {
    if (!lastDesign) return nullptr;
    const QuantityId duty = IdOf(*DutyCycleQuantity().row);
    for (const auto& [id, text] : lastDesign->fieldTexts)
        if (id != duty && TextIn(texts, id) != text) return nullptr;
    return &*lastDesign;
}

RealPartsStudy StudyCircuit(const CircuitValues& circuit, const PartValues& parts,
                            std::optional<double> targetVo) {
    RealPartsStudy study;
    study.circuit = circuit;
    study.parts = parts;
    study.targetVo = targetVo;
    const AnalysisOptions options{true, kRealPartsWindowSamples};
    study.analysis = Analyze(circuit, parts, options);
    if (targetVo) study.duty = DutyForTarget(circuit, parts, *targetVo, options);
    if (!ThermalAsked(parts) || study.analysis.outcome != RealPartsOutcome::Found) return study;
    // A target that no duty cycle meets even before the parts warm up is no
    // fault of the heating: the temperatures are then the circuit's at its
    // own D, beside the search's own answer.
    const bool targetMet = targetVo && study.duty.outcome == RealPartsOutcome::Found;
    study.thermal = ThermalFixedPoint(circuit, parts, targetMet ? targetVo : std::nullopt, options);
    if (study.thermal->status != ThermalStatus::Converged) return study;
    study.analysis = study.thermal->analysis;
    if (targetMet) study.duty = study.thermal->duty;
    return study;
}

void MoveToDutyForTarget(RealPartsStudy& study) {
    const bool warm = study.thermal && study.thermal->status == ThermalStatus::Converged;
    if (warm || !study.targetVo || study.duty.outcome != RealPartsOutcome::Found) return;
    study.circuit.D = study.duty.D;
    study.analysis = Analyze(study.circuit, study.parts, {true, kRealPartsWindowSamples});
}

void ApplyDutyCycle(Module1& module, MainWindowOperations& window, double D) {
    const bool designHeld = VerifiedDesign(module.LastDesign, TextsOf(window)) != nullptr;
    // The duty cycle is second in the reading order.
    const Quantity& duty = *DutyCycleQuantity().row;
    const std::string_view box = BoxOf(duty);
    const std::string text = FormatForField(D * 100);
    window.SetText(box, text);
    window.SetTextColour(box, kBlue);
    if (!designHeld) return;
    for (auto& [id, written] : module.LastDesign->fieldTexts)
        if (id == IdOf(duty)) written = text;
}

}  // namespace stepdown

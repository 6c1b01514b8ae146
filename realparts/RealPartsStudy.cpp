#include "realparts/RealPartsStudy.h"

#include <vector>

#include "model/VerificationFields.h"

namespace stepdown {

CircuitReading ReadCircuitFields(const FormTexts& texts) {
    std::vector<std::string> typed;
    for (const CircuitQuantity& quantity : CircuitQuantities()) {
        typed.push_back(TextIn(texts, quantity.field.textBox));
        switch (ClassifyNumericText(typed.back())) {
        case FieldCheck::Empty:
            return {std::nullopt, ForgotMessageFor(quantity.field.description),
                    quantity.field.textBox};
        case FieldCheck::InvalidCharacter:
            return {std::nullopt, InvalidMessageFor(quantity.field.description),
                    quantity.field.textBox};
        case FieldCheck::Passed:
            break;
        }
    }
    // Where the launch stores each quantity, away from the program's own.
    Module1 read;
    auto text = typed.begin();
    for (const CircuitQuantity& quantity : CircuitQuantities()) {
        QuantityReading value = ReadQuantity(*quantity.row, *text++);
        if (value.Refused())
            return {std::nullopt, std::move(value.refusal), quantity.field.textBox};
        read.*quantity.stored = *value.value;
    }
    return {CircuitValues{read.Vi, read.D, read.f, read.L, read.C, read.RL}, {}, {}};
}

RealPartsStudy StudyRealParts(const Module1& module, const FormTexts& texts,
                              const PartTexts& parts) {
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
    const DesignRecord* design = AimedDesign(module, texts);
    return StudyCircuit(*circuit.values, *reading.values,
                        design ? std::optional(design->Vo) : std::nullopt);
}

const DesignRecord* AimedDesign(const Module1& module, const FormTexts& texts) {
    if (!module.LastDesign) return nullptr;
    const std::string_view dutyBox = DutyCycleQuantity().field.textBox;
    for (const auto& [textBox, text] : module.LastDesign->fieldTexts)
        if (textBox != dutyBox && TextIn(texts, textBox) != text) return nullptr;
    return &*module.LastDesign;
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

void ApplyDutyCycle(Module1& module, MainWindowOperations& window, double D) {
    const bool designHeld = VerifiedDesign(module, TextsOf(window)) != nullptr;
    // The duty cycle is second in the reading order.
    const std::string_view textBox = DutyCycleQuantity().field.textBox;
    const std::string text = FormatForField(D * 100);
    window.SetText(textBox, text);
    window.SetTextColour(textBox, kBlue);
    if (!designHeld) return;
    for (auto& [box, written] : module.LastDesign->fieldTexts)
        if (box == textBox) written = text;
}

}  // namespace stepdown

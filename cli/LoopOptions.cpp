#include "cli/LoopOptions.h"

#include <algorithm>
#include <array>

#include "cli/OptionValues.h"
#include "cli/QuantityOptions.h"
#include "control/ControlQuantities.h"
#include "control/LoopAssembly.h"
#include "model/Module1.h"
#include "model/Quantities.h"
#include "model/VerificationFields.h"
#include "realparts/PartTexts.h"

namespace stepdown::cli {
namespace {

// The circuit's options: verify's rows of the table of quantities, so that a
// text gets the same verdict and message as in verify.
struct CircuitOption {
    const Quantity* row;
    double CircuitValues::*value;
};
consteval CircuitOption CircuitRow(std::string_view key, double CircuitValues::*value) {
    return {&Row(QuantityGroup::Verification, key), value};
}
// D, in the launch's order, only when given: the Vo it gives without --vo.
const std::array<CircuitOption, 6> kCircuit{{
    CircuitRow(key::vi, &CircuitValues::Vi),
    CircuitRow(key::d, &CircuitValues::D),
    CircuitRow(key::f, &CircuitValues::f),
    CircuitRow(key::l, &CircuitValues::L),
    CircuitRow(key::c, &CircuitValues::C),
    CircuitRow(key::rl, &CircuitValues::RL),
}};

const Quantity& kVoRow = Row(QuantityGroup::Design, key::vo);

std::string TextOr(const InputTexts& texts, const Quantity& row, std::string fallback = {}) {
    const auto found = texts.find(IdOf(row));
    return found == texts.end() ? fallback : found->second;
}

}  // namespace

std::string LoopCircuitOptions() {
    std::string options;
    for (const CircuitOption& option : kCircuit)
        if (option.row->key != key::d) options += OptionOf(*option.row) + ' ';
    return options + OptionOf(Row(QuantityGroup::Design, key::vo));
}

std::string UsageOf(const LoopRefusal& refusal) {
    return refusal.usage.empty() ? InvalidValue(refusal.key, refusal.why) : refusal.usage;
}

std::vector<OptionSpec> WithLoopOptions(std::vector<OptionSpec> options) {
    options.push_back({key::vo});
    for (const ControlField& field : ControlFields()) options.push_back({field.row->key});
    return options;
}

InputTexts LoopTexts(const ParsedArguments& arguments) {
    InputTexts texts;
    const auto take = [&](const Quantity& row) {
        if (arguments.values.count(row.key) != 0)
            texts.insert_or_assign(IdOf(row), arguments.ValueOr(row.key));
    };
    for (const CircuitOption& option : kCircuit) take(*option.row);
    take(kVoRow);
    for (const PartField& part : PartFields()) take(*part.row);
    for (const ControlField& field : ControlFields()) take(*field.row);
    return texts;
}

LoopReading ReadLoop(const InputTexts& texts, bool stepCsv, LoopCircuit& loop) {
    LoopReading result;
    const auto Refused = [&result](LoopRefusal refusal) {
        result.refused = std::move(refusal);
        return result;
    };
    const bool dutyGiven = !TextOr(texts, kDField).empty();
    for (const CircuitOption& option : kCircuit) {
        if (option.row->key == key::d && !dutyGiven) continue;
        QuantityReading read = ReadQuantity(*option.row, TextOr(texts, *option.row));
        if (read.Refused()) return Refused({option.row->key, std::move(read.refusal)});
        loop.circuit.*option.value = *read.value;
    }
    PartTexts partTexts;
    for (const PartField& part : PartFields())
        partTexts.*part.text = TextOr(texts, *part.row, partTexts.*part.text);
    const PartsReading parts = ReadPartTexts(partTexts);
    if (!parts.values) return Refused({parts.refused->row->key, parts.message});
    loop.parts = *parts.values;
    ControlTexts controlTexts;
    for (const ControlField& field : ControlFields())
        controlTexts.*field.text = TextOr(texts, *field.row, std::string(field.row->startText));
    const ControlReading reading = ReadControlTexts(controlTexts);
    if (!reading.values) return Refused({reading.refused->row->key, reading.message});
    const ControlValues& v = *reading.values;
    const AskedVo asked = AskedOutput(TextOr(texts, kVoRow), loop.circuit.Vi,
                                      dutyGiven ? std::optional(loop.circuit.D) : std::nullopt);
    if (asked.refusal) return Refused({key::vo, asked.refusal->sentence});
    // Rb given, the divider needs no Vo: none is asked of it.
    const double vo = v.rb ? 0 : asked.vo;
    if (!v.rb && !(vo > 0)) return Refused({key::vo, ReadQuantity(kVoRow, "").refusal});
    LoopSetup setup = SetUpLoop(loop.circuit, loop.parts, vo, v, {false, stepCsv});
    if (setup.refusal && setup.refusal->key.empty()) {
        result.refusal = std::move(setup.refusal->sentence);
        return result;
    }
    if (setup.refusal) {
        const std::string_view key = setup.refusal->key;
        std::string why = std::move(setup.refusal->sentence);
        // A text left out is missing, not mistyped. The loop's texts hold
        // each key once, whatever its group.
        const bool typed = std::any_of(texts.begin(), texts.end(),
                                       [key](const auto& text) { return text.first.key == key; });
        std::string usage = typed ? "" : "manca --" + std::string(key) + ": " + why;
        return Refused({key, std::move(why), std::move(usage)});
    }
    loop = setup.loop;
    result.transient = setup.request;
    result.designedFor = setup.designedFor;
    result.askedVo = vo;
    return result;
}

}  // namespace stepdown::cli

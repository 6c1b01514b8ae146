#include "cli/LoopOptions.h"

#include <array>

#include "cli/OptionValues.h"
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
const std::array<CircuitOption, 5> kCircuit{{
    CircuitRow("vi", &CircuitValues::Vi),
    CircuitRow("f", &CircuitValues::f),
    CircuitRow("l", &CircuitValues::L),
    CircuitRow("c", &CircuitValues::C),
    CircuitRow("rl", &CircuitValues::RL),
}};
constexpr std::string_view kVoDescription = Row(QuantityGroup::Design, "vo").subject;

// A value of the circuit, refused when left out, as an empty field would be.
NumberText Required(const ParsedArguments& arguments, std::string_view key,
                    std::string_view description, std::string_view refusal) {
    return ReadPositiveText(arguments.ValueOr(key), description, refusal);
}

// The step response, when any of its options asks for it.
std::optional<LoopRefusal> ReadTransient(const ParsedArguments& arguments, const ControlValues& v,
                                         std::optional<TransientRequest>& request) {
    bool asked = arguments.Has("step-csv");
    for (const std::string_view key : {"tss", "rl2", "t1", "vi2", "t2", "tend"})
        asked = asked || arguments.Has(key);
    if (!asked) return std::nullopt;
    const std::array<std::array<std::string_view, 2>, 2> pairs{{{"rl2", "t1"}, {"vi2", "t2"}}};
    for (const auto& [value, time] : pairs)
        if (arguments.Has(value) != arguments.Has(time))
            return LoopRefusal{
                arguments.Has(value) ? time : value,
                "il gradino di carico si dà con RL2 e t1, quello di linea con Vi2 e t2",
                "--" + std::string(value) + " e --" + std::string(time) + " vanno date insieme"};
    TransientRequest r{*v.tss, v.rl2, v.t1, v.vi2, v.t2, 0};
    r.tend = v.tend.value_or(DefaultEnd(r));
    for (const auto& [key, time] : {std::pair{"t1", v.t1}, std::pair{"t2", v.t2}})
        if (time && !(*time < r.tend))
            return LoopRefusal{key, "il gradino deve venire prima della fine tend"};
    request = r;
    return std::nullopt;
}

}  // namespace

std::string UsageOf(const LoopRefusal& refusal) {
    return refusal.usage.empty() ? InvalidValue(refusal.key, refusal.why) : refusal.usage;
}

std::vector<OptionSpec> WithLoopOptions(std::vector<OptionSpec> options) {
    options.push_back({"vo"});
    for (const ControlField& field : ControlFields()) options.push_back({field.row->key});
    return options;
}

LoopReading ReadLoop(const ParsedArguments& arguments, LoopCircuit& loop) {
    LoopReading result;
    const auto Refused = [&result](LoopRefusal refusal) {
        result.refused = std::move(refusal);
        return result;
    };
    for (const CircuitOption& option : kCircuit) {
        QuantityReading read = ReadQuantity(*option.row, arguments.ValueOr(option.row->key));
        if (read.Refused()) return Refused({option.row->key, std::move(read.refusal)});
        loop.circuit.*option.value = *read.value;
    }
    PartTexts partTexts;
    for (const PartField& part : PartFields())
        partTexts.*part.text = arguments.ValueOr(part.row->key, partTexts.*part.text);
    const PartsReading parts = ReadPartTexts(partTexts);
    if (!parts.values) return Refused({parts.refused->row->key, parts.message});
    loop.parts = *parts.values;
    ControlTexts texts;
    for (const ControlField& field : ControlFields())
        texts.*field.text = arguments.ValueOr(field.row->key, std::string(field.row->startText));
    const ControlReading reading = ReadControlTexts(texts);
    if (!reading.values) return Refused({reading.refused->row->key, reading.message});
    const ControlValues& v = *reading.values;
    if (const auto refusal = ReadTransient(arguments, v, result.transient))
        return Refused(*refusal);
    loop.modulator = ModulatorOf(v);
    Compensator& c = loop.compensator;
    c.R1 = *v.r1;
    double vo = 0;
    if (!v.rb) {
        const NumberText read =
            Required(arguments, "vo", kVoDescription,
                     "La tensione desiderata in uscita Vo deve essere maggiore di zero!");
        if (!read.value) return Refused({"vo", read.why});
        vo = *read.value;
    }
    const std::optional<double> rb = DividerRb(v, vo);
    if (!rb)
        return Refused({"vo",
                        "la tensione di uscita Vo deve essere maggiore della tensione di "
                        "riferimento Vref"});
    c.Rb = *rb;
    // The network as given: all of its values, or none (then designed).
    const NetworkTake network = TakeNetwork(v, c);
    if (network.Partial()) {
        const std::string why = std::string("il compensatore di tipo ") +
                                (c.type == 3 ? "III" : "II") +
                                " si dà con tutti i suoi valori, o si progetta";
        return Refused({network.firstMissing, why,
                        "manca --" + std::string(network.firstMissing) + ": " + why});
    }
    if (!network.Whole()) {
        const std::optional<double> fc = CrossoverOf(v, loop.circuit.f);
        if (!fc)
            return Refused({"fc", "la frequenza di attraversamento fc deve essere minore di f/2"});
        const CompensatorDesign design = DesignNetwork(v, loop, *fc);
        if (!design.compensator) {
            result.refusal = design.refusal;
            return result;
        }
        c = *design.compensator;
        result.designedFor = CompensatorTargets{*fc, *v.pm, {}};
    }
    return result;
}

}  // namespace stepdown::cli

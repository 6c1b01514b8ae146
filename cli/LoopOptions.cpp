#include "cli/LoopOptions.h"

#include <array>

#include "cli/OptionValues.h"
#include "control/CompensatorDesign.h"
#include "model/Module1.h"
#include "model/Quantities.h"

namespace stepdown::cli {
namespace {

// The circuit's options: verify's rows of the table of quantities, so that a
// text gets the same verdict and message as in verify.
struct CircuitOption {
    std::string_view key, description, refusal;
    double toSI;
    double CircuitValues::*value;
};
consteval CircuitOption CircuitRow(std::string_view key, double CircuitValues::*value) {
    const Quantity& row = Row(QuantityGroup::Verification, key);
    return {row.key, row.subject, row.refusal, row.toSI, value};
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
NumberOption Required(const ParsedArguments& arguments, std::string_view key,
                      std::string_view description, std::string_view refusal) {
    if (!arguments.Has(key))
        return {std::nullopt, InvalidValue(key, ForgotMessageFor(description))};
    return ReadPositiveOption(arguments, key, description, refusal);
}

// The compensator as given: all of its values, or none (then designed).
std::optional<std::string> GivenNetwork(const ControlValues& v, Compensator& c, bool& given) {
    const int type = v.type ? static_cast<int>(*v.type) : (v.r3 || v.c3 ? 3 : 2);
    std::vector<std::pair<std::string_view, std::optional<double>>> needed{
        {"r2", v.r2}, {"c1", v.c1}, {"c2", v.c2}};
    if (type == 3) {
        needed.push_back({"r3", v.r3});
        needed.push_back({"c3", v.c3});
    }
    int present = 0;
    for (const auto& [key, value] : needed) present += value ? 1 : 0;
    given = present > 0;
    if (!given) return std::nullopt;
    for (const auto& [key, value] : needed)
        if (!value)
            return "manca --" + std::string(key) + ": il compensatore di tipo " +
                   (type == 3 ? "III" : "II") + " si dà con tutti i suoi valori, o si progetta";
    c.type = type;
    c.R2 = *v.r2;
    c.C1 = *v.c1;
    c.C2 = *v.c2;
    if (type == 3) {
        c.R3 = *v.r3;
        c.C3 = *v.c3;
    }
    return std::nullopt;
}

// The step response, when any of its options asks for it.
std::optional<std::string> ReadTransient(const ParsedArguments& arguments, const ControlValues& v,
                                         std::optional<TransientRequest>& request) {
    bool asked = arguments.Has("step-csv");
    for (const std::string_view key : {"tss", "rl2", "t1", "vi2", "t2", "tend"})
        asked = asked || arguments.Has(key);
    if (!asked) return std::nullopt;
    const std::array<std::array<std::string_view, 2>, 2> pairs{{{"rl2", "t1"}, {"vi2", "t2"}}};
    for (const auto& [value, time] : pairs)
        if (arguments.Has(value) != arguments.Has(time))
            return "--" + std::string(value) + " e --" + std::string(time) + " vanno date insieme";
    TransientRequest r{*v.tss, v.rl2, v.t1, v.vi2, v.t2, 0};
    r.tend = v.tend.value_or(DefaultEnd(r));
    for (const auto& [key, time] : {std::pair{"t1", v.t1}, std::pair{"t2", v.t2}})
        if (time && !(*time < r.tend))
            return InvalidValue(key, "il gradino deve venire prima della fine tend");
    request = r;
    return std::nullopt;
}

// Rb from --rb, or from --vo.
std::optional<std::string> Divider(const ParsedArguments& arguments, const ControlValues& v,
                                   Compensator& c) {
    c.R1 = *v.r1;
    if (v.rb) {
        c.Rb = *v.rb;
        return std::nullopt;
    }
    const NumberOption vo = Required(arguments, "vo", kVoDescription,
                                     "La tensione desiderata in uscita Vo deve essere maggiore "
                                     "di zero!");
    if (!vo.value) return vo.error;
    if (!(*vo.value > *v.vref))
        return InvalidValue("vo",
                            "la tensione di uscita Vo deve essere maggiore "
                            "della tensione di riferimento Vref");
    c.Rb = c.R1 * *v.vref / (*vo.value - *v.vref);
    return std::nullopt;
}

}  // namespace

std::vector<OptionSpec> WithLoopOptions(std::vector<OptionSpec> options) {
    options.push_back({"vo"});
    for (const ControlQuantity& row : ControlQuantities()) options.push_back({row.key});
    return options;
}

std::optional<std::string> ReadLoopCircuit(const ParsedArguments& arguments,
                                           CircuitValues& circuit) {
    for (const CircuitOption& option : kCircuit) {
        const NumberOption read =
            Required(arguments, option.key, option.description, option.refusal);
        if (!read.value) return read.error;
        circuit.*option.value = *read.value * option.toSI;
    }
    return std::nullopt;
}

LoopReading ReadLoopOptions(const ParsedArguments& arguments, LoopCircuit& loop) {
    LoopReading result;
    ControlTexts texts;
    for (const ControlQuantity& row : ControlQuantities())
        texts.*row.text = arguments.ValueOr(row.key, std::string(row.startText));
    const ControlReading reading = ReadControlTexts(texts);
    if (!reading.values) {
        result.usage = InvalidValue(reading.refused->key, reading.message);
        return result;
    }
    const ControlValues& v = *reading.values;
    if (const auto error = ReadTransient(arguments, v, result.transient)) {
        result.usage = *error;
        return result;
    }
    loop.modulator = {*v.vref, *v.vramp, v.vcmax.value_or(1.2 * *v.vramp), *v.dmax};
    Compensator& c = loop.compensator;
    bool given = false;
    if (auto error = Divider(arguments, v, c)) {
        result.usage = std::move(*error);
    } else if (auto network = GivenNetwork(v, c, given)) {
        result.usage = std::move(*network);
    }
    if (!result.usage.empty() || given) return result;
    const double fc = v.fc.value_or(loop.circuit.f / 10);
    if (!(fc < loop.circuit.f / 2)) {
        result.usage = InvalidValue("fc",
                                    "la frequenza di attraversamento fc deve essere "
                                    "minore di f/2");
        return result;
    }
    std::optional<int> type;
    if (v.type) type = static_cast<int>(*v.type);
    const CompensatorDesign design = DesignCompensator(loop, {fc, *v.pm, type});
    if (!design.compensator)
        result.refusal = design.refusal;
    else
        c = *design.compensator;
    return result;
}

}  // namespace stepdown::cli

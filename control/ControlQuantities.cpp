#include "control/ControlQuantities.h"

#include <array>

#include "model/QuantityReader.h"

namespace stepdown {
namespace {

using T = ControlTexts;
using V = ControlValues;

consteval ControlField ControlRow(std::string_view key, std::string T::*text,
                                  std::optional<double> V::*value) {
    return {&Row(QuantityGroup::Loop, key), text, value};
}

const std::array<ControlField, 25> kControlRows{{
    ControlRow("vref", &T::vref, &V::vref),
    ControlRow("vramp", &T::vramp, &V::vramp),
    ControlRow("vcmax", &T::vcmax, &V::vcmax),
    ControlRow("dmax", &T::dmax, &V::dmax),
    ControlRow("control", &T::control, nullptr),
    ControlRow("ri", &T::ri, &V::ri),
    ControlRow("se", &T::se, &V::se),
    ControlRow("ilim", &T::ilim, &V::ilim),
    ControlRow("tblank", &T::tblank, &V::tblank),
    ControlRow("r1", &T::r1, &V::r1),
    ControlRow("rb", &T::rb, &V::rb),
    ControlRow("type", &T::type, &V::type),
    ControlRow("r2", &T::r2, &V::r2),
    ControlRow("r3", &T::r3, &V::r3),
    ControlRow("c1", &T::c1, &V::c1),
    ControlRow("c2", &T::c2, &V::c2),
    ControlRow("c3", &T::c3, &V::c3),
    ControlRow("fc", &T::fc, &V::fc),
    ControlRow("pm", &T::pm, &V::pm),
    ControlRow("tss", &T::tss, &V::tss),
    ControlRow("rl2", &T::rl2, &V::rl2),
    ControlRow("t1", &T::t1, &V::t1),
    ControlRow("vi2", &T::vi2, &V::vi2),
    ControlRow("t2", &T::t2, &V::t2),
    ControlRow("tend", &T::tend, &V::tend),
}};
static_assert(std::size(kControlRows) == QuantitiesOf(QuantityGroup::Loop).size());

constexpr std::string_view kControlWords[] = {"voltage", "peak"};

}  // namespace

std::string_view ControlWord(ControlMethod method) {
    return kControlWords[static_cast<std::size_t>(method)];
}

std::span<const ControlField> ControlFields() { return kControlRows; }

ControlTexts::ControlTexts() {
    for (const ControlField& field : kControlRows) this->*field.text = field.row->startText;
}

const ControlField* ControlFieldNamed(std::string_view key) {
    for (const ControlField& field : kControlRows)
        if (field.row->key == key) return &field;
    return nullptr;
}

ControlReading ReadControlTexts(const ControlTexts& texts) {
    ControlValues values;
    for (const ControlField& field : kControlRows) {
        if (field.row->word) {
            const std::string& word = texts.*field.text;
            if (word == kControlWords[1])
                values.control = ControlMethod::PeakCurrent;
            else if (word != kControlWords[0])
                return {std::nullopt, &field, std::string(field.row->refusal)};
            continue;
        }
        QuantityReading read = ReadQuantity(*field.row, texts.*field.text);
        if (read.Refused()) return {std::nullopt, &field, std::move(read.refusal)};
        values.*field.value = read.value;
    }
    return {values, nullptr, {}};
}

}  // namespace stepdown

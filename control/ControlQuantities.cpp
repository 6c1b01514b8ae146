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
    ControlRow(key::vref, &T::vref, &V::vref),
    ControlRow(key::vramp, &T::vramp, &V::vramp),
    ControlRow(key::vcmax, &T::vcmax, &V::vcmax),
    ControlRow(key::dmax, &T::dmax, &V::dmax),
    ControlRow(key::control, &T::control, nullptr),
    ControlRow(key::ri, &T::ri, &V::ri),
    ControlRow(key::se, &T::se, &V::se),
    ControlRow(key::ilim, &T::ilim, &V::ilim),
    ControlRow(key::tblank, &T::tblank, &V::tblank),
    ControlRow(key::r1, &T::r1, &V::r1),
    ControlRow(key::rb, &T::rb, &V::rb),
    ControlRow(key::type, &T::type, &V::type),
    ControlRow(key::r2, &T::r2, &V::r2),
    ControlRow(key::r3, &T::r3, &V::r3),
    ControlRow(key::c1, &T::c1, &V::c1),
    ControlRow(key::c2, &T::c2, &V::c2),
    ControlRow(key::c3, &T::c3, &V::c3),
    ControlRow(key::fc, &T::fc, &V::fc),
    ControlRow(key::pm, &T::pm, &V::pm),
    ControlRow(key::tss, &T::tss, &V::tss),
    ControlRow(key::rl2, &T::rl2, &V::rl2),
    ControlRow(key::t1, &T::t1, &V::t1),
    ControlRow(key::vi2, &T::vi2, &V::vi2),
    ControlRow(key::t2, &T::t2, &V::t2),
    ControlRow(key::tend, &T::tend, &V::tend),
}};
static_assert(std::size(kControlRows) == QuantitiesOf(QuantityGroup::Loop).size());
// A method's word is the one at its enumerator's place.
static_assert(std::size(kControlWords) == static_cast<std::size_t>(ControlMethod::PeakCurrent) + 1);

}  // namespace

std::string_view ControlWord(ControlMethod method) {
    return kControlWords[static_cast<std::size_t>(method)].word;
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
            // The word's place in its row is its enumerator.
            const std::optional<std::size_t> method = WordIndex(*field.row, texts.*field.text);
            if (!method) return {std::nullopt, &field, RefusalOf(*field.row)};
            values.control = static_cast<ControlMethod>(*method);
            continue;
        }
        QuantityReading read = ReadQuantity(*field.row, texts.*field.text);
        if (read.Refused()) return {std::nullopt, &field, std::move(read.refusal)};
        values.*field.value = read.value;
    }
    return {values, nullptr, {}};
}

}  // namespace stepdown

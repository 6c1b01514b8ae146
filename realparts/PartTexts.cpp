#include "realparts/PartTexts.h"

#include <array>

#include "model/QuantityReader.h"

namespace stepdown {
namespace {

consteval PartField PartRow(std::string_view key, std::string PartTexts::*text,
                            double PartValues::*value) {
    return {&Row(QuantityGroup::Parts, key), text, value};
}

const std::array<PartField, 10> kParts{{
    PartRow("esr", &PartTexts::esr, &PartValues::ESR),
    PartRow("dcr", &PartTexts::dcr, &PartValues::DCR),
    PartRow("rds", &PartTexts::rds, &PartValues::Rds),
    PartRow("rd", &PartTexts::rd, &PartValues::Rd),
    PartRow("vf", &PartTexts::vf, &PartValues::Vf),
    PartRow("tr", &PartTexts::tr, &PartValues::tr),
    PartRow("tf", &PartTexts::tf, &PartValues::tf),
    PartRow("qg", &PartTexts::qg, &PartValues::Qg),
    PartRow("vdrv", &PartTexts::vdrv, &PartValues::Vdrv),
    PartRow("iq", &PartTexts::iq, &PartValues::Iq),
}};
static_assert(std::size(kParts) == QuantitiesOf(QuantityGroup::Parts).size());

}  // namespace

std::span<const PartField> PartFields() { return kParts; }

PartsReading ReadPartTexts(const PartTexts& texts) {
    PartValues values;
    for (const PartField& field : kParts) {
        QuantityReading read = ReadQuantity(*field.row, texts.*field.text);
        if (read.Refused()) return {std::nullopt, &field, std::move(read.refusal)};
        values.*field.value = *read.value;
    }
    return {values, nullptr, {}};
}

}  // namespace stepdown

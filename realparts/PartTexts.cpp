#include "realparts/PartTexts.h"

#include <array>

#include "model/Conversions.h"
#include "model/Module1.h"
#include "model/Quantities.h"

namespace stepdown {
namespace {

// A part's row of the table of quantities, with where its text and value
// live. The highest value is stated in SI there and checked in the field's
// unit here, exactly: each limit over its factor is a whole number.
consteval PartField PartRow(std::string_view key, std::string PartTexts::*text,
                            double PartValues::*value) {
    const Quantity& row = Row(QuantityGroup::Parts, key);
    return {row.key,
            row.subject,
            row.unit,
            row.toSI,
            text,
            value,
            row.refusal,
            row.range.high / row.toSI,
            row.highRefusal,
            row.caption,
            row.label.empty() ? row.caption : row.label};
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

}  // namespace

std::span<const PartField> PartFields() { return kParts; }

PartsReading ReadPartTexts(const PartTexts& texts) {
    PartValues values;
    for (const PartField& field : kParts) {
        const std::string& text = texts.*field.text;
        const FieldNumber read = ReadFieldNumber(text, field.description);
        std::string message = read.message;
        if (read.value && *read.value < 0)
            message = field.negative;
        else if (read.value && *read.value > field.highest)
            message = field.tooLarge;
        else if (read.value)
            values.*field.value = *read.value * field.toSI;
        if (!message.empty()) return {std::nullopt, &field, std::move(message)};
    }
    return {values, nullptr, {}};
}

}  // namespace stepdown

#include "realparts/PartTexts.h"

#include <array>

#include "model/QuantityReader.h"
#include "realparts/Thermal.h"

namespace stepdown {
namespace {

consteval PartField PartRow(std::string_view key, std::string PartTexts::*text,
                            double PartValues::*value) {
    return {&Row(QuantityGroup::Parts, key), text, value};
}

const std::array<PartField, 26> kParts{{
    PartRow(key::esr, &PartTexts::esr, &PartValues::ESR),
    PartRow(key::dcr, &PartTexts::dcr, &PartValues::DCR),
    PartRow(key::rds, &PartTexts::rds, &PartValues::Rds),
    PartRow(key::rd, &PartTexts::rd, &PartValues::Rd),
    PartRow(key::vf, &PartTexts::vf, &PartValues::Vf),
    PartRow(key::tr, &PartTexts::tr, &PartValues::tr),
    PartRow(key::tf, &PartTexts::tf, &PartValues::tf),
    PartRow(key::qg, &PartTexts::qg, &PartValues::Qg),
    PartRow(key::vdrv, &PartTexts::vdrv, &PartValues::Vdrv),
    PartRow(key::iq, &PartTexts::iq, &PartValues::Iq),
    PartRow(key::rectifier, &PartTexts::rectifier, nullptr),
    PartRow(key::lsmode, &PartTexts::lsmode, nullptr),
    PartRow(key::rdsLo, &PartTexts::rdsLo, &PartValues::RdsLo),
    PartRow(key::td1, &PartTexts::td1, &PartValues::td1),
    PartRow(key::td2, &PartTexts::td2, &PartValues::td2),
    PartRow(key::cossHi, &PartTexts::cossHi, &PartValues::CossHi),
    PartRow(key::cossLo, &PartTexts::cossLo, &PartValues::CossLo),
    PartRow(key::qrr, &PartTexts::qrr, &PartValues::Qrr),
    PartRow(key::qgLo, &PartTexts::qgLo, &PartValues::QgLo),
    PartRow(key::ta, &PartTexts::ta, &PartValues::Ta),
    PartRow(key::rthHs, &PartTexts::rthHs, &PartValues::RthHigh),
    PartRow(key::rthLs, &PartTexts::rthLs, &PartValues::RthLow),
    PartRow(key::rthL, &PartTexts::rthL, &PartValues::RthInductor),
    PartRow(key::tjmax, &PartTexts::tjmax, &PartValues::TjMax),
    PartRow(key::tcRds, &PartTexts::tcRds, &PartValues::tcRds),
    PartRow(key::tcDcr, &PartTexts::tcDcr, &PartValues::tcDcr),
}};
static_assert(std::size(kParts) == QuantitiesOf(QuantityGroup::Parts).size());

// The word's place in its row is its enumerator: one word for each.
static_assert(std::size(kRectifierWords) == static_cast<std::size_t>(Rectifier::Synchronous) + 1);
static_assert(std::size(kLowSideWords) ==
              static_cast<std::size_t>(LowSideMode::DiodeEmulation) + 1);
template <class Choice>
bool ReadWord(const Quantity& row, std::string_view text, Choice& choice) {
    const std::optional<std::size_t> index = WordIndex(row, text);
    if (index) choice = static_cast<Choice>(*index);
    return index.has_value();
}

}  // namespace

std::span<const PartField> PartFields() { return kParts; }

PartTexts::PartTexts() {
    for (const PartField& field : kParts) this->*field.text = field.row->startText;
}

std::string_view RectifierWord(Rectifier rectifier) {
    return kRectifierWords[static_cast<std::size_t>(rectifier)].word;
}

std::string_view LowSideWord(LowSideMode mode) {
    return kLowSideWords[static_cast<std::size_t>(mode)].word;
}

std::string_view RectifierShown(Rectifier rectifier) {
    return kRectifierWords[static_cast<std::size_t>(rectifier)].meaning;
}

std::string_view LowSideShown(LowSideMode mode) {
    return kLowSideWords[static_cast<std::size_t>(mode)].meaning;
}

std::string ShownWord(const PartField& field, const std::string& text) {
    PartValues read;
    if (field.text == &PartTexts::rectifier && ReadWord(*field.row, text, read.rectifier))
        return std::string(RectifierShown(read.rectifier));
    if (field.text == &PartTexts::lsmode && ReadWord(*field.row, text, read.lowSideMode))
        return std::string(LowSideShown(read.lowSideMode));
    return text;
}

PartsReading ReadPartTexts(const PartTexts& texts) {
    PartValues values;
    for (const PartField& field : kParts) {
        const std::string& text = texts.*field.text;
        if (field.row->word) {
            const bool known = field.text == &PartTexts::rectifier
                                   ? ReadWord(*field.row, text, values.rectifier)
                                   : ReadWord(*field.row, text, values.lowSideMode);
            if (!known) return {std::nullopt, &field, RefusalOf(*field.row)};
            continue;
        }
        QuantityReading read = ReadQuantity(*field.row, text);
        if (read.Refused()) return {std::nullopt, &field, std::move(read.refusal)};
        if (read.value) values.*field.value = *read.value;
    }
    // The thermal verdict takes each resistance linearly from its value at
    // 25 °C; the parts are never colder than Ta, so a coefficient that takes
    // one to zero or below there is refused.
    if (!ThermalAsked(values)) return {values, nullptr, {}};
    const bool synchronous = values.rectifier == Rectifier::Synchronous;
    const struct {
        double resistance, coefficient;
        std::string PartTexts::*text;
        std::string_view refusal;
    } heated[] = {{values.Rds, values.tcRds, &PartTexts::tcRds, kRdsToZero},
                  {synchronous ? values.RdsLo : 0, values.tcRds, &PartTexts::tcRds, kRdsToZero},
                  {values.DCR, values.tcDcr, &PartTexts::tcDcr, kDcrToZero}};
    for (const auto& part : heated)
        if (part.resistance > 0 && !(1 + part.coefficient * (values.Ta - 25) > 0))
            for (const PartField& field : kParts)
                if (field.text == part.text)
                    return {std::nullopt, &field, std::string(part.refusal)};
    return {values, nullptr, {}};
}

}  // namespace stepdown

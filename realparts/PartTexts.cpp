#include "realparts/PartTexts.h"

#include <array>

#include "model/QuantityReader.h"

namespace stepdown {
namespace {

consteval PartField PartRow(std::string_view key, std::string PartTexts::*text,
                            double PartValues::*value) {
    return {&Row(QuantityGroup::Parts, key), text, value};
}

const std::array<PartField, 26> kParts{{
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
    PartRow("rectifier", &PartTexts::rectifier, nullptr),
    PartRow("lsmode", &PartTexts::lsmode, nullptr),
    PartRow("rds-lo", &PartTexts::rdsLo, &PartValues::RdsLo),
    PartRow("td1", &PartTexts::td1, &PartValues::td1),
    PartRow("td2", &PartTexts::td2, &PartValues::td2),
    PartRow("coss-hi", &PartTexts::cossHi, &PartValues::CossHi),
    PartRow("coss-lo", &PartTexts::cossLo, &PartValues::CossLo),
    PartRow("qrr", &PartTexts::qrr, &PartValues::Qrr),
    PartRow("qg-lo", &PartTexts::qgLo, &PartValues::QgLo),
    PartRow("ta", &PartTexts::ta, &PartValues::Ta),
    PartRow("rth-hs", &PartTexts::rthHs, &PartValues::RthHigh),
    PartRow("rth-ls", &PartTexts::rthLs, &PartValues::RthLow),
    PartRow("rth-l", &PartTexts::rthL, &PartValues::RthInductor),
    PartRow("tjmax", &PartTexts::tjmax, &PartValues::TjMax),
    PartRow("tc-rds", &PartTexts::tcRds, &PartValues::tcRds),
    PartRow("tc-dcr", &PartTexts::tcDcr, &PartValues::tcDcr),
}};
static_assert(std::size(kParts) == QuantitiesOf(QuantityGroup::Parts).size());

// The words of the two choices, in the order of their enumerations.
constexpr std::string_view kRectifierWords[] = {"diode", "sync"};
constexpr std::string_view kLowSideWords[] = {"ccm", "de"};

template <class Choice, std::size_t N>
bool ReadWord(std::string_view text, const std::string_view (&words)[N], Choice& choice) {
    for (std::size_t k = 0; k < N; ++k)
        if (text == words[k]) {
            choice = static_cast<Choice>(k);
            return true;
        }
    return false;
}

}  // namespace

std::span<const PartField> PartFields() { return kParts; }

PartTexts::PartTexts() {
    for (const PartField& field : kParts) this->*field.text = field.row->startText;
}

std::string_view RectifierWord(Rectifier rectifier) {
    return kRectifierWords[static_cast<std::size_t>(rectifier)];
}

std::string_view LowSideWord(LowSideMode mode) {
    return kLowSideWords[static_cast<std::size_t>(mode)];
}

PartsReading ReadPartTexts(const PartTexts& texts) {
    PartValues values;
    for (const PartField& field : kParts) {
        const std::string& text = texts.*field.text;
        if (field.row->word) {
            const bool known = field.text == &PartTexts::rectifier
                                   ? ReadWord(text, kRectifierWords, values.rectifier)
                                   : ReadWord(text, kLowSideWords, values.lowSideMode);
            if (!known) return {std::nullopt, &field, std::string(field.row->refusal)};
            continue;
        }
        QuantityReading read = ReadQuantity(*field.row, text);
        if (read.Refused()) return {std::nullopt, &field, std::move(read.refusal)};
        if (read.value) values.*field.value = *read.value;
    }
    return {values, nullptr, {}};
}

}  // namespace stepdown

#include "realparts/PartTexts.h"

#include <array>

#include "model/Conversions.h"
#include "model/Module1.h"

namespace stepdown {
namespace {

const std::array<PartField, 10> kParts{{
    {"esr", "la resistenza serie ESR del condensatore in mΩ", "mΩ", 0.001, &PartTexts::esr,
     &PartValues::ESR, "La resistenza serie ESR del condensatore non può essere negativa!", 1e4,
     "La resistenza serie ESR del condensatore non può superare 10000 mΩ!"},
    {"dcr", "la resistenza DCR dell'induttore in mΩ", "mΩ", 0.001, &PartTexts::dcr,
     &PartValues::DCR, "La resistenza DCR dell'induttore non può essere negativa!", 1e4,
     "La resistenza DCR dell'induttore non può superare 10000 mΩ!"},
    {"rds", "la resistenza Rds(on) dell'interruttore in mΩ", "mΩ", 0.001, &PartTexts::rds,
     &PartValues::Rds, "La resistenza Rds(on) dell'interruttore non può essere negativa!", 1e4,
     "La resistenza Rds(on) dell'interruttore non può superare 10000 mΩ!"},
    {"rd", "la resistenza serie Rd del diodo in mΩ", "mΩ", 0.001, &PartTexts::rd, &PartValues::Rd,
     "La resistenza serie Rd del diodo non può essere negativa!", 1e4,
     "La resistenza serie Rd del diodo non può superare 10000 mΩ!"},
    {"vf", "la caduta di tensione Vf del diodo in V", "V", 1, &PartTexts::vf, &PartValues::Vf,
     "La caduta di tensione Vf del diodo non può essere negativa!", 10,
     "La caduta di tensione Vf del diodo non può superare 10 V!"},
    {"tr", "il tempo di salita tr dell'interruttore in ns", "ns", 1e-9, &PartTexts::tr,
     &PartValues::tr, "Il tempo di salita tr dell'interruttore non può essere negativo!", 1e6,
     "Il tempo di salita tr dell'interruttore non può superare 1000000 ns (1 ms)!"},
    {"tf", "il tempo di discesa tf dell'interruttore in ns", "ns", 1e-9, &PartTexts::tf,
     &PartValues::tf, "Il tempo di discesa tf dell'interruttore non può essere negativo!", 1e6,
     "Il tempo di discesa tf dell'interruttore non può superare 1000000 ns (1 ms)!"},
    {"qg", "la carica di gate Qg in nC", "nC", 1e-9, &PartTexts::qg, &PartValues::Qg,
     "La carica di gate Qg non può essere negativa!", 1e6,
     "La carica di gate Qg non può superare 1000000 nC (1 mC)!"},
    {"vdrv", "la tensione di pilotaggio del gate Vdrv in V", "V", 1, &PartTexts::vdrv,
     &PartValues::Vdrv, "La tensione di pilotaggio del gate Vdrv non può essere negativa!", 100,
     "La tensione di pilotaggio del gate Vdrv non può superare 100 V!"},
    {"iq", "la corrente di riposo Iq del controllore in mA", "mA", 0.001, &PartTexts::iq,
     &PartValues::Iq, "La corrente di riposo Iq del controllore non può essere negativa!", 1000,
     "La corrente di riposo Iq del controllore non può superare 1000 mA!"},
}};

}  // namespace

std::span<const PartField> PartFields() { return kParts; }

PartsReading ReadPartTexts(const PartTexts& texts) {
    PartValues values;
    for (const PartField& field : kParts) {
        const std::string& text = texts.*field.text;
        std::string message;
        switch (ClassifyNumericText(text)) {
        case FieldCheck::Empty:
            message = ForgotMessageFor(field.description);
            break;
        case FieldCheck::InvalidCharacter:
            message = InvalidMessageFor(field.description);
            break;
        case FieldCheck::Passed:
            break;
        }
        if (message.empty()) {
            const ParsedNumber parsed = ParseNumberChecked(text);
            if (parsed.overflow)
                message = OverflowMessageFor(field.description);
            else if (parsed.value < 0)
                message = field.negative;
            else if (parsed.value > field.highest)
                message = field.tooLarge;
            else
                values.*field.value = parsed.value * field.toSI;
        }
        if (!message.empty()) return {std::nullopt, &field, std::move(message)};
    }
    return {values, nullptr, {}};
}

}  // namespace stepdown

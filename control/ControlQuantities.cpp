#include "control/ControlQuantities.h"

#include <array>
#include <cmath>
#include <limits>

#include "model/Conversions.h"
#include "model/Module1.h"

namespace stepdown {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

using Q = ControlQuantity;
using T = ControlTexts;
using V = ControlValues;

// A positive quantity; `empty` when leaving it out means automatic.
constexpr Q Positive(std::string_view key, std::string_view caption, std::string_view description,
                     std::string_view unit, double toSI, std::string_view start, bool empty,
                     std::string_view refusal, std::string T::*text,
                     std::optional<double> V::*value) {
    return {key,   caption, description, unit,  toSI,    start, 0,    kInf,
            false, false,   empty,       false, refusal, text,  value};
}

const std::array<Q, 20> kQuantities{{
    Positive("vref", "Tensione di riferimento Vref", "la tensione di riferimento Vref in V", "V", 1,
             "2.5", false, "La tensione di riferimento Vref deve essere maggiore di zero!",
             &T::vref, &V::vref),
    Positive("vramp", "Ampiezza della rampa Vramp", "l'ampiezza della rampa Vramp in V", "V", 1,
             "1", false, "L'ampiezza della rampa Vramp deve essere maggiore di zero!", &T::vramp,
             &V::vramp),
    Positive("vcmax", "Uscita massima dell'amplificatore Vcmax",
             "l'uscita massima dell'amplificatore Vcmax in V", "V", 1, "", true,
             "L'uscita massima dell'amplificatore Vcmax deve essere maggiore di zero!", &T::vcmax,
             &V::vcmax),
    {"dmax", "Duty cycle massimo Dmax", "il duty cycle massimo Dmax in %", "%", 0.01, "95", 0, 100,
     false, true, false, false,
     "Il duty cycle massimo Dmax deve essere maggiore di 0 e al più 100 %!", &T::dmax, &V::dmax},
    Positive("r1", "Resistenza R1 del partitore", "la resistenza R1 del partitore in Ω", "Ω", 1,
             "10000", false, "La resistenza R1 del partitore deve essere maggiore di zero!", &T::r1,
             &V::r1),
    Positive("rb", "Resistenza Rb del partitore", "la resistenza Rb del partitore in Ω", "Ω", 1, "",
             true, "La resistenza Rb del partitore deve essere maggiore di zero!", &T::rb, &V::rb),
    {"type", "Tipo di compensatore", "il tipo del compensatore", "", 1, "", 2, 3, true, true, true,
     true, "Il tipo del compensatore può essere solo 2 o 3!", &T::type, &V::type},
    Positive("r2", "Resistenza R2", "la resistenza R2 del compensatore in Ω", "Ω", 1, "", true,
             "La resistenza R2 del compensatore deve essere maggiore di zero!", &T::r2, &V::r2),
    Positive("r3", "Resistenza R3", "la resistenza R3 del compensatore in Ω", "Ω", 1, "", true,
             "La resistenza R3 del compensatore deve essere maggiore di zero!", &T::r3, &V::r3),
    Positive("c1", "Capacità C1", "la capacità C1 del compensatore in nF", "nF", 1e-9, "", true,
             "La capacità C1 del compensatore deve essere maggiore di zero!", &T::c1, &V::c1),
    Positive("c2", "Capacità C2", "la capacità C2 del compensatore in nF", "nF", 1e-9, "", true,
             "La capacità C2 del compensatore deve essere maggiore di zero!", &T::c2, &V::c2),
    Positive("c3", "Capacità C3", "la capacità C3 del compensatore in nF", "nF", 1e-9, "", true,
             "La capacità C3 del compensatore deve essere maggiore di zero!", &T::c3, &V::c3),
    Positive("fc", "Frequenza di attraversamento fc", "la frequenza di attraversamento fc in kHz",
             "kHz", 1e3, "", true,
             "La frequenza di attraversamento fc deve essere maggiore di zero!", &T::fc, &V::fc),
    {"pm", "Margine di fase", "il margine di fase in gradi", "°", 1, "60", 0, 180, false, false,
     false, false, "Il margine di fase deve essere maggiore di 0° e minore di 180°!", &T::pm,
     &V::pm},
    {"tss", "Durata dell'avvio graduale tss", "la durata dell'avvio graduale tss in ms", "ms", 1e-3,
     "0", 0, kInf, true, false, false, false,
     "La durata dell'avvio graduale tss non può essere negativa!", &T::tss, &V::tss},
    Positive("rl2", "Carico dopo il gradino RL2", "il carico dopo il gradino RL2 in Ω", "Ω", 1, "",
             true, "Il carico dopo il gradino RL2 deve essere maggiore di zero!", &T::rl2, &V::rl2),
    Positive("t1", "Istante del gradino di carico t1", "l'istante del gradino di carico t1 in ms",
             "ms", 1e-3, "", true,
             "L'istante del gradino di carico t1 deve essere maggiore di zero!", &T::t1, &V::t1),
    Positive("vi2", "Tensione dopo il gradino Vi2",
             "la tensione di ingresso dopo il gradino Vi2 in V", "V", 1, "", true,
             "La tensione di ingresso dopo il gradino Vi2 deve essere maggiore di zero!", &T::vi2,
             &V::vi2),
    Positive("t2", "Istante del gradino di linea t2", "l'istante del gradino di linea t2 in ms",
             "ms", 1e-3, "", true,
             "L'istante del gradino di linea t2 deve essere maggiore di zero!", &T::t2, &V::t2),
    Positive("tend", "Fine della simulazione tend", "la fine della simulazione tend in ms", "ms",
             1e-3, "", true, "La fine della simulazione tend deve essere maggiore di zero!",
             &T::tend, &V::tend),
}};

bool InRange(const Q& row, double x) {
    const bool aboveMin = row.minIncluded ? x >= row.min : x > row.min;
    const bool belowMax = row.maxIncluded ? x <= row.max : x < row.max;
    return aboveMin && belowMax && (!row.integer || std::floor(x) == x);
}

// A factor below one divides by its exact inverse, so that 100 nF is the
// double nearest to 1e-7 F, as a typed "1e-7" would be.
double ToSI(const Q& row, double x) {
    return row.toSI < 1 ? x / std::round(1 / row.toSI) : x * row.toSI;
}

// The row's refusal of `text`, or the empty text with `value` set.
std::string Refusal(const Q& row, const std::string& text, std::optional<double>& value) {
    const FieldCheck check = ClassifyNumericText(text);
    if (check == FieldCheck::Empty) return ForgotMessageFor(row.description);
    if (check == FieldCheck::InvalidCharacter) return InvalidMessageFor(row.description);
    const ParsedNumber parsed = ParseNumberChecked(text);
    if (parsed.overflow) return OverflowMessageFor(row.description);
    if (!InRange(row, parsed.value)) return std::string(row.refusal);
    value = ToSI(row, parsed.value);
    return {};
}

}  // namespace

std::span<const ControlQuantity> ControlQuantities() { return kQuantities; }

const ControlQuantity* ControlQuantityNamed(std::string_view key) {
    for (const Q& row : kQuantities)
        if (row.key == key) return &row;
    return nullptr;
}

ControlReading ReadControlTexts(const ControlTexts& texts) {
    ControlValues values;
    for (const Q& row : kQuantities) {
        const std::string& text = texts.*row.text;
        if (text.empty() && row.mayBeEmpty) continue;
        std::string refusal = Refusal(row, text, values.*row.value);
        if (!refusal.empty()) return {std::nullopt, &row, std::move(refusal)};
    }
    return {values, nullptr, {}};
}

}  // namespace stepdown

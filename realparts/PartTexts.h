#pragma once
// The part values as the user types them, one text per part in the unit of
// its field (mΩ, V, ns, nC, mA), and their reading into PartValues in SI
// units. The windows map their fields to PartTexts and back, the command
// fills it from its options, and the design file stores exactly these texts.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "realparts/ConverterModel.h"

namespace stepdown {

// Every part starts at zero but the diode's drop: today's circuit, with a
// diode that blocks.
struct PartTexts {
    std::string esr = "0";   // mΩ
    std::string dcr = "0";   // mΩ
    std::string rds = "0";   // mΩ
    std::string rd = "0";    // mΩ
    std::string vf = "0.6";  // V
    std::string tr = "0";    // ns
    std::string tf = "0";    // ns
    std::string qg = "0";    // nC
    std::string vdrv = "0";  // V
    std::string iq = "0";    // mA

    friend bool operator==(const PartTexts&, const PartTexts&) = default;
};

// One part: the key the command and the design file name it by, the words
// its messages name it by, its unit, the factor to SI units, where its text
// and value live, the message refusing a negative value, and the highest
// value in the field's unit with the message refusing one above it: beyond
// it the period's exponentials and the loss sums lose their precision, and
// no part that a step-down converter is built with comes near it.
struct PartField {
    std::string_view key;
    std::string_view description;
    std::string_view unit;
    double toSI;
    std::string PartTexts::*text;
    double PartValues::*value;
    std::string_view negative;
    double highest;
    std::string_view tooLarge;
    std::string_view caption;  // "Resistenza serie ESR del condensatore"
    std::string_view label;    // "ESR del condensatore": the window's field
};

// The ten parts in the order of the fields: esr, dcr, rds, rd, vf, tr, tf,
// qg, vdrv, iq.
std::span<const PartField> PartFields();

struct PartsReading {
    std::optional<PartValues> values;
    const PartField* refused = nullptr;  // the first part refused, with `message`
    std::string message;
};

// Checks each text in field order like the other fields (empty, a character
// other than digits and "e", ".", "E", "-", "+", a number beyond the double
// range) and refuses a negative value or one above the field's highest; the
// first refusal ends the reading.
PartsReading ReadPartTexts(const PartTexts& texts);

}  // namespace stepdown

#pragma once
// The part values as the user types them, one text per part in the unit of
// its field (mΩ, V, ns, nC, mA), and their reading into PartValues in SI
// units. The windows map their fields to PartTexts and back, the command
// fills it from its options, and the design file stores exactly these texts.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/Quantity.h"
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

// One part: its row of the table of quantities and where its text and SI
// value live.
struct PartField {
    const Quantity* row;
    std::string PartTexts::*text;
    double PartValues::*value;
};

// The ten parts in the order of the fields: esr, dcr, rds, rd, vf, tr, tf,
// qg, vdrv, iq.
std::span<const PartField> PartFields();

struct PartsReading {
    std::optional<PartValues> values;
    const PartField* refused = nullptr;  // the first part refused, with `message`
    std::string message;
};

// The texts read by their rows in field order; the first refusal ends the
// reading.
PartsReading ReadPartTexts(const PartTexts& texts);

}  // namespace stepdown

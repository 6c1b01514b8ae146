#pragma once
// The part values as the user types them, one text per part in the unit of
// its field (mΩ, V, ns, nC, mA), and their reading into PartValues in SI
// units. The windows map their fields to PartTexts and back, the command
// fills it from its options, and the design file stores exactly these texts.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/Quantities.h"
#include "realparts/ConverterModel.h"

namespace stepdown {

// Every part starts at zero but the diode's drop: today's circuit, with a
// diode that blocks.
struct PartTexts {
    static std::string StartText(std::string_view key) {
        return std::string(FindQuantity(QuantityGroup::Parts, key)->startText);
    }

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
    // The synchronous stage and the thermal verdict start at their rows' texts.
    std::string rectifier = StartText("rectifier");  // diode or sync
    std::string lsmode = StartText("lsmode");        // ccm or de
    std::string rdsLo = StartText("rds-lo");         // mΩ
    std::string td1 = StartText("td1");              // ns
    std::string td2 = StartText("td2");              // ns
    std::string cossHi = StartText("coss-hi");       // pF
    std::string cossLo = StartText("coss-lo");       // pF
    std::string qrr = StartText("qrr");              // nC
    std::string qgLo = StartText("qg-lo");           // nC
    std::string ta = StartText("ta");                // °C
    std::string rthHs = StartText("rth-hs");         // K/W, empty: not given
    std::string rthLs = StartText("rth-ls");         // K/W
    std::string rthL = StartText("rth-l");           // K/W
    std::string tjmax = StartText("tjmax");          // °C
    std::string tcRds = StartText("tc-rds");         // %/K
    std::string tcDcr = StartText("tc-dcr");         // %/K

    friend bool operator==(const PartTexts&, const PartTexts&) = default;
};

// One part: its row of the table of quantities and where its text and SI
// value live. A word row (rectifier, lsmode) has no number: `value` is null.
struct PartField {
    const Quantity* row;
    std::string PartTexts::*text;
    double PartValues::*value;
};

// The parts in the order of the fields: esr, dcr, rds, rd, vf, tr, tf, qg,
// vdrv, iq, then the synchronous stage and the thermal rows in table order.
std::span<const PartField> PartFields();

// "diode" or "sync"; "ccm" or "de": the texts of the two choices.
std::string_view RectifierWord(Rectifier rectifier);
std::string_view LowSideWord(LowSideMode mode);

struct PartsReading {
    std::optional<PartValues> values;
    const PartField* refused = nullptr;  // the first part refused, with `message`
    std::string message;
};

// The texts read by their rows in field order; the first refusal ends the
// reading. An empty thermal resistance is one not given (zero).
PartsReading ReadPartTexts(const PartTexts& texts);

}  // namespace stepdown

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

// Each text starts at its row's start text: every part at zero but the
// diode's drop (today's circuit, with a diode that blocks), the synchronous
// stage's and the thermal verdict's at theirs.
struct PartTexts {
    PartTexts();

    std::string esr, dcr, rds, rd;   // mΩ
    std::string vf;                  // V
    std::string tr, tf;              // ns
    std::string qg;                  // nC
    std::string vdrv;                // V
    std::string iq;                  // mA
    std::string rectifier;           // diode or sync
    std::string lsmode;              // ccm or de
    std::string rdsLo;               // mΩ
    std::string td1, td2;            // ns
    std::string cossHi, cossLo;      // pF
    std::string qrr, qgLo;           // nC
    std::string ta;                  // °C
    std::string rthHs, rthLs, rthL;  // K/W, empty: not given
    std::string tjmax;               // °C
    std::string tcRds, tcDcr;        // %/K

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
// What the window's choices show for them: "diodo" or "sincrono"; "CCM
// forzato" or "emulazione del diodo".
std::string_view RectifierShown(Rectifier rectifier);
std::string_view LowSideShown(LowSideMode mode);
// A word row's text as the window shows it; a word the choice does not know
// stays as written.
std::string ShownWord(const PartField& field, const std::string& text);

struct PartsReading {
    std::optional<PartValues> values;
    const PartField* refused = nullptr;  // the first part refused, with `message`
    std::string message;
};

// A temperature coefficient that takes its resistance to zero or below at Ta.
inline constexpr std::string_view kRdsToZero =
    "Con questo coefficiente di temperatura Rds(on) arriva a zero o sotto alla temperatura "
    "ambiente Ta: abbassa il coefficiente o alza Ta!";
inline constexpr std::string_view kDcrToZero =
    "Con questo coefficiente di temperatura la DCR arriva a zero o sotto alla temperatura "
    "ambiente Ta: abbassa il coefficiente o alza Ta!";

// The texts read by their rows in field order; the first refusal ends the
// reading. An empty thermal resistance is one not given (zero). With a
// thermal resistance given, a coefficient refused by kRdsToZero or
// kDcrToZero ends it too.
PartsReading ReadPartTexts(const PartTexts& texts);

}  // namespace stepdown

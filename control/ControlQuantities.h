#pragma once
// The controller's input quantities, defined once: the command's options,
// the future design file's keys and the window's fields all come from this
// table, and one reader turns their texts into SI values or the first
// refusal.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "control/ControlMethod.h"
#include "model/Quantity.h"

namespace stepdown {

// The texts as typed, in the unit of each row, each starting at its row's
// start text. An empty text of a row that may be left empty means
// "automatic" (designed, derived or not asked).
struct ControlTexts {
    ControlTexts();

    std::string vref, vramp, vcmax, dmax, control, ri, se, ilim, tblank, r1, rb, type, r2, r3, c1,
        c2, c3, fc, pm, tss, rl2, t1, vi2, t2, tend;

    friend bool operator==(const ControlTexts&, const ControlTexts&) = default;
};

// "voltage" or "peak", as the row of "control" reads it.
std::string_view ControlWord(ControlMethod method);

// SI values; nothing where the text was left empty.
struct ControlValues {
    std::optional<double> vref, vramp, vcmax, dmax, ri, se, ilim, tblank, r1, rb, type, r2, r3, c1,
        c2, c3, fc, pm, tss, rl2, t1, vi2, t2, tend;
    ControlMethod control = ControlMethod::Voltage;
};

// One quantity: its row of the table of quantities and where its text and
// SI value live; a word's value is read into ControlValues::control.
struct ControlField {
    const Quantity* row;
    std::string ControlTexts::*text;
    std::optional<double> ControlValues::*value;
};

std::span<const ControlField> ControlFields();
const ControlField* ControlFieldNamed(std::string_view key);

// The values, or the first row refused and why.
struct ControlReading {
    std::optional<ControlValues> values;
    const ControlField* refused = nullptr;
    std::string message;  // Italian, as the field check's messages
};

// Each text in table order, read by its row; the first refusal ends the
// reading.
ControlReading ReadControlTexts(const ControlTexts& texts);

}  // namespace stepdown

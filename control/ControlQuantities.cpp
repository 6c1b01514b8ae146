#include "control/ControlQuantities.h"

#include <array>
#include <cmath>
#include <limits>

#include "model/Conversions.h"
#include "model/Module1.h"
#include "model/Quantities.h"

namespace stepdown {
namespace {

using Q = ControlQuantity;
using T = ControlTexts;
using V = ControlValues;

// A row of the table of quantities with where its text and value live. The
// table states the range in SI; the reader checks the typed value, against
// limits that are exact in the typed unit (1 / 0.01 is 100).
consteval Q ControlRow(std::string_view key, std::string T::*text,
                       std::optional<double> V::*value) {
    const Quantity& row = Row(QuantityGroup::Loop, key);
    return {row.key,
            row.caption,
            row.subject,
            row.unit,
            row.toSI,
            row.startText,
            row.range.low / row.toSI,
            row.range.high / row.toSI,
            row.range.lowIncluded,
            row.range.highIncluded,
            row.mayBeEmpty,
            row.wholeNumber,
            row.refusal,
            text,
            value};
}

const std::array<Q, 20> kControlRows{{
    ControlRow("vref", &T::vref, &V::vref),    ControlRow("vramp", &T::vramp, &V::vramp),
    ControlRow("vcmax", &T::vcmax, &V::vcmax), ControlRow("dmax", &T::dmax, &V::dmax),
    ControlRow("r1", &T::r1, &V::r1),          ControlRow("rb", &T::rb, &V::rb),
    ControlRow("type", &T::type, &V::type),    ControlRow("r2", &T::r2, &V::r2),
    ControlRow("r3", &T::r3, &V::r3),          ControlRow("c1", &T::c1, &V::c1),
    ControlRow("c2", &T::c2, &V::c2),          ControlRow("c3", &T::c3, &V::c3),
    ControlRow("fc", &T::fc, &V::fc),          ControlRow("pm", &T::pm, &V::pm),
    ControlRow("tss", &T::tss, &V::tss),       ControlRow("rl2", &T::rl2, &V::rl2),
    ControlRow("t1", &T::t1, &V::t1),          ControlRow("vi2", &T::vi2, &V::vi2),
    ControlRow("t2", &T::t2, &V::t2),          ControlRow("tend", &T::tend, &V::tend),
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
    const FieldNumber read = ReadFieldNumber(text, row.description);
    if (!read.value) return read.message;
    if (!InRange(row, *read.value)) return std::string(row.refusal);
    value = ToSI(row, *read.value);
    return {};
}

}  // namespace

std::span<const ControlQuantity> ControlQuantities() { return kControlRows; }

const ControlQuantity* ControlQuantityNamed(std::string_view key) {
    for (const Q& row : kControlRows)
        if (row.key == key) return &row;
    return nullptr;
}

ControlReading ReadControlTexts(const ControlTexts& texts) {
    ControlValues values;
    for (const Q& row : kControlRows) {
        const std::string& text = texts.*row.text;
        if (text.empty() && row.mayBeEmpty) continue;
        std::string refusal = Refusal(row, text, values.*row.value);
        if (!refusal.empty()) return {std::nullopt, &row, std::move(refusal)};
    }
    return {values, nullptr, {}};
}

}  // namespace stepdown

#pragma once
// The controller's input quantities, defined once: the command's options,
// the future design file's keys and the window's fields all come from this
// table, and one reader turns their texts into SI values or the first
// refusal.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace stepdown {

// The texts as typed, in the unit of each row. An empty text of a row that
// may be left empty means "automatic" (designed, derived or not asked).
struct ControlTexts {
    std::string vref = "2.5", vramp = "1", vcmax, dmax = "95", r1 = "10000", rb, type, r2, r3, c1,
                c2, c3, fc, pm = "60", tss = "0", rl2, t1, vi2, t2, tend;

    friend bool operator==(const ControlTexts&, const ControlTexts&) = default;
};

// SI values; nothing where the text was left empty.
struct ControlValues {
    std::optional<double> vref, vramp, vcmax, dmax, r1, rb, type, r2, r3, c1, c2, c3, fc, pm, tss,
        rl2, t1, vi2, t2, tend;
};

struct ControlQuantity {
    std::string_view key;          // the option without "--", the design file's key
    std::string_view caption;      // the window's label
    std::string_view description;  // what the messages call it
    std::string_view unit;
    double toSI;
    std::string_view startText;
    double min, max;  // the accepted range, in the row's unit
    bool minIncluded, maxIncluded;
    bool mayBeEmpty;
    bool integer;  // only whole numbers
    std::string_view refusal;
    std::string ControlTexts::*text;
    std::optional<double> ControlValues::*value;
};

std::span<const ControlQuantity> ControlQuantities();
const ControlQuantity* ControlQuantityNamed(std::string_view key);

// The values, or the first row refused and why.
struct ControlReading {
    std::optional<ControlValues> values;
    const ControlQuantity* refused = nullptr;
    std::string message;  // Italian, as the field check's messages
};

// Each text in table order, checked like every field (empty where not
// allowed, a character other than digits and "e", ".", "E", "-", "+", a
// number beyond the double range), then against the row's range; the first
// refusal ends the reading.
ControlReading ReadControlTexts(const ControlTexts& texts);

}  // namespace stepdown

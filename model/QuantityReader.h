#pragma once
// The one reader of the table of quantities. A window, the command, a design
// file and the report all hand it the texts of a group; it turns each into
// its SI value or the one sentence that refuses it, and the front end only
// says where the text came from (a field, an option, a file's key).
//
// Each text passes its row's columns in one order: left empty (refused
// unless the row may be empty, when it stands for "not given"); the
// characters; the number and its size; the unit, as typed value x factor;
// the SI value's size; the range, below it the row's refusal and above it
// its high refusal when it has one; whole numbers. Rules that tie one field
// to another belong to the group's own code, after this reading.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "model/Quantities.h"

namespace stepdown {

// Only a frequency's unit is larger than SI, so only a frequency can leave
// the range of a double on its way to SI units.
inline constexpr std::string_view kFrequencyOverflowMessage =
    "La frequenza scritta è troppo grande: convertita in Hz supera i numeri rappresentabili!";

struct QuantityReading {
    std::optional<double> value;  // SI; nothing when refused or left empty
    std::string refusal;          // the sentence, empty when the text is read

    bool Refused() const { return !refusal.empty(); }
};

// One text by its row. A word row (a choice among names) is left to its
// group's code and reads as nothing. A row that takes only some numbers as
// words (the compensator's type) refuses every other text with its words.
QuantityReading ReadQuantity(const Quantity& row, std::string_view text);

// The words `row` takes as its refusal and the help name them: "E6, E12 o
// E24", "diode (diodo) o sync (sincrono)".
std::string WordList(const Quantity& row);

// The sentence that refuses a text of `row`: its refusal, followed for a row
// that takes words by them and "!".
std::string RefusalOf(const Quantity& row);

// Where `text` stands among the words `row` takes, or nothing.
std::optional<std::size_t> WordIndex(const Quantity& row, std::string_view text);

// The row's start text as ReadQuantity reads it; 0 for one left empty.
double StartValue(const Quantity& row);

struct QuantityRefusal {
    const Quantity* row = nullptr;
    std::string sentence;
};

// The texts of `group` in table order, `textOf` giving each row's text: the
// first refused, or nothing.
std::optional<QuantityRefusal> FirstRefusal(
    QuantityGroup group, const std::function<std::string_view(const Quantity&)>& textOf);

}  // namespace stepdown

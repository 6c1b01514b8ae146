#pragma once
// The texts typed for the input quantities as a plain value, each under its
// quantity's group and key. The clicks "Calcola" and "Grafici" and the side
// windows' studies read it; every front end fills it by key: the main window
// from its boxes (model/MainWindowBoxes.h), the command from its options, a
// design file from its sections. Nothing here knows a window.

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/Quantity.h"

namespace stepdown {

// A quantity of the table by its group and key; the key is one of the
// table's, which outlive every value that names them.
struct QuantityId {
    QuantityGroup group;
    std::string_view key;
    friend constexpr bool operator==(const QuantityId&, const QuantityId&) = default;
    // Spelt out: the defaulted three-way comparison of a string_view trips clang-tidy.
    friend constexpr bool operator<(const QuantityId& a, const QuantityId& b) {
        return a.group != b.group ? a.group < b.group : a.key < b.key;
    }
};

constexpr QuantityId IdOf(const Quantity& row) { return {row.group, row.key}; }

using InputTexts = std::map<QuantityId, std::string>;

// Texts in the order they were read or written.
using TextList = std::vector<std::pair<QuantityId, std::string>>;

// The text of the quantity, empty when `texts` has none.
std::string TextIn(const InputTexts& texts, QuantityId id);
std::string TextIn(const InputTexts& texts, const Quantity& row);

// The main window's quantities (design, verification, simulation), each at
// its start text: the window as it opens.
InputTexts StartTexts();

}  // namespace stepdown

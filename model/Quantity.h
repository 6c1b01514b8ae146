#pragma once
// What a row of the table of quantities (model/Quantities.h) says of one
// input quantity, and the ranges most rows share.

#include <limits>
#include <span>
#include <string_view>

namespace stepdown {

enum class QuantityGroup { Design, Verification, Simulation, Parts, Selection, Loop };

// The accepted values in SI units: from `low` to `high`, each end included
// or not. An open range is ±infinity.
struct QuantityRange {
    double low = -std::numeric_limits<double>::infinity();
    bool lowIncluded = true;
    double high = std::numeric_limits<double>::infinity();
    bool highIncluded = true;

    constexpr bool Contains(double value) const {
        const bool aboveLow = lowIncluded ? value >= low : value > low;
        const bool belowHigh = highIncluded ? value <= high : value < high;
        return aboveLow && belowHigh;
    }
};

// One word a choice takes, and what it means in the refusal's words
// ("diode", "diodo"); a word that needs no gloss has none.
struct Word {
    std::string_view word;
    std::string_view meaning = {};
};

// The words a row takes, in the order of their enumeration. The refusal
// names each with its meaning after it, or before it (`meaningFirst`).
struct Words {
    std::span<const Word> list;
    bool meaningFirst = false;
};

struct Quantity {
    QuantityGroup group;
    std::string_view key;               // the design file's key and the command's option
    std::string_view caption;           // "Tensione di ingresso Vi": windows, report, help
    std::string_view subject;           // "la tensione di ingresso Vi": the field messages
    std::string_view unit;              // of the typed text; empty for counts and words
    double toSI;                        // typed value x toSI = SI value
    std::string_view startText;         // what the field holds when the window opens
    QuantityRange range;                // in SI units
    std::string_view refusal;           // a value below the range (or outside it)
    std::string_view highRefusal = {};  // a value above it, when that has words of its own
    bool mayBeEmpty = false;            // an empty text stands for "automatic" or "not asked"
    bool wholeNumber = false;           // a count or a choice among whole numbers
    std::string_view label = {};        // a side window's short field label, if not the caption
    bool word = false;                  // a choice among names, read by its group's code
    Words words = {};                   // what a choice takes; its refusal, then, is the
                                        // sentence up to the words (model/QuantityReader.h)
};

// What a side window's field is labelled with.
constexpr std::string_view FieldLabel(const Quantity& quantity) {
    return quantity.label.empty() ? quantity.caption : quantity.label;
}

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr QuantityRange kAnyValue{};
constexpr QuantityRange kPositive{0, false, kInf, true};
constexpr QuantityRange kNotNegative{0, true, kInf, true};

// A row whose text is a choice among names, read by its group's code; its
// refusal is the sentence that the words it takes end.
constexpr Quantity WordRow(QuantityGroup group, std::string_view key, std::string_view caption,
                           std::string_view subject, std::string_view startText,
                           std::string_view refusal, Words words) {
    return {group,   key, caption, subject, "", 1,    startText, kAnyValue,
            refusal, {},  false,   false,   {}, true, words};
}

}  // namespace stepdown

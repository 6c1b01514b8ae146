#pragma once
// The choices as typed (ChoiceTexts) read into what the evaluations take:
// the series and rounding, the tolerances as fractions, the worst case's
// ranges and the sweep's loads in V and A. Each number is checked like the
// program's other fields; an empty range end takes the nominal design's
// value, and the sweep's ends 10 % and 150 % of the nominal Io. The one
// reader of these texts, whether typed in the window, given as the
// command's options or carried by a design file.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "componentchoice/ChoiceTexts.h"
#include "componentchoice/Selection.h"
#include "model/Quantity.h"

namespace stepdown {

// Loads per input voltage the sweep accepts.
inline constexpr std::int32_t kMaxSweepPoints = 1000;

// One choice: its row of the table of quantities and where its text lives.
struct ChoiceField {
    const Quantity* row;
    std::string ChoiceTexts::*text;
};

// The eleven in the order of ChoiceTexts and of the design file's keys.
std::span<const ChoiceField> ChoiceFields();

struct ChoiceSettings {
    Series series = Series::E12;
    Rounding rounding = Rounding::Up;
    CornerRanges corners;
    double ioFrom = 0, ioTo = 0;  // A
    std::int32_t points = 0;
};

// The texts read on their own, before a design gives the empty range ends
// their values (left empty here).
struct ChoiceValues {
    Series series = Series::E12;
    Rounding rounding = Rounding::Up;
    double tolL = 0.2, tolC = 0.2;                                   // fractions
    std::optional<double> viMin, viMax, ioMin, ioMax, ioFrom, ioTo;  // V, A
    std::int32_t points = 0;
};

struct ChoiceValuesReading {
    std::optional<ChoiceValues> values;
    const ChoiceField* refused = nullptr;  // the first field refused, with `message`
    std::string message;
};

// In field order; the first refusal ends the reading. The ranges are not
// compared yet.
ChoiceValuesReading ReadChoiceValues(const ChoiceTexts& texts);

struct ChoiceReading {
    std::optional<ChoiceSettings> settings;
    const ChoiceField* refused = nullptr;  // the first field refused, with `message`
    std::string message;
};

// The empty ends at the nominal design's values, then each range checked
// in field order: a range upside down is refused at its second end.
ChoiceReading ResolveChoiceValues(const ChoiceValues& values, const DesignTargets& nominal);

// ReadChoiceValues, then ResolveChoiceValues.
ChoiceReading ReadChoiceTexts(const ChoiceTexts& texts, const DesignTargets& nominal);

}  // namespace stepdown

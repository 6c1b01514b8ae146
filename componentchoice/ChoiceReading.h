#pragma once
// The choices as typed (ChoiceTexts) read into what the evaluations take:
// the series and rounding, the tolerances as fractions, the worst case's
// ranges and the sweep's loads in V and A. Each number is checked like the
// program's other fields; an empty range end takes the nominal design's
// value, and the sweep's ends 10 % and 150 % of the nominal Io.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "componentchoice/ChoiceTexts.h"
#include "componentchoice/Selection.h"

namespace stepdown {

// Loads per input voltage the sweep accepts.
inline constexpr std::int32_t kMaxSweepPoints = 1000;

// One choice: its key in the design file and the words its messages name
// it by.
struct ChoiceField {
    std::string_view key;
    std::string_view description;
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

struct ChoiceReading {
    std::optional<ChoiceSettings> settings;
    const ChoiceField* refused = nullptr;  // the first field refused, with `message`
    std::string message;
};

// In field order; the first refusal ends the reading. A range whose ends
// are both typed is checked once its second end is read.
ChoiceReading ReadChoiceTexts(const ChoiceTexts& texts, const DesignTargets& nominal);

}  // namespace stepdown

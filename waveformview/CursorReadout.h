#pragma once
// The readout of the pointer over the plot: which waveform's band it is in,
// and the time and value under it.

#include <optional>
#include <string>
#include <string_view>

#include "verification/SimulationRun.h"

namespace stepdown {

struct ReadoutResult {
    int selectedOption = 0;              // 1..5 (Option1..Option5), 0 for none
    std::optional<std::string> toolTip;  // nothing: the tooltip keeps its text
};

// `selectedOption` is the selection before the move (0 for none); x and y are
// the pointer in the plot's user scale. `run` is the run the window shows, or
// null when it shows none (then only the selection changes). The selection
// alone changes too when the time under the pointer lies beyond the double
// range (frequencies below about 1e-293 Hz with many periods shown).
ReadoutResult CursorReadout(const SimulationRun* run, int selectedOption, float x, float y,
                            std::string_view separator);

}  // namespace stepdown

#pragma once
// What one simulation run leaves for the window that shows it: the settings
// it ran with and the final simulated period. The waveform window keeps its
// own copy, so its cursor readout never reads a later launch's quantities.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/InputTexts.h"
#include "verification/RunAnalysis.h"

namespace stepdown {

struct SimulationRun {
    double f = 0.0;         // Hz
    std::int32_t NP = 0;    // periods shown
    std::int32_t N = 0;     // samples per period
    double TimeStep = 0.0;  // s
    // Indices 0..N+1, samples 1..N meaningful.
    std::vector<double> WaveIL, WaveVo, WaveIC, WaveVd, WaveId;
    // Only for a completed run.
    std::optional<RunAnalysis> analysis;
    // The quantities it was launched from and their texts, in the launch's order.
    TextList launchTexts;
};

}  // namespace stepdown

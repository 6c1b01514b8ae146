#pragma once
// What a completed run tells beyond its final period: the way from rest
// (the exact repeat, the extremes and envelope of every period), the
// periodic steady state of the circuit, and whether the figures shown are
// already those of the steady state.

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/ConverterLoop.h"
#include "engine/Figures.h"
#include "model/Module1.h"
#include "realparts/RealParts.h"
#include "steadystate/SteadyState.h"

namespace stepdown {

struct RunAnalysis {
    // A period whose end state repeated an earlier one, and the cycle
    // length; 0 when no repeat was found.
    std::int64_t repeatPeriod = 0;
    std::int64_t cycleLength = 0;
    SampleExtremes startup;                // from rest to the last period
    std::vector<EnvelopeBucket> envelope;  // per-period extremes, bounded
    MeasuredFigures last;                  // the figures shown
    double lastMeanVo = 0.0;               // V
    SteadyState steady;
    // Whether the figures shown are settled, and what to advise when not.
    RunVerdict verdict;
    // The design the verification fields still hold, if they do.
    std::optional<DesignRecord> design;
    // Only when the steady state's mean Vo misses the design's by more than
    // kDesignVoMiss: the duty cycle D' that gives the design's Vo on the
    // converter as built with its default parts, which counts the diode's
    // drop that D = Vo/Vi leaves out.
    std::optional<DutySynthesis> designVoDuty;
};

// A mean Vo farther than this fraction from the design's is worth a word:
// the diode's drop alone can take a low output voltage well below it.
inline constexpr double kDesignVoMiss = 0.02;

}  // namespace stepdown

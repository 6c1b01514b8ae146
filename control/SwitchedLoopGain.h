#pragma once
// The loop gain of the switched converter, measured as a network analyser
// would: from the closed loop's periodic steady state, a small sine is added
// at the loop's break (the divider's top) and, once the response has
// settled, vo and what the network sees of it are each transformed at the
// injected frequency over whole periods of both the sine and the switching:
// T = -Vo/Vsensed. The frequencies are f/n for whole n, so that the
// switching ripple falls out of the transform. It holds in DCM too, and it
// sees the modulator's sampling that the averaged model leaves out.

#include <functional>
#include <string>
#include <vector>

#include "control/LoopAnalysis.h"

namespace stepdown {

struct SwitchedBode {
    std::vector<double> f;  // Hz, rising, from f/400 (at least 10 Hz) to f/2
    BodeCurve T;            // phase continuous from the lowest frequency
    std::string refusal;    // not empty: no result
    bool cancelled = false;
};

// `progress(done, total)` after each frequency; returning false cancels.
SwitchedBode SwitchedLoopGain(const LoopCircuit& loop, int points,
                              const std::function<bool(int, int)>& progress = {});

}  // namespace stepdown

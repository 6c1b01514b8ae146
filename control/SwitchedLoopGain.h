#pragma once
// The loop gain of the switched converter, measured as a network analyser
// would: from the closed loop's periodic steady state, a small sine is added
// at the loop's break (the divider's top) and, once the response has
// settled, vo is transformed at the injected frequency over whole periods of
// both the sine and the switching, each piece of the run by Simpson's rule
// on its exact state: T = -Vo/(Vo + the sine's). The frequencies are f/n for
// whole n, so that the switching ripple falls out of the transform. It holds
// in DCM too, and it sees the modulator's sampling that the averaged model
// leaves out. The steady state is run until a block of periods no longer
// moves it, and each frequency until two windows in a row agree: what the
// last two still differ by is the measure's convergence.

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
    // The largest difference, over the frequencies, between the last two
    // windows' T; converged: every frequency's two within kWindowsAgree.
    double spreadDb = 0, spreadDeg = 0;
    bool converged = true;
};

// Two windows agree when their T differ by this fraction of T or less.
inline constexpr double kWindowsAgree = 1e-4;

// `progress(done, total)` after each frequency; returning false cancels.
SwitchedBode SwitchedLoopGain(const LoopCircuit& loop, int points,
                              const std::function<bool(int, int)>& progress = {});

}  // namespace stepdown

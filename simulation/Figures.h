#pragma once
// The five figures measured on the final simulated period.

#include "model/Module1.h"

namespace stepdown {

struct MeasuredFigures {
    double SimDeltaiL = 0.0;  // A
    double SimIDP = 0.0;      // A
    double SimDeltaVo = 0.0;  // mV
    double SimIDm = 0.0;      // A
    double SimIim = 0.0;      // A
};

// From MaxIL, MinIL, MaxVo, MinVo, TimeStep, f, N and samples 1..N of
// WaveIL and WaveId, in the written order; the means are rectangle sums in
// ascending sample order. Requires arrays that hold samples 1..N.
MeasuredFigures MeasureFigures(const Module1& module);

bool AllFinite(const MeasuredFigures& figures);

void StoreFigures(Module1& module, const MeasuredFigures& figures);

}  // namespace stepdown

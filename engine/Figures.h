#pragma once
// The five figures measured on the final simulated period, and the mean
// output voltage measured the same way.

#include <cstdint>

#include "model/Module1.h"

namespace stepdown {

struct MeasuredFigures {
    double SimDeltaiL = 0.0;  // A
    double SimIDP = 0.0;      // A
    double SimDeltaVo = 0.0;  // mV
    double SimIDm = 0.0;      // A
    double SimIim = 0.0;      // A
};

// What the figures are measured from: the extremes of the period's samples
// and its arrays (indices 0..N+1, samples 1..N read).
struct FigureInputs {
    double MaxIL = 0.0, MinIL = 0.0, MaxVo = 0.0, MinVo = 0.0;
    double TimeStep = 0.0;  // s
    double f = 0.0;         // Hz
    std::int32_t N = 0;
    const double* iL = nullptr;
    const double* id = nullptr;
};

// In the written order; the means are rectangle sums in ascending sample
// order.
MeasuredFigures MeasureFigures(const FigureInputs& inputs);

// From Module1's MaxIL, MinIL, MaxVo, MinVo, TimeStep, f, N and samples 1..N
// of WaveIL and WaveId. Requires arrays that hold samples 1..N.
MeasuredFigures MeasureFigures(const Module1& module);

// f x (the sum of TimeStep x Vo[i] for i = 1..N), the rectangle rule of the
// mean currents.
double MeanOutputVoltage(const double* Vo, std::int32_t N, double TimeStep, double f);

bool AllFinite(const MeasuredFigures& figures);

void StoreFigures(Module1& module, const MeasuredFigures& figures);

}  // namespace stepdown

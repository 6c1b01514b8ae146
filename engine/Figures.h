#pragma once
// The five figures measured on the final simulated period, and the mean
// output voltage measured the same way.

#include <cstdint>
#include <string_view>

#include "model/Module1.h"

namespace stepdown {

struct MeasuredFigures {
    double SimDeltaiL = 0.0;  // A
    double SimIDP = 0.0;      // A
    double SimDeltaVo = 0.0;  // mV
    double SimIDm = 0.0;      // A
    double SimIim = 0.0;      // A
};

// Module1's five figures.
constexpr MeasuredFigures FiguresOf(const Module1& m) {
    return {m.SimDeltaiL, m.SimIDP, m.SimDeltaVo, m.SimIDm, m.SimIim};
}

// One of the five figures, described once for every output: its name in the
// command's text and JSON, the name of the design's value it is compared
// with, the symbol of the comparison tables, the report's caption, its unit,
// and the design's value in the figure's unit (the recorded value x
// designScale).
struct FigureDescription {
    std::string_view name, designName, symbol, caption, unit;
    double MeasuredFigures::*value;
    double DesignRecord::*designed;
    double designScale;
};

inline constexpr FigureDescription kMeasuredFigures[] = {
    {"SimDeltaiL", "DeltaiL", "ΔiL", "Ondulazione della corrente ΔiL", "A",
     &MeasuredFigures::SimDeltaiL, &DesignRecord::DeltaiL, 1},
    {"SimDeltaVo", "DeltaVo", "ΔVo", "Ondulazione della tensione ΔVo", "mV",
     &MeasuredFigures::SimDeltaVo, &DesignRecord::DeltaVo, 1000},
    {"SimIDP", "IDP", "IDP", "Corrente di picco nel diodo", "A", &MeasuredFigures::SimIDP,
     &DesignRecord::IDP, 1},
    {"SimIDm", "IDm", "IDm", "Corrente media nel diodo", "A", &MeasuredFigures::SimIDm,
     &DesignRecord::IDm, 1},
    {"SimIim", "Iim", "Iim", "Corrente media in ingresso", "A", &MeasuredFigures::SimIim,
     &DesignRecord::Iim, 1},
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

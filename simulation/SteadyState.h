#pragma once
// The periodic steady state of the simulated circuit, found directly rather
// than by simulating until the start-up has died out.
//
// The switching instants are fixed and the diode is taken to conduct for the
// whole switch-off interval, so one period maps its start state s = (iL[1],
// Vo[1]) affinely to its end state: F(s) = A s + b. Four periods give A and
// b; the fixed point x* = (I - A)^-1 b, refined once on its own residual, is
// the state the run tends to when the spectral radius of A is below 1, and
// the figures of one period started at x*, measured as the run's are, are
// the steady-state figures. From rest the state after k periods is
// x* - A^k x*, so the periods the start-up needs are found by probing single
// periods instead of simulating them all.

#include <array>
#include <cstdint>

#include "simulation/ConverterLoop.h"
#include "simulation/Figures.h"

namespace stepdown {

// A figure within this fraction of its steady-state value is settled: a
// difference that would show in the third digit is not.
inline constexpr double kSettledTolerance = 0.005;

// The transient counts as gone once it has fallen below this fraction of
// its start.
inline constexpr double kTransientFraction = 0.001;

// Row-major 2 x 2 matrix acting on (iL, Vo).
using PeriodMatrix = std::array<double, 4>;

struct SteadyState {
    // A spectral radius below 1 and finite figures: a steady state exists.
    bool exists = false;
    PeriodMatrix A{};
    double spectralRadius = 0.0;  // not finite when A could not be found
    PeriodState state;            // x*
    MeasuredFigures figures;      // of one period started at x*
    double meanVo = 0.0;          // V, of that period
    SampleExtremes band;          // the signed extremes of that period
    // Periods from rest after which the transient has fallen below
    // kTransientFraction of its start and the last period's figures are
    // settled; 0 without a steady state.
    std::int64_t periodsNeeded = 0;
};

// Needs the inputs the period loop runs on (N >= 1, D within 0..1) and f in
// hertz; without them, or where I - A is singular, no steady state exists.
SteadyState FindSteadyState(const CircuitInputs& inputs, double f);

// The largest relative deviation of `figures` from the steady-state ones
// (0.01 for 1 %). A deviation at the level of rounding (a billionth of the
// circuit's current or voltage) counts as none, so that figures that are
// zero at steady state can still be settled. Infinite when a figure is not
// finite or there is no steady state.
double WorstDeviation(const MeasuredFigures& figures, const SteadyState& steady);

// The first period count, from `from` on, after which the last period is
// settled and stays so through the slowest oscillation of the transient.
// Requires steady.exists.
std::int64_t PeriodsToSettle(const CircuitInputs& inputs, double f, const SteadyState& steady,
                             std::int64_t from);

}  // namespace stepdown

#pragma once
// The periodic steady state of the simulated circuit, found directly rather
// than by simulating until the start-up has died out, and the policy that
// judges a run against it.
//
// The switching instants are fixed and the diode is taken to conduct for the
// whole switch-off interval, so every Euler step is the affine map
// s -> S s + c with one 2 x 2 matrix S for both intervals and c carrying Vi
// or the diode drop. One period maps its start state s = (iL[1], Vo[1]) to
// its end state F(s) = A s + b, with A a power of S: A and b come from
// repeated squaring in long double, without simulating a period. When the
// spectral radius of A is safely below 1 the run tends to x* = (I - A)^-1 b,
// and one period started at x*, measured as the run's are, gives the
// steady-state figures.
//
// From rest the k-th period starts at x* + A^(k-1) (0 - x*), and each figure
// of that period differs from its steady-state value, to first order, by
// w . A^(k-1) (0 - x*), with w the figure's gradient along the period. The
// modes of A bound that sequence by a decaying envelope; walking the
// sequence itself below the envelope's bound finds the last period that
// misses the tolerance. So every run of periodsNeeded periods or more has
// every figure within kSettledTolerance of the steady state and its
// inductor current positive throughout the last period.

#include <array>
#include <cstdint>

#include "engine/ConverterLoop.h"
#include "engine/Figures.h"

namespace stepdown {

// A figure within this fraction of its steady-state value is settled: a
// difference that would show in the third digit is not.
inline constexpr double kSettledTolerance = 0.005;

// The largest NI a field can hold.
inline constexpr std::int64_t kLargestNI = 2'147'483'647;

// Row-major 2 x 2 matrix acting on (iL, Vo).
using PeriodMatrix = std::array<double, 4>;

enum class SteadyStateKind {
    Found,          // radius safely below 1: x*, figures and periods needed
    NotComputable,  // radius within rounding of 1: the shooting cannot keep its digits
    Unbounded,      // radius above 1: the integration grows without bound
    Invalid,        // settings the loop refuses, or a steady state beyond the double range
};

struct SteadyState {
    SteadyStateKind kind = SteadyStateKind::Invalid;
    PeriodMatrix A{};
    double spectralRadius = 0.0;  // not finite when A could not be found
    PeriodState state;            // x*
    MeasuredFigures figures;      // of one period started at x*
    double meanVo = 0.0;          // V, of that period
    SampleExtremes band;          // the signed extremes of that period
    // Periods from rest from which on every run has settled figures and a
    // positive inductor current; 0 unless kind is Found and the steady
    // state's inductor current stays positive. May exceed kLargestNI.
    std::int64_t periodsNeeded = 0;

    bool Exists() const { return kind == SteadyStateKind::Found; }
    // The steady state's own period would pass the conduction check.
    bool Conducts() const { return Exists() && band.minIL > 0; }
};

// Needs the inputs the period loop runs on (N >= 1, D within 0..1) and f in
// hertz; without them the steady state is Invalid. The period at x* runs in
// `scratch`, arrays of indices 0..N+1 whose index 0 holds zero (iC and Vd
// may share one); the other overload makes its own.
SteadyState FindSteadyState(const CircuitInputs& inputs, double f, const WaveArrays& scratch);
SteadyState FindSteadyState(const CircuitInputs& inputs, double f);

// The largest relative deviation of `figures` from the steady-state ones
// (0.01 for 1 %). A deviation at the level of rounding (a billionth of the
// circuit's current or voltage) counts as none, so that figures that are
// zero at steady state can still be settled. Infinite when a figure is not
// finite or there is no steady state.
double WorstDeviation(const MeasuredFigures& figures, const SteadyState& steady);

// What can be said to a run that has not settled.
enum class SettleAdvice {
    None,                // settled
    RaiseNI,             // NI = periodsNeeded settles it
    CurrentReachesZero,  // no NI can: the steady state would be refused
    BeyondLargestNI,     // periodsNeeded exceeds the largest NI
    NotComputable,
    Unbounded,
};

struct RunVerdict {
    bool settled = false;
    double worstDeviation = 0.0;  // of the figures shown, as a fraction
    SettleAdvice advice = SettleAdvice::None;
};

// A run that repeated exactly, or whose figures lie within
// kSettledTolerance of the steady state, is settled.
RunVerdict JudgeRun(const SteadyState& steady, const MeasuredFigures& shown, bool repeated);

// The NI to advise after the conduction check refused a run of NI periods:
// only when the run simulated some periods without repeating, and the
// steady state conducts and needs more periods than the run had.
std::int64_t PeriodsToAdviseAfterRefusal(const SteadyState& steady, std::int32_t NI, bool repeated);

}  // namespace stepdown

#pragma once
// The regulated converter switched period by period: the power stage as
// built (realparts/ConverterModel.h, its blocking diode included, or the
// synchronous stage of realparts/SynchronousStage.h, its low side driven
// td1 after the high side opens until td2 before the period's end), the
// error amplifier's network with its rails, the latched trailing-edge
// modulator with natural sampling, soft-start, a load step and a line step.
//
// The state y = (iL, vC, vC1, vC2, vC3, vref, tau, integral of vo, 1) obeys
// y' = A y on every interval where nothing switches (tau is the time since
// the period began; the constant 1 carries the sources). A is built from
// the power stage's interval (LinearInterval's M and equilibrium) and the
// network's nodal equations: with v- the inverting input,
//   C3 vC3' = (vo - vC3 - v-)/R3,   C1 vC1' = (vC2 - vC1)/R2,
//   C2 vC2' = (vo - v-)/R1 + (vo - vC3 - v-)/R3 - v-/Rb - (vC2 - vC1)/R2,
// v- = vref and vc = vref - vC2 while the amplifier is linear, vc = rail and
// v- = rail + vC2 while it is saturated. Each interval is integrated by the
// Taylor series of e^{As} applied to the state, in pieces where |A| s <= 1/2,
// to rounding; every switching instant (the ramp reaching vc, Dmax, the
// current reaching zero, a rail reached or left) is located on the exact
// trajectory by a safeguarded Newton search, and the low side's scheduled
// instants end the substep that reaches them.
// The divider's current is taken as the resistance R1 + Rb across the
// output, which it is at every operating point.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "control/LoopAnalysis.h"
#include "model/WindowOperations.h"

namespace stepdown {

struct TransientRequest {
    double tss = 0;                 // s, the reference's ramp; 0: none
    std::optional<double> rl2, t1;  // ohm after a load step at t1 (s)
    std::optional<double> vi2, t2;  // V after a line step at t2 (s)
    double tend = 0;                // s
};

struct TracePoint {
    double t, iL, vo, vc;  // s, A, V, V
};

struct StepFigures {
    double finalVoMean = 0;                // V, the last full period's mean
    double undershoot = 0, overshoot = 0;  // V, instantaneous Vo against the final mean
    // V, the means of the periods on the grid from the one holding the step
    double undershootMean = 0, overshootMean = 0;
    std::optional<double> settlingTime;  // s after the step; nothing: not settled
    ConductionMode mode = ConductionMode::Continuous;
};

// The step's figures in volts, described once for every output: the name in
// the JSON, the command's caption and the report's. All but the final mean
// are deviations from it, shown in % of it as well.
struct StepFigureDescription {
    std::string_view name;
    std::string_view shortCaption;
    std::string_view caption;
    double StepFigures::*value;
};

inline constexpr StepFigureDescription kStepFigures[] = {
    {"finalVoMean", "Vo media finale", "Vo media finale", &StepFigures::finalVoMean},
    {"undershoot", "sottoelongazione", "sottoelongazione", &StepFigures::undershoot},
    {"overshoot", "sovraelongazione", "sovraelongazione", &StepFigures::overshoot},
    {"undershootMean", "sottoelongazione delle medie", "sottoelongazione delle medie di periodo",
     &StepFigures::undershootMean},
    {"overshootMean", "sovraelongazione delle medie", "sovraelongazione delle medie di periodo",
     &StepFigures::overshootMean},
};

struct TransientResult {
    std::string refusal;  // not empty: no result
    double steadyVoMean = 0, steadyVoRipple = 0, steadyDuty = 0;
    ConductionMode steadyMode = ConductionMode::Continuous;
    // Started from rest: the start-up figures below describe a start. From the
    // periodic steady state there is none, and every front end leaves them out.
    bool fromRest = false;
    double ilPeak = 0, voPeak = 0;  // A, V, before the first step
    std::optional<double> t99;      // s, first reach of 99 % of the steady mean
    std::optional<StepFigures> loadStep, lineStep;
    std::vector<TracePoint> trace;  // at every switching instant and between them
    // A mean Vo more than 1 % away from Vref (1 + R1/Rb): not regulated; from
    // rest, a start-up peak more than 5 % above the steady mean; by
    // RunRegulated, in peak-current mode, an orbit unstable after a step.
    std::vector<std::string> warnings;
};

// The time the command runs to when no end is asked: 5 ms after the last
// of tss, t1 and t2.
double DefaultEnd(const TransientRequest& request);

// The first step's time, tend when there is none: the start-up ends there.
double FirstStepTime(const TransientRequest& request);

// Where the step at `after` is followed to: the next step after it, or tend.
double StepWindowEnd(const TransientRequest& request, double after);

// The start (iL, vC, vC1, vC2, vC3) that the averaged operating point gives,
// the amplifier's output at D Vramp within its rails and the reference at
// Vref: where the settling toward the periodic steady state begins.
std::array<double, 5> AveragedStart(const LoopCircuit& loop);

// From rest, or from `start` (iL, vC, vC1, vC2, vC3 at a period's start) with
// the reference at Vref.
TransientResult SimulateClosedLoop(const LoopCircuit& loop, const TransientRequest& request,
                                   std::optional<std::array<double, 5>> start = std::nullopt,
                                   ProgressReporter* progress = nullptr);

// The closed loop's periodic steady state at a period's start (iL, vC, vC1,
// vC2, vC3), reached by the switched loop from the averaged operating point;
// nothing when it does not repeat within a few thousand periods (a loop that
// oscillates, or that the amplifier's rails hold).
std::optional<std::array<double, 5>> SettledClosedLoop(const LoopCircuit& loop);

// A run that its progress reporter cancels ends with this refusal.
inline constexpr std::string_view kCancelled = "Simulazione ad anello chiuso annullata.";

// In peak-current mode, what the multipliers say of the loop after each step
// of `request` (the new load, the new line), when its orbit is not stable:
// the averaged margins hold at the first operating point only. `progress`
// hears of their work; a cancel ends them with `*cancelled` set.
std::vector<std::string> StepMultiplierWarnings(const LoopCircuit& loop,
                                                const TransientRequest& request,
                                                ProgressReporter* progress = nullptr,
                                                bool* cancelled = nullptr);

// Where every front end starts the same request, so that the command, the
// window, the report and the netlist give the same figures: from rest when
// the reference rises over tss, else at the closed loop's periodic steady
// state; `unsettled` (with the refusal) when it has none to start from, and
// `cancelled` when `progress` stopped it.
struct RegulatedRun {
    std::optional<std::array<double, 5>> start;
    bool unsettled = false, cancelled = false;
    TransientResult result;
};
RegulatedRun RunRegulated(const LoopCircuit& loop, const TransientRequest& request,
                          ProgressReporter* progress = nullptr);

}  // namespace stepdown

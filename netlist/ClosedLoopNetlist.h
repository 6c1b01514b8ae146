#pragma once
// The regulated converter as a SPICE netlist: the power stage as built with
// the controller of control/ClosedLoop.h around it, so that ngspice's
// closed-loop run can be set beside the program's. Every name and number in
// it is written here from numbers; no text typed by a user reaches it.

#include <array>
#include <optional>
#include <string>

#include "control/ClosedLoop.h"

namespace stepdown {

// The error amplifier's open-loop gain: against the ideal amplifier the
// program models, Vo moves by about Vcmax/gain (1 + R1/Rb), microvolts.
inline constexpr double kAmplifierGain = 1e5;
// Its gain-bandwidth against f: the network's ripple at f passes it to a
// part in a few hundred, and its output is a capacitor's voltage, which
// ngspice's step control follows where the ideal amplifier would jump.
inline constexpr double kAmplifierBandwidth = 1000;
// The edges of the clock, the ramp's reset, Dmax and the steps, against the
// period: ngspice stalls on edges much shorter than its own steps.
inline constexpr double kLoopEdgeFraction = 1e-3;
// The clock that sets the latch at each period's start, against the period.
inline constexpr double kSetFraction = 2e-3;
// The latch's time constant and the comparator's width in ramp time,
// against the period: each on and off instant is late by about this much,
// and ngspice's step control finds it on the latch's capacitor.
inline constexpr double kLatchFraction = 1e-4;
// The pull of a latch's state toward its nearer rail, against its drive.
inline constexpr double kLatchRegeneration = 4;
// Time steps per period at least.
inline constexpr int kLoopStepsPerPeriod = 1000;

// The netlist of `loop` running `request` to its end from `start` (nothing:
// from rest, the reference rising over tss), with the program's figures of
// the same run, `figures` (SimulateClosedLoop of the same loop, request and
// start), in its header and .meas lines to compare with them.
std::string SpiceClosedLoopNetlist(const LoopCircuit& loop, const TransientRequest& request,
                                   const std::optional<std::array<double, 5>>& start,
                                   const TransientResult& figures);

// The whole export: the run of `request` from the settled loop, or from rest
// when the reference rises over tss, with the program's figures of it.
struct ClosedLoopExport {
    std::string netlist;     // empty: none, for the reason below
    bool unsettled = false;  // the loop does not settle to start from
    std::string refusal;     // the program's own run is refused
};
ClosedLoopExport ExportClosedLoop(const LoopCircuit& loop, const TransientRequest& request);

}  // namespace stepdown

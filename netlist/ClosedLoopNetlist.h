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
// The clock that sets the latch at each period's start, against the period:
// also the least on time.
inline constexpr double kSetFraction = 1e-3;

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

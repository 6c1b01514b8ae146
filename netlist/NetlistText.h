#pragma once
// The pieces both netlists are written from: numbers as text, element,
// measure and header lines, and the power stage as built.

#include <string>
#include <string_view>

#include "realparts/RealParts.h"

namespace stepdown::netlist {

// A switch with no resistance is not a SPICE switch: a micro-ohm instead,
// far below any load's resistance. Off, its conductance is what the
// simulator can carry beside the on one.
inline constexpr double kLeastOnResistance = 1e-6;  // ohm
inline constexpr double kOffResistance = 1e9;       // ohm
// The sources' edges, against the period: short enough that the on time is
// D T to a few parts in a hundred thousand.
inline constexpr double kEdgeFraction = 1e-5;
// A comparator's band on iL, as a fraction of the ripple.
inline constexpr double kLatchBand = 1e-4;

// Without a suffix, for expressions and the figures: the shortest text of a
// double that reads back the same, or rounded to `significantDigits`.
std::string Plain(double value, int significantDigits = 0);
// A value in the header, to six digits: "80 kHz", "125 uH", "0 ohm".
std::string HeaderValue(double value, std::string_view unit);
// "name n1 n2 value": an element line.
std::string Element(std::string_view name, std::string_view plus, std::string_view minus,
                    const std::string& value);
// ".meas tran name what FROM=a TO=b".
std::string Measure(std::string_view name, std::string_view what, std::string_view variable,
                    double from, double to);
std::string Parameter(std::string_view name, const std::string& expression);
// A header line of the program's figures: "*   name = value unit   (what)".
std::string Figure(std::string_view name, double value, std::string_view unit,
                   std::string_view what);
// The header's lines of the circuit (its D when `withDuty`) and of the parts.
std::string CircuitLines(const CircuitValues& c, const PartValues& p, bool withDuty);
// The switch S1 from `vi` to `sw` driven by node `ctl` (its model's Vt and
// Vh in `threshold`), the diode, the inductor and the capacitor started at
// iL and vC, the load RL; with `senseCurrent`, VSENSE (0 V) in series with
// the inductor, whose current a controller reads.
std::string PowerStage(const CircuitValues& c, const PartValues& p, double startIL, double startVC,
                       std::string_view threshold, bool senseCurrent = false);
// The .options and .tran lines of a run to `stop`, stepping at most T/200.
std::string Transient(double f, double stop);

}  // namespace stepdown::netlist

#pragma once
// The converter as built as a SPICE netlist that ngspice runs as it stands:
// the same circuit as realparts/ConverterModel.h, started at the periodic
// steady state the program computed, with .meas lines for the figures the
// program shows, so that the simulator's answer can be set beside the
// program's. Every name and number in it is written here from numbers;
// no text typed by a user reaches it.

#include <optional>
#include <string>

#include "realparts/RealParts.h"
#include "realparts/RealPartsStudy.h"

namespace stepdown {

// The fixed names of the nodes that scripts measure.
inline constexpr const char* kInputNode = "vi";
inline constexpr const char* kSwitchNode = "sw";
inline constexpr const char* kOutputNode = "vo";

// Periods simulated when nothing else is asked, and the most that are written.
inline constexpr int kDefaultNetlistPeriods = 20;
inline constexpr int kMaxNetlistPeriods = 100000;
// Time steps per period at least: the .tran step is T divided by this.
inline constexpr int kNetlistStepsPerPeriod = 200;

// A number in SPICE form: the mantissa with the suffix of its power of a
// thousand (f, p, n, u, m, k, Meg, G, T), "1.5e-18" outside them; the
// shortest such text that reads back as the same double. Requires a finite
// value.
std::string SpiceNumber(double value);

struct NetlistOptions {
    int periods = kDefaultNetlistPeriods;  // 1..kMaxNetlistPeriods
    // The mean Vo the duty cycle was chosen for, told in the header.
    std::optional<double> targetVo;  // V
};

// The netlist of `circuit` (D the duty cycle the switch is driven with) and
// `parts`, whose steady state is `analysis` (Found, computed at the same
// values). Lines end with "\n".
std::string SpiceNetlist(const CircuitValues& circuit, const PartValues& parts,
                         const RealPartsAnalysis& analysis, const NetlistOptions& options = {});

// The netlist of the converter `study` shows (its analysis Found): once its
// temperatures are found, the parts at their warm resistances and, with a
// target met, the switch at the D′ they need, told in the header; otherwise
// its own circuit and parts. The window, the command and their tests all
// take the netlist of a study from here.
std::string StudyNetlist(const RealPartsStudy& study, NetlistOptions options = {});

}  // namespace stepdown

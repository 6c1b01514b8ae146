#pragma once
// The regulated converter's options, read once for every command that takes
// them (loop, netlist --loop): the same verdicts and messages everywhere.

#include <optional>
#include <string>
#include <vector>

#include "cli/ArgumentParser.h"
#include "control/ClosedLoop.h"
#include "control/ControlQuantities.h"

namespace stepdown::cli {

// `options` with the controller's rows of the table of quantities and --vo.
std::vector<OptionSpec> WithLoopOptions(std::vector<OptionSpec> options);

// Vi, f, L, C and RL as verify reads them, each required; a usage error
// naming the option, or nothing.
std::optional<std::string> ReadLoopCircuit(const ParsedArguments& arguments,
                                           CircuitValues& circuit);

struct LoopReading {
    std::string usage;    // not empty: a usage error, exit 2
    std::string refusal;  // not empty: the compensator cannot be designed, exit 1
    std::optional<TransientRequest> transient;  // when a step response is asked
};

// The modulator, the divider (Rb from --vo unless --rb) and the network,
// given or designed, into `loop`, whose circuit and parts are already read.
LoopReading ReadLoopOptions(const ParsedArguments& arguments, LoopCircuit& loop);

}  // namespace stepdown::cli

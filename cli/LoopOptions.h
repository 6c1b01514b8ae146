#pragma once
// The regulated converter's texts, read once for every command that takes
// them (loop, open --loop, netlist --loop): the same verdicts and messages
// everywhere, whether the texts came as options or from a design file.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ArgumentParser.h"
#include "control/ClosedLoop.h"
#include "control/CompensatorDesign.h"
#include "model/InputTexts.h"

namespace stepdown::cli {

// A text the loop refuses: its key and why; `usage`, when set, is what the
// command says instead of naming the option with `why`.
struct LoopRefusal {
    std::string_view key{};
    std::string why{};
    std::string usage{};
};

// The circuit's options as the usage writes them: "--vi T ... --vo T".
std::string LoopCircuitOptions();

// What a command says of a refused option.
std::string UsageOf(const LoopRefusal& refusal);

// `options` with the controller's rows of the table of quantities and --vo.
std::vector<OptionSpec> WithLoopOptions(std::vector<OptionSpec> options);

struct LoopReading {
    std::optional<LoopRefusal> refused;             // a text refused
    std::string refusal;                            // no compensator meets the targets
    std::optional<TransientRequest> transient;      // when a step response is asked
    std::optional<CompensatorTargets> designedFor;  // the network was designed for these
    double askedVo = 0;                             // V, --vo or D Vi; 0 with --rb
};

// The loop's texts among `arguments`, each only when given: the circuit's,
// Vo, the parts' and the controller's.
InputTexts LoopTexts(const ParsedArguments& arguments);

// Each text by its quantity (one left out at its start text): Vi, f, L, C
// and RL as verify reads them, each required, and D when given; the parts;
// the modulator; Vo by the design's rules when given, else D Vi; the divider
// (Rb from Vo unless rb is given); the network, given or designed; the step
// response's request, its currents kept when `stepCsv`. Into `loop`, in that
// order of checks.
LoopReading ReadLoop(const InputTexts& texts, bool stepCsv, LoopCircuit& loop);

}  // namespace stepdown::cli

#pragma once
// The loop command's output: the text tables, the JSON object "loop" in SI
// units, the Bode CSV.

#include <optional>
#include <ostream>
#include <string>

#include "cli/JsonWriter.h"
#include "control/ClosedLoop.h"
#include "control/LoopAnalysis.h"
#include "control/SwitchedLoopGain.h"

namespace stepdown::cli {

struct LoopReport {
    Compensator designed;  // the compensator analysed
    LoopAnalysis analysis;
    std::optional<Compensator> standard;  // with --series: the values rounded
    std::optional<LoopAnalysis> standardAnalysis;
    std::optional<TransientResult> transient;
    std::optional<SwitchedBode> switched;  // with --switched
    Modulator modulator;
    double askedVo = 0;  // V, what the divider was asked for; 0: nothing
};

JsonObject LoopJson(const LoopReport& report);
void LoopText(std::ostream& out, const LoopReport& report);
// Writes `text` to `path` ("-": `out`); false, with the reason on `err`, when
// the file cannot be written.
bool WriteTextFile(const std::string& path, const std::string& text, std::ostream& out,
                   std::ostream& err);

}  // namespace stepdown::cli

#pragma once
// The converter as built (realparts/) in the command: the part options,
// read before anything runs, the analysis at the circuit the launch read,
// and its text and JSON output.

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ArgumentParser.h"
#include "cli/JsonWriter.h"
#include "cli/OptionValues.h"
#include "model/InputTexts.h"
#include "model/Module1.h"
#include "realparts/RealPartsStudy.h"
#include "verification/Launch.h"

namespace stepdown::cli {

// "found", "invalidValues", "noSteadyState", "unreachable": how the JSON
// names what the model found.
std::string_view OutcomeName(RealPartsOutcome outcome);

// "CCM" or "DCM".
std::string_view ModeName(ConductionMode mode);

// `options` followed by the ten part options, named as the parts' keys
// (esr ... iq), and the flag --real when `realFlag`.
std::vector<OptionSpec> WithPartOptions(std::vector<OptionSpec> options, bool realFlag = true);

// The names of those options, --real last.
std::vector<std::string> PartOptionNames();

// --real or any part's text asks for the converter as built.
bool AsksForRealParts(const ParsedArguments& arguments, const InputTexts& texts);

struct PartOptions {
    std::optional<PartValues> values;
    std::string error;  // the usage error naming the option, when there are no values
};

// The parts' texts in `texts`, a part left out at its start text, read as
// the window's fields read them (ReadPartTexts).
PartOptions ReadPartOptions(const InputTexts& texts);

// --vo-target: a positive number of volts, checked like a field.
NumberOption ReadVoTarget(const ParsedArguments& arguments);

// The converter as built at the Vi, D, f, L, C, RL the launch stored in
// `module`, with D' for `targetVo` when there is one.
RealPartsStudy StudyAsBuilt(const Module1& module, const PartValues& parts,
                            std::optional<double> targetVo);

// The idealised run refused the circuit (its diode conducting backwards,
// its Euler loop unstable) but the analysis as built can still run.
bool AsBuiltStandsAlone(LaunchOutcome outcome);

// A part value the analysis refuses (a switching time beyond the period):
// an error of the command even beside a completed run.
bool RefusedAsBuilt(const RealPartsStudy& study);

// {"outcome": "found", "mode", "criticalLoad", "VoMean", "VoRipple",
// "deltaIL", "VoTarget", "dutyForTarget", the stresses, "losses",
// "inputPower", "outputPower", "efficiency", "notes": [{"note"}] when there are any} in SI
// units and fractions, or
// {"outcome": "noSteadyState" or "invalidValues", "message"}.
JsonObject RealPartsJson(const RealPartsStudy& study);

// The summary, the stress table (simulated and textbook), the losses, the
// powers, the efficiency and the notes; or, without a steady state, why not.
void RealPartsText(std::ostream& out, const RealPartsStudy& study);

}  // namespace stepdown::cli

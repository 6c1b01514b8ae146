#include "cli/CommandParts.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <utility>

#include "cli/ArgumentParser.h"
#include "cli/ChoiceOutput.h"
#include "cli/JsonWriter.h"
#include "cli/LoopCommand.h"
#include "cli/NetlistCommand.h"
#include "cli/OptionOwners.h"
#include "cli/QuantityOptions.h"
#include "cli/RealPartsOutput.h"
#include "cli/TerminalProgress.h"
#include "cli/TextOutput.h"
#include "design/DesignCalculation.h"
#include "designfile/DesignFile.h"
#include "engine/Figures.h"
#include "model/Module1.h"
#include "realparts/RealPartsReport.h"
#include "verification/Launch.h"
#include "waveformview/StartupReport.h"
#include "waveformview/WaveformCsv.h"

#ifndef STEPDOWN_VERSION
#error "STEPDOWN_VERSION must be defined by the build"
#endif

namespace stepdown::cli {

namespace {

// The load sweep on the design computed from the typed texts.
int SweepClicks(const SweepRequest& request, const PartValues& parts, const OutputChoice& choice,
                InputTexts& texts, MessageList& messages, std::ostream& out, std::ostream& err) {
    Module1 module;
    if (Design(module, texts, messages) == nullptr) {
        ReportMessages(messages, err);
        return kExitRefused;
    }
    const SweepOutcome sweep = EvaluateSweep(request, TakeComputedDesign(module), parts);
    if (!sweep.error.empty()) return UsageError(err, sweep.error);
    if (!sweep.refusal.empty()) {
        err << sweep.refusal << '\n';
        return kExitRefused;
    }
    // Each output computes its points as it writes them, and holds none.
    if (choice.csv &&
        !WriteCsv(
            *choice.csv, [&](std::ostream& to) { SweepCsv(to, sweep.results); }, out, err))
        return kExitRefused;
    if (choice.CsvOnStandardOutput()) return kExitSuccess;
    if (choice.json)
        SweepJson(out, sweep.results), out << '\n';
    else
        SweepText(out, sweep.results);
    return kExitSuccess;
}

}  // namespace

int SweepOn(const ParsedArguments& arguments, InputTexts texts, std::ostream& out,
            std::ostream& err) {
    const OutputChoice choice = ChooseOutput(arguments);
    if (const auto conflict = OutputConflict(choice)) return UsageError(err, *conflict);
    if (const auto clash = FileClash(arguments, {"csv", "save"})) return UsageError(err, *clash);
    SweepRequest request;
    if (const auto error = ReadSweepRequest(arguments, texts, request))
        return UsageError(err, *error);
    const PartOptions parts = ReadPartOptions(texts);
    if (!parts.values) return UsageError(err, parts.error);
    MessageList messages;
    const int status = SweepClicks(request, *parts.values, choice, texts, messages, out, err);
    return SaveIfAsked(arguments, texts, status, err);
}

int RunSweep(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const ParseOutcome parsed = ParseOptions(words, kSweepOptions);
    if (!parsed.arguments) return ParseError(err, parsed, "sweep");
    return SweepOn(*parsed.arguments,
                   TypedTexts(*parsed.arguments, {kDesignKeys, kPartsKeys, kSelectionKeys}), out,
                   err);
}

}  // namespace stepdown::cli

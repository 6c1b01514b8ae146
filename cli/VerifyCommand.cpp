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

// "Grafici" on the typed texts.
int VerifyClick(const OutputChoice& choice, const std::optional<AsBuiltRequest>& request,
                InputTexts& texts, MessageList& messages, std::ostream& out, std::ostream& err,
                bool showProgress) {
    Module1 module;
    const Verification v =
        VerifyFields(module, texts, messages, choice, request, out, err, showProgress);
    if (v.status != kExitSuccess || choice.CsvOnStandardOutput()) return v.status;
    if (choice.json) {
        JsonObject object;
        if (v.run)
            object = AnalysedJson(module, *v.run->analysis);
        else
            object.String("refusal", v.refusal);
        if (v.asBuilt) object.Object("real", RealPartsJson(*v.asBuilt));
        out << object.Text() << '\n';
    } else {
        if (v.run) {
            VerifyText(out, module);
            StartupText(out, *v.run->analysis);
        }
        AsBuiltText(out, v, v.run != nullptr);
    }
    return kExitSuccess;
}

}  // namespace

int VerifyOn(const ParsedArguments& arguments, InputTexts texts, std::ostream& out,
             std::ostream& err, bool showProgress) {
    const OutputChoice choice = ChooseOutput(arguments);
    if (const auto conflict = OutputConflict(choice)) return UsageError(err, *conflict);
    if (const auto clash = FileClash(arguments, {"csv", "startup-csv", "save"}))
        return UsageError(err, *clash);
    std::optional<AsBuiltRequest> request;
    if (const auto error = ReadAsBuiltRequest(arguments, texts, request))
        return UsageError(err, *error);
    MessageList messages;
    const int status = VerifyClick(choice, request, texts, messages, out, err, showProgress);
    return SaveIfAsked(arguments, texts, status, err);
}

int RunVerify(const std::vector<std::string>& words, std::ostream& out, std::ostream& err,
              bool showProgress) {
    const ParseOutcome parsed = ParseOptions(words, kVerifyOptions);
    if (!parsed.arguments) return ParseError(err, parsed, "verify");
    return VerifyOn(*parsed.arguments,
                    TypedTexts(*parsed.arguments, {kVerificationKeys, kSimulationKeys, kPartsKeys}),
                    out, err, showProgress);
}

}  // namespace stepdown::cli

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

// "Calcola", and "Grafici" after it with --verify, on the typed options;
// the standard values and the corners on the design just computed.
int DesignClicks(const ParsedArguments& arguments, const DesignRequests& requests,
                 InputTexts& texts, MessageList& messages, std::ostream& out, std::ostream& err,
                 bool showProgress) {
    const OutputChoice& choice = requests.output;
    const bool verify = arguments.Has("verify");
    Module1 module;
    if (Design(module, texts, messages) == nullptr) {
        ReportMessages(messages, err);
        return kExitRefused;
    }
    const DesignRecord design = TakeDesign(module);
    std::optional<ChoiceResults> chosen;
    if (requests.choice.Any()) {
        ChoiceOutcome evaluated = EvaluateChoice(requests.choice, TakeComputedDesign(module));
        if (!evaluated.error.empty()) return UsageError(err, evaluated.error);
        chosen = std::move(evaluated.results);
    }

    if (!verify) {
        if (choice.json) {
            JsonObject object = DesignJson(design);
            if (chosen) AddChoiceJson(object, *chosen);
            out << object.Text() << '\n';
        } else {
            DesignText(out, design);
            if (chosen) ChoiceText(out, *chosen);
        }
        return kExitSuccess;
    }

    // "Grafici" after "Calcola": the verification texts as the design wrote
    // them, the settings as typed or left at their start values.
    const Verification v =
        VerifyFields(module, texts, messages, choice, requests.asBuilt, out, err, showProgress);
    if (v.status != kExitSuccess || choice.CsvOnStandardOutput()) return v.status;
    if (choice.json) {
        JsonObject object = DesignJson(design);
        if (v.run)
            object.Object("simulation", AnalysedJson(module, *v.run->analysis));
        else
            object.Null("simulation").String("refusal", v.refusal);
        if (v.asBuilt) object.Object("real", RealPartsJson(*v.asBuilt));
        if (chosen) AddChoiceJson(object, *chosen);
        out << object.Text() << '\n';
    } else {
        DesignText(out, design);
        if (v.run) {
            ComparisonText(out, design, module);
            StartupText(out, *v.run->analysis);
        }
        AsBuiltText(out, v, true);
        if (chosen) ChoiceText(out, *chosen);
    }
    return kExitSuccess;
}

int DesignOn(const ParsedArguments& arguments, InputTexts texts, std::ostream& out,
             std::ostream& err, bool showProgress) {
    const bool verify = arguments.Has("verify");
    if (!verify) {
        for (const std::string_view option : std::initializer_list<std::string_view>{
                 key::n, key::np, key::ni, "csv", "startup-csv"})
            if (arguments.Has(option))
                return UsageError(err,
                                  "l'opzione --" + std::string(option) + " vale solo con --verify");
    }
    DesignRequests requests{ChooseOutput(arguments), std::nullopt, {}};
    if (const auto conflict = OutputConflict(requests.output)) return UsageError(err, *conflict);
    if (const auto clash = FileClash(arguments, {"csv", "startup-csv", "save"}))
        return UsageError(err, *clash);
    if (const auto error = ReadChoiceRequest(arguments, texts, requests.choice))
        return UsageError(err, *error);
    if (!verify && !requests.choice.Any()) {
        for (const std::string& option : PartOptionNames())
            if (texts.count({QuantityGroup::Parts, option}) != 0 ||
                (option == "real" && arguments.Has(option)))
                return UsageError(
                    err, "l'opzione --" + option + " vale solo con --verify, --series o --corners");
    }
    const PartOptions parts = ReadPartOptions(texts);
    if (!parts.values) return UsageError(err, parts.error);
    requests.choice.parts = *parts.values;
    if (verify && AsksForRealParts(arguments, texts))
        requests.asBuilt = AsBuiltRequest{*parts.values, {}};
    MessageList messages;
    const int status = DesignClicks(arguments, requests, texts, messages, out, err, showProgress);
    return SaveIfAsked(arguments, texts, status, err);
}

int RunDesign(const std::vector<std::string>& words, std::ostream& out, std::ostream& err,
              bool showProgress) {
    const ParseOutcome parsed = ParseOptions(words, kDesignOptions);
    if (!parsed.arguments) return ParseError(err, parsed, "design");
    return DesignOn(
        *parsed.arguments,
        TypedTexts(*parsed.arguments, {kDesignKeys, kSimulationKeys, kPartsKeys, kSelectionKeys}),
        out, err, showProgress);
}

}  // namespace stepdown::cli

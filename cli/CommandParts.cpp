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

#include "cli/ArgumentParser.h"
#include "cli/ChoiceOutput.h"
#include "cli/JsonWriter.h"
#include "cli/LoopCommand.h"
#include "cli/LoopOptions.h"
#include "cli/NetlistCommand.h"
#include "cli/OptionOwners.h"
#include "cli/QuantityOptions.h"
#include "cli/RealPartsOutput.h"
#include "cli/TerminalProgress.h"
#include "cli/TextOutput.h"
#include "design/DesignCalculation.h"
#include "designfile/AtomicFile.h"
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

const std::string& Usage() {
    using G = QuantityGroup;
    const std::string choice = OptionOf(Row(G::Selection, key::series)) + " [" +
                               OptionOf(Row(G::Selection, key::round)) + "]";
    static const std::string usage =
        "Uso:\n" +
        CommandSynopsis(
            "design", OptionsOf(G::Design) + " [--json] [--verify [" + OptionsOf(G::Simulation) +
                          "] [--csv FILE] [--startup-csv FILE]] [" + choice + "] [--corners [" +
                          OptionsOf(G::Selection, kCornerKeys) + "]] [COMPONENTI] [--save FILE]") +
        CommandSynopsis("verify", OptionsOf(G::Verification) + " [" + OptionsOf(G::Simulation) +
                                      "] [--json] [--csv FILE] [--startup-csv FILE] "
                                      "[COMPONENTI [--vo-target V]] [--save FILE]") +
        CommandSynopsis("sweep", OptionsOf(G::Design) + " [" +
                                     OptionsOf(G::Selection, kSweepLoadKeys) +
                                     "] [--vi-list V,V,...] [" + choice +
                                     "] [COMPONENTI] [--json] [--csv FILE] [--save FILE]") +
        CommandSynopsis("open",
                        "FILE [--json] [--verify [--csv FILE] [--startup-csv FILE]] "
                        "[--standard] [--corners] [--sweep [--csv FILE]] [--loop] "
                        "[--netlist]") +
        CommandSynopsis("loop", LoopCircuitOptions() + " [...]") +
        CommandSynopsis("netlist", OptionsOf(G::Verification) + " [...] | --loop [...]") +
        "  stepdown-cli --help | --version\n" +
        Wrapped("COMPONENTI: --real, e/o uno o più tra " + OptionsOf(G::Parts) +
                    ", elencati in --help; in design con --verify, --series o --corners; in "
                    "sweep senza --real",
                12);
    return usage;
}

// The options that feed text boxes are named as the design file's keys,
// and so are the part options.
const std::vector<OptionSpec> kDesignOptions =
    WithChoiceOptions(WithPartOptions(WithQuantityOptions(
        WithQuantityOptions(
            {{"json", false}, {"verify", false}, {"csv"}, {"startup-csv"}, {"save"}},
            QuantityGroup::Design),
        QuantityGroup::Simulation)));
const std::vector<OptionSpec> kVerifyOptions = WithPartOptions(WithQuantityOptions(
    WithQuantityOptions({{"json", false}, {"csv"}, {"startup-csv"}, {"save"}, {"vo-target"}},
                        QuantityGroup::Verification),
    QuantityGroup::Simulation));
const std::vector<OptionSpec> kSweepOptions = WithSweepOptions(WithPartOptions(
    WithQuantityOptions({{"json", false}, {"csv"}, {"save"}}, QuantityGroup::Design), false));
const std::vector<OptionSpec> kOpenOptions{
    {"verify", false},  {"json", false},     {"csv"},         {"startup-csv"}, {"sweep", false},
    {"corners", false}, {"standard", false}, {"loop", false},
};

int UsageError(std::ostream& err, std::string_view error) {
    err << "stepdown-cli: " << error << '\n' << Usage();
    return kExitUsage;
}

// An option another command takes is named as that command's.
int ParseError(std::ostream& err, const ParseOutcome& parsed, std::string_view command) {
    const CommandOptions commands[] = {{"design", &kDesignOptions},
                                       {"verify", &kVerifyOptions},
                                       {"sweep", &kSweepOptions},
                                       {"open", &kOpenOptions}};
    return UsageError(err, OptionError(parsed, command, commands));
}

// Only the present options: a left-out option leaves its text at its start
// value, empty or holding the default setting.
void TypeFields(InputTexts& texts, const ParsedArguments& arguments,
                std::span<const DesignFileKey> fields) {
    for (const DesignFileKey& field : fields)
        if (arguments.values.count(field.key) != 0)
            texts.insert_or_assign(IdOf(field), arguments.ValueOr(field.key));
}

InputTexts TypedTexts(const ParsedArguments& arguments,
                      std::initializer_list<std::span<const DesignFileKey>> groups) {
    InputTexts texts = StartTexts();
    for (const std::span<const DesignFileKey> group : groups) TypeFields(texts, arguments, group);
    return texts;
}

const DesignRecord* Design(Module1& module, InputTexts& texts, MessageList& messages) {
    const DesignRecord* design = DesignFromTexts(module, texts, messages);
    if (design != nullptr) WriteVerificationTexts(*design, texts);
    return design;
}

// What a refusal leaves: the messages, in the order told, on `err`.
bool ReportMessages(const MessageList& messages, std::ostream& err) {
    for (const std::string& message : messages.Texts()) err << message << '\n';
    return !messages.Empty();
}

// Writes a CSV where its option says ("-": standard output); false (with
// the message on `err`) when the file cannot be written.
bool WriteCsv(const std::string& path, const std::function<void(std::ostream&)>& write,
              std::ostream& out, std::ostream& err) {
    if (path == "-") {
        write(out);
        return true;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) {
        write(file);
        file.close();
    }
    if (!file) {
        const int reason = errno;
        err << "Impossibile scrivere il file " << path;
        if (reason != 0) err << ": " << std::strerror(reason);
        err << '\n';
        return false;
    }
    return true;
}

// The launch of "Grafici" on the current verification texts, its messages
// told.
LaunchResult Launch(Module1& module, const InputTexts& texts, MessageList& messages,
                    std::ostream& err, bool showProgress) {
    std::optional<TerminalProgress> terminal;
    struct Silent : ProgressReporter {
        bool Continue(std::int64_t, std::int64_t) override { return true; }
    } silent;
    if (showProgress) terminal.emplace(err);
    StepBudget progress(terminal ? static_cast<ProgressReporter&>(*terminal) : silent);
    // The command writes its numbers with a point.
    LaunchResult result = VerifyFromTexts(module, texts, messages, progress, ".");
    if (terminal) terminal->Finish();
    if (progress.Exhausted())
        messages.ShowMessage(
            BudgetMessage(static_cast<std::int64_t>(module.N) * module.NI, progress.Budget()));
    // A run short of its steady state still completed: its warning is told.
    ReportMessages(messages, err);
    return result;
}

std::optional<std::string> OutputConflict(const OutputChoice& choice) {
    const bool waveform = choice.csv && *choice.csv == "-";
    const bool envelope = choice.startupCsv && *choice.startupCsv == "-";
    if (waveform && envelope)
        return "--csv - e --startup-csv - scriverebbero entrambi sullo standard output";
    if (choice.json && choice.CsvOnStandardOutput())
        return std::string("--json e ") + (waveform ? "--csv -" : "--startup-csv -") +
               " scriverebbero entrambi sullo standard output";
    return std::nullopt;
}

std::optional<std::string> FileClash(const ParsedArguments& arguments,
                                     std::initializer_list<std::string_view> options,
                                     const std::string& input) {
    std::vector<std::pair<std::string, std::string>> named;  // the path, then "--option path"
    for (const std::string_view option : options) {
        if (!arguments.Has(option) || arguments.ValueOr(option) == "-") continue;
        const std::string path = arguments.ValueOr(option);
        const std::string typed = "--" + std::string(option) + " " + path;
        if (!input.empty() && SameFile(input, path))
            return typed + " è il file di progetto aperto: lo sostituirebbe";
        for (const auto& [earlierPath, earlier] : named)
            if (SameFile(earlierPath, path))
                return earlier + " e " + typed + " scriverebbero entrambi sullo stesso file";
        named.emplace_back(path, typed);
    }
    return std::nullopt;
}

OutputChoice ChooseOutput(const ParsedArguments& arguments) {
    OutputChoice choice;
    choice.json = arguments.Has("json");
    if (arguments.Has("csv")) choice.csv = arguments.ValueOr("csv");
    if (arguments.Has("startup-csv")) choice.startupCsv = arguments.ValueOr("startup-csv");
    return choice;
}

// After a completed launch: the CSV files asked for; false when one could
// not be written.
bool WriteRequestedCsv(const OutputChoice& choice, const SimulationRun& run, std::ostream& out,
                       std::ostream& err) {
    if (choice.csv &&
        !WriteCsv(
            *choice.csv, [&](std::ostream& to) { WriteWaveformCsv(run, to); }, out, err))
        return false;
    if (choice.startupCsv &&
        !WriteCsv(
            *choice.startupCsv,
            [&](std::ostream& to) { WriteEnvelopeCsv(*run.analysis, run.f, to); }, out, err))
        return false;
    return true;
}

// After a run, whatever its outcome: the design file --save asks for. A
// save that fails turns the run's status into kExitDesignFile.
int SaveIfAsked(const ParsedArguments& arguments, const InputTexts& texts, int status,
                std::ostream& err) {
    if (!arguments.Has("save")) return status;
    const SaveOutcome saved =
        SaveDesignFile(arguments.ValueOr("save"), SavedDesignFile(texts, arguments));
    if (saved.saved) return status;
    err << saved.message << '\n';
    return kExitDesignFile;
}

}  // namespace stepdown::cli

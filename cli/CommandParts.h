#pragma once
// The pieces the command's commands share: the usage, the option tables,
// the main window's boxes typed from the options, the outputs of a
// design and of a verification, the launch with its CSV files, the
// converter as built beside it, the save. Each command has its file
// (DesignCommand, VerifyCommand, SweepCommand, OpenCommand); CommandLine
// dispatches to them.

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/ArgumentParser.h"
#include "cli/ChoiceOutput.h"
#include "cli/CommandLine.h"
#include "cli/JsonWriter.h"
#include "cli/RealPartsOutput.h"
#include "designfile/DesignFile.h"
#include "engine/Figures.h"
#include "model/InputTexts.h"
#include "model/Module1.h"
#include "realparts/RealPartsStudy.h"
#include "verification/Launch.h"

namespace stepdown::cli {

// The usage of every command, its options named by the table of quantities.
const std::string& Usage();
extern const std::vector<OptionSpec> kDesignOptions, kVerifyOptions, kSweepOptions, kOpenOptions;

// Where the results go: --json, and the two CSV files.
struct OutputChoice {
    bool json = false;
    std::optional<std::string> csv;
    std::optional<std::string> startupCsv;
    // A CSV on "-" has standard output to itself.
    bool CsvOnStandardOutput() const {
        return (csv && *csv == "-") || (startupCsv && *startupCsv == "-");
    }
};

// The converter as built, when asked for: its parts, and verify's target.
struct AsBuiltRequest {
    PartValues parts;
    std::optional<double> targetVo;
};

// What "Grafici" leaves for the output.
struct Verification {
    int status = kExitSuccess;                 // anything else ends the command
    std::shared_ptr<const SimulationRun> run;  // a completed run, else null
    std::string refusal;  // the conduction refusal the analysis turned into a note
    std::optional<RealPartsStudy> asBuilt;
};

// What design was asked for beyond "Calcola".
struct DesignRequests {
    OutputChoice output;
    std::optional<AsBuiltRequest> asBuilt;
    ChoiceRequest choice;
};

int UsageError(std::ostream& err, std::string_view error);

// An option another command takes is named as that command's.
int ParseError(std::ostream& err, const ParseOutcome& parsed, std::string_view command);

// Only the present options: a left-out option leaves its text at its start
// value, empty or holding the default setting.
void TypeFields(InputTexts& texts, const ParsedArguments& arguments,
                std::span<const DesignFileKey> fields);

// The texts the window starts with, the options of each of `groups` typed over them.
InputTexts TypedTexts(const ParsedArguments& arguments,
                      std::initializer_list<std::span<const DesignFileKey>> groups);

// "Calcola" on the texts: the design, with the verification's texts
// written, or null with the refusal told to `messages`.
const DesignRecord* Design(Module1& module, InputTexts& texts, MessageList& messages);

// What a refusal leaves: the messages, in the order told, on `err`.
bool ReportMessages(const MessageList& messages, std::ostream& err);

// Writes a CSV where its option says ("-": standard output); false (with
// the message on `err`) when the file cannot be written.
bool WriteCsv(const std::string& path, const std::function<void(std::ostream&)>& write,
              std::ostream& out, std::ostream& err);

// The launch of "Grafici" on the current verification texts, its messages
// told.
LaunchResult Launch(Module1& module, const InputTexts& texts, MessageList& messages,
                    std::ostream& err, bool showProgress);

std::optional<std::string> OutputConflict(const OutputChoice& choice);

// The file options among `options` that would write over `input` (the design
// file read, when there is one) or over one another, links followed: the
// refusal of the first. "-" is standard output, not a file.
std::optional<std::string> FileClash(const ParsedArguments& arguments,
                                     std::initializer_list<std::string_view> options,
                                     const std::string& input = {});

OutputChoice ChooseOutput(const ParsedArguments& arguments);

// After a completed launch: the CSV files asked for; false when one could
// not be written.
bool WriteRequestedCsv(const OutputChoice& choice, const SimulationRun& run, std::ostream& out,
                       std::ostream& err);

// After a run, whatever its outcome: the design file --save asks for. A
// save that fails turns the run's status into kExitDesignFile.
int SaveIfAsked(const ParsedArguments& arguments, const InputTexts& texts, int status,
                std::ostream& err);

// The design as "Calcola" recorded it (the launch later overwrites the
// module's L and C with henry and farad, and D, RL with the values read
// back), never from the window's captions. Only after a design that passed.
const DesignRecord& TakeDesign(const Module1& m);

// The figures, then the texts written into the verification fields under
// their keys, in the order written.
JsonObject DesignJson(const DesignRecord& r);

// The five figures, under their names in the program.
JsonObject FiguresJson(const MeasuredFigures& figures, JsonObject object = {});

JsonObject VerifyJson(const Module1& m);

void DesignText(std::ostream& out, const DesignRecord& r);

// The figures as the waveform window's labels show them (those of the last
// completed run), then the extremes.
void VerifyText(std::ostream& out, const Module1& m);

void ComparisonText(std::ostream& out, const DesignRecord& r, const Module1& m);

// The verification's object with the start-up and the steady state.
JsonObject AnalysedJson(const Module1& m, const RunAnalysis& a);

// The start-up lines and, when there is a steady state, the table of the
// start-up window: the last period and the steady state, and the design
// while the verification fields hold it.
void StartupText(std::ostream& out, const RunAnalysis& a);

// The parts' texts and --vo-target, read before anything runs: the usage
// error of the first bad one, and the request when any asks for the analysis.
std::optional<std::string> ReadAsBuiltRequest(const ParsedArguments& arguments,
                                              const InputTexts& texts,
                                              std::optional<AsBuiltRequest>& request);

// "Grafici" on the verification texts, the CSV files asked for, and the
// converter as built at the circuit the launch read, aiming at the design's
// Vo while the texts hold the design.
Verification VerifyFields(Module1& module, const InputTexts& texts, MessageList& messages,
                          const OutputChoice& choice, const std::optional<AsBuiltRequest>& request,
                          std::ostream& out, std::ostream& err, bool showProgress);

// The converter as built after the rest of the text, if it was asked for.
void AsBuiltText(std::ostream& out, const Verification& v, bool afterOtherText);

// "Calcola", and "Grafici" after it with --verify, on the typed texts; the
// standard values and the corners on the design just computed.
int DesignClicks(const ParsedArguments& arguments, const DesignRequests& requests,
                 InputTexts& texts, MessageList& messages, std::ostream& out, std::ostream& err,
                 bool showProgress);

// The design command on `texts`, whatever typed them (the options or a
// design file), its other requests read from `arguments`.
int DesignOn(const ParsedArguments& arguments, InputTexts texts, std::ostream& out,
             std::ostream& err, bool showProgress);

int RunDesign(const std::vector<std::string>& words, std::ostream& out, std::ostream& err,
              bool showProgress);

// The same for verify and sweep.
int VerifyOn(const ParsedArguments& arguments, InputTexts texts, std::ostream& out,
             std::ostream& err, bool showProgress);
int SweepOn(const ParsedArguments& arguments, InputTexts texts, std::ostream& out,
            std::ostream& err);

int RunVerify(const std::vector<std::string>& words, std::ostream& out, std::ostream& err,
              bool showProgress);

int RunSweep(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

// The stored texts run by the command that the asked analysis belongs to,
// as if its options had typed them.
int RunOpen(const std::vector<std::string>& words, std::ostream& out, std::ostream& err,
            bool showProgress);

}  // namespace stepdown::cli

#include "cli/LoopCommand.h"

#include "cli/ArgumentParser.h"
#include "cli/CommandParts.h"
#include "cli/LoopOptions.h"
#include "cli/LoopOutput.h"
#include "cli/OptionValues.h"
#include "cli/QuantityOptions.h"
#include "cli/RealPartsOutput.h"
#include "control/CompensatorDesign.h"
#include "control/ControlQuantities.h"
#include "control/LoopAssembly.h"
#include "control/LoopCsv.h"
#include "control/SwitchedLoopGain.h"
#include "model/Conversions.h"
#include "model/Module1.h"
#include "model/VerificationFields.h"
#include "realparts/PartTexts.h"

namespace stepdown::cli {

std::string LoopUsage() {
    return CommandSynopsis("loop", LoopCircuitOptions() +
                                       " [COMPONENTI] [CONTROLLORE] [--series] [--switched] "
                                       "[--json] [--csv FILE] [--step-csv FILE] [--save FILE]") +
           "  stepdown-cli open FILE --loop [--json] [--csv FILE]\n" +
           Wrapped("CONTROLLORE: uno o più tra " + OptionsOf(QuantityGroup::Loop) +
                       ", elencati in --help",
                   13);
}

namespace {

constexpr int kSwitchedPoints = 40;

std::vector<OptionSpec> LoopOptions() {
    std::vector<OptionSpec> options{{key::vi},
                                    {key::d},
                                    {key::f},
                                    {key::l},
                                    {key::c},
                                    {key::rl},
                                    {key::series, false},
                                    {"switched", false},
                                    {"json", false},
                                    {"csv"},
                                    {"step-csv"},
                                    {"save"}};
    return WithPartOptions(WithLoopOptions(std::move(options)), false);
}

int Usage(std::ostream& err, std::string_view error) {
    err << "stepdown-cli: " << error << "\nUso:\n" << LoopUsage();
    return kExitUsage;
}

}  // namespace

int RunLoopOn(const ParsedArguments& arguments, const InputTexts& texts, const RefuseLoop& refuse,
              std::ostream& out, std::ostream& err) {
    LoopCircuit loop;
    const LoopReading reading = ReadLoop(texts, arguments.Has("step-csv"), loop);
    if (reading.refused) return refuse(*reading.refused);
    if (!reading.refusal.empty()) {
        err << reading.refusal << '\n';
        return kExitRefused;
    }
    const std::optional<TransientRequest>& transient = reading.transient;
    const Compensator& c = loop.compensator;
    LoopReport report;
    report.designed = c;
    report.analysis = AnalyseLoopFor(loop, reading.designedFor);
    if (!report.analysis.valid) {
        err << report.analysis.refusal << '\n';
        return kExitRefused;
    }
    report.modulator = loop.modulator;
    report.askedVo = reading.askedVo;
    if (transient) {
        report.transient = RunRegulated(loop, *transient).result;
        if (!report.transient->refusal.empty()) {
            err << report.transient->refusal << '\n';
            return kExitRefused;
        }
        if (arguments.Has("step-csv") &&
            !WriteTextFile(arguments.ValueOr("step-csv"), StepCsv(*report.transient), out, err))
            return kExitRefused;
    }
    if (arguments.Has("switched")) {
        report.switched = SwitchedLoopGain(loop, kSwitchedPoints);
        if (!report.switched->refusal.empty()) {
            err << report.switched->refusal << '\n';
            return kExitRefused;
        }
    }
    if (arguments.Has(key::series)) {
        LoopCircuit rounded = loop;
        rounded.compensator = RoundedCompensator(c);
        report.standard = rounded.compensator;
        report.standardAnalysis = AnalyseLoop(rounded);
    }
    if (arguments.Has("csv") &&
        !WriteTextFile(arguments.ValueOr("csv"), BodeCsv(report.analysis), out, err))
        return kExitRefused;
    if (arguments.ValueOr("csv") == "-" || arguments.ValueOr("step-csv") == "-")
        return kExitSuccess;
    if (arguments.Has("json"))
        out << LoopJson(report).Text() << '\n';
    else
        LoopText(out, report);
    return kExitSuccess;
}

int RunLoop(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const ParseOutcome parsed = ParseOptions(words, LoopOptions());
    if (!parsed.arguments) return Usage(err, parsed.error);
    const ParsedArguments& arguments = *parsed.arguments;
    if (const auto clash = FileClash(arguments, {"csv", "step-csv", "save"}))
        return Usage(err, *clash);
    const int status = RunLoopOn(
        arguments, LoopTexts(arguments),
        [&](const LoopRefusal& r) { return Usage(err, UsageOf(r)); }, out, err);
    // The texts as typed, whatever came of them, as verify saves its own.
    InputTexts texts = StartTexts();
    TypeFields(texts, arguments, kDesignKeys);
    TypeFields(texts, arguments, kVerificationKeys);
    // A duty cycle not typed is the design's Vo/Vi, as "Calcola" writes it,
    // so that the windows read the saved circuit whole.
    const double vo = ParseNumber(arguments.ValueOr(key::vo)),
                 vi = ParseNumber(arguments.ValueOr(key::vi));
    if (arguments.ValueOr(key::d).empty() && vo > 0 && vi > 0)
        texts.insert_or_assign(IdOf(kDField), FormatForField(vo / vi * 100));
    return SaveIfAsked(arguments, texts, status, err);
}

}  // namespace stepdown::cli

#include "cli/LoopCommand.h"

#include "cli/ArgumentParser.h"
#include "cli/LoopOptions.h"
#include "cli/LoopOutput.h"
#include "cli/OptionValues.h"
#include "cli/RealPartsOutput.h"
#include "control/CompensatorDesign.h"
#include "control/SwitchedLoopGain.h"

namespace stepdown::cli {

const char* const kLoopUsage =
    "  stepdown-cli loop --vi V --vo V --f KHZ --l UH --c UF --rl OHM [COMPONENTI]\n"
    "                    [--vref V --vramp V --vcmax V --dmax PCT --r1 OHM --rb OHM]\n"
    "                    [--type 2|3 --r2 OHM --r3 OHM --c1 NF --c2 NF --c3 NF |\n"
    "                    --fc KHZ --pm DEG] [--series] [--switched] [--json] [--csv FILE]\n"
    "                    [--tss MS --rl2 OHM --t1 MS --vi2 V --t2 MS --tend MS]\n"
    "                    [--step-csv FILE]\n";

namespace {

constexpr int kSuccess = 0, kRefused = 1, kUsage = 2;
constexpr int kSwitchedPoints = 40;

std::vector<OptionSpec> LoopOptions() {
    std::vector<OptionSpec> options{{"vi"},
                                    {"f"},
                                    {"l"},
                                    {"c"},
                                    {"rl"},
                                    {"series", false},
                                    {"switched", false},
                                    {"json", false},
                                    {"csv"},
                                    {"step-csv"}};
    return WithPartOptions(WithLoopOptions(std::move(options)), false);
}

int Usage(std::ostream& err, std::string_view error) {
    err << "stepdown-cli: " << error << "\nUso:\n" << kLoopUsage;
    return kUsage;
}

}  // namespace

int RunLoop(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const ParseOutcome parsed = ParseOptions(words, LoopOptions());
    if (!parsed.arguments) return Usage(err, parsed.error);
    const ParsedArguments& arguments = *parsed.arguments;
    LoopCircuit loop;
    if (const auto error = ReadLoopCircuit(arguments, loop.circuit)) return Usage(err, *error);
    const PartOptions parts = ReadPartOptions(arguments);
    if (!parts.values) return Usage(err, parts.error);
    loop.parts = *parts.values;
    const LoopReading reading = ReadLoopOptions(arguments, loop);
    if (!reading.usage.empty()) return Usage(err, reading.usage);
    if (!reading.refusal.empty()) {
        err << reading.refusal << '\n';
        return kRefused;
    }
    const Compensator& c = loop.compensator;
    const std::optional<TransientRequest>& transient = reading.transient;
    LoopReport report{c, AnalyseLoop(loop), std::nullopt, std::nullopt, std::nullopt, std::nullopt};
    if (!report.analysis.valid) {
        err << report.analysis.refusal << '\n';
        return kRefused;
    }
    if (transient) {
        report.transient = SimulateClosedLoop(loop, *transient);
        if (!report.transient->refusal.empty()) {
            err << report.transient->refusal << '\n';
            return kRefused;
        }
        if (arguments.Has("step-csv") &&
            !WriteTextFile(arguments.ValueOr("step-csv"), StepCsv(*report.transient), out, err))
            return kRefused;
    }
    if (arguments.Has("switched")) {
        report.switched = SwitchedLoopGain(loop, kSwitchedPoints);
        if (!report.switched->refusal.empty()) {
            err << report.switched->refusal << '\n';
            return kRefused;
        }
    }
    if (arguments.Has("series")) {
        LoopCircuit rounded = loop;
        rounded.compensator = RoundedCompensator(c);
        report.standard = rounded.compensator;
        report.standardAnalysis = AnalyseLoop(rounded);
    }
    if (arguments.Has("csv") &&
        !WriteTextFile(arguments.ValueOr("csv"), BodeCsv(report.analysis), out, err))
        return kRefused;
    if (arguments.ValueOr("csv") == "-" || arguments.ValueOr("step-csv") == "-") return kSuccess;
    if (arguments.Has("json"))
        out << LoopJson(report).Text() << '\n';
    else
        LoopText(out, report);
    return kSuccess;
}

}  // namespace stepdown::cli

#include "cli/NetlistCommand.h"

#include <cmath>

#include "cli/CommandLine.h"
#include "cli/CommandParts.h"
#include "cli/LoopOptions.h"
#include "cli/OptionValues.h"
#include "cli/RealPartsOutput.h"
#include "designfile/AtomicFile.h"
#include "netlist/ClosedLoopNetlist.h"
#include "netlist/SpiceNetlist.h"
#include "realparts/RealPartsReport.h"

namespace stepdown::cli {
namespace {

constexpr std::string_view kNetlistUsage =
    "Uso:\n"
    "  stepdown-cli netlist --vi T --d T --f T --l T --c T --rl T [COMPONENTI]\n"
    "                       [--vo-target V] [--periods K] [--output FILE]\n"
    "  stepdown-cli netlist --loop --vi T --f T --l T --c T --rl T [COMPONENTI] [ANELLO]\n"
    "                       [--periods K] [--output FILE]\n"
    "  stepdown-cli open FILE --netlist [--periods K] [--output FILE]\n"
    "COMPONENTI: le opzioni dei componenti di verify (stepdown-cli --help)\n"
    "ANELLO: le opzioni del controllore e dei gradini di loop (--vo, --vref, ... --tend)\n";

constexpr std::string_view kNetlistHelp =
    "\n"
    "netlist: la netlist SPICE del convertitore come costruito, da eseguire con\n"
    "  ngspice -b FILE, con i dati di verify e i COMPONENTI; la simulazione parte dal\n"
    "  regime periodico calcolato e misura (.meas) le grandezze del programma.\n"
    "  --vo-target V  l'interruttore va con il duty cycle D′ che dà questa Vo media\n"
    "  --periods K    periodi simulati, da 1 a 100000 (20 se omesso)\n"
    "  --output FILE  scrive la netlist in FILE (se omesso: standard output)\n"
    "  Con open FILE --netlist, la netlist dei dati di verifica e dei componenti\n"
    "  del file di progetto. Esce con 1 anche per una Vo obiettivo che nessun duty\n"
    "  cycle dà, un circuito senza regime periodico o una netlist non scritta.\n"
    "  --loop         anche il controllore (partitore, riferimento, amplificatore\n"
    "                 d'errore con la sua rete, rampa, comparatore e latch), con le\n"
    "                 opzioni di loop; la simulazione parte dal regime ad anello\n"
    "                 chiuso, o da fermo con --tss; con i gradini o --tss dura fino\n"
    "                 a tend.\n"
    "                 open FILE --netlist lo include quando la sezione \"loop\" del\n"
    "                 file ha un valore diverso da quello iniziale.\n";

// verify's circuit, named as the design file's keys, and the parts.
std::vector<OptionSpec> NetlistOptions() {
    std::vector<OptionSpec> options;
    for (const DesignFileKey& key : kVerificationKeys) options.push_back({key.key});
    for (const std::string_view option : {"vo-target", "periods", "output"})
        options.push_back({option});
    options.push_back({"loop", false});
    return WithPartOptions(WithLoopOptions(options));
}

// open's options that only --netlist takes.
constexpr std::string_view kNetlistOnly[] = {"periods", "output"};

int Usage(std::ostream& err, std::string_view error) {
    err << "stepdown-cli: " << error << '\n' << kNetlistUsage;
    return kExitUsage;
}

// What the options ask for, read before anything is computed.
struct NetlistRequest {
    CircuitValues circuit;
    PartValues parts;
    std::optional<double> targetVo;
    int periods = kDefaultNetlistPeriods;
};

// The circuit as the launch reads its fields, each refusal naming its option.
std::optional<std::string> ReadCircuit(const ParsedArguments& arguments, CircuitValues& circuit) {
    InputTexts texts = StartTexts();
    for (const DesignFileKey& key : kVerificationKeys)
        if (arguments.Has(key.key)) texts.insert_or_assign(IdOf(key), arguments.ValueOr(key.key));
    CircuitReading reading = ReadCircuitFields(texts);
    if (reading.values) {
        circuit = *reading.values;
        return std::nullopt;
    }
    if (reading.refused != nullptr) return InvalidValue(reading.refused->key, reading.message);
    return reading.message;
}

std::optional<std::string> ReadPeriods(const ParsedArguments& arguments, int& periods) {
    const NumberOption read =
        ReadNumberOption(arguments, "periods", "il numero dei periodi simulati");
    if (!read.error.empty()) return read.error;
    if (read.value) {
        if (!(*read.value >= 1 && *read.value <= kMaxNetlistPeriods) ||
            *read.value != std::floor(*read.value))
            return InvalidValue("periods", "Il numero dei periodi deve essere un intero da 1 a " +
                                               std::to_string(kMaxNetlistPeriods) + "!");
        periods = static_cast<int>(*read.value);
    }
    return std::nullopt;
}

std::optional<std::string> ReadRequest(const ParsedArguments& arguments, NetlistRequest& request) {
    if (const auto error = ReadCircuit(arguments, request.circuit)) return error;
    InputTexts texts;
    TypeFields(texts, arguments, kPartsKeys);
    const PartOptions parts = ReadPartOptions(texts);
    if (!parts.values) return parts.error;
    request.parts = *parts.values;
    const NumberOption target = ReadVoTarget(arguments);
    if (!target.error.empty()) return target.error;
    request.targetVo = target.value;
    return ReadPeriods(arguments, request.periods);
}

// The netlist of the converter verify reports on the same options, warm at
// its temperatures when a thermal resistance is given; or on `err` why there
// is none.
std::optional<std::string> Netlist(NetlistRequest request, std::ostream& err) {
    RealPartsStudy study = StudyCircuit(request.circuit, request.parts, request.targetVo);
    if (request.targetVo && study.duty.outcome != RealPartsOutcome::Found) {
        // The summary's D' line says why, in the window's words.
        for (const ReportLine& line : RealPartsSummary(study, "."))
            if (line.caption == "D′") err << line.caption << ": " << line.value << '\n';
        return std::nullopt;
    }
    // The switch runs at D' even cold: the option asks for it.
    MoveToDutyForTarget(study);
    if (study.analysis.outcome != RealPartsOutcome::Found) {
        err << NoFiguresExplanation(study) << '\n';
        return std::nullopt;
    }
    return StudyNetlist(study, {request.periods, request.targetVo});
}

// The loop's options without --loop, or the open loop's with it.
std::optional<std::string> LoopConflict(const ParsedArguments& arguments) {
    if (arguments.Has("loop")) {
        for (const std::string_view option :
             std::initializer_list<std::string_view>{key::d, "vo-target"})
            if (arguments.Has(option))
                return "l'opzione --" + std::string(option) +
                       " non vale con --loop: il duty cycle lo dà l'anello";
        return std::nullopt;
    }
    for (const OptionSpec& option : WithLoopOptions({}))
        if (arguments.Has(option.name))
            return "l'opzione --" + std::string(option.name) + " vale solo con --loop";
    return std::nullopt;
}

// The regulated converter's netlist, or nothing: then `usage` holds a usage
// error, or `err` was told why there is none.
std::optional<std::string> ClosedLoop(const ParsedArguments& arguments, std::string& usage,
                                      std::ostream& err) {
    LoopCircuit loop;
    const LoopReading reading = ReadLoop(LoopTexts(arguments), arguments.Has("step-csv"), loop);
    int periods = kDefaultNetlistPeriods;
    if (reading.refused) {
        usage = UsageOf(*reading.refused);
    } else if (auto error = ReadPeriods(arguments, periods)) {
        usage = std::move(*error);
    } else if (reading.transient && arguments.Has("periods")) {
        usage =
            "l'opzione --periods non vale con l'avvio graduale o i gradini: la simulazione "
            "dura fino a tend";
    }
    if (!usage.empty()) return std::nullopt;
    if (!reading.refusal.empty()) {
        err << reading.refusal << '\n';
        return std::nullopt;
    }
    const TransientRequest request =
        reading.transient.value_or(TransientRequest{0, {}, {}, {}, {}, periods / loop.circuit.f});
    const ClosedLoopExport exported = ExportClosedLoop(loop, request);
    if (exported.unsettled)
        err << "L'anello chiuso non raggiunge un regime periodico da cui far partire la "
               "simulazione: con --tss la netlist parte da fermo.\n";
    else if (!exported.refusal.empty())
        err << exported.refusal << '\n';
    if (exported.netlist.empty()) return std::nullopt;
    return exported.netlist;
}

}  // namespace

std::string_view NetlistHelp() { return kNetlistHelp; }

int RunNetlist(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const ParseOutcome parsed = ParseOptions(words, NetlistOptions());
    if (!parsed.arguments) return Usage(err, parsed.error);
    return NetlistOn(*parsed.arguments, out, err);
}

int NetlistOn(const ParsedArguments& arguments, std::ostream& out, std::ostream& err) {
    if (const auto conflict = LoopConflict(arguments)) return Usage(err, *conflict);
    std::optional<std::string> netlist;
    if (arguments.Has("loop")) {
        std::string usage;
        netlist = ClosedLoop(arguments, usage, err);
        if (!usage.empty()) return Usage(err, usage);
    } else {
        NetlistRequest request;
        if (const auto error = ReadRequest(arguments, request)) return Usage(err, *error);
        netlist = Netlist(request, err);
    }
    if (!netlist) return kExitRefused;
    if (!arguments.Has("output")) {
        out << *netlist;
        return kExitSuccess;
    }
    const SaveOutcome saved = WriteFileAtomically(arguments.ValueOr("output"), *netlist);
    if (saved.saved) return kExitSuccess;
    err << saved.message << '\n';
    return kExitRefused;
}

std::vector<OptionSpec> WithNetlistOptions(std::vector<OptionSpec> options) {
    options.push_back({"netlist", false});
    for (const std::string_view option : kNetlistOnly) options.push_back({option});
    return options;
}

std::optional<std::string> OpenNetlistConflict(const ParsedArguments& arguments) {
    if (!arguments.Has("netlist")) {
        for (const std::string_view option : kNetlistOnly)
            if (arguments.Has(option))
                return "l'opzione --" + std::string(option) + " vale solo con --netlist";
        return std::nullopt;
    }
    for (const std::string_view option :
         {"verify", "sweep", "json", "csv", "startup-csv", "standard", "corners"})
        if (arguments.Has(option))
            return "l'opzione --" + std::string(option) + " non vale con --netlist";
    return std::nullopt;
}

ParsedArguments NetlistTexts(const DesignFile& file, const ParsedArguments& arguments) {
    ParsedArguments texts;
    const auto take = [&texts](std::string_view option, const std::string& text) {
        texts.values.insert_or_assign(std::string(option), text);
    };
    // The controller when the loop's section holds anything but its start texts.
    for (const DesignFileKey& entry : kLoopKeys)
        if (const std::string text = TextOf(file, entry); text != entry.startText)
            take(entry.key, text);
    const bool loop = !texts.values.empty();
    if (loop) {
        texts.flags.insert("loop");
        if (const std::string vo = TextOf(file, Row(QuantityGroup::Design, key::vo)); !vo.empty())
            take(key::vo, vo);
    }
    for (const DesignFileKey& entry : kVerificationKeys)
        if (!loop || entry.key != key::d) take(entry.key, TextOf(file, entry));
    for (const DesignFileKey& entry : kPartsKeys) take(entry.key, TextOf(file, entry));
    for (const std::string_view option : kNetlistOnly)
        if (arguments.Has(option)) take(option, arguments.ValueOr(option));
    return texts;
}

}  // namespace stepdown::cli

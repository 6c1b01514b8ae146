#include "cli/CommandLine.h"

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
#include "cli/HeadlessWindow.h"
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

constexpr std::string_view kUsage =
    "Uso:\n"
    "  stepdown-cli design --vi T --vo T --f T --ripple T --dvo T --io T [--json]\n"
    "                      [--verify [--n T --np T --ni T] [--csv FILE]\n"
    "                      [--startup-csv FILE]] [--series E6|E12|E24 [--round up|nearest]]\n"
    "                      [--corners [--tol-l PCT --tol-c PCT --vi-min V --vi-max V\n"
    "                      --io-min A --io-max A]] [COMPONENTI] [--save FILE]\n"
    "  stepdown-cli verify --vi T --d T --f T --l T --c T --rl T [--n T --np T --ni T]\n"
    "                      [--json] [--csv FILE] [--startup-csv FILE]\n"
    "                      [COMPONENTI [--vo-target V]] [--save FILE]\n"
    "  stepdown-cli sweep --vi T --vo T --f T --ripple T --dvo T --io T\n"
    "                     [--io-from A --io-to A --points K] [--vi-list V,V,...]\n"
    "                     [--series E6|E12|E24 [--round up|nearest]] [COMPONENTI]\n"
    "                     [--json] [--csv FILE] [--save FILE]\n"
    "  stepdown-cli open FILE [--json] [--verify [--csv FILE] [--startup-csv FILE]]\n"
    "                    [--standard] [--corners] [--sweep [--csv FILE]]\n"
    "  stepdown-cli --help | --version\n"
    "COMPONENTI: --real, e/o uno o più tra --esr T --dcr T --rds T --rd T --vf T\n"
    "            --tr T --tf T --qg T --vdrv T --iq T; in design con --verify,\n"
    "            --series o --corners; in sweep senza --real\n";

// The help after the usage; the lines of the options that carry quantities
// come from the table of quantities.
std::string HelpDetails() {
    return std::string(
               "\n"
               "design: il progetto di \"Calcola L , C , IDP, IDm , Iim\".\n") +
           QuantityHelp(QuantityGroup::Design) +
           "  --verify    prosegue come \"Grafici\" con i dati di verifica scritti dal\n"
           "              progetto e confronta progetto e simulazione\n"
           "\n"
           "verify: la verifica di \"Grafici\".\n" +
           QuantityHelp(QuantityGroup::Verification) +
           "\n"
           "Simulazione:\n" +
           QuantityHelp(QuantityGroup::Simulation) +
           "  --csv FILE  scrive l'ultimo periodo simulato in FILE ('-': standard output)\n"
           "  --startup-csv FILE\n"
           "              scrive in FILE l'inviluppo di iL e Vo dall'avvio ('-': standard output)\n"
           "\n"
           "Componenti reali (verify e design --verify): aggiungono l'analisi a regime del\n"
           "convertitore come costruito, sullo stesso circuito, con un diodo che blocca.\n"
           "  --real      con i componenti predefiniti: Vf 0.6 V, ogni altro valore zero\n" +
           QuantityHelp(QuantityGroup::Parts) +
           "  --vo-target V\n"
           "              (solo verify) la Vo media da raggiungere: calcola il duty cycle D′\n"
           "              che la dà; design --verify usa la Vo del progetto\n"
           "  Un valore di componente non valido è un errore della riga di comando. Con\n"
           "  l'analisi, una simulazione rifiutata perché la corrente nell'induttore si\n"
           "  annulla è solo una nota sullo standard error (senza --csv e --startup-csv).\n"
           "\n"
           "Scelta dei componenti (design, con o senza --verify; sweep), sul convertitore\n"
           "come costruito regolato alla Vo del progetto, con i valori dei COMPONENTI:\n"
           "  --series S  i valori normalizzati di L e C nella serie E6, E12 o E24\n"
           "  --round R   up: il primo valore non minore (se omesso); nearest: il più vicino;\n"
           "              meets: le più piccole L e C che rispettano i requisiti di ΔiL e ΔVo\n"
           "  --corners   il caso peggiore sui vertici delle tolleranze e degli intervalli,\n"
           "              intorno ai valori normalizzati con --series, ai calcolati senza\n"
           "  --tol-l PCT, --tol-c PCT\n"
           "              tolleranza di L e di C [%] (20 se omessa)\n"
           "  --vi-min V, --vi-max V\n"
           "              intervallo della tensione di ingresso [V] (Vi se omesso)\n"
           "  --io-min A, --io-max A\n"
           "              intervallo della corrente di uscita [A] (Io se omesso)\n"
           "\n"
           "sweep: il progetto come design, poi una scansione del carico.\n"
           "  --io-from A, --io-to A\n"
           "              prima e ultima corrente di carico [A] (10 % e 150 % di Io)\n"
           "  --points K  carichi per tensione di ingresso, da 1 a 1000 (50 se omesso)\n"
           "  --vi-list V,V,...\n"
           "              tensioni di ingresso [V] (Vi se omesso)\n"
           "  --csv FILE  scrive i punti in FILE ('-': standard output)\n"
           "\n"
           "  --json      un oggetto JSON al posto del testo\n"
           "  --save FILE salva in FILE, file di progetto, i testi dei campi dopo il calcolo,\n"
           "              anche quando i dati sono rifiutati\n"
           "\n"
           "open: esegue il file di progetto FILE (salvato con --save) come design con i\n"
           "  suoi dati di progetto, o con --verify come verify con i suoi dati di verifica\n"
           "  e di simulazione, o con --sweep come sweep; stampa esattamente ciò che\n"
           "  stamperebbe quel comando. Componenti e scelte diversi dai valori iniziali\n"
           "  tornano opzioni; --standard e --corners chiedono i valori normalizzati e il\n"
           "  caso peggiore anche con le scelte iniziali.\n"
           "\n"
           "Ogni T è il testo che si scriverebbe nel campo della finestra, con il punto\n"
           "come separatore decimale; un'opzione omessa è un campo vuoto.\n"
           "Una simulazione che non ha ancora raggiunto il regime riesce comunque e ne\n"
           "scrive l'avviso sullo standard error.\n"
           "Uscita: 0 riuscito, 1 dati rifiutati o file CSV non scritto, 2 riga di comando\n"
           "errata o file di progetto non letto o non salvato.\n"
           "\n"
           "loop: il convertitore come costruito regolato in tensione; progetta o verifica\n"
           "  il compensatore, il diagramma di Bode, la risposta ai gradini. Uso:\n";
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
    {"verify", false},  {"json", false},     {"csv"}, {"startup-csv"}, {"sweep", false},
    {"corners", false}, {"standard", false},
};

int UsageError(std::ostream& err, std::string_view error) {
    err << "stepdown-cli: " << error << '\n' << kUsage;
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

// Only the present options: a left-out option leaves its box as the window
// starts it, empty or holding the default setting.
void TypeFields(HeadlessMainWindow& window, const ParsedArguments& arguments,
                std::span<const DesignFileKey> fields) {
    for (const DesignFileKey& field : fields)
        if (arguments.values.count(field.key) != 0)
            window.SetText(field.textBox, arguments.ValueOr(field.key));
}

// What a refusal leaves: the messages, in the order shown, on `err`.
bool ReportMessages(const HeadlessMainWindow& window, std::ostream& err) {
    for (const std::string& message : window.Messages()) err << message << '\n';
    return !window.Messages().empty();
}

// The design as it stood right after "Calcola": the launch later overwrites
// L and C with henry and farad, and D, RL with the values read back.
struct DesignResult {
    double L = 0.0, C = 0.0, IDP = 0.0, IDm = 0.0, Iim = 0.0, D = 0.0, RL = 0.0;
    double DeltaiL = 0.0;  // A
    double DeltaVo = 0.0;  // V
    // The texts the design wrote into the verification fields, under their
    // keys in the table of quantities, in the order written.
    std::vector<std::pair<std::string_view, std::string>> verificationTexts;
};

// From the module as "Calcola" left it, never from the window's captions.
DesignResult TakeDesign(const Module1& m) {
    DesignResult r;
    r.L = m.L;
    r.C = m.C;
    r.IDP = m.IDP;
    r.IDm = m.IDm;
    r.Iim = m.Iim;
    r.D = m.D;
    r.RL = m.RL;
    r.DeltaiL = m.DeltaiL;
    r.DeltaVo = m.DeltaVo;
    if (m.LastDesign)
        for (const auto& [textBox, text] : m.LastDesign->fieldTexts)
            for (const Quantity& quantity : kVerificationKeys)
                if (quantity.textBox == textBox)
                    r.verificationTexts.emplace_back(quantity.key, text);
    return r;
}

JsonObject DesignJson(const DesignResult& r) {
    JsonObject verification;
    for (const auto& [key, text] : r.verificationTexts) verification.String(key, text);
    JsonObject object;
    object.Number("L", r.L)
        .Number("C", r.C)
        .Number("IDP", r.IDP)
        .Number("IDm", r.IDm)
        .Number("Iim", r.Iim)
        .Number("D", r.D)
        .Number("RL", r.RL)
        .Object("verification", std::move(verification));
    return object;
}

// The five figures, under their names in the program.
JsonObject FiguresJson(const MeasuredFigures& figures, JsonObject object = {}) {
    object.Number("SimDeltaiL", figures.SimDeltaiL)
        .Number("SimDeltaVo", figures.SimDeltaVo)
        .Number("SimIDP", figures.SimIDP)
        .Number("SimIDm", figures.SimIDm)
        .Number("SimIim", figures.SimIim);
    return object;
}

JsonObject VerifyJson(const Module1& m) {
    JsonObject object = FiguresJson({m.SimDeltaiL, m.SimIDP, m.SimDeltaVo, m.SimIDm, m.SimIim});
    object.Number("MaxIL", m.MaxIL)
        .Number("MinIL", m.MinIL)
        .Number("MaxIC", m.MaxIC)
        .Number("MaxVo", m.MaxVo)
        .Number("MinVo", m.MinVo)
        .Number("MaxVd", m.MaxVd)
        .Number("TimeStep", m.TimeStep)
        .Integer("N", m.N)
        .Integer("NP", m.NP)
        .Integer("NI", m.NI);
    return object;
}

void DesignText(std::ostream& out, const DesignResult& r) {
    Line(out, "L", Label(r.L), "uH");
    Line(out, "C", Label(r.C), "uF");
    Line(out, "IDP", Label(r.IDP), "A");
    Line(out, "IDm", Label(r.IDm), "A");
    Line(out, "Iim", Label(r.Iim), "A");
    Line(out, "D", Label(r.D * 100), "%");
    Line(out, "RL", Label(r.RL), "ohm");
}

// The figures as the waveform window's labels show them (those of the last
// completed run), then the extremes.
void VerifyText(std::ostream& out, const Module1& m) {
    Line(out, "SimDeltaiL", Label(m.SimDeltaiL), "A");
    Line(out, "SimDeltaVo", Label(m.SimDeltaVo), "mV");
    Line(out, "SimIDP", Label(m.SimIDP), "A");
    Line(out, "SimIDm", Label(m.SimIDm), "A");
    Line(out, "SimIim", Label(m.SimIim), "A");
    Line(out, "MaxIL", Label(m.MaxIL), "A");
    Line(out, "MinIL", Label(m.MinIL), "A");
    Line(out, "MaxIC", Label(m.MaxIC), "A");
    Line(out, "MaxVo", Label(m.MaxVo), "V");
    Line(out, "MinVo", Label(m.MinVo), "V");
    Line(out, "MaxVd", Label(m.MaxVd), "V");
}

void ComparisonText(std::ostream& out, const DesignResult& r, const Module1& m) {
    struct Row {
        std::string_view name;
        double designed;
        double simulated;
        std::string_view unit;
    };
    const Row rows[] = {
        {"DeltaiL", r.DeltaiL, m.SimDeltaiL, "A"},
        {"DeltaVo", r.DeltaVo * 1000, m.SimDeltaVo, "mV"},
        {"IDP", r.IDP, m.SimIDP, "A"},
        {"IDm", r.IDm, m.SimIDm, "A"},
        {"Iim", r.Iim, m.SimIim, "A"},
    };
    out << "\n            progetto  simulato  unità  (sim.-prog.)/prog.\n";
    for (const Row& row : rows) {
        std::string line(row.name);
        line.resize(12, ' ');
        line += Label(row.designed) + "  " + Label(row.simulated) + "  ";
        std::string unit(row.unit);
        unit.resize(5, ' ');
        line += unit + "  " + PercentDifference(row.simulated, row.designed, ".");
        out << line << '\n';
    }
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

// The launch of "Grafici" on the window's current verification fields, its
// messages told.
LaunchResult Launch(Module1& module, HeadlessMainWindow& window, std::ostream& err,
                    bool showProgress) {
    std::optional<TerminalProgress> terminal;
    struct Silent : ProgressReporter {
        bool Continue(std::int64_t, std::int64_t) override { return true; }
    } silent;
    if (showProgress) terminal.emplace(err);
    ProgressReporter& progress = terminal ? static_cast<ProgressReporter&>(*terminal) : silent;
    LaunchResult result = LaunchVerification(module, window, window, progress);
    if (terminal) terminal->Finish();
    // A run short of its steady state still completed: its warning is told.
    ReportMessages(window, err);
    return result;
}

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

// The verification's object with the start-up and the steady state.
JsonObject AnalysedJson(const Module1& m, const RunAnalysis& a) {
    JsonObject steady;
    steady.Boolean("settled", a.verdict.settled);
    if (a.repeatPeriod > 0)
        steady.Integer("period", a.repeatPeriod).Integer("cycleLength", a.cycleLength);
    else
        steady.Null("period").Null("cycleLength");
    if (a.steady.Conducts())
        steady.Integer("periodsNeeded", a.steady.periodsNeeded);
    else
        steady.Null("periodsNeeded");
    if (a.steady.Exists())
        steady.Object("figures", FiguresJson(a.steady.figures));
    else
        steady.Null("figures");
    if (a.designVoDuty) {
        if (a.designVoDuty->outcome == RealPartsOutcome::Found)
            steady.Number("dutyForDesignVo", a.designVoDuty->D);
        else
            steady.Null("dutyForDesignVo");
    }
    JsonObject startup;
    startup.Number("peakIL", a.startup.maxIL)
        .Number("minIL", a.startup.minIL)
        .Number("peakVo", a.startup.maxVo);
    return VerifyJson(m)
        .Object("steadyState", std::move(steady))
        .Object("startup", std::move(startup));
}

// The start-up lines and, when there is a steady state, the table of the
// start-up window: the last period and the steady state, and the design
// while the verification fields hold it.
void StartupText(std::ostream& out, const RunAnalysis& a) {
    out << '\n';
    for (const ReportLine& line : StartupSummary(a, "."))
        out << line.caption << ": " << line.value << '\n';
    if (!a.steady.Exists()) return;
    out << "\n" << Padded("", 18) << "ultimo    regime    (ult.-reg.)/reg.";
    if (a.design) out << "  progetto  (reg.-prog.)/prog.";
    out << '\n';
    for (const ComparisonRow& row : ComparisonTable(a, ".")) {
        out << Padded(row.quantity, 10) << Padded(row.unit, 8) << row.last << "  " << row.steady
            << "  ";
        if (a.design)
            out << Padded(row.lastDeviation, 18) << "  " << row.design << "  "
                << row.designDeviation;
        else
            out << row.lastDeviation;
        out << '\n';
    }
}

// The converter as built, when asked for: its parts, and verify's target.
struct AsBuiltRequest {
    PartValues parts;
    std::optional<double> targetVo;
};

// The part options and --vo-target, read before anything runs: the usage
// error of the first bad one, and the request when any asks for the analysis.
std::optional<std::string> ReadAsBuiltRequest(const ParsedArguments& arguments,
                                              std::optional<AsBuiltRequest>& request) {
    const bool asked = AsksForRealParts(arguments);
    if (arguments.Has("vo-target") && !asked)
        return "l'opzione --vo-target vale solo con --real o con i valori dei componenti";
    if (!asked) return std::nullopt;
    const PartOptions parts = ReadPartOptions(arguments);
    if (!parts.values) return parts.error;
    const NumberOption target = ReadVoTarget(arguments);
    if (!target.error.empty()) return target.error;
    request = AsBuiltRequest{*parts.values, target.value};
    return std::nullopt;
}

// What "Grafici" leaves for the output.
struct Verification {
    int status = kExitSuccess;                 // anything else ends the command
    std::shared_ptr<const SimulationRun> run;  // a completed run, else null
    std::string refusal;  // the conduction refusal the analysis turned into a note
    std::optional<RealPartsStudy> asBuilt;
};

// "Grafici" on the window's verification fields, the CSV files asked for,
// and the converter as built at the circuit the launch read, aiming at the
// design's Vo while the fields hold the design.
Verification VerifyFields(Module1& module, HeadlessMainWindow& window, const OutputChoice& choice,
                          const std::optional<AsBuiltRequest>& request, std::ostream& out,
                          std::ostream& err, bool showProgress) {
    const LaunchResult launch = Launch(module, window, err, showProgress);
    Verification v;
    if (launch.outcome == LaunchOutcome::Settled || launch.outcome == LaunchOutcome::NotSettled) {
        v.run = launch.run;
        if (!WriteRequestedCsv(choice, *v.run, out, err)) v.status = kExitRefused;
    } else if (request && AsBuiltStandsAlone(launch.outcome) && !choice.csv && !choice.startupCsv) {
        // The analysis as built does not depend on the idealised run, whose
        // refusal becomes a note. The CSV files, though, are the run's.
        v.refusal = window.Messages().back();
    } else {
        v.status = kExitRefused;
    }
    if (v.status != kExitSuccess || !request) return v;
    const DesignRecord* design = VerifiedDesign(module, window);
    v.asBuilt = StudyAsBuilt(module, request->parts,
                             design ? std::optional(design->Vo) : request->targetVo);
    if ((!v.run || RefusedAsBuilt(*v.asBuilt)) &&
        v.asBuilt->analysis.outcome != RealPartsOutcome::Found) {
        err << NoFiguresExplanation(*v.asBuilt) << '\n';
        v.status = kExitRefused;
    }
    return v;
}

// The converter as built after the rest of the text, if it was asked for.
void AsBuiltText(std::ostream& out, const Verification& v, bool afterOtherText) {
    if (!v.asBuilt) return;
    if (afterOtherText) out << '\n';
    RealPartsText(out, *v.asBuilt);
}

// After a run, whatever its outcome: the design file --save asks for. A
// save that fails turns the run's status into kExitDesignFile.
int SaveIfAsked(const ParsedArguments& arguments, const HeadlessMainWindow& window, int status,
                std::ostream& err) {
    if (!arguments.Has("save")) return status;
    const SaveOutcome saved =
        SaveDesignFile(arguments.ValueOr("save"), SavedDesignFile(window, arguments));
    if (saved.saved) return status;
    err << saved.message << '\n';
    return kExitDesignFile;
}

// What design was asked for beyond "Calcola".
struct DesignRequests {
    OutputChoice output;
    std::optional<AsBuiltRequest> asBuilt;
    ChoiceRequest choice;
};

// "Calcola", and "Grafici" after it with --verify, on the typed options;
// the standard values and the corners on the design just computed.
int DesignClicks(const ParsedArguments& arguments, const DesignRequests& requests,
                 HeadlessMainWindow& window, std::ostream& out, std::ostream& err,
                 bool showProgress) {
    const OutputChoice& choice = requests.output;
    const bool verify = arguments.Has("verify");
    Module1 module;
    TypeFields(window, arguments, kDesignKeys);
    DesignCalculation(module, window);
    if (ReportMessages(window, err)) return kExitRefused;
    const DesignResult design = TakeDesign(module);
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

    // "Grafici" after "Calcola": the verification fields as the design wrote
    // them, the settings as typed or left at the window's start values.
    TypeFields(window, arguments, kSimulationKeys);
    const Verification v =
        VerifyFields(module, window, choice, requests.asBuilt, out, err, showProgress);
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

int RunDesign(const std::vector<std::string>& words, std::ostream& out, std::ostream& err,
              bool showProgress) {
    const ParseOutcome parsed = ParseOptions(words, kDesignOptions);
    if (!parsed.arguments) return ParseError(err, parsed, "design");
    const ParsedArguments& arguments = *parsed.arguments;
    const bool verify = arguments.Has("verify");
    if (!verify) {
        for (const std::string_view option : {"n", "np", "ni", "csv", "startup-csv"})
            if (arguments.Has(option))
                return UsageError(err,
                                  "l'opzione --" + std::string(option) + " vale solo con --verify");
    }
    DesignRequests requests{ChooseOutput(arguments), std::nullopt, {}};
    if (const auto conflict = OutputConflict(requests.output)) return UsageError(err, *conflict);
    if (const auto error = ReadChoiceRequest(arguments, requests.choice))
        return UsageError(err, *error);
    if (!verify && !requests.choice.Any()) {
        for (const std::string& option : PartOptionNames())
            if (arguments.Has(option))
                return UsageError(
                    err, "l'opzione --" + option + " vale solo con --verify, --series o --corners");
    }
    const PartOptions parts = ReadPartOptions(arguments);
    if (!parts.values) return UsageError(err, parts.error);
    requests.choice.parts = *parts.values;
    if (verify && AsksForRealParts(arguments)) requests.asBuilt = AsBuiltRequest{*parts.values, {}};
    HeadlessMainWindow window;
    const int status = DesignClicks(arguments, requests, window, out, err, showProgress);
    return SaveIfAsked(arguments, window, status, err);
}

// "Grafici" on the typed options.
int VerifyClick(const ParsedArguments& arguments, const OutputChoice& choice,
                const std::optional<AsBuiltRequest>& request, HeadlessMainWindow& window,
                std::ostream& out, std::ostream& err, bool showProgress) {
    Module1 module;
    TypeFields(window, arguments, kVerificationKeys);
    TypeFields(window, arguments, kSimulationKeys);
    const Verification v = VerifyFields(module, window, choice, request, out, err, showProgress);
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

int RunVerify(const std::vector<std::string>& words, std::ostream& out, std::ostream& err,
              bool showProgress) {
    const ParseOutcome parsed = ParseOptions(words, kVerifyOptions);
    if (!parsed.arguments) return ParseError(err, parsed, "verify");
    const ParsedArguments& arguments = *parsed.arguments;
    const OutputChoice choice = ChooseOutput(arguments);
    if (const auto conflict = OutputConflict(choice)) return UsageError(err, *conflict);
    std::optional<AsBuiltRequest> request;
    if (const auto error = ReadAsBuiltRequest(arguments, request)) return UsageError(err, *error);
    HeadlessMainWindow window;
    const int status = VerifyClick(arguments, choice, request, window, out, err, showProgress);
    return SaveIfAsked(arguments, window, status, err);
}

// The load sweep on the design computed from the typed options.
int SweepClicks(const ParsedArguments& arguments, const SweepRequest& request,
                const PartValues& parts, const OutputChoice& choice, HeadlessMainWindow& window,
                std::ostream& out, std::ostream& err) {
    Module1 module;
    TypeFields(window, arguments, kDesignKeys);
    DesignCalculation(module, window);
    if (ReportMessages(window, err)) return kExitRefused;
    const SweepOutcome sweep = EvaluateSweep(request, TakeComputedDesign(module), parts);
    if (!sweep.error.empty()) return UsageError(err, sweep.error);
    if (!sweep.refusal.empty()) {
        err << sweep.refusal << '\n';
        return kExitRefused;
    }
    if (choice.csv &&
        !WriteCsv(
            *choice.csv, [&](std::ostream& to) { to << SweepCsv(sweep.results.points); }, out, err))
        return kExitRefused;
    if (choice.CsvOnStandardOutput()) return kExitSuccess;
    if (choice.json)
        out << SweepJson(sweep.results).Text() << '\n';
    else
        SweepText(out, sweep.results);
    return kExitSuccess;
}

int RunSweep(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const ParseOutcome parsed = ParseOptions(words, kSweepOptions);
    if (!parsed.arguments) return ParseError(err, parsed, "sweep");
    const ParsedArguments& arguments = *parsed.arguments;
    const OutputChoice choice = ChooseOutput(arguments);
    if (const auto conflict = OutputConflict(choice)) return UsageError(err, *conflict);
    SweepRequest request;
    if (const auto error = ReadSweepRequest(arguments, request)) return UsageError(err, *error);
    const PartOptions parts = ReadPartOptions(arguments);
    if (!parts.values) return UsageError(err, parts.error);
    HeadlessMainWindow window;
    const int status = SweepClicks(arguments, request, *parts.values, choice, window, out, err);
    return SaveIfAsked(arguments, window, status, err);
}

// "--key=text" for every key of `keys`: an empty text stays an empty field.
void AppendTyped(std::vector<std::string>& words, const SectionTexts& texts,
                 std::span<const DesignFileKey> keys) {
    for (const DesignFileKey& key : keys)
        words.push_back("--" + std::string(key.key) + "=" + TextOf(texts, key));
}

// The stored texts as the options of the equivalent command, so that the
// output is that command's to the byte.
int RunOpen(const std::vector<std::string>& words, std::ostream& out, std::ostream& err,
            bool showProgress) {
    if (words.empty() || words.front().starts_with("--"))
        return UsageError(err, "manca il file da aprire, da scrivere subito dopo open");
    const ParseOutcome parsed = ParseOptions(
        std::vector<std::string>(words.begin() + 1, words.end()), WithNetlistOptions(kOpenOptions));
    if (!parsed.arguments) return ParseError(err, parsed, "open");
    const ParsedArguments& arguments = *parsed.arguments;
    const bool verify = arguments.Has("verify");
    const bool sweep = arguments.Has("sweep");
    if (verify && sweep) return UsageError(err, "--verify e --sweep sono due comandi diversi");
    if (arguments.Has("corners") && (verify || sweep))
        return UsageError(err, "l'opzione --corners vale solo senza --verify e --sweep");
    if (arguments.Has("standard") && verify)
        return UsageError(err, "l'opzione --standard vale solo senza --verify");
    if (const auto conflict = OpenNetlistConflict(arguments)) return UsageError(err, *conflict);
    const DesignFileOutcome read = ReadDesignFile(words.front());
    if (!read.file) {
        err << read.message << '\n';
        return kExitDesignFile;
    }
    const DesignFile& file = *read.file;
    if (arguments.Has("netlist")) return RunNetlist(NetlistWords(file, arguments), out, err);
    std::vector<std::string> equivalent;
    // The texts at their start values say nothing of what the saved run asked
    // for: a setting is passed back where it differs, a group whole.
    const auto differ = [&](std::span<const DesignFileKey> keys, const SectionTexts& texts) {
        return std::any_of(keys.begin(), keys.end(), [&](const DesignFileKey& key) {
            return TextOf(texts, key) != key.startText;
        });
    };
    const auto passBack = [&](std::span<const DesignFileKey> keys, const SectionTexts& texts,
                              bool whole) {
        for (const DesignFileKey& key : keys)
            if (whole || TextOf(texts, key) != key.startText)
                equivalent.push_back("--" + std::string(key.key) + "=" + TextOf(texts, key));
    };
    // The selection's keys in the table's order: series and round, the six
    // corner settings, the sweep's three.
    const std::span<const DesignFileKey> selection(kSelectionKeys);
    const auto standard = selection.subspan(0, 2);
    const auto corners = selection.subspan(2, 6);
    const auto loads = selection.subspan(8, 3);
    bool partsApply = verify || sweep;
    if (verify) {
        AppendTyped(equivalent, file.verification, kVerificationKeys);
        AppendTyped(equivalent, file.simulation, kSimulationKeys);
    } else {
        AppendTyped(equivalent, file.design, kDesignKeys);
        if (arguments.Has("standard") || differ(standard, file.selection)) {
            passBack(standard, file.selection, true);
            partsApply = true;
        }
    }
    if (sweep) passBack(loads, file.selection, false);
    if (arguments.Has("corners") || (!verify && !sweep && differ(corners, file.selection))) {
        equivalent.emplace_back("--corners");
        passBack(corners, file.selection, false);
        partsApply = true;
    }
    if (partsApply) passBack(kPartsKeys, file.parts, false);
    // The file's choices, where the run takes them, refused as the window
    // refuses them and not as mistyped options.
    if (sweep || (!verify && partsApply)) {
        // The ranges' empty ends are the design's: "Calcola" on the file's texts.
        HeadlessMainWindow designed;
        Module1 module;
        for (const DesignFileKey& key : kDesignKeys)
            designed.SetText(key.textBox, TextOf(file.design, key));
        DesignCalculation(module, designed);
        std::optional<DesignTargets> nominal;
        if (designed.Messages().empty()) nominal = TakeComputedDesign(module).targets;
        if (const auto refusal = FileChoiceRefusal(words.front(), file.selection, nominal)) {
            err << *refusal << '\n';
            return kExitRefused;
        }
    }
    if (arguments.Has("json")) equivalent.emplace_back("--json");
    for (const std::string_view option : {"csv", "startup-csv"})
        if (arguments.Has(option))
            equivalent.push_back("--" + std::string(option) + "=" + arguments.ValueOr(option));
    if (verify) return RunVerify(equivalent, out, err, showProgress);
    if (sweep) return RunSweep(equivalent, out, err);
    return RunDesign(equivalent, out, err, showProgress);
}

}  // namespace

DesignFile SavedDesignFile(const MainWindowOperations& window, const ParsedArguments& arguments) {
    DesignFile file;
    TakeMainWindowTexts(window, file);
    for (const DesignFileSection& section : kDesignFileSections)
        for (const DesignFileKey& key : section.keys)
            if (key.textBox.empty())
                (file.*section.texts)[std::string(key.key)] =
                    arguments.ValueOr(key.key, std::string(key.startText));
    return file;
}

std::string VersionText() { return std::string("stepdown-cli ") + STEPDOWN_VERSION; }

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   bool showProgress) {
    if (args.empty()) return UsageError(err, "manca il comando");
    const std::string& command = args.front();
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h") {
        if (!rest.empty()) return UsageError(err, "argomento inatteso: " + rest.front());
        out << kUsage << HelpDetails() << kLoopUsage << NetlistHelp();
        return kExitSuccess;
    }
    if (command == "--version") {
        if (!rest.empty()) return UsageError(err, "argomento inatteso: " + rest.front());
        out << VersionText() << '\n';
        return kExitSuccess;
    }
    if (command == "design") return RunDesign(rest, out, err, showProgress);
    if (command == "verify") return RunVerify(rest, out, err, showProgress);
    if (command == "open") return RunOpen(rest, out, err, showProgress);
    if (command == "sweep") return RunSweep(rest, out, err);
    if (command == "netlist") return RunNetlist(rest, out, err);
    if (command == "loop") return RunLoop(rest, out, err);
    return UsageError(err, "comando sconosciuto: " + command);
}

}  // namespace stepdown::cli

#include "report/DesignReport.h"

#include <algorithm>
#include <cctype>
#include <span>
#include <string_view>
#include <utility>

#include "componentchoice/ChoiceStudy.h"
#include "design/DesignCalculation.h"
#include "designfile/SideTexts.h"
#include "engine/Extremes.h"
#include "engine/Figures.h"
#include "realparts/RealPartsReport.h"
#include "report/LoopSections.h"

namespace stepdown {
namespace {

// A text as the report prints it: cut at a character boundary when long,
// "non scritto" when empty.
std::string Shown(const std::string& text) {
    if (text.empty()) return "non scritto";
    if (text.size() <= kReportTextLimit) return text;
    std::size_t end = kReportTextLimit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end) + "…";
}

std::string WithUnit(std::string value, std::string_view unit) {
    if (!unit.empty()) value += " " + std::string(unit);
    return value;
}

// Each quantity of a section, under its caption, as typed with its unit.
void AddTypedLines(ReportSection& section, const DesignFile& texts,
                   std::span<const Quantity> quantities) {
    for (const Quantity& quantity : quantities) {
        const std::string text = TextOf(texts, quantity);
        section.lines.push_back(
            {std::string(quantity.caption),
             text.empty() ? Shown(text) : WithUnit(Shown(text), quantity.unit)});
    }
}

std::string Figure(double value, std::string_view unit, std::string_view separator) {
    return WithUnit(FormatScientific(value, 2, separator), unit);
}

// "Calcola" on the design texts.
ReportSection DesignResults(const ReportInputs& in, const DesignOutcome& design) {
    ReportSection section{"Risultati del progetto", {}, ReportPicture::None, {}, {}};
    if (SectionBlank(in.texts, QuantityGroup::Design)) {
        section.notes.emplace_back("I dati di progetto non sono scritti: nessun risultato.");
        return section;
    }
    if (!design.design) {
        section.notes.push_back("«Calcola» non dà risultati: " + design.refusal);
        return section;
    }
    const DesignRecord& record = *design.design;
    // The results the window's labels show.
    for (const DesignFigure& figure : kDesignFigures)
        if (figure.result)
            section.lines.push_back({std::string(figure.caption),
                                     Figure(record.*figure.value, figure.unit, in.separator)});
    return section;
}

// The plot's five traces as it draws them: colour, zero line and factor
// (the height in % of the plot at which the largest magnitude is drawn).
struct TraceScale {
    std::string_view name, colour, zero, unit;
    double factor;
    std::vector<double> SimulationRun::*wave;  // the waveform whose largest magnitude scales it
};
constexpr TraceScale kTraceScales[] = {
    {"iL(t)", "rosso", "80", "A", 18, &SimulationRun::WaveIL},
    {"iC(t)", "verde", "70", "A", 6, &SimulationRun::WaveIC},
    {"Vo(t)", "blu", "40", "V", 18, &SimulationRun::WaveVo},
    {"Vd(t)", "magenta", "20", "V", 18, &SimulationRun::WaveVd},
    {"id(t)", "ciano", "0.1", "A", 18, &SimulationRun::WaveIL},  // on iL's scale
};
// The left edge's ticks are this far apart, in % of the plot's height.
constexpr double kTickPercent = 5;

// The picture alone cannot tell its traces apart or be read: their names,
// colours and scales, and the time axis, in the text beneath it.
void AddTraceScales(const SimulationRun& run, std::string_view s, ReportSection& section) {
    for (const TraceScale& trace : kTraceScales)
        if (!ScanFits(run.*trace.wave, run.N)) return;
    section.table.header = {"Traccia", "Colore", "Linea dello zero", "Fondo scala",
                            "Per tacca (5 %)"};
    for (const TraceScale& trace : kTraceScales) {
        const double extreme = MaxMagnitudeScan(run.*trace.wave, run.N);
        std::string zero(trace.zero);
        if (const std::size_t point = zero.find('.'); point != std::string::npos)
            zero.replace(point, 1, s);
        section.table.rows.push_back(
            {std::string(trace.name), std::string(trace.colour), zero + " %",
             Figure(extreme, trace.unit, s),
             Figure(extreme * kTickPercent / trace.factor, trace.unit, s)});
    }
    section.notes.push_back(
        "Altezze in % del grafico, dal basso. Fondo scala: il valore disegnato 18 % sopra la "
        "propria linea dello zero (6 % per iC(t)); id(t) ha la scala di iL(t). Asse dei tempi: " +
        std::to_string(run.NP) + " periodi affiancati, " + Figure(run.NP / run.f, "s", s) +
        " in tutta la larghezza, una tacca in basso ogni " + Figure(run.NP / run.f / 4, "s", s) +
        ".");
}

// Whether the run was launched from the verification and simulation texts
// the report prints (a run that does not say is taken as launched from them).
bool LaunchedFrom(const SimulationRun& run, const DesignFile& texts) {
    for (const auto& [id, text] : run.launchTexts)
        for (const auto keys : {kVerificationKeys, kSimulationKeys})
            for (const DesignFileKey& key : keys)
                if (IdOf(key) == id && TextOf(texts, key) != text) return false;
    return true;
}

void AddRunSections(const ReportInputs& in, std::vector<ReportSection>& sections) {
    ReportSection run{"Verifica per simulazione", {}, ReportPicture::None, {}, {}};
    if (!in.run || !in.run->analysis) {
        run.notes.emplace_back(in.run ? "La finestra delle forme d'onda non mostra una simulazione "
                                        "completata."
                                      : "Nessuna simulazione: «Grafici» non è stato eseguito.");
        sections.push_back(std::move(run));
        return;
    }
    const RunAnalysis& analysis = *in.run->analysis;
    const std::string& s = in.separator;
    const MeasuredFigures& last = analysis.last;
    for (const FigureDescription& figure : kMeasuredFigures)
        run.lines.push_back(
            {std::string(figure.caption), Figure(last.*figure.value, figure.unit, s)});
    if (!LaunchedFrom(*in.run, in.texts))
        run.notes.emplace_back(
            "La simulazione mostrata è stata eseguita con dati di verifica o di simulazione "
            "diversi da quelli scritti ora: esegui di nuovo «Grafici» per aggiornarla.");
    run.picture = ReportPicture::Waveforms;
    AddTraceScales(*in.run, s, run);
    sections.push_back(std::move(run));

    ReportSection startup{
        "Avviamento e regime", StartupSummary(analysis, s), ReportPicture::StartupEnvelope, {}, {}};
    startup.table.header = {"Grandezza",
                            "Unità",
                            "Progetto",
                            "Ultimo periodo",
                            "Regime",
                            "(ultimo − regime) / regime",
                            "(regime − progetto) / progetto"};
    for (const ComparisonRow& row : ComparisonTable(analysis, s))
        startup.table.rows.push_back({row.quantity, row.unit, row.design, row.last, row.steady,
                                      row.lastDeviation, row.designDeviation});
    if (!analysis.design)
        startup.notes.emplace_back(
            "Colonne del progetto vuote: i campi della verifica non "
            "contengono più i valori scritti dal progetto.");
    sections.push_back(std::move(startup));
}

void AddRealPartsSections(const ReportInputs& in, const std::optional<DesignRecord>& design,
                          const PartTexts& parts, std::vector<ReportSection>& sections) {
    if (parts == PartTexts{}) return;
    ReportSection built{"Componenti reali", {}, ReportPicture::None, {}, {}};
    // A choice in the words the window's choice shows.
    for (const PartField& field : PartFields()) {
        const std::string text =
            field.row->word ? ShownWord(field, parts.*field.text) : parts.*field.text;
        built.lines.push_back(
            {std::string(field.row->caption),
             text.empty() ? Shown(text) : WithUnit(Shown(text), field.row->unit)});
    }
    const RealPartsStudy study = StudyRealParts(design, in.texts.texts, parts);
    if (const std::string why = NoFiguresExplanation(study); !why.empty()) {
        built.notes.push_back(why);
        sections.push_back(std::move(built));
        return;
    }
    const std::vector<ReportLine> summary = RealPartsSummary(study, in.separator);
    built.lines.insert(built.lines.end(), summary.begin(), summary.end());
    built.table.header = {"Sollecitazione", "Unità", "Simulato", "Formula"};
    for (const StressRow& row : StressTable(study.analysis, in.separator))
        built.table.rows.push_back({row.quantity, row.unit, row.simulated, row.formula});
    sections.push_back(std::move(built));

    ReportSection losses{"Perdite e rendimento", {}, ReportPicture::None, {}, {}};
    for (const LossShare& loss : LossBreakdown(study.analysis.losses, study.analysis.rectifier))
        losses.lines.push_back({std::string(loss.name), Figure(loss.watts, "W", in.separator)});
    losses.lines.push_back({"Totale", Figure(study.analysis.losses.total, "W", in.separator)});
    losses.lines.push_back({"Rendimento", EfficiencyText(study.analysis.powers, in.separator)});
    sections.push_back(std::move(losses));
}

std::string CornerValue(const PointFigure& figure, double value, std::string_view separator) {
    if (figure.percent) return FormatFixed2(value * 100, separator) + " %";
    return Figure(value, figure.unit, separator);
}

// The window "Scelta dei componenti" on the file's choices, once they differ
// from its start texts: the standard values and the worst case around them.
void AddChoiceSection(const ReportInputs& in, const std::optional<DesignRecord>& design,
                      const PartTexts& parts, const ChoiceTexts& choices,
                      std::vector<ReportSection>& sections) {
    if (choices == ChoiceTexts{}) return;
    sections.push_back({"Scelta dei componenti", {}, ReportPicture::None, {}, {}});
    ReportSection& section = sections.back();
    if (!design) {
        section.notes.emplace_back(
            "I valori standard non sono calcolati: mancano i risultati del progetto.");
        return;
    }
    const ChoiceStudy study = StudyChoice(*design, parts, choices);
    if (!study.Computed()) {
        section.notes.push_back("I valori standard non sono calcolati: " + study.refusal);
        return;
    }
    const StandardChoice& chosen = study.choice;
    const std::string& s = in.separator;
    const auto met = [](bool meets) { return meets ? "rispettato" : "non rispettato"; };
    section.lines = {
        {"Serie", std::string(SeriesName(chosen.series))},
        {"Arrotondamento", std::string(RoundingShown(chosen.rounding))},
        {"Induttanza normalizzata L", Figure(chosen.L, "uH", s)},
        {"Capacità normalizzata C", Figure(chosen.C, "uF", s)},
        {"Ondulazione della corrente ΔiL", Figure(chosen.figures.deltaIL, "A", s)},
        {"Ondulazione della tensione ΔVo", Figure(chosen.figures.deltaVo, "mV", s)},
        {"Requisito su ΔiL", met(chosen.meets.ripple)},
        {"Requisito su ΔVo", met(chosen.meets.outputRipple)},
    };
    const WorstCase& worst = study.corners;
    section.table.header = {"Caso peggiore", "Valore", "Vi [V]", "Io [A]", "L [uH]", "C [uF]"};
    for (std::size_t i = 0; i < std::size(kPointFigures); ++i) {
        const WorstValue& value = worst.worst[i];
        if (value.corner < 0) continue;
        const Corner& at = worst.corners[static_cast<std::size_t>(value.corner)];
        section.table.rows.push_back({std::string(kPointFigures[i].caption),
                                      CornerValue(kPointFigures[i], value.value, s),
                                      FormatScientific(at.Vi, 2, s), FormatScientific(at.Io, 2, s),
                                      FormatScientific(at.L, 2, s), FormatScientific(at.C, 2, s)});
    }
    section.notes.emplace_back(worst.meetsAll
                                   ? "Ogni angolo rispetta entrambi i requisiti."
                                   : "Non tutti gli angoli rispettano entrambi i requisiti.");
}

}  // namespace

DesignReport BuildDesignReport(const ReportInputs& in) {
    DesignReport report;
    report.title = "Relazione di progetto del convertitore step down";
    report.date = in.date;
    report.fileName = in.fileName.empty() ? "progetto non salvato" : in.fileName;

    ReportSection requirements{"Requisiti di progetto", {}, ReportPicture::None, {}, {}};
    AddTypedLines(requirements, in.texts, kDesignKeys);
    report.sections.push_back(std::move(requirements));

    // Nothing is designed when no requirement is written: the design sections say so.
    DesignOutcome designed;
    if (!SectionBlank(in.texts, QuantityGroup::Design)) designed = DesignOf(in.texts.texts);
    report.sections.push_back(DesignResults(in, designed));

    ReportSection settings{"Impostazioni della verifica", {}, ReportPicture::None, {}, {}};
    AddTypedLines(settings, in.texts, kVerificationKeys);
    AddTypedLines(settings, in.texts, kSimulationKeys);
    report.sections.push_back(std::move(settings));

    AddRunSections(in, report.sections);
    PartTexts parts;
    ChoiceTexts choices;
    TakeSideTexts(in.texts, parts, choices);
    AddRealPartsSections(in, designed.design, parts, report.sections);
    AddChoiceSection(in, designed.design, parts, choices, report.sections);
    // A loop asked for but refused is said so, and draws nothing.
    if (auto loop = StudyReportLoop(in); loop && !loop->refusal.empty()) {
        AddLoopRefusal(*loop, report.sections);
    } else if (loop) {
        report.loop = std::move(loop);
        AddLoopSections(*report.loop, in.separator, report.sections);
    }
    return report;
}

}  // namespace stepdown

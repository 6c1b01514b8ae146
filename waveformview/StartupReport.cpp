#include "waveformview/StartupReport.h"

#include <cmath>

#include "engine/Figures.h"
#include "model/Conversions.h"

namespace stepdown {
namespace {

std::string Scientific(double value, std::string_view separator, std::string_view unit) {
    std::string text = FormatScientific(value, 2, separator);
    if (text.empty()) return "n.d.";
    text += ' ';
    text += unit;
    return text;
}

// "<value> <unit> (<ratio> volte il picco di regime)"
std::string PeakText(double peak, double steadyPeak, bool steadyExists, std::string_view separator,
                     std::string_view unit) {
    std::string text = Scientific(peak, separator, unit);
    const double ratio = peak / steadyPeak;
    if (steadyExists && std::isfinite(ratio))
        text += " (" + FormatFixed2(ratio, separator) + " volte il picco di regime)";
    return text;
}

std::string RepeatText(const RunAnalysis& a) {
    if (a.repeatPeriod == 0) return "non raggiunta";
    return "al periodo " + std::to_string(a.repeatPeriod) + ", ciclo di " +
           std::to_string(a.cycleLength) + (a.cycleLength == 1 ? " periodo" : " periodi");
}

std::string SteadyText(const RunAnalysis& a, std::string_view separator) {
    if (a.verdict.settled) return "raggiunto (le grandezze mostrate sono quelle di regime)";
    switch (a.steady.kind) {
    case SteadyStateKind::Found:
        break;
    case SteadyStateKind::NotComputable:
        return "non calcolabile (il transitorio si smorza troppo poco da un periodo all'altro)";
    case SteadyStateKind::Unbounded:
    case SteadyStateKind::Invalid:
        return "assente (con questo passo la simulazione è instabile)";
    }
    return "non raggiunto (le grandezze mostrate differiscono fino al " +
           DeviationPercent(a.verdict.worstDeviation, separator) + " %)";
}

std::string PeriodsNeededText(const SteadyState& s, std::string_view separator) {
    switch (s.kind) {
    case SteadyStateKind::Found:
        break;
    case SteadyStateKind::NotComputable:
        return "non calcolabili";
    case SteadyStateKind::Unbounded:
    case SteadyStateKind::Invalid:
        return "nessun regime";
    }
    if (!s.Conducts())
        return "nessuno: a regime la corrente nell'induttore si annulla (minimo " +
               Scientific(s.band.minIL, separator, "A") + ")";
    if (s.periodsNeeded > kLargestNI) return "oltre il massimo NI (2147483647)";
    return std::to_string(s.periodsNeeded);
}

// The steady state's mean Vo against the design's, why it misses, and D'.
std::string DesignVoMissText(const RunAnalysis& a, std::string_view separator) {
    const double designVo = a.design->Vo;
    std::string text = Scientific(a.steady.meanVo, separator, "V") + ", " +
                       PercentDifference(a.steady.meanVo, designVo, separator) +
                       " rispetto alla Vo di progetto (" + Scientific(designVo, separator, "V") +
                       "): D = Vo/Vi non tiene conto della caduta di 0" + std::string(separator) +
                       "6 V sul diodo; ";
    switch (a.designVoDuty->outcome) {
    case RealPartsOutcome::Found:
        return text + "con D′ = " + FormatFixed2(a.designVoDuty->D * 100, separator) +
               " % la Vo media sarebbe quella di progetto";
    case RealPartsOutcome::Unreachable:
        return text + "nessun duty cycle dà la Vo di progetto";
    case RealPartsOutcome::InvalidValues:
    case RealPartsOutcome::NoSteadyState:
        break;
    }
    return text + "D′ non calcolabile: cercandolo si incontra un duty cycle senza regime periodico";
}

}  // namespace

std::vector<ReportLine> StartupSummary(const RunAnalysis& a, std::string_view separator) {
    const SteadyState& s = a.steady;
    std::string lowest = Scientific(a.startup.minIL, separator, "A");
    if (a.startup.minIL < 0)
        lowest += " (negativa: un diodo reale la bloccherebbe, questo modello no)";
    std::vector<ReportLine> lines{
        {"Picco di iL dall'avvio",
         PeakText(a.startup.maxIL, s.band.maxIL, s.Exists(), separator, "A")},
        {"Picco di Vo dall'avvio",
         PeakText(a.startup.maxVo, s.band.maxVo, s.Exists(), separator, "V")},
        {"Minimo di iL dall'avvio", lowest},
        {"Ripetizione esatta", RepeatText(a)},
        {"Periodi necessari al transitorio", PeriodsNeededText(s, separator)},
        {"Regime", SteadyText(a, separator)},
    };
    if (a.designVoDuty) lines.push_back({"Vo media di regime", DesignVoMissText(a, separator)});
    return lines;
}

std::vector<ComparisonRow> ComparisonTable(const RunAnalysis& a, std::string_view separator) {
    struct Quantity {
        std::string_view name, unit;
        double design, last, steady;
    };
    const DesignRecord d = a.design.value_or(DesignRecord{});
    const MeasuredFigures& last = a.last;
    const MeasuredFigures& steady = a.steady.figures;
    std::vector<Quantity> quantities;
    for (const FigureDescription& f : kMeasuredFigures)
        quantities.push_back(
            {f.symbol, f.unit, d.*f.designed * f.designScale, last.*f.value, steady.*f.value});
    quantities.push_back({"Vo medio", "V", d.Vo, a.lastMeanVo, a.steady.meanVo});
    std::vector<ComparisonRow> rows;
    for (const Quantity& q : quantities) {
        ComparisonRow row{std::string(q.name), std::string(q.unit), {}, {}, {}, {}, {}};
        row.last = FormatScientific(q.last, 2, separator);
        if (a.design) row.design = FormatScientific(q.design, 2, separator);
        if (a.steady.Exists()) {
            row.steady = FormatScientific(q.steady, 2, separator);
            row.lastDeviation = PercentDifference(q.last, q.steady, separator);
            if (a.design) row.designDeviation = PercentDifference(q.steady, q.design, separator);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace stepdown

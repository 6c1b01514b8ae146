#include "simulation/StartupReport.h"

#include <cmath>

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
    if (a.settled) return "raggiunto (le grandezze mostrate sono quelle di regime)";
    if (!a.steady.exists) return "assente (con questo passo la simulazione è instabile)";
    return "non raggiunto (le grandezze mostrate differiscono fino al " +
           DeviationPercent(a.worstDeviation, separator) + " %)";
}

}  // namespace

std::string DeviationPercent(double fraction, std::string_view separator) {
    const double percent = fraction * 100;
    return std::isfinite(percent) ? FormatFixed2(percent, separator) : "∞";
}

std::string PercentDifference(double value, double reference, std::string_view separator) {
    const double percent = (value - reference) / reference * 100;
    if (!std::isfinite(percent)) return "n.d.";
    return (percent > 0 ? "+" : "") + FormatFixed2(percent, separator) + " %";
}

std::vector<ReportLine> StartupSummary(const RunAnalysis& a, std::string_view separator) {
    const SteadyState& s = a.steady;
    std::string lowest = Scientific(a.startup.minIL, separator, "A");
    if (a.startup.minIL < 0)
        lowest += " (negativa: un diodo reale la bloccherebbe, questo modello no)";
    return {
        {"Picco di iL dall'avvio",
         PeakText(a.startup.maxIL, s.band.maxIL, s.exists, separator, "A")},
        {"Picco di Vo dall'avvio",
         PeakText(a.startup.maxVo, s.band.maxVo, s.exists, separator, "V")},
        {"Minimo di iL dall'avvio", lowest},
        {"Ripetizione esatta", RepeatText(a)},
        {"Periodi necessari al transitorio",
         s.exists ? std::to_string(s.periodsNeeded) : std::string("nessun regime")},
        {"Regime", SteadyText(a, separator)},
    };
}

std::vector<ComparisonRow> ComparisonTable(const RunAnalysis& a, std::string_view separator) {
    struct Quantity {
        std::string_view name, unit;
        double design, last, steady;
    };
    const DesignRecord d = a.design.value_or(DesignRecord{});
    const MeasuredFigures& last = a.last;
    const MeasuredFigures& steady = a.steady.figures;
    const Quantity quantities[] = {
        {"ΔiL", "A", d.DeltaiL, last.SimDeltaiL, steady.SimDeltaiL},
        {"ΔVo", "mV", d.DeltaVo * 1000, last.SimDeltaVo, steady.SimDeltaVo},
        {"IDP", "A", d.IDP, last.SimIDP, steady.SimIDP},
        {"IDm", "A", d.IDm, last.SimIDm, steady.SimIDm},
        {"Iim", "A", d.Iim, last.SimIim, steady.SimIim},
        {"Vo medio", "V", d.Vo, a.lastMeanVo, a.steady.meanVo},
    };
    std::vector<ComparisonRow> rows;
    for (const Quantity& q : quantities) {
        ComparisonRow row{std::string(q.name), std::string(q.unit), {}, {}, {}, {}, {}};
        row.last = FormatScientific(q.last, 2, separator);
        if (a.design) row.design = FormatScientific(q.design, 2, separator);
        if (a.steady.exists) {
            row.steady = FormatScientific(q.steady, 2, separator);
            row.lastDeviation = PercentDifference(q.last, q.steady, separator);
            if (a.design) row.designDeviation = PercentDifference(q.design, q.steady, separator);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace stepdown

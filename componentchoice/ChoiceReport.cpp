#include "componentchoice/ChoiceReport.h"

#include <cstddef>

#include "common/TextFormat.h"
#include "model/Conversions.h"

namespace stepdown {
namespace {

std::string Scientific(double value, std::string_view separator) {
    return FormatScientific(value, 2, separator);
}

std::string Percent(double fraction, std::string_view separator) {
    return FormatFixed2(fraction * 100, separator);
}

// Why a point has no figures, in the window's words and in the CSV's.
std::string_view ModeWord(const OperatingPoint& p) {
    switch (p.outcome) {
    case RealPartsOutcome::Found:
        return WordsOf(p.mode).abbreviation;
    case RealPartsOutcome::Unreachable:
        return "Vo irraggiungibile";
    case RealPartsOutcome::InvalidValues:
    case RealPartsOutcome::NoSteadyState:
        break;
    }
    return "senza regime";
}

std::string_view CsvModeWord(const OperatingPoint& p) {
    if (p.Found()) return ModeWord(p);
    return p.outcome == RealPartsOutcome::Unreachable ? "unreachable" : "no-steady-state";
}

std::string YesNo(bool yes) { return yes ? "sì" : "no"; }

// ", f1, f2, ..." for a corner's figures after D, or as many empty cells.
std::string CsvFigures(const OperatingPoint& p) {
    std::string text;
    for (const double figure : {p.deltaIL, p.deltaVo, p.peakIL, p.VoMean}) {
        text += ',';
        if (p.Found()) text += RoundTripText(figure);
    }
    return text;
}

}  // namespace

std::vector<CheckRow> CheckTable(const ChoiceStudy& study, std::string_view separator) {
    const OperatingPoint& computed = study.choice.nominal;
    const OperatingPoint& standard = study.choice.figures;
    const RequirementCheck& meets = study.choice.meets;
    const DesignTargets& d = study.design;
    std::vector<CheckRow> rows{
        {"L", "uH", Scientific(study.L, separator), Scientific(study.choice.L, separator), "", ""},
        {"C", "uF", Scientific(study.C, separator), Scientific(study.choice.C, separator), "", ""},
    };
    const struct {
        std::string_view quantity, unit;
        double OperatingPoint::*figure;
        double requirement;  // 0: none
        bool met;
    } figures[] = {
        {"ΔiL", "A", &OperatingPoint::deltaIL, d.DeltaiL, meets.ripple},
        {"ΔVo", "mV", &OperatingPoint::deltaVo, d.DeltaVo * 1000, meets.outputRipple},
        {"D′", "%", &OperatingPoint::D, 0, false},
        {"iL picco", "A", &OperatingPoint::peakIL, 0, false},
        {"Vo media", "V", &OperatingPoint::VoMean, 0, false},
    };
    for (const auto& f : figures) {
        const auto shown = [&](const OperatingPoint& p) {
            if (!p.Found()) return std::string(ModeWord(p));
            return f.figure == &OperatingPoint::D ? Percent(p.D, separator)
                                                  : Scientific(p.*f.figure, separator);
        };
        const bool required = f.requirement > 0;
        rows.push_back({std::string(f.quantity), std::string(f.unit), shown(computed),
                        shown(standard),
                        required ? "≤ " + Scientific(f.requirement, separator) : "",
                        required ? YesNo(f.met) : ""});
    }
    return rows;
}

std::vector<CornerRow> CornerTable(const WorstCase& corners, std::string_view separator) {
    std::vector<CornerRow> rows;
    for (const Corner& c : corners.corners) {
        const OperatingPoint& p = c.point;
        CornerRow row{Scientific(c.Vi, separator), Scientific(c.Io, separator),
                      Scientific(c.L, separator), Scientific(c.C, separator)};
        row[5] = ModeWord(p);
        for (std::size_t k = 0; k < std::size(kPointFigures) && p.Found(); ++k) {
            const PointFigure& figure = kPointFigures[k];
            row[static_cast<std::size_t>(kCornerFigureColumns[k])] =
                figure.percent ? Percent(p.*figure.value, separator)
                               : Scientific(p.*figure.value, separator);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string CornerVerdict(const WorstCase& corners, const DesignTargets& design,
                          std::string_view separator) {
    std::size_t failing = 0;
    for (const Corner& c : corners.corners) failing += Meets(c.point, design).All() ? 0 : 1;
    std::string verdict = "Requisiti ΔiL ≤ " + Scientific(design.DeltaiL, separator) +
                          " A e ΔVo ≤ " + Scientific(design.DeltaVo * 1000, separator) + " mV: ";
    if (failing == 0) return verdict + "rispettati in ogni caso";
    return verdict + "non rispettati in " + std::to_string(failing) + " casi su " +
           std::to_string(corners.corners.size());
}

std::string CornersCsv(const WorstCase& corners, const DesignTargets& design) {
    std::string csv(kCornersCsvHeader);
    csv += '\n';
    for (const Corner& c : corners.corners) {
        const OperatingPoint& p = c.point;
        for (const double value : {c.Vi, c.Io, c.L, c.C}) csv += RoundTripText(value) + ',';
        if (p.Found()) csv += RoundTripText(p.D);
        csv += ',';
        csv += CsvModeWord(p);
        csv += CsvFigures(p);
        csv += Meets(p, design).All() ? ",true\n" : ",false\n";
    }
    return csv;
}

std::string SweepCsvHeader() {
    std::string csv = "Vi_V,Io_A";
    for (const SweepFigure& figure : kSweepFigures) (csv += ',') += figure.csv;
    return csv += '\n';
}

std::string SweepCsvRow(const SweepPoint& s) {
    std::string csv = RoundTripText(s.Vi) + ',' + RoundTripText(s.Io);
    for (const SweepFigure& figure : kSweepFigures) {
        csv += ',';
        if (!figure.value)
            csv += CsvModeWord(s.point);
        else if (s.point.Found())
            csv += RoundTripText(s.point.*figure.value);
    }
    return csv += '\n';
}

std::string SweepCsv(const std::vector<SweepPoint>& sweep) {
    std::string csv = SweepCsvHeader();
    for (const SweepPoint& s : sweep) csv += SweepCsvRow(s);
    return csv;
}

}  // namespace stepdown

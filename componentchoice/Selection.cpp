#include "componentchoice/Selection.h"

#include <cmath>

namespace stepdown {

OperatingPoint EvaluateRegulated(const DesignTargets& design, double Vi, double Io, double L,
                                 double C, const PartValues& parts, std::int32_t samples) {
    OperatingPoint point;
    CircuitValues values{Vi, 0, design.f, L * 0.000001, C * 0.000001, design.Vo / Io};
    const AnalysisOptions options{true, samples};
    const DutySynthesis duty = DutyForTarget(values, parts, design.Vo, options);
    point.outcome = duty.outcome;
    if (!point.Found()) return point;
    values.D = duty.D;
    const RealPartsAnalysis analysis = Analyze(values, parts, options);
    point.outcome = analysis.outcome;
    if (!point.Found()) return point;
    point.D = duty.D;
    point.mode = analysis.mode;
    point.deltaIL = analysis.deltaIL;
    point.deltaVo = analysis.VoRipple * 1000;
    point.peakIL = analysis.stresses.inductor.peak;
    point.VoMean = analysis.VoMean;
    point.efficiency = analysis.powers.efficiency;
    return point;
}

RequirementCheck Meets(const OperatingPoint& point, const DesignTargets& design) {
    if (!point.Found()) return {};
    return {point.deltaIL <= design.DeltaiL, point.deltaVo <= design.DeltaVo * 1000};
}

std::optional<StandardChoice> ChooseStandardValues(const DesignTargets& design, double L, double C,
                                                   Series series, Rounding rounding,
                                                   const PartValues& parts, std::int32_t samples) {
    const std::optional<double> standardL = RoundToSeries(L, series, rounding);
    const std::optional<double> standardC = RoundToSeries(C, series, rounding);
    if (!standardL || !standardC) return std::nullopt;
    StandardChoice choice{series, rounding, *standardL, *standardC, {}, {}, {}};
    choice.figures =
        EvaluateRegulated(design, design.Vi, design.Io, choice.L, choice.C, parts, samples);
    choice.nominal = EvaluateRegulated(design, design.Vi, design.Io, L, C, parts, samples);
    choice.meets = Meets(choice.figures, design);
    return choice;
}

CornerRanges DefaultCornerRanges(const DesignTargets& design) {
    return {0.2, 0.2, design.Vi, design.Vi, design.Io, design.Io};
}

namespace {

// The ends of a range, once when they are equal.
std::vector<double> Ends(double low, double high) {
    if (low == high) return {low};
    return {low, high};
}

double FigureOf(const OperatingPoint& p, CornerFigure figure, double target) {
    switch (figure) {
    case CornerFigure::D:
        return p.D;
    case CornerFigure::DeltaiL:
        return p.deltaIL;
    case CornerFigure::DeltaVo:
        return p.deltaVo;
    case CornerFigure::PeakIL:
        return p.peakIL;
    case CornerFigure::VoMean:
        break;
    }
    // The mean Vo is judged by how far it lies from the target.
    return std::fabs(p.VoMean - target);
}

}  // namespace

WorstCase EvaluateCorners(const DesignTargets& design, double L, double C,
                          const CornerRanges& ranges, const PartValues& parts,
                          std::int32_t samples) {
    WorstCase result;
    for (const double Vi : Ends(ranges.viMin, ranges.viMax))
        for (const double Io : Ends(ranges.ioMin, ranges.ioMax))
            for (const double l : Ends(L * (1 - ranges.tolL), L * (1 + ranges.tolL)))
                for (const double c : Ends(C * (1 - ranges.tolC), C * (1 + ranges.tolC)))
                    result.corners.push_back(
                        {Vi, Io, l, c, EvaluateRegulated(design, Vi, Io, l, c, parts, samples)});
    result.meetsAll = true;
    double largest[5] = {};  // what each worst value is judged by
    for (std::size_t i = 0; i < result.corners.size(); ++i) {
        const OperatingPoint& p = result.corners[i].point;
        result.meetsAll = result.meetsAll && Meets(p, design).All();
        if (!p.Found()) continue;
        for (int k = 0; k < 5; ++k) {
            const CornerFigure figure = kCornerFigures[k];
            const double judged = FigureOf(p, figure, design.Vo);
            if (result.worst[k].corner >= 0 && !(judged > largest[k])) continue;
            largest[k] = judged;
            result.worst[k] = {figure == CornerFigure::VoMean ? p.VoMean : judged,
                               static_cast<int>(i)};
        }
    }
    return result;
}

std::vector<SweepPoint> SweepLoad(const DesignTargets& design, double L, double C,
                                  const std::vector<double>& inputVoltages, double ioFrom,
                                  double ioTo, std::int32_t points, const PartValues& parts,
                                  std::int32_t samples) {
    std::vector<SweepPoint> sweep;
    if (points < 1) return sweep;
    for (const double Vi : inputVoltages) {
        for (std::int32_t k = 0; k < points; ++k) {
            const double Io = points == 1 ? ioFrom : ioFrom + (ioTo - ioFrom) * k / (points - 1);
            sweep.push_back({Vi, Io, EvaluateRegulated(design, Vi, Io, L, C, parts, samples)});
        }
    }
    return sweep;
}

}  // namespace stepdown

#include "componentchoice/Selection.h"

#include <cmath>
#include <utility>

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
    const auto within = [](double ripple, double allowed) {
        return ripple <= allowed || SameValue(ripple, allowed);
    };
    return {within(point.deltaIL, design.DeltaiL), within(point.deltaVo, design.DeltaVo * 1000)};
}

namespace {

// The standard values of `series` from `low` up to `high`, ascending; empty
// when `low` has no standard value.
std::vector<double> SeriesValuesBetween(double low, double high, Series series) {
    std::vector<double> values;
    std::optional<double> value = RoundToSeries(low, series, Rounding::Up);
    while (value && *value <= high) {
        values.push_back(*value);
        // Neighbouring standard values lie at least 4 % apart.
        value = RoundToSeries(*value * 1.01, series, Rounding::Up);
    }
    return values;
}

// How far the search for standard values that meet the requirements looks:
// from a tenth of the computed value to a hundred times it.
constexpr double kMeetsBelow = 0.1;
constexpr double kMeetsAbove = 100;

// The first index of `count` at which `meets` holds, on the premise that
// it holds from some index on; `count` when it holds nowhere.
template <typename Predicate>
std::size_t FirstMeeting(std::size_t count, Predicate meets) {
    std::size_t low = 0, high = count;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (meets(middle))
            high = middle;
        else
            low = middle + 1;
    }
    return high;
}

// The smallest standard L whose ripples meet the requirements with the
// largest C searched, then the smallest C that meets them with that L:
// the ripples fall as L and C grow.
std::optional<std::pair<double, double>> SmallestMeeting(const DesignTargets& design, double L,
                                                         double C, Series series,
                                                         const PartValues& parts,
                                                         std::int32_t samples) {
    const std::vector<double> Ls = SeriesValuesBetween(L * kMeetsBelow, L * kMeetsAbove, series);
    const std::vector<double> Cs = SeriesValuesBetween(C * kMeetsBelow, C * kMeetsAbove, series);
    if (Ls.empty() || Cs.empty()) return std::nullopt;
    const auto meets = [&](double l, double c) {
        return Meets(EvaluateRegulated(design, design.Vi, design.Io, l, c, parts, samples), design)
            .All();
    };
    const std::size_t l =
        FirstMeeting(Ls.size(), [&](std::size_t i) { return meets(Ls[i], Cs.back()); });
    if (l == Ls.size()) return std::nullopt;
    const std::size_t c =
        FirstMeeting(Cs.size(), [&](std::size_t i) { return meets(Ls[l], Cs[i]); });
    return std::pair{Ls[l], Cs[c]};
}

}  // namespace

std::optional<StandardChoice> ChooseStandardValues(const DesignTargets& design, double L, double C,
                                                   Series series, Rounding rounding,
                                                   const PartValues& parts, std::int32_t samples) {
    std::optional<std::pair<double, double>> standard;
    if (rounding == Rounding::Meets) {
        standard = SmallestMeeting(design, L, C, series, parts, samples);
    } else {
        const std::optional<double> standardL = RoundToSeries(L, series, rounding);
        const std::optional<double> standardC = RoundToSeries(C, series, rounding);
        if (standardL && standardC) standard = std::pair{*standardL, *standardC};
    }
    if (!standard) return std::nullopt;
    StandardChoice choice{series, rounding, standard->first, standard->second, {}, {}, {}};
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

// The ends of a range, once when they are equal but for rounding.
std::vector<double> Ends(double low, double high) {
    if (SameValue(low, high)) return {low};
    return {low, high};
}

bool IsMeanVo(const PointFigure& figure) { return figure.value == &OperatingPoint::VoMean; }

// The larger, the worse. The mean Vo is judged by how far it lies from the
// target; a rounding error is no distance.
double Judged(const OperatingPoint& p, const PointFigure& figure, double target) {
    if (!IsMeanVo(figure)) return p.*figure.value;
    return SameValue(p.VoMean, target) ? 0 : std::fabs(p.VoMean - target);
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
    double largest[std::size(kPointFigures)] = {};  // what each worst value is judged by
    for (std::size_t i = 0; i < result.corners.size(); ++i) {
        const OperatingPoint& p = result.corners[i].point;
        result.meetsAll = result.meetsAll && Meets(p, design).All();
        if (!p.Found()) continue;
        for (std::size_t k = 0; k < std::size(kPointFigures); ++k) {
            const double judged = Judged(p, kPointFigures[k], design.Vo);
            if (result.worst[k].corner >= 0 && !(judged > largest[k])) continue;
            largest[k] = judged;
            const bool voMean = IsMeanVo(kPointFigures[k]);
            result.worst[k] = {voMean ? p.VoMean : judged, static_cast<int>(i),
                               !voMean || !SameValue(p.VoMean, design.Vo)};
        }
    }
    return result;
}

std::vector<SweepPoint> SweepLoad(const DesignTargets& design, double L, double C,
                                  const std::vector<double>& inputVoltages, double ioFrom,
                                  double ioTo, std::int32_t points, const PartValues& parts,
                                  std::int32_t samples) {
    std::vector<SweepPoint> sweep;
    SweepLoadEach(
        design, L, C, inputVoltages, ioFrom, ioTo, points, parts,
        [&sweep](const SweepPoint& point) { sweep.push_back(point); }, samples);
    return sweep;
}

void SweepLoadEach(const DesignTargets& design, double L, double C,
                   const std::vector<double>& inputVoltages, double ioFrom, double ioTo,
                   std::int32_t points, const PartValues& parts,
                   const std::function<void(const SweepPoint&)>& each, std::int32_t samples) {
    if (points < 1) return;
    for (const double Vi : inputVoltages) {
        for (std::int32_t k = 0; k < points; ++k) {
            const double Io = points == 1 ? ioFrom : ioFrom + (ioTo - ioFrom) * k / (points - 1);
            each({Vi, Io, EvaluateRegulated(design, Vi, Io, L, C, parts, samples)});
        }
    }
}

}  // namespace stepdown

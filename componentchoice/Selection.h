#pragma once
// From the computed L and C to parts one can buy, checked on the converter
// as built (realparts/): the standard values and whether they still meet the
// design's requirements, the worst case over the parts' tolerances and the
// input and load ranges, and sweeps over the load.
//
// Every evaluation regulates as a converter does: the duty cycle is D', found
// on the model for the design's Vo at that input voltage and load, so the
// mean output is on target and the ripples are those of the operating point
// that will really run. The requirements are always the nominal design's:
// the inductor ripple DeltaiL (the ripple percentage of the nominal Io) and
// the output ripple DeltaVo, at every corner and load.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "componentchoice/StandardValues.h"
#include "realparts/RealParts.h"

namespace stepdown {

// The nominal design, SI units.
struct DesignTargets {
    double Vi = 0;       // V
    double Vo = 0;       // V, the regulated output
    double f = 0;        // Hz
    double Io = 0;       // A, the nominal load
    double DeltaiL = 0;  // A, the inductor ripple allowed
    double DeltaVo = 0;  // V, the output ripple allowed
};

// The steady state of one regulated operating point.
struct OperatingPoint {
    RealPartsOutcome outcome = RealPartsOutcome::NoSteadyState;
    double D = 0;  // D', fraction
    ConductionMode mode = ConductionMode::Continuous;
    double deltaIL = 0;     // A, peak to peak
    double deltaVo = 0;     // mV, peak to peak at the load
    double peakIL = 0;      // A
    double VoMean = 0;      // V
    double efficiency = 0;  // fraction

    bool Found() const { return outcome == RealPartsOutcome::Found; }
};

// At input voltage Vi and load current Io (RL = Vo / Io), with L in uH and C
// in uF as the design gives them, regulated to the design's Vo.
OperatingPoint EvaluateRegulated(const DesignTargets& design, double Vi, double Io, double L,
                                 double C, const PartValues& parts, std::int32_t samples = 1000);

// Each requirement is met when its ripple is not above the allowed one, a
// ripple above it only by rounding (SameValue) included.
struct RequirementCheck {
    bool ripple = false;
    bool outputRipple = false;
    bool All() const { return ripple && outputRipple; }
};
RequirementCheck Meets(const OperatingPoint& point, const DesignTargets& design);

struct StandardChoice {
    Series series = Series::E12;
    Rounding rounding = Rounding::Up;
    double L = 0, C = 0;     // uH, uF: the standard values
    OperatingPoint figures;  // with them
    OperatingPoint nominal;  // with the computed values
    RequirementCheck meets;  // of `figures`
};

// Nothing when a computed value has no standard value (not positive, or
// rounding beyond the double range). Rounding::Meets takes the smallest
// standard L from a tenth to a hundred times the computed one whose
// ripples meet the requirements with the largest C of that span, then the
// smallest C that meets them with it; nothing when none does.
std::optional<StandardChoice> ChooseStandardValues(const DesignTargets& design, double L, double C,
                                                   Series series, Rounding rounding,
                                                   const PartValues& parts,
                                                   std::int32_t samples = 1000);

// Tolerances as fractions (0.2 for 20 %), ranges in V and A; a range whose
// ends are equal is a single value.
struct CornerRanges {
    double tolL = 0.2, tolC = 0.2;
    double viMin = 0, viMax = 0;
    double ioMin = 0, ioMax = 0;
};

// The nominal Vi and Io only, and 20 % on L and C.
CornerRanges DefaultCornerRanges(const DesignTargets& design);

struct Corner {
    double Vi = 0, Io = 0;  // V, A
    double L = 0, C = 0;    // uH, uF
    OperatingPoint point;
};

// The five figures of an operating point that the corners judge, described
// once for every output: the name in the command's text and JSON, the
// report's caption, the unit shown and the value's scale to it (D, a
// fraction, is shown in percent with two decimals).
struct PointFigure {
    std::string_view name;
    std::string_view caption;
    std::string_view unit;
    double OperatingPoint::*value;
    bool percent;
};

inline constexpr PointFigure kPointFigures[] = {
    {"D", "Duty cycle D′", "%", &OperatingPoint::D, true},
    {"SimDeltaiL", "ΔiL", "A", &OperatingPoint::deltaIL, false},
    {"SimDeltaVo", "ΔVo", "mV", &OperatingPoint::deltaVo, false},
    {"SimIDP", "Picco di iL", "A", &OperatingPoint::peakIL, false},
    {"VoMean", "Vo media", "V", &OperatingPoint::VoMean, false},
};

struct WorstValue {
    double value = 0;
    int corner = -1;  // index into WorstCase::corners; -1 when no corner has the figure
    // False when the worst mean Vo lies on the target but for rounding
    // (SameValue): then no corner stands out.
    bool deviates = true;
};

struct WorstCase {
    std::vector<Corner> corners;
    // The largest D, ripples and peak current, and the mean Vo farthest
    // from the target, among the corners that have an operating point; in
    // the order of kPointFigures.
    WorstValue worst[std::size(kPointFigures)];
    // Every corner has an operating point that meets both requirements.
    bool meetsAll = false;
};

// Every corner of Vi in {min, max}, Io in {min, max}, L and C each at
// (1 - tol) and (1 + tol) of the given values (uH, uF), in that nesting,
// each at its own D'.
WorstCase EvaluateCorners(const DesignTargets& design, double L, double C,
                          const CornerRanges& ranges, const PartValues& parts,
                          std::int32_t samples = 1000);

struct SweepPoint {
    double Vi = 0, Io = 0;  // V, A
    OperatingPoint point;
};

// For each input voltage, `points` loads evenly from ioFrom to ioTo (one
// point: ioFrom), each at its own D'.
std::vector<SweepPoint> SweepLoad(const DesignTargets& design, double L, double C,
                                  const std::vector<double>& inputVoltages, double ioFrom,
                                  double ioTo, std::int32_t points, const PartValues& parts,
                                  std::int32_t samples = 1000);

// The same points, each handed to `each` as soon as it is computed and held
// no longer: a long sweep's output is written as it goes.
void SweepLoadEach(const DesignTargets& design, double L, double C,
                   const std::vector<double>& inputVoltages, double ioFrom, double ioTo,
                   std::int32_t points, const PartValues& parts,
                   const std::function<void(const SweepPoint&)>& each, std::int32_t samples = 1000);

}  // namespace stepdown

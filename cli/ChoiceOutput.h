#pragma once
// The component choice (componentchoice/) in the command: the standard
// values and the corners of `design`, the load sweep of `sweep`. Their
// options, read before anything runs, the evaluations on the design just
// computed, and their text, JSON and CSV.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/ArgumentParser.h"
#include "cli/JsonWriter.h"
#include "componentchoice/Selection.h"
#include "model/Module1.h"

namespace stepdown::cli {

// `options` followed by design's --series, --round, --corners, --tol-l,
// --tol-c, --vi-min, --vi-max, --io-min, --io-max.
std::vector<OptionSpec> WithChoiceOptions(std::vector<OptionSpec> options);

// `options` followed by sweep's --series, --round, --io-from, --io-to,
// --points, --vi-list.
std::vector<OptionSpec> WithSweepOptions(std::vector<OptionSpec> options);

struct StandardRequest {
    Series series = Series::E12;
    Rounding rounding = Rounding::Up;
};

// The ends left out are the nominal design's.
struct CornerRequest {
    double tolL = 0.2, tolC = 0.2;  // fractions
    std::optional<double> viMin, viMax, ioMin, ioMax;
};

struct ChoiceRequest {
    std::optional<StandardRequest> standard;  // --series
    std::optional<CornerRequest> corners;     // --corners
    PartValues parts;
    bool Any() const { return standard || corners; }
};

// --series and --round, then --corners and its settings, checked in that
// order: the first usage error, or nothing. Leaves `request.parts` alone.
std::optional<std::string> ReadChoiceRequest(const ParsedArguments& arguments,
                                             ChoiceRequest& request);

struct SweepRequest {
    std::optional<StandardRequest> standard;
    std::optional<double> ioFrom, ioTo;  // A; 10 % and 150 % of Io when left out
    std::int32_t points = 50;
    std::vector<double> inputVoltages;  // V; the nominal Vi when empty
};

// --series, --round, --io-from, --io-to, --points (a whole number from 1 to
// kMaxSweepPoints) and --vi-list (positive volts between commas).
std::optional<std::string> ReadSweepRequest(const ParsedArguments& arguments,
                                            SweepRequest& request);

inline constexpr std::int32_t kMaxSweepPoints = 1000;

// The requirements as the design calculation left them in `module`, and
// the computed L (uH) and C (uF).
struct ComputedDesign {
    DesignTargets targets;
    double L = 0, C = 0;
};
ComputedDesign TakeComputedDesign(const Module1& module);

struct ChoiceResults {
    ComputedDesign design;
    bool standardAsked = false;
    std::optional<StandardChoice> standard;  // empty when L or C has no standard value
    std::optional<WorstCase> corners;
    CornerRanges ranges;
    bool aroundStandard = false;  // the corners lie around the standard values
};

struct ChoiceOutcome {
    ChoiceResults results;
    std::string error;  // the usage error of a range upside down once the nominal fills it
};

ChoiceOutcome EvaluateChoice(const ChoiceRequest& request, const ComputedDesign& design);

// "standard", or "corners", "worst" and "meetsAll", as asked.
void AddChoiceJson(JsonObject& object, const ChoiceResults& results);
void ChoiceText(std::ostream& out, const ChoiceResults& results);

struct SweepResults {
    double L = 0, C = 0;  // uH, uF: those swept
    std::vector<SweepPoint> points;
};

struct SweepOutcome {
    SweepResults results;
    std::string error;    // a usage error: the loads upside down
    std::string refusal;  // L or C without a standard value
};

SweepOutcome EvaluateSweep(const SweepRequest& request, const ComputedDesign& design,
                           const PartValues& parts);

// {"L", "C", "points": [{"Vi", "Io", "D", "mode", "efficiency", "VoRipple", "ilPeak"}, ...]}
JsonObject SweepJson(const SweepResults& results);
// A header and one row per point, numbers in round-trip form.
std::string SweepCsv(const SweepResults& results);
void SweepText(std::ostream& out, const SweepResults& results);

}  // namespace stepdown::cli

#pragma once
// The component choice (componentchoice/) in the command: the standard
// values and the corners of `design`, the load sweep of `sweep`. Their
// options, read before anything runs, the evaluations on the design just
// computed, and their text, JSON and CSV.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ArgumentParser.h"
#include "cli/JsonWriter.h"
#include "componentchoice/ChoiceReport.h"
#include "componentchoice/ChoiceTexts.h"
#include "componentchoice/Selection.h"
#include "model/InputTexts.h"
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
    std::string tolLShown = "20.00", tolCShown = "20.00";  // in %, as typed
};

struct ChoiceRequest {
    std::optional<StandardRequest> standard;  // --series
    std::optional<CornerRequest> corners;     // --corners
    PartValues parts;
    bool Any() const { return standard || corners; }
};

// The choices' texts among the options read as the window reads them,
// then --series and --round, --corners and its settings: the first usage
// error, or nothing. Leaves `request.parts` alone.
std::optional<std::string> ReadChoiceRequest(const ParsedArguments& arguments,
                                             const InputTexts& texts, ChoiceRequest& request);

struct SweepRequest {
    std::optional<StandardRequest> standard;
    std::optional<double> ioFrom, ioTo;  // A; 10 % and 150 % of Io when left out
    std::int32_t points = 50;
    std::vector<double> inputVoltages;  // V; the nominal Vi when empty
};

// --series, --round, --io-from, --io-to, --points as the window reads them,
// and --vi-list (positive volts between commas, each once).
std::optional<std::string> ReadSweepRequest(const ParsedArguments& arguments,
                                            const InputTexts& texts, SweepRequest& request);

// The requirements as the design calculation left them in `module`, and
// the computed L (uH) and C (uF).
struct ComputedDesign {
    DesignTargets targets;
    double L = 0, C = 0;
};
ComputedDesign TakeComputedDesign(const Module1& module);

// The choices a design file carries, read as the window reads them, the
// ranges with the nominal design when there is one: the refusal of the
// first refused one, naming the file and its key, or nothing.
std::optional<std::string> FileChoiceRefusal(std::string_view path, const ChoiceTexts& texts,
                                             const std::optional<DesignTargets>& nominal);

struct ChoiceResults {
    ComputedDesign design;
    bool standardAsked = false;
    Rounding standardRounding = Rounding::Up;
    std::optional<StandardChoice> standard;  // empty when L or C has no standard value
    std::optional<WorstCase> corners;
    CornerRanges ranges;
    bool aroundStandard = false;  // the corners lie around the standard values
    std::string tolLShown, tolCShown;
};

struct ChoiceOutcome {
    ChoiceResults results;
    std::string error;  // the usage error of a range upside down once the nominal fills it
};

ChoiceOutcome EvaluateChoice(const ChoiceRequest& request, const ComputedDesign& design);

// "standard", or "corners", "worst" and "meetsAll", as asked.
void AddChoiceJson(JsonObject& object, const ChoiceResults& results);
void ChoiceText(std::ostream& out, const ChoiceResults& results);

// What a sweep computes, point by point as its output is written.
struct SweepResults {
    double L = 0, C = 0;  // uH, uF: those swept
    DesignTargets design;
    std::vector<double> voltages;
    double ioFrom = 0, ioTo = 0;
    std::int32_t points = 0;
    PartValues parts;
    void Each(const std::function<void(const SweepPoint&)>& each) const;
};

struct SweepOutcome {
    SweepResults results;
    std::string error;    // a usage error: the loads upside down
    std::string refusal;  // L or C without a standard value
};

SweepOutcome EvaluateSweep(const SweepRequest& request, const ComputedDesign& design,
                           const PartValues& parts);

// {"L", "C", "points": [{"Vi", "Io", "D", "mode", "efficiency", "VoRipple", "ilPeak"}, ...]}
void SweepJson(std::ostream& out, const SweepResults& results);
void SweepText(std::ostream& out, const SweepResults& results);
void SweepCsv(std::ostream& out, const SweepResults& results);

}  // namespace stepdown::cli

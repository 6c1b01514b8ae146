#pragma once
// The start-up and the steady state of a completed run in words and numbers,
// as the start-up window and the command line both show them: Italian texts,
// numbers with the given decimal separator.

#include <string>
#include <string_view>
#include <vector>

#include "common/TextFormat.h"
#include "model/Conversions.h"
#include "verification/RunAnalysis.h"

namespace stepdown {

// Peak iL and peak Vo from rest with their ratio to the steady-state peak,
// the lowest iL (with a note when it is negative), the exact repeat, the
// periods the transient needs, and whether the figures shown are settled;
// then, when the steady state's mean Vo misses the design's (designVoDuty),
// by how much, why, and D'.
std::vector<ReportLine> StartupSummary(const RunAnalysis& analysis, std::string_view separator);

// One quantity of the comparison: values in the 2-digit scientific form,
// differences as signed percentages of the reference, always (compared -
// reference) / reference: the last period against the steady state, the
// steady state against the design. A design value and its difference are
// empty when the verification fields no longer hold the design;
// steady-state texts are empty without a steady state.
struct ComparisonRow {
    std::string quantity;
    std::string unit;
    std::string design;
    std::string last;
    std::string steady;
    std::string lastDeviation;    // (last - steady) / steady
    std::string designDeviation;  // (steady - design) / design
};

// DeltaiL, DeltaVo, IDP, IDm, Iim and the mean Vo, in that order.
std::vector<ComparisonRow> ComparisonTable(const RunAnalysis& analysis, std::string_view separator);

}  // namespace stepdown

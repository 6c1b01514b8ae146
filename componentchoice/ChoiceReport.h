#pragma once
// The component choice in words and numbers, as the window "Scelta dei
// componenti" shows it: the check table, the corner table with the columns
// of the worst values, the verdict, and the corners and the sweep as CSV.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "componentchoice/ChoiceStudy.h"

namespace stepdown {

// One row of the check table, numbers in the 2-digit scientific form (D'
// in % with two decimals): the computed values and the design's own figures
// with them, the standard values and their figures, the requirement and
// whether the standard values meet it ("sì", "no"; empty without one).
struct CheckRow {
    std::string quantity;
    std::string unit;
    std::string computed;
    std::string standard;
    std::string requirement;
    std::string met;
};

// L, C, then at the nominal Vi and Io: DeltaiL, DeltaVo, D', peak iL, mean Vo.
std::vector<CheckRow> CheckTable(const ChoiceStudy& study, std::string_view separator);

inline constexpr std::array<std::string_view, 10> kCornerColumns{
    "Vi [V]", "Io [A]",  "L [uH]",   "C [uF]",       "D′ [%]",
    "Modo",   "ΔiL [A]", "ΔVo [mV]", "iL picco [A]", "Vo media [V]"};
// The column of each figure of kPointFigures.
inline constexpr std::array<int, 5> kCornerFigureColumns{4, 6, 7, 8, 9};

using CornerRow = std::array<std::string, kCornerColumns.size()>;

// One row per corner; a corner without an operating point says why in the
// mode column and leaves its figures empty.
std::vector<CornerRow> CornerTable(const WorstCase& corners, std::string_view separator);

// Whether the ripples stay within the requirements at every corner, or at
// how many they do not.
std::string CornerVerdict(const WorstCase& corners, const DesignTargets& design,
                          std::string_view separator);

// The corners' header row, without its line end.
inline constexpr std::string_view kCornersCsvHeader =
    "Vi_V,Io_A,L_uH,C_uF,D,mode,deltaIL_A,deltaVo_mV,peakIL_A,VoMean_V,meets";

// The header and one row per corner or per load, numbers in RoundTripText
// form, D and the efficiency as fractions, the mode CCM, DCM, unreachable
// (no duty cycle gives the design's Vo) or no-steady-state, whose figures
// are empty; lines ended by "\n".
std::string CornersCsv(const WorstCase& corners, const DesignTargets& design);
std::string SweepCsv(const std::vector<SweepPoint>& sweep);
// Its header line and one point's line, for a sweep written as it goes.
std::string SweepCsvHeader();
std::string SweepCsvRow(const SweepPoint& s);

// The figures of a sweep point after its Vi and Io, described once for every
// output: the name in the command's JSON (empty: not there) and how many of
// the point's units make its SI unit, the text table's column (empty: not
// there) with its width (0: the last, unpadded) and scale, and the CSV's
// column. The conduction mode has no member; the text table puts it first.
struct SweepFigure {
    std::string_view json;
    double unitsPerSI;
    std::string_view text;
    std::size_t width;
    double textScale;
    std::string_view csv;
    double OperatingPoint::*value;
};

inline constexpr SweepFigure kSweepFigures[] = {
    {"D", 1, "D [%]", 10, 100, "D", &OperatingPoint::D},
    {"mode", 1, "modo", 6, 1, "mode", nullptr},
    {"efficiency", 1, "rend. [%]", 11, 100, "efficiency", &OperatingPoint::efficiency},
    {"", 1, "", 0, 1, "deltaIL_A", &OperatingPoint::deltaIL},
    {"VoRipple", 1000, "ΔVo [mV]", 10, 1, "deltaVo_mV", &OperatingPoint::deltaVo},
    {"ilPeak", 1, "iL picco [A]", 0, 1, "peakIL_A", &OperatingPoint::peakIL},
    {"", 1, "", 0, 1, "VoMean_V", &OperatingPoint::VoMean},
};

}  // namespace stepdown

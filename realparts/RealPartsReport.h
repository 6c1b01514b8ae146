#pragma once
// The converter as built in words and numbers, as the window "Componenti
// reali" shows it: Italian texts, numbers with the given decimal separator,
// and the sampled steady-state period as CSV.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/TextFormat.h"
#include "model/Conversions.h"
#include "realparts/RealPartsStudy.h"

namespace stepdown {

// One row of the stress table: the simulated value and the textbook
// (continuous-conduction) value, both in the 2-digit scientific form; the
// formula is empty where the textbook has none, and kOnlyContinuous in DCM.
struct StressRow {
    std::string quantity;
    std::string unit;
    std::string simulated;
    std::string formula;
};

inline constexpr std::string_view kOnlyContinuous = "solo CCM";

// A filter that rings within the on time can leave the continuous solution's
// iL lower at turn-off than at turn-on: no load current is then critical.
inline constexpr std::string_view kNoCriticalLoad =
    "non definita: il filtro oscilla più in fretta del periodo";

// The part a stress belongs to; the switches are named by the rectifier.
enum class StressedPart { Inductor, HighSide, LowSide, OutputCapacitor, InputCapacitor };

// One stress of the converter as built, described once for the tables of
// the window, the report and the command's text ("<part>, <what>") and for
// the command's JSON (`object`.`field`, SI units).
struct StressFigure {
    std::string_view object;
    std::string_view field;
    StressedPart part;
    std::string_view what;
    std::string_view unit;
    double (*simulated)(const Stresses&);
    double TextbookStresses::*formula;  // null where the textbook has none
};

inline constexpr StressFigure kStressFigures[] = {
    {"inductor", "peak", StressedPart::Inductor, "picco", "A",
     [](const Stresses& s) { return s.inductor.peak; }, &TextbookStresses::peak},
    {"inductor", "rms", StressedPart::Inductor, "RMS", "A",
     [](const Stresses& s) { return s.inductor.rms; }, &TextbookStresses::inductorRms},
    {"inductor", "mean", StressedPart::Inductor, "media", "A",
     [](const Stresses& s) { return s.inductor.mean; }, &TextbookStresses::inductorMean},
    {"switch", "peak", StressedPart::HighSide, "picco", "A",
     [](const Stresses& s) { return s.transistor.peak; }, &TextbookStresses::peak},
    {"switch", "rms", StressedPart::HighSide, "RMS", "A",
     [](const Stresses& s) { return s.transistor.rms; }, &TextbookStresses::transistorRms},
    {"switch", "mean", StressedPart::HighSide, "media", "A",
     [](const Stresses& s) { return s.transistor.mean; }, &TextbookStresses::transistorMean},
    {"switch", "voltage", StressedPart::HighSide, "tensione", "V",
     [](const Stresses& s) { return s.transistor.voltage; }, nullptr},
    {"diode", "peak", StressedPart::LowSide, "picco", "A",
     [](const Stresses& s) { return s.diode.peak; }, &TextbookStresses::peak},
    {"diode", "rms", StressedPart::LowSide, "RMS", "A",
     [](const Stresses& s) { return s.diode.rms; }, &TextbookStresses::diodeRms},
    {"diode", "mean", StressedPart::LowSide, "media", "A",
     [](const Stresses& s) { return s.diode.mean; }, &TextbookStresses::diodeMean},
    {"diode", "voltage", StressedPart::LowSide, "tensione inversa", "V",
     [](const Stresses& s) { return s.diode.voltage; }, nullptr},
    {"outputCapacitor", "rms", StressedPart::OutputCapacitor, "RMS", "A",
     [](const Stresses& s) { return s.outputCapacitorRms; }, &TextbookStresses::outputCapacitorRms},
    {"inputCapacitor", "rms", StressedPart::InputCapacitor, "RMS", "A",
     [](const Stresses& s) { return s.inputCapacitorRms; }, &TextbookStresses::inputCapacitorRms},
};

// "Induttore", "Interruttore" or "Interruttore alto", "Diodo" or
// "Interruttore basso", "Condensatore di uscita", "Condensatore di ingresso".
std::string StressedPartName(StressedPart part, Rectifier rectifier);

// The rows of kStressFigures; a synchronous stage adds its low-side body
// diode's mean current and conduction time.
std::vector<StressRow> StressTable(const RealPartsAnalysis& analysis, std::string_view separator);

// One loss of the converter as built, described once: its JSON field and
// the name it goes by in each stage, empty in the stage that has none.
struct LossFigure {
    std::string_view field;
    double Losses::*watts;
    std::string_view diodeName;
    std::string_view synchronousName;
};

// In the order of Losses, which the JSON keeps; the total is apart.
inline constexpr LossFigure kLossFigures[] = {
    {"switchConduction", &Losses::switchConduction, "Interruttore (Rds)", "Interr. alto (Rds)"},
    {"switching", &Losses::switching, "Commutazione", "Commutazione"},
    {"gate", &Losses::gate, "Pilotaggio gate", "Pilotaggio gate"},
    {"diode", &Losses::diode, "Diodo", ""},
    {"inductor", &Losses::inductor, "Induttore (DCR)", "Induttore (DCR)"},
    {"outputCapacitor", &Losses::outputCapacitor, "Condens. (ESR)", "Condens. (ESR)"},
    {"quiescent", &Losses::quiescent, "Controllore (Iq)", "Controllore (Iq)"},
    {"lowSideConduction", &Losses::lowSideConduction, "", "Interr. basso"},
    {"bodyDiode", &Losses::bodyDiode, "", "Diodi di corpo"},
    {"coss", &Losses::coss, "", "Coss"},
    {"reverseRecovery", &Losses::reverseRecovery, "", "Recupero (Qrr)"},
};

struct LossShare {
    std::string_view name;
    double watts;
};

// The losses of the rectifier's stage, without the total: the diode's seven
// in the order of Losses; the synchronous stage's ten, its switches first.
std::vector<LossShare> LossBreakdown(const Losses& losses, Rectifier rectifier);

// "Interruttore alto", "Interruttore basso", "Induttore" (with a diode,
// "Interruttore" and "Diodo").
std::string HeatedPartName(HeatedPart part, Rectifier rectifier);

// Each part with a thermal resistance: "Tj <part>" with its temperature, its
// heat and its margin to Tj,max; then "Verdetto termico".
std::vector<ReportLine> ThermalLines(const ThermalResult& thermal, const PartValues& parts,
                                     std::string_view separator);

inline constexpr std::string_view kThermalVerdictCaption = "Verdetto termico";

// A part over Tj,max, a thermal runaway, or no temperatures found.
bool ThermalOverLimit(const ThermalResult& thermal);

// Within Tj,max with the smallest margin, too hot naming each part over it and
// by how much, thermal runaway naming the part, or no temperatures found.
std::string ThermalVerdict(const ThermalResult& thermal, const PartValues& parts,
                           std::string_view separator);

// The efficiency in percent with two decimals: "93,21 %".
std::string EfficiencyText(const Powers& powers, std::string_view separator);

// For a study with a steady state: the conduction mode, the critical load
// current, the mean Vo (against the target, with the difference in %), the
// output ripple peak to peak, the input and output power, D' or why there is
// none, ΔiL peak to peak; then a line "Nota" for each of AnalysisNotes.
enum SummaryLine : std::size_t {
    kConductionLine,
    kCriticalLoadLine,
    kMeanVoLine,
    kRippleLine,
    kInputPowerLine,
    kOutputPowerLine,
    kDutyLine,
    kDeltaILLine,
    kFirstNoteLine
};
std::vector<ReportLine> RealPartsSummary(const RealPartsStudy& study, std::string_view separator);

// What limits the figures shown: tr + tf beyond the on time, a gate charge
// without drive voltage; and a high-side switch turning on at zero voltage.
std::vector<std::string> AnalysisNotes(const RealPartsAnalysis& analysis);

// Why a switching time longer than the period, or dead times that do not fit
// beside the on time, are refused; empty when none is.
std::string SwitchingTimeRefusal(const CircuitValues& circuit, const PartValues& parts);

// Why a study shows no figures: its refusal, or what the model found.
std::string NoFiguresExplanation(const RealPartsStudy& study);

// The header row, without its line end.
inline constexpr std::string_view kRealPartsCsvHeader = "t_us,iL_A,isw_A,id_A,vsw_V,Vo_V,iC_A";

// The header and one row per sample of the period, the time in
// microseconds, numbers in RoundTripText form, lines ended by "\n".
std::string RealPartsCsv(const Waveform& waveform);

}  // namespace stepdown

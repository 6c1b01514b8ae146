#include "cli/RealPartsOutput.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "cli/OptionValues.h"
#include "cli/TextOutput.h"
#include "realparts/PartTexts.h"
#include "realparts/RealPartsReport.h"

namespace stepdown::cli {
namespace {

JsonObject CurrentJson(double peak, double rms, double mean) {
    JsonObject object;
    object.Number("peak", peak).Number("rms", rms).Number("mean", mean);
    return object;
}

JsonObject LossesJson(const Losses& l) {
    JsonObject object;
    for (const LossFigure& figure : kLossFigures) object.Number(figure.field, l.*figure.watts);
    return object.Number("total", l.total);
}

// The stresses, each part's figures in an object of its own.
void AddStressesJson(JsonObject& object, const Stresses& s) {
    std::string_view current;
    JsonObject part;
    for (const StressFigure& figure : kStressFigures) {
        if (figure.object != current && !current.empty())
            object.Object(current, std::exchange(part, JsonObject()));
        current = figure.object;
        part.Number(figure.field, figure.simulated(s));
    }
    object.Object(current, std::move(part));
}

std::string_view ThermalStatusName(ThermalStatus status) {
    switch (status) {
    case ThermalStatus::Converged:
        return "converged";
    case ThermalStatus::Runaway:
        return "runaway";
    case ThermalStatus::NotConverged:
        break;
    }
    return "not converged";
}

JsonObject ThermalJson(const ThermalResult& thermal, const PartValues& parts) {
    JsonObject object;
    object.String("status", ThermalStatusName(thermal.status));
    for (const auto& [key, figure] :
         {std::pair{"highSide", &thermal.highSide}, std::pair{"lowSide", &thermal.lowSide},
          std::pair{"inductor", &thermal.inductor}}) {
        if (thermal.status != ThermalStatus::Converged || !figure->given) {
            object.Null(key);
            continue;
        }
        JsonObject part;
        part.Number("tj", figure->tj)
            .Number("margin", figure->margin)
            .Number("power", figure->power);
        object.Object(key, std::move(part));
    }
    return object.String("verdict", ThermalVerdict(thermal, parts, "."));
}

JsonObject& NumberOrNull(JsonObject& object, std::string_view key, std::optional<double> value) {
    return value ? object.Number(key, *value) : object.Null(key);
}

std::vector<JsonObject> NotesJson(const RealPartsAnalysis& a) {
    std::vector<JsonObject> notes;
    for (const std::string& note : AnalysisNotes(a))
        notes.push_back(JsonObject().String("note", note));
    return notes;
}

}  // namespace

std::string_view OutcomeName(RealPartsOutcome outcome) {
    switch (outcome) {
    case RealPartsOutcome::Found:
        return "found";
    case RealPartsOutcome::InvalidValues:
        return "invalidValues";
    case RealPartsOutcome::NoSteadyState:
        return "noSteadyState";
    case RealPartsOutcome::Unreachable:
        break;
    }
    return "unreachable";
}

std::string_view ModeName(ConductionMode mode) { return WordsOf(mode).abbreviation; }

std::vector<OptionSpec> WithPartOptions(std::vector<OptionSpec> options, bool realFlag) {
    for (const PartField& part : PartFields()) options.push_back({part.row->key});
    if (realFlag) options.push_back({"real", false});
    return options;
}

std::vector<std::string> PartOptionNames() {
    std::vector<std::string> names;
    for (const OptionSpec& option : WithPartOptions({})) names.emplace_back(option.name);
    return names;
}

bool AsksForRealParts(const ParsedArguments& arguments, const InputTexts& texts) {
    const auto parts = PartFields();
    return arguments.Has("real") ||
           std::any_of(parts.begin(), parts.end(),
                       [&](const PartField& part) { return texts.count(IdOf(*part.row)) != 0; });
}

PartOptions ReadPartOptions(const InputTexts& texts) {
    PartTexts typed;
    for (const PartField& part : PartFields())
        if (const auto found = texts.find(IdOf(*part.row)); found != texts.end())
            typed.*part.text = found->second;
    PartsReading reading = ReadPartTexts(typed);
    if (reading.values) return {reading.values, {}};
    return {std::nullopt, InvalidValue(reading.refused->row->key, reading.message)};
}

NumberOption ReadVoTarget(const ParsedArguments& arguments) {
    return ReadPositiveOption(arguments, "vo-target", "la tensione di uscita obiettivo in V",
                              "La tensione di uscita obiettivo non può essere zero o negativa!");
}

RealPartsStudy StudyAsBuilt(const Module1& module, const PartValues& parts,
                            std::optional<double> targetVo) {
    return StudyCircuit({module.Vi, module.D, module.f, module.L, module.C, module.RL}, parts,
                        targetVo);
}

bool AsBuiltStandsAlone(LaunchOutcome outcome) {
    return outcome == LaunchOutcome::ConductionRefused || outcome == LaunchOutcome::Unstable;
}

bool RefusedAsBuilt(const RealPartsStudy& study) {
    return study.analysis.outcome == RealPartsOutcome::InvalidValues;
}

JsonObject RealPartsJson(const RealPartsStudy& study) {
    const RealPartsAnalysis& a = study.analysis;
    JsonObject object;
    if (a.outcome != RealPartsOutcome::Found)
        return object.String("outcome", OutcomeName(a.outcome))
            .String("message", NoFiguresExplanation(study));
    // Without a target there is no search, and its outcome is not Found.
    const bool found = study.duty.outcome == RealPartsOutcome::Found;
    object.String("outcome", "found")
        .String(key::rectifier, RectifierWord(a.rectifier))
        .String("mode", ModeName(a.mode));
    NumberOrNull(object, "criticalLoad",
                 a.criticalLoad > 0 ? std::optional(a.criticalLoad) : std::nullopt)
        .Number("VoMean", a.VoMean)
        .Number("VoRipple", a.VoRipple)
        .Number("deltaIL", a.deltaIL);
    NumberOrNull(object, "VoTarget", study.targetVo);
    NumberOrNull(object, "dutyForTarget", found ? std::optional(study.duty.D) : std::nullopt);
    AddStressesJson(object, a.stresses);
    object.Object("losses", LossesJson(a.losses))
        .Number("inputPower", a.powers.input)
        .Number("outputPower", a.powers.output)
        .Number("efficiency", a.powers.efficiency);
    if (a.rectifier == Rectifier::Synchronous) {
        const LowSideStress& low = a.lowSide;
        JsonObject lowSide = CurrentJson(low.peak, low.rms, low.mean);
        lowSide.Number("bodyDiodeMean", low.bodyDiodeMean)
            .Number("bodyDiodeTime", low.bodyDiodeTime);
        object.Object("lowSide", std::move(lowSide))
            .Boolean("zvs", a.zeroVoltageSwitching)
            .Boolean("zvsPartial", a.partialZvs)
            .Number("turnOnVoltage", a.turnOnVoltage);
    }
    if (study.thermal) object.Object("thermal", ThermalJson(*study.thermal, study.parts));
    // Only when there is something to say, so that the common output stays short.
    if (std::vector<JsonObject> notes = NotesJson(a); !notes.empty())
        object.Array("notes", std::move(notes));
    return object;
}

void RealPartsText(std::ostream& out, const RealPartsStudy& study) {
    out << "Componenti reali: il convertitore come costruito, a regime\n";
    const RealPartsAnalysis& a = study.analysis;
    if (a.outcome != RealPartsOutcome::Found) {
        out << NoFiguresExplanation(study) << '\n';
        return;
    }
    // Conduction, critical load, mean Vo, ripple, input and output power, D'.
    std::vector<ReportLine> summary = RealPartsSummary(study, ".");
    if (!study.targetVo)
        summary[kDutyLine].value = "non calcolato: manca la Vo obiettivo (--vo-target)";
    for (const SummaryLine line :
         {kConductionLine, kCriticalLoadLine, kMeanVoLine, kDutyLine, kRippleLine, kDeltaILLine})
        out << summary[line].caption << ": " << summary[line].value << '\n';

    out << '\n' << Padded("", 37) << "simulato  formula\n";
    for (const StressRow& row : StressTable(a, "."))
        out << Padded(row.quantity + " ", 31) << Padded(row.unit, 6) << row.simulated
            << (row.formula.empty() ? "" : "  " + row.formula) << '\n';

    out << "\nPerdite\n";
    for (const LossShare& loss : LossBreakdown(a.losses, a.rectifier))
        out << Padded(std::string(loss.name), 31) << Label(loss.watts) << " W\n";
    out << Padded("Totale", 31) << Label(a.losses.total) << " W\n\n";

    for (const SummaryLine line : {kInputPowerLine, kOutputPowerLine})
        out << summary[line].caption << ": " << summary[line].value << '\n';
    out << "Rendimento: " << EfficiencyText(a.powers, ".") << '\n';
    for (std::size_t line = kFirstNoteLine; line < summary.size(); ++line)
        out << summary[line].caption << ": " << summary[line].value << '\n';
}

}  // namespace stepdown::cli

#include "cli/CommandParts.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "cli/ArgumentParser.h"
#include "cli/ChoiceOutput.h"
#include "cli/JsonWriter.h"
#include "cli/LoopCommand.h"
#include "cli/NetlistCommand.h"
#include "cli/OptionOwners.h"
#include "cli/QuantityOptions.h"
#include "cli/RealPartsOutput.h"
#include "cli/TerminalProgress.h"
#include "cli/TextOutput.h"
#include "design/DesignCalculation.h"
#include "designfile/DesignFile.h"
#include "engine/Figures.h"
#include "model/Module1.h"
#include "realparts/RealPartsReport.h"
#include "verification/Launch.h"
#include "waveformview/StartupReport.h"
#include "waveformview/WaveformCsv.h"

#ifndef STEPDOWN_VERSION
#error "STEPDOWN_VERSION must be defined by the build"
#endif

namespace stepdown::cli {

const DesignRecord& TakeDesign(const Module1& m) { return m.LastDesign.value(); }

JsonObject DesignJson(const DesignRecord& r) {
    JsonObject object;
    for (const DesignFigure& figure : kDesignFigures) object.Number(figure.name, r.*figure.value);
    JsonObject verification;
    for (const auto& [id, text] : r.fieldTexts) verification.String(id.key, text);
    return object.Object("verification", std::move(verification));
}

// The five figures, under their names in the program.
JsonObject FiguresJson(const MeasuredFigures& figures, JsonObject object) {
    for (const FigureDescription& figure : kMeasuredFigures)
        object.Number(figure.name, figures.*figure.value);
    return object;
}

JsonObject VerifyJson(const Module1& m) {
    JsonObject object = FiguresJson(FiguresOf(m));
    object.Number("MaxIL", m.MaxIL)
        .Number("MinIL", m.MinIL)
        .Number("MaxIC", m.MaxIC)
        .Number("MaxVo", m.MaxVo)
        .Number("MinVo", m.MinVo)
        .Number("MaxVd", m.MaxVd)
        .Number("TimeStep", m.TimeStep)
        .Integer("N", m.N)
        .Integer("NP", m.NP)
        .Integer("NI", m.NI);
    return object;
}

void DesignText(std::ostream& out, const DesignRecord& r) {
    for (const DesignFigure& figure : kDesignFigures)
        Line(out, figure.name, Label(r.*figure.value * figure.textScale), figure.unit);
}

// The figures as the waveform window's labels show them (those of the last
// completed run), then the extremes.
void VerifyText(std::ostream& out, const Module1& m) {
    const MeasuredFigures shown = FiguresOf(m);
    for (const FigureDescription& figure : kMeasuredFigures)
        Line(out, figure.name, Label(shown.*figure.value), figure.unit);
    Line(out, "MaxIL", Label(m.MaxIL), "A");
    Line(out, "MinIL", Label(m.MinIL), "A");
    Line(out, "MaxIC", Label(m.MaxIC), "A");
    Line(out, "MaxVo", Label(m.MaxVo), "V");
    Line(out, "MinVo", Label(m.MinVo), "V");
    Line(out, "MaxVd", Label(m.MaxVd), "V");
}

void ComparisonText(std::ostream& out, const DesignRecord& r, const Module1& m) {
    const MeasuredFigures simulated = FiguresOf(m);
    out << "\n            progetto  simulato  unità  (sim.-prog.)/prog.\n";
    for (const FigureDescription& figure : kMeasuredFigures) {
        const double designed = r.*figure.designed * figure.designScale;
        std::string line(figure.designName);
        line.resize(12, ' ');
        line += Label(designed) + "  " + Label(simulated.*figure.value) + "  ";
        std::string unit(figure.unit);
        unit.resize(5, ' ');
        line += unit + "  " + PercentDifference(simulated.*figure.value, designed, ".");
        out << line << '\n';
    }
}

// The verification's object with the start-up and the steady state.
JsonObject AnalysedJson(const Module1& m, const RunAnalysis& a) {
    JsonObject steady;
    steady.Boolean("settled", a.verdict.settled);
    if (a.repeatPeriod > 0)
        steady.Integer("period", a.repeatPeriod).Integer("cycleLength", a.cycleLength);
    else
        steady.Null("period").Null("cycleLength");
    if (a.steady.Conducts())
        steady.Integer("periodsNeeded", a.steady.periodsNeeded);
    else
        steady.Null("periodsNeeded");
    if (a.steady.Exists())
        steady.Object("figures", FiguresJson(a.steady.figures));
    else
        steady.Null("figures");
    if (a.designVoDuty) {
        if (a.designVoDuty->outcome == RealPartsOutcome::Found)
            steady.Number("dutyForDesignVo", a.designVoDuty->D);
        else
            steady.Null("dutyForDesignVo");
    }
    JsonObject startup;
    startup.Number("peakIL", a.startup.maxIL)
        .Number("minIL", a.startup.minIL)
        .Number("peakVo", a.startup.maxVo);
    return VerifyJson(m)
        .Object("steadyState", std::move(steady))
        .Object("startup", std::move(startup));
}

// The start-up lines and, when there is a steady state, the table of the
// start-up window: the last period and the steady state, and the design
// while the verification fields hold it.
void StartupText(std::ostream& out, const RunAnalysis& a) {
    out << '\n';
    for (const ReportLine& line : StartupSummary(a, "."))
        out << line.caption << ": " << line.value << '\n';
    if (!a.steady.Exists()) return;
    out << "\n" << Padded("", 18) << "ultimo    regime    (ult.-reg.)/reg.";
    if (a.design) out << "  progetto  (reg.-prog.)/prog.";
    out << '\n';
    for (const ComparisonRow& row : ComparisonTable(a, ".")) {
        out << Padded(row.quantity, 10) << Padded(row.unit, 8) << row.last << "  " << row.steady
            << "  ";
        if (a.design)
            out << Padded(row.lastDeviation, 18) << "  " << row.design << "  "
                << row.designDeviation;
        else
            out << row.lastDeviation;
        out << '\n';
    }
}

// The parts' texts and --vo-target, read before anything runs: the usage
// error of the first bad one, and the request when any asks for the analysis.
std::optional<std::string> ReadAsBuiltRequest(const ParsedArguments& arguments,
                                              const InputTexts& texts,
                                              std::optional<AsBuiltRequest>& request) {
    const bool asked = AsksForRealParts(arguments, texts);
    if (arguments.Has("vo-target") && !asked)
        return "l'opzione --vo-target vale solo con --real o con i valori dei componenti";
    if (!asked) return std::nullopt;
    const PartOptions parts = ReadPartOptions(texts);
    if (!parts.values) return parts.error;
    const NumberOption target = ReadVoTarget(arguments);
    if (!target.error.empty()) return target.error;
    request = AsBuiltRequest{*parts.values, target.value};
    return std::nullopt;
}

// "Grafici" on the verification texts, the CSV files asked for, and the
// converter as built at the circuit the launch read, aiming at the design's
// Vo while the texts hold the design.
Verification VerifyFields(Module1& module, const InputTexts& texts, MessageList& messages,
                          const OutputChoice& choice, const std::optional<AsBuiltRequest>& request,
                          std::ostream& out, std::ostream& err, bool showProgress) {
    const LaunchResult launch = Launch(module, texts, messages, err, showProgress);
    Verification v;
    if (launch.outcome == LaunchOutcome::Settled || launch.outcome == LaunchOutcome::NotSettled) {
        v.run = launch.run;
        if (!WriteRequestedCsv(choice, *v.run, out, err)) v.status = kExitRefused;
    } else if (request && AsBuiltStandsAlone(launch.outcome) && !choice.csv && !choice.startupCsv) {
        // The analysis as built does not depend on the idealised run, whose
        // refusal becomes a note. The CSV files, though, are the run's.
        v.refusal = messages.Texts().back();
    } else {
        v.status = kExitRefused;
    }
    if (v.status != kExitSuccess || !request) return v;
    const DesignRecord* design = VerifiedDesign(module.LastDesign, texts);
    v.asBuilt = StudyAsBuilt(module, request->parts,
                             design ? std::optional(design->Vo) : request->targetVo);
    if ((!v.run || RefusedAsBuilt(*v.asBuilt)) &&
        v.asBuilt->analysis.outcome != RealPartsOutcome::Found) {
        err << NoFiguresExplanation(*v.asBuilt) << '\n';
        v.status = kExitRefused;
    }
    return v;
}

// The converter as built after the rest of the text, if it was asked for.
void AsBuiltText(std::ostream& out, const Verification& v, bool afterOtherText) {
    if (!v.asBuilt) return;
    if (afterOtherText) out << '\n';
    RealPartsText(out, *v.asBuilt);
}

}  // namespace stepdown::cli

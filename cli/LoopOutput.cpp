#include "cli/LoopOutput.h"

#include "control/ControlQuantities.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "cli/RealPartsOutput.h"
#include "cli/TextOutput.h"
#include "common/TextFormat.h"
#include "control/LoopFigures.h"

namespace stepdown::cli {
namespace {

// A name, its value and unit in aligned columns, no trailing blanks.
void Field(std::ostream& out, std::string_view name, std::string_view value,
           std::string_view unit) {
    Row(out, Padded(std::string(name), 30) + std::string(value) + "  " + std::string(unit));
}

// The loop's warnings, then the step response's.
std::vector<std::string> Warnings(const LoopReport& report) {
    std::vector<std::string> all = report.analysis.warnings;
    if (report.transient)
        all.insert(all.end(), report.transient->warnings.begin(), report.transient->warnings.end());
    return all;
}

JsonObject Curve(const BodeCurve& curve) {
    JsonObject json;
    json.Numbers("magDb", curve.magDb).Numbers("phaseDeg", curve.phaseDeg);
    return json;
}

// The values of the network; R3 and C3 null for Type II.
JsonObject Network(const Compensator& c) {
    JsonObject json;
    json.Integer("type", c.type).Number("R1", c.R1).Number("Rb", c.Rb).Number("R2", c.R2);
    if (c.type == 3)
        json.Number("R3", c.R3);
    else
        json.Null("R3");
    json.Number("C1", c.C1).Number("C2", c.C2);
    if (c.type == 3)
        json.Number("C3", c.C3);
    else
        json.Null("C3");
    return json;
}

void Optional(JsonObject& json, std::string_view key, const std::optional<double>& value) {
    if (value)
        json.Number(key, *value);
    else
        json.Null(key);
}

// A figure in the command's columns: its words for none without a unit.
void FigureText(std::ostream& out, const Figure& figure, std::string_view note = {}) {
    if (const std::optional<double> shown = figure.Shown())
        Field(out, figure.shortCaption, Label(*shown),
              std::string(figure.unit) + std::string(note));
    else
        Field(out, figure.shortCaption, figure.none, "");
}

void NetworkText(std::ostream& out, const Compensator& c) {
    Field(out, "R1", Label(c.R1), "Ω");
    Field(out, "Rb", Label(c.Rb), "Ω");
    Field(out, "R2", Label(c.R2), "Ω");
    if (c.type == 3) Field(out, "R3", Label(c.R3), "Ω");
    for (const Figure& figure : CapacitorFigures(c))
        if (figure.value) FigureText(out, figure);
}

void MarginsText(std::ostream& out, const LoopAnalysis& a) {
    for (const Figure& figure : MarginFigures(a)) FigureText(out, figure);
    if (MarginsOverUnstableOrbit(a)) Field(out, "margini", kUnstableOrbitMargins, "");
}

// The unit of a regulated Vo, with the one asked beside it when they differ.
std::string VoUnit(double regulated, double asked) {
    const std::optional<double> off = VoOffAsked(regulated, asked);
    if (!off) return "V";
    return "V  (richiesta " + Label(asked) + " V, " + (*off >= 0 ? "+" : "") +
           FormatFixed2(*off, ".") + " %)";
}

JsonObject StepJson(const StepFigures& s) {
    JsonObject json;
    for (const StepFigureDescription& figure : kStepFigures)
        json.Number(figure.name, s.*figure.value);
    Optional(json, "settlingTime", s.settlingTime);
    json.String("mode", ModeName(s.mode));
    return json;
}

JsonObject TransientJson(const TransientResult& r) {
    JsonObject steady, startup, json;
    steady.Number("VoMean", r.steadyVoMean)
        .Number("VoRipple", r.steadyVoRipple)
        .Number("duty", r.steadyDuty)
        .String("mode", ModeName(r.steadyMode));
    startup.Number("ilPeak", r.ilPeak).Number("voPeak", r.voPeak);
    Optional(startup, "t99", r.t99);
    json.Object("steady", std::move(steady));
    if (r.fromRest)
        json.Object("startup", std::move(startup));
    else
        json.Null("startup");  // started at the periodic steady state: no start
    if (r.loadStep) json.Object("loadStep", StepJson(*r.loadStep));
    if (r.lineStep) json.Object("lineStep", StepJson(*r.lineStep));
    return json;
}

JsonObject CurrentModeJson(const LoopReport& report) {
    const CurrentModeFigures& k = *report.analysis.currentMode;
    const Modulator& m = report.modulator;
    JsonObject json;
    json.Number("Sn", k.Sn)
        .Number("Se", k.Se)
        .Boolean("rampChosen", m.rampChosen)
        .Number("mc", k.mc)
        .Number("Qp", k.Qp)
        .Number("seCritical", k.seCritical)
        .Number("Ilim", m.Ilim)
        .Boolean("limitChosen", m.limitChosen);
    if (report.analysis.multipliers && report.analysis.multipliers->refusal.empty()) {
        const PeriodMultipliers& p = *report.analysis.multipliers;
        JsonObject multipliers;
        multipliers.Number("absMax", p.absMax);
        Optional(multipliers, "mostNegativeReal", p.mostNegativeReal);
        json.Object("multipliers", std::move(multipliers)).Boolean("subharmonic", p.subharmonic);
        Optional(json, "sufficientSe", p.sufficientSe);
    } else {
        json.Null("multipliers").Null("subharmonic");
    }
    return json;
}

void CurrentModeText(std::ostream& out, const LoopReport& report) {
    const CurrentModeFigures& k = *report.analysis.currentMode;
    const Modulator& m = report.modulator;
    out << "\nControllo di corrente di picco\n";
    const std::array<Figure, 3> slopes = SlopeFigures(k);
    FigureText(out, slopes[0]);
    FigureText(out, slopes[1], m.rampChosen ? "  (scelta per Qp = 1)" : "");
    Field(out, "mc", Label(k.mc), "");
    Field(out, "Qp", Label(k.Qp), "");
    FigureText(out, slopes[2]);
    Field(out, "Ilim", Label(m.Ilim), m.limitChosen ? "A  (dai carichi e dall'ondulazione)" : "A");
    if (!report.analysis.multipliers || !report.analysis.multipliers->refusal.empty()) return;
    const PeriodMultipliers& p = *report.analysis.multipliers;
    Field(out, "|moltiplicatore| massimo", Label(p.absMax), "");
    Field(out, "moltiplicatore reale minimo",
          p.mostNegativeReal ? Label(*p.mostNegativeReal) : "nessuno negativo", "");
    Field(out, "oscillazione subarmonica", p.subharmonic ? "sì" : "no", "");
}

std::string Percent(double part, double whole) { return Label(100 * part / whole); }

void StepText(std::ostream& out, std::string_view title, const StepFigures& s) {
    out << '\n' << title << '\n';
    for (const StepFigureDescription& figure : kStepFigures) {
        const double volts = s.*figure.value;
        Field(out, figure.shortCaption, Label(volts),
              figure.value == &StepFigures::finalVoMean
                  ? "V"
                  : "V  (" + Percent(volts, s.finalVoMean) + " %)");
    }
    Field(out, "assestamento ±1 %", s.settlingTime ? Label(*s.settlingTime) : "non assestato",
          s.settlingTime ? "s" : "");
    Field(out, "modo", ModeName(s.mode), "");
}

void TransientText(std::ostream& out, const TransientResult& r) {
    out << "\nRegime prima del primo gradino\n";
    Field(out, "Vo media", Label(r.steadyVoMean), "V");
    Field(out, "ondulazione di Vo", Label(r.steadyVoRipple), "V");
    Field(out, "duty cycle", Label(r.steadyDuty), "");
    Field(out, "modo", ModeName(r.steadyMode), "");
    if (r.fromRest) {
        out << "\nAvvio\n";
        Field(out, "iL massima", Label(r.ilPeak), "A");
        Field(out, "Vo massima", Label(r.voPeak), "V");
        Field(out, "99 % di Vo", r.t99 ? Label(*r.t99) : "mai raggiunto", r.t99 ? "s" : "");
    }
    if (r.loadStep) StepText(out, "Gradino di carico", *r.loadStep);
    if (r.lineStep) StepText(out, "Gradino di linea", *r.lineStep);
}

// The switched loop gain beside the averaged one at the same frequencies.
void SwitchedText(std::ostream& out, const SwitchedBode& s, const Compensator& c,
                  const LoopAnalysis& a) {
    out << "\nGuadagno d'anello del convertitore commutato (iniezione)\n";
    Row(out, Padded("f [Hz]", 11) + Padded("|T| [dB]", 11) + Padded("∠T [°]", 11) +
                 Padded("mediato |T|", 13) + "mediato ∠T");
    for (std::size_t k = 0; k < s.f.size(); ++k) {
        std::string averaged;
        if (!a.f.empty()) {
            const Response loop = LoopAt(a.plant, c, s.f[k]);
            averaged = Padded(Label(loop.magDb), 13) + Label(loop.phaseDeg);
        }
        Row(out, Padded(Label(s.f[k]), 11) + Padded(Label(s.T.magDb[k]), 11) +
                     Padded(Label(s.T.phaseDeg[k]), 11) + averaged);
    }
    Field(out, "scarto fra le ultime finestre", Label(s.spreadDb), "dB");
    Field(out, "scarto di fase", Label(s.spreadDeg), "°");
    Field(out, "convergenza", s.converged ? "sì" : "no", "");
}

}  // namespace

JsonObject LoopJson(const LoopReport& report) {
    const LoopAnalysis& a = report.analysis;
    JsonObject op;
    op.Number("D", a.op.D)
        .Number("IL", a.op.IL)
        .Number("Vo", a.op.Vo)
        .String("mode", ModeName(a.mode));
    if (report.askedVo > 0)
        op.Number("VoAsked", report.askedVo);
    else
        op.Null("VoAsked");
    JsonObject plant;
    for (const PlantFigure& figure : kPlantFigures)
        if (Shows(a, figure)) plant.Number(figure.name, a.*figure.value);
    JsonObject loop;
    loop.Object("operatingPoint", std::move(op))
        .Object("plant", std::move(plant))
        .Object("compensator", Network(report.designed));
    if (report.standard) {
        JsonObject standard = Network(*report.standard);
        standard.Number("Vo", report.standardAnalysis->op.Vo);
        const std::array<Figure, 3> margins = MarginFigures(*report.standardAnalysis);
        Optional(standard, margins[0].key, margins[0].value);  // the gain margin not asked
        Optional(standard, margins[1].key, margins[1].value);
        loop.Object("standard", std::move(standard));
    }
    JsonObject bode;
    bode.Numbers("f", a.f)
        .Object("T", Curve(a.T))
        .Object("Gvd", Curve(a.Gvd))
        .Object("Gc", Curve(a.Gc));
    loop.Object("bode", std::move(bode));
    if (report.switched) {
        JsonObject switched;
        switched.Numbers("f", report.switched->f)
            .Object("T", Curve(report.switched->T))
            .Number("spreadDb", report.switched->spreadDb)
            .Number("spreadDeg", report.switched->spreadDeg)
            .Boolean("converged", report.switched->converged);
        loop.Object("switched", std::move(switched));
    }
    loop.String(key::control, ControlWord(report.modulator.control));
    if (a.currentMode) loop.Object("currentMode", CurrentModeJson(report));
    for (const Figure& figure : MarginFigures(a)) Optional(loop, figure.key, figure.value);
    loop.Boolean("marginsHold", !MarginsOverUnstableOrbit(a));
    loop.Strings("warnings", Warnings(report));
    if (report.transient) loop.Object("transient", TransientJson(*report.transient));
    JsonObject json;
    json.Object("loop", std::move(loop));
    return json;
}

void LoopText(std::ostream& out, const LoopReport& report) {
    const LoopAnalysis& a = report.analysis;
    out << "Punto di lavoro (modello mediato)\n";
    Field(out, "D", Label(a.op.D), "");
    Field(out, "IL", Label(a.op.IL), "A");
    Field(out, "Vo", Label(a.op.Vo), VoUnit(a.op.Vo, report.askedVo));
    Field(out, "modo", ModeName(a.mode), "");
    out << (a.currentMode ? "\nImpianto Gvc (controllo di corrente)\n" : "\nImpianto Gvd\n");
    for (const PlantFigure& figure : kPlantFigures)
        if (Shows(a, figure)) {
            const double value = a.*figure.value;
            if (std::isfinite(value))
                Field(out, figure.shortCaption, Label(value), figure.unit);
            else
                Field(out, figure.shortCaption, std::string(figure.none), "");
        }
    if (a.currentMode) CurrentModeText(out, report);
    out << "\nCompensatore di tipo " << (report.designed.type == 3 ? "III" : "II") << '\n';
    NetworkText(out, report.designed);
    out << "\nAnello\n";
    MarginsText(out, a);
    if (report.standard) {
        out << "\nValori normalizzati (resistenze E96, condensatori E12)\n";
        NetworkText(out, *report.standard);
        const double vo = report.standardAnalysis->op.Vo;
        Field(out, "Vo regolata", Label(vo), VoUnit(vo, report.askedVo));
        MarginsText(out, *report.standardAnalysis);
    }
    if (const std::vector<std::string> warnings = Warnings(report); !warnings.empty()) {
        out << "\nAvvisi\n";
        for (const std::string& warning : warnings) out << "- " << warning << '\n';
    }
    if (report.switched) SwitchedText(out, *report.switched, report.designed, a);
    if (report.transient) TransientText(out, *report.transient);
    if (a.f.empty()) return;
    out << "\nDiagramma di Bode\n";
    Row(out, Padded("f [Hz]", 11) + Padded("|T| [dB]", 11) + Padded("∠T [°]", 11) +
                 Padded("|Gvd| [dB]", 11) + Padded("∠Gvd [°]", 11) + Padded("|Gc| [dB]", 11) +
                 "∠Gc [°]");
    for (std::size_t k = 0; k < a.f.size(); ++k)
        Row(out, Padded(Label(a.f[k]), 11) + Padded(Label(a.T.magDb[k]), 11) +
                     Padded(Label(a.T.phaseDeg[k]), 11) + Padded(Label(a.Gvd.magDb[k]), 11) +
                     Padded(Label(a.Gvd.phaseDeg[k]), 11) + Padded(Label(a.Gc.magDb[k]), 11) +
                     Label(a.Gc.phaseDeg[k]));
}

bool WriteTextFile(const std::string& path, const std::string& text, std::ostream& out,
                   std::ostream& err) {
    if (path == "-") {
        out << text;
        return true;
    }
    errno = 0;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file.write(text.data(), static_cast<std::streamsize>(text.size())) && (file.close(), file))
        return true;
    const int reason = errno;
    err << "Impossibile scrivere il file " << path
        << (reason != 0 ? std::string(": ") + std::strerror(reason) : std::string()) << '\n';
    return false;
}

}  // namespace stepdown::cli

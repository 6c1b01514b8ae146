#include "report/LoopSections.h"

#include <cmath>
#include <string>

#include "control/LoopFigures.h"
#include "designfile/SideTexts.h"
#include "model/Conversions.h"
#include "realparts/RealPartsStudy.h"

namespace stepdown {
namespace {

std::string Scientific(double value, std::string_view unit, std::string_view separator) {
    if (std::isinf(value)) return "infinita";
    std::string text = FormatScientific(value, 2, separator);
    if (!unit.empty()) text += " " + std::string(unit);
    return text;
}

std::string Optional(const std::optional<double>& value, std::string_view unit,
                     std::string_view separator, std::string_view none) {
    return value ? Scientific(*value, unit, separator) : std::string(none);
}

// A figure in its displayed unit, or its words for none.
std::string Shown(const Figure& figure, std::string_view separator) {
    return Optional(figure.Shown(), figure.unit, separator, figure.none);
}

std::string ModeName(ConductionMode mode) { return std::string(WordsOf(mode).phrase); }

// A deviation in volts and in % of the final mean.
std::string Deviation(double volts, double final, std::string_view s) {
    return Scientific(volts, "V", s) + " (" + FormatFixed2(volts / final * 100, s) + " %)";
}

void AddStep(const char* name, const StepFigures& step, std::string_view s,
             std::vector<ReportLine>& lines) {
    const std::string n(name);
    for (const StepFigureDescription& figure : kStepFigures) {
        const double volts = step.*figure.value;
        lines.push_back(
            {n + ": " + std::string(figure.caption), figure.value == &StepFigures::finalVoMean
                                                         ? Scientific(volts, "V", s)
                                                         : Deviation(volts, step.finalVoMean, s)});
    }
    lines.push_back({n + ": tempo di assestamento (±1 %)",
                     Optional(step.settlingTime, "s", s, "non assestata")});
    lines.push_back({n + ": modo", ModeName(step.mode)});
}

// A regulated Vo, with the one asked beside it when they differ.
std::string RegulatedVo(double regulated, double asked, std::string_view s) {
    const std::optional<double> off = VoOffAsked(regulated, asked);
    if (!off) return Scientific(regulated, "V", s);
    return Scientific(regulated, "V", s) + " (richiesta " + Scientific(asked, "V", s) + ", " +
           (*off >= 0 ? "+" : "") + FormatFixed2(*off, s) + " %)";
}

ReportSection StepSection(const TransientResult& r, std::string_view s) {
    ReportSection step{"Risposta al gradino", {}, ReportPicture::LoopStep, {}, {}};
    step.lines = {{"Vo media a regime", Scientific(r.steadyVoMean, "V", s)},
                  {"Ondulazione di Vo a regime", Scientific(r.steadyVoRipple, "V", s)},
                  {"Duty cycle a regime", FormatFixed2(r.steadyDuty * 100, s) + " %"},
                  {"Modo a regime", ModeName(r.steadyMode)}};
    if (r.fromRest)
        step.lines.insert(step.lines.end(), {{"Avvio: picco di iL", Scientific(r.ilPeak, "A", s)},
                                             {"Avvio: picco di Vo", Scientific(r.voPeak, "V", s)},
                                             {"Avvio: tempo al 99 % di Vo",
                                              Optional(r.t99, "s", s, "non raggiunto")}});
    if (r.loadStep) AddStep("Gradino di carico", *r.loadStep, s, step.lines);
    if (r.lineStep) AddStep("Gradino di linea", *r.lineStep, s, step.lines);
    step.notes = WithDecimalSeparator(r.warnings, s);
    return step;
}

}  // namespace

std::shared_ptr<const LoopStudy> StudyReportLoop(const ReportInputs& in) {
    ControlTexts texts;
    TakeLoopTexts(in.texts, texts);
    if (texts == ControlTexts{}) return nullptr;
    PartTexts partTexts;
    ChoiceTexts choices;
    TakeSideTexts(in.texts, partTexts, choices);
    return std::make_shared<LoopStudy>(StudyLoop(in.texts.texts, partTexts, texts));
}

void AddLoopRefusal(const LoopStudy& study, std::vector<ReportSection>& sections) {
    sections.push_back({"Anello di controllo",
                        {},
                        ReportPicture::None,
                        {},
                        {"L'anello di controllo non è stato calcolato: " + study.refusal}});
}

void AddLoopSections(const LoopStudy& study, std::string_view s,
                     std::vector<ReportSection>& sections) {
    const LoopAnalysis& a = study.analysis;
    const Compensator& c = study.loop.compensator;
    const Compensator& e = study.standard;
    const bool three = c.type == 3;
    ReportSection loop{"Anello di controllo", {}, ReportPicture::LoopBode, {}, {}};
    loop.lines = {
        {"Compensatore", std::string(three ? "tipo III" : "tipo II") +
                             (study.designed ? ", progettato per fc e margine di fase" : "")},
        {"Duty cycle D del punto di lavoro", FormatFixed2(a.op.D * 100, s) + " %"},
    };
    for (const PlantFigure& figure : kPlantFigures) {
        if (!Shows(a, figure)) continue;
        std::string caption(figure.caption);
        if (const std::size_t plant = caption.find("Gvd"); a.currentMode && plant != caption.npos)
            caption.replace(plant, 3, "Gvc");
        const double value = a.*figure.value;
        loop.lines.push_back({caption, std::isfinite(value) ? Scientific(value, figure.unit, s)
                                                            : std::string(figure.none)});
    }
    const std::array<Figure, 3> margins = MarginFigures(a);
    const std::array<Figure, 3> standard = MarginFigures(study.standardAnalysis);
    loop.lines.insert(loop.lines.end(),
                      {
                          {std::string(margins[0].caption), Shown(margins[0], s)},
                          {std::string(margins[1].caption), Shown(margins[1], s)},
                          {std::string(margins[2].caption), Shown(margins[2], s)},
                          {"fc con i valori standard", Shown(standard[0], s)},
                          {"Margine di fase con i valori standard", Shown(standard[1], s)},
                          {"Vo regolata con i valori standard",
                           RegulatedVo(study.standardAnalysis.op.Vo, study.askedVo, s)},
                      });
    if (MarginsOverUnstableOrbit(a))  // beside the margins it speaks of
        loop.lines.insert(loop.lines.end() - 3,
                          {"Validità dei margini", std::string(kUnstableOrbitMargins)});
    if (VoOffAsked(a.op.Vo, study.askedVo))
        loop.lines.insert(loop.lines.begin() + 2,
                          {"Vo regolata dal partitore", RegulatedVo(a.op.Vo, study.askedVo, s)});
    if (a.currentMode) {
        const CurrentModeFigures& k = *a.currentMode;
        const Modulator& m = study.loop.modulator;
        const std::array<Figure, 3> slopes = SlopeFigures(k);
        std::vector<ReportLine> current = {
            {"Controllo", "di corrente di picco"},
            {"Guadagno del sensore di corrente Ri",
             Scientific(m.Ri, Row(QuantityGroup::Loop, key::ri).unit, s)},
            {std::string(slopes[0].caption), Shown(slopes[0], s)},
            {std::string(slopes[1].caption),
             Shown(slopes[1], s) + (m.rampChosen ? ", scelta per Qp = 1" : "")},
            {"mc = 1 + Se/Sn", Scientific(k.mc, "", s)},
            {"Qp", Scientific(k.Qp, "", s)},
            {std::string(slopes[2].caption), Shown(slopes[2], s)},
            {"Limite di corrente Ilim", Scientific(m.Ilim, "A", s)},
        };
        if (a.multipliers && a.multipliers->refusal.empty())
            current.push_back({"Modulo massimo dei moltiplicatori del periodo",
                               Scientific(a.multipliers->absMax, "", s)});
        loop.lines.insert(loop.lines.begin() + 1, current.begin(), current.end());
    }
    loop.table.header = {"Componente", "Unità", "Valore", "Valore standard (E96, E12)"};
    // Each part in the unit of its field in the loop window (C in nF).
    const struct {
        const char* name;
        double Compensator::*value;
        const Quantity& row;
    } parts[] = {{"R1", &Compensator::R1, Row(QuantityGroup::Loop, key::r1)},
                 {"Rb", &Compensator::Rb, Row(QuantityGroup::Loop, key::rb)},
                 {"R2", &Compensator::R2, Row(QuantityGroup::Loop, key::r2)},
                 {"R3", &Compensator::R3, Row(QuantityGroup::Loop, key::r3)},
                 {"C1", &Compensator::C1, Row(QuantityGroup::Loop, key::c1)},
                 {"C2", &Compensator::C2, Row(QuantityGroup::Loop, key::c2)},
                 {"C3", &Compensator::C3, Row(QuantityGroup::Loop, key::c3)}};
    for (const auto& part : parts) {
        if (!three && (part.value == &Compensator::R3 || part.value == &Compensator::C3)) continue;
        const double toSI = part.row.toSI;
        loop.table.rows.push_back({part.name, std::string(part.row.unit),
                                   Scientific(c.*part.value / toSI, "", s),
                                   Scientific(e.*part.value / toSI, "", s)});
    }
    loop.notes = WithDecimalSeparator(a.warnings, s);
    sections.push_back(std::move(loop));
    if (study.transient) sections.push_back(StepSection(*study.transient, s));
}

}  // namespace stepdown

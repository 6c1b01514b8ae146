#include "realparts/RealPartsReport.h"

#include <cstddef>

#include "common/TextFormat.h"
#include "model/FieldRules.h"

namespace stepdown {

std::string StressedPartName(StressedPart part, Rectifier rectifier) {
    switch (part) {
    case StressedPart::Inductor:
        break;
    case StressedPart::HighSide:
        return HeatedPartName(HeatedPart::HighSide, rectifier);
    case StressedPart::LowSide:
        return HeatedPartName(HeatedPart::LowSide, rectifier);
    case StressedPart::OutputCapacitor:
        return "Condensatore di uscita";
    case StressedPart::InputCapacitor:
        return "Condensatore di ingresso";
    }
    return "Induttore";
}

std::vector<StressRow> StressTable(const RealPartsAnalysis& a, std::string_view separator) {
    // The textbook formulas assume a current that never stops.
    const bool continuous = a.mode == ConductionMode::Continuous;
    std::vector<StressRow> table;
    for (const StressFigure& figure : kStressFigures)
        table.push_back(
            {StressedPartName(figure.part, a.rectifier) + ", " + std::string(figure.what),
             std::string(figure.unit), FormatScientific(figure.simulated(a.stresses), 2, separator),
             !figure.formula ? ""
             : continuous    ? FormatScientific(a.textbook.*figure.formula, 2, separator)
                             : std::string(kOnlyContinuous)});
    if (a.rectifier == Rectifier::Synchronous) {
        table.push_back({"Diodo di corpo basso, media", "A",
                         FormatScientific(a.lowSide.bodyDiodeMean, 2, separator), ""});
        table.push_back({"Diodo di corpo basso, conduzione", "ns",
                         FormatScientific(a.lowSide.bodyDiodeTime * 1e9, 2, separator), ""});
        table.push_back({"Interruttore alto, V all'accensione", "V",
                         FormatScientific(a.turnOnVoltage, 2, separator), ""});
    }
    return table;
}

std::vector<LossShare> LossBreakdown(const Losses& l, Rectifier rectifier) {
    std::vector<LossShare> shares;
    if (rectifier == Rectifier::Diode) {
        for (const LossFigure& figure : kLossFigures)
            if (!figure.diodeName.empty()) shares.push_back({figure.diodeName, l.*figure.watts});
        return shares;
    }
    // The switches' own losses first, then those of the edges, the drive and
    // the passive parts.
    constexpr std::size_t kSynchronousOrder[] = {0, 7, 8, 1, 9, 10, 2, 4, 5, 6};
    for (const std::size_t index : kSynchronousOrder)
        shares.push_back({kLossFigures[index].synchronousName, l.*kLossFigures[index].watts});
    return shares;
}

namespace {

std::string LowerFirst(std::string name) {
    name[0] = static_cast<char>(name[0] - 'A' + 'a');
    return name;
}

}  // namespace

std::string HeatedPartName(HeatedPart part, Rectifier rectifier) {
    switch (part) {
    case HeatedPart::HighSide:
        return rectifier == Rectifier::Synchronous ? "Interruttore alto" : "Interruttore";
    case HeatedPart::LowSide:
        return rectifier == Rectifier::Synchronous ? "Interruttore basso" : "Diodo";
    case HeatedPart::Inductor:
        break;
    }
    return "Induttore";
}

std::vector<ReportLine> ThermalLines(const ThermalResult& thermal, const PartValues& parts,
                                     std::string_view separator) {
    const auto celsius = [&](double t) { return FormatFixed2(t, separator) + " °C"; };
    std::vector<ReportLine> lines;
    if (thermal.status != ThermalStatus::Converged) {
        lines.push_back(
            {std::string(kThermalVerdictCaption), ThermalVerdict(thermal, parts, separator)});
        return lines;
    }
    const struct {
        HeatedPart part;
        const PartTemperature& figure;
    } heated[] = {{HeatedPart::HighSide, thermal.highSide},
                  {HeatedPart::LowSide, thermal.lowSide},
                  {HeatedPart::Inductor, thermal.inductor}};
    for (const auto& h : heated) {
        if (!h.figure.given) continue;
        lines.push_back({"Tj " + LowerFirst(HeatedPartName(h.part, parts.rectifier)),
                         celsius(h.figure.tj) + ", " +
                             FormatScientific(h.figure.power, 2, separator) + " W, margine " +
                             celsius(h.figure.margin)});
    }
    lines.push_back(
        {std::string(kThermalVerdictCaption), ThermalVerdict(thermal, parts, separator)});
    return lines;
}

bool ThermalOverLimit(const ThermalResult& thermal) {
    return thermal.status != ThermalStatus::Converged ||
           (thermal.highSide.given && thermal.highSide.margin < 0) ||
           (thermal.lowSide.given && thermal.lowSide.margin < 0) ||
           (thermal.inductor.given && thermal.inductor.margin < 0);
}

std::string ThermalVerdict(const ThermalResult& thermal, const PartValues& parts,
                           std::string_view separator) {
    const auto celsius = [&](double t) { return FormatFixed2(t, separator) + " °C"; };
    switch (thermal.status) {
    case ThermalStatus::Runaway:
        return "fuga termica: " + LowerFirst(HeatedPartName(thermal.runaway, parts.rectifier)) +
               " non trova una temperatura di equilibrio, il suo calore cresce con la "
               "temperatura più in fretta di quanto la resistenza termica lo smaltisca.";
    case ThermalStatus::NotConverged:
        switch (thermal.stall) {
        case ThermalStall::TargetLost:
            return "le temperature non sono state trovate: scaldandosi il convertitore non "
                   "raggiunge più la Vo obiettivo.";
        case ThermalStall::Undecided:
            return "le temperature non sono state trovate: la ricerca dell'equilibrio termico "
                   "non si è fermata entro un microkelvin nei passi concessi.";
        case ThermalStall::None:
        case ThermalStall::SteadyStateLost:
            break;
        }
        return "le temperature non sono state trovate: scaldandosi il convertitore perde il "
               "regime periodico.";
    case ThermalStatus::Converged:
        break;
    }
    const std::string limit = "Tj,max = " + celsius(parts.TjMax);
    std::string over, coolest;
    double smallest = 0;
    for (const auto& [part, figure] : {std::pair{HeatedPart::HighSide, thermal.highSide},
                                       std::pair{HeatedPart::LowSide, thermal.lowSide},
                                       std::pair{HeatedPart::Inductor, thermal.inductor}}) {
        if (!figure.given) continue;
        const std::string name = HeatedPartName(part, parts.rectifier);
        if (figure.margin < 0)
            over += (over.empty() ? "" : "; ") + LowerFirst(name) + " a " + celsius(figure.tj) +
                    ", " + celsius(-figure.margin) + " oltre " + limit;
        else if (coolest.empty() || figure.margin < smallest) {
            coolest = name;
            smallest = figure.margin;
        }
    }
    if (!over.empty()) return "troppo caldo: " + over + ".";
    return "entro " + limit + ", margine minimo " + celsius(smallest) + " (" + LowerFirst(coolest) +
           ").";
}

std::string EfficiencyText(const Powers& powers, std::string_view separator) {
    return FormatFixed2(powers.efficiency * 100, separator) + " %";
}

namespace {

std::string Volts(double value, std::string_view separator) {
    return FormatScientific(value, 2, separator) + " V";
}

std::string DutyText(const RealPartsStudy& study, std::string_view separator) {
    if (!study.targetVo)
        return "non calcolato: i campi della verifica non contengono più i valori scritti dal "
               "progetto, e senza il progetto manca la Vo da raggiungere";
    const std::string target = Volts(*study.targetVo, separator);
    switch (study.duty.outcome) {
    case RealPartsOutcome::Found:
        return FormatFixed2(study.duty.D * 100, separator) + " %, per avere Vo media = " + target;
    case RealPartsOutcome::Unreachable:
        return "nessun duty cycle dà Vo media = " + target + " con questi componenti";
    case RealPartsOutcome::InvalidValues:
    case RealPartsOutcome::NoSteadyState:
        break;
    }
    return "non calcolabile: cercandolo si incontra un duty cycle senza regime periodico";
}

}  // namespace

std::vector<ReportLine> RealPartsSummary(const RealPartsStudy& study, std::string_view separator) {
    const RealPartsAnalysis& a = study.analysis;
    std::string mean = Volts(a.VoMean, separator);
    if (study.targetVo)
        mean += ", obiettivo " + Volts(*study.targetVo, separator) + " (" +
                PercentDifference(a.VoMean, *study.targetVo, separator) + ")";
    std::vector<ReportLine> lines{
        {"Conduzione", std::string(WordsOf(a.mode).adjective)},
        {"Corrente critica di carico", a.criticalLoad > 0
                                           ? FormatScientific(a.criticalLoad, 2, separator) + " A"
                                           : std::string(kNoCriticalLoad)},
        {"Vo media", mean},
        {"Ondulazione di Vo",
         FormatScientific(a.VoRipple * 1000, 2, separator) + " mV picco-picco"},
        {"Potenza in ingresso", FormatScientific(a.powers.input, 2, separator) + " W"},
        {"Potenza in uscita", FormatScientific(a.powers.output, 2, separator) + " W"},
        {"D′", DutyText(study, separator)},
        {"ΔiL", FormatScientific(a.deltaIL, 2, separator) + " A picco-picco"},
    };
    for (std::string& note : AnalysisNotes(a)) lines.push_back({"Nota", std::move(note)});
    if (!study.thermal) return lines;
    if (study.thermal->status == ThermalStatus::Converged)
        lines.push_back({"Nota", study.targetVo && study.duty.outcome == RealPartsOutcome::Found
                                     ? "figure alle temperature trovate, a D′."
                                     : "figure alle temperature trovate."});
    for (ReportLine& line : ThermalLines(*study.thermal, study.parts, separator))
        lines.push_back(std::move(line));
    return lines;
}

std::vector<std::string> AnalysisNotes(const RealPartsAnalysis& a) {
    std::vector<std::string> notes;
    if (a.zeroVoltageSwitching)
        notes.emplace_back(
            "l'interruttore alto si accende a tensione zero (ZVS): il suo diodo di corpo "
            "conduce prima dell'accensione, e le perdite di accensione e di Coss valgono zero.");
    else if (a.partialZvs)
        notes.emplace_back(
            "ZVS parziale: nel tempo morto td2 la corrente inversa di L carica le due Coss solo "
            "in parte, e l'interruttore alto si accende con la tensione residua ai capi; le "
            "perdite di accensione e di Coss contano la parte di escursione non compiuta.");
    else if (a.reversedSwing)
        notes.emplace_back(
            "nessuno ZVS: la corrente inversa di L non sposta il nodo nel tempo morto td2, e "
            "l'interruttore alto si accende con tutta Vi ai capi.");
    if (a.switchingBeyondOnTime)
        notes.emplace_back(
            "tr + tf supera il tempo di accensione D/f: il modello lineare della "
            "commutazione non vale più, e la perdita di commutazione è solo "
            "indicativa.");
    if (a.gateWithoutDrive)
        notes.emplace_back(
            "la carica di gate Qg è data senza la tensione di pilotaggio Vdrv: la "
            "perdita di pilotaggio gate vale zero finché non scrivi Vdrv.");
    return notes;
}

std::string SwitchingTimeRefusal(const CircuitValues& circuit, const PartValues& parts) {
    if (std::string why = Broken(kRiseWithinPeriod, {parts.tr, circuit.f}); !why.empty())
        return why;
    if (std::string why = Broken(kFallWithinPeriod, {parts.tf, circuit.f}); !why.empty())
        return why;
    return DeadTimesRefusal(circuit.D, parts, circuit.f);
}

std::string NoFiguresExplanation(const RealPartsStudy& study) {
    if (!study.refusal.empty())
        return study.refusal + "\n\nCorreggi il valore e premi «Ricalcola» (o Invio in un campo).";
    switch (study.analysis.outcome) {
    case RealPartsOutcome::Found:
        return {};
    case RealPartsOutcome::InvalidValues:
        if (std::string why = SwitchingTimeRefusal(study.circuit, study.parts); !why.empty())
            return why;
        break;
    case RealPartsOutcome::Unreachable:
        break;
    case RealPartsOutcome::NoSteadyState:
        if (study.analysis.unphysical)
            return "Con questi valori i risultati del modello violerebbero la fisica (un "
                   "rendimento fuori da 0-100 %, una perdita negativa o un bilancio di energia che "
                   "non torna), quindi non vengono mostrati: i numeri del calcolo hanno perso la "
                   "precisione. Controlla i valori.";
        return "Con questi valori il convertitore non ha un regime periodico che il modello sappia "
               "descrivere: o la corrente nell'induttore scorre all'indietro quando l'interruttore "
               "si apre, e il suo ritorno attraverso l'interruttore non è modellato, o i risultati "
               "non sono numeri rappresentabili. Controlla i valori o prova un altro duty cycle.";
    }
    return "Con questi valori il modello non può calcolare il convertitore: controlla i campi.";
}

std::string RealPartsCsv(const Waveform& w) {
    std::string csv(kRealPartsCsvHeader);
    csv += '\n';
    for (std::size_t k = 0; k < w.time.size(); ++k) {
        csv += RoundTripText(w.time[k] * 1e6);
        for (const double value : {w.iL[k], w.isw[k], w.id[k], w.vsw[k], w.Vo[k], w.iC[k]})
            csv += ',' + RoundTripText(value);
        csv += '\n';
    }
    return csv;
}

}  // namespace stepdown

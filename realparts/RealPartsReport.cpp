#include "realparts/RealPartsReport.h"

#include <cstddef>

#include "common/TextFormat.h"

namespace stepdown {

std::vector<StressRow> StressTable(const RealPartsAnalysis& a, std::string_view separator) {
    const Stresses& s = a.stresses;
    const TextbookStresses& t = a.textbook;
    const struct {
        std::string_view quantity, unit;
        double simulated;
        const double* formula;
    } rows[] = {
        {"Induttore, picco", "A", s.inductor.peak, &t.peak},
        {"Induttore, RMS", "A", s.inductor.rms, &t.inductorRms},
        {"Induttore, media", "A", s.inductor.mean, &t.inductorMean},
        {"Interruttore, picco", "A", s.transistor.peak, &t.peak},
        {"Interruttore, RMS", "A", s.transistor.rms, &t.transistorRms},
        {"Interruttore, media", "A", s.transistor.mean, &t.transistorMean},
        {"Interruttore, tensione", "V", s.transistor.voltage, nullptr},
        {"Diodo, picco", "A", s.diode.peak, &t.peak},
        {"Diodo, RMS", "A", s.diode.rms, &t.diodeRms},
        {"Diodo, media", "A", s.diode.mean, &t.diodeMean},
        {"Diodo, tensione inversa", "V", s.diode.voltage, nullptr},
        {"Condensatore di uscita, RMS", "A", s.outputCapacitorRms, &t.outputCapacitorRms},
        {"Condensatore di ingresso, RMS", "A", s.inputCapacitorRms, &t.inputCapacitorRms},
    };
    // The textbook formulas assume a current that never stops.
    const bool continuous = a.mode == ConductionMode::Continuous;
    std::vector<StressRow> table;
    for (const auto& row : rows)
        table.push_back({std::string(row.quantity), std::string(row.unit),
                         FormatScientific(row.simulated, 2, separator),
                         !row.formula ? ""
                         : continuous ? FormatScientific(*row.formula, 2, separator)
                                      : std::string(kOnlyContinuous)});
    return table;
}

std::array<LossShare, 7> LossBreakdown(const Losses& l) {
    return {{{"Interruttore (Rds)", l.switchConduction},
             {"Commutazione", l.switching},
             {"Pilotaggio gate", l.gate},
             {"Diodo", l.diode},
             {"Induttore (DCR)", l.inductor},
             {"Condensatore (ESR)", l.outputCapacitor},
             {"Controllore (Iq)", l.quiescent}}};
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
        {"Conduzione",
         a.mode == ConductionMode::Continuous ? "continua (CCM)" : "discontinua (DCM)"},
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
    return lines;
}

std::vector<std::string> AnalysisNotes(const RealPartsAnalysis& a) {
    std::vector<std::string> notes;
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
    const double period = 1 / circuit.f;
    if (parts.tr > period)
        return "Il tempo di salita tr dell'interruttore supera il periodo di commutazione 1/f: "
               "l'interruttore non finirebbe di chiudersi prima del periodo successivo!";
    if (parts.tf > period)
        return "Il tempo di discesa tf dell'interruttore supera il periodo di commutazione 1/f: "
               "l'interruttore non finirebbe di aprirsi prima del periodo successivo!";
    return {};
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

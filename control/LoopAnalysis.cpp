#include "control/LoopAnalysis.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <tuple>

#include "control/CurrentMode.h"
#include "model/Conversions.h"
#include "realparts/RealParts.h"
#include "realparts/SynchronousStage.h"

namespace stepdown {
namespace {

constexpr double kDegrees = 180 / std::numbers::pi;
constexpr double kLowestFrequency = 10;  // Hz, where every plot starts
// The scan that brackets crossings before they are solved for: fine enough
// that two crossings closer than a grid step are the only ones it can miss.
constexpr int kScanPoints = 1000;
constexpr int kBisections = 80;

double AngleDeg(double x) { return std::atan(x) * kDegrees; }
double OmegaOf(double f) { return 2 * std::numbers::pi * f; }

std::string Figure(double value) { return FormatScientific(value, 2, "."); }

// A log-spaced grid from `low` to `high`, both ends exact.
std::vector<double> LogGrid(double low, double high, int points) {
    std::vector<double> grid(static_cast<std::size_t>(points));
    const double ratio = std::log(high / low);
    for (int k = 0; k < points; ++k)
        grid[static_cast<std::size_t>(k)] = low * std::exp(ratio * k / (points - 1));
    grid.front() = low;
    grid.back() = high;
    return grid;
}

// The root of `g` between a and b (opposite signs, g(a) > 0), bisected on log f.
double SolveLog(const std::function<double(double)>& g, double a, double b) {
    for (int k = 0; k < kBisections; ++k) {
        const double mid = std::sqrt(a * b);
        if (g(mid) > 0)
            a = mid;
        else
            b = mid;
    }
    return std::sqrt(a * b);
}

// Crossover, margins and their warnings over [10 Hz, f/2].
void FindMargins(const Plant& plant, const Compensator& c, double nyquist, LoopAnalysis& out) {
    const std::vector<double> scan = LogGrid(kLowestFrequency, nyquist, kScanPoints);
    std::vector<Response> values;
    values.reserve(scan.size());
    for (const double f : scan) values.push_back(LoopAt(plant, c, f));
    int falls = 0;
    std::size_t last = 0;
    for (std::size_t k = 1; k < scan.size(); ++k)
        if (values[k - 1].magDb > 0 && !(values[k].magDb > 0)) {
            ++falls;
            last = k;
        }
    const auto magnitude = [&](double f) { return LoopAt(plant, c, f).magDb; };
    const auto phase = [&](double f) { return LoopAt(plant, c, f).phaseDeg + 180; };
    if (values.back().magDb > 0)
        out.warnings.emplace_back(
            "|T| è maggiore di 1 a f/2: l'anello ha ancora guadagno a metà "
            "della frequenza di commutazione.");
    if (falls == 0) {
        out.warnings.emplace_back(
            "|T| non scende sotto 1 tra 10 Hz e f/2: nessuna frequenza di "
            "attraversamento, nessun margine.");
        return;
    }
    if (falls > 1)
        out.warnings.emplace_back(
            "|T| attraversa 1 più volte: fc è l'attraversamento più alto sotto "
            "f/2.");
    const double fc = SolveLog(magnitude, scan[last - 1], scan[last]);
    out.fc = fc;
    out.phaseMargin = 180 + LoopAt(plant, c, fc).phaseDeg;
    double before = fc;
    for (std::size_t k = last; k < scan.size(); ++k) {
        if (phase(before) > 0 && !(values[k].phaseDeg + 180 > 0)) {
            out.gainMargin = -magnitude(SolveLog(phase, before, scan[k]));
            break;
        }
        before = scan[k];
    }
    // A margin at or below zero: the closed loop has a pole in the right half-plane.
    for (const auto& [margin, name, unit] :
         {std::tuple{out.phaseMargin, "fase", "°"}, {out.gainMargin, "guadagno", " dB"}})
        if (margin && !(*margin > 0)) {
            out.warnings.push_back(std::string("Il margine di ") + name + " è di " +
                                   FormatFixed2(*margin, ".") + unit +
                                   ", non positivo: l'anello chiuso è instabile.");
            return;
        }
    for (std::size_t k = 0; k < scan.size() && scan[k] < fc; ++k)
        if (!(values[k].phaseDeg > -180)) {
            out.warnings.emplace_back(
                "La fase di T scende sotto -180° prima di fc: l'anello è "
                "stabile solo condizionatamente.");
            break;
        }
}

void CompensatorWarnings(const Compensator& c, double nyquist, LoopAnalysis& out) {
    const double highPole = (c.C1 + c.C2) / (2 * std::numbers::pi * c.R2 * c.C1 * c.C2);
    const bool thirdAbove = c.type == 3 && 1 / (2 * std::numbers::pi * c.R3 * c.C3) > nyquist;
    if (highPole > nyquist || thirdAbove)
        out.warnings.emplace_back(
            "Un polo del compensatore è oltre f/2, dove il modello mediato non "
            "vale più.");
}

// The conduction mode of the stage's steady state at D, as the averaged
// model takes it; nothing without one.
std::optional<ConductionMode> SteadyModeAt(const CircuitValues& circuit, const PartValues& parts,
                                           double D) {
    if (parts.rectifier == Rectifier::Diode) {
        const SteadyPeriod steady = ConverterModel(circuit, parts).SteadyState(D, true);
        if (steady.outcome != RealPartsOutcome::Found) return std::nullopt;
        return steady.mode;
    }
    const StagePeriod steady = SynchronousStage(circuit, parts).SteadyState(D);
    if (steady.outcome != RealPartsOutcome::Found) return std::nullopt;
    // Forced conduction reverses the current: its average stays the CCM one.
    if (parts.lowSideMode == LowSideMode::ForcedContinuous) return ConductionMode::Continuous;
    for (int k = 0; k < steady.pieceCount; ++k)
        if (steady.pieces[static_cast<std::size_t>(k)].kind == StageInterval::Blocked)
            return ConductionMode::Discontinuous;
    return ConductionMode::Continuous;
}

// In diode emulation's DCM the body diode carries the current for td1 of
// the freewheeling D2 T = D T (Vi - Vo)/Vo, the low-side switch the rest:
// its Vf counts for that share.
double EmulationDrop(const PartValues& parts, const LoopOperatingPoint& op,
                     const CircuitValues& circuit) {
    const double freewheeling = op.D / circuit.f * (circuit.Vi - op.Vo) / op.Vo;
    return parts.Vf * std::min(1.0, parts.td1 / freewheeling);
}

}  // namespace

LoopOperatingPoint AveragedOperatingPoint(const LoopCircuit& loop) {
    const PartValues& p = loop.parts;
    const Compensator& c = loop.compensator;
    LoopOperatingPoint op;
    op.Vo = loop.modulator.Vref * (1 + c.R1 / c.Rb);
    op.IL = op.Vo / loop.circuit.RL + op.Vo / (c.R1 + c.Rb);
    if (p.rectifier == Rectifier::Synchronous) {
        const double dead = (p.td1 + p.td2) * loop.circuit.f;
        op.dutyGain = loop.circuit.Vi + op.IL * (p.RdsLo - p.Rds);
        op.D = (op.Vo + op.IL * (p.DCR + (1 - dead) * p.RdsLo) + dead * (p.Vf + p.Rd * op.IL)) /
               op.dutyGain;
        const double slot = 1 - op.D - dead;
        op.seriesResistance = op.D * p.Rds + slot * p.RdsLo + dead * p.Rd + p.DCR;
        op.offDrop = dead * p.Vf / (1 - op.D);
        op.offResistance = (dead * p.Rd + slot * p.RdsLo) / (1 - op.D);
        return op;
    }
    op.dutyGain = loop.circuit.Vi + p.Vf + op.IL * (p.Rd - p.Rds);
    op.D = (op.Vo + p.Vf + op.IL * (p.Rd + p.DCR)) / op.dutyGain;
    op.seriesResistance = op.D * p.Rds + (1 - op.D) * p.Rd + p.DCR;
    op.offDrop = p.Vf;
    op.offResistance = p.Rd;
    return op;
}

double Plant::fLC() const {
    return std::sqrt((Req + RL) / (L * C * (RL + ESR))) / (2 * std::numbers::pi);
}

double Plant::Q() const {
    const double a1 = L + C * (Req * (RL + ESR) + RL * ESR);
    return std::sqrt((Req + RL) * L * C * (RL + ESR)) / a1;
}

double Plant::fESR() const { return 1 / (2 * std::numbers::pi * ESR * C); }

double Plant::fPole() const { return (go + 1 / RL) / (2 * std::numbers::pi * C); }

double Plant::DcGainDb() const {
    if (currentMode) return At(0).magDb;
    return 20 * std::log10(discontinuous ? gain / (go + 1 / RL) : gain / (Req + RL));
}

Response Plant::At(double f) const {
    if (currentMode) return CurrentModeResponse(*this, f);
    const double w = OmegaOf(f);
    if (discontinuous) {
        // Y = go + 1/R + jwC/(1 + jw ESR C), Gvd = gain/Y.
        const double a = w * ESR * C, wC = w * C / (1 + a * a);
        const double re = go + 1 / RL + wC * a, im = wC;
        return {20 * std::log10(gain / std::hypot(re, im)), -std::atan2(im, re) * kDegrees};
    }
    const double a2 = L * C * (RL + ESR);
    const double a1 = L + C * (Req * (RL + ESR) + RL * ESR);
    const double a0 = Req + RL;
    const double re = a0 - a2 * w * w, im = a1 * w;
    const double zero = w * ESR * C;
    return {20 * std::log10(gain * std::hypot(1.0, zero) / std::hypot(re, im)),
            AngleDeg(zero) - std::atan2(im, re) * kDegrees};
}

Plant AveragedPlant(const LoopCircuit& loop, const LoopOperatingPoint& op, double Fm) {
    return {Fm * op.dutyGain * loop.circuit.RL,
            loop.circuit.L,
            loop.circuit.C,
            loop.circuit.RL,
            loop.parts.ESR,
            op.seriesResistance};
}

double ShownModulatorGain(const Modulator& m) {
    return m.control == ControlMethod::PeakCurrent ? 1 : 1 / m.Vramp;
}

Response CompensatorAt(const Compensator& c, double f) {
    const double w = OmegaOf(f);
    const double zero = w * c.R2 * c.C1;
    const double pole = w * c.R2 * (c.C1 * c.C2 / (c.C1 + c.C2));
    double mag = std::hypot(1.0, zero) / (w * c.R1 * (c.C1 + c.C2) * std::hypot(1.0, pole));
    double phase = -90 + AngleDeg(zero) - AngleDeg(pole);
    if (c.type == 3) {
        const double zero3 = w * (c.R1 + c.R3) * c.C3, pole3 = w * c.R3 * c.C3;
        mag *= std::hypot(1.0, zero3) / std::hypot(1.0, pole3);
        phase += AngleDeg(zero3) - AngleDeg(pole3);
    }
    return {20 * std::log10(mag), phase};
}

Response LoopAt(const Plant& plant, const Compensator& c, double f) {
    const Response p = plant.At(f), g = CompensatorAt(c, f);
    return {p.magDb + g.magDb, p.phaseDeg + g.phaseDeg};
}

LoopPlant PlantOf(const LoopCircuit& loop) {
    LoopPlant out;
    out.op = AveragedOperatingPoint(loop);
    LoopOperatingPoint& op = out.op;
    if (!(op.D > 0 && op.D < loop.modulator.Dmax) || !std::isfinite(op.D)) {
        out.refusal = "La tensione di uscita di " + Figure(op.Vo) + " V chiede un duty cycle di " +
                      Figure(op.D * 100) +
                      " %, fuori dall'intervallo da 0 a Dmax: l'anello non "
                      "può regolarla.";
        return out;
    }
    const Modulator& m = loop.modulator;
    // The operating point's duty cycle, once known, within the amplifier's reach.
    const auto reached = [&m, &out, &op, &loop] {
        if (m.control == ControlMethod::PeakCurrent) {
            const double peak = SensedPeak(loop, op, CurrentModeAt(loop, op));
            if (m.Vcmax < peak)
                out.refusal =
                    "L'amplificatore d'errore arriva al più a Ri Ilim = " + Figure(m.Vcmax) +
                    " V, sotto il picco di corrente misurato più la "
                    "rampa, " +
                    Figure(peak) + " V, del punto di lavoro: alza il limite di corrente Ilim.";
            return out;
        }
        if (m.Vcmax < op.D * m.Vramp)
            out.refusal = "L'amplificatore d'errore arriva al più a Vcmax = " + Figure(m.Vcmax) +
                          " V, sotto D Vramp = " + Figure(op.D * m.Vramp) +
                          " V: il modulatore non raggiunge il duty cycle di " + Figure(op.D * 100) +
                          " % del punto di lavoro, l'anello non può regolarlo.";
        return out;
    };
    const Compensator& c = loop.compensator;
    CircuitValues circuit = loop.circuit;
    circuit.RL = circuit.RL * (c.R1 + c.Rb) / (circuit.RL + c.R1 + c.Rb);
    const PartValues& parts = loop.parts;
    const bool synchronous = parts.rectifier == Rectifier::Synchronous;
    out.refusal = DeadTimesRefusal(op.D, parts, circuit.f);
    if (!out.refusal.empty()) return out;
    const std::optional<ConductionMode> mode = SteadyModeAt(circuit, parts, op.D);
    if (!mode) {
        out.refusal =
            "Il convertitore come costruito non ha uno stato stazionario al duty cycle "
            "del punto di lavoro.";
        return out;
    }
    out.mode = *mode;
    if (m.control == ControlMethod::PeakCurrent) {
        if (out.mode != ConductionMode::Continuous) {
            out.refusal =
                "Al punto di lavoro la corrente nell'induttore si annulla (conduzione "
                "discontinua): il modello mediato del controllo di corrente di picco vale solo "
                "in conduzione continua; aumenta L o il carico.";
            return out;
        }
        out.plant = CurrentModePlant(loop, op);
        return reached();
    }
    const double Fm = 1 / m.Vramp;
    out.plant = AveragedPlant(loop, op, Fm);
    if (out.mode == ConductionMode::Continuous) return reached();
    // Below the CCM duty cycle: the one the converter as built needs in DCM.
    const DutySynthesis duty = DutyForTarget(circuit, loop.parts, op.Vo);
    if (duty.outcome != RealPartsOutcome::Found) {
        out.refusal = "In conduzione discontinua nessun duty cycle dà la Vo di " + Figure(op.Vo) +
                      " V del partitore: l'anello non può regolarla.";
        return out;
    }
    op.D = duty.D;
    const double T = 1 / circuit.f, Vi = circuit.Vi, R = circuit.RL;
    const double Vf = synchronous ? EmulationDrop(parts, op, circuit) : parts.Vf;
    Plant& p = out.plant;
    p.discontinuous = true;
    p.RL = R;
    p.go = op.D * op.D * T * (Vi + Vf) * (Vi + Vf) / (2 * circuit.L * (op.Vo + Vf) * (op.Vo + Vf));
    p.gain = Fm * (2 * op.Vo / (R * op.D));
    return reached();
}

LoopAnalysis AnalyseLoop(const LoopCircuit& loop, int points) {
    LoopAnalysis out;
    LoopPlant plantOf = PlantOf(loop);
    out.op = plantOf.op;
    out.refusal = std::move(plantOf.refusal);
    if (!out.refusal.empty()) return out;
    out.valid = true;
    out.mode = plantOf.mode;
    out.plant = plantOf.plant;
    const Compensator& c = loop.compensator;
    const double Fm = ShownModulatorGain(loop.modulator);
    const Plant& plant = out.plant;
    if (plant.currentMode) out.currentMode = CurrentModeAt(loop, out.op);
    out.fLC = plant.fLC();
    out.Q = plant.Q();
    out.fESR = plant.fESR();
    out.dcGainDb = plant.DcGainDb() - 20 * std::log10(Fm);
    if (plant.discontinuous) out.fPole = plant.fPole();
    const double nyquist = loop.circuit.f / 2;
    out.f = LogGrid(kLowestFrequency, nyquist, points);
    for (const double f : out.f) {
        const Response p = plant.At(f), g = CompensatorAt(c, f);
        out.Gvd.magDb.push_back(p.magDb - 20 * std::log10(Fm));
        out.Gvd.phaseDeg.push_back(p.phaseDeg);
        out.Gc.magDb.push_back(g.magDb);
        out.Gc.phaseDeg.push_back(g.phaseDeg);
        out.T.magDb.push_back(p.magDb + g.magDb);
        out.T.phaseDeg.push_back(p.phaseDeg + g.phaseDeg);
    }
    // A loop some of whose figures are not numbers is not shown: its
    // refusal names the gains that scale it.
    bool finite = std::isfinite(out.fLC) && std::isfinite(out.Q) && std::isfinite(out.dcGainDb) &&
                  std::isfinite(out.fPole);
    for (const BodeCurve* curve : {&out.T, &out.Gvd, &out.Gc})
        for (const std::vector<double>* values : {&curve->magDb, &curve->phaseDeg})
            for (const double x : *values) finite = finite && std::isfinite(x);
    if (!finite) {
        out.valid = false;
        out.refusal = std::string(
                          "Con questi valori il guadagno d'anello non è un numero "
                          "rappresentabile a ogni frequenza: rivedi ") +
                      (plant.currentMode ? "il guadagno Ri del sensore di corrente"
                                         : "l'ampiezza della rampa Vramp") +
                      " e la resistenza R1 del partitore!";
        return out;
    }
    FindMargins(plant, c, nyquist, out);
    CompensatorWarnings(c, nyquist, out);
    return out;
}

}  // namespace stepdown

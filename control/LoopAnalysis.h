#pragma once
// The regulated converter's averaged small-signal model (continuous
// conduction): the operating point with the parts' drops, the plant Gvd, the
// compensator Gc and the loop gain T = Gc Fm Gvd, its Bode plot, crossover
// and margins.
//
// Averaged over a period, L iL' = d Vg - Vf - (Rd + DCR) iL - vo with the
// duty gain Vg = Vi + Vf + iL (Rd - Rds). At the operating point (vo = Vo,
// IL = Vo/RL + Vo/(R1 + Rb): the divider draws from the output)
//   D = (Vo + Vf + IL (Rd + DCR)) / (Vi + Vf + IL (Rd - Rds)),
// and around it L s iL = Vg d - Req iL - vo with Req = D Rds + (1 - D) Rd + DCR,
// vo = Z iL, Z = RL || (ESR + 1/(sC)). The loop is broken at the divider's
// top, so the divider does not load Z. Hence
//   Gvd = Vg RL (1 + s ESR C) / (a2 s^2 + a1 s + a0),
//   a2 = L C (RL + ESR), a1 = L + C (Req (RL + ESR) + RL ESR), a0 = Req + RL.
// Phases are sums of the factors' own angles, so they are continuous from
// the integrator's -90 degrees and never wrapped.
//
// In discontinuous conduction the inductor's current is no state of the
// average: the reduced-order model. The duty cycle is the one for which the
// converter as built gives Vo (D' of realparts, in DCM), and the mean current
// into the output, ideal switch and diode with its drop Vf,
//   i(d, vo) = d^2 T (Vi - vo)(Vi + Vf) / (2 L (vo + Vf)),
// gives, with R the load and the divider, Zc = ESR + 1/(sC),
//   Gvd = gid / (go + 1/R + 1/Zc),  gid = di/dd = 2 Vo/(R D),
//   go = -di/dvo = D^2 T (Vi + Vf)^2 / (2 L (Vo + Vf)^2):
// one pole, at (go + 1/R)/(2 pi C) without ESR; without Vf,
// Gvd(0) = (2 Vo/D)(1 - M)/(2 - M) and the pole (2 - M)/((1 - M) R C), M = Vo/Vi.
//
// A synchronous stage (realparts/SynchronousStage.h) averages the high-side
// switch over D, the body diode over the dead times Dd = (td1 + td2) f and
// the low-side switch over the rest, the current taken positive in the dead
// times:
//   D (Vi - Rds IL) = Vo + DCR IL + (1 - D - Dd) RdsLo IL + Dd (Vf + Rd IL),
// so Vg = Vi + IL (RdsLo - Rds) and Req = D Rds + (1 - D - Dd) RdsLo + Dd Rd + DCR.
// In diode emulation at light load its DCM model takes the body diode's Vf
// over the part of the freewheeling that td1 covers, none after it.

#include <cmath>
#include <complex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "control/ControlMethod.h"
#include "model/QuantityReader.h"
#include "realparts/ConverterModel.h"

namespace stepdown {

// The error amplifier's network; C3 and R3 unused by Type II. Ohm, F.
struct Compensator {
    int type = 3;
    double R1 = 0, Rb = 0, R2 = 0, R3 = 0, C1 = 0, C2 = 0, C3 = 0;
};

// The amplifier's largest output when left empty, in ramp amplitudes.
inline constexpr double kVcmaxPerVramp = 1.2;

// Each starts at its row's start text as the reader reads it.
struct Modulator {
    double Vref = StartValue(Row(QuantityGroup::Loop, key::vref));    // V
    double Vramp = StartValue(Row(QuantityGroup::Loop, key::vramp));  // V, Fm = 1/Vramp
    double Vcmax = kVcmaxPerVramp * Vramp;  // V; Ri Ilim in peak-current mode
    double Dmax = StartValue(Row(QuantityGroup::Loop, key::dmax));  // fraction
    ControlMethod control = ControlMethod::Voltage;
    // Peak-current mode only.
    double Ri = 0;             // V/A, the current sense's gain
    double Se = 0;             // V/s, the compensation ramp's slope
    double tblank = 0;         // s, the comparator is ignored for this long after turn-on
    double Ilim = 0;           // A, Vcmax / Ri
    bool rampChosen = false;   // Se was chosen for Qp = 1, not given
    bool limitChosen = false;  // Ilim was derived, not given
};

// Vi, f, L, C, RL of `circuit` (its D is not used), the parts, the controller.
struct LoopCircuit {
    CircuitValues circuit;
    PartValues parts;
    Modulator modulator;
    Compensator compensator;
};

struct LoopOperatingPoint {
    double D = 0;
    double IL = 0;                // A
    double Vo = 0;                // V, Vref (1 + R1/Rb)
    double dutyGain = 0;          // V, Vg
    double seriesResistance = 0;  // ohm, Req
    // The off time's mean source and resistance, L iL' = -offDrop -
    // (offResistance + DCR) iL - vo averaged over (1 - D) T: the diode's Vf
    // and Rd, or for a synchronous stage the body diode's share of the dead
    // times and the low-side switch's of its slot.
    double offDrop = 0;        // V
    double offResistance = 0;  // ohm
};

LoopOperatingPoint AveragedOperatingPoint(const LoopCircuit& loop);

struct Response {
    double magDb = 0;
    double phaseDeg = 0;
};

// The slopes and gains of peak-current mode at the operating point
// (control/CurrentMode.h).
struct CurrentModeFigures {
    double mn = 0, mf = 0;  // A/s, the inductor current's on and off slopes
    double Sn = 0, Se = 0;  // V/s, the sensed on-slope and the compensation ramp
    double mc = 0;          // 1 + Se/Sn
    double Qp = 0;          // of the double pole at f/2, 1/(pi (mc D' - 0.5))
    double seCritical = 0;  // V/s, the least ramp for a stable current loop alone
    double Fm = 0, kf = 0, kr = 0, kI = 0;
    double ripple = 0;  // A, the inductor current's peak to peak at the operating point
};

// Fm Gvd(s) over the averaged plant.
struct Plant {
    double gain = 0;  // Fm Vg RL, V/V over the denominator; in DCM Fm gid
    double L = 0, C = 0, RL = 0, ESR = 0, Req = 0;
    bool discontinuous = false;
    double go = 0;         // S, in DCM
    double fPole() const;  // Hz, in DCM
    double fLC() const;    // Hz
    double Q() const;
    double fESR() const;      // Hz, infinite without ESR
    double DcGainDb() const;  // of Fm Gvd
    Response At(double f) const;
    // Peak-current mode: the plant is Gvc (control/CurrentMode.h), not Fm Gvd.
    bool currentMode = false;
    double Fm = 0, Vd = 0, Ri = 0, kI = 0, kr = 0, T = 0;
};

Plant AveragedPlant(const LoopCircuit& loop, const LoopOperatingPoint& op, double Fm);
// What divides the plant's response to give Gvd: Fm = 1/Vramp in voltage
// mode, 1 in peak-current mode, whose plant Gvc is shown as it is.
double ShownModulatorGain(const Modulator& m);
Response CompensatorAt(const Compensator& c, double f);
// T = Gc Fm Gvd at one frequency.
Response LoopAt(const Plant& plant, const Compensator& c, double f);

// The switched closed loop's period map at its period-1 orbit
// (control/PeriodMultipliers.h).
struct PeriodMultipliers {
    std::string refusal;  // not empty: no period-1 orbit was found
    std::vector<std::complex<double>> values;
    double absMax = 0;
    std::optional<double> mostNegativeReal;  // the most negative real multiplier, if any is
    bool subharmonic = false;                // a real multiplier below -1
    // V/s: in peak-current mode, once subharmonic, the least ramp Se (within
    // 1 %) that takes every real multiplier above -1.
    std::optional<double> sufficientSe;
};

struct BodeCurve {
    std::vector<double> magDb, phaseDeg;
};

struct LoopAnalysis {
    bool valid = false;   // false: `refusal` says why there is no analysis
    std::string refusal;  // a clear message in Italian
    LoopOperatingPoint op;
    ConductionMode mode = ConductionMode::Continuous;
    double fLC = 0, Q = 0, fESR = 0, dcGainDb = 0;  // of Gvd, without Fm
    double fPole = 0;                               // Hz, Gvd's pole in DCM; 0 in CCM
    Plant plant;                                    // Fm Gvd
    std::vector<double> f;                          // Hz, log-spaced from 10 Hz to f/2
    BodeCurve T, Gvd, Gc;
    std::optional<double> fc, phaseMargin, gainMargin;  // Hz, degrees, dB
    std::vector<std::string> warnings;
    std::optional<CurrentModeFigures> currentMode;  // in peak-current mode
    std::optional<PeriodMultipliers> multipliers;   // in peak-current mode, by AnalyseLoopFor
};

// The plant's figures, described once for every output: the name in the
// JSON, the command's caption and the report's (which names the plant Gvd;
// Gvc in peak-current mode), the unit, and the words where the figure has no
// finite value (the ESR's zero with no ESR lies at infinity: there is none;
// the JSON writes null). The DCM pole is shown only in DCM.
struct PlantFigure {
    std::string_view name;
    std::string_view shortCaption;
    std::string_view caption;
    std::string_view unit;
    double LoopAnalysis::*value;
    std::string_view none = {};
};

inline constexpr std::string_view kNoEsrZero = "nessuno (ESR nulla)";
inline constexpr PlantFigure kPlantFigures[] = {
    {"fLC", "fLC", "Frequenza di risonanza fLC", "Hz", &LoopAnalysis::fLC},
    {"Q", "Q", "Fattore di merito Q", "", &LoopAnalysis::Q},
    {"fESR", "fESR", "Frequenza dello zero dell'ESR fESR", "Hz", &LoopAnalysis::fESR, kNoEsrZero},
    {"dcGainDb", "guadagno DC", "Guadagno in continua di Gvd", "dB", &LoopAnalysis::dcGainDb},
    {"fPole", "polo (DCM)", "Polo di Gvd in conduzione discontinua", "Hz", &LoopAnalysis::fPole},
};

// Whether `analysis` shows the figure: all but the DCM pole always.
inline bool Shows(const LoopAnalysis& analysis, const PlantFigure& figure) {
    return figure.value != &LoopAnalysis::fPole || analysis.fPole > 0;
}

// The operating point, the conduction mode and the plant Fm Gvd of `loop`,
// or the refusal that says why the loop cannot regulate: what the analysis
// and the design both start from.
struct LoopPlant {
    std::string refusal;
    LoopOperatingPoint op;
    ConductionMode mode = ConductionMode::Continuous;
    Plant plant;
};
LoopPlant PlantOf(const LoopCircuit& loop);

// How far, in per cent, the output the divider regulates to, Vref (1 + R1/Rb),
// lies from the one asked of it (a rounded or a typed Rb); nothing when none
// was asked or the two agree to 1e-9.
inline std::optional<double> VoOffAsked(double regulated, double asked) {
    if (!(asked > 0) || !(std::abs(regulated - asked) > 1e-9 * asked)) return std::nullopt;
    return (regulated / asked - 1) * 100;
}

// In peak-current mode, a period-1 orbit with a multiplier outside the unit
// circle: the switched loop never stays on it, and the averaged model's
// margins describe no circuit that runs. Every front end says so beside them.
inline bool MarginsOverUnstableOrbit(const LoopAnalysis& a) {
    return a.multipliers && a.multipliers->refusal.empty() && a.multipliers->absMax > 1;
}
inline constexpr std::string_view kUnstableOrbitMargins =
    "non validi: l'orbita di periodo 1 del convertitore commutato è instabile, i margini del "
    "modello mediato non descrivono il circuito";

// The analysis over `points` frequencies, in either conduction mode.
LoopAnalysis AnalyseLoop(const LoopCircuit& loop, int points = 200);

}  // namespace stepdown

#pragma once
// The buck converter as built, and its periodic steady state.
//
// State x = (iL, vC). The load RL sits across the output, the capacitor C has
// the series resistance ESR, and the output Vo is taken at the load. With
// Rp = RL + ESR:
//   Vo = (vC + ESR iL) RL / Rp,   iC = (RL iL - vC) / Rp,   C vC' = iC
// (so Vo = vC + ESR iC and iC = iL - Vo/RL). One period Ts = 1/f:
//   on, 0 <= t < D Ts:     L iL' = Vi - (Rds + DCR) iL - Vo    vsw = Vi - Rds iL, isw = iL
//   off, diode conducting: L iL' = -Vf - (Rd + DCR) iL - Vo    vsw = -Vf - Rd iL, id = iL
//   off, diode blocked:    iL = 0, vC' = -vC / (Rp C)           vsw = Vo
// The diode blocks once iL reaches zero during the off time (discontinuous
// conduction, DCM); a diode that also conducts backwards stays in the second
// interval for the whole off time. With every resistance zero and Vf = 0.6 V
// that is the idealised circuit of the verification.
//
// Each interval is x' = M x + u. Both conducting intervals have the form
// L iL' = E - Rs iL - Vo (E = Vi, Rs = Rds + DCR on; E = -Vf, Rs = Rd + DCR off):
//   M = [ -(Rs + ESR RL/Rp)/L   -(RL/Rp)/L ]    u = [ E/L ]
//       [  RL/(Rp C)            -1/(Rp C)  ]        [ 0   ]
// with tr M < 0 and det M = (Rs + RL)/(L Rp C) > 0, and the equilibrium
// xp = -M^-1 u = (E/(Rs + RL), RL E/(Rs + RL)): the DC operating point. The
// blocked interval is M = -I/(Rp C), xp = 0 (iL starts and stays at 0).
// realparts/LinearInterval.h integrates each exactly.
//
// Continuous conduction (CCM): with Pon = e^{Mon D Ts}, Poff = e^{Moff (1-D) Ts}
// the period map is affine, x -> A x + b with A = Poff Pon and b the image of
// x = 0, and the steady state is x* = (I - A)^-1 b. It is the steady state
// when the diode may conduct backwards, or when iL stays positive over the
// whole off time: a positive valley x*.iL is not enough, since a filter that
// rings fast against the period can take iL through zero and back above it
// before the period ends, and the diode blocks at that first zero.
// Otherwise DCM: the period starts at iL = 0, vC = v. After the on time the
// diode conducts until iL first reaches zero, tz after turn-off, then vC
// decays for (1-D) Ts - tz. Newton's method solves iL(tz; v) = 0 and
// vC(Ts; v, tz) = v for (v, tz) from the continuous solution's vC, with the
// Jacobian in closed form (d/dv through Pon, d/dtz = M (x - xp)). Where it does
// not converge to the first zero, the steady state is the root of
// g(v) = vC(Ts; v) - v bracketed on [0, Vi Rp/RL], tz found on the closed form
// for each v: g(0) > 0 since the on time charges C, and at the top Vo starts at
// Vi, so iL barely rises while the load drains C. iL falls while it is positive
// and Vo >= 0, but a lightly damped filter rings it back up past its zero, so
// the first zero is looked for on a grid of a quarter of the ringing period.
// A current flowing backwards when the switch opens would have to return
// through the switch, which is not modelled: with the diode blocking there is
// then no steady state.
// Everything is long double: I - A and P - I cancel when the period is short
// against the circuit's time constants.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "realparts/LinearInterval.h"

namespace stepdown {

// The circuit and its operating point, SI units.
struct CircuitValues {
    double Vi = 0;  // V
    double D = 0;   // duty cycle, fraction in (0, 1)
    double f = 0;   // Hz
    double L = 0;   // H
    double C = 0;   // F
    double RL = 0;  // ohm
};

// What carries the inductor current while the switch is off.
enum class Rectifier {
    Diode,        // a free-wheeling diode
    Synchronous,  // a low-side switch, with a body diode across each switch
};

// A synchronous stage at light load.
enum class LowSideMode {
    ForcedContinuous,  // the low-side switch conducts for its whole slot, iL may reverse
    DiodeEmulation,    // it turns off when iL reaches zero
};

// The parasitics and losses of the parts; all zero but Vf by default.
struct PartValues {
    double ESR = 0;   // ohm, of C
    double DCR = 0;   // ohm, of L
    double Rds = 0;   // ohm, the switch on
    double Vf = 0.6;  // V, the diode's forward drop
    double Rd = 0;    // ohm, the diode's series resistance
    double tr = 0;    // s, switch rise time
    double tf = 0;    // s, switch fall time
    double Qg = 0;    // C, gate charge
    double Vdrv = 0;  // V, gate drive voltage
    double Iq = 0;    // A, the controller's quiescent current
    // The synchronous stage; Vf and Rd are then the switches' body diodes.
    Rectifier rectifier = Rectifier::Diode;
    LowSideMode lowSideMode = LowSideMode::ForcedContinuous;
    double RdsLo = 0;   // ohm, the low-side switch on
    double td1 = 0;     // s, dead time after the high-side switch turns off
    double td2 = 0;     // s, dead time before it turns on again
    double CossHi = 0;  // F, output capacitance of the high-side switch
    double CossLo = 0;  // F, of the low-side switch
    double Qrr = 0;     // C, reverse-recovery charge of the low-side body diode
    double QgLo = 0;    // C, gate charge of the low-side switch
    // The thermal verdict. A thermal resistance of zero is one not given:
    // that part stays at Ta. The resistances above are those at 25 °C.
    double Ta = 25;          // °C, ambient
    double RthHigh = 0;      // K/W, high-side switch
    double RthLow = 0;       // K/W, low-side switch or diode
    double RthInductor = 0;  // K/W
    double TjMax = 150;      // °C
    double tcRds = 0.004;    // 1/K, of both switches' Rds(on)
    double tcDcr = 0.00393;  // 1/K, copper
};

enum class RealPartsOutcome {
    Found,
    InvalidValues,  // Vi, f, L, C, RL not positive, D outside (0, 1), a negative part value,
                    // tr or tf longer than the period, any value not finite, or a
                    // synchronous stage whose dead times leave no room: D + (td1 + td2) f >= 1
    NoSteadyState,  // the values are accepted but the results are not finite numbers, or
                    // iL flows backwards when the switch opens while the diode blocks (its
                    // way back through the switch is not modelled)
    Unreachable,    // no duty cycle in (0, 1) gives the target output voltage
};

// HeldInDeadTime: a synchronous stage in forced CCM whose iL reaches zero
// within a dead time, both body diodes then blocking it there until the next
// switch turns on; the stage keeps its continuous schedule all the same.
enum class ConductionMode { Continuous, Discontinuous, HeldInDeadTime };

// Blocked somewhere in the period: discontinuous, or only held in a dead time
// when the low side is forced on for the rest.
constexpr ConductionMode ModeOfBlocked(bool blocked, LowSideMode lowSide) {
    if (!blocked) return ConductionMode::Continuous;
    return lowSide == LowSideMode::ForcedContinuous ? ConductionMode::HeldInDeadTime
                                                    : ConductionMode::Discontinuous;
}

// The mode's words, the same in every output: "CCM", "continua (CCM)",
// "conduzione continua".
struct ConductionModeWords {
    std::string_view abbreviation, adjective, phrase;
};
constexpr ConductionModeWords WordsOf(ConductionMode mode) {
    if (mode == ConductionMode::Continuous) return {"CCM", "continua (CCM)", "conduzione continua"};
    if (mode == ConductionMode::HeldInDeadTime)
        return {"CCM0", "continua con iL ferma a zero nei tempi morti (CCM0)",
                "conduzione continua, iL ferma a zero nei tempi morti"};
    return {"DCM", "discontinua (DCM)", "conduzione discontinua"};
}

enum class IntervalKind { SwitchOn, DiodeConducting, DiodeBlocked };

// One interval of the steady-state period: its start state and P = e^{M duration}.
struct PeriodPiece {
    IntervalKind kind = IntervalKind::SwitchOn;
    Real duration = 0;  // s
    Vector2 start;
    Matrix2 propagator;
};

struct SteadyPeriod {
    RealPartsOutcome outcome = RealPartsOutcome::NoSteadyState;
    ConductionMode mode = ConductionMode::Continuous;
    std::array<PeriodPiece, 3> pieces{};  // in order: 2 in CCM, 3 in DCM
    int pieceCount = 0;
    // The iterations of Newton's method that found a discontinuous steady
    // state; 0 when the slower bracketed search found it, or in CCM.
    int newtonIterations = 0;
};

// L iL' = E - Rs iL - Vo with the output network of the circuit (RL, C with ESR).
LinearInterval Conducting(Real E, Real Rs, Real L, Real C, Real RL, Real ESR);

// A bracket of the first time in [0, duration] at which iL, nonzero at
// `start`, reaches zero (`end` is the state at `duration`); nothing when it
// keeps its sign. Without ringing iL crosses zero at most once; with it, the
// first step of a grid of a quarter of the ringing period that ends at or
// past zero holds the first crossing.
std::optional<std::array<Real, 2>> FirstZeroBracket(const LinearInterval& in, Vector2 start,
                                                    Real duration, Vector2 end);

// Vi, f, L, C, RL positive, part values non-negative, tr and tf within the
// period, all finite; D too when asked, with the dead times of a synchronous
// stage after it within the period.
bool ValidValues(const CircuitValues& values, const PartValues& parts, bool checkDuty);

// Empty when the stage's dead times leave room for the duty cycle D at
// `f`, or there are none (a diode); else the sentence that refuses them.
std::string DeadTimesRefusal(double D, const PartValues& parts, double f);

class ConverterModel {
public:
    // Requires ValidValues(values, parts, false).
    ConverterModel(const CircuitValues& values, const PartValues& parts);

    const LinearInterval& Interval(IntervalKind kind) const;
    Real Period() const { return period_; }
    Observable OutputVoltage() const { return outputVoltage_; }
    Observable CapacitorCurrent() const { return capacitorCurrent_; }

    // The steady state at duty cycle D in (0, 1). Inputs near the top of the
    // double range may leave numbers that are not finite in it.
    SteadyPeriod SteadyState(Real D, bool diodeBlocks) const;
    // The continuous-conduction fixed point x* (the diode conducting for the
    // whole off time) and the state at turn-off.
    std::array<Vector2, 2> ContinuousSolution(Real D) const;
    // The mean of Vo over the period, in closed form.
    Real MeanOutputVoltage(const SteadyPeriod& period) const;

private:
    // The propagators of the on and off times at a duty cycle.
    struct Switching {
        Real onTime, offTime;
        Matrix2 Pon, Poff;
    };
    // A period that starts at iL = 0, vC = v.
    struct DiscontinuousStart {
        Real v;
        Vector2 turnOff;
        Real crossing;    // s after turn-off at which iL first reaches zero, or the off time
        Real atCrossing;  // vC then
        Real endVoltage;  // vC at the period's end
        int newtonIterations;
    };

    Switching SwitchingAt(Real D) const;
    std::array<Vector2, 2> ContinuousSolution(const Switching& s) const;
    // One period started with the inductor empty (iL = 0) and vC = v: only
    // the current is at rest, the capacitor keeps its charge.
    DiscontinuousStart FromZeroCurrent(const Switching& s, Real v) const;
    std::optional<DiscontinuousStart> Discontinuous(const Switching& s,
                                                    Real continuousVoltage) const;
    // A bracket of the first zero of iL after turn-off; nothing when it stays positive.
    std::optional<std::array<Real, 2>> FirstZero(Vector2 turnOff, Real offTime, Vector2 end) const;

    Real period_;
    Real topVoltage_;  // vC at which Vo = Vi with iL = 0
    LinearInterval on_, conducting_, blocked_;
    Observable outputVoltage_, capacitorCurrent_;
};

}  // namespace stepdown

#include "netlist/ClosedLoopNetlist.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "control/CurrentMode.h"
#include "control/SwitchedSimulation.h"
#include "netlist/NetlistText.h"
#include "netlist/SpiceNetlist.h"

namespace stepdown {
namespace {

using namespace netlist;

std::string Mode(ConductionMode mode) { return std::string(WordsOf(mode).adjective); }

// What makes a latch's capacitor a latch: its state, read clamped to 0 .. 1,
// runs to the nearer rail once neither input drives it, near a rail twice as
// fast as the latch's own drive, and not at all on a rail. A reset too short
// to empty the capacitor (the comparator tripping for a nanosecond while vc
// slews) would otherwise leave it halfway, the switches open, for the rest
// of the period.
std::string Regeneration(const std::string& state) {
    return "+" + Plain(kLatchRegeneration) + '*' + state + "*(1-" + state + ")*(" + state + "-0.5)";
}

// The window [from, to] of the last whole period inside [after, until], the
// periods counted from t = 0 as the program counts them.
std::optional<std::pair<double, double>> LastPeriod(double f, double after, double until) {
    const double k = std::floor(until * f + 1e-9);
    if (!((k - 1) / f >= after - 1e-12 / f)) return std::nullopt;
    return std::pair{(k - 1) / f, k / f};
}

std::string Header(const LoopCircuit& loop, const TransientRequest& r, bool fromRest,
                   const TransientResult& figures) {
    const Compensator& k = loop.compensator;
    const Modulator& m = loop.modulator;
    std::string h =
        "* stepdown: il convertitore buck come costruito, ad anello chiuso\n"
        "* Da eseguire con: ngspice -b FILE\n";
    h += fromRest ? "* La simulazione parte da fermo (ogni stato a zero); il riferimento sale\n"
                    "* linearmente fino a Vref in tss (avvio graduale).\n"
                  : "* La simulazione parte dal regime periodico ad anello chiuso calcolato dal\n"
                    "* programma (uic e IC= di L1, C1, CC1, CC2, CC3): il primo periodo è già\n"
                    "* quello di regime.\n";
    h += "*\n" + CircuitLines(loop.circuit, loop.parts, false);
    if (m.control == ControlMethod::PeakCurrent)
        h += "* Controllo di corrente di picco: Vref = " + HeaderValue(m.Vref, "V") +
             ", Ri = " + HeaderValue(m.Ri, Row(QuantityGroup::Loop, key::ri).unit) +
             ", Se = " + HeaderValue(m.Se, "V/s") +
             ",\n*   tblank = " + HeaderValue(m.tblank, "s") +
             ", Ilim = " + HeaderValue(m.Ilim, "A") +
             ", Vcmax = Ri Ilim = " + HeaderValue(m.Vcmax, "V") + ", Dmax = " + Plain(m.Dmax, 6) +
             '\n';
    else
        h += "* Modulatore: Vref = " + HeaderValue(m.Vref, "V") +
             ", Vramp = " + HeaderValue(m.Vramp, "V") + ", Vcmax = " + HeaderValue(m.Vcmax, "V") +
             ", Dmax = " + Plain(m.Dmax, 6) + '\n';
    h += std::string("* Compensatore di tipo ") + (k.type == 3 ? "III" : "II") +
         ": R1 = " + HeaderValue(k.R1, "ohm") + ", Rb = " + HeaderValue(k.Rb, "ohm") +
         ",\n*   R2 = " + HeaderValue(k.R2, "ohm") + ", C1 = " + HeaderValue(k.C1, "F") +
         ", C2 = " + HeaderValue(k.C2, "F");
    if (k.type == 3) h += ", R3 = " + HeaderValue(k.R3, "ohm") + ", C3 = " + HeaderValue(k.C3, "F");
    h += '\n';
    if (r.tss > 0) h += "* Avvio graduale: tss = " + HeaderValue(r.tss, "s") + '\n';
    if (r.t1)
        h += "* Gradino di carico: RL -> " + HeaderValue(*r.rl2, "ohm") +
             " a t1 = " + HeaderValue(*r.t1, "s") + '\n';
    if (r.t2)
        h += "* Gradino di linea: Vi -> " + HeaderValue(*r.vi2, "V") +
             " a t2 = " + HeaderValue(*r.t2, "s") + '\n';
    h += "*\n* Il programma (anello chiuso commutato), da confrontare con le misure (.meas):\n";
    h += "*   prima del primo gradino, conduzione " + Mode(figures.steadyMode) + '\n';
    h += Figure("vo_mean", figures.steadyVoMean, "V", "Vo media dell'ultimo periodo");
    h += Figure("vo_ripple", figures.steadyVoRipple, "V", "ondulazione di Vo picco-picco");
    h += Figure("duty", figures.steadyDuty, "", "duty cycle");
    h += Figure("vo_divider", m.Vref * (1 + k.R1 / k.Rb), "V", "Vref (1 + R1/Rb)");
    if (fromRest) {
        h += Figure("il_peak", figures.ilPeak, "A", "iL massima all'avvio");
        h += Figure("vo_peak", figures.voPeak, "V", "Vo massima all'avvio");
    }
    const std::pair<const char*, const std::optional<StepFigures>&> steps[] = {
        {"load", figures.loadStep}, {"line", figures.lineStep}};
    for (const auto& [name, step] : steps) {
        if (!step) continue;
        const std::string n(name);
        h += "*   dopo il gradino " + std::string(n == "load" ? "di carico" : "di linea") +
             ", conduzione " + Mode(step->mode) + '\n';
        h += Figure(n + "_final", step->finalVoMean, "V", "Vo media finale");
        h += Figure(n + "_undershoot", step->undershoot, "V", "sottoelongazione di Vo");
        h += Figure(n + "_overshoot", step->overshoot, "V", "sovraelongazione di Vo");
    }
    return h + "*\n";
}

// The error amplifier and its network, the divider and the reference.
std::string Controller(const LoopCircuit& loop, const TransientRequest& r,
                       const std::array<double, 5>& s, double vc) {
    const Compensator& k = loop.compensator;
    const Modulator& m = loop.modulator;
    std::string n = "* Partitore: R1 da vo all'ingresso invertente fb, Rb da fb a massa\n";
    n += Element("R1", kOutputNode, "fb", SpiceNumber(k.R1));
    n += Element("RB", "fb", "0", SpiceNumber(k.Rb));
    n += "* Riferimento\n";
    n += Element("VREF", "ref", "0",
                 r.tss > 0 ? "PWL(0 0 " + SpiceNumber(r.tss) + ' ' + SpiceNumber(m.Vref) + ')'
                           : "DC " + SpiceNumber(m.Vref));
    // A transconductance into RAMP || CAMP: the gain and one pole. Near a
    // rail it stops pushing toward it, so that it leaves the rail as soon
    // as v(fb) crosses v(ref), as the ideal amplifier does; EVC buffers it.
    const double gm = 1, rail = 1e-3 * m.Vcmax;
    const std::string e = "(v(ref)-v(fb))";
    n += "* Amplificatore d'errore: guadagno " + Plain(kAmplifierGain) + ", banda " +
         Plain(kAmplifierBandwidth) + " f, uscita vc limitata a 0 .. Vcmax\n";
    n += "BAMP 0 va I=" + Plain(gm) + "*(max(" + e + ",0)*min(1,max(0,(" + Plain(m.Vcmax) +
         "-v(va))/" + Plain(rail) + "))+min(" + e + ",0)*min(1,max(0,v(va)/" + Plain(rail) +
         ")))\n";
    n += Element("RAMP", "va", "0", SpiceNumber(kAmplifierGain / gm));
    n += Element("CAMP", "va", "0",
                 SpiceNumber(gm / (2 * std::numbers::pi * kAmplifierBandwidth * loop.circuit.f)) +
                     " IC=" + SpiceNumber(vc));
    n += "EVC vc 0 va 0 1\n";
    n += "* Rete: R2 in serie a CC1, in parallelo a CC2, da fb a vc";
    n += k.type == 3 ? "; R3 in serie a CC3 da vo a fb\n" : "\n";
    n += Element("R2", "fb", "zf", SpiceNumber(k.R2));
    n += Element("CC1", "zf", "vc", SpiceNumber(k.C1) + " IC=" + SpiceNumber(s[2]));
    n += Element("CC2", "fb", "vc", SpiceNumber(k.C2) + " IC=" + SpiceNumber(s[3]));
    if (k.type == 3) {
        n += Element("CC3", kOutputNode, "zi", SpiceNumber(k.C3) + " IC=" + SpiceNumber(s[4]));
        n += Element("R3", "zi", "fb", SpiceNumber(k.R3));
    }
    return n;
}

// Where the sources' edges lie in a period, from its start: the ramp's
// reset, the clock's pulse, Dmax's.
std::vector<double> EdgePhases(const Modulator& m, double T) {
    const double e = kLoopEdgeFraction * T, set = kSetFraction * T;
    std::vector<double> phases{0, e / 2, e / 2 + set, 1.5 * e + set, T - 2 * e, T - e, T - e / 2};
    if ((1 - m.Dmax) * T > 2.5 * e) {
        phases.push_back(m.Dmax * T - e / 2);
        phases.push_back(m.Dmax * T + e / 2);
    }
    if (m.control == ControlMethod::PeakCurrent) {
        // The compensation ramp's reset, the latch's arming, the blanking's end.
        phases.insert(phases.end(), {T - 3 * e, T - 2.75 * e, T - 2.25 * e, T - 1.7 * e,
                                     T - 1.5 * e, T - 1.3 * e, T - 1.1 * e});
        if (m.tblank > 1.5 * e) phases.insert(phases.end(), {m.tblank - e / 2, m.tblank + e / 2});
    }
    return phases;
}

// The start of a step's edge at `t` or just after: no edge of the
// modulator's sources within half an edge of it, where ngspice would have
// two breakpoints a rounding apart.
double StepEdge(const Modulator& m, double T, double t) {
    const double e = kLoopEdgeFraction * T;
    const std::vector<double> phases = EdgePhases(m, T);
    for (int moved = 0; moved < 2 * static_cast<int>(phases.size()); ++moved) {
        const double period = std::floor(t / T) * T;
        std::optional<double> clash;
        for (const double shift : {-T, 0.0, T})
            for (const double phase : phases)
                if (const double b = period + shift + phase; b > t - e / 2 && b < t + 1.5 * e)
                    clash = std::max(clash.value_or(b), b);
        if (!clash) break;
        t = *clash + e / 2;
    }
    return t;
}

// The clock, its rising edge centred on the period's start, and the Dmax
// limit when it leaves room for its edges: appended to `n`; what resets the
// latch for Dmax, "1" without it.
std::string ClockAndLimit(const Modulator& m, double T, std::string& n) {
    const double e = kLoopEdgeFraction * T, set = kSetFraction * T;
    n += Element("VCLK", "clk", "0",
                 "PULSE(0 1 " + SpiceNumber(T - e / 2) + ' ' + SpiceNumber(e) + ' ' +
                     SpiceNumber(e) + ' ' + SpiceNumber(set) + ' ' + SpiceNumber(T) + ')');
    if (!((1 - m.Dmax) * T > 2.5 * e)) return "1";
    n += Element("VDMAX", "dmax", "0",
                 "PULSE(0 1 " + SpiceNumber(m.Dmax * T - e / 2) + ' ' + SpiceNumber(e) + ' ' +
                     SpiceNumber(e) + ' ' + SpiceNumber((1 - m.Dmax) * T - 2.5 * e) + ' ' +
                     SpiceNumber(T) + ')');
    return "(1-v(dmax))";
}

// The ramp, the clock and Dmax, and the latch: a capacitor that holds the
// switch's state, charged by the clock at each period's start, discharged by
// the comparator (ramp above vc) or Dmax, which win over the clock.
std::string PwmModulator(const LoopCircuit& loop, bool on) {
    const Modulator& m = loop.modulator;
    const double T = 1 / loop.circuit.f, e = kLoopEdgeFraction * T;
    std::string n =
        "* Modulatore: la rampa 0 -> Vramp in ogni periodo, l'impulso che accende\n"
        "* all'inizio del periodo, il limite Dmax; il comparatore spegne quando la\n"
        "* rampa raggiunge vc, e il condensatore del latch tiene lo stato\n";
    // Rising at Vramp/T from each period's start; reset over an edge that ends
    // an edge before the clock's.
    n += Element("VRAMP", "ramp", "0",
                 "PULSE(0 " + SpiceNumber(m.Vramp * (1 - 2 * kLoopEdgeFraction)) + " 0 " +
                     SpiceNumber(T - 2 * e) + ' ' + SpiceNumber(e) + " 0 " + SpiceNumber(T) + ')');
    const std::string limit = ClockAndLimit(m, T, n);
    const double width = kLatchFraction * m.Vramp, tau = kLatchFraction * T, c = 1e-9;
    n +=
        "BRST rst 0 V=1-(1-min(1,max(0,0.5+(v(ramp)-v(vc))/" + Plain(width) + ")))*" + limit + '\n';
    n += "BCTL 0 ctl I=" + Plain(c / tau) + "*(v(clk)*(1-v(rst))*(1-v(ctl))-v(rst)*v(ctl)" +
         Regeneration("min(1,max(0,v(ctl)))") + ")\n";
    return n + Element("CCTL", "ctl", "0", SpiceNumber(c) + " IC=" + (on ? "1" : "0"));
}

// Peak-current mode: the comparator sets Ri iL plus the compensation ramp
// against vc; the clock sets the latch only while the comparator is low (a
// current already above vc skips the pulse), and the comparator resets it
// only once the blanking time is over.
std::string PeakModulator(const LoopCircuit& loop, bool on) {
    const Modulator& m = loop.modulator;
    const double T = 1 / loop.circuit.f, e = kLoopEdgeFraction * T;
    std::string n =
        "* Modulatore di corrente di picco: la rampa di compensazione Se in ogni periodo,\n"
        "* l'impulso che accende all'inizio del periodo, il limite Dmax; il comparatore\n"
        "* spegne quando Ri iL + rampa raggiunge vc, non prima di tblank\n";
    // Rising at Se from each period's start, held for a quarter edge (ngspice
    // reads a zero width as one time step), reset within the next half edge:
    // before Dmax's fall, whose instants ngspice could not also take.
    n += Element("VRAMP", "ramp", "0",
                 "PULSE(0 " + SpiceNumber(m.Se * (T - 3 * e)) + " 0 " + SpiceNumber(T - 3 * e) +
                     ' ' + SpiceNumber(e / 2) + ' ' + SpiceNumber(e / 4) + ' ' + SpiceNumber(T) +
                     ')');
    const std::string limit = ClockAndLimit(m, T, n);
    std::string heard = "v(cmp)";
    if (m.tblank > 1.5 * e) {
        n += Element("VBLANK", "blank", "0",
                     "PULSE(1 0 " + SpiceNumber(m.tblank - e / 2) + ' ' + SpiceNumber(e) + ' ' +
                         SpiceNumber(e) + ' ' + SpiceNumber(T - m.tblank - 1.5 * e) + ' ' +
                         SpiceNumber(T) + ')');
        heard = "v(cmp)*(1-v(blank))";
    }
    // The comparator's band: a ten-thousandth of what the sensed signal
    // rises in a period, as the voltage mode's is of its ramp.
    const double rise = (CurrentModeAt(loop, AveragedOperatingPoint(loop)).Sn + m.Se) * T;
    const double width = kLatchFraction * rise, tau = kLatchFraction * T, c = 1e-9;
    n += "BCMP cmp 0 V=min(1,max(0,0.5+(v(ramp)+" + Plain(m.Ri) + "*i(VSENSE)-v(vc))/" +
         Plain(width) + "))\n";
    n += "BRST rst 0 V=1-(1-" + heard + ")*" + limit + '\n';
    // The clock sets the latch once a period: the current falls after the
    // turn-off and would let the clock set it again within its pulse. ARM is
    // cleared, ten times faster than the latch moves, while the latch is
    // being reset, and armed again just before the next clock.
    n += Element("VARM", "rearm", "0",
                 "PULSE(0 1 " + SpiceNumber(T - 1.7 * e) + ' ' + SpiceNumber(e / 5) + ' ' +
                     SpiceNumber(e / 5) + ' ' + SpiceNumber(e / 5) + ' ' + SpiceNumber(T) + ')');
    // Both capacitors' voltages are read clamped to 0 .. 1: the products of
    // states overshooting within a step would otherwise run away.
    const std::string arm = "min(1,max(0,v(arm)))", ctl = "min(1,max(0,v(ctl)))";
    n += "BARM 0 arm I=" + Plain(c / tau) + "*(v(rearm)*(1-" + arm + ")-10*v(rst)*" + ctl + '*' +
         arm + Regeneration(arm) + ")\n";
    n += Element("CARM", "arm", "0", SpiceNumber(c) + " IC=" + (on ? "0" : "1"));
    n += "BCTL 0 ctl I=" + Plain(c / tau) + "*(v(clk)*" + arm + "*(1-v(cmp))*(1-v(rst))*(1-" + ctl +
         ")-v(rst)*" + ctl + Regeneration(ctl) + ")\n";
    return n + Element("CCTL", "ctl", "0", SpiceNumber(c) + " IC=" + (on ? "1" : "0"));
}

// A synchronous stage's low side: closed td1 after the high side opens,
// open from td2 before the period's end. TOFF counts the high side's open
// time in periods: charged at 1 V a period once the latch is below 0.2,
// where the high side has already opened, and emptied ten times faster
// than the latch moves while it is above or the clock is high, so that a
// skipped pulse starts the count at the period's start. LSWIN opens the low
// side over [T - td2, T]. In diode emulation the latch LSOK, set while the
// high side carries a positive current, is reset once iL falls to zero: the
// low side then stays open until the next period.
std::string LowSideDrive(const LoopCircuit& loop, bool currentAtStart) {
    const PartValues& p = loop.parts;
    const double T = 1 / loop.circuit.f, e = kLoopEdgeFraction * T;
    const double tau = kLatchFraction * T, c = 1e-9;
    std::string n =
        "* Interruttore basso, Ron = Rds(on) basso: chiuso td1 dopo l'apertura dell'alto "
        "(contatore toff), aperto da T - td2 a T (finestra lswin)";
    n += p.lowSideMode == LowSideMode::DiodeEmulation
             ? "; in emulazione del diodo si apre a iL = 0 (latch lsok)\n"
             : "\n";
    const std::string open = "min(1,max(0,(0.2-v(ctl))/0.1))*(1-v(clk))";
    n += "BTOFF 0 toff I=" + Plain(c / T) + '*' + open + '-' + Plain(10 * c / tau) + "*(1-" + open +
         ")*v(toff)\n";
    n += Element("CTOFF", "toff", "0", SpiceNumber(c) + " IC=0");
    std::string gate =
        "min(1,max(0,(v(toff)-" + Plain(p.td1 / T) + ")/" + Plain(kLatchFraction) + "))";
    if (p.td2 > 0) {
        const double w = std::min(e, p.td2 / 2);
        n +=
            Element("VLSWIN", "lswin", "0",
                    "PULSE(1 0 " + SpiceNumber(T - p.td2 - w / 2) + ' ' + SpiceNumber(w) + ' ' +
                        SpiceNumber(w) + ' ' + SpiceNumber(p.td2 - w) + ' ' + SpiceNumber(T) + ')');
        gate += "*v(lswin)";
    }
    if (p.lowSideMode == LowSideMode::DiodeEmulation) {
        // The band: a ten-thousandth of the ripple just above zero, as the
        // open stage's emulation has it.
        const LoopOperatingPoint op = AveragedOperatingPoint(loop);
        const double ripple = OnSlope(loop, op) * op.D * T;
        const double band = std::max(kLatchBand * std::abs(ripple), 1e-12);
        const std::string ok = "min(1,max(0,v(lsok)))";
        n += "BPOS pos 0 V=min(1,max(0,(i(VSENSE)-" + Plain(band) + ")/" + Plain(band) + "))\n";
        n += "BLSOK 0 lsok I=" + Plain(c / tau) + "*(min(1,max(0,v(ctl)))*v(pos)*(1-" + ok +
             ")-(1-v(pos))*" + ok + Regeneration(ok) + ")\n";
        n += Element("CLSOK", "lsok", "0", SpiceNumber(c) + " IC=" + (currentAtStart ? "1" : "0"));
        gate += '*' + ok;
    }
    return n + "Bctllo ctllo 0 V=" + gate + '\n';
}

// The .options and .tran lines of the loop's run to `stop`: a step of at most
// T/kLoopStepsPerPeriod, and a tenth of the network's fastest time constant
// when that is shorter, down to a tenth of that step. Gear's method: the
// trapezoidal rule's ringing on the latch's capacitor could hold ngspice's
// time at one instant.
std::string LoopTransient(const LoopCircuit& loop, double stop) {
    const Compensator& k = loop.compensator;
    const double longest = 1 / (loop.circuit.f * kLoopStepsPerPeriod);
    double fastest = k.R2 * k.C1 * k.C2 / (k.C1 + k.C2);
    if (k.type == 3) fastest = std::min(fastest, k.R3 * k.C3);
    const double step = std::clamp(fastest / 10, longest / 10, longest);
    return "*\n.options reltol=1e-4 method=gear\n.tran " + SpiceNumber(step) + ' ' +
           SpiceNumber(stop) + " 0 " + SpiceNumber(step) + " uic\n";
}

std::string StepMeasures(std::string_view name, double f, double from, double until) {
    std::string n;
    const std::string s(name);
    n += Measure(s + "_min", "MIN", "v(vo)", from, until);
    n += Measure(s + "_max", "MAX", "v(vo)", from, until);
    if (const auto last = LastPeriod(f, from, until)) {
        n += Measure(s + "_final", "AVG", "v(vo)", last->first, last->second);
        n += Parameter(s + "_undershoot", s + "_final-" + s + "_min");
        n += Parameter(s + "_overshoot", s + "_max-" + s + "_final");
    }
    return n;
}

}  // namespace

std::string SpiceClosedLoopNetlist(const LoopCircuit& loop, const TransientRequest& r,
                                   const std::optional<std::array<double, 5>>& start,
                                   const TransientResult& figures) {
    const CircuitValues& c = loop.circuit;
    const Modulator& m = loop.modulator;
    const double T = 1 / c.f, edge = kLoopEdgeFraction * T;
    const std::array<double, 5> s = start.value_or(std::array<double, 5>{});
    // The amplifier's output at the start, as the program's: within its rails.
    const double vc = start ? std::clamp(m.Vref - s[3], 0.0, m.Vcmax) : 0.0;
    std::string n = Header(loop, r, !start, figures);
    n += "* Ingresso\n";
    const double lineEdge = r.t2 ? StepEdge(m, T, *r.t2) : 0;
    n += Element("Vi", kInputNode, "0",
                 r.t2 ? "PWL(0 " + SpiceNumber(c.Vi) + ' ' + SpiceNumber(lineEdge) + ' ' +
                            SpiceNumber(c.Vi) + ' ' + SpiceNumber(lineEdge + edge) + ' ' +
                            SpiceNumber(*r.vi2) + ')'
                      : "DC " + SpiceNumber(c.Vi));
    n += "* Interruttore, Ron = Rds(on), comandato dal modulatore (nodo ctl)\n";
    // On above 0.75, off below 0.25: a latch held halfway (vc at the ramp's foot as the
    // clock sets it) never chatters the switch.
    const bool synchronous = loop.parts.rectifier == Rectifier::Synchronous;
    n += PowerStage(c, loop.parts, s[0], s[1], "Vt=0.5 Vh=0.25",
                    m.control == ControlMethod::PeakCurrent ||
                        (synchronous && loop.parts.lowSideMode == LowSideMode::DiodeEmulation));
    if (r.t1) {
        const double loadEdge = StepEdge(m, T, *r.t1);
        n += "* Gradino di carico a t1: la conduttanza 1/RL2 - 1/RL si aggiunge a RL\n";
        n += Element("VGSTEP", "gstep", "0",
                     "PWL(0 0 " + SpiceNumber(loadEdge) + " 0 " + SpiceNumber(loadEdge + edge) +
                         ' ' + SpiceNumber(1 / *r.rl2 - 1 / c.RL) + ')');
        n += "BSTEP vo 0 I=v(vo)*v(gstep)\n";
    }
    if (m.control == ControlMethod::PeakCurrent)
        n += Controller(loop, r, s, vc) +
             PeakModulator(loop, start && vc > 0 && vc - m.Ri * s[0] > 0 && m.Dmax > 0);
    else
        n += Controller(loop, r, s, vc) + PwmModulator(loop, start && vc > 0 && m.Dmax > 0);
    if (synchronous) n += LowSideDrive(loop, s[0] > 0);
    n += LoopTransient(loop, r.tend);
    const double firstStep = FirstStepTime(r);
    if (!start) {
        n += "* L'avvio\n";
        n += Measure("il_peak", "MAX", "i(L1)", 0, firstStep);
        n += Measure("vo_peak", "MAX", "v(vo)", 0, firstStep);
    } else {
        n += "* Il primo periodo\n";
        n += Measure("vo_mean_first", "AVG", "v(vo)", 0, T);
    }
    if (const auto last = LastPeriod(c.f, 0, firstStep)) {
        n += "* L'ultimo periodo prima del primo gradino\n";
        n += Measure("vo_mean", "AVG", "v(vo)", last->first, last->second);
        n += Measure("vo_max", "MAX", "v(vo)", last->first, last->second);
        n += Measure("vo_min", "MIN", "v(vo)", last->first, last->second);
        n += Parameter("vo_ripple", "vo_max-vo_min");
    }
    if (r.t1)
        n += "* Il gradino di carico\n" + StepMeasures("load", c.f, *r.t1, StepWindowEnd(r, *r.t1));
    if (r.t2)
        n += "* Il gradino di linea\n" + StepMeasures("line", c.f, *r.t2, StepWindowEnd(r, *r.t2));
    return n + ".end\n";
}

ClosedLoopExport ExportClosedLoop(const LoopCircuit& loop, const TransientRequest& request) {
    ClosedLoopExport out;
    const RegulatedRun run = RunRegulated(loop, request);
    out.unsettled = run.unsettled;
    out.refusal = run.result.refusal;
    if (out.refusal.empty())
        out.netlist = SpiceClosedLoopNetlist(loop, request, run.start, run.result);
    return out;
}

}  // namespace stepdown

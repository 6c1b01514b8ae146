#include "netlist/SpiceNetlist.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "netlist/NetlistText.h"

namespace stepdown {
namespace {

struct Suffix {
    int exponent;
    std::string_view text;
};
constexpr std::array<Suffix, 10> kSuffixes{{{12, "T"},
                                            {9, "G"},
                                            {6, "Meg"},
                                            {3, "k"},
                                            {0, ""},
                                            {-3, "m"},
                                            {-6, "u"},
                                            {-9, "n"},
                                            {-12, "p"},
                                            {-15, "f"}}};

}  // namespace

namespace netlist {

std::string Plain(double value, int significantDigits) {
    std::array<char, 64> buffer{};
    char* const first = buffer.data();
    char* const last = first + buffer.size();
    const auto result =
        significantDigits > 0
            ? std::to_chars(first, last, value, std::chars_format::general, significantDigits)
            : std::to_chars(first, last, value);
    return std::string(first, result.ptr);
}

std::string HeaderValue(double value, std::string_view unit) {
    std::string number = SpiceNumber(std::strtod(Plain(value, 6).c_str(), nullptr));
    std::string prefix;
    if (number.find('e') == std::string::npos) {
        const std::size_t letter = number.find_first_not_of("-.0123456789");
        if (letter != std::string::npos) {
            prefix = number.substr(letter) == "Meg" ? "M" : number.substr(letter);
            number.resize(letter);
        }
    }
    return number + ' ' + prefix + std::string(unit);
}

std::string Element(std::string_view name, std::string_view plus, std::string_view minus,
                    const std::string& value) {
    return std::string(name) + ' ' + std::string(plus) + ' ' + std::string(minus) + ' ' + value +
           '\n';
}

std::string Measure(std::string_view name, std::string_view what, std::string_view variable,
                    double from, double to) {
    return ".meas tran " + std::string(name) + ' ' + std::string(what) + ' ' +
           std::string(variable) + " FROM=" + SpiceNumber(from) + " TO=" + SpiceNumber(to) + '\n';
}

std::string Parameter(std::string_view name, const std::string& expression) {
    return ".meas tran " + std::string(name) + " PARAM='" + expression + "'\n";
}

std::string Figure(std::string_view name, double value, std::string_view unit,
                   std::string_view what) {
    std::string line = "*   " + std::string(name);
    line.resize(std::max<std::size_t>(18, line.size() + 1), ' ');
    line += "= " + Plain(value, 6) + ' ' + std::string(unit);
    line.resize(std::max<std::size_t>(38, line.size() + 1), ' ');
    return line + std::string(what) + '\n';
}

std::string CircuitLines(const CircuitValues& c, const PartValues& p, bool withDuty) {
    std::string h = "* Circuito: Vi = " + HeaderValue(c.Vi, "V") +
                    (withDuty ? ", D = " + Plain(c.D, 6) : std::string()) +
                    ", f = " + HeaderValue(c.f, "Hz") + ",\n*   L = " + HeaderValue(c.L, "H") +
                    ", C = " + HeaderValue(c.C, "F") + ", RL = " + HeaderValue(c.RL, "ohm") + '\n';
    h += "* Componenti: ESR = " + HeaderValue(p.ESR, "ohm") +
         ", DCR = " + HeaderValue(p.DCR, "ohm") + ", Rds(on) = " + HeaderValue(p.Rds, "ohm") +
         ",\n*   Vf = " + HeaderValue(p.Vf, "V") + ", Rd = " + HeaderValue(p.Rd, "ohm") +
         ", tr = " + HeaderValue(p.tr, "s") + ", tf = " + HeaderValue(p.tf, "s") +
         ",\n*   Qg = " + HeaderValue(p.Qg, "C") + ", Vdrv = " + HeaderValue(p.Vdrv, "V") +
         ", Iq = " + HeaderValue(p.Iq, "A") + '\n';
    if (p.rectifier == Rectifier::Synchronous)
        h += "* Raddrizzatore sincrono: Rds(on) basso = " + HeaderValue(p.RdsLo, "ohm") +
             ", td1 = " + HeaderValue(p.td1, "s") + ", td2 = " + HeaderValue(p.td2, "s") +
             ",\n*   Coss = " + HeaderValue(p.CossHi, "F") + " / " + HeaderValue(p.CossLo, "F") +
             ", Qrr = " + HeaderValue(p.Qrr, "C") + ", Qg basso = " + HeaderValue(p.QgLo, "C") +
             " (Vf e Rd: i diodi di corpo)\n";
    return h;
}

std::string PowerStage(const CircuitValues& c, const PartValues& p, double startIL, double startVC,
                       std::string_view threshold, bool senseCurrent) {
    std::string n = "S1 " + std::string(kInputNode) + ' ' + kSwitchNode + " ctl 0 SWITCH\n";
    n += ".model SWITCH SW(" + std::string(threshold) +
         " Ron=" + SpiceNumber(p.Rds > 0 ? p.Rds : kLeastOnResistance) +
         " Roff=" + SpiceNumber(kOffResistance) + ")\n";
    if (p.rectifier == Rectifier::Synchronous) {
        n += "* Interruttore basso, comandato da ctllo, e i due diodi di corpo (Vf, Rd)\n";
        n += "S2 " + std::string(kSwitchNode) + " 0 ctllo 0 SWITCHLO\n";
        n += ".model SWITCHLO SW(" + std::string(threshold) +
             " Ron=" + SpiceNumber(p.RdsLo > 0 ? p.RdsLo : kLeastOnResistance) +
             " Roff=" + SpiceNumber(kOffResistance) + ")\n";
        // Above Vi by Vf and Rd |iL|: the high-side body diode returns a
        // current flowing backwards to the input.
        n += Element("VFH", "dhv", kInputNode, "DC " + SpiceNumber(p.Vf));
        std::string cathode = "dhv";
        if (p.Rd > 0) {
            n += Element("RDH", "dhr", "dhv", SpiceNumber(p.Rd));
            cathode = "dhr";
        }
        n += Element("DHB", kSwitchNode, cathode, "DIODE");
    }
    // The junction's own drop is a few millivolts against Vf; it blocks
    // once iL reaches zero, as the model's diode does.
    n +=
        p.rectifier == Rectifier::Synchronous
            ? "* Diodo di ricircolo, il diodo di corpo basso: Vf, Rd e un diodo ripido che blocca\n"
            : "* Diodo di ricircolo: Vf, Rd e un diodo ripido che blocca\n";
    n += Element("VF", "0", "dvf", "DC " + SpiceNumber(p.Vf));
    std::string anode = "dvf";
    if (p.Rd > 0) {
        n += Element("RD", "dvf", "drd", SpiceNumber(p.Rd));
        anode = "drd";
    }
    n += Element("DFW", anode, kSwitchNode, "DIODE");
    n += ".model DIODE D(IS=1e-12 N=0.001)\n";
    n += "* Induttore con la sua DCR; IC= la corrente di regime all'accensione\n";
    const std::string coil = p.DCR > 0 ? "ldcr" : kOutputNode;
    // The controller reads iL through a 0 V source: ngspice could not take
    // an inductor's own current into a comparator's expression.
    n += Element("L1", kSwitchNode, senseCurrent ? "lsense" : coil,
                 SpiceNumber(c.L) + " IC=" + SpiceNumber(startIL));
    if (senseCurrent) n += Element("VSENSE", "lsense", coil, "DC 0");
    if (p.DCR > 0) n += Element("RDCR", coil, kOutputNode, SpiceNumber(p.DCR));
    n += "* Condensatore con la sua ESR; IC= la tensione di regime all'accensione\n";
    const std::string plate = p.ESR > 0 ? "cesr" : kOutputNode;
    if (p.ESR > 0) n += Element("RESR", kOutputNode, plate, SpiceNumber(p.ESR));
    n += Element("C1", plate, "0", SpiceNumber(c.C) + " IC=" + SpiceNumber(startVC));
    n += "* Carico\n";
    return n + Element("RL", kOutputNode, "0", SpiceNumber(c.RL));
}

std::string Transient(double f, double stop) {
    const double step = 1 / (f * kNetlistStepsPerPeriod);
    return "*\n.options reltol=1e-4\n.tran " + SpiceNumber(step) + ' ' + SpiceNumber(stop) + " 0 " +
           SpiceNumber(step) + " uic\n";
}

}  // namespace netlist

namespace {

using namespace netlist;

std::string Header(const CircuitValues& c, const PartValues& p, const RealPartsAnalysis& a,
                   const NetlistOptions& options) {
    std::string h =
        "* stepdown: il convertitore buck come costruito, a regime\n"
        "* Da eseguire con: ngspice -b FILE\n"
        "* La simulazione parte dal regime periodico calcolato dal programma (uic e le\n"
        "* condizioni iniziali IC= di L1 e C1): il primo periodo è già quello di regime.\n"
        "*\n";
    h += CircuitLines(c, p, true);
    if (options.targetVo)
        h += "* Vo obiettivo: " + HeaderValue(*options.targetVo, "V") +
             " (D è il duty cycle D′ che la dà)\n";
    h += "*\n* Il programma a regime, da confrontare con le misure (.meas) dell'ultimo periodo:\n";
    h += "*   conduzione: " + std::string(WordsOf(a.mode).adjective) + '\n';
    h += Figure("vo_mean", a.VoMean, "V", "Vo media");
    h += Figure("vo_ripple", a.VoRipple, "V", "ondulazione di Vo picco-picco");
    h += Figure("il_ripple", a.deltaIL, "A", "ondulazione di iL picco-picco");
    h += Figure("il_rms", a.stresses.inductor.rms, "A", "iL efficace");
    h += Figure("pin", a.powers.input, "W", "potenza in ingresso");
    h += Figure("pout", a.powers.output, "W", "potenza in uscita");
    h += Figure("efficiency", a.powers.efficiency, "", "rendimento");
    return h + "*\n";
}

// The low side in diode emulation: its slot's drive passes only while a
// latch is set. The latch is set just before the slot when iL > 0, so that
// the switch still closes on the slot's own edge, and reset once iL falls to
// zero, when it opens without current. iL is read through VSENSE; the
// comparator's band is a ten-thousandth of the ripple just above zero, so
// that a current held at zero never half-sets the latch.
std::string DiodeEmulation(const std::string& slot, double on, double edge, double D,
                           const RealPartsAnalysis& a, double T) {
    const double band = std::max(kLatchBand * a.deltaIL, 1e-12);
    // The set pulse ends an edge before the slot; the latch's time constant
    // is a tenth of it.
    const double width = std::min(1e-3 * T, (on - edge - D * T / 2) / 2), tau = width / 10;
    const double c = 1e-9;
    const std::string ok = "min(1,max(0,v(lsok)))";
    std::string n =
        "* Interruttore basso in emulazione del diodo: chiuso da D T + td1 a T - td2 finché iL > 0 "
        "(il latch lsok, armato prima della finestra se iL > 0, si azzera a iL = 0)\n";
    n += Element("Vslot", "lsslot", "0", slot);
    n +=
        Element("Vlsset", "lsset", "0",
                "PULSE(0 1 " + SpiceNumber(on - edge - width - 2 * tau) + ' ' + SpiceNumber(tau) +
                    ' ' + SpiceNumber(tau) + ' ' + SpiceNumber(width) + ' ' + SpiceNumber(T) + ')');
    n += "BPOS pos 0 V=min(1,max(0,(i(VSENSE)-" + Plain(band) + ")/" + Plain(band) + "))\n";
    n += "BLSOK 0 lsok I=" + Plain(c / tau) + "*(v(lsset)*v(pos)*(1-" + ok + ")-(1-v(pos))*" + ok +
         ")\n";
    n += Element("CLSOK", "lsok", "0", SpiceNumber(c) + " IC=" + (a.startIL > 0 ? "1" : "0"));
    return n + "Bctllo ctllo 0 V=v(lsslot)*" + ok + '\n';
}

}  // namespace

std::string SpiceNumber(double value) {
    if (value == 0) return "0";
    std::array<char, 64> buffer{};
    char* const first = buffer.data();
    const auto written =
        std::to_chars(first, first + buffer.size(), value, std::chars_format::scientific);
    const std::string_view text(first, static_cast<std::size_t>(written.ptr - first));
    // "-d.ddde-XX": the sign, the digits without the point, the exponent.
    const std::size_t e = text.find('e');
    std::string sign, digits;
    for (const char ch : text.substr(0, e)) {
        if (ch == '-')
            sign = "-";
        else if (ch != '.')
            digits += ch;
    }
    const int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    // One to three digits before the point, and the power of a thousand.
    const int before = (exponent % 3 + 3) % 3 + 1;
    const int engineering = exponent - before + 1;
    for (const Suffix& suffix : kSuffixes) {
        if (suffix.exponent != engineering) continue;
        const auto whole = static_cast<std::size_t>(before);
        if (digits.size() < whole) digits.resize(whole, '0');
        std::string mantissa = digits.substr(0, whole);
        if (digits.size() > whole) mantissa += '.' + digits.substr(whole);
        return sign + mantissa + std::string(suffix.text);
    }
    std::string mantissa = digits.substr(0, 1);
    if (digits.size() > 1) mantissa += '.' + digits.substr(1);
    return sign + mantissa + 'e' + std::to_string(exponent);
}

std::string SpiceNetlist(const CircuitValues& c, const PartValues& p, const RealPartsAnalysis& a,
                         const NetlistOptions& options) {
    const double T = 1 / c.f;
    // Shorter still at a duty cycle near 0 or 1, so that no time of the pulse is negative.
    const double edge = std::min({kEdgeFraction, c.D / 2, (1 - c.D) / 2}) * T;
    std::string n = Header(c, p, a, options);

    n += "* Ingresso\n";
    n += Element("Vi", kInputNode, "0", "DC " + SpiceNumber(c.Vi));
    // Driven high at t = 0, the drive crosses the switch's threshold 0.5 V
    // at D T and again at T: on for D T from the start of every period.
    n += "* Interruttore: chiuso per D T all'inizio di ogni periodo T, Ron = Rds(on)\n";
    n += Element("Vctl", "ctl", "0",
                 "PULSE(1 0 " + SpiceNumber(c.D * T - edge / 2) + ' ' + SpiceNumber(edge) + ' ' +
                     SpiceNumber(edge) + ' ' + SpiceNumber((1 - c.D) * T - edge) + ' ' +
                     SpiceNumber(T) + ')');
    if (p.rectifier == Rectifier::Synchronous) {
        // Driven high at D T + td1 and low again at T - td2.
        const double on = c.D * T + p.td1, off = T - p.td2;
        const double lowEdge = std::min(edge, (off - on) / 2);
        const std::string slot = "PULSE(0 1 " + SpiceNumber(on - lowEdge / 2) + ' ' +
                                 SpiceNumber(lowEdge) + ' ' + SpiceNumber(lowEdge) + ' ' +
                                 SpiceNumber(off - on - lowEdge) + ' ' + SpiceNumber(T) + ')';
        if (p.lowSideMode == LowSideMode::DiodeEmulation) {
            n += DiodeEmulation(slot, on, lowEdge, c.D, a, T);
        } else {
            n += "* Interruttore basso: chiuso da D T + td1 a T - td2, Ron = Rds(on) basso\n";
            n += Element("Vctllo", "ctllo", "0", slot);
        }
    }
    n += PowerStage(
        c, p, a.startIL, a.startVC, "Vt=0.5 Vh=0",
        p.rectifier == Rectifier::Synchronous && p.lowSideMode == LowSideMode::DiodeEmulation);

    // What the model adds to the input power beyond Vi mean(isw); to be
    // removed with a real switch and controller, which draw it themselves.
    const double extra = a.losses.switching + a.losses.gate + a.losses.quiescent + a.losses.coss +
                         a.losses.reverseRecovery;
    if (extra > 0) {
        n += "* Commutazione (tr, tf, Coss, Qrr), pilotaggio dei gate e Iq: la loro potenza, come "
             "corrente\n"
             "* media prelevata dall'ingresso\n";
        n += Element("IPERD", kInputNode, "0", "DC " + SpiceNumber(extra / c.Vi));
    }

    // Divided by f, not multiplied by T: "250u" rather than "250.00000000000003u".
    const int periods = options.periods;
    const double stop = periods / c.f;
    const double lastStart = (periods - 1) / c.f;
    n += Transient(c.f, stop);
    n += "* Il primo periodo e l'ultimo\n";
    n += Measure("vo_mean_first", "AVG", "v(vo)", 0, T);
    n += Measure("vo_mean", "AVG", "v(vo)", lastStart, stop);
    n += Measure("vo_max", "MAX", "v(vo)", lastStart, stop);
    n += Measure("vo_min", "MIN", "v(vo)", lastStart, stop);
    n += Parameter("vo_ripple", "vo_max-vo_min");
    n += Measure("il_max", "MAX", "i(L1)", lastStart, stop);
    n += Measure("il_min", "MIN", "i(L1)", lastStart, stop);
    n += Parameter("il_ripple", "il_max-il_min");
    n += Measure("il_rms", "RMS", "i(L1)", lastStart, stop);
    n += Measure("iin_mean", "AVG", "i(Vi)", lastStart, stop);
    n += Parameter("pin", "-" + Plain(c.Vi) + "*iin_mean");
    n += Measure("vo_rms", "RMS", "v(vo)", lastStart, stop);
    n += Parameter("pout", "vo_rms*vo_rms/" + Plain(c.RL));
    n += Parameter("efficiency", "pout/pin");
    return n + ".end\n";
}

std::string StudyNetlist(const RealPartsStudy& study, NetlistOptions options) {
    // The study's figures are those of the warm converter once its
    // temperatures are found, run at D' when there is a target it meets.
    const bool warm = study.thermal && study.thermal->status == ThermalStatus::Converged;
    CircuitValues circuit = study.circuit;
    if (warm && study.targetVo && study.duty.outcome == RealPartsOutcome::Found) {
        circuit.D = study.duty.D;
        options.targetVo = study.targetVo;
    }
    return SpiceNetlist(circuit, warm ? study.thermal->hotParts : study.parts, study.analysis,
                        options);
}

}  // namespace stepdown

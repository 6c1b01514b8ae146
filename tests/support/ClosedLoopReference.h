#pragma once
// The switched closed loop as the tests model it: fourth-order Runge-Kutta on
// the circuit's own equations (the divider's real current, the amplifier's
// rails, the latched modulator of either control, the diode or a synchronous
// stage with its dead times), each switching instant located by linear
// interpolation of its condition over the step.

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "control/ClosedLoop.h"

namespace stepdown::test {

struct Reference {
    // iL, vC, vC1, vC2, vC3
    using X = std::array<double, 5>;
    LoopCircuit loop;
    double RL = 0, Vi = 0, vref = 0;
    bool on = false, blocked = true, blanking = false;
    // A synchronous stage: its low side on, the sign of the current a body
    // diode carries (+1 the low side's, -1 the high side's), the high side's
    // turn-off in the period (-1: not yet) and the low slot's phase.
    bool low = false;
    int freeSign = 1;
    double highOff = -1;
    int phase = 0;
    int rail = 0;                       // 0 linear, -1 at 0 V, +1 at Vcmax
    double onTime = 0;                  // s, of the present period
    double injected = 0;                // V, added to what the network sees of vo
    static constexpr int kSteps = 400;  // a period's

    double Minus(const X& x) const {
        return rail == 0 ? vref : (rail > 0 ? loop.modulator.Vcmax : 0) + x[3];
    }
    double Vc(const X& x) const {
        return rail == 0 ? vref - x[3] : (rail > 0 ? loop.modulator.Vcmax : 0);
    }
    // What the comparator sets against vc at s into the period.
    double Ramp(const X& x, double s) const {
        const Modulator& m = loop.modulator;
        return m.control == ControlMethod::PeakCurrent ? m.Ri * x[0] + m.Se * s
                                                       : m.Vramp * s * loop.circuit.f;
    }
    // The output node: vo = vC + ESR iC, iC = iL - vo/RL - the divider's current.
    double Vo(const X& x) const {
        const Compensator& c = loop.compensator;
        const double g3 = c.type == 3 ? 1 / c.R3 : 0, vm = Minus(x), esr = loop.parts.ESR;
        const double g = 1 / c.R1 + g3;
        return (x[1] + esr * (x[0] + (vm - injected) * g + x[4] * g3)) / (1 + esr / RL + esr * g);
    }
    X Slope(const X& x) const {
        const Compensator& c = loop.compensator;
        const PartValues& p = loop.parts;
        const double vo = Vo(x), vm = Minus(x), sensed = vo + injected;
        const double i3 = c.type == 3 ? (sensed - x[4] - vm) / c.R3 : 0;
        const double iDivider = (sensed - vm) / c.R1 + i3;
        X d{};
        // A channel R carrying j beside its body diode: the diode's share, R (j - id) = Vf + Rd id.
        const auto diode = [&](double R, double j) {
            return R > 0 ? std::max(0.0, (R * j - p.Vf) / (R + p.Rd)) : 0;
        };
        if (on)
            d[0] =
                (Vi - p.Rds * diode(p.Rds, -x[0]) - (p.Rds + p.DCR) * x[0] - vo) / loop.circuit.L;
        else if (low)
            d[0] =
                (p.RdsLo * diode(p.RdsLo, x[0]) - (p.RdsLo + p.DCR) * x[0] - vo) / loop.circuit.L;
        else if (!blocked && freeSign > 0)
            d[0] = (-p.Vf - (p.Rd + p.DCR) * x[0] - vo) / loop.circuit.L;
        else if (!blocked)
            d[0] = (Vi + p.Vf - (p.Rd + p.DCR) * x[0] - vo) / loop.circuit.L;
        d[1] = (x[0] - vo / RL - iDivider) / loop.circuit.C;
        const double i1 = (x[3] - x[2]) / c.R2;
        d[2] = i1 / c.C1;
        d[3] = (iDivider - vm / c.Rb - i1) / c.C2;
        d[4] = c.type == 3 ? i3 / c.C3 : 0;
        return d;
    }
    X Step(const X& x, double h) const {
        const auto add = [](X a, const X& b, double s) {
            for (int k = 0; k < 5; ++k) a[k] += s * b[k];
            return a;
        };
        const X k1 = Slope(x), k2 = Slope(add(x, k1, h / 2)), k3 = Slope(add(x, k2, h / 2)),
                k4 = Slope(add(x, k3, h));
        X out = x;
        for (int k = 0; k < 5; ++k) out[k] += h / 6 * (k1[k] + 2 * k2[k] + 2 * k3[k] + k4[k]);
        return out;
    }
    bool Synchronous() const { return loop.parts.rectifier == Rectifier::Synchronous; }
    bool Emulating() const { return loop.parts.lowSideMode == LowSideMode::DiodeEmulation; }
    // Both switches open: the diode the current's sign picks, or none at zero.
    void Free(const X& x) {
        low = false, freeSign = x[0] > 0 ? 1 : -1;
        blocked = !(x[0] > 0) && !(Synchronous() && x[0] < 0);
    }
    // The low side's slot, from td1 after the high side's turn-off to td2
    // before the period's end; at or past an instant, it acts.
    double SlotOn() const { return highOff + loop.parts.td1; }
    double SlotOff() const { return 1 / loop.circuit.f - loop.parts.td2; }
    void Schedule(const X& x, double s) {
        if (!Synchronous() || highOff < 0) return;
        if (phase == 0 && SlotOn() < SlotOff() && s >= SlotOn()) {
            phase = 1;
            if (!Emulating() || x[0] > 0) low = true, blocked = false;
        }
        if (phase == 1 && s >= SlotOff()) {
            phase = 2;
            if (low) Free(x);
        }
    }
    // The clock sets the latch unless vc is at or below the ramp's start.
    void Clock(const X& x) {
        if (rail == 0 && Vc(x) > loop.modulator.Vcmax) rail = 1;
        on = Vc(x) > 0 && Vc(x) - Ramp(x, 0) > 0;
        blanking = on && loop.modulator.tblank > 0, onTime = 0, highOff = -1, phase = 0;
        low = false, blocked = false;
        if (!on) Free(x), highOff = Synchronous() ? 0 : -1;
        Schedule(x, 0);
    }
    void TurnOff(const X& x, double s) {
        on = false, onTime = s;
        Free(x);
        if (Synchronous()) highOff = s;
        Schedule(x, s);
    }
    // Advances x by h from s into the period; `piece(from, to, length)` sees
    // each stretch between switching instants.
    template <class Piece>
    void Advance(X& x, double s, double h, Piece&& piece) {
        const Modulator& m = loop.modulator;
        const double T = 1 / loop.circuit.f;
        // The conditions that end the state, each falling through zero, apart.
        const auto conditions = [&](const X& y, double at) {
            std::array<double, 8> c{1, 1, 1, 1, 1, 1, 1, 1};
            if (on) c[blanking ? 4 : 0] = blanking ? m.tblank - at : Vc(y) - Ramp(y, at);
            if (on) c[5] = m.Dmax * T - at;
            if (!on && !blocked && !low) c[1] = y[0] * freeSign;
            if (low && Emulating()) c[1] = y[0];
            if (Synchronous() && highOff >= 0 && phase == 0 && SlotOn() < SlotOff())
                c[6] = SlotOn() - at;
            if (Synchronous() && phase == 1) c[7] = SlotOff() - at;
            if (rail == 0)
                c[2] = std::min(Vc(y), m.Vcmax - Vc(y));
            else
                c[3] = rail > 0 ? vref - Minus(y) : Minus(y) - vref;
            return c;
        };
        double done = 0;
        for (int guard = 0; guard < 8 && done < h; ++guard) {
            // A condition already met (instants round apart, or blanked) acts at once.
            if (blanking && s + done >= m.tblank) blanking = false;
            if (on && (s + done >= m.Dmax * T || (!blanking && Vc(x) - Ramp(x, s + done) <= 0)))
                TurnOff(x, s + done);
            Schedule(x, s + done);
            const std::array<double, 8> before = conditions(x, s + done);
            X next = Step(x, h - done);
            const std::array<double, 8> after = conditions(next, s + h);
            int which = -1;
            double first = h - done;
            for (int k = 0; k < 8; ++k)
                if (before[k] > 0 && after[k] <= 0) {
                    const double at = (h - done) * before[k] / (before[k] - after[k]);
                    if (at <= first) first = at, which = k;  // one at the step's end too
                }
            if (which >= 0) next = Step(x, first);
            piece(x, next, which < 0 ? h - done : first);
            x = next;
            done = which < 0 ? h : done + first;
            if (which == 0 || which == 5) TurnOff(x, s + done);
            if (which == 1) blocked = true, low = false, x[0] = 0;
            if (which == 6) Schedule(x, SlotOn());
            if (which == 7) Schedule(x, SlotOff());
            if (which == 2) rail = Vc(x) < m.Vcmax / 2 ? -1 : 1;
            if (which == 3) rail = 0;
            if (which == 4) blanking = false;
        }
    }
};

struct Figures {
    double steadyMean = 0, ilPeak = 0, undershoot = 0, overshoot = 0, finalMean = 0, settling = 0,
           t99 = -1, undershootMean = 0, voPeak = 0, steadyDuty = 0;
    double steadyLow = 1e300, steadyHigh = -1e300;  // Vo over the last period before the step
    bool blockedAtEnd = false;
    std::map<double, std::pair<double, double>> after;  // t: vo and iL, from the step on
};

// Runs the request; the figures of its one step (the load's or the line's).
inline Figures RunReference(const LoopCircuit& loop, const TransientRequest& q) {
    Reference r{loop, loop.circuit.RL, loop.circuit.Vi, 0};
    const double T = 1 / loop.circuit.f, h = T / Reference::kSteps, step = q.t1 ? *q.t1 : *q.t2;
    const Modulator& m = loop.modulator;
    Reference::X x{};
    Figures fig;
    std::vector<double> means, duties;
    std::vector<std::pair<double, double>> before;  // t, vo before the step
    auto& after = fig.after;
    double sum = 0, t = 0, at = 0;
    bool blocked = false;
    const long steps = std::lround(q.tend / h);
    const double lastStart = (std::floor(step / T + 1e-9) - 1) * T;
    // Vo at each step's end and instant, from the step on and in the last period.
    const auto piece = [&](const Reference::X& from, const Reference::X& to, double length) {
        sum += (r.Vo(from) + r.Vo(to)) / 2 * length;
        at += length;
        if (at >= step) after[at] = {r.Vo(to), to[0]};
        if (at < lastStart - h / 2 || at > lastStart + T + h / 2) return;
        fig.steadyLow = std::min(fig.steadyLow, r.Vo(to));
        fig.steadyHigh = std::max(fig.steadyHigh, r.Vo(to));
    };
    for (long n = 0; n < steps; ++n) {
        t = n * h;
        const double tau = t - std::floor(t / T + 1e-9) * T;
        r.vref = q.tss > 0 ? m.Vref * std::min(1.0, t / q.tss) : m.Vref;
        // The reference moves between steps: a rail left by its move.
        if (r.rail != 0 && (r.vref - r.Minus(x)) * r.rail <= 0) r.rail = 0;
        if (n % Reference::kSteps == 0) {
            if (n > 0) means.push_back(sum / T), duties.push_back(r.onTime / T);
            fig.blockedAtEnd = blocked;
            sum = 0, blocked = false;
            r.Clock(x);
        }
        at = t;
        r.Advance(x, tau, h, piece);
        const double next = (n + 1) * h;
        blocked = blocked || r.blocked;
        if (t < step)
            fig.ilPeak = std::max(fig.ilPeak, x[0]), fig.voPeak = std::max(fig.voPeak, r.Vo(x));
        // A step acts from the RK4 step that starts at its instant, Vo there too.
        if (q.t1 && next >= *q.t1 - h / 2) r.RL = *q.rl2;
        if (q.t2 && next >= *q.t2 - h / 2) r.Vi = *q.vi2;
        if (next >= step) after[next] = {r.Vo(x), x[0]};  // the load's step seen
        if (next < step) before.push_back({next, r.Vo(x)});
        if (t < step && next >= step) fig.steadyMean = means.back(), fig.steadyDuty = duties.back();
    }
    means.push_back(sum / T);
    fig.finalMean = means.back();
    double low = fig.finalMean, high = fig.finalMean;
    for (const auto& [at, state] : after) {
        low = std::min(low, state.first);
        high = std::max(high, state.first);
        if (std::abs(state.first - fig.finalMean) > 0.01 * fig.finalMean) fig.settling = at - step;
    }
    fig.undershoot = fig.finalMean - low;
    // The period means from the one that holds the step (period j ends at (j + 1) T).
    double meanLow = fig.finalMean;
    for (std::size_t j = 0; j < means.size(); ++j)
        if ((j + 1) * T > step) meanLow = std::min(meanLow, means[j]);
    fig.undershootMean = fig.finalMean - meanLow;
    for (std::size_t k = 1; k < before.size() && fig.t99 < 0; ++k)
        if (before[k].second >= 0.99 * fig.steadyMean) fig.t99 = before[k].first;
    fig.overshoot = high - fig.finalMean;
    return fig;
}

// One period from x at a period's start, the reference at Vref.
inline Reference::X PeriodMap(const LoopCircuit& loop, Reference::X x) {
    Reference r{loop, loop.circuit.RL, loop.circuit.Vi, loop.modulator.Vref};
    const double vc = r.Vc(x), h = 1 / loop.circuit.f / Reference::kSteps;
    r.rail = vc > loop.modulator.Vcmax ? 1 : vc < 0 ? -1 : 0;
    r.Clock(x);
    for (int n = 0; n < Reference::kSteps; ++n) r.Advance(x, n * h, h, [](auto&&...) {});
    return x;
}

}  // namespace stepdown::test

#pragma once
// The converter as built, modelled independently of the program: RK4 in long double on the
// circuit's equations, the diode's turn-off found by bisection on the step, the steady state
// by Newton shooting on that period map, the means by the trapezoid rule with Richardson
// extrapolation.

#include <algorithm>
#include <cmath>

#include "realparts/ConverterModel.h"

namespace stepdown::testing {

using R = long double;

struct State {
    R i = 0, v = 0;
};

enum class Mode { On, Off, Blocked };

// The means over the period of Vo, iL^2, isw, isw^2, iC^2.
enum Mean { kVo, kIL2, kIsw, kIsw2, kIC2, kMeans };

struct ReferencePeriod {
    State start, turnOff;
    R maxIL = -1e300, minIL = 1e300, maxReverse = -1e300;  // vsw while the diode does not conduct
    R maxVo = -1e300, minVo = 1e300, mean[kMeans] = {};
};

class Reference {
public:
    Reference(const CircuitValues& c, const PartValues& p, bool blocks)
        : c_(c), p_(p), blocks_(blocks) {
        // RK4 wants h |lambda| well below its stability limit of 2.8 on the fastest
        // eigenvalue of either interval (bounded by |tr|/2 + sqrt|tr^2/4 - det|).
        R fastest = 0;
        for (const R Rs : {R{p.Rds} + p.DCR, R{p.Rd} + p.DCR}) {
            const R Rp = c.RL + p.ESR, m11 = -(Rs + p.ESR * c.RL / Rp) / c.L;
            const R m12 = -(c.RL / Rp) / c.L, m21 = c.RL / (Rp * c.C), m22 = -1 / (Rp * c.C);
            const R half = (m11 + m22) / 2, det = m11 * m22 - m12 * m21;
            fastest = std::max(fastest, std::fabs(half) + std::sqrt(std::fabs(half * half - det)));
        }
        const R wanted = std::ceil(fastest / c.f / 0.1L);
        steps_ = static_cast<int>(std::clamp(wanted, R{4000}, R{400000}));
    }

    ReferencePeriod SteadyPeriod() {
        State x{0, c_.D * c_.Vi};
        // Newton until the step is down to rounding: one step for a continuous period, whose
        // map is affine; a few more where the diode's turn-off moves with the start.
        for (int iteration = 0; iteration < 60; ++iteration) {
            const State f = Period(x, nullptr);
            const R e = 1e-6L * (1 + std::fabs(x.v));
            const State fi = Period({x.i + e, x.v}, nullptr), fv = Period({x.i, x.v + e}, nullptr);
            const R j11 = (fi.i - f.i) / e - 1, j12 = (fv.i - f.i) / e;
            const R j21 = (fi.v - f.v) / e, j22 = (fv.v - f.v) / e - 1;
            const R r1 = f.i - x.i, r2 = f.v - x.v, det = j11 * j22 - j12 * j21;
            const State next{x.i - (j22 * r1 - j12 * r2) / det, x.v - (j11 * r2 - j21 * r1) / det};
            const bool small = std::fabs(next.v - x.v) <= 1e-13L * (1 + std::fabs(x.v));
            x = next;
            if (small && iteration > 0) break;
        }
        // The trapezoid's h^2 error taken out by Richardson extrapolation.
        ReferencePeriod coarse, fine;
        Period(x, &coarse);
        steps_ *= 2;
        Period(x, &fine);
        steps_ /= 2;
        for (int k = 0; k < kMeans; ++k) fine.mean[k] = (4 * fine.mean[k] - coarse.mean[k]) / 3;
        fine.start = x;
        return fine;
    }

private:
    R Vo(State x) const { return (x.v + p_.ESR * x.i) * c_.RL / (c_.RL + p_.ESR); }

    State Slope(Mode m, State x) const {
        const R iC = x.i - Vo(x) / c_.RL;
        if (m == Mode::Blocked) return {0, iC / c_.C};
        const R drive =
            m == Mode::On ? c_.Vi - (p_.Rds + p_.DCR) * x.i : -p_.Vf - (p_.Rd + p_.DCR) * x.i;
        return {(drive - Vo(x)) / c_.L, iC / c_.C};
    }

    State Rk4(Mode m, State x, R h) const {
        const auto at = [&](const State& k, R s) { return State{x.i + s * k.i, x.v + s * k.v}; };
        const State k1 = Slope(m, x), k2 = Slope(m, at(k1, h / 2)), k3 = Slope(m, at(k2, h / 2)),
                    k4 = Slope(m, at(k3, h));
        return {x.i + h / 6 * (k1.i + 2 * k2.i + 2 * k3.i + k4.i),
                x.v + h / 6 * (k1.v + 2 * k2.v + 2 * k3.v + k4.v)};
    }

    // The trapezoid's half of a step of length h at state x in mode m.
    void Take(ReferencePeriod* s, Mode m, State x, R h) const {
        const R w = h / 2 * c_.f, vo = Vo(x), iC = x.i - vo / c_.RL;
        const R isw = m == Mode::On ? x.i : 0;
        const R values[kMeans] = {vo, x.i * x.i, isw, isw * isw, iC * iC};
        for (int k = 0; k < kMeans; ++k) s->mean[k] += w * values[k];
        if (m != Mode::Off)
            s->maxReverse = std::max(s->maxReverse, m == Mode::On ? c_.Vi - p_.Rds * x.i : vo);
        s->maxIL = std::max(s->maxIL, x.i);
        s->minIL = std::min(s->minIL, x.i);
        s->maxVo = std::max(s->maxVo, vo);
        s->minVo = std::min(s->minVo, vo);
    }

    State Period(State x, ReferencePeriod* sums) const {
        const int onSteps = static_cast<int>(std::lround(c_.D * steps_));
        Mode m = Mode::On;
        const auto run = [&](R duration, int steps) {
            const R h = duration / steps;
            for (int k = 0; k < steps; ++k) {
                R used = h;
                State y = Rk4(m, x, h);
                if (m == Mode::Off && blocks_ && y.i < 0) {
                    R low = 0, high = h;
                    for (int b = 0; b < 64; ++b) {
                        const R middle = (low + high) / 2;
                        (Rk4(m, x, middle).i > 0 ? low : high) = middle;
                    }
                    used = high;
                    y = {0, Rk4(m, x, used).v};
                }
                if (sums) Take(sums, m, x, used), Take(sums, m, y, used);
                x = y;
                if (used < h) {  // the rest of the step with the diode blocked
                    m = Mode::Blocked;
                    y = Rk4(m, x, h - used);
                    if (sums) Take(sums, m, x, h - used), Take(sums, m, y, h - used);
                    x = y;
                }
            }
        };
        run(c_.D / c_.f, onSteps);
        if (sums) sums->turnOff = x;
        m = Mode::Off;
        run((1 - c_.D) / c_.f, steps_ - onSteps);
        return x;
    }

    CircuitValues c_;
    PartValues p_;
    bool blocks_;
    int steps_ = 4000;
};

// The duty cycle whose reference steady state has the mean output `target`, by the secant
// method from D = target / Vi.
inline R ReferenceDuty(CircuitValues c, const PartValues& p, R target) {
    R low = target / c.Vi, high = low + 0.01L;
    const auto excess = [&](R D) {
        c.D = static_cast<double>(D);
        return Reference(c, p, true).SteadyPeriod().mean[kVo] - target;
    };
    R fLow = excess(low), fHigh = excess(high);
    for (int i = 0; i < 30 && std::fabs(fHigh) > 1e-10L * target; ++i) {
        const R next = high - fHigh * (high - low) / (fHigh - fLow);
        low = high, fLow = fHigh;
        high = next, fHigh = excess(high);
    }
    return high;
}

}  // namespace stepdown::testing

// The synchronous stage against an independent RK4 shooting of the circuit: the worked example,
// and random circuits in both low-side modes, loads light enough to reverse or stop the current.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <random>

#include "realparts/RealParts.h"

namespace stepdown::testing {
namespace {

using R = long double;
// iL, vC, the integrals of Vo, Vo^2, iC^2, iL^2, of i, i^2 by topology, of HS and LS ic^2, id,
// id^2.
using Y = std::array<R, 22>;
enum Top { kHS, kLS, kLowBody, kHighBody, kBlocked, kSwing };  // kSwing: iL and the node

struct Reference {
    CircuitValues c;
    PartValues p;
    Top last = kHS;  // what conducts as the high side turns on
    bool lowSideDriven = false, blocked = false, zvs = false, partial = false, shares = false;
    // iL < 0 and Vo where the low side opens on a reversed current, else 0.
    R turnOn = 0, turnOff = 0, minVo = 0, maxVo = 0, swingI = 0, swingVo = 0;
    // A channel R carrying j beside its body diode: the diode's share, R (j - id) = Vf + Rd id.
    R Diode(R r, R j) const { return r > 0 ? std::max<R>(0, (r * j - p.Vf) / (r + p.Rd)) : 0; }
    R Vo(const Y& y) const { return (y[1] + p.ESR * y[0]) * c.RL / (c.RL + p.ESR); }
    Y Slope(const Y& y, Top t) const {
        if (t == kSwing) return Y{(y[1] - swingVo) / c.L, -y[0] / (R(p.CossHi) + p.CossLo)};
        const R i = t == kBlocked ? 0 : y[0], vo = Vo(y), ic = (c.RL * i - y[1]) / (c.RL + p.ESR);
        // L iL' = E - Rs iL - Vo; E = Vo when blocked holds iL at zero.
        const R hd = Diode(p.Rds, -i), ld = Diode(p.RdsLo, i);
        const R E[] = {c.Vi - p.Rds * hd, p.RdsLo * ld, -p.Vf, c.Vi + p.Vf, vo},
                Rs[] = {p.Rds, p.RdsLo, p.Rd, p.Rd, 0};
        Y d{(E[t] - (Rs[t] + p.DCR) * i - vo) / c.L, ic / c.C, vo, vo * vo, ic * ic, i * i};
        d[6 + 2 * t] = i, d[7 + 2 * t] = i * i;
        if (t == kHS) d[16] = (i + hd) * (i + hd), d[17] = hd, d[18] = hd * hd;
        if (t == kLS) d[19] = (i - ld) * (i - ld), d[20] = ld, d[21] = ld * ld;
        return d;
    }
    Y Step(const Y& y, Top t, R h) const {
        Y k = Slope(y, t), z = y, sum = k;
        for (const R w : {h / 2, h / 2, h}) {
            for (std::size_t j = 0; j < z.size(); ++j) z[j] = y[j] + w * k[j];
            k = Slope(z, t);
            for (std::size_t j = 0; j < z.size(); ++j) sum[j] += (w == h ? 1 : 2) * k[j];
        }
        for (std::size_t j = 0; j < z.size(); ++j) z[j] = y[j] + h / 6 * sum[j];
        return z;
    }
    static Top BySign(R i) { return i > 0 ? kLowBody : i < 0 ? kHighBody : kBlocked; }
    // One slot in topology t; where `stops`, iL reaching zero leaves it blocked to the end.
    void Slot(Y& y, R length, Top t, bool stops) {
        // 2000 RK4 steps a period: the error falls as h^4, far below the tolerances there.
        const int n = std::max(4, int(std::ceil(length * c.f * 2000)));
        const R h = length / n;
        for (int k = 0; k < n; ++k) {
            Y next = Step(y, t, h);
            const auto past = [&](const Y& z) {  // a channel dropping more than Vf
                return t == kHS ? -p.Rds * z[0] > p.Vf : t == kLS && p.RdsLo * z[0] > p.Vf;
            };
            const auto split = [&](auto changed) {
                R lo = 0, hi = h;
                for (int b = 0; b < 64; ++b)
                    (changed(Step(y, t, (lo + hi) / 2)) ? hi : lo) = (lo + hi) / 2;
                return hi;
            };
            if (past(next) != past(y)) {
                const R at = split([&](const Y& z) { return past(z) != past(y); });
                next = Step(Step(y, t, at), t, h - at);
            }
            if (stops && t != kBlocked && !(next[0] * y[0] > 0)) {  // iL's zero
                const R at = split([&](const Y& z) { return !(z[0] * y[0] > 0); });
                next = Step(y, t, at), next[0] = 0;
                next = Step(next, t = kBlocked, h - at);
            }
            y = next;
            minVo = std::min(minVo, Vo(y)), maxVo = std::max(maxVo, Vo(y));
        }
        blocked = blocked || t == kBlocked, last = t;
    }
    Y Period(R i, R v) {
        Y y{i, v};
        minVo = maxVo = Vo(y), blocked = false;
        const R Ts = 1 / R(c.f), on = c.D * Ts;
        Slot(y, on, kHS, false);
        turnOff = y[0];
        Slot(y, p.td1, BySign(y[0]), true);
        const bool forced = p.lowSideMode == LowSideMode::ForcedContinuous;
        lowSideDriven = forced || y[0] > 0;
        Slot(y, Ts - on - p.td1 - p.td2, lowSideDriven ? kLS : BySign(y[0]), !forced);
        swingI = last == kLS ? std::min<R>(y[0], 0) : 0, swingVo = Vo(y);
        Slot(y, p.td2, BySign(y[0]), true);
        return y;
    }
    // How far one period from (i, v) ends from where it starts, relative to Vi.
    R Gap(R i, R v, Y& y) {
        y = Period(i, v);
        return (std::fabs(y[0] - i) * c.RL + std::fabs(y[1] - v)) / c.Vi;
    }
    // The steady state by Newton, its step halved until the gap falls: the map has kinks.
    Y Steady() {
        R x[2] = {c.D * c.Vi / c.RL, c.D * c.Vi};
        for (int it = 0;; ++it) {
            Y y, e;
            const R gap = Gap(x[0], x[1], y), g[2] = {y[0] - x[0], y[1] - x[1]};
            if (gap < 1e-15L || it == 40) return turnOn = x[0], y;
            const R di = 1e-8L * (std::fabs(x[0]) + c.Vi / c.RL), dv = 1e-8L * c.Vi;
            const Y yi = Period(x[0] + di, x[1]), yv = Period(x[0], x[1] + dv);
            const R ii = (yi[0] - y[0]) / di - 1, iv = (yv[0] - y[0]) / dv,
                    vi = (yi[1] - y[1]) / di, vv = (yv[1] - y[1]) / dv - 1, det = ii * vv - iv * vi;
            const R step[2] = {(vv * g[0] - iv * g[1]) / det, (ii * g[1] - vi * g[0]) / det};
            R s = 1;
            while (s > 1e-6L && !(Gap(x[0] - s * step[0], x[1] - s * step[1], e) < gap)) s /= 2;
            x[0] -= s * step[0], x[1] -= s * step[1];
        }
    }
    // The node in td2 from the low side's drop: L i' = v - Vo, (CossHi + CossLo) v' = -i by RK4,
    // held by a body diode at Vi + Vf or -Vf (+1, -1) until i, running linearly, reaches zero.
    std::pair<R, int> Swing() const {
        Y x{swingI, -p.RdsLo * swingI};
        int clamp = 0;
        for (int n = 0; n < 4000; ++n) {
            R t = p.td2 / 4000;
            if (clamp != 0) {
                const R slope = (x[1] - swingVo) / c.L, rest = -x[0] / slope;
                rest >= t ? (x[0] += slope * t, t = 0) : (x[0] = 0, t -= rest, clamp = 0);
            }
            x = Step(x, kSwing, t);
            if (x[1] >= c.Vi + p.Vf || x[1] <= -p.Vf)
                clamp = x[1] > 0 ? 1 : -1, x[1] = clamp > 0 ? c.Vi + p.Vf : -p.Vf;
        }
        return {x[1], clamp};
    }
    // VoMean, switchConduction, lowSideConduction, bodyDiode, inductor, efficiency, and the
    // input capacitor's RMS: the input current's (the high side's and its body diode's)
    // deviation from its mean; the Coss loss of a hard turn-on.
    std::array<R, 8> Expected() {
        const Y y = Steady();
        const R Ts = 1 / R(c.f);
        // Without a swing the node is at Vi + Vf after the HS body diode, else at 0.
        const bool swung = swingI < 0 && p.CossHi + p.CossLo > 0 && p.td2 > 0;
        const auto [node, clamp] =
            swung ? Swing() : std::pair<R, int>{last == kHighBody ? c.Vi : 0, 0};
        shares = y[17] + y[20] > 0, zvs = clamp > 0 || node >= c.Vi,
        partial = swung && !zvs && node > 0;
        const R V = c.Vi - std::clamp<R>(node, 0, c.Vi), on = std::max<R>(0, turnOn);
        const R off = std::max<R>(0, turnOff), recovers = swung ? clamp < 0 : last == kLowBody;
        const R input =
            c.Vi * (y[6] + y[12]) / Ts + (p.Qg + lowSideDriven * p.QgLo) * p.Vdrv * c.f +
            p.Iq * c.Vi + c.Vi * c.f * recovers * p.Qrr +
            c.f * (V * on * p.tr + c.Vi * off * p.tf + (p.CossHi + p.CossLo) * V * V) / 2;
        const R body =
            p.Vf * (y[10] - y[12] + y[17] + y[20]) + p.Rd * (y[11] + y[13] + y[18] + y[21]);
        const R inputMean = (y[6] + y[12]) / Ts, inputSquare = (y[7] + y[13]) / Ts;
        return {y[2] / Ts,
                p.Rds * y[16] / Ts,
                p.RdsLo * y[19] / Ts,
                body / Ts,
                p.DCR * y[5] / Ts,
                y[3] / Ts / c.RL / input,
                std::sqrt(inputSquare - inputMean * inputMean),
                (p.CossHi + p.CossLo) * V * V * c.f / 2};
    }
};

// Relative 1e-6, and 1e-9 of the output power for the losses that nearly vanish.
void ExpectAgrees(const RealPartsAnalysis& a, Reference& ref) {
    ASSERT_EQ(a.outcome, RealPartsOutcome::Found);
    const Losses& l = a.losses;
    const double got[] = {
        a.VoMean,   l.switchConduction,  l.lowSideConduction,          l.bodyDiode,
        l.inductor, a.powers.efficiency, a.stresses.inputCapacitorRms, l.coss};
    const std::array<R, 8> want = ref.Expected();
    for (std::size_t j = 0; j < want.size(); ++j)
        EXPECT_NEAR(got[j], want[j], 1e-6 * std::fabs(got[j]) + 1e-9 * a.powers.output) << j;
    // Each loss but the gates', the capacitor's and the quiescent one heats one of three parts.
    EXPECT_NEAR(a.heat.highSide + a.heat.lowSide + a.heat.inductor,
                l.total - l.gate - l.outputCapacitor - l.quiescent, 1e-12 * a.powers.output);
}

// The stage's parts in the order the tests give them.
using P = PartValues;
constexpr double P::*kParts[] = {&P::ESR, &P::DCR,    &P::Rds,    &P::Vf,  &P::Rd,    &P::tr,
                                 &P::tf,  &P::Qg,     &P::Vdrv,   &P::Iq,  &P::RdsLo, &P::td1,
                                 &P::td2, &P::CossHi, &P::CossLo, &P::Qrr, &P::QgLo};

TEST(SynchronousStage, WorkedExampleKeepsItsPublishedFiguresAndTheReference) {
    const double parts[] = {0.05, 0.1,  0.05,  0.8,   0.01,    20e-9,   20e-9, 10e-9, 5,
                            0,    0.02, 50e-9, 50e-9, 300e-12, 500e-12, 30e-9, 15e-9};
    Reference ref{{25, 0.6, 80e3, 125e-6, 15.625e-6, 10}, {.rectifier = Rectifier::Synchronous}};
    for (std::size_t j = 0; j < std::size(kParts); ++j) ref.p.*kParts[j] = parts[j];
    const RealPartsAnalysis a = Analyze(ref.c, ref.p);
    ExpectAgrees(a, ref);
    // The ripple from 1000 samples a period against the reference's 2000.
    EXPECT_NEAR(a.VoRipple, double(ref.maxVo - ref.minVo), 5e-3 * a.VoRipple);
    char shown[100];
    std::snprintf(shown, sizeof shown, "%.4f %.2f %.2f %.2f %.1f %.2f", a.VoMean, a.VoRipple * 1e3,
                  a.losses.lowSideConduction * 1e3, a.losses.bodyDiode * 1e3,
                  a.losses.inductor * 1e3, a.powers.efficiency * 100);
    EXPECT_STREQ(shown, "14.7896 63.63 17.36 9.65 221.7 97.91");
}

// Log-uniform L 1 uH-1 mH, C 1 uF-1 mF, RL 0.2 ohm-2 kohm, f 20 kHz-1 MHz, dead times
// 5-200 ns; any duty cycle leaving room for them; both low-side modes. First a valley of -0.89 A:
// 1/2 L i^2 = 0.79 uJ, 1/2 (CossHi + CossLo) Vi^2 = 2.9 uJ at 20 nF each (the swing stops) or 29 nJ
// at 100 pF (done in C Vi / i = 2.7 ns, within 20 ns, not 1 ns); then 1 ohm high side past Vf.
TEST(SynchronousStage, RandomCircuitsAgreeWithTheReferenceInBothModes) {
    const std::array<double, 4> chosen[] = {
        {2e-8, 2e-8, 1, 0.01}, {1e-10, 2e-8, 0, 0.01}, {1e-10, 1e-9, 1, 0.01}, {0, 2e-8, 0, 1}};
    std::mt19937_64 random(2024);
    std::uniform_real_distribution<double> unit(0, 1);
    const auto draw = [&](double lo, double hi) { return lo * std::pow(hi / lo, unit(random)); };
    int soft = 0, stopped = 0, partial = 0, shared = 0;
    for (int k = -4; k < 30; ++k) {
        const double low[] = {1e-3, 1e-3, 1e-3, 0.3,  1e-4,  1e-9,  1e-9,  1e-9, 5,
                              1e-5, 1e-3, 5e-9, 5e-9, 1e-11, 1e-11, 1e-10, 1e-9};
        const double high[] = {0.1,  0.1, 0.1,  1,    0.05, 5e-8, 5e-8, 3e-8, 12,
                               5e-3, 0.1, 2e-7, 2e-7, 1e-9, 1e-9, 1e-7, 3e-8};
        PartValues p{.rectifier = Rectifier::Synchronous, .RdsLo = 5e-3, .td1 = 20e-9};
        CircuitValues c{12, 0.275, 500e3, 2e-6, 47e-6, 10};
        const auto [coss, td2, partly, Rds] = chosen[std::min(k + 4, 3)];
        p.td2 = td2, p.CossHi = p.CossLo = coss, p.Rds = Rds;
        if (k >= 0) {
            for (std::size_t j = 0; j < std::size(kParts); ++j)
                p.*kParts[j] = draw(low[j], high[j]);
            c = {draw(2, 60),   0, draw(2e4, 1e6), draw(1e-6, 1e-3), draw(1e-6, 1e-3),
                 draw(0.2, 2e3)};
            c.D = (0.01 + 0.98 * unit(random)) * (1 - (p.td1 + p.td2) * c.f);
        }
        for (LowSideMode mode : {LowSideMode::ForcedContinuous, LowSideMode::DiodeEmulation}) {
            p.lowSideMode = mode;
            SCOPED_TRACE(::testing::Message() << "circuit " << k << " mode " << int(mode));
            Reference ref{c, p};
            const RealPartsAnalysis a = Analyze(c, p);
            ExpectAgrees(a, ref);
            const Powers& e = a.powers;
            EXPECT_LE(std::fabs(e.input - e.output - a.losses.total), 1e-9 * e.input);
            EXPECT_TRUE(e.efficiency >= 0 && e.efficiency <= 1) << e.efficiency;
            EXPECT_EQ(a.zeroVoltageSwitching, ref.zvs);
            EXPECT_EQ(a.partialZvs, ref.partial);
            EXPECT_TRUE(k >= 0 || mode == LowSideMode::DiodeEmulation ||
                        (a.partialZvs == (partly == 1) && a.zeroVoltageSwitching == (partly == 0) &&
                         ref.shares == (k == -1)));
            // Blocked in forced CCM: held within a dead time, the schedule still continuous.
            EXPECT_EQ(a.mode, !ref.blocked ? ConductionMode::Continuous
                              : mode == LowSideMode::ForcedContinuous
                                  ? ConductionMode::HeldInDeadTime
                                  : ConductionMode::Discontinuous);
            soft += a.zeroVoltageSwitching, partial += ref.partial, shared += ref.shares;
            stopped += ref.blocked && mode == LowSideMode::DiodeEmulation;
        }
    }
    // Reversed and stopped currents, body diodes beside their channels, swings short and done.
    EXPECT_TRUE(soft > 0 && stopped > 0 && partial > 0 && shared > 0)
        << soft << " " << stopped << " " << partial << " " << shared;
}

}  // namespace
}  // namespace stepdown::testing

#include "realparts/ConverterModel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "realparts/RootFinding.h"

namespace stepdown {
namespace {

constexpr Real kEpsilon = std::numeric_limits<Real>::epsilon();
// A bound on the search for the first zero of a ringing current.
constexpr std::int64_t kMostRingingSteps = 100000;

bool Finite(Vector2 x) { return std::isfinite(x.i) && std::isfinite(x.v); }

// x(tau) = xp + P (x0 - xp) with P = e^{M tau} at hand.
Vector2 Propagate(const LinearInterval& interval, const Matrix2& P, Vector2 start) {
    const Vector2 xp = interval.equilibrium;
    const Vector2 deviation = P * Vector2{start.i - xp.i, start.v - xp.v};
    return {xp.i + deviation.i, xp.v + deviation.v};
}

// L iL' = E - Rs iL - Vo with the output network of the circuit.
LinearInterval Conducting(Real E, Real Rs, Real L, Real C, Real RL, Real ESR) {
    const Real Rp = RL + ESR;
    const Matrix2 M{-(Rs + ESR * RL / Rp) / L, -(RL / Rp) / L, RL / (Rp * C), -1 / (Rp * C)};
    const Real current = E / (Rs + RL);
    return {M, {current, RL * current}};
}

Matrix2 Decay(Real rate, Real t) {
    const Real factor = std::exp(-rate * t);
    return {factor, 0, 0, factor};
}

}  // namespace

bool ValidValues(const CircuitValues& values, const PartValues& parts, bool checkDuty) {
    const auto positive = [](double x) { return std::isfinite(x) && x > 0; };
    const auto nonNegative = [](double x) { return std::isfinite(x) && x >= 0; };
    if (checkDuty && !(values.D > 0 && values.D < 1)) return false;
    for (double x : {values.Vi, values.f, values.L, values.C, values.RL})
        if (!positive(x)) return false;
    for (double x : {parts.ESR, parts.DCR, parts.Rds, parts.Vf, parts.Rd, parts.tr, parts.tf,
                     parts.Qg, parts.Vdrv, parts.Iq})
        if (!nonNegative(x)) return false;
    return true;
}

ConverterModel::ConverterModel(const CircuitValues& values, const PartValues& parts)
    : period_(1 / static_cast<Real>(values.f)) {
    const Real L = values.L, C = values.C, RL = values.RL, ESR = parts.ESR;
    const Real Rp = RL + ESR;
    on_ = Conducting(values.Vi, static_cast<Real>(parts.Rds) + parts.DCR, L, C, RL, ESR);
    conducting_ = Conducting(-static_cast<Real>(parts.Vf), static_cast<Real>(parts.Rd) + parts.DCR,
                             L, C, RL, ESR);
    topVoltage_ = static_cast<Real>(values.Vi) * Rp / RL;
    const Real rate = 1 / (Rp * C);
    blocked_ = {{-rate, 0, 0, -rate}, {0, 0}};
    outputVoltage_ = {ESR * RL / Rp, RL / Rp};
    capacitorCurrent_ = {RL / Rp, -1 / Rp};
}

const LinearInterval& ConverterModel::Interval(IntervalKind kind) const {
    switch (kind) {
    case IntervalKind::SwitchOn:
        return on_;
    case IntervalKind::DiodeConducting:
        return conducting_;
    case IntervalKind::DiodeBlocked:
        break;
    }
    return blocked_;
}

std::optional<std::array<Vector2, 2>> ConverterModel::ContinuousSolution(Real D) const {
    const Real onTime = D * period_;
    const Matrix2 Pon = on_.Exponential(onTime);
    const Matrix2 Poff = conducting_.Exponential(period_ - onTime);
    const Matrix2 A = Poff * Pon;
    const Vector2 b = Propagate(conducting_, Poff, Propagate(on_, Pon, {0, 0}));
    const Real a11 = 1 - A.m11, a12 = -A.m12, a21 = -A.m21, a22 = 1 - A.m22;
    const Real det = a11 * a22 - a12 * a21;
    const Vector2 start{(a22 * b.i - a12 * b.v) / det, (a11 * b.v - a21 * b.i) / det};
    if (det == 0 || !Finite(start)) return std::nullopt;
    return std::array<Vector2, 2>{start, Propagate(on_, Pon, start)};
}

SteadyPeriod ConverterModel::SteadyState(Real D, bool diodeBlocks) const {
    SteadyPeriod period;
    const std::optional<std::array<Vector2, 2>> continuous = ContinuousSolution(D);
    if (!continuous) return period;
    const auto [start, turnOff] = *continuous;
    if (diodeBlocks && !(start.i > 0)) {
        if (std::optional<SteadyPeriod> discontinuous = Discontinuous(D)) return *discontinuous;
    }
    const Real onTime = D * period_;
    const Real offTime = period_ - onTime;
    period.pieces[0] = {IntervalKind::SwitchOn, onTime, start, on_.Exponential(onTime)};
    period.pieces[1] = {IntervalKind::DiodeConducting, offTime, turnOff,
                        conducting_.Exponential(offTime)};
    period.pieceCount = 2;
    period.mode = ConductionMode::Continuous;
    period.outcome = RealPartsOutcome::Found;
    return period;
}

// Nothing when the root's period does not reach iL = 0, which leaves the
// continuous solution; a period without a root has no steady state either way.
std::optional<SteadyPeriod> ConverterModel::Discontinuous(Real D) const {
    const Real onTime = D * period_;
    const Real offTime = period_ - onTime;
    const Matrix2 Pon = on_.Exponential(onTime);
    const Matrix2 Poff = conducting_.Exponential(offTime);
    const Real rate = -blocked_.M.m11;

    struct Crossing {
        Vector2 turnOff;
        Real time = 0;  // after turn-off
        Vector2 state;  // at that time
        bool reached = true;
    };
    const auto cross = [&](Real v) {
        Crossing c;
        c.turnOff = Propagate(on_, Pon, {0, v});
        if (!(c.turnOff.i > 0)) {
            c.state = {0, c.turnOff.v};
            return c;
        }
        const Vector2 end = Propagate(conducting_, Poff, c.turnOff);
        const std::optional<std::array<Real, 2>> bracket = FirstZero(c.turnOff, offTime, end);
        if (!bracket) {
            c.time = offTime;
            c.state = end;
            c.reached = false;
            return c;
        }
        const auto current = [&](Real t) { return conducting_.After(c.turnOff, t).i; };
        const auto [low, high] = *bracket;
        c.time =
            BracketedRoot(current, low, low == 0 ? c.turnOff.i : current(low), high,
                          high == offTime ? end.i : current(high), {kEpsilon * offTime, 0, 200});
        c.state = {0, conducting_.After(c.turnOff, c.time).v};
        return c;
    };
    const auto endVoltage = [&](const Crossing& c) {
        return c.state.v * std::exp(-rate * (offTime - c.time));
    };
    const auto g = [&](Real v) { return endVoltage(cross(v)) - v; };

    const Real top = topVoltage_;
    const Real gTop = g(top);
    const Real gBottom = g(0);
    if (!(gBottom >= 0 && gTop <= 0)) return SteadyPeriod{};
    const Real v = BracketedRoot(g, 0, gBottom, top, gTop, {kEpsilon * top, 0, 200});
    const Crossing c = cross(v);
    if (!c.reached) return std::nullopt;

    SteadyPeriod period;
    period.mode = ConductionMode::Discontinuous;
    period.outcome = RealPartsOutcome::Found;
    const auto add = [&](IntervalKind kind, Real duration, Vector2 start, const Matrix2& P) {
        if (duration > 0)
            period.pieces[static_cast<std::size_t>(period.pieceCount++)] = {kind, duration, start,
                                                                            P};
    };
    add(IntervalKind::SwitchOn, onTime, {0, v}, Pon);
    add(IntervalKind::DiodeConducting, c.time, c.turnOff, conducting_.Exponential(c.time));
    add(IntervalKind::DiodeBlocked, offTime - c.time, c.state, Decay(rate, offTime - c.time));
    if (!Finite(c.state) || !Finite(c.turnOff)) return SteadyPeriod{};
    return period;
}

// While iL > 0 and Vo >= 0 the current only falls, but past its zero the
// conducting equations may ring it back above zero before the off time ends.
// Without ringing it crosses zero at most once; with it, the first step of a
// grid of a quarter of the ringing period that ends at or below zero holds
// the first crossing.
std::optional<std::array<Real, 2>> ConverterModel::FirstZero(Vector2 turnOff, Real offTime,
                                                             Vector2 end) const {
    const Matrix2& M = conducting_.M;
    const Real half = (M.m11 - M.m22) / 2;
    const Real q2 = half * half + M.m12 * M.m21;
    const Real quarter = q2 < 0 ? std::numbers::pi_v<Real> / 2 / std::sqrt(-q2) : offTime;
    std::int64_t steps = 1;
    if (quarter < offTime)
        steps =
            std::min<std::int64_t>(kMostRingingSteps, std::llround(std::ceil(offTime / quarter)));
    const Real h = offTime / static_cast<Real>(steps);
    const Matrix2 P = conducting_.Exponential(h);
    Vector2 x = turnOff;
    for (std::int64_t k = 1; k <= steps; ++k) {
        x = k == steps ? end : Propagate(conducting_, P, x);
        if (!(x.i > 0))
            return std::array<Real, 2>{h * static_cast<Real>(k - 1),
                                       k == steps ? offTime : h * static_cast<Real>(k)};
    }
    return std::nullopt;
}

Real ConverterModel::MeanOutputVoltage(const SteadyPeriod& period) const {
    Real sum = 0;
    for (int k = 0; k < period.pieceCount; ++k) {
        const PeriodPiece& piece = period.pieces[static_cast<std::size_t>(k)];
        const LinearInterval& interval = Interval(piece.kind);
        sum += outputVoltage_.Of(interval.equilibrium) * piece.duration +
               outputVoltage_.Of(DeviationIntegral(interval, piece.start, piece.propagator));
    }
    return sum / period_;
}

}  // namespace stepdown

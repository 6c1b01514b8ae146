#include "realparts/ConverterModel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "model/FieldRules.h"
#include "realparts/RootFinding.h"

namespace stepdown {
namespace {

constexpr Real kEpsilon = std::numeric_limits<Real>::epsilon();
// A bound on the search for the first zero of a ringing current.
constexpr std::int64_t kMostRingingSteps = 100000;
constexpr int kNewtonIterations = 30;
// Newton's steps end in rounding noise of a few hundred epsilon.
constexpr Real kNewtonTolerance = 1024 * kEpsilon;

Matrix2 Decay(Real rate, Real t) {
    const Real factor = std::exp(-rate * t);
    return {factor, 0, 0, factor};
}

}  // namespace

LinearInterval Conducting(Real E, Real Rs, Real L, Real C, Real RL, Real ESR) {
    const Real Rp = RL + ESR;
    const Matrix2 M{-(Rs + ESR * RL / Rp) / L, -(RL / Rp) / L, RL / (Rp * C), -1 / (Rp * C)};
    const Real current = E / (Rs + RL);
    return {M, {current, RL * current}};
}

bool ValidValues(const CircuitValues& values, const PartValues& parts, bool checkDuty) {
    const auto positive = [](double x) { return std::isfinite(x) && x > 0; };
    const auto nonNegative = [](double x) { return std::isfinite(x) && x >= 0; };
    if (checkDuty && !(values.D > 0 && values.D < 1)) return false;
    for (double x : {values.Vi, values.f, values.L, values.C, values.RL})
        if (!positive(x)) return false;
    for (double x : {parts.ESR, parts.DCR, parts.Rds, parts.Vf, parts.Rd, parts.tr, parts.tf,
                     parts.Qg, parts.Vdrv, parts.Iq, parts.RdsLo, parts.td1, parts.td2,
                     parts.CossHi, parts.CossLo, parts.Qrr, parts.QgLo})
        if (!nonNegative(x)) return false;
    // A switch still turning on or off when the next period begins.
    if (!kRiseWithinPeriod.holds({parts.tr, values.f}) ||
        !kFallWithinPeriod.holds({parts.tf, values.f}))
        return false;
    // The low-side slot may shrink to nothing, the dead times may not overlap the on time.
    return !checkDuty || DeadTimesRefusal(values.D, parts, values.f).empty();
}

std::string DeadTimesRefusal(double D, const PartValues& parts, double f) {
    if (parts.rectifier == Rectifier::Diode) return {};
    return Broken(kDeadTimesFit, {D, parts.td1, parts.td2, f});
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

ConverterModel::Switching ConverterModel::SwitchingAt(Real D) const {
    const Real onTime = D * period_;
    const Real offTime = period_ - onTime;
    return {onTime, offTime, on_.Exponential(onTime), conducting_.Exponential(offTime)};
}

std::array<Vector2, 2> ConverterModel::ContinuousSolution(Real D) const {
    return ContinuousSolution(SwitchingAt(D));
}

std::array<Vector2, 2> ConverterModel::ContinuousSolution(const Switching& s) const {
    const Matrix2 A = s.Poff * s.Pon;
    const Vector2 b = conducting_.Through(s.Poff, on_.Through(s.Pon, {0, 0}));
    const Real a11 = 1 - A.m11, a12 = -A.m12, a21 = -A.m21, a22 = 1 - A.m22;
    const Real det = a11 * a22 - a12 * a21;
    const Vector2 start{(a22 * b.i - a12 * b.v) / det, (a11 * b.v - a21 * b.i) / det};
    return {start, on_.Through(s.Pon, start)};
}

SteadyPeriod ConverterModel::SteadyState(Real D, bool diodeBlocks) const {
    const Switching s = SwitchingAt(D);
    SteadyPeriod period;
    const auto [start, turnOff] = ContinuousSolution(s);
    // The continuous solution holds only if iL stays positive over the whole
    // off time: a ringing current can cross zero and be back above it at the
    // period's end, and the diode blocks at the first crossing.
    const bool continuous =
        !diodeBlocks || (start.i > 0 && turnOff.i > 0 &&
                         !FirstZero(turnOff, s.offTime, conducting_.Through(s.Poff, turnOff)));
    if (!continuous) {
        const std::optional<DiscontinuousStart> dcm = Discontinuous(s, start.v);
        // A diode that blocks cannot take over a current that flows backwards.
        if (!dcm || !(dcm->turnOff.i > 0) || !(dcm->crossing < s.offTime)) return period;
        const Real blocked = s.offTime - dcm->crossing;
        period.pieces = {PeriodPiece{IntervalKind::SwitchOn, s.onTime, {0, dcm->v}, s.Pon},
                         {IntervalKind::DiodeConducting, dcm->crossing, dcm->turnOff,
                          conducting_.Exponential(dcm->crossing)},
                         {IntervalKind::DiodeBlocked,
                          blocked,
                          {0, dcm->atCrossing},
                          Decay(-blocked_.M.m22, blocked)}};
        period.pieceCount = 3;
        period.newtonIterations = dcm->newtonIterations;
        period.mode = ConductionMode::Discontinuous;
        period.outcome = RealPartsOutcome::Found;
        return period;
    }
    period.pieces[0] = {IntervalKind::SwitchOn, s.onTime, start, s.Pon};
    period.pieces[1] = {IntervalKind::DiodeConducting, s.offTime, turnOff, s.Poff};
    period.pieceCount = 2;
    period.outcome = RealPartsOutcome::Found;
    return period;
}

// The period from iL = 0, vC = v: the on time, then the diode conducting
// until iL first reaches zero (or the off time ends), then C alone.
ConverterModel::DiscontinuousStart ConverterModel::FromZeroCurrent(const Switching& s,
                                                                   Real v) const {
    DiscontinuousStart period{v, on_.Through(s.Pon, {0, v}), 0, 0, 0, 0};
    // Only a v far from the steady state leaves no current to turn off.
    if (!(period.turnOff.i > 0)) {
        period.atCrossing = period.turnOff.v;
    } else {
        const Vector2 end = conducting_.Through(s.Poff, period.turnOff);
        const std::optional<std::array<Real, 2>> bracket =
            FirstZero(period.turnOff, s.offTime, end);
        if (!bracket) {
            period.crossing = s.offTime;
            period.atCrossing = end.v;
        } else {
            const auto current = [&](Real t) { return conducting_.After(period.turnOff, t).i; };
            const auto [low, high] = *bracket;
            period.crossing =
                BracketedRoot(current, low, low == 0 ? period.turnOff.i : current(low), high,
                              high == s.offTime ? end.i : current(high), {kEpsilon * s.offTime});
            period.atCrossing = conducting_.After(period.turnOff, period.crossing).v;
        }
    }
    period.endVoltage =
        period.atCrossing * std::exp(blocked_.M.m22 * (s.offTime - period.crossing));
    return period;
}

// Newton on (v, t): iL(t) = 0 after turn-off and vC back at v at the period's
// end, from the continuous solution's vC; where it does not converge to the
// first zero of iL, the root of g(v) = vC(Ts; v) - v bracketed on [0, Vi Rp/RL].
std::optional<ConverterModel::DiscontinuousStart> ConverterModel::Discontinuous(
    const Switching& s, Real continuousVoltage) const {
    const Vector2 xp = conducting_.equilibrium;
    const Real rate = -blocked_.M.m22;
    const Vector2 byStart{s.Pon.m12, s.Pon.m22};  // d turnOff / dv
    Real v = std::clamp(continuousVoltage, Real{0}, topVoltage_);
    Vector2 turnOff = on_.Through(s.Pon, {0, v});
    Real t = -turnOff.i / (conducting_.M * Vector2{turnOff.i - xp.i, turnOff.v - xp.v}).i;
    const Real voltageTolerance = kNewtonTolerance * topVoltage_;
    const Real timeTolerance = kNewtonTolerance * s.offTime;
    for (int iteration = 0; iteration < kNewtonIterations; ++iteration) {
        turnOff = on_.Through(s.Pon, {0, v});
        const Matrix2 E = conducting_.Exponential(t);
        const Vector2 deviation = E * Vector2{turnOff.i - xp.i, turnOff.v - xp.v};
        const Vector2 byV = E * byStart;
        const Vector2 byT = conducting_.M * deviation;
        const Real decay = std::exp(-rate * (s.offTime - t));
        const Real atCrossing = xp.v + deviation.v;
        const Real f1 = xp.i + deviation.i, f2 = atCrossing * decay - v;
        const Real j11 = byV.i, j12 = byT.i, j21 = byV.v * decay - 1;
        const Real j22 = (byT.v + rate * atCrossing) * decay;
        const Real det = j11 * j22 - j12 * j21;
        const Real dv = (j12 * f2 - j22 * f1) / det, dt = (j21 * f1 - j11 * f2) / det;
        v += dv;
        t += dt;
        if (!(std::fabs(dv) <= voltageTolerance && std::fabs(dt) <= timeTolerance)) continue;
        // Converged; on the first zero of iL only if the bracketed search agrees.
        DiscontinuousStart period = FromZeroCurrent(s, v);
        period.newtonIterations = iteration + 1;
        if (std::fabs(period.crossing - t) <= timeTolerance) return period;
        break;
    }
    const auto g = [&](Real x) { return FromZeroCurrent(s, x).endVoltage - x; };
    const Real top = topVoltage_;
    const Real gTop = g(top);
    const Real gBottom = g(0);
    if (!(gBottom >= 0 && gTop <= 0)) return std::nullopt;
    return FromZeroCurrent(s, BracketedRoot(g, 0, gBottom, top, gTop, {kEpsilon * top}));
}

// While iL > 0 and Vo >= 0 the current only falls, but past its zero the
// conducting equations may ring it back above zero before the off time ends.
std::optional<std::array<Real, 2>> ConverterModel::FirstZero(Vector2 turnOff, Real offTime,
                                                             Vector2 end) const {
    return FirstZeroBracket(conducting_, turnOff, offTime, end);
}

std::optional<std::array<Real, 2>> FirstZeroBracket(const LinearInterval& in, Vector2 start,
                                                    Real duration, Vector2 end) {
    const bool positive = start.i > 0;
    const Matrix2& M = in.M;
    const Real half = (M.m11 - M.m22) / 2;
    const Real q2 = half * half + M.m12 * M.m21;
    const Real quarter = q2 < 0 ? std::numbers::pi_v<Real> / 2 / std::sqrt(-q2) : duration;
    std::int64_t steps = 1;
    if (quarter < duration)
        steps =
            std::min<std::int64_t>(kMostRingingSteps, std::llround(std::ceil(duration / quarter)));
    const Real h = duration / static_cast<Real>(steps);
    const Matrix2 P = in.Exponential(h);
    Vector2 x = start;
    for (std::int64_t k = 1; k <= steps; ++k) {
        x = k == steps ? end : in.Through(P, x);
        if (positive ? !(x.i > 0) : !(x.i < 0))
            return std::array<Real, 2>{h * static_cast<Real>(k - 1),
                                       k == steps ? duration : h * static_cast<Real>(k)};
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

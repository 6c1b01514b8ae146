#include "realparts/SynchronousStage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <optional>

#include "realparts/RootFinding.h"

namespace stepdown {
namespace {

constexpr Real kEpsilon = std::numeric_limits<Real>::epsilon();
constexpr int kNewtonIterations = 60;
constexpr int kHalvings = 40;

std::size_t IndexOf(StageInterval kind) { return static_cast<std::size_t>(kind); }

Vector2 Minus(Vector2 a, Vector2 b) { return {a.i - b.i, a.v - b.v}; }

// The first time in [0, duration] at which iL, nonzero at `start`, reaches
// zero; nothing when it keeps its sign.
std::optional<Real> FirstZero(const LinearInterval& in, Vector2 start, Real duration, Vector2 end) {
    const std::optional<std::array<Real, 2>> bracket = FirstZeroBracket(in, start, duration, end);
    if (!bracket) return std::nullopt;
    const auto current = [&](Real t) { return in.After(start, t).i; };
    const auto [low, high] = *bracket;
    return BracketedRoot(current, low, low == 0 ? start.i : current(low), high,
                         high == duration ? end.i : current(high), {kEpsilon * duration});
}

// The interval and a state seen from iL = edge: the current's zero there.
LinearInterval Shifted(const LinearInterval& in, Real edge) {
    return {in.M, {in.equilibrium.i - edge, in.equilibrium.v}};
}
Vector2 Shifted(Vector2 x, Real edge) { return {x.i - edge, x.v}; }

}  // namespace

SharedDrop ShareOf(double Rds, double Vf, double Rd) {
    if (!(Rds > 0)) return {std::numeric_limits<double>::infinity(), 0, 0, 0};
    return {Vf / Rds, Vf * Rds / (Rds + Rd), Rds * Rd / (Rds + Rd), Rds};
}

struct SynchronousStage::Run {
    StagePeriod period;
    Vector2 x;
    Matrix2 jacobian = kIdentity2;

    void Add(StageInterval kind, Real duration, const Matrix2& P, Vector2 end) {
        period.pieces[static_cast<std::size_t>(period.pieceCount++)] = {kind, duration, x, P};
        x = end;
        jacobian = P * jacobian;
    }
};

SynchronousStage::SynchronousStage(const CircuitValues& values, const PartValues& parts)
    : period_(1 / static_cast<Real>(values.f)),
      td1_(parts.td1),
      td2_(parts.td2),
      mode_(parts.lowSideMode),
      highShare_(ShareOf(parts.Rds, parts.Vf, parts.Rd)),
      lowShare_(ShareOf(parts.RdsLo, parts.Vf, parts.Rd)) {
    const Real L = values.L, C = values.C, RL = values.RL, ESR = parts.ESR, DCR = parts.DCR;
    const Real Vi = values.Vi, Vf = parts.Vf, Rd = parts.Rd;
    const Real Rp = RL + ESR;
    intervals_[IndexOf(StageInterval::HighSideOn)] = Conducting(Vi, parts.Rds + DCR, L, C, RL, ESR);
    intervals_[IndexOf(StageInterval::LowSideOn)] = Conducting(0, parts.RdsLo + DCR, L, C, RL, ESR);
    intervals_[IndexOf(StageInterval::LowBodyDiode)] = Conducting(-Vf, Rd + DCR, L, C, RL, ESR);
    intervals_[IndexOf(StageInterval::HighBodyDiode)] =
        Conducting(Vi + Vf, Rd + DCR, L, C, RL, ESR);
    intervals_[IndexOf(StageInterval::LowSideShared)] =
        Conducting(-lowShare_.source, lowShare_.slope + DCR, L, C, RL, ESR);
    intervals_[IndexOf(StageInterval::HighSideShared)] =
        Conducting(Vi + highShare_.source, highShare_.slope + DCR, L, C, RL, ESR);
    const Real rate = 1 / (Rp * C);
    intervals_[IndexOf(StageInterval::Blocked)] = {{-rate, 0, 0, -rate}, {0, 0}};
    outputVoltage_ = {ESR * RL / Rp, RL / Rp};
    capacitorCurrent_ = {RL / Rp, -1 / Rp};
}

const LinearInterval& SynchronousStage::Interval(StageInterval kind) const {
    return intervals_[IndexOf(kind)];
}

SynchronousStage::Run SynchronousStage::Through(Real D, Vector2 start) const {
    Run run;
    run.x = start;
    const Real rate = -Interval(StageInterval::Blocked).M.m22;
    const auto block = [&](Real t) {
        if (!(t > 0)) return;
        const Real decay = std::exp(-rate * t);
        run.Add(StageInterval::Blocked, t, {decay, 0, 0, decay}, {0, run.x.v * decay});
    };
    // Conducts until iL reaches zero, then nothing conducts for the rest of `t`.
    const auto untilZero = [&](StageInterval kind, Real t) {
        const LinearInterval& in = Interval(kind);
        const Matrix2 P = in.Exponential(t);
        const Vector2 end = in.Through(P, run.x);
        const std::optional<Real> zero = FirstZero(in, run.x, t, end);
        if (!zero) {
            run.Add(kind, t, P, end);
            return;
        }
        const Matrix2 Pz = in.Exponential(*zero);
        const Vector2 atZero = in.Through(Pz, run.x);
        run.Add(kind, *zero, Pz, {0, atZero.v});
        // The crossing moves with the start: dt = -d iL / iL'. vC then moves
        // by its own rate times dt, and its decay starts dt later.
        const Vector2 slope = in.M * Minus(atZero, in.equilibrium);
        Matrix2& J = run.jacobian;
        const Real byI = -J.m11 / slope.i, byV = -J.m12 / slope.i;
        const Real moved = slope.v + rate * atZero.v;
        J = {0, 0, J.m21 + moved * byI, J.m22 + moved * byV};
        block(t - *zero);
    };
    // A closed switch for `t`: its channel, and with its body diode beside
    // it wherever iL passes the edge (above it on the low side, below minus
    // it on the high side); where `stops`, the channel opens at iL = 0.
    const auto closed = [&](bool high, Real t, bool stops) {
        const SharedDrop& share = high ? highShare_ : lowShare_;
        const StageInterval channel = high ? StageInterval::HighSideOn : StageInterval::LowSideOn;
        const StageInterval both =
            high ? StageInterval::HighSideShared : StageInterval::LowSideShared;
        const Real edge = high ? -Real(share.edge) : Real(share.edge);
        const Real outward = high ? -1 : 1;  // beyond the edge: outward (iL - edge) > 0
        const auto beyond = [&](StageInterval kind) {
            const Real past = outward * (run.x.i - edge);
            if (past != 0) return past > 0;
            const LinearInterval& in = Interval(kind);
            return outward * (in.M * Minus(run.x, in.equilibrium)).i > 0;
        };
        bool sharing = std::isfinite(edge) && beyond(channel);
        for (int edges = 0; t > 0; ++edges) {
            const StageInterval kind = sharing ? both : channel;
            const LinearInterval& in = Interval(kind);
            if (stops && !(edge > 0) && !high) {
                // No forward drop: the pair carries iL down to zero.
                untilZero(kind, t);
                return;
            }
            const Matrix2 P = in.Exponential(t);
            const Vector2 end = in.Through(P, run.x);
            std::optional<Real> crossing;
            if (std::isfinite(edge) && edges < kMostEdges) {
                // Seen from the edge the current starts on the side `sharing` says.
                Vector2 from = Shifted(run.x, edge);
                const Real side = sharing ? outward : -outward;
                if (!(side * from.i > 0)) from.i = side * kEpsilon * (1 + std::fabs(edge));
                crossing = FirstZero(Shifted(in, edge), from, t, Shifted(end, edge));
            }
            if (!crossing) {
                if (stops && !sharing)
                    untilZero(kind, t);
                else
                    run.Add(kind, t, P, end);
                return;
            }
            const Matrix2 Pc = in.Exponential(*crossing);
            run.Add(kind, *crossing, Pc, in.Through(Pc, run.x));
            t -= *crossing;
            sharing = !sharing;
        }
    };
    const auto free = [&](Real t) {
        if (!(t > 0)) return;
        if (run.x.i > 0)
            untilZero(StageInterval::LowBodyDiode, t);
        else if (run.x.i < 0)
            untilZero(StageInterval::HighBodyDiode, t);
        else
            block(t);
    };
    const Real onTime = D * period_;
    const Real lowSlot = std::max<Real>(0, period_ - onTime - td1_ - td2_);
    closed(true, onTime, false);
    free(td1_);
    if (lowSlot > 0) {
        if (mode_ == LowSideMode::ForcedContinuous) {
            run.period.lowSideDriven = true;
            closed(false, lowSlot, false);
        } else if (run.x.i > 0) {
            run.period.lowSideDriven = true;
            closed(false, lowSlot, true);
        } else {
            free(lowSlot);
        }
    }
    run.period.deadTimeStart = run.period.pieceCount;
    free(td2_);
    return run;
}

StagePeriod SynchronousStage::SteadyState(Real D) const {
    const LinearInterval& on = Interval(StageInterval::HighSideOn);
    const Real Vo = D * on.equilibrium.v;
    Vector2 x{Vo / (on.equilibrium.v / on.equilibrium.i), Vo};
    // Currents weighed by the load, so that the two residuals are both volts.
    const Real load = on.equilibrium.v / on.equilibrium.i;
    const auto size = [load](Vector2 r) { return std::fabs(r.i) * load + std::fabs(r.v); };
    const Real scale = std::fabs(on.equilibrium.v);
    Run run = Through(D, x);
    Vector2 residual = Minus(run.x, x);
    for (int iteration = 0; iteration < kNewtonIterations; ++iteration) {
        if (size(residual) <= 64 * kEpsilon * scale) {
            run.period.outcome = RealPartsOutcome::Found;
            return run.period;
        }
        const Matrix2& J = run.jacobian;
        const Real a11 = J.m11 - 1, a12 = J.m12, a21 = J.m21, a22 = J.m22 - 1;
        const Real det = a11 * a22 - a12 * a21;
        const Vector2 step{-(a22 * residual.i - a12 * residual.v) / det,
                           -(a11 * residual.v - a21 * residual.i) / det};
        if (!std::isfinite(step.i) || !std::isfinite(step.v)) break;
        Real fraction = 1;
        for (int halving = 0;; ++halving) {
            const Vector2 trial{x.i + fraction * step.i, x.v + fraction * step.v};
            Run next = Through(D, trial);
            const Vector2 r = Minus(next.x, trial);
            if (size(r) < size(residual) || halving == kHalvings) {
                x = trial;
                run = next;
                residual = r;
                break;
            }
            fraction /= 2;
        }
    }
    // Newton stalled at a kink: accept the fixed point only if it is one.
    if (size(residual) <= 1e-12L * scale) run.period.outcome = RealPartsOutcome::Found;
    return run.period;
}

Real SynchronousStage::MeanOutputVoltage(const StagePeriod& period) const {
    Real sum = 0;
    for (int k = 0; k < period.pieceCount; ++k) {
        const StagePiece& piece = period.pieces[static_cast<std::size_t>(k)];
        const LinearInterval& interval = Interval(piece.kind);
        sum += outputVoltage_.Of(interval.equilibrium) * piece.duration +
               outputVoltage_.Of(DeviationIntegral(interval, piece.start, piece.propagator));
    }
    return sum / period_;
}

}  // namespace stepdown

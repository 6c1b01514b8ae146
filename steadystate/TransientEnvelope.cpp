#include "steadystate/TransientEnvelope.h"

#include <algorithm>
#include <cmath>

namespace stepdown::transient {
namespace {

// The first-order deviations walked per figure before settling for the
// envelope's bound.
constexpr std::int64_t kMostScannedPeriods = std::int64_t{1} << 18;

// sup of m' r^(m' - 1) over m' >= m: it rises up to m' = 1 / ln(1 / r),
// then falls.
Real Rising(std::int64_t m, Real r) {
    if (r == 0) return m <= 1 ? 1 : 0;
    const Real at = std::max(static_cast<Real>(m), -1 / std::log(r));
    return at * std::pow(r, at - 1);
}

}  // namespace

Matrix PowerOf(const Matrix& m, std::int64_t n) {
    return Power(Map<Matrix>{m, kZeroMatrix}, n, kZeroMatrix).linear;
}

Matrix SumOfPowers(const Matrix& S, std::int64_t n) {
    return Power(Map<Matrix>{S, kIdentity2}, n, kZeroMatrix).offset;
}

Modes ModesOf(const Matrix& A) {
    Modes modes;
    modes.half = (A.m11 + A.m22) / 2;
    // Without the cancellation of half^2 - det when A is near the identity.
    const Real skew = (A.m11 - A.m22) / 2;
    modes.discriminant = skew * skew + A.m12 * A.m21;
    modes.det = A.m11 * A.m22 - A.m12 * A.m21;
    modes.complex = modes.discriminant < 0;
    if (modes.complex) {
        modes.radius = std::sqrt(std::max<Real>(modes.det, 0));
    } else {
        const Real root = std::sqrt(modes.discriminant);
        modes.radius = std::max(std::fabs(modes.half + root), std::fabs(modes.half - root));
    }
    return modes;
}

Deviation::Deviation(const Matrix& A, const Modes& modes, const Vector& w, const Vector& e)
    : A_(A), modes_(modes), w_(w), e_(e) {
    const Real d0 = Dot(w, e), d1 = Dot(w, A * e);
    if (modes.complex) {
        // d(m) = r^m (x cos m theta - y sin m theta) with x = d(0); since
        // |sin m theta| <= m |sin theta|, the y term is also at most
        // m r^(m-1) |x half - d(1)|, which stays finite as theta -> 0.
        const Real numerator = d0 * modes.half - d1;
        first_ = std::fabs(d0);
        second_ = std::fabs(numerator / std::sqrt(-modes.discriminant));
        coupling_ = std::fabs(numerator);
        return;
    }
    // Real eigenvalues: in a Schur basis A is [l1 beta; 0 l2], whose powers
    // hold l1^m, l2^m and beta times a sum of m products of them.
    const Real root = std::sqrt(modes.discriminant);
    const Real l1 = modes.half >= 0 ? modes.half + root : modes.half - root;
    l1_ = std::fabs(l1);
    l2_ = l1 == 0 ? 0 : std::fabs(modes.det / l1);
    Vector q1{A.m12, l1 - A.m11};
    const Vector other{l1 - A.m22, A.m21};
    if (std::hypot(other.i, other.v) > std::hypot(q1.i, q1.v)) q1 = other;
    const Real length = std::hypot(q1.i, q1.v);
    q1 = length == 0 ? Vector{1, 0} : Scaled(q1, 1 / length);
    const Vector q2{-q1.v, q1.i};
    const Real beta = Dot(q1, A * q2);
    const Real u1 = Dot(q1, w), u2 = Dot(q2, w), v1 = Dot(q1, e), v2 = Dot(q2, e);
    first_ = std::fabs(u1 * v1);
    second_ = std::fabs(u2 * v2);
    coupling_ = std::fabs(u1 * v2 * beta);
}

Real Deviation::Bound(std::int64_t m) const {
    const Real power = static_cast<Real>(m);
    const Real r = modes_.radius;
    if (modes_.complex)
        return first_ * std::pow(r, power) +
               std::min(second_ * std::pow(r, power), coupling_ * Rising(m, r));
    return first_ * std::pow(l1_, power) + second_ * std::pow(l2_, power) +
           coupling_ * Rising(m, r);
}

std::int64_t Deviation::BoundWithin(Real tolerance) const {
    if (Bound(0) <= tolerance) return 0;
    std::int64_t low = 0, high = 1;
    while (high < kMostPeriods && !(Bound(high) <= tolerance)) {
        low = high;
        high *= 2;
    }
    if (high >= kMostPeriods) return kMostPeriods;
    while (high - low > 1) {
        const std::int64_t middle = low + (high - low) / 2;
        (Bound(middle) <= tolerance ? high : low) = middle;
    }
    return high;
}

// A 2 x 2 matrix satisfies its characteristic polynomial (Cayley-Hamilton):
// A^2 = tr(A) A - det(A) I. Multiplied by A^m e and dotted with w, the
// deviations obey d(m + 2) = tr(A) d(m + 1) - det(A) d(m): two starting
// values, one matrix power for the first, then two multiplications a period,
// exact up to rounding and free of the eigenvalues' cancellation.
std::int64_t Deviation::LastBeyond(std::int64_t from, std::int64_t to, Real tolerance) const {
    const Vector start = PowerOf(A_, from) * e_;
    Real current = Dot(w_, start);
    Real next = Dot(w_, A_ * start);
    const Real trace = 2 * modes_.half;
    std::int64_t last = -1;
    for (std::int64_t m = from; m < to; ++m) {
        if (!(std::fabs(current) <= tolerance)) last = m;
        const Real after = trace * next - modes_.det * current;
        current = next;
        next = after;
    }
    return last;
}

// The least number of periods k from which on |d(m)| <= tolerance for every
// m >= k - 1 (the last of k periods starts after k - 1 of them).
std::int64_t PeriodsWithin(const Deviation& deviation, Real tolerance) {
    std::int64_t clear = deviation.BoundWithin(tolerance);
    if (clear >= kMostPeriods) return kMostPeriods;
    // Walk back below the bound, a tenth at a time, to the last miss; past
    // the walk's budget the bound stands.
    std::int64_t budget = kMostScannedPeriods;
    while (clear > 0 && budget > 0) {
        const std::int64_t stride = std::min(budget, std::max<std::int64_t>(1, clear / 11));
        const std::int64_t miss = deviation.LastBeyond(clear - stride, clear, tolerance);
        if (miss >= 0) return miss + 2;
        budget -= stride;
        clear -= stride;
    }
    return clear + 1;
}

}  // namespace stepdown::transient

#include "realparts/LinearInterval.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace stepdown {

Matrix2 LinearInterval::Exponential(Real t) const {
    const Real s = (M.m11 + M.m22) / 2;
    const Real half = (M.m11 - M.m22) / 2;
    // s^2 - det without the cancellation of two large squares.
    const Real q2 = half * half + M.m12 * M.m21;
    Real diagonal;  // e^{st} c(t)
    Real slope;     // e^{st} s1(t)
    if (q2 > 0) {
        const Real q = std::sqrt(q2);
        const Real fast = s - q;
        const Real slow = (M.m11 * M.m22 - M.m12 * M.m21) / fast;
        const Real slowDecay = std::exp(slow * t);
        diagonal = (slowDecay + std::exp(fast * t)) / 2;
        slope = slowDecay * -std::expm1(-2 * q * t) / (2 * q);
    } else if (q2 < 0) {
        const Real w = std::sqrt(-q2);
        const Real decay = std::exp(s * t);
        diagonal = decay * std::cos(w * t);
        slope = decay * std::sin(w * t) / w;
    } else {
        diagonal = std::exp(s * t);
        slope = diagonal * t;
    }
    return {diagonal + slope * (M.m11 - s), slope * M.m12, slope * M.m21,
            diagonal + slope * (M.m22 - s)};
}

Vector2 LinearInterval::After(Vector2 start, Real t) const {
    return Through(Exponential(t), start);
}

Vector2 LinearInterval::Through(const Matrix2& P, Vector2 start) const {
    const Vector2 deviation = P * Vector2{start.i - equilibrium.i, start.v - equilibrium.v};
    return {equilibrium.i + deviation.i, equilibrium.v + deviation.v};
}

Vector2 DeviationIntegral(const LinearInterval& interval, Vector2 start, const Matrix2& P) {
    const Matrix2& M = interval.M;
    const Vector2 d{start.i - interval.equilibrium.i, start.v - interval.equilibrium.v};
    const Vector2 change = P * d;
    const Vector2 r{change.i - d.i, change.v - d.v};
    const Real det = M.m11 * M.m22 - M.m12 * M.m21;
    return {(M.m22 * r.i - M.m12 * r.v) / det, (M.m11 * r.v - M.m21 * r.i) / det};
}

namespace {

// A bound on the rate of the fastest motion of x' = M x, in radians per second.
Real FastestRate(const Matrix2& M) {
    return std::sqrt(std::fabs(M.m11 * M.m22 - M.m12 * M.m21)) + std::fabs(M.m11) +
           std::fabs(M.m22);
}

// Five-point Gauss-Legendre on panels of a quarter radian of `rate` (a
// million at most) over `duration` from y = d: adds the integral of
// (offset + y)(offset + y)^T to G, and that of offset + y to `sum` when
// given, and returns y at the end.
Vector2 AddPanels(const LinearInterval& interval, Vector2 d, Real duration, Real rate,
                  Symmetric2& G, Vector2 offset = {0, 0}, Vector2* sum = nullptr) {
    const Real wanted = std::ceil(rate * duration / 0.25L);
    const std::int64_t panels = wanted < 1      ? 1
                                : wanted > 1e6L ? 1000000
                                                : static_cast<std::int64_t>(wanted);
    const Real h = duration / static_cast<Real>(panels);
    const Real inner = std::sqrt(5 - 2 * std::sqrt(Real{10} / 7)) / 3;
    const Real outer = std::sqrt(5 + 2 * std::sqrt(Real{10} / 7)) / 3;
    const Real root70 = std::sqrt(Real{70});
    const Real nodes[5] = {-outer, -inner, 0, inner, outer};
    const Real weights[5] = {(322 - 13 * root70) / 900, (322 + 13 * root70) / 900, Real{128} / 225,
                             (322 + 13 * root70) / 900, (322 - 13 * root70) / 900};
    Matrix2 atNode[5];
    for (int k = 0; k < 5; ++k) atNode[k] = interval.Exponential((1 + nodes[k]) / 2 * h);
    const Matrix2 step = interval.Exponential(h);
    Vector2 y = d;
    for (std::int64_t p = 0; p < panels; ++p) {
        for (int k = 0; k < 5; ++k) {
            Vector2 z = atNode[k] * y;
            z = {offset.i + z.i, offset.v + z.v};
            const Real w = weights[k] * h / 2;
            G.ii += w * z.i * z.i;
            G.iv += w * z.i * z.v;
            G.vv += w * z.v * z.v;
            if (sum != nullptr) *sum = {sum->i + w * z.i, sum->v + w * z.v};
        }
        y = step * y;
    }
    return y;
}

// G = integral of y y^T, y = e^{Mt} d, by quadrature: ten orders of the
// panel's length, about 1e-13 of each panel's share. A stiff interval with
// two decaying real modes, the fast one a thousand times the slow one, has
// lost the fast one (to e^-46 of itself) after 46 of its time constants:
// the rest takes panels of the slow one's pace, not a million of the fast.
Symmetric2 SquareByQuadrature(const LinearInterval& interval, Vector2 d, Real duration) {
    const Matrix2& M = interval.M;
    const Real s = (M.m11 + M.m22) / 2, half = (M.m11 - M.m22) / 2;
    const Real q2 = half * half + M.m12 * M.m21;
    const Real det = M.m11 * M.m22 - M.m12 * M.m21;
    Symmetric2 G;
    if (q2 > 0 && s < 0 && det > 0) {                            // both modes real and decaying
        const Real fast = std::sqrt(q2) - s, slow = det / fast;  // their rates
        const Real gone = 46 / fast;
        if (gone < duration && slow < 1e-3L * fast) {
            const Vector2 later = AddPanels(interval, d, gone, fast, G);
            AddPanels(interval, later, duration - gone, slow, G);
            return G;
        }
    }
    AddPanels(interval, d, duration, FastestRate(M), G);
    return G;
}

}  // namespace

IntervalIntegrals Integrate(const LinearInterval& interval, Vector2 start, Real duration,
                            const Matrix2& P) {
    const Matrix2& M = interval.M;
    const Vector2 d{start.i - interval.equilibrium.i, start.v - interval.equilibrium.v};
    const Vector2 y = P * d;
    const Real r11 = y.i * y.i - d.i * d.i;
    const Real r12 = y.i * y.v - d.i * d.v;
    const Real r22 = y.v * y.v - d.v * d.v;
    const Real trace = M.m11 + M.m22;
    const Real det3 = 4 * trace * (M.m11 * M.m22 - M.m12 * M.m21);
    Symmetric2 G{
        (r11 * (trace * 2 * M.m22 - 2 * M.m12 * M.m21) -
         2 * M.m12 * (2 * M.m22 * r12 - M.m12 * r22)) /
            det3,
        (4 * M.m11 * M.m22 * r12 - 2 * M.m11 * M.m12 * r22 - 2 * M.m21 * M.m22 * r11) / det3,
        (2 * M.m11 * trace * r22 - 4 * M.m11 * M.m21 * r12 - 2 * M.m12 * M.m21 * r22 +
         2 * M.m21 * M.m21 * r11) /
            det3};
    // The closed form divides by the trace and subtracts squares of the
    // deviations: over an interval short against the circuit's motion, or in
    // a filter that rings with almost no damping, it can leave the result to
    // the rounding. The sum of its terms' magnitudes bounds that rounding.
    const Real a11 = y.i * y.i + d.i * d.i, a22 = y.v * y.v + d.v * d.v;
    const Real a12 = std::fabs(y.i * y.v) + std::fabs(d.i * d.v);
    const Real mii = (a11 * (std::fabs(trace * 2 * M.m22) + std::fabs(2 * M.m12 * M.m21)) +
                      std::fabs(2 * M.m12) * (std::fabs(2 * M.m22 * a12) + std::fabs(M.m12) * a22));
    const Real mvv = std::fabs(2 * M.m11 * trace) * a22 + std::fabs(4 * M.m11 * M.m21) * a12 +
                     std::fabs(2 * M.m12 * M.m21) * a22 + 2 * M.m21 * M.m21 * a11;
    const Real rounding = 64 * std::numeric_limits<Real>::epsilon() / std::fabs(det3);
    if (!(rounding * mii <= 1e-10L * G.ii && rounding * mvv <= 1e-10L * G.vv))
        G = SquareByQuadrature(interval, d, duration);
    IntervalIntegrals in{duration,
                         interval.equilibrium,
                         DeviationIntegral(interval, start, P),
                         G,
                         std::nullopt,
                         std::nullopt,
                         FastestRate(M) * duration};
    for (const Observable w : {Observable{1, 0}, Observable{0, 1}})
        if (in.Cancels(w)) {
            Symmetric2 square;
            Vector2 sum{0, 0};
            AddPanels(interval, d, duration, FastestRate(M), square, interval.equilibrium, &sum);
            in.state = sum;
            in.stateSquare = square;
            break;
        }
    return in;
}

Real IntervalIntegrals::SplitLinear(Observable w, Real& size) const {
    const Real steady = w.Of(equilibrium) * duration, deviation = w.Of(deviationIntegral);
    size = std::fabs(steady) + std::fabs(deviation);
    return steady + deviation;
}

Real IntervalIntegrals::SplitSquare(Observable w, Real& size) const {
    const Real steady = w.Of(equilibrium);
    const Real quadratic = w.i * w.i * deviationSquare.ii + 2 * w.i * w.v * deviationSquare.iv +
                           w.v * w.v * deviationSquare.vv;
    const Real cross = 2 * steady * w.Of(deviationIntegral);
    size = steady * steady * duration + std::fabs(cross) + std::fabs(quadratic);
    return steady * steady * duration + cross + quadratic;
}

// Phi d takes P - I, whose rounding grows as the interval shortens against
// the circuit's motion: with the terms' cancellation, the sum's rounding
// against its value.
bool IntervalIntegrals::LeftToRounding(Real split, Real size) const {
    return !(std::fabs(split) * std::min<Real>(1, reach) >= 1e-7L * size);
}

bool IntervalIntegrals::Cancels(Observable w) const {
    Real size = 0, linearSize = 0;
    const Real split = SplitSquare(w, size);
    const Real linear = SplitLinear(w, linearSize);
    return LeftToRounding(split, size) || LeftToRounding(linear, linearSize);
}

Real IntervalIntegrals::Linear(Observable w) const {
    Real size = 0;
    const Real split = SplitLinear(w, size);
    return state && LeftToRounding(split, size) ? w.Of(*state) : split;
}

Real IntervalIntegrals::Square(Observable w) const {
    Real size = 0;
    const Real split = SplitSquare(w, size);
    if (!stateSquare || !LeftToRounding(split, size)) return split;
    const Symmetric2& S = *stateSquare;
    return w.i * w.i * S.ii + 2 * w.i * w.v * S.iv + w.v * w.v * S.vv;
}

}  // namespace stepdown

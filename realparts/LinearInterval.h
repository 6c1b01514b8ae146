#pragma once
// One interval of the switching period on which the circuit is linear and
// time-invariant, x' = M x + u with x = (iL, vC), integrated exactly in long
// double: the state after a time t, and the integrals over the interval of
// the state and of its square that the means and RMS values are made of.
//
// With s = tr(M)/2 and q^2 = s^2 - det(M), e^{Mt} = e^{st}[c(t) I + s1(t)(M - sI)]
// where c = cosh(qt), s1 = sinh(qt)/q for q^2 > 0 (cos, sin and |q| for
// q^2 < 0, 1 and t for q^2 = 0). For real q the two terms are written through
// the eigenvalues l1 = s + q, l2 = s - q: e^{st}c = (e^{l1 t} + e^{l2 t})/2 and
// e^{st}s1 = -e^{l1 t} expm1(-2qt)/(2q), which stays exact as qt -> 0 where the
// difference of two exponentials would cancel (no series needed) and cannot
// overflow for large qt.
// Every matrix here has s < 0 and det > 0 (a resistive load), so M is
// invertible and x tends to the equilibrium xp = -M^-1 u:
//   x(t) = xp + e^{Mt} (x0 - xp).
// With d = x0 - xp, P = e^{M tau}:
//   integral of x     = xp tau + Phi d,  Phi = M^-1 (P - I);
//   integral of x x^T = xp xp^T tau + xp (Phi d)^T + (Phi d) xp^T + G,
// where G = integral of e^{Mt} d d^T e^{M^T t} solves the Lyapunov equation
//   M G + G M^T = (P d)(P d)^T - d d^T
// (differentiate e^{Mt} d d^T e^{M^T t} and integrate), three linear equations
// in the entries of the symmetric G whose determinant is 4 tr(M) det(M) != 0.
// Where the state stays far below its equilibrium (a pulse of a few
// picoseconds from zero current), those terms cancel to their rounding: the
// integral of x x^T is then also taken by quadrature of x itself.

#include <optional>

#include "common/Matrix2.h"

namespace stepdown {

using Real = ExtendedReal;

struct Symmetric2 {
    Real ii = 0, iv = 0, vv = 0;
};

// A linear functional of the state, w.x: a current or a voltage of the circuit.
struct Observable {
    Real i = 0, v = 0;
    Real Of(Vector2 x) const { return Dot({i, v}, x); }
};

// x' = M x + u, kept as M and its equilibrium xp.
struct LinearInterval {
    Matrix2 M;
    Vector2 equilibrium;

    Matrix2 Exponential(Real t) const;
    Vector2 After(Vector2 start, Real t) const;
    // After a time tau with P = e^{M tau} at hand: xp + P (start - xp).
    Vector2 Through(const Matrix2& P, Vector2 start) const;
};

// The integrals over an interval of length `duration` started at `start`,
// with P = e^{M duration}.
struct IntervalIntegrals {
    Real duration = 0;
    Vector2 equilibrium;
    Vector2 deviationIntegral;   // Phi d
    Symmetric2 deviationSquare;  // G
    // The integrals of x and of x x^T by quadrature, where the sums above
    // cancel.
    std::optional<Vector2> state;
    std::optional<Symmetric2> stateSquare;
    Real reach = 1;  // the interval's length in radians of the circuit's fastest motion

    Real Linear(Observable w) const;  // integral of w.x
    Real Square(Observable w) const;  // integral of (w.x)^2
    // Whether the closed form of Linear(w) or Square(w) is left to its
    // rounding (to more than about 1e-12 of its value).
    bool Cancels(Observable w) const;

private:
    bool LeftToRounding(Real split, Real size) const;
    Real SplitLinear(Observable w, Real& size) const;
    Real SplitSquare(Observable w, Real& size) const;
};

// Phi d only: enough for the mean of a linear quantity.
Vector2 DeviationIntegral(const LinearInterval& interval, Vector2 start, const Matrix2& P);

IntervalIntegrals Integrate(const LinearInterval& interval, Vector2 start, Real duration,
                            const Matrix2& P);

}  // namespace stepdown

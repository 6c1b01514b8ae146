#pragma once
// The transient of an affine period map x -> A x + b on a 2 x 2 state, in
// long double: maps raised to their powers by repeated squaring, and the
// first-order deviation d(m) = w . A^m e of a figure from its steady-state
// value after m periods, bounded by an envelope that never grows.

#include <cstdint>

#include "common/Matrix2.h"

namespace stepdown::transient {

using Real = ExtendedReal;

using Matrix = Matrix2;
using Vector = Vector2;

inline constexpr Matrix kZeroMatrix{0, 0, 0, 0};

// x -> linear x + offset, with a vector offset (a state) or a matrix one
// (a sum of powers).
template <class Offset>
struct Map {
    Matrix linear;
    Offset offset;
};

// `second` after `first`.
template <class Offset>
Map<Offset> Then(const Map<Offset>& first, const Map<Offset>& second) {
    return {second.linear * first.linear, second.linear * first.offset + second.offset};
}

// The map applied n times (n >= 0), by repeated squaring.
template <class Offset>
Map<Offset> Power(Map<Offset> base, std::int64_t n, Offset zero) {
    Map<Offset> result{kIdentity2, zero};
    for (; n > 0; n >>= 1) {
        if ((n & 1) != 0) result = Then(result, base);
        base = Then(base, base);
    }
    return result;
}

Matrix PowerOf(const Matrix& m, std::int64_t n);

// S^0 + S^1 + ... + S^(n-1).
Matrix SumOfPowers(const Matrix& S, std::int64_t n);

// The eigenvalues of a 2 x 2 matrix and what bounds the powers of it.
struct Modes {
    Real half = 0, discriminant = 0, det = 0;
    Real radius = 0;
    bool complex = false;
};

Modes ModesOf(const Matrix& A);

// d(m) = w . A^m e, and a bound on sup |d(m')| over m' >= m that does not
// grow with m: the modulus of a complex pair of eigenvalues, or the real
// eigenvalues in a Schur basis.
class Deviation {
public:
    Deviation(const Matrix& A, const Modes& modes, const Vector& w, const Vector& e);

    Real Bound(std::int64_t m) const;
    // The least m from which on the bound stays within `tolerance`.
    std::int64_t BoundWithin(Real tolerance) const;
    // The last m in [from, to) with |d(m)| > tolerance, or -1.
    std::int64_t LastBeyond(std::int64_t from, std::int64_t to, Real tolerance) const;

private:
    Matrix A_;
    Modes modes_;
    Vector w_, e_;
    Real l1_ = 0, l2_ = 0, first_ = 0, second_ = 0, coupling_ = 0;
};

// Periods beyond any run: the search for the periods needed stops here.
inline constexpr std::int64_t kMostPeriods = std::int64_t{1} << 62;

// The least number of periods k from which on |d(m)| <= tolerance for every
// m >= k - 1 (the last of k periods starts after k - 1 of them): below the
// bound, the sequence itself is walked back to its last miss, within a
// budget of periods beyond which the bound stands.
std::int64_t PeriodsWithin(const Deviation& deviation, Real tolerance);

}  // namespace stepdown::transient

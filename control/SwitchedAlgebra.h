#pragma once
// The small linear algebra of the switched closed loop (control/ClosedLoop.h
// tells the method): its rows and matrices, mostly zeros, and e^{A s} y by
// the Taylor series. Shared by the simulation's run and its modes.

#include <algorithm>
#include <cmath>

#include "control/SwitchedSimulation.h"

namespace stepdown::switched {

// Substeps per period on which sign changes are looked for.
inline constexpr int kSubsteps = 16;
// The substeps and Taylor pieces one run may spend, a few seconds of work:
// the estimate before the run refuses what would pass it, and the count
// stops what the estimate cannot foresee (events piling up).
inline constexpr long kMostWork = 30'000'000;

inline double Dot(const Row& c, const State& y) {
    double sum = 0;
    for (int k = 0; k < kSize; ++k) sum += c[k] * y[k];
    return sum;
}

// The same sums as over the whole row: only the zero terms are left out.
inline double Dot(const SparseRow& c, const State& y) {
    double sum = 0;
    for (int k = 0; k < c.count; ++k) sum += c.value[k] * y[c.column[k]];
    return sum;
}

inline State Apply(const SparseMatrix& A, const State& y) {
    State out{};
    for (int r = 0; r < kSize; ++r) out[r] = Dot(A[r], y);
    return out;
}

inline SparseRow Sparse(const Row& row) {
    SparseRow sparse;
    for (int k = 0; k < kSize; ++k)
        if (row[k] != 0) {
            sparse.column[sparse.count] = k;
            sparse.value[sparse.count++] = row[k];
        }
    return sparse;
}

inline SparseMatrix Sparse(const Matrix& A) {
    SparseMatrix sparse;
    for (int r = 0; r < kSize; ++r) sparse[r] = Sparse(A[r]);
    return sparse;
}

inline Row Unit(int index, double scale = 1) {
    Row c{};
    c[index] = scale;
    return c;
}

inline Row Combine(const Row& a, double sa, const Row& b, double sb) {
    Row c{};
    for (int k = 0; k < kSize; ++k) c[k] = a[k] * sa + b[k] * sb;
    return c;
}

inline void AddTo(Row& row, const Row& c, double scale) {
    for (int k = 0; k < kSize; ++k) row[k] += c[k] * scale;
}

inline double MaxAbs(const State& y) {
    double m = 0;
    for (const double x : y) m = std::max(m, std::abs(x));
    return m;
}

// e^{A s} y by its Taylor series, in pieces where |A| s <= 1/2 so that the
// terms fall fast and none is large; `work` counts the pieces.
inline State Propagate(const SparseMatrix& A, double norm, State y, double s, long& work) {
    if (!(s > 0)) return y;
    const double pieces = std::max(1.0, std::ceil(norm * s / 0.5));
    work += pieces < kMostWork ? static_cast<long>(pieces) : kMostWork;
    if (work > kMostWork) return y;
    const double h = s / pieces;
    for (double p = 0; p < pieces; ++p) {
        State sum = y, term = y;
        for (int k = 1; k < 40; ++k) {
            term = Apply(A, term);
            for (double& x : term) x *= h / k;
            for (int i = 0; i < kSize; ++i) sum[i] += term[i];
            if (MaxAbs(term) <= 1e-18 * MaxAbs(sum)) break;
        }
        y = sum;
    }
    return y;
}

// The largest row sum of A without its column of sources: past the first
// term, A^k y has no component along the constant 1, so the sources (a
// large Vi/L, a fast reference ramp) scale the terms but never slow their
// fall.
inline double HomogeneousNorm(const Matrix& A) {
    double most = 0;
    for (const Row& row : A) {
        double sum = 0;
        for (int k = 0; k < kSize; ++k)
            if (k != kOne) sum += std::abs(row[k]);
        if (!(sum <= most)) most = sum;
    }
    return most;
}

// The largest |A| h for which one Taylor series about the substep's start
// serves the whole substep: its terms then fall from the first.
inline constexpr double kSeriesReach = 1;

// The substeps into which a stiff mode splits each of the period's 16, as
// a double: a circuit past every bound must still be counted.
inline double FineSubsteps(double reach) { return std::max(1.0, std::ceil(reach / kSeriesReach)); }

}  // namespace stepdown::switched

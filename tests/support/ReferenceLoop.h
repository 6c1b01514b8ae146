#pragma once
// The period loop as a reader would first write it, with checked indexing, in any number
// type: in double it must match the program's arrays bit for bit; in long double, one period
// from any state measured as the launch measures it, the steady state from three periods and
// a run from rest are what the program's double figures are checked against.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "model/Conversions.h"
#include "support/WorkedExample.h"

namespace stepdown::testing {

// Indices 0..N+1 of the five waveforms.
template <class Number>
struct ReferenceArrays {
    explicit ReferenceArrays(std::int32_t N)
        : iL(N + 2), Vo(N + 2), iC(N + 2), Vd(N + 2), id(N + 2) {}
    std::vector<Number> iL, Vo, iC, Vd, id;
};

// One period in place, from the state at sample 1.
template <class Number>
void ReferencePeriod(const Circuit& c, ReferenceArrays<Number>& a) {
    const Number T = Number{1} / c.f / c.N;
    const std::int32_t K = RoundToInteger(c.N * c.D).value();
    for (std::int32_t i = 1; i <= K; ++i) {
        a.iL.at(i + 1) = (c.Vi - a.Vo.at(i)) * T / c.L + a.iL.at(i);
        a.iC.at(i) = a.iL.at(i) - a.Vo.at(i) / c.RL;
        a.Vo.at(i + 1) = T * a.iC.at(i) / c.C + a.Vo.at(i);
        a.Vd.at(i) = c.Vi;
        a.id.at(i) = 0;
    }
    a.iL.at(K + 1) = a.iL.at(K);
    a.Vo.at(K + 1) = a.Vo.at(K);
    for (std::int32_t e = K + 1; e <= c.N; ++e) {
        a.iL.at(e + 1) = a.iL.at(e) - (a.Vo.at(e) + Number{0.6}) * T / c.L;
        a.iC.at(e) = a.iL.at(e) - a.Vo.at(e) / c.RL;
        a.Vo.at(e + 1) = T * a.iC.at(e) / c.C + a.Vo.at(e);
        a.Vd.at(e) = -0.6;
        a.id.at(e) = a.iL.at(e);
    }
    for (auto* wave : {&a.iL, &a.iC, &a.Vo, &a.Vd, &a.id}) wave->at(1) = wave->at(c.N);
}

using Real = long double;

struct RefFigures {
    Real deltaIL = 0, deltaVo = 0, IDP = 0, IDm = 0, Iim = 0, lowestIL = 0;
};

struct RefPeriod {
    Real iL = 0, Vo = 0;  // the end state
    RefFigures figures;
};

// One period from (iL, Vo) in long double, measured as the launch measures it.
inline RefPeriod PeriodInLongDouble(const Circuit& c, Real iL0, Real Vo0) {
    ReferenceArrays<Real> a(c.N);
    a.iL[1] = iL0, a.Vo[1] = Vo0;
    ReferencePeriod(c, a);
    RefPeriod p{a.iL[1], a.Vo[1], {}};
    Real maxIL = 0, minIL = a.iL[1], maxVo = 0, minVo = a.Vo[1], sumId = 0, sumIi = 0;
    p.figures.lowestIL = a.iL[1];
    for (std::int32_t i = 1; i <= c.N; ++i) {
        maxIL = std::max(maxIL, std::fabs(a.iL[i])), minIL = std::min(minIL, std::fabs(a.iL[i]));
        maxVo = std::max(maxVo, std::fabs(a.Vo[i])), minVo = std::min(minVo, std::fabs(a.Vo[i]));
        p.figures.lowestIL = std::min(p.figures.lowestIL, a.iL[i]);
        sumId += a.id[i], sumIi += a.iL[i] - a.id[i];
    }
    p.figures.deltaIL = maxIL - minIL, p.figures.IDP = maxIL;
    p.figures.deltaVo = (maxVo - minVo) * 1000;
    p.figures.IDm = sumId / c.N, p.figures.Iim = sumIi / c.N;
    return p;
}

// The fixed point of the affine period map, found from three periods.
inline RefPeriod SteadyInLongDouble(const Circuit& c) {
    const RefPeriod b = PeriodInLongDouble(c, 0, 0), byIL = PeriodInLongDouble(c, 1, 0),
                    byVo = PeriodInLongDouble(c, 0, 1);
    const Real a11 = 1 - (byIL.iL - b.iL), a12 = -(byVo.iL - b.iL);
    const Real a21 = -(byIL.Vo - b.Vo), a22 = 1 - (byVo.Vo - b.Vo);
    const Real det = a11 * a22 - a12 * a21;
    return PeriodInLongDouble(c, (a22 * b.iL - a12 * b.Vo) / det, (a11 * b.Vo - a21 * b.iL) / det);
}

// The last of `periods` periods from rest.
inline RefPeriod RunInLongDouble(const Circuit& c, std::int64_t periods) {
    RefPeriod p;
    for (std::int64_t k = 1; k <= periods; ++k) p = PeriodInLongDouble(c, p.iL, p.Vo);
    return p;
}

}  // namespace stepdown::testing

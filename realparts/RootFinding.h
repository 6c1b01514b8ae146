#pragma once
// Brent's bracketed root finder (inverse quadratic and secant steps, with
// bisection whenever they would not shrink the bracket fast enough): a few
// evaluations for the smooth, nearly linear functions of the period.

#include <cmath>
#include <limits>

#include "realparts/LinearInterval.h"

namespace stepdown {

struct RootSearch {
    Real xTolerance = 0;         // stop when the bracket is this narrow
    Real residualTolerance = 0;  // or when |f| is this small
    int maxEvaluations = 200;
};

// A root of f in [a, b], where fa = f(a) and fb = f(b) do not have the same
// sign; f is called only inside the bracket.
template <class Function>
Real BracketedRoot(Function f, Real a, Real fa, Real b, Real fb, const RootSearch& search) {
    constexpr Real kEpsilon = std::numeric_limits<Real>::epsilon();
    Real c = a, fc = fa;
    Real step = b - a, previousStep = step;
    for (int evaluation = 0;; ++evaluation) {
        if ((fb > 0) == (fc > 0)) {
            c = a;
            fc = fa;
            step = previousStep = b - a;
        }
        if (std::fabs(fc) < std::fabs(fb)) {
            a = b;
            b = c;
            c = a;
            fa = fb;
            fb = fc;
            fc = fa;
        }
        const Real tolerance = 2 * kEpsilon * std::fabs(b) + search.xTolerance / 2;
        const Real middle = (c - b) / 2;
        if (std::fabs(middle) <= tolerance || std::fabs(fb) <= search.residualTolerance ||
            evaluation >= search.maxEvaluations)
            return b;
        if (std::fabs(previousStep) < tolerance || std::fabs(fa) <= std::fabs(fb)) {
            step = previousStep = middle;
        } else {
            const Real s = fb / fa;
            Real p = 0, q = 0;
            if (a == c) {
                p = 2 * middle * s;
                q = 1 - s;
            } else {
                const Real qa = fa / fc;
                const Real r = fb / fc;
                p = s * (2 * middle * qa * (qa - r) - (b - a) * (r - 1));
                q = (qa - 1) * (r - 1) * (s - 1);
            }
            if (p > 0)
                q = -q;
            else
                p = -p;
            if (2 * p <
                std::fmin(3 * middle * q - std::fabs(tolerance * q), std::fabs(previousStep * q))) {
                previousStep = step;
                step = p / q;
            } else {
                step = previousStep = middle;
            }
        }
        a = b;
        fa = fb;
        b += std::fabs(step) > tolerance ? step : (middle > 0 ? tolerance : -tolerance);
        fb = f(b);
    }
}

}  // namespace stepdown

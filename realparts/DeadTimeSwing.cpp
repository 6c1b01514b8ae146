#include "realparts/DeadTimeSwing.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace stepdown {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr int kMostPhases = 16;  // clamps and swings within one dead time

// The phase in [0, 2 pi) reached after `from`.
double Ahead(double target, double from) {
    const double ahead = std::fmod(target - from, kTwoPi);
    return ahead < 0 ? ahead + kTwoPi : ahead;
}

}  // namespace

SwingEnd FollowSwing(double i0, double v0, double Vout, double L, double C, double Vi, double Vf,
                     double td) {
    const double top = Vi + Vf, bottom = -Vf;
    const double Z = std::sqrt(L / C), w = 1 / std::sqrt(L * C);
    double i = i0, v = v0, left = td;
    for (int phase = 0; phase < kMostPhases && left > 0; ++phase) {
        if (v >= top && i < 0) {
            const double rise = (top - Vout) / L, toZero = -i / rise;
            if (toZero >= left) return {top, true, false};
            left -= toZero;
            i = 0;
            continue;
        }
        if (v <= bottom && i > 0) {
            const double fall = (Vf + Vout) / L, toZero = i / fall;
            if (toZero >= left) return {bottom, false, true};
            left -= toZero;
            i = 0;
            continue;
        }
        const double u0 = v - Vout, A = std::hypot(u0, Z * i), phi = std::atan2(Z * i, u0);
        // The first clamp reached: the top while rising (sin < 0), the bottom while falling.
        double reach = kTwoPi;
        bool upward = false;
        if (top - Vout < A) {
            reach = Ahead(kTwoPi - std::acos((top - Vout) / A), phi);
            upward = true;
        }
        if (bottom - Vout > -A) {
            const double down = Ahead(std::acos((bottom - Vout) / A), phi);
            if (down < reach) {
                reach = down;
                upward = false;
            }
        }
        const double t = reach / w;
        if (!(reach < kTwoPi) || t >= left) {
            const double end = w * left;
            v = Vout + u0 * std::cos(end) - Z * i * std::sin(end);
            return {std::clamp(v, bottom, top), false, false};
        }
        left -= t;
        i = i * std::cos(reach) + u0 / Z * std::sin(reach);
        v = upward ? top : bottom;
    }
    return {v, v >= top, v <= bottom};
}

}  // namespace stepdown

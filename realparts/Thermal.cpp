#include "realparts/Thermal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace stepdown {
namespace {

constexpr int kMostSteps = 100;
constexpr double kSettled = 1e-6;  // K
// Far beyond any part's rating: a temperature above it has no physics left.
constexpr double kHottest = 1e4;     // °C
constexpr double kSlopeStep = 1e-3;  // K, the differences of the Jacobian
constexpr int kMostHalvings = 30;

using Temperatures = std::array<double, 3>;

struct Heated {
    double rth;         // K/W, 0 when not given
    double resistance;  // ohm at 25 °C, 0 when its heat does not depend on it
    double coefficient;
    double PartValues::*hot;  // where its resistance at Tj goes, or null
    double PartHeat::*heat;
    PartTemperature ThermalResult::*figure;
};

// The converter solved with its parts at `t`, and where that heat takes them.
struct Evaluation {
    Temperatures t{}, next{};
    PartValues hot;
    RealPartsAnalysis analysis;
    DutySynthesis duty;
    ThermalStall failure = ThermalStall::None;
};

class Map {
public:
    Map(const CircuitValues& circuit, const PartValues& parts, std::optional<double> targetVo,
        const AnalysisOptions& options)
        : circuit_(circuit), parts_(parts), target_(targetVo), options_(options) {
        const bool synchronous = parts.rectifier == Rectifier::Synchronous;
        heated_ = {{
            {parts.RthHigh, parts.Rds, parts.tcRds, &PartValues::Rds, &PartHeat::highSide,
             &ThermalResult::highSide},
            // A diode's drop does not follow the switches' coefficient.
            {parts.RthLow, synchronous ? parts.RdsLo : 0, parts.tcRds,
             synchronous ? &PartValues::RdsLo : nullptr, &PartHeat::lowSide,
             &ThermalResult::lowSide},
            {parts.RthInductor, parts.DCR, parts.tcDcr, &PartValues::DCR, &PartHeat::inductor,
             &ThermalResult::inductor},
        }};
        for (std::size_t k = 0; k < 3; ++k)
            if (heated_[k].rth > 0) given_[count_++] = k;
    }

    // The given part with the largest |G(t) - t|.
    std::size_t Farthest(const Evaluation& e) const {
        std::size_t far = given_[0];
        for (std::size_t i = 0; i < count_; ++i)
            if (std::fabs(e.next[given_[i]] - e.t[given_[i]]) > std::fabs(e.next[far] - e.t[far]))
                far = given_[i];
        return far;
    }

    std::size_t Count() const { return count_; }
    std::size_t Given(std::size_t i) const { return given_[i]; }
    const Heated& Part(std::size_t k) const { return heated_[k]; }

    // G(t): each part given an Rth at Ta + Rth P(t), with P from the circuit
    // solved at every part's resistance at its own temperature.
    Evaluation At(const Temperatures& t) const {
        Evaluation e;
        e.t = t;
        e.hot = parts_;
        for (std::size_t k = 0; k < 3; ++k)
            if (heated_[k].hot)
                e.hot.*heated_[k].hot =
                    heated_[k].resistance * (1 + heated_[k].coefficient * (t[k] - 25));
        CircuitValues at = circuit_;
        if (target_) {
            e.duty = DutyForTarget(at, e.hot, *target_, options_);
            if (e.duty.outcome != RealPartsOutcome::Found) {
                e.failure = ThermalStall::TargetLost;
                return e;
            }
            at.D = e.duty.D;
        }
        e.analysis = Analyze(at, e.hot, options_);
        if (e.analysis.outcome != RealPartsOutcome::Found) {
            e.failure = ThermalStall::SteadyStateLost;
            return e;
        }
        for (std::size_t k = 0; k < 3; ++k)
            e.next[k] = heated_[k].rth > 0
                            ? parts_.Ta + heated_[k].rth * (e.analysis.heat.*heated_[k].heat)
                            : t[k];
        return e;
    }

    // The largest |G(t) - t| over the given parts.
    double Residual(const Evaluation& e) const {
        double most = 0;
        for (std::size_t i = 0; i < count_; ++i)
            most = std::max(most, std::fabs(e.next[given_[i]] - e.t[given_[i]]));
        return most;
    }

    // The Newton step of G(t) - t from `e`, the Jacobian by differences;
    // nothing when a difference fails or the system is singular.
    std::optional<Temperatures> Newton(const Evaluation& e) const {
        std::array<std::array<double, 4>, 3> a{};  // [J | -F] over the given parts
        for (std::size_t j = 0; j < count_; ++j) {
            Temperatures t = e.t;
            t[given_[j]] += kSlopeStep;
            const Evaluation d = At(t);
            if (d.failure != ThermalStall::None) return std::nullopt;
            for (std::size_t i = 0; i < count_; ++i)
                a[i][j] = (d.next[given_[i]] - e.next[given_[i]]) / kSlopeStep - (i == j ? 1 : 0);
        }
        for (std::size_t i = 0; i < count_; ++i) a[i][count_] = e.t[given_[i]] - e.next[given_[i]];
        for (std::size_t c = 0; c < count_; ++c) {  // elimination with partial pivoting
            std::size_t pivot = c;
            for (std::size_t r = c + 1; r < count_; ++r)
                if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
            std::swap(a[c], a[pivot]);
            if (!(std::fabs(a[c][c]) > 1e-12)) return std::nullopt;
            for (std::size_t r = c + 1; r < count_; ++r) {
                const double ratio = a[r][c] / a[c][c];
                for (std::size_t k = c; k <= count_; ++k) a[r][k] -= ratio * a[c][k];
            }
        }
        Temperatures t = e.t;
        for (std::size_t c = count_; c-- > 0;) {
            double sum = a[c][count_];
            for (std::size_t k = c + 1; k < count_; ++k)
                sum -= a[c][k] * (t[given_[k]] - e.t[given_[k]]);
            t[given_[c]] = e.t[given_[c]] + sum / a[c][c];
        }
        for (std::size_t i = 0; i < count_; ++i)
            if (!std::isfinite(t[given_[i]])) return std::nullopt;
        return t;
    }

private:
    CircuitValues circuit_;
    PartValues parts_;
    std::optional<double> target_;
    AnalysisOptions options_;
    std::array<Heated, 3> heated_{};
    std::array<std::size_t, 3> given_{};
    std::size_t count_ = 0;
};

Temperatures Between(const Temperatures& a, const Temperatures& b, double share) {
    Temperatures t{};
    for (std::size_t k = 0; k < 3; ++k) t[k] = a[k] + share * (b[k] - a[k]);
    return t;
}

ThermalResult Finish(const Map& map, const PartValues& parts, Evaluation&& e, ThermalStatus status,
                     int steps) {
    ThermalResult result;
    result.status = status;
    result.iterations = steps;
    for (std::size_t k = 0; k < 3; ++k) {
        const Heated& part = map.Part(k);
        const double power = e.failure == ThermalStall::None ? e.analysis.heat.*part.heat : 0;
        result.*part.figure = {part.rth > 0, e.t[k], parts.TjMax - e.t[k], power};
    }
    result.hotParts = e.hot;
    result.analysis = std::move(e.analysis);
    result.duty = e.duty;
    return result;
}

}  // namespace

bool ThermalAsked(const PartValues& p) {
    return p.RthHigh > 0 || p.RthLow > 0 || p.RthInductor > 0;
}

ThermalResult ThermalFixedPoint(const CircuitValues& circuit, const PartValues& parts,
                                std::optional<double> targetVo, const AnalysisOptions& options) {
    const Map map(circuit, parts, targetVo, options);
    const auto end = [&](Evaluation&& e, ThermalStatus status, int steps) {
        const ThermalStall stall = e.failure;
        ThermalResult r = Finish(map, parts, std::move(e), status, steps);
        r.stall = status == ThermalStatus::NotConverged && stall == ThermalStall::None
                      ? ThermalStall::Undecided
                      : stall;
        return r;
    };
    // The converter at `t`, held within Ta and kHottest; where it has no
    // steady state or misses the target, the nearest point toward `x` where
    // it has, halving the way, or the failure.
    const auto toward = [&](const Evaluation& x, Temperatures t) {
        for (double& v : t) v = std::clamp(v, parts.Ta, kHottest);
        Evaluation e = map.At(t);
        for (int half = 0; e.failure != ThermalStall::None && half < kMostHalvings; ++half)
            e = map.At(Between(x.t, e.t, 0.5));
        return e;
    };
    Evaluation x = map.At({parts.Ta, parts.Ta, parts.Ta});
    for (int step = 1; step <= kMostSteps; ++step) {
        if (x.failure != ThermalStall::None)
            return end(std::move(x), ThermalStatus::NotConverged, step);
        if (map.Residual(x) <= kSettled) return end(std::move(x), ThermalStatus::Converged, step);
        // A part held at kHottest whose heat takes it higher still.
        for (std::size_t i = 0; i < map.Count(); ++i) {
            const std::size_t k = map.Given(i);
            if (x.t[k] >= kHottest && x.next[k] > x.t[k]) {
                ThermalResult r = end(std::move(x), ThermalStatus::Runaway, step);
                r.runaway = static_cast<HeatedPart>(k);
                return r;
            }
        }
        // Newton's step when it brings G(t) - t closer to zero and moves the
        // part farthest from its balance the way its heat takes it, else G's
        // own: past a fold with no fixed point G(t) - t has a positive least
        // value, toward which Newton's steps would only fall back.
        if (const std::optional<Temperatures> c = map.Newton(x);
            c && ((*c)[map.Farthest(x)] - x.t[map.Farthest(x)]) *
                         (x.next[map.Farthest(x)] - x.t[map.Farthest(x)]) >
                     0) {
            Evaluation n = toward(x, *c);
            if (n.failure == ThermalStall::None && map.Residual(n) < map.Residual(x)) {
                x = std::move(n);
                continue;
            }
        }
        x = toward(x, x.next);
    }
    return end(std::move(x), ThermalStatus::NotConverged, kMostSteps);
}

}  // namespace stepdown

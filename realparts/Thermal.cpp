#include "realparts/Thermal.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace stepdown {
namespace {

constexpr int kMostSteps = 100;
constexpr double kSettled = 1e-6;  // K
// Far beyond any part's rating: a temperature above it has no physics left.
constexpr double kHottest = 1e4;  // °C

struct Heated {
    double rth;         // K/W, 0 when not given
    double resistance;  // ohm at 25 °C, 0 when its heat does not depend on it
    double coefficient;
    double PartValues::*hot;     // where its resistance at Tj goes, or null
    double Losses::*conduction;  // the loss in that resistance
    double PartHeat::*heat;
    PartTemperature ThermalResult::*figure;
};

}  // namespace

bool ThermalAsked(const PartValues& p) {
    return p.RthHigh > 0 || p.RthLow > 0 || p.RthInductor > 0;
}

ThermalResult ThermalFixedPoint(const CircuitValues& circuit, const PartValues& parts,
                                std::optional<double> targetVo, const AnalysisOptions& options) {
    const bool synchronous = parts.rectifier == Rectifier::Synchronous;
    const std::array<Heated, 3> heated{{
        {parts.RthHigh, parts.Rds, parts.tcRds, &PartValues::Rds, &Losses::switchConduction,
         &PartHeat::highSide, &ThermalResult::highSide},
        // A diode's drop does not follow the switches' coefficient.
        {parts.RthLow, synchronous ? parts.RdsLo : 0, parts.tcRds,
         synchronous ? &PartValues::RdsLo : nullptr, &Losses::lowSideConduction, &PartHeat::lowSide,
         &ThermalResult::lowSide},
        {parts.RthInductor, parts.DCR, parts.tcDcr, &PartValues::DCR, &Losses::inductor,
         &PartHeat::inductor, &ThermalResult::inductor},
    }};
    const std::array<HeatedPart, 3> names{HeatedPart::HighSide, HeatedPart::LowSide,
                                          HeatedPart::Inductor};
    ThermalResult result;
    std::array<double, 3> t{parts.Ta, parts.Ta, parts.Ta};
    CircuitValues at = circuit;
    for (result.iterations = 1; result.iterations <= kMostSteps; ++result.iterations) {
        PartValues hot = parts;
        for (std::size_t k = 0; k < 3; ++k)
            if (heated[k].hot)
                hot.*heated[k].hot =
                    heated[k].resistance * (1 + heated[k].coefficient * (t[k] - 25));
        if (targetVo) {
            result.duty = DutyForTarget(at, hot, *targetVo, options);
            if (result.duty.outcome != RealPartsOutcome::Found) return result;
            at.D = result.duty.D;
        }
        result.analysis = Analyze(at, hot, options);
        result.hotParts = hot;
        if (result.analysis.outcome != RealPartsOutcome::Found) return result;
        double moved = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            const Heated& part = heated[k];
            const double power = result.analysis.heat.*part.heat;
            PartTemperature& figure = result.*part.figure;
            figure = {part.rth > 0, t[k], parts.TjMax - t[k], power};
            if (!(part.rth > 0)) continue;
            // The heat that grows with the resistance: R(T) I^2, with I^2 held.
            const double factor = 1 + part.coefficient * (t[k] - 25);
            const double resistive =
                part.hot && factor > 0 ? result.analysis.losses.*part.conduction : 0;
            const double squareAt25 = factor > 0 ? resistive / factor : 0;  // R25 I^2
            const double gain = part.rth * part.coefficient * squareAt25;
            const double next = (parts.Ta + part.rth * (power - resistive +
                                                        squareAt25 * (1 - 25 * part.coefficient))) /
                                (1 - gain);
            if (!(gain < 1) || !(next < kHottest)) {
                result.status = ThermalStatus::Runaway;
                result.runaway = names[k];
                return result;
            }
            moved = std::max(moved, std::fabs(next - t[k]));
            t[k] = next;
        }
        if (moved <= kSettled) {
            result.status = ThermalStatus::Converged;
            return result;
        }
    }
    return result;
}

}  // namespace stepdown

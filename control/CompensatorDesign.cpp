#include "control/CompensatorDesign.h"

#include <array>
#include <cmath>
#include <numbers>

#include "componentchoice/StandardValues.h"
#include "model/Conversions.h"

namespace stepdown {
namespace {

constexpr double kRadians = std::numbers::pi / 180;

constexpr std::array<int, 96> kE96{
    100, 102, 105, 107, 110, 113, 115, 118, 121, 124, 127, 130, 133, 137, 140, 143,
    147, 150, 154, 158, 162, 165, 169, 174, 178, 182, 187, 191, 196, 200, 205, 210,
    215, 221, 226, 232, 237, 243, 249, 255, 261, 267, 274, 280, 287, 294, 301, 309,
    316, 324, 332, 340, 348, 357, 365, 374, 383, 392, 402, 412, 422, 432, 442, 453,
    464, 475, 487, 499, 511, 523, 536, 549, 562, 576, 590, 604, 619, 634, 649, 665,
    681, 698, 715, 732, 750, 768, 787, 806, 825, 845, 866, 887, 909, 931, 953, 976};

// mantissa x 10^shift as the double nearest to the decimal value.
double Scaled(int mantissa, int shift) {
    if (shift < 0) return mantissa / std::pow(10.0, -shift);
    return mantissa * std::pow(10.0, shift);
}

std::string Degrees(double value) { return FormatFixed2(value, "."); }

}  // namespace

std::optional<double> RoundToE96(double value) {
    if (!(value > 0) || !std::isfinite(value)) return std::nullopt;
    int shift = static_cast<int>(std::floor(std::log10(value))) - 2;
    while (Scaled(100, shift) > value) --shift;
    while (Scaled(100, shift + 1) <= value) ++shift;
    double below = Scaled(100, shift), above = Scaled(100, shift + 1);
    for (const int mantissa : kE96) {
        const double standard = Scaled(mantissa, shift);
        if (standard <= value) below = standard;
        if (standard >= value) {
            above = standard;
            break;
        }
    }
    const double chosen = value / below < above / value ? below : above;
    if (!std::isfinite(chosen)) return std::nullopt;
    return chosen;
}

Compensator RoundedCompensator(const Compensator& c) {
    const auto resistor = [](double r) { return RoundToE96(r).value_or(r); };
    const auto capacitor = [](double x) {
        return RoundToSeries(x, Series::E12, Rounding::Nearest).value_or(x);
    };
    Compensator r = c;
    r.R1 = resistor(c.R1);
    r.Rb = resistor(c.Rb);
    r.R2 = resistor(c.R2);
    r.C1 = capacitor(c.C1);
    r.C2 = capacitor(c.C2);
    if (c.type == 3) {
        r.R3 = resistor(c.R3);
        r.C3 = capacitor(c.C3);
    }
    return r;
}

std::optional<std::string> MissedTargets(const CompensatorTargets& targets,
                                         const LoopAnalysis& analysis) {
    const std::string asked = FormatScientific(targets.fc, 2, ".") + " Hz e " +
                              FormatFixed2(targets.phaseMarginDeg, ".") + "°";
    if (!analysis.fc)
        return "Il compensatore progettato non raggiunge gli obiettivi (" + asked +
               "): |T| non attraversa 1 sotto f/2.";
    const double fc = *analysis.fc, pm = *analysis.phaseMargin;
    if (!(std::abs(fc - targets.fc) > 0.01 * targets.fc) &&
        !(std::abs(pm - targets.phaseMarginDeg) > 1))
        return std::nullopt;
    return "Il compensatore progettato non raggiunge gli obiettivi: fc = " +
           FormatScientific(fc, 2, ".") + " Hz e margine di fase " + FormatFixed2(pm, ".") +
           "° invece di " + asked + ".";
}

CompensatorDesign DesignCompensator(const LoopCircuit& loop, const CompensatorTargets& targets) {
    CompensatorDesign design;
    const LoopPlant plantOf = PlantOf(loop);
    if (!plantOf.refusal.empty()) {
        design.refusal = plantOf.refusal;
        return design;
    }
    const Plant& plant = plantOf.plant;
    // Current mode's plant has one dominant pole: Type II unless asked.
    const int type = targets.type.value_or(!plant.currentMode && plant.fESR() > targets.fc ? 3 : 2);
    const Response at = plant.At(targets.fc);
    design.boostDeg = targets.phaseMarginDeg - 90 - at.phaseDeg;
    const double limit = type == 3 ? 180 : 90;
    if (!(design.boostDeg > 0 && design.boostDeg < limit)) {
        const std::string boost = Degrees(design.boostDeg);
        if (!(design.boostDeg > 0))
            design.refusal = "Il margine di fase richiesto non chiede anticipo di fase (" + boost +
                             "°): né il tipo II né il tipo III possono darlo; abbassa fc o "
                             "aumenta il margine di fase.";
        else if (design.boostDeg < 180)
            design.refusal = "Il margine di fase richiesto chiede un anticipo di fase di " + boost +
                             "°: il tipo II dà meno di 90°, usa il tipo III.";
        else
            design.refusal = "Il margine di fase richiesto chiede un anticipo di fase di " + boost +
                             "°: nessun tipo lo dà (il tipo III meno di 180°); abbassa fc o il "
                             "margine di fase.";
        return design;
    }
    const double K = std::tan((design.boostDeg / (type == 3 ? 4 : 2) + 45) * kRadians);
    const double A = std::pow(10.0, at.magDb / 20);
    const double wc = 2 * std::numbers::pi * targets.fc;
    Compensator c = loop.compensator;
    c.type = type;
    const double total = (type == 3 ? K * K : K) * A / (wc * c.R1);
    c.C2 = total / (K * K);
    c.C1 = total - c.C2;
    c.R2 = K / (wc * c.C1);
    if (type == 3) {
        c.R3 = c.R1 / (K * K - 1);
        c.C3 = 1 / (wc * K * c.R3);
    } else {
        c.R3 = 0;
        c.C3 = 0;
    }
    design.K = K;
    design.compensator = c;
    return design;
}

}  // namespace stepdown

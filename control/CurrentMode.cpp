#include "control/CurrentMode.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace stepdown {
namespace {

constexpr double kDegrees = 180 / std::numbers::pi;

}  // namespace

double OnSlope(const LoopCircuit& loop, const LoopOperatingPoint& op) {
    const PartValues& p = loop.parts;
    return (loop.circuit.Vi - (p.Rds + p.DCR) * op.IL - op.Vo) / loop.circuit.L;
}

CurrentModeFigures CurrentModeAt(const LoopCircuit& loop, const LoopOperatingPoint& op) {
    const PartValues& p = loop.parts;
    const CircuitValues& c = loop.circuit;
    const Modulator& m = loop.modulator;
    const double T = 1 / c.f, D = op.D, Dp = 1 - D, L = c.L, IL = op.IL;
    const double Vd = op.dutyGain, Req = op.seriesResistance;
    CurrentModeFigures k;
    k.mn = OnSlope(loop, op);
    k.mf = (op.Vo + op.offDrop + (op.offResistance + p.DCR) * IL) / L;
    k.Sn = m.Ri * k.mn;
    k.Se = m.Se;
    k.mc = 1 + k.Se / k.Sn;
    k.Qp = 1 / (std::numbers::pi * (k.mc * Dp - 0.5));
    k.seCritical = std::max(0.0, k.Sn * (1 / (2 * Dp) - 1));
    k.Fm = 1 / ((k.Sn + k.Se) * T);
    k.kf = -(m.Ri * T * D * D / (2 * L) + k.Sn * T * D / Vd);
    k.kr = -(m.Ri * T * (1 - 2 * D) / (2 * L) - k.Sn * T / Vd);
    k.kI = m.Ri * T * (Dp * Dp * (op.offResistance + p.DCR) - D * D * (p.Rds + p.DCR)) / (2 * L) -
           k.Sn * T * Req / Vd;
    k.ripple = k.mn * D * T;
    return k;
}

double RampForUnitQ(double Sn, double D) {
    return std::max(0.0, (0.5 + 1 / std::numbers::pi) / (1 - D) - 1) * Sn;
}

Plant CurrentModePlant(const LoopCircuit& loop, const LoopOperatingPoint& op) {
    const CurrentModeFigures k = CurrentModeAt(loop, op);
    Plant plant = AveragedPlant(loop, op, k.Fm);
    plant.currentMode = true;
    plant.Fm = k.Fm;
    plant.Vd = op.dutyGain;
    plant.Ri = loop.modulator.Ri;
    plant.kI = k.kI;
    plant.kr = k.kr;
    plant.T = 1 / loop.circuit.f;
    return plant;
}

Response CurrentModeResponse(const Plant& p, double f) {
    using Complex = std::complex<double>;
    const double w = 2 * std::numbers::pi * f, x = w * p.T;
    const Complex s(0, w);
    // Zo = RL (1 + s ESR C)/(1 + s C (RL + ESR)); its angle from its factors.
    const Complex Zo = p.RL * (1.0 + s * (p.ESR * p.C)) / (1.0 + s * (p.C * (p.RL + p.ESR)));
    const double zoPhase = std::atan(w * p.ESR * p.C) - std::atan(w * p.C * (p.RL + p.ESR));
    const double half = x / 2;
    const double heMagnitude = half == 0 ? 1 : half / std::sin(half);
    const Complex He = std::polar(heMagnitude, -half);
    const Complex den = (s * p.L + p.Req + Zo) / (p.Fm * p.Vd) + p.Ri * He + p.kI - p.kr * Zo;
    return {20 * std::log10(std::abs(Zo) / std::abs(den)),
            (zoPhase - std::atan2(den.imag(), den.real())) * kDegrees};
}

double SensedPeak(const LoopCircuit& loop, const LoopOperatingPoint& op,
                  const CurrentModeFigures& figures) {
    const Modulator& m = loop.modulator;
    return m.Ri * (op.IL + figures.ripple / 2) + m.Se * op.D / loop.circuit.f;
}

double DefaultCurrentLimit(double heaviestLoadCurrent, double ripple) {
    return std::max(3 * heaviestLoadCurrent, 2 * ripple);
}

}  // namespace stepdown

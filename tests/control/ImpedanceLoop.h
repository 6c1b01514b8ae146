#pragma once
// The averaged loop gain written from the circuit itself, for the tests:
// complex impedances in long double, no polynomial of the product.

#include <complex>
#include <numbers>

#include "control/LoopAnalysis.h"

namespace stepdown::test {

using Complex = std::complex<long double>;

// The worked example: Vi 25 V, L 125 uH, C 15.625 uF, RL 10 ohm, ESR 50 mohm,
// DCR 100 mohm, Rds 50 mohm, Vf 0.6 V, Vramp 1 V, Vref 2.5 V, R1 10 kohm and
// Rb 2 kohm for Vo 15 V; the rest of the network still to design.
inline LoopCircuit WorkedExampleLoop() {
    LoopCircuit loop;
    loop.circuit = {25, 0, 80e3, 125e-6, 15.625e-6, 10};
    loop.parts.ESR = 0.05, loop.parts.DCR = 0.1, loop.parts.Rds = 0.05;
    loop.compensator.R1 = 10e3, loop.compensator.Rb = 2e3;
    return loop;
}

// T(j 2 pi f) written from the circuit: the averaged switch drives L into
// RL || (ESR + 1/sC); the amplifier's gain is -Zf/Zi, its sign the
// inverting input's, so the loop's own gain is Zf/Zi.
inline Complex LoopFromImpedances(const LoopCircuit& loop, long double f) {
    const PartValues& p = loop.parts;
    const Compensator& k = loop.compensator;
    const long double Vo = loop.modulator.Vref * (1 + static_cast<long double>(k.R1) / k.Rb);
    const long double IL = Vo / loop.circuit.RL + Vo / (k.R1 + static_cast<long double>(k.Rb));
    // On: Vi - Rds iL; off: -Vf - Rd iL; the average's derivative in d and iL.
    const long double Vg = loop.circuit.Vi - p.Rds * IL + p.Vf + p.Rd * IL;
    const long double D = (Vo + p.Vf + (p.Rd + p.DCR) * IL) / Vg;
    const long double Req = p.DCR + D * p.Rds + (1 - D) * p.Rd;
    const Complex s(0, 2 * std::numbers::pi_v<long double> * f);
    const auto parallel = [](Complex a, Complex b) { return a * b / (a + b); };
    const Complex Z = parallel((long double)loop.circuit.RL,
                               (long double)p.ESR + 1.0L / (s * (long double)loop.circuit.C));
    const Complex Gvd = Vg * Z / (s * (long double)loop.circuit.L + Req + Z);
    Complex Zi = (long double)k.R1;
    if (k.type == 3) Zi = parallel(Zi, (long double)k.R3 + 1.0L / (s * (long double)k.C3));
    const Complex Zf = parallel((long double)k.R2 + 1.0L / (s * (long double)k.C1),
                                1.0L / (s * (long double)k.C2));
    return Zf / Zi / (long double)loop.modulator.Vramp * Gvd;
}

}  // namespace stepdown::test

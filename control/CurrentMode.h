#pragma once
// Peak-current mode, averaged (continuous conduction). The clock turns the
// switch on; it turns off where Ri iL + Se t reaches the amplifier's output
// vc. With the parts' drops, at the operating point (D, IL, Vd, Req of
// control/LoopAnalysis.h):
//   mn = (Vi - (Rds + DCR) IL - Vo)/L,  mf = (Vo + Vf + (Rd + DCR) IL)/L,
// (Vf and Rd: the off time's offDrop and offResistance, a synchronous stage's mean),
//   Sn = Ri mn,  mc = 1 + Se/Sn,  Fm = 1/((Sn + Se) T),
//   kf = -(Ri T D^2/(2L) + Sn T D/Vd),
//   kr = -(Ri T (1 - 2D)/(2L) - Sn T/Vd),
//   kI = Ri T (D'^2 (Rd + DCR) - D^2 (Rds + DCR))/(2L) - Sn T Req/Vd,
// and the duty cycle's perturbation d = Fm (vc - (Ri He + kI) iL + kf vg + kr vo)
// with the sampling gain He(s) = sT/(e^{sT} - 1). Closed around the stage,
// Gid = Vd/(sL + Req + Zo), Gvd = Zo Gid, Zo = RL || (ESR + 1/(sC)):
//   Gvc = Gvd / (1/Fm + (Ri He + kI) Gid - kr Gvd)
//       = Zo / ((sL + Req + Zo)/(Fm Vd) + Ri He + kI - kr Zo).
// At s = jw, He = (x/2)/sin(x/2) e^{-jx/2} with x = wT: exact, no Pade.
// Qp = 1/(pi (mc D' - 0.5)) is the quality of He's double pole at f/2, and
// the current loop alone is stable for Se > Sn (1/(2D') - 1).

#include "control/LoopAnalysis.h"

namespace stepdown {

CurrentModeFigures CurrentModeAt(const LoopCircuit& loop, const LoopOperatingPoint& op);

// mn, the inductor current's slope while the high side is on, A/s.
double OnSlope(const LoopCircuit& loop, const LoopOperatingPoint& op);

// The ramp that puts Qp at 1: mc D' = 0.5 + 1/pi, none below.
double RampForUnitQ(double Sn, double D);

// The plant Gvc of peak-current mode at `op`.
Plant CurrentModePlant(const LoopCircuit& loop, const LoopOperatingPoint& op);

// Gvc at f, its phase continuous from 0 at DC.
Response CurrentModeResponse(const Plant& plant, double f);

// The sensed peak at the operating point, Ri (IL + ripple/2) + Se D T, that
// the amplifier's top Ri Ilim must reach.
double SensedPeak(const LoopCircuit& loop, const LoopOperatingPoint& op,
                  const CurrentModeFigures& figures);

// The current limit left empty: three times the heaviest load current of the
// run or twice the ripple, whichever is larger.
double DefaultCurrentLimit(double heaviestLoadCurrent, double ripple);

}  // namespace stepdown

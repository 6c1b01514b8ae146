#pragma once
// The switch node's swing in the dead time td2, between the low side's
// turn-off and the high side's turn-on. With both switches open a reversed
// inductor current charges the two output capacitances C = CossHi + CossLo
// from the low side's drop toward Vi; the inductor's far end stays at the
// output voltage Vout, which a dead time of nanoseconds does not move. With
// u = vsw - Vout, Z = sqrt(L / C), w = 1 / sqrt(L C), from (i0, u0):
//   u(t) = u0 cos wt - Z i0 sin wt,   iL(t) = i0 cos wt + (u0 / Z) sin wt,
// that is u = A cos(wt + phi) with A = hypot(u0, Z i0), phi = atan2(Z i0, u0).
// At Vi + Vf the high-side body diode clamps the node while iL < 0 and iL
// rises at (Vi + Vf - Vout) / L; at -Vf the low-side one clamps it while
// iL > 0 and iL falls at (Vf + Vout) / L. A clamp ends where iL reaches zero
// and the swing goes on from there. The resistances drop a negligible part
// of the swing in the dead time and are left out.

namespace stepdown {

struct SwingEnd {
    double node = 0;         // V, vsw as the high side turns on
    bool highClamp = false;  // the high-side body diode conducts then
    bool lowClamp = false;   // the low-side body diode conducts then
};

SwingEnd FollowSwing(double i0, double v0, double Vout, double L, double C, double Vi, double Vf,
                     double td);

}  // namespace stepdown

#pragma once
// The synchronous stage at its periodic steady state: a low-side switch LS
// in place of the diode, a body diode (drop Vf, slope Rd) across each switch.
// In each period Ts the high-side switch HS is on for D Ts, then a dead time
// td1 with both off, the low-side slot, and a dead time td2 before the next
// period. With x = (iL, vC) and the output network of realparts/ConverterModel.h:
//   HS on:              L iL' = Vi - (Rds + DCR) iL - Vo        vsw = Vi - Rds iL
//   LS on:              L iL' = -(RdsLo + DCR) iL - Vo          vsw = -RdsLo iL
//   LS body diode:      L iL' = -Vf - (Rd + DCR) iL - Vo        vsw = -Vf - Rd iL     (iL > 0)
//   HS body diode:      L iL' = Vi + Vf - (Rd + DCR) iL - Vo    vsw = Vi + Vf - Rd iL (iL < 0)
//   nothing conducting: iL = 0, vC' = -vC / (Rp C)              vsw = Vo
// A closed switch whose channel would drop more than Vf shares the current
// with its body diode: with both conducting the pair drops
//   Vs + Rs i,   Vs = Vf Rds / (Rds + Rd),   Rs = Rds Rd / (Rds + Rd),
// the channel carrying the drop over Rds and the diode the rest. The drop is
// continuous at the edge Rds i = Vf, so the two intervals meet without a
// jump in iL' and the period map's Jacobian is the propagators' product.
//   LS shared (iL > Vf / RdsLo):   L iL' = -Vs - (Rs + DCR) iL - Vo        vsw = -Vs - Rs iL
//   HS shared (iL < -Vf / Rds):    L iL' = Vi + Vs - (Rs + DCR) iL - Vo    vsw = Vi + Vs - Rs iL
// While both switches are off, the diode the current's sign picks conducts
// until iL reaches zero; it then stays at zero until a switch turns on. In
// forced continuous conduction the low-side switch conducts for its whole
// slot whatever the current's sign. In diode emulation it is driven only if
// iL > 0 as its slot begins and turns off when iL reaches zero.
//
// Each interval is integrated exactly (realparts/LinearInterval.h) and each
// zero of iL located on the closed form, so the period map F is piecewise
// smooth. Its fixed point x* = F(x*) is found by Newton's method with the
// Jacobian of F carried through the intervals: e^{M t} through an interval,
// and at a zero of iL that stops the current the change of the crossing time
// with the start (dt = -diL / iL'), which moves the remaining decay of vC.
// A step that does not lower the residual is halved, for the kinks of F
// where an interval appears or vanishes.

#include <array>

#include "realparts/ConverterModel.h"

namespace stepdown {

enum class StageInterval {
    HighSideOn,
    LowSideOn,
    LowBodyDiode,
    HighBodyDiode,
    Blocked,
    LowSideShared,  // the low-side channel and its body diode
    HighSideShared  // the high-side channel and its body diode, iL reversed
};
inline constexpr int kStageIntervals = 7;

// The drop of a closed channel with its body diode beside it, and the
// current through the pair at which the diode starts to conduct.
struct SharedDrop {
    double edge = 0;     // A; infinite without a channel resistance
    double source = 0;   // V, Vs
    double slope = 0;    // ohm, Rs
    double channel = 0;  // ohm, Rds: the channel carries (Vs + Rs i) / Rds
};
SharedDrop ShareOf(double Rds, double Vf, double Rd);

struct StagePiece {
    StageInterval kind = StageInterval::HighSideOn;
    Real duration = 0;  // s
    Vector2 start;
    Matrix2 propagator;  // e^{M duration}
};

// At most: HS on, split at a few edges of the shared drop; td1 as a diode
// then nothing; the LS slot likewise, then nothing; td2 as a diode then nothing.
inline constexpr int kMostEdges = 4;
inline constexpr int kMostStagePieces = 2 * (kMostEdges + 1) + 2 + 2 + 1;

struct StagePeriod {
    RealPartsOutcome outcome = RealPartsOutcome::NoSteadyState;
    std::array<StagePiece, kMostStagePieces> pieces{};
    int pieceCount = 0;
    bool lowSideDriven = false;  // the LS gate was applied in this period
    int deadTimeStart = 0;       // the first piece of td2 (pieceCount when td2 is zero)
};

class SynchronousStage {
public:
    // Requires ValidValues(values, parts, false) and a synchronous rectifier.
    SynchronousStage(const CircuitValues& values, const PartValues& parts);

    const LinearInterval& Interval(StageInterval kind) const;
    Real Period() const { return period_; }
    Observable OutputVoltage() const { return outputVoltage_; }
    Observable CapacitorCurrent() const { return capacitorCurrent_; }
    const SharedDrop& Share(bool high) const { return high ? highShare_ : lowShare_; }

    // The steady state at D with D + (td1 + td2) f <= 1.
    StagePeriod SteadyState(Real D) const;
    Real MeanOutputVoltage(const StagePeriod& period) const;

private:
    struct Run;
    // One period from `start`: its pieces, the end state and d end / d start.
    Run Through(Real D, Vector2 start) const;

    Real period_;
    Real td1_, td2_;
    LowSideMode mode_;
    SharedDrop highShare_, lowShare_;
    std::array<LinearInterval, kStageIntervals> intervals_;
    Observable outputVoltage_, capacitorCurrent_;
};

}  // namespace stepdown

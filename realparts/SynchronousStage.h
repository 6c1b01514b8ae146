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

enum class StageInterval { HighSideOn, LowSideOn, LowBodyDiode, HighBodyDiode, Blocked };

struct StagePiece {
    StageInterval kind = StageInterval::HighSideOn;
    Real duration = 0;  // s
    Vector2 start;
    Matrix2 propagator;  // e^{M duration}
};

// At most: HS on; td1 as a diode then nothing; the LS slot as the switch
// then nothing; td2 as a diode then nothing.
inline constexpr int kMostStagePieces = 7;

struct StagePeriod {
    RealPartsOutcome outcome = RealPartsOutcome::NoSteadyState;
    std::array<StagePiece, kMostStagePieces> pieces{};
    int pieceCount = 0;
    bool lowSideDriven = false;  // the LS gate was applied in this period
};

class SynchronousStage {
public:
    // Requires ValidValues(values, parts, false) and a synchronous rectifier.
    SynchronousStage(const CircuitValues& values, const PartValues& parts);

    const LinearInterval& Interval(StageInterval kind) const;
    Real Period() const { return period_; }
    Observable OutputVoltage() const { return outputVoltage_; }
    Observable CapacitorCurrent() const { return capacitorCurrent_; }

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
    std::array<LinearInterval, 5> intervals_;
    Observable outputVoltage_, capacitorCurrent_;
};

}  // namespace stepdown

#pragma once
// The thermal verdict of the converter as built: the temperatures of the
// high-side switch, the low-side device (switch or diode) and the inductor
// where the heat they dissipate, through their thermal resistances to the
// ambient, gives the temperatures their resistances were taken at:
//   Tj = Ta + P(Tj) Rth,   Rds(Tj) = Rds,25 (1 + a (Tj - 25 C)),  DCR likewise.
// The temperatures are a fixed point of the whole map t -> Ta + Rth P(t),
// the circuit solved at each t (D' found again for a target Vo, else D
// held): at a fixed D the current falls as the resistances rise, so no part's
// heat is taken at currents held. Thermal runaway is the absence of a fixed
// point below 10^4 °C: the heat at every temperature takes some part higher.
// The search climbs from Ta by Newton's steps on G(t) - t (the Jacobian by
// differences), or by G's own step, through points whose heat takes every
// part higher, until one takes every part lower; the two bracket the fixed
// point, which Newton's steps or the bracket's middle then narrow to a
// microkelvin.

#include <optional>

#include "realparts/RealParts.h"

namespace stepdown {

enum class ThermalStatus { Converged, Runaway, NotConverged };

// In the order of the result's parts.
enum class HeatedPart { HighSide, LowSide, Inductor };

// Why the temperatures were not found (NotConverged): the converter loses its
// steady state or the target Vo on the way, or the search's steps ran out.
enum class ThermalStall { None, SteadyStateLost, TargetLost, Undecided };

struct PartTemperature {
    bool given = false;  // a thermal resistance was given for it
    double tj = 0;       // °C
    double margin = 0;   // Tj,max - Tj, K
    double power = 0;    // W
};

struct ThermalResult {
    ThermalStatus status = ThermalStatus::NotConverged;
    PartTemperature highSide, lowSide, inductor;
    // The part without a fixed point, with Runaway.
    HeatedPart runaway = HeatedPart::HighSide;
    ThermalStall stall = ThermalStall::None;
    int iterations = 0;
    // The converter at the temperatures found (Converged): its parts with
    // their hot resistances, its figures and D' for the target.
    PartValues hotParts;
    RealPartsAnalysis analysis;
    DutySynthesis duty;
};

// Any thermal resistance given.
bool ThermalAsked(const PartValues& parts);

// The fixed point from the ambient temperature; `targetVo` re-solves D' at
// each temperature and the circuit then runs at it.
ThermalResult ThermalFixedPoint(const CircuitValues& circuit, const PartValues& parts,
                                std::optional<double> targetVo, const AnalysisOptions& options);

}  // namespace stepdown

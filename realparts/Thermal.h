#pragma once
// The thermal verdict of the converter as built: the temperatures of the
// high-side switch, the low-side device (switch or diode) and the inductor
// where the heat they dissipate, through their thermal resistances to the
// ambient, gives the temperatures their resistances were taken at:
//   Tj = Ta + P(Tj) Rth,   Rds(Tj) = Rds,25 (1 + a (Tj - 25 C)),  DCR likewise.
// Each step holds the circuit's currents and solves each part's equation
// exactly: with P = Pfixed + R25 (1 + a (T - 25)) I^2,
//   T (1 - Rth R25 a I^2) = Ta + Rth (Pfixed + R25 I^2 (1 - 25 a)),
// which has no solution once Rth a R25 I^2 >= 1: the part's heat grows with
// its temperature faster than it can shed it (thermal runaway). The circuit
// is then solved again at the new resistances, with D' found again for a
// target Vo, until no temperature moves by more than a microkelvin.

#include <optional>

#include "realparts/RealParts.h"

namespace stepdown {

enum class ThermalStatus { Converged, Runaway, NotConverged };

enum class HeatedPart { HighSide, LowSide, Inductor };

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
// each step and the circuit then runs at it.
ThermalResult ThermalFixedPoint(const CircuitValues& circuit, const PartValues& parts,
                                std::optional<double> targetVo, const AnalysisOptions& options);

}  // namespace stepdown

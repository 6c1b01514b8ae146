#pragma once
// The verification fields of the main window as quantities: the six of the
// circuit (Vi, D, f, L, C, RL) with their rows, factors to SI units, where
// the module stores them, their ranges and refusals, and the three counts
// (N, NP, NI). The launch of "Grafici" reads them in this order; the side
// windows read the circuit through the same rows, so one text gets one
// verdict and one message wherever it is typed.

#include <span>
#include <string>
#include <string_view>

#include "model/Module1.h"
#include "model/Quantities.h"
#include "model/QuantityReader.h"
#include "model/WindowOperations.h"

namespace stepdown {

inline constexpr const Quantity& kViField = Row(QuantityGroup::Verification, key::vi);
inline constexpr const Quantity& kDField = Row(QuantityGroup::Verification, key::d);
inline constexpr const Quantity& kFField = Row(QuantityGroup::Verification, key::f);
inline constexpr const Quantity& kLField = Row(QuantityGroup::Verification, key::l);
inline constexpr const Quantity& kCField = Row(QuantityGroup::Verification, key::c);
inline constexpr const Quantity& kRLField = Row(QuantityGroup::Verification, key::rl);
inline constexpr const Quantity& kNField = Row(QuantityGroup::Simulation, key::n);
inline constexpr const Quantity& kNPField = Row(QuantityGroup::Simulation, key::np);
inline constexpr const Quantity& kNIField = Row(QuantityGroup::Simulation, key::ni);

// One of the six quantities of the circuit, Vi, D, f, L, C, RL: its row of
// the table and where the launch stores it.
struct CircuitQuantity {
    const Quantity* row;
    double Module1::*stored;
};

// The six in the launch's reading order: Vi, D, f, L, C, RL.
std::span<const CircuitQuantity> CircuitQuantities();

// The row of the duty cycle, whose box the side windows write D' into.
const CircuitQuantity& DutyCycleQuantity();

// The last design when the verification fields still hold every text it
// wrote into them, otherwise null.
const DesignRecord* VerifiedDesign(const std::optional<DesignRecord>& lastDesign,
                                   const InputTexts& texts);

// Messages of the checks the program adds to the launch.
inline constexpr std::string_view kFrequencyNotPositiveMessage =
    Row(QuantityGroup::Verification, key::f).refusal;
inline constexpr std::string_view kInductanceNotPositiveMessage =
    Row(QuantityGroup::Verification, key::l).refusal;
inline constexpr std::string_view kCapacitanceNotPositiveMessage =
    Row(QuantityGroup::Verification, key::c).refusal;
inline constexpr std::string_view kLoadNotPositiveMessage =
    Row(QuantityGroup::Verification, key::rl).refusal;
inline constexpr std::string_view kTooFewSamplesMessage =
    Row(QuantityGroup::Simulation, key::n).refusal;
inline constexpr std::string_view kTooManySamplesMessage =
    Row(QuantityGroup::Simulation, key::n).highRefusal;

// "Il numero scritto per " + description + " non è un intero rappresentabile
// a 32 bit: deve stare tra -2147483648 e 2147483647!"
std::string IntegerRangeMessageFor(std::string_view description);

}  // namespace stepdown

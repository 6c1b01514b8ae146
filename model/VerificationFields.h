#pragma once
// The verification fields of the main window as quantities: the six of the
// circuit (Vi, D, f, L, C, RL) with their boxes, factors to SI units, where
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

// A main-window box of the table: its name and the words its messages use.
constexpr NumericField FieldOf(const Quantity& quantity) {
    return {quantity.textBox, quantity.subject};
}

inline constexpr NumericField kViField = FieldOf(Row(QuantityGroup::Verification, key::vi));
inline constexpr NumericField kDField = FieldOf(Row(QuantityGroup::Verification, key::d));
inline constexpr NumericField kFField = FieldOf(Row(QuantityGroup::Verification, key::f));
inline constexpr NumericField kLField = FieldOf(Row(QuantityGroup::Verification, key::l));
inline constexpr NumericField kCField = FieldOf(Row(QuantityGroup::Verification, key::c));
inline constexpr NumericField kRLField = FieldOf(Row(QuantityGroup::Verification, key::rl));
inline constexpr NumericField kNField = FieldOf(Row(QuantityGroup::Simulation, key::n));
inline constexpr NumericField kNPField = FieldOf(Row(QuantityGroup::Simulation, key::np));
inline constexpr NumericField kNIField = FieldOf(Row(QuantityGroup::Simulation, key::ni));

// One of the six quantities of the circuit, Vi, D, f, L, C, RL: its row of
// the table, its field and where the launch stores it.
struct CircuitQuantity {
    const Quantity* row;
    NumericField field;
    double Module1::*stored;
};

// The six in the launch's reading order: Text7, Text8, Text12, Text9,
// Text10, Text11.
std::span<const CircuitQuantity> CircuitQuantities();

// The row of the duty cycle, whose box the side windows write D' into.
const CircuitQuantity& DutyCycleQuantity();

// The last design when the verification fields still hold every text it
// wrote into them, otherwise null.
const DesignRecord* VerifiedDesign(const Module1& module, const FormTexts& texts);

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

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
#include "model/WindowOperations.h"

namespace stepdown {

inline constexpr NumericField kViField{"Text7", "la tensione di ingresso Vi"};
inline constexpr NumericField kDField{"Text8", "il valore del Duty Cycle in %"};
inline constexpr NumericField kFField{"Text12",
                                      "il valore della frequenza di commutazione f in kHz"};
inline constexpr NumericField kLField{"Text9", "il valore dell'induttanza in uH"};
inline constexpr NumericField kCField{"Text10", "il valore della capacità in uF"};
inline constexpr NumericField kRLField{"Text11", "il valore della resistenza di carico RL in ohm"};
inline constexpr NumericField kNField{"Text13", "il numero dei campioni N"};
inline constexpr NumericField kNPField{"Text14", "il numero dei periodi visualizzati NP"};
inline constexpr NumericField kNIField{"Text15", "il numero delle iterazioni NI"};

// One of the six quantities of the circuit, Vi, D, f, L, C, RL: its field,
// the factor to SI units, where the launch stores it, and the range it must
// lie in with the message that refuses it.
struct CircuitQuantity {
    NumericField field;
    double toSI;
    double Module1::*stored;
    bool (*inRange)(double);
    std::string_view refusal;
};

// The six in the launch's reading order: Text7, Text8, Text12, Text9,
// Text10, Text11.
std::span<const CircuitQuantity> CircuitQuantities();

// The row of the duty cycle, whose box the side windows write D' into.
const CircuitQuantity& DutyCycleQuantity();

// The last design when the verification fields still hold every text it
// wrote into them, otherwise null.
const DesignRecord* VerifiedDesign(const Module1& module, const MainWindowOperations& window);

// Messages of the checks the program adds to the launch.
inline constexpr std::string_view kFrequencyNotPositiveMessage =
    "La frequenza non può essere zero o negativa!";
inline constexpr std::string_view kInductanceNotPositiveMessage =
    "L'induttanza non può essere zero o negativa!";
inline constexpr std::string_view kCapacitanceNotPositiveMessage =
    "La capacità non può essere zero o negativa!";
inline constexpr std::string_view kLoadNotPositiveMessage =
    "La resistenza di carico RL non può essere zero o negativa!";
inline constexpr std::string_view kFrequencyOverflowMessage =
    "La frequenza scritta è troppo grande: convertita in Hz supera i numeri rappresentabili!";
inline constexpr std::string_view kTooFewSamplesMessage =
    "Il numero dei campioni N non può essere minore di 1!";
inline constexpr std::string_view kTooManySamplesMessage =
    "Il numero dei campioni N non può superare 2000000: le forme d'onda non starebbero "
    "comodamente in memoria!";

// "Il numero scritto per " + description + " non è un intero rappresentabile
// a 32 bit: deve stare tra -2147483648 e 2147483647!"
std::string IntegerRangeMessageFor(std::string_view description);

}  // namespace stepdown

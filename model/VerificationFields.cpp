#include "model/VerificationFields.h"

namespace stepdown {
namespace {

bool Positive(double x) { return x > 0; }
bool Fraction(double x) { return x > 0 && x < 1; }

const CircuitQuantity kQuantities[] = {
    {kViField, 1, &Module1::Vi, Positive,
     "La tensione in ingresso non può essere zero o negativa!"},
    {kDField, 0.01, &Module1::D, Fraction,
     "Il Duty Cycle non può essere zero o negativo o maggiore o uguale al 100%!"},
    {kFField, 1000, &Module1::f, Positive, kFrequencyNotPositiveMessage},
    {kLField, 0.000001, &Module1::L, Positive, kInductanceNotPositiveMessage},
    {kCField, 0.000001, &Module1::C, Positive, kCapacitanceNotPositiveMessage},
    {kRLField, 1, &Module1::RL, Positive, kLoadNotPositiveMessage},
};

}  // namespace

std::span<const CircuitQuantity> CircuitQuantities() { return kQuantities; }

const CircuitQuantity& DutyCycleQuantity() { return kQuantities[1]; }

const DesignRecord* VerifiedDesign(const Module1& m, const MainWindowOperations& window) {
    if (!m.LastDesign) return nullptr;
    for (const auto& [textBox, text] : m.LastDesign->fieldTexts)
        if (window.GetText(textBox) != text) return nullptr;
    return &*m.LastDesign;
}

std::string IntegerRangeMessageFor(std::string_view description) {
    std::string message = "Il numero scritto per ";
    message += description;
    message +=
        " non è un intero rappresentabile a 32 bit: deve stare tra -2147483648 e 2147483647!";
    return message;
}

}  // namespace stepdown

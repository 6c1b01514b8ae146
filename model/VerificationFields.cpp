#include "model/VerificationFields.h"

namespace stepdown {
namespace {

consteval CircuitQuantity CircuitRow(std::string_view key, double Module1::*stored) {
    const Quantity& row = Row(QuantityGroup::Verification, key);
    return {&row, stored};
}

constexpr CircuitQuantity kCircuit[] = {
    CircuitRow(key::vi, &Module1::Vi), CircuitRow(key::d, &Module1::D),
    CircuitRow(key::f, &Module1::f),   CircuitRow(key::l, &Module1::L),
    CircuitRow(key::c, &Module1::C),   CircuitRow(key::rl, &Module1::RL),
};

}  // namespace

std::span<const CircuitQuantity> CircuitQuantities() { return kCircuit; }

constexpr std::size_t kDutyRow = 1;
static_assert(kCircuit[kDutyRow].stored == &Module1::D);

const CircuitQuantity& DutyCycleQuantity() { return kCircuit[kDutyRow]; }

const DesignRecord* VerifiedDesign(const std::optional<DesignRecord>& lastDesign,
                                   const InputTexts& texts) {
    if (!lastDesign) return nullptr;
    for (const auto& [id, text] : lastDesign->fieldTexts)
        if (TextIn(texts, id) != text) return nullptr;
    return &*lastDesign;
}

std::string IntegerRangeMessageFor(std::string_view description) {
    std::string message = "Il numero scritto per ";
    message += description;
    message +=
        " non è un intero rappresentabile a 32 bit: deve stare tra -2147483648 e 2147483647!";
    return message;
}

}  // namespace stepdown

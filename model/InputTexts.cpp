#include "model/InputTexts.h"

#include "model/Quantities.h"

namespace stepdown {

std::string TextIn(const InputTexts& texts, QuantityId id) {
    const auto found = texts.find(id);
    return found == texts.end() ? std::string() : found->second;
}

std::string TextIn(const InputTexts& texts, const Quantity& row) {
    return TextIn(texts, IdOf(row));
}

InputTexts StartTexts() {
    InputTexts texts;
    for (const Quantity& row : kFormQuantities) texts.emplace(IdOf(row), row.startText);
    return texts;
}

}  // namespace stepdown

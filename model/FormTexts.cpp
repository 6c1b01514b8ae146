#include "model/FormTexts.h"

#include "model/Quantities.h"

namespace stepdown {

std::string TextIn(const FormTexts& texts, std::string_view textBox) {
    const auto found = texts.find(textBox);
    return found == texts.end() ? std::string() : found->second;
}

FormTexts StartTexts() {
    FormTexts texts;
    for (const Quantity& row : kFormQuantities)
        if (!row.textBox.empty()) texts.emplace(row.textBox, row.startText);
    return texts;
}

FormTexts TextsOf(const MainWindowOperations& window) {
    FormTexts texts;
    for (const Quantity& row : kFormQuantities)
        if (!row.textBox.empty()) texts.emplace(row.textBox, window.GetText(row.textBox));
    return texts;
}

}  // namespace stepdown

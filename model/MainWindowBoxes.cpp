#include "model/MainWindowBoxes.h"

#include "model/Quantities.h"

namespace stepdown {

InputTexts TextsOf(const MainWindowOperations& window) {
    InputTexts texts;
    for (const Quantity& row : kFormQuantities)
        if (const std::string_view box = BoxOf(row); !box.empty())
            texts.emplace(IdOf(row), window.GetText(box));
    return texts;
}

}  // namespace stepdown

#include "design/DesignCalculation.h"
#include "model/MainWindowBoxes.h"

namespace stepdown {

void ExampleData(MainWindowOperations& window) {
    for (const ExampleText& example : kExampleTexts)
        window.SetText(BoxOf(QuantityGroup::Design, example.key), std::string(example.text));
}

}  // namespace stepdown

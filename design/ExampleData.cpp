#include "design/DesignCalculation.h"

namespace stepdown {

void ExampleData(MainWindowOperations& window) {
    window.SetText("Text1", "25");
    window.SetText("Text2", "15");
    window.SetText("Text3", "80");
    window.SetText("Text4", "40");
    window.SetText("Text5", "60");
    window.SetText("Text6", "1.5");
}

}  // namespace stepdown

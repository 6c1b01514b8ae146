#pragma once
// What the side windows' fields hold, owned by the application: it outlives
// the windows, which fill their fields from it when they open and write back
// to it, and a design file stores and restores it.

#include "componentchoice/ChoiceTexts.h"
#include "control/ControlQuantities.h"
#include "realparts/PartTexts.h"

namespace stepdown {

struct SideWindowTexts {
    PartTexts parts;     // "Componenti reali"
    ChoiceTexts choice;  // "Scelta dei componenti"
    ControlTexts loop;   // "Anello di controllo"

    friend bool operator==(const SideWindowTexts&, const SideWindowTexts&) = default;
};

}  // namespace stepdown

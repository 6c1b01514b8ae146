#pragma once
// The choices of the window "Scelta dei componenti" as the user types them:
// the series and rounding, the tolerances in %, the input and load ranges of
// the worst case and the sweep's loads. The window maps its fields to them
// and back, and the design file stores exactly these texts. An empty range
// stands for the nominal design's values (the sweep's: 10 % and 150 % of Io).

#include <string>

namespace stepdown {

// Each text starts at its row's start text.
struct ChoiceTexts {
    ChoiceTexts();

    std::string series;        // E6, E12, E24
    std::string round;         // up, nearest, meets
    std::string tolL, tolC;    // %
    std::string viMin, viMax;  // V
    std::string ioMin, ioMax;  // A
    std::string ioFrom, ioTo;  // A, the sweep
    std::string points;        // loads per input voltage

    friend bool operator==(const ChoiceTexts&, const ChoiceTexts&) = default;
};

}  // namespace stepdown

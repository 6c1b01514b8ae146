#pragma once
// The three charts of the window "Scelta dei componenti" over the load sweep:
// efficiency, output ripple and peak inductor current, one curve per input
// voltage, the loads that run discontinuous shaded, the ripple's
// requirement dashed.

#include <array>

#include "componentchoice/ChoiceStudy.h"

class QChartView;
class QLocale;

namespace stepdown {

// Each view gets a new chart; the one it held is deleted.
void DrawSweepCharts(const ChoiceStudy& study, const QLocale& locale,
                     const std::array<QChartView*, 3>& views);

}  // namespace stepdown

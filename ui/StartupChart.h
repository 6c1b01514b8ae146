#pragma once
// The chart of the start-up window: the envelope of iL and Vo from rest to
// the end of a completed run against their steady-state bands. The window
// shows it zoomable; the report draws it offscreen.

#include <QChart>
#include <QLocale>

#include "verification/SimulationRun.h"

namespace stepdown {

// A new chart, owned by the caller, of `run`, which must hold an analysis;
// `locale` gives the decimal separator of its numbers.
QChart* NewStartupChart(const SimulationRun& run, const QLocale& locale);

}  // namespace stepdown

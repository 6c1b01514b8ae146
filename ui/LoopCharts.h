#pragma once
// The loop's charts, for the window "Anello di controllo" and the report:
// the Bode chart of T, Gvd and Gc with the crossover marked, and the step
// response of Vo and iL with the ±1 % band of the final Vo.

#include <QLocale>
#include <QString>

#include "control/ClosedLoop.h"
#include "control/LoopAnalysis.h"
#include "control/SwitchedLoopGain.h"

class QChart;

namespace stepdown {

// Four significant digits, "∞" for an infinite value.
QString LoopNumber(const QLocale& locale, double value);
// The switched measure's last difference in magnitude and phase, and whether
// it converged: the Bode chart's title while the measure is shown.
QString SwitchedSpread(const QLocale& locale, const SwitchedBode& bode);

// A chart that asks for "Progetta" or "Calcola" while `analysis` is null or
// has no curves; the switched loop gain's points when `switched` is given.
QChart* NewLoopBodeChart(const LoopAnalysis* analysis, const SwitchedBode* switched,
                         const QLocale& locale);

// The step response; scaled to the steps when `request` asks for one.
QChart* NewLoopStepChart(const TransientResult& transient, const TransientRequest& request,
                         const QLocale& locale);

}  // namespace stepdown

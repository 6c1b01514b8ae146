#pragma once
// Value axes with round ticks, shared by the Qt Charts windows, and the page
// that takes a chart's place when there is nothing to draw.

#include <Qt>

class QAbstractSeries;
class QChart;
class QChartView;
class QLabel;
class QLocale;
class QString;
class QValueAxis;
class QWidget;

namespace stepdown {

// The round step (1, 2 or 5 times a power of ten) that cuts `span` into
// at most about `count` intervals.
double RoundStep(double span, int count);

// Ticks at round steps from zero, about `count` of them over whatever range
// a zoom leaves, labelled with the digits the step needs: from 10000 up in
// the exponent form, as long rows of zeros are hard to read. Call it once
// per axis.
void KeepRoundTicks(QValueAxis& axis, int count);

// Both value axes over whole round steps with zero at the same height, so
// that the left axis's grid serves the right one too; each keeps round
// ticks on those steps.
void AlignAxes(QValueAxis& left, double leftLow, double leftHigh, QValueAxis& right,
               double rightLow, double rightHigh);

struct AxisRange {
    double low = 0, high = 0;
};

// [low, high] with a little room, widened about its middle to at least
// `leastSpan` and to a thousandth of its magnitude, so that a flat curve
// is drawn flat and not as a rise of rounding noise, then out to whole
// round steps.
AxisRange RoundedSpan(double low, double high, double leastSpan);

// The axis over RoundedSpan, with round ticks.
void SpanRoundly(QValueAxis& axis, double low, double high, double leastSpan);

// A chart with the locale's decimal separator and no thousands separators,
// which beside a decimal comma would read as one, and `margin` pixels on
// each side.
QChart* NewNumberChart(const QLocale& locale, int margin);

// Hands `chart` to `view` and deletes the chart it replaces, which setChart
// only releases.
void Replace(QChartView& view, QChart* chart);

// A value axis titled `title`, added to `chart` on `side`.
QValueAxis* NewAxis(QChart& chart, const QString& title, Qt::Alignment side);

// A large wrapped text, top left, that says why the charts are missing.
QLabel* NewExplanationPage(QWidget* parent);

// Keeps `series` out of the legend; nothing when it is not in `chart`.
void HideFromLegend(QChart& chart, QAbstractSeries* series);

}  // namespace stepdown

#include "ui/ChartAxes.h"

#include <QChart>
#include <QChartView>
#include <QFont>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLocale>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace stepdown {
namespace {

// The most ticks either side of zero of two aligned axes.
constexpr double kMostTicks = 100;

}  // namespace

double RoundStep(double span, int count) {
    const double raw = span / count;
    if (!(raw > 0) || !std::isfinite(raw)) return 1;
    const double decade = std::pow(10.0, std::floor(std::log10(raw)));
    // The tolerance keeps an exact multiple from rounding up to the next step.
    for (const double step : {1.0, 2.0, 5.0})
        if (step * decade >= raw * (1 - 1e-9)) return step * decade;
    return 10 * decade;
}

void KeepRoundTicks(QValueAxis& axis, int count) {
    const auto update = [&axis, count](qreal min, qreal max) {
        const double step = RoundStep(max - min, count);
        axis.setTickInterval(step);
        const int stepDigit = static_cast<int>(std::floor(std::log10(step)));
        if (stepDigit < 4) {
            axis.setLabelFormat(QStringLiteral("%.%1f").arg(std::max(0, -stepDigit)));
            return;
        }
        const double largest = std::max(std::abs(min), std::abs(max));
        if (!std::isfinite(largest)) return;  // no digits to count
        const int digits = static_cast<int>(std::floor(std::log10(largest))) - stepDigit + 1;
        axis.setLabelFormat(QStringLiteral("%.%1g").arg(std::max(1, digits)));
    };
    axis.setTickType(QValueAxis::TicksDynamic);
    axis.setTickAnchor(0);
    QObject::connect(&axis, &QValueAxis::rangeChanged, &axis, update);
    update(axis.min(), axis.max());
}

void AlignAxes(QValueAxis& left, double leftLow, double leftHigh, QValueAxis& right,
               double rightLow, double rightHigh) {
    struct Side {
        QValueAxis& axis;
        double low, high, step;
    } sides[] = {{left, std::min(0.0, leftLow), std::max(0.0, leftHigh), 0},
                 {right, std::min(0.0, rightLow), std::max(0.0, rightHigh), 0}};
    double below = 0;
    double above = 0;
    for (Side& side : sides) {
        side.step = RoundStep(side.high - side.low, 5);
        // A little room above the highest value.
        below = std::max(below, std::ceil(-side.low / side.step - 1e-9));
        above = std::max(above, std::ceil(side.high * 1.02 / side.step - 1e-9));
    }
    above = std::max(above, 1.0);
    // Values far apart, or not finite, get the most ticks an axis shows.
    const auto bounded = [](double ticks) { return ticks <= kMostTicks ? ticks : kMostTicks; };
    below = bounded(below);
    above = bounded(above);
    for (Side& side : sides) {
        side.axis.setRange(-below * side.step, above * side.step);
        KeepRoundTicks(side.axis, static_cast<int>(below + above));
    }
}

AxisRange RoundedSpan(double low, double high, double leastSpan) {
    const double magnitude = std::max(std::abs(low), std::abs(high));
    const double least = std::max(leastSpan, magnitude * 1e-3);
    if (high - low < least) {
        const double middle = low / 2 + high / 2;
        low = middle - least / 2;
        high = middle + least / 2;
    }
    const double margin = high > low ? (high - low) * 0.03 : 1;
    low -= margin;
    high += margin;
    const double step = RoundStep(high - low, 5);
    return {std::floor(low / step) * step, std::ceil(high / step) * step};
}

void SpanRoundly(QValueAxis& axis, double low, double high, double leastSpan) {
    const AxisRange range = RoundedSpan(low, high, leastSpan);
    axis.setRange(range.low, range.high);
    KeepRoundTicks(axis, 5);
}

QChart* NewNumberChart(const QLocale& locale, int margin) {
    auto* chart = new QChart;
    QLocale numbers = locale;
    numbers.setNumberOptions(QLocale::OmitGroupSeparator);
    chart->setLocalizeNumbers(true);
    chart->setLocale(numbers);
    chart->setMargins(QMargins(margin, margin, margin, margin));
    return chart;
}

void Replace(QChartView& view, QChart* chart) {
    QChart* const old = view.chart();
    view.setChart(chart);
    delete old;
}

QValueAxis* NewAxis(QChart& chart, const QString& title, Qt::Alignment side) {
    auto* axis = new QValueAxis(&chart);
    axis->setTitleText(title);
    chart.addAxis(axis, side);
    return axis;
}

QLabel* NewExplanationPage(QWidget* parent) {
    auto* page = new QLabel(parent);
    page->setWordWrap(true);
    page->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    page->setMargin(24);
    QFont large = page->font();
    large.setPointSizeF(large.pointSizeF() * 1.3);
    page->setFont(large);
    return page;
}

void HideFromLegend(QChart& chart, QAbstractSeries* series) {
    for (QLegendMarker* marker : chart.legend()->markers(series)) marker->setVisible(false);
}

}  // namespace stepdown

#include "ui/SweepCharts.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QPen>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

#include "realparts/ConverterModel.h"
#include "ui/ChartAxes.h"
#include "ui/QtText.h"

namespace stepdown {
namespace {

// Titled, its legend below in a smaller font.
QChart* NewChart(const QLocale& locale, const QString& title) {
    QChart* chart = NewNumberChart(locale, 2);
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    // Four entries beside each other in a third of the window.
    QFont small = chart->legend()->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    chart->legend()->setFont(small);
    return chart;
}

// The lowest, nominal and highest input voltage.
const QColor kCurveColours[] = {QColor(0, 90, 200), QColor(0, 140, 60), QColor(210, 40, 20)};

}  // namespace

void DrawSweepCharts(const ChoiceStudy& study, const QLocale& locale,
                     const std::array<QChartView*, 3>& views) {
    const struct {
        QString title, axis;
        double (*figure)(const OperatingPoint&);
        double requirement;  // 0: none
    } figures[] = {
        {QStringLiteral("Rendimento"), QStringLiteral("η [%]"),
         [](const OperatingPoint& p) { return p.efficiency * 100; }, 0},
        {QStringLiteral("Ondulazione di Vo"), QStringLiteral("ΔVo [mV]"),
         [](const OperatingPoint& p) { return p.deltaVo; }, study.design.DeltaVo * 1000},
        {QStringLiteral("Picco della corrente in L"), QStringLiteral("iL picco [A]"),
         [](const OperatingPoint& p) { return p.peakIL; }, 0},
    };
    const ChoiceSettings& s = study.settings;
    // The loads at which some input voltage runs discontinuous, widened by
    // half a step on each side, within the sweep.
    const double halfStep = s.points > 1 ? (s.ioTo - s.ioFrom) / (s.points - 1) / 2 : 0;
    double dcmFrom = std::numeric_limits<double>::infinity();
    double dcmTo = -dcmFrom;
    for (const SweepPoint& p : study.sweep) {
        if (!p.point.Found() || p.point.mode != ConductionMode::Discontinuous) continue;
        dcmFrom = std::min(dcmFrom, std::max(s.ioFrom, p.Io - halfStep));
        dcmTo = std::max(dcmTo, std::min(s.ioTo, p.Io + halfStep));
    }

    for (std::size_t k = 0; k < views.size(); ++k) {
        QChart* chart = NewChart(locale, figures[k].title);
        QValueAxis* load = NewAxis(*chart, QStringLiteral("Io [A]"), Qt::AlignBottom);
        QValueAxis* value = NewAxis(*chart, figures[k].axis, Qt::AlignLeft);
        double low = std::numeric_limits<double>::infinity();
        double high = -low;
        std::vector<QLineSeries*> curves;
        for (std::size_t v = 0; v < study.inputVoltages.size(); ++v) {
            const double Vi = study.inputVoltages[v];
            auto* curve = new QLineSeries(chart);
            curve->setName(QStringLiteral("%1 V").arg(locale.toString(Vi, 'g', 4)));
            // With fewer than three curves the nominal one keeps its colour.
            const std::size_t colour = study.inputVoltages.size() == 3 ? v
                                       : Vi == study.design.Vi         ? 1
                                       : Vi < study.design.Vi          ? 0
                                                                       : 2;
            curve->setPen(QPen(kCurveColours[colour], 2));
            for (const SweepPoint& p : study.sweep) {
                if (p.Vi != Vi || !p.point.Found()) continue;
                const double y = figures[k].figure(p.point);
                curve->append(p.Io, y);
                low = std::min(low, y);
                high = std::max(high, y);
            }
            curves.push_back(curve);
        }
        if (!(low <= high)) low = high = 0;
        const double requirement = figures[k].requirement;
        if (requirement > 0) {
            low = std::min(low, requirement);
            high = std::max(high, requirement);
        }
        SpanRoundly(*value, low, high, k == 0 ? 0.1 : 0);
        if (dcmFrom <= dcmTo) {
            auto* upper = new QLineSeries(chart);
            auto* lower = new QLineSeries(chart);
            upper->append({QPointF(dcmFrom, value->max()), QPointF(dcmTo, value->max())});
            lower->append({QPointF(dcmFrom, value->min()), QPointF(dcmTo, value->min())});
            auto* band = new QAreaSeries(upper, lower);
            band->setName(Text(WordsOf(ConductionMode::Discontinuous).abbreviation));
            band->setPen(Qt::NoPen);
            band->setBrush(QColor(150, 150, 150, 60));
            chart->addSeries(band);
            band->attachAxis(load);
            band->attachAxis(value);
        }
        if (requirement > 0) {
            auto* limit = new QLineSeries(chart);
            limit->setName(QStringLiteral("requisito"));
            limit->setPen(QPen(Qt::black, 1.5, Qt::DashLine));
            limit->append({QPointF(s.ioFrom, requirement), QPointF(s.ioTo, requirement)});
            curves.push_back(limit);
        }
        for (QLineSeries* curve : curves) {
            chart->addSeries(curve);
            curve->attachAxis(load);
            curve->attachAxis(value);
        }
        // The caption under the charts names the dashed line.
        if (requirement > 0) HideFromLegend(*chart, curves.back());
        load->setRange(s.ioFrom, s.ioTo > s.ioFrom ? s.ioTo : s.ioFrom + 1);
        KeepRoundTicks(*load, 5);
        Replace(*views[k], chart);
    }
}

}  // namespace stepdown

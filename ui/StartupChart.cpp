#include "ui/StartupChart.h"

#include <QAreaSeries>
#include <QBrush>
#include <QChart>
#include <QColor>
#include <QLegend>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>

#include <algorithm>

#include "ui/ChartAxes.h"
#include "waveformplot/Plot.h"

namespace stepdown {

namespace {

QColor ColourOf(Rgb rgb, int alpha = 255) { return QColor(rgb.red, rgb.green, rgb.blue, alpha); }

// A band between two step lines: each bucket holds its value over its span.
struct Band {
    QLineSeries* upper;
    QLineSeries* lower;
};

Band NewBand(QObject* owner) { return {new QLineSeries(owner), new QLineSeries(owner)}; }

void AddBand(QChart& chart, Band band, const QString& name, QValueAxis& x, QValueAxis& y,
             const QPen& border, const QBrush& fill) {
    auto* area = new QAreaSeries(band.upper, band.lower);
    area->setName(name);
    area->setPen(border);
    area->setBrush(fill);
    chart.addSeries(area);
    area->attachAxis(&x);
    area->attachAxis(&y);
}

}  // namespace

QChart* NewStartupChart(const SimulationRun& run, const QLocale& locale) {
    const RunAnalysis& analysis = *run.analysis;
    auto* chart = new QChart;
    // Decimal separator of the locale, without thousands separators, which
    // beside a decimal comma would read as one.
    QLocale numbers = locale;
    numbers.setNumberOptions(QLocale::OmitGroupSeparator);
    chart->setLocalizeNumbers(true);
    chart->setLocale(numbers);
    chart->legend()->setAlignment(Qt::AlignTop);
    chart->setMargins(QMargins(4, 4, 4, 4));

    auto* time = new QValueAxis(chart);
    time->setTitleText(QStringLiteral("t [ms]"));
    auto* current = new QValueAxis(chart);
    current->setTitleText(QStringLiteral("iL [A]"));
    auto* voltage = new QValueAxis(chart);
    voltage->setTitleText(QStringLiteral("Vo [V]"));
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(current, Qt::AlignLeft);
    chart->addAxis(voltage, Qt::AlignRight);

    const double msPerPeriod = 1000 / run.f;
    const Band il = NewBand(chart);
    const Band vo = NewBand(chart);
    SampleExtremes range;
    double end = msPerPeriod;
    for (const EnvelopeBucket& bucket : analysis.envelope) {
        const double from = static_cast<double>(bucket.firstPeriod - 1) * msPerPeriod;
        const double to = static_cast<double>(bucket.lastPeriod) * msPerPeriod;
        const SampleExtremes& e = bucket.extremes;
        for (const double t : {from, to}) {
            il.upper->append(t, e.maxIL);
            il.lower->append(t, e.minIL);
            vo.upper->append(t, e.maxVo);
            vo.lower->append(t, e.minVo);
        }
        range.Merge(e);
        end = std::max(end, to);
    }

    const SteadyState& steady = analysis.steady;
    if (steady.Exists()) range.Merge(steady.band);

    const QColor red = ColourOf(kTraceIL);
    const QColor blue = ColourOf(kTraceVo);
    AddBand(*chart, il, QStringLiteral("iL dall'avvio"), *time, *current, QPen(red, 1),
            ColourOf(kTraceIL, 70));
    AddBand(*chart, vo, QStringLiteral("Vo dall'avvio"), *time, *voltage, QPen(blue, 1),
            ColourOf(kTraceVo, 70));
    if (steady.Exists()) {
        // Drawn over the envelopes, across the whole time, so that the last
        // periods can be seen to lie in them.
        const struct {
            double high, low;
            QColor colour;
            QString name;
            QValueAxis* axis;
        } bands[] = {
            {steady.band.maxIL, steady.band.minIL, QColor(150, 0, 0), QStringLiteral("iL a regime"),
             current},
            {steady.band.maxVo, steady.band.minVo, QColor(0, 0, 150), QStringLiteral("Vo a regime"),
             voltage},
        };
        for (const auto& b : bands) {
            const Band band = NewBand(chart);
            band.upper->append({QPointF(0, b.high), QPointF(end, b.high)});
            band.lower->append({QPointF(0, b.low), QPointF(end, b.low)});
            QColor fill = b.colour;
            fill.setAlpha(60);
            AddBand(*chart, band, b.name, *time, *b.axis, QPen(b.colour, 1.5, Qt::DashLine),
                    QBrush(fill, Qt::BDiagPattern));
        }
    }

    // From rest to the end exactly, where the steady-state bands end too.
    time->setRange(0, end);
    KeepRoundTicks(*time, 10);
    AlignAxes(*current, range.minIL, range.maxIL, *voltage, range.minVo, range.maxVo);
    voltage->setGridLineVisible(false);

    return chart;
}

}  // namespace stepdown

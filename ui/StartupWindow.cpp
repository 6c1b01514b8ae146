#include "ui/StartupWindow.h"

#include <QAreaSeries>
#include <QBrush>
#include <QChart>
#include <QChartView>
#include <QColor>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QPen>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "ui/ChartAxes.h"
#include "waveformplot/Plot.h"
#include "waveformview/StartupReport.h"
#include "waveformview/WaveformCsv.h"

namespace stepdown {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

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

StartupWindow::StartupWindow(std::shared_ptr<const SimulationRun> run, const QLocale& locale,
                             QWidget* parent)
    : ChartWindowFrame(kTitle, 1000, locale, parent), run_(std::move(run)) {
    const RunAnalysis& analysis = *run_->analysis;
    const std::string separator = locale_.decimalPoint().toStdString();

    auto* layout = new QVBoxLayout(this);

    chartView_ = new QChartView(this);
    BuildChart(analysis);
    layout->addWidget(chartView_, 1);

    auto* summary = new QFormLayout;
    summary->setLabelAlignment(Qt::AlignLeft);
    summary->setVerticalSpacing(2);
    for (const ReportLine& line : StartupSummary(analysis, separator)) {
        auto* value = new QLabel(Text(line.value), this);
        value->setWordWrap(true);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        summary->addRow(Text(line.caption + ":"), value);
    }
    layout->addLayout(summary);

    const std::vector<ComparisonRow> rows = ComparisonTable(analysis, separator);
    table_ = new QTableWidget(static_cast<int>(rows.size()), 7, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("Grandezza"), QStringLiteral("Unità"),
                                       QStringLiteral("Progetto"), QStringLiteral("Ultimo periodo"),
                                       QStringLiteral("Regime"),
                                       QStringLiteral("(ultimo − regime)\n/ regime"),
                                       QStringLiteral("(regime − progetto)\n/ progetto")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int r = 0; r < table_->rowCount(); ++r) {
        const ComparisonRow& row = rows[static_cast<std::size_t>(r)];
        const std::string* const cells[] = {&row.quantity,       &row.unit,   &row.design,
                                            &row.last,           &row.steady, &row.lastDeviation,
                                            &row.designDeviation};
        for (int c = 0; c < 7; ++c) {
            auto* item = new QTableWidgetItem(Text(*cells[c]));
            item->setTextAlignment(c < 2 ? Qt::AlignLeft | Qt::AlignVCenter
                                         : Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(r, c, item);
        }
    }
    // One line a row, every row in sight: the table never scrolls.
    table_->setWordWrap(false);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 8);
    int height = table_->horizontalHeader()->sizeHint().height() + 2 * table_->frameWidth();
    for (int r = 0; r < table_->rowCount(); ++r) height += table_->rowHeight(r);
    table_->setFixedHeight(height);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(table_);

    if (!analysis.design) {
        layout->addWidget(new QLabel(
            QStringLiteral("Colonne del progetto vuote: i campi della verifica non contengono più "
                           "i valori scritti dal progetto."),
            this));
    }

    saveImage_ = NewExport(QStringLiteral("Salva grafico come immagine…"),
                           [this] { ExportImage(QStringLiteral("avviamento.png"), *chartView_); });
    exportCsv_ = NewExport(QStringLiteral("Esporta inviluppo (CSV)…"), [this] {
        ExportCsv(QStringLiteral("Esporta inviluppo (CSV)"), QStringLiteral("inviluppo.csv"),
                  [this] { return EnvelopeCsv(*run_->analysis, run_->f); });
    });
    layout->addLayout(ExportRow([this] { chartView_->chart()->zoomReset(); },
                                QStringLiteral("Torna al grafico intero")));
}

StartupWindow::~StartupWindow() = default;

void StartupWindow::BuildChart(const RunAnalysis& analysis) {
    auto* chart = new QChart;
    // Decimal separator of the locale, without thousands separators, which
    // beside a decimal comma would read as one.
    QLocale numbers = locale_;
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

    const double msPerPeriod = 1000 / run_->f;
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

    // setChart releases the view's default chart without deleting it.
    QChart* const empty = chartView_->chart();
    chartView_->setChart(chart);
    delete empty;
    MakeZoomable(*chartView_, false);
}

}  // namespace stepdown

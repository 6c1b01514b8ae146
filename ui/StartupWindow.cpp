#include "ui/StartupWindow.h"

#include <QChart>
#include <QChartView>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <string>
#include <vector>

#include "ui/StartupChart.h"
#include "waveformview/StartupReport.h"
#include "waveformview/WaveformCsv.h"

namespace stepdown {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

StartupWindow::StartupWindow(std::shared_ptr<const SimulationRun> run, const QLocale& locale,
                             QWidget* parent)
    : ChartWindowFrame(kTitle, 1000, locale, parent), run_(std::move(run)) {
    const RunAnalysis& analysis = *run_->analysis;
    const std::string separator = locale_.decimalPoint().toStdString();

    auto* layout = new QVBoxLayout(this);

    chartView_ = new QChartView(this);
    BuildChart();
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

void StartupWindow::BuildChart() {
    // setChart releases the view's default chart without deleting it.
    QChart* const empty = chartView_->chart();
    chartView_->setChart(NewStartupChart(*run_, locale_));
    delete empty;
    MakeZoomable(*chartView_, false);
}

}  // namespace stepdown

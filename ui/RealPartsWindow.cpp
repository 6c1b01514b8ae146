#include "ui/RealPartsWindow.h"

#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCursor>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QLineSeries>
#include <QPen>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <array>
#include <string>

#include "design/DesignCalculation.h"
#include "model/MainWindowBoxes.h"
#include "realparts/RealPartsReport.h"
#include "ui/ChartAxes.h"
#include "ui/NetlistExport.h"
#include "ui/QtText.h"
#include "waveformplot/Plot.h"

namespace stepdown {

namespace {

// A chart with the locale's decimal separator and no thousands separators,
// which beside a decimal comma would read as one.
QChart* NewChart(const QLocale& locale) { return NewNumberChart(locale, 4); }

// The main window's texts a study reads: the design's and the verification's.
InputTexts StudiedTexts(const InputTexts& all) {
    InputTexts texts;
    for (const Quantity& row : kQuantities)
        if (!BoxOf(row).empty() &&
            (row.group == QuantityGroup::Design || row.group == QuantityGroup::Verification))
            texts.emplace(IdOf(row), TextIn(all, row));
    return texts;
}

}  // namespace

RealPartsStudy StudyShownTexts(const Module1& module, const InputTexts& texts,
                               const PartTexts& parts) {
    if (AimedDesign(module.LastDesign, texts))
        return StudyRealParts(module.LastDesign, texts, parts);
    // A design refused is no target; "Calcola" tells why.
    return StudyRealParts(DesignOf(texts).design, texts, parts);
}

RealPartsWindow::RealPartsWindow(Module1& module, MainWindowOperations& fields, PartTexts& store,
                                 const QLocale& locale, QWidget* parent)
    : ChartWindowFrame(kTitle, 1280, locale, parent),
      module_(module),
      fields_(fields),
      store_(store) {
    auto* left = new QVBoxLayout;
    left->addWidget(BuildPartsForm());
    changedNote_ = new QLabel(
        QStringLiteral("I dati sono cambiati dopo l'ultimo calcolo: i risultati mostrati non "
                       "corrispondono più. Premi «Ricalcola» per aggiornarli."),
        this);
    changedNote_->setWordWrap(true);
    changedNote_->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold"));
    changedNote_->hide();
    left->addWidget(changedNote_);
    summaryBox_ = new QGroupBox(QStringLiteral("Punto di lavoro"), this);
    auto* summaryLayout = new QVBoxLayout(summaryBox_);
    summary_ = new QWidget(summaryBox_);
    summaryLayout->addWidget(summary_);
    useDuty_ = new QPushButton(QStringLiteral("Usa D′"), summaryBox_);
    useDuty_->setToolTip(QStringLiteral("Scrive D′ nel campo del Duty Cycle della verifica"));
    connect(useDuty_, &QPushButton::clicked, this, &RealPartsWindow::UseDuty);
    summaryLayout->addWidget(useDuty_, 0, Qt::AlignLeft);
    left->addWidget(summaryBox_);
    left->addStretch(1);
    auto* leftColumn = new QWidget(this);
    leftColumn->setLayout(left);
    leftColumn->setFixedWidth(std::max(440, left->sizeHint().width()));

    saveImage_ = NewExport(QStringLiteral("Salva grafico come immagine…"), [this] {
        ExportImage(QStringLiteral("componenti-reali.png"), *waveformChart_);
    });
    exportCsv_ = NewExport(QStringLiteral("Esporta dati (CSV)…"), [this] {
        ExportCsv(QStringLiteral("Esporta dati (CSV)"), QStringLiteral("componenti-reali.csv"),
                  [this] { return RealPartsCsv(study_.analysis.waveform); });
    });
    exportNetlist_ =
        NewExport(kExportNetlistText, [this] { SaveNetlist(this, SaveFileName(), study_); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(Columns(leftColumn, NewPages(BuildFigures())), 1);
    layout->addLayout(ExportRow([this] { waveformChart_->chart()->zoomReset(); },
                                QStringLiteral("Torna al grafico intero")));
    ShowPartTexts();
}

RealPartsWindow::~RealPartsWindow() = default;

QWidget* RealPartsWindow::BuildPartsForm() {
    auto* box = new QGroupBox(QStringLiteral("Componenti"), this);
    auto* layout = new QVBoxLayout(box);
    auto* pages = new QTabWidget(box);
    pages->setObjectName(QStringLiteral("partPages"));
    layout->addWidget(pages);
    // The diode stage's parts, then the synchronous stage's, then the thermal rows.
    const auto parts = PartFields();
    static_assert(10 + 9 + 7 == QuantitiesOf(QuantityGroup::Parts).size());
    const struct {
        const char* title;
        std::size_t first, count;
    } tabs[] = {{"Parti", 0, 10}, {"Sincrono", 10, 9}, {"Termico", 19, 7}};
    for (const auto& tab : tabs) {
        auto* page = new QWidget(pages);
        auto* form = new QFormLayout(page);
        form->setLabelAlignment(Qt::AlignLeft);
        for (const PartField& field : parts.subspan(tab.first, tab.count)) {
            QString label = Text(FieldLabel(*field.row));
            if (!field.row->unit.empty())
                label += QStringLiteral(" [") + Text(field.row->unit) + "]";
            QWidget* input = field.row->word ? static_cast<QWidget*>(NewPartChoice(field, page))
                                             : NewPartEdit(field, page);
            form->addRow(label, input);
        }
        pages->addTab(page, QString::fromUtf8(tab.title));
    }
    recompute_ = new QPushButton(QStringLiteral("Ricalcola"), box);
    recompute_->setToolTip(
        QStringLiteral("Ricalcola con i campi della verifica e questi valori "
                       "(anche Invio in un campo)"));
    connect(recompute_, &QPushButton::clicked, this, &RealPartsWindow::Recompute);
    layout->addWidget(recompute_, 0, Qt::AlignLeft);
    return box;
}

QLineEdit* RealPartsWindow::NewPartEdit(const PartField& field, QWidget* page) {
    auto* edit = new QLineEdit(page);
    edit->setToolTip(Text(field.row->caption));
    edit->setObjectName(Text(field.row->key));
    edit->setAlignment(Qt::AlignRight);
    edit->setFixedWidth(90);
    // The store follows every change, so that it holds what is typed
    // whether or not it was recomputed.
    connect(edit, &QLineEdit::textChanged, this, [this, text = field.text](const QString& typed) {
        store_.*text = typed.toStdString();
        emit TextsEdited();
        NoteChangedInputs();
    });
    connect(edit, &QLineEdit::returnPressed, this, &RealPartsWindow::Recompute);
    partFields_.push_back(edit);
    return edit;
}

QComboBox* RealPartsWindow::NewPartChoice(const PartField& field, QWidget* page) {
    auto* choice = new QComboBox(page);
    choice->setToolTip(Text(field.row->caption));
    choice->setObjectName(Text(field.row->key));
    // The store holds the word the command and the design file use.
    if (field.text == &PartTexts::rectifier) {
        for (const Rectifier rectifier : {Rectifier::Diode, Rectifier::Synchronous})
            choice->addItem(Text(RectifierShown(rectifier)), Text(RectifierWord(rectifier)));
    } else {
        for (const LowSideMode mode : {LowSideMode::ForcedContinuous, LowSideMode::DiodeEmulation})
            choice->addItem(Text(LowSideShown(mode)), Text(LowSideWord(mode)));
    }
    connect(choice, &QComboBox::activated, this, [this, choice, text = field.text] {
        store_.*text = choice->currentData().toString().toStdString();
        emit TextsEdited();
        Recompute();
    });
    partChoices_.push_back({choice, field.text});
    return choice;
}

QWidget* RealPartsWindow::BuildFigures() {
    auto* page = new QWidget(this);
    waveformChart_ = new QChartView(page);
    MakeZoomable(*waveformChart_, false);
    lossChart_ = new QChartView(page);
    lossChart_->setRenderHint(QPainter::Antialiasing);
    lossChart_->setMinimumWidth(300);

    auto* efficiencyBox = new QVBoxLayout;
    efficiencyBox->addStretch(1);
    efficiencyBox->addWidget(new QLabel(QStringLiteral("Rendimento"), page), 0, Qt::AlignHCenter);
    efficiency_ = new QLabel(page);
    QFont large = efficiency_->font();
    large.setPointSizeF(large.pointSizeF() * 2.2);
    large.setBold(true);
    efficiency_->setFont(large);
    efficiencyBox->addWidget(efficiency_, 0, Qt::AlignHCenter);
    efficiencyBox->addStretch(1);

    stressTable_ = new QTableWidget(0, 4, page);
    stressTable_->setHorizontalHeaderLabels({QStringLiteral("Sollecitazione"),
                                             QStringLiteral("Unità"), QStringLiteral("Simulato"),
                                             QStringLiteral("Formula")});
    stressTable_->horizontalHeaderItem(3)->setToolTip(
        QStringLiteral("Il valore dei libri di testo in conduzione continua, dove esiste"));
    stressTable_->verticalHeader()->hide();
    stressTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    stressTable_->setSelectionMode(QAbstractItemView::NoSelection);
    stressTable_->setFocusPolicy(Qt::NoFocus);
    stressTable_->setWordWrap(false);
    stressTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    stressTable_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    stressTable_->verticalHeader()->setDefaultSectionSize(stressTable_->fontMetrics().height() + 6);
    stressTable_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    stressTable_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    stressTable_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lossChart_, 1);
    bottom->addLayout(efficiencyBox);
    bottom->addWidget(stressTable_);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(waveformChart_, 1);
    layout->addLayout(bottom);
    return page;
}

void RealPartsWindow::ShowPartTexts() {
    std::size_t edit = 0;
    for (const PartField& field : PartFields())
        if (!field.row->word)
            partFields_[edit++]->setText(QString::fromStdString(store_.*field.text));
    // A word the choice does not know (from a file) shows as no choice, and
    // the recompute refuses it in words.
    for (const auto& [choice, text] : partChoices_)
        choice->setCurrentIndex(choice->findData(QString::fromStdString(store_.*text)));
    NoteChangedInputs();
}

void RealPartsWindow::NoteChangedInputs() {
    changedNote_->setVisible(store_ != studiedParts_ ||
                             StudiedTexts(TextsOf(fields_)) != studiedTexts_);
}

QLineEdit* RealPartsWindow::PartEdit(std::string_view key) const {
    for (QLineEdit* field : partFields_)
        if (field->objectName() == Text(key)) return field;
    return nullptr;
}

QComboBox* RealPartsWindow::PartChoice(std::string_view key) const {
    for (const auto& entry : partChoices_)
        if (entry.first->objectName() == Text(key)) return entry.first;
    return nullptr;
}

void RealPartsWindow::Recompute() {
    const InputTexts texts = TextsOf(fields_);
    study_ = StudyShownTexts(module_, texts, store_);
    studiedTexts_ = StudiedTexts(texts);
    studiedParts_ = store_;
    changedNote_->hide();
    ShowFigures();
    if (!study_.refusal.empty()) ShowMessage(study_.refusal);
}

void RealPartsWindow::ShowFigures() {
    const std::string why = NoFiguresExplanation(study_);
    const bool figures = why.empty();
    saveImage_->setEnabled(figures);
    exportCsv_->setEnabled(figures);
    exportNetlist_->setEnabled(figures);
    summaryBox_->setVisible(figures);
    if (!figures) {
        ShowExplanation(Text(why));
        return;
    }
    ShowFiguresPage();
    ShowWaveforms();
    ShowLosses();
    ShowStresses();
    ShowSummary();
}

void RealPartsWindow::ShowWaveforms() {
    const Waveform& wave = study_.analysis.waveform;
    QChart* chart = NewChart(locale_);
    chart->legend()->setAlignment(Qt::AlignTop);
    QValueAxis* time = NewAxis(*chart, QStringLiteral("t [µs]"), Qt::AlignBottom);
    QValueAxis* current = NewAxis(*chart, QStringLiteral("corrente [A]"), Qt::AlignLeft);
    QValueAxis* ripple = NewAxis(*chart, QStringLiteral("Vo − Vo media [mV]"), Qt::AlignRight);

    const bool synchronous = study_.analysis.rectifier == Rectifier::Synchronous;
    const struct {
        const std::vector<double>& values;
        QString name;
        QPen pen;
        QValueAxis* axis;
        double scale, offset;
    } traces[] = {
        // iL is isw while the switch conducts and id while the diode does: a
        // wide pale band under the two.
        {wave.iL, QStringLiteral("iL"), QPen(QColor(230, 0, 0, 90), 7), current, 1, 0},
        {wave.isw,
         synchronous ? QStringLiteral("isw (interruttore alto)")
                     : QStringLiteral("isw (interruttore)"),
         QPen(QColor(200, 110, 0), 1.5), current, 1, 0},
        {wave.id,
         synchronous ? QStringLiteral("id (interruttore basso)") : QStringLiteral("id (diodo)"),
         QPen(QColor(0, 140, 140), 1.5), current, 1, 0},
        {wave.Vo, QStringLiteral("Vo − Vo media"), QPen(QColor(0, 0, 220), 1.5), ripple, 1000,
         study_.analysis.VoMean},
    };
    std::array<double, 4> low{}, high{};
    for (std::size_t t = 0; t < std::size(traces); ++t) {
        const auto& trace = traces[t];
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(wave.time.size()));
        for (std::size_t k = 0; k < wave.time.size(); ++k) {
            const double value = (trace.values[k] - trace.offset) * trace.scale;
            points.append(QPointF(wave.time[k] * 1e6, value));
            low[t] = std::min(low[t], value);
            high[t] = std::max(high[t], value);
        }
        auto* series = new QLineSeries(chart);
        series->setName(trace.name);
        series->setPen(trace.pen);
        series->append(points);
        chart->addSeries(series);
        series->attachAxis(time);
        series->attachAxis(trace.axis);
    }
    time->setRange(0, wave.time.empty() ? 1 : wave.time.back() * 1e6);
    KeepRoundTicks(*time, 10);
    AlignAxes(*current, std::min({low[0], low[1], low[2]}), std::max({high[0], high[1], high[2]}),
              *ripple, low[3], high[3]);
    ripple->setGridLineVisible(false);
    Replace(*waveformChart_, chart);
}

void RealPartsWindow::ShowLosses() {
    QChart* chart = NewChart(locale_);
    chart->legend()->hide();
    chart->setTitle(QStringLiteral("Perdite, in totale %1 W")
                        .arg(QString::fromStdString(
                            FormatScientific(study_.analysis.losses.total, 2, separator_))));
    auto* set = new QBarSet(QStringLiteral("Perdite"));
    set->setColor(QColor(200, 90, 40));
    QStringList names;
    double largest = 0;
    // Horizontal bars stack their categories upwards: the first loss on top.
    const auto losses = LossBreakdown(study_.analysis.losses, study_.analysis.rectifier);
    for (auto loss = losses.rbegin(); loss != losses.rend(); ++loss) {
        set->append(loss->watts);
        names.append(Text(loss->name));
        largest = std::max(largest, loss->watts);
    }
    connect(set, &QBarSet::hovered, this, [this, names, set](bool over, int index) {
        if (!over) return QToolTip::hideText();
        QToolTip::showText(
            QCursor::pos(),
            names[index] + QStringLiteral(": ") +
                QString::fromStdString(FormatScientific(set->at(index), 2, separator_)) +
                QStringLiteral(" W"),
            lossChart_);
    });
    auto* series = new QHorizontalBarSeries(chart);
    series->append(set);
    series->setBarWidth(0.7);
    chart->addSeries(series);
    auto* categories = new QBarCategoryAxis(chart);
    categories->append(names);
    chart->addAxis(categories, Qt::AlignLeft);
    series->attachAxis(categories);
    QValueAxis* watts = NewAxis(*chart, QStringLiteral("P [W]"), Qt::AlignBottom);
    series->attachAxis(watts);
    watts->setRange(0, largest > 0 ? RoundStep(largest * 1.05, 1) : 1);
    KeepRoundTicks(*watts, 5);
    Replace(*lossChart_, chart);
    efficiency_->setText(
        QString::fromStdString(EfficiencyText(study_.analysis.powers, separator_)));
}

void RealPartsWindow::ShowStresses() {
    const std::vector<StressRow> rows = StressTable(study_.analysis, separator_);
    stressTable_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < stressTable_->rowCount(); ++r) {
        const StressRow& row = rows[static_cast<std::size_t>(r)];
        const std::string* const cells[] = {&row.quantity, &row.unit, &row.simulated, &row.formula};
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(*cells[c]));
            item->setTextAlignment(c < 2 ? Qt::AlignLeft | Qt::AlignVCenter
                                         : Qt::AlignRight | Qt::AlignVCenter);
            stressTable_->setItem(r, c, item);
        }
    }
    // Every row in sight: the table never scrolls.
    int height =
        stressTable_->horizontalHeader()->sizeHint().height() + 2 * stressTable_->frameWidth();
    for (int r = 0; r < stressTable_->rowCount(); ++r) height += stressTable_->rowHeight(r);
    stressTable_->setFixedHeight(height);
    // Every column whole: the chart beside it gives way instead.
    int width = 2 * stressTable_->frameWidth();
    for (int c = 0; c < stressTable_->columnCount(); ++c)
        width += stressTable_->horizontalHeader()->sectionSize(c);
    stressTable_->setFixedWidth(width);
}

void RealPartsWindow::ShowSummary() {
    delete summary_;
    summary_ = new QWidget(summaryBox_);
    auto* form = new QFormLayout(summary_);
    form->setContentsMargins(0, 0, 0, 0);
    form->setLabelAlignment(Qt::AlignLeft);
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    for (const ReportLine& line : RealPartsSummary(study_, separator_)) {
        auto* value = new QLabel(QString::fromStdString(line.value), summary_);
        value->setObjectName(QString::fromStdString(line.caption));
        value->setWordWrap(true);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        if (line.caption == kThermalVerdictCaption && study_.thermal &&
            ThermalOverLimit(*study_.thermal))
            value->setStyleSheet(QStringLiteral("color: red; font-weight: bold"));
        form->addRow(QString::fromStdString(line.caption + ":"), value);
    }
    static_cast<QVBoxLayout*>(summaryBox_->layout())->insertWidget(0, summary_);
    summary_->show();
    useDuty_->setEnabled(study_.targetVo.has_value() &&
                         study_.duty.outcome == RealPartsOutcome::Found);
}

QLabel* RealPartsWindow::SummaryValue(const QString& caption) const {
    return summaryBox_->isHidden()
               ? nullptr
               : summary_->findChild<QLabel*>(caption, Qt::FindDirectChildrenOnly);
}

void RealPartsWindow::UseDuty() {
    ApplyDutyCycle(module_, fields_, study_.duty.D);
    // The window works on the verification fields, which now hold D'.
    Recompute();
}

}  // namespace stepdown

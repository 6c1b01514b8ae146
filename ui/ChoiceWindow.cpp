#include "ui/ChoiceWindow.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

#include "componentchoice/ChoiceReport.h"
#include "ui/ChartAxes.h"
#include "ui/QtText.h"
#include "ui/SweepCharts.h"

namespace stepdown {

namespace {

using Choice = std::string ChoiceTexts::*;

// The number fields in the rows of the form: a caption and the texts of its
// one or two fields.
struct FormRow {
    const char* caption;
    Choice first, second;
};
constexpr FormRow kFormRows[] = {
    {"Tolleranza di L e di C [%]", &ChoiceTexts::tolL, &ChoiceTexts::tolC},
    {"Vi minima e massima [V]", &ChoiceTexts::viMin, &ChoiceTexts::viMax},
    {"Io minima e massima [A]", &ChoiceTexts::ioMin, &ChoiceTexts::ioMax},
    {"Io dei grafici, da e fino a [A]", &ChoiceTexts::ioFrom, &ChoiceTexts::ioTo},
    {"Punti per curva dei grafici", &ChoiceTexts::points, nullptr},
};

const ChoiceField* FieldNamed(std::string_view key) {
    for (const ChoiceField& field : ChoiceFields())
        if (field.row->key == key) return &field;
    return nullptr;
}

// The field that holds `text`.
const ChoiceField* FieldOf(Choice text) {
    for (const ChoiceField& field : ChoiceFields())
        if (field.text == text) return &field;
    return nullptr;
}

// "la tolleranza di L in %" -> "La tolleranza di L in %".
QString Capitalised(std::string_view words) {
    QString text = Text(words);
    text[0] = text[0].toUpper();
    return text;
}

QTableWidget* NewTable(int columns, QWidget* parent) {
    auto* table = new QTableWidget(0, columns, parent);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->setWordWrap(false);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return table;
}

QTableWidgetItem* NewItem(const std::string& text, bool number) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setTextAlignment(number ? Qt::AlignRight | Qt::AlignVCenter
                                  : Qt::AlignLeft | Qt::AlignVCenter);
    return item;
}

void Emphasise(QTableWidgetItem& item, const QColor& colour) {
    QFont font = item.font();
    font.setBold(true);
    item.setFont(font);
    item.setForeground(colour);
}

// The height that shows the header and every row.
int WholeHeight(const QTableWidget& table) {
    int height = table.horizontalHeader()->sizeHint().height() + 2 * table.frameWidth();
    for (int r = 0; r < table.rowCount(); ++r) height += table.rowHeight(r);
    return height;
}

// The width that shows every column whole.
int WholeWidth(const QTableWidget& table) {
    int width = 2 * table.frameWidth();
    for (int c = 0; c < table.columnCount(); ++c) width += table.horizontalHeader()->sectionSize(c);
    return width;
}

}  // namespace

ChoiceWindow::ChoiceWindow(Module1& module, MainWindowOperations& fields, SideWindowTexts& store,
                           const QLocale& locale, QWidget* parent)
    : ChartWindowFrame(kTitle, 1280, locale, parent),
      module_(module),
      fields_(fields),
      store_(store) {
    design_ = new QLabel(this);
    design_->setWordWrap(true);
    design_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* left = new QVBoxLayout;
    left->addWidget(BuildChoicesForm());
    checkBox_ = new QGroupBox(QStringLiteral("Valori standard al punto di lavoro nominale"), this);
    auto* checkLayout = new QVBoxLayout(checkBox_);
    checkTable_ = NewTable(6, checkBox_);
    checkTable_->setHorizontalHeaderLabels(
        {QStringLiteral("Grandezza"), QStringLiteral("Unità"), QStringLiteral("Calcolati"),
         QStringLiteral("Standard"), QStringLiteral("Requisito"), QStringLiteral("Rispettato")});
    checkTable_->horizontalHeaderItem(2)->setToolTip(
        QStringLiteral("L e C calcolate dal progetto, e il convertitore reale con esse"));
    checkTable_->horizontalHeaderItem(3)->setToolTip(
        QStringLiteral("I valori standard scelti, e il convertitore reale con essi"));
    checkTable_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    checkLayout->addWidget(checkTable_);
    useValues_ = new QPushButton(QStringLiteral("Usa questi valori"), checkBox_);
    useValues_->setToolTip(QStringLiteral("Scrive L e C standard nei campi L e C della verifica"));
    connect(useValues_, &QPushButton::clicked, this, &ChoiceWindow::UseValues);
    checkLayout->addWidget(useValues_, 0, Qt::AlignLeft);
    left->addWidget(checkBox_);
    left->addStretch(1);
    auto* leftColumn = new QWidget(this);
    leftColumn->setLayout(left);

    saveImage_ = NewExport(QStringLiteral("Salva grafici come immagine…"), [this] {
        ExportImage(QStringLiteral("scelta-componenti.png"), *chartArea_, true);
    });
    exportCorners_ = NewExport(QStringLiteral("Esporta casi peggiori (CSV)…"), [this] {
        ExportCsv(QStringLiteral("Esporta casi peggiori (CSV)"),
                  QStringLiteral("casi-peggiori.csv"),
                  [this] { return CornersCsv(study_.corners, study_.design); });
    });
    exportSweep_ = NewExport(QStringLiteral("Esporta grafici (CSV)…"), [this] {
        ExportCsv(QStringLiteral("Esporta grafici (CSV)"), QStringLiteral("andamento-carico.csv"),
                  [this] { return SweepCsv(study_.sweep); });
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(design_);
    // The results scroll too: the wrapped verdict may ask more height than the layout counts.
    layout->addLayout(Columns(leftColumn, NewPages(Scrolling(BuildResults()))), 1);
    layout->addLayout(ExportRow(
        [this] {
            for (QChartView* view : charts_) view->chart()->zoomReset();
        },
        QStringLiteral("Torna ai grafici interi")));
    ShowChoiceTexts();
}

ChoiceWindow::~ChoiceWindow() = default;

QWidget* ChoiceWindow::BuildChoicesForm() {
    auto* box = new QGroupBox(QStringLiteral("Scelte"), this);
    auto* grid = new QGridLayout(box);
    series_ = new QComboBox(box);
    for (const Series series : {Series::E6, Series::E12, Series::E24}) {
        const QString name = Text(SeriesName(series));
        series_->addItem(name, name);
    }
    series_->setToolTip(QStringLiteral("La serie dei valori standard in commercio"));
    rounding_ = new QComboBox(box);
    for (const Rounding rounding : {Rounding::Up, Rounding::Nearest, Rounding::Meets})
        rounding_->addItem(Text(RoundingShown(rounding)), Text(RoundingName(rounding)));
    rounding_->setToolTip(QStringLiteral(
        "Per eccesso: il più piccolo valore standard non minore di quello calcolato; il minimo "
        "che rispetta i requisiti: le più piccole L e C standard con ΔiL e ΔVo entro i requisiti"));
    const struct {
        QComboBox* box;
        std::string ChoiceTexts::*text;
        const char* caption;
    } combos[] = {{series_, &ChoiceTexts::series, "Serie"},
                  {rounding_, &ChoiceTexts::round, "Arrotondamento"}};
    for (const auto& combo : combos) {
        connect(combo.box, &QComboBox::currentIndexChanged, this,
                [this, box = combo.box, text = combo.text] {
                    if (showingTexts_ || box->currentIndex() < 0) return;
                    store_.choice.*text = box->currentData().toString().toStdString();
                    emit TextsEdited();
                    Update();
                });
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(QString::fromUtf8(combo.caption), box), row, 0);
        grid->addWidget(combo.box, row, 1, 1, 2);
    }
    for (const FormRow& formRow : kFormRows) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(QString::fromUtf8(formRow.caption), box), row, 0);
        int column = 1;
        for (const Choice text : {formRow.first, formRow.second}) {
            const ChoiceField* field = text ? FieldOf(text) : nullptr;
            if (field == nullptr) continue;
            auto* edit = new QLineEdit(box);
            edit->setObjectName(Text(field->row->key));
            edit->setToolTip(Capitalised(field->row->subject));
            edit->setAlignment(Qt::AlignRight);
            edit->setFixedWidth(80);
            // The store follows every change, so that it holds what is typed
            // whether or not it was used.
            connect(edit, &QLineEdit::textChanged, this,
                    [this, text = field->text](const QString& typed) {
                        store_.choice.*text = typed.toStdString();
                        emit TextsEdited();
                    });
            connect(edit, &QLineEdit::returnPressed, this, &ChoiceWindow::Update);
            grid->addWidget(edit, row, column++);
            choiceFields_.push_back(edit);
        }
    }
    update_ = new QPushButton(QStringLiteral("Aggiorna"), box);
    update_->setToolTip(QStringLiteral("Ricalcola con queste scelte (anche Invio in un campo)"));
    connect(update_, &QPushButton::clicked, this, &ChoiceWindow::Update);
    grid->addWidget(update_, grid->rowCount(), 0, 1, 1, Qt::AlignLeft);
    auto* note = new QLabel(
        QStringLiteral("Un campo di Vi o Io vuoto vale il valore del progetto; i grafici vanno "
                       "per difetto dal 10 % al 150 % di Io."),
        box);
    note->setWordWrap(true);
    grid->addWidget(note, grid->rowCount(), 0, 1, 3);
    return box;
}

QWidget* ChoiceWindow::BuildResults() {
    auto* page = new QWidget(this);
    auto* cornersBox =
        new QGroupBox(QStringLiteral("Casi peggiori intorno ai valori standard"), page);
    auto* cornersLayout = new QVBoxLayout(cornersBox);
    cornerTable_ = NewTable(static_cast<int>(kCornerColumns.size()), cornersBox);
    QStringList headers;
    for (const std::string_view column : kCornerColumns) headers.append(Text(column));
    cornerTable_->setHorizontalHeaderLabels(headers);
    cornerTable_->setToolTip(
        QStringLiteral("Ogni combinazione di Vi, Io, L e C agli estremi, ciascuna al suo D′; "
                       "in grassetto rosso il valore peggiore di ogni grandezza"));
    // As tall as its rows while the charts keep their least height.
    cornerTable_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    cornersLayout->addWidget(cornerTable_);
    verdict_ = new QLabel(cornersBox);
    verdict_->setWordWrap(true);
    cornersLayout->addWidget(verdict_);

    chartArea_ = new QWidget(page);
    auto* chartColumn = new QVBoxLayout(chartArea_);
    chartColumn->setContentsMargins(0, 0, 0, 0);
    auto* chartRow = new QHBoxLayout;
    chartColumn->addLayout(chartRow, 1);
    auto* legend = new QLabel(
        QStringLiteral("Una curva per tensione di ingresso Vi, ogni punto al suo D′; in grigio i "
                       "carichi a cui almeno una Vi lavora in conduzione discontinua (DCM), "
                       "tratteggiato il requisito ΔVo."),
        chartArea_);
    legend->setWordWrap(true);
    chartColumn->addWidget(legend);
    for (QChartView*& view : charts_) {
        view = new QChartView(chartArea_);
        MakeZoomable(*view, true);
        view->setMinimumSize(240, 280);
        chartRow->addWidget(view, 1);
    }

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(cornersBox);
    layout->addWidget(chartArea_, 1);
    return page;
}

void ChoiceWindow::ShowChoiceTexts() {
    showingTexts_ = true;
    series_->setCurrentIndex(series_->findData(Text(store_.choice.series)));
    rounding_->setCurrentIndex(rounding_->findData(Text(store_.choice.round)));
    for (QLineEdit* edit : choiceFields_)
        edit->setText(QString::fromStdString(store_.choice.*
                                             FieldNamed(edit->objectName().toStdString())->text));
    showingTexts_ = false;
}

QLineEdit* ChoiceWindow::ChoiceEdit(std::string_view key) const {
    for (QLineEdit* edit : choiceFields_)
        if (edit->objectName() == Text(key)) return edit;
    return nullptr;
}

void ChoiceWindow::Update() {
    if (!module_.LastDesign) {
        study_ = {};
        study_.refusal =
            "Nessun progetto da cui partire: calcola prima L e C con «Calcola L , C , IDP, IDm , "
            "Iim» nella finestra principale.";
        ShowResults();
        return;
    }
    study_ = StudyChoice(*module_.LastDesign, store_.parts, store_.choice);
    ShowResults();
    if (study_.Computed()) return;
    ShowMessage(study_.refusal);
    if (study_.refusedChoice == nullptr) return;
    if (QLineEdit* edit = ChoiceEdit(study_.refusedChoice->row->key)) {
        edit->setFocus();
        edit->selectAll();
    }
}

void ChoiceWindow::ShowResults() {
    const bool figures = study_.Computed();
    for (QAction* action : {saveImage_, exportCorners_, exportSweep_}) action->setEnabled(figures);
    checkBox_->setVisible(figures);
    ShowDesign();
    if (!figures) {
        ShowExplanation(Text(study_.refusal));
        return;
    }
    ShowFiguresPage();
    ShowCheck();
    ShowCorners();
    ShowSweep();
}

void ChoiceWindow::ShowDesign() {
    const DesignTargets& d = study_.design;
    // A label: the locale's decimal separator, as the windows' other figures
    // have it; no thousands separator.
    const QString separator = QString::fromStdString(separator_);
    const auto number = [&separator](double value) {
        return QString::number(value, 'g', 4).replace(QLatin1Char('.'), separator);
    };
    design_->setText(
        module_.LastDesign
            ? QStringLiteral("Progetto: Vi = %1 V, Vo = %2 V, f = %3 kHz, Io = %4 A; requisiti "
                             "ΔiL ≤ %5 A e ΔVo ≤ %6 mV; calcolate L = %7 uH e C = %8 uF.")
                  .arg(number(d.Vi), number(d.Vo), number(d.f / 1000), number(d.Io),
                       number(d.DeltaiL), number(d.DeltaVo * 1000), number(study_.L),
                       number(study_.C))
            : QString());
    // Empty range fields stand for these values.
    const struct {
        Choice text;
        double value;
    } placeholders[] = {{&ChoiceTexts::viMin, d.Vi},       {&ChoiceTexts::viMax, d.Vi},
                        {&ChoiceTexts::ioMin, d.Io},       {&ChoiceTexts::ioMax, d.Io},
                        {&ChoiceTexts::ioFrom, d.Io / 10}, {&ChoiceTexts::ioTo, d.Io * 1.5}};
    for (const auto& p : placeholders)
        ChoiceEdit(FieldOf(p.text)->row->key)
            ->setPlaceholderText(module_.LastDesign ? QString::number(p.value, 'g', 6) : QString());
}

void ChoiceWindow::ShowCheck() {
    const std::vector<CheckRow> rows = CheckTable(study_, separator_);
    checkTable_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < checkTable_->rowCount(); ++r) {
        const CheckRow& row = rows[static_cast<std::size_t>(r)];
        const std::string* const cells[] = {&row.quantity, &row.unit,        &row.computed,
                                            &row.standard, &row.requirement, &row.met};
        for (int c = 0; c < 6; ++c) checkTable_->setItem(r, c, NewItem(*cells[c], c >= 2));
        if (!row.met.empty())
            Emphasise(*checkTable_->item(r, 5),
                      row.met == "no" ? QColor(190, 0, 0) : QColor(0, 130, 0));
    }
    checkTable_->setFixedSize(WholeWidth(*checkTable_), WholeHeight(*checkTable_));
}

void ChoiceWindow::ShowCorners() {
    const std::vector<CornerRow> rows = CornerTable(study_.corners, separator_);
    cornerTable_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < cornerTable_->rowCount(); ++r) {
        const CornerRow& row = rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < cornerTable_->columnCount(); ++c)
            cornerTable_->setItem(r, c, NewItem(row[static_cast<std::size_t>(c)], c != 5));
    }
    for (std::size_t k = 0; k < kCornerFigureColumns.size(); ++k) {
        const WorstValue& worst = study_.corners.worst[k];
        if (worst.corner >= 0 && worst.deviates)
            Emphasise(*cornerTable_->item(worst.corner, kCornerFigureColumns[k]),
                      QColor(190, 0, 0));
    }
    verdict_->setText(
        QString::fromStdString(CornerVerdict(study_.corners, study_.design, separator_)));
    QPalette palette = verdict_->palette();
    palette.setColor(QPalette::WindowText,
                     study_.corners.meetsAll ? QColor(0, 130, 0) : QColor(190, 0, 0));
    verdict_->setPalette(palette);
}

void ChoiceWindow::ShowSweep() { DrawSweepCharts(study_, locale_, charts_); }

void ChoiceWindow::UseValues() {
    ApplyStandardValues(module_, fields_, study_.choice.L, study_.choice.C);
}

}  // namespace stepdown

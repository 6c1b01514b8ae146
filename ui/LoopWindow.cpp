#include "ui/LoopWindow.h"

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>

#include "control/CompensatorDesign.h"
#include "control/LoopAssembly.h"
#include "control/LoopCsv.h"
#include "control/LoopFigures.h"
#include "control/LoopStudy.h"
#include "model/MainWindowBoxes.h"
#include "netlist/SpiceNetlist.h"
#include "realparts/RealPartsStudy.h"
#include "ui/ApplicationTitle.h"
#include "ui/ChartAxes.h"
#include "ui/NetlistExport.h"
#include "ui/ProgressDialogReporter.h"
#include "ui/QtText.h"

namespace stepdown {

namespace {

// Frequencies of the switched loop gain: each one is a run to steady state.
constexpr int kSwitchedPoints = 40;

QString Caption(const Quantity& row) {
    return row.unit.empty()
               ? Text(row.caption)
               : Text(row.caption) + QStringLiteral(" [") + Text(row.unit) + QStringLiteral("]");
}

// The fields take only '.' as the decimal point; four digits hold an E96 value.
QString FieldText(double value) { return QString::number(value, 'g', 4); }

}  // namespace

LoopWindow::LoopWindow(const Module1& module, const MainWindowOperations& fields,
                       const PartTexts& parts, ControlTexts& store, const QLocale& locale,
                       QWidget* parent)
    : ChartWindowFrame(kTitle, 1280, locale, parent, true),
      module_(module),
      fields_(fields),
      parts_(parts),
      store_(store) {
    // A grouped thousand beside a decimal comma would read as a decimal.
    locale_.setNumberOptions(QLocale::OmitGroupSeparator);

    auto* page = new QWidget(this);
    bodeChart_ = new QChartView(page);
    bodeChart_->setRenderHint(QPainter::Antialiasing);
    stepChart_ = new QChartView(page);
    stepChart_->setRenderHint(QPainter::Antialiasing);
    stepChart_->hide();
    figures_ = new QLabel(page);
    figures_->setWordWrap(true);
    figures_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    figures_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Off the tab's border, wrapped, and scrolled when longer than the chart beside it.
    figures_->setContentsMargins(0, 0, 6, 0);
    auto* summary = new QScrollArea(page);
    summary->setFrameShape(QFrame::NoFrame);
    summary->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    summary->setWidgetResizable(true);
    summary->setWidget(figures_);
    summary->setFixedWidth(420);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(stepChart_, 1);
    bottom->addWidget(summary);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(bodeChart_, 3);
    pageLayout->addLayout(bottom, 2);
    tabs_ = new QTabWidget(this);
    tabs_->addTab(page, QStringLiteral("Grafici"));
    tabs_->addTab(BuildExplanation(), QStringLiteral("Spiegazione"));

    saveImage_ = NewExport(QStringLiteral("Salva grafico come immagine…"), [this] {
        guard_.Run([this] { ExportImage(QStringLiteral("anello.png"), *tabs_->currentWidget()); });
    });
    exportCsv_ = NewExport(QStringLiteral("Esporta Bode (CSV)…"), [this] {
        guard_.Run([this] {
            ExportCsv(QStringLiteral("Esporta Bode (CSV)"), QStringLiteral("anello-bode.csv"),
                      [this] { return BodeCsv(); });
        });
    });
    exportNetlist_ = NewExport(kExportNetlistText, [this] {
        guard_.Run([this] {
            // Without a step response asked, the steady state's periods.
            const TransientRequest periods{0,  {}, {},
                                           {}, {}, kDefaultNetlistPeriods / loop_.circuit.f};
            SaveClosedLoopNetlist(this, SaveFileName(), loop_, request_.value_or(periods));
        });
    });
    // Nothing to export before the first analysis.
    for (QAction* action : {saveImage_, exportCsv_, exportNetlist_}) action->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(Columns(BuildFields(), tabs_), 1);
    layout->addLayout(ExportRow());
    ShowFigures();
}

LoopWindow::~LoopWindow() = default;

QWidget* LoopWindow::BuildFields() {
    auto* box = new QGroupBox(QStringLiteral("Controllore"), this);
    auto* form = new QFormLayout(box);
    form->setLabelAlignment(Qt::AlignLeft);
    for (const ControlField& field : ControlFields()) {
        const Quantity& row = *field.row;
        if (row.word) {
            // The store holds the word the command and the design file use.
            control_ = new QComboBox(box);
            control_->setObjectName(Text(row.key));
            control_->setToolTip(Text(row.caption));
            control_->addItem(QStringLiteral("di tensione"),
                              Text(ControlWord(ControlMethod::Voltage)));
            control_->addItem(QStringLiteral("di corrente di picco"),
                              Text(ControlWord(ControlMethod::PeakCurrent)));
            connect(control_, &QComboBox::activated, this, [this, text = field.text] {
                store_.*text = control_->currentData().toString().toStdString();
                emit TextsEdited();
            });
            form->addRow(Caption(row), control_);
            continue;
        }
        auto* edit = new QLineEdit(QString::fromStdString(store_.*field.text), box);
        edit->setObjectName(Text(row.key));
        connect(edit, &QLineEdit::textChanged, this,
                [this, text = field.text](const QString& typed) {
                    store_.*text = typed.toStdString();
                    emit TextsEdited();
                });
        edit->setToolTip(Text(row.subject));
        edit->setAlignment(Qt::AlignRight);
        edit->setFixedWidth(90);
        connect(edit, &QLineEdit::returnPressed, this,
                [this] { guard_.Run([this] { Calculate(); }); });
        form->addRow(Caption(row), edit);
        edits_.push_back(edit);
    }
    const struct {
        QPushButton*& button;
        QString text, tip;
        void (LoopWindow::*run)();
    } commands[] = {
        {design_, QStringLiteral("Progetta"),
         QStringLiteral("Progetta il compensatore per fc e margine di fase (fc vuota: f/10)"),
         &LoopWindow::Design},
        {standard_, QStringLiteral("Valori standard"),
         QStringLiteral("Arrotonda le resistenze alla serie E96 e le capacità alla E12"),
         &LoopWindow::UseStandardValues},
        {calculate_, QStringLiteral("Calcola"),
         QStringLiteral("Analizza l'anello con i valori dei campi (anche Invio in un campo)"),
         &LoopWindow::Calculate},
        {switched_, QStringLiteral("T commutato"),
         QStringLiteral("Misura il guadagno d'anello sul convertitore commutato (lento)"),
         &LoopWindow::AddSwitched},
    };
    auto* row = new QHBoxLayout;
    for (const auto& command : commands) {
        command.button = new QPushButton(command.text, box);
        command.button->setToolTip(command.tip);
        connect(command.button, &QPushButton::clicked, this,
                [this, run = command.run] { guard_.Run([this, run] { (this->*run)(); }); });
        row->addWidget(command.button);
    }
    switched_->setEnabled(false);
    form->addRow(row);
    return box;
}

QLineEdit* LoopWindow::Field(std::string_view key) const {
    for (QLineEdit* edit : edits_)
        if (edit->objectName() == Text(key)) return edit;
    return nullptr;
}

void LoopWindow::ShowLoopTexts() {
    for (const ControlField& field : ControlFields()) {
        const QString text = QString::fromStdString(store_.*field.text);
        if (!field.row->word) {
            Field(field.row->key)->setText(text);
            continue;
        }
        // A word no choice holds stays in the store, to be refused by the reading.
        const int index = control_->findData(text);
        if (index >= 0) control_->setCurrentIndex(index);
    }
}

LoopSetup LoopWindow::Read(LoopAsk ask) const {
    ControlTexts texts;
    for (const ControlField& field : ControlFields())
        texts.*field.text = field.row->word ? store_.*field.text
                                            : Field(field.row->key)->text().trimmed().toStdString();
    return SetUpLoopOf(TextsOf(fields_), parts_, texts, ask);
}

void LoopWindow::WriteNetwork(const Compensator& c) {
    const bool three = c.type == 3;
    const auto write = [this](std::string ControlTexts::*text, const QString& shown) {
        for (const ControlField& field : ControlFields())
            if (field.text == text) Field(field.row->key)->setText(shown);
    };
    write(&ControlTexts::r2, FieldText(c.R2));
    write(&ControlTexts::r3, three ? FieldText(c.R3) : QString());
    const std::array<Figure, 3> capacitors = CapacitorFigures(c);
    std::string ControlTexts::*const fields[] = {&ControlTexts::c1, &ControlTexts::c2,
                                                 &ControlTexts::c3};
    for (std::size_t k = 0; k < capacitors.size(); ++k)
        write(fields[k], capacitors[k].value ? FieldText(*capacitors[k].Shown()) : QString());
}

void LoopWindow::Design() {
    // A network, whole or in part, in the fields is designed anew.
    const LoopSetup setup = Read({true, false});
    if (setup.refusal) return ShowMessage(setup.refusal->sentence);
    WriteNetwork(setup.loop.compensator);
    Calculate();
}

void LoopWindow::UseStandardValues() {
    const LoopSetup setup = Read();
    if (setup.refusal) return ShowMessage(setup.refusal->sentence);
    // Rb too: the divider on the E96 series regulates to its own Vo.
    const Compensator rounded = RoundedCompensator(setup.loop.compensator);
    WriteNetwork(rounded);
    for (const ControlField& field : ControlFields())
        if (field.text == &ControlTexts::rb) Field(field.row->key)->setText(FieldText(rounded.Rb));
    Calculate();
}

void LoopWindow::Calculate() {
    const LoopSetup setup = Read();
    if (setup.refusal) return ShowMessage(setup.refusal->sentence);
    // What is analysed is in the fields.
    if (setup.designedFor) WriteNetwork(setup.loop.compensator);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The multipliers of peak-current mode may take a second: Annulla
    // leaves the window as it was.
    std::optional<LoopAnalysis> analysis;
    {
        ProgressDialogReporter progress(this);
        analysis = AnalyseLoopFor(setup.loop, setup.designedFor, &progress);
        if (progress.Cancelled()) {
            QApplication::restoreOverrideCursor();
            return;
        }
    }
    loop_ = setup.loop;
    askedVo_ = setup.askedVo;
    request_ = setup.request;
    analysis_ = std::move(analysis);
    transient_.reset();
    switchedBode_.reset();
    if (analysis_->valid && request_) {
        // A dialog with Annulla once the run is expected past half a second.
        ProgressDialogReporter progress(this);
        RegulatedRun run = RunRegulated(loop_, *request_, &progress);
        if (!run.cancelled) transient_ = std::move(run.result);
    }
    QApplication::restoreOverrideCursor();
    ShowAll();
    if (!analysis_->valid) return ShowMessage(analysis_->refusal);
    if (transient_ && !transient_->refusal.empty()) ShowMessage(transient_->refusal);
}

void LoopWindow::AddSwitched() {
    if (!analysis_ || !analysis_->valid) return;
    QProgressDialog progress(QStringLiteral("Guadagno d'anello del convertitore commutato…"),
                             QStringLiteral("Annulla"), 0, kSwitchedPoints, this);
    progress.setWindowTitle(QString::fromUtf8(kApplicationTitle));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    SwitchedBode measured =
        SwitchedLoopGain(loop_, kSwitchedPoints, [&progress](int done, int total) {
            progress.setMaximum(total);
            progress.setValue(done);
            QApplication::processEvents();
            return !progress.wasCanceled();
        });
    progress.reset();
    if (measured.cancelled) return;
    if (!measured.refusal.empty()) return ShowMessage(measured.refusal);
    switchedBode_ = std::move(measured);
    Replace(*bodeChart_, NewBodeChart());
}

void LoopWindow::ShowAll() {
    const bool bode = analysis_ && analysis_->valid && !analysis_->f.empty();
    Replace(*bodeChart_, NewBodeChart());
    const bool step = transient_ && transient_->refusal.empty();
    if (step) Replace(*stepChart_, NewStepChart());
    stepChart_->setVisible(step);
    switched_->setEnabled(bode);
    for (QAction* action : {saveImage_, exportCsv_, exportNetlist_}) action->setEnabled(bode);
    ShowFigures();
}

std::string LoopWindow::BodeCsv() const {
    return stepdown::BodeCsv(analysis_ ? *analysis_ : LoopAnalysis{});
}

}  // namespace stepdown

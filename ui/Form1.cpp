#include "ui/Form1.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>

#include "design/DesignCalculation.h"
#include "model/MainWindowBoxes.h"
#include "model/Quantities.h"
#include "ui/ApplicationTitle.h"
#include "ui/NetlistExport.h"
#include "ui/ProgressDialogReporter.h"
#include "ui/QtText.h"
#include "ui_Form1.h"
#include "verification/Launch.h"

// The resources live in a static library, whose unreferenced registration
// would be dropped by the linker; the macro must be used outside namespaces.
static void InitialiseStepdownResources() { Q_INIT_RESOURCE(resources); }

namespace stepdown {
namespace {

// Designer files keep whole point sizes only; the window's faces are 8.25 and
// 9.75 pt, stored there as 8 and 10.
void RestoreFractionalPointSizes(QWidget& window) {
    QList<QWidget*> widgets = window.findChildren<QWidget*>();
    widgets.prepend(&window);
    for (QWidget* widget : widgets) {
        if (!widget->testAttribute(Qt::WA_SetFont)) continue;
        QFont font = widget->font();
        if (font.pointSizeF() == 8.0)
            font.setPointSizeF(8.25);
        else if (font.pointSizeF() == 10.0)
            font.setPointSizeF(9.75);
        else
            continue;
        widget->setFont(font);
    }
}

template <typename Control>
Control* FindControl(const QWidget& window, std::string_view name, const char* kind) {
    auto* control = window.findChild<Control*>(Text(name), Qt::FindDirectChildrenOnly);
    // A wrong name is a programming error that no user action can cause.
    if (control == nullptr)
        qFatal("Form1 has no %s named %.*s", kind, static_cast<int>(name.size()), name.data());
    return control;
}

}  // namespace

Form1::Form1(Module1& module, SideWindowTexts& sideTexts, const QLocale& locale, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::Form1>()),
      module_(module),
      sideTexts_(sideTexts),
      locale_(locale),
      // The waveform window may outlive this one.
      waveformWindow_(locale, [self = QPointer<Form1>(this)] {
          if (self) self->guard_.Run([&] { self->ShowRealPartsWindow(); });
      }) {
    InitialiseStepdownResources();
    ui_->setupUi(this);
    RestoreFractionalPointSizes(*this);
    // The boxes start at their rows' start texts, the table being their one source.
    for (const Quantity& row : kQuantities)
        if (!BoxOf(row).empty()) TextBox(BoxOf(row))->setText(Text(row.startText));
    connect(ui_->Command1, &QPushButton::clicked, this, &Form1::onCommand1Clicked);
    connect(ui_->Command2, &QPushButton::clicked, this, &Form1::onCommand2Clicked);
    connect(ui_->Command3, &QPushButton::clicked, this, &Form1::onCommand3Clicked);
    realPartsAction_ = new QAction(QStringLiteral("Componenti reali…"), this);
    connect(realPartsAction_, &QAction::triggered, this,
            [this] { guard_.Run([this] { ShowRealPartsWindow(); }); });
    choiceAction_ = new QAction(QStringLiteral("Scelta dei componenti…"), this);
    connect(choiceAction_, &QAction::triggered, this,
            [this] { guard_.Run([this] { ShowChoiceWindow(); }); });
    loopAction_ = new QAction(QStringLiteral("Anello di controllo…"), this);
    connect(loopAction_, &QAction::triggered, this,
            [this] { guard_.Run([this] { ShowLoopWindow(); }); });
    waveformWindow_.SetNetlistExporter(
        [self = QPointer<Form1>(this)](QWidget* over, const SaveFileNameProvider& name) {
            if (self)
                SaveNetlist(over, name,
                            StudyShownTexts(self->module_, TextsOf(*self), self->sideTexts_.parts));
        });
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &Form1::onContextMenuRequested);
    document_ = new DesignDocument(*this, *this, sideTexts_, waveformWindow_, locale_);
    AddMenuBar();
    connect(document_, &DesignDocument::SideTextsReplaced, this, [this] {
        if (realParts_) realParts_->ShowPartTexts();
        if (choice_) choice_->ShowChoiceTexts();
        if (loop_) loop_->ShowLoopTexts();
    });
    // Nothing has the caret at start: the picture box takes the focus.
    ui_->Picture1->setFocus();
}

Form1::~Form1() = default;

std::string Form1::GetText(std::string_view textBox) const {
    return TextBox(textBox)->text().toStdString();
}

void Form1::SetText(std::string_view textBox, const std::string& text) {
    TextBox(textBox)->setText(QString::fromStdString(text));
}

void Form1::SetTextColour(std::string_view textBox, Rgb colour) {
    QLineEdit* box = TextBox(textBox);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Text, QColor(colour.red, colour.green, colour.blue));
    box->setPalette(palette);
}

void Form1::SetCaption(std::string_view label, const std::string& caption) {
    Label(label)->setText(QString::fromStdString(caption));
}

std::string Form1::DecimalSeparator() const { return locale_.decimalPoint().toStdString(); }

void Form1::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kApplicationTitle),
                    QString::fromStdString(text), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void Form1::onCommand1Clicked() {
    guard_.Run([this] { DesignCalculation(module_, *this); });
}

void Form1::onCommand2Clicked() {
    // The reporter's clock starts here: a long run shows its progress.
    guard_.Run([this] {
        ProgressDialogReporter progress(this);
        LaunchVerification(module_, *this, waveformWindow_, progress);
    });
}

void Form1::onCommand3Clicked() {
    guard_.Run([this] { ExampleData(*this); });
}

void Form1::onContextMenuRequested(const QPoint& position) {
    QMenu menu(this);
    FillContextMenu(menu);
    menu.exec(mapToGlobal(position));
}

void Form1::FillContextMenu(QMenu& menu) {
    document_->FillMenu(menu);
    menu.addSeparator();
    menu.addAction(realPartsAction_);
    choiceAction_->setEnabled(module_.LastDesign.has_value());
    menu.addAction(choiceAction_);
    menu.addAction(loopAction_);
}

void Form1::AddMenuBar() {
    menuBar_ = new QMenuBar(this);
    QMenu* file = menuBar_->addMenu(QStringLiteral("&File"));
    // The recent files change between two openings of the menu.
    connect(file, &QMenu::aboutToShow, this, [this, file] {
        file->clear();
        document_->FillMenu(*file);
        file->addSeparator();
        file->addAction(QStringLiteral("Esci"), this, &QWidget::close);
    });
    QMenu* analysis = menuBar_->addMenu(QStringLiteral("&Analisi"));
    analysis->addAction(realPartsAction_);
    analysis->addAction(choiceAction_);
    analysis->addAction(loopAction_);
    connect(analysis, &QMenu::aboutToShow, this,
            [this] { choiceAction_->setEnabled(module_.LastDesign.has_value()); });
    QMenu* help = menuBar_->addMenu(QStringLiteral("A&iuto"));
    help->addAction(QStringLiteral("Guida rapida"), this, &Form1::ShowGuide);
    help->addAction(QStringLiteral("Informazioni su stepdown"), this, &Form1::ShowAbout);

    // The controls keep their places in the client area, which now starts
    // below the bar; the window grows by the bar's height.
    const int top = menuBar_->sizeHint().height();
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child != menuBar_) child->move(child->x(), child->y() + top);
    menuBar_->setGeometry(0, 0, width(), top);
    resize(width(), height() + top);
}

int Form1::ClientTop() const { return menuBar_->height(); }

void Form1::ShowGuide() {
    ShowMessage(
        "Guida rapida\n\n"
        "1. Scrivi i requisiti nei campi di «Progetto > dati» (oppure premi «Dati Esempio») e "
        "premi «Calcola L , C , IDP, IDm , Iim»: L, C e le correnti compaiono a destra, e i "
        "valori per la verifica vengono scritti in blu nei campi di verifica.\n"
        "2. Premi «Grafici»: il convertitore viene simulato dall'avvio e la finestra «Forme "
        "d'onda reali» mostra le forme d'onda dell'ultimo periodo e le grandezze misurate.\n"
        "   Il tasto destro sul suo grafico apre «Avviamento e regime…»: l'inviluppo di iL e Vo "
        "dall'avvio al regime.\n"
        "3. Dal menu «Analisi»: «Componenti reali…» calcola il convertitore con le perdite dei "
        "suoi componenti; «Scelta dei componenti…», dopo un progetto, sceglie i valori standard "
        "e ne mostra il caso peggiore e i grafici al variare del carico.\n"
        "   «Anello di controllo…» progetta o verifica il compensatore del controllore, di "
        "tensione o di corrente di picco, e ne mostra il diagramma di Bode con i margini e la "
        "risposta ai gradini.\n"
        "4. Dal menu «File» salvi e riapri il progetto ed esporti la relazione.\n\n"
        "Il tasto destro sullo sfondo di questa finestra e sul grafico delle forme d'onda apre "
        "gli stessi comandi.");
}

void Form1::ShowAbout() {
    ShowMessage("stepdown " STEPDOWN_VERSION
                "\n\nAusilio alla progettazione dei convertitori DC-DC step-down (buck): "
                "progetto, verifica per simulazione, convertitore reale, valori standard e "
                "relazione.");
}

void Form1::closeEvent(QCloseEvent* event) {
    if (!document_->MayDiscardChanges()) event->ignore();
}

void Form1::ShowRealPartsWindow() {
    if (!realParts_) {
        realParts_ = new RealPartsWindow(module_, *this, sideTexts_.parts, locale_, this);
        connect(realParts_, &RealPartsWindow::TextsEdited, document_,
                &DesignDocument::SideTextsEdited);
        // Its context menu opens the loop on the same circuit and parts.
        realParts_->addAction(loopAction_);
        // Its figures are of the boxes' texts when it last computed.
        for (const Quantity& row : kQuantities)
            if (!BoxOf(row).empty())
                connect(TextBox(BoxOf(row)), &QLineEdit::textChanged, realParts_,
                        &RealPartsWindow::NoteChangedInputs);
    } else {
        // The store may have been filled since the window last showed it.
        realParts_->ShowPartTexts();
    }
    realParts_->show();
    realParts_->raise();
    realParts_->activateWindow();
    realParts_->Recompute();
}

void Form1::ShowChoiceWindow() {
    if (!module_.LastDesign) return;
    if (!choice_) {
        choice_ = new ChoiceWindow(module_, *this, sideTexts_, locale_, this);
        connect(choice_, &ChoiceWindow::TextsEdited, document_, &DesignDocument::SideTextsEdited);
    } else {
        // The store may have been filled since the window last showed it.
        choice_->ShowChoiceTexts();
    }
    choice_->show();
    choice_->raise();
    choice_->activateWindow();
    choice_->Update();
}

void Form1::ShowLoopWindow() {
    // Kept when closed, so that the controller's fields keep what was typed.
    if (!loop_) {
        loop_ = new LoopWindow(module_, *this, sideTexts_.parts, sideTexts_.loop, locale_, this);
        connect(loop_, &LoopWindow::TextsEdited, document_, &DesignDocument::SideTextsEdited);
    }
    loop_->show();
    loop_->raise();
    loop_->activateWindow();
}

QLineEdit* Form1::TextBox(std::string_view name) const {
    return FindControl<QLineEdit>(*this, name, "text box");
}

QLabel* Form1::Label(std::string_view name) const {
    return FindControl<QLabel>(*this, name, "label");
}

}  // namespace stepdown

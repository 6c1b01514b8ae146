#include "ui/Form2.h"

#include <QAction>
#include <QButtonGroup>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QRect>
#include <QSize>
#include <QToolTip>

#include "ui/NetlistExport.h"
#include "ui/PlotArea.h"
#include "ui/QtText.h"
#include "ui/StartupWindow.h"
#include "ui_Form2.h"
#include "waveformview/CursorReadout.h"
#include "waveformview/WaveformCsv.h"

// The icon lives in the resources of a static library, whose registration
// the linker drops unless something refers to it; the macro must be used
// outside namespaces.
static void InitialiseStepdownResources() { Q_INIT_RESOURCE(resources); }

namespace stepdown {

namespace {

// "MS Sans Serif" is not on this platform: its nearest metric-compatible
// sans-serif face, bold, at the original point sizes. The .ui format keeps
// whole point sizes only, so the fonts are set here.
QFont CaptionFont(qreal pointSize) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPointSizeF(pointSize);
    return font;
}

constexpr qreal kSmallFont = 8.25;
constexpr qreal kLargeFont = 9.75;

}  // namespace

Form2::Form2(const QLocale& locale)
    : QWidget(nullptr),
      ui_(std::make_unique<Ui::Form2>()),
      locale_(locale),
      separator_(locale.decimalPoint().toStdString()) {
    ui_->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    InitialiseStepdownResources();
    setWindowIcon(QIcon(QStringLiteral(":/stepdown/icon.svg")));
    setFont(CaptionFont(kSmallFont));
    ui_->Label1->setFont(CaptionFont(kLargeFont));

    // Only the source of the blank picture: never on screen.
    ui_->Picture2->hide();

    options_ = new QButtonGroup(this);
    options_->setExclusive(true);
    QRadioButton* const buttons[] = {ui_->Option1, ui_->Option2, ui_->Option3, ui_->Option4,
                                     ui_->Option5};
    int id = 1;
    for (QRadioButton* button : buttons) options_->addButton(button, id++);

    connect(ui_->Picture1, &PlotArea::PointerMoved, this, &Form2::OnPointerMoved);
    ui_->Picture1->setFocus();

    saveImage_ = new QAction(kSaveImageText, this);
    exportCsv_ = new QAction(kExportCsvText, this);
    startup_ = new QAction(kStartupText, this);
    realParts_ = new QAction(kRealPartsText, this);
    exportCsv_->setEnabled(false);
    startup_->setEnabled(false);
    realParts_->setEnabled(false);
    connect(saveImage_, &QAction::triggered, this, &Form2::SaveImage);
    connect(exportCsv_, &QAction::triggered, this, &Form2::ExportCsv);
    connect(startup_, &QAction::triggered, this, &Form2::ShowStartupWindow);
    connect(realParts_, &QAction::triggered, this, [this] {
        if (openRealParts_) openRealParts_();
    });
    exportNetlist_ = new QAction(kExportNetlistText, this);
    exportNetlist_->setEnabled(false);
    connect(exportNetlist_, &QAction::triggered, this, [this] {
        if (netlistExporter_) netlistExporter_(this, saveFileName_);
    });
    ui_->Picture1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui_->Picture1, &QWidget::customContextMenuRequested, this, &Form2::OnPlotContextMenu);
    saveFileName_ = SaveDialogOver(this);
}

Form2::~Form2() = default;

void Form2::ShowWindow() {
    show();
    raise();
    activateWindow();
}

void Form2::ResetPlot() { ui_->Picture1->ResetPlot(); }

void Form2::SetUserScale(double left, double top, double right, double bottom) {
    ui_->Picture1->SetUserScale(left, top, right, bottom);
}

void Form2::DrawLine(const PlotSegment& segment) { ui_->Picture1->DrawLine(segment); }

void Form2::DrawLine(const PlotSegment& segment, Rgb colour) {
    ui_->Picture1->DrawLine(segment, colour);
}

void Form2::DrawSegments(const std::vector<PlotSegment>& segments, Rgb colour) {
    ui_->Picture1->DrawSegments(segments, colour);
}

int Form2::PlotWidthPixels() const { return ui_->Picture1->PlotWidthPixels(); }

int Form2::PlotHeightPixels() const { return ui_->Picture1->PlotHeightPixels(); }

void Form2::SetCaption(std::string_view label, const std::string& caption) {
    const QString name = Text(label);
    auto* target = findChild<QLabel*>(name, Qt::FindDirectChildrenOnly);
    // A wrong name is a programming error that no user action can cause.
    if (target == nullptr)
        qFatal("Form2 has no label named %.*s", static_cast<int>(label.size()), label.data());
    target->setText(QString::fromStdString(caption));
}

void Form2::SetShownRun(std::shared_ptr<const SimulationRun> run) {
    run_ = std::move(run);
    exportCsv_->setEnabled(run_ != nullptr);
    const bool completed = run_ && run_->analysis;
    startup_->setEnabled(completed);
    realParts_->setEnabled(run_ && openRealParts_);
    exportNetlist_->setEnabled(run_ && netlistExporter_);
    // An open start-up window follows the completed runs; like the figures,
    // it keeps the last one through a refused or cancelled launch.
    if (completed && startupWindow_ && startupWindow_->Run() != run_) ReplaceStartupWindow(false);
}

void Form2::SetRealPartsOpener(std::function<void()> open) {
    openRealParts_ = std::move(open);
    realParts_->setEnabled(run_ && openRealParts_);
}

void Form2::SetNetlistExporter(NetlistExporter exporter) {
    netlistExporter_ = std::move(exporter);
    exportNetlist_->setEnabled(run_ && netlistExporter_);
}

void Form2::SetSaveFileNameProvider(SaveFileNameProvider provider) {
    saveFileName_ = std::move(provider);
}

PlotArea* Form2::Plot() const { return ui_->Picture1; }

int Form2::SelectedOption() const {
    const int id = options_->checkedId();
    return id < 0 ? 0 : id;
}

void Form2::OnPointerMoved(float x, float y, QPoint globalPosition) {
    // The readout works in the plot's own 0..100 scale, which the drawing
    // sets too; later drawing keeps it.
    PlotArea* const plot = ui_->Picture1;
    plot->SetUserScale(0.0, 100.0, 100.0, 0.0);
    const ReadoutResult result = CursorReadout(run_.get(), SelectedOption(), x, y, separator_);
    if (QAbstractButton* button = options_->button(result.selectedOption)) {
        button->setChecked(true);
    }
    if (result.toolTip) plot->setToolTip(QString::fromStdString(*result.toolTip));
    const QString tip = plot->toolTip();
    if (tip.isEmpty()) return;
    // A one-pixel area around the pointer makes the shown tip move with it on
    // every move, even when its text stays the same.
    const QRect pointer(plot->mapFromGlobal(globalPosition), QSize(1, 1));
    QToolTip::showText(globalPosition, tip, plot, pointer);
}

void Form2::OnPlotContextMenu(const QPoint& position) {
    QMenu menu(this);
    menu.addAction(saveImage_);
    menu.addAction(exportCsv_);
    menu.addAction(exportNetlist_);
    menu.addSeparator();
    menu.addAction(startup_);
    menu.addAction(realParts_);
    menu.exec(ui_->Picture1->mapToGlobal(position));
}

void Form2::SaveImage() {
    const QString path =
        saveFileName_(QStringLiteral("Salva grafico come immagine"),
                      QStringLiteral("forme-d-onda.png"), QStringLiteral("Immagini PNG (*.png)"));
    if (!path.isEmpty()) SavePng(this, path, ui_->Picture1->Image());
}

void Form2::ExportCsv() {
    // The run shown when the entry was chosen, whatever a launch does later.
    const std::shared_ptr<const SimulationRun> run = run_;
    if (!run) return;
    const QString path =
        saveFileName_(QStringLiteral("Esporta dati (CSV)"), QStringLiteral("forme-d-onda.csv"),
                      QStringLiteral("File CSV (*.csv)"));
    if (!path.isEmpty()) SaveBytes(this, path, QByteArray::fromStdString(WaveformCsv(*run)));
}

StartupWindow* Form2::OpenStartupWindow() const { return startupWindow_.data(); }

void Form2::ShowStartupWindow() {
    if (!run_ || !run_->analysis) return;
    if (!startupWindow_ || startupWindow_->Run() != run_) return ReplaceStartupWindow(true);
    startupWindow_->show();
    startupWindow_->raise();
    startupWindow_->activateWindow();
}

void Form2::ReplaceStartupWindow(bool activate) {
    auto* window = new StartupWindow(run_, locale_, this);
    if (startupWindow_) {
        window->setGeometry(startupWindow_->geometry());
        startupWindow_->close();
    }
    startupWindow_ = window;
    window->setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    window->show();
    if (!activate) return;
    window->raise();
    window->activateWindow();
}

}  // namespace stepdown

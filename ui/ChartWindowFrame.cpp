#include "ui/ChartWindowFrame.h"

#include <QAction>
#include <QByteArray>
#include <QChartView>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>

#include <algorithm>
#include <utility>

#include "ui/ApplicationTitle.h"
#include "ui/ChartAxes.h"

// The icon lives in the resources of a static library, whose registration
// the linker drops unless something refers to it; the macro must be used
// outside namespaces.
static void InitialiseStepdownResources() { Q_INIT_RESOURCE(resources); }

namespace stepdown {

namespace {

// As wide as its column wants, with room for the scroll bar, whatever the
// column comes to hold later; as short as the window needs.
class ScrollingColumn : public QScrollArea {
public:
    ScrollingColumn(QWidget* column, QWidget* parent) : QScrollArea(parent) {
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setWidgetResizable(true);
        setWidget(column);
    }
    QSize sizeHint() const override { return {Width(), widget()->sizeHint().height()}; }
    QSize minimumSizeHint() const override {
        return {Width(), QScrollArea::minimumSizeHint().height()};
    }

protected:
    // The column's layout changed: so may its width.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget() && event->type() == QEvent::LayoutRequest) updateGeometry();
        return QScrollArea::eventFilter(watched, event);
    }

private:
    int Width() const {
        return std::max(widget()->sizeHint().width(), widget()->minimumWidth()) +
               verticalScrollBar()->sizeHint().width();
    }
};

}  // namespace

ChartWindowFrame::ChartWindowFrame(const QString& title, int width, const QLocale& locale,
                                   QWidget* parent, bool keptOpen)
    : QWidget(parent, Qt::Window),
      locale_(locale),
      separator_(locale.decimalPoint().toStdString()),
      saveFileName_(SaveDialogOver(this)) {
    if (!keptOpen) setAttribute(Qt::WA_DeleteOnClose);
    InitialiseStepdownResources();
    setWindowIcon(QIcon(QStringLiteral(":/stepdown/icon.svg")));
    setWindowTitle(title);
    resize(width, kLargestSize.height());
}

void ChartWindowFrame::SetSaveFileNameProvider(SaveFileNameProvider provider) {
    saveFileName_ = std::move(provider);
}

QBoxLayout* ChartWindowFrame::Columns(QWidget* fields, QWidget* figures) {
    auto* columns = new QHBoxLayout;
    columns->addWidget(Scrolling(fields));
    columns->addWidget(figures, 1);
    return columns;
}

QWidget* ChartWindowFrame::Scrolling(QWidget* column) { return new ScrollingColumn(column, this); }

QStackedWidget* ChartWindowFrame::NewPages(QWidget* figures) {
    pages_ = new QStackedWidget(this);
    pages_->addWidget(figures);
    explanation_ = NewExplanationPage(pages_);
    pages_->addWidget(explanation_);
    return pages_;
}

void ChartWindowFrame::ShowFiguresPage() { pages_->setCurrentIndex(0); }

void ChartWindowFrame::ShowExplanation(const QString& text) {
    explanation_->setText(text);
    pages_->setCurrentWidget(explanation_);
}

QString ChartWindowFrame::Explanation() const {
    return pages_ != nullptr && pages_->currentWidget() == explanation_ ? explanation_->text()
                                                                        : QString();
}

QAction* ChartWindowFrame::NewExport(const QString& text, std::function<void()> run) {
    auto* action = new QAction(text, this);
    connect(action, &QAction::triggered, this, std::move(run));
    exports_.push_back(action);
    return action;
}

QBoxLayout* ChartWindowFrame::ExportRow(std::function<void()> resetZoom, const QString& resetTip) {
    for (QAction* action : exports_) addAction(action);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* row = new QHBoxLayout;
    for (QAction* action : exports_) {
        auto* button = new QPushButton(action->text(), this);
        button->setEnabled(action->isEnabled());
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::enabledChanged, button, &QPushButton::setEnabled);
        row->addWidget(button);
    }
    row->addStretch(1);
    if (resetZoom) {
        auto* reset = new QPushButton(QStringLiteral("Ripristina zoom"), this);
        reset->setToolTip(resetTip);
        connect(reset, &QPushButton::clicked, this, std::move(resetZoom));
        row->addWidget(reset);
    }
    return row;
}

void ChartWindowFrame::MakeZoomable(QChartView& view, bool several) {
    view.setRenderHint(QPainter::Antialiasing);
    view.setRubberBand(QChartView::RectangleRubberBand);
    // The right button zooms out: no context menu over a chart.
    view.setContextMenuPolicy(Qt::PreventContextMenu);
    view.setToolTip(several ? QStringLiteral("Trascina con il tasto sinistro per ingrandire "
                                             "un'area, clic destro per rimpicciolire; "
                                             "«Ripristina zoom» torna ai grafici interi")
                            : QStringLiteral("Trascina con il tasto sinistro per ingrandire "
                                             "un'area, clic destro per rimpicciolire; "
                                             "«Ripristina zoom» torna al grafico intero"));
}

void ChartWindowFrame::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kApplicationTitle),
                    QString::fromStdString(text), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void ChartWindowFrame::ExportImage(const QString& suggestedName, QWidget& shown, bool several) {
    const QString path = saveFileName_(several ? QStringLiteral("Salva grafici come immagine")
                                               : QStringLiteral("Salva grafico come immagine"),
                                       suggestedName, QStringLiteral("Immagini PNG (*.png)"));
    if (!path.isEmpty()) SavePng(this, path, shown.grab().toImage());
}

void ChartWindowFrame::ExportCsv(const QString& caption, const QString& suggestedName,
                                 const std::function<std::string()>& bytes) {
    const QString path = saveFileName_(caption, suggestedName, QStringLiteral("File CSV (*.csv)"));
    if (!path.isEmpty()) SaveBytes(this, path, QByteArray::fromStdString(bytes()));
}

}  // namespace stepdown

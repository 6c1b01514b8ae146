#include "ui/PlotArea.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "ui/VectorState.h"

namespace stepdown {

PlotArea::PlotArea(QWidget* parent)
    : QFrame(parent), image_(kInnerWidth, kInnerHeight, kBackground) {
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setLineWidth(kBorder);
    setFixedSize(kOuterWidth, kOuterHeight);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlotArea::ResetPlot() {
    image_.Reset();
    update();
    ClearUpperVectorState();
}

void PlotArea::SetUserScale(double left, double top, double right, double bottom) {
    image_.SetUserScale(left, top, right, bottom);
}

void PlotArea::DrawLine(const PlotSegment& segment) {
    DrawInImage(segment, palette().color(QPalette::ButtonText));
}

void PlotArea::DrawLine(const PlotSegment& segment, Rgb colour) {
    DrawInImage(segment, QColor(colour.red, colour.green, colour.blue));
}

void PlotArea::DrawInImage(const PlotSegment& segment, const QColor& colour) {
    if (image_.DrawLine(segment, colour)) Drawn();
}

void PlotArea::DrawSegments(const std::vector<PlotSegment>& segments, Rgb colour) {
    if (image_.DrawSegments(segments, QColor(colour.red, colour.green, colour.blue))) Drawn();
}

void PlotArea::Drawn() {
    update(contentsRect());
    ClearUpperVectorState();
}

void PlotArea::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(contentsRect(), image_.Image());
}
void PlotArea::mouseMoveEvent(QMouseEvent* event) {
    const QRect inner = contentsRect();
    const QPointF position = event->position() - QPointF(inner.topLeft());
    if (position.x() < 0.0 || position.y() < 0.0 || position.x() >= inner.width() ||
        position.y() >= inner.height()) {
        QFrame::mouseMoveEvent(event);
        return;
    }
    const double width = inner.width();
    const double height = inner.height();
    const auto x = static_cast<float>(100.0 * position.x() / width);
    const auto y = static_cast<float>(100.0 * (1.0 - position.y() / height));
    emit PointerMoved(x, y, event->globalPosition().toPoint());
}

}  // namespace stepdown

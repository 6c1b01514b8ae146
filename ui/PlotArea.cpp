#include "ui/PlotArea.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "ui/VectorState.h"

namespace stepdown {

namespace {

// Far beyond the image but well inside int: the painter clips the rest.
constexpr double kPixelLimit = 1.0e6;

int PixelIndex(double position, int extent) {
    if (position == extent) return extent - 1;
    return static_cast<int>(std::floor(std::clamp(position, -kPixelLimit, kPixelLimit)));
}

QColor ToQColor(Rgb colour) { return QColor(colour.red, colour.green, colour.blue); }

}  // namespace

PlotArea::PlotArea(QWidget* parent)
    : QFrame(parent), image_(kInnerWidth, kInnerHeight, QImage::Format_RGB32) {
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setLineWidth(kBorder);
    setFixedSize(kOuterWidth, kOuterHeight);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    image_.fill(kBackground);
}

void PlotArea::ResetPlot() {
    image_.fill(kBackground);
    update();
    ClearUpperVectorState();
}

void PlotArea::SetUserScale(double left, double top, double right, double bottom) {
    // A scale without extent would divide by zero; keep the previous one.
    if (right == left || bottom == top) return;
    left_ = left;
    top_ = top;
    right_ = right;
    bottom_ = bottom;
}

std::optional<QPoint> PlotArea::ToPixel(float x, float y) const {
    const double column = (static_cast<double>(x) - left_) * image_.width() / (right_ - left_);
    const double row = (static_cast<double>(y) - top_) * image_.height() / (bottom_ - top_);
    if (!std::isfinite(column) || !std::isfinite(row)) return std::nullopt;
    return QPoint(PixelIndex(column, image_.width()), PixelIndex(row, image_.height()));
}

void PlotArea::DrawLine(const PlotSegment& segment) {
    DrawInImage(segment, palette().color(QPalette::ButtonText));
}

void PlotArea::DrawLine(const PlotSegment& segment, Rgb colour) {
    DrawInImage(segment, ToQColor(colour));
}

void PlotArea::DrawInImage(const PlotSegment& segment, const QColor& colour) {
    const std::optional<QPoint> from = ToPixel(segment.x1, segment.y1);
    const std::optional<QPoint> to = ToPixel(segment.x2, segment.y2);
    if (!from || !to) return;
    QPainter painter(&image_);
    painter.setPen(QPen(colour, 0, Qt::SolidLine));
    painter.drawLine(*from, *to);
    painter.end();
    update(contentsRect());
    ClearUpperVectorState();
}

void PlotArea::DrawSegments(const std::vector<PlotSegment>& segments, Rgb colour) {
    batch_.clear();
    batch_.reserve(static_cast<qsizetype>(segments.size()));
    for (const PlotSegment& segment : segments) {
        const std::optional<QPoint> from = ToPixel(segment.x1, segment.y1);
        const std::optional<QPoint> to = ToPixel(segment.x2, segment.y2);
        if (from && to) batch_.append(QLine(*from, *to));
    }
    if (batch_.isEmpty()) return;
    QPainter painter(&image_);
    painter.setPen(QPen(ToQColor(colour), 0, Qt::SolidLine));
    painter.drawLines(batch_);
    painter.end();
    update(contentsRect());
    ClearUpperVectorState();
}

void PlotArea::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(contentsRect(), image_);
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

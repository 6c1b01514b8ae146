#include "ui/PlotImage.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>

#include "ui/PlotArea.h"
#include "verification/SimulationRun.h"

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

PlotImage::PlotImage(int width, int height, const QColor& background)
    : image_(width, height, QImage::Format_RGB32), background_(background) {
    image_.fill(background_);
}

void PlotImage::Reset() { image_.fill(background_); }

void PlotImage::SetUserScale(double left, double top, double right, double bottom) {
    // A scale without extent would divide by zero; keep the previous one.
    if (right == left || bottom == top) return;
    left_ = left;
    top_ = top;
    right_ = right;
    bottom_ = bottom;
}

std::optional<QPoint> PlotImage::ToPixel(float x, float y) const {
    const double column = (static_cast<double>(x) - left_) * image_.width() / (right_ - left_);
    const double row = (static_cast<double>(y) - top_) * image_.height() / (bottom_ - top_);
    if (!std::isfinite(column) || !std::isfinite(row)) return std::nullopt;
    return QPoint(PixelIndex(column, image_.width()), PixelIndex(row, image_.height()));
}

bool PlotImage::DrawLine(const PlotSegment& segment, const QColor& colour) {
    const std::optional<QPoint> from = ToPixel(segment.x1, segment.y1);
    const std::optional<QPoint> to = ToPixel(segment.x2, segment.y2);
    if (!from || !to) return false;
    QPainter painter(&image_);
    painter.setPen(QPen(colour, 0, Qt::SolidLine));
    painter.drawLine(*from, *to);
    return true;
}

bool PlotImage::DrawSegments(const std::vector<PlotSegment>& segments, const QColor& colour) {
    batch_.clear();
    batch_.reserve(static_cast<qsizetype>(segments.size()));
    for (const PlotSegment& segment : segments) {
        const std::optional<QPoint> from = ToPixel(segment.x1, segment.y1);
        const std::optional<QPoint> to = ToPixel(segment.x2, segment.y2);
        if (from && to) batch_.append(QLine(*from, *to));
    }
    if (batch_.isEmpty()) return false;
    QPainter painter(&image_);
    painter.setPen(QPen(colour, 0, Qt::SolidLine));
    painter.drawLines(batch_);
    return true;
}

OffscreenWaveforms::OffscreenWaveforms()
    : plot_(PlotArea::kInnerWidth, PlotArea::kInnerHeight, PlotArea::kBackground) {}

void OffscreenWaveforms::DrawLine(const PlotSegment& segment) {
    plot_.DrawLine(segment, QApplication::palette().color(QPalette::ButtonText));
}

void OffscreenWaveforms::DrawLine(const PlotSegment& segment, Rgb colour) {
    plot_.DrawLine(segment, ToQColor(colour));
}

void OffscreenWaveforms::DrawSegments(const std::vector<PlotSegment>& segments, Rgb colour) {
    plot_.DrawSegments(segments, ToQColor(colour));
}

}  // namespace stepdown

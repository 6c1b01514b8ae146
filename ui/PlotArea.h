#pragma once
// The plot area of the waveform window: a sunken panel whose inner area shows
// a retained image. Lines are drawn into the image in user units and the image
// is copied to the screen on every paint, so covering and uncovering the
// window keeps the traces.

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QLine>
#include <QVector>

#include <optional>
#include <vector>

#include "model/WindowOperations.h"

namespace stepdown {

class PlotArea : public QFrame {
    Q_OBJECT

public:
    // Outer size with the border, and the inner drawing area (96 dpi pixels).
    static constexpr int kOuterWidth = 1001;
    static constexpr int kOuterHeight = 609;
    static constexpr int kBorder = 2;
    static constexpr int kInnerWidth = kOuterWidth - 2 * kBorder;
    static constexpr int kInnerHeight = kOuterHeight - 2 * kBorder;
    static inline const QColor kBackground{255, 255, 192};

    explicit PlotArea(QWidget* parent = nullptr);

    // Erases every line: only the background remains.
    void ResetPlot();
    void SetUserScale(double left, double top, double right, double bottom);
    // In the foreground colour (the button-text colour of the palette).
    void DrawLine(const PlotSegment& segment);
    void DrawLine(const PlotSegment& segment, Rgb colour);
    // One painter call for the whole batch.
    void DrawSegments(const std::vector<PlotSegment>& segments, Rgb colour);

    int PlotWidthPixels() const { return image_.width(); }
    int PlotHeightPixels() const { return image_.height(); }

    // The retained drawing of the inner area.
    const QImage& Image() const { return image_; }

    // Pixel of the inner area that a user-unit point falls in. The far edges
    // (x = right, y = bottom) belong to the last column and row, so that
    // marks drawn on them stay visible. Nothing for a point that is not a
    // finite number.
    std::optional<QPoint> ToPixel(float x, float y) const;

signals:
    // The pointer moved over the inner area; x and y in the 0..100 scale of
    // the readout (y upwards).
    void PointerMoved(float x, float y, QPoint globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void DrawInImage(const PlotSegment& segment, const QColor& colour);

    QImage image_;
    double left_ = 0.0;
    double top_ = 100.0;
    double right_ = 100.0;
    double bottom_ = 0.0;
    QVector<QLine> batch_;
};

}  // namespace stepdown

#pragma once
// The plot's retained image and its user scale, without a widget: the
// waveform window's plot area paints it on screen, and the report draws the
// same traces into one that never is.

#include <QColor>
#include <QImage>
#include <QLine>
#include <QPoint>
#include <QVector>

#include <memory>
#include <optional>
#include <vector>

#include "model/WindowOperations.h"

namespace stepdown {

class PlotImage {
public:
    PlotImage(int width, int height, const QColor& background);

    // Erases every line: only the background remains.
    void Reset();
    void SetUserScale(double left, double top, double right, double bottom);
    // One-pixel solid segments; false when none was drawn.
    bool DrawLine(const PlotSegment& segment, const QColor& colour);
    bool DrawSegments(const std::vector<PlotSegment>& segments, const QColor& colour);

    const QImage& Image() const { return image_; }

    // Pixel that a user-unit point falls in. The far edges (x = right,
    // y = bottom) belong to the last column and row, so that marks drawn on
    // them stay visible. Nothing for a point that is not a finite number.
    std::optional<QPoint> ToPixel(float x, float y) const;

private:
    QImage image_;
    QColor background_;
    double left_ = 0.0;
    double top_ = 100.0;
    double right_ = 100.0;
    double bottom_ = 0.0;
    QVector<QLine> batch_;
};

// The waveform window as a verification draws it, with no window: the plot
// in an image of the plot area's inner size, the foreground colour the
// application's, the captions dropped and the run kept.
class OffscreenWaveforms : public WaveformWindowOperations, public WaveformWindowHost {
public:
    OffscreenWaveforms();

    WaveformWindowOperations& WaveformWindow() override { return *this; }
    void ShowWindow() override {}
    void ResetPlot() override { plot_.Reset(); }
    void SetUserScale(double left, double top, double right, double bottom) override {
        plot_.SetUserScale(left, top, right, bottom);
    }
    void DrawLine(const PlotSegment& segment) override;
    void DrawLine(const PlotSegment& segment, Rgb colour) override;
    void DrawSegments(const std::vector<PlotSegment>& segments, Rgb colour) override;
    int PlotWidthPixels() const override { return plot_.Image().width(); }
    int PlotHeightPixels() const override { return plot_.Image().height(); }
    void SetCaption(std::string_view, const std::string&) override {}
    void SetShownRun(std::shared_ptr<const SimulationRun> run) override { run_ = std::move(run); }

    const QImage& Image() const { return plot_.Image(); }
    const std::shared_ptr<const SimulationRun>& ShownRun() const { return run_; }

private:
    PlotImage plot_;
    std::shared_ptr<const SimulationRun> run_;
};

}  // namespace stepdown

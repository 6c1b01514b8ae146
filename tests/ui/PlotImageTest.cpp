// The plot as the user sees it: the traces drawn in pixel-column batches by
// the core's reduction must look like the same traces drawn one segment at a
// time, within one pixel, on the real plot area.

#include <QImage>
#include <QTest>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/Module1.h"
#include "simulation/Plot.h"
#include "simulation/Simulation.h"
#include "simulation/TraceReduction.h"
#include "ui/Form2.h"
#include "ui/PlotArea.h"

using stepdown::Form2;
using stepdown::Module1;
using stepdown::PlotSegment;
using stepdown::Rgb;

namespace {

class NoMessages : public stepdown::MessageDisplay {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

class NeverCancel : public stepdown::ProgressReporter {
public:
    bool Continue(std::int64_t, std::int64_t) override { return true; }
};

// The worked example, with the given sampling.
Module1 WorkedExample(std::int32_t N, std::int32_t NP) {
    Module1 module;
    module.Vi = 25.0;
    module.D = 0.6;
    module.f = 80000.0;
    module.L = 125e-6;
    module.C = 15.63e-6;
    module.RL = 10.0;
    module.N = N;
    module.NP = NP;
    module.NI = 2000;
    return module;
}

// The traces segment by segment, as the plain plotting loop draws them: for
// every copy and sample, one line per waveform.
void DrawSegmentBySegment(const Module1& m, Form2& window) {
    struct Trace {
        const std::vector<double>& wave;
        double factor;
        double extreme;
        double offset;
        Rgb colour;
    };
    const std::array<Trace, 5> traces{{
        {m.WaveIL, 18, m.MaxIL, 80, stepdown::kTraceIL},
        {m.WaveIC, 6, m.MaxIC, 70, stepdown::kTraceIC},
        {m.WaveVo, 18, m.MaxVo, 40, stepdown::kTraceVo},
        {m.WaveVd, 18, m.MaxVd, 20, stepdown::kTraceVd},
        {m.WaveId, 18, m.MaxIL, 0.1, stepdown::kTraceId},
    }};
    const std::int32_t NP = m.NP;
    const std::int32_t N = m.N;
    for (std::int32_t k = 1; k <= NP; ++k) {
        for (std::int32_t i = 1; i <= N - 1; ++i) {
            const double x1 = (100.0 / NP) * (k - 1) + (100.0 / NP) * i / N;
            const double x2 = (100.0 / NP) * (i + 1) / N + (100.0 / NP) * (k - 1);
            for (const Trace& trace : traces) {
                const auto at = [&trace](std::int32_t sample) {
                    return trace.wave[static_cast<std::size_t>(sample)] * trace.factor /
                               trace.extreme +
                           trace.offset;
                };
                window.DrawLine(PlotSegment{static_cast<float>(x1), static_cast<float>(at(i)),
                                            static_cast<float>(x2), static_cast<float>(at(i + 1))},
                                trace.colour);
            }
        }
    }
}

struct Comparison {
    int drawnPixels = 0;      // not background in the first image
    int differentPixels = 0;  // a different colour in the other image
    int unmatchedPixels = 0;  // no pixel of the same colour within one pixel
};

// Every drawn pixel of `a` has a pixel of the same colour in `b` at most one
// pixel away, in any direction.
Comparison CompareWithinOnePixel(const QImage& a, const QImage& b) {
    const QRgb background = stepdown::PlotArea::kBackground.rgb();
    Comparison result;
    for (int row = 0; row < a.height(); ++row) {
        for (int column = 0; column < a.width(); ++column) {
            const QRgb colour = a.pixel(column, row);
            if (colour == background) continue;
            ++result.drawnPixels;
            if (b.pixel(column, row) == colour) continue;
            ++result.differentPixels;
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy) {
                for (int dx = -1; dx <= 1 && !found; ++dx) {
                    const QPoint near(column + dx, row + dy);
                    found = b.valid(near) && b.pixel(near) == colour;
                }
            }
            if (!found) ++result.unmatchedPixels;
        }
    }
    return result;
}

}  // namespace

class PlotImageTest : public QObject {
    Q_OBJECT

private slots:
    void reducedMatchesSegmentBySegment_data();
    void reducedMatchesSegmentBySegment();
};

void PlotImageTest::reducedMatchesSegmentBySegment_data() {
    QTest::addColumn<int>("N");
    QTest::addColumn<int>("NP");
    QTest::addColumn<bool>("reduced");
    QTest::newRow("defaults N=1000 NP=10") << 1000 << 10 << true;
    QTest::newRow("one period, raw segments") << 1000 << 1 << false;
    QTest::newRow("N=5000 NP=3") << 5000 << 3 << true;
    QTest::newRow("N=200 NP=50") << 200 << 50 << true;
}

void PlotImageTest::reducedMatchesSegmentBySegment() {
    QFETCH(int, N);
    QFETCH(int, NP);
    QFETCH(bool, reduced);
    QCOMPARE(stepdown::TraceIsReduced(NP, N, stepdown::PlotArea::kInnerWidth), reduced);

    Module1 module = WorkedExample(N, NP);
    NoMessages messages;
    NeverCancel progress;
    Form2 batched;
    QCOMPARE(stepdown::SimulateConverter(module, messages, batched, progress).outcome,
             stepdown::SimulationOutcome::Completed);
    QVERIFY(messages.messages.empty());

    Form2 single;
    stepdown::PreparePlot(single);
    DrawSegmentBySegment(module, single);

    const QImage& fromBatches = batched.Plot()->Image();
    const QImage& fromSegments = single.Plot()->Image();
    const Comparison forward = CompareWithinOnePixel(fromSegments, fromBatches);
    const Comparison backward = CompareWithinOnePixel(fromBatches, fromSegments);
    qInfo(
        "segment by segment: %d drawn pixels, %d coloured otherwise by the batches, %d "
        "unmatched; batches: %d drawn, %d otherwise, %d unmatched",
        forward.drawnPixels, forward.differentPixels, forward.unmatchedPixels, backward.drawnPixels,
        backward.differentPixels, backward.unmatchedPixels);
    QVERIFY(forward.drawnPixels > 5 * 997);
    QCOMPARE(forward.unmatchedPixels, 0);
    QCOMPARE(backward.unmatchedPixels, 0);
    if (!reduced) QCOMPARE(fromBatches, fromSegments);
}

QTEST_MAIN(PlotImageTest)
#include "PlotImageTest.moc"

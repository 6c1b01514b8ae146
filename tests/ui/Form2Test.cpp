// The waveform window on the real widgets, offscreen: its controls and their
// start state, the plot area's retained image and user scale, the pointer
// readout wiring, and the window's life through its host.

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "simulation/CursorReadout.h"
#include "simulation/SimulationRun.h"
#include "ui/Form2.h"
#include "ui/Form2Host.h"
#include "ui/PlotArea.h"

using stepdown::Form2;
using stepdown::Form2Host;
using stepdown::PlotArea;
using stepdown::PlotSegment;
using stepdown::Rgb;
using stepdown::SimulationRun;

Q_DECLARE_METATYPE(stepdown::PlotSegment)

namespace {

const QColor kYellow(255, 255, 192);
constexpr Rgb kRed{255, 0, 0};

// A hand-made run: four samples per period, two periods shown, 1 kHz. The
// maxima over samples 1..4 are 1.8 (iL), 0.6 (iC), 9 (Vo), 18 (Vd), 0.9 (id).
std::shared_ptr<const SimulationRun> SmallRun() {
    auto run = std::make_shared<SimulationRun>();
    run->f = 1000.0;
    run->NP = 2;
    run->N = 4;
    run->TimeStep = 1.0 / (run->f * run->N);
    // Samples 0 and N+1 hold large values that a correct readout never reads.
    run->WaveIL = {99.0, 1.2, 1.8, 1.5, 1.2, 99.0};
    run->WaveIC = {99.0, -0.6, 0.3, 0.0, -0.6, 99.0};
    run->WaveVo = {99.0, 8.9, 9.0, 8.95, 8.9, 99.0};
    run->WaveVd = {99.0, -0.6, 18.0, -0.6, -0.6, 99.0};
    run->WaveId = {99.0, 0.9, 0.0, 0.9, 0.8, 99.0};
    return run;
}

QRadioButton* Option(const Form2& form, int number) {
    return form.findChild<QRadioButton*>(QStringLiteral("Option%1").arg(number));
}

int CountPixels(const QImage& image, const QColor& colour) {
    int count = 0;
    const QRgb wanted = colour.rgb();
    for (int row = 0; row < image.height(); ++row) {
        for (int column = 0; column < image.width(); ++column) {
            if (image.pixel(column, row) == wanted) ++count;
        }
    }
    return count;
}

// The pointer at a pixel of the plot's inner area.
QPoint InnerPoint(const PlotArea& plot, int column, int row) {
    return plot.contentsRect().topLeft() + QPoint(column, row);
}

// Moves to where the pointer already is are dropped, so each move starts on
// the border, where it is ignored, and then goes to the inner pixel.
void MoveOver(PlotArea& plot, int column, int row) {
    QTest::mouseMove(&plot, QPoint(0, 0));
    QTest::mouseMove(&plot, InnerPoint(plot, column, row));
}

// What the readout sees for a pointer on inner pixel (column, row).
float UserX(double column) { return static_cast<float>(100.0 * column / PlotArea::kInnerWidth); }
float UserY(double row) { return static_cast<float>(100.0 * (1.0 - row / PlotArea::kInnerHeight)); }

// A move at a fractional position, which QTest's integer moves cannot make.
void SendMove(PlotArea& plot, QPointF local) {
    QMouseEvent move(QEvent::MouseMove, local, plot.mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&plot, &move);
}

}  // namespace

class Form2Test : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void controlsExistByName_data();
    void controlsExistByName();
    void captions_data();
    void captions();
    void geometry_data();
    void geometry();
    void captionsFitTheirControls();
    void fonts();
    void windowProperties();
    void resultFieldsLook_data();
    void resultFieldsLook();
    void optionCaptionColours_data();
    void optionCaptionColours();
    void startState();
    void picture2NeverShown();
    void tabOrderAndFocus();
    void optionsFormOneGroup();
    void setCaptionByName();

    void plotAreaSizeAndBorder();
    void userScaleMapping_data();
    void userScaleMapping();
    void edgeTicksLieOnTheEdges();
    void otherUserScale();
    void defaultColourIsButtonText();
    void batchMatchesSingleLines();
    void resetClearsToBackground();
    void retainedImageSurvivesRepaint();

    void pointerSelectsAndReads_data();
    void pointerSelectsAndReads();
    void pointerReadoutLiteral();
    void readoutUsesLocaleSeparator();
    void visibleTooltipFollowsPointer();
    void moveBelowLowestBandKeepsSelection();
    void withoutRunOnlySelectionChanges();
    void movesOverTheBorderAreIgnored();

    void hostCreatesHiddenAndReuses();
    void closingDestroysAndHostMakesFresh();
    void showWindowIsModeless();
};

void Form2Test::cleanup() {
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->inherits("stepdown::Form2")) delete window;
    }
}

void Form2Test::controlsExistByName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::newRow("Picture1") << "Picture1"
                              << "stepdown::PlotArea";
    QTest::newRow("Picture2") << "Picture2"
                              << "QLabel";
    for (int i = 1; i <= 16; ++i) {
        const QString name = QStringLiteral("Label%1").arg(i);
        QTest::newRow(qPrintable(name)) << name << "QLabel";
    }
    for (int i = 1; i <= 5; ++i) {
        const QString name = QStringLiteral("Option%1").arg(i);
        QTest::newRow(qPrintable(name)) << name << "QRadioButton";
    }
}

void Form2Test::controlsExistByName() {
    QFETCH(QString, name);
    QFETCH(QString, className);
    Form2 form;
    QCOMPARE(form.objectName(), QStringLiteral("Form2"));
    QWidget* control = form.findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    QVERIFY2(control != nullptr, qPrintable(name));
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), className);
}

void Form2Test::captions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Label1") << "Label1"
                            << QStringLiteral(
                                   "Sposta il cursore del mouse sulla forma d'onda , comparirà il "
                                   "valore in quel punto");
    QTest::newRow("Label2") << "Label2"
                            << "Label2";
    QTest::newRow("Label3") << "Label3"
                            << "Delta iL";
    QTest::newRow("Label4") << "Label4"
                            << "[A]";
    QTest::newRow("Label5") << "Label5"
                            << "Label5";
    QTest::newRow("Label6") << "Label6"
                            << "Delta Vo";
    QTest::newRow("Label7") << "Label7"
                            << "[mV]";
    QTest::newRow("Label8") << "Label8"
                            << "Label8";
    QTest::newRow("Label9") << "Label9"
                            << "Label9";
    QTest::newRow("Label10") << "Label10"
                             << "Id picco";
    QTest::newRow("Label11") << "Label11"
                             << "[A]";
    QTest::newRow("Label12") << "Label12"
                             << "Id media";
    QTest::newRow("Label13") << "Label13"
                             << "[A]";
    QTest::newRow("Label14") << "Label14"
                             << "Ii media o continua in ingresso";
    QTest::newRow("Label15") << "Label15"
                             << "[A]";
    QTest::newRow("Label16") << "Label16"
                             << "Label16";
    QTest::newRow("Option1") << "Option1"
                             << "iL(t)";
    QTest::newRow("Option2") << "Option2"
                             << "iC(t)";
    QTest::newRow("Option3") << "Option3"
                             << "Vo(t)";
    QTest::newRow("Option4") << "Option4"
                             << "Vd(t)";
    QTest::newRow("Option5") << "Option5"
                             << "id(t)";
}

void Form2Test::captions() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    Form2 form;
    QWidget* control = form.findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(control->property("text").toString(), caption);
}

void Form2Test::geometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<int>("extraWidth");
    QTest::newRow("Picture1") << "Picture1" << QRect(120, 120, 15015, 9135) << 0;
    QTest::newRow("Picture2") << "Picture2" << QRect(16800, 6480, 495, 375) << 0;
    QTest::newRow("Option1") << "Option1" << QRect(15360, 1800, 975, 375) << 0;
    QTest::newRow("Option2") << "Option2" << QRect(15360, 2640, 735, 495) << 0;
    // One pixel wider than listed: the bold face needs it for "Vo(t)".
    QTest::newRow("Option3") << "Option3" << QRect(15360, 5280, 735, 615) << 1;
    QTest::newRow("Option4") << "Option4" << QRect(15360, 7200, 975, 375) << 0;
    QTest::newRow("Option5") << "Option5" << QRect(15360, 8880, 735, 495) << 0;
    QTest::newRow("Label1") << "Label1" << QRect(120, 9480, 8655, 375) << 0;
    QTest::newRow("Label2") << "Label2" << QRect(16080, 720, 1575, 375) << 0;
    QTest::newRow("Label3") << "Label3" << QRect(15240, 840, 735, 255) << 0;
    QTest::newRow("Label4") << "Label4" << QRect(17760, 840, 255, 255) << 0;
    QTest::newRow("Label5") << "Label5" << QRect(16200, 4560, 1575, 375) << 0;
    QTest::newRow("Label6") << "Label6" << QRect(15240, 4680, 855, 255) << 0;
    QTest::newRow("Label7") << "Label7" << QRect(17880, 4680, 495, 255) << 0;
    QTest::newRow("Label8") << "Label8" << QRect(16200, 7800, 1575, 375) << 0;
    QTest::newRow("Label9") << "Label9" << QRect(16200, 8280, 1575, 375) << 0;
    QTest::newRow("Label10") << "Label10" << QRect(15240, 7800, 735, 255) << 0;
    QTest::newRow("Label11") << "Label11" << QRect(17880, 7920, 255, 255) << 0;
    QTest::newRow("Label12") << "Label12" << QRect(15240, 8400, 735, 255) << 0;
    QTest::newRow("Label13") << "Label13" << QRect(17880, 8400, 255, 255) << 0;
    QTest::newRow("Label14") << "Label14" << QRect(13440, 9480, 2655, 255) << 0;
    QTest::newRow("Label15") << "Label15" << QRect(18000, 9480, 255, 255) << 0;
    QTest::newRow("Label16") << "Label16" << QRect(16200, 9360, 1575, 375) << 0;
}

void Form2Test::geometry() {
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QFETCH(int, extraWidth);
    Form2 form;
    QWidget* control = form.findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    const QRect expected(twips.x() / 15, twips.y() / 15, twips.width() / 15 + extraWidth,
                         twips.height() / 15);
    QCOMPARE(control->geometry(), expected);
}

void Form2Test::captionsFitTheirControls() {
    Form2 form;
    for (QLabel* label : form.findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;
        const QFontMetrics metrics(label->font());
        const QRect room = label->contentsRect();
        QVERIFY2(metrics.horizontalAdvance(label->text()) <= room.width(),
                 qPrintable(label->objectName()));
        QVERIFY2(metrics.height() <= room.height(), qPrintable(label->objectName()));
    }
    for (QRadioButton* option : form.findChildren<QRadioButton*>()) {
        QVERIFY2(option->sizeHint().width() <= option->width(), qPrintable(option->objectName()));
        QVERIFY2(option->sizeHint().height() <= option->height(), qPrintable(option->objectName()));
    }
}

void Form2Test::fonts() {
    Form2 form;
    for (QWidget* control : form.findChildren<QWidget*>()) {
        if (!control->inherits("QLabel") && !control->inherits("QRadioButton")) continue;
        const QFont font = control->font();
        const bool large = control->objectName() == QStringLiteral("Label1");
        QCOMPARE(font.family(), QStringLiteral("Liberation Sans"));
        QVERIFY2(font.bold(), qPrintable(control->objectName()));
        QCOMPARE(font.pointSizeF(), large ? 9.75 : 8.25);
    }
}

void Form2Test::windowProperties() {
    Form2 form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Forme d'onda reali"));
    QCOMPARE(form.size(), QSize(1233, 667));
    QVERIFY(form.isWindow());
    QVERIFY(form.parentWidget() == nullptr);
    QCOMPARE(form.windowModality(), Qt::NonModal);
    QVERIFY(form.testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(!form.isVisible());
    QVERIFY(!form.windowIcon().pixmap(32, 32).isNull());
}

void Form2Test::resultFieldsLook_data() {
    QTest::addColumn<QString>("name");
    for (const char* name : {"Label2", "Label5", "Label8", "Label9", "Label16"}) {
        QTest::newRow(name) << QString::fromLatin1(name);
    }
}

void Form2Test::resultFieldsLook() {
    QFETCH(QString, name);
    Form2 form;
    auto* field = form.findChild<QLabel*>(name);
    QVERIFY(field != nullptr);
    QCOMPARE(field->frameShape(), QFrame::Box);
    QCOMPARE(field->lineWidth(), 1);
    QVERIFY(field->autoFillBackground());
    QCOMPARE(field->palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(field->alignment() & Qt::AlignRight);

    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QImage image = field->grab().toImage();
    QCOMPARE(QColor(image.pixel(image.width() / 2, 2)), QColor(Qt::white));
    QVERIFY(QColor(image.pixel(image.width() / 2, 0)) != QColor(Qt::white));
}

void Form2Test::optionCaptionColours_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("iL red") << 1 << QColor(255, 0, 0);
    QTest::newRow("iC green") << 2 << QColor(0, 255, 0);
    QTest::newRow("Vo blue") << 3 << QColor(0, 0, 255);
    QTest::newRow("Vd magenta") << 4 << QColor(255, 0, 255);
    QTest::newRow("id cyan") << 5 << QColor(0, 255, 255);
}

void Form2Test::optionCaptionColours() {
    QFETCH(int, number);
    QFETCH(QColor, colour);
    Form2 form;
    QRadioButton* option = Option(form, number);
    QCOMPARE(option->palette().color(QPalette::Active, QPalette::WindowText), colour);
    QCOMPARE(option->palette().color(QPalette::Inactive, QPalette::WindowText), colour);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // The drawn caption has pixels of exactly that colour.
    QVERIFY(CountPixels(option->grab().toImage(), colour) > 0);
}

void Form2Test::startState() {
    Form2 form;
    QCOMPARE(form.SelectedOption(), 0);
    for (int i = 1; i <= 5; ++i) QVERIFY(!Option(form, i)->isChecked());
    QVERIFY(form.Plot()->toolTip().isEmpty());
    QVERIFY(form.ShownRun() == nullptr);
    QCOMPARE(CountPixels(form.Plot()->Image(), kYellow),
             PlotArea::kInnerWidth * PlotArea::kInnerHeight);
}

void Form2Test::picture2NeverShown() {
    Form2 form;
    form.ShowWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* picture2 = form.findChild<QLabel*>(QStringLiteral("Picture2"));
    QVERIFY(!picture2->isVisible());
    QVERIFY(picture2->pixmap().isNull());
    QCOMPARE(picture2->focusPolicy(), Qt::NoFocus);
}

void Form2Test::tabOrderAndFocus() {
    Form2 form;
    QWidget* const plot = form.Plot();
    QVERIFY(plot->focusPolicy() & Qt::TabFocus);
    QStringList order;
    QWidget* widget = plot;
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isWindow() == false) {
            order << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != plot);
    QCOMPARE(order,
             QStringList({"Picture1", "Option1", "Option2", "Option3", "Option4", "Option5"}));

    form.ShowWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget(), plot);
}

void Form2Test::optionsFormOneGroup() {
    Form2 form;
    Option(form, 2)->setChecked(true);
    QCOMPARE(form.SelectedOption(), 2);
    Option(form, 4)->setChecked(true);
    QCOMPARE(form.SelectedOption(), 4);
    QVERIFY(!Option(form, 2)->isChecked());
}

void Form2Test::setCaptionByName() {
    Form2 form;
    form.SetCaption("Label2", "6,14E-01");
    form.SetCaption("Label16", "8.85E-01");
    form.SetCaption("NoSuchLabel", "x");
    QCOMPARE(form.findChild<QLabel*>("Label2")->text(), QStringLiteral("6,14E-01"));
    QCOMPARE(form.findChild<QLabel*>("Label16")->text(), QStringLiteral("8.85E-01"));
    QCOMPARE(form.findChild<QLabel*>("Label5")->text(), QStringLiteral("Label5"));
}

void Form2Test::plotAreaSizeAndBorder() {
    Form2 form;
    PlotArea* plot = form.Plot();
    QCOMPARE(plot->size(), QSize(1001, 609));
    QCOMPARE(plot->contentsRect(), QRect(2, 2, 997, 605));
    QCOMPARE(form.PlotWidthPixels(), 997);
    QCOMPARE(form.PlotHeightPixels(), 605);
    QVERIFY(plot->hasMouseTracking());

    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QImage shown = plot->grab().toImage();
    // A sunken border: darker at the top-left than the yellow ground, two
    // pixels wide on every side, and the ground right inside it.
    for (const QPoint& border :
         {QPoint(0, 300), QPoint(1, 300), QPoint(500, 0), QPoint(500, 1), QPoint(1000, 300),
          QPoint(999, 300), QPoint(500, 608), QPoint(500, 607)}) {
        QVERIFY(QColor(shown.pixel(border)) != kYellow);
    }
    QCOMPARE(QColor(shown.pixel(2, 300)), kYellow);
    QCOMPARE(QColor(shown.pixel(998, 300)), kYellow);
    QCOMPARE(QColor(shown.pixel(500, 2)), kYellow);
    QCOMPARE(QColor(shown.pixel(500, 606)), kYellow);
    QVERIFY(qGray(shown.pixel(0, 300)) < qGray(shown.pixel(1000, 300)));
}

void Form2Test::userScaleMapping_data() {
    QTest::addColumn<PlotSegment>("segment");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    // Column x * 997 / 100 and row (100 - y) * 605 / 100, whole pixels.
    QTest::newRow("horizontal y=50")
        << PlotSegment{10.0F, 50.0F, 20.0F, 50.0F} << QPoint(99, 302) << QPoint(199, 302);
    QTest::newRow("vertical x=50")
        << PlotSegment{50.0F, 10.0F, 50.0F, 30.0F} << QPoint(498, 544) << QPoint(498, 423);
    QTest::newRow("zero line y=80")
        << PlotSegment{0.0F, 80.0F, 100.0F, 80.0F} << QPoint(0, 121) << QPoint(996, 121);
    QTest::newRow("zero line y=0.1")
        << PlotSegment{0.0F, 0.1F, 100.0F, 0.1F} << QPoint(0, 604) << QPoint(996, 604);
    QTest::newRow("diagonal") << PlotSegment{0.0F, 100.0F, 10.0F, 90.0F} << QPoint(0, 0)
                              << QPoint(99, 60);
}

void Form2Test::userScaleMapping() {
    QFETCH(PlotSegment, segment);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    Form2 form;
    form.SetUserScale(0.0, 100.0, 100.0, 0.0);
    form.DrawLine(segment, kRed);
    const QImage& image = form.Plot()->Image();
    QCOMPARE(QColor(image.pixel(from)), QColor(Qt::red));
    QCOMPARE(QColor(image.pixel(to)), QColor(Qt::red));
    // One pixel wide: the line covers about as many pixels as its longer side.
    const int span = std::max(std::abs(to.x() - from.x()), std::abs(to.y() - from.y())) + 1;
    QCOMPARE(CountPixels(image, Qt::red), span);
    // Nothing of it beyond its end points.
    if (from.y() == to.y() && to.x() + 1 < image.width()) {
        QCOMPARE(QColor(image.pixel(to.x() + 1, to.y())), kYellow);
        if (from.y() > 0) QCOMPARE(QColor(image.pixel(from.x(), from.y() - 1)), kYellow);
    }
}

void Form2Test::edgeTicksLieOnTheEdges() {
    Form2 form;
    form.SetUserScale(0.0, 100.0, 100.0, 0.0);
    form.DrawLine(PlotSegment{0.0F, 100.0F, 0.2F, 100.0F});
    form.DrawLine(PlotSegment{100.0F, 0.0F, 100.0F, 0.5F});
    const QImage& image = form.Plot()->Image();
    const QColor black(Qt::black);
    // Top-left tick: row 0, columns 0 and 1 (0.2 * 9.97 = 1.99).
    QCOMPARE(QColor(image.pixel(0, 0)), black);
    QCOMPARE(QColor(image.pixel(1, 0)), black);
    QCOMPARE(QColor(image.pixel(2, 0)), kYellow);
    // Rightmost bottom tick: last column, rows 601 (0.5 up) to 604 (the edge).
    for (int row = 601; row <= 604; ++row) QCOMPARE(QColor(image.pixel(996, row)), black);
    QCOMPARE(QColor(image.pixel(996, 600)), kYellow);
    QCOMPARE(CountPixels(image, black), 6);
}

void Form2Test::otherUserScale() {
    Form2 form;
    // Pixel units, y downwards.
    form.SetUserScale(0.0, 0.0, 997.0, 605.0);
    form.DrawLine(PlotSegment{10.0F, 20.0F, 10.0F, 20.0F}, kRed);
    QCOMPARE(QColor(form.Plot()->Image().pixel(10, 20)), QColor(Qt::red));
    // A scale without extent is refused; the previous one stays.
    form.SetUserScale(5.0, 5.0, 5.0, 5.0);
    form.DrawLine(PlotSegment{30.0F, 40.0F, 30.0F, 40.0F}, kRed);
    QCOMPARE(QColor(form.Plot()->Image().pixel(30, 40)), QColor(Qt::red));
    // Points that are not numbers draw nothing.
    form.DrawLine(PlotSegment{std::numeric_limits<float>::quiet_NaN(), 0.0F, 1.0F, 1.0F}, kRed);
    QCOMPARE(CountPixels(form.Plot()->Image(), Qt::red), 2);
}

void Form2Test::defaultColourIsButtonText() {
    Form2 form;
    const QColor foreground = form.Plot()->palette().color(QPalette::ButtonText);
    QCOMPARE(foreground, QColor(Qt::black));
    form.SetUserScale(0.0, 100.0, 100.0, 0.0);
    form.DrawLine(PlotSegment{0.0F, 50.0F, 50.0F, 50.0F});
    QCOMPARE(QColor(form.Plot()->Image().pixel(10, 302)), foreground);

    QPalette other = form.Plot()->palette();
    other.setColor(QPalette::ButtonText, QColor(10, 20, 30));
    form.Plot()->setPalette(other);
    form.DrawLine(PlotSegment{0.0F, 40.0F, 50.0F, 40.0F});
    QCOMPARE(QColor(form.Plot()->Image().pixel(10, 363)), QColor(10, 20, 30));
}

void Form2Test::batchMatchesSingleLines() {
    std::vector<PlotSegment> segments;
    for (int i = 0; i < 200; ++i) {
        const float x = static_cast<float>(i) * 0.5F;
        segments.push_back(
            {x, 50.0F + 40.0F * std::sin(x), x + 0.5F, 50.0F + 40.0F * std::sin(x + 0.5F)});
    }
    Form2 single;
    Form2 batch;
    single.SetUserScale(0.0, 100.0, 100.0, 0.0);
    batch.SetUserScale(0.0, 100.0, 100.0, 0.0);
    for (const PlotSegment& segment : segments) single.DrawLine(segment, Rgb{0, 0, 255});
    batch.DrawSegments(segments, Rgb{0, 0, 255});
    QCOMPARE(batch.Plot()->Image(), single.Plot()->Image());
    QVERIFY(CountPixels(batch.Plot()->Image(), QColor(0, 0, 255)) > 200);
}

void Form2Test::resetClearsToBackground() {
    Form2 form;
    form.SetUserScale(0.0, 100.0, 100.0, 0.0);
    form.DrawLine(PlotSegment{0.0F, 0.0F, 100.0F, 100.0F}, kRed);
    form.DrawLine(PlotSegment{0.0F, 50.0F, 100.0F, 50.0F});
    QVERIFY(CountPixels(form.Plot()->Image(), kYellow) < 997 * 605);
    form.ResetPlot();
    QCOMPARE(CountPixels(form.Plot()->Image(), kYellow), 997 * 605);
    QCOMPARE(form.Plot()->Image().size(), QSize(997, 605));
}

void Form2Test::retainedImageSurvivesRepaint() {
    Form2 form;
    form.ShowWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.SetUserScale(0.0, 100.0, 100.0, 0.0);
    form.DrawLine(PlotSegment{0.0F, 80.0F, 100.0F, 80.0F}, kRed);
    form.DrawLine(PlotSegment{25.0F, 0.0F, 25.0F, 100.0F}, Rgb{0, 0, 255});
    PlotArea* plot = form.Plot();
    const QImage drawn = plot->Image();

    const auto inner = [plot] {
        return plot->grab()
            .toImage()
            .copy(plot->contentsRect())
            .convertToFormat(QImage::Format_RGB32);
    };
    QCOMPARE(inner(), drawn);
    // Covered by another window, minimised and restored, repainted: the
    // screen is always painted again from the stored image.
    QWidget cover;
    cover.setGeometry(form.geometry());
    cover.show();
    QVERIFY(QTest::qWaitForWindowExposed(&cover));
    cover.hide();
    form.showMinimized();
    form.showNormal();
    plot->repaint();
    QCOMPARE(inner(), drawn);
    QCOMPARE(CountPixels(drawn, Qt::red) > 900, true);
}

void Form2Test::pointerSelectsAndReads_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("option");
    // Rows: band 1 from the top to y = 80 (row 121), band 2 to 60, 3 to 40,
    // 4 to 19, 5 to 0.1.
    QTest::newRow("top band iL") << 0 << 0 << 1;
    QTest::newRow("iL just above 80") << 300 << 120 << 1;
    QTest::newRow("iC below 80") << 300 << 122 << 2;
    QTest::newRow("iC") << 996 << 200 << 2;
    QTest::newRow("Vo") << 500 << 300 << 3;
    QTest::newRow("Vd above 20") << 100 << 420 << 4;
    QTest::newRow("Vd at 19.5, below its zero line") << 100 << 487 << 4;
    QTest::newRow("id below 19") << 700 << 491 << 5;
    QTest::newRow("id bottom row") << 700 << 604 << 5;
}

void Form2Test::pointerSelectsAndReads() {
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(int, option);
    Form2 form;
    const auto run = SmallRun();
    form.SetShownRun(run);
    form.ShowWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    PlotArea* plot = form.Plot();

    MoveOver(*plot, column, row);
    QCOMPARE(form.SelectedOption(), option);
    QVERIFY(Option(form, option)->isChecked());

    const stepdown::ReadoutResult expected =
        stepdown::CursorReadout(run.get(), 0, UserX(column), UserY(row), ".");
    QCOMPARE(expected.selectedOption, option);
    QVERIFY(expected.toolTip.has_value());
    QCOMPARE(plot->toolTip(), QString::fromStdString(*expected.toolTip));
}

void Form2Test::pointerReadoutLiteral() {
    // Left edge, top row: t = 0, y = 100, iL = 20 * 1.8 / 18 = 2.
    Form2 form(QLocale::c());
    form.SetShownRun(SmallRun());
    form.ShowWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    MoveOver(*form.Plot(), 0, 0);
    QCOMPARE(form.SelectedOption(), 1);
    QCOMPARE(form.Plot()->toolTip(), QStringLiteral("t= 0.00usec ; iL(t) = 2.00E+00A"));
}

void Form2Test::readoutUsesLocaleSeparator() {
    Form2 form(QLocale(QLocale::Italian, QLocale::Italy));
    form.SetShownRun(SmallRun());
    form.ShowWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    MoveOver(*form.Plot(), 0, 0);
    QCOMPARE(form.Plot()->toolTip(), QStringLiteral("t= 0,00usec ; iL(t) = 2,00E+00A"));
}

void Form2Test::visibleTooltipFollowsPointer() {
    Form2 form;
    form.SetShownRun(SmallRun());
    form.ShowWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    PlotArea* plot = form.Plot();
    MoveOver(*plot, 100, 50);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), plot->toolTip());
    const QString first = QToolTip::text();
    const QWidget* tip = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->inherits("QTipLabel") && window->isVisible()) tip = window;
    }
    QVERIFY(tip != nullptr);
    const QPoint firstPlace = tip->pos();
    MoveOver(*plot, 150, 90);
    QVERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), plot->toolTip());
    QVERIFY(QToolTip::text() != first);
    // Shown beside the pointer, which moved 50 right and 40 down.
    QCOMPARE(tip->pos() - firstPlace, QPoint(50, 40));
}

void Form2Test::moveBelowLowestBandKeepsSelection() {
    Form2 form;
    const auto run = SmallRun();
    form.SetShownRun(run);
    form.ShowWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    PlotArea* plot = form.Plot();
    MoveOver(*plot, 200, 200);
    QCOMPARE(form.SelectedOption(), 2);

    // Y = 100 * (1 - 604.6 / 605), below 0.1: iC stays selected and is read
    // out with its own formula at this height.
    const QPointF low = QPointF(plot->contentsRect().topLeft()) + QPointF(200.0, 604.6);
    SendMove(*plot, low);
    QCOMPARE(form.SelectedOption(), 2);
    const stepdown::ReadoutResult expected =
        stepdown::CursorReadout(run.get(), 2, UserX(200.0), UserY(604.6), std::string(1, '.'));
    QVERIFY(UserY(604.6) < 0.1F);
    QCOMPARE(plot->toolTip(), QString::fromStdString(expected.toolTip.value()));
    QVERIFY(plot->toolTip().contains(QStringLiteral("iC(t) = -")));
}

void Form2Test::withoutRunOnlySelectionChanges() {
    Form2 form;
    form.ShowWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    PlotArea* plot = form.Plot();
    // Below the lowest band with nothing selected: nothing changes at all.
    SendMove(*plot, QPointF(plot->contentsRect().topLeft()) + QPointF(10.0, 604.9));
    QCOMPARE(form.SelectedOption(), 0);
    MoveOver(*plot, 10, 300);
    QCOMPARE(form.SelectedOption(), 3);
    MoveOver(*plot, 10, 10);
    QCOMPARE(form.SelectedOption(), 1);
    QVERIFY(plot->toolTip().isEmpty());
    QVERIFY(!QToolTip::isVisible());
}

void Form2Test::movesOverTheBorderAreIgnored() {
    Form2 form;
    form.SetShownRun(SmallRun());
    form.ShowWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    PlotArea* plot = form.Plot();
    QSignalSpy moves(plot, &PlotArea::PointerMoved);
    QTest::mouseMove(plot, QPoint(1, 300));
    QTest::mouseMove(plot, QPoint(500, 607));
    QCOMPARE(moves.count(), 0);
    QCOMPARE(form.SelectedOption(), 0);
    QTest::mouseMove(plot, QPoint(2, 2));
    QCOMPARE(moves.count(), 1);
    QCOMPARE(moves.at(0).at(0).toFloat(), 0.0F);
    QCOMPARE(moves.at(0).at(1).toFloat(), 100.0F);
}

void Form2Test::hostCreatesHiddenAndReuses() {
    Form2Host host;
    QVERIFY(host.Window() == nullptr);
    stepdown::WaveformWindowOperations& first = host.WaveformWindow();
    QVERIFY(host.Window() != nullptr);
    QVERIFY(!host.Window()->isVisible());
    QCOMPARE(&host.WaveformWindow(), &first);
    QCOMPARE(static_cast<stepdown::WaveformWindowOperations*>(host.Window()), &first);
}

void Form2Test::closingDestroysAndHostMakesFresh() {
    Form2Host host;
    host.WaveformWindow().ShowWindow();
    QPointer<Form2> first = host.Window();
    QVERIFY(QTest::qWaitForWindowExposed(first));
    first->SetCaption("Label2", "6.14E-01");
    first->SetShownRun(SmallRun());
    first->SetUserScale(0.0, 100.0, 100.0, 0.0);
    first->DrawLine(PlotSegment{0.0F, 80.0F, 100.0F, 80.0F}, kRed);
    MoveOver(*first->Plot(), 10, 10);
    QCOMPARE(first->SelectedOption(), 1);

    QVERIFY(first->close());
    QTRY_VERIFY(first.isNull());
    QVERIFY(host.Window() == nullptr);

    host.WaveformWindow();
    Form2* fresh = host.Window();
    QVERIFY(fresh != nullptr);
    QVERIFY(!fresh->isVisible());
    QCOMPARE(fresh->findChild<QLabel*>("Label2")->text(), QStringLiteral("Label2"));
    QCOMPARE(fresh->SelectedOption(), 0);
    QVERIFY(fresh->Plot()->toolTip().isEmpty());
    QVERIFY(fresh->ShownRun() == nullptr);
    QCOMPARE(CountPixels(fresh->Plot()->Image(), kYellow), 997 * 605);
}

void Form2Test::showWindowIsModeless() {
    QWidget mainWindow;
    mainWindow.show();
    Form2 form;
    form.ShowWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(form.isVisible());
    QVERIFY(!form.isModal());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(mainWindow.isEnabled());
    QVERIFY(form.parentWidget() == nullptr);
}

QTEST_MAIN(Form2Test)
#include "Form2Test.moc"

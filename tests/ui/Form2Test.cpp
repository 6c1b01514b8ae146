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

    void controls_data();
    void controls();
    void controlsLieApartInsideTheWindow();
    void captionsFitTheirControls();
    void fonts();
    void windowProperties();
    void resultFieldsLook_data();
    void resultFieldsLook();
    void optionCaptionColours_data();
    void optionCaptionColours();
    void startState();
    void tabOrderAndFocus();
    void setCaptionByName();

    void plotAreaSizeAndBorder();
    void userScaleMapping_data();
    void userScaleMapping();
    void edgeTicksLieOnTheEdges();
    void otherUserScale();
    void defaultColourIsButtonText();
    void resetClearsToBackground();
    void retainedImageSurvivesRepaint();

    void pointerSelectsAndReads_data();
    void pointerSelectsAndReads();
    void pointerReadoutLiteral_data();
    void pointerReadoutLiteral();
    void visibleTooltipFollowsPointer();
    void moveBelowLowestBandKeepsSelection();
    void withoutRunOnlySelectionChanges();
    void movesOverTheBorderAreIgnored();

    void hostReusesThenMakesAFreshWindowAfterClosing();
};

void Form2Test::cleanup() {
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->inherits("stepdown::Form2")) delete window;
    }
}

void Form2Test::controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Picture1") << "Picture1"
                              << "stepdown::PlotArea" << QString();
    QTest::newRow("Picture2") << "Picture2"
                              << "QLabel" << QString();
    const QStringList captions{
        QStringLiteral("Sposta il cursore del mouse sulla forma d'onda , comparirà il valore in "
                       "quel punto"),
        "Label2",
        "Delta iL",
        "[A]",
        "Label5",
        "Delta Vo",
        "[mV]",
        "Label8",
        "Label9",
        "Id picco",
        "[A]",
        "Id media",
        "[A]",
        "Ii media o continua in ingresso",
        "[A]",
        "Label16"};
    for (int i = 1; i <= 16; ++i) {
        const QString name = QStringLiteral("Label%1").arg(i);
        QTest::newRow(qPrintable(name)) << name << "QLabel" << captions[i - 1];
    }
    const QStringList options{"iL(t)", "iC(t)", "Vo(t)", "Vd(t)", "id(t)"};
    for (int i = 1; i <= 5; ++i) {
        const QString name = QStringLiteral("Option%1").arg(i);
        QTest::newRow(qPrintable(name)) << name << "QRadioButton" << options[i - 1];
    }
}

void Form2Test::controls() {
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, caption);
    Form2 form;
    QCOMPARE(form.objectName(), QStringLiteral("Form2"));
    QWidget* control = form.findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    QVERIFY2(control != nullptr, qPrintable(name));
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), className);
    if (!caption.isNull()) QCOMPARE(control->property("text").toString(), caption);
}

void Form2Test::controlsLieApartInsideTheWindow() {
    Form2 form;
    const QList<QWidget*> controls = form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    QCOMPARE(controls.size(), 2 + 16 + 5);
    for (QWidget* control : controls) {
        QVERIFY2(form.rect().contains(control->geometry()), qPrintable(control->objectName()));
        for (QWidget* other : controls) {
            if (other == control || other->objectName() == QStringLiteral("Picture2")) continue;
            QVERIFY2(!control->geometry().intersects(other->geometry()),
                     qPrintable(control->objectName() + " / " + other->objectName()));
        }
    }
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
    // The options form one group.
    Option(form, 2)->setChecked(true);
    Option(form, 4)->setChecked(true);
    QCOMPARE(form.SelectedOption(), 4);
    QVERIFY(!Option(form, 2)->isChecked());
    // Picture2 is never shown.
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

void Form2Test::setCaptionByName() {
    Form2 form;
    form.SetCaption("Label2", "6,14E-01");
    form.SetCaption("Label16", "8.85E-01");
    QCOMPARE(form.findChild<QLabel*>("Label2")->text(), QStringLiteral("6,14E-01"));
    QCOMPARE(form.findChild<QLabel*>("Label16")->text(), QStringLiteral("8.85E-01"));
    QCOMPARE(form.findChild<QLabel*>("Label5")->text(), QStringLiteral("Label5"));
}

void Form2Test::plotAreaSizeAndBorder() {
    Form2 form;
    PlotArea* plot = form.Plot();
    QCOMPARE(plot->geometry(), QRect(8, 8, 1001, 609));
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

void Form2Test::pointerReadoutLiteral_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    // Left edge, top row: t = 0, y = 100, iL = 20 * 1.8 / 18 = 2.
    QTest::newRow("C") << QLocale::c() << "t= 0.00usec ; iL(t) = 2.00E+00A";
    QTest::newRow("Italian") << QLocale(QLocale::Italian, QLocale::Italy)
                             << "t= 0,00usec ; iL(t) = 2,00E+00A";
}

void Form2Test::pointerReadoutLiteral() {
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    Form2 form(locale);
    form.SetShownRun(SmallRun());
    form.ShowWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    MoveOver(*form.Plot(), 0, 0);
    QCOMPARE(form.SelectedOption(), 1);
    QCOMPARE(form.Plot()->toolTip(), text);
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

void Form2Test::hostReusesThenMakesAFreshWindowAfterClosing() {
    Form2Host host;
    QVERIFY(host.Window() == nullptr);
    stepdown::WaveformWindowOperations& reused = host.WaveformWindow();
    QVERIFY(host.Window() != nullptr);
    QVERIFY(!host.Window()->isVisible());
    QCOMPARE(&host.WaveformWindow(), &reused);
    QCOMPARE(static_cast<stepdown::WaveformWindowOperations*>(host.Window()), &reused);

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

QTEST_MAIN(Form2Test)
#include "Form2Test.moc"

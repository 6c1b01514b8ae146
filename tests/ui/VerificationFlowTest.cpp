// The whole road through both windows: "Dati Esempio", "Calcola" and
// "Grafici" on the real Form1, the waveform window it opens, its life after
// being closed, and a refused launch.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <memory>

#include "model/Module1.h"
#include "support/ModalBox.h"
#include "ui/Form1.h"
#include "ui/Form2.h"

namespace {

// The waveform window among the application's top-level windows, if any.
stepdown::Form2* OpenWaveformWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* form2 = qobject_cast<stepdown::Form2*>(widget)) return form2;
    return nullptr;
}

}  // namespace

class VerificationFlowTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void verifiesTheWorkedExample_data();
    void verifiesTheWorkedExample();
    void reopensAFreshWindowAfterItWasClosed();
    void refusesBeforeOpeningTheWindow();
    void leavesTheWaveformWindowOpenWhenTheMainWindowCloses();

private:
    void Click(const char* button) {
        QTest::mouseClick(form1_->findChild<QPushButton*>(button), Qt::LeftButton);
    }
    QLineEdit* Box(const char* name) const { return form1_->findChild<QLineEdit*>(name); }
    void Start(const QLocale& locale) {
        module_ = std::make_unique<stepdown::Module1>();
        form1_ = std::make_unique<stepdown::Form1>(*module_, locale);
        form1_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form1_.get()));
    }
    static QString Caption(QWidget* window, const char* label) {
        return window->findChild<QLabel*>(label)->text();
    }

    std::unique_ptr<stepdown::Module1> module_;
    std::unique_ptr<stepdown::Form1> form1_;
};

void VerificationFlowTest::cleanup() {
    if (stepdown::Form2* form2 = OpenWaveformWindow()) delete form2;
    form1_.reset();
    module_.reset();
}

void VerificationFlowTest::verifiesTheWorkedExample_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("figures");
    QTest::newRow("italian") << QLocale(QLocale::Italian)
                             << QStringList{"6,14E-01", "6,13E+01", "1,78E+00", "5,92E-01",
                                            "8,85E-01"};
    QTest::newRow("english") << QLocale(QLocale::English)
                             << QStringList{"6.14E-01", "6.13E+01", "1.78E+00", "5.92E-01",
                                            "8.85E-01"};
}

void VerificationFlowTest::verifiesTheWorkedExample() {
    QFETCH(QLocale, locale);
    QFETCH(QStringList, figures);
    Start(locale);
    QVERIFY(OpenWaveformWindow() == nullptr);
    Click("Command3");
    Click("Command1");
    Click("Command2");

    stepdown::Form2* form2 = OpenWaveformWindow();
    QVERIFY(form2 != nullptr);
    QVERIFY(form2->isVisible());
    QVERIFY(form2->parent() == nullptr);
    QVERIFY(!form2->isModal());
    QCOMPARE(Caption(form2, "Label2"), figures[0]);
    QCOMPARE(Caption(form2, "Label5"), figures[1]);
    QCOMPARE(Caption(form2, "Label8"), figures[2]);
    QCOMPARE(Caption(form2, "Label9"), figures[3]);
    QCOMPARE(Caption(form2, "Label16"), figures[4]);
    // The six fields read by the launch are black again; the settings keep theirs.
    for (const char* name : {"Text7", "Text8", "Text9", "Text10", "Text11", "Text12"})
        QCOMPARE(Box(name)->palette().color(QPalette::Text), QColor(0, 0, 0));
    QCOMPARE(module_->N, 1000);
    QVERIFY(form2->ShownRun() != nullptr);
    QCOMPARE(form2->ShownRun()->f, 80000.0);
    // The main window stays usable beside it.
    QVERIFY(form1_->isEnabled());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void VerificationFlowTest::reopensAFreshWindowAfterItWasClosed() {
    Start(QLocale(QLocale::English));
    Click("Command3");
    Click("Command1");
    Click("Command2");
    QPointer<stepdown::Form2> first = OpenWaveformWindow();
    QVERIFY(first != nullptr);
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull());

    // A second launch with another inductance draws into a new window.
    Box("Text9")->setText("250");
    Click("Command2");
    stepdown::Form2* second = OpenWaveformWindow();
    QVERIFY(second != nullptr);
    QVERIFY(second->isVisible());
    QVERIFY(Caption(second, "Label2") != QString("6.14E-01"));
    QCOMPARE(Caption(second, "Label8").left(2), QString("1."));

    // While it is open, a further launch reuses it.
    Click("Command2");
    QCOMPARE(OpenWaveformWindow(), second);
}

void VerificationFlowTest::refusesBeforeOpeningTheWindow() {
    Start(QLocale(QLocale::English));
    Click("Command3");
    Click("Command1");
    Box("Text13")->setText("0");
    const stepdown::testing::ModalBox box =
        stepdown::testing::WatchForModalBox([this] { Click("Command2"); });
    QVERIFY(box.seen);
    QCOMPARE(box.text, QString("Il numero dei campioni N non può essere minore di 1!"));
    QVERIFY(OpenWaveformWindow() == nullptr);
}

void VerificationFlowTest::leavesTheWaveformWindowOpenWhenTheMainWindowCloses() {
    Start(QLocale(QLocale::English));
    Click("Command3");
    Click("Command1");
    Click("Command2");
    QVERIFY(OpenWaveformWindow() != nullptr);
    form1_->close();
    QCoreApplication::processEvents();
    stepdown::Form2* form2 = OpenWaveformWindow();
    QVERIFY(form2 != nullptr);
    QVERIFY(form2->isVisible());
    QCOMPARE(Caption(form2, "Label2"), QString("6.14E-01"));
}

QTEST_MAIN(VerificationFlowTest)
#include "VerificationFlowTest.moc"

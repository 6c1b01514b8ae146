// The progress dialog of long runs, offscreen: nothing for a short run, a
// modal dialog once a run is expected to last longer than half a second, and
// Cancel stopping the run.

#include <QApplication>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

#include "ui/ApplicationTitle.h"
#include "ui/ProgressDialogReporter.h"

using stepdown::ProgressDialogReporter;

namespace {

QPushButton* CancelButton(const QProgressDialog& dialog) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("Annulla")) return button;
    }
    return nullptr;
}

}  // namespace

class ProgressDialogReporterTest : public QObject {
    Q_OBJECT

private slots:
    void shortRunShowsNothing();
    void runExpectedShortAfterItsStartShowsNothing();
    void runExpectedLongShowsModalDialog();
    void runWithoutProgressShowsAfterHalfASecond();
    void cancelStopsTheRun();
    void finishedRunHidesDialog();
    void dialogGoesWithTheReporter();
};

void ProgressDialogReporterTest::shortRunShowsNothing() {
    ProgressDialogReporter reporter;
    for (std::int64_t done = 0; done <= 2000; done += 100) {
        QVERIFY(reporter.Continue(done, 2000));
    }
    QVERIFY(reporter.Dialog() == nullptr);
    QVERIFY(!reporter.Cancelled());
}

void ProgressDialogReporterTest::runExpectedShortAfterItsStartShowsNothing() {
    ProgressDialogReporter reporter;
    QVERIFY(reporter.Continue(0, 1000));
    QTest::qSleep(60);
    // 99 % done after 60 ms: about 61 ms in all.
    QVERIFY(reporter.Continue(990, 1000));
    QVERIFY(reporter.Dialog() == nullptr);
}

void ProgressDialogReporterTest::runExpectedLongShowsModalDialog() {
    QWidget mainWindow;
    mainWindow.show();
    ProgressDialogReporter reporter(&mainWindow);
    QVERIFY(reporter.Continue(0, 1000));
    QVERIFY(reporter.Dialog() == nullptr);
    QTest::qSleep(60);
    // 1 % done after 60 ms: about 6 s in all.
    QVERIFY(reporter.Continue(10, 1000));
    QProgressDialog* dialog = reporter.Dialog();
    QVERIFY(dialog != nullptr);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
    QCOMPARE(QApplication::activeModalWidget(), dialog);
    QVERIFY(
        dialog->labelText().startsWith(QStringLiteral("Simulazione in corso…\ntempo trascorso ")));
    QCOMPARE(dialog->windowTitle(), QString::fromUtf8(stepdown::kApplicationTitle));
    QVERIFY(CancelButton(*dialog) != nullptr);
    QCOMPARE(dialog->maximum(), ProgressDialogReporter::kScale);
    QCOMPARE(dialog->value(), 10);
}

void ProgressDialogReporterTest::runWithoutProgressShowsAfterHalfASecond() {
    ProgressDialogReporter reporter;
    QVERIFY(reporter.Continue(0, 1000));
    QTest::qSleep(100);
    QVERIFY(reporter.Continue(0, 1000));
    QVERIFY(reporter.Dialog() == nullptr);
    QTest::qSleep(450);
    QVERIFY(reporter.Continue(0, 1000));
    QVERIFY(reporter.Dialog() != nullptr);
    QVERIFY(reporter.Dialog()->isVisible());
}

void ProgressDialogReporterTest::cancelStopsTheRun() {
    ProgressDialogReporter reporter;
    QTest::qSleep(60);
    QVERIFY(reporter.Continue(1, 1000));
    QProgressDialog* dialog = reporter.Dialog();
    QVERIFY(dialog != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QPushButton* cancel = CancelButton(*dialog);
    QVERIFY(cancel != nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    // The next refresh sees the click and stops the run, and so do all later.
    QTest::qSleep(ProgressDialogReporter::kRefreshMs + 10);
    QVERIFY(!reporter.Continue(2, 1000));
    QVERIFY(reporter.Cancelled());
    QVERIFY(!reporter.Continue(3, 1000));
    QVERIFY(!dialog->isVisible());
}

void ProgressDialogReporterTest::finishedRunHidesDialog() {
    ProgressDialogReporter reporter;
    QTest::qSleep(60);
    QVERIFY(reporter.Continue(1, 1000));
    QVERIFY(reporter.Dialog() != nullptr);
    QVERIFY(reporter.Continue(1000, 1000));
    QVERIFY(!reporter.Dialog()->isVisible());
    QVERIFY(!reporter.Cancelled());
}

void ProgressDialogReporterTest::dialogGoesWithTheReporter() {
    QPointer<QProgressDialog> dialog;
    {
        ProgressDialogReporter reporter;
        QTest::qSleep(60);
        QVERIFY(reporter.Continue(1, 1000));
        dialog = reporter.Dialog();
        QVERIFY(!dialog.isNull());
    }
    QVERIFY(dialog.isNull());
}

QTEST_MAIN(ProgressDialogReporterTest)
#include "ProgressDialogReporterTest.moc"

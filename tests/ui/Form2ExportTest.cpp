// The waveform window's exports, offscreen: the plot's context menu, the PNG
// of the plot as drawn and the CSV of the shown run, written through a file
// name given in place of the save dialog, and the message of a failed write;
// the start-up window the menu opens and its envelope export.

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>
#include <string>

#include "model/Module1.h"
#include "simulation/Launch.h"
#include "simulation/StartupReport.h"
#include "simulation/WaveformCsv.h"
#include "support/ModalBox.h"
#include "support/RecordingProgress.h"
#include "support/RecordingWindow.h"
#include "ui/Form2.h"
#include "ui/PlotArea.h"
#include "ui/StartupWindow.h"

using stepdown::Form2;
using stepdown::PlotArea;
using stepdown::StartupWindow;
using stepdown::testing::ModalBox;
using stepdown::testing::WatchForModalBox;

namespace {

// The main window's side of "Grafici" from the recording fake, the waveform
// window real: the run of the worked example's verification fields.
class LaunchInto : public stepdown::WaveformWindowHost {
public:
    explicit LaunchInto(Form2& form, const QString& samples = QStringLiteral("1000"))
        : form_(form) {
        const std::pair<const char*, const char*> typed[] = {
            {"Text7", "2.500E+01"}, {"Text8", "6.000E+01"},  {"Text12", "8.000E+01"},
            {"Text9", "1.250E+02"}, {"Text10", "1.563E+01"}, {"Text11", "1.000E+01"}};
        for (const auto& [box, text] : typed) window.Type(box, text);
        window.Type("Text13", samples.toStdString());
        stepdown::LaunchVerification(module, window, *this, progress);
    }
    stepdown::WaveformWindowOperations& WaveformWindow() override { return form_; }

    stepdown::Module1 module;
    stepdown::testing::RecordingWindow window;
    stepdown::testing::RecordingProgress progress;

private:
    Form2& form_;
};

// What the save step was asked, and the name it answers with.
struct SaveDialog {
    QString answer;
    int calls = 0;
    QString caption, suggestedName, filter;

    template <class Window>
    void InstallOn(Window& form) {
        form.SetSaveFileNameProvider(
            [this](const QString& c, const QString& name, const QString& f) {
                ++calls;
                caption = c;
                suggestedName = name;
                filter = f;
                return answer;
            });
    }
};

// The entries of the popup the plot opens on a right click.
struct MenuSeen {
    bool opened = false;
    QStringList texts;
    QList<bool> enabled;
};

MenuSeen RightClick(PlotArea& plot) {
    MenuSeen seen;
    bool done = false;
    std::function<void()> inspect = [&] {
        if (done) return;
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            QTimer::singleShot(10, inspect);
            return;
        }
        seen.opened = true;
        for (QAction* action : menu->actions()) {
            seen.texts << action->text();
            seen.enabled << action->isEnabled();
        }
        menu->close();
    };
    QTimer::singleShot(0, inspect);
    const QPoint local(300, 200);
    QContextMenuEvent event(QContextMenuEvent::Mouse, local, plot.mapToGlobal(local));
    QApplication::sendEvent(&plot, &event);
    done = true;
    return seen;
}

QStringList Lines(const QByteArray& text) {
    QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

}  // namespace

class Form2ExportTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void contextMenuOffersBothExports_data();
    void contextMenuOffersBothExports();
    void exportFollowsTheShownRun();
    void savesThePlotAsDrawn();
    void exportsTheShownRunsFinalPeriod_data();
    void exportsTheShownRunsFinalPeriod();
    void replacesAnExistingFile_data();
    void replacesAnExistingFile();
    void cancelledDialogWritesNothing_data();
    void cancelledDialogWritesNothing();
    void failedWriteIsReported_data();
    void failedWriteIsReported();
    void leftButtonOpensNoMenu();
    void startupWindowFollowsCompletedRuns();
    void exportsTheEnvelope();
};

void Form2ExportTest::cleanup() { QVERIFY(QApplication::activeModalWidget() == nullptr); }

void Form2ExportTest::contextMenuOffersBothExports_data() {
    QTest::addColumn<bool>("launched");
    QTest::newRow("no run shown") << false;
    QTest::newRow("after a run") << true;
}

void Form2ExportTest::contextMenuOffersBothExports() {
    QFETCH(bool, launched);
    Form2 form;
    std::unique_ptr<LaunchInto> launch;
    if (launched) launch = std::make_unique<LaunchInto>(form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    const MenuSeen seen = RightClick(*form.Plot());
    QVERIFY(seen.opened);
    QCOMPARE(seen.texts, (QStringList{QStringLiteral("Salva grafico come immagine…"),
                                      QStringLiteral("Esporta dati (CSV)…"), QString(),
                                      QStringLiteral("Avviamento e regime…")}));
    QCOMPARE(seen.enabled, (QList<bool>{true, launched, true, launched}));
}

void Form2ExportTest::exportFollowsTheShownRun() {
    Form2 form;
    QVERIFY(!form.ExportCsvAction()->isEnabled());
    LaunchInto launch(form);
    QVERIFY(form.ShownRun() != nullptr);
    QVERIFY(form.ExportCsvAction()->isEnabled());
    form.SetShownRun(nullptr);  // as after an unstable or cancelled run
    QVERIFY(!form.ExportCsvAction()->isEnabled());
    QVERIFY(form.SaveImageAction()->isEnabled());

    // Triggered while disabled: no dialog.
    SaveDialog dialog;
    dialog.InstallOn(form);
    form.ExportCsvAction()->trigger();
    QCOMPARE(dialog.calls, 0);
}

void Form2ExportTest::savesThePlotAsDrawn() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    Form2 form;
    LaunchInto launch(form);
    QVERIFY(launch.window.messages.empty());
    SaveDialog dialog;
    dialog.answer = folder.filePath(QStringLiteral("grafico.png"));
    dialog.InstallOn(form);

    form.SaveImageAction()->trigger();

    QCOMPARE(dialog.calls, 1);
    QVERIFY(dialog.filter.contains(QStringLiteral("*.png")));
    QVERIFY(dialog.suggestedName.endsWith(QStringLiteral(".png")));
    QImage saved;
    QVERIFY(saved.load(dialog.answer, "PNG"));
    QCOMPARE(saved.size(), QSize(997, 605));
    const QImage drawn = form.Plot()->Image();
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
             drawn.convertToFormat(QImage::Format_RGB32));
    // The traces are in it, not only the background and the frame.
    int red = 0;
    for (int y = 0; y < saved.height(); ++y)
        for (int x = 0; x < saved.width(); ++x)
            if (saved.pixelColor(x, y) == QColor(255, 0, 0)) ++red;
    QVERIFY(red > 997);  // the zero line of iL and its trace
}

void Form2ExportTest::exportsTheShownRunsFinalPeriod_data() {
    QTest::addColumn<QString>("samples");
    QTest::newRow("N 1000") << QStringLiteral("1000");
    QTest::newRow("N 37") << QStringLiteral("37");
}

void Form2ExportTest::exportsTheShownRunsFinalPeriod() {
    QFETCH(QString, samples);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    Form2 form;
    LaunchInto launch(form, samples);
    QVERIFY(launch.window.messages.empty());
    SaveDialog dialog;
    dialog.answer = folder.filePath(QStringLiteral("dati.csv"));
    dialog.InstallOn(form);

    form.ExportCsvAction()->trigger();

    QCOMPARE(dialog.calls, 1);
    QVERIFY(dialog.filter.contains(QStringLiteral("*.csv")));
    QVERIFY(dialog.suggestedName.endsWith(QStringLiteral(".csv")));
    const QByteArray written = ReadAll(dialog.answer);
    const QStringList lines = Lines(written);
    QCOMPARE(lines.size(), samples.toInt() + 1);
    QCOMPARE(written, QByteArray::fromStdString(stepdown::WaveformCsv(*form.ShownRun())));
    // Sample N of the launch's run is the last row's iL.
    const QStringList last = lines.back().split(QLatin1Char(','));
    const auto N = static_cast<std::size_t>(samples.toInt());
    QCOMPARE(last[1].toDouble(), launch.module.WaveIL[N]);
}

void Form2ExportTest::replacesAnExistingFile_data() {
    QTest::addColumn<bool>("image");
    QTest::newRow("PNG") << true;
    QTest::newRow("CSV") << false;
}

void Form2ExportTest::replacesAnExistingFile() {
    QFETCH(bool, image);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("esistente"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(3'000'000, 'x'));
    }
    Form2 form;
    LaunchInto launch(form, QStringLiteral("10"));
    SaveDialog dialog;
    dialog.answer = path;
    dialog.InstallOn(form);
    (image ? form.SaveImageAction() : form.ExportCsvAction())->trigger();
    const QByteArray written = ReadAll(path);
    QVERIFY(!written.contains("xxxx"));
    if (image)
        QVERIFY(QImage::fromData(written, "PNG").size() == QSize(997, 605));
    else
        QCOMPARE(Lines(written).size(), 11);
}

void Form2ExportTest::cancelledDialogWritesNothing_data() { replacesAnExistingFile_data(); }

void Form2ExportTest::cancelledDialogWritesNothing() {
    QFETCH(bool, image);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    Form2 form;
    LaunchInto launch(form, QStringLiteral("10"));
    SaveDialog dialog;  // answers with the empty name: cancelled
    dialog.InstallOn(form);
    const ModalBox box = WatchForModalBox(
        [&] { (image ? form.SaveImageAction() : form.ExportCsvAction())->trigger(); });
    QCOMPARE(dialog.calls, 1);
    QVERIFY(!box.seen);
    QVERIFY(QDir(folder.path()).isEmpty());
}

void Form2ExportTest::failedWriteIsReported_data() { replacesAnExistingFile_data(); }

void Form2ExportTest::failedWriteIsReported() {
    QFETCH(bool, image);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    Form2 form;
    LaunchInto launch(form, QStringLiteral("10"));
    SaveDialog dialog;
    dialog.answer = folder.filePath(QStringLiteral("manca/file"));
    dialog.InstallOn(form);

    const ModalBox box = WatchForModalBox(
        [&] { (image ? form.SaveImageAction() : form.ExportCsvAction())->trigger(); });

    QVERIFY(box.seen);
    const QString head = QStringLiteral("Impossibile salvare il file %1: ")
                             .arg(QDir::toNativeSeparators(dialog.answer));
    QVERIFY2(box.text.startsWith(head), qPrintable(box.text));
    QVERIFY(box.text.size() > head.size());  // with the reason
    QCOMPARE(box.title, QStringLiteral("stepdown"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, 1);
    QCOMPARE(box.button, QMessageBox::Ok);
    QVERIFY(QDir(folder.path()).isEmpty());
}

void Form2ExportTest::leftButtonOpensNoMenu() {
    Form2 form;
    LaunchInto launch(form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    PlotArea& plot = *form.Plot();
    const QPoint inner = plot.contentsRect().topLeft() + QPoint(50, 30);
    QTest::mouseClick(&plot, Qt::LeftButton, Qt::NoModifier, inner);
    QVERIFY(QApplication::activePopupWidget() == nullptr);
    // The readout still follows the pointer: the top band selects iL.
    QTest::mouseMove(&plot, QPoint(0, 0));
    QTest::mouseMove(&plot, inner);
    QCOMPARE(form.SelectedOption(), 1);
    QVERIFY(plot.toolTip().startsWith(QStringLiteral("t= ")));
}

void Form2ExportTest::startupWindowFollowsCompletedRuns() {
    Form2 form;
    LaunchInto first(form, QStringLiteral("100"));
    form.SetShownRun(std::make_shared<stepdown::SimulationRun>());  // as a refused conduction
    QVERIFY(!form.StartupAction()->isEnabled());
    form.StartupAction()->trigger();
    QVERIFY(form.OpenStartupWindow() == nullptr);

    LaunchInto launch(form);
    form.StartupAction()->trigger();
    QPointer<StartupWindow> window = form.OpenStartupWindow();
    QVERIFY(window != nullptr);
    QCOMPARE(window->windowTitle(), QStringLiteral("Avviamento e regime"));
    QVERIFY(window->isVisible() && window->isWindow());
    QCOMPARE(window->Run(), form.ShownRun());
    const auto rows = stepdown::ComparisonTable(*form.ShownRun()->analysis, ".");
    const QTableWidget& table = *window->Table();
    QCOMPARE(table.rowCount(), static_cast<int>(rows.size()));
    for (int r = 0; r < table.rowCount(); ++r) {
        const auto& row = rows[static_cast<std::size_t>(r)];
        const std::string texts[] = {row.quantity, row.unit,          row.design,         row.last,
                                     row.steady,   row.lastDeviation, row.designDeviation};
        for (int c = 0; c < 7; ++c)
            QCOMPARE(table.item(r, c)->text(), QString::fromStdString(texts[c]));
    }

    // A second choice raises the same window; a later completed run takes its
    // place.
    form.StartupAction()->trigger();
    QCOMPARE(form.OpenStartupWindow(), window.data());
    LaunchInto again(form, QStringLiteral("37"));
    QCOMPARE(form.OpenStartupWindow()->Run(), form.ShownRun());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
}

void Form2ExportTest::exportsTheEnvelope() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    Form2 form;
    LaunchInto launch(form);
    StartupWindow window(form.ShownRun(), QLocale::c());
    SaveDialog dialog;
    dialog.answer = folder.filePath(QStringLiteral("inviluppo.csv"));
    dialog.InstallOn(window);
    window.ExportCsvAction()->trigger();
    QCOMPARE(dialog.calls, 1);
    QVERIFY(dialog.filter.contains(QStringLiteral("*.csv")));
    const auto& run = *form.ShownRun();
    QCOMPARE(ReadAll(dialog.answer),
             QByteArray::fromStdString(stepdown::EnvelopeCsv(*run.analysis, run.f)));
}

QTEST_MAIN(Form2ExportTest)
#include "Form2ExportTest.moc"

// The real windows, offscreen: the worked example through both by their buttons
// and the mouse, a message box, the exports with their replace, cancel and failure
// paths, the start-up window the plot's menu opens, the progress dialog of a long run, the
// window of the converter as built from both context menus, the window of the component
// choice; the design file through the window and the command, the question before unsaved
// changes are lost, a failed save.

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QValueAxis>
#include <QtTest>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <functional>
#include <memory>

#include "componentchoice/ChoiceReport.h"
#include "control/CompensatorDesign.h"
#include "control/LoopAssembly.h"
#include "model/MainWindowBoxes.h"
#include "model/Module1.h"
#include "netlist/SpiceNetlist.h"
#include "realparts/RealPartsReport.h"
#include "report/DesignReport.h"
#include "ui/ChartAxes.h"
#include "ui/ChoiceWindow.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/LoopWindow.h"
#include "ui/NetlistExport.h"
#include "ui/PlotArea.h"
#include "ui/ProgressDialogReporter.h"
#include "ui/RealPartsWindow.h"
#include "ui/StartupWindow.h"
#include "waveformview/StartupReport.h"
#include "waveformview/WaveformCsv.h"

using stepdown::Form2;

namespace {

// The modal box that `act` opened, read and closed; empty when none opened.
struct ModalBox {
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::Critical;
    qsizetype buttons = 0;
};

// One watcher for the whole program: a message box that a test expects is
// read and closed, or answered with the button of the given text, inside
// WatchForModalBox; any other fails the running test and is closed at once,
// so that a fault never waits out the test's timeout.
class ModalBoxWatcher : public QObject {
public:
    ModalBoxWatcher() {
        connect(&poll_, &QTimer::timeout, this, &ModalBoxWatcher::Poll);
        poll_.start(10);
    }

    ModalBox Watch(const std::function<void()>& act, const QString& answer) {
        box_ = {};
        answer_ = answer;
        expecting_ = true;
        act();
        expecting_ = false;
        return box_;
    }

private:
    void Poll() {
        auto* message = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (message == nullptr) return;
        if (expecting_)
            box_ = {message->text(), message->windowTitle(), message->icon(),
                    message->buttons().size()};
        else
            QTest::qFail(qPrintable(QStringLiteral("unexpected message box: ") + message->text()),
                         __FILE__, __LINE__);
        for (QAbstractButton* button : message->buttons())
            if (expecting_ && button->text() == answer_) return button->click();
        message->close();
    }

    QTimer poll_;
    bool expecting_ = false;
    QString answer_;
    ModalBox box_;
};

ModalBoxWatcher* watcher = nullptr;

ModalBox WatchForModalBox(const std::function<void()>& act, const QString& answer = {}) {
    return watcher->Watch(act, answer);
}

}  // namespace

class WindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        watcher = new ModalBoxWatcher;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
    }
    void cleanupTestCase() { delete watcher; }
    void init() {
        QSettings(QStringLiteral("stepdown"), QStringLiteral("stepdown")).clear();  // recent files
        module_ = std::make_unique<stepdown::Module1>();
        sideTexts_ = {};
        form1_ = std::make_unique<stepdown::Form1>(*module_, sideTexts_, QLocale(QLocale::Italian));
        form1_->show();
    }
    void cleanup() {
        delete Waveforms();
        form1_.reset();
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
    void workedExampleThroughBothWindows();
    void exportsReplaceCancelOrReport();
    void startupWindowFollowsCompletedRuns();
    void longRunShowsItsTimesAndStopsOnCancel();
    void realPartsFromBothMenusShowTheCoresFigures();
    void realPartsRefusalStoreUseDutyAndExports();
    void designThroughFileFreshWindowAndCommand();
    void unsavedChangesAskBeforeTheyAreLost();
    void aFailedSaveLeavesTheOldFile();
    void choiceFromTheMenuOnceDesignedAgainstTheCore();
    void choiceRefusalUseValuesAndExport();
    void menuBarAboveTheClientAreaOffersEveryCommand();
    void loopFromTheMenuDesignsAsTheCore();
    void loopWindowRefusesAsTheCommand();
    void loopFieldsThroughTheFileAndNew();
    void handlersRunOneAtATimeAndFailWithAMessage();
    void axesKeepALeastSpan();
    void hostileTextsEndInAResultOrAMessage();
    void sideWindowsFitALaptopScreen();

private:
    void Click(const char* button) { form1_->findChild<QPushButton*>(button)->click(); }
    QLineEdit* Box(const char* name) { return form1_->findChild<QLineEdit*>(name); }
    static QString Caption(QWidget* window, const char* label) {
        return window->findChild<QLabel*>(label)->text();
    }
    static Form2* Waveforms() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* form2 = qobject_cast<Form2*>(widget)) return form2;
        return nullptr;
    }
    // "Dati Esempio" then "Calcola": the worked example designed.
    void Design() {
        Click("Command3");
        Click("Command1");
    }
    Form2* WorkedExample() {
        Design();
        Click("Command2");
        return Waveforms();
    }
    template <class Window>
    static void AnswerSaveWith(Window& window, const QString& path) {
        window.SetSaveFileNameProvider(
            [path](const QString&, const QString&, const QString&) { return path; });
    }
    // A right click on `widget`; the entry `text` of the menu it opens chosen
    // once the menu has closed. False when the menu has no such enabled entry.
    static bool ChooseFromMenu(QWidget* widget, const QString& text) {
        QAction* chosen = nullptr;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            for (QAction* action : menu ? menu->actions() : QList<QAction*>())
                if (action->text() == text && action->isEnabled()) chosen = action;
            if (menu) menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                widget->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(widget, &event);
        if (chosen) chosen->trigger();
        return chosen != nullptr;
    }
    static QString Q(const std::string& text) { return QString::fromStdString(text); }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // `action` run with its file dialog answered by `name` in `folder`: what it wrote.
    template <class Window>
    static QByteArray Saved(Window& window, QAction* action, const QTemporaryDir& folder,
                            const char* name) {
        AnswerSaveWith(window, folder.filePath(QString::fromUtf8(name)));
        action->trigger();
        return Read(folder.filePath(QString::fromUtf8(name)));
    }

    std::unique_ptr<stepdown::Module1> module_;
    stepdown::SideWindowTexts sideTexts_;
    std::unique_ptr<stepdown::Form1> form1_;
    QTemporaryDir settings_;
};

void WindowsTest::workedExampleThroughBothWindows() {
    Design();
    QCOMPARE(Caption(form1_.get(), "Label24"), QStringLiteral("1,25E+02"));
    QCOMPARE(Box("Text10")->text(), QStringLiteral("1.563E+01"));
    QCOMPARE(Box("Text10")->palette().color(QPalette::Text), QColor(0, 0, 255));
    Click("Command2");
    QCOMPARE(Box("Text10")->palette().color(QPalette::Text), QColor(0, 0, 0));

    Form2* form2 = Waveforms();
    QVERIFY(form2 != nullptr && form2->isVisible() && !form2->isModal() && !form2->parent());
    const char* labels[] = {"Label2", "Label5", "Label8", "Label9", "Label16"};
    const QStringList figures{"6,14E-01", "6,13E+01", "1,78E+00", "5,92E-01", "8,85E-01"};
    for (int i = 0; i < 5; ++i) QCOMPARE(Caption(form2, labels[i]), figures[i]);
    QSet<QRgb> drawn;
    const QImage image = form2->Plot()->Image();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) drawn.insert(image.pixel(x, y));
    for (const QRgb trace :
         {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 0, 255), qRgb(0, 255, 255)})
        QVERIFY(drawn.contains(trace));

    // The pointer at x = 5, y = 90 of the plot's scale reads iL.
    stepdown::PlotArea* plot = form2->Plot();
    QTest::mouseMove(plot, QPoint(2 + plot->PlotWidthPixels() * 5 / 100,
                                  2 + plot->PlotHeightPixels() * 10 / 100));
    QCOMPARE(form2->SelectedOption(), 1);
    const QString tip = plot->toolTip();
    QVERIFY2(tip.startsWith(QStringLiteral("t= 6,")) &&
                 tip.contains(QStringLiteral("usec ; iL(t) = 9,")),
             qPrintable(tip));

    // Closed, it comes back anew with the next run; closing the main window
    // leaves it open.
    QPointer<Form2> closed = form2;
    form2->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(closed.isNull());
    Click("Command2");
    QVERIFY(Waveforms() != nullptr);
    WatchForModalBox([this] { form1_->close(); }, QStringLiteral("Non salvare"));
    QVERIFY(!form1_->isVisible() && Waveforms()->isVisible());
}

void WindowsTest::exportsReplaceCancelOrReport() {
    Form2* form2 = WorkedExample();
    QTemporaryDir folder;
    const QString csv = folder.filePath(QStringLiteral("periodo.csv"));
    QFile old(csv);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    QCOMPARE(Saved(*form2, form2->ExportCsvAction(), folder, "periodo.csv"),
             QByteArray::fromStdString(stepdown::WaveformCsv(*form2->ShownRun())));
    QCOMPARE(
        QImage::fromData(Saved(*form2, form2->SaveImageAction(), folder, "grafico.png")).size(),
        QSize(997, 605));

    AnswerSaveWith(*form2, QString());  // the dialog cancelled
    QVERIFY(WatchForModalBox([&] { form2->ExportCsvAction()->trigger(); }).text.isEmpty());
    const QString missing = folder.filePath(QStringLiteral("manca/periodo.csv"));
    AnswerSaveWith(*form2, missing);
    const ModalBox box = WatchForModalBox([&] { form2->ExportCsvAction()->trigger(); });
    QVERIFY(box.text.startsWith(
        QStringLiteral("Impossibile salvare il file %1: ").arg(QDir::toNativeSeparators(missing))));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 2);

    // The report from the main window's menu: the shown run's plot and start-up chart inside.
    stepdown::DesignDocument& document = form1_->Document();
    QVERIFY(Saved(document, document.ReportAction(), folder, "r.pdf").startsWith("%PDF-"));
    QCOMPARE(Saved(document, document.HtmlReportAction(), folder, "r.html")
                 .count("data:image/png;base64,"),
             2);

    // The netlist of the converter as built on the fields as they are; none for a refused field.
    const QString cir = folder.filePath(QStringLiteral("c.cir"));
    AnswerSaveWith(*form2, cir);
    sideTexts_.parts.rds = "50";
    QVERIFY(ChooseFromMenu(form2->Plot(), stepdown::kExportNetlistText));
    const auto study =
        stepdown::StudyRealParts(module_->LastDesign, stepdown::TextsOf(*form1_), sideTexts_.parts);
    QCOMPARE(study.parts.Rds, 0.05);
    QCOMPARE(Read(cir), QByteArray::fromStdString(stepdown::StudyNetlist(study)));
    Box("Text8")->clear();
    QVERIFY(WatchForModalBox([&] {
                form2->ExportNetlistAction()->trigger();
            }).text.startsWith(QStringLiteral("Hai dimenticato di scrivere")));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 5);
}

void WindowsTest::startupWindowFollowsCompletedRuns() {
    Design();
    Box("Text15")->setText(QStringLiteral("0"));  // refused: the frame only
    const ModalBox refusal = WatchForModalBox([this] { Click("Command2"); });
    QVERIFY(refusal.text.startsWith(QStringLiteral("Il Duty Cycle non può essere così basso")));
    QCOMPARE(refusal.title, QStringLiteral("stepdown"));
    QCOMPARE(refusal.icon, QMessageBox::NoIcon);
    QCOMPARE(refusal.buttons, 1);
    Form2* form2 = Waveforms();
    QVERIFY(!form2->StartupAction()->isEnabled());

    // C = 1000 uF: a completed run that warns after its figures.
    Box("Text15")->setText(QStringLiteral("2000"));
    Box("Text10")->setText(QStringLiteral("1000"));
    const ModalBox warning = WatchForModalBox([this] { Click("Command2"); });
    QVERIFY(warning.text.startsWith(QStringLiteral("Attenzione: dopo 2000 periodi")));
    QCOMPARE(Caption(form2, "Label5"), QStringLiteral("1,48E+02"));
    QVERIFY(form2->StartupAction()->isEnabled());
    form2->StartupAction()->trigger();
    QPointer<stepdown::StartupWindow> window = form2->OpenStartupWindow();
    QVERIFY(window != nullptr && window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Avviamento e regime"));
    const auto rows = stepdown::ComparisonTable(*form2->ShownRun()->analysis, ",");
    QCOMPARE(window->Table()->item(1, 3)->text(), QString::fromStdString(rows[1].last));
    QCOMPARE(window->Table()->item(1, 4)->text(), QString::fromStdString(rows[1].steady));

    QTemporaryDir folder;
    const stepdown::SimulationRun& run = *form2->ShownRun();
    QCOMPARE(Saved(*window, window->ExportCsvAction(), folder, "inviluppo.csv"),
             QByteArray::fromStdString(stepdown::EnvelopeCsv(*run.analysis, run.f)));

    // A later completed run takes its place.
    Box("Text10")->setText(QStringLiteral("15.63"));
    Click("Command2");
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
    QCOMPARE(form2->OpenStartupWindow()->Run(), form2->ShownRun());
}

void WindowsTest::longRunShowsItsTimesAndStopsOnCancel() {
    stepdown::ProgressDialogReporter quick(form1_.get());
    QVERIFY(quick.Continue(2000, 2000));
    QVERIFY(quick.Dialog() == nullptr);

    stepdown::ProgressDialogReporter slow(form1_.get());
    QTest::qSleep(60);
    QVERIFY(slow.Continue(10, 1000));  // 1 % after 60 ms: about 6 s in all
    QProgressDialog* dialog = slow.Dialog();
    QVERIFY(dialog != nullptr && dialog->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), dialog);
    QVERIFY2(dialog->labelText().contains(QStringLiteral("rimanente al più")),
             qPrintable(dialog->labelText()));
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("Annulla")) QTest::mouseClick(button, Qt::LeftButton);
    QTest::qSleep(stepdown::ProgressDialogReporter::kRefreshMs + 10);
    QVERIFY(!slow.Continue(20, 1000));
    QVERIFY(!slow.Continue(30, 1000));
}

void WindowsTest::realPartsFromBothMenusShowTheCoresFigures() {
    Design();
    Box("Text15")->setText(QStringLiteral("0"));  // a run refused by the conduction check
    WatchForModalBox([this] { Click("Command2"); });
    QVERIFY(ChooseFromMenu(Waveforms()->Plot(), Form2::kRealPartsText));
    stepdown::RealPartsWindow* window = form1_->OpenRealPartsWindow();
    QVERIFY(window != nullptr && window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Componenti reali"));

    const stepdown::RealPartsAnalysis a =
        stepdown::Analyze({25, 0.6, 80000, 125e-6, 15.63e-6, 10}, {});
    QCOMPARE(window->Efficiency()->text(), Q(stepdown::EfficiencyText(a.powers, ",")));
    QCOMPARE(window->StressView()->item(1, 2)->text(),
             Q(stepdown::FormatScientific(a.stresses.inductor.rms, 2, ",")));
    QCOMPARE(window->StressView()->item(7, 3)->text(),
             Q(stepdown::FormatScientific(a.textbook.peak, 2, ",")));
    QCOMPARE(window->SummaryValue(QStringLiteral("Conduzione"))->text(),
             QStringLiteral("continua (CCM)"));
    QCOMPARE(window->SummaryValue(QStringLiteral("ΔiL"))->text(),
             Q(stepdown::FormatScientific(a.deltaIL, 2, ",") + " A picco-picco"));
    QCOMPARE(window->SummaryValue(QStringLiteral("Nota")), nullptr);
    // Lossless and continuous: D' = (Vo + Vf) / (Vi + Vf).
    QVERIFY(window->SummaryValue(QStringLiteral("D′"))->text().startsWith("60,94 %"));
    QCOMPARE(window->WaveformChart()->chart()->series().size(), 4);

    // From the main window's background: the same window, on the fields as they are now.
    Box("Text9")->setText(QStringLiteral("130"));
    QVERIFY(ChooseFromMenu(form1_.get(), QStringLiteral("Componenti reali…")));
    QCOMPARE(form1_->OpenRealPartsWindow(), window);
    QVERIFY(window->SummaryValue(QStringLiteral("D′"))->text().startsWith("non calcolato"));
    QVERIFY(!window->UseDutyButton()->isEnabled());

    // A gate charge with Vdrv left at zero: a note names Vdrv.
    window->PartEdit("qg")->setText(QStringLiteral("20"));
    window->RecomputeButton()->click();
    QVERIFY(window->SummaryValue(QStringLiteral("Nota"))->text().contains(QStringLiteral("Vdrv")));

    // A reversed valley with 20 nF in each Coss: ZVS parziale; a low side past Vf: no note.
    const auto show = [&](const QString& fields) {  // "box=text", Text* the main window's
        for (const QString& field : fields.split(' ')) {
            const QStringList f = field.split('=');
            QLineEdit* edit = form1_->findChild<QLineEdit*>(f[0]);
            (edit ? edit : window->findChild<QLineEdit*>(f[0]))->setText(f[1]);
        }
        window->RecomputeButton()->click();
    };
    window->PartChoice("rectifier")->setCurrentIndex(1);
    emit window->PartChoice("rectifier")->activated(1);
    show(
        "Text7=12 Text8=27.5 Text12=500 Text9=2 Text10=47 Text11=10 qg=0 rds=10 rds-lo=5 td1=20 "
        "td2=20 coss-hi=20000 coss-lo=20000");
    stepdown::PartValues sync{.Rds = 0.01, .rectifier = stepdown::Rectifier::Synchronous};
    sync.RdsLo = 0.005, sync.td1 = sync.td2 = 20e-9, sync.CossHi = sync.CossLo = 2e-8;
    QVERIFY(window->SummaryValue(QStringLiteral("Nota"))->text().startsWith("ZVS parziale"));
    const double V = stepdown::Analyze({12, 0.275, 5e5, 2e-6, 47e-6, 10}, sync).turnOnVoltage;
    QCOMPARE(window->StressView()->item(window->StressView()->rowCount() - 1, 2)->text(),
             Q(stepdown::FormatScientific(V, 2, ",")));
    show("Text8=30 Text9=10 Text10=100 Text11=0.6 rds-lo=200 vf=0.7 rd=10 coss-hi=0 coss-lo=0");
    QCOMPARE(window->SummaryValue(QStringLiteral("Nota")), nullptr);
}

void WindowsTest::realPartsRefusalStoreUseDutyAndExports() {
    Design();
    form1_->RealPartsAction()->trigger();
    QPointer<stepdown::RealPartsWindow> window = form1_->OpenRealPartsWindow();
    window->PartEdit("esr")->clear();
    QTest::keyClicks(window->PartEdit("esr"), QStringLiteral("1,5"));  // no box while typing
    QCOMPARE(sideTexts_.parts.esr, std::string("1,5"));
    const ModalBox box =
        WatchForModalBox([&] { QTest::keyClick(window->PartEdit("esr"), Qt::Key_Return); });
    QCOMPARE(box.text, QStringLiteral("Errore di inserimento dati per la resistenza serie ESR del "
                                      "condensatore in mΩ") +
                           Q(std::string(stepdown::kInvalidTail)));
    QVERIFY(window->Explanation().startsWith(box.text));
    QVERIFY(!window->ExportCsvAction()->isEnabled());
    QVERIFY(!window->ExportNetlistAction()->isEnabled());

    // Closed, it leaves the texts in the store, which a design file may fill.
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
    sideTexts_.parts.esr = "50";
    form1_->RealPartsAction()->trigger();
    window = form1_->OpenRealPartsWindow();
    QCOMPARE(window->PartEdit("esr")->text(), QStringLiteral("50"));

    // The ESR takes no mean voltage: D' = (Vo + Vf) / (Vi + Vf) still.
    window->UseDutyButton()->click();
    QCOMPARE(Box("Text8")->text(), QStringLiteral("6.094E+01"));
    QCOMPARE(Box("Text8")->palette().color(QPalette::Text), QColor(0, 0, 255));
    QVERIFY(window->SummaryValue(QStringLiteral("Vo media"))->text().endsWith("(0,00 %)"));

    QTemporaryDir folder;
    QCOMPARE(Saved(*window, window->ExportCsvAction(), folder, "c.csv"),
             QByteArray::fromStdString(stepdown::RealPartsCsv(window->Study().analysis.waveform)));
    AnswerSaveWith(*window, folder.filePath(QStringLiteral("c.cir")));
    QVERIFY(ChooseFromMenu(window, stepdown::kExportNetlistText));
    QCOMPARE(Read(folder.filePath(QStringLiteral("c.cir"))),
             QByteArray::fromStdString(stepdown::StudyNetlist(window->Study())));
    QCOMPARE(QImage::fromData(Saved(*window, window->SaveImageAction(), folder, "c.png")).size(),
             window->WaveformChart()->size());

    // The report, and the file reopened where nothing was designed, aim at D' as shown.
    stepdown::DesignDocument& document = form1_->Document();
    const QString duty = window->SummaryValue(QStringLiteral("D′"))->text();
    QVERIFY(Saved(document, document.HtmlReportAction(), folder, "r.html").contains(duty.toUtf8()));
    Saved(document, document.SaveAsAction(), folder, "d.stepdown");
    stepdown::Module1 module;
    stepdown::SideWindowTexts fresh;
    stepdown::Form1 reopened(module, fresh, QLocale(QLocale::Italian));
    QVERIFY(reopened.Document().Open(folder.filePath(QStringLiteral("d.stepdown"))));
    reopened.RealPartsAction()->trigger();
    QCOMPARE(reopened.OpenRealPartsWindow()->SummaryValue(QStringLiteral("D′"))->text(), duty);
    // RL changed in the main window: the figures say they are not its own until recomputed.
    Box("Text11")->setText(QStringLiteral("5"));
    QVERIFY(!window->ChangedInputsNote()->isHidden());
    window->RecomputeButton()->click();
    QVERIFY(window->ChangedInputsNote()->isHidden());
}

void WindowsTest::designThroughFileFreshWindowAndCommand() {
    // The design texts valid, the others as a user may leave them.
    const QStringList texts{"25",  "15",    "80", "40",    "60", "1.5",
                            "1,5", "abc",   "",   " 2e3 ", "½Ω", QString(5000, QLatin1Char('9')),
                            "-0",  "1e400", "\t"};
    for (int i = 0; i < 15; ++i)
        Box(qPrintable(QStringLiteral("Text%1").arg(i + 1)))->setText(texts[i]);
    sideTexts_.parts.esr = "50";
    sideTexts_.choice.series = "E24";
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("progetto.stepdown"));
    AnswerSaveWith(form1_->Document(), path);
    QApplication::setActiveWindow(form1_.get());
    QTest::keyClick(form1_.get(), Qt::Key_S, Qt::ControlModifier);  // no file yet: "Salva con nome"
    QCOMPARE(form1_->windowTitle(),
             QStringLiteral("Convertitore step down — progetto.stepdown[*]"));
    QVERIFY(!form1_->isWindowModified());
    QCOMPARE(form1_->Document().RecentFiles(), QStringList{path});

    stepdown::SideWindowTexts fresh;
    stepdown::Form1 reopened(*module_, fresh);
    QVERIFY(reopened.Document().Open(path));
    for (int i = 0; i < 15; ++i)
        QCOMPARE(reopened.findChild<QLineEdit*>(QStringLiteral("Text%1").arg(i + 1))->text(),
                 texts[i]);
    QVERIFY(fresh == sideTexts_);

    // The command gives what the same texts give as options.
    const auto run = [](const QStringList& arguments) {
        QProcess cli;
        cli.start(QStringLiteral(STEPDOWN_CLI), arguments);
        cli.waitForFinished();
        return cli.readAllStandardOutput() + cli.readAllStandardError() +
               char('0' + cli.exitCode());
    };
    const auto options = [&](QStringList words, const QStringList& keys, const QList<int>& boxes) {
        for (int i = 0; i < keys.size(); ++i) words << "--" + keys[i] + "=" + texts[boxes[i] - 1];
        return words;
    };
    // The side texts that differ from their start texts come along as options.
    const QStringList side{"--series=E24", "--round=up", "--esr=50"};
    QCOMPARE(run({"open", path}),
             run(options({"design"}, {"vi", "vo", "f", "ripple", "dvo", "io"}, {1, 2, 3, 4, 5, 6}) +
                 side));
    QCOMPARE(run({"open", path, "--verify"}),
             run(options({"verify"}, {"vi", "d", "f", "l", "c", "rl", "n", "np", "ni"},
                         {7, 8, 12, 9, 10, 11, 13, 14, 15}) +
                 side.mid(2)));
}

void WindowsTest::unsavedChangesAskBeforeTheyAreLost() {
    stepdown::DesignDocument& document = form1_->Document();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("a.stepdown"));
    AnswerSaveWith(document, path);
    document.SetOpenFileNameProvider([&](const QString&) { return path; });
    const auto ask = [](QAction* action, const char* answer) {
        return WatchForModalBox([action] { action->trigger(); }, QString::fromUtf8(answer)).text;
    };
    Box("Text1")->setText(QStringLiteral("25"));
    QCOMPARE(WatchForModalBox([this] { form1_->close(); }, QStringLiteral("Annulla")).text,
             QStringLiteral("Salvare le modifiche?"));
    QVERIFY(form1_->isVisible());
    ask(document.NewAction(), "Annulla");
    QCOMPARE(Box("Text1")->text(), QStringLiteral("25"));
    ask(document.NewAction(), "Salva");  // saved, then every box at its start text
    QCOMPARE(Box("Text1")->text(), QString());
    QCOMPARE(Box("Text13")->text(), QStringLiteral("1000"));
    QCOMPARE(form1_->windowTitle(), QStringLiteral("Convertitore step down"));

    Box("Text2")->setText(QStringLiteral("15"));
    ask(document.OpenAction(), "Non salvare");
    QCOMPARE(Box("Text1")->text(), QStringLiteral("25"));
    QCOMPARE(Box("Text2")->text(), QString());
    QVERIFY(ask(document.NewAction(), "Annulla").isEmpty());  // nothing to lose: no question
    sideTexts_.parts.vf = "0.7";
    QVERIFY(ask(document.OpenAction(), "Annulla") == QStringLiteral("Salvare le modifiche?"));
    QCOMPARE(sideTexts_.parts.vf, std::string("0.7"));

    QFile::remove(path);  // gone from the recent files once chosen
    QCOMPARE(
        ask(document.RecentFileActions()[0], ""),
        QStringLiteral("Il file %1 non esiste più: è stato tolto dai file recenti.").arg(path));
    QVERIFY(!document.RecentFiles().contains(path));
    WatchForModalBox([this] { form1_->close(); }, QStringLiteral("Non salvare"));
    QVERIFY(!form1_->isVisible());
}

void WindowsTest::aFailedSaveLeavesTheOldFile() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("b.stepdown"));
    Click("Command3");
    const QByteArray old =
        Saved(form1_->Document(), form1_->Document().SaveAsAction(), folder, "b.stepdown");
    Box("Text1")->setText(QStringLiteral("30"));
    rlimit unlimited{}, tiny{};  // no file may grow beyond 10 bytes
    ::getrlimit(RLIMIT_FSIZE, &unlimited);
    tiny = {10, unlimited.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &tiny);
    const ModalBox box = WatchForModalBox([&] { form1_->Document().SaveAction()->trigger(); });
    ::setrlimit(RLIMIT_FSIZE, &unlimited);
    QCOMPARE(box.text, QStringLiteral("Impossibile salvare il file %1: File too large").arg(path));
    QCOMPARE(Read(path), old);
    QVERIFY(form1_->isWindowModified());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"b.stepdown"});

    // A report is never written over the design file; a save through a link keeps it.
    QCOMPARE(WatchForModalBox([&] { form1_->Document().ReportAction()->trigger(); }).text,
             QStringLiteral("Impossibile salvare il file %1: è il file di progetto stesso: la "
                            "relazione lo sostituirebbe.")
                 .arg(path));
    QCOMPARE(Read(path), old);
    const QString link = folder.filePath(QStringLiteral("l.stepdown"));
    QVERIFY(QFile::link(QStringLiteral("b.stepdown"), link));
    AnswerSaveWith(form1_->Document(), link);
    form1_->Document().SaveAsAction()->trigger();
    QVERIFY(QFileInfo(link).isSymLink());
    QVERIFY(Read(path).contains("\"vi\": \"30\""));
}

void WindowsTest::choiceFromTheMenuOnceDesignedAgainstTheCore() {
    const QString entry = QStringLiteral("Scelta dei componenti…");
    QVERIFY(!ChooseFromMenu(form1_.get(), entry));
    Design();
    QVERIFY(ChooseFromMenu(form1_.get(), entry));
    stepdown::ChoiceWindow* window = form1_->OpenChoiceWindow();
    QVERIFY(window != nullptr && window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Scelta dei componenti"));
    // L and C, computed and standard: E12 up from 125 uH and 15.625 uF.
    const auto cell = [window](int row, int column) {
        return window->CheckView()->item(row, column)->text();
    };
    QCOMPARE(QStringList({cell(0, 2), cell(0, 3), cell(1, 3)}),
             QStringList({"1,25E+02", "1,50E+02", "1,80E+01"}));
    QCOMPARE(cell(3, 5), QStringLiteral("sì"));
    window->RoundingBox()->setCurrentIndex(1);  // al più vicino
    QCOMPARE(QStringList({cell(0, 3), cell(1, 3), cell(3, 0), cell(3, 5)}),
             QStringList({"1,20E+02", "1,50E+01", "ΔVo", "no"}));

    window->ChoiceEdit("vi-min")->setText(QStringLiteral("20"));
    window->ChoiceEdit("vi-max")->setText(QStringLiteral("30"));
    QTest::keyClick(window->ChoiceEdit("vi-max"), Qt::Key_Return);
    stepdown::CornerRanges ranges{0.2, 0.2, 20, 30, 1.5, 1.5};
    const stepdown::WorstCase core =
        stepdown::EvaluateCorners({25, 15, 80000, 1.5, 0.6, 0.06}, 120, 15, ranges, {});
    QTableWidget* corners = window->CornerView();
    QCOMPARE(corners->rowCount(), static_cast<int>(core.corners.size()));
    for (std::size_t k = 0; k < 5; ++k) {
        const int column = stepdown::kCornerFigureColumns[k];
        for (int row = 0; row < corners->rowCount(); ++row)
            QCOMPARE(corners->item(row, column)->font().bold(),
                     row == core.worst[k].corner && core.worst[k].deviates);
    }
    QVERIFY(window->Verdict()->text().contains(QStringLiteral("non rispettati")));
    QStringList curves;
    for (QAbstractSeries* series : window->SweepCharts()[1]->chart()->series())
        curves.append(series->name());
    QCOMPARE(curves, QStringList({"DCM", "20 V", "25 V", "30 V", "requisito"}));

    // The smallest standard values that meet: 120 uH ripples too much, 12 uF too.
    window->RoundingBox()->setCurrentIndex(2);
    QCOMPARE(sideTexts_.choice.round, std::string("meets"));
    QCOMPARE(QStringList({cell(0, 3), cell(1, 3), cell(2, 5), cell(3, 5)}),
             QStringList({"1,50E+02", "1,50E+01", "sì", "sì"}));
    // Beside the inputs, numbers as the inputs write them: 1000 kHz with no separator.
    Box("Text3")->setText(QStringLiteral("1000"));
    Click("Command1");
    window->UpdateButton()->click();
    QString design;
    for (const QLabel* label : window->findChildren<QLabel*>())
        if (label->text().startsWith(QStringLiteral("Progetto:"))) design = label->text();
    QVERIFY2(design.contains(QStringLiteral("f = 1000 kHz")), qPrintable(design));
}

void WindowsTest::choiceRefusalUseValuesAndExport() {
    Design();
    form1_->ShowChoiceWindow();
    QPointer<stepdown::ChoiceWindow> window = form1_->OpenChoiceWindow();
    window->ChoiceEdit("tol-c")->clear();
    QTest::keyClicks(window->ChoiceEdit("tol-c"), QStringLiteral("-5"));  // no box while typing
    QCOMPARE(sideTexts_.choice.tolC, std::string("-5"));
    const ModalBox box =
        WatchForModalBox([&] { QTest::keyClick(window->ChoiceEdit("tol-c"), Qt::Key_Return); });
    QCOMPARE(box.text, QStringLiteral("La tolleranza di C non può essere negativa!"));
    QCOMPARE(window->Explanation(), box.text);
    QVERIFY(!window->ExportCornersAction()->isEnabled());

    sideTexts_.choice.tolC = "10";
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
    form1_->ShowChoiceWindow();
    window = form1_->OpenChoiceWindow();
    QCOMPARE(window->ChoiceEdit("tol-c")->text(), QStringLiteral("10"));
    QCOMPARE(window->Study().corners.corners[0].C, 18 * 0.9);

    window->UseValuesButton()->click();
    QCOMPARE(Box("Text9")->text(), QStringLiteral("1.500E+02"));
    QCOMPARE(Box("Text10")->text(), QStringLiteral("1.800E+01"));
    QCOMPARE(Box("Text9")->palette().color(QPalette::Text), QColor(0, 0, 255));

    QTemporaryDir folder;
    const stepdown::ChoiceStudy& study = window->Study();
    QCOMPARE(Saved(*window, window->ExportCornersAction(), folder, "casi.csv"),
             QByteArray::fromStdString(stepdown::CornersCsv(study.corners, study.design)));
    QVERIFY(!QImage::fromData(Saved(*window, window->SaveImageAction(), folder, "grafici.png"))
                 .isNull());
}

// "Anello di controllo" from the menu bar: "Progetta" writes the network the
// core designs for the same circuit, the chart draws it, the figures say what
// they hold for, a refusal is told.
void WindowsTest::loopFromTheMenuDesignsAsTheCore() {
    Design();
    for (QAction* action : form1_->MenuBar()->actions()[1]->menu()->actions())
        if (action->text() == QStringLiteral("Anello di controllo…")) action->trigger();
    stepdown::LoopWindow* window = form1_->OpenLoopWindow();
    QVERIFY(window != nullptr);
    window->DesignButton()->click();

    // The defaults: Vref 2.5 V, Vramp 1 V, Vcmax 1.2 V, Dmax 95 %, R1 10 kΩ, fc f/10, PM 60°.
    stepdown::LoopCircuit loop{*stepdown::ReadCircuitFields(stepdown::TextsOf(*form1_)).values,
                               *stepdown::ReadPartTexts(sideTexts_.parts).values,
                               {2.5, 1, 1.2, 0.95},
                               {}};
    loop.compensator.R1 = 1e4;
    loop.compensator.Rb = 1e4 * 2.5 / (module_->LastDesign->Vo - 2.5);
    const auto c = stepdown::DesignCompensator(loop, {loop.circuit.f / 10, 60, {}}).compensator;
    QVERIFY(c.has_value());
    const bool three = c->type == 3;
    const std::pair<const char*, double> expected[] = {{"r2", c->R2},
                                                       {"c1", c->C1 * 1e9},
                                                       {"c2", c->C2 * 1e9},
                                                       {"r3", three ? c->R3 : 0},
                                                       {"c3", three ? c->C3 * 1e9 : 0}};
    for (const auto& [key, value] : expected)  // four digits in the field
        QVERIFY2(std::abs(window->Field(key)->text().toDouble() - value) <= 5e-4 * value, key);
    // |T|, ∠T, |Gvd|, ∠Gvd, |Gc|, ∠Gc and the crossover's mark.
    QCOMPARE(window->BodeChart()->chart()->series().size(), 7);
    // "T commutato" adds its two series, named whole, and its windows' agreement
    // as the chart's title.
    window->SwitchedButton()->click();
    const QList<QAbstractSeries*> series = window->BodeChart()->chart()->series();
    QCOMPARE(series.size(), 9);
    QStringList names;
    for (const QAbstractSeries* each : series) names << each->name();
    const QString all = names.join(QStringLiteral(" / "));
    QVERIFY2(names.contains(QStringLiteral("|T| commutato")) &&
                 names.contains(QStringLiteral("∠T commutato")),
             qPrintable(all));
    const QString title = window->BodeChart()->chart()->title();
    QVERIFY2(title.startsWith(QStringLiteral("T commutato: scarto fra le ultime finestre ")) &&
                 !title.contains(QStringLiteral("non convergente")),
             qPrintable(title));
    // The netlist carries the designed network around the power stage.
    QTemporaryDir folder;
    const QString text =
        QString::fromUtf8(Saved(*window, window->ExportNetlistAction(), folder, "anello.cir"));
    QVERIFY(text.contains(QStringLiteral("\nBAMP ")));
    const double r2 = window->Field("r2")->text().toDouble();  // as the analysis read it
    QVERIFY(text.contains(QString::fromStdString(" " + stepdown::SpiceNumber(r2) + "\n")));

    // The figures' qualifiers: start-up figures only from rest; "Valori standard"
    // puts Rb on E96, 10 kΩ 1.25/(15 - 1.25) to 909 Ω, whose Vo stands beside the
    // 15 V asked; margins over a current loop whose error grows by Sf/Sn = 1.5 a
    // period (no ramp) are told void.
    const auto shows = [window](std::initializer_list<std::pair<const char*, const char*>> texts,
                                QPushButton* button, const QString& part) {
        for (const auto& [key, text] : texts) window->Field(key)->setText(QString::fromUtf8(text));
        button->click();
        return window->Figures()->text().contains(part);
    };
    const QLocale italian(QLocale::Italian);
    const double vo = 1.25 * (1 + 1e4 / 909);
    const QString start = QStringLiteral("<b>Avvio</b>"),
                  beside = QStringLiteral("Vo = %1 V (richiesta 15 V, +%2 %)")
                               .arg(italian.toString(vo, 'g', 4),
                                    italian.toString(100 * (vo / 15 - 1), 'f', 2));
    QVERIFY(
        !shows({{"vref", "1.25"}, {"rl2", "5"}, {"t1", "5"}}, window->CalculateButton(), start));
    QVERIFY(shows({{"tss", "1"}}, window->CalculateButton(), start));
    QVERIFY(shows({}, window->StandardButton(), beside) && window->Field("rb")->text() == "909");
    auto* control = window->findChild<QComboBox*>(QStringLiteral("control"));
    control->setCurrentIndex(1);
    emit control->activated(1);
    const QString margins = "<b>Margini</b>: " + Q(std::string(stepdown::kUnstableOrbitMargins));
    QVERIFY(shows({{"se", "0.001"}, {"ri", "0.5"}}, window->CalculateButton(), margins));
    QVERIFY(!shows({{"se", "0.1"}}, window->CalculateButton(), margins));
    // A value no network can be computed from is refused, the fields kept as they were.
    control->setCurrentIndex(0), emit control->activated(0);
    window->Field("vramp")->setText(QStringLiteral("5e-324"));
    const QString r2Text = window->Field("r2")->text();
    const ModalBox lost = WatchForModalBox([&] { window->DesignButton()->click(); });
    QCOMPARE(lost.text, Q(std::string(stepdown::kRampGainLost)));
    QCOMPARE(window->Field("r2")->text(), r2Text);
    window->Field("vramp")->setText(QStringLiteral("1"));
    const QString tendText = window->Field("tend")->text();
    window->Field("tend")->setText(QStringLiteral("1e300"));
    const ModalBox longRun = WatchForModalBox([&] { window->CalculateButton()->click(); });
    QVERIFY2(longRun.text.contains(QStringLiteral("più di 50000 periodi")),
             qPrintable(longRun.text));
    window->Field("tend")->setText(tendText);
    // Peak-current mode far stiffer than its period: the multipliers told at once too long.
    const std::pair<const char*, const char*> stiff[] = {
        {"Text2", "218"},  {"Text7", "555"},     {"Text8", "39.28"}, {"Text12", "75"},
        {"Text9", "1.43"}, {"Text10", "210000"}, {"Text11", "9350"}};
    for (const auto& [box, text] : stiff) Box(box)->setText(QString::fromUtf8(text));
    window->Field("tss")->setText(QStringLiteral("0"));
    for (const char* step : {"rl2", "t1"}) window->Field(step)->clear();
    sideTexts_.parts.rectifier = "sync", sideTexts_.parts.rdsLo = "286";
    sideTexts_.loop.control = "peak";
    const auto begun = std::chrono::steady_clock::now();
    window->DesignButton()->click();
    QVERIFY(std::chrono::steady_clock::now() - begun < std::chrono::seconds(3));
    QVERIFY(window->Figures()->text().contains(QStringLiteral("non sono calcolabili in tempi")));
}

// "Anello di controllo" on the rules that tie its texts to the main window's
// and the parts: the sentences the command gives for the same texts (the
// front ends' test runs them through the command, a file and the report); Ri
// in V/A in the window, the help and the report.
void WindowsTest::loopWindowRefusesAsTheCommand() {
    Design();
    for (QAction* action : form1_->MenuBar()->actions()[1]->menu()->actions())
        if (action->text() == QStringLiteral("Anello di controllo…")) action->trigger();
    stepdown::LoopWindow* window = form1_->OpenLoopWindow();
    QVERIFY(window != nullptr);
    // The main window's box or the loop's field (none: the parts' dead times), its text.
    const std::tuple<QLineEdit*, const char*, const char*> cases[] = {
        {Box("Text2"), "30",
         "La tensione in uscita non può essere zero o negativa o maggiore di Vi!"},
        {Box("Text2"), "25",
         "La tensione in uscita non può essere uguale alla tensione in ingresso Vi: L risulterebbe "
         "zero e C indefinita!"},
        {Box("Text8"), "150",
         "Il Duty Cycle non può essere zero o negativo o maggiore o uguale al 100%!"},
        // 5000 ns at 80 kHz leave nothing of the period once D = 15/25 = 0.6 is on.
        {nullptr, "",
         "Con i tempi morti td1 e td2 il duty cycle di 6.00E+01 % del punto di lavoro non lascia "
         "spazio: D + (td1 + td2) f deve restare minore di 1."},
        {window->Field("type"), "III", "Il tipo del compensatore può essere solo 2 o 3!"},
        {window->Field("type"), "3", ""},
    };
    for (const auto& [field, text, sentence] : cases) {
        const QString kept = field ? field->text() : QString();
        if (field) field->setText(QString::fromUtf8(text));
        if (!field)
            sideTexts_.parts.rectifier = "sync", sideTexts_.parts.vf = "0",
            sideTexts_.parts.td1 = "5000";
        QCOMPARE(WatchForModalBox([&] { window->DesignButton()->click(); }).text,
                 QString::fromUtf8(sentence));
        if (field) field->setText(kept);
        sideTexts_.parts = {};
    }
    // Ri's unit: the window's caption, the help's line, the report's line.
    QProcess help;
    help.start(QStringLiteral(STEPDOWN_CLI), {QStringLiteral("--help")});
    help.waitForFinished();
    QStringList shown{QString::fromUtf8(help.readAllStandardOutput())};
    for (const QLabel* label : window->findChildren<QLabel*>()) shown << label->text();
    stepdown::DesignFile file;
    stepdown::SetSection(
        file, stepdown::QuantityGroup::Verification,
        {{"vi", "25"}, {"d", "60"}, {"f", "80"}, {"l", "125"}, {"c", "15.625"}, {"rl", "10"}});
    stepdown::SetSection(file, stepdown::QuantityGroup::Loop,
                         {{"control", "peak"}, {"ri", "0.25"}});
    for (const auto& section : stepdown::BuildDesignReport({.texts = file}).sections)
        for (const auto& line : section.lines) shown << Q(line.caption + " " + line.value);
    for (const char* ri :
         {"Guadagno del sensore di corrente Ri [V/A]", "guadagno del sensore di corrente Ri [V/A]",
          "Guadagno del sensore di corrente Ri 2,50E-01 V/A"})
        QVERIFY2(shown.join("\n").contains(QString::fromUtf8(ri)), ri);
}

// The controller's fields belong to the document: typing marks it unsaved,
// "Salva" writes them as typed, "Nuovo" resets them, "Apri" fills them again,
// also in a window opened after the file.
void WindowsTest::loopFieldsThroughTheFileAndNew() {
    stepdown::DesignDocument& document = form1_->Document();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("anello.stepdown"));
    AnswerSaveWith(document, path);
    document.SaveAsAction()->trigger();
    form1_->ShowLoopWindow();
    stepdown::LoopWindow* window = form1_->OpenLoopWindow();
    QVERIFY(!form1_->isWindowModified());
    const std::pair<const char*, QString> typed[] = {
        {"pm", QStringLiteral(" 45,x")}, {"c3", QStringLiteral("4.7é")}, {"vref", QString()}};
    for (const auto& [key, text] : typed) window->Field(key)->setText(text);
    QVERIFY(form1_->isWindowModified());
    document.SaveAction()->trigger();
    QVERIFY(!form1_->isWindowModified());
    const auto saved = stepdown::ReadDesignFile(QFile::encodeName(path).toStdString()).file;
    QVERIFY(saved.has_value());
    for (const auto& [key, text] : typed)
        QCOMPARE(Q(TextOf(*saved, stepdown::QuantityGroup::Loop, key)), text);

    document.NewAction()->trigger();  // nothing unsaved: no question
    const std::pair<const char*, QString> start[] = {
        {"pm", QStringLiteral("60")}, {"c3", QString()}, {"vref", QStringLiteral("2.5")}};
    for (const auto& [key, text] : start) QCOMPARE(window->Field(key)->text(), text);
    QVERIFY(document.Open(path));
    for (const auto& [key, text] : typed) QCOMPARE(window->Field(key)->text(), text);
    QVERIFY(!document.HasUnsavedChanges());

    stepdown::SideWindowTexts fresh;
    stepdown::Form1 reopened(*module_, fresh);
    QVERIFY(reopened.Document().Open(path));
    reopened.ShowLoopWindow();
    for (const auto& [key, text] : typed)
        QCOMPARE(reopened.OpenLoopWindow()->Field(key)->text(), text);
}

// The bar sits above the client area: every control keeps its place below it,
// and each side window and file command is reachable from it.
void WindowsTest::menuBarAboveTheClientAreaOffersEveryCommand() {
    QMenuBar* bar = form1_->MenuBar();
    const int top = form1_->ClientTop();
    QCOMPARE(bar->geometry(), QRect(0, 0, form1_->width(), top));
    // Two controls at their twips / 15 places, counted from the client area.
    QCOMPARE(form1_->findChild<QLabel*>("Label2")->geometry(), QRect(8, 8 + top, 281, 33));
    QCOMPARE(Box("Text1")->geometry().topLeft() - QPoint(0, top), QPoint(752, 48));
    QCOMPARE(form1_->height(), 683 + top);

    const auto entries = [bar](int index) {
        QMenu* menu = bar->actions()[index]->menu();
        emit menu->aboutToShow();
        QMap<QString, QAction*> byText;
        for (QAction* action : menu->actions())
            if (!action->isSeparator()) byText[action->text()] = action;
        return byText;
    };
    const auto file = entries(0);
    for (const char* text :
         {"Nuovo", "Apri…", "Salva", "Salva con nome…", "Esporta relazione…", "Esci"})
        QVERIFY2(file.contains(QString::fromUtf8(text)), text);

    // "Scelta dei componenti…" waits for a design, as in the context menu.
    QVERIFY(!entries(1)[QStringLiteral("Scelta dei componenti…")]->isEnabled());
    Design();
    const auto analysis = entries(1);
    analysis[QStringLiteral("Componenti reali…")]->trigger();
    QVERIFY(form1_->OpenRealPartsWindow() != nullptr);
    // Once saved, a part typed marks the design changed at once, with no polling.
    QTemporaryDir folder;
    Saved(form1_->Document(), form1_->Document().SaveAsAction(), folder, "m.stepdown");
    QVERIFY(!form1_->isWindowModified());
    form1_->OpenRealPartsWindow()->findChild<QLineEdit*>("esr")->setText(QStringLiteral("7"));
    QVERIFY(form1_->isWindowModified());
    QVERIFY(analysis[QStringLiteral("Scelta dei componenti…")]->isEnabled());
    analysis[QStringLiteral("Scelta dei componenti…")]->trigger();
    QVERIFY(form1_->OpenChoiceWindow() != nullptr);

    // The guide names the buttons by their captions and every other window by its title.
    const auto help = entries(2);
    const ModalBox guide =
        WatchForModalBox([&] { help[QStringLiteral("Guida rapida")]->trigger(); });
    for (const char* button : {"Command1", "Command2", "Command3"})
        QVERIFY(guide.text.contains(
            "«" + form1_->findChild<QPushButton*>(button)->text().trimmed() + "»"));
    using namespace stepdown;
    for (const QString& title : {QStringLiteral("Forme d'onda reali"), StartupWindow::kTitle,
                                 RealPartsWindow::kTitle, ChoiceWindow::kTitle, LoopWindow::kTitle})
        QVERIFY2(guide.text.contains("«" + title), qPrintable(title));
}

// A click that arrives while a handler runs (as under the progress dialog's
// event processing) is dropped; an exception becomes a message.
void WindowsTest::handlersRunOneAtATimeAndFailWithAMessage() {
    stepdown::SlotGuard& guard = form1_->Guard();
    QVERIFY(guard.Run([this] { Click("Command3"); }));  // "Dati Esempio" inside a handler
    QCOMPARE(Box("Text1")->text(), QString());
    Click("Command3");
    QCOMPARE(Box("Text1")->text(), QStringLiteral("25"));

    const ModalBox memory =
        WatchForModalBox([&] { QVERIFY(!guard.Run([] { throw std::bad_alloc(); })); });
    QCOMPARE(memory.text, Q(std::string(stepdown::kOutOfMemoryMessage)));
    const ModalBox other =
        WatchForModalBox([&] { guard.Run([] { throw std::runtime_error("disco pieno"); }); });
    QCOMPARE(other.text, Q(std::string(stepdown::kUnexpectedFailureMessage) + "disco pieno"));
}

// The value axes: a flat curve spans at least the least span asked and a thousandth of its
// magnitude, so its rounding noise does not fill the chart; a wide one keeps its own span.
void WindowsTest::axesKeepALeastSpan() {
    struct Row {
        double low, high, least;
    };
    for (const Row& row : {Row{74.66682, 74.66688, 0.1}, Row{74.66682, 74.66688, 0},
                           Row{60, 90, 0.1}, Row{1.75, 1.75, 0}, Row{0, 0, 0}, Row{-3e-6, 5e-6, 0},
                           Row{44.1, 44.1000001, 0}, Row{1e5, 1e5 + 1e-6, 0.1}}) {
        const stepdown::AxisRange range = stepdown::RoundedSpan(row.low, row.high, row.least);
        const double magnitude = std::max(std::abs(row.low), std::abs(row.high));
        const double span = std::max({row.high - row.low, row.least, magnitude * 1e-3});
        const QString where = QStringLiteral("%1..%2").arg(row.low).arg(row.high);
        QVERIFY2(range.low <= row.low && range.high >= row.high, qPrintable(where));
        QVERIFY2(range.high - range.low >= span * 0.999, qPrintable(where));
        // Room and whole steps at most double a span, and a little more.
        if (span > 0) QVERIFY2(range.high - range.low <= span * 2.5, qPrintable(where));
    }
    // Aligned axes over values no round count of ticks reaches: finite ranges that hold them.
    QValueAxis left, right;
    stepdown::AlignAxes(left, -qInf(), 1, right, 0, 1.7e308);
    QVERIFY(std::isfinite(left.min()) && left.min() < 0 && left.max() >= 1);
}

// Every box of every window takes the texts that break careless code, and its window's
// buttons are clicked: each click ends within seconds with its results or a message box,
// and no label, box or table of the program then shows a number that is not finite.
void WindowsTest::hostileTextsEndInAResultOrAMessage() {
    const QStringList hostile = {"0", "-0", "1e-300", "5e-324", "1e300", "nan", "inf", "", "-1"};
    const QRegularExpression nonFinite(QStringLiteral("(^|[^a-z])-?(nan|inf)([^a-z]|$)|∞"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto nonFiniteShown = [&](const QLineEdit* typed) -> QString {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            for (const QLabel* label : window->findChildren<QLabel*>())
                if (label->text().contains(nonFinite)) return label->text();
            for (const QLineEdit* edit : window->findChildren<QLineEdit*>())
                if (edit != typed && edit->text().contains(nonFinite)) return edit->text();
            for (const QTableWidget* table : window->findChildren<QTableWidget*>())
                for (int row = 0; row < table->rowCount(); ++row)
                    for (int column = 0; column < table->columnCount(); ++column)
                        if (const QTableWidgetItem* item = table->item(row, column);
                            item && item->text().contains(nonFinite))
                            return item->text();
        }
        return {};
    };
    // Each box at every `stride`-th value (shifted by its place), then its text restored.
    const auto attack = [&](QWidget* window, int stride, const std::function<void()>& click) {
        const QList<QLineEdit*> edits = window->findChildren<QLineEdit*>();
        QVERIFY(!edits.isEmpty());
        for (qsizetype i = 0; i < edits.size(); ++i) {
            QLineEdit* edit = edits[i];
            if (edit->isReadOnly() || !edit->isEnabled()) continue;
            const QString kept = edit->text();
            for (qsizetype j = 0; j < hostile.size(); j += stride) {
                const QString value = hostile[(i + j) % hostile.size()];
                edit->setText(value);
                const auto begun = std::chrono::steady_clock::now();
                WatchForModalBox(click);
                const QString where = edit->objectName() + QStringLiteral(" = \"") + value + "\"";
                QVERIFY2(std::chrono::steady_clock::now() - begun < std::chrono::seconds(10),
                         qPrintable(where + " took too long"));
                const QString shown = nonFiniteShown(edit);
                QVERIFY2(shown.isEmpty(), qPrintable(where + " shows " + shown));
            }
            edit->setText(kept);
        }
    };
    Design();
    Box("Text13")->setText(QStringLiteral("50")), Box("Text15")->setText(QStringLiteral("200"));
    // "Grafici" before "Calcola", which writes the verification boxes anew.
    attack(form1_.get(), 1, [this] { Click("Command2"), Click("Command1"); });

    Design();
    form1_->RealPartsAction()->trigger();
    stepdown::RealPartsWindow* parts = form1_->OpenRealPartsWindow();
    attack(parts, 3, [parts] { parts->RecomputeButton()->click(); });
    QVERIFY(ChooseFromMenu(form1_.get(), QStringLiteral("Scelta dei componenti…")));
    stepdown::ChoiceWindow* choice = form1_->OpenChoiceWindow();
    attack(choice, 3, [choice] { choice->UpdateButton()->click(); });
    form1_->ShowLoopWindow();
    stepdown::LoopWindow* loop = form1_->OpenLoopWindow();
    attack(loop, 3, [loop] { loop->CalculateButton()->click(), loop->DesignButton()->click(); });
}

// Each side window at its fullest opens and shrinks within a 1366×768 screen less its title
// bar and a taskbar, every text in sight whole: not cut at its right edge, no line lost.
void WindowsTest::sideWindowsFitALaptopScreen() {
    WorkedExample()->StartupAction()->trigger();
    sideTexts_.parts.rectifier = "sync", sideTexts_.parts.rthHs = "60";    // a thermal verdict
    sideTexts_.loop.tss = sideTexts_.loop.rl2 = sideTexts_.loop.t1 = "3";  // the whole summary
    form1_->ShowRealPartsWindow(), form1_->ShowChoiceWindow(), form1_->ShowLoopWindow();
    form1_->OpenLoopWindow()->DesignButton()->click();
    const QRect screen(0, 0, 1366, 700);
    QWidget* const windows[] = {Waveforms()->OpenStartupWindow(), form1_->OpenRealPartsWindow(),
                                form1_->OpenChoiceWindow(), form1_->OpenLoopWindow()};
    for (QWidget* window : windows) {
        QVERIFY2(screen.contains(window->rect() | QRect({}, window->minimumSizeHint())),
                 qPrintable(window->windowTitle()));
        window->resize(window->minimumSizeHint()), QApplication::processEvents();
        for (const QLabel* label : window->findChildren<QLabel*>())
            if (const QRect seen = label->visibleRegion().boundingRect(); !seen.isEmpty())
                QVERIFY2(label->wordWrap()
                             ? seen.width() == label->width() &&
                                   label->heightForWidth(label->width()) <= label->height()
                             : label->sizeHint().width() <= seen.width(),
                         qPrintable(window->windowTitle() + ": " + label->text()));
    }
}

QTEST_MAIN(WindowsTest)
#include "WindowsTest.moc"

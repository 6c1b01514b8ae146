// Takes the README's and the manual's screenshots as a user would see them: the main window
// after "Dati Esempio" and "Calcola", then the waveform window after
// "Grafici" with the pointer resting on the iL trace, then the start-up
// window opened from the waveform window's menu, then the window of the
// converter as built from the same menu, with ESR 50 mΩ, DCR 100 mΩ, Rds(on)
// 50 mΩ and tr = tf = 50 ns, then the window of the component choice from
// the main window's menu, with those parts and Vi from 20 to 30 V. In
// English the names end in "-en": form1-en.png, form2-en.png,
// startup-en.png, realparts-en.png, choice-en.png.
//   stepdown_screenshots OUTPUT_DIR [italian|english]
// Run it on a real (virtual) X display: tools/screenshots.sh.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>
#include <cstring>

#include "model/Module1.h"
#include "ui/ChoiceWindow.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/LoopWindow.h"
#include "ui/PlotArea.h"
#include "ui/RealPartsWindow.h"
#include "ui/StartupWindow.h"

namespace {

stepdown::Form2* WaveformWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* form2 = qobject_cast<stepdown::Form2*>(widget)) return form2;
    return nullptr;
}

// What the screen shows over the window's frame, tooltips included.
bool SaveScreenOf(QWidget& window, const QString& path) {
    const QRect area = window.frameGeometry();
    QPixmap shot = window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    if (shot.isNull()) shot = window.grab();
    return shot.save(path);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR [italian|english]\n", argv[0]);
        return 2;
    }
    const QString directory = QString::fromLocal8Bit(argv[1]);
    const bool english = argc > 2 && std::strcmp(argv[2], "english") == 0;
    auto path = [&](const char* name) {
        return directory + '/' + QLatin1String(name) + (english ? "-en.png" : ".png");
    };

    stepdown::Module1 module;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("stepdown"));
    stepdown::SideWindowTexts sideTexts;
    stepdown::Form1 form1(module, sideTexts,
                          QLocale(english ? QLocale::English : QLocale::Italian));
    form1.move(0, 0);
    form1.show();

    int status = 0;
    auto click = [&](const char* name) { form1.findChild<QPushButton*>(name)->click(); };
    // Each step leaves the window system time to map and paint the windows.
    QTimer::singleShot(700, &form1, [&] {
        click("Command3");
        click("Command1");
        QTimer::singleShot(300, &form1, [&] {
            if (!SaveScreenOf(form1, path("form1"))) status = 1;
            click("Command2");
            stepdown::Form2* form2 = WaveformWindow();
            form2->move(0, 0);
            form2->raise();
            QTimer::singleShot(500, &form1, [&, form2] {
                stepdown::PlotArea* plot = form2->Plot();
                const QPointF local(plot->width() * 0.07, plot->height() * 0.12);
                QMouseEvent move(QEvent::MouseMove, local, plot->mapToGlobal(local), Qt::NoButton,
                                 Qt::NoButton, Qt::NoModifier);
                QApplication::sendEvent(plot, &move);
                QTimer::singleShot(500, &form1, [&, form2] {
                    if (!SaveScreenOf(*form2, path("form2"))) status = 1;
                    form2->StartupAction()->trigger();
                    stepdown::StartupWindow* startup = form2->OpenStartupWindow();
                    startup->move(0, 0);
                    QTimer::singleShot(700, &form1, [&, form2, startup] {
                        if (!SaveScreenOf(*startup, path("startup"))) status = 1;
                        form2->RealPartsAction()->trigger();
                        stepdown::RealPartsWindow* parts = form1.OpenRealPartsWindow();
                        for (const char* key : {"esr", "rds", "tr", "tf"})
                            parts->PartEdit(key)->setText(QStringLiteral("50"));
                        parts->PartEdit("dcr")->setText(QStringLiteral("100"));
                        parts->RecomputeButton()->click();
                        parts->move(0, 0);
                        QTimer::singleShot(700, &form1, [&, parts] {
                            if (!SaveScreenOf(*parts, path("realparts"))) status = 1;
                            // The same converter, synchronous, with its thermal verdict.
                            parts->PartChoice("rectifier")->setCurrentIndex(1);
                            sideTexts.parts.rectifier = "sync";
                            for (const auto& [key, text] : {std::pair{"rds-lo", "20"},
                                                            {"td1", "50"},
                                                            {"td2", "50"},
                                                            {"coss-hi", "300"},
                                                            {"coss-lo", "500"},
                                                            {"qrr", "30"},
                                                            {"rth-hs", "60"},
                                                            {"rth-ls", "60"},
                                                            {"rth-l", "40"}})
                                parts->PartEdit(key)->setText(QString::fromUtf8(text));
                            parts->findChild<QTabWidget*>("partPages")->setCurrentIndex(1);
                            parts->RecomputeButton()->click();
                            // The column kept scrolled down to the thermal verdict at its end.
                            QScrollBar* column =
                                parts->findChild<QScrollArea*>()->verticalScrollBar();
                            QElapsedTimer painting;
                            for (painting.start(); painting.elapsed() < 700;) {
                                column->setValue(column->maximum());
                                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
                            }
                            if (!SaveScreenOf(*parts, path("realparts-sync"))) status = 1;
                            sideTexts.choice.viMin = "20";
                            sideTexts.choice.viMax = "30";
                            form1.ShowChoiceWindow();
                            stepdown::ChoiceWindow* choice = form1.OpenChoiceWindow();
                            choice->move(0, 0);
                            QTimer::singleShot(700, &form1, [&, choice] {
                                if (!SaveScreenOf(*choice, path("choice"))) status = 1;
                                // The loop is designed over the diode's stage.
                                sideTexts.parts.rectifier = "diode";
                                form1.ShowLoopWindow();
                                stepdown::LoopWindow* loop = form1.OpenLoopWindow();
                                loop->Field("tss")->setText(QStringLiteral("1"));
                                loop->Field("rl2")->setText(QStringLiteral("5"));
                                loop->Field("t1")->setText(QStringLiteral("3"));
                                loop->DesignButton()->click();
                                loop->SwitchedButton()->click();
                                loop->move(0, 0);
                                QTimer::singleShot(700, &form1, [&, loop] {
                                    if (!SaveScreenOf(*loop, path("loop"))) status = 1;
                                    // Peak-current mode at D > 0.5, its ramp chosen.
                                    auto* control = loop->findChild<QComboBox*>("control");
                                    control->setCurrentIndex(1);
                                    emit control->activated(1);
                                    loop->DesignButton()->click();
                                    QTimer::singleShot(700, &form1, [&, loop, control] {
                                        if (!SaveScreenOf(*loop, path("loop-peak"))) status = 1;
                                        // Voltage mode over the synchronous stage above.
                                        sideTexts.parts.rectifier = "sync";
                                        control->setCurrentIndex(0);
                                        emit control->activated(0);
                                        loop->DesignButton()->click();
                                        loop->SwitchedButton()->click();
                                        QTimer::singleShot(700, &form1, [&, loop] {
                                            if (!SaveScreenOf(*loop, path("loop-sync"))) status = 1;
                                            // Not quit(): that closes the windows, which
                                            // ask about unsaved changes.
                                            QCoreApplication::exit(0);
                                        });
                                    });
                                });
                            });
                        });
                    });
                });
            });
        });
    });
    QApplication::exec();
    if (status != 0) std::fprintf(stderr, "cannot write the screenshots into %s\n", argv[1]);
    return status;
}

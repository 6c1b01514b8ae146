// Opens the main window, clicks "Dati Esempio" and then the design button as
// a user would, and saves what the screen shows of the window.
//   screenshot-form1 OUTPUT.png [italian|english]

#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstring>

#include "model/Module1.h"
#include "ui/Form1.h"

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [italian|english]\n", argv[0]);
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    const bool english = argc > 2 && std::strcmp(argv[2], "english") == 0;

    stepdown::Module1 module;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("stepdown"));
    stepdown::Form1 form(module, QLocale(english ? QLocale::English : QLocale::Italian));
    form.show();

    int status = 1;
    // Give the window system time to map and paint the window first.
    QTimer::singleShot(700, &form, [&] {
        form.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
        form.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        QTimer::singleShot(300, &form, [&] {
            QPixmap shot = form.screen()->grabWindow(form.winId());
            if (shot.isNull()) shot = form.grab();
            status = shot.save(output) ? 0 : 1;
            if (status != 0) std::fprintf(stderr, "cannot write %s\n", argv[1]);
            QApplication::quit();
        });
    });
    QApplication::exec();
    return status;
}

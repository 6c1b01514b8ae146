// The program: one main window, which opens the waveform window on demand.
// It ends when its last window closes.

#include <QApplication>
#include <QIcon>

#include "model/Module1.h"
#include "ui/Form1.h"

int main(int argc, char* argv[]) {
    // The shared quantities outlive the application object and every window.
    stepdown::Module1 module;
    // The side windows' fields, kept while the windows are closed.
    stepdown::SideWindowTexts sideTexts;

    Q_INIT_RESOURCE(resources);
    QApplication application(argc, argv);
    // Only the application name: an explicit display name would be appended
    // to every window title on some platforms.
    QApplication::setApplicationName(QStringLiteral("stepdown"));
    // Lets the desktop match the windows to the installed menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.stepdown"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/stepdown/icon.svg")));

    stepdown::Form1 form1(module, sideTexts);
    form1.show();
    return QApplication::exec();
}

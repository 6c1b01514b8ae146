// The program: one main window, which opens the waveform window on demand.
// It ends when its last window closes. "stepdown FILE.stepdown" opens the
// window on a design file; "stepdown --report FILE.stepdown --output OUT"
// writes the design's report without a window and ends.

#include <QApplication>
#include <QIcon>

#include <algorithm>
#include <csignal>
#include <iostream>
#include <string_view>

#include "model/Module1.h"
#include "ui/Form1.h"
#include "ui/ReportCommand.h"

int main(int argc, char* argv[]) {
    // A save beyond the file-size limit then fails with EFBIG, told and
    // cleaned up, instead of killing the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // The shared quantities outlive the application object and every window.
    stepdown::Module1 module;
    // The side windows' fields, kept while the windows are closed.
    stepdown::SideWindowTexts sideTexts;

    if (std::any_of(argv + 1, argv + argc,
                    [](const char* word) { return std::string_view(word) == "--report"; }))
        stepdown::PrepareReportEnvironment();

    Q_INIT_RESOURCE(resources);
    QApplication application(argc, argv);
    // Only the application name: an explicit display name would be appended
    // to every window title on some platforms.
    QApplication::setApplicationName(QStringLiteral("stepdown"));
    // Lets the desktop match the windows to the installed menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.stepdown"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/stepdown/icon.svg")));

    const stepdown::ProgramArguments arguments =
        stepdown::ParseProgramArguments(QApplication::arguments().mid(1));
    if (!arguments.error.isEmpty()) {
        std::cerr << "stepdown: " << arguments.error.toStdString() << '\n'
                  << stepdown::kProgramUsage;
        return stepdown::kReportFailed;
    }
    if (arguments.report)
        return stepdown::RunReportCommand(arguments.designFile, arguments.output, std::cerr);

    stepdown::Form1 form1(module, sideTexts);
    form1.show();
    if (!arguments.designFile.isEmpty()) form1.Document().Open(arguments.designFile);
    return QApplication::exec();
}

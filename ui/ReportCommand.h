#pragma once
// The program's command line: "stepdown [FILE.stepdown]" opens the window,
// with the design file when one is named; "stepdown --report FILE.stepdown
// --output OUT.pdf" writes the design's report without a window, as the
// window would after "Calcola" and "Grafici", HTML when OUT ends in ".html".

#include <QString>
#include <QStringList>

#include <ostream>

namespace stepdown {

struct ProgramArguments {
    bool report = false;
    QString designFile;  // the file to open or to report on; may be empty without --report
    QString output;      // with --report
    QString error;       // what is wrong with the command line; empty when nothing
};

// The words after the program's name, once Qt has taken its own options.
ProgramArguments ParseProgramArguments(const QStringList& words);

inline constexpr char kProgramUsage[] =
    "Uso:\n"
    "  stepdown [FILE.stepdown]\n"
    "  stepdown --report FILE.stepdown --output OUT.pdf|OUT.html\n";

inline constexpr int kReportWritten = 0;
inline constexpr int kReportFailed = 2;  // wrong arguments, a refused file, an unwritten output

// Before the application object: no screen for the pictures, and none of
// Qt's remarks about the missing one on standard error.
void PrepareReportEnvironment();

// Reads the design file, clicks "Calcola" when a design text is written,
// then "Grafici", and writes the report to `output`. The program's messages
// (refusals, the warning of a run short of its steady state) go to `err`
// and do not stop the report; a refused file or an output that cannot be
// written stops it with kReportFailed and its message.
int RunReportCommand(const QString& designFile, const QString& output, std::ostream& err);

}  // namespace stepdown

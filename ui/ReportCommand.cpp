#include "ui/ReportCommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>

#include "design/DesignCalculation.h"
#include "designfile/AtomicFile.h"
#include "ui/FileExport.h"
#include "ui/Form2Host.h"
#include "ui/ReportLayout.h"
#include "verification/Launch.h"

namespace stepdown {
namespace {

class Unwatched : public ProgressReporter {
public:
    bool Continue(std::int64_t, std::int64_t) override { return true; }
};

bool Refuse(const QString& path, const QString& reason, std::ostream& err) {
    err << "Impossibile salvare il file " << QDir::toNativeSeparators(path).toStdString() << ": "
        << reason.toStdString() << '\n';
    return false;
}

bool Write(const QString& path, const QByteArray& bytes, std::ostream& err) {
    QString reason;
    return WriteWholeFile(path, bytes, reason) || Refuse(path, reason, err);
}

// Why the report may not go to `output`, found before any work: a target
// that is no regular file, or the design file itself under any name.
QString OutputProblem(const QString& designFile, const QString& output) {
    const std::string target = QFile::encodeName(output).toStdString();
    const std::string problem = SaveTargetProblem(target);
    if (!problem.empty()) return QString::fromStdString(problem);
    if (SameFile(QFile::encodeName(designFile).toStdString(), target))
        return QString::fromUtf8(kReportOverDesign);
    return {};
}

void DropQtRemarks(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) qt_message_output(type, context, text);
}

}  // namespace

void PrepareReportEnvironment() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(DropQtRemarks);
}

ProgramArguments ParseProgramArguments(const QStringList& words) {
    ProgramArguments parsed;
    bool hasOutput = false;
    for (qsizetype i = 0; i < words.size() && parsed.error.isEmpty(); ++i) {
        const QString& word = words[i];
        const bool takesValue =
            word == QStringLiteral("--report") || word == QStringLiteral("--output");
        if (takesValue && i + 1 == words.size()) {
            parsed.error = QStringLiteral("manca il valore dell'opzione %1").arg(word);
        } else if (word == QStringLiteral("--report")) {
            if (parsed.report || !parsed.designFile.isEmpty())
                parsed.error = QStringLiteral("un solo file di progetto, dopo --report");
            parsed.report = true;
            parsed.designFile = words[++i];
        } else if (word == QStringLiteral("--output")) {
            if (hasOutput) parsed.error = QStringLiteral("l'opzione --output compare due volte");
            hasOutput = true;
            parsed.output = words[++i];
        } else if (word.startsWith(QLatin1Char('-'))) {
            parsed.error = QStringLiteral("opzione sconosciuta: %1").arg(word);
        } else if (!parsed.designFile.isEmpty() || parsed.report) {
            parsed.error = QStringLiteral("argomento inatteso: %1").arg(word);
        } else {
            parsed.designFile = word;
        }
    }
    if (parsed.error.isEmpty() && parsed.report != hasOutput)
        parsed.error = parsed.report ? QStringLiteral("manca --output, il file della relazione")
                                     : QStringLiteral("--output vale solo con --report");
    return parsed;
}

int RunReportCommand(const QString& designFile, const QString& output, std::ostream& err) {
    const DesignFileOutcome read = ReadDesignFile(QFile::encodeName(designFile).toStdString());
    if (!read.file) {
        err << read.message << '\n';
        return kReportFailed;
    }
    if (const QString problem = OutputProblem(designFile, output); !problem.isEmpty()) {
        Refuse(output, problem, err);
        return kReportFailed;
    }
    const QLocale locale = QLocale::system();
    ReportInputs inputs;
    inputs.separator = locale.decimalPoint().toStdString();
    InputTexts texts = read.file->texts;
    MessageList messages;
    Module1 module;
    if (!SectionBlank(*read.file, QuantityGroup::Design))
        if (const DesignRecord* designed = DesignFromTexts(module, texts, messages))
            WriteVerificationTexts(*designed, texts);
    // The design's results, but the circuit as saved: a D' or standard L and
    // C the file holds are what its verification ran on.
    for (const Quantity& key : kVerificationKeys)
        if (const std::string saved = TextOf(*read.file, key); !saved.empty())
            texts.insert_or_assign(IdOf(key), saved);
    Form2Host waveforms(locale);
    Unwatched progress;
    VerifyIntoWindow(module, texts, messages, progress, inputs.separator, waveforms);
    for (const std::string& message : messages.Texts()) err << message << '\n';

    inputs.texts.texts = std::move(texts);
    inputs.fileName = QFileInfo(designFile).fileName().toStdString();
    inputs.date = ReportDate().toStdString();
    const Form2* shown = waveforms.Window();
    if (shown != nullptr) inputs.run = shown->ShownRun();
    const DesignReport report = BuildDesignReport(inputs);
    ReportPictures pictures = PicturesOf(shown, locale);
    AddLoopPictures(report, locale, pictures);
    const QByteArray bytes = ReportFor(output, report, pictures);
    delete shown;
    return Write(output, bytes, err) ? kReportWritten : kReportFailed;
}

}  // namespace stepdown

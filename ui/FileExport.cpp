#include "ui/FileExport.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QImageWriter>
#include <QMessageBox>

#include "designfile/AtomicFile.h"
#include "ui/ApplicationTitle.h"

namespace stepdown {
namespace {

bool ReportWriteFailure(QWidget* parent, const QString& path, const QString& reason) {
    const QString text = QStringLiteral("Impossibile salvare il file %1: %2")
                             .arg(QDir::toNativeSeparators(path), reason);
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kApplicationTitle), text,
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return false;
}

}  // namespace

SaveFileNameProvider SaveDialogOver(QWidget* parent) {
    return [parent](const QString& caption, const QString& suggestedName, const QString& filter) {
        return QFileDialog::getSaveFileName(parent, caption, suggestedName, filter);
    };
}

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString& reason) {
    // The save the command uses too: links kept, a file that is not regular
    // refused, nothing left behind.
    const SaveOutcome saved = WriteFileAtomically(
        QFile::encodeName(path).toStdString(),
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    reason = QString::fromStdString(saved.reason);
    return saved.saved;
}

bool SavePng(QWidget* parent, const QString& path, const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) return ReportWriteFailure(parent, path, writer.errorString());
    return SaveBytes(parent, path, png);
}

bool SaveBytes(QWidget* parent, const QString& path, const QByteArray& bytes) {
    QString reason;
    return WriteWholeFile(path, bytes, reason) || ReportWriteFailure(parent, path, reason);
}

}  // namespace stepdown

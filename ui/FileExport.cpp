#include "ui/FileExport.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QImageWriter>
#include <QMessageBox>
#include <QSaveFile>

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
    QSaveFile file(path);
    // Unbuffered, each write checked: the commit of a buffered QSaveFile (Qt
    // 6.4) misses a failure of its last flush and puts a cut file in place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        reason = file.errorString();
        return false;
    }
    for (qint64 written = 0; written < bytes.size();) {
        const qint64 more = file.write(bytes.constData() + written, bytes.size() - written);
        if (more <= 0) {
            reason = file.errorString();
            file.cancelWriting();
            return false;
        }
        written += more;
    }
    if (file.commit()) return true;
    reason = file.errorString();
    return false;
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

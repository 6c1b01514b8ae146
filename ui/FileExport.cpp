#include "ui/FileExport.h"

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

// `write` fills the open file, or tells why it could not.
bool SaveWith(QWidget* parent, const QString& path,
              const std::function<bool(QSaveFile&, QString& reason)>& write) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return ReportWriteFailure(parent, path, file.errorString());
    QString reason;
    if (!write(file, reason)) {
        file.cancelWriting();
        return ReportWriteFailure(parent, path, reason);
    }
    if (!file.commit()) return ReportWriteFailure(parent, path, file.errorString());
    return true;
}

}  // namespace

SaveFileNameProvider SaveDialogOver(QWidget* parent) {
    return [parent](const QString& caption, const QString& suggestedName, const QString& filter) {
        return QFileDialog::getSaveFileName(parent, caption, suggestedName, filter);
    };
}

bool SavePng(QWidget* parent, const QString& path, const QImage& image) {
    return SaveWith(parent, path, [&image](QSaveFile& file, QString& reason) {
        QImageWriter writer(&file, "png");
        if (writer.write(image)) return true;
        reason = writer.errorString();
        return false;
    });
}

bool SaveBytes(QWidget* parent, const QString& path, const QByteArray& bytes) {
    return SaveWith(parent, path, [&bytes](QSaveFile& file, QString& reason) {
        if (file.write(bytes) == bytes.size()) return true;
        reason = file.errorString();
        return false;
    });
}

}  // namespace stepdown

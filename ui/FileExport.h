#pragma once
// The windows' exports: asking where to save, writing the whole file at once
// (WriteFileAtomically), so that an existing file is replaced only by a
// complete new one, and telling a failed write in the program's usual
// message box.

#include <QString>

#include <functional>

class QByteArray;
class QImage;
class QWidget;

namespace stepdown {

// Asks where to save: the dialog's caption, a suggested file name and a
// filter; the empty text when the user cancels.
using SaveFileNameProvider = std::function<QString(
    const QString& caption, const QString& suggestedName, const QString& filter)>;

// The standard save dialog over `parent`.
SaveFileNameProvider SaveDialogOver(QWidget* parent);

// Writes `path` whole with WriteFileAtomically, or leaves it as it was and
// tells why in `reason`.
bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString& reason);

// Each writes `path` whole or reports, in a message box over `parent`,
// "Impossibile salvare il file <path>: <reason>" and returns false.
bool SavePng(QWidget* parent, const QString& path, const QImage& image);
bool SaveBytes(QWidget* parent, const QString& path, const QByteArray& bytes);

}  // namespace stepdown

#pragma once
// The main window's design as a file (".stepdown"): "Nuovo", "Apri…",
// "Salva", "Salva con nome…", the five most recent files and the report,
// for the main window's context menu and, the first four, its keyboard
// shortcuts. The window's title names the file, with Qt's "[*]" mark while
// the fifteen boxes or the side windows' texts differ from what was last
// saved or opened; closing, "Nuovo" and opening ask before such changes are
// lost. Opening fills the boxes as if typed: nothing is computed.

#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

#include "designfile/DesignFile.h"
#include "model/WindowOperations.h"
#include "ui/FileExport.h"
#include "ui/SideWindowTexts.h"

class QAction;
class QMenu;
class QWidget;

namespace stepdown {

class Form2Host;

class DesignDocument : public QObject {
    Q_OBJECT

public:
    // `window` is the main window: its title, the parent of the dialogs and
    // the owner of the shortcuts; `fields` reaches its boxes and shows its
    // messages. `waveforms` gives the run and the plot the report shows.
    // All of them must outlive the document.
    DesignDocument(QWidget& window, MainWindowOperations& fields, SideWindowTexts& sideTexts,
                   const Form2Host& waveforms, const QLocale& locale);

    // The file entries, the recent files and the report's two entries.
    void FillMenu(QMenu& menu);

    // Asks "Salvare le modifiche?" (Salva, Non salvare, Annulla) when there
    // are unsaved changes. False when the user chose Annulla, or Salva and
    // the save did not happen: then nothing may be lost.
    bool MayDiscardChanges();

    // Opens `path` without asking first. A refused file shows the reader's
    // message and leaves every window as it was.
    bool Open(const QString& path);

    // The file's absolute path, empty for a design never saved or opened.
    const QString& FilePath() const { return path_; }
    bool HasUnsavedChanges() const;
    // A side window's field was typed into: the title's mark follows.
    void SideTextsEdited() { UpdateTitle(); }
    QStringList RecentFiles() const;

    QAction* NewAction() const { return new_; }
    QAction* OpenAction() const { return open_; }
    QAction* SaveAction() const { return save_; }
    QAction* SaveAsAction() const { return saveAs_; }
    QAction* ReportAction() const { return report_; }
    QAction* HtmlReportAction() const { return htmlReport_; }
    // The entries of the recent files, most recent first; hidden when unused.
    const std::array<QAction*, 5>& RecentFileActions() const { return recent_; }

    // Replace the standard dialogs, so that a test can answer them.
    using OpenFileNameProvider = std::function<QString(const QString& caption)>;
    void SetSaveFileNameProvider(SaveFileNameProvider provider);
    void SetOpenFileNameProvider(OpenFileNameProvider provider);

signals:
    // A file or "Nuovo" replaced the side windows' texts: an open side
    // window shows them again.
    void SideTextsReplaced();

private:
    DesignFile Snapshot() const;
    void Fill(const DesignFile& file);
    void Settle(const QString& path);
    void UpdateTitle();
    void NewDesign();
    void OpenChosen();
    void OpenRecent(const QString& path);
    bool Save();
    bool SaveAs();
    void ExportReport(bool html);
    void Remember(const QString& path, bool keep);
    void ShowRecentFiles();

    QWidget& window_;
    MainWindowOperations& fields_;
    SideWindowTexts& sideTexts_;
    const Form2Host& waveforms_;
    QLocale locale_;
    QString title_;
    QString path_;
    DesignFile saved_;
    QAction* new_ = nullptr;
    QAction* open_ = nullptr;
    QAction* save_ = nullptr;
    QAction* saveAs_ = nullptr;
    QAction* report_ = nullptr;
    QAction* htmlReport_ = nullptr;
    std::array<QAction*, 5> recent_{};
    SaveFileNameProvider saveFileName_;
    OpenFileNameProvider openFileName_;
};

}  // namespace stepdown

#include "ui/DesignDocument.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QWidget>

#include <algorithm>

#include "designfile/SideTexts.h"
#include "model/MainWindowBoxes.h"
#include "report/DesignReport.h"
#include "ui/ApplicationTitle.h"
#include "ui/Form2Host.h"
#include "ui/QtText.h"
#include "ui/ReportLayout.h"

namespace stepdown {
namespace {

const QString kFilter = QStringLiteral("Progetti stepdown (*.stepdown);;Tutti i file (*)");
const QString kRecentKey = QStringLiteral("recentFiles");

QSettings Settings() { return QSettings(QStringLiteral("stepdown"), QStringLiteral("stepdown")); }

// The main window's boxes, by the names of the design file's tables.
template <typename Visit>
void ForEachBox(Visit visit) {
    for (const DesignFileSection& section : kDesignFileSections)
        for (const DesignFileKey& key : section.keys)
            if (!BoxOf(key).empty()) visit(BoxOf(key));
}

}  // namespace

DesignDocument::DesignDocument(QWidget& window, MainWindowOperations& fields,
                               SideWindowTexts& sideTexts, const Form2Host& waveforms,
                               const QLocale& locale)
    : QObject(&window),
      window_(window),
      fields_(fields),
      sideTexts_(sideTexts),
      waveforms_(waveforms),
      locale_(locale),
      title_(window.windowTitle()),
      saved_(Snapshot()) {
    const auto action = [this](const QString& text, QKeySequence keys, auto slot) {
        auto* entry = new QAction(text, this);
        entry->setShortcut(keys);
        connect(entry, &QAction::triggered, this, slot);
        if (!keys.isEmpty()) window_.addAction(entry);
        return entry;
    };
    new_ = action(QStringLiteral("Nuovo"), QKeySequence(Qt::CTRL | Qt::Key_N),
                  &DesignDocument::NewDesign);
    open_ = action(QStringLiteral("Apri…"), QKeySequence(Qt::CTRL | Qt::Key_O),
                   &DesignDocument::OpenChosen);
    save_ =
        action(QStringLiteral("Salva"), QKeySequence(Qt::CTRL | Qt::Key_S), &DesignDocument::Save);
    saveAs_ = action(QStringLiteral("Salva con nome…"),
                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), &DesignDocument::SaveAs);
    report_ = action(QStringLiteral("Esporta relazione…"), QKeySequence(),
                     [this] { ExportReport(false); });
    htmlReport_ = action(QStringLiteral("Esporta relazione HTML…"), QKeySequence(),
                         [this] { ExportReport(true); });
    for (QAction*& entry : recent_) {
        entry = new QAction(this);
        entry->setVisible(false);
        connect(entry, &QAction::triggered, this,
                [this, entry] { OpenRecent(entry->data().toString()); });
    }
    ShowRecentFiles();

    ForEachBox([this](std::string_view name) {
        if (auto* box = window_.findChild<QLineEdit*>(Text(name)))
            connect(box, &QLineEdit::textChanged, this, &DesignDocument::UpdateTitle);
    });

    saveFileName_ = [this](const QString& caption, const QString& suggested,
                           const QString& filter) {
        QFileDialog dialog(&window_, caption, suggested, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QFileInfo(suggested).suffix());
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    openFileName_ = [this](const QString& caption) {
        return QFileDialog::getOpenFileName(&window_, caption, QFileInfo(path_).path(), kFilter);
    };
}

void DesignDocument::FillMenu(QMenu& menu) {
    menu.addActions({new_, open_, save_, saveAs_});
    menu.addSeparator();
    menu.setToolTipsVisible(true);
    for (QAction* entry : recent_)
        if (entry->isVisible()) menu.addAction(entry);
    menu.addSeparator();
    menu.addActions({report_, htmlReport_});
}

bool DesignDocument::HasUnsavedChanges() const { return Snapshot() != saved_; }

bool DesignDocument::MayDiscardChanges() {
    if (!HasUnsavedChanges()) return true;
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kApplicationTitle),
                    QStringLiteral("Salvare le modifiche?"),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, &window_);
    box.button(QMessageBox::Save)->setText(QStringLiteral("Salva"));
    box.button(QMessageBox::Discard)->setText(QStringLiteral("Non salvare"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Annulla"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return Save();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

bool DesignDocument::Open(const QString& path) {
    const DesignFileOutcome read = ReadDesignFile(QFile::encodeName(path).toStdString());
    if (!read.file) {
        fields_.ShowMessage(read.message);
        return false;
    }
    Fill(*read.file);
    Settle(path);
    return true;
}

QStringList DesignDocument::RecentFiles() const {
    return Settings().value(kRecentKey).toStringList().mid(0, std::ssize(recent_));
}

void DesignDocument::SetSaveFileNameProvider(SaveFileNameProvider provider) {
    saveFileName_ = std::move(provider);
}

void DesignDocument::SetOpenFileNameProvider(OpenFileNameProvider provider) {
    openFileName_ = std::move(provider);
}

DesignFile DesignDocument::Snapshot() const {
    DesignFile file;
    for (auto& [id, text] : TextsOf(fields_)) file.texts.insert_or_assign(id, std::move(text));
    PutSideTexts(sideTexts_.parts, sideTexts_.choice, file);
    PutLoopTexts(sideTexts_.loop, file);
    return file;
}

void DesignDocument::Fill(const DesignFile& file) {
    for (const auto& [id, text] : file.texts)
        if (const std::string_view box = BoxOf(id); !box.empty()) fields_.SetText(box, text);
    ForEachBox([this](std::string_view name) { fields_.SetTextColour(name, kBlack); });
    TakeSideTexts(file, sideTexts_.parts, sideTexts_.choice);
    TakeLoopTexts(file, sideTexts_.loop);
    emit SideTextsReplaced();
}

// What the window now shows is the file at `path`, or a design without one.
void DesignDocument::Settle(const QString& path) {
    path_ = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    saved_ = Snapshot();
    if (!path_.isEmpty()) Remember(path_, true);
    UpdateTitle();
}

void DesignDocument::UpdateTitle() {
    if (path_.isEmpty()) {
        window_.setWindowTitle(title_);
        window_.setWindowModified(false);
        return;
    }
    // A "[*]" in the name itself is written twice to stay text.
    QString name = QFileInfo(path_).fileName();
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    window_.setWindowTitle(title_ + QStringLiteral(" — ") + name + QStringLiteral("[*]"));
    // Asked every few moments: only a change is passed on.
    if (const bool modified = HasUnsavedChanges(); modified != window_.isWindowModified())
        window_.setWindowModified(modified);
}

void DesignDocument::NewDesign() {
    if (!MayDiscardChanges()) return;
    Fill(DesignFile{});
    Settle(QString());
}

void DesignDocument::OpenChosen() {
    if (!MayDiscardChanges()) return;
    const QString path = openFileName_(QStringLiteral("Apri progetto"));
    if (!path.isEmpty()) Open(path);
}

void DesignDocument::OpenRecent(const QString& path) {
    if (!QFileInfo::exists(path)) {
        Remember(path, false);
        fields_.ShowMessage("Il file " + QDir::toNativeSeparators(path).toStdString() +
                            " non esiste più: è stato tolto dai file recenti.");
        return;
    }
    if (MayDiscardChanges()) Open(path);
}

bool DesignDocument::Save() {
    if (path_.isEmpty()) return SaveAs();
    const DesignFile file = Snapshot();
    if (!SaveBytes(&window_, path_, QByteArray::fromStdString(DesignFileText(file)))) return false;
    Settle(path_);
    return true;
}

bool DesignDocument::SaveAs() {
    const QString suggested = path_.isEmpty() ? QStringLiteral("progetto.stepdown") : path_;
    const QString path = saveFileName_(QStringLiteral("Salva con nome"), suggested, kFilter);
    if (path.isEmpty()) return false;
    if (!SaveBytes(&window_, path, QByteArray::fromStdString(DesignFileText(Snapshot()))))
        return false;
    Settle(path);
    return true;
}

void DesignDocument::ExportReport(bool html) {
    const QString base =
        path_.isEmpty() ? QStringLiteral("relazione") : QFileInfo(path_).completeBaseName();
    const QString path = html
                             ? saveFileName_(QStringLiteral("Esporta relazione HTML"),
                                             base + ".html", QStringLiteral("Pagine HTML (*.html)"))
                             : saveFileName_(QStringLiteral("Esporta relazione"), base + ".pdf",
                                             QStringLiteral("Documenti PDF (*.pdf)"));
    if (path.isEmpty()) return;
    if (!path_.isEmpty() &&
        SameFile(QFile::encodeName(path).toStdString(), QFile::encodeName(path_).toStdString())) {
        fields_.ShowMessage("Impossibile salvare il file " +
                            QDir::toNativeSeparators(path).toStdString() + ": " +
                            kReportOverDesign);
        return;
    }
    ReportInputs inputs;
    inputs.texts = Snapshot();
    inputs.fileName = QFileInfo(path_).fileName().toStdString();
    inputs.date = ReportDate().toStdString();
    inputs.separator = locale_.decimalPoint().toStdString();
    const Form2* shown = waveforms_.Window();
    if (shown != nullptr) inputs.run = shown->ShownRun();
    const DesignReport report = BuildDesignReport(inputs);
    ReportPictures pictures = PicturesOf(shown, locale_);
    AddLoopPictures(report, locale_, pictures);
    SaveBytes(&window_, path, html ? ReportHtml(report, pictures) : ReportPdf(report, pictures));
}

// Puts `path` first among the recent files, or drops it: one entry a file,
// however its path was written.
void DesignDocument::Remember(const QString& written, bool keep) {
    const QString path = QFileInfo(written).absoluteFilePath();
    QSettings settings = Settings();
    QStringList files = settings.value(kRecentKey).toStringList();
    files.removeAll(path);
    if (keep) files.prepend(path);
    settings.setValue(kRecentKey, files.mid(0, std::ssize(recent_)));
    ShowRecentFiles();
}

void DesignDocument::ShowRecentFiles() {
    const QStringList files = RecentFiles();
    for (qsizetype i = 0; i < std::ssize(recent_); ++i) {
        QAction* entry = recent_[static_cast<std::size_t>(i)];
        entry->setVisible(i < files.size());
        if (i >= files.size()) continue;
        // Two files of one name are told apart by their folders.
        const QFileInfo file(files[i]);
        const bool twin = std::ranges::count_if(files, [&](const QString& other) {
                              return QFileInfo(other).fileName() == file.fileName();
                          }) > 1;
        QString name =
            twin ? QDir(file.absolutePath()).dirName() + '/' + file.fileName() : file.fileName();
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        entry->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        entry->setToolTip(QDir::toNativeSeparators(files[i]));
        entry->setData(files[i]);
    }
}

}  // namespace stepdown

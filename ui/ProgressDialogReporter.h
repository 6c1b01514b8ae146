#pragma once
// Progress of a long simulation in a modal dialog with a Cancel button. The
// dialog appears only once the run is expected to take longer than about half
// a second; a short run shows nothing and never yields to the event loop.

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <QString>

#include <cstdint>

#include "model/WindowOperations.h"

class QWidget;

namespace stepdown {

class ProgressDialogReporter : public ProgressReporter {
public:
    // The clock starts here: make the reporter right before the run.
    explicit ProgressDialogReporter(QWidget* parent = nullptr);
    ~ProgressDialogReporter() override;
    ProgressDialogReporter(const ProgressDialogReporter&) = delete;
    ProgressDialogReporter& operator=(const ProgressDialogReporter&) = delete;

    bool Continue(std::int64_t stepsDone, std::int64_t stepsTotal) override;

    // The dialog, once it has been shown; null before.
    QProgressDialog* Dialog() const { return dialog_.data(); }
    bool Cancelled() const { return cancelled_; }

    static constexpr qint64 kShowAfterMs = 500;
    // Time before the first estimate of the whole run is trusted.
    static constexpr qint64 kEstimateAfterMs = 50;
    // Longest gap between two refreshes of the shown dialog.
    static constexpr qint64 kRefreshMs = 40;
    static constexpr int kScale = 1000;

    static inline const QString kLabel = QStringLiteral("Simulazione in corso…");
    static inline const QString kCancel = QStringLiteral("Annulla");

private:
    bool WorthShowing(qint64 elapsed, std::int64_t stepsDone, std::int64_t stepsTotal) const;
    void Show();

    QWidget* parent_;
    QElapsedTimer clock_;
    QPointer<QProgressDialog> dialog_;
    qint64 lastRefresh_ = 0;
    bool cancelled_ = false;
};

}  // namespace stepdown

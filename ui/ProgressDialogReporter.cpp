#include "ui/ProgressDialogReporter.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>

#include "common/ProgressTimes.h"
#include "ui/ApplicationTitle.h"
#include "ui/VectorState.h"

namespace stepdown {

ProgressDialogReporter::ProgressDialogReporter(QWidget* parent) : parent_(parent) {
    clock_.start();
}

ProgressDialogReporter::~ProgressDialogReporter() { delete dialog_.data(); }

bool ProgressDialogReporter::WorthShowing(qint64 elapsed, std::int64_t stepsDone,
                                          std::int64_t stepsTotal) const {
    if (stepsDone >= stepsTotal) return false;
    if (elapsed >= kShowAfterMs) return true;
    if (elapsed < kEstimateAfterMs || stepsDone <= 0) return false;
    const double expected = static_cast<double>(elapsed) * static_cast<double>(stepsTotal) /
                            static_cast<double>(stepsDone);
    return expected >= static_cast<double>(kShowAfterMs);
}

void ProgressDialogReporter::Show() {
    auto* dialog = new QProgressDialog(kLabel, kCancel, 0, kScale, parent_);
    dialog->setWindowTitle(QString::fromUtf8(kApplicationTitle));
    dialog->setWindowModality(Qt::ApplicationModal);
    // Shown and hidden here, not by the dialog's own timers.
    dialog->setMinimumDuration(0);
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    dialog_ = dialog;
    dialog->show();
}

bool ProgressDialogReporter::Continue(std::int64_t stepsDone, std::int64_t stepsTotal) {
    if (cancelled_) return false;
    const qint64 elapsed = clock_.elapsed();
    if (dialog_.isNull()) {
        // Until the dialog is up the run keeps the thread, as a short run does.
        if (!WorthShowing(elapsed, stepsDone, stepsTotal)) return true;
        Show();
    } else if (stepsDone < stepsTotal && elapsed - lastRefresh_ < kRefreshMs) {
        return true;
    }
    // A cancelled dialog has hidden itself; a new value would show it again.
    if (dialog_->wasCanceled()) {
        cancelled_ = true;
        return false;
    }
    lastRefresh_ = elapsed;
    const double fraction =
        stepsTotal > 0
            ? std::clamp(static_cast<double>(stepsDone) / static_cast<double>(stepsTotal), 0.0, 1.0)
            : 0.0;
    dialog_->setValue(static_cast<int>(fraction * kScale));
    dialog_->setLabelText(kLabel + QLatin1Char('\n') +
                          QString::fromStdString(ProgressTimes(static_cast<double>(elapsed) / 1000,
                                                               stepsDone, stepsTotal)));
    // The dialog is application-modal, so the events let it repaint and
    // take the Cancel click without reaching the other windows.
    QCoreApplication::processEvents();
    ClearUpperVectorState();  // the dialog has just been painted
    if (dialog_.isNull() || dialog_->wasCanceled()) {
        cancelled_ = true;
        return false;
    }
    if (stepsDone >= stepsTotal) dialog_->hide();
    return true;
}

}  // namespace stepdown

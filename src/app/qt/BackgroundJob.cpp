#include "app/qt/BackgroundJob.h"

#include <QProgressDialog>

#include <algorithm>

#include "app/JobProgress.h"

namespace sondrel {

namespace {

constexpr int kTickMs = 200;
// The progress bar counts in these steps whatever the work's unit.
constexpr int kBarSteps = 1000;

}  // namespace

void BackgroundJob::Control::progress(std::int64_t items, std::int64_t done, std::int64_t total) {
    items_.store(items, std::memory_order_relaxed);
    done_.store(done, std::memory_order_relaxed);
    total_.store(total, std::memory_order_relaxed);
}

BackgroundJob::BackgroundJob(QWidget* window, QString title, QString itemsName)
    : title_(std::move(title)), itemsName_(std::move(itemsName)) {
    dialog_ = new QProgressDialog(window);
    dialog_->setWindowTitle(title_);
    dialog_->setWindowModality(Qt::NonModal);
    dialog_->setRange(0, kBarSteps);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    // The dialog shows itself once the work has taken this long.
    dialog_->setMinimumDuration(kShowAfterMs);
    dialog_->setMinimumWidth(420);
    dialog_->reset();
    dialog_->hide();
    connect(dialog_, &QProgressDialog::canceled, this, &BackgroundJob::cancel);
    tick_.setInterval(kTickMs);
    connect(&tick_, &QTimer::timeout, this, &BackgroundJob::showProgress);
}

BackgroundJob::~BackgroundJob() {
    control_.cancelled_ = true;
    if (thread_.joinable()) thread_.join();
    delete dialog_.data();
}

bool BackgroundJob::start(QString subject, Work work, Finished finished) {
    if (running_) return false;
    if (thread_.joinable()) thread_.join();
    subject_ = std::move(subject);
    finished_ = std::move(finished);
    control_.items_ = control_.done_ = control_.total_ = 0;
    control_.cancelled_ = false;
    running_ = true;
    clock_.start();
    if (dialog_) {
        dialog_->reset();
        dialog_->setLabelText(subject_);
        dialog_->setValue(0);
    }
    tick_.start();
    emit runningChanged(true);
    thread_ = std::thread([this, work = std::move(work)] {
        work(control_);
        // Handed to the main thread; dropped if this object is gone by then.
        QMetaObject::invokeMethod(this, &BackgroundJob::workDone, Qt::QueuedConnection);
    });
    return true;
}

void BackgroundJob::cancel() {
    if (!running_) return;
    control_.cancelled_ = true;
    // The work stops at its next look. The window goes at once (the dialog's
    // own Cancel hides it too); its button stays, for it may be the one
    // whose click is being handled.
    if (dialog_) dialog_->hide();
}

void BackgroundJob::showProgress() {
    if (!running_ || !dialog_ || control_.cancelled()) return;
    const std::int64_t done = control_.done_, total = control_.total_;
    if (total > 0) {
        dialog_->setValue(
            static_cast<int>(std::clamp<std::int64_t>(done * kBarSteps / total, 0, kBarSteps)));
    }
    const std::string line = jobProgressText(control_.items_, itemsName_.toStdString(), done, total,
                                             clock_.elapsed() / 1000.0);
    dialog_->setLabelText(subject_ + QLatin1Char('\n') + QString::fromStdString(line));
}

void BackgroundJob::workDone() {
    if (thread_.joinable()) thread_.join();
    tick_.stop();
    if (dialog_) {
        dialog_->reset();
        dialog_->hide();
    }
    running_ = false;
    const bool cancelled = control_.cancelled();
    Finished finished = std::move(finished_);
    finished_ = {};
    emit runningChanged(false);
    if (finished) finished(cancelled);
}

}  // namespace sondrel

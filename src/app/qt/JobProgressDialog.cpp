#include "app/qt/JobProgressDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace sondrel {

namespace {

// Often enough to look alive, seldom enough to cost the job nothing.
constexpr int kRefreshMs = 100;
// The bar counts in these steps whatever the work's unit.
constexpr int kBarSteps = 1000;

}  // namespace

JobProgressDialog::JobProgressDialog(QWidget* parent, const QString& title, std::string itemsLabel)
    : QDialog(parent),
      itemsLabel_(std::move(itemsLabel)),
      progress_(std::make_unique<JobProgress>()) {
    setObjectName(QStringLiteral("jobProgress"));
    setWindowTitle(title);
    setModal(false);
    headline_ = new QLabel(this);
    headline_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    detail_ = new QLabel(this);
    timeLeft_ = new QLabel(this);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, kBarSteps);
    cancel_ = new QPushButton(this);
    connect(cancel_, &QPushButton::clicked, this, &JobProgressDialog::cancel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(headline_);
    layout->addWidget(detail_);
    layout->addWidget(bar_);
    layout->addWidget(timeLeft_);
    layout->addLayout(buttons);
    setMinimumWidth(420);
    poll_.setInterval(kRefreshMs);
    connect(&poll_, &QTimer::timeout, this, &JobProgressDialog::refresh);
}

JobProgressDialog::~JobProgressDialog() {
    poll_.stop();
    if (worker_.joinable()) {
        progress_->cancel();
        worker_.join();
    }
}

bool JobProgressDialog::start(const QString& headline, Work work, Done done) {
    if (worker_.joinable()) return false;
    done_ = std::move(done);
    progress_ = std::make_unique<JobProgress>();
    finished_.store(false, std::memory_order_relaxed);
    headline_->setText(headline);
    bar_->setValue(0);
    cancel_->setText(QStringLiteral("Cancel"));
    cancel_->setEnabled(true);
    clock_.start();
    refresh();
    show();
    keepClearOfOtherJobs();
    raise();
    // The thread is told only of the progress it shares; its end is seen by
    // the refresh on this thread, so nothing is ever sent to a window that
    // may be gone.
    worker_ = std::thread([this, progress = progress_.get(), work = std::move(work)] {
        work(*progress);
        finished_.store(true, std::memory_order_release);
    });
    poll_.start();
    emit runningChanged(true);
    return true;
}

void JobProgressDialog::cancel() {
    if (!running()) return;
    progress_->cancel();
    // The work stops at its next look; the window stays until it has.
    cancel_->setEnabled(false);
    cancel_->setText(QStringLiteral("Cancelling..."));
}

void JobProgressDialog::keepClearOfOtherJobs() {
    QWidget* owner = parentWidget();
    if (!owner) return;
    constexpr int kGap = 8;
    for (const JobProgressDialog* other :
         owner->findChildren<JobProgressDialog*>(Qt::FindDirectChildrenOnly)) {
        if (other == this || !other->isVisible()) continue;
        const QRect theirs = other->frameGeometry();
        QRect mine = frameGeometry();
        if (!mine.intersects(theirs)) continue;
        mine.moveTopLeft(QPoint(theirs.left(), theirs.bottom() + 1 + kGap));
        const QScreen* screen = other->screen();
        if (screen && !screen->availableGeometry().contains(mine))
            mine.moveBottom(theirs.top() - 1 - kGap);
        move(mine.topLeft());
    }
}

void JobProgressDialog::reject() {
    // The close box and Escape: the job is stopped, not left running unseen.
    if (running()) {
        cancel();
    } else {
        QDialog::reject();
    }
}

void JobProgressDialog::cancelAndWait() {
    if (!worker_.joinable()) return;
    cancel();
    worker_.join();
    end();
}

void JobProgressDialog::refresh() {
    // Looked at first: all the work told before its end is seen below.
    const bool finished = finished_.load(std::memory_order_acquire);
    const JobProgress& progress = *progress_;
    detail_->setText(QString::fromStdString(itemsDoneText(itemsLabel_, progress)));
    const std::int64_t done = progress.done(), total = progress.total();
    if (total > 0) {
        bar_->setValue(
            static_cast<int>(std::clamp<std::int64_t>(done * kBarSteps / total, 0, kBarSteps)));
    }
    timeLeft_->setText(QString::fromStdString(
        timeLeftText(secondsLeft(done, total, static_cast<double>(clock_.elapsed()) / 1000.0))));
    if (finished && worker_.joinable()) {
        worker_.join();
        end();
    }
}

void JobProgressDialog::end() {
    poll_.stop();
    hide();
    const bool cancelled = progress_->cancelled();
    Done done = std::exchange(done_, {});
    emit runningChanged(false);
    // `done` may tell the operator how it went, or start the next job: the
    // window is out of the way first and nothing of it is touched after.
    if (done) done(cancelled);
}

}  // namespace sondrel

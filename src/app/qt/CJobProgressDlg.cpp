#include "app/qt/CJobProgressDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace sondrel {

namespace {

// Often enough to look alive, seldom enough to cost the job nothing.
constexpr int kRefreshMs = 100;
constexpr int kBarSteps = 1000;

}  // namespace

CJobProgressDlg::CJobProgressDlg(QWidget* parent, const QString& title, const QString& headline,
                                 Describe describe)
    : QDialog(parent), describe_(std::move(describe)) {
    setObjectName(QStringLiteral("jobProgress"));
    setWindowTitle(title);
    setModal(false);
    auto* head = new QLabel(headline, this);
    head->setTextInteractionFlags(Qt::TextSelectableByMouse);
    detail_ = new QLabel(this);
    timeLeft_ = new QLabel(this);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, kBarSteps);
    bar_->setValue(0);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    connect(cancel_, &QPushButton::clicked, this, &CJobProgressDlg::cancel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(head);
    layout->addWidget(detail_);
    layout->addWidget(bar_);
    layout->addWidget(timeLeft_);
    layout->addLayout(buttons);
    setMinimumWidth(420);
    poll_.setInterval(kRefreshMs);
    connect(&poll_, &QTimer::timeout, this, &CJobProgressDlg::refresh);
}

CJobProgressDlg::~CJobProgressDlg() {
    poll_.stop();
    if (worker_.joinable()) {
        progress_.cancel();
        worker_.join();
    }
}

void CJobProgressDlg::start(Work work, Done done) {
    if (worker_.joinable()) return;
    done_ = std::move(done);
    clock_.start();
    refresh();
    show();
    // The thread is told only of the progress it shares; the window's end is
    // seen by the refresh on this thread, so nothing is ever sent to a window
    // that may be gone.
    worker_ = std::thread([this, work = std::move(work)] {
        work(progress_);
        finished_.store(true, std::memory_order_release);
    });
    poll_.start();
}

void CJobProgressDlg::cancel() {
    progress_.cancel();
    cancel_->setEnabled(false);
    cancel_->setText(QStringLiteral("Cancelling..."));
}

void CJobProgressDlg::reject() {
    // The close box and Escape: the job is stopped, not left running unseen.
    if (running()) cancel();
}

void CJobProgressDlg::cancelAndWait() {
    if (!worker_.joinable()) return;
    cancel();
    worker_.join();
    end();
}

void CJobProgressDlg::refresh() {
    if (describe_) detail_->setText(QString::fromStdString(describe_(progress_)));
    const std::int64_t done = progress_.done(), total = progress_.total();
    if (total > 0) bar_->setValue(static_cast<int>(done * kBarSteps / total));
    timeLeft_->setText(QString::fromStdString(
        timeLeftText(secondsLeft(done, total, static_cast<double>(clock_.elapsed()) / 1000.0))));
    if (finished_.load(std::memory_order_acquire) && worker_.joinable()) {
        worker_.join();
        end();
    }
}

void CJobProgressDlg::end() {
    poll_.stop();
    hide();
    // `done` may tell the operator how it went; the window is out of the way first.
    if (Done done = std::exchange(done_, {})) done();
}

}  // namespace sondrel

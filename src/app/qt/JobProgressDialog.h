#pragma once
// Long work run on a thread of its own while the main window stays in the
// operator's hands. A small window of its own shows what the work is doing,
// the items done of about how many, a bar, the time left and a Cancel button
// (its close box and Escape cancel too); the work's end is handed back to the
// window's thread. The work sees only a JobProgress, so the work itself is
// core code that tests drive directly, and it runs on its own data (a
// document of its own, copies of settings) and touches no widget.
//
//   window.start(headline, [=](JobProgress& p) { ... p.report(bytes, total, n);
//                                                if (p.cancelled()) return; ... },
//                [=](bool cancelled) { ... tell the operator ... });
//
// One job at a time per window; the window is used again for the next one.
// Destroying it cancels a running job and waits for its thread, so the work
// must look at cancelled() often.

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "common/JobProgress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace sondrel {

class JobProgressDialog : public QDialog {
    Q_OBJECT

  public:
    // On the job's thread.
    using Work = std::function<void(JobProgress&)>;
    // On the window's thread, once the work has returned, told whether
    // Cancel was asked for.
    using Done = std::function<void(bool cancelled)>;

    // `title` heads the window, `itemsLabel` ("Records converted") names the
    // count it shows.
    JobProgressDialog(QWidget* parent, const QString& title, std::string itemsLabel);
    // A job still running is cancelled and waited for; `done` does not run then.
    ~JobProgressDialog() override;

    // Shows the window with `headline` (what the work is doing) and starts
    // the work; false while another job runs.
    bool start(const QString& headline, Work work, Done done);
    bool running() const { return worker_.joinable(); }
    // Asks the job to stop, waits for it and runs `done`.
    void cancelAndWait();

    QPushButton* cancelButton() const { return cancel_; }
    QProgressBar* progressBar() const { return bar_; }

    void reject() override;

  signals:
    // Before `done` runs at the end.
    void runningChanged(bool running);

  private:
    void cancel();
    // Another job's window showing where this one comes up (both are
    // centred on the main window) would hide one of them: this one goes
    // below it, or above it where the screen ends.
    void keepClearOfOtherJobs();
    void refresh();
    void end();

    const std::string itemsLabel_;
    Done done_;
    // Made anew for each job, so that a job starts from nothing done.
    std::unique_ptr<JobProgress> progress_;
    std::atomic<bool> finished_{false};
    std::thread worker_;
    QElapsedTimer clock_;
    QTimer poll_;
    QLabel* headline_ = nullptr;
    QLabel* detail_ = nullptr;
    QLabel* timeLeft_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace sondrel

#pragma once
// A long job run on a thread of its own while the main window stays in the
// operator's hands. A small window of its own shows what the job has done,
// the time left and a Cancel button (its close box and Escape cancel too);
// the job's end is handed back to the window's thread. The job sees only a
// JobProgress, so the work itself is core code that tests drive directly.

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "common/JobProgress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace sondrel {

class CJobProgressDlg : public QDialog {
    Q_OBJECT

  public:
    // On the job's thread.
    using Work = std::function<void(JobProgress&)>;
    // On the window's thread: the line that says what has been done.
    using Describe = std::function<std::string(const JobProgress&)>;
    // On the window's thread, once the work has returned (cancelled or not).
    using Done = std::function<void()>;

    CJobProgressDlg(QWidget* parent, const QString& title, const QString& headline,
                    Describe describe);
    // A job still running is cancelled and waited for; `done` does not run then.
    ~CJobProgressDlg() override;

    // Shows the window and starts the work. One job per window.
    void start(Work work, Done done);
    bool running() const { return worker_.joinable(); }
    // Asks the job to stop, waits for it and runs `done`.
    void cancelAndWait();

    QPushButton* cancelButton() const { return cancel_; }
    QProgressBar* progressBar() const { return bar_; }

    void reject() override;

  private:
    void cancel();
    void refresh();
    void end();

    Describe describe_;
    Done done_;
    JobProgress progress_;
    std::atomic<bool> finished_{false};
    std::thread worker_;
    QElapsedTimer clock_;
    QTimer poll_;
    QLabel* detail_ = nullptr;
    QLabel* timeLeft_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace sondrel

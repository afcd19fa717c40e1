#pragma once
// Long work on a thread of its own while the window goes on: after a moment a
// progress window shows what is done and about how long is left, with Cancel;
// the outcome is handed back on the main thread. The work runs on its own
// data (a document of its own, copies of settings) and touches no widget.
//
//   job.start([=](BackgroundJob::Control& c) { ... c.progress(n, bytes, total);
//                                              if (c.cancelled()) return; ... },
//             [=](bool cancelled) { ... tell the operator ... });
//
// One job at a time per object. Destroying the object cancels a running job
// and waits for its thread, so the work must check cancelled() often.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

class QWidget;

namespace sondrel {

class BackgroundJob : public QObject {
    Q_OBJECT

  public:
    // What the work may call from its thread.
    class Control {
      public:
        // `items` done so far (records, say), and `done` of `total` in the
        // unit the work measures itself by (bytes of the file).
        void progress(std::int64_t items, std::int64_t done, std::int64_t total);
        bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

      private:
        friend class BackgroundJob;
        std::atomic<std::int64_t> items_{0}, done_{0}, total_{0};
        std::atomic<bool> cancelled_{false};
    };
    using Work = std::function<void(Control&)>;
    using Finished = std::function<void(bool cancelled)>;

    // `title` heads the progress window, `itemsName` names what is counted.
    BackgroundJob(QWidget* window, QString title, QString itemsName);
    ~BackgroundJob() override;

    // Starts the work; false while another runs. `finished` runs on the main
    // thread after the work has returned, told whether Cancel was asked for.
    bool start(QString subject, Work work, Finished finished);
    bool running() const { return running_; }
    void cancel();

    QProgressDialog* progressWindow() const { return dialog_.data(); }

    // The progress window shows only for work that takes longer than this.
    static constexpr int kShowAfterMs = 400;

  signals:
    void runningChanged(bool running);

  private:
    void showProgress();
    void workDone();

    QString title_, itemsName_, subject_;
    QPointer<QProgressDialog> dialog_;
    QTimer tick_;
    QElapsedTimer clock_;
    Control control_;
    Finished finished_;
    std::thread thread_;
    bool running_ = false;
};

}  // namespace sondrel

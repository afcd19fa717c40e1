// The window of a job on a thread of its own: the job's end comes back to the
// window's thread once, whether it ran out or was cancelled by any of the
// window's ways, the window serves one job after another, and a window
// destroyed under a running job stops and waits for it.

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "app/qt/JobProgressDialog.h"

namespace sondrel {
namespace {

// Reports its steps until it has made `steps` of them or is cancelled.
JobProgressDialog::Work counting(std::int64_t steps, std::atomic<std::int64_t>& made) {
    return [steps, &made](JobProgress& progress) {
        while (!progress.cancelled() && made < steps) {
            ++made;
            progress.report(made, steps, made);
        }
    };
}

bool showsLine(const JobProgressDialog& window, const QString& text) {
    for (const QLabel* label : window.findChildren<QLabel*>())
        if (label->text() == text) return true;
    return false;
}

TEST(JobProgressDialog, TheEndComesBackOnceWhetherTheJobRanOutOrWasCancelled) {
    enum class Way { RunOut, CancelButton, Escape, CloseBox };
    // One window for every case: each job starts from nothing done.
    JobProgressDialog window(nullptr, QStringLiteral("Job"), "Steps made");
    std::vector<bool> states;
    QObject::connect(&window, &JobProgressDialog::runningChanged,
                     [&](bool running) { states.push_back(running); });
    for (const Way way : {Way::RunOut, Way::CancelButton, Way::Escape, Way::CloseBox}) {
        SCOPED_TRACE(static_cast<int>(way));
        const bool cancel = way != Way::RunOut;
        std::atomic<std::int64_t> made{0};
        const std::int64_t steps = cancel ? std::int64_t{1} << 60 : 50000;
        int ends = 0;
        bool endCancelled = !cancel;
        states.clear();
        ASSERT_TRUE(
            window.start(QStringLiteral("Counting"), counting(steps, made), [&](bool cancelled) {
                ++ends;
                endCancelled = cancelled;
                EXPECT_EQ(QThread::currentThread(), qApp->thread());
            }));
        EXPECT_TRUE(window.isVisible());
        EXPECT_TRUE(window.cancelButton()->isEnabled());
        EXPECT_TRUE(showsLine(window, QStringLiteral("Counting")));
        if (cancel) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return made > 0; }, 10000));
            if (way == Way::CancelButton) QTest::mouseClick(window.cancelButton(), Qt::LeftButton);
            if (way == Way::Escape) QTest::keyClick(&window, Qt::Key_Escape);
            if (way == Way::CloseBox) window.close();
            // Until the work has stopped, the window stays and says so.
            EXPECT_TRUE(window.isVisible());
            EXPECT_FALSE(window.cancelButton()->isEnabled());
            EXPECT_EQ(window.cancelButton()->text(), QStringLiteral("Cancelling..."));
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window.running(); }, 10000));
        EXPECT_EQ(ends, 1);
        EXPECT_EQ(endCancelled, cancel);
        EXPECT_EQ(states, (std::vector<bool>{true, false}));
        EXPECT_FALSE(window.isVisible());
        if (!cancel) {
            EXPECT_EQ(made, steps);
            EXPECT_EQ(window.progressBar()->value(), window.progressBar()->maximum());
            EXPECT_TRUE(showsLine(window, QStringLiteral("Steps made: 50,000")));
        }
    }
}

TEST(JobProgressDialog, OneJobAtATime) {
    JobProgressDialog window(nullptr, QStringLiteral("Job"), "Steps made");
    std::atomic<std::int64_t> first{0}, second{0};
    int ends = 0;
    ASSERT_TRUE(window.start(QStringLiteral("First"), counting(std::int64_t{1} << 60, first),
                             [&](bool) { ++ends; }));
    EXPECT_FALSE(window.start(QStringLiteral("Second"), counting(10, second),
                              [&](bool) { ADD_FAILURE() << "a refused job ended"; }));
    EXPECT_TRUE(showsLine(window, QStringLiteral("First")));
    window.cancelAndWait();
    EXPECT_FALSE(window.running());
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(second, 0);
}

// Both are centred on the main window: the second must not hide the first.
TEST(JobProgressDialog, TwoJobsAtOnceShowBothWindows) {
    QWidget owner;
    owner.resize(800, 600);
    owner.show();
    JobProgressDialog first(&owner, QStringLiteral("First"), "Steps made");
    JobProgressDialog second(&owner, QStringLiteral("Second"), "Steps made");
    std::atomic<std::int64_t> a{0}, b{0};
    ASSERT_TRUE(first.start(QStringLiteral("First"), counting(std::int64_t{1} << 60, a), {}));
    ASSERT_TRUE(second.start(QStringLiteral("Second"), counting(std::int64_t{1} << 60, b), {}));
    EXPECT_FALSE(first.frameGeometry().intersects(second.frameGeometry()))
        << first.frameGeometry().y() << " " << second.frameGeometry().y();
    first.cancelAndWait();
    second.cancelAndWait();
}

TEST(JobProgressDialog, AWindowClosedUnderARunningJobStopsItAndWaits) {
    std::atomic<std::int64_t> made{0};
    int ends = 0;
    {
        auto window =
            std::make_unique<JobProgressDialog>(nullptr, QStringLiteral("Job"), "Steps made");
        window->start(QStringLiteral("Counting"), counting(std::int64_t{1} << 60, made),
                      [&](bool) { ++ends; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return made > 0; }, 10000));
    }
    const std::int64_t atEnd = made;
    QTest::qWait(20);
    EXPECT_EQ(made, atEnd) << "the job went on after its window";
    EXPECT_EQ(ends, 0);
}

}  // namespace
}  // namespace sondrel

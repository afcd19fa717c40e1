// The window of a job on a thread of its own: the job's end comes back to the
// window's thread once, whether it ran out or was cancelled, and a window
// closed under a running job stops and waits for it.

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "app/qt/CJobProgressDlg.h"

namespace sondrel {
namespace {

// Reports its steps until it has made `steps` of them or is cancelled.
CJobProgressDlg::Work counting(std::int64_t steps, std::atomic<std::int64_t>& made) {
    return [steps, &made](JobProgress& progress) {
        while (!progress.cancelled() && made < steps) {
            ++made;
            progress.report(made, steps, made);
        }
    };
}

TEST(CJobProgressDlg, TheEndComesBackOnceWhetherTheJobRanOutOrWasCancelled) {
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancelled" : "ran out");
        CJobProgressDlg window(nullptr, QStringLiteral("Job"), QStringLiteral("Counting"),
                               [](const JobProgress& p) { return std::to_string(p.items()); });
        std::atomic<std::int64_t> made{0};
        const std::int64_t steps = cancel ? std::int64_t{1} << 60 : 50000;
        int ends = 0;
        window.start(counting(steps, made), [&] {
            ++ends;
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
        });
        EXPECT_TRUE(window.isVisible());
        if (cancel) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return made > 0; }, 10000));
            QTest::mouseClick(window.cancelButton(), Qt::LeftButton);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window.running(); }, 10000));
        EXPECT_EQ(ends, 1);
        EXPECT_FALSE(window.isVisible());
        if (!cancel) {
            EXPECT_EQ(made, steps);
        }
    }
}

TEST(CJobProgressDlg, AWindowClosedUnderARunningJobStopsItAndWaits) {
    std::atomic<std::int64_t> made{0};
    int ends = 0;
    {
        auto window = std::make_unique<CJobProgressDlg>(nullptr, QStringLiteral("Job"),
                                                        QStringLiteral("Counting"), nullptr);
        window->start(counting(std::int64_t{1} << 60, made), [&] { ++ends; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return made > 0; }, 10000));
    }
    const std::int64_t atEnd = made;
    QTest::qWait(20);
    EXPECT_EQ(made, atEnd) << "the job went on after its window";
    EXPECT_EQ(ends, 0);
}

}  // namespace
}  // namespace sondrel

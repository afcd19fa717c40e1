// What a valid ping does once decoded, and the stop of the acquisition timers.

#include "acquisition/PingPath.h"

#include <gtest/gtest.h>

#include "acquisition/SondrelDoc.h"
#include "support/CycleFakes.h"
#include "support/VirtualTimerHost.h"

namespace sondrel {
namespace {

TEST(PingPath, AValidPingIsTheNewDataRecordedWhileRecordingRunsAndCounted) {
    const struct {
        int recordingActive;
        bool hasRecorder;
        std::size_t recorded;
    } cases[] = {{1, true, 1}, {0, true, 0}, {1, false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.recordingActive * 10 + c.hasRecorder);
        CSondrelDoc doc;
        testing::CountingViews views;
        testing::FakeRecorder recorder;
        doc.setViews(&views);
        doc.flags.recordingActive = c.recordingActive;
        doc.link.noNewData = 1;
        doc.pings.pingCount = 41;
        acceptValidPing(doc, c.hasRecorder ? &recorder : nullptr);
        EXPECT_EQ(doc.link.noNewData, 0);
        EXPECT_EQ(doc.pings.pingCount, 42);
        EXPECT_EQ(recorder.recordedHeaders.size(), c.recorded);
        // Showing is a step of its own: an invalid ping is shown too.
        EXPECT_EQ(views.redraws, 0);
        showPing(doc);
        EXPECT_EQ(views.redraws, 1);
    }
}

TEST(AcquisitionTimers, StoppingThemLeavesTheViewsBlinkTimerRunning) {
    testing::VirtualClock clock;
    testing::VirtualTimerHost timers(clock);
    for (const int id : kAcquisitionTimers) timers.setTimer(id, 100);
    timers.setTimer(kViewBlinkTimer, 100);
    stopAcquisitionTimers(timers);
    for (const int id : {kWatchdogTimer, kPollTimer, kSendTimer, kOrientationTimer})
        EXPECT_FALSE(timers.isTimerActive(id)) << id;
    EXPECT_TRUE(timers.isTimerActive(kViewBlinkTimer));
}

}  // namespace
}  // namespace sondrel

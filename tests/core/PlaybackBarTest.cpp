#include "recording/PlaybackBar.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace sondrel {
namespace {

TEST(PlaybackBar, TrackbarMapsThumbToFileBytes) {
    const std::uint64_t step = trackbarByteStep(1'000'000);
    EXPECT_EQ(step, 10'000u);
    EXPECT_EQ(trackbarTarget(step, 37), 370'000);
    EXPECT_EQ(trackbarTarget(step, 0), 0);
    EXPECT_EQ(trackbarTarget(step, 99), 990'000);
    // The right end restarts the file; so does anything the control should never give.
    EXPECT_EQ(trackbarTarget(step, 100), 0);
    EXPECT_EQ(trackbarTarget(step, 250), 0);
    EXPECT_EQ(trackbarTarget(step, -3), 0);
    // Integer division: a 199-byte file has a step of 1.
    EXPECT_EQ(trackbarByteStep(199), 1u);
    EXPECT_EQ(trackbarByteStep(0), 0u);
    EXPECT_EQ(trackbarByteStep(-5), 0u);
}

TEST(PlaybackBar, TrackbarPositionTruncatesAndStaysInRange) {
    EXPECT_EQ(trackbarPositionFor(0, 1000), 0);
    EXPECT_EQ(trackbarPositionFor(379, 1000), 37);
    EXPECT_EQ(trackbarPositionFor(999, 1000), 99);
    EXPECT_EQ(trackbarPositionFor(1000, 1000), 100);
    EXPECT_EQ(trackbarPositionFor(5000, 1000), 100);
    EXPECT_EQ(trackbarPositionFor(10, 0), 0);
    // Files far beyond 2^63 / 100 bytes must not overflow the product.
    const std::int64_t huge = std::numeric_limits<std::int64_t>::max() - 7;
    EXPECT_EQ(trackbarPositionFor(huge / 3, huge), 33);
    EXPECT_EQ(trackbarPositionFor(huge - 1, huge), 99);
}

TEST(PlaybackBar, SpeedClicksMoveTheIntervalByFiftyWithinLimits) {
    // Interval 500 ms is speed 500; one click up gives 450 ms.
    SpeedChange up = speedAfterClick(speedForInterval(500), +1);
    EXPECT_EQ(up.speed, 550);
    EXPECT_EQ(up.intervalMs, 450);
    SpeedChange down = speedAfterClick(speedForInterval(500), -1);
    EXPECT_EQ(down.intervalMs, 550);
    // At 0 ms up stays 0 ms; at 1000 ms down stays 1000 ms.
    EXPECT_EQ(speedAfterClick(speedForInterval(0), +1).intervalMs, 0);
    EXPECT_EQ(speedAfterClick(speedForInterval(1000), -1).intervalMs, 1000);
    EXPECT_EQ(speedAfterClick(speedForInterval(1000), -1).speed, 0);
    // A spin left off the scale is brought back onto it.
    EXPECT_EQ(speedAfterClick(990, +1).speed, 1000);
    EXPECT_EQ(speedAfterClick(20, -1).speed, 0);
}

TEST(PlaybackBar, RecordedPeriodsLongerThanASecondShowAsSpeedZero) {
    EXPECT_EQ(speedForInterval(3400), 0);
    EXPECT_EQ(speedForInterval(250), 750);
    EXPECT_EQ(speedForInterval(-20), 1000);
}

}  // namespace
}  // namespace sondrel

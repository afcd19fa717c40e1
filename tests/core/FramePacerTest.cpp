#include "display/FramePacer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace sondrel {
namespace {

TEST(FramePacer, FrameLengthFollowsTheScreenAndFallsBackToSixtyHertz) {
    const struct {
        double hz;
        std::int64_t frameMs;
    } cases[] = {
        {60.0, 16}, {59.94, 16}, {144.0, 6}, {30.0, 33},
        {0.0, 16},  {-5.0, 16},  {1e9, 16},  {std::numeric_limits<double>::quiet_NaN(), 16},
    };
    for (const auto& c : cases) EXPECT_EQ(FramePacer(c.hz).frameMs(), c.frameMs) << c.hz;
}

TEST(FramePacer, PaintsAtOnceAfterAFrameAndOtherwiseAtTheFramesEnd) {
    FramePacer pacer(60.0);                      // 16 ms frames
    EXPECT_EQ(pacer.delayBeforePaint(5000), 0);  // nothing painted yet
    pacer.painted(1000);
    const struct {
        std::int64_t now;
        std::int64_t delay;
    } cases[] = {
        {1000, 16}, {1001, 15}, {1015, 1},
        {1016, 0},  {1050, 0},  {999, 0},  // a clock that went back
    };
    for (const auto& c : cases) EXPECT_EQ(pacer.delayBeforePaint(c.now), c.delay) << c.now;
    // Every ping 50 ms apart paints at once: none is held back.
    for (std::int64_t t = 1050; t < 2000; t += 50) {
        EXPECT_EQ(pacer.delayBeforePaint(t), 0) << t;
        pacer.painted(t);
    }
}

}  // namespace
}  // namespace sondrel

// The stretch the views along the pipe show: round marks, zoom about a point,
// pans kept within the data, following the newest chainage until moved; and
// the 3D camera's stretch worth a mesh.

#include <gtest/gtest.h>

#include "pipeview/ChainageWindow.h"
#include "pipeview/TubeCamera.h"

namespace sondrel {
namespace {

TEST(ChainageWindow, MarksFallOnRoundStepsThatFit) {
    struct Case {
        double span;
        int maxTicks;
        double step;
    } const cases[] = {
        {10.0, 10, 1.0}, {10.0, 4, 5.0}, {1500.0, 12, 200.0}, {0.3, 5, 0.1},
        {7.0, 3, 5.0},   {20.0, 9, 5.0}, {0.0, 5, 0.0},       {5.0, 0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.span);
        EXPECT_DOUBLE_EQ(roundTickStep(c.span, c.maxTicks), c.step);
    }
    EXPECT_EQ(roundTicks(1.3, 4.2, 5), (std::vector<double>{2.0, 3.0, 4.0}));
    EXPECT_EQ(roundTicks(-1.0, 1.0, 2), (std::vector<double>{-1.0, 0.0, 1.0}));
}

TEST(ChainageWindow, FollowsTheDataUntilMovedAndStaysWithinIt) {
    ChainageWindow w(1.0);
    w.setExtent(10.0, 30.0);
    EXPECT_TRUE(w.following());
    EXPECT_DOUBLE_EQ(w.from(), 10.0);
    EXPECT_DOUBLE_EQ(w.to(), 30.0);

    // Zoomed in about 15 m: 15 m stays a quarter of the way across.
    w.zoom(4.0, 15.0);
    EXPECT_FALSE(w.following());
    EXPECT_DOUBLE_EQ(w.span(), 5.0);
    EXPECT_DOUBLE_EQ(w.from(), 13.75);
    // The survey grows: the window stays.
    w.setExtent(10.0, 50.0);
    EXPECT_DOUBLE_EQ(w.from(), 13.75);
    // Panned past either end, it stops at the data.
    w.panMetres(-100.0);
    EXPECT_DOUBLE_EQ(w.from(), 10.0);
    w.pan(100.0);
    EXPECT_DOUBLE_EQ(w.to(), 50.0);
    EXPECT_DOUBLE_EQ(w.span(), 5.0);
    // Never shorter than its shortest, nor longer than the data.
    w.zoom(1000.0, 48.0);
    EXPECT_DOUBLE_EQ(w.span(), 1.0);
    w.zoom(0.001, 48.0);
    EXPECT_DOUBLE_EQ(w.from(), 10.0);
    EXPECT_DOUBLE_EQ(w.to(), 50.0);
    w.follow();
    w.setExtent(10.0, 60.0);
    EXPECT_DOUBLE_EQ(w.to(), 60.0);
}

TEST(TubeCamera, MeshesAStretchThatGrowsWithTheDistanceAndHoldsSmallMoves) {
    TubeCamera c;
    c.flyTo(700.0, 0.0, 1500.0);
    const MeshStretch near = c.meshed();
    EXPECT_TRUE(near.contains(c.seen().from, c.seen().to));
    c.flyTo(701.0, 0.0, 1500.0);
    EXPECT_TRUE(near.contains(c.seen().from, c.seen().to));
    c.flyTo(800.0, 0.0, 1500.0);
    EXPECT_FALSE(near.contains(c.seen().from, c.seen().to));
    c.zoom(1e-6);  // as far off as it goes
    EXPECT_DOUBLE_EQ(c.distance(), TubeCamera::kFarthest);
    EXPECT_TRUE(c.meshed().contains(0.0, 1500.0));
    c.flyTo(-5.0, 0.0, 1500.0);
    EXPECT_DOUBLE_EQ(c.fly(), 0.0);
    c.orbit(0.0, -500.0);
    EXPECT_DOUBLE_EQ(c.pitch(), -TubeCamera::kSteepest);
}

}  // namespace
}  // namespace sondrel

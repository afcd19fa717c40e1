// The views along the pipe fed from the document: live pings grow them, each
// ping once however often the views are updated, a ping without a distance
// has no place, and another source starts them afresh.

#include <gtest/gtest.h>

#include "acquisition/SondrelDoc.h"
#include "pipeview/PipeViewFeed.h"
#include "pipeview/SurveyChainage.h"
#include "recording/RecordFormat.h"
#include "simulation/SimulatedHead.h"
#include "support/ReceivedBlock.h"
#include "survey/SurveyHeader.h"

namespace sondrel {
namespace {

using Change = PipeViewFeed::Change;

struct LiveHead {
    std::unique_ptr<CSondrelDoc> doc = test::surveyDocument();
    SimulatedHead head{HeadConfig{}, PipeModel{}};
    int pings = 0;

    // A ping taken in at `distance` metres (NaN: without a reading).
    void ping(double distance) {
        EXPECT_TRUE(test::receiveBlock(*doc, head.buildBlock(doc->head.command, pings * 0.1)));
        doc->orientation.distanceValid = std::isnan(distance) ? 0 : 1;
        doc->orientation.distanceM = std::isnan(distance) ? 0.0 : distance;
        doc->pings.pingOnScreen = true;
        doc->pings.pingCount = ++pings;
    }
};

TEST(PipeViewFeed, LivePingsGrowTheViewsOnceEachAndAnotherSourceStartsAfresh) {
    LiveHead live;
    PipeViewFeed feed(*live.doc);
    EXPECT_EQ(feed.documentUpdated(), Change::None);  // nothing on show yet
    const double distances[] = {2.0, 2.1, std::nan(""), 2.3};
    for (const double d : distances) {
        live.ping(d);
        feed.documentUpdated();
        // The views updated again for the same ping take nothing more.
        EXPECT_EQ(feed.documentUpdated(), Change::None);
    }
    const WallMap& map = feed.views().map;
    EXPECT_NEAR(map.startChainage(), 2.0, map.settings().binMetres);
    EXPECT_NEAR(map.endChainage(), 2.3, map.settings().binMetres);
    EXPECT_EQ(map.recordAt(2.1), 2);
    EXPECT_EQ(feed.currentRecord(), 4);
    ASSERT_TRUE(feed.currentChainage());
    EXPECT_DOUBLE_EQ(*feed.currentChainage(), 2.3);
    EXPECT_TRUE(feed.playedFile().empty());

    // A file played: its pings are another pipe.
    live.doc->flags.playbackActive = true;
    live.doc->files.playbackPath = "run.qzr";
    live.doc->ping.filePosition = 0;
    live.doc->ping.orientation = live.doc->orientation;  // read with the record
    EXPECT_EQ(feed.documentUpdated(), Change::NewSource);
    EXPECT_EQ(feed.playedFile(), "run.qzr");
    EXPECT_EQ(feed.currentRecord(), 1);
    EXPECT_EQ(feed.views().map.columns(), 1);
    // Read whole, only for the file that plays.
    EXPECT_FALSE(feed.takeWholeFile("other.qzr", std::make_unique<PipeViewData>()));
    EXPECT_TRUE(feed.takeWholeFile("run.qzr", std::make_unique<PipeViewData>()));
    EXPECT_TRUE(feed.wholeFileRead());
    EXPECT_TRUE(feed.views().map.empty());
}

// Live pings are placed by the recording's header, a played file's by its own
// survey; neither outlives its source.
TEST(PipeViewFeed, EachSourceKeepsItsOwnChainage) {
    LiveHead live;
    PipeViewFeed feed(*live.doc);
    SurveyHeader header;
    ASSERT_TRUE(header.set(kSurveyDirection, "B"));
    header.startChainage = 10.0;
    feed.setLiveChainage(std::make_shared<RecordingChainage>(header));
    live.ping(2.5);
    feed.documentUpdated();
    ASSERT_TRUE(feed.currentChainage());
    EXPECT_DOUBLE_EQ(*feed.currentChainage(), 7.5);

    // A played file: the distance readings until its survey is read, and that
    // survey only for that file.
    struct Shifted : ChainageSource {
        RecordChainage chainageOf(std::int64_t, double d) const override { return {d + 100, true}; }
    };
    live.doc->flags.playbackActive = true;
    live.doc->files.playbackPath = "run.qzr";
    live.doc->ping.filePosition = 0;
    live.doc->ping.orientation = live.doc->orientation;
    EXPECT_EQ(feed.documentUpdated(), Change::NewSource);
    EXPECT_DOUBLE_EQ(*feed.currentChainage(), 2.5);
    EXPECT_FALSE(feed.setPlayedChainage("other.qzr", std::make_shared<Shifted>()));
    EXPECT_TRUE(feed.setPlayedChainage("run.qzr", std::make_shared<Shifted>()));
    live.doc->ping.filePosition = static_cast<std::int64_t>(kRecordSize);
    feed.documentUpdated();
    EXPECT_DOUBLE_EQ(*feed.currentChainage(), 102.5);

    live.doc->files.playbackPath = "next.qzr";
    live.doc->ping.filePosition = 0;
    EXPECT_EQ(feed.documentUpdated(), Change::NewSource);
    EXPECT_DOUBLE_EQ(*feed.currentChainage(), 2.5);

    // Back to the head: the recording's header again.
    live.doc->flags.playbackActive = false;
    live.ping(3.0);
    EXPECT_EQ(feed.documentUpdated(), Change::NewSource);
    EXPECT_DOUBLE_EQ(*feed.currentChainage(), 7.0);
}

}  // namespace
}  // namespace sondrel

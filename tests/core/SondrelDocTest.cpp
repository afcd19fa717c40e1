#include <gtest/gtest.h>

#include "acquisition/PingPath.h"
#include "acquisition/ReturnBlock.h"
#include "acquisition/SondrelDoc.h"
#include "support/CycleFakes.h"

using namespace sondrel;

using sondrel::testing::CountingViews;

TEST(CommandBuffer, FreshDocumentHoldsTheInitialBytes) {
    CSondrelDoc doc;
    const CommandBuffer expected = {0xFE, 0x44, 0x10, 0x0A, 0x00, 0x00, 0x43, 0x02, 0x06,
                                    0x01, 0xAA, 0x3C, 0x78, 0x03, 0x01, 0x00, 0x00, 0x00,
                                    0x00, 0x19, 0x10, 0x00, 0x01, 0x00, 0x00, 0x64, 0xFD};
    EXPECT_EQ(doc.head.command, expected);
}

TEST(CommandBuffer, ProfileMinimumRangeByteForEachStatus) {
    CSondrelDoc doc;
    doc.head.profileMinRange = 0.30;
    doc.ping.headStatusLow = 1;
    doc.head.setRangeIndex(0);  // 0.25 m, code 4
    doc.prepareCommandForPoll();
    EXPECT_EQ(doc.head.command[cmd::kProfileMinRange], 25);
    doc.head.setRangeIndex(3);  // 1 m
    doc.prepareCommandForPoll();
    EXPECT_EQ(doc.head.command[cmd::kProfileMinRange], 28);
    doc.ping.headStatusLow = 0;
    doc.prepareCommandForPoll();
    EXPECT_EQ(doc.head.command[cmd::kProfileMinRange], 30);
    doc.head.profileMinRange = 0.01;
    doc.ping.headStatusLow = 1;
    doc.prepareCommandForPoll();
    EXPECT_EQ(doc.head.command[cmd::kProfileMinRange], 0);  // never negative
}

TEST(CommandBuffer, StepSizeFiveGoesOutAsEight) {
    CSondrelDoc doc;
    doc.head.command[cmd::kStepSize] = 5;
    doc.prepareCommandForPoll();
    EXPECT_EQ(doc.head.command[cmd::kStepSize], 8);
}

TEST(CommandBuffer, ReverseStepRequestIsOneShot) {
    CSondrelDoc doc;
    const int direction = doc.ping.stepDirection;
    doc.requestStepReverse();
    EXPECT_EQ(doc.head.command[cmd::kControl] & 0x40, 0x40);
    EXPECT_NE(doc.ping.stepDirection, direction);
    doc.head.clearOneShotBits();  // what the link does after the send
    EXPECT_EQ(doc.head.command[cmd::kControl], 0);

    doc.flags.playbackActive = true;
    doc.requestStepReverse();
    EXPECT_EQ(doc.head.command[cmd::kControl], 0);
}

TEST(Settings, RangeChangesWriteTheRangeCode) {
    CSondrelDoc doc;
    EXPECT_TRUE(doc.stepRange(-3));
    EXPECT_EQ(doc.head.rangeIndex, 0);
    EXPECT_EQ(doc.head.command[cmd::kRange], 4);
    EXPECT_TRUE(doc.flags.imageResetPending);
    EXPECT_FALSE(doc.stepRange(-1));
    doc.stepRange(1);
    EXPECT_EQ(doc.head.command[cmd::kRange], 6);
    doc.head.setRangeIndex(42);
    EXPECT_EQ(doc.head.rangeIndex, 8);
    EXPECT_EQ(doc.head.command[cmd::kRange], 60);
}

TEST(Settings, KeyedInRanges) {
    CSondrelDoc doc;
    doc.head.keyInRange(0.3);
    EXPECT_EQ(doc.head.command[cmd::kRange], 4);
    EXPECT_EQ(doc.head.rangeIndex, 0);
    doc.head.keyInRange(2.5);
    EXPECT_EQ(doc.head.command[cmd::kRange], 20);
    EXPECT_EQ(doc.head.rangeMetres, 2.0);
    doc.head.keyInRange(7);
    EXPECT_EQ(doc.head.command[cmd::kRange], 60);
    doc.head.keyInRange(-1);
    EXPECT_EQ(doc.head.command[cmd::kRange], 60);
    EXPECT_EQ(doc.head.rangeIndex, 8);
}

TEST(Settings, GainIsClampedAndMirrored) {
    CSondrelDoc doc;
    doc.head.keyInGain(25);
    EXPECT_EQ(doc.head.gainDb, 20);
    EXPECT_EQ(doc.head.command[cmd::kGain], 20);
    doc.head.keyInGain(-1);
    EXPECT_EQ(doc.head.gainDb, 20);
    EXPECT_FALSE(doc.head.stepGain(1));
    EXPECT_TRUE(doc.head.stepGain(-1));
    EXPECT_EQ(doc.head.command[cmd::kGain], 19);
}

TEST(Settings, FullCircleForcesTrainStraightAhead) {
    CSondrelDoc doc;
    doc.head.setScanMode(kPolar);
    doc.head.setCurrentSectorWidth(100);
    doc.head.setCurrentTrain(30);
    doc.stepSectorWidth(20);
    EXPECT_EQ(doc.head.currentSectorWidth, 120);
    EXPECT_EQ(doc.head.currentTrain, 60);
    EXPECT_EQ(doc.head.trainPolar, 60);
    EXPECT_EQ(doc.head.trainDegrees, 0);
    EXPECT_EQ(doc.head.command[cmd::kTrain], 60);
    // The train cannot move while the width is a full circle.
    doc.stepTrain(1);
    EXPECT_EQ(doc.head.currentTrain, 60);
}

TEST(Settings, EachModeKeepsItsWidthAndTrain) {
    CSondrelDoc doc;
    doc.head.setScanMode(kSector);
    EXPECT_EQ(doc.head.currentSectorWidth, 60);
    doc.stepSectorWidth(-10);
    doc.stepTrain(5);
    EXPECT_EQ(doc.head.currentSectorWidth, 50);
    EXPECT_EQ(doc.head.currentTrain, 65);

    doc.stepScanMode(1);  // Polar
    EXPECT_EQ(doc.head.scanMode, kPolar);
    EXPECT_EQ(doc.head.currentSectorWidth, 120);
    EXPECT_EQ(doc.head.command[cmd::kSectorWidth], 120);

    doc.stepScanMode(1);  // SideScan
    EXPECT_EQ(doc.head.currentSectorWidth, 0);
    EXPECT_EQ(doc.head.stepSize, 0);
    EXPECT_EQ(doc.head.currentTrain, 30);
    EXPECT_EQ(doc.head.command[cmd::kStepSize], 0);

    doc.stepScanMode(-2);  // back to Sector
    EXPECT_EQ(doc.head.currentSectorWidth, 50);
    EXPECT_EQ(doc.head.currentTrain, 65);
    EXPECT_EQ(doc.head.stepSize, 3);  // the saved step size comes back
    // Sector widths stop at 60, Polar ones at 120.
    doc.stepSectorWidth(30);
    EXPECT_EQ(doc.head.currentSectorWidth, 60);
}

TEST(Settings, SectorWidthAndSpeedAreFixedInSideScan) {
    CSondrelDoc doc;
    doc.head.setScanMode(kSideScan);
    doc.stepSectorWidth(1);
    doc.stepSpeed(1);
    EXPECT_EQ(doc.head.currentSectorWidth, 0);
    EXPECT_EQ(doc.head.stepSize, 0);
}

TEST(Settings, TypeQAtFourMetresRunsAtStepOne) {
    CSondrelDoc doc;
    doc.head.sonarType = kTypeQ;
    doc.head.setRangeIndex(6);  // 4 m
    doc.applySettings();
    EXPECT_EQ(doc.head.stepSize, 1);
    EXPECT_EQ(doc.head.command[cmd::kStepSize], 1);
    doc.stepSpeed(1);
    EXPECT_EQ(doc.head.stepSize, 1);
    doc.head.setRangeIndex(7);  // 5 m
    doc.head.setStepSize(4);
    doc.applySettings();
    EXPECT_EQ(doc.head.stepSize, 2);
    // A speed of 0 takes the saved one, which obeys the 5 m limit too, so the
    // rule gives the same speed however often it runs.
    doc.head.stepSizeSaved = 3;
    doc.head.setStepSize(0);
    doc.applySettings();
    EXPECT_EQ(doc.head.stepSize, 2);
    doc.applySettings();
    EXPECT_EQ(doc.head.command[cmd::kStepSize], 2);
}

TEST(Settings, SpeedStepsThroughTheNamedValues) {
    CSondrelDoc doc;
    doc.head.setStepSize(4);
    doc.stepSpeed(1);
    EXPECT_EQ(doc.head.stepSize, 8);
    EXPECT_EQ(doc.head.stepSizeSaved, 8);
    doc.stepSpeed(-1);
    EXPECT_EQ(doc.head.stepSize, 4);
}

TEST(Settings, AbsorptionAndManualFrequencyControls) {
    CSondrelDoc doc;
    doc.head.setAbsorptionCode(252);
    doc.stepAbsorption(1);
    EXPECT_EQ(doc.head.absorptionCode, 254);
    EXPECT_EQ(doc.head.command[cmd::kAbsorption], 254);
    doc.stepAbsorption(-1);
    EXPECT_EQ(doc.head.absorptionCode, 254);

    doc.stepFrequency(1000);
    EXPECT_EQ(doc.head.frequencyCode, 185);
    doc.stepPulseLength(-5);
    EXPECT_EQ(doc.head.pulseLengthCode, 1);
    doc.stepSwitchDelay(60);
    EXPECT_EQ(doc.head.switchDelayMs, 100);
    EXPECT_EQ(doc.head.command[cmd::kSwitchDelay], 100);
    doc.stepSwitchDelay(-1);
    EXPECT_EQ(doc.head.switchDelayMs, 98);
}

TEST(Settings, AutomaticFrequencyFollowsTheRange) {
    CSondrelDoc doc;
    doc.head.setRangeIndex(5);
    doc.toggleAutoFrequency();
    EXPECT_EQ(doc.head.frequencyCode, 100);
    EXPECT_EQ(doc.head.absorptionCode, 20);
    EXPECT_EQ(doc.head.pulseLengthCode, 3);
    doc.head.setRangeIndex(0);
    doc.applySettings();
    EXPECT_EQ(doc.head.command[cmd::kFrequency], 165);
    EXPECT_EQ(doc.head.command[cmd::kAbsorption], 60);
    EXPECT_EQ(doc.head.command[cmd::kPulseLength], 1);
}

TEST(Settings, ApplySettingsClearsTheImageAndRedrawsWhenOffline) {
    CSondrelDoc doc;
    CountingViews views;
    doc.setViews(&views);
    doc.ping.echoShort[7] = 9;
    doc.sonarBitmap.pixels()[1234] = 3;
    doc.flags.imageResetPending = true;
    doc.applySettings();
    EXPECT_FALSE(doc.flags.imageResetPending);
    EXPECT_EQ(doc.ping.echoShort[7], 0);
    EXPECT_EQ(doc.sonarBitmap.pixels()[1234], 0);
    EXPECT_EQ(views.fullRedrawMarks, 1);
    EXPECT_EQ(views.panelRefreshes, 1);
    EXPECT_EQ(views.redraws, 1);
    doc.link.linkState = LinkState::Connected;  // connected: the next ping redraws
    doc.applySettings();
    EXPECT_EQ(views.redraws, 1);
}

// ---------------------------------------------------------------- return data

namespace {
void putBlock(CSondrelDoc& doc, const char* letters, std::initializer_list<std::uint8_t> rest) {
    doc.link.receiveBuffer.fill(0xAB);
    std::copy_n(letters, 3, doc.link.receiveBuffer.begin());
    std::copy(rest.begin(), rest.end(), doc.link.receiveBuffer.begin() + 3);
}
}  // namespace

TEST(ReturnBlock, DecodesAValidHeader) {
    CSondrelDoc doc;
    putBlock(doc, "QSZ", {0x10, 0x00, 0x05, 0x41, 0x3C, 0x10, 0x02});
    ASSERT_TRUE(sizeCopyAndDecode(doc));
    EXPECT_EQ(doc.ping.headId, 0x10);
    EXPECT_EQ(doc.ping.headStatus, 0);
    EXPECT_EQ(doc.ping.headPosition, 133);
    EXPECT_EQ(doc.ping.stepDirection, 1);
    EXPECT_EQ(doc.head.rangeIndex, 8);
    EXPECT_EQ(doc.head.rangeMetres, 6.0);
    EXPECT_EQ(doc.ping.dataBytes, 272);
    EXPECT_EQ(doc.ping.dataPointCount, 800);
    EXPECT_EQ(doc.ping.blockLength, 813);
    EXPECT_EQ(doc.ping.echoLong[0], 0xAB);
    EXPECT_EQ(doc.ping.echoLong[800], 0xAB);
    EXPECT_EQ(doc.ping.echoLong.size(), 801u);  // nothing beyond the block is kept
    EXPECT_EQ(doc.ping.headerText, "QSZ");
}

TEST(ReturnBlock, ShortBlocksGoToTheFirstShortRow) {
    CSondrelDoc doc;
    putBlock(doc, "QMZ", {0x10, 0x03, 0, 0, 10, 0, 0});
    ASSERT_TRUE(sizeCopyAndDecode(doc));
    EXPECT_EQ(doc.ping.blockLength, 265);
    EXPECT_EQ(doc.ping.dataPointCount, 250);
    EXPECT_EQ(doc.ping.headStatusLow, 3);
    EXPECT_EQ(doc.ping.echoShort[252], 0xAB);
    EXPECT_EQ(doc.ping.echoShort[253], 0);
    EXPECT_EQ(doc.ping.echoLong[0], 0);

    putBlock(doc, "QGZ", {0x10, 0, 0, 0, 10, 0, 0});
    ASSERT_TRUE(sizeCopyAndDecode(doc));
    EXPECT_EQ(doc.ping.blockLength, 513);
    EXPECT_EQ(doc.ping.echoShort[500], 0xAB);
}

TEST(ReturnBlock, InvalidLettersChangeNoPingState) {
    CSondrelDoc doc;
    putBlock(doc, "123", {0x22, 0x01, 0x05, 0x01, 0x3C, 0x10, 0x02});
    EXPECT_FALSE(sizeCopyAndDecode(doc));
    EXPECT_EQ(doc.ping.blockLength, 813);
    EXPECT_EQ(doc.ping.echoLong[800], 0xAB);  // the samples are still copied
    EXPECT_EQ(doc.ping.headId, 16);
    EXPECT_EQ(doc.head.rangeIndex, 3);
    EXPECT_EQ(doc.ping.headerText, "123");
}

TEST(ReturnBlock, LowerCaseLettersPassButAreSizedLong) {
    CSondrelDoc doc;
    putBlock(doc, "qmz", {0x10, 0, 0, 0, 2, 0, 0});
    EXPECT_TRUE(sizeCopyAndDecode(doc));
    EXPECT_EQ(doc.ping.blockLength, 813);
    EXPECT_EQ(doc.ping.dataPointCount, 250);
    EXPECT_EQ(doc.head.rangeIndex, 7);  // code 2 reads as 5 m
}

TEST(ReturnBlock, TheReportedRangeNeverReachesTheCommand) {
    // Live, the head's reported range is the range in force; played, it is
    // what shows. The command keeps the range asked for either way.
    const std::uint8_t header[12] = {'Q', 'S', 'Z', 0x10, 0, 0, 0x00, 20, 0, 0, 0, 0};
    CSondrelDoc live;
    live.head.command[cmd::kRange] = 7;
    ASSERT_TRUE(takeLivePing(live, parseReturnBlock(header)));
    EXPECT_EQ(live.head.command[cmd::kRange], 7);
    EXPECT_EQ(live.head.rangeIndex, 4);
    EXPECT_EQ(live.ping.stepDirection, 0);
    CSondrelDoc played;
    played.flags.playbackActive = true;
    played.head.command[cmd::kRange] = 7;
    ASSERT_TRUE(takePlayedPing(played, parseReturnBlock(header)));
    EXPECT_EQ(played.head.command[cmd::kRange], 7);
    EXPECT_EQ(played.head.rangeIndex, 3);
    EXPECT_EQ(played.headOnShow().rangeIndex, 4);
}

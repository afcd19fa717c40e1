#include <gtest/gtest.h>

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
    EXPECT_EQ(doc.command, expected);
}

TEST(CommandBuffer, ProfileMinimumRangeByteForEachStatus) {
    CSondrelDoc doc;
    doc.profileMinRange = 0.30;
    doc.headStatusLow = 1;
    doc.setRangeIndex(0);  // 0.25 m, code 4
    doc.prepareCommandForPoll();
    EXPECT_EQ(doc.command[cmd::kProfileMinRange], 25);
    doc.setRangeIndex(3);  // 1 m
    doc.prepareCommandForPoll();
    EXPECT_EQ(doc.command[cmd::kProfileMinRange], 28);
    doc.headStatusLow = 0;
    doc.prepareCommandForPoll();
    EXPECT_EQ(doc.command[cmd::kProfileMinRange], 30);
    doc.profileMinRange = 0.01;
    doc.headStatusLow = 1;
    doc.prepareCommandForPoll();
    EXPECT_EQ(doc.command[cmd::kProfileMinRange], 0);  // never negative
}

TEST(CommandBuffer, StepSizeFiveGoesOutAsEight) {
    CSondrelDoc doc;
    doc.command[cmd::kStepSize] = 5;
    doc.prepareCommandForPoll();
    EXPECT_EQ(doc.command[cmd::kStepSize], 8);
}

TEST(CommandBuffer, ReverseStepRequestIsOneShot) {
    CSondrelDoc doc;
    const int direction = doc.stepDirection;
    doc.requestStepReverse();
    EXPECT_EQ(doc.command[cmd::kControl] & 0x40, 0x40);
    EXPECT_NE(doc.stepDirection, direction);
    doc.clearOneShotBits();  // what the link does after the send
    EXPECT_EQ(doc.command[cmd::kControl], 0);

    doc.playbackActive = 1;
    doc.requestStepReverse();
    EXPECT_EQ(doc.command[cmd::kControl], 0);
}

TEST(Settings, RangeChangesWriteTheRangeCode) {
    CSondrelDoc doc;
    EXPECT_TRUE(doc.stepRange(-3));
    EXPECT_EQ(doc.rangeIndex, 0);
    EXPECT_EQ(doc.command[cmd::kRange], 4);
    EXPECT_EQ(doc.imageResetPending, 1);
    EXPECT_FALSE(doc.stepRange(-1));
    doc.stepRange(1);
    EXPECT_EQ(doc.command[cmd::kRange], 6);
    doc.setRangeIndex(42);
    EXPECT_EQ(doc.rangeIndex, 8);
    EXPECT_EQ(doc.command[cmd::kRange], 60);
}

TEST(Settings, KeyedInRanges) {
    CSondrelDoc doc;
    doc.keyInRange(0.3);
    EXPECT_EQ(doc.command[cmd::kRange], 4);
    EXPECT_EQ(doc.rangeIndex, 0);
    doc.keyInRange(2.5);
    EXPECT_EQ(doc.command[cmd::kRange], 20);
    EXPECT_EQ(doc.rangeMetres, 2.0);
    doc.keyInRange(7);
    EXPECT_EQ(doc.command[cmd::kRange], 60);
    doc.keyInRange(-1);
    EXPECT_EQ(doc.command[cmd::kRange], 60);
    EXPECT_EQ(doc.rangeIndex, 8);
}

TEST(Settings, GainIsClampedAndMirrored) {
    CSondrelDoc doc;
    doc.keyInGain(25);
    EXPECT_EQ(doc.gainDb, 20);
    EXPECT_EQ(doc.command[cmd::kGain], 20);
    doc.keyInGain(-1);
    EXPECT_EQ(doc.gainDb, 20);
    EXPECT_FALSE(doc.stepGain(1));
    EXPECT_TRUE(doc.stepGain(-1));
    EXPECT_EQ(doc.command[cmd::kGain], 19);
}

TEST(Settings, FullCircleForcesTrainStraightAhead) {
    CSondrelDoc doc;
    doc.setScanMode(kPolar);
    doc.setCurrentSectorWidth(100);
    doc.setCurrentTrain(30);
    doc.stepSectorWidth(20);
    EXPECT_EQ(doc.currentSectorWidth, 120);
    EXPECT_EQ(doc.currentTrain, 60);
    EXPECT_EQ(doc.trainPolar, 60);
    EXPECT_EQ(doc.trainDegrees, 0);
    EXPECT_EQ(doc.command[cmd::kTrain], 60);
    // The train cannot move while the width is a full circle.
    doc.stepTrain(1);
    EXPECT_EQ(doc.currentTrain, 60);
}

TEST(Settings, EachModeKeepsItsWidthAndTrain) {
    CSondrelDoc doc;
    doc.setScanMode(kSector);
    EXPECT_EQ(doc.currentSectorWidth, 60);
    doc.stepSectorWidth(-10);
    doc.stepTrain(5);
    EXPECT_EQ(doc.currentSectorWidth, 50);
    EXPECT_EQ(doc.currentTrain, 65);

    doc.stepScanMode(1);  // Polar
    EXPECT_EQ(doc.scanMode, kPolar);
    EXPECT_EQ(doc.currentSectorWidth, 120);
    EXPECT_EQ(doc.command[cmd::kSectorWidth], 120);

    doc.stepScanMode(1);  // SideScan
    EXPECT_EQ(doc.currentSectorWidth, 0);
    EXPECT_EQ(doc.stepSize, 0);
    EXPECT_EQ(doc.currentTrain, 30);
    EXPECT_EQ(doc.command[cmd::kStepSize], 0);

    doc.stepScanMode(-2);  // back to Sector
    EXPECT_EQ(doc.currentSectorWidth, 50);
    EXPECT_EQ(doc.currentTrain, 65);
    EXPECT_EQ(doc.stepSize, 3);  // the saved step size comes back
    // Sector widths stop at 60, Polar ones at 120.
    doc.stepSectorWidth(30);
    EXPECT_EQ(doc.currentSectorWidth, 60);
}

TEST(Settings, SectorWidthAndSpeedAreFixedInSideScan) {
    CSondrelDoc doc;
    doc.setScanMode(kSideScan);
    doc.stepSectorWidth(1);
    doc.stepSpeed(1);
    EXPECT_EQ(doc.currentSectorWidth, 0);
    EXPECT_EQ(doc.stepSize, 0);
}

TEST(Settings, TypeQAtFourMetresRunsAtStepOne) {
    CSondrelDoc doc;
    doc.sonarType = kTypeQ;
    doc.setRangeIndex(6);  // 4 m
    doc.applySettings();
    EXPECT_EQ(doc.stepSize, 1);
    EXPECT_EQ(doc.command[cmd::kStepSize], 1);
    doc.stepSpeed(1);
    EXPECT_EQ(doc.stepSize, 1);
    doc.setRangeIndex(7);  // 5 m
    doc.setStepSize(4);
    doc.applySettings();
    EXPECT_EQ(doc.stepSize, 2);
    // A speed of 0 takes the saved one, which obeys the 5 m limit too, so the
    // rule gives the same speed however often it runs.
    doc.stepSizeSaved = 3;
    doc.setStepSize(0);
    doc.applySettings();
    EXPECT_EQ(doc.stepSize, 2);
    doc.applySettings();
    EXPECT_EQ(doc.command[cmd::kStepSize], 2);
}

TEST(Settings, SpeedStepsThroughTheNamedValues) {
    CSondrelDoc doc;
    doc.setStepSize(4);
    doc.stepSpeed(1);
    EXPECT_EQ(doc.stepSize, 8);
    EXPECT_EQ(doc.stepSizeSaved, 8);
    doc.stepSpeed(-1);
    EXPECT_EQ(doc.stepSize, 4);
}

TEST(Settings, AbsorptionAndManualFrequencyControls) {
    CSondrelDoc doc;
    doc.setAbsorptionCode(252);
    doc.stepAbsorption(1);
    EXPECT_EQ(doc.absorptionCode, 254);
    EXPECT_EQ(doc.command[cmd::kAbsorption], 254);
    doc.stepAbsorption(-1);
    EXPECT_EQ(doc.absorptionCode, 254);

    doc.stepFrequency(1000);
    EXPECT_EQ(doc.frequencyCode, 185);
    doc.stepPulseLength(-5);
    EXPECT_EQ(doc.pulseLengthCode, 1);
    doc.stepSwitchDelay(60);
    EXPECT_EQ(doc.switchDelayMs, 100);
    EXPECT_EQ(doc.command[cmd::kSwitchDelay], 100);
    doc.stepSwitchDelay(-1);
    EXPECT_EQ(doc.switchDelayMs, 98);
}

TEST(Settings, AutomaticFrequencyFollowsTheRange) {
    CSondrelDoc doc;
    doc.setRangeIndex(5);
    doc.toggleAutoFrequency();
    EXPECT_EQ(doc.frequencyCode, 100);
    EXPECT_EQ(doc.absorptionCode, 20);
    EXPECT_EQ(doc.pulseLengthCode, 3);
    doc.setRangeIndex(0);
    doc.applySettings();
    EXPECT_EQ(doc.command[cmd::kFrequency], 165);
    EXPECT_EQ(doc.command[cmd::kAbsorption], 60);
    EXPECT_EQ(doc.command[cmd::kPulseLength], 1);
}

TEST(Settings, ApplySettingsClearsTheImageAndRedrawsWhenOffline) {
    CSondrelDoc doc;
    CountingViews views;
    doc.setViews(&views);
    doc.echoShort[2][7] = 9;
    doc.sonarBitmap.pixels()[1234] = 3;
    doc.imageResetPending = 1;
    doc.applySettings();
    EXPECT_EQ(doc.imageResetPending, 0);
    EXPECT_EQ(doc.echoShort[2][7], 0);
    EXPECT_EQ(doc.sonarBitmap.pixels()[1234], 0);
    EXPECT_EQ(views.fullRedrawMarks, 1);
    EXPECT_EQ(views.panelRefreshes, 1);
    EXPECT_EQ(views.redraws, 1);
    doc.linkState = LinkState::Connected;  // connected: the next ping redraws
    doc.applySettings();
    EXPECT_EQ(views.redraws, 1);
}

// ---------------------------------------------------------------- return data

namespace {
void putBlock(CSondrelDoc& doc, const char* letters, std::initializer_list<std::uint8_t> rest) {
    doc.receiveBuffer.fill(0xAB);
    std::copy_n(letters, 3, doc.receiveBuffer.begin());
    std::copy(rest.begin(), rest.end(), doc.receiveBuffer.begin() + 3);
}
}  // namespace

TEST(ReturnBlock, DecodesAValidHeader) {
    CSondrelDoc doc;
    putBlock(doc, "QSZ", {0x10, 0x00, 0x05, 0x41, 0x3C, 0x10, 0x02});
    ASSERT_TRUE(sizeCopyAndDecode(doc));
    EXPECT_EQ(doc.headId, 0x10);
    EXPECT_EQ(doc.headStatus, 0);
    EXPECT_EQ(doc.headPosition, 133);
    EXPECT_EQ(doc.stepDirection, 1);
    EXPECT_EQ(doc.rangeIndex, 8);
    EXPECT_EQ(doc.rangeMetres, 6.0);
    EXPECT_EQ(doc.dataBytes, 272);
    EXPECT_EQ(doc.dataPointCount, 800);
    EXPECT_EQ(doc.blockLength, 813);
    EXPECT_EQ(doc.echoLong[0], 0xAB);
    EXPECT_EQ(doc.echoLong[800], 0xAB);
    EXPECT_EQ(doc.echoLong[801], 0);  // nothing beyond the block is copied
    EXPECT_EQ(doc.headerText, "QSZ");
}

TEST(ReturnBlock, ShortBlocksGoToTheFirstShortRow) {
    CSondrelDoc doc;
    putBlock(doc, "QMZ", {0x10, 0x03, 0, 0, 10, 0, 0});
    ASSERT_TRUE(sizeCopyAndDecode(doc));
    EXPECT_EQ(doc.blockLength, 265);
    EXPECT_EQ(doc.dataPointCount, 250);
    EXPECT_EQ(doc.headStatusLow, 3);
    EXPECT_EQ(doc.echoShort[0][252], 0xAB);
    EXPECT_EQ(doc.echoShort[0][253], 0);
    EXPECT_EQ(doc.echoLong[0], 0);

    putBlock(doc, "QGZ", {0x10, 0, 0, 0, 10, 0, 0});
    ASSERT_TRUE(sizeCopyAndDecode(doc));
    EXPECT_EQ(doc.blockLength, 513);
    EXPECT_EQ(doc.echoShort[0][500], 0xAB);
}

TEST(ReturnBlock, InvalidLettersChangeNoPingState) {
    CSondrelDoc doc;
    putBlock(doc, "123", {0x22, 0x01, 0x05, 0x01, 0x3C, 0x10, 0x02});
    EXPECT_FALSE(sizeCopyAndDecode(doc));
    EXPECT_EQ(doc.blockLength, 813);
    EXPECT_EQ(doc.echoLong[800], 0xAB);  // the samples are still copied
    EXPECT_EQ(doc.headId, 16);
    EXPECT_EQ(doc.rangeIndex, 3);
    EXPECT_EQ(doc.headerText, "123");
}

TEST(ReturnBlock, LowerCaseLettersPassButAreSizedLong) {
    CSondrelDoc doc;
    putBlock(doc, "qmz", {0x10, 0, 0, 0, 2, 0, 0});
    EXPECT_TRUE(sizeCopyAndDecode(doc));
    EXPECT_EQ(doc.blockLength, 813);
    EXPECT_EQ(doc.dataPointCount, 250);
    EXPECT_EQ(doc.rangeIndex, 7);  // code 2 reads as 5 m
}

TEST(ReturnBlock, OnlyPlaybackSetsTheRangeCode) {
    CSondrelDoc doc;
    doc.command[cmd::kRange] = 7;
    const std::uint8_t header[12] = {'Q', 'S', 'Z', 0x10, 0, 0, 0x00, 20, 0, 0, 0, 0};
    ASSERT_TRUE(decodeReturnHeader(doc, header, DecodeMode::RealTime));
    EXPECT_EQ(doc.command[cmd::kRange], 7);
    EXPECT_EQ(doc.stepDirection, 0);
    ASSERT_TRUE(decodeReturnHeader(doc, header, DecodeMode::Playback));
    EXPECT_EQ(doc.command[cmd::kRange], 20);
}

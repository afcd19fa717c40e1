#include "recording/XyzConversion.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/CommandRules.h"
#include "recording/DataFileConverter.h"
#include "support/PlaybackRig.h"

namespace sondrel::testing {
namespace {

namespace fs = std::filesystem;

// What the headless converter makes of the same file with the same settings.
std::string convertedHeadless(const PlaybackRig& rig, const std::string& input,
                              const std::string& output) {
    CSondrelDoc doc;
    doc.display = rig.doc.display;
    doc.profileMinRange = rig.doc.profileMinRange;
    const ConversionResult result = convertDataFile(doc, input, output);
    EXPECT_TRUE(result.ok()) << result.message;
    return test::readBytes(output);
}

void runUntilIdle(PlaybackRig& rig) {
    for (int guard = 0; guard < 100000 && rig.timers.isTimerActive(kPollTimer); ++guard)
        rig.timers.advanceMs(std::max<std::int64_t>(rig.timers.remainingMs(kPollTimer), 0));
}

TEST(XyzConversion, WritesEachRecordOnceAndMatchesTheHeadlessConverter) {
    PlaybackRig rig;
    const std::string input =
        makeDataFile(rig.folder.file("run1.qzr"), 12, {4, 7}, /*orientation=*/true);
    appendBytes(input, "\x00\x00");
    rig.op.openAnswers.push_back(input);
    rig.doc.playbackIntervalMs = 20;
    ASSERT_TRUE(rig.conversion.start(rig.player));
    EXPECT_EQ(rig.doc.xyzConversionActive, 1);
    EXPECT_EQ(rig.timers.periodMs(kPollTimer), kPlaybackStartDelayMs);

    // Repaints of the window do not write anything again.
    int repaintsBefore = rig.views.redraws;
    runUntilIdle(rig);
    EXPECT_GT(rig.views.redraws, repaintsBefore);

    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_EQ(rig.op.messages[0], "Conversion Complete!");
    EXPECT_EQ(rig.doc.xyzConversionActive, 0);
    // Playback stops on the last record and stays in single-frame mode.
    EXPECT_EQ(rig.doc.oneFrameMode, 1);
    EXPECT_FALSE(rig.timers.isTimerActive(kPollTimer));
    EXPECT_EQ(shownRecord(rig.doc), 11);
    EXPECT_EQ(rig.doc.playbackActive, 1);

    const std::string xyz = test::readBytes(rig.folder.file("run1.xyz"));
    EXPECT_EQ(xyzBlocks(xyz), 10);
    EXPECT_EQ(rig.conversion.recordsWritten(), 10);
    EXPECT_EQ(xyz, convertedHeadless(rig, input, rig.folder.file("headless.xyz")));
    EXPECT_NE(xyz.find("08-DEC-2026\t00:00:11.450\t"), std::string::npos);

    // Stepping on after the end writes nothing more.
    rig.player.stepForward();
    rig.player.stepForward();
    EXPECT_EQ(test::readBytes(rig.folder.file("run1.xyz")), xyz);
}

TEST(XyzConversion, SteppingBackDoesNotWriteARecordTwice) {
    PlaybackRig rig;
    const std::string input = makeDataFile(rig.folder.file("steps.qzr"), 6, {}, true);
    rig.op.openAnswers.push_back(input);
    ASSERT_TRUE(rig.conversion.start(rig.player));
    rig.player.stepForward();
    rig.player.stepForward();
    rig.player.stepBackward();
    rig.player.stepForward();
    rig.player.stepForward();
    rig.player.stepForward();
    rig.player.stepForward();
    EXPECT_TRUE(rig.op.messages.empty());
    rig.player.stepForward();  // the last record: the end of the file
    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_EQ(rig.op.messages[0], "Conversion Complete!");
    const std::string xyz = test::readBytes(rig.folder.file("steps.xyz"));
    EXPECT_EQ(xyz, convertedHeadless(rig, input, rig.folder.file("headless.xyz")));
}

TEST(XyzConversion, ASecondConversionIsRefusedWhileOneRuns) {
    PlaybackRig rig;
    const std::string first = makeDataFile(rig.folder.file("first.qzr"), 8, {}, true);
    rig.op.openAnswers.push_back(first);
    ASSERT_TRUE(rig.conversion.start(rig.player));
    rig.timers.advanceMs(kPlaybackStartDelayMs);
    EXPECT_FALSE(commandEnabled(kCmdConvertXyz, rig.doc, {}));
    EXPECT_FALSE(rig.conversion.start(rig.player));  // no dialog is shown either
    EXPECT_EQ(rig.op.openRequests.size(), 1u);
    runUntilIdle(rig);
    EXPECT_EQ(rig.op.messages, (std::vector<std::string>{"Conversion Complete!"}));
    EXPECT_TRUE(commandEnabled(kCmdConvertXyz, rig.doc, {}));
    // Once finished, the next one runs.
    const std::string second = makeDataFile(rig.folder.file("second.qzr"), 3, {}, true);
    rig.op.openAnswers.push_back(second);
    EXPECT_TRUE(rig.conversion.start(rig.player));
    runUntilIdle(rig);
    EXPECT_EQ(xyzBlocks(test::readBytes(rig.folder.file("second.xyz"))), 3);
    EXPECT_EQ(xyzBlocks(test::readBytes(rig.folder.file("first.xyz"))), 8);
}

TEST(XyzConversion, NoFileNoConversion) {
    PlaybackRig rig;
    rig.op.openAnswers.push_back(std::nullopt);
    EXPECT_FALSE(rig.conversion.start(rig.player));
    EXPECT_EQ(rig.doc.xyzConversionActive, 0);
    rig.op.openAnswers.push_back(rig.folder.write("x.txt", std::string(2000, 'a')));
    EXPECT_FALSE(rig.conversion.start(rig.player));
    EXPECT_EQ(rig.doc.xyzConversionActive, 0);
    EXPECT_EQ(rig.op.messages.back(), "ERROR: Application can not recognize this file type!");
}

TEST(XyzConversion, CancellingDuringPlaybackLeavesThePlayedFileUnconverted) {
    PlaybackRig rig;
    ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("p.qzr"), 4)));
    rig.timers.advanceMs(kPlaybackStartDelayMs);
    rig.op.openAnswers.push_back(std::nullopt);
    EXPECT_FALSE(rig.conversion.start(rig.player));
    EXPECT_EQ(rig.doc.xyzConversionActive, 0);
    EXPECT_FALSE(fs::exists(rig.folder.file("p.xyz")));
    // The file goes on playing.
    EXPECT_TRUE(rig.timers.isTimerActive(kPollTimer));
}

TEST(XyzConversion, AnOutputThatCannotBeCreatedIsReportedAndTheFileJustPlays) {
    PlaybackRig rig;
    const std::string input = makeDataFile(rig.folder.file("run2.qzr"), 3, {}, true);
    fs::create_directory(rig.folder.file("run2.xyz"));  // the name is taken by a folder
    rig.op.openAnswers.push_back(input);
    EXPECT_FALSE(rig.conversion.start(rig.player));
    ASSERT_EQ(rig.op.messages.size(), 2u);
    EXPECT_EQ(rig.op.messages[1], "Error Creating XYZ File!");
    EXPECT_EQ(rig.doc.xyzConversionActive, 0);
    EXPECT_EQ(rig.doc.playbackActive, 1);
    rig.timers.advanceMs(1000);
    // Ordinary playback, and no completion is claimed at the end of the file.
    EXPECT_EQ(rig.op.messages.size(), 2u);
    EXPECT_TRUE(rig.timers.isTimerActive(kPollTimer));
}

TEST(XyzConversion, OpeningAnotherFileEndsTheConversionOfTheFirst) {
    PlaybackRig rig;
    rig.op.openAnswers.push_back(makeDataFile(rig.folder.file("a.qzr"), 10, {}, true));
    rig.doc.playbackIntervalMs = 100;
    ASSERT_TRUE(rig.conversion.start(rig.player));
    rig.timers.advanceMs(kPlaybackStartDelayMs + 100);  // two records
    ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("b.qzr"), 10, {}, true)));
    EXPECT_EQ(rig.doc.xyzConversionActive, 0);
    rig.timers.advanceMs(3000);
    EXPECT_EQ(xyzBlocks(test::readBytes(rig.folder.file("a.xyz"))), 2);
    EXPECT_FALSE(fs::exists(rig.folder.file("b.xyz")));
    EXPECT_TRUE(rig.op.messages.empty());
}

TEST(XyzConversion, ConnectingEndsTheConversionWithWhatWasWritten) {
    PlaybackRig rig;
    rig.op.openAnswers.push_back(makeDataFile(rig.folder.file("c.qzr"), 10, {}, true));
    rig.doc.playbackIntervalMs = 100;
    ASSERT_TRUE(rig.conversion.start(rig.player));
    rig.timers.advanceMs(kPlaybackStartDelayMs + 200);  // three records
    rig.cycle.connectToHead();
    EXPECT_EQ(rig.doc.xyzConversionActive, 0);
    EXPECT_EQ(xyzBlocks(test::readBytes(rig.folder.file("c.xyz"))), 3);
    EXPECT_TRUE(rig.op.messages.empty());
}

}  // namespace
}  // namespace sondrel::testing

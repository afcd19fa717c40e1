#include "recording/XyzConversion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "app/CommandRules.h"
#include "common/JobProgress.h"
#include "recording/DataFileConverter.h"
#include "recording/SettingsFile.h"
#include "support/PlaybackRig.h"

namespace sondrel::testing {
namespace {

namespace fs = std::filesystem;

// What sondrel-convert makes of the same file with the settings file the
// window would write now.
std::string convertedHeadless(PlaybackRig& rig, const std::string& input) {
    const std::string settings = rig.folder.file("headless.ini");
    EXPECT_TRUE(saveSettings(rig.doc, settings));
    CSondrelDoc doc;
    doc.flags.playbackActive = true;
    loadSettings(doc, settings);
    const std::string output = rig.folder.file("headless.xyz");
    const ConversionResult result = convertDataFile(doc, input, output);
    EXPECT_TRUE(result.ok()) << result.message;
    return test::readBytes(output);
}

// The command, the work as the window's thread hands it on, and the end.
void convert(PlaybackRig& rig, JobProgress& progress) {
    rig.conversion.run(progress);
    rig.conversion.finish();
}
void convert(PlaybackRig& rig) {
    JobProgress progress;
    convert(rig, progress);
}

TEST(XyzConversion, WritesEachRecordOnceAndMatchesTheHeadlessConverter) {
    PlaybackRig rig;
    rig.doc.display.rollCorrection = 1;
    rig.doc.head.profileMinRange = 0.3;
    const std::string input =
        makeDataFile(rig.folder.file("run1.qzr"), 12, {4, 7}, /*orientation=*/true);
    appendBytes(input, "\x00\x00");
    rig.op.openAnswers.push_back(input);
    rig.doc.files.playbackIntervalMs = 20;
    ASSERT_TRUE(rig.conversion.start(rig.player));
    EXPECT_EQ(rig.doc.flags.xyzConversionActive, 1);
    EXPECT_TRUE(rig.conversion.running());
    EXPECT_EQ(rig.conversion.outputPath(), rig.folder.file("run1.xyz"));
    // The file is played as ever, at its own pace.
    EXPECT_EQ(rig.doc.flags.playbackActive, 1);
    EXPECT_EQ(rig.timers.periodMs(kPollTimer), kPlaybackStartDelayMs);

    // The whole file is converted before playback has shown a single record.
    convert(rig);
    EXPECT_EQ(rig.doc.pings.pingCount, 0);
    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_EQ(rig.op.messages[0], "Conversion Complete!");
    EXPECT_EQ(rig.doc.flags.xyzConversionActive, 0);
    EXPECT_FALSE(rig.conversion.running());
    EXPECT_EQ(rig.conversion.lastResult().summary.recordsRead, 10);

    const std::string xyz = test::readBytes(rig.folder.file("run1.xyz"));
    EXPECT_EQ(xyzBlocks(xyz), 10);
    EXPECT_EQ(xyz, convertedHeadless(rig, input));
    EXPECT_NE(xyz.find("08-DEC-2026\t00:00:11.450\t"), std::string::npos);

    // Playback goes on, and writes nothing more.
    rig.timers.advanceMs(500);
    EXPECT_GT(rig.doc.pings.pingCount, 3);
    EXPECT_TRUE(rig.timers.isTimerActive(kPollTimer));
    EXPECT_EQ(test::readBytes(rig.folder.file("run1.xyz")), xyz);
}

// The conversion reads and writes on its own: whatever the operator does with
// playback and the head meanwhile, the same bytes come out.
TEST(XyzConversion, NothingTheOperatorDoesMeanwhileChangesTheOutput) {
    struct Case {
        const char* what;
        std::function<void(PlaybackRig&)> meanwhile;
    };
    const Case cases[] = {
        {"steps back and forth",
         [](PlaybackRig& rig) {
             for (int i = 0; i < 5; ++i) rig.player.stepForward();
             rig.player.stepBackward();
             rig.player.stepBackward();
         }},
        {"another file played",
         [](PlaybackRig& rig) {
             ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("b.qzr"), 4)));
         }},
        {"connected to the head", [](PlaybackRig& rig) { rig.cycle.connectToHead(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlaybackRig rig;
        const std::string input = makeDataFile(rig.folder.file("a.qzr"), 9, {2}, true);
        rig.op.openAnswers.push_back(input);
        ASSERT_TRUE(rig.conversion.start(rig.player));
        c.meanwhile(rig);
        EXPECT_EQ(rig.doc.flags.xyzConversionActive, 1);
        convert(rig);
        EXPECT_EQ(rig.op.messages, (std::vector<std::string>{"Conversion Complete!"}));
        const std::string xyz = test::readBytes(rig.folder.file("a.xyz"));
        EXPECT_EQ(xyzBlocks(xyz), 8);
        EXPECT_EQ(xyz, convertedHeadless(rig, input));
    }
}

// As the window runs it: the records on a thread of their own while playback
// goes on with the window's document (the thread sanitizer watches this).
TEST(XyzConversion, ConvertsOnAnotherThreadWhilePlaybackGoesOn) {
    PlaybackRig rig;
    const std::string input = makeDataFile(rig.folder.file("t.qzr"), 300, {}, true);
    rig.op.openAnswers.push_back(input);
    ASSERT_TRUE(rig.conversion.start(rig.player));
    JobProgress progress;
    std::thread job([&] { rig.conversion.run(progress); });
    rig.timers.advanceMs(2000);
    job.join();
    rig.conversion.finish();
    EXPECT_GT(rig.doc.pings.pingCount, 100);
    EXPECT_EQ(rig.op.messages, (std::vector<std::string>{"Conversion Complete!"}));
    EXPECT_EQ(test::readBytes(rig.folder.file("t.xyz")), convertedHeadless(rig, input));
}

TEST(XyzConversion, ASecondConversionIsRefusedWhileOneRuns) {
    PlaybackRig rig;
    const std::string first = makeDataFile(rig.folder.file("first.qzr"), 8, {}, true);
    rig.op.openAnswers.push_back(first);
    ASSERT_TRUE(rig.conversion.start(rig.player));
    EXPECT_FALSE(commandEnabled(kCmdConvertXyz, rig.doc, {}));
    EXPECT_FALSE(rig.conversion.start(rig.player));  // no dialog is shown either
    EXPECT_EQ(rig.op.openRequests.size(), 1u);
    convert(rig);
    EXPECT_EQ(rig.op.messages, (std::vector<std::string>{"Conversion Complete!"}));
    EXPECT_TRUE(commandEnabled(kCmdConvertXyz, rig.doc, {}));
    // Once finished, the next one runs.
    const std::string second = makeDataFile(rig.folder.file("second.qzr"), 3, {}, true);
    rig.op.openAnswers.push_back(second);
    EXPECT_TRUE(rig.conversion.start(rig.player));
    convert(rig);
    EXPECT_EQ(xyzBlocks(test::readBytes(rig.folder.file("second.xyz"))), 3);
    EXPECT_EQ(xyzBlocks(test::readBytes(rig.folder.file("first.xyz"))), 8);
}

TEST(XyzConversion, ACancelStopsAtOnceAndLeavesNoPartOfAFile) {
    PlaybackRig rig;
    const std::string input = makeDataFile(rig.folder.file("long.qzr"), 50, {}, true);
    rig.op.openAnswers.push_back(input);
    ASSERT_TRUE(rig.conversion.start(rig.player));
    ASSERT_TRUE(fs::exists(rig.folder.file("long.xyz")));
    JobProgress progress;
    progress.cancel();
    convert(rig, progress);
    EXPECT_EQ(rig.conversion.lastResult().error, ConversionError::Cancelled);
    EXPECT_EQ(rig.conversion.lastResult().summary.recordsRead, 1);
    // The window's bar does not claim the file done.
    EXPECT_EQ(progress.done(), 0);
    EXPECT_FALSE(fs::exists(rig.folder.file("long.xyz")));
    // The operator asked for it: nothing to tell, and playback goes on.
    EXPECT_TRUE(rig.op.messages.empty());
    EXPECT_EQ(rig.doc.flags.xyzConversionActive, 0);
    EXPECT_TRUE(rig.timers.isTimerActive(kPollTimer));
    EXPECT_TRUE(commandEnabled(kCmdConvertXyz, rig.doc, {}));
}

TEST(XyzConversion, NoFileNoConversion) {
    PlaybackRig rig;
    rig.op.openAnswers.push_back(std::nullopt);
    EXPECT_FALSE(rig.conversion.start(rig.player));
    EXPECT_EQ(rig.doc.flags.xyzConversionActive, 0);
    rig.op.openAnswers.push_back(rig.folder.write("x.txt", std::string(2000, 'a')));
    EXPECT_FALSE(rig.conversion.start(rig.player));
    EXPECT_EQ(rig.doc.flags.xyzConversionActive, 0);
    EXPECT_FALSE(rig.conversion.running());
    EXPECT_EQ(rig.op.messages.back(), "ERROR: Application can not recognize this file type!");
}

TEST(XyzConversion, CancellingDuringPlaybackLeavesThePlayedFileUnconverted) {
    PlaybackRig rig;
    ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("p.qzr"), 4)));
    rig.timers.advanceMs(kPlaybackStartDelayMs);
    rig.op.openAnswers.push_back(std::nullopt);
    EXPECT_FALSE(rig.conversion.start(rig.player));
    EXPECT_EQ(rig.doc.flags.xyzConversionActive, 0);
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
    EXPECT_EQ(rig.op.messages[0],
              rig.folder.file("run2.xyz") + "\nThis name is a folder, not a file.");
    EXPECT_EQ(rig.op.messages[1], "Error Creating XYZ File!");
    EXPECT_EQ(rig.doc.flags.xyzConversionActive, 0);
    EXPECT_FALSE(rig.conversion.running());
    EXPECT_EQ(rig.doc.flags.playbackActive, 1);
    rig.timers.advanceMs(1000);
    // Ordinary playback, and no completion is claimed at the end of the file.
    EXPECT_EQ(rig.op.messages.size(), 2u);
    EXPECT_TRUE(rig.timers.isTimerActive(kPollTimer));
}

// An output that is the input itself (a link) is refused before anything is
// truncated.
TEST(XyzConversion, AnOutputThatLeadsToTheInputIsRefused) {
    PlaybackRig rig;
    const std::string input = makeDataFile(rig.folder.file("same.qzr"), 3, {}, true);
    const std::string bytes = test::readBytes(input);
    fs::create_symlink(input, rig.folder.file("same.xyz"));
    rig.op.openAnswers.push_back(input);
    EXPECT_FALSE(rig.conversion.start(rig.player));
    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_NE(rig.op.messages[0].find("is the input file itself"), std::string::npos);
    EXPECT_EQ(test::readBytes(input), bytes);
    EXPECT_EQ(rig.doc.flags.playbackActive, 1);
}

// A folder removed while its XYZ file is written (a memory stick pulled, a
// share unmounted) takes the file with it: that is no complete conversion.
TEST(XyzConversion, AFolderThatVanishesDuringTheConversionIsReported) {
    PlaybackRig rig;
    const std::string folder = rig.folder.file("stick");
    fs::create_directory(folder);
    const std::string input = makeDataFile(folder + "/run.qzr", 6, {}, true);
    rig.op.openAnswers.push_back(input);
    ASSERT_TRUE(rig.conversion.start(rig.player));
    fs::remove_all(folder);
    convert(rig);
    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_EQ(rig.op.messages[0], "Error Writing File!\n\n" + folder +
                                      "/run.xyz\nthe file or its folder was removed while it was "
                                      "written\n\nThe conversion has stopped.");
    EXPECT_EQ(rig.doc.flags.xyzConversionActive, 0);
}

TEST(XyzConversion, ARecordOfUnknownSizeEndsTheConversionAndTheMessageSaysWhere) {
    PlaybackRig rig;
    const std::string input = makeDataFile(rig.folder.file("cut.qzr"), 6, {}, true);
    std::string bytes = test::readBytes(input);
    bytes[3 * 1152 + 3] = 5;  // the fourth record's data size code
    rig.folder.write("cut.qzr", bytes);
    rig.op.openAnswers.push_back(input);
    ASSERT_TRUE(rig.conversion.start(rig.player));
    convert(rig);
    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_EQ(rig.op.messages[0],
              "Conversion Complete!\n\nThe file holds a record of unknown size at byte 3456: the "
              "records after it were not converted.");
    EXPECT_EQ(xyzBlocks(test::readBytes(rig.folder.file("cut.xyz"))), 3);
}

}  // namespace
}  // namespace sondrel::testing

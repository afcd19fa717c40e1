#include "recording/Player.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "recording/PlaybackBar.h"
#include "support/PlaybackRig.h"
#include "support/ReceivedBlock.h"

namespace sondrel::testing {
namespace {

namespace fs = std::filesystem;

std::vector<int> intervalsBetween(const std::vector<std::int64_t>& times) {
    std::vector<int> gaps;
    for (std::size_t i = 1; i < times.size(); ++i)
        gaps.push_back(static_cast<int>(times[i] - times[i - 1]));
    return gaps;
}

// Steps the played file n times through the poll timer, collecting what was shown.
std::vector<int> playSteps(PlaybackRig& rig, int n) {
    std::vector<int> shown;
    for (int i = 0; i < n; ++i) {
        const int before = static_cast<int>(rig.timers.firingTimes(kPollTimer).size());
        while (static_cast<int>(rig.timers.firingTimes(kPollTimer).size()) == before) {
            if (!rig.timers.isTimerActive(kPollTimer)) return shown;
            rig.timers.advanceMs(std::max<std::int64_t>(rig.timers.remainingMs(kPollTimer), 0));
        }
        shown.push_back(shownRecord(rig.doc));
    }
    return shown;
}

TEST(OpenPlayback, DialogAndTheStateOfAnOpenedFile) {
    PlaybackRig rig;
    const std::string path = makeDataFile(rig.folder.file("run1.qzr"), 5);
    rig.doc.files.playbackIntervalMs = 250;
    rig.doc.link.linkState = LinkState::Connected;
    ASSERT_TRUE(rig.open(path));

    ASSERT_EQ(rig.op.openRequests.size(), 1u);
    const FileDialogRequest& request = rig.op.openRequests[0];
    EXPECT_EQ(request.title, "Open Data File:");
    EXPECT_EQ(request.filterDescription, "Sonar Data Files: (*.qzr) ");
    EXPECT_EQ(request.pattern, "*.qzr");
    EXPECT_EQ(request.directory, rig.folder.path() + "/");
    EXPECT_TRUE(request.defaultExtension.empty());
    EXPECT_EQ(rig.settings.saves, 1);

    EXPECT_EQ(rig.doc.flags.playbackActive, 1);
    EXPECT_EQ(rig.doc.link.linkState, LinkState::NotConnected);
    EXPECT_EQ(rig.player.fileLength(), 5 * 1024);
    EXPECT_EQ(rig.doc.files.playbackPath, path);
    EXPECT_EQ(rig.doc.files.readDirectory, rig.folder.path() + "/");
    EXPECT_EQ(rig.doc.files.xyzPath, rig.folder.file("run1.xyz"));
    EXPECT_EQ(rig.player.byteStep(), 51u);
    EXPECT_EQ(rig.windows.barShows, 1);
    EXPECT_EQ(rig.windows.barSpeed, 750);
    EXPECT_EQ(rig.windows.titles.back(), "Sondrel - Playback File [" + path + "] ");
    EXPECT_EQ(rig.timers.periodMs(kPollTimer), kPlaybackStartDelayMs);
    EXPECT_TRUE(rig.op.messages.empty());
}

TEST(OpenPlayback, RefusedFilesSayWhyAndLeaveTheLiveHeadPolling) {
    PlaybackRig rig;
    struct Case {
        std::string name;
        std::string bytes;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"data.bin", std::string(4096, 'Q'),
         "ERROR: Application can not recognize this file type!"},
        {"short.qzr", std::string(99, 'Q'), "File has no data!!!  "},
        {"empty.qzr", "", "File has no data!!!  "},
        {"x.qz", std::string(4096, 'Q'), "ERROR: Application can not recognize this file type!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rig.op.messages.clear();
        const std::string path = rig.folder.write(c.name, c.bytes);
        rig.doc.head.sonarType = kTypeP;
        EXPECT_FALSE(rig.open(path));
        ASSERT_EQ(rig.op.messages.size(), 1u);
        EXPECT_EQ(rig.op.messages[0], c.message);
        EXPECT_EQ(rig.doc.flags.playbackActive, 0);
        // Resumed as after a cancel: the serial head is polled again soon.
        EXPECT_EQ(rig.timers.periodMs(kPollTimer), kPlaybackStartDelayMs);
    }
    // A missing file, a folder, and a named pipe nobody writes to (which would
    // wait forever for a writer) all fail to open at once.
    const std::string folder = rig.folder.file("folder.qzr");
    const std::string pipe = rig.folder.file("pipe.qzr");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // Nor does a file with the right ending but no record that plays (a text
    // file renamed, random bytes, records that hold no ping): each is refused
    // with the file's name and why, never played as an empty view.
    std::mt19937 random(7);
    std::string noise(4096, '\0');
    for (char& c : noise) c = static_cast<char>(random() | 1);
    const std::string text(4096, 't');
    const std::string invalidOnly = makeDataFile(rig.folder.file("invalid.qzr"), 3, {0, 1, 2});
    const std::vector<std::pair<std::string, std::string>> unplayable = {
        {rig.folder.file("no such file.qzr"), "No such file"},
        {folder, "folder"},
        {pipe, "not a regular file"},
        {rig.folder.write("notes.qzr", text), "byte 0 is of unknown size"},
        {rig.folder.write("noise.qzr", noise), "byte 0 is of unknown size"},
        {rig.folder.write("zeros.qzr", std::string(100, '\0')), "byte 0 is of unknown size"},
        {invalidOnly, "None of its records holds a ping."},
    };
    for (const auto& [path, why] : unplayable) {
        SCOPED_TRACE(path);
        rig.op.messages.clear();
        rig.doc.head.sonarType = kTypeQ;
        EXPECT_FALSE(rig.open(path));
        ASSERT_EQ(rig.op.messages.size(), 1u);
        EXPECT_EQ(rig.op.messages[0].rfind("Error opening file !   \n\n" + path + "\n", 0), 0u)
            << rig.op.messages[0];
        EXPECT_NE(rig.op.messages[0].find(why), std::string::npos) << rig.op.messages[0];
        EXPECT_EQ(rig.doc.flags.playbackActive, 0);
        EXPECT_EQ(rig.timers.periodMs(kSendTimer), 0);
    }
}

TEST(OpenPlayback, AnUpperCaseEndingOpens) {
    PlaybackRig rig;
    const std::string upper = makeDataFile(rig.folder.file("DATA.QZR"), 2);
    EXPECT_TRUE(rig.open(upper));
    EXPECT_EQ(rig.doc.files.xyzPath, rig.folder.file("DATA.xyz"));
    EXPECT_TRUE(rig.op.messages.empty());
}

TEST(OpenPlayback, CancelRestartsThePollByHeadType) {
    PlaybackRig rig;
    rig.doc.head.sonarType = kTypeP;
    rig.op.openAnswers.push_back(std::nullopt);
    EXPECT_FALSE(rig.player.openPlayback());
    EXPECT_EQ(rig.timers.periodMs(kPollTimer), kPlaybackStartDelayMs);
    rig.doc.head.sonarType = kTypeQ;
    rig.timers.killTimer(kPollTimer);
    rig.op.openAnswers.push_back(std::nullopt);
    EXPECT_FALSE(rig.player.openPlayback());
    EXPECT_EQ(rig.timers.periodMs(kSendTimer), 0);
    EXPECT_FALSE(rig.timers.isTimerActive(kPollTimer));
}

TEST(OpenPlayback, AFailedOpenDuringPlaybackKeepsTheFileAndTheCopyGoing) {
    PlaybackRig rig;
    rig.doc.head.sonarType = kTypeQ;
    ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("a.qzr"), 6)));
    playSteps(rig, 2);
    rig.recorder.startStopRecording();
    ASSERT_EQ(rig.doc.flags.recordingActive, 1);
    EXPECT_FALSE(rig.open(rig.folder.write("b.qzr", "short")));
    EXPECT_EQ(rig.op.messages.back(), "File has no data!!!  ");
    EXPECT_EQ(rig.doc.flags.recordingActive, 1);
    EXPECT_EQ(playSteps(rig, 2), (std::vector<int>{2, 3}));
    // A cancel in single-frame mode keeps it stepping by hand.
    rig.player.stepForward();
    rig.op.openAnswers.push_back(std::nullopt);
    rig.player.openPlayback();
    EXPECT_FALSE(rig.timers.isTimerActive(kPollTimer));
}

TEST(OpenPlayback, OpeningClosesTheRecordingAndStopsTheLink) {
    PlaybackRig rig;
    FakeEthernetLink link;
    rig.cycle.setEthernetLink(&link);
    rig.doc.head.sonarType = kTypeQ;
    rig.cycle.connectToHead();
    rig.cycle.onSocketConnected(0);
    rig.timers.runPending();
    ASSERT_EQ(link.sent.size(), 1u);
    const ByteVector block = makeBlock();
    rig.cycle.onSocketBytes(block.data(), block.size());
    rig.recorder.startStopRecording();
    ASSERT_EQ(rig.doc.flags.recordingActive, 1);
    rig.cycle.onSocketBytes(block.data(), block.size());
    ASSERT_EQ(rig.doc.files.recordFileBytes, 1024);
    const int abortsBefore = link.aborts;
    ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("p.qzr"), 3)));
    EXPECT_EQ(rig.doc.flags.recordingActive, 0);
    EXPECT_FALSE(rig.recorder.isRecording());
    EXPECT_GT(link.aborts, abortsBefore);
    EXPECT_EQ(rig.doc.link.linkState, LinkState::NotConnected);
    // Nothing more goes to the head, and late bytes from it are not taken.
    rig.timers.runPending();
    rig.cycle.onSocketBytes(block.data(), block.size());
    EXPECT_EQ(link.sent.size(), 1u);
    EXPECT_EQ(rig.doc.files.recordFileBytes, 1024);
    EXPECT_EQ(rig.doc.pings.pingCount, 0);
}

TEST(Pacing, RecordsFollowAtTheSetInterval) {
    PlaybackRig rig;
    ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("p.qzr"), 20)));
    rig.doc.files.playbackIntervalMs = 1000 - 250;
    const std::vector<int> shown = playSteps(rig, 6);
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    const std::vector<int> gaps = intervalsBetween(rig.timers.firingTimes(kPollTimer));
    ASSERT_EQ(gaps.size(), 5u);
    for (int gap : gaps) EXPECT_EQ(gap, 750);
    EXPECT_EQ(rig.timers.firingTimes(kPollTimer).front(), kPlaybackStartDelayMs);
    EXPECT_EQ(rig.doc.pings.pingCount, 6);
    EXPECT_EQ(rig.doc.link.noNewData, 0);
}

TEST(Pacing, RealTimeSpeedFollowsTheRecordedPingPeriods) {
    PlaybackRig rig;
    // Each record carries its own period: 100, 110, 120, ... ms.
    const std::string path = rig.folder.file("periods.qzr");
    {
        CSondrelDoc doc;
        BinaryFile file;
        ASSERT_TRUE(file.create(path));
        for (int i = 0; i < 8; ++i) {
            makePing(doc, i, false, 100 + 10 * i);
            ASSERT_TRUE(writeRecord(test::stampedPing(doc), file));
        }
    }
    ASSERT_TRUE(rig.open(path));
    rig.doc.files.playbackIntervalMs = 600;
    rig.doc.files.realTimePlaySpeed = 1;
    playSteps(rig, 5);
    const std::vector<int> gaps = intervalsBetween(rig.timers.firingTimes(kPollTimer));
    EXPECT_EQ(gaps, (std::vector<int>{100, 110, 120, 130}));
    // The last period stays as the interval.
    EXPECT_EQ(rig.doc.files.playbackIntervalMs, 140);
    // The speed spin has no say while the recorded periods pace the file.
    rig.player.speedClicked(500, +1);
    EXPECT_TRUE(rig.windows.speeds.empty());
    EXPECT_EQ(rig.doc.files.playbackIntervalMs, 140);
    // Switched off, the interval stays where the file left it.
    rig.player.toggleRealTimePlaySpeed();
    rig.timers.clearHistory();
    playSteps(rig, 3);
    EXPECT_EQ(intervalsBetween(rig.timers.firingTimes(kPollTimer)), (std::vector<int>{140, 140}));
}

TEST(Pacing, SpeedSpinResumesContinuousPlayAtTheNewInterval) {
    PlaybackRig rig;
    ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("p.qzr"), 10)));
    rig.doc.files.playbackIntervalMs = 500;
    rig.player.stepForward();
    ASSERT_EQ(rig.doc.files.oneFrameMode, 1);
    ASSERT_FALSE(rig.timers.isTimerActive(kPollTimer));
    rig.player.speedClicked(speedForInterval(rig.doc.files.playbackIntervalMs), +1);
    EXPECT_EQ(rig.doc.files.playbackIntervalMs, 450);
    EXPECT_EQ(rig.windows.speeds.back(), 550);
    EXPECT_EQ(rig.doc.files.oneFrameMode, 0);
    EXPECT_EQ(rig.timers.periodMs(kPollTimer), 450);
    EXPECT_GT(rig.windows.focusReturns, 0);
}

TEST(Stepping, ForwardAndBackShowNeighboursAndStayInSingleFrameMode) {
    PlaybackRig rig;
    ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("p.qzr"), 6)));
    playSteps(rig, 3);  // records 0, 1, 2
    ASSERT_EQ(shownRecord(rig.doc), 2);

    rig.player.stepForward();
    EXPECT_EQ(shownRecord(rig.doc), 3);
    EXPECT_EQ(rig.doc.files.oneFrameMode, 1);
    EXPECT_FALSE(rig.timers.isTimerActive(kPollTimer));
    rig.player.stepBackward();
    EXPECT_EQ(shownRecord(rig.doc), 2);
    rig.player.stepBackward();
    EXPECT_EQ(shownRecord(rig.doc), 1);
    rig.player.stepBackward();
    EXPECT_EQ(shownRecord(rig.doc), 0);
    // At the first record "<" stays there.
    rig.player.stepBackward();
    EXPECT_EQ(shownRecord(rig.doc), 0);
    EXPECT_EQ(rig.player.lastRecordPosition(), 0);
    rig.player.stepForward();
    EXPECT_EQ(shownRecord(rig.doc), 1);
    EXPECT_FALSE(rig.timers.isTimerActive(kPollTimer));
    // Nothing moves on by itself, not even after Hold is released.
    rig.cycle.holdToggle();
    rig.cycle.holdToggle();
    rig.timers.advanceMs(5000);
    EXPECT_EQ(shownRecord(rig.doc), 1);
    // "Play One Frame" off resumes at the interval.
    rig.doc.files.playbackIntervalMs = 100;
    rig.player.toggleOneFrameMode();
    EXPECT_EQ(rig.doc.files.oneFrameMode, 0);
    EXPECT_EQ(rig.timers.periodMs(kPollTimer), 100);
    rig.timers.advanceMs(100);
    EXPECT_EQ(shownRecord(rig.doc), 2);
    rig.player.toggleOneFrameMode();
    EXPECT_FALSE(rig.timers.isTimerActive(kPollTimer));
}

TEST(Stepping, BackFromTheFirstRecordAfterAWrapShowsTheOneBeforeTheLast) {
    PlaybackRig rig;
    ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("p.qzr"), 4)));
    playSteps(rig, 4);
    ASSERT_EQ(shownRecord(rig.doc), 3);
    ASSERT_EQ(rig.player.readPosition(), 0);  // wrapped
    rig.player.stepBackward();
    EXPECT_EQ(shownRecord(rig.doc), 2);
}

TEST(Stepping, BackOverRecordsOfMixedSizeFindsTheRecordStart) {
    PlaybackRig rig;
    // The orientation input was switched on after two records.
    const std::string path = rig.folder.file("mixed.qzr");
    {
        CSondrelDoc doc;
        BinaryFile file;
        ASSERT_TRUE(file.create(path));
        for (int i = 0; i < 5; ++i) {
            makePing(doc, i, i >= 2);
            ASSERT_TRUE(writeRecord(test::stampedPing(doc), file));
        }
    }
    ASSERT_TRUE(rig.open(path));
    playSteps(rig, 4);
    ASSERT_EQ(shownRecord(rig.doc), 3);
    rig.player.stepBackward();
    EXPECT_EQ(shownRecord(rig.doc), 2);
    rig.player.stepBackward();
    EXPECT_EQ(shownRecord(rig.doc), 1);
    rig.player.stepBackward();
    EXPECT_EQ(shownRecord(rig.doc), 0);
}

TEST(Stepping, HoldKeepsTheRecordButNotTheTimer) {
    PlaybackRig rig;
    ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("p.qzr"), 6)));
    rig.doc.files.playbackIntervalMs = 100;
    playSteps(rig, 2);
    rig.cycle.holdToggle();
    const int refreshes = rig.windows.statusRefreshes;
    rig.timers.advanceMs(1000);
    EXPECT_EQ(shownRecord(rig.doc), 1);
    EXPECT_TRUE(rig.timers.isTimerActive(kPollTimer));
    EXPECT_GT(rig.windows.statusRefreshes, refreshes);
    rig.cycle.holdToggle();
    EXPECT_EQ(rig.timers.periodMs(kPollTimer), kHoldReleasePollMs);
    rig.timers.advanceMs(kHoldReleasePollMs);
    EXPECT_EQ(shownRecord(rig.doc), 2);
}

TEST(EndOfFile, WrapsToTheFirstRecordAndRestartsThePingCount) {
    PlaybackRig rig;
    const std::string path = makeDataFile(rig.folder.file("p.qzr"), 3);
    appendBytes(path, "\x01\x02\x03");  // up to three stray bytes are no record
    ASSERT_TRUE(rig.open(path));
    EXPECT_EQ(playSteps(rig, 7), (std::vector<int>{0, 1, 2, 0, 1, 2, 0}));
    EXPECT_EQ(rig.doc.pings.pingCount, 1);
}

TEST(EndOfFile, APartialLastRecordEndsTheFileWithoutBeingDecoded) {
    PlaybackRig rig;
    const std::string path = makeDataFile(rig.folder.file("p.qzr"), 5);
    // The first 600 bytes of a sixth record, header and return header intact.
    const std::string whole = test::readBytes(path);
    appendBytes(path, whole.substr(1024 * 2, 600));
    ASSERT_TRUE(rig.open(path));
    const std::vector<int> shown = playSteps(rig, 12);
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3, 4, 0, 1, 2, 3, 4, 0, 1}));
}

TEST(EndOfFile, InvalidRecordsAreSkippedButStillAdvance) {
    PlaybackRig rig;
    ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("p.qzr"), 5, {1, 3})));
    // The invalid ones leave the previous record on screen.
    EXPECT_EQ(playSteps(rig, 6), (std::vector<int>{0, 0, 2, 2, 4, 0}));
    EXPECT_EQ(rig.doc.pings.pingCount, 1);
}

TEST(Positioning, TrackbarReleaseSeeksTheNextRecordStart) {
    PlaybackRig rig;
    // 999 records: the byte step falls between record starts.
    ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("p.qzr"), 999)));
    EXPECT_EQ(rig.player.byteStep(), 999u * 1024u / 100u);
    rig.player.stepForward();
    rig.player.trackbarReleased(37);
    EXPECT_EQ(rig.player.readPosition(), 370 * 1024);
    EXPECT_FALSE(rig.player.trackbarBusy());
    EXPECT_EQ(rig.windows.tickRedraws, 1);
    rig.player.stepForward();
    EXPECT_EQ(shownRecord(rig.doc), 370);
    EXPECT_EQ(rig.windows.trackbar.back(), 37);  // 371 * 1024 * 100 / length

    // The right end starts the file again.
    rig.player.trackbarReleased(100);
    rig.player.stepForward();
    EXPECT_EQ(shownRecord(rig.doc), 0);

    // Near the end.
    rig.player.trackbarReleased(99);
    rig.player.stepForward();
    EXPECT_EQ(shownRecord(rig.doc), 989);
}

TEST(Positioning, SearchFindsAMagicAcrossBlockEdgesAndAfterAStrayQ) {
    PlaybackRig rig;
    // A long run of junk with a 'Q' right before a record, so that the record's
    // magic crosses the search's internal blocks of 64 KiB.
    std::string bytes(65535, 'x');
    bytes[65534] = 'Q';
    const std::string record = test::readBytes(makeDataFile(rig.folder.file("one.qzr"), 1));
    const std::string path = rig.folder.write("junk.qzr", bytes + record + record);
    ASSERT_TRUE(rig.open(path));
    rig.player.findRecordStart(0);
    EXPECT_EQ(rig.player.readPosition(), 65535);
    rig.player.stepForward();
    EXPECT_EQ(shownRecord(rig.doc), 0);
    // No magic after the target: the end, then the first record.
    rig.player.findRecordStart(65535 + 2 * 1024 - 2);
    EXPECT_EQ(rig.player.readPosition(), 65535 + 2 * 1024);
    // From there the next step starts over at the beginning.
    rig.player.stepForward();
    EXPECT_EQ(rig.player.readPosition(), 0);
}

TEST(Positioning, ThePositionIsNotMovedWhileTheOperatorHoldsTheTrackbar) {
    PlaybackRig rig;
    ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("p.qzr"), 50)));
    playSteps(rig, 2);
    const std::size_t updates = rig.windows.trackbar.size();
    rig.player.setTrackbarBusy(true);
    playSteps(rig, 3);
    EXPECT_EQ(rig.windows.trackbar.size(), updates);
    EXPECT_EQ(rig.player.currentPosition(), 2 * 1024);
    rig.player.setTrackbarBusy(false);
    playSteps(rig, 1);
    EXPECT_EQ(rig.player.currentPosition(), 6 * 1024);
}

TEST(Copying, EveryValidShownRecordIsWrittenEachTimeItIsShown) {
    PlaybackRig rig;
    const std::string source = makeDataFile(rig.folder.file("src.qzr"), 4, {2}, true);
    ASSERT_TRUE(rig.open(source));
    playSteps(rig, 1);
    rig.recorder.startStopRecording();
    const std::string copy = rig.recorder.filePath();
    EXPECT_EQ(rig.windows.titles.back(), "Sondrel - Copy to File [" + copy + "] ");
    // Records 1, (2 invalid), 3, 0, 1, (2), 3.
    playSteps(rig, 7);
    rig.recorder.startStopRecording();
    EXPECT_EQ(rig.windows.titles.back(), "Sondrel - Playback File [" + source + "] ");

    const std::string src = test::readBytes(source);
    const std::string out = test::readBytes(copy);
    const std::vector<int> expected = {1, 3, 0, 1, 3};
    ASSERT_EQ(out.size(), expected.size() * 1152);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(out.substr(i * 1152, 1152), src.substr(expected[i] * 1152, 1152))
            << "copied record " << i;
    }
}

TEST(ChangingFiles, AFileThatGrowsIsFollowed) {
    PlaybackRig rig;
    const std::string path = makeDataFile(rig.folder.file("grow.qzr"), 3);
    ASSERT_TRUE(rig.open(path));
    playSteps(rig, 2);
    // The recorder of another program appends two more records.
    const std::string more = test::readBytes(makeDataFile(rig.folder.file("more.qzr"), 5));
    appendBytes(path, more.substr(3 * 1024));
    EXPECT_EQ(playSteps(rig, 4), (std::vector<int>{2, 3, 4, 0}));
}

TEST(ChangingFiles, AFileThatShrinksWrapsEarlyAndNeverShowsStaleBytes) {
    PlaybackRig rig;
    const std::string path = makeDataFile(rig.folder.file("shrink.qzr"), 8);
    ASSERT_TRUE(rig.open(path));
    playSteps(rig, 5);
    fs::resize_file(path, 3 * 1024 + 500);
    EXPECT_EQ(playSteps(rig, 4), (std::vector<int>{0, 1, 2, 0}));
    // Emptied completely: the timer goes on, nothing is decoded.
    fs::resize_file(path, 0);
    rig.doc.ping.timeText = "none";
    playSteps(rig, 5);
    EXPECT_EQ(rig.doc.ping.timeText, "none");
    EXPECT_TRUE(rig.timers.isTimerActive(kPollTimer));
}

TEST(ChangingFiles, AFileRemovedWhilePlayedGoesOnPlaying) {
    PlaybackRig rig;
    const std::string path = makeDataFile(rig.folder.file("gone.qzr"), 3);
    ASSERT_TRUE(rig.open(path));
    playSteps(rig, 1);
    fs::remove(path);
    EXPECT_EQ(playSteps(rig, 4), (std::vector<int>{1, 2, 0, 1}));
}

TEST(BadFiles, RandomBytesAndUnsizableRecordsNeverDecodeAndNeverStall) {
    PlaybackRig rig;
    std::mt19937 random(20261208);
    std::string noise(50'000, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    // The magic here and there, so searches and steps land on junk "records".
    for (std::size_t at = 1000; at + 3 < noise.size(); at += 7919) noise.replace(at, 3, "QZR");
    // Behind one record that holds a ping, so that the file opens at all:
    // whatever is shown as a ping is that record's, never one of junk.
    const std::string path = makeDataFile(rig.folder.file("noise.qzr"), 1);
    CSondrelDoc first;
    ASSERT_EQ(decodeRecord(first, test::readByteVector(path)), ReadStatus::Valid);
    appendBytes(path, noise);
    ASSERT_TRUE(rig.open(path));
    const auto onlyTheRealPing = [&] {
        if (rig.doc.pings.pingOnScreen) {
            ASSERT_EQ(rig.doc.ping.returnHeader, first.ping.returnHeader);
        }
    };
    for (int i = 0; i < 50; ++i) {
        rig.player.stepForward();
        onlyTheRealPing();
    }
    for (int thumb : {0, 13, 50, 87, 99, 100}) {
        rig.player.trackbarReleased(thumb);
        for (auto step : {&Player::stepForward, &Player::stepBackward, &Player::stepForward}) {
            (rig.player.*step)();
            onlyTheRealPing();
        }
    }
    EXPECT_LE(rig.op.messages.size(), 1u);
}

TEST(BadFiles, ARecordOfUnknownSizeStopsPlaybackThereOnceAndWhatCameBeforePlays) {
    PlaybackRig rig;
    const std::string path = makeDataFile(rig.folder.file("code9.qzr"), 6);
    std::string bytes = test::readBytes(path);
    bytes[3 * 1024 + 3] = 9;
    rig.folder.write("code9.qzr", bytes);
    ASSERT_TRUE(rig.open(path));
    // The fourth poll meets the record and stops there, record 2 still shown.
    EXPECT_EQ(playSteps(rig, 7), (std::vector<int>{0, 1, 2, 2}));
    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_EQ(rig.op.messages[0], "Playback stopped at byte 3072 of " + rig.doc.files.playbackPath +
                                      ": a record of unknown size.\nThe records before it can "
                                      "still be played.");
    EXPECT_EQ(rig.doc.files.oneFrameMode, 1);
    EXPECT_FALSE(rig.timers.isTimerActive(kPollTimer));
    // Played on, the file runs up to the record and starts again, without a word.
    rig.player.toggleOneFrameMode();
    EXPECT_EQ(playSteps(rig, 7), (std::vector<int>{0, 1, 2, 0, 1, 2, 0}));
    EXPECT_EQ(rig.op.messages.size(), 1u);
    // A file opened afresh is told again.
    ASSERT_TRUE(rig.open(path));
    playSteps(rig, 5);
    EXPECT_EQ(rig.op.messages.size(), 2u);
}

TEST(OpenPlayback, ThePanesOfTheLastFileAreClearedAtOpen) {
    PlaybackRig rig;
    ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("with.qzr"), 2, {}, true)));
    playSteps(rig, 1);
    ASSERT_EQ(rig.doc.orientationOnShow().distanceValid, 1);
    ASSERT_FALSE(rig.doc.ping.dateText.empty());
    ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("without.qzr"), 2)));
    const OrientationReadings& shown = rig.doc.orientationOnShow();
    EXPECT_EQ(shown.pitchValid + shown.rollValid + shown.distanceValid, 0);
    EXPECT_TRUE(rig.doc.ping.dateText.empty());
    EXPECT_FALSE(rig.doc.pings.pingOnScreen);
}

TEST(ReturnToRealTime, ConnectingClosesTheFilesAndReloadsTheSettings) {
    PlaybackRig rig;
    ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("p.qzr"), 5)));
    playSteps(rig, 2);
    rig.recorder.startStopRecording();
    ASSERT_TRUE(rig.recorder.isRecording());
    const int loads = rig.settings.loads;
    rig.cycle.connectToHead();
    EXPECT_EQ(rig.doc.flags.playbackActive, 0);
    EXPECT_EQ(rig.doc.flags.recordingActive, 0);
    EXPECT_FALSE(rig.player.isOpen());
    EXPECT_FALSE(rig.recorder.isRecording());
    EXPECT_EQ(rig.settings.loads, loads + 1);
    EXPECT_EQ(rig.settings.playbackActiveAtLoad, 0);
    ASSERT_FALSE(rig.windows.titles.empty());
    EXPECT_EQ(rig.windows.titles.back(), "Sondrel - Real Time ");
    // The step buttons only stop the timers now.
    rig.doc.ping.timeText = "live";
    rig.player.stepForward();
    EXPECT_EQ(rig.doc.ping.timeText, "live");
}

TEST(ReturnToRealTime, TheFirstCommandAfterPlaybackCarriesOnlyRealTimeValues) {
    // Records whose byte 41 is 0xFD, and whose byte 43 names data format 4
    // and a fixed-9 value of 5: played, they would leave 0xFD, 5, 4 and 0 in
    // command bytes 4, 9, 20 and 22.
    PlaybackRig rig;
    FakeEthernetLink head;
    rig.cycle.setEthernetLink(&head);
    rig.settings.onLoad = [](CSondrelDoc& d) { d.head.sonarType = kTypeQ; };
    const std::string path = makeDataFile(rig.folder.file("framing.qzr"), 3);
    std::string bytes = test::readBytes(path);
    for (std::size_t at = 0; at < bytes.size(); at += kRecordSize) {
        bytes[at + rec::kRangeCode] = static_cast<char>(0xFD);
        bytes[at + rec::kFormat] = static_cast<char>((bytes[at + rec::kFormat] & 0x40) | 5);
    }
    rig.folder.write("framing.qzr", bytes);
    ASSERT_TRUE(rig.open(path));
    playSteps(rig, 2);
    EXPECT_TRUE(isSendable(rig.doc.head.command));
    EXPECT_EQ(rig.doc.headOnShow().command[cmd::kFixed9], 5);
    EXPECT_EQ(rig.doc.headOnShow().command[cmd::kDataFormat], 4);

    rig.cycle.connectToHead();
    rig.cycle.onSocketConnected(0);
    rig.timers.runPending();
    ASSERT_FALSE(head.sent.empty());
    const ByteVector& sent = head.sent.front();
    ASSERT_EQ(sent.size(), kCommandLength);
    CommandBuffer command;
    std::copy(sent.begin(), sent.end(), command.begin());
    EXPECT_TRUE(isSendable(command));
    EXPECT_EQ(command[cmd::kReserved4], 0);
    EXPECT_EQ(command[cmd::kFixed9], 1);
    EXPECT_EQ(command[cmd::kDataFormat], 16);
    EXPECT_EQ(command[cmd::kFixed22], 1);
}

}  // namespace
}  // namespace sondrel::testing

#include "recording/Recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <limits>
#include <vector>

#include "recording/SettingsLocation.h"
#include "support/DescriptorTheft.h"
#include "support/FileSizeLimit.h"
#include "support/PlaybackRig.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

namespace sondrel::testing {
namespace {

namespace fs = std::filesystem;

// One ping from the head through the cycle, as the serial hand-off delivers it.
void livePing(PlaybackRig& rig, std::uint8_t rangeCode = 20) {
    const ByteVector block = makeBlock("QSZ", rangeCode);
    std::copy(block.begin(), block.end(), rig.doc.link.receiveBuffer.begin());
    rig.doc.link.noNewData = 0;
    rig.cycle.processPing();
}

std::int64_t countRecords(const std::string& path, int* valid = nullptr) {
    CSondrelDoc doc;
    BinaryFile file;
    if (!file.openRead(path)) return -1;
    std::int64_t position = 0, records = 0;
    int valids = 0;
    while (true) {
        const ReadOutcome r = readRecord(doc, file, position);
        if (r.status == ReadStatus::EndOfFile || r.status == ReadStatus::Unsizable) break;
        ++records;
        if (r.status == ReadStatus::Valid) ++valids;
        position = r.nextPosition;
    }
    if (valid) *valid = valids;
    return records;
}

TEST(RecordNames, AutomaticNameFromPingDateAndStampTime) {
    CSondrelDoc doc;
    doc.files.writeDirectory = "/data/run/";
    doc.ping.dateText = "08-DEC-2026";
    doc.pings.stampHour = 14;
    doc.pings.stampMinute = 3;
    doc.pings.stampSecond = 7;
    EXPECT_EQ(automaticRecordName(doc), "/data/run/Sondrel 08-DEC-2026 140307.qzr");
}

// A played file's date is anybody's bytes: it must name a file in the record
// folder, never a path out of it, nor carry a line break into the name.
TEST(RecordNames, AutomaticNameKeepsRecordedDatesInsideTheFolder) {
    const struct {
        std::string date, name;
    } cases[] = {
        {"08/12/2026", "Sondrel 08_12_2026 000000.qzr"},
        {"../../etc", "Sondrel .._.._etc 000000.qzr"},
        {"08-DEC\n2026", "Sondrel 08-DEC_2026 000000.qzr"},
        {std::string("08\t\x7f\\x", 6), "Sondrel 08___x 000000.qzr"},
    };
    for (const auto& c : cases) {
        CSondrelDoc doc;
        doc.files.writeDirectory = "/data/run/";
        doc.ping.dateText = c.date;
        const std::string name = automaticRecordName(doc);
        EXPECT_EQ(name, "/data/run/" + c.name) << c.date;
        EXPECT_EQ(fs::path(name).parent_path(), "/data/run") << c.date;
    }
}

// The once-a-second sync: never more often than the interval, and each time
// one is due, however the pings fall.
TEST(RecordSync, SyncsAtMostOncePerIntervalAndAsSoonAsOneIsDue) {
    const test::TempFolder folder;
    BinaryFile file;
    ASSERT_TRUE(file.create(folder.file("sync.qzr")));
    using std::chrono::milliseconds;
    PeriodicSync sync(milliseconds(1000));
    const auto start = PeriodicSync::Clock::time_point{} + std::chrono::hours(1);
    sync.restart(start);
    const struct {
        int atMs;
        std::int64_t syncs;
    } pings[] = {{0, 0},    {400, 0},  {999, 0},  {1000, 1}, {1001, 1},
                 {1999, 1}, {2000, 2}, {5300, 3}, {5400, 3}, {6300, 4}};
    for (const auto& p : pings) {
        EXPECT_TRUE(sync.syncIfDue(file, start + milliseconds(p.atMs)));
        EXPECT_EQ(sync.count(), p.syncs) << p.atMs << " ms";
    }
    // A file that is gone cannot be synchronised, and says so.
    file.close();
    EXPECT_FALSE(sync.syncIfDue(file, start + milliseconds(9000)));
}

TEST(RecordNames, CaptureNamesTruncateDistanceTowardZero) {
    CSondrelDoc doc;
    doc.files.writeDirectory = "/c/";
    doc.orientation.distanceM = 12.345;
    doc.files.captureCounter = 0;
    EXPECT_EQ(captureFileName(doc), "/c/D 12 34 C0.qzr");
    doc.orientation.distanceM = -1.25;
    doc.files.captureCounter = 3;
    EXPECT_EQ(captureFileName(doc), "/c/D -1 -25 C3.qzr");
    doc.orientation.distanceM = -0.5;
    doc.files.captureCounter = 12;
    EXPECT_EQ(captureFileName(doc), "/c/D 0 -50 C12.qzr");
    doc.orientation.distanceM = 0.0;
    doc.files.captureCounter = 0;
    EXPECT_EQ(captureFileName(doc), "/c/D 0 0 C0.qzr");
}

TEST(RecordNames, CaptureNamesKeepEveryCentimetreAndSaturateHugeDistances) {
    struct Case {
        double distance;
        const char* name;  // "D m cm" of the capture's name
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<Case> cases = {
        {1.20, "D 1 20"},
        {0.29, "D 0 29"},
        {-1.20, "D -1 -20"},
        {1234.57, "D 1234 57"},
        {2.999999, "D 2 99"},
        {2.9999999, "D 3 0"},
        {2.08e11, "D 2147483647"},
        {-4e31, "D -2147483648"},
        {1e308, "D 2147483647 0"},
        {nan, "D 0 0"},
        {inf, "D 0 0"},
        {-inf, "D 0 0"},
    };
    CSondrelDoc doc;
    doc.files.writeDirectory = "/c/";
    for (const Case& c : cases) {
        doc.orientation.distanceM = c.distance;
        EXPECT_EQ(captureFileName(doc).rfind(std::string("/c/") + c.name + " ", 0), 0u)
            << c.distance << " gave " << captureFileName(doc);
    }
    // Every two-decimal distance a counter reports keeps its centimetres.
    for (int cm = -100000; cm <= 100000; cm += 7) {
        doc.orientation.distanceM = cm / 100.0;
        const std::string expected =
            "D " + std::to_string(cm / 100) + " " + std::to_string(cm % 100) + " C0.qzr";
        ASSERT_EQ(captureFileName(doc), "/c/" + expected) << cm;
    }
}

TEST(Recording, AutomaticNameRecordsEveryValidPingAndTitlesFollow) {
    PlaybackRig rig;
    livePing(rig);  // a ping gives the date and time the name is made from
    rig.recorder.startStopRecording();
    ASSERT_EQ(rig.doc.flags.recordingActive, 1);
    const std::string path = rig.recorder.filePath();
    EXPECT_EQ(path, automaticRecordName(rig.doc));
    EXPECT_EQ(rig.doc.files.recordPath, path);
    ASSERT_FALSE(rig.windows.titles.empty());
    EXPECT_EQ(rig.windows.titles.back(), "Sondrel - Record to File [" + path + "] ");

    for (int i = 0; i < 5; ++i) livePing(rig);
    // An invalid block is not recorded.
    const ByteVector bad = makeBlock("XSZ");
    std::copy(bad.begin(), bad.end(), rig.doc.link.receiveBuffer.begin());
    rig.doc.link.noNewData = 0;
    rig.cycle.processPing();
    // Nor is a poll without data.
    rig.doc.link.noNewData = 1;
    rig.cycle.processPing();
    EXPECT_EQ(rig.doc.files.recordFileBytes, 5 * 1024);

    rig.recorder.startStopRecording();
    EXPECT_EQ(rig.doc.flags.recordingActive, 0);
    EXPECT_FALSE(rig.recorder.isRecording());
    EXPECT_EQ(rig.windows.titles.back(), "Sondrel - Real Time ");
    int valid = 0;
    EXPECT_EQ(countRecords(path, &valid), 5);
    EXPECT_EQ(valid, 5);
    EXPECT_TRUE(rig.op.messages.empty());
}

TEST(Recording, RecordWithoutAnAnsweringHeadSaysSoAndMakesNoFile) {
    PlaybackRig rig;
    livePing(rig);
    // The head has gone: its link dropped, or a watchdog period passed in silence.
    rig.doc.link.headAnswering = false;
    rig.recorder.startStopRecording();
    EXPECT_EQ(rig.doc.flags.recordingActive, 0);
    EXPECT_FALSE(rig.recorder.isRecording());
    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_NE(rig.op.messages[0].find("not answering"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(rig.folder.path()));
    // It answers again: Record records.
    livePing(rig);
    rig.recorder.startStopRecording();
    EXPECT_EQ(rig.doc.flags.recordingActive, 1);
}

TEST(Recording, AConnectEndsTheRecordingAndTheTitleStopsNamingTheFile) {
    PlaybackRig rig;
    livePing(rig);
    rig.recorder.startStopRecording();
    ASSERT_EQ(rig.doc.flags.recordingActive, 1);
    const std::string path = rig.recorder.filePath();
    for (int i = 0; i < 3; ++i) livePing(rig);

    rig.cycle.connectToHead();
    EXPECT_EQ(rig.doc.flags.recordingActive, 0);
    EXPECT_FALSE(rig.recorder.isRecording());
    ASSERT_FALSE(rig.windows.titles.empty());
    EXPECT_EQ(rig.windows.titles.back(), "Sondrel - Real Time ");
    EXPECT_EQ(countRecords(path), 3);
}

TEST(Recording, TwoStartsInTheSameSecondShareTheNameAndTheSecondTruncates) {
    PlaybackRig rig;
    livePing(rig);
    rig.recorder.startStopRecording();
    for (int i = 0; i < 3; ++i) livePing(rig);
    const std::string first = rig.recorder.filePath();
    rig.recorder.startStopRecording();
    rig.recorder.startStopRecording();
    EXPECT_EQ(rig.recorder.filePath(), first);
    livePing(rig);
    rig.recorder.startStopRecording();
    EXPECT_EQ(countRecords(first), 1);
}

TEST(Recording, SaveDialogChoosesNameAndFolder) {
    PlaybackRig rig;
    rig.doc.files.autoFileNames = 0;
    livePing(rig);
    const std::string proposed = automaticRecordName(rig.doc);
    fs::create_directory(rig.folder.file("chosen"));
    const std::string chosen = rig.folder.file("chosen/pipe 7.qzr");
    rig.op.saveAnswers.push_back(chosen);
    rig.recorder.startStopRecording();

    ASSERT_EQ(rig.op.saveRequests.size(), 1u);
    const FileDialogRequest& request = rig.op.saveRequests[0];
    EXPECT_EQ(request.title, "Save Sonar Data File:");
    EXPECT_EQ(request.filterDescription, "Sondrel Data File: (*.qzr)");
    EXPECT_EQ(request.pattern, "*.qzr");
    EXPECT_EQ(request.defaultExtension, "qzr");
    EXPECT_EQ(request.directory, rig.folder.path() + "/");
    EXPECT_EQ(request.proposedName, proposed);

    ASSERT_EQ(rig.doc.flags.recordingActive, 1);
    EXPECT_EQ(rig.recorder.filePath(), chosen);
    EXPECT_EQ(rig.doc.files.recordPath, "pipe 7.qzr");
    EXPECT_EQ(rig.doc.files.writeDirectory, rig.folder.file("chosen") + "/");
    EXPECT_EQ(rig.windows.titles.back(), "Sondrel - Record to File [pipe 7.qzr] ");
    livePing(rig);
    rig.recorder.startStopRecording();
    EXPECT_EQ(countRecords(chosen), 1);
}

TEST(Recording, CancelledDialogRecordsNothing) {
    PlaybackRig rig;
    rig.doc.files.autoFileNames = 0;
    rig.op.saveAnswers.push_back(std::nullopt);
    rig.recorder.startStopRecording();
    EXPECT_EQ(rig.doc.flags.recordingActive, 0);
    EXPECT_TRUE(rig.doc.files.recordPath.empty());
    EXPECT_TRUE(rig.windows.titles.empty());
    EXPECT_TRUE(fs::is_empty(rig.folder.path()));
}

TEST(Recording, ThePlayedFileCannotBeChosenForTheCopy) {
    PlaybackRig rig;
    const std::string played = makeDataFile(rig.folder.file("played.qzr"), 4);
    const std::string before = test::readBytes(played);
    ASSERT_TRUE(rig.open(played));
    rig.doc.files.autoFileNames = 0;
    // The same file under another spelling of its path.
    rig.op.saveAnswers.push_back(rig.folder.path() + "/./played.qzr");
    rig.recorder.startStopRecording();
    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_EQ(rig.op.messages[0],
              "Can't write in this file ...\nThis file is used as playback!   ");
    EXPECT_EQ(rig.doc.flags.recordingActive, 0);
    EXPECT_TRUE(rig.doc.files.recordPath.empty());
    EXPECT_EQ(test::readBytes(played), before);
    // Playback goes on from the untouched file.
    rig.timers.advanceMs(kPlaybackStartDelayMs);
    EXPECT_EQ(shownRecord(rig.doc), 0);
}

TEST(Recording, FailedCreateIsReportedAndNothingRecords) {
    PlaybackRig rig;
    rig.doc.files.writeDirectory = rig.folder.file("missing") + "/";
    livePing(rig);
    rig.recorder.startStopRecording();
    EXPECT_EQ(rig.doc.flags.recordingActive, 0);
    ASSERT_EQ(rig.op.messages.size(), 2u);
    EXPECT_NE(rig.op.messages[0].find("missing"), std::string::npos);
    EXPECT_EQ(rig.op.messages[1], "Error Opening File!");
    livePing(rig);  // acquisition is unaffected
    EXPECT_EQ(rig.op.messages.size(), 2u);
}

TEST(Recording, RecordDirectoryAndAutomaticNamesCommands) {
    PlaybackRig rig;
    rig.op.folderAnswers.push_back("/srv/pipes");
    rig.recorder.setRecordDirectory();
    ASSERT_EQ(rig.op.folderTitles.size(), 1u);
    EXPECT_EQ(rig.op.folderTitles[0], "Pick a Record Directory: ");
    EXPECT_EQ(rig.doc.files.writeDirectory, "/srv/pipes/");
    rig.op.folderAnswers.push_back(std::nullopt);
    rig.recorder.setRecordDirectory();
    EXPECT_EQ(rig.doc.files.writeDirectory, "/srv/pipes/");

    EXPECT_EQ(rig.doc.files.autoFileNames, 1);
    rig.recorder.toggleAutoFileNames();
    EXPECT_EQ(rig.doc.files.autoFileNames, 0);
    rig.recorder.toggleAutoFileNames();
    EXPECT_EQ(rig.doc.files.autoFileNames, 1);
}

TEST(Capture, WritesOneRecordAndReleasesTheHoldItSet) {
    PlaybackRig rig;
    rig.doc.head.sonarType = kTypeP;
    livePing(rig);
    rig.doc.orientation.distanceM = 12.345;
    rig.timers.killTimer(kPollTimer);
    rig.recorder.captureFrame();
    const std::string name = rig.folder.file("D 12 34 C0.qzr");
    EXPECT_EQ(countRecords(name), 1);
    EXPECT_EQ(rig.doc.files.captureCounter, 1);
    // Said where it went, without a box to answer.
    EXPECT_EQ(rig.op.notes, std::vector<std::string>{"Frame captured to " + name});
    // The hold of the write is gone again and the poll was left alone.
    EXPECT_EQ(rig.doc.flags.holdActive, 0);
    EXPECT_FALSE(rig.timers.isTimerActive(kPollTimer));

    // With hold already on, the capture ends it through the Hold command.
    rig.doc.flags.holdActive = true;
    rig.recorder.captureFrame();
    EXPECT_EQ(rig.doc.flags.holdActive, 0);
    EXPECT_EQ(rig.timers.periodMs(kPollTimer), kHoldReleasePollMs);
    EXPECT_TRUE(fs::exists(rig.folder.file("D 12 34 C1.qzr")));
    EXPECT_TRUE(rig.op.messages.empty());
}

TEST(Capture, AnEthernetRecordingGoesOnThroughACapture) {
    PlaybackRig rig;
    FakeEthernetLink link;
    rig.cycle.setEthernetLink(&link);
    rig.doc.head.sonarType = kTypeQ;
    rig.cycle.connectToHead();
    rig.cycle.onSocketConnected(0);
    const ByteVector block = makeBlock("QSZ", 20);
    rig.cycle.onSocketBytes(block.data(), block.size());
    rig.recorder.startStopRecording();
    rig.cycle.onSocketBytes(block.data(), block.size());
    const std::size_t attempts = link.attempts.size();
    // The next command goes out at once, before the operator can press a key.
    rig.timers.runPending();
    ASSERT_EQ(rig.doc.link.noNewData, 1);

    rig.recorder.captureFrame();
    EXPECT_TRUE(rig.op.messages.empty());
    EXPECT_EQ(rig.doc.files.captureCounter, 1);
    EXPECT_EQ(rig.doc.flags.holdActive, 0);
    EXPECT_EQ(rig.doc.flags.recordingActive, 1);
    EXPECT_EQ(link.attempts.size(), attempts);
    EXPECT_EQ(rig.doc.link.linkState, LinkState::Connected);
    rig.cycle.onSocketBytes(block.data(), block.size());
    EXPECT_EQ(rig.doc.files.recordFileBytes, 2 * 1024);
}

TEST(Capture, NothingButAMessageWithoutAPingOnScreen) {
    PlaybackRig rig;
    rig.doc.link.noNewData = 1;
    rig.recorder.captureFrame();
    // A ping, then a poll that brought nothing: the view says "No Data".
    livePing(rig);
    rig.doc.link.noNewData = 1;
    rig.cycle.processPing();
    rig.recorder.captureFrame();
    EXPECT_TRUE(fs::is_empty(rig.folder.path()));
    EXPECT_EQ(rig.doc.flags.holdActive, 0);
    EXPECT_EQ(rig.doc.files.captureCounter, 0);
    EXPECT_EQ(rig.op.messages.size(), 2u);
}

TEST(Capture, TheDefaultRecordFolderIsMadeAndAnUnwritableOneReported) {
    PlaybackRig rig;
    test::ScopedEnv home("HOME", rig.folder.path().c_str());
    test::ScopedEnv documents("XDG_DOCUMENTS_DIR", nullptr);
    test::ScopedEnv config("XDG_CONFIG_HOME", rig.folder.path().c_str());
    livePing(rig);
    setProgramFolders(rig.doc);
    rig.recorder.captureFrame();
    EXPECT_EQ(countRecords(rig.folder.file("Documents/Sondrel/D 0 0 C0.qzr")), 1);
    EXPECT_TRUE(rig.op.messages.empty());

    // A folder below a plain file can never be made, even by root.
    rig.doc.files.writeDirectory = rig.folder.write("plain", "") + "/Sondrel/";
    rig.recorder.captureFrame();
    rig.recorder.startStopRecording();
    EXPECT_EQ(rig.doc.flags.recordingActive, 0);
    EXPECT_EQ(rig.doc.files.captureCounter, 1);
    EXPECT_EQ(rig.op.messages.size(), 3u);  // the capture's, and the recording's two
    EXPECT_EQ(rig.op.notes.size(), 1u);     // only the capture that was written
}

TEST(Capture, SingleFramePlaybackLeavesHoldAlone) {
    PlaybackRig rig;
    ASSERT_TRUE(rig.open(makeDataFile(rig.folder.file("p.qzr"), 3, {}, true)));
    rig.player.stepForward();
    ASSERT_EQ(rig.doc.files.oneFrameMode, 1);
    rig.timers.clearHistory();
    rig.recorder.captureFrame();
    EXPECT_EQ(rig.doc.flags.holdActive, 0);
    EXPECT_TRUE(rig.timers.settings().empty());
    // The capture holds the record on screen, orientation included.
    BinaryFile f;
    CSondrelDoc check;
    ASSERT_TRUE(f.openRead(rig.folder.file("D 1 50 C0.qzr")));
    EXPECT_EQ(readRecord(check, f, 0).status, ReadStatus::Valid);
    EXPECT_EQ(shownRecord(check), 0);
    EXPECT_EQ(check.ping.recordSize, 1152);
}

TEST(Capture, CounterRestartsAtConnectAndTheNameIsReused) {
    PlaybackRig rig;
    livePing(rig);
    rig.recorder.captureFrame();
    rig.recorder.captureFrame();
    EXPECT_EQ(rig.doc.files.captureCounter, 2);
    rig.cycle.connectToHead();
    EXPECT_EQ(rig.doc.files.captureCounter, 0);
    livePing(rig);
    rig.recorder.captureFrame();
    EXPECT_EQ(rig.doc.files.captureCounter, 1);
    EXPECT_EQ(countRecords(rig.folder.file("D 0 0 C0.qzr")), 1);
}

TEST(Recording, FullDiskEndsTheRecordingOnceAndAcquisitionGoesOn) {
    PlaybackRig rig;
    FakeEthernetLink link;
    rig.cycle.setEthernetLink(&link);
    rig.doc.head.sonarType = kTypeQ;
    rig.doc.link.ipAddress = "127.0.0.1";
    rig.cycle.connectToHead();
    rig.cycle.onSocketConnected(0);
    ASSERT_EQ(rig.doc.link.linkState, LinkState::Connected);

    std::string path;
    {
        // Ten records and a part of the eleventh fit.
        FileSizeLimit limit(10 * 1024 + 300);
        ASSERT_TRUE(limit.ok());
        const ByteVector block = makeBlock("QSZ", 20);
        for (int ping = 0; ping < 25; ++ping) {
            rig.timers.runPending();  // timer 1030 sends the next command
            rig.cycle.onSocketBytes(block.data(), block.size());
            if (ping == 0) {
                rig.recorder.startStopRecording();
                ASSERT_EQ(rig.doc.flags.recordingActive, 1);
                path = rig.recorder.filePath();
            }
        }
    }
    EXPECT_EQ(link.sent.size(), 25u);
    EXPECT_EQ(rig.doc.pings.pingCount, 25);
    EXPECT_EQ(rig.doc.link.linkState, LinkState::Connected);
    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_NE(rig.op.messages[0].find("Error Writing File!"), std::string::npos);
    EXPECT_NE(rig.op.messages[0].find(path), std::string::npos);
    EXPECT_EQ(rig.doc.flags.recordingActive, 0);
    EXPECT_FALSE(rig.recorder.isRecording());
    EXPECT_EQ(rig.windows.titles.back(), "Sondrel - Real Time ");
    // Whole records only, every one readable.
    EXPECT_EQ(fs::file_size(path), 10u * 1024u);
    int valid = 0;
    EXPECT_EQ(countRecords(path, &valid), 10);
    EXPECT_EQ(valid, 10);
    EXPECT_EQ(rig.doc.files.recordFileBytes, 10 * 1024);
}

TEST(Recording, FullDiskDuringACopyLeavesPlaybackRunning) {
    PlaybackRig rig;
    const std::string played = makeDataFile(rig.folder.file("long.qzr"), 30);
    ASSERT_TRUE(rig.open(played));
    rig.doc.files.playbackIntervalMs = 10;
    rig.timers.advanceMs(50);  // the first record
    std::string copy;
    {
        FileSizeLimit limit(4 * 1024 + 100);
        ASSERT_TRUE(limit.ok());
        rig.recorder.startStopRecording();
        ASSERT_EQ(rig.doc.flags.recordingActive, 1);
        copy = rig.recorder.filePath();
        rig.timers.advanceMs(100);  // ten more records
    }
    EXPECT_EQ(rig.op.messages.size(), 1u);
    EXPECT_EQ(rig.doc.flags.recordingActive, 0);
    EXPECT_EQ(rig.windows.titles.back(), "Sondrel - Playback File [" + played + "] ");
    EXPECT_EQ(countRecords(copy), 4);
    EXPECT_EQ(shownRecord(rig.doc), 10);
    EXPECT_TRUE(rig.timers.isTimerActive(kPollTimer));
}

// A recording whose device goes away under it cannot be closed as it should:
// the operator hears of it rather than trusting the file.
TEST(Recording, AFailedCloseIsReported) {
    PlaybackRig rig;
    rig.doc.files.autoFileNames = 1;
    livePing(rig);
    rig.recorder.startStopRecording();
    ASSERT_TRUE(rig.recorder.isRecording());
    const std::string path = rig.recorder.filePath();
    livePing(rig);
    ASSERT_TRUE(test::closeDescriptorOf(path));
    rig.recorder.startStopRecording();
    EXPECT_FALSE(rig.recorder.isRecording());
    EXPECT_EQ(rig.doc.flags.recordingActive, 0);
    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_EQ(rig.op.messages[0], "Error Writing File!\n\n" + path +
                                      "\nBad file descriptor\n\nThe recording is closed, but the "
                                      "last records may not have reached the disk.");
}

// A capture is one record or nothing: a part of one goes, a device named
// as the capture stays, and either way the operator is told why.
TEST(Capture, AFailedWriteLeavesNoPartOfAFrame) {
    struct Case {
        bool device;
        const char* reason;
    };
    for (const Case c : {Case{false, "File too large"}, Case{true, "No space left on device"}}) {
        SCOPED_TRACE(c.reason);
        PlaybackRig rig;
        livePing(rig);
        const std::string name = captureFileName(rig.doc);
        if (c.device) fs::create_symlink("/dev/full", name);
        {
            FileSizeLimit limit(c.device ? RLIM_INFINITY : 300);
            ASSERT_TRUE(limit.ok());
            rig.recorder.captureFrame();
        }
        ASSERT_EQ(rig.op.messages.size(), 1u);
        EXPECT_EQ(rig.op.messages[0], "Error Writing File!\n\n" + name + "\n" + c.reason +
                                          "\n\nThe frame was not captured.");
        EXPECT_EQ(fs::is_symlink(name), c.device);
        if (!c.device) {
            EXPECT_FALSE(fs::exists(name));
        }
        EXPECT_EQ(rig.doc.files.captureCounter, 0);
        EXPECT_EQ(rig.doc.flags.holdActive, 0);
    }
}

}  // namespace
}  // namespace sondrel::testing

// sondrel-record against sondrel-headsim over loopback TCP: the whole live path
// from the command on the wire to the record in the data file, and how it
// copes with a head that splits, spoils, drops or withholds its blocks.

#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "acquisition/SondrelDoc.h"
#include "recording/BinaryFile.h"
#include "recording/RecordFormat.h"
#include "recording/SettingsFile.h"
#include "simulation/SimulatedHead.h"
#include "support/ChildProcess.h"
#include "support/FileSizeLimit.h"
#include "support/HeadSimProcess.h"

using namespace sondrel;
using sondrel::test::ChildProcess;
using sondrel::test::HeadSimProcess;
using std::chrono::milliseconds;
using std::chrono::seconds;

namespace {

// The simulator without its slow wander and noise, so that the blocks it
// sends can be rebuilt here from the commands it logged.
const std::vector<std::string> kStillHead = {"--wander", "0", "--noise", "0", "--quiet"};

std::vector<std::string> withArgs(std::vector<std::string> base, std::vector<std::string> more) {
    base.insert(base.end(), more.begin(), more.end());
    return base;
}

// A scratch folder with a settings file that names a head nobody may reach:
// every run must be pointed at the simulator on the command line.
class RecordRun : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/sondrel-record-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        settingsPath_ = dir_ + "/Sondrel.INI";
        std::ofstream(settingsPath_) << "[System Settings]\r\nSonar Type=1\r\n"
                                        "IP Address=192.168.0.5\r\n"
                                        "[Sonar Settings]\r\nRange=2.00\r\nRange Index=4\r\n";
        dataPath_ = dir_ + "/run.qzr";
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    ChildProcess recorder(const HeadSimProcess& sim, std::vector<std::string> more) {
        std::vector<std::string> args = {
            "--settings", settingsPath_, "--port", std::to_string(sim.port()), "-o", dataPath_};
        args.insert(args.end(), more.begin(), more.end());
        return ChildProcess(SONDREL_BIN_DIR "/sondrel-record", args);
    }

    // Every record of the data file, raw.
    std::vector<std::vector<std::uint8_t>> records() const {
        std::vector<std::vector<std::uint8_t>> out;
        std::ifstream in(dataPath_, std::ios::binary);
        std::vector<std::uint8_t> r(kRecordSize);
        while (in.read(reinterpret_cast<char*>(r.data()), static_cast<std::streamsize>(r.size()))) {
            out.push_back(r);
        }
        return out;
    }
    long long fileSize() const {
        struct stat st {};
        return ::stat(dataPath_.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
    }
    static int sequenceOf(const std::vector<std::uint8_t>& record) {
        return record[kRecordReturnHeaderOffset + 10] +
               128 * record[kRecordReturnHeaderOffset + 11];
    }
    static std::string lettersOf(const std::vector<std::uint8_t>& record) {
        return std::string(record.begin() + kRecordReturnHeaderOffset,
                           record.begin() + kRecordReturnHeaderOffset + 3);
    }

    std::string dir_, settingsPath_, dataPath_;
};

TEST_F(RecordRun, RecordsNPingsWhoseRecordsHoldTheBlocksTheHeadSent) {
    HeadSimProcess sim(kStillHead);
    ASSERT_TRUE(sim.start()) << sim.error();
    ChildProcess rec = recorder(sim, {"--count", "200"});
    ASSERT_TRUE(rec.start()) << rec.error();
    const int status = rec.wait(seconds(40));
    ASSERT_TRUE(ChildProcess::exitedCleanly(status)) << rec.output();
    EXPECT_NE(rec.output().find("recorded 200 pings"), std::string::npos) << rec.output();
    EXPECT_EQ(fileSize(), 200LL * static_cast<long long>(kRecordSize));

    // One well-formed command per ping, carrying the settings of the file as
    // the program's panels would have corrected them.
    const auto commands = sim.waitForCommands(200);
    ASSERT_EQ(commands.size(), 200u);
    EXPECT_TRUE(sim.malformedLines().empty());
    auto expected = std::make_unique<CSondrelDoc>();
    loadSettings(*expected, settingsPath_);
    expected->applyPanelRules();
    expected->prepareCommandForPoll();
    for (const auto& c : commands) {
        ASSERT_TRUE(std::equal(c.bytes.begin(), c.bytes.end(), expected->head.command.begin()))
            << "command " << c.sequence;
    }
    EXPECT_EQ(commands[0].bytes[cmd::kRange], 20);    // 2 m
    EXPECT_EQ(commands[0].bytes[cmd::kStepSize], 1);  // Ethernet head at 2 m

    // Rebuild every block the head sent and find it, byte for byte, in the records.
    SimulatedHead head(HeadConfig{}, PipeModel{.wander = 0.0});
    const auto recs = records();
    ASSERT_EQ(recs.size(), 200u);
    for (std::size_t i = 0; i < recs.size(); ++i) {
        CommandBuffer command;
        std::copy(commands[i].bytes.begin(), commands[i].bytes.end(), command.begin());
        const std::vector<std::uint8_t> block = head.buildBlock(command, 0.0);
        const auto& r = recs[i];
        ASSERT_EQ(sequenceOf(r), static_cast<int>((i + 1) % 16384)) << i;
        ASSERT_TRUE(
            std::equal(block.begin(), block.begin() + 12, r.begin() + kRecordReturnHeaderOffset))
            << "return header of record " << i;
        ASSERT_TRUE(std::equal(block.begin() + 12, block.begin() + 12 + kRecordSampleCount,
                               r.begin() + kRecordSamplesOffset))
            << "samples of record " << i;
    }

    // The data file plays back as live pings.
    auto doc = std::make_unique<CSondrelDoc>();
    doc->flags.playbackActive = true;
    BinaryFile file;
    ASSERT_TRUE(file.openRead(dataPath_));
    std::int64_t position = 0;
    int valid = 0;
    while (true) {
        const ReadOutcome outcome = readRecord(*doc, file, position);
        if (outcome.status != ReadStatus::Valid) break;
        ++valid;
        position = outcome.nextPosition;
    }
    EXPECT_EQ(valid, 200);
    EXPECT_DOUBLE_EQ(doc->headOnShow().rangeMetres, 2.0);

    // The operator's settings file was left as it was.
    std::ifstream settings(settingsPath_);
    const std::string text((std::istreambuf_iterator<char>(settings)), {});
    EXPECT_EQ(text.find("127.0.0.1"), std::string::npos);
    EXPECT_NE(text.find("192.168.0.5"), std::string::npos);
}

// Replies that reach the recorder in pieces, or behind stray bytes, cost no
// reply: the records are the replies 1..40 in order, one command each.
TEST_F(RecordRun, SplitRepliesAndStrayBytesCostNoReply) {
    const std::vector<std::vector<std::string>> cases = {
        {"--split", "3", "--split-delay-ms", "2"},
        {"--garbage-every", "2", "--garbage-length", "300", "--split", "3"},
    };
    for (const auto& faults : cases) {
        SCOPED_TRACE(faults.front());
        HeadSimProcess sim(withArgs(kStillHead, faults));
        ASSERT_TRUE(sim.start()) << sim.error();
        ChildProcess rec = recorder(sim, {"--count", "40", "--overwrite"});
        ASSERT_TRUE(rec.start()) << rec.error();
        ASSERT_TRUE(ChildProcess::exitedCleanly(rec.wait(seconds(40)))) << rec.output();
        const auto recs = records();
        ASSERT_EQ(recs.size(), 40u);
        for (std::size_t i = 0; i < recs.size(); ++i) {
            EXPECT_EQ(lettersOf(recs[i]), "QSZ");
            EXPECT_EQ(sequenceOf(recs[i]), int(i) + 1);
        }
        EXPECT_EQ(sim.commands().size(), 40u);
    }
}

TEST_F(RecordRun, InvalidBlocksAreNotRecordedAndTheCycleGoesOn) {
    HeadSimProcess sim(withArgs(kStillHead, {"--invalid-every", "5"}));
    ASSERT_TRUE(sim.start()) << sim.error();
    ChildProcess rec = recorder(sim, {"--count", "40"});
    ASSERT_TRUE(rec.start()) << rec.error();
    ASSERT_TRUE(ChildProcess::exitedCleanly(rec.wait(seconds(40)))) << rec.output();
    const auto recs = records();
    ASSERT_EQ(recs.size(), 40u);
    std::set<int> sequences;
    for (const auto& r : recs) {
        EXPECT_EQ(lettersOf(r), "QSZ");
        EXPECT_NE(sequenceOf(r) % 5, 0) << "reply " << sequenceOf(r) << " had wrong letters";
        sequences.insert(sequenceOf(r));
    }
    EXPECT_EQ(sequences.size(), 40u);
    // Forty valid replies take 49 commands when every fifth is spoilt.
    EXPECT_EQ(sim.commands().size(), 49u);
}

TEST_F(RecordRun, DroppedConnectionIsReestablishedAfterTheWatchdog) {
    HeadSimProcess sim(withArgs(kStillHead, {"--close-after", "15"}));
    ASSERT_TRUE(sim.start()) << sim.error();
    ChildProcess rec = recorder(sim, {"--count", "25"});
    ASSERT_TRUE(rec.start()) << rec.error();
    ASSERT_TRUE(ChildProcess::exitedCleanly(rec.wait(seconds(50)))) << rec.output();
    EXPECT_EQ(records().size(), 25u);

    const auto counters = sim.counters();
    ASSERT_TRUE(counters.has_value());
    EXPECT_EQ(counters->connections, 2u);
    // The link went down and came back once, after the watchdog's wait (a loose
    // bound: the rule is 5000 ms, scheduling may only add to it).
    const auto lines = rec.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "link connected"), 2) << rec.output();
    const auto commands = sim.commands();
    ASSERT_GE(commands.size(), 16u);
    double longestPause = 0.0;
    for (std::size_t i = 1; i < commands.size(); ++i) {
        longestPause =
            std::max(longestPause, commands[i].milliseconds - commands[i - 1].milliseconds);
    }
    EXPECT_GE(longestPause, 4500.0);
}

TEST_F(RecordRun, HeadThatStopsAnsweringIsReconnectedAndRecordingGoesOn) {
    // The twelfth reply is cut short and the head then waits for the next
    // command: no whole block comes before the watchdog, on a link still up.
    HeadSimProcess sim(withArgs(kStillHead, {"--short-every", "12"}));
    ASSERT_TRUE(sim.start()) << sim.error();
    ChildProcess rec = recorder(sim, {"--count", "15"});
    ASSERT_TRUE(rec.start()) << rec.error();
    ASSERT_TRUE(ChildProcess::exitedCleanly(rec.wait(seconds(50)))) << rec.output();
    const auto recs = records();
    ASSERT_EQ(recs.size(), 15u);
    for (const auto& r : recs) EXPECT_NE(sequenceOf(r), 12);  // the short reply is no record
    EXPECT_NE(rec.output().find("head silent: sending again"), std::string::npos) << rec.output();
}

TEST_F(RecordRun, SignalEndsTheRunWithACompleteFile) {
    HeadSimProcess sim(kStillHead);
    ASSERT_TRUE(sim.start()) << sim.error();
    ChildProcess rec = recorder(sim, {});
    ASSERT_TRUE(rec.start()) << rec.error();
    ASSERT_TRUE(rec.waitForLine([](const std::string& l) {
        return l.rfind("rate ", 0) == 0 && l.find(" recorded 0") == std::string::npos;
    })) << rec.output();
    rec.signal(SIGTERM);
    ASSERT_TRUE(ChildProcess::exitedCleanly(rec.wait(seconds(20)))) << rec.output();
    const long long size = fileSize();
    ASSERT_GT(size, 0);
    EXPECT_EQ(size % static_cast<long long>(kRecordSize), 0);
    const auto recs = records();
    for (std::size_t i = 0; i < recs.size(); ++i) {
        ASSERT_EQ(recs[i][kRecordTrailerOffset], kRecordTrailerByte) << i;
    }
    EXPECT_NE(rec.output().find("recorded " + std::to_string(recs.size()) + " pings"),
              std::string::npos);
}

// A run killed outright, at moments that fall anywhere in the cycle, leaves a
// file of whole records that plays back: each record reaches the system in one
// write, so there is no torn tail to cut off on the next open.
TEST_F(RecordRun, KilledRunLeavesWholeRecordsThatPlayBack) {
    HeadSimProcess sim(kStillHead);
    ASSERT_TRUE(sim.start()) << sim.error();
    for (const int afterMs : {150, 420, 777, 1234, 1601}) {
        SCOPED_TRACE("killed after " + std::to_string(afterMs) + " ms");
        ChildProcess rec = recorder(sim, {"--overwrite"});
        ASSERT_TRUE(rec.start()) << rec.error();
        ASSERT_TRUE(rec.waitForLine([](const std::string& l) { return l == "link connected"; }))
            << rec.output();
        std::this_thread::sleep_for(milliseconds(afterMs));
        rec.signal(SIGKILL);
        const int status = rec.wait(seconds(10));
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << rec.output();

        const long long size = fileSize();
        ASSERT_GT(size, 0);
        EXPECT_EQ(size % static_cast<long long>(kRecordSize), 0);
        auto doc = std::make_unique<CSondrelDoc>();
        BinaryFile file;
        ASSERT_TRUE(file.openRead(dataPath_));
        std::int64_t position = 0;
        long long valid = 0;
        ReadOutcome outcome;
        while ((outcome = readRecord(*doc, file, position)).status == ReadStatus::Valid) {
            ++valid;
            position = outcome.nextPosition;
        }
        EXPECT_EQ(valid * static_cast<long long>(kRecordSize), size);
        EXPECT_EQ(position, size);
    }
}

TEST_F(RecordRun, AbsentHeadIsRetriedUntilTheTimeIsUp) {
    // A port nobody listens on: the simulator is started and stopped again.
    int port = 0;
    {
        HeadSimProcess gone({"--quiet"});
        ASSERT_TRUE(gone.start()) << gone.error();
        port = gone.port();
    }
    ChildProcess rec(SONDREL_BIN_DIR "/sondrel-record",
                     {"--settings", settingsPath_, "--port", std::to_string(port), "-o", dataPath_,
                      "--seconds", "11"});
    ASSERT_TRUE(rec.start()) << rec.error();
    const int status = rec.wait(seconds(40));
    ASSERT_TRUE(WIFEXITED(status)) << rec.output();
    EXPECT_EQ(WEXITSTATUS(status), 3) << rec.output();
    const auto lines = rec.lines();
    // One attempt at once and one after each 5-second watchdog.
    EXPECT_GE(std::count(lines.begin(), lines.end(), "link connecting"), 3) << rec.output();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "link connected"), 0);
    EXPECT_NE(rec.output().find("recorded 0 pings"), std::string::npos);
    EXPECT_NE(rec.output().find("no ping was recorded"), std::string::npos);
    // Scripts see the failure, and no empty file is left behind.
    EXPECT_EQ(fileSize(), -1);
}

TEST_F(RecordRun, NothingRecordedEndsWithItsOwnStatusAndKeepsAFileThatWasThere) {
    int port = 0;
    {
        HeadSimProcess gone({"--quiet"});
        ASSERT_TRUE(gone.start()) << gone.error();
        port = gone.port();
    }
    for (const bool existed : {false, true}) {
        SCOPED_TRACE(existed ? "replacing a file" : "a new file");
        if (existed) std::ofstream(dataPath_) << "old";
        ChildProcess rec(SONDREL_BIN_DIR "/sondrel-record",
                         {"--settings", settingsPath_, "--port", std::to_string(port), "-o",
                          dataPath_, "--seconds", "1", "--overwrite"});
        ASSERT_TRUE(rec.start()) << rec.error();
        const int status = rec.wait(seconds(20));
        ASSERT_TRUE(WIFEXITED(status)) << rec.output();
        EXPECT_EQ(WEXITSTATUS(status), 3) << rec.output();
        EXPECT_EQ(fileSize(), existed ? 0 : -1);
    }
}

// A full disk part-way through a run (a file-size limit), or /dev/full behind
// the name: the run fails with the file and the system's reason, and the file
// holds whole records.
TEST_F(RecordRun, AWriteThatFailsEndsTheRunWithItsReasonAndWholeRecords) {
    HeadSimProcess sim(kStillHead);
    ASSERT_TRUE(sim.start()) << sim.error();
    struct Case {
        bool device;
        rlim_t limit;
        const char* reason;
    };
    for (const Case c : {Case{false, 5 * kRecordSize + 300, "File too large"},
                         Case{true, RLIM_INFINITY, "No space left on device"}}) {
        SCOPED_TRACE(c.reason);
        std::filesystem::remove(dataPath_);
        if (c.device) std::filesystem::create_symlink("/dev/full", dataPath_);
        ChildProcess rec = recorder(sim, {"--count", "50", "--overwrite", "--quiet"});
        {
            sondrel::testing::FileSizeLimit limit(c.limit);
            ASSERT_TRUE(limit.ok());
            ASSERT_TRUE(rec.start()) << rec.error();
        }
        const int status = rec.wait(seconds(30));
        ASSERT_TRUE(WIFEXITED(status)) << rec.output();
        EXPECT_EQ(WEXITSTATUS(status), 1) << rec.output();
        EXPECT_NE(rec.output().find("writing " + dataPath_ + " failed: " + c.reason),
                  std::string::npos)
            << rec.output();
        // Nothing of a record reached /dev/full: there was nothing to cut.
        EXPECT_EQ(rec.output().find("incomplete"), std::string::npos) << rec.output();
        if (!c.device) {
            EXPECT_EQ(fileSize(), 5 * static_cast<long long>(kRecordSize));
            EXPECT_NE(rec.output().find("recorded 5 pings"), std::string::npos) << rec.output();
        }
    }
}

TEST_F(RecordRun, NumbersOnTheCommandLineAreChecked) {
    const std::vector<std::vector<std::string>> mistakes = {
        {"--count", "abc"},   {"--count", "0"},     {"--count", "5x"},
        {"--seconds", "abc"}, {"--seconds", "nan"}, {"--seconds", "1e10"},
        {"--port", "abc"},    {"--port", "70000"},  {"--port", "-1"},
    };
    for (const auto& mistake : mistakes) {
        std::vector<std::string> args = {"-o", dataPath_};
        args.insert(args.end(), mistake.begin(), mistake.end());
        ChildProcess rec(SONDREL_BIN_DIR "/sondrel-record", args);
        ASSERT_TRUE(rec.start()) << rec.error();
        const int status = rec.wait(seconds(10));
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 2) << mistake[0] << " " << mistake[1];
        EXPECT_NE(rec.output().find("sondrel-record: " + mistake[0]), std::string::npos)
            << rec.output();
        EXPECT_EQ(fileSize(), -1);
    }
}

TEST_F(RecordRun, ExistingDataFileIsNotOverwritten) {
    std::ofstream(dataPath_) << "keep me";
    HeadSimProcess sim(kStillHead);
    ASSERT_TRUE(sim.start()) << sim.error();
    ChildProcess rec = recorder(sim, {"--count", "5"});
    ASSERT_TRUE(rec.start()) << rec.error();
    const int status = rec.wait(seconds(20));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 0);
    EXPECT_EQ(fileSize(), 7);
    EXPECT_TRUE(sim.commands().empty());
}

}  // namespace

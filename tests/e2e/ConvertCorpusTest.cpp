// sondrel-convert run as a program: the golden file, the command line, and a
// corpus of truncated and corrupted data files made from a valid one. Every run
// must end on its own with a defined exit status (never a signal), and what it
// writes for a damaged file must be what the undamaged part of it gives.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "recording/RecordFormat.h"
#include "support/FileSizeLimit.h"
#include "support/ReceivedBlock.h"
#include "support/TempFolder.h"

extern char** environ;

namespace sondrel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const std::string kTool = SONDREL_BIN_DIR "/sondrel-convert";
const std::string kSettings = SONDREL_TEST_DATA "/golden.ini";

struct RunResult {
    bool exited = false;  // false: killed by a signal (or by our hang guard)
    int status = -1;      // exit status when it exited
    int signal = 0;
    std::string output;  // stdout and stderr together
};

class Workspace {
  public:
    Workspace() {
        dir_ = fs::path(::testing::TempDir()) / ("convert_e2e_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    ~Workspace() {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

  private:
    fs::path dir_;
};

// Runs the tool to its end. A run that has not ended after a generous bound
// is killed and reported as hung: the converter must never loop forever.
RunResult runTool(const std::vector<std::string>& args, const std::string& logPath) {
    std::vector<std::string> all{kTool};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, kTool.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    RunResult result;
    if (rc != 0) {
        result.output = "spawn failed";
        return result;
    }
    int status = 0;
    bool hung = true;
    for (int waited = 0; waited < 3000; ++waited) {  // up to about 30 s
        if (waitpid(pid, &status, WNOHANG) == pid) {
            hung = false;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (hung) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        result.output = "hung";
        return result;
    }
    result.output = test::readBytes(logPath);
    if (WIFEXITED(status)) {
        result.exited = true;
        result.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

// A valid file of mixed records: with and without orientation, every format
// code, profiles of a slightly oval pipe with drop-outs.
Bytes validFile(int records) {
    auto doc = std::make_unique<CSondrelDoc>();
    doc->ping.dateText = "08-DEC-2026";
    doc->ping.hundredthsText = ".25";
    Bytes file;
    for (int r = 0; r < records; ++r) {
        char time[16];
        std::snprintf(time, sizeof time, "14:%02d:%02d", r / 60 % 60, r % 60);
        doc->ping.timeText = time;
        doc->link.prdEnable = r % 3 != 0;
        doc->orientation.rollDeg = r * 0.5;
        doc->orientation.rollValid = 1;
        doc->orientation.distanceM = r * 0.1;
        doc->orientation.distanceValid = 1;
        const std::uint8_t format = static_cast<std::uint8_t>(r % 4);
        const std::uint8_t header[12] = {'Q', 'S', 'Z', 0x10, format, 0, 0x40, 20, 0, 0, 0, 0};
        std::copy(std::begin(header), std::end(header), doc->ping.returnHeader.begin());
        for (int i = 0; i < 400; ++i) {
            const double a = i * 0.9 * 3.14159265 / 180;
            int v = static_cast<int>(200 + 30 * std::cos(2 * a) + (i * 7 % 5));
            if (i % 37 == 0) v = 0;
            doc->ping.echoLong[static_cast<std::size_t>(2 * i)] =
                static_cast<std::uint8_t>(v & 0x7F);
            doc->ping.echoLong[static_cast<std::size_t>(2 * i + 1)] =
                static_cast<std::uint8_t>(v >> 7);
        }
        RecordBuffer b;
        const std::size_t n = encodeRecord(test::stampedPing(*doc), b);
        file.insert(file.end(), b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
    }
    return file;
}

class ConvertTool : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(fs::exists(kTool)) << kTool; }
    RunResult convert(const std::string& input, const std::string& output) {
        return runTool({"-q", "--settings", kSettings, "-o", output, input}, ws.path("log.txt"));
    }
    Workspace ws;
};

TEST_F(ConvertTool, GoldenFileGivesTheGoldenPointList) {
    const std::string input = ws.path("golden.qzr");
    fs::copy_file(SONDREL_TEST_DATA "/golden.qzr", input);
    // Default output name: beside the input, "qzr" replaced by "xyz".
    const RunResult r = runTool({"--settings", kSettings, input}, ws.path("log.txt"));
    ASSERT_TRUE(r.exited) << r.output;
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(test::readBytes(ws.path("golden.xyz")),
              test::readBytes(SONDREL_TEST_DATA "/golden.xyz"));
    EXPECT_NE(r.output.find("4 records read, 1 records skipped, 15 points written"),
              std::string::npos)
        << r.output;
}

TEST_F(ConvertTool, CommandLineMistakesAndBadFilesGiveClearMessages) {
    RunResult r = runTool({}, ws.path("log.txt"));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("Usage:"), std::string::npos);

    r = runTool({"--bogus", "x.qzr"}, ws.path("log.txt"));
    EXPECT_EQ(r.status, 2);
    r = runTool({"-o", "out.xyz", "a.qzr", "b.qzr"}, ws.path("log.txt"));
    EXPECT_EQ(r.status, 2);

    r = convert(ws.path("missing.qzr"), ws.path("out.xyz"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("missing.qzr: cannot open"), std::string::npos) << r.output;

    test::writeBytes(ws.path("empty.qzr"), {});
    r = convert(ws.path("empty.qzr"), ws.path("out.xyz"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("no data"), std::string::npos) << r.output;

    test::writeBytes(ws.path("notdata.bin"), validFile(2));
    r = convert(ws.path("notdata.bin"), ws.path("out.xyz"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("not a sonar data file"), std::string::npos) << r.output;

    test::writeBytes(ws.path("good.qzr"), validFile(2));
    r = convert(ws.path("good.qzr"), ws.path("no/such/folder/out.xyz"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("cannot create"), std::string::npos) << r.output;

    r = runTool({"-q", "--settings", ws.path("nosettings.ini"), ws.path("good.qzr")},
                ws.path("log.txt"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("nosettings.ini"), std::string::npos) << r.output;

    // Several inputs: each beside itself; a failing one does not stop the rest.
    test::writeBytes(ws.path("other.qzr"), validFile(3));
    r = runTool({"-q", "--settings", kSettings, ws.path("good.qzr"), ws.path("missing.qzr"),
                 ws.path("other.qzr")},
                ws.path("log.txt"));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(fs::exists(ws.path("good.xyz")));
    EXPECT_TRUE(fs::exists(ws.path("other.xyz")));
}

// A full disk (a file-size limit, or /dev/full behind a name the tool accepts)
// fails the run with the file and the system's reason, and no part of a point
// list or a table is left behind.
TEST_F(ConvertTool, AnOutputThatCannotBeWrittenFailsTheRunAndLeavesNoPart) {
    const std::string input = ws.path("survey.qzr");
    test::writeBytes(input, validFile(100));
    fs::create_symlink("/dev/full", ws.path("full.xyz"));
    fs::create_symlink("/dev/full", ws.path("full.csv"));
    struct Case {
        const char* option;  // -o or --geometry
        const char* output;
        rlim_t limit;
        const char* reason;
        bool partRemoved;
    };
    for (const Case& c :
         {Case{"-o", "out.xyz", 300 * 1024, "File too large", true},
          Case{"-o", "full.xyz", RLIM_INFINITY, "No space left on device", false},
          Case{"--geometry", "out.csv", 8 * 1024, "File too large", true},
          Case{"--geometry", "full.csv", RLIM_INFINITY, "No space left on device", false}}) {
        SCOPED_TRACE(c.output);
        const std::string output = ws.path(c.output);
        RunResult r;
        {
            testing::FileSizeLimit limit(c.limit);
            ASSERT_TRUE(limit.ok());
            r = runTool({"-q", "--settings", kSettings, c.option, output, input},
                        ws.path("log.txt"));
        }
        ASSERT_TRUE(r.exited) << r.output;
        EXPECT_EQ(r.status, 1) << r.output;
        EXPECT_NE(r.output.find(output + ": write failed: " + c.reason), std::string::npos)
            << r.output;
        EXPECT_EQ(r.output.find("the incomplete file was removed") != std::string::npos,
                  c.partRemoved)
            << r.output;
        if (c.partRemoved) {
            EXPECT_FALSE(fs::exists(output));
        } else {
            EXPECT_TRUE(fs::is_symlink(output));
        }
    }
}

TEST_F(ConvertTool, APipeOrADeviceIsRefusedByNameAndTheNextFileConverted) {
    const std::string pipe = ws.path("pipe.qzr");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string device = ws.path("device.qzr");
    fs::create_symlink("/dev/zero", device);
    test::writeBytes(ws.path("good.qzr"), validFile(2));
    // Nobody ever writes to the pipe: a converter that waits for a writer hangs.
    const RunResult r = runTool({"-q", "--settings", kSettings, pipe, device, ws.path("good.qzr")},
                                ws.path("log.txt"));
    ASSERT_TRUE(r.exited) << r.output;
    EXPECT_EQ(r.status, 1) << r.output;
    for (const std::string& refused : {pipe, device}) {
        EXPECT_NE(r.output.find(refused + ": cannot open: not a regular file"), std::string::npos)
            << r.output;
    }
    EXPECT_TRUE(fs::exists(ws.path("good.xyz")));
    EXPECT_FALSE(fs::exists(ws.path("pipe.xyz")));
}

TEST_F(ConvertTool, HostileTextsAndValuesInRecordsGiveFiveFieldsOfNumbers) {
    // A valid file whose records hold, in turn: a time field "1" LF, a tab in
    // the date, a NaN distance, an infinite roll (roll correction is on) and a
    // NaN pitch, each with all three valid flags set.
    Bytes file = validFile(6);
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at + kRecordHeaderSize <= file.size();) {
        starts.push_back(at);
        at += static_cast<std::size_t>(
            recordSizeFor(std::span<const std::uint8_t, kRecordHeaderSize>(&file[at], 100)));
    }
    ASSERT_EQ(starts.size(), 6u);
    const auto putFloat = [&](std::size_t record, std::size_t offset, float value) {
        ASSERT_EQ(file[record + rec::kFlags] & 1, 1);
        file[record + kRecordSize + rec::kOrientationFlags] = 7;
        const auto bits = std::bit_cast<std::uint32_t>(value);
        for (int i = 0; i < 4; ++i)
            file[record + kRecordSize + offset + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(bits >> (8 * i));
    };
    file[starts[0] + rec::kTime] = '1';
    file[starts[0] + rec::kTime + 1] = '\n';
    file[starts[0] + rec::kTime + 2] = 0;
    file[starts[1] + rec::kDate + 2] = '\t';
    putFloat(starts[1], rec::kDistance, std::numeric_limits<float>::quiet_NaN());
    putFloat(starts[2], rec::kRoll, std::numeric_limits<float>::infinity());
    putFloat(starts[4], rec::kPitch, -std::numeric_limits<float>::quiet_NaN());
    test::writeBytes(ws.path("hostile.qzr"), file);

    const RunResult r = convert(ws.path("hostile.qzr"), ws.path("hostile.xyz"));
    ASSERT_EQ(r.status, 0) << r.output;
    std::istringstream lines(test::readBytes(ws.path("hostile.xyz")));
    int points = 0;
    for (std::string line; std::getline(lines, line);) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r') << "a line broken in two";
        line.pop_back();
        if (line.empty()) continue;  // the end of a record
        ++points;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 4) << line;
        EXPECT_EQ(line.find("nan"), std::string::npos) << line;
        EXPECT_EQ(line.find("inf"), std::string::npos) << line;
    }
    EXPECT_GT(points, 1000);
}

TEST_F(ConvertTool, SurvivesACorpusOfDamagedFiles) {
    const Bytes valid = validFile(12);
    const std::string input = ws.path("in.qzr");
    const std::string output = ws.path("out.xyz");
    test::writeBytes(input, valid);
    RunResult r = convert(input, output);
    ASSERT_TRUE(r.exited && r.status == 0) << r.output;
    const std::string full = test::readBytes(output);
    ASSERT_GT(full.size(), 10000u);

    struct Case {
        std::string name;
        Bytes bytes;
        bool prefixOfFull;  // its output must be the start of the valid file's output
    };
    std::vector<Case> corpus;

    // Truncations at many offsets, record boundaries and their neighbours included.
    std::vector<std::size_t> cuts = {0,   1,   3,    99,   100,  101,  111,  112,  113,
                                     911, 912, 1023, 1024, 1025, 1127, 1128, 1151, 1152};
    for (std::size_t cut = 5; cut < valid.size(); cut += 397) cuts.push_back(cut);
    for (std::size_t cut : cuts) {
        if (cut > valid.size()) continue;
        corpus.push_back(
            {"cut at " + std::to_string(cut), Bytes(valid.begin(), valid.begin() + cut), true});
    }
    // Stray bytes after the last record.
    for (std::size_t extra : {1u, 2u, 3u, 4u, 99u, 100u, 1000u}) {
        Bytes b = valid;
        b.insert(b.end(), extra, 0xA5);
        corpus.push_back({"stray " + std::to_string(extra), b, true});
    }
    // Data size codes 0..9 (and a wild one) in the fifth record.
    std::size_t fifth = 0;
    for (int i = 0, at = 0; i < 4; ++i) {
        at += (valid[static_cast<std::size_t>(at) + 34] & 1) ? 1152 : 1024;
        fifth = static_cast<std::size_t>(at);
    }
    for (int code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 255}) {
        Bytes b = valid;
        b[fifth + 3] = static_cast<std::uint8_t>(code);
        // Codes 4 and 8 still size the record; the others stop before it.
        corpus.push_back({"size code " + std::to_string(code), b, code != 8});
    }
    // Zero record length and a return block length of zero in every record.
    {
        Bytes b = valid;
        for (std::size_t at = 0; at + 8 <= b.size(); at += (b[at + 34] & 1) ? 1152 : 1024) {
            b[at + 4] = b[at + 5] = 0;
            b[at + 6] = b[at + 7] = 0;
        }
        corpus.push_back({"zero lengths", b, true});
    }
    // Invalid return headers everywhere.
    {
        Bytes b = valid;
        for (std::size_t at = 0; at + 112 <= b.size(); at += (b[at + 34] & 1) ? 1152 : 1024) {
            b[at + 101] = '#';
        }
        corpus.push_back({"invalid return headers", b, false});
    }
    // Random bytes and random damage to the valid file, with fixed seeds.
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> byte(0, 255);
        Bytes noise(static_cast<std::size_t>(100 + rng() % 9000));
        for (auto& x : noise) x = static_cast<std::uint8_t>(byte(rng));
        if (seed % 2 == 0) {
            // Make the first header sizable so the damage reaches deeper code.
            noise[3] = seed % 4 == 0 ? 4 : 8;
        }
        corpus.push_back({"noise seed " + std::to_string(seed), noise, false});

        Bytes damaged = valid;
        std::uniform_int_distribution<std::size_t> where(0, valid.size() - 1);
        for (int flips = 0; flips < 1 + static_cast<int>(seed % 20); ++flips) {
            damaged[where(rng)] = static_cast<std::uint8_t>(byte(rng));
        }
        corpus.push_back({"damage seed " + std::to_string(seed), damaged, false});
    }

    for (const Case& c : corpus) {
        SCOPED_TRACE(c.name);
        test::writeBytes(input, c.bytes);
        std::remove(output.c_str());
        r = convert(input, output);
        ASSERT_TRUE(r.exited) << "ended by signal " << r.signal << ": " << r.output;
        EXPECT_TRUE(r.status == 0 || r.status == 1 || r.status == 3) << r.status << " " << r.output;
        EXPECT_EQ(r.output.find("Usage:"), std::string::npos) << r.output;
        // A sanitizer build reports a fault with an ordinary exit status.
        EXPECT_EQ(r.output.find("Sanitizer"), std::string::npos) << r.output;
        EXPECT_EQ(r.output.find("runtime error"), std::string::npos) << r.output;
        if (c.prefixOfFull) {
            const std::string text = test::readBytes(output);
            EXPECT_EQ(full.compare(0, text.size(), text), 0) << "output is not a prefix";
        }
    }
}

}  // namespace
}  // namespace sondrel

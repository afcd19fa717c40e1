// sondrel-record against sondrel-headsim on pseudo-terminals: a serial head
// reached through a COM number the settings file points at the simulator, and
// an orientation instrument on a second port. What the simulator logged and
// what the data file holds are checked afterwards.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "recording/RecordFormat.h"
#include "support/HeadSimProcess.h"
#include "support/TempFolder.h"

extern char** environ;

namespace sondrel {
namespace {

using test::HeadSimProcess;

constexpr int kHeadComPort = 7;
constexpr int kInstrumentComPort = 8;

struct RunResult {
    int exitCode = -1;
    std::string output;
};

// Runs a program to its end (killed after timeoutS), its output in a file.
RunResult runProgram(const std::vector<std::string>& args, const std::string& outputPath,
                     int timeoutS) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<char*> argv;
    std::vector<std::string> store = args;
    for (auto& a : store) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    RunResult result;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) return result;
    posix_spawn_file_actions_destroy(&actions);

    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutS);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(outputPath);
    result.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return result;
}

std::string recorderBinary() {
    return std::string(SONDREL_BIN_DIR) + "/sondrel-record";
}

struct Settings {
    double rangeMetres = 0.75;
    int rangeIndex = 2;
    bool orientation = false;
    int sentenceType = 0;
    std::string instrumentPath = {};  // the simulator's instrument when empty
};

// A settings file whose COM numbers lead to the simulator's pseudo-terminals.
std::string writeSettings(const HeadSimProcess& sim, const Settings& s) {
    const std::string path = sim.tempDir() + "/Sondrel.INI";
    std::ofstream out(path, std::ios::binary);
    out << "[System Settings]\r\n"
        << "Sonar Type=0\r\n"
        << "SonarComPort=" << kHeadComPort << "\r\n"
        << "EnablePRDInput=" << (s.orientation ? 1 : 0) << "\r\n"
        << "PRDComPort=" << kInstrumentComPort << "\r\n"
        << "PRDComPortBaud=" << (s.sentenceType == 3 ? 9600 : 38400) << "\r\n"
        << "SentenceType=" << s.sentenceType << "\r\n"
        << "[Sonar Settings]\r\n"
        << "Range=" << s.rangeMetres << "\r\n"
        << "Range Index=" << s.rangeIndex << "\r\n"
        << "[COM Ports]\r\n"
        << "COM" << kHeadComPort << "=" << sim.ptyPath() << "\r\n";
    if (s.orientation) {
        out << "COM" << kInstrumentComPort << "="
            << (s.instrumentPath.empty() ? sim.orientationPtyPath() : s.instrumentPath) << "\r\n";
    }
    return path;
}

// Every record of a data file played in turn into one document, with a check
// run on the document after each.
template <class Check>
int forEachRecord(const std::vector<std::uint8_t>& file, Check check) {
    CSondrelDoc doc;
    doc.flags.playbackActive = true;
    std::size_t at = 0;
    int records = 0;
    while (file.size() - at >= kRecordHeaderSize) {
        std::span<const std::uint8_t, kRecordHeaderSize> header(file.data() + at,
                                                                kRecordHeaderSize);
        const auto size = static_cast<std::size_t>(recordSizeFor(header));
        if (size == 0 || file.size() - at < size) break;
        EXPECT_EQ(decodeRecord(doc, {file.data() + at, size}), ReadStatus::Valid);
        check(doc, std::span<const std::uint8_t>(file.data() + at, size));
        at += size;
        ++records;
    }
    EXPECT_EQ(at, file.size()) << "the data file ends in a partial record";
    return records;
}

double medianInterval(const std::vector<test::LoggedCommand>& commands) {
    std::vector<double> gaps;
    for (std::size_t i = 1; i < commands.size(); ++i)
        gaps.push_back(commands[i].milliseconds - commands[i - 1].milliseconds);
    if (gaps.empty()) return 0.0;
    std::sort(gaps.begin(), gaps.end());
    return gaps[gaps.size() / 2];
}

// ------------------------------------------------------------------ polling

struct PacingCase {
    double rangeMetres;
    int rangeIndex;
    std::uint8_t rangeCode;
    double intervalMs;  // the pause the range calls for
    int seconds;
};

class SerialPacing : public ::testing::TestWithParam<PacingCase> {};

TEST_P(SerialPacing, SerialHeadIsPolledAtTheRangePacedInterval) {
    const PacingCase c = GetParam();
    HeadSimProcess sim({"--pty", "--no-tcp"});
    ASSERT_TRUE(sim.start()) << sim.error();
    const std::string settings =
        writeSettings(sim, {.rangeMetres = c.rangeMetres, .rangeIndex = c.rangeIndex});
    const std::string data = sim.tempDir() + "/run.qzr";

    const RunResult run = runProgram({recorderBinary(), "--settings", settings, "--seconds",
                                      std::to_string(c.seconds), "-o", data},
                                     sim.tempDir() + "/record.out", c.seconds + 30);
    ASSERT_EQ(run.exitCode, 0) << run.output;

    const auto commands = sim.commands();
    // The first poll comes a second after connecting, then one per interval;
    // a loaded machine may stretch a few of them, so only the typical one counts.
    const double expectedPolls = (c.seconds * 1000.0 - 1000.0) / c.intervalMs + 1.0;
    EXPECT_GE(commands.size(), static_cast<std::size_t>(expectedPolls * 0.6)) << run.output;
    EXPECT_LE(commands.size(), static_cast<std::size_t>(expectedPolls * 1.2 + 1.0)) << run.output;
    const double median = medianInterval(commands);
    EXPECT_GT(median, c.intervalMs * 0.85);
    EXPECT_LT(median, c.intervalMs * 1.6);
    for (const auto& command : commands) {
        EXPECT_EQ(command.bytes[0], 0xFE);
        EXPECT_EQ(command.bytes[3], c.rangeCode);
        EXPECT_EQ(command.bytes[26], 0xFD);
    }

    // Every poll after the first brings the reply to the one before, and each
    // is recorded whole.
    const int records =
        forEachRecord(test::readByteVector(data), [&](const CSondrelDoc& doc, auto record) {
            EXPECT_EQ(record.size(), kRecordSize);
            EXPECT_DOUBLE_EQ(doc.headOnShow().rangeMetres, c.rangeMetres);
        });
    EXPECT_GE(records + 1, static_cast<int>(commands.size()) - 1);
    EXPECT_LE(records, static_cast<int>(commands.size()));
}

std::string rangeName(const ::testing::TestParamInfo<PacingCase>& info) {
    return "RangeCode" + std::to_string(info.param.rangeCode);
}

INSTANTIATE_TEST_SUITE_P(Ranges, SerialPacing,
                         ::testing::Values(PacingCase{0.75, 2, 8, 800.0, 6},
                                           PacingCase{3.0, 5, 30, 1900.0, 9}),
                         rangeName);

// ------------------------------------------------------------------ devices that go away

TEST(SerialDeviceLoss, HeadAndInstrumentVanishingMidRunLoseNothingRecorded) {
    HeadSimProcess sim({"--pty", "--no-tcp", "--orientation-pty", "--sentence", "1",
                        "--crawler-speed", "0", "--start-distance", "123.4"});
    ASSERT_TRUE(sim.start()) << sim.error();
    const std::string settings = writeSettings(sim, {.orientation = true, .sentenceType = 1});
    const std::string data = sim.tempDir() + "/run.qzr";
    const std::string output = sim.tempDir() + "/record.out";

    RunResult run;
    std::thread recorder([&] {
        run = runProgram({recorderBinary(), "--settings", settings, "--seconds", "7", "-o", data},
                         output, 60);
    });
    // Both devices disappear (their pseudo-terminals close) after a few pings.
    const auto before = sim.waitForCommands(4, std::chrono::milliseconds(20000));
    sim.stop();
    recorder.join();

    ASSERT_GE(before.size(), 4u);
    // The recorder kept running to its end and closed a whole file.
    EXPECT_EQ(run.exitCode, 0) << run.output;
    int withDistance = 0;
    const int records =
        forEachRecord(test::readByteVector(data), [&](const CSondrelDoc& doc, auto) {
            withDistance += doc.orientationOnShow().distanceValid;
        });
    EXPECT_GE(records, 3);
    EXPECT_EQ(withDistance, records);
    EXPECT_NE(run.output.find("recorded " + std::to_string(records) + " pings"), std::string::npos)
        << run.output;
}

TEST(SerialDeviceLoss, AHeadThatComesBackOnTheSameLinkIsPickedUpInTheSameFile) {
    // What unplugging a USB adapter and plugging it in again does: the device
    // goes away, and a new one appears under the same stable name.
    test::TempFolder folder;
    const std::string link = folder.file("sonar0");
    const std::vector<std::string> simArgs = {"--pty", "--no-tcp", "--pty-link", link};
    auto first = std::make_unique<HeadSimProcess>(simArgs);
    ASSERT_TRUE(first->start()) << first->error();
    const std::string settings = folder.write(
        "Sondrel.INI",
        "[System Settings]\r\nSonar Type=0\r\nSonarComPort=" + std::to_string(kHeadComPort) +
            "\r\n[Sonar Settings]\r\nRange=0.75\r\nRange Index=2\r\n"
            "[COM Ports]\r\nCOM" +
            std::to_string(kHeadComPort) + "=" + link + "\r\n");
    const std::string data = folder.file("run.qzr");
    RunResult run;
    std::thread recorder([&] {
        run = runProgram({recorderBinary(), "--settings", settings, "--seconds", "16", "-o", data},
                         folder.file("record.out"), 60);
    });
    ASSERT_GE(first->waitForCommands(4, std::chrono::milliseconds(20000)).size(), 4u);
    first->stop();
    const std::size_t recordsBefore = test::readByteVector(data).size() / kRecordSize;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    HeadSimProcess second(simArgs);
    ASSERT_TRUE(second.start()) << second.error();
    const auto commands = second.waitForCommands(3, std::chrono::milliseconds(15000));
    recorder.join();

    EXPECT_GE(commands.size(), 3u) << "the recorder never opened the head's new device";
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const int records = forEachRecord(test::readByteVector(data), [](const CSondrelDoc&, auto) {});
    EXPECT_GE(static_cast<std::size_t>(records), recordsBefore + 2) << run.output;
}

// ------------------------------------------------------------------ orientation

constexpr double kStartDistance = 123.4;
constexpr double kPitchAmplitude = 4.0;
constexpr double kRollAmplitude = 8.0;

class SerialOrientation : public ::testing::TestWithParam<int> {};

TEST_P(SerialOrientation, EachSentenceTypeReachesTheRecordedExtension) {
    const int sentenceType = GetParam();
    // A crawler standing still at a known distance, pitching and rolling.
    HeadSimProcess sim({"--pty", "--no-tcp", "--orientation-pty", "--sentence",
                        std::to_string(sentenceType), "--crawler-speed", "0", "--start-distance",
                        "123.4", "--pitch-amplitude", "4", "--roll-amplitude", "8"});
    ASSERT_TRUE(sim.start()) << sim.error();
    const std::string settings =
        writeSettings(sim, {.orientation = true, .sentenceType = sentenceType});
    const std::string data = sim.tempDir() + "/run.qzr";

    const RunResult run =
        runProgram({recorderBinary(), "--settings", settings, "--count", "3", "-o", data},
                   sim.tempDir() + "/record.out", 60);
    ASSERT_EQ(run.exitCode, 0) << run.output;

    int withDistance = 0;
    const int records =
        forEachRecord(test::readByteVector(data), [&](const CSondrelDoc& doc, auto record) {
            EXPECT_EQ(record.size(), kRecordSizeWithOrientation);
            EXPECT_TRUE(doc.orientationInputOnShow());
            if (doc.orientationOnShow().distanceValid != 1) return;
            ++withDistance;
            // Recorded in single precision.
            EXPECT_NEAR(doc.orientationOnShow().distanceM, kStartDistance, 1e-4);
            if (sentenceType == 0) {
                // The crawler's own sentence carries pitch and roll too.
                EXPECT_EQ(doc.orientationOnShow().pitchValid, 1);
                EXPECT_EQ(doc.orientationOnShow().rollValid, 1);
                EXPECT_LE(std::abs(doc.orientationOnShow().pitchDeg), kPitchAmplitude + 0.05);
                EXPECT_LE(std::abs(doc.orientationOnShow().rollDeg), kRollAmplitude + 0.05);
            } else {
                // Cable counters and the Reach instrument know no attitude.
                EXPECT_EQ(doc.orientationOnShow().pitchDeg, 0.0);
                EXPECT_EQ(doc.orientationOnShow().rollDeg, 0.0);
            }
        });
    EXPECT_EQ(records, 3);
    // The instrument talks from the start; at most the first ping may precede it.
    EXPECT_GE(withDistance, 2) << run.output;
}

// An instrument of the test's own on a pseudo-terminal, repeating one
// sentence ten times a second, noise and all.
class RepeatingInstrument {
  public:
    explicit RepeatingInstrument(std::string sentence) : sentence_(std::move(sentence)) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128];
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
            ::ptsname_r(master_, name, sizeof name) != 0) {
            return;
        }
        slavePath_ = name;
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        writer_ = std::thread([this] {
            while (!stop_) {
                // A full terminal buffer while nobody reads just drops a sentence.
                [[maybe_unused]] const ssize_t written =
                    ::write(master_, sentence_.data(), sentence_.size());
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
    }
    ~RepeatingInstrument() {
        stop_ = true;
        if (writer_.joinable()) writer_.join();
        if (master_ >= 0) ::close(master_);
    }
    const std::string& slavePath() const { return slavePath_; }

  private:
    std::string sentence_;
    int master_ = -1;
    std::string slavePath_;
    std::atomic<bool> stop_{false};
    std::thread writer_;
};

struct InstrumentCase {
    const char* name;
    int sentenceType;
    std::string sentence;
    int validRecordsAtLeast;  // the rest may come before the first reading
    double distance;          // of the valid ones
};

class NoisyInstrument : public ::testing::TestWithParam<InstrumentCase> {};

TEST_P(NoisyInstrument, OnlyRealDistancesAreRecordedAndNoneIsLost) {
    const InstrumentCase c = GetParam();
    RepeatingInstrument instrument(c.sentence);
    ASSERT_FALSE(instrument.slavePath().empty()) << "no pseudo-terminal";
    HeadSimProcess sim({"--pty", "--no-tcp"});
    ASSERT_TRUE(sim.start()) << sim.error();
    const std::string settings = writeSettings(sim, {.orientation = true,
                                                     .sentenceType = c.sentenceType,
                                                     .instrumentPath = instrument.slavePath()});
    const std::string data = sim.tempDir() + "/run.qzr";
    const RunResult run =
        runProgram({recorderBinary(), "--settings", settings, "--count", "4", "-o", data},
                   sim.tempDir() + "/record.out", 60);
    ASSERT_EQ(run.exitCode, 0) << run.output;

    int valid = 0;
    const int records =
        forEachRecord(test::readByteVector(data), [&](const CSondrelDoc& doc, auto record) {
            EXPECT_EQ(record.size(), kRecordSizeWithOrientation);
            EXPECT_TRUE(std::isfinite(doc.orientationOnShow().distanceM))
                << doc.orientationOnShow().distanceM;
            if (doc.orientationOnShow().distanceValid != 1) return;
            ++valid;
            EXPECT_NEAR(doc.orientationOnShow().distanceM, c.distance, 1e-6);
        });
    EXPECT_EQ(records, 4);
    EXPECT_GE(valid, c.validRecordsAtLeast) << run.output;
    if (c.validRecordsAtLeast == 0) {
        EXPECT_EQ(valid, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sentences, NoisyInstrument,
    ::testing::Values(
        // Line noise holding a "C" just before the sentence.
        InstrumentCase{"CableHashAfterNoise", 2, "BC,#CABLE, 1234.5, \r\n", 3, 1.2345},
        // 1e39 m is beyond the single precision a record holds: no reading at all.
        InstrumentCase{"CableDollarBeyondARecord", 1, "$ 1" + std::string(39, '0') + ",meter\r\n",
                       0, 0.0}),
    [](const ::testing::TestParamInfo<InstrumentCase>& info) {
        return std::string(info.param.name);
    });

std::string sentenceName(const ::testing::TestParamInfo<int>& info) {
    static const char* const kNames[] = {"Crawler", "CableCounterDollar", "CableCounterHash",
                                         "Reach"};
    return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(Sentences, SerialOrientation, ::testing::Values(0, 1, 2, 3), sentenceName);

}  // namespace
}  // namespace sondrel

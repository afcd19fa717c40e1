// The desktop program as an operator starts it for a demonstration: under a
// real X server (Xvfb), against the simulated head, it must paint the model
// pipe's ring of profile points. The program takes its own screenshot; this
// test looks for the ring in it.

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/ChildProcess.h"
#include "support/RingCheck.h"
#include "support/ScreenshotRun.h"

namespace {

TEST(DesktopProgramTest, SimulatedRunPaintsTheRingOfProfilePoints) {
    if (sondrel::test::xvfbRunPath().isEmpty()) GTEST_SKIP() << "xvfb-run is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString settings = dir.filePath(QStringLiteral("Sondrel.INI"));

    const sondrel::test::ScreenshotRun run =
        sondrel::test::runForScreenshot(dir.path(), settings, 4);
    ASSERT_TRUE(run.finished) << "the program did not close by itself";
    ASSERT_TRUE(run.normalExit) << run.output;
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const QImage& picture = run.picture;
    ASSERT_FALSE(picture.isNull()) << run.output;
    EXPECT_GE(picture.width(), 640);
    EXPECT_GE(picture.height(), 480);
    const QRect view = sondrel::test::darkArea(picture);
    ASSERT_FALSE(view.isEmpty()) << "no dark view area in the screenshot";
    EXPECT_GE(view.width(), picture.width() / 2);
    const sondrel::test::RingReport ring = sondrel::test::findRing(picture, view);
    EXPECT_TRUE(ring.found) << ring.why;

    // The run left the operator's settings file complete, without the simulator.
    QFile file(settings);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("[System Settings]"));
    EXPECT_FALSE(text.contains("127.0.0.1"));
}

// The fields of /proc/PID/stat this test needs: name, state and parent.
struct ProcStat {
    std::string name;
    char state = '?';
    pid_t parent = 0;
};

bool readStat(pid_t pid, ProcStat* out) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) return false;
    const auto open = line.find('('), close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos) return false;
    out->name = line.substr(open + 1, close - open - 1);
    std::istringstream rest(line.substr(close + 2));
    rest >> out->state >> out->parent;
    return bool(rest);
}

std::vector<pid_t> childrenOf(pid_t parent) {
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        ProcStat stat;
        const pid_t pid = std::stoi(name);
        if (readStat(pid, &stat) && stat.parent == parent) found.push_back(pid);
    }
    return found;
}

bool running(pid_t pid) {
    ProcStat stat;
    return readStat(pid, &stat) && stat.state != 'Z' && stat.state != 'X';
}

// However the program ends, without a chance to stop it (SIGKILL, a crash) or
// with default handling (SIGTERM), the simulator it started goes with it.
TEST(DesktopProgramTest, TheSimulatedHeadEndsWithTheProgramThatStartedIt) {
    using namespace std::chrono_literals;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    for (const int sig : {SIGKILL, SIGTERM}) {
        SCOPED_TRACE(strsignal(sig));
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        sondrel::test::ChildProcess program(
            SONDREL_BIN_DIR "/sondrel",
            {"--simulate", "--settings",
             dir.filePath(QStringLiteral("Sondrel.INI")).toStdString()});
        ASSERT_TRUE(program.start());

        pid_t simulator = 0;
        for (auto until = std::chrono::steady_clock::now() + 30s;
             simulator == 0 && std::chrono::steady_clock::now() < until;
             std::this_thread::sleep_for(100ms)) {
            for (const pid_t child : childrenOf(program.pid())) {
                ProcStat stat;
                if (readStat(child, &stat) && stat.name == "sondrel-headsim") simulator = child;
            }
        }
        ASSERT_NE(simulator, 0) << "the program started no simulator";

        program.signal(sig);
        bool gone = false;
        for (auto until = std::chrono::steady_clock::now() + 10s;
             !gone && std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(50ms))
            gone = !running(simulator);
        // A simulator left behind holds the program's output open, so it goes
        // before the program is waited for.
        if (!gone) kill(simulator, SIGKILL);
        EXPECT_TRUE(gone) << "sondrel-headsim " << simulator << " outlived its program";
        EXPECT_NE(program.wait(10s), -1);
    }
}

}  // namespace

namespace {

TEST(DesktopProgramTest, ANumberOptionThatIsNoNumberStopsTheStartWithAMessage) {
    for (const char* value : {"abc", "5s", "-1", "nan", "1e7"}) {
        QProcess program;
        program.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(SONDREL_BIN_DIR "/sondrel"),
                      {QStringLiteral("--screenshot-after"), QString::fromLatin1(value)});
        ASSERT_TRUE(program.waitForFinished(30000)) << value;
        const std::string output = QString::fromLocal8Bit(program.readAll()).toStdString();
        EXPECT_EQ(program.exitCode(), 2) << value << ": " << output;
        EXPECT_NE(output.find("--screenshot-after"), std::string::npos) << output;
    }
}

}  // namespace

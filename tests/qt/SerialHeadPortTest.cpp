// The serial head's port and worker over pseudo-terminals: the test plays the
// head on the master side.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTemporaryFile>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <thread>

#include "PseudoTerminal.h"
#include "acquisition/qt/ReadSonarComPort.h"
#include "acquisition/qt/SerialDevice.h"
#include "acquisition/qt/SerialHeadPort.h"

namespace sondrel {
namespace {

using test::PseudoTerminal;
using test::runEventsFor;
using test::waitUntil;
using Bytes = std::vector<std::uint8_t>;

constexpr int kHeadComPort = 9;

struct RecordingEvents : HeadLinkEvents {
    std::vector<Bytes> deliveries;
    bool allOnMainThread = true;
    std::function<void()> duringDelivery;

    void onSocketConnected(int) override {}
    void onSocketBytes(const std::uint8_t*, std::size_t) override {}
    void onSocketClosed() override {}
    void onDataReady(const std::uint8_t* block, std::size_t count) override {
        allOnMainThread = allOnMainThread && QThread::currentThread() == qApp->thread();
        deliveries.emplace_back(block, block + count);
        if (duringDelivery) duringDelivery();
    }
};

Bytes patternBlock(std::size_t size, std::uint8_t seed) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 13);
    return b;
}

SerialPollRequest commandRequest(std::uint8_t seed, bool rts = false) {
    SerialPollRequest request;
    std::iota(request.command.begin(), request.command.end(), seed);
    request.command.front() = cmd::kStartByte;
    request.command.back() = cmd::kEndByte;
    request.rtsEnable = rts;
    return request;
}

Bytes bytesOf(const CommandBuffer& command) {
    return Bytes(command.begin(), command.end());
}

// A head port on the slave of a fresh pseudo-terminal, worker running.
struct HeadRig {
    PseudoTerminal head;
    RecordingEvents events;
    SerialHeadPort port{&events};

    HeadRig() {
        port.setPortNames(
            [this](int n) { return n == kHeadComPort ? head.slavePath() : std::string(); });
    }
    bool openAndStart() {
        const bool ok = port.open(kHeadComPort, 115200);
        port.startWorker();
        return ok;
    }
    bool waitForDeliveries(std::size_t n) {
        return waitUntil([&] { return events.deliveries.size() >= n; });
    }
};

// ------------------------------------------------------------------ opening

// The terminal's exclusive-open flag, looked at through a descriptor of our
// own (root may open an exclusive terminal); -1 if it cannot be read.
int exclusiveMode(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    int mode = -1;
    if (::ioctl(fd, TIOCGEXCL, &mode) != 0) mode = -1;
    ::close(fd);
    return mode;
}

TEST(SerialDevice, OpensOnlyTerminalsThatExistAndOnlyOnce) {
    PseudoTerminal pty;
    QTemporaryFile regularFile;
    ASSERT_TRUE(regularFile.open());
    const std::string regular = regularFile.fileName().toStdString();

    SerialDevice device;
    EXPECT_FALSE(device.open("/dev/does-not-exist-ttyS99", 115200));
    EXPECT_FALSE(device.open(regular, 115200));
    EXPECT_FALSE(device.open("/dev/null", 115200));  // a character device, not a terminal
    EXPECT_FALSE(device.open(pty.slavePath(), 12345));
    EXPECT_FALSE(device.isOpen());

    ASSERT_TRUE(device.open(pty.slavePath(), 115200));
    EXPECT_TRUE(device.isPseudoTerminal());
    EXPECT_EQ(device.path(), pty.slavePath());

    SerialDevice second;
    EXPECT_FALSE(second.open(pty.slavePath(), 115200)) << "the port must be held exclusively";
    EXPECT_EQ(exclusiveMode(pty.slavePath()), 1);
    device.close();
    // Left exclusive, the terminal would refuse everyone but root from now on.
    EXPECT_EQ(exclusiveMode(pty.slavePath()), 0);
    EXPECT_TRUE(second.open(pty.slavePath(), 115200));
}

TEST(SerialDevice, CancelEndsAWaitFromAnotherThread) {
    PseudoTerminal pty;
    SerialDevice device;
    ASSERT_TRUE(device.open(pty.slavePath(), 115200));

    std::atomic<bool> started{false};
    std::size_t got = 99;
    // Without the cancel this read would outlast the test's time limit.
    std::thread reader([&] {
        started = true;
        std::uint8_t buffer[813];
        got = device.readFor(buffer, sizeof buffer, 30 * 60 * 1000);
    });
    while (!started) std::this_thread::yield();
    device.cancel();
    reader.join();
    EXPECT_EQ(got, 0u);

    // Cancelled stays cancelled until reset; then the line works again.
    pty.write("abc");
    std::uint8_t buffer[3];
    EXPECT_EQ(device.readFor(buffer, 3, 5000), 0u);
    device.resetCancel();
    EXPECT_EQ(device.readFor(buffer, 3, 5000), 3u);
}

TEST(SerialHeadPort, UnknownOrMissingPortFailsWithoutAWorkerDying) {
    HeadRig rig;
    EXPECT_FALSE(rig.port.open(kHeadComPort + 1, 115200));  // no device behind it
    EXPECT_FALSE(rig.port.open(0, 115200));
    EXPECT_FALSE(rig.port.isOpen());

    // A closed port still answers every poll at once, with no data.
    rig.port.startWorker();
    EXPECT_TRUE(rig.port.workerExists());
    rig.port.requestPoll(commandRequest(1));
    ASSERT_TRUE(rig.waitForDeliveries(1));
    EXPECT_TRUE(rig.events.deliveries[0].empty());
}

// ------------------------------------------------------------------ polling

TEST(SerialHeadPort, PollReadsTheReplyWritesTheCommandAndHandsOverOnTheMainThread) {
    HeadRig rig;
    ASSERT_TRUE(rig.openAndStart());
    EXPECT_EQ(rig.port.devicePath(), rig.head.slavePath());

    const Bytes block = patternBlock(813, 5);
    rig.head.write(block);
    const auto request = commandRequest(40);
    rig.port.requestPoll(request);

    ASSERT_TRUE(rig.waitForDeliveries(1));
    EXPECT_EQ(rig.events.deliveries[0], block);
    EXPECT_TRUE(rig.events.allOnMainThread);
    EXPECT_EQ(rig.head.read(27, 5000), bytesOf(request.command));

    // The next poll writes the next command: nothing of the first is left over.
    const Bytes block2 = patternBlock(813, 77);
    rig.head.write(block2);
    const auto request2 = commandRequest(90, true);  // RTS keying on a line without RTS
    rig.port.requestPoll(request2);
    ASSERT_TRUE(rig.waitForDeliveries(2));
    EXPECT_EQ(rig.events.deliveries[1], block2);
    EXPECT_EQ(rig.head.read(27, 5000), bytesOf(request2.command));
    EXPECT_TRUE(rig.head.drain().empty());
}

TEST(SerialHeadPort, ShortReplyEndsAtTheTimeoutAndTheCommandStillGoesOut) {
    HeadRig rig;
    ASSERT_TRUE(rig.openAndStart());

    const Bytes shortBlock = patternBlock(265, 9);
    rig.head.write(shortBlock);
    const auto request = commandRequest(3);
    rig.port.requestPoll(request);

    ASSERT_TRUE(rig.waitForDeliveries(1));
    EXPECT_EQ(rig.events.deliveries[0], shortBlock);
    EXPECT_EQ(rig.head.read(27, 5000), bytesOf(request.command));
}

TEST(SerialHeadPort, SuspendedPortsLeaveAPollUnanswered) {
    HeadRig rig;
    ASSERT_TRUE(rig.openAndStart());
    rig.head.write(patternBlock(813, 4));

    rig.port.setSuspended(true);
    rig.port.requestPoll(commandRequest(1));
    runEventsFor(100);
    EXPECT_TRUE(rig.events.deliveries.empty());
    EXPECT_TRUE(rig.head.drain().empty());

    rig.port.setSuspended(false);
    rig.port.requestPoll(commandRequest(2));
    ASSERT_TRUE(rig.waitForDeliveries(1));
    EXPECT_EQ(rig.events.deliveries[0], patternBlock(813, 4));
    EXPECT_EQ(rig.head.read(27, 5000), bytesOf(commandRequest(2).command));
}

// ------------------------------------------------------------------ devices and ports that go away

TEST(SerialHeadPort, DeviceThatDisappearsGivesNoDataAndPollingGoesOn) {
    HeadRig rig;
    ASSERT_TRUE(rig.openAndStart());

    rig.head.closeMaster();
    for (std::size_t i = 1; i <= 3; ++i) {
        rig.port.requestPoll(commandRequest(static_cast<std::uint8_t>(i)));
        ASSERT_TRUE(rig.waitForDeliveries(i));
        EXPECT_TRUE(rig.events.deliveries.back().empty());
    }
    // The port is not retried behind the operator's back: it stays as opened.
    EXPECT_TRUE(rig.port.isOpen());
    rig.port.close();
    EXPECT_FALSE(rig.port.isOpen());
}

TEST(SerialHeadPort, DeviceThatDisappearsDuringAReadEndsThatPoll) {
    HeadRig rig;
    ASSERT_TRUE(rig.openAndStart());

    rig.head.write(patternBlock(100, 1));
    rig.port.requestPoll(commandRequest(1));
    runEventsFor(50);
    rig.head.closeMaster();

    ASSERT_TRUE(rig.waitForDeliveries(1));
    EXPECT_LE(rig.events.deliveries[0].size(), 100u);
}

TEST(SerialHeadPort, ClosingThePortCutsAPollShortBeforeItsCommand) {
    HeadRig rig;
    ASSERT_TRUE(rig.openAndStart());

    rig.port.requestPoll(commandRequest(1));
    runEventsFor(100);  // the worker is now waiting for a reply that will not come
    rig.port.close();

    ASSERT_TRUE(rig.waitForDeliveries(1));
    EXPECT_TRUE(rig.events.deliveries[0].empty());
    // Had the close waited for the read to time out, the command would have gone out.
    EXPECT_TRUE(rig.head.drain().empty());

    // Reopening the same device works at once, and polling resumes on it.
    ASSERT_TRUE(rig.port.open(kHeadComPort, 115200));
    rig.head.write(patternBlock(813, 8));
    rig.port.requestPoll(commandRequest(2));
    ASSERT_TRUE(rig.waitForDeliveries(2));
    EXPECT_EQ(rig.events.deliveries[1], patternBlock(813, 8));
}

TEST(SerialHeadPort, StopEndsTheWorkerFromInsideAHandOff) {
    HeadRig rig;
    ASSERT_TRUE(rig.openAndStart());
    rig.events.duringDelivery = [&] { rig.port.stop(); };

    rig.head.write(patternBlock(813, 1));
    rig.port.requestPoll(commandRequest(1));
    ASSERT_TRUE(rig.waitForDeliveries(1));
    EXPECT_FALSE(rig.port.workerExists());

    rig.events.duringDelivery = nullptr;
    rig.port.requestPoll(commandRequest(2));
    runEventsFor(50);
    EXPECT_EQ(rig.events.deliveries.size(), 1u);
}

TEST(SerialHeadPort, StopInterruptsAPollUnderWayAndDropsItsResult) {
    HeadRig rig;
    ASSERT_TRUE(rig.openAndStart());

    rig.port.requestPoll(commandRequest(1));
    runEventsFor(50);
    rig.port.stop();
    runEventsFor(50);
    EXPECT_TRUE(rig.events.deliveries.empty());
    EXPECT_FALSE(rig.port.workerExists());
    // The port itself stays usable for the rest of the shutdown.
    EXPECT_TRUE(rig.port.isOpen());
}

// ------------------------------------------------------------------ the hand-off itself

TEST(ReadSonarComPort, NextPollWaitsUntilTheMainThreadHasProcessedTheLast) {
    std::atomic<int> pollsStarted{0};
    std::vector<int> delivered;
    bool secondPollRanDuringDelivery = false;
    ReadSonarComPort* self = nullptr;

    ReadSonarComPort worker(
        [&](const SerialPollRequest&, std::span<std::uint8_t> block) {
            block[0] = static_cast<std::uint8_t>(++pollsStarted);
            return SerialPollResult{true, 1};
        },
        [&](const std::uint8_t* block, std::size_t) {
            delivered.push_back(block[0]);
            if (delivered.size() == 1) {
                self->postPollRequest({});
                // Give a worker that does not wait every chance to start the next poll.
                for (int i = 0; i < 30 && pollsStarted < 2; ++i) QThread::msleep(10);
                secondPollRanDuringDelivery = pollsStarted >= 2;
            }
        },
        [] {});
    self = &worker;

    worker.postPollRequest({});
    ASSERT_TRUE(waitUntil([&] { return delivered.size() == 2; }));
    EXPECT_FALSE(secondPollRanDuringDelivery);
    EXPECT_EQ(delivered, (std::vector<int>{1, 2}));
}

TEST(ReadSonarComPort, UnansweredPollsAreNotHandedOver) {
    std::atomic<int> polls{0};
    int deliveries = 0;
    ReadSonarComPort worker(
        [&](const SerialPollRequest& request, std::span<std::uint8_t>) {
            ++polls;
            return SerialPollResult{request.serialHead, 0};
        },
        [&](const std::uint8_t*, std::size_t) { ++deliveries; }, [] {});

    SerialPollRequest silent;
    silent.serialHead = false;
    SerialPollRequest answered;
    worker.postPollRequest(silent);
    worker.postPollRequest(answered);
    ASSERT_TRUE(waitUntil([&] { return deliveries == 1; }));
    EXPECT_EQ(polls, 2);
}

TEST(ReadSonarComPort, StoppingInterruptsThePollAndDeliversNothing) {
    std::mutex m;
    std::condition_variable cv;
    bool interrupted = false;
    std::atomic<bool> polling{false};
    int deliveries = 0;

    ReadSonarComPort worker(
        [&](const SerialPollRequest&, std::span<std::uint8_t>) {
            polling = true;
            std::unique_lock lock(m);
            cv.wait(lock, [&] { return interrupted; });  // a read that only ends when cut
            return SerialPollResult{true, 0};
        },
        [&](const std::uint8_t*, std::size_t) { ++deliveries; },
        [&] {
            std::lock_guard lock(m);
            interrupted = true;
            cv.notify_all();
        });

    worker.postPollRequest({});
    while (!polling) std::this_thread::yield();
    worker.stopWorker();
    EXPECT_FALSE(worker.running());
    runEventsFor(50);
    EXPECT_EQ(deliveries, 0);
}

}  // namespace
}  // namespace sondrel

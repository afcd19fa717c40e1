// CSSocket and the Qt timer host on a real event loop, against a TCP server of
// the test's own on 127.0.0.1: the three notifications, teardown without stray
// notifications, and the whole Ethernet cycle with split blocks.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <functional>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "acquisition/AcquisitionCycle.h"
#include "acquisition/qt/CSSocket.h"
#include "acquisition/qt/QtTimerHost.h"

namespace sondrel {
namespace {

// Runs the event loop until the condition holds; false if it never did.
bool waitUntil(const std::function<bool()>& condition, int limitMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Lets the event loop run for a while, for checks that something does NOT happen.
void spin(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct EventLog : HeadLinkEvents {
    std::vector<int> connects;
    std::vector<std::uint8_t> bytes;
    int deliveries = 0;
    int closes = 0;
    std::function<void()> onBytes;
    void onSocketConnected(int error) override { connects.push_back(error); }
    void onSocketBytes(const std::uint8_t* data, std::size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
        ++deliveries;
        if (onBytes) onBytes();
    }
    void onSocketClosed() override { ++closes; }
    void onDataReady(const std::uint8_t*, std::size_t) override {}
};

class LoopbackServer {
  public:
    LoopbackServer() {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) peers.push_back(s);
        });
    }
    int port() const { return server.serverPort(); }
    QTcpServer server;
    std::vector<QTcpSocket*> peers;
};

// A port on which nothing listens (just released by a server of our own).
int closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    return port;
}

TEST(CSSocket, ConnectsDeliversEverySegmentAndReportsThePeerClosing) {
    LoopbackServer server;
    EventLog log;
    CSSocket socket(log);
    ASSERT_TRUE(socket.connectToHost("127.0.0.1", server.port()));
    ASSERT_TRUE(waitUntil([&] { return !log.connects.empty() && !server.peers.empty(); }));
    EXPECT_EQ(log.connects, std::vector<int>{0});

    const std::uint8_t command[3] = {0xFE, 0x44, 0xFD};
    socket.send(command, sizeof command);
    QTcpSocket* peer = server.peers.front();
    ASSERT_TRUE(waitUntil([&] { return peer->bytesAvailable() >= 3; }));
    EXPECT_EQ(peer->readAll(), QByteArray("\xFE\x44\xFD", 3));

    QByteArray expected;
    for (int segment = 0; segment < 5; ++segment) {
        const QByteArray part(100 + segment, static_cast<char>('a' + segment));
        peer->write(part);
        peer->flush();
        expected += part;
        ASSERT_TRUE(waitUntil([&] { return log.bytes.size() == std::size_t(expected.size()); }));
    }
    EXPECT_EQ(
        QByteArray(reinterpret_cast<const char*>(log.bytes.data()), qsizetype(log.bytes.size())),
        expected);

    peer->disconnectFromHost();
    ASSERT_TRUE(waitUntil([&] { return log.closes == 1; }));
    spin(50);
    EXPECT_EQ(log.closes, 1);
    EXPECT_EQ(log.connects.size(), 1u);
}

TEST(CSSocket, ASocketGivenUpInsideItsOwnNotificationOutlivesIt) {
    // What a message box shown from inside a ping does: its event loop runs
    // within the socket's notification, and the cycle reconnects from there.
    LoopbackServer server;
    EventLog log;
    CSSocket socket(log);
    ASSERT_TRUE(socket.connectToHost("127.0.0.1", server.port()));
    ASSERT_TRUE(waitUntil([&] { return !log.connects.empty() && !server.peers.empty(); }));
    QPointer<QTcpSocket> first = socket.findChild<QTcpSocket*>();
    ASSERT_TRUE(first);
    bool inside = false;
    bool deletedInside = false;
    QObject::connect(first, &QObject::destroyed, [&] { deletedInside = inside; });
    bool tornDown = false;
    log.onBytes = [&] {
        if (std::exchange(tornDown, true)) return;
        inside = true;
        socket.abort();
        ASSERT_TRUE(socket.connectToHost("127.0.0.1", server.port()));
        QEventLoop nested;
        QTimer::singleShot(200, &nested, &QEventLoop::quit);
        nested.exec();
        inside = false;
    };
    server.peers.front()->write("abc");
    ASSERT_TRUE(waitUntil([&] { return log.deliveries == 1 && !inside; }));
    ASSERT_TRUE(waitUntil([&] { return first.isNull(); }));
    EXPECT_FALSE(deletedInside);
    // The new connection works.
    ASSERT_TRUE(waitUntil([&] { return log.connects.size() == 2 && server.peers.size() == 2; }));
    server.peers.back()->write("de");
    EXPECT_TRUE(waitUntil([&] { return log.bytes.size() == 5; }));
}

TEST(CSSocket, RefusedConnectionReportsAnError) {
    EventLog log;
    CSSocket socket(log);
    const int port = closedPort();
    // Loopback may refuse inside the connect call itself: then the attempt
    // fails at once and no notification follows; otherwise one reports it.
    if (socket.connectToHost("127.0.0.1", port)) {
        ASSERT_TRUE(waitUntil([&] { return !log.connects.empty(); }));
        EXPECT_EQ(log.connects.size(), 1u);
        EXPECT_NE(log.connects[0], 0);
    } else {
        spin(50);
        EXPECT_TRUE(log.connects.empty());
    }
    EXPECT_EQ(log.closes, 0);
    EXPECT_FALSE(socket.isConnected());
}

TEST(CSSocket, OnlyLiteralAddressesAreAccepted) {
    EventLog log;
    CSSocket socket(log);
    // A name would need a lookup; the setting is an address.
    EXPECT_FALSE(socket.connectToHost("localhost", 4040));
    EXPECT_FALSE(socket.connectToHost("", 4040));
    EXPECT_FALSE(socket.connectToHost("127.0.0.1", 0));
    EXPECT_FALSE(socket.connectToHost("127.0.0.1", 70000));
    spin(50);
    EXPECT_TRUE(log.connects.empty());
}

TEST(CSSocket, TeardownSilencesTheOldConnection) {
    LoopbackServer server;
    EventLog log;
    CSSocket socket(log);
    ASSERT_TRUE(socket.connectToHost("127.0.0.1", server.port()));
    ASSERT_TRUE(waitUntil([&] { return !log.connects.empty() && !server.peers.empty(); }));
    QTcpSocket* peer = server.peers.front();

    socket.abort();
    // The peer sees the connection go, and nothing of the old connection
    // (its closing, bytes in flight) reaches the events afterwards.
    peer->write("late bytes");
    peer->flush();
    ASSERT_TRUE(waitUntil([&] { return peer->state() == QAbstractSocket::UnconnectedState; }));
    spin(50);
    EXPECT_EQ(log.closes, 0);
    EXPECT_TRUE(log.bytes.empty());
    EXPECT_FALSE(socket.isConnected());

    // Sending on a torn-down link is harmless.
    const std::uint8_t b = 1;
    socket.send(&b, 1);
}

TEST(CSSocket, TeardownFromInsideADeliveryIsSafe) {
    LoopbackServer server;
    EventLog log;
    CSSocket socket(log);
    log.onBytes = [&] { socket.abort(); };
    ASSERT_TRUE(socket.connectToHost("127.0.0.1", server.port()));
    ASSERT_TRUE(waitUntil([&] { return !server.peers.empty() && !log.connects.empty(); }));
    server.peers.front()->write(QByteArray(40000, 'x'));
    server.peers.front()->flush();
    ASSERT_TRUE(waitUntil([&] { return log.deliveries > 0; }));
    spin(50);
    EXPECT_EQ(log.deliveries, 1);
}

TEST(QtTimerHost, SingleShotTimersFireOnceAndTheOrientationTimerRepeats) {
    QtTimerHost timers;
    std::vector<int> fired;
    timers.setHandler([&](int id) { fired.push_back(id); });
    timers.setTimer(kSendTimer, 0);
    timers.setTimer(kOrientationTimer, 5);
    EXPECT_TRUE(timers.isTimerActive(kSendTimer));
    ASSERT_TRUE(
        waitUntil([&] { return std::count(fired.begin(), fired.end(), kOrientationTimer) >= 3; }));
    EXPECT_EQ(std::count(fired.begin(), fired.end(), kSendTimer), 1);
    EXPECT_FALSE(timers.isTimerActive(kSendTimer));
    EXPECT_TRUE(timers.isTimerActive(kOrientationTimer));

    timers.killTimer(kOrientationTimer);
    EXPECT_FALSE(timers.isTimerActive(kOrientationTimer));
    const auto count = fired.size();
    timers.setTimer(kPollTimer, 1);
    timers.killTimer(kPollTimer);
    spin(50);
    EXPECT_EQ(fired.size(), count);
}

// The whole Ethernet cycle on the event loop: the server plays a head that
// answers each command with a block written in two pieces.
TEST(EthernetCycle, CommandsAndSplitBlocksOverLoopback) {
    LoopbackServer server;
    CSondrelDoc doc;
    QtTimerHost timers;
    SystemClock clock;
    AcquisitionCycle cycle(doc, timers, clock);
    timers.setHandler([&](int id) { cycle.onTimer(id); });
    CSSocket socket(cycle);
    cycle.setEthernetLink(&socket);
    doc.head.sonarType = kTypeQ;
    doc.link.ipAddress = "127.0.0.1";
    doc.link.ipPort = server.port();

    std::vector<QByteArray> commands;
    QByteArray pending;
    QObject::connect(&server.server, &QTcpServer::newConnection, [&] {
        QTcpSocket* peer = server.peers.back();
        peer->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QObject::connect(peer, &QTcpSocket::readyRead, [&, peer] {
            pending += peer->readAll();
            while (pending.size() >= 27) {
                commands.push_back(pending.left(27));
                pending.remove(0, 27);
                QByteArray block(813, '\x11');
                block[0] = 'Q';
                block[1] = 'S';
                block[2] = 'Z';
                block[7] = 20;  // 2 m
                peer->write(block.left(300));
                peer->flush();
                peer->write(block.mid(300));
                peer->flush();
            }
        });
    });

    cycle.connectToHead();
    ASSERT_TRUE(waitUntil([&] { return doc.pings.pingCount >= 50; }));
    EXPECT_EQ(doc.link.linkState, LinkState::Connected);
    EXPECT_DOUBLE_EQ(doc.head.rangeMetres, 2.0);
    EXPECT_GE(commands.size(), 50u);
    for (const QByteArray& c : commands) {
        ASSERT_EQ(c.size(), 27);
        EXPECT_EQ(static_cast<std::uint8_t>(c[0]), 0xFE);
        EXPECT_EQ(static_cast<std::uint8_t>(c[26]), 0xFD);
    }

    // The head goes away: the link is down and the cycle waits for its watchdog.
    for (QTcpSocket* peer : server.peers) peer->abort();
    ASSERT_TRUE(waitUntil([&] { return doc.link.linkState == LinkState::NotConnected; }));
    EXPECT_TRUE(timers.isTimerActive(kWatchdogTimer));
    cycle.shutdown();
    EXPECT_FALSE(timers.isTimerActive(kWatchdogTimer));
}

}  // namespace
}  // namespace sondrel

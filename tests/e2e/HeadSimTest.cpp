// The sondrel-headsim program as a peer: over loopback TCP and its
// pseudo-terminals it must answer like a head, misbehave when told to, and
// only ever listen on the loopback interface.

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "acquisition/Orientation.h"
#include "acquisition/SondrelDoc.h"
#include "support/HeadSimProcess.h"
#include "support/ReceivedBlock.h"

using namespace sondrel;
using sondrel::test::HeadSimProcess;
using sondrel::test::LoopbackClient;
using sondrel::test::receiveBlock;
using std::chrono::milliseconds;

namespace {

// A pseudo-terminal opened from the program's side, raw, as a serial port would be.
class SerialEnd {
  public:
    explicit SerialEnd(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ >= 0) {
            termios t{};
            tcgetattr(fd_, &t);
            cfmakeraw(&t);
            tcsetattr(fd_, TCSANOW, &t);
            tcflush(fd_, TCIOFLUSH);
        }
    }
    ~SerialEnd() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool open() const { return fd_ >= 0; }
    bool write(const std::vector<std::uint8_t>& bytes) {
        return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    template <std::size_t N>
    bool write(const std::array<std::uint8_t, N>& bytes) {
        return write(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    // Reads until `count` bytes or `timeout` without a byte.
    std::vector<std::uint8_t> read(std::size_t count, milliseconds timeout = milliseconds(5000)) {
        std::vector<std::uint8_t> out;
        std::uint8_t buffer[1024];
        while (out.size() < count) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) break;
            const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - out.size()));
            if (n <= 0) break;
            out.insert(out.end(), buffer, buffer + n);
        }
        return out;
    }

  private:
    int fd_ = -1;
};

}  // namespace

TEST(HeadSimTcp, AnswersEachCommandWithOneBlockAndLogsIt) {
    HeadSimProcess sim;
    ASSERT_TRUE(sim.start()) << sim.error();
    ASSERT_GT(sim.port(), 0);

    LoopbackClient client;
    ASSERT_TRUE(client.connect(sim.port()));
    CSondrelDoc doc;
    doc.head.setRangeIndex(5);  // 3 m
    for (int ping = 0; ping < 3; ++ping) {
        ASSERT_TRUE(client.send(doc.head.command));
        const auto block = client.read(813);
        ASSERT_EQ(block.size(), 813u);
        ASSERT_TRUE(receiveBlock(doc, block));
        EXPECT_EQ(doc.ping.headerText, "QSZ");
        EXPECT_EQ(doc.head.rangeIndex, 5);
        EXPECT_EQ(doc.ping.headId, 0x10);
    }
    // Exactly one block per command: nothing more is waiting.
    EXPECT_TRUE(client.readSome(813, milliseconds(200)).empty());

    const auto logged = sim.waitForCommands(3);
    ASSERT_EQ(logged.size(), 3u);
    for (std::size_t i = 0; i < logged.size(); ++i) {
        EXPECT_EQ(logged[i].sequence, i + 1);
        EXPECT_TRUE(
            std::equal(logged[i].bytes.begin(), logged[i].bytes.end(), doc.head.command.begin()));
    }
    const auto counters = sim.counters();
    ASSERT_TRUE(counters);
    EXPECT_EQ(counters->commands, 3u);
    EXPECT_EQ(counters->blocksSent, 3u);
    EXPECT_EQ(counters->malformed, 0u);
}

TEST(HeadSimTcp, SkipsGarbageAndDoesNotAnswerMalformedCommands) {
    HeadSimProcess sim;
    ASSERT_TRUE(sim.start()) << sim.error();
    LoopbackClient client;
    ASSERT_TRUE(client.connect(sim.port()));
    CSondrelDoc doc;
    std::vector<std::uint8_t> stream = {'h', 'e', 'l', 'l', 'o'};
    stream.insert(stream.end(), {0xFE, 0x44, 0x10, 0x0A, 0xFD});  // cut short
    auto wrongHead = doc.head.command;
    wrongHead[2] = 0x22;
    stream.insert(stream.end(), wrongHead.begin(), wrongHead.end());
    stream.insert(stream.end(), doc.head.command.begin(), doc.head.command.end());
    ASSERT_TRUE(client.send(stream));

    const auto block = client.read(813);
    ASSERT_EQ(block.size(), 813u);
    EXPECT_TRUE(receiveBlock(doc, block));
    EXPECT_TRUE(client.readSome(813, milliseconds(200)).empty());

    const auto counters = sim.counters();
    ASSERT_TRUE(counters);
    EXPECT_EQ(counters->commands, 1u);
    EXPECT_EQ(counters->malformed, 2u);
    EXPECT_GE(counters->skipped, 5u);
    EXPECT_EQ(sim.malformedLines().size(), 2u);
    EXPECT_EQ(sim.commands().size(), 1u);
}

TEST(HeadSimTcp, SplitBlockArrivesInPiecesThatMakeOneWellFormedBlock) {
    // The pause is long so the first piece is surely alone when it is read.
    HeadSimProcess sim({"--split", "2", "--split-delay-ms", "400"});
    ASSERT_TRUE(sim.start()) << sim.error();
    LoopbackClient client;
    ASSERT_TRUE(client.connect(sim.port()));
    CSondrelDoc doc;
    ASSERT_TRUE(client.send(doc.head.command));

    const auto first = client.readSome(813);
    ASSERT_FALSE(first.empty());
    EXPECT_LT(first.size(), 813u);
    auto rest = client.read(813 - first.size());
    std::vector<std::uint8_t> block = first;
    block.insert(block.end(), rest.begin(), rest.end());
    ASSERT_EQ(block.size(), 813u);
    EXPECT_TRUE(receiveBlock(doc, block));

    // Switched off at run time, the next block comes whole again.
    ASSERT_TRUE(sim.control("split 1"));
    ASSERT_TRUE(client.send(doc.head.command));
    EXPECT_EQ(client.read(813).size(), 813u);
}

TEST(HeadSimTcp, FaultsSwitchedAtRunTime) {
    HeadSimProcess sim;
    ASSERT_TRUE(sim.start()) << sim.error();
    LoopbackClient client;
    ASSERT_TRUE(client.connect(sim.port()));
    CSondrelDoc doc;

    ASSERT_TRUE(sim.control("invalid-every 1"));
    ASSERT_TRUE(client.send(doc.head.command));
    auto block = client.read(813);
    ASSERT_EQ(block.size(), 813u);
    EXPECT_FALSE(receiveBlock(doc, block));

    ASSERT_TRUE(sim.control("faults-off"));
    ASSERT_TRUE(sim.control("short-every 1"));
    ASSERT_TRUE(sim.control("short-length 265"));
    ASSERT_TRUE(client.send(doc.head.command));
    EXPECT_EQ(client.read(813, milliseconds(500)).size(), 265u);

    ASSERT_TRUE(sim.control("faults-off"));
    ASSERT_TRUE(sim.control("block-type QMZ"));
    ASSERT_TRUE(sim.control("format 1"));
    ASSERT_TRUE(client.send(doc.head.command));
    block = client.read(265);
    ASSERT_EQ(block.size(), 265u);
    EXPECT_TRUE(receiveBlock(doc, block));
    EXPECT_EQ(doc.ping.blockLength, 265);
    EXPECT_EQ(doc.ping.headStatusLow, 1);

    ASSERT_TRUE(sim.control("silent-from 1"));
    ASSERT_TRUE(client.send(doc.head.command));
    EXPECT_TRUE(client.readSome(813, milliseconds(300)).empty());

    // Refused: unknown names, bad values, and options fixed at start.
    EXPECT_FALSE(sim.control("no-such-switch 1"));
    EXPECT_FALSE(sim.control("format 7"));
    EXPECT_FALSE(sim.control("port 4041"));
}

TEST(HeadSimTcp, SurvivesDisconnectsAndANewConnectionReplacesTheOld) {
    HeadSimProcess sim({"--close-after", "2"});
    ASSERT_TRUE(sim.start()) << sim.error();
    CSondrelDoc doc;

    LoopbackClient a;
    ASSERT_TRUE(a.connect(sim.port()));
    ASSERT_TRUE(a.send(doc.head.command));
    EXPECT_EQ(a.read(813).size(), 813u);
    ASSERT_TRUE(a.send(doc.head.command));
    EXPECT_EQ(a.read(813).size(), 813u);
    EXPECT_TRUE(a.read(1).empty());
    EXPECT_TRUE(a.peerClosed());  // closed after the second reply

    LoopbackClient b, c;
    ASSERT_TRUE(b.connect(sim.port()));
    ASSERT_TRUE(b.send(doc.head.command));
    EXPECT_EQ(b.read(813).size(), 813u);
    ASSERT_TRUE(c.connect(sim.port()));
    ASSERT_TRUE(c.send(doc.head.command));
    EXPECT_EQ(c.read(813).size(), 813u);  // the count starts again on the new link
    EXPECT_TRUE(b.read(1).empty());
    EXPECT_TRUE(b.peerClosed());  // replaced by c

    const auto counters = sim.counters();
    ASSERT_TRUE(counters);
    EXPECT_EQ(counters->connections, 3u);
}

TEST(HeadSimTcp, ListensOnLoopbackOnly) {
    HeadSimProcess sim;
    ASSERT_TRUE(sim.start()) << sim.error();
    // The kernel's table of TCP sockets: our listener, and only on 127.0.0.1.
    std::ifstream table("/proc/net/tcp");
    ASSERT_TRUE(table.good());
    std::string line;
    std::getline(table, line);
    char port[8];
    std::snprintf(port, sizeof port, "%04X", sim.port());
    int listeners = 0;
    while (std::getline(table, line)) {
        std::istringstream in(line);
        std::string slot, local, remote, state;
        in >> slot >> local >> remote >> state;
        if (state != "0A" || local.substr(local.find(':') + 1) != port) continue;
        ++listeners;
        EXPECT_EQ(local.substr(0, local.find(':')), "0100007F");
    }
    EXPECT_EQ(listeners, 1);
}

TEST(HeadSimProcessEnd, StopsCleanlyOnTerminationAndRemovesItsLinks) {
    char folder[] = "/tmp/headsim-links-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string link = std::string(folder) + "/sonar";
    HeadSimProcess linked({"--no-tcp", "--pty-link", link});
    ASSERT_TRUE(linked.start()) << linked.error();
    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    const int status = linked.stop();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(lstat(link.c_str(), &st), 0);
    rmdir(folder);

    std::ifstream log(linked.logPath());
    std::string line, last;
    while (std::getline(log, line)) last = line;
    EXPECT_EQ(last.rfind("counters ", 0), 0u) << last;
}

TEST(HeadSimPty, SerialHeadAnswersEachCommandWithOneBlock) {
    HeadSimProcess sim({"--no-tcp", "--pty", "--block-type", "QGZ"});
    ASSERT_TRUE(sim.start()) << sim.error();
    ASSERT_FALSE(sim.ptyPath().empty());
    EXPECT_EQ(sim.port(), -1);
    SerialEnd port(sim.ptyPath());
    ASSERT_TRUE(port.open());
    CSondrelDoc doc;
    doc.head.setRangeIndex(2);
    for (int ping = 0; ping < 2; ++ping) {
        ASSERT_TRUE(port.write(doc.head.command));
        const auto block = port.read(513);
        ASSERT_EQ(block.size(), 513u);
        ASSERT_TRUE(receiveBlock(doc, block));
        EXPECT_EQ(doc.ping.blockLength, 513);
        EXPECT_EQ(doc.ping.dataPointCount, 500);
        EXPECT_EQ(doc.head.rangeIndex, 2);
    }
    EXPECT_TRUE(port.read(1, milliseconds(200)).empty());
    EXPECT_EQ(sim.waitForCommands(2).size(), 2u);
}

TEST(HeadSimPty, OrientationInstrumentsSendWhatTheParsersRead) {
    for (int type = 0; type < 3; ++type) {
        SCOPED_TRACE("sentence type " + std::to_string(type));
        HeadSimProcess sim({"--no-tcp", "--orientation-pty", "--sentence", std::to_string(type),
                            "--orientation-hz", "20", "--start-distance", "3"});
        ASSERT_TRUE(sim.start()) << sim.error();
        SerialEnd port(sim.orientationPtyPath());
        ASSERT_TRUE(port.open());
        // Whole sentences end in CR LF; read until two of them came.
        std::vector<std::uint8_t> bytes;
        int lineEnds = 0;
        while (lineEnds < 2) {
            const auto more = port.read(1);
            ASSERT_FALSE(more.empty());
            bytes.push_back(more[0]);
            if (more[0] == '\n') ++lineEnds;
        }
        // Parse the last whole sentence, as the program's read would see it.
        auto start = bytes.end() - 1;
        while (start != bytes.begin() && *(start - 1) != '\n') --start;
        const std::vector<std::uint8_t> sentence(start, bytes.end());
        CSondrelDoc doc;
        ASSERT_TRUE(parseOrientation(doc, type, sentence))
            << std::string(sentence.begin(), sentence.end());
        EXPECT_EQ(doc.orientation.distanceValid, 1);
        EXPECT_GT(doc.orientation.distanceM, 2.9);
        EXPECT_LT(doc.orientation.distanceM, 10.0);
        if (type == 0) {
            EXPECT_EQ(doc.orientation.pitchValid, 1);
            EXPECT_EQ(doc.orientation.rollValid, 1);
        }
    }
}

TEST(HeadSimPty, ReachInstrumentAnswersMeasurementRequests) {
    HeadSimProcess sim({"--no-tcp", "--orientation-pty", "--sentence", "3", "--start-distance",
                        "7.25", "--crawler-speed", "0"});
    ASSERT_TRUE(sim.start()) << sim.error();
    SerialEnd port(sim.orientationPtyPath());
    ASSERT_TRUE(port.open());
    // Silent until asked.
    EXPECT_TRUE(port.read(1, milliseconds(400)).empty());

    ASSERT_TRUE(port.write(std::vector<std::uint8_t>{'S', 'M'}));
    const auto reply = port.read(5);
    ASSERT_EQ(reply.size(), 5u);
    CSondrelDoc doc;
    ASSERT_TRUE(parseOrientation(doc, 3, reply));
    EXPECT_NEAR(doc.orientation.distanceM, 7.25, 0.01);

    ASSERT_TRUE(port.write(std::vector<std::uint8_t>{'L', 'E'}));
    EXPECT_EQ(port.read(15).size(), 15u);  // streaming
    ASSERT_TRUE(port.write(std::vector<std::uint8_t>{'L', 'D'}));
    port.read(100, milliseconds(400));  // what was already under way
    EXPECT_TRUE(port.read(1, milliseconds(500)).empty());
}

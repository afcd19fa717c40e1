// The orientation port under the orientation input, over pseudo-terminals: the
// test plays the instrument on the master side and the sentence parsers decode
// what the port read.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "PseudoTerminal.h"
#include "acquisition/Orientation.h"
#include "acquisition/SondrelDoc.h"
#include "acquisition/TimerHost.h"
#include "acquisition/qt/OrientationPort.h"

namespace sondrel {
namespace {

using test::PseudoTerminal;
using test::waitUntil;

constexpr int kInstrumentComPort = 4;

struct NoTimers : TimerHost {
    void setTimer(int, int) override {}
    void killTimer(int) override {}
    bool isTimerActive(int) const override { return false; }
};

struct OrientationRig {
    PseudoTerminal instrument;
    CSondrelDoc doc;
    NoTimers timers;
    OrientationPort port;
    OrientationInput input{doc, timers};

    explicit OrientationRig(int sentenceType) {
        port.setPortNames([this](int n) {
            return n == kInstrumentComPort ? instrument.slavePath() : std::string();
        });
        input.setLink(&port);
        doc.link.prdComPort = kInstrumentComPort;
        doc.link.prdBaud = sentenceType == kSentenceReach ? 9600 : 38400;
        doc.link.sentenceType = sentenceType;
    }
    // The instrument sends, and the bytes are in the port's queue before the read.
    void send(std::string_view bytes) {
        const std::size_t before = port.bytesWaiting();
        instrument.write(bytes);
        ASSERT_TRUE(waitUntil([&] { return port.bytesWaiting() >= before + bytes.size(); }));
    }
};

std::string inuktunSentence() {
    std::string s(40, ' ');
    s.replace(6, 5, "+12.3");
    s.replace(16, 6, "-123.4");
    s.replace(27, 8, "+1234.56");
    return s + "\r\n";
}

TEST(OrientationPort, EachSentenceTypeIsReadAndDecoded) {
    struct Case {
        int sentenceType;
        std::string bytes;
        double distance;
    };
    const Case cases[] = {
        {kSentenceInuktun, inuktunSentence(), 1234.56},
        {kSentenceCableDollar, "$ 12.5,meter\r\n", 12.5},
        {kSentenceCableHash, ",#CABLE, 1234.5, \r\n", 1.2345},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sentenceType);
        OrientationRig rig(c.sentenceType);
        ASSERT_TRUE(rig.input.openOrientationPort());
        rig.send(c.bytes);

        rig.input.readOrientation();

        EXPECT_EQ(rig.input.lastRead().size(), c.bytes.size());
        EXPECT_EQ(rig.doc.orientation.distanceValid, 1);
        EXPECT_NEAR(rig.doc.orientation.distanceM, c.distance, 1e-9);
        if (c.sentenceType == kSentenceInuktun) {
            EXPECT_NEAR(rig.doc.orientation.pitchDeg, 12.3, 1e-9);
            EXPECT_NEAR(rig.doc.orientation.rollDeg, -123.4, 1e-9);
        }
        // The read purged the port: the next read finds nothing to parse.
        rig.input.readOrientation();
        EXPECT_EQ(rig.input.lastRead().size(), 0u);
    }
}

TEST(OrientationPort, ReachInstrumentIsAskedForAValueAndToldWhenThePortCloses) {
    OrientationRig rig(kSentenceReach);
    ASSERT_TRUE(rig.input.openOrientationPort());
    // The instrument's 2-byte reply to "SM", then its value: "R" and 10.0f, most
    // significant byte first.
    rig.send(std::string("OK") + std::string("R\x41\x20\x00\x00", 5));

    rig.input.readOrientation();

    EXPECT_EQ(rig.doc.orientation.reachValueReceived, 1);
    EXPECT_EQ(rig.doc.orientation.distanceValid, 1);
    EXPECT_DOUBLE_EQ(rig.doc.orientation.distanceM, 10.0);
    const std::vector<std::uint8_t> request = rig.instrument.read(4, 5000);
    EXPECT_EQ(std::string(request.begin(), request.end()), "SMLE");

    // With a value in hand the instrument is not asked again.
    rig.send(std::string("R\x41\x20\x00\x00", 5));
    rig.input.readOrientation();
    EXPECT_TRUE(rig.instrument.drain().empty());

    rig.input.closeOrientationPort();
    const std::vector<std::uint8_t> closing = rig.instrument.read(2, 5000);
    EXPECT_EQ(std::string(closing.begin(), closing.end()), "LD");
    EXPECT_FALSE(rig.port.isOpen());
}

TEST(OrientationPort, InstrumentThatDisappearsKeepsTheLastValues) {
    OrientationRig rig(kSentenceCableDollar);
    ASSERT_TRUE(rig.input.openOrientationPort());
    rig.send("$ 7.25,meter\r\n");
    rig.input.readOrientation();
    ASSERT_DOUBLE_EQ(rig.doc.orientation.distanceM, 7.25);

    rig.instrument.closeMaster();
    for (int i = 0; i < 3; ++i) rig.input.readOrientation();
    EXPECT_EQ(rig.input.lastRead().size(), 0u);
    EXPECT_DOUBLE_EQ(rig.doc.orientation.distanceM, 7.25);
    EXPECT_EQ(rig.doc.orientation.distanceValid, 1);

    // Closing sends "L", "D" into the void and still closes.
    rig.input.closeOrientationPort();
    EXPECT_FALSE(rig.port.isOpen());
}

TEST(OrientationPort, ReachRequestWithoutAnInstrumentReplyGivesNothing) {
    OrientationRig rig(kSentenceReach);
    ASSERT_TRUE(rig.input.openOrientationPort());

    rig.input.readOrientation();  // waits for the 2-byte reply in vain

    EXPECT_EQ(rig.doc.orientation.reachValueReceived, 0);
    EXPECT_EQ(rig.doc.orientation.distanceValid, 0);
    const std::vector<std::uint8_t> request = rig.instrument.read(4, 5000);
    EXPECT_EQ(std::string(request.begin(), request.end()), "SMLE");
}

TEST(OrientationPort, MissingPortLeavesTheInputClosed) {
    OrientationRig rig(kSentenceInuktun);
    rig.doc.link.prdComPort = kInstrumentComPort + 1;
    EXPECT_FALSE(rig.input.openOrientationPort());
    EXPECT_FALSE(rig.input.isOpen());
    rig.input.readOrientation();
    rig.input.closeOrientationPort();
    EXPECT_EQ(rig.doc.orientation.distanceValid, 0);
}

}  // namespace
}  // namespace sondrel

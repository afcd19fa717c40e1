// The four orientation sentence formats and the port sequence around them.

#include "acquisition/Orientation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "acquisition/SondrelDoc.h"
#include "support/CycleFakes.h"
#include "support/VirtualTimerHost.h"

namespace sondrel {
namespace {

using testing::ByteVector;

ByteVector bytes(std::string_view text) {
    return ByteVector(text.begin(), text.end());
}

// A crawler sentence with the three fields at their columns and filler elsewhere.
std::string crawler(std::string_view pitch, std::string_view roll, std::string_view distance) {
    std::string s(40, 'x');
    s.replace(6, pitch.size(), pitch);
    s.replace(16, roll.size(), roll);
    s.replace(27, distance.size(), distance);
    return s;
}

// ================================================================ crawler fields

TEST(InuktunParser, ReadsTheThreeFixedColumnFields) {
    CSondrelDoc doc;
    EXPECT_TRUE(parseInuktun(doc, bytes(crawler("+12.3", "-123.4", "+1234.56"))));
    EXPECT_DOUBLE_EQ(doc.orientation.pitchDeg, 12.3);
    EXPECT_DOUBLE_EQ(doc.orientation.rollDeg, -123.4);
    EXPECT_DOUBLE_EQ(doc.orientation.distanceM, 1234.56);
    EXPECT_EQ(
        doc.orientation.pitchValid + doc.orientation.rollValid + doc.orientation.distanceValid, 3);

    // Whatever stands around the fields does not matter.
    std::string other = crawler("-00.0", "+000.1", "-0000.01");
    other[0] = '\0';
    other[11] = '\xff';
    other[39] = '\n';
    EXPECT_TRUE(parseInuktun(doc, bytes(other)));
    EXPECT_DOUBLE_EQ(doc.orientation.pitchDeg, 0.0);
    EXPECT_DOUBLE_EQ(doc.orientation.rollDeg, 0.1);
    EXPECT_DOUBLE_EQ(doc.orientation.distanceM, -0.01);
}

TEST(InuktunParser, BadFieldKeepsItsValueFor20ReadsThenShowsNothing) {
    CSondrelDoc doc;
    parseInuktun(doc, bytes(crawler("+12.3", "-123.4", "+1234.56")));
    const ByteVector noSign = bytes(crawler(" 12.3", "-023.4", "+1234.56"));
    for (int read = 1; read <= 20; ++read) {
        parseInuktun(doc, noSign);
        EXPECT_EQ(doc.orientation.pitchErrors, read);
        EXPECT_EQ(doc.orientation.pitchValid, 1);
        EXPECT_DOUBLE_EQ(doc.orientation.pitchDeg, 12.3);
    }
    // The other fields are read independently meanwhile.
    EXPECT_DOUBLE_EQ(doc.orientation.rollDeg, -23.4);
    EXPECT_EQ(doc.orientation.rollErrors, 0);

    parseInuktun(doc, noSign);  // the 21st
    EXPECT_EQ(doc.orientation.pitchValid, 0);
    EXPECT_DOUBLE_EQ(doc.orientation.pitchDeg, 0.0);
    EXPECT_EQ(doc.orientation.pitchErrors, 20);
    parseInuktun(doc, noSign);
    EXPECT_EQ(doc.orientation.pitchErrors, 20);
    EXPECT_EQ(doc.orientation.pitchValid, 0);

    // One good reading restores the field and clears its count.
    parseInuktun(doc, bytes(crawler("-01.5", "-023.4", "+1234.56")));
    EXPECT_EQ(doc.orientation.pitchValid, 1);
    EXPECT_EQ(doc.orientation.pitchErrors, 0);
    EXPECT_DOUBLE_EQ(doc.orientation.pitchDeg, -1.5);
}

TEST(InuktunParser, EveryColumnOfAFieldIsChecked) {
    const std::string good = crawler("+12.3", "-123.4", "+1234.56");
    // Spoil each column of each field in turn: only that field counts an error.
    struct Field {
        int first, last;
        int OrientationStatus::*errors;
    };
    const Field fields[] = {{6, 10, &OrientationStatus::pitchErrors},
                            {16, 21, &OrientationStatus::rollErrors},
                            {27, 34, &OrientationStatus::distanceErrors}};
    for (const Field& f : fields) {
        for (int column = f.first; column <= f.last; ++column) {
            SCOPED_TRACE(column);
            std::string spoiled = good;
            spoiled[column] = spoiled[column] == '.' ? '5' : 'a';
            CSondrelDoc doc;
            parseInuktun(doc, bytes(spoiled));
            EXPECT_EQ(doc.orientation.*f.errors, 1);
            EXPECT_EQ(doc.orientation.pitchErrors + doc.orientation.rollErrors +
                          doc.orientation.distanceErrors,
                      1);
        }
    }
}

TEST(InuktunParser, ShortReadCountsAsAnErrorOfEveryFieldItDoesNotReach) {
    CSondrelDoc doc;
    const std::string full = crawler("+12.3", "-123.4", "+1234.56");
    parseInuktun(doc, bytes(full.substr(0, 34)));  // the distance lacks its last digit
    EXPECT_EQ(doc.orientation.pitchValid, 1);
    EXPECT_EQ(doc.orientation.rollValid, 1);
    EXPECT_EQ(doc.orientation.distanceValid, 0);
    EXPECT_EQ(doc.orientation.distanceErrors, 1);
    parseInuktun(doc, ByteVector{});
    EXPECT_EQ(doc.orientation.pitchErrors, 1);
}

// ================================================================ cable counter "$"

TEST(CableCounterDollar, ReadsTheDistanceOfTheLastCompleteSentence) {
    CSondrelDoc doc;
    doc.orientation.pitchDeg = 4.0;
    doc.orientation.rollDeg = -3.0;
    doc.orientation.pitchValid = 1;
    EXPECT_TRUE(parseCableCounterDollar(doc, bytes("$ 12.5,meter\r\n")));
    EXPECT_DOUBLE_EQ(doc.orientation.distanceM, 12.5);
    EXPECT_EQ(doc.orientation.distanceValid, 1);
    // The counter has no attitude: pitch and roll read 0, their flags untouched.
    EXPECT_DOUBLE_EQ(doc.orientation.pitchDeg, 0.0);
    EXPECT_DOUBLE_EQ(doc.orientation.rollDeg, 0.0);
    EXPECT_EQ(doc.orientation.pitchValid, 1);

    EXPECT_TRUE(parseCableCounterDollar(doc, bytes("$ 1.0,meter\r\n$ 2.25,meter\r\n$ 3.")));
    EXPECT_DOUBLE_EQ(doc.orientation.distanceM, 2.25);
    EXPECT_TRUE(parseCableCounterDollar(doc, bytes("junk$-0.75,meter\r\n")));
    EXPECT_DOUBLE_EQ(doc.orientation.distanceM, -0.75);
}

TEST(CableCounterDollar, AnythingElseLeavesTheDistanceAlone) {
    const char* rejected[] = {
        "$ 12.5,metre\r\n",  // the word must be "meter"
        "  12.5,meter\r\n",  // no "$"
        "$ 12.5,meter",      // no line end
        "$ 12.5;meter\r\n",  // no comma before the word
        "$ abc,meter\r\n",   // no number at all
        "\r\n\r\n",         "eter\r\n",
    };
    for (const char* text : rejected) {
        SCOPED_TRACE(text);
        CSondrelDoc doc;
        doc.orientation.distanceM = 7.0;
        EXPECT_FALSE(parseCableCounterDollar(doc, bytes(text)));
        EXPECT_DOUBLE_EQ(doc.orientation.distanceM, 7.0);
        EXPECT_EQ(doc.orientation.distanceValid, 0);
    }
}

// ================================================================ cable counter "#CABLE"

TEST(CableCounterHash, ReadsMillimetresAsMetres) {
    CSondrelDoc doc;
    EXPECT_TRUE(parseCableCounterHash(doc, bytes(",#CABLE, 1234.5, \r\n")));
    EXPECT_DOUBLE_EQ(doc.orientation.distanceM, 1.2345);
    EXPECT_EQ(doc.orientation.distanceValid, 1);
    EXPECT_TRUE(parseCableCounterHash(doc, bytes("#CABLE,-20,xx")));
    EXPECT_DOUBLE_EQ(doc.orientation.distanceM, -0.02);
    // Line noise before the sentence, even a "#" or a "C" of its own, hides nothing.
    for (const char* noisy : {"BC,#CABLE, 1234.5, \r\n", "xC#CABLE, 1234.5, \r\n",
                              "#C#CABLE, 1234.5, \r\n", "C#CABLF,#CABLE, 1234.5, \r\n"}) {
        SCOPED_TRACE(noisy);
        doc.orientation.distanceM = 7.0;
        EXPECT_TRUE(parseCableCounterHash(doc, bytes(noisy)));
        EXPECT_DOUBLE_EQ(doc.orientation.distanceM, 1.2345);
    }
}

TEST(CableCounterHash, RejectsSentencesWithoutTheirClosingComma) {
    const char* rejected[] = {
        ",#CABLE, 1234.5,",  // the closing comma must stand before the last two bytes
        ",#CABLE, 1234.5, ",
        ",#CABLE, 1234.5",
        ",#CABLF, 1234.5, \r\n",
        "#CABLE 1234.5, \r\n",
        "#CABLE,, \r\n",  // an empty number
        "#C",
    };
    for (const char* text : rejected) {
        SCOPED_TRACE(text);
        CSondrelDoc doc;
        doc.orientation.distanceM = 7.0;
        EXPECT_FALSE(parseCableCounterHash(doc, bytes(text)));
        EXPECT_DOUBLE_EQ(doc.orientation.distanceM, 7.0);
    }
}

TEST(CableCounters, DistancesNoRecordCanHoldAreNotTaken) {
    // 1e39 m is a double but beyond the single precision of a record's field.
    const std::string huge = "1" + std::string(39, '0');
    struct Case {
        int sentenceType;
        std::string text;
        bool taken;
    };
    const Case cases[] = {
        {kSentenceCableDollar, "$ " + huge + ",meter\r\n", false},
        {kSentenceCableDollar, "$ 3" + std::string(38, '0') + ",meter\r\n", true},  // 3e38
        {kSentenceCableHash, ",#CABLE, " + huge + "000, \r\n", false},              // millimetres
        {kSentenceCableHash, ",#CABLE, " + huge + ", \r\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CSondrelDoc doc;
        doc.orientation.distanceM = 7.0;
        EXPECT_EQ(parseOrientation(doc, c.sentenceType, bytes(c.text)), c.taken);
        EXPECT_EQ(doc.orientation.distanceValid, c.taken ? 1 : 0);
        if (!c.taken) {
            EXPECT_EQ(doc.orientation.distanceM, 7.0);
        }
        EXPECT_TRUE(isRecordableReading(doc.orientation.distanceM));
    }
}

// ================================================================ Reach instrument

TEST(ReachParser, LastFourBytesAreABigEndianFloat) {
    CSondrelDoc doc;
    testing::CountingViews views;
    doc.setViews(&views);
    doc.link.noNewData = 1;
    EXPECT_TRUE(parseReach(doc, ByteVector{'R', 0x41, 0x20, 0x00, 0x00}));
    EXPECT_DOUBLE_EQ(doc.orientation.distanceM, 10.0);
    EXPECT_EQ(doc.orientation.distanceValid, 1);
    EXPECT_EQ(doc.orientation.reachValueReceived, 1);
    EXPECT_EQ(views.redraws, 1);  // no ping would show it otherwise

    doc.link.noNewData = 0;
    EXPECT_TRUE(parseReach(doc, ByteVector{'x', 'R', 'y', 0xC0, 0x48, 0x00, 0x00}));
    EXPECT_DOUBLE_EQ(doc.orientation.distanceM, -3.125);
    EXPECT_EQ(views.redraws, 1);
}

TEST(ReachParser, NeedsAnRAndAFiniteValue) {
    CSondrelDoc doc;
    doc.orientation.distanceM = 7.0;
    EXPECT_FALSE(parseReach(doc, ByteVector{'r', 0x41, 0x20, 0x00, 0x00}));
    EXPECT_FALSE(parseReach(doc, ByteVector{'R', 0x7F, 0x80, 0x00, 0x00}));  // infinity
    EXPECT_FALSE(parseReach(doc, ByteVector{'R', 0x7F, 0xC0, 0x00, 0x01}));  // NaN
    EXPECT_FALSE(parseReach(doc, ByteVector{'R', 0x41, 0x20}));
    EXPECT_DOUBLE_EQ(doc.orientation.distanceM, 7.0);
    EXPECT_EQ(doc.orientation.reachValueReceived, 0);
}

TEST(OrientationParsers, UnknownSentenceTypesReadAsTheCrawler) {
    CSondrelDoc doc;
    EXPECT_TRUE(parseOrientation(doc, 9, bytes(crawler("+01.0", "+002.0", "+0003.00"))));
    EXPECT_DOUBLE_EQ(doc.orientation.distanceM, 3.0);
}

TEST(OrientationParsers, ArbitraryBytesNeverYieldANonFiniteValue) {
    // Run under the sanitizer build this also proves no read outside the span.
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> byte(0, 255), length(0, 1100);
    const std::string alphabet = "$#CABLEmeter,.+-0123456789R\r\n ";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int round = 0; round < 4000; ++round) {
        const bool textual = round % 2 == 0;
        ByteVector input(static_cast<std::size_t>(length(random)));
        for (auto& b : input) {
            b = static_cast<std::uint8_t>(textual ? alphabet[pick(random)] : byte(random));
        }
        // An exact-size heap copy lets the address sanitizer see any overrun.
        auto exact = std::make_unique<std::uint8_t[]>(input.size());
        std::copy(input.begin(), input.end(), exact.get());
        const std::span<const std::uint8_t> span(exact.get(), input.size());
        CSondrelDoc doc;
        for (int type = 0; type < 4; ++type) parseOrientation(doc, type, span);
        ASSERT_TRUE(std::isfinite(doc.orientation.pitchDeg) &&
                    std::isfinite(doc.orientation.rollDeg) &&
                    std::isfinite(doc.orientation.distanceM));
        ASSERT_LE(doc.orientation.pitchErrors, kMaxOrientationErrors);
    }
}

// ================================================================ the port

class OrientationPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        input.setLink(&link);
        doc.link.prdComPort = 4;
        doc.link.prdBaud = 9600;
    }
    testing::VirtualClock clock;
    testing::VirtualTimerHost timers{clock};
    CSondrelDoc doc;
    OrientationInput input{doc, timers};
    testing::FakeOrientationLink link;
};

TEST_F(OrientationPortTest, OpenUsesTheConfiguredPortAndStartsTheTimerOnlyWithoutSonarData) {
    doc.link.noNewData = 1;
    doc.orientation.reachValueReceived = 1;
    EXPECT_TRUE(input.openOrientationPort());
    EXPECT_EQ(link.openedPort, 4);
    EXPECT_EQ(link.openedBaud, 9600);
    EXPECT_EQ(doc.orientation.reachValueReceived, 0);
    EXPECT_EQ(timers.periodMs(kOrientationTimer), 200);

    timers.killTimer(kOrientationTimer);
    doc.link.noNewData = 0;
    EXPECT_TRUE(input.openOrientationPort());
    EXPECT_FALSE(timers.isTimerActive(kOrientationTimer));

    link.openSucceeds = false;
    link.close();
    doc.link.noNewData = 1;
    EXPECT_FALSE(input.openOrientationPort());
    EXPECT_FALSE(timers.isTimerActive(kOrientationTimer));
    input.readOrientation();  // a closed port reads nothing and says nothing
    EXPECT_EQ(doc.orientation.distanceValid, 0);
}

TEST_F(OrientationPortTest, ReachInstrumentIsAskedForAValueUntilOneIsDecoded) {
    doc.link.sentenceType = kSentenceReach;
    ASSERT_TRUE(input.openOrientationPort());
    link.log.clear();
    link.replyBytes = {'O', 'K'};
    link.waiting.push_back({'R', 0x41, 0x20, 0x00, 0x00});
    input.readOrientation();
    EXPECT_EQ(link.log, "w:S;w:M;awaited-read;w:L;w:E;read;purge;");
    EXPECT_DOUBLE_EQ(doc.orientation.distanceM, 10.0);
    EXPECT_EQ(doc.orientation.reachValueReceived, 1);

    // With a value in hand the port is only read.
    link.log.clear();
    link.waiting.push_back({'R', 0x41, 0xA0, 0x00, 0x00});
    input.readOrientation();
    EXPECT_EQ(link.log, "read;purge;");
    EXPECT_DOUBLE_EQ(doc.orientation.distanceM, 20.0);

    // A read of fewer than four bytes asks again next time.
    link.waiting.push_back({'R', 0x41});
    input.readOrientation();
    EXPECT_EQ(doc.orientation.reachValueReceived, 0);
    EXPECT_DOUBLE_EQ(doc.orientation.distanceM, 20.0);
    link.log.clear();
    input.readOrientation();
    EXPECT_EQ(link.log.substr(0, 8), "w:S;w:M;");
}

TEST_F(OrientationPortTest, ReadKeepsItsBytesForTheDiagnosticsAndCapsThemAt1000) {
    ASSERT_TRUE(input.openOrientationPort());
    link.waiting.push_back(ByteVector(1500, '7'));
    input.readOrientation();
    EXPECT_EQ(input.lastRead().size(), kOrientationReadMax);
    input.resetByteCount();
    EXPECT_TRUE(input.lastRead().empty());
}

TEST_F(OrientationPortTest, CloseSendsLDForEverySentenceType) {
    for (int type = 0; type < 4; ++type) {
        doc.link.sentenceType = type;
        ASSERT_TRUE(input.openOrientationPort());
        doc.orientation.reachValueReceived = 1;
        link.log.clear();
        input.closeOrientationPort();
        EXPECT_EQ(link.log, "w:L;w:D;close;");
        EXPECT_EQ(doc.orientation.reachValueReceived, 0);
    }
    link.log.clear();
    input.closeOrientationPort();  // already closed: nothing is sent
    EXPECT_TRUE(link.log.empty());
}

}  // namespace
}  // namespace sondrel

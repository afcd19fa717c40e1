#include "recording/RecordFormat.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "acquisition/PingPath.h"
#include "acquisition/ReturnBlock.h"
#include "acquisition/SondrelDoc.h"
#include "recording/BinaryFile.h"
#include "support/ReceivedBlock.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

class TempPath {
  public:
    explicit TempPath(const char* stem) {
        path_ = ::testing::TempDir() + stem + std::to_string(::getpid()) + ".qzr";
    }
    ~TempPath() { std::remove(path_.c_str()); }
    const std::string& str() const { return path_; }

  private:
    std::string path_;
};

void writeBytes(const std::string& path, const Bytes& bytes) {
    BinaryFile f;
    ASSERT_TRUE(f.create(path));
    ASSERT_TRUE(f.write(bytes.data(), bytes.size()));
}

// A ping as processPing would leave it: 2 m range, Polar, Fast, Fwd, zero Down.
void setKnownPing(CSondrelDoc& doc) {
    doc.ping.dateText = "08-DEC-2026";
    doc.ping.timeText = "14:03:07";
    doc.ping.hundredthsText = ".45";
    doc.ping.millisecondText = "450";
    doc.head.setRangeIndex(4);
    doc.head.setGain(12);
    doc.head.setScanMode(kPolar);
    doc.head.setStepSize(8);
    doc.head.setCurrentSectorWidth(120);
    doc.head.setCurrentTrain(70);  // 30 degrees
    doc.head.setAbsorptionCode(60);
    doc.head.setPulseLengthCode(3);
    doc.head.command[cmd::kDataFormat] = 8;
    doc.head.xdcrForward = 1;
    doc.head.zeroDown = 1;
    doc.ping.stepDirection = 1;
    doc.head.soundVelocity = 1480.55;
    doc.pings.pingPeriodRounded = 0x12345;  // only the low 16 bits are kept
    const std::uint8_t header[12] = {'Q',  'S', 'Z',  0x10, 0x02, 0x05,
                                     0x41, 20,  0x20, 0x06, 0xAA, 0xBB};
    std::memcpy(doc.ping.returnHeader.data(), header, sizeof header);
    for (std::size_t i = 0; i < 800; ++i)
        doc.ping.echoLong[i] = static_cast<std::uint8_t>(i * 7 + 3);
    doc.ping.echoLong[800] = 0x99;  // beyond the samples: never recorded
    doc.orientation.pitchDeg = 1.5;
    doc.orientation.rollDeg = -2.25;
    doc.orientation.distanceM = 12.345;
    doc.orientation.pitchValid = 1;
    doc.orientation.rollValid = 0;
    doc.orientation.distanceValid = 1;
}

// The record bytes of setKnownPing, spelt out.
Bytes expectedKnownRecord(bool orientation) {
    Bytes r(orientation ? 1152 : 1024, 0);
    const char* magic = "QZR";
    std::memcpy(&r[0], magic, 3);
    r[3] = 4;
    r[4] = 0x04;
    r[5] = orientation ? 0x80 : 0x00;
    r[6] = 0x03;
    r[7] = 0x2D;
    std::memcpy(&r[8], "08-DEC-2026", 11);
    std::memcpy(&r[20], "14:03:07", 8);
    std::memcpy(&r[29], ".45", 3);
    r[34] = orientation ? 1 : 0;
    r[37] = 0x80 | 0x40 | (1 << 3) | 4;  // direction, Fwd, Polar, step 8 -> code 4
    r[38] = 12;
    r[39] = 120;
    r[40] = 10;  // 30 degrees / 3
    r[41] = 20;
    r[42] = 60;
    r[43] = 0x40 | (1 << 3) | 1;  // zero Down, format byte 8 -> 1
    r[44] = 3;
    r[46] = 0xB9;  // 1480.55 -> 14805 | 0x8000
    r[47] = 0xD5;
    r[80] = 0x08;
    r[81] = 0xCA;
    r[82] = 0x23;
    r[83] = 0x45;
    const std::uint8_t header[12] = {'Q',  'S', 'Z',  0x10, 0x02, 0x05,
                                     0x41, 20,  0x20, 0x06, 0xAA, 0xBB};
    std::memcpy(&r[100], header, 12);
    for (std::size_t i = 0; i < 800; ++i) r[112 + i] = static_cast<std::uint8_t>(i * 7 + 3);
    r[912] = 0xFC;
    if (orientation) {
        r[1024 + 74] = 0x05;  // pitch and distance valid
        // 1.5f = 0x3FC00000, -2.25f = 0xC0100000, 12.345f = 0x4145851F, little-endian
        const std::uint8_t floats[12] = {0x00, 0x00, 0xC0, 0x3F, 0x00, 0x00,
                                         0x10, 0xC0, 0x1F, 0x85, 0x45, 0x41};
        std::memcpy(&r[1024 + 75], floats, 12);
    }
    return r;
}

TEST(RecordWriter, KnownPingWithoutOrientationGivesTheExactBytes) {
    auto doc = std::make_unique<CSondrelDoc>();
    setKnownPing(*doc);
    doc->link.prdEnable = 0;
    RecordBuffer buffer;
    const std::size_t length = encodeRecord(test::stampedPing(*doc), buffer);
    ASSERT_EQ(length, 1024u);
    const Bytes expected = expectedKnownRecord(false);
    for (std::size_t i = 0; i < length; ++i) EXPECT_EQ(buffer[i], expected[i]) << "byte " << i;
}

TEST(RecordWriter, KnownPingWithOrientationGivesTheExactBytes) {
    auto doc = std::make_unique<CSondrelDoc>();
    setKnownPing(*doc);
    doc->link.prdEnable = 1;
    RecordBuffer buffer;
    const std::size_t length = encodeRecord(test::stampedPing(*doc), buffer);
    ASSERT_EQ(length, 1152u);
    const Bytes expected = expectedKnownRecord(true);
    for (std::size_t i = 0; i < length; ++i) EXPECT_EQ(buffer[i], expected[i]) << "byte " << i;
}

TEST(RecordWriter, TextsLongerThanTheirFieldsAreCutAndShortOnesLeaveZeros) {
    auto doc = std::make_unique<CSondrelDoc>();
    doc->ping.dateText = "08-DEC-2026-and-more";
    doc->ping.timeText = "1:2";
    doc->ping.hundredthsText = ". 5xyz";
    RecordBuffer b;
    encodeRecord(test::stampedPing(*doc), b);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[8]), 12),
              std::string("08-DEC-2026\0", 12));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[20]), 9),
              std::string("1:2\0\0\0\0\0\0", 9));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[29]), 5), std::string(". 5\0\0", 5));
}

TEST(RecordWriter, WriteRecordAppendsAndClaimsTheLongBlock) {
    TempPath path("write_record_");
    auto doc = std::make_unique<CSondrelDoc>();
    setKnownPing(*doc);
    doc->ping.blockLength = 265;
    BinaryFile file;
    ASSERT_TRUE(file.create(path.str()));
    doc->link.prdEnable = 0;
    ASSERT_TRUE(writeRecord(test::stampedPing(*doc), file));
    doc->link.prdEnable = 1;
    ASSERT_TRUE(writeRecord(test::stampedPing(*doc), file));
    // The record claims a long block; the ping written is left as it is.
    EXPECT_EQ(doc->ping.blockLength, 265);
    EXPECT_EQ(file.size(), 1024 + 1152);
    file.close();
    const std::string written = test::readBytes(path.str());
    EXPECT_EQ(static_cast<std::uint8_t>(written[rec::kBlockLength]) * 256 +
                  static_cast<std::uint8_t>(written[rec::kBlockLength + 1]),
              813);

    BinaryFile closed;
    EXPECT_FALSE(writeRecord(test::stampedPing(*doc), closed));
}

TEST(RecordCodes, StepSizesRoundTripThroughTheirCodes) {
    struct Case {
        int written, code, readBack;
    };
    // 0 ("None", SideScan) and the never-kept 5 and 7 play back as 1.
    const Case cases[] = {{1, 0, 1}, {2, 1, 2}, {3, 2, 3}, {4, 3, 4}, {8, 4, 8},
                          {6, 5, 6}, {0, 0, 1}, {5, 0, 1}, {7, 0, 1}, {200, 0, 1}};
    for (const Case& c : cases) {
        EXPECT_EQ(stepSizeCodeFor(c.written), c.code) << c.written;
        EXPECT_EQ(stepSizeForCode(stepSizeCodeFor(c.written)), c.readBack) << c.written;
    }
    EXPECT_EQ(stepSizeForCode(6), 7);
    EXPECT_EQ(stepSizeForCode(7), 8);
}

TEST(RecordCodes, DataSizeCodesAndRecordSizes) {
    const int counts[] = {0, 128, 250, 500, 800, 1000, 1500, 2000, 3000, 4000};
    for (int code = 0; code <= 9; ++code) EXPECT_EQ(dataPointCountForCode(code, 42), counts[code]);
    EXPECT_EQ(dataPointCountForCode(10, 42), 42);
    EXPECT_EQ(dataPointCountForCode(255, 42), 42);
    for (int code = 0; code < 256; ++code) {
        const std::int64_t expected = code == 4 ? 1024 : code == 8 ? 3200 : 0;
        EXPECT_EQ(baseRecordSizeForCode(code), expected) << code;
    }
}

TEST(RecordCodes, SoundVelocityFieldAndItsLimits) {
    EXPECT_EQ(soundVelocityField(1500.0), 0xBA98);
    EXPECT_EQ(soundVelocityField(1480.55), 0xB9D5);
    EXPECT_DOUBLE_EQ(soundVelocityFromField(0xBA98, 1400.0), 1500.0);
    EXPECT_DOUBLE_EQ(soundVelocityFromField(0xB9D5, 1400.0), 1480.5);
    EXPECT_DOUBLE_EQ(soundVelocityFromField(0x8000 | 7500, 1400.0), 750.0);
    EXPECT_DOUBLE_EQ(soundVelocityFromField(0x8000 | 22500, 1400.0), 2250.0);
    // Present but implausible: the value in force stays.
    EXPECT_DOUBLE_EQ(soundVelocityFromField(0x8000 | 7499, 1400.0), 1400.0);
    EXPECT_DOUBLE_EQ(soundVelocityFromField(0x8000 | 22501, 1400.0), 1400.0);
    // Absent: the standard value.
    EXPECT_DOUBLE_EQ(soundVelocityFromField(14805, 1400.0), 1500.0);
}

TEST(RecordCodes, FrequencyCodesKeepTheirLowByte) {
    EXPECT_EQ(frequencyCodeForKhz(2250), 159);
    EXPECT_EQ(frequencyCodeForKhz(675), 100);
    EXPECT_EQ(frequencyCodeForKhz(679), 100);
    EXPECT_EQ(frequencyCodeForKhz(680), 101);
    EXPECT_EQ(frequencyCodeForKhz(0), (-135 + 100) & 0xFF);  // truncation toward zero
    EXPECT_EQ(frequencyCodeForKhz(671), 100);                // -4 / 5 is 0, not -1
    EXPECT_EQ(frequencyCodeForKhz(65535), ((65535 - 675) / 5 + 100) & 0xFF);
}

TEST(RecordCodes, DataFormatCodes) {
    EXPECT_EQ(dataFormatCodeFor(16), 2);
    EXPECT_EQ(dataFormatCodeFor(8), 1);
    EXPECT_EQ(dataFormatCodeFor(4), 0);
    EXPECT_EQ(dataFormatCodeFor(5), 0);
    EXPECT_EQ(dataFormatByteForCode(0, 99), 4);
    EXPECT_EQ(dataFormatByteForCode(1, 99), 8);
    EXPECT_EQ(dataFormatByteForCode(2, 99), 16);
    for (int code = 3; code < 8; ++code) EXPECT_EQ(dataFormatByteForCode(code, 99), 99);
}

TEST(RecordTexts, MillisecondsAndDateRepair) {
    EXPECT_EQ(millisecondTextFor(".45"), ".450");
    EXPECT_EQ(millisecondTextFor(". 5"), ".050");
    EXPECT_EQ(millisecondTextFor(".00"), ".000");

    std::array<std::uint8_t, kRecordHeaderSize> h{};
    std::memcpy(&h[8], "08-DEC-2026X", 12);
    EXPECT_EQ(recordedDateText(h), "08-DEC-2026");
    h[19] = 0;
    EXPECT_EQ(recordedDateText(h), "08-DEC-2026");
    // The halves of the year end at their first non-digit.
    std::memcpy(&h[8], "31-JAN-1X7YZ", 12);
    EXPECT_EQ(recordedDateText(h), "31-JAN-0107");
    std::memcpy(&h[8], "31-JAN-ABCDE", 12);
    EXPECT_EQ(recordedDateText(h), "31-JAN-0000");
}

// ------------------------------------------------------------------ reading

// Records are read while a file plays: what they hold is then what shows.
std::unique_ptr<CSondrelDoc> playingDocument() {
    auto doc = std::make_unique<CSondrelDoc>();
    doc->flags.playbackActive = true;
    return doc;
}

struct ReadFixture : ::testing::Test {
    TempPath path{"read_record_"};
    std::unique_ptr<CSondrelDoc> writer = std::make_unique<CSondrelDoc>();
    std::unique_ptr<CSondrelDoc> reader = playingDocument();

    Bytes recordOf(CSondrelDoc& doc) {
        RecordBuffer b;
        const std::size_t n = encodeRecord(test::stampedPing(doc), b);
        return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
    }
    ReadOutcome readAt(std::int64_t position) {
        BinaryFile file;
        EXPECT_TRUE(file.openRead(path.str()));
        const ReadOutcome outcome = readRecord(*reader, file, position);
        if (outcome.status == ReadStatus::Valid || outcome.status == ReadStatus::InvalidHeader) {
            EXPECT_EQ(file.tell(), outcome.nextPosition);
        }
        return outcome;
    }
};

TEST_F(ReadFixture, EveryRecordedFieldComesBack) {
    setKnownPing(*writer);
    writer->link.prdEnable = 1;
    writer->head.scanMode = kSector;
    writer->head.setCurrentSectorWidth(40);
    writer->head.command[cmd::kDataFormat] = 16;
    writer->pings.pingPeriodRounded = 850;
    writeBytes(path.str(), recordOf(*writer));

    reader->ping.stepDirection = 0;
    const CommandBuffer live = reader->head.command;
    const ReadOutcome o = readAt(0);
    ASSERT_EQ(o.status, ReadStatus::Valid);
    EXPECT_EQ(o.recordSize, 1152);
    EXPECT_EQ(o.nextPosition, 1152);
    const CSondrelDoc& d = *reader;
    const HeadSettings shown = d.headOnShow();
    // Playback leaves the live head's settings and command as they were.
    EXPECT_EQ(d.head.command, live);
    EXPECT_EQ(d.ping.recordSize, 1152);
    EXPECT_EQ(d.ping.blockLength, 813);
    EXPECT_EQ(d.ping.dateText, "08-DEC-2026");
    EXPECT_EQ(d.ping.timeText, "14:03:07");
    EXPECT_EQ(d.ping.hundredthsText, ".45");
    EXPECT_EQ(d.ping.millisecondText, ".450");
    EXPECT_TRUE(d.orientationInputOnShow());
    EXPECT_EQ(d.ping.stepDirection, 1);  // from the return header, which agrees
    EXPECT_EQ(shown.xdcrForward, 1);
    EXPECT_EQ(shown.trainReversed, 1);
    EXPECT_EQ(shown.scanMode, kSector);
    EXPECT_EQ(shown.stepSize, 8);
    EXPECT_EQ(shown.command[cmd::kStepSize], 8);
    EXPECT_EQ(shown.gainDb, 12);
    EXPECT_EQ(shown.command[cmd::kGain], 12);
    EXPECT_EQ(shown.currentSectorWidth, 40);
    EXPECT_EQ(shown.command[cmd::kSectorWidth], 40);
    EXPECT_EQ(shown.trainDegrees, 30);
    EXPECT_EQ(shown.currentTrain, 30);
    EXPECT_EQ(shown.absorptionCode, 60);
    EXPECT_EQ(shown.command[cmd::kAbsorption], 60);
    EXPECT_EQ(shown.command[cmd::kDataFormat], 16);
    EXPECT_EQ(shown.zeroDown, 1);
    EXPECT_EQ(shown.command[cmd::kFixed9], 1);
    EXPECT_EQ(shown.pulseLengthCode, 3);
    EXPECT_EQ(shown.command[cmd::kPulseLength], 3);
    EXPECT_DOUBLE_EQ(shown.soundVelocity, 1480.5);
    EXPECT_EQ(shown.frequencyCode, 159);
    EXPECT_EQ(shown.command[cmd::kFrequency], 159);
    EXPECT_EQ(d.pingPeriodOnShow(), 850);
    // Return header, decoded in its playback form.
    EXPECT_EQ(d.ping.returnHeader, writer->ping.returnHeader);
    EXPECT_EQ(d.ping.headId, 0x10);
    EXPECT_EQ(d.ping.headStatusLow, 2);
    EXPECT_EQ(d.ping.headPosition, 0x01 * 128 + 5);
    EXPECT_EQ(shown.rangeIndex, 4);
    EXPECT_DOUBLE_EQ(shown.rangeMetres, 2.0);
    EXPECT_EQ(shown.command[cmd::kRange], 20);
    EXPECT_EQ(d.ping.dataBytes, 6 * 128 + 0x20);
    EXPECT_EQ(d.ping.dataPointCount, 800);
    // The samples, and nothing of the trailer or the extension after them.
    for (std::size_t i = 0; i < 800; ++i)
        ASSERT_EQ(d.ping.echoLong[i], writer->ping.echoLong[i]) << i;
    EXPECT_EQ(d.ping.echoLong[800], 0);
    // Orientation, widened from single precision.
    EXPECT_EQ(d.orientationOnShow().pitchValid, 1);
    EXPECT_EQ(d.orientationOnShow().rollValid, 0);
    EXPECT_EQ(d.orientationOnShow().distanceValid, 1);
    EXPECT_DOUBLE_EQ(d.orientationOnShow().pitchDeg, 1.5);
    EXPECT_DOUBLE_EQ(d.orientationOnShow().rollDeg, -2.25);
    EXPECT_DOUBLE_EQ(d.orientationOnShow().distanceM, static_cast<double>(12.345f));
}

TEST_F(ReadFixture, ARecordWithoutOrientationKeepsTheOrientationInForce) {
    setKnownPing(*writer);
    writer->link.prdEnable = 0;
    writeBytes(path.str(), recordOf(*writer));
    reader->orientation.pitchDeg = 7.0;
    reader->orientation.rollDeg = 8.0;
    reader->orientation.distanceM = 9.0;
    reader->orientation.rollValid = 1;
    reader->link.prdEnable = 1;
    const ReadOutcome o = readAt(0);
    ASSERT_EQ(o.status, ReadStatus::Valid);
    EXPECT_EQ(o.recordSize, 1024);
    EXPECT_FALSE(reader->orientationInputOnShow());
    EXPECT_EQ(reader->orientation.pitchDeg, 7.0);
    EXPECT_EQ(reader->orientation.rollDeg, 8.0);
    EXPECT_EQ(reader->orientation.distanceM, 9.0);
    EXPECT_EQ(reader->orientation.rollValid, 1);
}

TEST_F(ReadFixture, StepSizeZeroPlaysBackAsOne) {
    setKnownPing(*writer);
    writer->head.setStepSize(0);
    writeBytes(path.str(), recordOf(*writer));
    ASSERT_EQ(readAt(0).status, ReadStatus::Valid);
    EXPECT_EQ(reader->headOnShow().stepSize, 1);
    EXPECT_EQ(reader->headOnShow().command[cmd::kStepSize], 1);
}

TEST_F(ReadFixture, RepairedFieldsAndAbsentValues) {
    setKnownPing(*writer);
    Bytes r = recordOf(*writer);
    r[19] = 'X';                // date terminator overwritten
    std::memset(&r[29], 0, 3);  // no hundredths
    r[46] = 0x3A;               // sound velocity without its "present" bit
    r[47] = 0x98;
    writeBytes(path.str(), r);
    reader->ping.settings.soundVelocity = 1450.0;
    ASSERT_EQ(readAt(0).status, ReadStatus::Valid);
    EXPECT_EQ(reader->ping.dateText, "08-DEC-2026");
    EXPECT_EQ(reader->ping.hundredthsText, ".00");
    EXPECT_EQ(reader->ping.millisecondText, ".000");
    EXPECT_DOUBLE_EQ(reader->headOnShow().soundVelocity, 1500.0);
}

TEST_F(ReadFixture, UnterminatedTextsStayInsideTheirFields) {
    setKnownPing(*writer);
    Bytes r = recordOf(*writer);
    std::memset(&r[8], 'A', 34 - 8);  // no zero from the date to the flags
    writeBytes(path.str(), r);
    ASSERT_EQ(readAt(0).status, ReadStatus::Valid);
    EXPECT_EQ(reader->ping.dateText, "AAAAAAA0000");  // repaired: no digits in the year
    EXPECT_EQ(reader->ping.timeText, "AAAAAAAA");
    EXPECT_EQ(reader->ping.hundredthsText, "AAA");
    EXPECT_EQ(reader->ping.millisecondText, "AAA0");
}

TEST_F(ReadFixture, AnInvalidReturnHeaderTakesTheSettingsButNotThePing) {
    setKnownPing(*writer);
    Bytes r = recordOf(*writer);
    r[100] = 'X';
    writeBytes(path.str(), r);
    reader->ping.echoLong.fill(0x11);
    reader->ping.headPosition = 99;
    reader->ping.headId = 0x77;
    const auto header = reader->ping.returnHeader;
    const ReadOutcome o = readAt(0);
    EXPECT_EQ(o.status, ReadStatus::InvalidHeader);
    EXPECT_EQ(o.nextPosition, 1024);
    // Settings of the record header are in force ...
    EXPECT_EQ(reader->headOnShow().gainDb, 12);
    EXPECT_EQ(reader->ping.timeText, "14:03:07");
    // ... the ping state and the echo buffer are not touched.
    EXPECT_EQ(reader->ping.headPosition, 99);
    EXPECT_EQ(reader->ping.headId, 0x77);
    EXPECT_EQ(reader->ping.echoLong[0], 0x11);
    EXPECT_EQ(reader->ping.echoLong[500], 0x11);
    EXPECT_NE(reader->ping.returnHeader, header);  // the raw header is kept for diagnostics
    EXPECT_EQ(reader->ping.headerText, "XSZ");
}

TEST_F(ReadFixture, ImageIsClearedOnlyWhenModeWidthOrTrainChange) {
    setKnownPing(*writer);
    const Bytes base = recordOf(*writer);
    // Reads the known ping, then one record with a single change; reports
    // whether that second record cleared the image.
    const auto clears = [&](auto change) {
        writeBytes(path.str(), base);
        EXPECT_EQ(readAt(0).status, ReadStatus::Valid);
        auto doc = std::make_unique<CSondrelDoc>();
        setKnownPing(*doc);
        change(*doc);
        writeBytes(path.str(), recordOf(*doc));
        reader->sonarBitmap.pixels()[4242] = 9;
        EXPECT_EQ(readAt(0).status, ReadStatus::Valid);
        return reader->sonarBitmap.pixels()[4242] == 0;
    };
    EXPECT_FALSE(clears([](CSondrelDoc&) {}));
    EXPECT_FALSE(clears([](CSondrelDoc& d) { d.head.setGain(3); }));
    EXPECT_FALSE(clears([](CSondrelDoc& d) { d.head.setRangeIndex(2); }));
    EXPECT_TRUE(clears([](CSondrelDoc& d) { d.head.scanMode = kSector; }));
    EXPECT_TRUE(clears([](CSondrelDoc& d) { d.head.setCurrentSectorWidth(60); }));
    EXPECT_TRUE(clears([](CSondrelDoc& d) { d.head.trainDegrees = 90; }));
}

TEST_F(ReadFixture, ScanModeCodesBeyondSideScanKeepTheModeInForce) {
    setKnownPing(*writer);
    Bytes r = recordOf(*writer);
    r[37] = static_cast<std::uint8_t>((r[37] & ~0x38) | (6 << 3));
    writeBytes(path.str(), r);
    reader->ping.settings.scanMode = kSideScan;
    ASSERT_EQ(readAt(0).status, ReadStatus::Valid);
    EXPECT_EQ(reader->headOnShow().scanMode, kSideScan);
}

TEST(RecordPlayback, APlayedRecordNeverReachesTheCommand) {
    // A record of the known ping with one field changed to a value that
    // would frame the command, or one short of that: the live command is
    // left as it was and stays sendable, and what shows is what the record
    // holds.
    struct Case {
        const char* field;
        std::size_t commandByte;
        int HeadSettings::*setting;  // the shown value that goes with the byte, if any
        std::function<void(Bytes&, std::uint8_t)> put;
    };
    const auto headerByte = [](std::size_t offset) {
        return [offset](Bytes& r, std::uint8_t v) { r[offset] = v; };
    };
    // The frequency field is in kHz: 675 + 5 x (code - 100) gives the code.
    const auto frequencyFor = [](Bytes& r, std::uint8_t code) {
        const int khz = 675 + 5 * (code - 100);
        r[rec::kFrequency] = static_cast<std::uint8_t>(khz >> 8);
        r[rec::kFrequency + 1] = static_cast<std::uint8_t>(khz & 0xFF);
    };
    using D = HeadSettings;
    const Case cases[] = {
        {"byte 41, the range code", cmd::kRange, nullptr, headerByte(rec::kRangeCode)},
        {"gain", cmd::kGain, &D::gainDb, headerByte(rec::kGain)},
        {"sector width", cmd::kSectorWidth, &D::currentSectorWidth, headerByte(rec::kSectorWidth)},
        {"absorption", cmd::kAbsorption, &D::absorptionCode, headerByte(rec::kAbsorption)},
        {"pulse length", cmd::kPulseLength, &D::pulseLengthCode, headerByte(rec::kPulseLength)},
        {"frequency", cmd::kFrequency, &D::frequencyCode, frequencyFor},
    };
    auto writer = std::make_unique<CSondrelDoc>();
    setKnownPing(*writer);
    RecordBuffer buffer;
    const std::size_t n = encodeRecord(test::stampedPing(*writer), buffer);
    for (const Case& c : cases) {
        for (const std::uint8_t value : {cmd::kEndByte, cmd::kStartByte, std::uint8_t{0xFC}}) {
            SCOPED_TRACE(std::string(c.field) + " " + std::to_string(value));
            Bytes record(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
            c.put(record, value);
            auto doc = playingDocument();
            const CommandBuffer before = doc->head.command;
            ASSERT_EQ(decodeRecord(*doc, record), ReadStatus::Valid);
            EXPECT_EQ(doc->head.command, before);
            EXPECT_TRUE(isSendable(doc->head.command));
            const HeadSettings shown = doc->headOnShow();
            EXPECT_EQ(shown.command[c.commandByte], value);
            if (c.setting) {
                EXPECT_EQ(shown.*c.setting, value);
            }
        }
    }
}

TEST(RecordPlayback, AnOrientationFieldHoldingNoNumberIsNoReading) {
    auto writer = std::make_unique<CSondrelDoc>();
    setKnownPing(*writer);
    writer->link.prdEnable = 1;
    writer->orientation.rollValid = 1;
    RecordBuffer buffer;
    const std::size_t n = encodeRecord(test::stampedPing(*writer), buffer);
    const std::uint32_t notNumbers[] = {0x7FC00000u, 0xFFC00001u, 0x7F800000u, 0xFF800000u};
    const std::size_t fields[] = {rec::kPitch, rec::kRoll, rec::kDistance};
    for (const std::size_t field : fields) {
        for (const std::uint32_t bits : notNumbers) {
            SCOPED_TRACE(std::to_string(field) + " " + std::to_string(bits));
            Bytes record(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
            for (int i = 0; i < 4; ++i)
                record[kRecordSize + field + static_cast<std::size_t>(i)] =
                    static_cast<std::uint8_t>(bits >> (8 * i));
            auto doc = playingDocument();
            ASSERT_EQ(decodeRecord(*doc, record), ReadStatus::Valid);
            const OrientationReadings& o = doc->orientationOnShow();
            const struct {
                std::size_t field;
                int valid;
                double value, recorded;
            } readings[] = {
                {rec::kPitch, o.pitchValid, o.pitchDeg, 1.5},
                {rec::kRoll, o.rollValid, o.rollDeg, -2.25},
                {rec::kDistance, o.distanceValid, o.distanceM, static_cast<double>(12.345f)}};
            for (const auto& r : readings) {
                EXPECT_EQ(r.valid, r.field == field ? 0 : 1);
                EXPECT_EQ(r.value, r.field == field ? 0.0 : r.recorded);
            }
        }
    }
}

TEST_F(ReadFixture, RecordsFollowEachOtherAndAShortTailEndsTheFile) {
    setKnownPing(*writer);
    Bytes file;
    writer->link.prdEnable = 0;
    Bytes a = recordOf(*writer);
    writer->link.prdEnable = 1;
    writer->ping.timeText = "14:03:08";
    Bytes b = recordOf(*writer);
    file.insert(file.end(), a.begin(), a.end());
    file.insert(file.end(), b.begin(), b.end());
    // A third record cut short after its return header.
    file.insert(file.end(), a.begin(), a.begin() + 500);
    writeBytes(path.str(), file);

    EXPECT_EQ(readAt(0).nextPosition, 1024);
    const ReadOutcome second = readAt(1024);
    EXPECT_EQ(second.status, ReadStatus::Valid);
    EXPECT_EQ(second.nextPosition, 1024 + 1152);
    EXPECT_EQ(reader->ping.timeText, "14:03:08");

    // Nothing of the partial record may reach the document.
    reader->ping.timeText = "untouched";
    reader->ping.settings.gain = 5;
    const ReadOutcome third = readAt(1024 + 1152);
    EXPECT_EQ(third.status, ReadStatus::EndOfFile);
    EXPECT_EQ(third.nextPosition, 1024 + 1152);
    EXPECT_EQ(reader->ping.timeText, "untouched");
    EXPECT_EQ(reader->ping.settings.gain, 5);

    // Fewer than 100 bytes: not even a header.
    EXPECT_EQ(readAt(1024 + 1152 + 450).status, ReadStatus::EndOfFile);
    EXPECT_EQ(readAt(1 << 20).status, ReadStatus::EndOfFile);
}

TEST_F(ReadFixture, UnknownDataSizeCodesAreNotSized) {
    setKnownPing(*writer);
    Bytes r = recordOf(*writer);
    for (int code : {0, 1, 2, 3, 5, 6, 7, 9, 200}) {
        r[3] = static_cast<std::uint8_t>(code);
        writeBytes(path.str(), r);
        reader->ping.timeText = "untouched";
        const ReadOutcome o = readAt(0);
        EXPECT_EQ(o.status, ReadStatus::Unsizable) << code;
        EXPECT_EQ(o.nextPosition, 0) << code;
        EXPECT_EQ(reader->ping.timeText, "untouched") << code;
    }
}

TEST_F(ReadFixture, LargeRecordsAreReadWhole) {
    setKnownPing(*writer);
    Bytes r = recordOf(*writer);
    r[3] = 8;
    r.resize(3200, 0x5A);
    r[34] = 1;  // with the extension: 3328 bytes
    r.resize(3328, 0x6B);
    Bytes file = r;
    file.insert(file.end(), r.begin(), r.end());
    writeBytes(path.str(), file);
    const ReadOutcome o = readAt(0);
    ASSERT_EQ(o.status, ReadStatus::Valid);
    EXPECT_EQ(o.recordSize, 3328);
    EXPECT_EQ(o.nextPosition, 3328);
    EXPECT_EQ(reader->ping.dataPointCount, 800);  // the return header has the last word
    EXPECT_EQ(reader->ping.recordSize, 3328);
    EXPECT_EQ(readAt(3328).status, ReadStatus::Valid);
}

TEST_F(ReadFixture, ZeroRecordLengthFieldDoesNotMatter) {
    // The reader sizes records by their size code and flag, never by the
    // length field that a damaged file may hold.
    setKnownPing(*writer);
    Bytes r = recordOf(*writer);
    r[4] = r[5] = 0;
    Bytes file = r;
    file.insert(file.end(), r.begin(), r.end());
    writeBytes(path.str(), file);
    EXPECT_EQ(readAt(0).nextPosition, 1024);
    EXPECT_EQ(readAt(1024).status, ReadStatus::Valid);
}

TEST(RecordDecode, NeverReadsPastTheGivenBytes) {
    auto doc = std::make_unique<CSondrelDoc>();
    setKnownPing(*doc);
    doc->link.prdEnable = 1;
    RecordBuffer b;
    const std::size_t n = encodeRecord(test::stampedPing(*doc), b);
    auto reader = std::make_unique<CSondrelDoc>();
    for (std::size_t size :
         {std::size_t{0}, std::size_t{99}, std::size_t{100}, std::size_t{1024}, n - 1}) {
        // An exact-size heap copy lets a sanitizer build catch any overread.
        std::vector<std::uint8_t> copy(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_EQ(decodeRecord(*reader, copy), ReadStatus::EndOfFile) << size;
    }
    std::vector<std::uint8_t> whole(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_EQ(decodeRecord(*reader, whole), ReadStatus::Valid);
}

TEST(RecordParse, StatusSizeAndContentsForEachShapeOfInput) {
    auto doc = std::make_unique<CSondrelDoc>();
    setKnownPing(*doc);
    RecordBuffer b;
    const std::size_t n = encodeRecord(test::stampedPing(*doc), b);
    ASSERT_EQ(n, kRecordSize);
    const Bytes plain(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
    struct Case {
        const char* name;
        std::size_t length;                  // bytes given, the record padded with 0x77
        std::function<void(Bytes&)> change;  // applied to the padded bytes
        ReadStatus status;
        std::int64_t size;
        bool orientation;
    };
    const auto none = [](Bytes&) {};
    const Case cases[] = {
        {"header only", 100, none, ReadStatus::EndOfFile, 0, false},
        {"one byte short", 1023, none, ReadStatus::EndOfFile, 0, false},
        {"whole record", 1024, none, ReadStatus::Valid, 1024, false},
        {"bytes after the record", 1500, none, ReadStatus::Valid, 1024, false},
        {"unknown size code", 1024, [](Bytes& r) { r[rec::kDataSizeCode] = 5; },
         ReadStatus::Unsizable, 0, false},
        {"orientation flag, no extension", 1024, [](Bytes& r) { r[rec::kFlags] = 1; },
         ReadStatus::EndOfFile, 0, false},
        {"orientation extension", 1152, [](Bytes& r) { r[rec::kFlags] = 1; }, ReadStatus::Valid,
         1152, true},
        {"large record", 3200, [](Bytes& r) { r[rec::kDataSizeCode] = 8; }, ReadStatus::Valid, 3200,
         false},
        {"rejected return header", 1024, [](Bytes& r) { r[kRecordReturnHeaderOffset] = 'X'; },
         ReadStatus::InvalidHeader, 1024, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = plain;
        bytes.resize(std::max(bytes.size(), c.length), 0x77);
        c.change(bytes);
        bytes.resize(c.length);  // exact size: a sanitizer build sees any overread
        const ParsedRecord parsed = parseRecord(bytes);
        EXPECT_EQ(parsed.status, c.status);
        if (c.status == ReadStatus::EndOfFile || c.status == ReadStatus::Unsizable) continue;
        const Ping& p = parsed.ping;
        EXPECT_EQ(p.recordSize, c.size);
        EXPECT_TRUE(std::equal(p.echoLong.begin(), p.echoLong.begin() + kRecordSampleCount,
                               bytes.begin() + kRecordSamplesOffset));
        EXPECT_TRUE(std::equal(p.returnHeader.begin(), p.returnHeader.end(),
                               bytes.begin() + kRecordReturnHeaderOffset));
        EXPECT_EQ(p.settings.orientationOn, c.orientation);
    }
}

TEST(RecordParse, DecodingLeavesTheRepairsThatNeedTheDocumentToApplying) {
    auto doc = std::make_unique<CSondrelDoc>();
    setKnownPing(*doc);
    RecordBuffer b;
    Bytes bytes(b.begin(),
                b.begin() + static_cast<std::ptrdiff_t>(encodeRecord(test::stampedPing(*doc), b)));
    bytes[rec::kModes] = static_cast<std::uint8_t>((bytes[rec::kModes] & ~0x38) | (7 << 3));
    bytes[rec::kSoundVelocity] = 0x80;  // present but 0 m/s
    bytes[rec::kSoundVelocity + 1] = 0;
    const ParsedRecord parsed = parseRecord(bytes);
    ASSERT_EQ(parsed.status, ReadStatus::Valid);
    EXPECT_EQ(parsed.ping.settings.scanMode, 7);
    EXPECT_TRUE(std::isnan(parsed.ping.settings.soundVelocity));

    auto reader = playingDocument();
    reader->ping.settings.scanMode = kSideScan;
    reader->ping.settings.soundVelocity = 1450.0;
    EXPECT_TRUE(takePlayedPing(*reader, parsed.ping));
    EXPECT_EQ(reader->headOnShow().scanMode, kSideScan);
    EXPECT_EQ(reader->headOnShow().soundVelocity, 1450.0);
}

TEST(RecordParse, ArbitraryBytesNeverReadOutsideThem) {
    std::mt19937 random(7);
    for (int i = 0; i < 500; ++i) {
        Bytes bytes(random() % 3400);
        for (auto& x : bytes) x = static_cast<std::uint8_t>(random());
        if (bytes.size() > rec::kFlags) {
            bytes[rec::kDataSizeCode] = (i % 2) ? 4 : 8;
            bytes[rec::kFlags] = static_cast<std::uint8_t>(i % 4 < 2);
        }
        const ParsedRecord parsed = parseRecord(bytes);
        if (parsed.status == ReadStatus::EndOfFile || parsed.status == ReadStatus::Unsizable) {
            continue;
        }
        ASSERT_LE(static_cast<std::size_t>(parsed.ping.recordSize), bytes.size());
        ASSERT_EQ(parsed.ping.echoBytes, kRecordSampleCount);
    }
}

}  // namespace
}  // namespace sondrel

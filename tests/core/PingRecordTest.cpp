// A ping written as a record and read back is the same ping, and a played
// record written again is the same bytes: a copy made during playback is
// the recording it copies. Pings are generated within what a record can hold
// (its fields, widths and codes); the return header is built here from its
// fields, independently of the decoder.

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "acquisition/Ping.h"
#include "acquisition/SonarTables.h"
#include "recording/RecordFormat.h"

namespace sondrel {
namespace {

struct Kind {
    const char* letters;
    bool valid;
    int points;
};

class PingGenerator {
  public:
    explicit PingGenerator(unsigned seed) : random_(seed) {}

    Ping next(const Kind& kind, bool orientationOn) {
        Ping p;
        p.blockLength = kBlockLengthLong;
        p.headerBytes = kReturnHeaderSize;
        p.echoBytes = kRecordSampleCount;
        p.recordSize = orientationOn ? 1152 : 1024;
        p.headerText = kind.letters;

        // The return header from its fields.
        const int position = below(8192), dataBytes = below(32768), direction = below(2);
        const auto rangeCode = static_cast<std::uint8_t>(below(256));
        const auto status = static_cast<std::uint8_t>(below(256));
        auto& h = p.returnHeader;
        for (int i = 0; i < 3; ++i) h[i] = static_cast<std::uint8_t>(kind.letters[i]);
        h[3] = 0x10;
        h[4] = status;
        h[5] = static_cast<std::uint8_t>(position & 0x7F);
        h[6] = static_cast<std::uint8_t>((position >> 7) | (direction << 6));
        h[7] = rangeCode;
        h[8] = static_cast<std::uint8_t>(dataBytes & 0x7F);
        h[9] = static_cast<std::uint8_t>(dataBytes >> 7);
        h[10] = static_cast<std::uint8_t>(below(256));
        h[11] = static_cast<std::uint8_t>(below(256));
        p.stepDirection = direction;  // a rejected header leaves the record's own bit
        p.dataPointCount = 800;       // the record's size code, unless the header says more
        if (kind.valid) {
            p.headerValid = true;
            p.headId = 0x10;
            p.headStatus = status;
            p.headStatusLow = status & 3;
            p.headPosition = position;
            p.dataBytes = dataBytes;
            p.dataPointCount = kind.points;
            p.rangeCode = rangeCode;
            p.rangeIndex = rangeIndexForCode(rangeCode);
        }
        for (std::size_t i = 0; i < kRecordSampleCount; ++i)
            p.echoLong[i] = static_cast<std::uint8_t>(below(256));

        char text[32];  // room for any int the format could be handed
        std::snprintf(text, sizeof text, "%02d-%s-%04d", 1 + below(28),
                      kMonths[static_cast<std::size_t>(below(12))], 1990 + below(80));
        p.dateText = text;
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", below(24), below(60), below(60));
        p.timeText = text;
        const int hundredths = below(100);
        std::snprintf(text, sizeof text, ".%2d", hundredths);
        p.hundredthsText = text;
        std::snprintf(text, sizeof text, ".%02d0", hundredths);
        p.millisecondText = text;

        PingSettings& s = p.settings;
        s.orientationOn = orientationOn;
        s.rangeCode = static_cast<std::uint8_t>(below(256));
        s.gain = static_cast<std::uint8_t>(below(256));
        s.sectorWidth = static_cast<std::uint8_t>(below(256));
        s.trainDegrees = 3 * below(256);
        s.scanMode = below(8);
        s.stepSize = kStepSizes[static_cast<std::size_t>(below(6))];
        s.absorption = static_cast<std::uint8_t>(below(256));
        s.pulseLength = static_cast<std::uint8_t>(below(256));
        s.frequencyCode = 159;  // a record claims 2250 kHz, whatever the head was set to
        s.dataFormat = kFormats[static_cast<std::size_t>(below(3))];
        s.fixed9 = 1;
        // Tenths of a metre per second, as a record keeps them.
        do {
            const int tenths = 7500 + below(15001);
            s.soundVelocity = tenths / 10.0;
            if (static_cast<int>(s.soundVelocity * 10.0) == tenths) break;
        } while (true);
        s.xdcrForward = below(2);
        s.zeroDown = below(2);
        s.pingPeriodRounded = below(65536);
        if (orientationOn) {
            OrientationReadings& o = p.orientation;
            o.pitchValid = below(2);
            o.rollValid = below(2);
            o.distanceValid = below(2);
            o.pitchDeg = single(-90.0, 90.0);
            o.rollDeg = single(-180.0, 180.0);
            o.distanceM = single(-100.0, 2000.0);
        }
        return p;
    }

  private:
    static constexpr std::array<const char*, 12> kMonths = {
        "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    static constexpr std::array<int, 6> kStepSizes = {1, 2, 3, 4, 6, 8};
    static constexpr std::array<int, 3> kFormats = {4, 8, 16};

    int below(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }
    // A record keeps single precision.
    double single(double low, double high) {
        const double x = std::uniform_real_distribution<double>(low, high)(random_);
        return static_cast<double>(static_cast<float>(x));
    }

    std::mt19937 random_;
};

TEST(PingRecord, APingWrittenAndReadIsTheSamePingAndItsRecordTheSameBytes) {
    const Kind kinds[] = {{"QSZ", true, 800}, {"QMZ", true, 250}, {"QGZ", true, 500},
                          {"qsz", true, 800}, {"QXZ", false, 0},  {"123", false, 0}};
    PingGenerator generate(2026);
    for (const Kind& kind : kinds) {
        for (const bool orientationOn : {false, true}) {
            for (int i = 0; i < 200; ++i) {
                SCOPED_TRACE(std::string(kind.letters) + (orientationOn ? " with" : " without") +
                             " orientation, ping " + std::to_string(i));
                const Ping p = generate.next(kind, orientationOn);
                RecordBuffer record;
                const std::size_t length = encodeRecord(p, record);
                ASSERT_EQ(static_cast<std::int64_t>(length), p.recordSize);
                const ParsedRecord parsed = parseRecord({record.data(), length});
                ASSERT_EQ(parsed.status,
                          kind.valid ? ReadStatus::Valid : ReadStatus::InvalidHeader);
                ASSERT_EQ(parsed.ping, p);

                RecordBuffer again;
                ASSERT_EQ(encodeRecord(parsed.ping, again), length);
                ASSERT_EQ(again, record);
            }
        }
    }
}

}  // namespace
}  // namespace sondrel

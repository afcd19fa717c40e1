#pragma once
// A ping as a value: the return block the head sent (its header as received
// and decoded, its echo samples), when it came, the orientation readings
// taken with it, the head settings it was taken with and, for a played ping,
// where its record lies. The live link and the data file both produce one;
// recording, the profile, the diagnostics and the pipe geometry read one.

#include <array>
#include <cstdint>
#include <string>

#include "acquisition/SonarTables.h"

namespace sondrel {

// Block lengths by type letters. Both links read a long block's length per
// ping, and every record claims it.
inline constexpr int kBlockLengthShort = 265;   // "QMZ", 250 samples
inline constexpr int kBlockLengthMedium = 513;  // "QGZ", 500 samples
inline constexpr int kBlockLengthLong = 813;    // "QSZ", 800 samples

inline constexpr std::size_t kReturnHeaderSize = 12;
// The echo data that follow the header of a long block, and of the shorter kinds.
inline constexpr std::size_t kEchoLongSize = kBlockLengthLong - kReturnHeaderSize;
inline constexpr std::size_t kEchoShortSize = kBlockLengthMedium - kReturnHeaderSize;

// Pitch, roll and distance, and whether each was read.
struct OrientationReadings {
    double pitchDeg = 0.0, rollDeg = 0.0, distanceM = 0.0;
    int pitchValid = 0, rollValid = 0, distanceValid = 0;
    bool operator==(const OrientationReadings&) const = default;
};

// The head settings a ping was taken with, as a record keeps them. A played
// record may hold values that say nothing (a damaged field); those are marked
// here, and the ping on show keeps what it had instead.
struct PingSettings {
    static constexpr int kUnknown = -1;

    std::uint8_t rangeCode = 10;  // the range asked for (command byte 3)
    std::uint8_t gain = 6;
    std::uint8_t sectorWidth = 120;
    int trainDegrees = 0;
    int scanMode = kPolar;  // a record's 3 bits may hold a code beyond the three modes
    int stepSize = 3;
    std::uint8_t absorption = 170;
    std::uint8_t pulseLength = 1;
    int frequencyCode = 100;
    int dataFormat = 16;      // command byte 20: 4, 8 or 16; kUnknown when a record says none
    std::uint8_t fixed9 = 1;  // command byte 9
    // Metres per second; not a number when a record holds a velocity beyond belief.
    double soundVelocity = kDefaultSoundVelocity;
    int xdcrForward = 0;
    int zeroDown = 0;
    int pingPeriodRounded = 0;
    // The orientation input was on: the readings belong to the ping (and its
    // record carries them).
    bool orientationOn = false;

    bool operator==(const PingSettings&) const = default;
};

struct Ping {
    // ---- the block as received: its header bytes, type letters and length,
    // and how much of it came (a link always delivers whole blocks; a test or
    // a damaged record may not)
    std::array<std::uint8_t, kReturnHeaderSize> returnHeader{};
    std::string headerText;
    int blockLength = kBlockLengthShort;
    std::size_t headerBytes = 0;
    std::size_t echoBytes = 0;

    // ---- the header decoded; the fields mean something only when it is valid
    bool headerValid = false;
    std::uint8_t headId = 16;
    std::uint8_t headStatus = 0;
    int headStatusLow = 0;
    int stepDirection = 1;
    int headPosition = 0;
    int dataBytes = 0;
    int dataPointCount = 552;  // kUnknown from a record of a size code without a count
    std::uint8_t rangeCode = 0;
    int rangeIndex = 3;

    // ---- the echo data: a long block's (its first 800 bytes are the 400
    // profile ranges), or a shorter kind's
    std::array<std::uint8_t, kEchoLongSize> echoLong{};
    std::array<std::uint8_t, kEchoShortSize> echoShort{};

    // ---- when, with what readings and settings
    std::string dateText, timeText, millisecondText, hundredthsText;
    OrientationReadings orientation;
    PingSettings settings;

    // ---- for a played ping: where its record starts and how long it is
    std::int64_t filePosition = -1;
    std::int64_t recordSize = 0;

    bool operator==(const Ping&) const = default;
    // The range the head reported, in metres.
    double rangeMetres() const { return rangeMetresForIndex(rangeIndex); }
    bool longBlock() const { return blockLength >= kBlockLengthLong; }
};

}  // namespace sondrel

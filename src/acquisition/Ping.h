#pragma once
// The ping on show: the return header of the last block taken in and what it
// decoded to, its echo samples and its local-time stamp.

#include <array>
#include <cstdint>
#include <string>

namespace sondrel {

// Block lengths by type letters. Both links read a long block's length per
// ping, and every record claims it.
inline constexpr int kBlockLengthShort = 265;   // "QMZ", 250 samples
inline constexpr int kBlockLengthMedium = 513;  // "QGZ", 500 samples
inline constexpr int kBlockLengthLong = 813;    // "QSZ", 800 samples

inline constexpr std::size_t kReturnHeaderSize = 12;
inline constexpr std::size_t kEchoShortRows = 4;
inline constexpr std::size_t kEchoShortSize = 640;
inline constexpr std::size_t kEchoLongSize = 4096;

struct Ping {
    std::uint8_t headId = 16;
    std::uint8_t headStatus = 0;
    int headStatusLow = 0;
    int stepDirection = 1;
    int headPosition = 0;
    int dataBytes = 0;
    int dataPointCount = 552;
    int blockLength = 265;
    std::string headerText;  // the three type letters of the last block, as received
    std::array<std::uint8_t, kReturnHeaderSize> returnHeader{};
    std::array<std::array<std::uint8_t, kEchoShortSize>, kEchoShortRows> echoShort{};
    std::array<std::uint8_t, kEchoLongSize> echoLong{};
    std::string dateText, timeText, millisecondText, hundredthsText;
    // For a played ping, the size of its record.
    std::int64_t recordSize = 0;
};

}  // namespace sondrel

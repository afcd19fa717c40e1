#pragma once
// The 27-byte switch data command that carries every head setting. The document
// keeps one always ready to send; settings write their byte together with their
// user value.

#include <array>
#include <cstddef>
#include <cstdint>

namespace sondrel {

inline constexpr std::size_t kCommandLength = 27;
using CommandBuffer = std::array<std::uint8_t, kCommandLength>;

// Byte positions inside the command.
namespace cmd {
inline constexpr std::size_t kStart = 0;
inline constexpr std::size_t kHeadId = 2;  // the head addressed; its replies carry it
inline constexpr std::size_t kRange = 3;
inline constexpr std::size_t kReserved4 = 4;
inline constexpr std::size_t kControl = 5;
inline constexpr std::size_t kGain = 8;
inline constexpr std::size_t kFixed9 = 9;
inline constexpr std::size_t kAbsorption = 10;
inline constexpr std::size_t kTrain = 11;
inline constexpr std::size_t kSectorWidth = 12;
inline constexpr std::size_t kStepSize = 13;
inline constexpr std::size_t kPulseLength = 14;
inline constexpr std::size_t kProfileMinRange = 15;
inline constexpr std::size_t kDataFormat = 20;
inline constexpr std::size_t kFixed22 = 22;
inline constexpr std::size_t kSwitchDelay = 24;
inline constexpr std::size_t kFrequency = 25;
inline constexpr std::size_t kEnd = 26;

inline constexpr std::uint8_t kStartByte = 0xFE;
inline constexpr std::uint8_t kEndByte = 0xFD;
inline constexpr std::uint8_t kReverseStepBit = 0x40;
inline constexpr std::uint8_t kOneShotBits = 0xC0;  // bits 6 and 7 of the control byte
}  // namespace cmd

// The command as built at document construction.
CommandBuffer initialCommand();

// 0xFE opens the command and 0xFD closes it; the head takes either inside the
// command for a frame boundary and answers nothing that follows.
inline bool isFramingByte(std::uint8_t byte) {
    return byte == cmd::kStartByte || byte == cmd::kEndByte;
}
// Whether the command can go out: it opens with 0xFE, closes with 0xFD and
// holds neither in between.
bool isSendable(const CommandBuffer& command);

// Byte 15 for the next poll: the profile minimum range in centimetres, less the
// head's own dead zone when the last status reported format 1.
std::uint8_t profileMinRangeByte(double profileMinRangeMetres, int headStatusLow,
                                 std::uint8_t rangeCode);

}  // namespace sondrel

#pragma once
// One poll of a serial head, as the worker runs it: read the reply to the last
// command, empty the line, write the next command (keying RTS around it when the
// head's line needs that). The steps and their order are written here once,
// over an abstract line, so they are tested without a port and the program's
// worker only supplies the device.

#include <cstddef>
#include <cstdint>
#include <span>

#include "acquisition/Links.h"
#include "acquisition/Ping.h"
#include "acquisition/SwitchCommand.h"

namespace sondrel {

// Each read and write may take 1 ms per byte plus 200 ms: 1013 ms for a block,
// 227 ms for a command.
constexpr int serialTimeoutMs(std::size_t bytes) {
    return static_cast<int>(bytes) + 200;
}

// RTS keying: the head's line driver needs RTS up before the first bit and
// until the last has left, then time to turn the line round.
inline constexpr int kRtsLeadMicroseconds = 200;
inline constexpr int kRtsHoldMicroseconds = 1500;
inline constexpr int kRtsSettleMicroseconds = 1500;

// Spins on the steady clock: the RTS delays are far below what a sleep can
// promise.
void spinMicroseconds(int microseconds);

// What a poll needs of the head's line.
class SerialLine {
  public:
    virtual ~SerialLine() = default;
    virtual bool isOpen() const = 0;
    // The ports are being changed or the program is closing: no I/O at all.
    virtual bool suspended() const = 0;
    // Waits for n bytes or the timeout; returns how many came.
    virtual std::size_t read(std::uint8_t* dst, std::size_t n, int timeoutMs) = 0;
    // Writes and waits until the bytes have gone out, or the timeout.
    virtual std::size_t write(const std::uint8_t* src, std::size_t n, int timeoutMs) = 0;
    virtual void purgeReceive() = 0;
    virtual void purgeTransmit() = 0;
    virtual void setRts(bool raised) = 0;
    virtual void clearErrors() = 0;
    virtual void busyWait(int microseconds) = 0;
};

struct SerialPollResult {
    // False when the poll must not be answered (suspended, or not a serial
    // head): the cycle then stops until it is started again.
    bool answer = false;
    // Bytes read into the block; fewer than a whole block means no data.
    std::size_t count = 0;
};

// Reads up to a block into `block` (at least kBlockLengthLong bytes), then
// writes the command.
SerialPollResult runSerialPoll(SerialLine& line, const SerialPollRequest& request,
                               std::span<std::uint8_t> block);

// Writes the command; returns how many of its bytes went out. Nothing happens
// while suspended or with the port closed.
std::size_t writeCommand(SerialLine& line, const CommandBuffer& command, bool rtsEnable);

}  // namespace sondrel

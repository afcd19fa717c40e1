#include "acquisition/SerialPoll.h"

#include <algorithm>
#include <chrono>

namespace sondrel {

void spinMicroseconds(int microseconds) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::microseconds(microseconds);
    while (Clock::now() <= end) {
    }
}

SerialPollResult runSerialPoll(SerialLine& line, const SerialPollRequest& request,
                               std::span<std::uint8_t> block) {
    SerialPollResult result;
    if (line.suspended()) return result;
    if (!line.isOpen()) {
        // Keep the cycle turning with no data; it polls the closed port once a second.
        result.answer = request.serialHead;
        return result;
    }
    const std::size_t wanted = std::min<std::size_t>(block.size(), kBlockLengthLong);
    result.count = line.read(block.data(), wanted, serialTimeoutMs(wanted));
    // Whatever else the head sent belongs to no command we know of.
    line.purgeReceive();
    line.purgeTransmit();
    writeCommand(line, request.command, request.rtsEnable);
    result.answer = true;
    return result;
}

std::size_t writeCommand(SerialLine& line, const CommandBuffer& command, bool rtsEnable) {
    if (line.suspended() || !line.isOpen()) return 0;
    line.purgeTransmit();
    if (rtsEnable) {
        line.setRts(true);
        line.busyWait(kRtsLeadMicroseconds);
    }
    const std::size_t written =
        line.write(command.data(), command.size(), serialTimeoutMs(command.size()));
    if (rtsEnable) {
        line.busyWait(kRtsHoldMicroseconds);
        // A short write leaves RTS up, as the head's line driver expects the rest.
        if (written == command.size()) line.setRts(false);
        line.busyWait(kRtsSettleMicroseconds);
        line.clearErrors();
        // Drops the echo of our own command on half-duplex lines.
        line.purgeReceive();
    }
    return written;
}

}  // namespace sondrel

#include "acquisition/SwitchCommand.h"

#include <algorithm>

namespace sondrel {

CommandBuffer initialCommand() {
    return {0xFE, 0x44, 0x10, 0x0A, 0x00, 0x00, 0x43, 0x02, 0x06, 0x01, 0xAA, 0x3C, 0x78, 0x03,
            0x01, 0x00, 0x00, 0x00, 0x00, 0x19, 0x10, 0x00, 0x01, 0x00, 0x00, 0x64, 0xFD};
}

bool isSendable(const CommandBuffer& command) {
    return command[cmd::kStart] == cmd::kStartByte && command[cmd::kEnd] == cmd::kEndByte &&
           std::none_of(command.begin() + 1, command.end() - 1, isFramingByte);
}

std::uint8_t profileMinRangeByte(double metres, int headStatusLow, std::uint8_t rangeCode) {
    int v = static_cast<int>(metres * 100.0);
    if (headStatusLow == 1) v -= rangeCode == 4 ? 5 : 2;
    if (v < 0) v = 0;
    if (v > 250) v = 250;  // keeps the byte clear of the terminator whatever the field holds
    return static_cast<std::uint8_t>(v);
}

}  // namespace sondrel

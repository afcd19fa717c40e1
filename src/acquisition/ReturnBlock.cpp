#include "acquisition/ReturnBlock.h"

#include <algorithm>
#include <cctype>

namespace sondrel {

int blockLengthFor(std::span<const std::uint8_t> b) {
    if (b.size() < 3 || b[0] != 'Q') return kBlockLengthLong;
    if (b[1] == 'M' && b[2] == 'Z') return kBlockLengthShort;
    if (b[1] == 'G' && b[2] == 'Z') return kBlockLengthMedium;
    return kBlockLengthLong;
}

namespace {

int lower(std::uint8_t c) {
    return std::tolower(static_cast<unsigned char>(c));
}

}  // namespace

bool beginsWithHeaderLetters(std::span<const std::uint8_t> b) {
    if (b.size() >= 1 && lower(b[0]) != 'q') return false;
    if (b.size() >= 2 && lower(b[1]) != 's' && lower(b[1]) != 'm' && lower(b[1]) != 'g')
        return false;
    return b.size() < 3 || lower(b[2]) == 'z';
}

std::optional<ReturnHeader> parseReturnHeader(std::span<const std::uint8_t> h) {
    if (h.size() < kReturnHeaderSize) return std::nullopt;
    ReturnHeader header;
    header.typeLetters.assign(reinterpret_cast<const char*>(h.data()), 3);
    if (!beginsWithHeaderLetters(h)) return header;
    switch (lower(h[1])) {
        case 's':
            header.dataPointCount = 800;
            break;
        case 'm':
            header.dataPointCount = 250;
            break;
        case 'g':
            header.dataPointCount = 500;
            break;
        default:
            return header;
    }
    header.valid = true;
    header.headId = h[3];
    header.headStatus = h[4];
    header.stepDirection = (h[6] >> 6) & 1;
    header.headPosition = (h[6] & 0x3F) * 128 + (h[5] & 0x7F);
    header.rangeCode = h[7];
    header.rangeIndex = rangeIndexForCode(h[7]);
    header.dataBytes = h[9] * 128 + (h[8] & 0x7F);
    return header;
}

void setDecodedHeader(Ping& ping, const ReturnHeader& header) {
    ping.headerValid = header.valid;
    if (!header.valid) return;
    ping.dataPointCount = header.dataPointCount;
    ping.headId = header.headId;
    ping.headStatus = header.headStatus;
    ping.headStatusLow = header.headStatus & 3;
    ping.stepDirection = header.stepDirection;
    ping.headPosition = header.headPosition;
    ping.rangeCode = header.rangeCode;
    ping.rangeIndex = header.rangeIndex;
    ping.dataBytes = header.dataBytes;
}

Ping parseReturnBlock(std::span<const std::uint8_t> rx) {
    Ping ping;
    ping.blockLength = blockLengthFor(rx);
    ping.headerBytes = std::min(rx.size(), kReturnHeaderSize);
    std::copy_n(rx.begin(), ping.headerBytes, ping.returnHeader.begin());
    const auto end = std::min(rx.size(), static_cast<std::size_t>(ping.blockLength));
    if (end > kReturnHeaderSize) {
        const auto echo = rx.subspan(kReturnHeaderSize, end - kReturnHeaderSize);
        const auto copyEcho = [&](auto& to) {
            ping.echoBytes = std::min(echo.size(), to.size());
            std::copy_n(echo.begin(), ping.echoBytes, to.begin());
        };
        if (ping.longBlock()) {
            copyEcho(ping.echoLong);
        } else {
            copyEcho(ping.echoShort);
        }
    }
    if (const std::optional<ReturnHeader> header = parseReturnHeader(rx.first(ping.headerBytes))) {
        ping.headerText = header->typeLetters;
        setDecodedHeader(ping, *header);
    }
    return ping;
}

}  // namespace sondrel

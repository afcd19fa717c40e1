#include "acquisition/ReturnBlock.h"

#include <algorithm>
#include <cctype>

#include "acquisition/SondrelDoc.h"

namespace sondrel {

int blockLengthFor(std::span<const std::uint8_t> b) {
    if (b.size() < 3 || b[0] != 'Q') return kBlockLengthLong;
    if (b[1] == 'M' && b[2] == 'Z') return kBlockLengthShort;
    if (b[1] == 'G' && b[2] == 'Z') return kBlockLengthMedium;
    return kBlockLengthLong;
}

bool decodeReturnHeader(CSondrelDoc& doc, std::span<const std::uint8_t> h, DecodeMode mode) {
    if (h.size() < kReturnHeaderSize) return false;
    doc.headerText.assign(reinterpret_cast<const char*>(h.data()), 3);
    const auto lower = [](std::uint8_t c) { return std::tolower(static_cast<unsigned char>(c)); };
    if (lower(h[0]) != 'q' || lower(h[2]) != 'z') return false;
    int samples = 0;
    switch (lower(h[1])) {
        case 's':
            samples = 800;
            break;
        case 'm':
            samples = 250;
            break;
        case 'g':
            samples = 500;
            break;
        default:
            return false;
    }
    doc.dataPointCount = samples;
    doc.headId = h[3];
    doc.headStatusLow = h[4] & 3;
    doc.headStatus = h[4];
    if (mode == DecodeMode::RealTime) doc.stepDirectionPrevious = doc.stepDirection;
    doc.stepDirection = (h[6] >> 6) & 1;
    doc.headPosition = (h[6] & 0x3F) * 128 + (h[5] & 0x7F);
    doc.rangeIndex = rangeIndexForCode(h[7]);
    doc.rangeMetres = rangeMetresForIndex(doc.rangeIndex);
    if (mode == DecodeMode::Playback) doc.command[cmd::kRange] = h[7];
    doc.dataBytes = h[9] * 128 + (h[8] & 0x7F);
    return true;
}

bool sizeCopyAndDecode(CSondrelDoc& doc) {
    const auto& rx = doc.receiveBuffer;
    doc.blockLength = blockLengthFor(rx);
    std::copy_n(rx.begin(), kReturnHeaderSize, doc.returnHeader.begin());
    const auto dataLength = static_cast<std::size_t>(doc.blockLength) - kReturnHeaderSize;
    const auto* data = rx.data() + kReturnHeaderSize;
    if (doc.blockLength >= kBlockLengthLong) {
        std::copy_n(data, dataLength, doc.echoLong.begin());
    } else {
        std::copy_n(data, dataLength, doc.echoShort[0].begin());
    }
    return decodeReturnHeader(doc, doc.returnHeader, DecodeMode::RealTime);
}

}  // namespace sondrel

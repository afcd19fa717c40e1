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

bool applyReturnHeader(CSondrelDoc& doc, const ReturnHeader& header, DecodeMode mode) {
    doc.ping.headerText = header.typeLetters;
    if (!header.valid) return false;
    doc.ping.dataPointCount = header.dataPointCount;
    doc.ping.headId = header.headId;
    doc.ping.headStatusLow = header.headStatus & 3;
    doc.ping.headStatus = header.headStatus;
    doc.ping.stepDirection = header.stepDirection;
    doc.ping.headPosition = header.headPosition;
    doc.head.rangeIndex = header.rangeIndex;
    doc.head.rangeMetres = rangeMetresForIndex(doc.head.rangeIndex);
    if (mode == DecodeMode::Playback)
        loadPlayedByte(doc.head.command, cmd::kRange, header.rangeCode);
    doc.ping.dataBytes = header.dataBytes;
    return true;
}

bool decodeReturnHeader(CSondrelDoc& doc, std::span<const std::uint8_t> h, DecodeMode mode) {
    const std::optional<ReturnHeader> header = parseReturnHeader(h);
    return header && applyReturnHeader(doc, *header, mode);
}

ReturnBlock parseReturnBlock(std::span<const std::uint8_t> rx) {
    ReturnBlock block;
    block.blockLength = blockLengthFor(rx);
    block.headerBytes = rx.first(std::min(rx.size(), kReturnHeaderSize));
    const auto end = std::min(rx.size(), static_cast<std::size_t>(block.blockLength));
    if (end > kReturnHeaderSize)
        block.echoData = rx.subspan(kReturnHeaderSize, end - kReturnHeaderSize);
    block.header = parseReturnHeader(block.headerBytes);
    return block;
}

bool applyReturnBlock(CSondrelDoc& doc, const ReturnBlock& block) {
    doc.ping.blockLength = block.blockLength;
    std::copy_n(block.headerBytes.begin(), std::min(block.headerBytes.size(), kReturnHeaderSize),
                doc.ping.returnHeader.begin());
    const auto copyEcho = [&block](auto& to) {
        std::copy_n(block.echoData.begin(), std::min(block.echoData.size(), to.size()), to.begin());
    };
    if (block.blockLength >= kBlockLengthLong) {
        copyEcho(doc.ping.echoLong);
    } else {
        copyEcho(doc.ping.echoShort[0]);
    }
    return block.header && applyReturnHeader(doc, *block.header, DecodeMode::RealTime);
}

bool sizeCopyAndDecode(CSondrelDoc& doc) {
    return applyReturnBlock(doc, parseReturnBlock(doc.link.receiveBuffer));
}

}  // namespace sondrel

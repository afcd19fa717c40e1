// Sizing and decoding of a received return block, as the cycle takes the
// bytes of a reply: the block's views, its header, and the document after the
// block is applied.
//
// Checks: the block length is one of the three the head sends; the header and
// echo views lie inside the received bytes and the echo stays within the
// block; a header decoded alone agrees with the block's own; no byte taken in
// frames the command; orientation values and the status panes stay shown as
// numbers and text.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "FuzzChecks.h"
#include "acquisition/ReturnBlock.h"

namespace {

using namespace sondrel;

bool inside(std::span<const std::uint8_t> part, std::span<const std::uint8_t> whole) {
    if (part.empty()) return true;
    return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> received(data, size);
    const ReturnBlock block = parseReturnBlock(received);
    fuzz::check(block.blockLength == kBlockLengthShort || block.blockLength == kBlockLengthMedium ||
                    block.blockLength == kBlockLengthLong,
                "a block length the head never sends");
    fuzz::check(block.blockLength == blockLengthFor(received), "the block sized two ways");
    fuzz::check(inside(block.headerBytes, received), "the header view reaches past the bytes");
    fuzz::check(inside(block.echoData, received), "the echo view reaches past the bytes");
    fuzz::check(block.headerBytes.size() + block.echoData.size() <=
                    static_cast<std::size_t>(block.blockLength),
                "the echo reaches past the block");

    const std::optional<ReturnHeader> alone = parseReturnHeader(received);
    fuzz::check(alone.has_value() == block.header.has_value(), "the header decoded two ways");
    if (alone) {
        fuzz::check(alone->valid == block.header->valid, "the header's validity decoded two ways");
        fuzz::check(alone->typeLetters == block.header->typeLetters, "the type letters differ");
    }

    CSondrelDoc* doc = &fuzz::freshDocument(0);
    doc->head.setRangeIndex(3);
    applyReturnBlock(*doc, block);
    fuzz::checkSendable(doc->head.command, "after a received block");
    fuzz::checkShownState(*doc);
    // The same bytes through the receive buffer, as the serial and TCP paths
    // hand them over.
    CSondrelDoc* viaBuffer = &fuzz::freshDocument(1);
    viaBuffer->head.setRangeIndex(3);
    std::copy_n(data, std::min(size, viaBuffer->link.receiveBuffer.size()),
                viaBuffer->link.receiveBuffer.begin());
    sizeCopyAndDecode(*viaBuffer);
    fuzz::checkSendable(viaBuffer->head.command, "after a buffered block");
    fuzz::checkShownState(*viaBuffer);
    return 0;
}

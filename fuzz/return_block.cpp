// Sizing and decoding of a received return block, as the cycle takes the
// bytes of a reply: the block as a ping, its header, and the document after
// the ping is taken in.
//
// Checks: the block length is one of the three the head sends; no more is
// copied than was received and the echo stays within the block; a header
// decoded alone agrees with the block's own; no byte taken in
// frames the command; orientation values and the status panes stay shown as
// numbers and text.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "FuzzChecks.h"
#include "acquisition/PingPath.h"
#include "acquisition/ReturnBlock.h"

using namespace sondrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> received(data, size);
    const Ping block = parseReturnBlock(received);
    fuzz::check(block.blockLength == kBlockLengthShort || block.blockLength == kBlockLengthMedium ||
                    block.blockLength == kBlockLengthLong,
                "a block length the head never sends");
    fuzz::check(block.blockLength == blockLengthFor(received), "the block sized two ways");
    fuzz::check(block.headerBytes + block.echoBytes <= size, "more copied than was given");
    fuzz::check(block.headerBytes + block.echoBytes <= static_cast<std::size_t>(block.blockLength),
                "the echo reaches past the block");

    const std::optional<ReturnHeader> alone = parseReturnHeader(received);
    fuzz::check(alone.has_value() == (block.headerBytes == kReturnHeaderSize),
                "the header decoded two ways");
    if (alone) {
        fuzz::check(alone->valid == block.headerValid, "the header's validity decoded two ways");
        fuzz::check(alone->typeLetters == block.headerText, "the type letters differ");
    }

    CSondrelDoc* doc = &fuzz::freshDocument(0);
    doc->head.setRangeIndex(3);
    takeLivePing(*doc, block);
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

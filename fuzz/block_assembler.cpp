// The TCP block assembler fed a byte stream in segments of random sizes, the
// way a connection delivers it, as the cycle feeds it: every block a delivery
// completes is handed on, stray bytes before a header are dropped, and what
// follows the last block starts the next one.
//
// Input: four bytes seed the segment sizes, the rest is the stream.
//
// Checks: every byte delivered is handed on in a block, dropped or still held,
// exactly once (nothing is invented, repeated or lost unaccounted); the
// assembler only ever holds the latest bytes delivered, in order; a block
// handed on starts with a header's type letters, and a long one holds no
// further header of the head, or it holds no header at all; a handed block
// decodes without a framing byte in the command.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

#include "FuzzChecks.h"
#include "acquisition/AcquisitionCycle.h"
#include "acquisition/PingPath.h"
#include "acquisition/ReturnBlock.h"

namespace {

using namespace sondrel;

constexpr std::size_t kLetters = 3;

std::uint32_t nextSize(std::uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    // Mostly small segments, now and then more than a whole block.
    const std::uint32_t pick = state % 16;
    if (pick < 8) return 1 + state % 16;
    if (pick < 14) return 1 + state % 400;
    return 1 + state % 2000;
}

constexpr std::uint8_t kHeadId = 0x10;

bool headerAt(const std::uint8_t* block, std::size_t at, bool idMayFollow) {
    const std::size_t size = kBlockLengthLong;
    if (at + kLetters > size || !beginsWithHeaderLetters(std::span(block + at, kLetters)))
        return false;
    return at + kLetters == size ? idMayFollow : block[at + kLetters] == kHeadId;
}

bool holdsHeaderAfterStart(const std::uint8_t* block, bool idMayFollow) {
    for (std::size_t at = 1; at < kBlockLengthLong; ++at)
        if (headerAt(block, at, idMayFollow)) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    std::uint32_t state = 0;
    std::memcpy(&state, data, 4);
    state |= 1;  // xorshift never leaves zero
    const std::uint8_t* stream = data + 4;
    const std::size_t length = size - 4;

    BlockAssembler assembler;
    CSondrelDoc* doc = &fuzz::freshDocument();
    doc->head.setRangeIndex(3);
    std::size_t delivered = 0;  // stream bytes handed to the assembler
    std::size_t handedOn = 0;   // bytes in blocks handed on
    std::size_t dropped = 0;
    while (delivered < length) {
        const std::size_t segment = std::min<std::size_t>(nextSize(state), length - delivered);
        dropped += assembler.deliver(
            std::span(stream + delivered, segment), kHeadId, [&](const std::uint8_t* block) {
                fuzz::check(assembler.complete(), "a block handed on before it was whole");
                const bool letters = beginsWithHeaderLetters(std::span(block, kLetters));
                const bool longBlock = letters && (block[1] | 0x20) == 's';
                fuzz::check((letters && !longBlock) || !holdsHeaderAfterStart(block, !letters),
                            "a block handed on with a header further in");
                handedOn += kBlockLengthLong;
                std::copy_n(block, kBlockLengthLong, doc->link.receiveBuffer.begin());
                sizeCopyAndDecode(*doc);
                fuzz::checkSendable(doc->head.command, "after an assembled block");
                fuzz::checkShownState(*doc);
                return true;
            });
        delivered += segment;
        const std::size_t held = assembler.pending();
        fuzz::check(held <= kBlockLengthLong, "a block overfilled");
        fuzz::check(handedOn + dropped + held == delivered, "bytes lost or invented");
        fuzz::check(std::memcmp(assembler.block(), stream + delivered - held, held) == 0,
                    "the assembler holds bytes out of order");
    }
    return 0;
}

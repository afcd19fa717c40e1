// The TCP block assembler fed a byte stream in segments of random sizes, the
// way a connection delivers it, with the cycle's own loop around it: fill,
// drop stray bytes before a header, hand on a complete block and forget the
// rest of that delivery.
//
// Input: four bytes seed the segment sizes, the rest is the stream.
//
// Checks: a feed takes no more than it is given nor more than a block holds;
// the assembler only ever holds the latest bytes taken, in order (nothing is
// invented, repeated or reordered); every drop makes progress; a block handed
// on starts with a header's type letters or holds none at all; a handed block
// decodes without a framing byte in the command.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

#include "FuzzChecks.h"
#include "acquisition/AcquisitionCycle.h"
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

bool holdsLettersAfterStart(const std::uint8_t* block, std::size_t size) {
    for (std::size_t at = 1; at + kLetters <= size; ++at)
        if (beginsWithHeaderLetters(std::span(block + at, kLetters))) return true;
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
    doc->setRangeIndex(3);
    std::size_t delivered = 0;  // stream bytes handed to the assembler's owner
    std::size_t takenEnd = 0;   // stream position just after the last byte taken
    while (delivered < length) {
        const std::size_t segment = std::min<std::size_t>(nextSize(state), length - delivered);
        const std::uint8_t* bytes = stream + delivered;
        std::size_t taken = 0;
        bool handedOn = false;
        while (true) {
            const std::size_t before = assembler.pending();
            const std::size_t took = assembler.feed(bytes + taken, segment - taken);
            fuzz::check(took <= segment - taken, "a feed took more than it was given");
            fuzz::check(assembler.pending() == before + took, "a feed lost or invented bytes");
            fuzz::check(assembler.pending() <= BlockAssembler::kBlockSize, "a block overfilled");
            taken += took;
            takenEnd = delivered + taken;
            if (!assembler.complete()) break;
            const std::size_t held = assembler.pending();
            const std::size_t dropped = assembler.dropBytesBeforeHeader();
            if (dropped == 0) {
                handedOn = true;
                break;
            }
            fuzz::check(dropped < held && assembler.pending() == held - dropped,
                        "a drop made no progress or lost the header");
            fuzz::check(beginsWithHeaderLetters(std::span(assembler.block(), kLetters)),
                        "a drop stopped short of the type letters");
        }
        // What is held is the tail of the stream taken so far, in order.
        const std::size_t held = assembler.pending();
        fuzz::check(
            held <= takenEnd && std::memcmp(assembler.block(), stream + takenEnd - held, held) == 0,
            "the assembler holds bytes out of order");
        if (handedOn) {
            const std::uint8_t* block = assembler.block();
            fuzz::check(beginsWithHeaderLetters(std::span(block, kLetters)) ||
                            !holdsLettersAfterStart(block, BlockAssembler::kBlockSize),
                        "a block handed on with its header further in");
            std::copy_n(block, kReceiveBufferSize, doc->receiveBuffer.begin());
            assembler.discard();
            sizeCopyAndDecode(*doc);
            fuzz::checkSendable(doc->command, "after an assembled block");
            fuzz::checkShownState(*doc);
        }
        delivered += segment;
    }
    return 0;
}

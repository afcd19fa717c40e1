#pragma once
// The head's return block: sizing by its type letters, decoding its 12-byte
// header, and the block as a ping. Decoding reads only the bytes it is given
// and touches nothing else.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "acquisition/Ping.h"

namespace sondrel {

// Length of a block from its first three bytes (fewer than three: the long form).
int blockLengthFor(std::span<const std::uint8_t> block);

// A decoded 12-byte return header. The type letters are kept even when they
// name no known block, as they are shown as received.
struct ReturnHeader {
    std::string typeLetters;
    bool valid = false;  // the remaining fields are meaningful only when set
    int dataPointCount = 0;
    std::uint8_t headId = 0;
    std::uint8_t headStatus = 0;
    int stepDirection = 0;
    int headPosition = 0;
    std::uint8_t rangeCode = 0;
    int rangeIndex = 0;
    int dataBytes = 0;
};

// Whether the bytes begin with type letters a valid header has (Q, then S, M
// or G, then Z, in either case). Fewer than three bytes: whether they could be
// the start of such letters.
bool beginsWithHeaderLetters(std::span<const std::uint8_t> bytes);

// Decodes a return header; nothing when fewer than 12 bytes are given.
std::optional<ReturnHeader> parseReturnHeader(std::span<const std::uint8_t> header);
// Puts a valid header's fields into a ping.
void setDecodedHeader(Ping& ping, const ReturnHeader& header);

// A received block as a ping: sized by its type letters, its header decoded
// and its echo data copied out, reading nothing beyond the bytes given. Only
// the block is in it: when it came, with what readings and settings are the
// link's to add. A block that came short leaves the rest as a new ping has it,
// and says how much came.
Ping parseReturnBlock(std::span<const std::uint8_t> received);

}  // namespace sondrel

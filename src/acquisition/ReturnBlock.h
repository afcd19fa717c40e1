#pragma once
// The head's return block: sizing by its type letters, copying its echo data
// out, and decoding its 12-byte header into the document's ping state.
// Decoding reads only the bytes it is given and touches nothing else; applying
// a decoded block or header is the one place the document takes it in.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "acquisition/Ping.h"

namespace sondrel {

class CSondrelDoc;

enum class DecodeMode { RealTime, Playback };

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
// Takes a decoded header into the document's ping state. Returns whether it was
// valid; an invalid header changes nothing but the stored header text.
bool applyReturnHeader(CSondrelDoc& doc, const ReturnHeader& header, DecodeMode mode);
// Decodes a return header and applies it; a header too short to decode changes nothing.
bool decodeReturnHeader(CSondrelDoc& doc, std::span<const std::uint8_t> header, DecodeMode mode);

// A received block, sized by its type letters. The byte views point into the
// bytes it was decoded from and never reach past them.
struct ReturnBlock {
    int blockLength = kBlockLengthLong;
    std::span<const std::uint8_t> headerBytes;  // the first 12 bytes, or fewer when short
    std::span<const std::uint8_t> echoData;     // what follows, up to the block length
    std::optional<ReturnHeader> header;
};

ReturnBlock parseReturnBlock(std::span<const std::uint8_t> received);
// Copies a decoded block into the header and echo buffers and applies its header
// in real-time form. Returns whether the header was valid.
bool applyReturnBlock(CSondrelDoc& doc, const ReturnBlock& block);

// Sizes and copies the block in the document's receive buffer into the header and
// echo buffers, then decodes the header in real-time form.
bool sizeCopyAndDecode(CSondrelDoc& doc);

}  // namespace sondrel

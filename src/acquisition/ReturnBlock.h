#pragma once
// The head's return block: sizing by its type letters, copying its echo data
// out, and decoding its 12-byte header into the document's ping state.

#include <cstddef>
#include <cstdint>
#include <span>

namespace sondrel {

class CSondrelDoc;

inline constexpr int kBlockLengthShort = 265;   // "QMZ", 250 samples
inline constexpr int kBlockLengthMedium = 513;  // "QGZ", 500 samples
inline constexpr int kBlockLengthLong = 813;    // "QSZ", 800 samples

enum class DecodeMode { RealTime, Playback };

// Length of a block from its first three bytes (fewer than three: the long form).
int blockLengthFor(std::span<const std::uint8_t> block);

// Decodes a 12-byte return header into the document. Returns whether it was valid;
// an invalid header changes nothing but the stored header text.
bool decodeReturnHeader(CSondrelDoc& doc, std::span<const std::uint8_t> header, DecodeMode mode);

// Sizes and copies the block in the document's receive buffer into the header and
// echo buffers, then decodes the header in real-time form.
bool sizeCopyAndDecode(CSondrelDoc& doc);

}  // namespace sondrel

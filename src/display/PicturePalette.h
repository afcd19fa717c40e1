#pragma once
// Turns a true-colour picture into one of at most 256 colours, as a GIF file
// holds it. The view's picture has few colours and keeps them all exactly;
// a picture with more (smoothed text, a desktop behind the window) is reduced
// by median cut: the colours, gathered in cells of 5 bits a channel, are split
// into 256 boxes at the median of their widest channel, and each box is
// replaced by the mean of its pixels.

#include <cstdint>
#include <span>
#include <vector>

namespace sondrel {

inline constexpr std::size_t kMaxPaletteColours = 256;

struct PalettedPicture {
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB, at most 256 entries
    std::vector<std::uint8_t> indices;   // one per pixel, in the pixels' order
    bool exact = false;                  // every pixel kept its own colour
};

// Pixels as 0xAARRGGBB; the alpha byte is ignored (a screen has none).
PalettedPicture palettePicture(std::span<const std::uint32_t> pixels);

}  // namespace sondrel

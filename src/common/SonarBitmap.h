#pragma once
// CSonarBitmap: the 1000 x 1000 palette-indexed sonar image store, the nine
// colour tables it can be shown through, the 256-colour palette of the chosen
// table and the 8 x 118 colour bar that shows that table as a strip. Pixels and
// palettes are plain data; the window layer wraps them in pictures.

#include <array>
#include <cstdint>
#include <vector>

#include "common/Colour.h"

namespace sondrel {

// The sonar image is 1000 x 1000 image pixels; the range's full scale is 500 of
// them from the centre. Everything that places points, overlays or readouts uses these.
inline constexpr int kSonarImageSize = 1000;
inline constexpr double kFullRangePixels = 500.0;
inline constexpr int kColourTableCount = 9;
// Entries 0..118 are defined; nothing produces a higher index.
inline constexpr int kColourLevels = 119;
inline constexpr int kColourBarWidth = 8;
inline constexpr int kColourBarHeight = 118;

using ColourTable = std::array<Rgb, 256>;
// Base colour of a level 0..118, three values in 0..245 (red, green, blue).
std::array<int, 3> baseLevelColour(int level);
// Table t (0..8, the "ColorTable" menu order); entries 119..255 are black.
// Built once and shared.
const ColourTable& colourTable(int t);
// An opaque 0xAARRGGBB pixel for a table entry.
inline constexpr std::uint32_t argbOf(Rgb c) {
    return 0xFF000000u | (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
}

class CSonarBitmap {
  public:
    using Palette = std::array<std::uint32_t, 256>;  // 0xAARRGGBB, opaque
    using ColourBar = std::array<std::uint32_t, kColourBarWidth * kColourBarHeight>;

    CSonarBitmap();
    virtual ~CSonarBitmap() = default;

    int width() const { return kSonarImageSize; }
    int height() const { return kSonarImageSize; }
    // Writable access marks the image as possibly drawn on; draw through a
    // pointer fetched after the last clear(), not one kept from before it.
    std::uint8_t* pixels();
    const std::uint8_t* pixels() const;
    void clear();

    // Chooses the table (clamped to 0..8) the palette and the colour bar show;
    // the pixels are kept.
    void selectColourTable(int t);
    int colourTableIndex() const { return tableIndex_; }
    const Palette& palette() const { return palette_; }
    // Rows top to bottom, 8 pixels each: the top row is level 117, the bottom
    // row level 0.
    const ColourBar& colourBar() const { return colourBar_; }

  private:
    // Taken on the first writable access: a document that never draws a sonar
    // image (a conversion, a recorder, a parser under test) never pays for the
    // megabyte. Until then the image reads as blank.
    std::vector<std::uint8_t> pixels_;
    // The pass clears the image on every repaint; a clear of an image nobody drew
    // on is skipped so a conversion does not spend its time zeroing a megabyte.
    bool clean_ = true;
    int tableIndex_ = 0;
    Palette palette_{};
    ColourBar colourBar_{};
};

}  // namespace sondrel

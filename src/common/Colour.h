#pragma once
// The program's two forms of a colour: stored (settings file, document) as a
// 24-bit 0x00BBGGRR value, and drawn as an opaque red, green and blue triple.

#include <cstdint>

namespace sondrel {

using Colour = std::uint32_t;  // 0x00BBGGRR

// An opaque drawing colour.
struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

// Stored colours are 0x00BBGGRR; whatever the top byte holds, drawing is opaque.
constexpr Rgb rgbFromColour(Colour c) {
    return Rgb{static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>((c >> 8) & 0xFF),
               static_cast<std::uint8_t>((c >> 16) & 0xFF)};
}

}  // namespace sondrel

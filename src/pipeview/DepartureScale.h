#pragma once
// The colours of the wall's departure from the nominal radius, shared by the
// wall map, the tube and whatever draws their legend: a diverging scale from
// blue (the wall has come in) through a light neutral grey (on the nominal
// circle) to red (the wall lies out), over a range the operator chooses, and
// two colours outside the scale for sediment and for no echo.
//
// The scale is K. Moreland's "cool to warm" diverging map ("Diverging Color
// Maps for Scientific Visualization", 2009), 256 entries: its lightness runs
// evenly to the neutral middle in a perceptual colour space and back, and it
// keeps to the blue-red axis that viewers with red-green colour blindness
// tell apart. Sediment is an ochre yellow, as light as the middle but of a
// hue the scale never takes; no echo is black, darker than any of it.

#include <array>
#include <cstdint>
#include <vector>

#include "common/Colour.h"

namespace sondrel {

inline constexpr Rgb kSedimentColour{230, 190, 50};
inline constexpr Rgb kNoEchoColour{0, 0, 0};

// The 256 colours from the most negative departure to the most positive.
const std::array<Rgb, 256>& coolWarmTable();

struct LegendEntry {
    double departureMm = 0.0;
    Rgb colour;
};

struct DepartureScale {
    double rangeMm = 50.0;  // -rangeMm .. +rangeMm span the table; beyond, its ends

    // The table's entry for a departure; NaN is no echo.
    std::uint8_t indexOf(double departureMm) const;
    Rgb colourOf(double departureMm) const;
    // `ticks` (at least 2) evenly spaced values from -rangeMm to +rangeMm with
    // their colours, for a legend; the sediment and no-echo colours are the
    // constants above.
    std::vector<LegendEntry> legend(int ticks) const;
};

}  // namespace sondrel

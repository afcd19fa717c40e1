#pragma once
// Where the mouse pointer is over the image, in metres and degrees from the
// head: the readout the status bar shows while the mouse moves.

namespace sondrel {

class CSondrelDoc;
struct ViewState;

// Bearing of a point seen from the image centre: 0 straight up, growing
// clockwise, always in [0, 360).
double cursorBearing(double dx, double dy);

// Updates the view's cursor readout for the pointer at (x, y) in window
// pixels, from the image centre of the view's last paint. In side-scan mode the
// distances are measured from the left of the image along the pointer's row
// and the bearing keeps its last value. Nothing changes while the zoom is not
// a usable number.
void updateCursorReadout(const CSondrelDoc& doc, ViewState& view, int x, int y);

}  // namespace sondrel

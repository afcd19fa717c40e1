#include "display/CursorReadout.h"
#include "common/SonarBitmap.h"

#include <cmath>

#include "acquisition/SonarTables.h"
#include "acquisition/SondrelDoc.h"
#include "display/ViewState.h"

namespace sondrel {

namespace {
constexpr double kDegreesPerRadian = 57.295780490442965;
// Half the image's width: the full range lies this many image pixels out.
// The side-scan image starts this far left of the window's middle.
constexpr int kSideScanOriginOffset = 250;
}  // namespace

double cursorBearing(double dx, double dy) {
    double b = 0.0;
    if (dy != 0.0) {
        b = dx == 0.0 ? (dy > 0.0 ? 90.0 : -90.0) : std::atan(dy / dx) * kDegreesPerRadian;
    } else if (dx == 0.0) {
        b = -90.0;
    }
    b += dx >= 0.0 ? 90.0 : 270.0;
    if (b >= 360.0 || b <= 0.0) b = 0.0;
    return b;
}

void updateCursorReadout(const CSondrelDoc& doc, ViewState& view, int x, int y) {
    const double zoom = doc.display.zoom;
    if (!(zoom > 0.0) || !std::isfinite(zoom)) return;
    const double k = rangeMetresForIndex(doc.headOnShow().rangeIndex) / zoom / kFullRangePixels;
    const bool sideScan = doc.headOnShow().scanMode == kSideScan;
    const double cx = sideScan ? view.clientWidth / 2 - kSideScanOriginOffset : view.imageCentreX;
    const double cy = sideScan ? y : view.imageCentreY;
    const double dx = x - cx;
    const double dy = y - cy;
    CursorReadout& readout = view.cursor;
    readout.cursorHorizontal = dx * k;
    readout.cursorVertical = (cy - y) * k;
    readout.cursorRange = std::hypot(dx, dy) * k;
    if (!sideScan) readout.cursorBearing = cursorBearing(dx, dy);
}

}  // namespace sondrel

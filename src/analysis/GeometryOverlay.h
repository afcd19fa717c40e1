#pragma once
// The "Pipe Geometry" overlay of the view: the fitted wall drawn over the
// profile points and a compact readout of the figures, in the display's units.
// It takes the points of the view's own profile pass, so it measures exactly
// the ping on screen, live or played back.

#include <string>
#include <vector>

#include "analysis/GeometryPoints.h"
#include "analysis/GeometrySettings.h"
#include "analysis/PipeGeometry.h"
#include "common/Colour.h"

namespace sondrel {

class CSondrelDoc;
class DisplayList;
struct ViewState;

inline constexpr Rgb kGeometryShapeColour{255, 200, 0};

// The readout's lines: lengths in metres, or in feet when `feet`; the nominal
// diameter and the ovality's definition are said with the figures.
std::vector<std::string> geometryReadout(const PipeGeometry& geometry, bool feet);

// The fitted shape (the ellipse, else the circle) in the coordinates the
// profile points are drawn in: image pixels of the zoomed image.
void drawGeometryShape(const PipeGeometry& geometry, double rangeMetres, double zoom,
                       DisplayList& out);

class GeometryOverlay {
  public:
    explicit GeometryOverlay(const CSondrelDoc& doc) : points_(doc) {}

    // Hand this to the frame's profile pass.
    ProfileExport* exporter() { return &points_; }
    // After the frame is built: measures its ping on the pipe's settings and
    // draws the shape and the readout over it.
    void appendTo(const CSondrelDoc& doc, const ViewState& view, const GeometrySettings& settings,
                  DisplayList& out);
    const PipeGeometry& last() const { return last_; }

  private:
    GeometryPointCollector points_;
    PipeAnalyser analyser_;
    PipeGeometry last_;
};

}  // namespace sondrel

#include "analysis/GeometryOverlay.h"

#include <cstdio>

#include "acquisition/SondrelDoc.h"
#include "common/SonarBitmap.h"
#include "display/DisplayList.h"
#include "display/Overlays.h"
#include "display/ViewState.h"

namespace sondrel {

namespace {

constexpr int kReadoutTextSize = 14;
constexpr int kReadoutLineHeight = 18;
constexpr double kReadoutLeft = 10;
// Below the range and frequency lines of the status texts.
constexpr double kReadoutTop = 140;

std::string format(const char* pattern, double a, double b = 0, double c = 0) {
    char text[128];
    std::snprintf(text, sizeof text, pattern, a, b, c);
    return text;
}

}  // namespace

std::vector<std::string> geometryReadout(const PipeGeometry& g, bool feet) {
    if (!g.measured()) return {std::string("Pipe geometry: ") + geometryQualityText(g.quality)};
    const double unit = feet ? kMetresPerFoot : 1.0;
    std::vector<std::string> lines = {
        format(
            feet ? "Mean %.3f ft  Min %.3f ft  Max %.3f ft" : "Mean %.3f m  Min %.3f m  Max %.3f m",
            g.meanDiameter / unit, g.minDiameter / unit, g.maxDiameter / unit),
        g.ok() ? format(feet ? "Nominal %.3f ft" : "Nominal %.3f m", g.nominalDiameter / unit)
               : std::string("Nominal: none set"),
        format("Ovality %.1f %%  ", g.ovalityPercent) + ovalityDefinitionText(g.ovalityBasis),
        g.ok()
            ? format("Deformation %.1f %%  Area loss %.1f %%", g.deformationPercent,
                     g.areaLossPercent)
            : std::string("Deformation -  Area loss -  (") + geometryQualityText(g.quality) + ")",
        format(feet ? "Sediment %.3f ft" : "Sediment %.3f m", g.sedimentDepth / unit),
    };
    return lines;
}

void drawGeometryShape(const PipeGeometry& g, double rangeMetres, double zoom, DisplayList& out) {
    if (!g.measured() || !(rangeMetres > 0)) return;
    const double scale = kFullRangePixels / rangeMetres * zoom;
    const double centre = kSonarImageSize * 0.5 * zoom;
    double cx = g.circle.centreX, cy = g.circle.centreY;
    double a = g.circle.radius, b = g.circle.radius, angle = 0;
    if (g.ellipse.valid) {
        cx = g.ellipse.centreX;
        cy = g.ellipse.centreY;
        a = g.ellipse.semiMajor;
        b = g.ellipse.semiMinor;
        angle = g.ellipse.angleDegrees;
    }
    out.save();
    // The image's y grows downwards, so the turn anticlockwise is a negative one.
    out.translate(centre + cx * scale, centre - cy * scale);
    out.rotate(-angle);
    out.ellipse(-a * scale, -b * scale, 2 * a * scale, 2 * b * scale,
                strokeOnly(solidPen(kGeometryShapeColour, 2.0)));
    out.restore();
}

void GeometryOverlay::appendTo(const CSondrelDoc& doc, const ViewState& view,
                               const GeometrySettings& settings, DisplayList& out) {
    last_ = analyser_.analyse(points_.points(), settings.nominalDiameter,
                              settings.chosenOvalityBasis());
    const int w = view.clientWidth, h = view.clientHeight;
    if (w <= 0 || h <= 0) return;
    const double zoom = doc.display.zoom;
    out.save();
    // The profile points' transform: image pixel (0, 0) of the zoomed image.
    out.translate(view.imageOffsetX + w * 0.5 - kSonarImageSize * zoom * 0.5,
                  view.imageOffsetY + h * 0.5 - kSonarImageSize * zoom * 0.5);
    drawGeometryShape(last_, doc.headOnShow().rangeMetres, zoom, out);
    out.restore();
    double y = kReadoutTop;
    for (const std::string& line : geometryReadout(last_, doc.display.unitsFeet != 0)) {
        out.text(kReadoutLeft, y, line, kReadoutTextSize, kGeometryShapeColour);
        y += kReadoutLineHeight;
    }
}

}  // namespace sondrel

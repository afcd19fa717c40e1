#include "display/Overlays.h"
#include "common/SonarBitmap.h"

#include <algorithm>
#include <cmath>

#include "acquisition/SonarTables.h"
#include "acquisition/SondrelDoc.h"
#include "common/Angles.h"
#include "display/TextFormat.h"
#include "display/ViewState.h"

namespace sondrel {

namespace {

// The image is 1000 x 1000 image pixels; the full range is 500 of them.

constexpr Rgb kPanelFill{80, 80, 80};
constexpr Rgb kPanelEdge{200, 190, 150};
constexpr Rgb kGaugeSky{100, 120, 200};
constexpr Rgb kGaugeGround{120, 120, 120};
constexpr Rgb kGaugeRing{255, 190, 120};
constexpr Rgb kGaugeScale{180, 180, 180};
constexpr Rgb kRollTicks{255, 140, 0};
constexpr Rgb kPanelText{200, 200, 0};
constexpr int kPanelTextPixels = 20;
constexpr double kRingWidth = 11.0;

LineF rotated(LineF l, double degrees) {
    const double c = std::cos(degrees * kDegreesToRadians);
    const double s = std::sin(degrees * kDegreesToRadians);
    return LineF{l.x1 * c - l.y1 * s, l.x1 * s + l.y1 * c, l.x2 * c - l.y2 * s,
                 l.x2 * s + l.y2 * c};
}

void strokeLine(DisplayList& out, const LineF& l, const Pen& pen, double dx = 0, double dy = 0) {
    out.line(l.x1 + dx, l.y1 + dy, l.x2 + dx, l.y2 + dy, pen);
}

void disc(DisplayList& out, double cx, double cy, const FigureStyle& style) {
    out.ellipse(cx - kGaugeRadius, cy - kGaugeRadius, 2 * kGaugeRadius, 2 * kGaugeRadius, style);
}

}  // namespace

// ---- grid

GridLines gridLines(int clientWidth, int clientHeight, double zoom, bool feet) {
    const double h = kSonarImageSize * 0.5 * zoom;
    const double s = feet ? h * 3.0 * kMetresPerFoot : h;
    const double cx = clientWidth / 2;
    const double cy = clientHeight / 2;
    GridLines g;
    for (int i = 0; i <= 10; ++i) {
        const double y = cy - s + i * s / 5.0;
        g.horizontal[i] = LineF{cx - h, y, cx + h, y};
        const double x = cx - s + i * s / 5.0;
        g.vertical[i] = LineF{x, cy - h, x, cy + h};
    }
    g.crossHorizontal = LineF{cx - h, cy, cx + h, cy};
    g.crossVertical = LineF{cx, cy - h, cx, cy + h};
    return g;
}

Pen gridPen(int style, Colour gridColour) {
    const Rgb c = rgbFromColour(gridColour);
    switch (style) {
        case 1:
            return dashedPen(c, 1, 2);
        case 2:
            return dashedPen(c, 3, 5);
        default:
            return solidPen(c);
    }
}

Colour gridCrossColour(Colour gridColour) {
    return gridColour + 0x002300;
}

void drawGrid(const CSondrelDoc& doc, int clientWidth, int clientHeight, DisplayList& out) {
    const GridLines g =
        gridLines(clientWidth, clientHeight, doc.display.zoom, doc.display.unitsFeet == 1);
    const Pen pen = gridPen(doc.display.gridStyle, doc.display.gridColour);
    for (const LineF& l : g.horizontal) strokeLine(out, l, pen);
    for (const LineF& l : g.vertical) strokeLine(out, l, pen);
    const Pen cross = solidPen(rgbFromColour(gridCrossColour(doc.display.gridColour)));
    strokeLine(out, g.crossHorizontal, cross);
    strokeLine(out, g.crossVertical, cross);
}

// ---- reference circle

CircleGeometry circleGeometry(double diameterMetres, double rangeMetres, double zoom, int offsetX,
                              int offsetY) {
    CircleGeometry c;
    c.diameter = diameterMetres * kFullRangePixels * zoom / rangeMetres;
    // In doubles: an offset near the int limits must not overflow.
    c.centreX = std::trunc((kFullRangePixels + offsetX) * zoom);
    c.centreY = std::trunc((kFullRangePixels + offsetY) * zoom);
    return c;
}

Pen circlePen(Colour circleColour, bool circleMove, bool blinkPhase) {
    const Rgb c = rgbFromColour(circleColour);
    if (!circleMove) return solidPen(c);
    return blinkPhase ? dashedPen(c, 2, 3) : dashedPen(c, 3, 5);
}

void drawCircle(const CSondrelDoc& doc, const ViewState& view, DisplayList& out) {
    const CircleGeometry c =
        circleGeometry(doc.display.circleDiameter, doc.headOnShow().rangeMetres, doc.display.zoom,
                       doc.display.circleOffsetX, doc.display.circleOffsetY);
    out.ellipse(c.centreX - c.diameter / 2, c.centreY - c.diameter / 2, c.diameter, c.diameter,
                strokeOnly(circlePen(doc.display.circleColour, view.requests.circleMoveMode != 0,
                                     view.blinkPhase != 0)));
}

// ---- annotations

int annotationTextPixels(int textSize) {
    static constexpr int kPixels[] = {15, 18, 21, 23, 25};
    return kPixels[std::clamp(textSize, 0, 4)];
}

double measurementLength(double x1, double y1, double x2, double y2, double rangeMetres,
                         double zoom) {
    return std::sqrt((x1 - x2) * (x1 - x2) + (y1 - y2) * (y1 - y2)) * rangeMetres / zoom /
           kFullRangePixels;
}

std::string measurementLabel(double metres, bool feet) {
    return feet ? formatted("%.3f ft", metres / kMetresPerFoot) : formatted("%.3f m", metres);
}

void drawAnnotations(const CSondrelDoc& doc, const ViewState& view, DisplayList& out) {
    const double zoom = doc.display.zoom;
    const int textPixels = annotationTextPixels(doc.display.textSize);
    const Rgb textColour = rgbFromColour(doc.display.textColour);
    const Pen linePen = solidPen(rgbFromColour(doc.display.lineColour));
    const bool feet = doc.display.unitsFeet == 1;
    const int inProgress = view.annotations.committed();

    auto drawn = view.annotations.drawn();
    for (int i = 0; i < static_cast<int>(drawn.size()); ++i) {
        const Annotation& a = drawn[i];
        if (a.type == kAnnotationText) {
            const ScreenPoint p = annotationToScreen(view, zoom, a.x1, a.y1);
            out.text(p.x, p.y, a.text, textPixels, textColour);
            if (i == inProgress && view.requests.textInputMode && view.blinkPhase) {
                out.text(p.x, p.y, a.text, "|", textPixels, textColour);
            }
        } else if (a.type == kAnnotationLine) {
            const ScreenPoint p1 = annotationToScreen(view, zoom, a.x1, a.y1);
            const ScreenPoint p2 = annotationToScreen(view, zoom, a.x2, a.y2);
            out.line(p1.x - 5, p1.y, p1.x + 5, p1.y, linePen);
            out.line(p1.x, p1.y - 5, p1.x, p1.y + 5, linePen);
            out.line(p2.x - 5, p2.y, p2.x + 5, p2.y, linePen);
            out.line(p2.x, p2.y - 5, p2.x, p2.y + 5, linePen);
            out.line(p1.x, p1.y, p2.x, p2.y, linePen);
            const double length = measurementLength(
                p1.x, p1.y, p2.x, p2.y, rangeMetresForIndex(doc.headOnShow().rangeIndex), zoom);
            out.text(p2.x, p2.y, measurementLabel(length, feet), textPixels, textColour);
        }
    }
}

// ---- pitch/roll/distance panel

PitchFigure pitchGaugeFigure(double pitchDeg) {
    if (!std::isfinite(pitchDeg)) pitchDeg = 0.0;
    // Beyond +-90 degrees the horizon leaves the disc; keep it on the edge.
    const double j = std::clamp(pitchDeg * kGaugeRadius / 90.0, -kGaugeRadius, kGaugeRadius);
    const double k = std::acos(std::abs(j) / kGaugeRadius);
    const double r = k / kDegreesToRadians;
    PitchFigure f;
    f.chordY = j;
    f.halfWidth = kGaugeRadius * std::sin(k);
    if (pitchDeg >= 0) {
        f.startAngle = 90.0 - r;
        f.sweepAngle = 2.0 * r;
    } else {
        f.startAngle = 270.0 + r;
        f.sweepAngle = 360.0 - 2.0 * r;
    }
    return f;
}

RollFigure rollGaugeFigure(double rollDeg) {
    if (!std::isfinite(rollDeg)) rollDeg = 0.0;
    RollFigure f;
    f.startAngle = rollDeg;
    f.sweepAngle = 180.0;
    f.longLine = rotated(LineF{-20, 13, 20, 13}, rollDeg);
    f.shortLine = rotated(LineF{-10, 26, 10, 26}, rollDeg);
    return f;
}

std::string pitchPanelText(const CSondrelDoc& doc) {
    return doc.orientationOnShow().pitchValid
               ? formatted("P: %6.2f deg.", doc.orientationOnShow().pitchDeg)
               : std::string("P:     n/a");
}

std::string rollPanelText(const CSondrelDoc& doc) {
    return doc.orientationOnShow().rollValid
               ? formatted("R: %6.2f deg.", doc.orientationOnShow().rollDeg)
               : std::string("R:     n/a");
}

std::string distancePanelText(const CSondrelDoc& doc) {
    if (!doc.orientationOnShow().distanceValid) return "D:     n/a";
    const bool fine = doc.link.sentenceType == 2;
    if (doc.display.unitsFeet == 1) {
        return formatted(fine ? "D: %9.3f ft" : "D: %8.2f ft",
                         doc.orientationOnShow().distanceM / kMetresPerFoot);
    }
    return formatted(fine ? "D: %9.3f m" : "D: %8.2f m", doc.orientationOnShow().distanceM);
}

void drawOrientationPanel(const CSondrelDoc& doc, int clientHeight, DisplayList& out) {
    const double b = clientHeight;
    const Pen edge = solidPen(kPanelEdge, 2);
    out.rect(1, b - 380, 160, 378, fillAndStroke(kPanelFill, edge));

    // Pitch: the ground below a horizon that rises with the nose.
    {
        const double cx = 80, cy = b - 300;
        disc(out, cx, cy, fillOnly(kGaugeSky));
        const PitchFigure f = pitchGaugeFigure(doc.orientationOnShow().pitchDeg);
        out.chord(cx - kGaugeRadius, cy - kGaugeRadius, 2 * kGaugeRadius, 2 * kGaugeRadius,
                  f.startAngle, f.sweepAngle, fillAndStroke(kGaugeGround, edge));
        disc(out, cx, cy, strokeOnly(solidPen(kGaugeRing, kRingWidth)));
        const Pen scale = solidPen(kGaugeScale);
        for (int k : {-30, -18, -6, 6, 18, 30}) out.line(cx - 10, cy + k, cx + 10, cy + k, scale);
    }
    out.text(17, b - 230, pitchPanelText(doc), kPanelTextPixels, kPanelText);

    // Roll: the ground half turns with the head.
    {
        const double cx = 80, cy = b - 130;
        disc(out, cx, cy, fillOnly(kGaugeSky));
        const RollFigure f = rollGaugeFigure(doc.orientationOnShow().rollDeg);
        out.pie(cx - kGaugeRadius, cy - kGaugeRadius, 2 * kGaugeRadius, 2 * kGaugeRadius,
                f.startAngle, f.sweepAngle, fillAndStroke(kGaugeGround, edge));
        const Pen scale = solidPen(kGaugeScale);
        strokeLine(out, f.longLine, scale, cx, cy);
        strokeLine(out, f.shortLine, scale, cx, cy);
        const Pen ticks = solidPen(kRollTicks, 2);
        for (int a : {-180, -135, -90, -45, 0}) {
            const double c = std::cos(a * kDegreesToRadians);
            const double s = std::sin(a * kDegreesToRadians);
            out.line(cx + std::trunc(40 * c), cy + std::trunc(40 * s), cx + std::trunc(50 * c),
                     cy + std::trunc(50 * s), ticks);
        }
        disc(out, cx, cy, strokeOnly(solidPen(kGaugeRing, kRingWidth)));
    }
    out.text(17, b - 55, rollPanelText(doc), kPanelTextPixels, kPanelText);
    out.text(17, b - 30, distancePanelText(doc), kPanelTextPixels, kPanelText);
}

}  // namespace sondrel

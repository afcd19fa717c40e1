#pragma once
// Geometry, pens and texts of what the view draws over the profile: the grid
// with its centre cross, the reference circle, text annotations, measurement
// lines and the pitch/roll/distance panel. Each piece is a plain function so
// that the paint and the tests use the very same numbers.

#include <array>
#include <string>

#include "common/DisplaySettings.h"
#include "display/DisplayList.h"

namespace sondrel {

class CSondrelDoc;
struct ViewState;

struct LineF {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// Metres per foot, for every length shown in feet (the range itself is shown
// as metres x 3).
inline constexpr double kMetresPerFoot = 0.3048;

// ---- grid: drawn with the image offset applied, before the image is placed
struct GridLines {
    std::array<LineF, 11> horizontal;
    std::array<LineF, 11> vertical;
    LineF crossHorizontal, crossVertical;
};
GridLines gridLines(int clientWidth, int clientHeight, double zoom, bool feet);
// Style 0 solid, 1 dotted, 2 dashed; any other style draws solid.
Pen gridPen(int style, Colour gridColour);
// The centre cross is the grid colour with the green byte raised by 35.
Colour gridCrossColour(Colour gridColour);

// ---- reference circle, in image coordinates at the current zoom
struct CircleGeometry {
    double centreX = 0, centreY = 0;  // whole pixels
    double diameter = 0;
};
CircleGeometry circleGeometry(double diameterMetres, double rangeMetres, double zoom, int offsetX,
                              int offsetY);
// Solid, or in circle-move mode dashed in a pattern that changes with the blink phase.
Pen circlePen(Colour circleColour, bool circleMove, bool blinkPhase);

// ---- annotations
// Pixel size of annotation texts for TextSize 0..4 (out-of-range sizes are clamped).
int annotationTextPixels(int textSize);
// Length in metres of a measurement line between two screen points.
double measurementLength(double x1, double y1, double x2, double y2, double rangeMetres,
                         double zoom);
std::string measurementLabel(double metres, bool feet);

// ---- pitch/roll/distance panel: gauge figures relative to the gauge centre
inline constexpr double kGaugeRadius = 61.0;

// The part of the pitch disc below the horizon: the chord at height chordY,
// from -halfWidth to +halfWidth, closed by the arc that starts at startAngle and
// sweeps sweepAngle (degrees clockwise from +x, y down).
struct PitchFigure {
    double chordY = 0;
    double halfWidth = 0;
    double startAngle = 0;
    double sweepAngle = 0;
};
PitchFigure pitchGaugeFigure(double pitchDeg);

// The roll disc's filled half and its two level lines, already turned by the roll.
struct RollFigure {
    double startAngle = 0;
    double sweepAngle = 180;
    LineF longLine, shortLine;
};
RollFigure rollGaugeFigure(double rollDeg);

// The panel's three texts ("n/a" forms when a value is not valid).
std::string pitchPanelText(const CSondrelDoc& doc);
std::string rollPanelText(const CSondrelDoc& doc);
std::string distancePanelText(const CSondrelDoc& doc);

// Drawing of each overlay into a list. Grid and circle expect the coordinate
// system their geometry is given in; annotations and the panel draw in window
// coordinates.
void drawGrid(const CSondrelDoc& doc, int clientWidth, int clientHeight, DisplayList& out);
void drawCircle(const CSondrelDoc& doc, const ViewState& view, DisplayList& out);
// Each measurement line is labelled with its length in the units on show.
void drawAnnotations(const CSondrelDoc& doc, const ViewState& view, DisplayList& out);
void drawOrientationPanel(const CSondrelDoc& doc, int clientHeight, DisplayList& out);

}  // namespace sondrel

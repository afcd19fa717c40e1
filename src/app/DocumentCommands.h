#pragma once
// The actions of the commands whose effect lies in the document and the view's
// requests: zoom, display options, head orientation, scan mode and train
// direction, units, range and gain steps from the toolbar, profile and colour
// table, the circle and its keys, the annotation modes and deletions, and the
// arrow keys (which move the circle in circle-move mode and the mouse pointer
// otherwise, through the window port). The command table names them; the
// command dispatcher runs them (runDocumentCommand runs one by itself).

#include "acquisition/SondrelDoc.h"
#include "app/CommandPorts.h"
#include "common/DisplaySettings.h"
#include "display/ViewState.h"

namespace sondrel {

// The zoom of a zoom-factor item (32781..32789), 0 for any other id.
double zoomForCommand(int id);
// One click of Zoom In / Zoom Out: quarter steps up to 2, whole steps above.
double zoomedIn(double zoom);
double zoomedOut(double zoom);

// Arrow keys: in circle-move mode they move the circle by one image pixel and
// return true; otherwise they leave the document alone and return false.
bool moveCircleByArrow(int id, CSondrelDoc& doc, const ViewRequests& view);

// F5 / F6 while the circle is shown: 1 cm up, or 1 cm down to no less than 10 cm.
inline constexpr double kCircleDiameterStep = 0.01;
inline constexpr double kMinCircleDiameterByKey = 0.1;

// ---- the actions the command table names

void redraw(CSondrelDoc& doc);
inline int toggled(int flag) {
    return flag ? 0 : 1;
}

void setZoom(int id, CommandPorts& p);
void zoomIn(int id, CommandPorts& p);
void zoomOut(int id, CommandPorts& p);
void toggleCircle(int id, CommandPorts& p);
void toggleCircleMove(int id, CommandPorts& p);
void defaultColours(int id, CommandPorts& p);
void requestViewReset(int id, CommandPorts& p);
// The toolbar's range and gain steps leave the panels and the image alone: the
// next poll carries the new bytes to the head.
void stepRange(int id, CommandPorts& p);
void gainUp(int id, CommandPorts& p);
void gainDown(int id, CommandPorts& p);
void circleDiameterUp(int id, CommandPorts& p);
void circleDiameterDown(int id, CommandPorts& p);
void chooseScanMode(int id, CommandPorts& p);
void reverseStep(int id, CommandPorts& p);
void clearImage(int id, CommandPorts& p);
void chooseProfile(int id, CommandPorts& p);
void chooseColourTable(int id, CommandPorts& p);
// Text input and measuring exclude each other; the deletions are requests the
// view carries out with the update they send.
void toggleTextInput(int id, CommandPorts& p);
void toggleMeasurement(int id, CommandPorts& p);
// "Delete one string": the text being typed, or else the last one placed.
void deleteLastText(int id, CommandPorts& p);
void deleteLines(int id, CommandPorts& p);
void deleteAllDrawings(int id, CommandPorts& p);
// The circle in circle-move mode, else the mouse pointer.
void arrowKey(int id, CommandPorts& p);
// Head orientation and direction, ignored during playback.
void setTrainDirection(bool reversed, CommandPorts& p);
void setUnits(int feet, CommandPorts& p);

// One item of a group of choices whose ids follow each other from First.
template <int DisplaySettings::*Field, int First>
void chooseDisplay(int id, CommandPorts& p) {
    p.doc.display.*Field = id - First;
    redraw(p.doc);
}
// Toggles that show at the next repaint by themselves.
template <int DisplaySettings::*Field>
void toggleDisplay(int, CommandPorts& p) {
    p.doc.display.*Field = toggled(p.doc.display.*Field);
}
template <auto Part, auto Field, auto Value>
void setPart(int, CommandPorts& p) {
    (p.doc.*Part).*Field = Value;
}
template <bool Reversed>
void trainDirection(int, CommandPorts& p) {
    setTrainDirection(Reversed, p);
}
template <int Feet>
void units(int, CommandPorts& p) {
    setUnits(Feet, p);
}

}  // namespace sondrel

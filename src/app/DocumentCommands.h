#pragma once
// The commands whose whole effect lies in the document: zoom, display options,
// head orientation, units, range and gain steps from the toolbar, the circle
// diameter keys and the circle-moving arrow keys. Their actions are the command
// descriptors'; the windows dispatch to them and add only what needs a window
// (the mouse pointer, dialogs, the toolbar).

#include "common/Colour.h"

namespace sondrel {

class CSondrelDoc;
struct DisplaySettings;

// Runs the command's document action; false when it has none or the document
// declines it. The caller has checked commandEnabled first.
bool runDocumentCommand(int id, CSondrelDoc& doc);

// The zoom of a zoom-factor item (32781..32789), 0 for any other id.
double zoomForCommand(int id);
// One click of Zoom In / Zoom Out: quarter steps up to 2, whole steps above.
double zoomedIn(double zoom);
double zoomedOut(double zoom);

// Arrow keys: in circle-move mode they move the circle by one image pixel and
// return true; otherwise they leave the document alone and return false (the
// window then moves the mouse pointer).
bool moveCircleByArrow(int id, CSondrelDoc& doc);

// The annotation commands. Text input and measuring exclude each other; the
// deletions are requests that every view carries out at the redraw.
bool toggleTextInput(int id, CSondrelDoc& doc);
bool toggleMeasurement(int id, CSondrelDoc& doc);
// "Delete one string": the text being typed, or else the last one placed.
bool deleteLastText(int id, CSondrelDoc& doc);
bool deleteLines(int id, CSondrelDoc& doc);
bool deleteAllDrawings(int id, CSondrelDoc& doc);

// The colour a colour-chooser command sets; nullptr for any other id.
Colour* colourForCommand(int id, DisplaySettings& display);

// F5 / F6 while the circle is shown: 1 cm up, or 1 cm down to no less than 10 cm.
inline constexpr double kCircleDiameterStep = 0.01;
inline constexpr double kMinCircleDiameterByKey = 0.1;

}  // namespace sondrel

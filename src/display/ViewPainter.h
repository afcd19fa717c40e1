#pragma once
// The paint of the view: one call turns the document and the view's state into
// the display list of a whole frame, which the renderer then paints into the
// back buffer in one go.

#include <string>

#include "display/DisplayList.h"
#include "display/ProfilePass.h"
#include "display/ViewState.h"

namespace sondrel {

class CSondrelDoc;

// Builds the frame for the view's last client size into out (cleared first).
// What the commands and the mouse change is carried out where they change it;
// the paint keeps only what belongs to the picture painted: the connection
// text alternates from one drawn box to the next, the image centre of this
// frame is kept for the mouse, and the profile pass runs (so the profile path
// and the conversion see this ping). The exporter (may be null) receives the
// profile pass's points, as the XYZ conversion needs while it runs.
void buildViewFrame(CSondrelDoc& doc, ViewState& view, DisplayList& out,
                    ProfileExport* exporter = nullptr);

// ---- the pieces of the status texts, for the paint and for tests

struct ConnectionText {
    std::string text;  // empty when there is nothing to say
    int x = 0;
};
// The connection box's text for the current alternation and its x position.
ConnectionText connectionText(const CSondrelDoc& doc, int alternation, int clientWidth);

struct ActivityLine {
    std::string text;
    Rgb colour;
    int x = 0;
};
// What the activity line says for the document's mode.
ActivityLine activityLine(const CSondrelDoc& doc, int clientWidth);
// A running XYZ conversion says so above the picture of the file it converts.
// It runs on its own, beside playback: the activity line goes on saying what
// playback does, and Hold holds playback.
bool conversionShown(const CSondrelDoc& doc);

std::string rangeMarkText(const CSondrelDoc& doc);
std::string gridDivisionText(const CSondrelDoc& doc);
std::string gainText(const CSondrelDoc& doc);
std::string fileSizeText(const CSondrelDoc& doc);
std::string circleDiameterText(const CSondrelDoc& doc);

// Icon 144..147 for the head's direction and zero position.
int orientationIconId(int xdcrForward, int zeroDown);

}  // namespace sondrel

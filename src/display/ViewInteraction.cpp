#include "display/ViewInteraction.h"

#include <cmath>

#include "acquisition/SonarTables.h"
#include "acquisition/SondrelDoc.h"
#include "display/CursorReadout.h"
#include "display/Overlays.h"
#include "display/ViewState.h"

namespace sondrel {

namespace {

constexpr int kFirstPrintable = 32;
constexpr int kLastPrintable = 126;

bool typingText(const ViewState& view) {
    return view.requests.textInputMode && view.textCursor;
}

// Annotation points are kept in unzoomed image pixels from the image centre, so
// they stay on the pipe wall whatever the zoom and the drag do later.
void imagePoint(const CSondrelDoc& doc, const ViewState& view, int x, int y, float& ix, float& iy) {
    double zoom = doc.display.zoom;
    if (!(zoom > 0.0) || !std::isfinite(zoom)) zoom = 1.0;
    ix = static_cast<float>((x - view.imageCentreX) / zoom);
    iy = static_cast<float>((y - view.imageCentreY) / zoom);
}

void discardLineInProgress(ViewState& view) {
    if (Annotation* a = view.annotations.inProgress(); a && a->type == kAnnotationLine)
        *a = Annotation{};
    view.measuring = 0;
}

// Right button and Escape: every input mode ends, nothing half-drawn is left.
void leaveInputModes(ViewState& view) {
    ViewRequests& modes = view.requests;
    view.textCursor = 0;
    modes.textInputMode = 0;
    modes.circleMoveMode = 0;
    if (modes.measurementMode) discardLineInProgress(view);
    modes.measurementMode = 0;
    settleAnnotationInProgress(view);
}

// The line just finished carries its label, and its length is the one last measured.
void finishLine(const CSondrelDoc& doc, ViewState& view, Annotation& line) {
    const double zoom = doc.display.zoom;
    const ScreenPoint p1 = annotationToScreen(view, zoom, line.x1, line.y1);
    const ScreenPoint p2 = annotationToScreen(view, zoom, line.x2, line.y2);
    view.lastMeasuredDistance = measurementLength(
        p1.x, p1.y, p2.x, p2.y, rangeMetresForIndex(doc.headOnShow().rangeIndex), zoom);
    line.text = measurementLabel(view.lastMeasuredDistance, doc.display.unitsFeet == 1);
}

// False when the list is full and the click starts nothing.
bool placeText(CSondrelDoc& doc, ViewState& view, int x, int y) {
    Annotation* a = view.annotations.inProgress();
    // A text typed before is finished by the click; an empty one is reused.
    if (a && a->type == kAnnotationText && !a->text.empty()) {
        view.annotations.commit();
        a = view.annotations.inProgress();
    }
    if (!a) {
        view.textCursor = 0;
        return false;
    }
    *a = Annotation{};
    imagePoint(doc, view, x, y, a->x1, a->y1);
    a->type = kAnnotationText;
    view.textCursor = 1;
    return true;
}

bool placeMeasurementPoint(CSondrelDoc& doc, ViewState& view, int x, int y) {
    Annotation* a = view.annotations.inProgress();
    if (!a) {
        view.measuring = 0;
        return false;
    }
    const bool firstClick = !view.measuring || a->type != kAnnotationLine;
    if (firstClick) {
        *a = Annotation{};
        imagePoint(doc, view, x, y, a->x1, a->y1);
        a->type = kAnnotationLine;
    }
    imagePoint(doc, view, x, y, a->x2, a->y2);
    view.measuring = firstClick ? 1 : 0;
    if (!firstClick) {
        finishLine(doc, view, *a);
        view.annotations.commit();
    }
    return true;
}

}  // namespace

std::string annotationListFullText() {
    return "No room for another text or line: the view holds " +
           std::to_string(AnnotationList::kCapacity) + ". Delete some to add more.";
}

ViewCursor viewCursor(const ViewRequests& requests) {
    if (requests.textInputMode) return ViewCursor::Text;
    if (requests.measurementMode) return ViewCursor::Measure;
    return ViewCursor::Image;
}

void settleAnnotationInProgress(ViewState& view) {
    if (!view.requests.textInputMode) {
        view.textCursor = 0;
        if (Annotation* a = view.annotations.inProgress(); a && a->type == kAnnotationText) {
            if (a->text.empty()) {
                *a = Annotation{};
            } else {
                view.annotations.commit();
            }
        }
    }
    if (!view.requests.measurementMode) discardLineInProgress(view);
}

ViewResponse leftButtonDown(CSondrelDoc& doc, ViewState& view, int x, int y) {
    const ViewRequests& modes = view.requests;
    ViewResponse response{.repaint = true};
    // A mode switched off since the last update leaves nothing in the way.
    settleAnnotationInProgress(view);
    if (modes.textInputMode) {
        response.listFull = !placeText(doc, view, x, y);
        if (view.textCursor) {
            view.blinkPhase = 1;
            response.startBlink = true;
        }
    } else if (modes.measurementMode) {
        response.listFull = !placeMeasurementPoint(doc, view, x, y);
    } else if (modes.circleMoveMode) {
        view.circleDragging = 1;
        view.circleDragAnchorX = x;
        view.circleDragAnchorY = y;
        // The offsets may have moved since the last drag (arrow keys, settings).
        view.circleOffsetBaseX = doc.display.circleOffsetX;
        view.circleOffsetBaseY = doc.display.circleOffsetY;
    } else {
        view.imageDragging = 1;
        view.imageDragAnchorX = x;
        view.imageDragAnchorY = y;
        view.imageOffsetBaseX = view.imageOffsetX;
        view.imageOffsetBaseY = view.imageOffsetY;
    }
    return response;
}

ViewResponse mouseMoved(CSondrelDoc& doc, ViewState& view, int x, int y) {
    const ViewRequests& modes = view.requests;
    ViewResponse response;
    if (view.imageDragging && !modes.circleMoveMode) {
        view.imageOffsetX = view.imageOffsetBaseX + (x - view.imageDragAnchorX);
        view.imageOffsetY = view.imageOffsetBaseY + (y - view.imageDragAnchorY);
        response.repaint = true;
    }
    // Window pixels go straight onto the image-pixel offsets: at zoom 2 the
    // circle runs twice as far as the mouse.
    if (modes.circleMoveMode && view.circleDragging) {
        doc.display.circleOffsetX = view.circleOffsetBaseX + (x - view.circleDragAnchorX);
        doc.display.circleOffsetY = view.circleOffsetBaseY + (y - view.circleDragAnchorY);
        response.repaint = true;
    }
    view.lastMouseX = x;
    view.lastMouseY = y;
    if (view.measuring && modes.measurementMode) {
        if (Annotation* a = view.annotations.inProgress(); a && a->type == kAnnotationLine)
            imagePoint(doc, view, x, y, a->x2, a->y2);
        // Without new pings nothing else would move the rubber line.
        if (doc.flags.holdActive) response.repaint = true;
    }
    updateCursorReadout(doc, view, x, y);
    return response;
}

ViewResponse leftButtonUp(CSondrelDoc& doc, ViewState& view) {
    if (view.imageDragging) {
        view.imageOffsetBaseX = view.imageOffsetX;
        view.imageOffsetBaseY = view.imageOffsetY;
    }
    if (view.circleDragging) {
        view.circleOffsetBaseX = doc.display.circleOffsetX;
        view.circleOffsetBaseY = doc.display.circleOffsetY;
    }
    view.imageDragging = 0;
    view.circleDragging = 0;
    return {};
}

ViewResponse rightButtonDown(ViewState& view) {
    leaveInputModes(view);
    return {.repaint = true};
}

TypedResponse characterTyped(ViewState& view, int character) {
    if (typingText(view)) {
        Annotation* a = view.annotations.inProgress();
        if (character == kBackspaceCharacter) {
            if (a && !a->text.empty()) a->text.pop_back();
        } else if (character == kEnterCharacter || character == kEscapeCharacter) {
            view.textCursor = 0;
            view.requests.textInputMode = 0;
            settleAnnotationInProgress(view);
        } else if (character >= kFirstPrintable && character <= kLastPrintable) {
            if (a) a->text.push_back(static_cast<char>(character));
        }
        return {.taken = true, .repaint = true};
    }
    if (character == kEscapeCharacter) {
        leaveInputModes(view);
        return {.taken = true, .repaint = true};
    }
    return {};
}

bool blinkTimerFired(ViewState& view) {
    if (!view.requests.circleMoveMode && !typingText(view)) return false;
    view.blinkPhase = view.blinkPhase ? 0 : 1;
    return true;
}

}  // namespace sondrel

#include "display/ViewInteraction.h"

#include <cmath>

#include "acquisition/SondrelDoc.h"
#include "display/CursorReadout.h"
#include "display/ViewState.h"

namespace sondrel {

namespace {

constexpr int kFirstPrintable = 32;
constexpr int kLastPrintable = 126;

bool typingText(const CSondrelDoc& doc, const ViewState& view) {
    return doc.textInputMode && view.textCursor;
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
void leaveInputModes(CSondrelDoc& doc, ViewState& view) {
    view.textCursor = 0;
    doc.textInputMode = 0;
    doc.circleMoveMode = 0;
    if (doc.measurementMode) discardLineInProgress(view);
    doc.measurementMode = 0;
    settleAnnotationInProgress(doc, view);
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
    if (!firstClick) view.annotations.commit();
    return true;
}

}  // namespace

std::string annotationListFullText() {
    return "No room for another text or line: the view holds " +
           std::to_string(AnnotationList::kCapacity) + ". Delete some to add more.";
}

ViewCursor viewCursor(const CSondrelDoc& doc) {
    if (doc.textInputMode) return ViewCursor::Text;
    if (doc.measurementMode) return ViewCursor::Measure;
    return ViewCursor::Image;
}

void settleAnnotationInProgress(const CSondrelDoc& doc, ViewState& view) {
    if (!doc.textInputMode) {
        view.textCursor = 0;
        if (Annotation* a = view.annotations.inProgress(); a && a->type == kAnnotationText) {
            if (a->text.empty()) {
                *a = Annotation{};
            } else {
                view.annotations.commit();
            }
        }
    }
    if (!doc.measurementMode) discardLineInProgress(view);
}

ViewResponse leftButtonDown(CSondrelDoc& doc, ViewState& view, int x, int y) {
    ViewResponse response{.repaint = true};
    // A mode switched off since the last update leaves nothing in the way.
    settleAnnotationInProgress(doc, view);
    if (doc.textInputMode) {
        response.listFull = !placeText(doc, view, x, y);
        if (view.textCursor) {
            view.blinkPhase = 1;
            response.startBlink = true;
        }
    } else if (doc.measurementMode) {
        response.listFull = !placeMeasurementPoint(doc, view, x, y);
    } else if (doc.circleMoveMode) {
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
    ViewResponse response;
    if (view.imageDragging && !doc.circleMoveMode) {
        view.imageOffsetX = view.imageOffsetBaseX + (x - view.imageDragAnchorX);
        view.imageOffsetY = view.imageOffsetBaseY + (y - view.imageDragAnchorY);
        response.repaint = true;
    }
    // Window pixels go straight onto the image-pixel offsets: at zoom 2 the
    // circle runs twice as far as the mouse.
    if (doc.circleMoveMode && view.circleDragging) {
        doc.display.circleOffsetX = view.circleOffsetBaseX + (x - view.circleDragAnchorX);
        doc.display.circleOffsetY = view.circleOffsetBaseY + (y - view.circleDragAnchorY);
        response.repaint = true;
    }
    view.lastMouseX = x;
    view.lastMouseY = y;
    if (view.measuring && doc.measurementMode) {
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

ViewResponse rightButtonDown(CSondrelDoc& doc, ViewState& view) {
    leaveInputModes(doc, view);
    return {.repaint = true};
}

TypedResponse characterTyped(CSondrelDoc& doc, ViewState& view, int character) {
    if (typingText(doc, view)) {
        Annotation* a = view.annotations.inProgress();
        if (character == kBackspaceCharacter) {
            if (a && !a->text.empty()) a->text.pop_back();
        } else if (character == kEnterCharacter || character == kEscapeCharacter) {
            view.textCursor = 0;
            doc.textInputMode = 0;
            settleAnnotationInProgress(doc, view);
        } else if (character >= kFirstPrintable && character <= kLastPrintable) {
            if (a) a->text.push_back(static_cast<char>(character));
        }
        return {.taken = true, .repaint = true};
    }
    if (character == kEscapeCharacter) {
        leaveInputModes(doc, view);
        return {.taken = true, .repaint = true};
    }
    return {};
}

bool blinkTimerFired(const CSondrelDoc& doc, ViewState& view) {
    if (!doc.circleMoveMode && !typingText(doc, view)) return false;
    view.blinkPhase = view.blinkPhase ? 0 : 1;
    return true;
}

}  // namespace sondrel

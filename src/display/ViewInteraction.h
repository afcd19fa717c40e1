#pragma once
// How the view answers the operator's mouse and keyboard: dragging the image or
// the reference circle, placing and typing text annotations, drawing
// measurement lines, and leaving the input modes. The window only translates
// its events into these calls and carries out the response.

#include <string>

namespace sondrel {

class CSondrelDoc;
struct ViewRequests;
struct ViewState;

// The pointer over the image, by its cursor resource number.
enum class ViewCursor {
    Image = 134,
    Text = 137,
    Measure = 150,
};
ViewCursor viewCursor(const ViewRequests& requests);

// What the window does once the view's state has changed.
struct ViewResponse {
    bool repaint = false;     // repaint this view at once
    bool startBlink = false;  // (re)start the 500 ms blink timer
    bool listFull = false;    // a text or line was refused: tell the operator why
};
// What the operator is told when the annotation list has no room for the
// text or line just begun.
std::string annotationListFullText();

// The click that finishes a measurement line labels it and keeps its length
// as the view's last measured distance.
ViewResponse leftButtonDown(CSondrelDoc& doc, ViewState& view, int x, int y);
// Also updates the view's cursor readout, which the frame then shows.
ViewResponse mouseMoved(CSondrelDoc& doc, ViewState& view, int x, int y);
ViewResponse leftButtonUp(CSondrelDoc& doc, ViewState& view);
// Leaves every input mode; a measurement line not finished is discarded.
ViewResponse rightButtonDown(ViewState& view);

inline constexpr int kBackspaceCharacter = 8;
inline constexpr int kEnterCharacter = 13;
inline constexpr int kEscapeCharacter = 27;

struct TypedResponse {
    bool taken = false;  // the view used the character; otherwise it goes on
    bool repaint = false;
};
// A character typed while the view has the focus. While a text is typed, every
// character is the text's (backspace, Enter and Escape edit or end it; only
// 32..126 are stored). Otherwise only Escape is the view's; letters are left
// to the caller, which runs the view's letter commands.
TypedResponse characterTyped(ViewState& view, int character);

// The blink timer fired: true when it must run on (the blink phase has turned).
bool blinkTimerFired(ViewState& view);

// Settles the annotation in progress after an input mode has ended: a typed
// text is kept, an empty one dropped, a measurement line not finished discarded.
void settleAnnotationInProgress(ViewState& view);

}  // namespace sondrel

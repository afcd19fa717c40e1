#pragma once
// What a view of the document keeps between paints: its size, where the image
// sits, the state of the connection text's alternation, the operator's
// annotations, the flags of the interaction in progress, the input modes and
// requests the commands switch, and the cursor readout.

#include <array>
#include <span>
#include <string>

#include "display/ProfilePass.h"

namespace sondrel {

class CSondrelDoc;
enum class ViewHint;

enum AnnotationType : int { kAnnotationEmpty = 0, kAnnotationText = 1, kAnnotationLine = 2 };

// Points are unzoomed image pixels relative to the image centre.
struct Annotation {
    float x1 = 0, y1 = 0;
    float x2 = 0, y2 = 0;
    int type = kAnnotationEmpty;
    std::string text;  // the typed text, or the label of a measurement line
};

// At most kCapacity entries. Entries [0, committed()) are finished; while there
// is room, the entry at committed() is the one in progress. A full list has no
// entry in progress and refuses new ones, so nothing the operator placed is
// ever overwritten.
class AnnotationList {
  public:
    static constexpr int kCapacity = 100;

    int committed() const { return committed_; }
    bool full() const { return committed_ >= kCapacity; }
    // The entry in progress, or nullptr when the list is full.
    Annotation* inProgress() { return full() ? nullptr : &entries_[committed_]; }
    const Annotation* inProgress() const { return full() ? nullptr : &entries_[committed_]; }
    // Makes the entry in progress a finished one; false when the list is full.
    bool commit();
    // Removes every entry of a type, finished or in progress; later entries move down.
    void removeType(int type);
    // Removes the last entry of a type, the one in progress if it is of that type.
    void removeLastOfType(int type);
    void clear();
    // The entries a paint draws: the finished ones and the one in progress.
    std::span<Annotation> drawn();
    std::span<const Annotation> drawn() const;
    const Annotation& operator[](int i) const { return entries_[i]; }

  private:
    int used() const { return full() ? kCapacity : committed_ + 1; }
    // Removes the entries `remove` picks; later entries move down.
    template <class Pick>
    void removeWhere(Pick remove);

    std::array<Annotation, kCapacity> entries_{};
    int committed_ = 0;
};

// The input modes the commands switch and the one-shot requests they make of
// the view. A request is carried out with the update the command sends (see
// applyDocumentUpdate), never by a paint.
struct ViewRequests {
    int textInputMode = 0;
    int measurementMode = 0;
    int circleMoveMode = 0;
    int viewResetRequest = 0;    // zoom 1, no image or circle offset
    int statusResetRequest = 0;  // restart the connection text alternation
    int deleteTextsRequest = 0;
    int deleteLastTextRequest = 0;  // the text being typed, or the last one placed
    int deleteLinesRequest = 0;

    bool anyInputMode() const { return textInputMode || measurementMode || circleMoveMode; }
};

// Where the pointer is over the image, in metres and degrees from the head
// (CursorReadout.h); the bearing keeps its last value in side-scan mode,
// where the pointer has none.
struct CursorReadout {
    double cursorHorizontal = 0.0;
    double cursorVertical = 0.0;
    double cursorRange = 0.0;
    double cursorBearing = 0.0;
};

struct ViewState {
    ViewRequests requests;
    CursorReadout cursor;
    // Metres, the length of the last measurement line finished.
    double lastMeasuredDistance = 0.0;

    // Last non-empty client size.
    int clientWidth = 0;
    int clientHeight = 0;
    // Shift of the image from the window centre, and the image centre in window
    // pixels as computed by the last paint.
    int imageOffsetX = 0, imageOffsetY = 0;
    int imageCentreX = 0, imageCentreY = 0;
    // The connection box alternates its two texts from one drawn box to the next.
    int statusAlternation = 0;
    int statusPaintCount = 0;

    // Interaction in progress.
    int imageDragging = 0;
    int imageDragAnchorX = 0, imageDragAnchorY = 0;
    int imageOffsetBaseX = 0, imageOffsetBaseY = 0;
    int circleDragging = 0;
    int circleDragAnchorX = 0, circleDragAnchorY = 0;
    int circleOffsetBaseX = 0, circleOffsetBaseY = 0;
    int textCursor = 0;  // the entry in progress is a text being typed
    int measuring = 0;   // first point of a measurement line set, second follows the mouse
    int blinkPhase = 0;  // toggled by the view's 500 ms timer
    int lastMouseX = 0, lastMouseY = 0;

    AnnotationList annotations;
    // The profile path of the last paint, kept so its buffer is reused.
    ProfilePath profile;

    // A size change: true when the size is kept (then the back buffer must be
    // remade at that size); an empty size keeps the previous one and its buffer.
    bool resize(int width, int height);
    bool dragging() const { return imageDragging != 0 || circleDragging != 0; }
};

// Screen position of an annotation point, with the image centre of the last paint.
struct ScreenPoint {
    double x = 0, y = 0;
};
ScreenPoint annotationToScreen(const ViewState& view, double zoom, double x, double y);

// What the view does with every update from the document, besides repainting:
// the circle-move hint switches the other input modes off; a text in
// progress is committed or dropped when text input has ended, and a
// measurement line not finished is discarded when measuring has ended; the
// requests (view reset, status reset, deletions) are carried out and cleared.
// Returns true when the view's blink timer must be started.
bool applyDocumentUpdate(CSondrelDoc& doc, ViewState& view, ViewHint hint);

}  // namespace sondrel

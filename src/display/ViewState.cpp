#include "display/ViewState.h"

#include "acquisition/SondrelDoc.h"
#include "display/ViewInteraction.h"

namespace sondrel {

bool AnnotationList::commit() {
    if (full()) return false;
    ++committed_;
    return true;
}

template <class Pick>
void AnnotationList::removeWhere(Pick remove) {
    const int end = used();
    int kept = 0;
    int keptCommitted = 0;
    for (int i = 0; i < end; ++i) {
        if (remove(i)) continue;
        if (kept != i) entries_[kept] = std::move(entries_[i]);
        if (i < committed_) ++keptCommitted;
        ++kept;
    }
    for (int i = kept; i < end; ++i) entries_[i] = Annotation{};
    committed_ = keptCommitted;
}

void AnnotationList::removeType(int type) {
    removeWhere([&](int i) { return entries_[i].type == type; });
}

void AnnotationList::removeLastOfType(int type) {
    int last = used() - 1;
    while (last >= 0 && entries_[last].type != type) --last;
    if (last >= 0) removeWhere([last](int i) { return i == last; });
}

void AnnotationList::clear() {
    for (Annotation& a : entries_) a = Annotation{};
    committed_ = 0;
}

std::span<Annotation> AnnotationList::drawn() {
    return std::span<Annotation>(entries_).first(full() ? kCapacity : committed_ + 1);
}

std::span<const Annotation> AnnotationList::drawn() const {
    return std::span<const Annotation>(entries_).first(full() ? kCapacity : committed_ + 1);
}

bool ViewState::resize(int width, int height) {
    if (width <= 0 || height <= 0) return false;
    clientWidth = width;
    clientHeight = height;
    return true;
}

ScreenPoint annotationToScreen(const ViewState& view, double zoom, double x, double y) {
    return ScreenPoint{x * zoom + view.imageCentreX, y * zoom + view.imageCentreY};
}

namespace {

// Zoom 1, the image and the circle back in the middle, no drag under way.
void resetView(CSondrelDoc& doc, ViewState& view) {
    doc.display.zoom = 1.0;
    view.imageOffsetX = view.imageOffsetY = 0;
    view.imageDragging = 0;
    view.imageDragAnchorX = view.imageDragAnchorY = 0;
    view.imageOffsetBaseX = view.imageOffsetBaseY = 0;
    view.circleDragging = 0;
    view.circleDragAnchorX = view.circleDragAnchorY = 0;
    view.circleOffsetBaseX = view.circleOffsetBaseY = 0;
    doc.display.circleOffsetX = 0;
    doc.display.circleOffsetY = 0;
}

}  // namespace

bool applyDocumentUpdate(CSondrelDoc& doc, ViewState& view, ViewHint hint) {
    ViewRequests& requests = view.requests;
    bool startBlink = false;
    if (hint == ViewHint::CircleMove && requests.circleMoveMode) {
        requests.textInputMode = 0;
        requests.measurementMode = 0;
        view.textCursor = 0;
        view.measuring = 0;
        startBlink = true;
    }
    settleAnnotationInProgress(view);
    if (requests.deleteTextsRequest) {
        view.annotations.removeType(kAnnotationText);
        view.textCursor = 0;
        view.blinkPhase = 0;
        requests.deleteTextsRequest = 0;
    }
    if (requests.deleteLastTextRequest) {
        view.annotations.removeLastOfType(kAnnotationText);
        view.textCursor = 0;
        view.blinkPhase = 0;
        requests.deleteLastTextRequest = 0;
    }
    if (requests.deleteLinesRequest) {
        view.annotations.removeType(kAnnotationLine);
        view.measuring = 0;
        requests.measurementMode = 0;
        requests.deleteLinesRequest = 0;
    }
    if (requests.viewResetRequest) {
        resetView(doc, view);
        requests.viewResetRequest = 0;
    }
    if (requests.statusResetRequest) {
        view.statusAlternation = 0;
        view.statusPaintCount = 0;
        requests.statusResetRequest = 0;
    }
    return startBlink;
}

}  // namespace sondrel

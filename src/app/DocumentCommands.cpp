#include "app/DocumentCommands.h"

#include <algorithm>
#include <array>

#include "acquisition/SondrelDoc.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"

namespace sondrel {

namespace {

constexpr std::array<double, 9> kZoomFactors = {0.5, 0.75, 1.0, 1.25, 1.5, 1.75, 2.0, 3.0, 4.0};
constexpr double kMinZoom = 0.5;
constexpr double kMaxZoom = 4.0;

}  // namespace

double zoomForCommand(int id) {
    if (id < kCmdZoom50 || id > kCmdZoom400) return 0.0;
    return kZoomFactors[static_cast<std::size_t>(id - kCmdZoom50)];
}

double zoomedIn(double zoom) {
    return std::clamp(zoom < 2.0 ? zoom + 0.25 : zoom + 1.0, kMinZoom, kMaxZoom);
}

double zoomedOut(double zoom) {
    return std::clamp(zoom <= 2.0 ? zoom - 0.25 : zoom - 1.0, kMinZoom, kMaxZoom);
}

bool moveCircleByArrow(int id, CSondrelDoc& doc) {
    if (!doc.circleMoveMode) return false;
    DisplaySettings& d = doc.display;
    switch (id) {
        case kCmdArrowUp:
            --d.circleOffsetY;
            break;
        case kCmdArrowDown:
            ++d.circleOffsetY;
            break;
        case kCmdArrowLeft:
            --d.circleOffsetX;
            break;
        case kCmdArrowRight:
            ++d.circleOffsetX;
            break;
        default:
            return false;
    }
    doc.views().updateViews(ViewHint::Repaint);
    return true;
}

bool toggleTextInput(int, CSondrelDoc& doc) {
    doc.textInputMode = doc.textInputMode ? 0 : 1;
    if (doc.textInputMode) doc.measurementMode = 0;
    doc.views().updateViews(ViewHint::Repaint);
    return true;
}

bool toggleMeasurement(int, CSondrelDoc& doc) {
    doc.measurementMode = doc.measurementMode ? 0 : 1;
    if (doc.measurementMode) doc.textInputMode = 0;
    doc.views().updateViews(ViewHint::Repaint);
    return true;
}

bool deleteLastText(int, CSondrelDoc& doc) {
    doc.deleteLastTextRequest = 1;
    doc.textInputMode = 0;
    doc.views().updateViews(ViewHint::Repaint);
    return true;
}

bool deleteLines(int, CSondrelDoc& doc) {
    doc.deleteLinesRequest = 1;
    doc.measurementMode = 0;
    doc.views().updateViews(ViewHint::Repaint);
    return true;
}

bool deleteAllDrawings(int, CSondrelDoc& doc) {
    doc.deleteTextsRequest = 1;
    doc.deleteLinesRequest = 1;
    doc.textInputMode = 0;
    doc.measurementMode = 0;
    doc.views().updateViews(ViewHint::Repaint);
    return true;
}

Colour* colourForCommand(int id, DisplaySettings& display) {
    switch (id) {
        case kCmdPointsColour:
            return &display.pointsColour;
        case kCmdGridColour:
            return &display.gridColour;
        case kCmdBackgroundColour:
            return &display.bkColour;
        case kCmdTextColour:
            return &display.textColour;
        case kCmdCircleColour:
            return &display.circleColour;
        case kCmdLineColour:
            return &display.lineColour;
        default:
            return nullptr;
    }
}

bool runDocumentCommand(int id, CSondrelDoc& doc) {
    const CommandDescriptor* c = findCommand(id);
    return c && c->action && c->action(id, doc);
}

}  // namespace sondrel

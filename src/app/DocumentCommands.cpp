#include "app/DocumentCommands.h"

#include <algorithm>
#include <array>

#include "acquisition/SettingDescriptors.h"
#include "app/CommandIds.h"

namespace sondrel {

namespace {

constexpr std::array<double, 9> kZoomFactors = {0.5, 0.75, 1.0, 1.25, 1.5, 1.75, 2.0, 3.0, 4.0};

struct Step {
    int dx = 0, dy = 0;
};

// The pixel an arrow key moves by; none for any other id.
Step arrowStep(int id) {
    switch (id) {
        case kCmdArrowUp:
            return {0, -1};
        case kCmdArrowDown:
            return {0, 1};
        case kCmdArrowLeft:
            return {-1, 0};
        case kCmdArrowRight:
            return {1, 0};
        default:
            return {};
    }
}

}  // namespace

double zoomForCommand(int id) {
    if (id < kCmdZoom50 || id > kCmdZoom400) return 0.0;
    return kZoomFactors[static_cast<std::size_t>(id - kCmdZoom50)];
}

double zoomedIn(double zoom) {
    return std::clamp(zoom < 2.0 ? zoom + 0.25 : zoom + 1.0, setting::kZoom.minimum,
                      setting::kZoom.maximum);
}

double zoomedOut(double zoom) {
    return std::clamp(zoom <= 2.0 ? zoom - 0.25 : zoom - 1.0, setting::kZoom.minimum,
                      setting::kZoom.maximum);
}

bool moveCircleByArrow(int id, CSondrelDoc& doc, const ViewRequests& view) {
    const Step step = arrowStep(id);
    if (!view.circleMoveMode || (step.dx == 0 && step.dy == 0)) return false;
    doc.display.circleOffsetX += step.dx;
    doc.display.circleOffsetY += step.dy;
    redraw(doc);
    return true;
}

void arrowKey(int id, CommandPorts& p) {
    if (moveCircleByArrow(id, p.doc, p.view)) return;
    const Step step = arrowStep(id);
    if (p.windows) p.windows->movePointer(step.dx, step.dy);
}

void redraw(CSondrelDoc& doc) {
    doc.views().updateViews(ViewHint::Repaint);
}

void setZoom(int id, CommandPorts& p) {
    p.doc.display.zoom = zoomForCommand(id);
    redraw(p.doc);
}

void zoomIn(int, CommandPorts& p) {
    p.doc.display.zoom = zoomedIn(p.doc.display.zoom);
    redraw(p.doc);
}

void zoomOut(int, CommandPorts& p) {
    p.doc.display.zoom = zoomedOut(p.doc.display.zoom);
    redraw(p.doc);
}

void setUnits(int feet, CommandPorts& p) {
    p.doc.display.unitsFeet = feet;
    p.doc.applySettings();
}

void toggleCircle(int, CommandPorts& p) {
    p.doc.display.displayCircle = toggled(p.doc.display.displayCircle);
    p.view.circleMoveMode = 0;
    redraw(p.doc);
}

void toggleCircleMove(int, CommandPorts& p) {
    ViewRequests& view = p.view;
    view.circleMoveMode = toggled(view.circleMoveMode);
    if (view.circleMoveMode) {
        view.textInputMode = 0;
        view.measurementMode = 0;
        p.doc.views().updateViews(ViewHint::CircleMove);
    }
}

void defaultColours(int, CommandPorts& p) {
    p.doc.display.setDefaultColours();
}

void requestViewReset(int, CommandPorts& p) {
    p.view.viewResetRequest = 1;
    redraw(p.doc);
}

void stepRange(int id, CommandPorts& p) {
    HeadSettings& head = p.doc.head;
    if (!p.doc.flags.playbackActive)
        head.setRangeIndex(head.rangeIndex + (id == kCmdRangeUp ? 1 : -1));
}

void gainUp(int, CommandPorts& p) {
    if (!p.doc.flags.playbackActive) p.doc.head.setGain(p.doc.head.gainDb + 1);
}

void gainDown(int, CommandPorts& p) {
    if (!p.doc.flags.playbackActive && p.doc.head.gainDb > 0)
        p.doc.head.setGain(p.doc.head.gainDb - 1);
}

void circleDiameterUp(int, CommandPorts& p) {
    DisplaySettings& d = p.doc.display;
    if (d.displayCircle) {
        d.circleDiameter += kCircleDiameterStep;
        redraw(p.doc);
    }
}

void circleDiameterDown(int, CommandPorts& p) {
    DisplaySettings& d = p.doc.display;
    if (d.displayCircle) {
        d.circleDiameter =
            std::max(d.circleDiameter - kCircleDiameterStep, kMinCircleDiameterByKey);
        redraw(p.doc);
    }
}

void chooseScanMode(int id, CommandPorts& p) {
    CSondrelDoc& doc = p.doc;
    if (doc.flags.playbackActive) return;
    const int mode = id == kCmdScanPolar ? kPolar : id == kCmdScanSector ? kSector : kSideScan;
    const bool changed = doc.head.scanMode != mode;
    doc.head.setScanMode(mode);
    // A picture painted in another mode would be wrong in this one.
    if (changed) doc.clearSonarImage();
    if (mode == kSideScan) {
        doc.flags.imageResetPending = true;
    } else if (doc.head.stepSize == 0) {
        doc.head.setStepSize(1);
        doc.head.stepSizeSaved = 1;
    }
    p.view.viewResetRequest = 1;
    doc.applySettings();
}

void setTrainDirection(bool reversed, CommandPorts& p) {
    if (p.doc.flags.playbackActive) return;
    p.doc.head.setTrainReversed(reversed ? 1 : 0);
    p.doc.clearSonarImage();
    p.doc.applySettings();
}

void reverseStep(int, CommandPorts& p) {
    p.doc.requestStepReverse();
}

void clearImage(int, CommandPorts& p) {
    p.doc.clearSonarImage();
}

// The profile shows at the next ping or repaint by itself.
void chooseProfile(int id, CommandPorts& p) {
    DisplaySettings& d = p.doc.display;
    d.profileDispMode = id - kCmdProfileFirst;
    d.profileMixFactor = profileMixFactorFor(d.profileDispMode);
}

void chooseColourTable(int id, CommandPorts& p) {
    p.doc.display.colourTable = id - kCmdColourTableFirst;
    p.doc.views().updateViews(ViewHint::ColourTable);
}

void toggleTextInput(int, CommandPorts& p) {
    ViewRequests& view = p.view;
    view.textInputMode = toggled(view.textInputMode);
    if (view.textInputMode) view.measurementMode = 0;
    redraw(p.doc);
}

void toggleMeasurement(int, CommandPorts& p) {
    ViewRequests& view = p.view;
    view.measurementMode = toggled(view.measurementMode);
    if (view.measurementMode) view.textInputMode = 0;
    redraw(p.doc);
}

void deleteLastText(int, CommandPorts& p) {
    p.view.deleteLastTextRequest = 1;
    p.view.textInputMode = 0;
    redraw(p.doc);
}

void deleteLines(int, CommandPorts& p) {
    p.view.deleteLinesRequest = 1;
    p.view.measurementMode = 0;
    redraw(p.doc);
}

void deleteAllDrawings(int, CommandPorts& p) {
    ViewRequests& view = p.view;
    view.deleteTextsRequest = 1;
    view.deleteLinesRequest = 1;
    view.textInputMode = 0;
    view.measurementMode = 0;
    redraw(p.doc);
}

}  // namespace sondrel

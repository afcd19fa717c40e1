#include "app/DocumentCommands.h"

#include <algorithm>
#include <array>

#include "acquisition/SondrelDoc.h"
#include "app/CommandIds.h"

namespace sondrel {

namespace {

constexpr std::array<double, 9> kZoomFactors = {0.5, 0.75, 1.0, 1.25, 1.5, 1.75, 2.0, 3.0, 4.0};
constexpr double kMinZoom = 0.5;
constexpr double kMaxZoom = 4.0;

void redraw(CSondrelDoc& doc) {
    doc.views().updateViews(ViewHint::Repaint);
}

int toggled(int flag) {
    return flag ? 0 : 1;
}

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
    redraw(doc);
    return true;
}

bool runDocumentCommand(int id, CSondrelDoc& doc) {
    DisplaySettings& d = doc.display;
    if (id >= kCmdZoom50 && id <= kCmdZoom400) {
        d.zoom = zoomForCommand(id);
        redraw(doc);
        return true;
    }
    if (id >= kCmdPointsSmall && id <= kCmdPointsLarge) {
        d.pointSize = id - kCmdPointsSmall;
        redraw(doc);
        return true;
    }
    if (id >= kCmdTextSmall && id <= kCmdTextLargest) {
        d.textSize = id - kCmdTextSmall;
        redraw(doc);
        return true;
    }
    if (id >= kCmdGridSolid && id <= kCmdGridDashed) {
        d.gridStyle = id - kCmdGridSolid;
        redraw(doc);
        return true;
    }
    switch (id) {
        case kCmdZoomIn:
            d.zoom = zoomedIn(d.zoom);
            redraw(doc);
            return true;
        case kCmdZoomOut:
            d.zoom = zoomedOut(d.zoom);
            redraw(doc);
            return true;
        case kCmdRangeMarker:
            d.viewRangeMark = toggled(d.viewRangeMark);
            return true;
        case kCmdDisplayPrd:
            d.displayPrd = toggled(d.displayPrd);
            return true;
        case kCmdDisplayCircle:
            d.displayCircle = toggled(d.displayCircle);
            doc.circleMoveMode = 0;
            redraw(doc);
            return true;
        case kCmdMoveCircle:
            doc.circleMoveMode = toggled(doc.circleMoveMode);
            if (doc.circleMoveMode) {
                doc.textInputMode = 0;
                doc.measurementMode = 0;
                doc.views().updateViews(ViewHint::CircleMove);
            }
            return true;
        case kCmdShowGrid:
            d.showGrid = toggled(d.showGrid);
            return true;
        case kCmdXdcrFwd:
            doc.xdcrForward = 1;
            return true;
        case kCmdXdcrAft:
            doc.xdcrForward = 0;
            return true;
        case kCmdZeroUp:
            doc.zeroDown = 0;
            return true;
        case kCmdZeroDown:
            doc.zeroDown = 1;
            return true;
        case kCmdUnitsMeters:
            doc.unitsFeet = 0;
            doc.applySettings();
            return true;
        case kCmdUnitsFeet:
            doc.unitsFeet = 1;
            doc.applySettings();
            return true;
        case kCmdDefaultColours:
            d.setDefaultColours();
            return true;
        case kCmdRollCorrection:
            d.rollCorrection = toggled(d.rollCorrection);
            return true;
        case kCmdResetView:
            doc.viewResetRequest = 1;
            redraw(doc);
            return true;
        // The toolbar's range and gain steps leave the panels and the image
        // alone: the next poll carries the new bytes to the head.
        case kCmdRangeUp:
        case kCmdRangeDown:
            if (doc.playbackActive != 1)
                doc.setRangeIndex(doc.rangeIndex + (id == kCmdRangeUp ? 1 : -1));
            return true;
        case kCmdGainUp:
            if (doc.playbackActive != 1) doc.setGain(doc.gainDb + 1);
            return true;
        case kCmdGainDown:
            if (doc.playbackActive != 1 && doc.gainDb > 0) doc.setGain(doc.gainDb - 1);
            return true;
        case kCmdCircleDiameterUp:
            if (d.displayCircle) {
                d.circleDiameter += kCircleDiameterStep;
                redraw(doc);
            }
            return true;
        case kCmdCircleDiameterDown:
            if (d.displayCircle) {
                d.circleDiameter =
                    std::max(d.circleDiameter - kCircleDiameterStep, kMinCircleDiameterByKey);
                redraw(doc);
            }
            return true;
        case kCmdArrowUp:
        case kCmdArrowDown:
        case kCmdArrowLeft:
        case kCmdArrowRight:
            return moveCircleByArrow(id, doc);
        default:
            return false;
    }
}

}  // namespace sondrel

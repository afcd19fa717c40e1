#include "app/CommandRules.h"

#include "acquisition/SondrelDoc.h"
#include "app/DocumentCommands.h"

namespace sondrel {

namespace {

bool inRange(int id, int first, int last) {
    return id >= first && id <= last;
}

}  // namespace

bool commandEnabled(int id, const CSondrelDoc& doc, const CommandUiState& /*ui*/) {
    const bool playing = doc.playbackActive == 1;
    switch (id) {
        case kCmdConnect:
            return doc.linkState != LinkState::Connected;
        case kCmdMoveCircle:
            return doc.display.displayCircle != 0;
        case kCmdComPortSetup:
        case kCmdXdcrFwd:
        case kCmdXdcrAft:
        case kCmdZeroUp:
        case kCmdZeroDown:
        case kCmdShowSonarSettings:
        case kCmdMiniSettingsBar:
        case kCmdTypeP:
        case kCmdTypeQ:
        case kCmdScanPolar:
        case kCmdScanSector:
        case kCmdScanSideScan:
        case kCmdTrainReversed:
        case kCmdTrainNormal:
        case kCmdReverseStep:
            return !playing;
        case kCmdIpAddress:
            return doc.sonarType == kTypeQ && !playing;
        case kCmdPlayOneFrame:
            return playing;
        case kCmdRealTimePlaySpeed:
            return playing && doc.pingPeriodRounded > 0;
        case kCmdConvertXyz:
            // One conversion at a time: a second would share the first one's file.
            return doc.xyzConversionActive == 0;
        default:
            return true;
    }
}

bool commandChecked(int id, const CSondrelDoc& doc, const CommandUiState& ui) {
    const DisplaySettings& d = doc.display;
    if (inRange(id, kCmdZoom50, kCmdZoom400)) return d.zoom == zoomForCommand(id);
    if (inRange(id, kCmdPointsSmall, kCmdPointsLarge)) return d.pointSize == id - kCmdPointsSmall;
    if (inRange(id, kCmdTextSmall, kCmdTextLargest)) return d.textSize == id - kCmdTextSmall;
    if (inRange(id, kCmdGridSolid, kCmdGridDashed)) return d.gridStyle == id - kCmdGridSolid;
    if (inRange(id, kCmdProfileFirst, kCmdProfileLast))
        return d.profileDispMode == id - kCmdProfileFirst;
    if (inRange(id, kCmdColorTableFirst, kCmdColorTableLast))
        return d.colorTable == id - kCmdColorTableFirst;
    switch (id) {
        case kCmdRecord:
            return doc.recordingActive == 1;
        case kCmdHold:
            return doc.holdActive == 1;
        case kCmdRangeMarker:
            return d.viewRangeMark != 0;
        case kCmdMainToolbar:
            return ui.toolbarVisible;
        case kCmdDisplayPrd:
            return d.displayPrd != 0;
        case kCmdDisplayCircle:
            return d.displayCircle != 0;
        case kCmdMoveCircle:
            return doc.circleMoveMode != 0;
        case kCmdTextInput:
            return doc.textInputMode != 0;
        case kCmdMeasureAdd:
            return doc.measurementMode != 0;
        case kCmdShowGrid:
            return d.showGrid != 0;
        case kCmdDiagnostics:
            return ui.diagnosticsVisible;
        case kCmdXdcrFwd:
            return doc.xdcrForward == 1;
        case kCmdXdcrAft:
            return doc.xdcrForward == 0;
        case kCmdZeroUp:
            return doc.zeroDown == 0;
        case kCmdZeroDown:
            return doc.zeroDown == 1;
        case kCmdUnitsMeters:
            return doc.unitsFeet == 0;
        case kCmdUnitsFeet:
            return doc.unitsFeet == 1;
        case kCmdRollCorrection:
            return d.rollCorrection != 0;
        case kCmdPlayOneFrame:
            return doc.oneFrameMode != 0;
        case kCmdHelp:
            return ui.helpOpen;
        case kCmdShowSonarSettings:
            return ui.controlPanelVisible;
        case kCmdMiniSettingsBar:
            return ui.miniBarVisible;
        case kCmdTypeP:
            return doc.sonarType == kTypeP;
        case kCmdTypeQ:
            return doc.sonarType == kTypeQ;
        case kCmdRealTimePlaySpeed:
            return doc.realTimePlaySpeed != 0;
        case kCmdAutoFileNames:
            return doc.autoFileNames != 0;
        case kCmdScanPolar:
            return doc.scanMode == kPolar;
        case kCmdScanSector:
            return doc.scanMode == kSector;
        case kCmdScanSideScan:
            return doc.scanMode == kSideScan;
        case kCmdTrainReversed:
            return doc.trainReversed == 1;
        case kCmdTrainNormal:
            return doc.trainReversed == 0;
        default:
            return false;
    }
}

bool commandCheckable(int id) {
    if (inRange(id, kCmdZoom50, kCmdZoom400) || inRange(id, kCmdPointsSmall, kCmdPointsLarge) ||
        inRange(id, kCmdTextSmall, kCmdTextLargest) || inRange(id, kCmdGridSolid, kCmdGridDashed) ||
        inRange(id, kCmdProfileFirst, kCmdProfileLast) ||
        inRange(id, kCmdColorTableFirst, kCmdColorTableLast))
        return true;
    switch (id) {
        case kCmdRecord:
        case kCmdHold:
        case kCmdRangeMarker:
        case kCmdMainToolbar:
        case kCmdDisplayPrd:
        case kCmdDisplayCircle:
        case kCmdMoveCircle:
        case kCmdTextInput:
        case kCmdMeasureAdd:
        case kCmdShowGrid:
        case kCmdDiagnostics:
        case kCmdXdcrFwd:
        case kCmdXdcrAft:
        case kCmdZeroUp:
        case kCmdZeroDown:
        case kCmdUnitsMeters:
        case kCmdUnitsFeet:
        case kCmdRollCorrection:
        case kCmdPlayOneFrame:
        case kCmdHelp:
        case kCmdShowSonarSettings:
        case kCmdMiniSettingsBar:
        case kCmdTypeP:
        case kCmdTypeQ:
        case kCmdRealTimePlaySpeed:
        case kCmdAutoFileNames:
        case kCmdScanPolar:
        case kCmdScanSector:
        case kCmdScanSideScan:
        case kCmdTrainReversed:
        case kCmdTrainNormal:
            return true;
        default:
            return false;
    }
}

void applyCommandUpdateRules(CSondrelDoc& doc) {
    if (doc.display.displayCircle == 0) doc.circleMoveMode = 0;
}

}  // namespace sondrel

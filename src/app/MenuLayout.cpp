#include "app/MenuLayout.h"

#include <array>

#include "app/CommandIds.h"

namespace sondrel {

namespace {

using K = MenuEntry::Kind;

constexpr MenuEntry begin(std::string_view caption) {
    return {K::PopupBegin, 0, caption};
}
constexpr MenuEntry end() {
    return {K::PopupEnd, 0, {}};
}
constexpr MenuEntry item(int id) {
    return {K::Item, id, {}};
}
constexpr MenuEntry separator() {
    return {K::Separator, 0, {}};
}

constexpr auto kDocumentMenu = std::to_array<MenuEntry>({
    begin("&File"),
    item(kCmdConnect),
    item(kCmdOpenPlayback),
    separator(),
    item(kCmdRecord),
    item(kCmdSetRecordDirectory),
    item(kCmdConvertXyz),
    item(kCmdPipeReport),
    item(kCmdExportPointCloud),
    item(kCmdAutoFileNames),
    separator(),
    item(kCmdSurveyHeader),
    item(kCmdSurveyObservations),
    item(kCmdExportCodedFile),
    item(kCmdCalibrateDiameter),
    separator(),
    item(kCmdCaptureFrame),
    item(kCmdSaveScreen),
    separator(),
    item(kCmdExit),
    end(),

    begin("&View"),
    item(kCmdHold),
    separator(),
    begin("&Zoom Factor"),
    item(kCmdZoom50),
    item(kCmdZoom75),
    item(kCmdZoom100),
    item(kCmdZoom125),
    item(kCmdZoom150),
    item(kCmdZoom175),
    item(kCmdZoom200),
    item(kCmdZoom300),
    item(kCmdZoom400),
    end(),
    item(kCmdZoomIn),
    item(kCmdZoomOut),
    separator(),
    item(kCmdRangeMarker),
    item(kCmdMainToolbar),
    separator(),
    item(kCmdBackgroundColour),
    item(kCmdDisplayPrd),
    item(kCmdPipeGeometry),
    item(kCmdPipeGeometryChart),
    item(kCmdPipeWallMap),
    item(kCmdPipe3DView),
    item(kCmdPipeGeometrySettings),
    item(kCmdSurveyThresholds),
    item(kCmdSurveyLimits),
    end(),

    begin("&Points"),
    item(kCmdPointsColour),
    separator(),
    item(kCmdPointsSmall),
    item(kCmdPointsMedium),
    item(kCmdPointsLarge),
    end(),

    begin("&Circle"),
    item(kCmdDisplayCircle),
    item(kCmdMoveCircle),
    separator(),
    item(kCmdCircleDiameter),
    separator(),
    item(kCmdCircleColour),
    end(),

    begin("&Text"),
    item(kCmdTextInput),
    item(kCmdTextDelete),
    separator(),
    item(kCmdTextColour),
    separator(),
    item(kCmdTextSmall),
    item(kCmdTextMedium),
    item(kCmdTextLarge),
    item(kCmdTextLarger),
    item(kCmdTextLargest),
    end(),

    begin("&Measure"),
    item(kCmdMeasureAdd),
    item(kCmdMeasureDelete),
    separator(),
    item(kCmdLineColour),
    end(),

    begin("&Grid"),
    item(kCmdShowGrid),
    separator(),
    item(kCmdGridColour),
    separator(),
    item(kCmdGridSolid),
    item(kCmdGridDotted),
    item(kCmdGridDashed),
    end(),

    begin("&System"),
    item(kCmdComPortSetup),
    item(kCmdDiagnostics),
    separator(),
    item(kCmdMinimumRange),
    item(kCmdSoundVelocity),
    begin("Xdcr Fwd / Aft"),
    item(kCmdXdcrFwd),
    item(kCmdXdcrAft),
    end(),
    begin("Zero Up/ Down"),
    item(kCmdZeroUp),
    item(kCmdZeroDown),
    end(),
    end(),

    begin("&Options"),
    begin("Units"),
    item(kCmdUnitsMeters),
    item(kCmdUnitsFeet),
    end(),
    separator(),
    item(kCmdDefaultColours),
    item(kCmdDeleteAllDrawings),
    item(kCmdRollCorrection),
    separator(),
    item(kCmdPlayOneFrame),
    end(),

    // Commands the original window offered in no menu while a document was open.
    begin("So&nar"),
    item(kCmdShowSonarSettings),
    item(kCmdMiniSettingsBar),
    separator(),
    item(kCmdIpAddress),
    begin("Sonar Type"),
    item(kCmdTypeP),
    item(kCmdTypeQ),
    end(),
    separator(),
    begin("Scan Mode"),
    item(kCmdScanSector),
    item(kCmdScanPolar),
    item(kCmdScanSideScan),
    end(),
    begin("Train Direction"),
    item(kCmdTrainNormal),
    item(kCmdTrainReversed),
    end(),
    item(kCmdReverseStep),
    separator(),
    begin("Profile"),
    item(kCmdProfileFirst),
    item(kCmdProfileFirst + 1),
    item(kCmdProfileFirst + 2),
    item(kCmdProfileFirst + 3),
    item(kCmdProfileLast),
    end(),
    begin("ColorTable"),
    item(kCmdColourTableFirst),
    item(kCmdColourTableFirst + 1),
    item(kCmdColourTableFirst + 2),
    item(kCmdColourTableFirst + 3),
    item(kCmdColourTableFirst + 4),
    item(kCmdColourTableFirst + 5),
    item(kCmdColourTableFirst + 6),
    item(kCmdColourTableFirst + 7),
    item(kCmdColourTableLast),
    end(),
    item(kCmdClearImage),
    separator(),
    item(kCmdRealTimePlaySpeed),
    end(),

    begin("&Help"),
    item(kCmdHelp),
    item(kCmdAbout),
    end(),
});

}  // namespace

std::span<const MenuEntry> documentMenu() {
    return kDocumentMenu;
}

}  // namespace sondrel

#include "app/CommandTable.h"

#include <algorithm>
#include <array>

namespace sondrel {

namespace {

using K = MenuEntry::Kind;

constexpr MenuEntry begin(std::string_view caption) {
    return {K::PopupBegin, 0, caption};
}
constexpr MenuEntry end() {
    return {K::PopupEnd, 0, {}};
}
constexpr MenuEntry item(int id, std::string_view caption) {
    return {K::Item, id, caption};
}
constexpr MenuEntry separator() {
    return {K::Separator, 0, {}};
}

constexpr auto kDocumentMenu = std::to_array<MenuEntry>({
    begin("&File"),
    item(kCmdConnect, "Connect to &Sonar Head"),
    item(kCmdOpenPlayback, "&Open File to Playback"),
    separator(),
    item(kCmdRecord, "&Record  Start (Stop)"),
    item(kCmdSetRecordDirectory, "Set Record Directory..."),
    item(kCmdConvertXyz, "Convert .QZR file to .xyz..."),
    item(kCmdAutoFileNames, "Auto Save File Names"),
    separator(),
    item(kCmdCaptureFrame, "Capture Frame"),
    item(kCmdSaveScreen, "&Save Screen"),
    separator(),
    item(kCmdExit, "E&xit"),
    end(),

    begin("&View"),
    item(kCmdHold, "&Hold"),
    separator(),
    begin("&Zoom Factor"),
    item(kCmdZoom50, "50 %"),
    item(kCmdZoom75, "75 %"),
    item(kCmdZoom100, "100 %"),
    item(kCmdZoom125, "125 %"),
    item(kCmdZoom150, "150 %"),
    item(kCmdZoom175, "175 %"),
    item(kCmdZoom200, "200 %"),
    item(kCmdZoom300, "300 %"),
    item(kCmdZoom400, "400 %"),
    end(),
    item(kCmdZoomIn, "Zoom In"),
    item(kCmdZoomOut, "Zoom Out"),
    separator(),
    item(kCmdRangeMarker, "Range Marker"),
    item(kCmdMainToolbar, "Main &Toolbar"),
    separator(),
    item(kCmdBackgroundColor, "Back Ground Color"),
    item(kCmdDisplayPrd, "Display Pitch / Roll / Distance"),
    end(),

    begin("&Points"),
    item(kCmdPointsColor, "Points Color"),
    separator(),
    item(kCmdPointsSmall, "Small"),
    item(kCmdPointsMedium, "Medium"),
    item(kCmdPointsLarge, "Large"),
    end(),

    begin("&Circle"),
    item(kCmdDisplayCircle, "Display"),
    item(kCmdMoveCircle, "Move Circle"),
    separator(),
    item(kCmdCircleDiameter, "Diameter"),
    separator(),
    item(kCmdCircleColor, "Circle Color"),
    end(),

    begin("&Text"),
    item(kCmdTextInput, "Input..."),
    item(kCmdTextDelete, "Delete "),
    separator(),
    item(kCmdTextColor, "Text Color"),
    separator(),
    item(32897, "Small"),
    item(32898, "Medium"),
    item(32899, "Large"),
    item(32900, "Larger"),
    item(32901, "Largest"),
    end(),

    begin("&Measure"),
    item(kCmdMeasureAdd, "Add..."),
    item(kCmdMeasureDelete, "Delete"),
    separator(),
    item(kCmdLineColor, "Line Color"),
    end(),

    begin("&Grid"),
    item(kCmdShowGrid, "Show Grid"),
    separator(),
    item(kCmdGridColor, "Grid Color"),
    separator(),
    item(kCmdGridSolid, "Solid Line"),
    item(kCmdGridDotted, "Dotted Line"),
    item(kCmdGridDashed, "Dashed Line"),
    end(),

    begin("&System"),
    item(kCmdComPortSetup, "&COM Port Setup"),
    item(kCmdDiagnostics, "&Diagnostics"),
    separator(),
    item(kCmdMinimumRange, "Minimum Range"),
    item(kCmdSoundVelocity, "Sound Velocity"),
    begin("Xdcr Fwd / Aft"),
    item(kCmdXdcrFwd, "Fwd"),
    item(kCmdXdcrAft, "Aft"),
    end(),
    begin("Zero Up/ Down"),
    item(kCmdZeroUp, "Up"),
    item(kCmdZeroDown, "Down"),
    end(),
    end(),

    begin("&Options"),
    begin("Units"),
    item(kCmdUnitsMeters, "Meters"),
    item(kCmdUnitsFeet, "Feet"),
    end(),
    separator(),
    item(kCmdDefaultColours, "Set Default Colors"),
    item(kCmdDeleteAllDrawings, "Delete All Drawings"),
    item(kCmdRollCorrection, "Roll Correction"),
    separator(),
    item(kCmdPlayOneFrame, "Play One Frame"),
    end(),

    begin("&Help"),
    item(kCmdHelp, "Help..."),
    item(kCmdAbout, "&About Sondrel..."),
    end(),
});

struct CommandString {
    int id;
    std::string_view text;
};

constexpr auto kCommandStrings = std::to_array<CommandString>({
    {kCmdConnect, "Real Time Data Acquisition"},
    {kCmdOpenPlayback, "Play back recorded data"},
    {kCmdRecord, "Record real time data to a file"},
    {kCmdSetRecordDirectory, "Set record file directory"},
    {kCmdConvertXyz, "Convert .QZR file to .xyz file"},
    {kCmdAutoFileNames, "Automatically select file name"},
    {kCmdCaptureFrame, "Save one sweep data to a file"},
    {kCmdSaveScreen, "Save screen to an image file"},
    {kCmdExit, "Quit the application; prompts to save documents\nExit"},
    {kCmdHold, "Hold the operation"},
    {kCmdZoomIn, "Zoom in"},
    {kCmdZoomOut, "Zoom out"},
    {kCmdRangeMarker, "Show/hide range mark"},
    {kCmdMainToolbar, "Show or hide the toolbar\nToggle ToolBar"},
    {kCmdBackgroundColor, "Choose back ground color"},
    {kCmdDisplayPrd, "Show/Hide Pitch Roll indicator"},
    {kCmdPointsColor, "Choose points display color"},
    {kCmdPointsSmall, "Draw small sized points"},
    {kCmdPointsMedium, "Draw medium sized points"},
    {kCmdPointsLarge, "Draw large sized points"},
    {kCmdDisplayCircle, "Display a circle"},
    {kCmdMoveCircle, "Move circle"},
    {kCmdCircleDiameter, "Input circle diameter"},
    {kCmdCircleColor, "Choose Circle Color"},
    {kCmdTextInput, "Set text input mode"},
    {kCmdTextDelete, "Delete one string"},
    {kCmdTextColor, "Choose text display color"},
    {32897, "Text use small font"},
    {32898, "Text use medium font"},
    {32899, "Text use large font"},
    {32900, "Text use larger font"},
    {32901, "Text use largest font"},
    {kCmdMeasureAdd, "Draw a measurement line"},
    {kCmdMeasureDelete, "Delete All Lines"},
    {kCmdLineColor, "Change Line Color"},
    {kCmdShowGrid, "Show/hide grid"},
    {kCmdGridColor, "Choose grid display color"},
    {kCmdGridSolid, "Solid line grid"},
    {kCmdGridDotted, "Dotted line grid"},
    {kCmdGridDashed, "Dashed line grid"},
    {kCmdComPortSetup, "Choose COM ports"},
    {kCmdDiagnostics, "Show/Hide diagnostics window"},
    {kCmdSoundVelocity, "Manual Sound velocity input"},
    {kCmdXdcrFwd, "Xdcr FWD"},
    {kCmdXdcrAft, "Xdcr AFT"},
    {kCmdZeroUp, "Zero Up"},
    {kCmdZeroDown, "Zero down"},
    {kCmdUnitsMeters, "Display use meters"},
    {kCmdUnitsFeet, "Display use feet"},
    {kCmdDefaultColours, "Set default colors for all"},
    {kCmdDeleteAllDrawings, "Delete all drawings"},
    {kCmdRollCorrection, "Apply Roll Correction"},
    {kCmdPlayOneFrame, "Play one frame at a time"},
    {kCmdHelp, "Show basic commands help window"},
    {kCmdAbout, "Display program information, version number and copyright\nAbout"},
    {kCmdRangeUp, "Increase Range"},
    {kCmdRangeDown, "Decrease Range"},
    {kCmdGainUp, "Increase Gain"},
    {kCmdGainDown, "Decrease Gain"},
});

constexpr auto kToolbar = std::to_array<int>({
    kCmdConnect,
    kCmdOpenPlayback,
    kCmdRecord,
    kCmdRangeUp,
    kCmdRangeDown,
    kCmdGainUp,
    kCmdGainDown,
    kCmdCaptureFrame,
    kCmdHold,
    kCmdResetView,
    kCmdZoomIn,
    kCmdZoomOut,
    kCmdDisplayCircle,
    kCmdTextInput,
    kCmdMeasureAdd,
    kCmdDeleteAllDrawings,
    kCmdDiagnostics,
    kCmdHelp,
});

constexpr auto kHotKeys = std::to_array<HotKeyBinding>({
    {HotKey::F3, kCmdDiagnostics},
    {HotKey::F1, kCmdHelp},
    {HotKey::Up, kCmdArrowUp},
    {HotKey::Down, kCmdArrowDown},
    {HotKey::Left, kCmdArrowLeft},
    {HotKey::Right, kCmdArrowRight},
    {HotKey::F5, kCmdCircleDiameterUp},
    {HotKey::F6, kCmdCircleDiameterDown},
});

using R = PaneRole;
constexpr auto kStatusPanes = std::to_array<StatusPane>({
    {0, "", R::Message, 50},
    {1, "Pitch:", R::Label, kFitText},
    {2, ".", R::Pitch, 50},
    {16, "  ", R::Spacer, 10},
    {3, "Roll:", R::Label, kFitText},
    {4, ".", R::Roll, 50},
    {17, "  ", R::Spacer, 10},
    {5, "Distance:", R::Label, kFitText},
    {6, ".", R::Distance, 65},
    {18, "  ", R::Spacer, 15},
    {7, "Horz:", R::Label, kFitText},
    {8, ".", R::CursorHorizontal, 50},
    {19, "  ", R::Spacer, 10},
    {9, "Vert:", R::Label, kFitText},
    {10, ".", R::CursorVertical, 50},
    {20, "  ", R::Spacer, 10},
    {11, "Range:", R::Label, kFitText},
    {12, ".", R::CursorRange, 50},
    {21, "  ", R::Spacer, 10},
    {13, "Bearing:", R::Label, kFitText},
    {14, ".", R::CursorBearing, 55},
    {22, "  ", R::Spacer, 10},
    {15, ".", R::PingTime, 120},
});

}  // namespace

std::span<const MenuEntry> documentMenu() {
    return kDocumentMenu;
}

std::string_view commandString(int id) {
    const auto it = std::find_if(kCommandStrings.begin(), kCommandStrings.end(),
                                 [id](const CommandString& s) { return s.id == id; });
    return it == kCommandStrings.end() ? std::string_view{} : it->text;
}

std::string_view commandPrompt(int id) {
    const std::string_view text = commandString(id);
    return text.substr(0, text.find('\n'));
}

std::string_view commandToolTip(int id) {
    const std::string_view text = commandString(id);
    const auto lineBreak = text.find('\n');
    return lineBreak == std::string_view::npos ? std::string_view{} : text.substr(lineBreak + 1);
}

std::span<const int> toolbarCommands() {
    return kToolbar;
}

std::span<const HotKeyBinding> hotKeys() {
    return kHotKeys;
}

std::span<const StatusPane> statusPanes() {
    return kStatusPanes;
}

}  // namespace sondrel

#include "app/CommandTable.h"

#include <algorithm>
#include <array>

#include "acquisition/AcquisitionCycle.h"
#include "acquisition/SondrelDoc.h"
#include "app/DocumentCommands.h"
#include "app/KeyIn.h"

namespace sondrel {

namespace {

using Ui = CommandUiState;

// ------------------------------------------------------------------ rules

bool playingBack(const CSondrelDoc& doc) {
    return doc.flags.playbackActive;
}

bool notConnected(int, const CSondrelDoc& doc, const Ui&) {
    return doc.link.linkState != LinkState::Connected;
}
bool notPlayingBack(int, const CSondrelDoc& doc, const Ui&) {
    return !playingBack(doc);
}
bool whilePlayingBack(int, const CSondrelDoc& doc, const Ui&) {
    return playingBack(doc);
}
bool ethernetHeadLive(int, const CSondrelDoc& doc, const Ui&) {
    return doc.head.sonarType == kTypeQ && !playingBack(doc);
}
bool playbackWithPingPeriod(int, const CSondrelDoc& doc, const Ui&) {
    return playingBack(doc) && doc.pingPeriodOnShow() > 0;
}
bool circleShown(int, const CSondrelDoc& doc, const Ui&) {
    return doc.display.displayCircle != 0;
}
bool noConversionRunning(int, const CSondrelDoc& doc, const Ui&) {
    // One conversion at a time: a second would share the first one's file.
    return !doc.flags.xyzConversionActive;
}
bool noPipeReportRunning(int, const CSondrelDoc&, const Ui& ui) {
    // One report at a time; the one running has its progress window.
    return !ui.pipeReportRunning;
}

bool noCloudExportRunning(int, const CSondrelDoc&, const Ui& ui) {
    return !ui.cloudExportRunning;
}

bool noSurveyRunning(int, const CSondrelDoc&, const Ui& ui) {
    // The survey being analysed is the one the next command would act on.
    return !ui.surveyRunning;
}

// One of the view's input modes.
template <int ViewRequests::*Mode>
bool viewOn(int, const CSondrelDoc&, const Ui& ui) {
    return ui.view.*Mode != 0;
}
// A field of one of the document's parts.
template <auto Part, auto Field>
bool partOn(int, const CSondrelDoc& doc, const Ui&) {
    return (doc.*Part).*Field != 0;
}
// A head setting as shown: while a file plays, its ping's.
template <auto Field, auto Value>
bool shownIs(int, const CSondrelDoc& doc, const Ui&) {
    return doc.headOnShow().*Field == Value;
}
template <auto Part, auto Field, auto Value>
bool partIs(int, const CSondrelDoc& doc, const Ui&) {
    return (doc.*Part).*Field == Value;
}
template <int DisplaySettings::*Field>
bool displayOn(int, const CSondrelDoc& doc, const Ui&) {
    return doc.display.*Field != 0;
}
// One item of a group of choices whose ids follow each other from First.
template <int DisplaySettings::*Field, int First>
bool displayChoice(int id, const CSondrelDoc& doc, const Ui&) {
    return doc.display.*Field == id - First;
}
bool zoomChosen(int id, const CSondrelDoc& doc, const Ui&) {
    return doc.display.zoom == zoomForCommand(id);
}
template <bool Ui::*Field>
bool windowShown(int, const CSondrelDoc&, const Ui& ui) {
    return ui.*Field;
}

using D = DisplaySettings;
using Doc = CSondrelDoc;

// Each entry names only what it has; GCC 12 warns of the members left to their
// defaults all the same.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
constexpr auto kCommands = std::to_array<CommandDescriptor>({
    // ---- File
    {.id = kCmdConnect,
     .caption = "Connect to &Sonar Head",
     .text = "Real Time Data Acquisition",
     .enabled = notConnected,
     .action = onCycle<&AcquisitionCycle::connectToHead>,
     .toolbarPosition = 1},
    {.id = kCmdOpenPlayback,
     .caption = "&Open File to Playback",
     .text = "Play back recorded data",
     .action = onFiles<&FilePort::openPlayback>,
     .toolbarPosition = 2},
    {.id = kCmdRecord,
     .caption = "&Record  Start (Stop)",
     .text = "Record real time data to a file",
     .checked = partOn<&Doc::flags, &OperatingFlags::recordingActive>,
     .action = onFiles<&FilePort::startStopRecording>,
     .toolbarPosition = 3},
    {.id = kCmdSetRecordDirectory,
     .caption = "Set Record Directory...",
     .text = "Set record file directory",
     .action = onFiles<&FilePort::setRecordDirectory>},
    {.id = kCmdConvertXyz,
     .caption = "Convert .QZR file to .xyz...",
     .text = "Convert .QZR file to .xyz file",
     .enabled = noConversionRunning,
     .action = onFiles<&FilePort::convertToXyz>},
    {.id = kCmdPipeReport,
     .caption = "Pipe &Report...",
     .text = "Write the pipe geometry of a data file as a PDF report\nPipe Report",
     .enabled = noPipeReportRunning,
     .action = onFiles<&FilePort::writePipeReport>},
    {.id = kCmdExportPointCloud,
     .caption = "Export &Point Cloud...",
     .text = "Write the points of a data file along the pipe as a PLY or LAS point cloud\nExport "
             "Point Cloud",
     .enabled = noCloudExportRunning,
     .action = onFiles<&FilePort::exportPointCloud>},
    {.id = kCmdSurveyHeader,
     .caption = "&Survey...",
     .text = "Fill the survey header of the recording, or of the next one\nSurvey",
     .action = onSurvey<&SurveyPort::editSurveyHeader>},
    {.id = kCmdSurveyObservations,
     .caption = "Survey &Observations",
     .text = "Show or hide the survey's observations along the pipe\nSurvey Observations",
     .enabled = noSurveyRunning,
     .checked = windowShown<&Ui::surveyObservationsVisible>,
     .action = onSurvey<&SurveyPort::toggleSurveyObservations>},
    {.id = kCmdExportCodedFile,
     .caption = "Export &Coded File...",
     .text = "Write the survey as an EN 13508-2 coded file and its observations as CSV\nExport "
             "Coded File",
     .enabled = noSurveyRunning,
     .action = onSurvey<&SurveyPort::exportCodedFile>},
    {.id = kCmdCalibrateDiameter,
     .caption = "Calibrate &Diameter...",
     .text = "Derive the sound velocity from a stretch of known inside diameter\nCalibrate "
             "Diameter",
     .enabled = noSurveyRunning,
     .action = onSurvey<&SurveyPort::calibrateDiameter>},
    {.id = kCmdAutoFileNames,
     .caption = "Auto Save File Names",
     .text = "Automatically select file name",
     .checked = partOn<&Doc::files, &FileSettings::autoFileNames>,
     .action = onFiles<&FilePort::toggleAutoFileNames>},
    {.id = kCmdCaptureFrame,
     .caption = "Capture Frame",
     .text = "Save one sweep data to a file",
     .action = onFiles<&FilePort::captureFrame>,
     .toolbarPosition = 8,
     .viewKey = 's',
     .helpName = "Save One Sweep",
     .helpText = "Save one sweep data to a file."},
    {.id = kCmdSaveScreen,
     .caption = "&Save Screen",
     .text = "Save screen to an image file",
     .action = onWindows<&WindowPort::saveScreen>},
    {.id = kCmdExit,
     .caption = "E&xit",
     .text = "Quit the application; prompts to save documents\nExit",
     .action = onWindows<&WindowPort::closeProgram>},

    // ---- View
    {.id = kCmdHold,
     .caption = "&Hold",
     .text = "Hold the operation",
     .checked = partOn<&Doc::flags, &OperatingFlags::holdActive>,
     .action = onCycle<&AcquisitionCycle::holdToggle>,
     .toolbarPosition = 9,
     .viewKey = 'h',
     .helpName = "Hold",
     .helpText = "Operation Held."},
    {.id = kCmdZoom50, .caption = "50 %", .checked = zoomChosen, .action = onDocument(setZoom)},
    {.id = kCmdZoom75, .caption = "75 %", .checked = zoomChosen, .action = onDocument(setZoom)},
    {.id = kCmdZoom100, .caption = "100 %", .checked = zoomChosen, .action = onDocument(setZoom)},
    {.id = kCmdZoom125, .caption = "125 %", .checked = zoomChosen, .action = onDocument(setZoom)},
    {.id = kCmdZoom150, .caption = "150 %", .checked = zoomChosen, .action = onDocument(setZoom)},
    {.id = kCmdZoom175, .caption = "175 %", .checked = zoomChosen, .action = onDocument(setZoom)},
    {.id = kCmdZoom200, .caption = "200 %", .checked = zoomChosen, .action = onDocument(setZoom)},
    {.id = kCmdZoom300, .caption = "300 %", .checked = zoomChosen, .action = onDocument(setZoom)},
    {.id = kCmdZoom400, .caption = "400 %", .checked = zoomChosen, .action = onDocument(setZoom)},
    {.id = kCmdZoomIn,
     .caption = "Zoom In",
     .text = "Zoom in",
     .action = onDocument(zoomIn),
     .toolbarPosition = 11},
    {.id = kCmdZoomOut,
     .caption = "Zoom Out",
     .text = "Zoom out",
     .action = onDocument(zoomOut),
     .toolbarPosition = 12},
    {.id = kCmdRangeMarker,
     .caption = "Range Marker",
     .text = "Show/hide range mark",
     .checked = displayOn<&D::viewRangeMark>,
     .action = onDocument(toggleDisplay<&D::viewRangeMark>)},
    {.id = kCmdMainToolbar,
     .caption = "Main &Toolbar",
     .text = "Show or hide the toolbar\nToggle ToolBar",
     .checked = windowShown<&Ui::toolbarVisible>,
     .action = onWindows<&WindowPort::toggleToolbar>},
    {.id = kCmdBackgroundColour,
     .caption = "Back Ground Color",
     .text = "Choose back ground color",
     .action = onSetup<&SetupPort::chooseColour, &D::bkColour>},
    {.id = kCmdDisplayPrd,
     .caption = "Display Pitch / Roll / Distance",
     .text = "Show/Hide Pitch Roll indicator",
     .checked = displayOn<&D::displayPrd>,
     .action = onDocument(toggleDisplay<&D::displayPrd>)},
    {.id = kCmdPipeGeometry,
     .caption = "Pipe &Geometry",
     .text = "Show or hide the fitted pipe wall and its diameters, ovality and sediment\nPipe "
             "Geometry",
     .checked = windowShown<&Ui::geometryOverlayVisible>,
     .action = onWindows<&WindowPort::toggleGeometryOverlay>},
    {.id = kCmdPipeGeometryChart,
     .caption = "Pipe Geometry &Chart",
     .text = "Show or hide the charts of diameter, ovality and sediment along the pipe\nPipe "
             "Geometry Chart",
     .checked = windowShown<&Ui::geometryChartVisible>,
     .action = onWindows<&WindowPort::toggleGeometryChart>},
    {.id = kCmdPipeWallMap,
     .caption = "Pipe &Wall Map",
     .text = "Show or hide the wall of the pipe unrolled along the chainage, coloured by its "
             "departure from the nominal radius\nPipe Wall Map",
     .checked = windowShown<&Ui::wallMapVisible>,
     .action = onWindows<&WindowPort::toggleWallMap>},
    {.id = kCmdPipe3DView,
     .caption = "Pipe &3D View",
     .text = "Show or hide the pipe as a surface in 3D, coloured as the wall map\nPipe 3D View",
     .checked = windowShown<&Ui::pipe3DVisible>,
     .action = onWindows<&WindowPort::togglePipe3DView>},
    {.id = kCmdPipeGeometrySettings,
     .caption = "Pipe Geometry &Settings...",
     .text = "Set the pipe's nominal diameter, the warning and alarm levels and the ovality "
             "definition\nPipe Geometry Settings",
     .action = onSetup<&SetupPort::pipeGeometrySettings>},
    {.id = kCmdSurveyThresholds,
     .caption = "Survey Observation &Thresholds...",
     .text = "Set the levels at which deformation, deposits and obstacles become "
             "observations\nSurvey Observation Thresholds",
     .action = onSurvey<&SurveyPort::surveyThresholds>},
    {.id = kCmdSurveyLimits,
     .caption = "Survey &Limits...",
     .text = "Set the acceptance limits the survey is graded against\nSurvey Limits",
     .action = onSurvey<&SurveyPort::surveyLimits>},

    // ---- Points
    {.id = kCmdPointsColour,
     .caption = "Points Color",
     .text = "Choose points display color",
     .action = onSetup<&SetupPort::chooseColour, &D::pointsColour>},
    {.id = kCmdPointsSmall,
     .caption = "Small",
     .text = "Draw small sized points",
     .checked = displayChoice<&D::pointSize, kCmdPointsSmall>,
     .action = onDocument(chooseDisplay<&D::pointSize, kCmdPointsSmall>)},
    {.id = kCmdPointsMedium,
     .caption = "Medium",
     .text = "Draw medium sized points",
     .checked = displayChoice<&D::pointSize, kCmdPointsSmall>,
     .action = onDocument(chooseDisplay<&D::pointSize, kCmdPointsSmall>)},
    {.id = kCmdPointsLarge,
     .caption = "Large",
     .text = "Draw large sized points",
     .checked = displayChoice<&D::pointSize, kCmdPointsSmall>,
     .action = onDocument(chooseDisplay<&D::pointSize, kCmdPointsSmall>)},

    // ---- Circle
    {.id = kCmdDisplayCircle,
     .caption = "Display",
     .text = "Display a circle",
     .checked = displayOn<&D::displayCircle>,
     .action = onDocument(toggleCircle),
     .toolbarPosition = 13},
    {.id = kCmdMoveCircle,
     .caption = "Move Circle",
     .text = "Move circle",
     .enabled = circleShown,
     .checked = viewOn<&ViewRequests::circleMoveMode>,
     .action = onDocument(toggleCircleMove)},
    {.id = kCmdCircleDiameter,
     .caption = "Diameter",
     .text = "Input circle diameter",
     .action = onWindows<&WindowPort::askCircleDiameter>},
    {.id = kCmdCircleColour,
     .caption = "Circle Color",
     .text = "Choose Circle Color",
     .action = onSetup<&SetupPort::chooseColour, &D::circleColour>},

    // ---- Text
    {.id = kCmdTextInput,
     .caption = "Input...",
     .text = "Set text input mode",
     .checked = viewOn<&ViewRequests::textInputMode>,
     .action = onDocument(toggleTextInput),
     .toolbarPosition = 14},
    {.id = kCmdTextDelete,
     .caption = "Delete ",
     .text = "Delete one string",
     .action = onDocument(deleteLastText)},
    {.id = kCmdTextColour,
     .caption = "Text Color",
     .text = "Choose text display color",
     .action = onSetup<&SetupPort::chooseColour, &D::textColour>},
    {.id = kCmdTextSmall,
     .caption = "Small",
     .text = "Text use small font",
     .checked = displayChoice<&D::textSize, kCmdTextSmall>,
     .action = onDocument(chooseDisplay<&D::textSize, kCmdTextSmall>)},
    {.id = kCmdTextMedium,
     .caption = "Medium",
     .text = "Text use medium font",
     .checked = displayChoice<&D::textSize, kCmdTextSmall>,
     .action = onDocument(chooseDisplay<&D::textSize, kCmdTextSmall>)},
    {.id = kCmdTextLarge,
     .caption = "Large",
     .text = "Text use large font",
     .checked = displayChoice<&D::textSize, kCmdTextSmall>,
     .action = onDocument(chooseDisplay<&D::textSize, kCmdTextSmall>)},
    {.id = kCmdTextLarger,
     .caption = "Larger",
     .text = "Text use larger font",
     .checked = displayChoice<&D::textSize, kCmdTextSmall>,
     .action = onDocument(chooseDisplay<&D::textSize, kCmdTextSmall>)},
    {.id = kCmdTextLargest,
     .caption = "Largest",
     .text = "Text use largest font",
     .checked = displayChoice<&D::textSize, kCmdTextSmall>,
     .action = onDocument(chooseDisplay<&D::textSize, kCmdTextSmall>)},

    // ---- Measure
    {.id = kCmdMeasureAdd,
     .caption = "Add...",
     .text = "Draw a measurement line",
     .checked = viewOn<&ViewRequests::measurementMode>,
     .action = onDocument(toggleMeasurement),
     .toolbarPosition = 15},
    {.id = kCmdMeasureDelete,
     .caption = "Delete",
     .text = "Delete All Lines",
     .action = onDocument(deleteLines)},
    {.id = kCmdLineColour,
     .caption = "Line Color",
     .text = "Change Line Color",
     .action = onSetup<&SetupPort::chooseColour, &D::lineColour>},

    // ---- Grid
    {.id = kCmdShowGrid,
     .caption = "Show Grid",
     .text = "Show/hide grid",
     .checked = displayOn<&D::showGrid>,
     .action = onDocument(toggleDisplay<&D::showGrid>)},
    {.id = kCmdGridColour,
     .caption = "Grid Color",
     .text = "Choose grid display color",
     .action = onSetup<&SetupPort::chooseColour, &D::gridColour>},
    {.id = kCmdGridSolid,
     .caption = "Solid Line",
     .text = "Solid line grid",
     .checked = displayChoice<&D::gridStyle, kCmdGridSolid>,
     .action = onDocument(chooseDisplay<&D::gridStyle, kCmdGridSolid>)},
    {.id = kCmdGridDotted,
     .caption = "Dotted Line",
     .text = "Dotted line grid",
     .checked = displayChoice<&D::gridStyle, kCmdGridSolid>,
     .action = onDocument(chooseDisplay<&D::gridStyle, kCmdGridSolid>)},
    {.id = kCmdGridDashed,
     .caption = "Dashed Line",
     .text = "Dashed line grid",
     .checked = displayChoice<&D::gridStyle, kCmdGridSolid>,
     .action = onDocument(chooseDisplay<&D::gridStyle, kCmdGridSolid>)},

    // ---- System
    {.id = kCmdComPortSetup,
     .caption = "&COM Port Setup",
     .text = "Choose COM ports",
     .enabled = notPlayingBack,
     .action = onSetup<&SetupPort::comPortSetup>},
    {.id = kCmdDiagnostics,
     .caption = "&Diagnostics",
     .text = "Show/Hide diagnostics window",
     .checked = windowShown<&Ui::diagnosticsVisible>,
     .action = onSetup<&SetupPort::toggleDiagnostics>,
     .toolbarPosition = 17,
     .hotKey = HotKey::F3,
     .helpName = "Diagnostics",
     .helpText = "Show/Hide Diagnostics Dialog."},
    {.id = kCmdMinimumRange,
     .caption = "Minimum Range",
     .action = onWindows<&WindowPort::askMinimumRange>},
    {.id = kCmdSoundVelocity,
     .caption = "Sound Velocity",
     .text = "Manual Sound velocity input",
     .action = onWindows<&WindowPort::askSoundVelocity>},
    {.id = kCmdXdcrFwd,
     .caption = "Fwd",
     .text = "Xdcr FWD",
     .enabled = notPlayingBack,
     .checked = shownIs<&HeadSettings::xdcrForward, 1>,
     .action = onDocument(setPart<&Doc::head, &HeadSettings::xdcrForward, 1>)},
    {.id = kCmdXdcrAft,
     .caption = "Aft",
     .text = "Xdcr AFT",
     .enabled = notPlayingBack,
     .checked = shownIs<&HeadSettings::xdcrForward, 0>,
     .action = onDocument(setPart<&Doc::head, &HeadSettings::xdcrForward, 0>)},
    {.id = kCmdZeroUp,
     .caption = "Up",
     .text = "Zero Up",
     .enabled = notPlayingBack,
     .checked = shownIs<&HeadSettings::zeroDown, 0>,
     .action = onDocument(setPart<&Doc::head, &HeadSettings::zeroDown, 0>)},
    {.id = kCmdZeroDown,
     .caption = "Down",
     .text = "Zero down",
     .enabled = notPlayingBack,
     .checked = shownIs<&HeadSettings::zeroDown, 1>,
     .action = onDocument(setPart<&Doc::head, &HeadSettings::zeroDown, 1>)},

    // ---- Options
    {.id = kCmdUnitsMeters,
     .caption = "Meters",
     .text = "Display use meters",
     .checked = partIs<&Doc::display, &DisplaySettings::unitsFeet, 0>,
     .action = onDocument(units<0>)},
    {.id = kCmdUnitsFeet,
     .caption = "Feet",
     .text = "Display use feet",
     .checked = partIs<&Doc::display, &DisplaySettings::unitsFeet, 1>,
     .action = onDocument(units<1>)},
    {.id = kCmdDefaultColours,
     .caption = "Set Default Colors",
     .text = "Set default colors for all",
     .action = onDocument(defaultColours)},
    {.id = kCmdDeleteAllDrawings,
     .caption = "Delete All Drawings",
     .text = "Delete all drawings",
     .action = onDocument(deleteAllDrawings),
     .toolbarPosition = 16},
    {.id = kCmdRollCorrection,
     .caption = "Roll Correction",
     .text = "Apply Roll Correction",
     .checked = displayOn<&D::rollCorrection>,
     .action = onDocument(toggleDisplay<&D::rollCorrection>)},
    {.id = kCmdPlayOneFrame,
     .caption = "Play One Frame",
     .text = "Play one frame at a time",
     .enabled = whilePlayingBack,
     .checked = partOn<&Doc::files, &FileSettings::oneFrameMode>,
     .action = onFiles<&FilePort::toggleOneFrameMode>},

    // ---- Help
    {.id = kCmdHelp,
     .caption = "Help...",
     .text = "Show basic commands help window",
     .checked = windowShown<&Ui::helpOpen>,
     .action = onSetup<&SetupPort::showHotKeysHelp>,
     .toolbarPosition = 18,
     .hotKey = HotKey::F1,
     .helpName = "Help",
     .helpText = "Show basic commands help window"},
    {.id = kCmdAbout,
     .caption = "&About Sondrel...",
     .text = "Display program information, version number and copyright\nAbout",
     .action = onWindows<&WindowPort::showAbout>},

    // ---- toolbar only
    {.id = kCmdRangeUp,
     .caption = "Increase Range",
     .text = "Increase Range",
     .action = onDocument(stepRange),
     .toolbarPosition = 4},
    {.id = kCmdRangeDown,
     .caption = "Decrease Range",
     .text = "Decrease Range",
     .action = onDocument(stepRange),
     .toolbarPosition = 5},
    {.id = kCmdGainUp,
     .caption = "Increase Gain",
     .text = "Increase Gain",
     .action = onDocument(gainUp),
     .toolbarPosition = 6},
    {.id = kCmdGainDown,
     .caption = "Decrease Gain",
     .text = "Decrease Gain",
     .action = onDocument(gainDown),
     .toolbarPosition = 7},
    {.id = kCmdResetView,
     .caption = "Reset View",
     .action = onDocument(requestViewReset),
     .toolbarPosition = 10},

    // ---- hot keys only; the arrows move the pointer outside circle-move mode
    {.id = kCmdArrowUp,
     .action = {CommandPort::Windows, arrowKey},
     .hotKey = HotKey::Up,
     .helpName = "Move Cursor Up",
     .helpText = "Move Cursor/Circle up one pixel"},
    {.id = kCmdArrowDown,
     .action = {CommandPort::Windows, arrowKey},
     .hotKey = HotKey::Down,
     .helpName = "Move Cursor Down",
     .helpText = "Move Cursor/Circle down one pixel"},
    {.id = kCmdArrowLeft,
     .action = {CommandPort::Windows, arrowKey},
     .hotKey = HotKey::Left,
     .helpName = "Move Cursor Left",
     .helpText = "Move Cursor/Circle left one pixel"},
    {.id = kCmdArrowRight,
     .action = {CommandPort::Windows, arrowKey},
     .hotKey = HotKey::Right,
     .helpName = "Move Cursor Right",
     .helpText = "Move Cursor/Circle right one pixel"},
    {.id = kCmdCircleDiameterUp,
     .action = onDocument(circleDiameterUp),
     .hotKey = HotKey::F5,
     .helpName = "Circle Diameter Inc",
     .helpText = "Increase Circle Diameter 0.01 m"},
    {.id = kCmdCircleDiameterDown,
     .action = onDocument(circleDiameterDown),
     .hotKey = HotKey::F6,
     .helpName = "Circle Diameter Dec",
     .helpText = "Deccrease Circle Diameter 0.01 m"},

    // ---- letter keys of the image (the key-in window refuses during playback)
    {.id = kCmdKeyInRange,
     .enabled = notPlayingBack,
     .action = onWindows<&WindowPort::openKeyIn, kKeyInRange>,
     .viewKey = 'r',
     .helpName = "Key In Range",
     .helpText = "Keyboard entry for Range\nEntries: 0.25, 0.50, 0.75, 1, 2, 3, 4, 5, 6 in meters"},
    {.id = kCmdKeyInGain,
     .enabled = notPlayingBack,
     .action = onWindows<&WindowPort::openKeyIn, kKeyInGain>,
     .viewKey = 'g',
     .helpName = "Key In Gain",
     .helpText = "Keyboard entry for Gain\nEntries: 1 - 20 with increment of 1"},

    // ---- the frame's menu while no document exists; the Sonar menu carries them
    {.id = kCmdShowSonarSettings,
     .caption = "Show S&onar Settings",
     .enabled = notPlayingBack,
     .checked = windowShown<&Ui::controlPanelVisible>,
     .action = onWindows<&WindowPort::toggleControlPanel>},
    {.id = kCmdMiniSettingsBar,
     .caption = "Mini Settings Bar",
     .enabled = notPlayingBack,
     .checked = windowShown<&Ui::miniBarVisible>,
     .action = onWindows<&WindowPort::toggleSettingsBar>},
    {.id = kCmdIpAddress,
     .caption = "&IP Address",
     .enabled = ethernetHeadLive,
     .action = onSetup<&SetupPort::changeIpAddress>},
    {.id = kCmdTypeP,
     .caption = "Type P",
     .enabled = notPlayingBack,
     .checked = partIs<&Doc::head, &HeadSettings::sonarType, kTypeP>,
     .action = onSetup<&SetupPort::chooseHeadType, kTypeP>},
    {.id = kCmdTypeQ,
     .caption = "Type Q",
     .enabled = notPlayingBack,
     .checked = partIs<&Doc::head, &HeadSettings::sonarType, kTypeQ>,
     .action = onSetup<&SetupPort::chooseHeadType, kTypeQ>},
    {.id = kCmdProfileFirst,
     .caption = "Off",
     .checked = displayChoice<&D::profileDispMode, kCmdProfileFirst>,
     .action = onDocument(chooseProfile)},
    {.id = kCmdProfileFirst + 1,
     .caption = "Points Only",
     .checked = displayChoice<&D::profileDispMode, kCmdProfileFirst>,
     .action = onDocument(chooseProfile)},
    {.id = kCmdProfileFirst + 2,
     .caption = "Low Mix",
     .checked = displayChoice<&D::profileDispMode, kCmdProfileFirst>,
     .action = onDocument(chooseProfile)},
    {.id = kCmdProfileFirst + 3,
     .caption = "Medium Mix",
     .checked = displayChoice<&D::profileDispMode, kCmdProfileFirst>,
     .action = onDocument(chooseProfile)},
    {.id = kCmdProfileLast,
     .caption = "High Mix",
     .checked = displayChoice<&D::profileDispMode, kCmdProfileFirst>,
     .action = onDocument(chooseProfile)},
    {.id = kCmdColourTableFirst,
     .caption = "Normal  &High",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .action = onDocument(chooseColourTable)},
    {.id = kCmdColourTableFirst + 1,
     .caption = "Normal  &Low",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .action = onDocument(chooseColourTable)},
    {.id = kCmdColourTableFirst + 2,
     .caption = "Gr&een",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .action = onDocument(chooseColourTable)},
    {.id = kCmdColourTableFirst + 3,
     .caption = "&Grey",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .action = onDocument(chooseColourTable)},
    {.id = kCmdColourTableFirst + 4,
     .caption = "&Reverse Grey",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .action = onDocument(chooseColourTable)},
    {.id = kCmdColourTableFirst + 5,
     .caption = "&Brown / Yellow",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .action = onDocument(chooseColourTable)},
    {.id = kCmdColourTableFirst + 6,
     .caption = "Gree&n / Blue",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .action = onDocument(chooseColourTable)},
    {.id = kCmdColourTableFirst + 7,
     .caption = "Green / &Yellow",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .action = onDocument(chooseColourTable)},
    {.id = kCmdColourTableLast,
     .caption = "Bl&ue",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .action = onDocument(chooseColourTable)},
    {.id = kCmdRealTimePlaySpeed,
     .caption = "RealTime Play Speed",
     .enabled = playbackWithPingPeriod,
     .checked = partOn<&Doc::files, &FileSettings::realTimePlaySpeed>,
     .action = onFiles<&FilePort::toggleRealTimePlaySpeed>},

    // ---- in no menu of the original window; the Sonar menu carries them
    {.id = kCmdScanPolar,
     .caption = "Polar",
     .enabled = notPlayingBack,
     .checked = shownIs<&HeadSettings::scanMode, kPolar>,
     .action = onDocument(chooseScanMode)},
    {.id = kCmdScanSector,
     .caption = "Sector",
     .enabled = notPlayingBack,
     .checked = shownIs<&HeadSettings::scanMode, kSector>,
     .action = onDocument(chooseScanMode)},
    {.id = kCmdScanSideScan,
     .caption = "SideScan",
     .enabled = notPlayingBack,
     .checked = shownIs<&HeadSettings::scanMode, kSideScan>,
     .action = onDocument(chooseScanMode)},
    {.id = kCmdTrainReversed,
     .caption = "Reversed",
     .enabled = notPlayingBack,
     .checked = shownIs<&HeadSettings::trainReversed, 1>,
     .action = onDocument(trainDirection<true>)},
    {.id = kCmdTrainNormal,
     .caption = "Normal",
     .enabled = notPlayingBack,
     .checked = shownIs<&HeadSettings::trainReversed, 0>,
     .action = onDocument(trainDirection<false>)},
    {.id = kCmdReverseStep,
     .caption = "Reverse Step Direction",
     .enabled = notPlayingBack,
     .action = onDocument(reverseStep)},
    {.id = kCmdClearImage, .caption = "Clear Image", .action = onDocument(clearImage)},
});
#pragma GCC diagnostic pop

// The toolbar, in the order of the descriptors' positions; every position from 1
// up is taken by exactly one command.
constexpr std::size_t kToolbarSize = static_cast<std::size_t>(std::ranges::count_if(
    kCommands, [](const CommandDescriptor& c) { return c.toolbarPosition != 0; }));
constexpr auto kToolbar = [] {
    std::array<int, kToolbarSize> buttons{};
    for (const CommandDescriptor& c : kCommands) {
        if (c.toolbarPosition == 0) continue;
        const auto slot = static_cast<std::size_t>(c.toolbarPosition - 1);
        // Out of range or taken twice: the table is wrong, and this does not compile.
        if (slot >= buttons.size() || buttons[slot] != 0) throw "toolbar positions";
        buttons[slot] = c.id;
    }
    return buttons;
}();

constexpr std::size_t kHotKeyCount = static_cast<std::size_t>(std::ranges::count_if(
    kCommands, [](const CommandDescriptor& c) { return c.hotKey != HotKey::None; }));
constexpr auto kHotKeys = [] {
    std::array<HotKeyBinding, kHotKeyCount> keys{};
    std::size_t n = 0;
    for (const CommandDescriptor& c : kCommands)
        if (c.hotKey != HotKey::None) keys[n++] = {c.hotKey, c.id};
    return keys;
}();

}  // namespace

std::span<const CommandDescriptor> commandDescriptors() {
    return kCommands;
}

const CommandDescriptor* findCommand(int id) {
    const auto it = std::ranges::find(kCommands, id, &CommandDescriptor::id);
    return it == kCommands.end() ? nullptr : &*it;
}

std::string_view commandCaption(int id) {
    const CommandDescriptor* c = findCommand(id);
    return c ? c->caption : std::string_view{};
}

std::string_view commandString(int id) {
    const CommandDescriptor* c = findCommand(id);
    return c ? c->text : std::string_view{};
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

int commandForViewKey(char letter) {
    if (letter == 0) return 0;
    const auto it = std::ranges::find(kCommands, letter, &CommandDescriptor::viewKey);
    return it == kCommands.end() ? 0 : it->id;
}

std::string_view hotKeyName(HotKey key) {
    switch (key) {
        case HotKey::None:
            return {};
        case HotKey::F1:
            return "F1";
        case HotKey::F3:
            return "F3";
        case HotKey::F5:
            return "F5";
        case HotKey::F6:
            return "F6";
        case HotKey::Up:
            return "Up";
        case HotKey::Down:
            return "Down";
        case HotKey::Left:
            return "Left";
        case HotKey::Right:
            return "Right";
    }
    return {};
}

}  // namespace sondrel

#include "app/CommandTable.h"

#include <algorithm>
#include <array>

#include "acquisition/SondrelDoc.h"
#include "app/DocumentCommands.h"

namespace sondrel {

namespace {

using B = CommandBinding;
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

template <int CSondrelDoc::*Field>
bool docOn(int, const CSondrelDoc& doc, const Ui&) {
    return doc.*Field != 0;
}
template <int CSondrelDoc::*Field, int Value>
bool docIs(int, const CSondrelDoc& doc, const Ui&) {
    return doc.*Field == Value;
}
// A field of one of the document's parts.
template <auto Part, auto Field>
bool partOn(int, const CSondrelDoc& doc, const Ui&) {
    return (doc.*Part).*Field != 0;
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

// ------------------------------------------------------------------ actions

void redraw(CSondrelDoc& doc) {
    doc.views().updateViews(ViewHint::Repaint);
}

int toggled(int flag) {
    return flag ? 0 : 1;
}

bool setZoom(int id, CSondrelDoc& doc) {
    doc.display.zoom = zoomForCommand(id);
    redraw(doc);
    return true;
}
bool zoomIn(int, CSondrelDoc& doc) {
    doc.display.zoom = zoomedIn(doc.display.zoom);
    redraw(doc);
    return true;
}
bool zoomOut(int, CSondrelDoc& doc) {
    doc.display.zoom = zoomedOut(doc.display.zoom);
    redraw(doc);
    return true;
}
template <int DisplaySettings::*Field, int First>
bool chooseDisplay(int id, CSondrelDoc& doc) {
    doc.display.*Field = id - First;
    redraw(doc);
    return true;
}
// Toggles that show at the next repaint by themselves.
template <int DisplaySettings::*Field>
bool toggleDisplay(int, CSondrelDoc& doc) {
    doc.display.*Field = toggled(doc.display.*Field);
    return true;
}
template <int CSondrelDoc::*Field, int Value>
bool setDoc(int, CSondrelDoc& doc) {
    doc.*Field = Value;
    return true;
}
template <auto Part, auto Field, auto Value>
bool setPart(int, CSondrelDoc& doc) {
    (doc.*Part).*Field = Value;
    return true;
}
template <int Value>
bool setUnits(int, CSondrelDoc& doc) {
    doc.display.unitsFeet = Value;
    doc.applySettings();
    return true;
}
bool toggleCircle(int, CSondrelDoc& doc) {
    doc.display.displayCircle = toggled(doc.display.displayCircle);
    doc.circleMoveMode = 0;
    redraw(doc);
    return true;
}
bool toggleCircleMove(int, CSondrelDoc& doc) {
    doc.circleMoveMode = toggled(doc.circleMoveMode);
    if (doc.circleMoveMode) {
        doc.textInputMode = 0;
        doc.measurementMode = 0;
        doc.views().updateViews(ViewHint::CircleMove);
    }
    return true;
}
bool defaultColours(int, CSondrelDoc& doc) {
    doc.display.setDefaultColours();
    return true;
}
bool resetView(int, CSondrelDoc& doc) {
    doc.viewResetRequest = 1;
    redraw(doc);
    return true;
}
// The toolbar's range and gain steps leave the panels and the image alone: the
// next poll carries the new bytes to the head.
bool stepRange(int id, CSondrelDoc& doc) {
    if (!playingBack(doc))
        doc.head.setRangeIndex(doc.head.rangeIndex + (id == kCmdRangeUp ? 1 : -1));
    return true;
}
bool gainUp(int, CSondrelDoc& doc) {
    if (!playingBack(doc)) doc.head.setGain(doc.head.gainDb + 1);
    return true;
}
bool gainDown(int, CSondrelDoc& doc) {
    if (!playingBack(doc) && doc.head.gainDb > 0) doc.head.setGain(doc.head.gainDb - 1);
    return true;
}
bool circleDiameterUp(int, CSondrelDoc& doc) {
    DisplaySettings& d = doc.display;
    if (d.displayCircle) {
        d.circleDiameter += kCircleDiameterStep;
        redraw(doc);
    }
    return true;
}
bool circleDiameterDown(int, CSondrelDoc& doc) {
    DisplaySettings& d = doc.display;
    if (d.displayCircle) {
        d.circleDiameter =
            std::max(d.circleDiameter - kCircleDiameterStep, kMinCircleDiameterByKey);
        redraw(doc);
    }
    return true;
}

bool chooseScanMode(int id, CSondrelDoc& doc) {
    if (playingBack(doc)) return true;
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
    doc.viewResetRequest = 1;
    doc.applySettings();
    return true;
}
template <int Reversed>
bool setTrainDirection(int, CSondrelDoc& doc) {
    if (playingBack(doc)) return true;
    doc.head.setTrainReversed(Reversed);
    doc.clearSonarImage();
    doc.applySettings();
    return true;
}
bool reverseStep(int, CSondrelDoc& doc) {
    doc.requestStepReverse();
    return true;
}
bool clearImage(int, CSondrelDoc& doc) {
    doc.clearSonarImage();
    return true;
}
// The profile shows at the next ping or repaint by itself.
bool chooseProfile(int id, CSondrelDoc& doc) {
    doc.display.profileDispMode = id - kCmdProfileFirst;
    doc.display.profileMixFactor = profileMixFactorFor(doc.display.profileDispMode);
    return true;
}
bool chooseColourTable(int id, CSondrelDoc& doc) {
    doc.display.colourTable = id - kCmdColourTableFirst;
    doc.views().updateViews(ViewHint::ColourTable);
    return true;
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
     .binding = B::Cycle,
     .toolbarPosition = 1},
    {.id = kCmdOpenPlayback,
     .caption = "&Open File to Playback",
     .text = "Play back recorded data",
     .binding = B::Files,
     .toolbarPosition = 2},
    {.id = kCmdRecord,
     .caption = "&Record  Start (Stop)",
     .text = "Record real time data to a file",
     .checked = partOn<&Doc::flags, &OperatingFlags::recordingActive>,
     .binding = B::Files,
     .toolbarPosition = 3},
    {.id = kCmdSetRecordDirectory,
     .caption = "Set Record Directory...",
     .text = "Set record file directory",
     .binding = B::Files},
    {.id = kCmdConvertXyz,
     .caption = "Convert .QZR file to .xyz...",
     .text = "Convert .QZR file to .xyz file",
     .enabled = noConversionRunning,
     .binding = B::Files},
    {.id = kCmdPipeReport,
     .caption = "Pipe &Report...",
     .text = "Write the pipe geometry of a data file as a PDF report\nPipe Report",
     .enabled = noPipeReportRunning,
     .binding = B::Files},
    {.id = kCmdAutoFileNames,
     .caption = "Auto Save File Names",
     .text = "Automatically select file name",
     .checked = partOn<&Doc::files, &FileSettings::autoFileNames>,
     .binding = B::Files},
    {.id = kCmdCaptureFrame,
     .caption = "Capture Frame",
     .text = "Save one sweep data to a file",
     .binding = B::Files,
     .toolbarPosition = 8,
     .viewKey = 's',
     .helpName = "Save One Sweep",
     .helpText = "Save one sweep data to a file."},
    {.id = kCmdSaveScreen,
     .caption = "&Save Screen",
     .text = "Save screen to an image file",
     .binding = B::Frame},
    {.id = kCmdExit,
     .caption = "E&xit",
     .text = "Quit the application; prompts to save documents\nExit",
     .binding = B::Frame},

    // ---- View
    {.id = kCmdHold,
     .caption = "&Hold",
     .text = "Hold the operation",
     .checked = partOn<&Doc::flags, &OperatingFlags::holdActive>,
     .binding = B::Cycle,
     .toolbarPosition = 9,
     .viewKey = 'h',
     .helpName = "Hold",
     .helpText = "Operation Held."},
    {.id = kCmdZoom50,
     .caption = "50 %",
     .checked = zoomChosen,
     .binding = B::Document,
     .action = setZoom},
    {.id = kCmdZoom75,
     .caption = "75 %",
     .checked = zoomChosen,
     .binding = B::Document,
     .action = setZoom},
    {.id = kCmdZoom100,
     .caption = "100 %",
     .checked = zoomChosen,
     .binding = B::Document,
     .action = setZoom},
    {.id = kCmdZoom125,
     .caption = "125 %",
     .checked = zoomChosen,
     .binding = B::Document,
     .action = setZoom},
    {.id = kCmdZoom150,
     .caption = "150 %",
     .checked = zoomChosen,
     .binding = B::Document,
     .action = setZoom},
    {.id = kCmdZoom175,
     .caption = "175 %",
     .checked = zoomChosen,
     .binding = B::Document,
     .action = setZoom},
    {.id = kCmdZoom200,
     .caption = "200 %",
     .checked = zoomChosen,
     .binding = B::Document,
     .action = setZoom},
    {.id = kCmdZoom300,
     .caption = "300 %",
     .checked = zoomChosen,
     .binding = B::Document,
     .action = setZoom},
    {.id = kCmdZoom400,
     .caption = "400 %",
     .checked = zoomChosen,
     .binding = B::Document,
     .action = setZoom},
    {.id = kCmdZoomIn,
     .caption = "Zoom In",
     .text = "Zoom in",
     .binding = B::Document,
     .action = zoomIn,
     .toolbarPosition = 11},
    {.id = kCmdZoomOut,
     .caption = "Zoom Out",
     .text = "Zoom out",
     .binding = B::Document,
     .action = zoomOut,
     .toolbarPosition = 12},
    {.id = kCmdRangeMarker,
     .caption = "Range Marker",
     .text = "Show/hide range mark",
     .checked = displayOn<&D::viewRangeMark>,
     .binding = B::Document,
     .action = toggleDisplay<&D::viewRangeMark>},
    {.id = kCmdMainToolbar,
     .caption = "Main &Toolbar",
     .text = "Show or hide the toolbar\nToggle ToolBar",
     .checked = windowShown<&Ui::toolbarVisible>,
     .binding = B::Frame},
    {.id = kCmdBackgroundColour,
     .caption = "Back Ground Color",
     .text = "Choose back ground color",
     .binding = B::Setup},
    {.id = kCmdDisplayPrd,
     .caption = "Display Pitch / Roll / Distance",
     .text = "Show/Hide Pitch Roll indicator",
     .checked = displayOn<&D::displayPrd>,
     .binding = B::Document,
     .action = toggleDisplay<&D::displayPrd>},
    {.id = kCmdPipeGeometry,
     .caption = "Pipe &Geometry",
     .text = "Show or hide the fitted pipe wall and its diameters, ovality and sediment\nPipe "
             "Geometry",
     .checked = windowShown<&Ui::geometryOverlayVisible>,
     .binding = B::Frame},
    {.id = kCmdPipeGeometryChart,
     .caption = "Pipe Geometry &Chart",
     .text = "Show or hide the charts of diameter, ovality and sediment along the pipe\nPipe "
             "Geometry Chart",
     .checked = windowShown<&Ui::geometryChartVisible>,
     .binding = B::Frame},
    {.id = kCmdPipeGeometrySettings,
     .caption = "Pipe Geometry &Settings...",
     .text = "Set the pipe's nominal diameter, the warning and alarm levels and the ovality "
             "definition\nPipe Geometry Settings",
     .binding = B::Setup},

    // ---- Points
    {.id = kCmdPointsColour,
     .caption = "Points Color",
     .text = "Choose points display color",
     .binding = B::Setup},
    {.id = kCmdPointsSmall,
     .caption = "Small",
     .text = "Draw small sized points",
     .checked = displayChoice<&D::pointSize, kCmdPointsSmall>,
     .binding = B::Document,
     .action = chooseDisplay<&D::pointSize, kCmdPointsSmall>},
    {.id = kCmdPointsMedium,
     .caption = "Medium",
     .text = "Draw medium sized points",
     .checked = displayChoice<&D::pointSize, kCmdPointsSmall>,
     .binding = B::Document,
     .action = chooseDisplay<&D::pointSize, kCmdPointsSmall>},
    {.id = kCmdPointsLarge,
     .caption = "Large",
     .text = "Draw large sized points",
     .checked = displayChoice<&D::pointSize, kCmdPointsSmall>,
     .binding = B::Document,
     .action = chooseDisplay<&D::pointSize, kCmdPointsSmall>},

    // ---- Circle
    {.id = kCmdDisplayCircle,
     .caption = "Display",
     .text = "Display a circle",
     .checked = displayOn<&D::displayCircle>,
     .binding = B::Document,
     .action = toggleCircle,
     .toolbarPosition = 13},
    {.id = kCmdMoveCircle,
     .caption = "Move Circle",
     .text = "Move circle",
     .enabled = circleShown,
     .checked = docOn<&Doc::circleMoveMode>,
     .binding = B::Document,
     .action = toggleCircleMove},
    {.id = kCmdCircleDiameter,
     .caption = "Diameter",
     .text = "Input circle diameter",
     .binding = B::Frame},
    {.id = kCmdCircleColour,
     .caption = "Circle Color",
     .text = "Choose Circle Color",
     .binding = B::Setup},

    // ---- Text
    {.id = kCmdTextInput,
     .caption = "Input...",
     .text = "Set text input mode",
     .checked = docOn<&Doc::textInputMode>,
     .binding = B::Document,
     .action = toggleTextInput,
     .toolbarPosition = 14},
    {.id = kCmdTextDelete,
     .caption = "Delete ",
     .text = "Delete one string",
     .binding = B::Document,
     .action = deleteLastText},
    {.id = kCmdTextColour,
     .caption = "Text Color",
     .text = "Choose text display color",
     .binding = B::Setup},
    {.id = kCmdTextSmall,
     .caption = "Small",
     .text = "Text use small font",
     .checked = displayChoice<&D::textSize, kCmdTextSmall>,
     .binding = B::Document,
     .action = chooseDisplay<&D::textSize, kCmdTextSmall>},
    {.id = kCmdTextMedium,
     .caption = "Medium",
     .text = "Text use medium font",
     .checked = displayChoice<&D::textSize, kCmdTextSmall>,
     .binding = B::Document,
     .action = chooseDisplay<&D::textSize, kCmdTextSmall>},
    {.id = kCmdTextLarge,
     .caption = "Large",
     .text = "Text use large font",
     .checked = displayChoice<&D::textSize, kCmdTextSmall>,
     .binding = B::Document,
     .action = chooseDisplay<&D::textSize, kCmdTextSmall>},
    {.id = kCmdTextLarger,
     .caption = "Larger",
     .text = "Text use larger font",
     .checked = displayChoice<&D::textSize, kCmdTextSmall>,
     .binding = B::Document,
     .action = chooseDisplay<&D::textSize, kCmdTextSmall>},
    {.id = kCmdTextLargest,
     .caption = "Largest",
     .text = "Text use largest font",
     .checked = displayChoice<&D::textSize, kCmdTextSmall>,
     .binding = B::Document,
     .action = chooseDisplay<&D::textSize, kCmdTextSmall>},

    // ---- Measure
    {.id = kCmdMeasureAdd,
     .caption = "Add...",
     .text = "Draw a measurement line",
     .checked = docOn<&Doc::measurementMode>,
     .binding = B::Document,
     .action = toggleMeasurement,
     .toolbarPosition = 15},
    {.id = kCmdMeasureDelete,
     .caption = "Delete",
     .text = "Delete All Lines",
     .binding = B::Document,
     .action = deleteLines},
    {.id = kCmdLineColour,
     .caption = "Line Color",
     .text = "Change Line Color",
     .binding = B::Setup},

    // ---- Grid
    {.id = kCmdShowGrid,
     .caption = "Show Grid",
     .text = "Show/hide grid",
     .checked = displayOn<&D::showGrid>,
     .binding = B::Document,
     .action = toggleDisplay<&D::showGrid>},
    {.id = kCmdGridColour,
     .caption = "Grid Color",
     .text = "Choose grid display color",
     .binding = B::Setup},
    {.id = kCmdGridSolid,
     .caption = "Solid Line",
     .text = "Solid line grid",
     .checked = displayChoice<&D::gridStyle, kCmdGridSolid>,
     .binding = B::Document,
     .action = chooseDisplay<&D::gridStyle, kCmdGridSolid>},
    {.id = kCmdGridDotted,
     .caption = "Dotted Line",
     .text = "Dotted line grid",
     .checked = displayChoice<&D::gridStyle, kCmdGridSolid>,
     .binding = B::Document,
     .action = chooseDisplay<&D::gridStyle, kCmdGridSolid>},
    {.id = kCmdGridDashed,
     .caption = "Dashed Line",
     .text = "Dashed line grid",
     .checked = displayChoice<&D::gridStyle, kCmdGridSolid>,
     .binding = B::Document,
     .action = chooseDisplay<&D::gridStyle, kCmdGridSolid>},

    // ---- System
    {.id = kCmdComPortSetup,
     .caption = "&COM Port Setup",
     .text = "Choose COM ports",
     .enabled = notPlayingBack,
     .binding = B::Setup},
    {.id = kCmdDiagnostics,
     .caption = "&Diagnostics",
     .text = "Show/Hide diagnostics window",
     .checked = windowShown<&Ui::diagnosticsVisible>,
     .binding = B::Setup,
     .toolbarPosition = 17,
     .hotKey = HotKey::F3,
     .helpName = "Diagnostics",
     .helpText = "Show/Hide Diagnostics Dialog."},
    {.id = kCmdMinimumRange, .caption = "Minimum Range", .binding = B::Frame},
    {.id = kCmdSoundVelocity,
     .caption = "Sound Velocity",
     .text = "Manual Sound velocity input",
     .binding = B::Frame},
    {.id = kCmdXdcrFwd,
     .caption = "Fwd",
     .text = "Xdcr FWD",
     .enabled = notPlayingBack,
     .checked = partIs<&Doc::head, &HeadSettings::xdcrForward, 1>,
     .binding = B::Document,
     .action = setPart<&Doc::head, &HeadSettings::xdcrForward, 1>},
    {.id = kCmdXdcrAft,
     .caption = "Aft",
     .text = "Xdcr AFT",
     .enabled = notPlayingBack,
     .checked = partIs<&Doc::head, &HeadSettings::xdcrForward, 0>,
     .binding = B::Document,
     .action = setPart<&Doc::head, &HeadSettings::xdcrForward, 0>},
    {.id = kCmdZeroUp,
     .caption = "Up",
     .text = "Zero Up",
     .enabled = notPlayingBack,
     .checked = partIs<&Doc::head, &HeadSettings::zeroDown, 0>,
     .binding = B::Document,
     .action = setPart<&Doc::head, &HeadSettings::zeroDown, 0>},
    {.id = kCmdZeroDown,
     .caption = "Down",
     .text = "Zero down",
     .enabled = notPlayingBack,
     .checked = partIs<&Doc::head, &HeadSettings::zeroDown, 1>,
     .binding = B::Document,
     .action = setPart<&Doc::head, &HeadSettings::zeroDown, 1>},

    // ---- Options
    {.id = kCmdUnitsMeters,
     .caption = "Meters",
     .text = "Display use meters",
     .checked = partIs<&Doc::display, &DisplaySettings::unitsFeet, 0>,
     .binding = B::Document,
     .action = setUnits<0>},
    {.id = kCmdUnitsFeet,
     .caption = "Feet",
     .text = "Display use feet",
     .checked = partIs<&Doc::display, &DisplaySettings::unitsFeet, 1>,
     .binding = B::Document,
     .action = setUnits<1>},
    {.id = kCmdDefaultColours,
     .caption = "Set Default Colors",
     .text = "Set default colors for all",
     .binding = B::Document,
     .action = defaultColours},
    {.id = kCmdDeleteAllDrawings,
     .caption = "Delete All Drawings",
     .text = "Delete all drawings",
     .binding = B::Document,
     .action = deleteAllDrawings,
     .toolbarPosition = 16},
    {.id = kCmdRollCorrection,
     .caption = "Roll Correction",
     .text = "Apply Roll Correction",
     .checked = displayOn<&D::rollCorrection>,
     .binding = B::Document,
     .action = toggleDisplay<&D::rollCorrection>},
    {.id = kCmdPlayOneFrame,
     .caption = "Play One Frame",
     .text = "Play one frame at a time",
     .enabled = whilePlayingBack,
     .checked = partOn<&Doc::files, &FileSettings::oneFrameMode>,
     .binding = B::Files},

    // ---- Help
    {.id = kCmdHelp,
     .caption = "Help...",
     .text = "Show basic commands help window",
     .checked = windowShown<&Ui::helpOpen>,
     .binding = B::Setup,
     .toolbarPosition = 18,
     .hotKey = HotKey::F1,
     .helpName = "Help",
     .helpText = "Show basic commands help window"},
    {.id = kCmdAbout,
     .caption = "&About Sondrel...",
     .text = "Display program information, version number and copyright\nAbout",
     .binding = B::Frame},

    // ---- toolbar only
    {.id = kCmdRangeUp,
     .caption = "Increase Range",
     .text = "Increase Range",
     .binding = B::Document,
     .action = stepRange,
     .toolbarPosition = 4},
    {.id = kCmdRangeDown,
     .caption = "Decrease Range",
     .text = "Decrease Range",
     .binding = B::Document,
     .action = stepRange,
     .toolbarPosition = 5},
    {.id = kCmdGainUp,
     .caption = "Increase Gain",
     .text = "Increase Gain",
     .binding = B::Document,
     .action = gainUp,
     .toolbarPosition = 6},
    {.id = kCmdGainDown,
     .caption = "Decrease Gain",
     .text = "Decrease Gain",
     .binding = B::Document,
     .action = gainDown,
     .toolbarPosition = 7},
    {.id = kCmdResetView,
     .caption = "Reset View",
     .binding = B::Document,
     .action = resetView,
     .toolbarPosition = 10},

    // ---- hot keys only; the arrows move the pointer outside circle-move mode
    {.id = kCmdArrowUp,
     .binding = B::Frame,
     .action = moveCircleByArrow,
     .hotKey = HotKey::Up,
     .helpName = "Move Cursor Up",
     .helpText = "Move Cursor/Circle up one pixel"},
    {.id = kCmdArrowDown,
     .binding = B::Frame,
     .action = moveCircleByArrow,
     .hotKey = HotKey::Down,
     .helpName = "Move Cursor Down",
     .helpText = "Move Cursor/Circle down one pixel"},
    {.id = kCmdArrowLeft,
     .binding = B::Frame,
     .action = moveCircleByArrow,
     .hotKey = HotKey::Left,
     .helpName = "Move Cursor Left",
     .helpText = "Move Cursor/Circle left one pixel"},
    {.id = kCmdArrowRight,
     .binding = B::Frame,
     .action = moveCircleByArrow,
     .hotKey = HotKey::Right,
     .helpName = "Move Cursor Right",
     .helpText = "Move Cursor/Circle right one pixel"},
    {.id = kCmdCircleDiameterUp,
     .binding = B::Document,
     .action = circleDiameterUp,
     .hotKey = HotKey::F5,
     .helpName = "Circle Diameter Inc",
     .helpText = "Increase Circle Diameter 0.01 m"},
    {.id = kCmdCircleDiameterDown,
     .binding = B::Document,
     .action = circleDiameterDown,
     .hotKey = HotKey::F6,
     .helpName = "Circle Diameter Dec",
     .helpText = "Deccrease Circle Diameter 0.01 m"},

    // ---- letter keys of the image (the key-in window refuses during playback)
    {.id = kCmdKeyInRange,
     .enabled = notPlayingBack,
     .binding = B::Frame,
     .viewKey = 'r',
     .helpName = "Key In Range",
     .helpText = "Keyboard entry for Range\nEntries: 0.25, 0.50, 0.75, 1, 2, 3, 4, 5, 6 in meters"},
    {.id = kCmdKeyInGain,
     .enabled = notPlayingBack,
     .binding = B::Frame,
     .viewKey = 'g',
     .helpName = "Key In Gain",
     .helpText = "Keyboard entry for Gain\nEntries: 1 - 20 with increment of 1"},

    // ---- the frame's menu while no document exists; the Sonar menu carries them
    {.id = kCmdShowSonarSettings,
     .caption = "Show S&onar Settings",
     .enabled = notPlayingBack,
     .checked = windowShown<&Ui::controlPanelVisible>,
     .binding = B::Frame},
    {.id = kCmdMiniSettingsBar,
     .caption = "Mini Settings Bar",
     .enabled = notPlayingBack,
     .checked = windowShown<&Ui::miniBarVisible>,
     .binding = B::Frame},
    {.id = kCmdIpAddress,
     .caption = "&IP Address",
     .enabled = ethernetHeadLive,
     .binding = B::Cycle},
    {.id = kCmdTypeP,
     .caption = "Type P",
     .enabled = notPlayingBack,
     .checked = partIs<&Doc::head, &HeadSettings::sonarType, kTypeP>,
     .binding = B::Setup},
    {.id = kCmdTypeQ,
     .caption = "Type Q",
     .enabled = notPlayingBack,
     .checked = partIs<&Doc::head, &HeadSettings::sonarType, kTypeQ>,
     .binding = B::Setup},
    {.id = kCmdProfileFirst,
     .caption = "Off",
     .checked = displayChoice<&D::profileDispMode, kCmdProfileFirst>,
     .binding = B::Document,
     .action = chooseProfile},
    {.id = kCmdProfileFirst + 1,
     .caption = "Points Only",
     .checked = displayChoice<&D::profileDispMode, kCmdProfileFirst>,
     .binding = B::Document,
     .action = chooseProfile},
    {.id = kCmdProfileFirst + 2,
     .caption = "Low Mix",
     .checked = displayChoice<&D::profileDispMode, kCmdProfileFirst>,
     .binding = B::Document,
     .action = chooseProfile},
    {.id = kCmdProfileFirst + 3,
     .caption = "Medium Mix",
     .checked = displayChoice<&D::profileDispMode, kCmdProfileFirst>,
     .binding = B::Document,
     .action = chooseProfile},
    {.id = kCmdProfileLast,
     .caption = "High Mix",
     .checked = displayChoice<&D::profileDispMode, kCmdProfileFirst>,
     .binding = B::Document,
     .action = chooseProfile},
    {.id = kCmdColourTableFirst,
     .caption = "Normal  &High",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .binding = B::Document,
     .action = chooseColourTable},
    {.id = kCmdColourTableFirst + 1,
     .caption = "Normal  &Low",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .binding = B::Document,
     .action = chooseColourTable},
    {.id = kCmdColourTableFirst + 2,
     .caption = "Gr&een",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .binding = B::Document,
     .action = chooseColourTable},
    {.id = kCmdColourTableFirst + 3,
     .caption = "&Grey",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .binding = B::Document,
     .action = chooseColourTable},
    {.id = kCmdColourTableFirst + 4,
     .caption = "&Reverse Grey",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .binding = B::Document,
     .action = chooseColourTable},
    {.id = kCmdColourTableFirst + 5,
     .caption = "&Brown / Yellow",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .binding = B::Document,
     .action = chooseColourTable},
    {.id = kCmdColourTableFirst + 6,
     .caption = "Gree&n / Blue",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .binding = B::Document,
     .action = chooseColourTable},
    {.id = kCmdColourTableFirst + 7,
     .caption = "Green / &Yellow",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .binding = B::Document,
     .action = chooseColourTable},
    {.id = kCmdColourTableLast,
     .caption = "Bl&ue",
     .checked = displayChoice<&D::colourTable, kCmdColourTableFirst>,
     .binding = B::Document,
     .action = chooseColourTable},
    {.id = kCmdRealTimePlaySpeed,
     .caption = "RealTime Play Speed",
     .enabled = playbackWithPingPeriod,
     .checked = partOn<&Doc::files, &FileSettings::realTimePlaySpeed>,
     .binding = B::Files},

    // ---- in no menu of the original window; the Sonar menu carries them
    {.id = kCmdScanPolar,
     .caption = "Polar",
     .enabled = notPlayingBack,
     .checked = partIs<&Doc::head, &HeadSettings::scanMode, kPolar>,
     .binding = B::Document,
     .action = chooseScanMode},
    {.id = kCmdScanSector,
     .caption = "Sector",
     .enabled = notPlayingBack,
     .checked = partIs<&Doc::head, &HeadSettings::scanMode, kSector>,
     .binding = B::Document,
     .action = chooseScanMode},
    {.id = kCmdScanSideScan,
     .caption = "SideScan",
     .enabled = notPlayingBack,
     .checked = partIs<&Doc::head, &HeadSettings::scanMode, kSideScan>,
     .binding = B::Document,
     .action = chooseScanMode},
    {.id = kCmdTrainReversed,
     .caption = "Reversed",
     .enabled = notPlayingBack,
     .checked = partIs<&Doc::head, &HeadSettings::trainReversed, 1>,
     .binding = B::Document,
     .action = setTrainDirection<1>},
    {.id = kCmdTrainNormal,
     .caption = "Normal",
     .enabled = notPlayingBack,
     .checked = partIs<&Doc::head, &HeadSettings::trainReversed, 0>,
     .binding = B::Document,
     .action = setTrainDirection<0>},
    {.id = kCmdReverseStep,
     .caption = "Reverse Step Direction",
     .enabled = notPlayingBack,
     .binding = B::Document,
     .action = reverseStep},
    {.id = kCmdClearImage, .caption = "Clear Image", .binding = B::Document, .action = clearImage},
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

// ------------------------------------------------------------------ menu

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
    item(kCmdAutoFileNames),
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
    item(kCmdPipeGeometrySettings),
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

// ------------------------------------------------------------------ hot-keys help

// The help list's layout: which commands it describes, in which groups. The
// names, keys and descriptions come from the commands themselves.
struct HelpLine {
    enum Kind { Command, Fixed, Blank, Separator };
    Kind kind;
    int id = 0;
    std::string_view command, description;  // Fixed rows only
};

constexpr HelpLine helpCommand(int id) {
    return {HelpLine::Command, id, {}, {}};
}
constexpr HelpLine helpFixed(std::string_view command, std::string_view description) {
    return {HelpLine::Fixed, 0, command, description};
}
constexpr HelpLine kHelpBlank{HelpLine::Blank, 0, {}, {}};
constexpr HelpLine kHelpSeparator{HelpLine::Separator, 0, {}, {}};

constexpr auto kHelpLayout = std::to_array<HelpLine>({
    helpFixed("Default Sonar COM Port:", "COM1 (115200, N, 8, 1)"),
    helpFixed("Default Orientation Input COM Port:", "COM3 (38400, N, 8, 1)"),
    kHelpBlank,
    kHelpSeparator,
    helpCommand(kCmdHelp),
    helpCommand(kCmdDiagnostics),
    helpCommand(kCmdCircleDiameterUp),
    helpCommand(kCmdCircleDiameterDown),
    kHelpBlank,
    kHelpSeparator,
    helpCommand(kCmdHold),
    helpCommand(kCmdCaptureFrame),
    kHelpBlank,
    kHelpSeparator,
    helpCommand(kCmdKeyInRange),
    kHelpBlank,
    helpCommand(kCmdKeyInGain),
    kHelpBlank,
    kHelpBlank,
    kHelpSeparator,
    helpCommand(kCmdArrowUp),
    helpCommand(kCmdArrowDown),
    helpCommand(kCmdArrowRight),
    helpCommand(kCmdArrowLeft),
    kHelpBlank,
    kHelpSeparator,
    helpFixed("Mouse LButton Drag", "Move Sonar Image"),
});

constexpr std::string_view kHelpSeparatorText = "------------------------------";

// ------------------------------------------------------------------ status bar

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

std::span<const CommandDescriptor> commandDescriptors() {
    return kCommands;
}

const CommandDescriptor* findCommand(int id) {
    const auto it = std::ranges::find(kCommands, id, &CommandDescriptor::id);
    return it == kCommands.end() ? nullptr : &*it;
}

std::span<const MenuEntry> documentMenu() {
    return kDocumentMenu;
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

std::vector<HotKeyHelpRow> hotKeyHelpRows() {
    std::vector<HotKeyHelpRow> rows;
    for (const HelpLine& line : kHelpLayout) {
        switch (line.kind) {
            case HelpLine::Blank:
                rows.push_back({});
                break;
            case HelpLine::Separator:
                rows.push_back({{}, {}, std::string(kHelpSeparatorText)});
                break;
            case HelpLine::Fixed:
                rows.push_back({std::string(line.command), {}, std::string(line.description)});
                break;
            case HelpLine::Command: {
                const CommandDescriptor& c = *findCommand(line.id);
                const std::string key =
                    c.viewKey ? std::string(1, c.viewKey) : std::string(hotKeyName(c.hotKey));
                // Each further line of the description has a row of its own.
                std::string_view text = c.helpText;
                std::string name(c.helpName);
                std::string keyCell = key;
                for (;;) {
                    const auto lineBreak = text.find('\n');
                    rows.push_back({name, keyCell, std::string(text.substr(0, lineBreak))});
                    if (lineBreak == std::string_view::npos) break;
                    text.remove_prefix(lineBreak + 1);
                    name.clear();
                    keyCell.clear();
                }
                break;
            }
        }
    }
    return rows;
}

std::span<const StatusPane> statusPanes() {
    return kStatusPanes;
}

}  // namespace sondrel

// The operator's commands on the document: their effects, their update rules
// and the key-in window's rules.

#include <gtest/gtest.h>

#include <set>

#include "acquisition/SondrelDoc.h"
#include "app/CommandDispatcher.h"
#include "app/CommandRules.h"
#include "app/CommandTable.h"
#include "app/DocumentCommands.h"
#include "app/HotKeysHelp.h"
#include "app/KeyIn.h"
#include "app/MenuLayout.h"
#include "support/CycleFakes.h"

namespace sondrel {
namespace {

class CommandsTest : public ::testing::Test {
  protected:
    CommandsTest() { doc.setViews(&views); }
    ~CommandsTest() override { doc.setViews(nullptr); }
    CSondrelDoc doc;
    testing::CountingViews views;
    CommandUiState ui;
    // The view's requests, which the mode commands' rules read from ui.
    ViewRequests& view = ui.view;
};

TEST_F(CommandsTest, ZoomStepsAreQuarterBelowTwoAndWholeAboveWithinLimits) {
    EXPECT_DOUBLE_EQ(zoomedIn(1.75), 2.0);
    EXPECT_DOUBLE_EQ(zoomedIn(2.0), 3.0);
    EXPECT_DOUBLE_EQ(zoomedIn(3.0), 4.0);
    EXPECT_DOUBLE_EQ(zoomedIn(4.0), 4.0);
    EXPECT_DOUBLE_EQ(zoomedOut(3.0), 2.0);
    EXPECT_DOUBLE_EQ(zoomedOut(2.0), 1.75);
    EXPECT_DOUBLE_EQ(zoomedOut(0.75), 0.5);
    EXPECT_DOUBLE_EQ(zoomedOut(0.5), 0.5);
    // A zoom from a hand-edited settings file still steps back into range.
    EXPECT_DOUBLE_EQ(zoomedOut(9.0), 4.0);
    EXPECT_DOUBLE_EQ(zoomedIn(0.1), 0.5);

    doc.display.zoom = 1.75;
    ASSERT_TRUE(runDocumentCommand(kCmdZoomIn, doc, view));
    EXPECT_DOUBLE_EQ(doc.display.zoom, 2.0);
    EXPECT_EQ(views.hints, std::vector<ViewHint>{ViewHint::Repaint});
}

TEST_F(CommandsTest, ZoomFactorItemsSetAndCheckTheirZoom) {
    const double expected[] = {0.5, 0.75, 1.0, 1.25, 1.5, 1.75, 2.0, 3.0, 4.0};
    for (int id = kCmdZoom50; id <= kCmdZoom400; ++id) {
        ASSERT_TRUE(runDocumentCommand(id, doc, view));
        EXPECT_DOUBLE_EQ(doc.display.zoom, expected[id - kCmdZoom50]);
        for (int other = kCmdZoom50; other <= kCmdZoom400; ++other)
            EXPECT_EQ(commandChecked(other, doc, ui), other == id) << id << " " << other;
    }
}

TEST_F(CommandsTest, RangeStepsStayInTheTableAndCarryTheCode) {
    doc.head.setRangeIndex(7);
    ASSERT_TRUE(runDocumentCommand(kCmdRangeUp, doc, view));
    EXPECT_EQ(doc.head.rangeIndex, 8);
    EXPECT_DOUBLE_EQ(doc.head.rangeMetres, 6.0);
    EXPECT_EQ(doc.head.command[cmd::kRange], 60);
    runDocumentCommand(kCmdRangeUp, doc, view);
    EXPECT_EQ(doc.head.rangeIndex, 8);

    doc.head.setRangeIndex(1);
    runDocumentCommand(kCmdRangeDown, doc, view);
    EXPECT_EQ(doc.head.rangeIndex, 0);
    EXPECT_EQ(doc.head.command[cmd::kRange], 4);
    runDocumentCommand(kCmdRangeDown, doc, view);
    EXPECT_EQ(doc.head.rangeIndex, 0);
    // The toolbar leaves the panels alone: the next poll carries the change.
    EXPECT_EQ(views.panelRefreshes, 0);
}

TEST_F(CommandsTest, GainStepsStopAtZeroAndTwenty) {
    doc.head.setGain(19);
    runDocumentCommand(kCmdGainUp, doc, view);
    runDocumentCommand(kCmdGainUp, doc, view);
    EXPECT_EQ(doc.head.gainDb, 20);
    EXPECT_EQ(doc.head.command[cmd::kGain], 20);
    doc.head.setGain(1);
    runDocumentCommand(kCmdGainDown, doc, view);
    runDocumentCommand(kCmdGainDown, doc, view);
    EXPECT_EQ(doc.head.gainDb, 0);
    EXPECT_EQ(doc.head.command[cmd::kGain], 0);
}

TEST_F(CommandsTest, RangeAndGainDoNothingDuringPlayback) {
    doc.head.setRangeIndex(3);
    doc.head.setGain(6);
    doc.flags.playbackActive = true;
    const CommandBuffer before = doc.head.command;
    for (int id : {kCmdRangeUp, kCmdRangeDown, kCmdGainUp, kCmdGainDown})
        EXPECT_TRUE(runDocumentCommand(id, doc, view));
    EXPECT_EQ(doc.head.rangeIndex, 3);
    EXPECT_EQ(doc.head.gainDb, 6);
    EXPECT_EQ(doc.head.command, before);
}

TEST_F(CommandsTest, CircleDiameterKeysOnlyWhileTheCircleIsShown) {
    doc.display.circleDiameter = 0.5;
    doc.display.displayCircle = 0;
    runDocumentCommand(kCmdCircleDiameterUp, doc, view);
    runDocumentCommand(kCmdCircleDiameterDown, doc, view);
    EXPECT_DOUBLE_EQ(doc.display.circleDiameter, 0.5);
    EXPECT_TRUE(views.hints.empty());

    doc.display.displayCircle = 1;
    runDocumentCommand(kCmdCircleDiameterUp, doc, view);
    EXPECT_NEAR(doc.display.circleDiameter, 0.51, 1e-12);

    // Down never goes below 10 cm, even when the step would overshoot.
    for (double start : {0.105, 0.11, 0.1}) {
        doc.display.circleDiameter = start;
        runDocumentCommand(kCmdCircleDiameterDown, doc, view);
        EXPECT_DOUBLE_EQ(doc.display.circleDiameter, 0.1) << start;
    }
    doc.display.circleDiameter = 0.35;
    runDocumentCommand(kCmdCircleDiameterDown, doc, view);
    EXPECT_NEAR(doc.display.circleDiameter, 0.34, 1e-12);
}

TEST_F(CommandsTest, ArrowsMoveTheCircleOnlyInCircleMoveMode) {
    EXPECT_FALSE(moveCircleByArrow(kCmdArrowUp, doc, view));
    EXPECT_EQ(doc.display.circleOffsetY, 0);

    doc.display.displayCircle = 1;
    ASSERT_TRUE(runDocumentCommand(kCmdMoveCircle, doc, view));
    ASSERT_EQ(view.circleMoveMode, 1);
    EXPECT_TRUE(moveCircleByArrow(kCmdArrowUp, doc, view));
    EXPECT_TRUE(moveCircleByArrow(kCmdArrowUp, doc, view));
    EXPECT_TRUE(moveCircleByArrow(kCmdArrowDown, doc, view));
    EXPECT_TRUE(moveCircleByArrow(kCmdArrowLeft, doc, view));
    EXPECT_EQ(doc.display.circleOffsetY, -1);
    EXPECT_EQ(doc.display.circleOffsetX, -1);
    EXPECT_TRUE(moveCircleByArrow(kCmdArrowRight, doc, view));
    EXPECT_TRUE(moveCircleByArrow(kCmdArrowRight, doc, view));
    EXPECT_EQ(doc.display.circleOffsetX, 1);
}

TEST_F(CommandsTest, MoveCircleFollowsTheCircleAndEndsTheOtherModes) {
    EXPECT_FALSE(commandEnabled(kCmdMoveCircle, doc, ui));
    runDocumentCommand(kCmdDisplayCircle, doc, view);
    EXPECT_TRUE(commandEnabled(kCmdMoveCircle, doc, ui));
    EXPECT_TRUE(commandChecked(kCmdDisplayCircle, doc, ui));

    view.textInputMode = 1;
    view.measurementMode = 1;
    views.hints.clear();
    runDocumentCommand(kCmdMoveCircle, doc, view);
    EXPECT_TRUE(commandChecked(kCmdMoveCircle, doc, ui));
    EXPECT_EQ(view.textInputMode, 0);
    EXPECT_EQ(view.measurementMode, 0);
    EXPECT_EQ(views.hints, std::vector<ViewHint>{ViewHint::CircleMove});

    // Hiding the circle ends circle-move mode.
    runDocumentCommand(kCmdDisplayCircle, doc, view);
    EXPECT_EQ(view.circleMoveMode, 0);
    EXPECT_FALSE(commandEnabled(kCmdMoveCircle, doc, ui));

    // And the update rule forces it off whatever set it.
    view.circleMoveMode = 1;
    applyCommandUpdateRules(doc, view);
    EXPECT_EQ(view.circleMoveMode, 0);
}

TEST_F(CommandsTest, PlaybackGreysTheHeadSettingsAndEnablesPlayOneFrame) {
    const int headCommands[] = {kCmdComPortSetup, kCmdXdcrFwd, kCmdXdcrAft, kCmdZeroUp,
                                kCmdZeroDown,     kCmdTypeP,   kCmdTypeQ};
    for (int id : headCommands) EXPECT_TRUE(commandEnabled(id, doc, ui)) << id;
    EXPECT_FALSE(commandEnabled(kCmdPlayOneFrame, doc, ui));
    doc.flags.playbackActive = true;
    for (int id : headCommands) EXPECT_FALSE(commandEnabled(id, doc, ui)) << id;
    EXPECT_TRUE(commandEnabled(kCmdPlayOneFrame, doc, ui));
    // Real-time play speed needs a known ping period.
    EXPECT_FALSE(commandEnabled(kCmdRealTimePlaySpeed, doc, ui));
    doc.ping.settings.pingPeriodRounded = 120;
    EXPECT_TRUE(commandEnabled(kCmdRealTimePlaySpeed, doc, ui));
}

TEST_F(CommandsTest, ConnectIsGreyedWhileConnectedAndIpAddressOnlyForEthernetHeads) {
    doc.link.linkState = LinkState::Pending;
    EXPECT_TRUE(commandEnabled(kCmdConnect, doc, ui));
    doc.link.linkState = LinkState::Connected;
    EXPECT_FALSE(commandEnabled(kCmdConnect, doc, ui));

    doc.head.sonarType = kTypeP;
    EXPECT_FALSE(commandEnabled(kCmdIpAddress, doc, ui));
    doc.head.sonarType = kTypeQ;
    EXPECT_TRUE(commandEnabled(kCmdIpAddress, doc, ui));
}

TEST_F(CommandsTest, ChoiceItemsCheckExactlyTheCurrentChoice) {
    struct Group {
        int first, last;
        std::function<void(int)> choose;
    };
    const Group groups[] = {
        {kCmdPointsSmall, kCmdPointsLarge, [&](int v) { doc.display.pointSize = v; }},
        {kCmdTextSmall, kCmdTextLargest, [&](int v) { doc.display.textSize = v; }},
        {kCmdGridSolid, kCmdGridDashed, [&](int v) { doc.display.gridStyle = v; }},
        {kCmdXdcrFwd, kCmdXdcrAft, [&](int v) { doc.head.xdcrForward = 1 - v; }},
        {kCmdZeroUp, kCmdZeroDown, [&](int v) { doc.head.zeroDown = v; }},
        {kCmdUnitsMeters, kCmdUnitsFeet, [&](int v) { doc.display.unitsFeet = v; }},
        {kCmdTypeP, kCmdTypeQ, [&](int v) { doc.head.sonarType = v; }},
    };
    for (const Group& g : groups) {
        for (int chosen = 0; chosen <= g.last - g.first; ++chosen) {
            g.choose(chosen);
            for (int id = g.first; id <= g.last; ++id) {
                EXPECT_TRUE(commandCheckable(id));
                EXPECT_EQ(commandChecked(id, doc, ui), id - g.first == chosen) << id;
            }
        }
    }
}

TEST_F(CommandsTest, ChoiceCommandsSetTheirValue) {
    runDocumentCommand(kCmdPointsLarge, doc, view);
    EXPECT_EQ(doc.display.pointSize, 2);
    runDocumentCommand(32899, doc, view);
    EXPECT_EQ(doc.display.textSize, 2);
    runDocumentCommand(kCmdGridDashed, doc, view);
    EXPECT_EQ(doc.display.gridStyle, 2);
    runDocumentCommand(kCmdXdcrFwd, doc, view);
    EXPECT_EQ(doc.head.xdcrForward, 1);
    runDocumentCommand(kCmdZeroDown, doc, view);
    EXPECT_EQ(doc.head.zeroDown, 1);

    // Units end in applySettings, which refreshes the panels.
    runDocumentCommand(kCmdUnitsFeet, doc, view);
    EXPECT_EQ(doc.display.unitsFeet, 1);
    EXPECT_EQ(views.panelRefreshes, 1);
}

TEST_F(CommandsTest, TogglesFlipAndShowTheirCheckMark) {
    struct Toggle {
        int id;
        int* flag;
    };
    const Toggle toggles[] = {{kCmdRangeMarker, &doc.display.viewRangeMark},
                              {kCmdDisplayPrd, &doc.display.displayPrd},
                              {kCmdShowGrid, &doc.display.showGrid},
                              {kCmdRollCorrection, &doc.display.rollCorrection},
                              {kCmdDisplayCircle, &doc.display.displayCircle}};
    for (const Toggle& t : toggles) {
        const int before = *t.flag;
        ASSERT_TRUE(runDocumentCommand(t.id, doc, view));
        EXPECT_EQ(*t.flag, before ? 0 : 1) << t.id;
        EXPECT_EQ(commandChecked(t.id, doc, ui), *t.flag != 0) << t.id;
        runDocumentCommand(t.id, doc, view);
        EXPECT_EQ(*t.flag, before) << t.id;
    }
}

TEST_F(CommandsTest, DefaultColoursAndResetView) {
    doc.display.pointsColour = 0x123456;
    doc.display.bkColour = 0xFFFFFF;
    runDocumentCommand(kCmdDefaultColours, doc, view);
    EXPECT_EQ(doc.display.pointsColour, 0xFAFAFAu);  // (250, 250, 250)
    EXPECT_EQ(doc.display.bkColour, 0u);
    EXPECT_EQ(doc.display.gridColour, 0x003278u);    // (120, 50, 0)
    EXPECT_EQ(doc.display.circleColour, 0x009696u);  // (150, 150, 0)
    EXPECT_EQ(doc.display.lineColour, 0x969600u);    // (0, 150, 150)
    EXPECT_EQ(doc.display.textColour, 0xDCDCDCu);

    runDocumentCommand(kCmdResetView, doc, view);
    EXPECT_EQ(view.viewResetRequest, 1);
}

TEST_F(CommandsTest, WindowCommandsAreNotTheDocumentsOwn) {
    for (int id : {kCmdConnect, kCmdHold, kCmdExit, kCmdAbout, kCmdMainToolbar, kCmdRecord})
        EXPECT_FALSE(runDocumentCommand(id, doc, view)) << id;
}

TEST_F(CommandsTest, EveryMenuCheckRuleBelongsToACheckableItem) {
    // A rule that can check an item the window does not make checkable would
    // never be seen: drive every menu item's state through both extremes.
    std::set<int> ids;
    for (const MenuEntry& e : documentMenu())
        if (e.kind == MenuEntry::Item) ids.insert(e.id);
    for (int id : ids) {
        if (commandCheckable(id)) continue;
        doc.flags.holdActive = doc.flags.recordingActive = true;
        doc.files.oneFrameMode = 1;
        ui.toolbarVisible = ui.diagnosticsVisible = ui.helpOpen = true;
        EXPECT_FALSE(commandChecked(id, doc, ui)) << id;
    }
}

// ------------------------------------------------------------------ the table

TEST(CommandTableTest, EveryCommandTheOperatorCanSendIsDescribedOnce) {
    std::set<int> ids;
    for (const CommandDescriptor& c : commandDescriptors())
        EXPECT_TRUE(ids.insert(c.id).second) << "described twice: " << c.id;

    int depth = 0;
    for (const MenuEntry& e : documentMenu()) {
        if (e.kind == MenuEntry::PopupBegin) ++depth;
        if (e.kind == MenuEntry::PopupEnd) --depth;
        EXPECT_GE(depth, 0);
        if (e.kind != MenuEntry::Item) continue;
        ASSERT_NE(findCommand(e.id), nullptr) << e.id;
        EXPECT_FALSE(commandCaption(e.id).empty()) << e.id;
    }
    EXPECT_EQ(depth, 0);
    // A toolbar button shows its caption or prompt as its tool tip.
    for (int id : toolbarCommands()) {
        ASSERT_NE(findCommand(id), nullptr) << id;
        EXPECT_FALSE(commandCaption(id).empty() && commandPrompt(id).empty()) << id;
    }
    for (const HotKeyBinding& k : hotKeys()) EXPECT_NE(findCommand(k.id), nullptr) << k.id;
    EXPECT_EQ(findCommand(kCmdUnused32859), nullptr);
}

TEST(CommandTableTest, KeysAndToolbarPlacesBelongToOneCommandEach) {
    std::set<HotKey> keys;
    std::set<char> letters;
    std::set<int> places;
    for (const CommandDescriptor& c : commandDescriptors()) {
        if (c.hotKey != HotKey::None) {
            EXPECT_TRUE(keys.insert(c.hotKey).second) << c.id;
        }
        if (c.viewKey != 0) {
            EXPECT_TRUE(letters.insert(c.viewKey).second) << c.id;
            EXPECT_EQ(commandForViewKey(c.viewKey), c.id);
        }
        if (c.toolbarPosition != 0) {
            EXPECT_TRUE(places.insert(c.toolbarPosition).second) << c.id;
        }
    }
    EXPECT_EQ(keys.size(), hotKeys().size());
    // The toolbar holds every place from 1 on, each with the command placed there.
    ASSERT_EQ(places.size(), toolbarCommands().size());
    for (std::size_t i = 0; i < toolbarCommands().size(); ++i)
        EXPECT_EQ(findCommand(toolbarCommands()[i])->toolbarPosition, int(i) + 1);
    EXPECT_EQ(commandForViewKey('x'), 0);
    EXPECT_EQ(commandForViewKey(0), 0);
}

TEST(CommandTableTest, EveryCommandOfAPortHasAnActionAndNoneWithoutOne) {
    for (const CommandDescriptor& c : commandDescriptors()) {
        SCOPED_TRACE(c.id);
        if (c.action.port != CommandPort::NotBuilt) {
            EXPECT_NE(c.action.run, nullptr);
        }
        // An action of a command no port carries out would never run.
        if (c.action.run) {
            EXPECT_NE(c.action.port, CommandPort::NotBuilt);
        }
        // Keys and buttons of a command that does not exist yet would do nothing.
        if (c.hotKey != HotKey::None || c.viewKey != 0) {
            EXPECT_FALSE(c.helpName.empty());
            EXPECT_FALSE(c.helpText.empty());
        }
    }
}

TEST_F(CommandsTest, EnabledStateOfEveryCommandInTypicalDocumentStates) {
    const std::set<int> headSettings = {kCmdComPortSetup,    kCmdXdcrFwd,     kCmdXdcrAft,
                                        kCmdZeroUp,          kCmdZeroDown,    kCmdShowSonarSettings,
                                        kCmdMiniSettingsBar, kCmdTypeP,       kCmdTypeQ,
                                        kCmdScanPolar,       kCmdScanSector,  kCmdScanSideScan,
                                        kCmdTrainReversed,   kCmdTrainNormal, kCmdReverseStep,
                                        kCmdIpAddress,       kCmdKeyInRange,  kCmdKeyInGain};
    std::set<int> playbackDisabled = headSettings;
    playbackDisabled.insert({kCmdMoveCircle, kCmdConvertXyz});
    struct State {
        const char* name;
        std::function<void(CSondrelDoc&)> set;
        std::set<int> disabled;
    };
    const State states[] = {
        {"idle",
         [](CSondrelDoc&) {},
         {kCmdMoveCircle, kCmdPlayOneFrame, kCmdRealTimePlaySpeed, kCmdIpAddress}},
        {"connected to an Ethernet head, circle shown",
         [](CSondrelDoc& d) {
             d.link.linkState = LinkState::Connected;
             d.head.sonarType = kTypeQ;
             d.display.displayCircle = 1;
         },
         {kCmdConnect, kCmdPlayOneFrame, kCmdRealTimePlaySpeed}},
        {"playing back while converting",
         [](CSondrelDoc& d) {
             d.flags.playbackActive = true;
             d.ping.settings.pingPeriodRounded = 120;
             d.flags.xyzConversionActive = true;
         },
         playbackDisabled},
    };
    for (const State& state : states) {
        CSondrelDoc d;
        state.set(d);
        for (const CommandDescriptor& c : commandDescriptors())
            EXPECT_EQ(commandEnabled(c.id, d, ui), !state.disabled.contains(c.id))
                << state.name << " " << c.id;
    }
}

TEST_F(CommandsTest, CheckMarksOfEveryCommandAtCreationAndWithEverythingOn) {
    auto checkedIds = [&](const CSondrelDoc& d, const CommandUiState& u) {
        std::set<int> ids;
        for (const CommandDescriptor& c : commandDescriptors())
            if (commandChecked(c.id, d, u)) ids.insert(c.id);
        return ids;
    };
    CSondrelDoc fresh;
    const std::set<int> atCreation = {
        kCmdZoom100,       kCmdPointsSmall,      kCmdTextSmall,   kCmdGridDotted,
        kCmdProfileFirst,  kCmdColourTableFirst, kCmdRangeMarker, kCmdShowGrid,
        kCmdXdcrAft,       kCmdZeroUp,           kCmdUnitsMeters, kCmdTypeP,
        kCmdAutoFileNames, kCmdScanPolar,        kCmdTrainNormal, kCmdMainToolbar};
    EXPECT_EQ(checkedIds(fresh, CommandUiState{}), atCreation);

    CSondrelDoc on;
    CommandUiState allShown;
    allShown.toolbarVisible = false;
    allShown.diagnosticsVisible = allShown.controlPanelVisible = allShown.miniBarVisible =
        allShown.helpOpen = true;
    on.flags.recordingActive = on.flags.holdActive = true;
    allShown.view.circleMoveMode = allShown.view.textInputMode = 1;
    allShown.view.measurementMode = on.head.xdcrForward = on.head.zeroDown = on.display.unitsFeet =
        on.files.oneFrameMode = 1;
    on.files.realTimePlaySpeed = on.head.trainReversed = 1;
    on.head.sonarType = kTypeQ;
    on.head.scanMode = kSideScan;
    on.files.autoFileNames = 0;
    DisplaySettings& d = on.display;
    d.zoom = 4.0;
    d.pointSize = d.gridStyle = 2;
    d.textSize = d.profileDispMode = 4;
    d.colourTable = 8;
    d.viewRangeMark = d.showGrid = 0;
    d.displayPrd = d.displayCircle = d.rollCorrection = 1;
    const std::set<int> everythingOn = {kCmdRecord,          kCmdHold,
                                        kCmdMoveCircle,      kCmdTextInput,
                                        kCmdMeasureAdd,      kCmdXdcrFwd,
                                        kCmdZeroDown,        kCmdUnitsFeet,
                                        kCmdPlayOneFrame,    kCmdRealTimePlaySpeed,
                                        kCmdTrainReversed,   kCmdTypeQ,
                                        kCmdScanSideScan,    kCmdZoom400,
                                        kCmdPointsLarge,     kCmdGridDashed,
                                        kCmdTextLargest,     kCmdProfileLast,
                                        kCmdColourTableLast, kCmdDisplayPrd,
                                        kCmdDisplayCircle,   kCmdRollCorrection,
                                        kCmdDiagnostics,     kCmdShowSonarSettings,
                                        kCmdMiniSettingsBar, kCmdHelp};
    EXPECT_EQ(checkedIds(on, allShown), everythingOn);
}

TEST(CommandTableTest, HotKeysHelpListsTheKeysInItsGroups) {
    const std::vector<HotKeyHelpRow> rows = hotKeyHelpRows();
    ASSERT_EQ(rows.size(), 29u);
    const std::string separator(30, '-');
    struct Row {
        std::size_t index;
        const char *command, *key, *description;
    };
    const Row expected[] = {
        {0, "Default Sonar COM Port:", "", "COM1 (115200, N, 8, 1)"},
        {2, "", "", ""},
        {4, "Help", "F1", "Show basic commands help window"},
        {5, "Diagnostics", "F3", "Show/Hide Diagnostics Dialog."},
        {7, "Circle Diameter Dec", "F6", "Deccrease Circle Diameter 0.01 m"},
        {10, "Hold", "h", "Operation Held."},
        {11, "Save One Sweep", "s", "Save one sweep data to a file."},
        {14, "Key In Range", "r", "Keyboard entry for Range"},
        {15, "", "", "Entries: 0.25, 0.50, 0.75, 1, 2, 3, 4, 5, 6 in meters"},
        {17, "Key In Gain", "g", "Keyboard entry for Gain"},
        {18, "", "", "Entries: 1 - 20 with increment of 1"},
        {20, "", "", ""},
        {24, "Move Cursor Right", "Right", "Move Cursor/Circle right one pixel"},
        {25, "Move Cursor Left", "Left", "Move Cursor/Circle left one pixel"},
        {28, "Mouse LButton Drag", "", "Move Sonar Image"},
    };
    for (const Row& r : expected) {
        SCOPED_TRACE(r.index);
        EXPECT_EQ(rows[r.index].command, r.command);
        EXPECT_EQ(rows[r.index].key, r.key);
        EXPECT_EQ(rows[r.index].description, r.description);
    }
    for (std::size_t i : {3u, 9u, 13u, 21u, 27u}) {
        EXPECT_EQ(rows[i].description, separator) << i;
        EXPECT_TRUE(rows[i].command.empty() && rows[i].key.empty()) << i;
    }
}

// ------------------------------------------------------------------ key-in

TEST(KeyInTest, OnlyTheFirstFourCharactersCount) {
    CSondrelDoc doc;
    KeyInState state;
    prepareKeyIn(state, kKeyInGain, doc);
    EXPECT_TRUE(commitKeyIn(state, doc, "12345"));  // read as 1234, then limited
    EXPECT_EQ(doc.head.gainDb, 20);
    EXPECT_TRUE(commitKeyIn(state, doc, "   7"));  // blanks count as characters
    EXPECT_EQ(doc.head.gainDb, 7);
    EXPECT_FALSE(commitKeyIn(state, doc, "    9"));  // the 9 lies beyond the limit
    EXPECT_EQ(doc.head.gainDb, 7);
    prepareKeyIn(state, kKeyInRange, doc);
    EXPECT_TRUE(commitKeyIn(state, doc, "0.755"));  // 0.75, not 0.755
    EXPECT_EQ(doc.head.rangeIndex, 2);
}

TEST(KeyInTest, RangeSelectsTheTableEntryBelowTheTypedValue) {
    CSondrelDoc doc;
    KeyInState state;
    prepareKeyIn(state, kKeyInRange, doc);
    EXPECT_EQ(state.prompt, kKeyInRangePrompt);
    struct Case {
        const char* text;
        int index;
        int code;
    };
    for (const Case& c :
         {Case{"0.3", 0, 4}, Case{"2.5", 4, 20}, Case{"7", 8, 60}, Case{"1", 3, 10}}) {
        commitKeyIn(state, doc, c.text);
        EXPECT_EQ(doc.head.rangeIndex, c.index) << c.text;
        EXPECT_EQ(doc.head.command[cmd::kRange], c.code) << c.text;
        EXPECT_DOUBLE_EQ(doc.head.rangeMetres, rangeMetresForIndex(c.index)) << c.text;
    }
    // A negative range is ignored; an empty entry repeats the last value.
    commitKeyIn(state, doc, "-2");
    EXPECT_EQ(doc.head.rangeIndex, 3);
    doc.head.setRangeIndex(5);
    commitKeyIn(state, doc, "");
    EXPECT_EQ(doc.head.rangeIndex, 5);  // the remembered -2 is still ignored
    commitKeyIn(state, doc, "0.5");
    doc.head.setRangeIndex(5);
    commitKeyIn(state, doc, "");
    EXPECT_EQ(doc.head.rangeIndex, 1);
}

TEST(KeyInTest, GainIsLimitedToTwentyAndNegativeIsIgnored) {
    CSondrelDoc doc;
    KeyInState state;
    prepareKeyIn(state, kKeyInGain, doc);
    EXPECT_EQ(state.prompt, kKeyInGainPrompt);
    EXPECT_EQ(state.kind, kKeyInGain);
    commitKeyIn(state, doc, "25");
    EXPECT_EQ(doc.head.gainDb, 20);
    EXPECT_EQ(doc.head.command[cmd::kGain], 20);
    commitKeyIn(state, doc, "-1");
    EXPECT_EQ(doc.head.gainDb, 20);
    commitKeyIn(state, doc, "0");
    EXPECT_EQ(doc.head.gainDb, 0);
}

TEST(KeyInTest, InFeetTheRangePromptKeepsWhatItSaid) {
    CSondrelDoc doc;
    KeyInState state;
    doc.display.unitsFeet = 1;
    prepareKeyIn(state, kKeyInRange, doc);
    EXPECT_EQ(state.prompt, kKeyInInitialPrompt);
    prepareKeyIn(state, kKeyInGain, doc);
    prepareKeyIn(state, kKeyInRange, doc);
    EXPECT_EQ(state.prompt, kKeyInGainPrompt);
    EXPECT_EQ(state.kind, kKeyInRange);
}

}  // namespace
}  // namespace sondrel

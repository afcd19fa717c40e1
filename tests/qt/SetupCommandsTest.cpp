// Every command of the table through the way an operator reaches it, in real
// time and during playback, with every dialog scripted; and the windows of the
// setup commands: diagnostics, hot-keys help and COM port setup.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "app/CommandRules.h"
#include "app/CommandTable.h"
#include "app/HotKeysHelp.h"
#include "app/qt/CDiagDlg.h"
#include "app/qt/CHelpDlg.h"
#include "app/qt/CSondrelApp.h"
#include "app/qt/CSondrelView.h"
#include "display/ScreenCapture.h"
#include "support/PlaybackRig.h"
#include "support/ProgramRig.h"

namespace sondrel::testing {
namespace {

// Commands the rules must grey during playback, and those only playback offers:
// stated here from the command table's description, not read from the rules.
const std::set<int> kOffDuringPlayback = {
    kCmdComPortSetup,    kCmdXdcrFwd,       kCmdXdcrAft,
    kCmdZeroUp,          kCmdZeroDown,      kCmdShowSonarSettings,
    kCmdMiniSettingsBar, kCmdIpAddress,     kCmdTypeP,
    kCmdTypeQ,           kCmdScanPolar,     kCmdScanSector,
    kCmdScanSideScan,    kCmdTrainReversed, kCmdTrainNormal,
    kCmdReverseStep,     kCmdKeyInRange,    kCmdKeyInGain};
const std::set<int> kOnlyDuringPlayback = {kCmdPlayOneFrame, kCmdRealTimePlaySpeed};

void collectMenuActions(const QList<QAction*>& actions, std::map<int, QAction*>& out) {
    for (QAction* a : actions) {
        if (a->menu()) {
            collectMenuActions(a->menu()->actions(), out);
        } else if (!a->isSeparator()) {
            out[a->data().toInt()] = a;
        }
    }
}

struct Walk {
    ProgramUnderTest p;
    std::map<int, QAction*> menu, toolbar;
    std::vector<int> ran;
    std::string dataFile;

    Walk() {
        collectMenuActions(p.frame->menuBar()->actions(), menu);
        for (QAction* a : p.frame->mainToolBar()->actions()) toolbar[a->data().toInt()] = a;
        QObject::connect(p.frame.get(), &CMainFrame::commandExecuted,
                         [this](int id) { ran.push_back(id); });
        dataFile = makeDataFile(p.folder.file("walk.qzr"), 999, {}, false, 40);
        p.doc.files.writeDirectory = p.folder.path() + "/";
        // Any modal box a command opens on its own is closed at once.
        closer.setInterval(20);
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        });
        closer.start();
    }

    void startPlayback() {
        p.op.openAnswers = {dataFile};
        p.frame->executeCommand(kCmdOpenPlayback);
        p.doc.pings.pingPeriodRounded = 100;  // as if recorded at 10 Hz
        p.frame->refreshCommandStates();
    }

    // Every button and hot key shows exactly what its rule says now, and every
    // menu item does once its menu opens.
    void expectStatesFollowRules(int after) {
        auto expectState = [&](QAction* a, int id) {
            const CommandUiState ui = p.frame->uiState();
            const bool enabled = p.frame->commandBuilt(id) && commandEnabled(id, p.doc, ui);
            EXPECT_EQ(a->isEnabled(), enabled) << id << " after " << after;
            if (a->isCheckable()) {
                EXPECT_EQ(a->isChecked(), commandChecked(id, p.doc, ui))
                    << id << " after " << after;
            }
        };
        for (const auto& [id, a] : toolbar) expectState(a, id);
        for (const CommandDescriptor& c : commandDescriptors())
            if (QAction* key = p.frame->hotKeyAction(c.id)) expectState(key, c.id);
        for (QMenu* m : p.frame->menuBar()->findChildren<QMenu*>()) emit m->aboutToShow();
        for (const auto& [id, a] : menu) expectState(a, id);
    }

    enum class Path { Menu, Toolbar, HotKey, LetterKey };

    // Every way the operator has to a command.
    std::vector<Path> pathsTo(const CommandDescriptor& c) const {
        std::vector<Path> paths;
        if (menu.count(c.id)) paths.push_back(Path::Menu);
        if (toolbar.count(c.id)) paths.push_back(Path::Toolbar);
        if (c.hotKey != HotKey::None) paths.push_back(Path::HotKey);
        if (c.viewKey) paths.push_back(Path::LetterKey);
        return paths;
    }

    static Qt::Key qtKey(HotKey key) {
        switch (key) {
            case HotKey::F1:
                return Qt::Key_F1;
            case HotKey::F3:
                return Qt::Key_F3;
            case HotKey::F5:
                return Qt::Key_F5;
            case HotKey::F6:
                return Qt::Key_F6;
            case HotKey::Up:
                return Qt::Key_Up;
            case HotKey::Down:
                return Qt::Key_Down;
            case HotKey::Left:
                return Qt::Key_Left;
            case HotKey::Right:
                return Qt::Key_Right;
            case HotKey::None:
                break;
        }
        return Qt::Key_unknown;
    }

    // Runs one command by one path: the menu item, a click on its button, its
    // key pressed in the window, or its letter typed on the image. Returns
    // whether the command ran.
    bool runVia(const CommandDescriptor& c, Path path) {
        ran.clear();
        switch (path) {
            case Path::Menu:
                menu.at(c.id)->trigger();
                break;
            case Path::Toolbar: {
                QToolBar* bar = p.frame->mainToolBar();
                bar->show();
                p.frame->refreshCommandStates();
                QTest::mouseClick(bar->widgetForAction(toolbar.at(c.id)), Qt::LeftButton);
                break;
            }
            case Path::HotKey:
                QApplication::setActiveWindow(p.frame.get());
                QTest::keyClick(p.frame.get(), qtKey(c.hotKey));
                break;
            case Path::LetterKey:
                QTest::keyClick(p.frame->view(), c.viewKey);
                break;
        }
        return ran == std::vector<int>{c.id};
    }
    bool reachAndRun(const CommandDescriptor& c) {
        const std::vector<Path> paths = pathsTo(c);
        EXPECT_FALSE(paths.empty()) << c.id << " cannot be reached";
        return !paths.empty() && runVia(c, paths.front());
    }

    // Answers for whatever dialog the command may open: every one cancelled.
    void scriptCancel() {
        p.op.openAnswers = {std::nullopt};
        p.op.saveAnswers = {std::nullopt};
        p.op.folderAnswers = {std::nullopt};
        p.op.colourAnswers = {std::nullopt};
    }

    void walk(bool playback, std::vector<int>& skipped) {
        for (const CommandDescriptor& c : commandDescriptors()) {
            SCOPED_TRACE(std::string(playback ? "playback " : "real time ") + std::to_string(c.id));
            if (c.action.port == CommandPort::NotBuilt) {
                if (!playback) skipped.push_back(c.id);
                continue;
            }
            if (c.id == kCmdExit) continue;  // the walk's last step
            const std::vector<Path> paths = pathsTo(c);
            EXPECT_FALSE(paths.empty()) << c.id << " cannot be reached";
            for (const Path path : paths) {
                SCOPED_TRACE(int(path));
                if (playback && !p.doc.flags.playbackActive) startPlayback();
                if (!playback && p.doc.flags.playbackActive) p.frame->executeCommand(kCmdConnect);
                scriptCancel();
                p.frame->refreshCommandStates();
                const bool enabled = p.frame->commandEnabledNow(c.id);
                if (playback && kOffDuringPlayback.count(c.id)) {
                    EXPECT_FALSE(enabled);
                }
                if (!playback && kOnlyDuringPlayback.count(c.id)) {
                    EXPECT_FALSE(enabled);
                }
                EXPECT_EQ(runVia(c, path), enabled);
                expectStatesFollowRules(c.id);
                ++runs;
            }
        }
    }

    QTimer closer;
    int runs = 0;
};

TEST(CommandWalk, EveryCommandIsReachableRunsAndFollowsItsRules) {
    Walk w;
    std::vector<int> skipped;
    w.walk(false, skipped);
    w.walk(true, skipped);
    w.walk(false, skipped);
    // Hot keys and buttons were tried besides the menu items.
    EXPECT_GT(w.runs, 3 * int(commandDescriptors().size() - skipped.size()));
    // Only the other windows' commands (settings panel, settings bar, the
    // input dialogs) may still be missing; nothing of this window's.
    const std::set<int> othersCommands = {kCmdShowSonarSettings, kCmdMiniSettingsBar,
                                          kCmdIpAddress,         kCmdSoundVelocity,
                                          kCmdCircleDiameter,    kCmdMinimumRange};
    for (const int id : skipped) EXPECT_TRUE(othersCommands.count(id)) << id << " not built";

    // Exit closes the window.
    const CommandDescriptor* exit = findCommand(kCmdExit);
    EXPECT_TRUE(w.reachAndRun(*exit));
    EXPECT_FALSE(w.p.frame->isVisible());
}

TEST(CommandWalk, SonarMenuCommandsChangeTheDocumentAsDescribed) {
    ProgramUnderTest p;
    p.doc.head.scanMode = kPolar;
    p.doc.head.stepSize = 0;
    p.doc.head.stepSizeSaved = 0;
    p.doc.sonarBitmap.pixels()[0] = 7;
    p.doc.display.zoom = 3.0;
    ASSERT_TRUE(p.run(kCmdScanSector));
    EXPECT_EQ(p.doc.head.scanMode, kSector);
    EXPECT_EQ(p.doc.sonarBitmap.pixels()[0], 0);  // a new mode starts a new picture
    EXPECT_LE(p.doc.head.currentSectorWidth, 60);
    EXPECT_EQ(p.doc.head.stepSize, 1);  // no sweep outside side scan without a step
    // The view is reset with the command's update: zoom 1, nothing moved.
    EXPECT_EQ(p.frame->view()->viewState().requests.viewResetRequest, 0);
    EXPECT_EQ(p.doc.display.zoom, 1.0);
    ASSERT_TRUE(p.run(kCmdScanSideScan));
    EXPECT_EQ(p.doc.head.stepSize, 0);
    EXPECT_EQ(p.doc.head.currentSectorWidth, 0);
    EXPECT_TRUE(p.checked(kCmdScanSideScan));

    ASSERT_TRUE(p.run(kCmdTrainReversed));
    EXPECT_EQ(p.doc.head.trainReversed, 1);
    EXPECT_TRUE(p.checked(kCmdTrainReversed));
    EXPECT_FALSE(p.checked(kCmdTrainNormal));

    ASSERT_TRUE(p.run(kCmdProfileFirst + 2));
    EXPECT_EQ(p.doc.display.profileDispMode, 2);
    EXPECT_DOUBLE_EQ(p.doc.display.profileMixFactor, 0.25);
    ASSERT_TRUE(p.run(kCmdColourTableFirst + 3));
    EXPECT_EQ(p.doc.display.colourTable, 3);

    // Text input and measuring exclude each other; deleting ends them.
    const ViewRequests& modes = p.frame->view()->viewState().requests;
    ASSERT_TRUE(p.run(kCmdTextInput));
    ASSERT_TRUE(p.run(kCmdMeasureAdd));
    EXPECT_EQ(modes.textInputMode, 0);
    EXPECT_EQ(modes.measurementMode, 1);
    ASSERT_TRUE(p.run(kCmdDeleteAllDrawings));
    EXPECT_EQ(modes.measurementMode, 0);
    EXPECT_EQ(modes.textInputMode, 0);

    // A colour chooser opens on the current colour; cancelling keeps it.
    p.op.colourAnswers = {std::nullopt, Colour(0x123456)};
    const Colour before = p.doc.display.circleColour;
    ASSERT_TRUE(p.run(kCmdCircleColour));
    EXPECT_EQ(p.doc.display.circleColour, before);
    ASSERT_TRUE(p.run(kCmdCircleColour));
    EXPECT_EQ(p.doc.display.circleColour, Colour(0x123456));
    EXPECT_EQ(p.op.colourRequests, (std::vector<Colour>{before, before}));

    // The same head type again does not reconnect; the other one saves and does.
    p.doc.head.sonarType = kTypeQ;
    const int saves = p.settings.saves, loads = p.settings.loads;
    ASSERT_TRUE(p.run(kCmdTypeQ));
    EXPECT_EQ(p.settings.loads, loads);
    ASSERT_TRUE(p.run(kCmdTypeP));
    EXPECT_EQ(p.doc.head.sonarType, kTypeP);
    EXPECT_EQ(p.settings.saves, saves + 1);
    EXPECT_EQ(p.settings.loads, loads + 1);
}

TEST(DiagnosticsWindow, ShownByItsCommandAndKeyRewritingOnlyChangedRows) {
    ProgramUnderTest p;
    CDiagDlg* diag = p.setup->diagnosticsWindow();
    ASSERT_NE(diag, nullptr);
    EXPECT_FALSE(diag->isVisible());
    EXPECT_EQ(diag->windowTitle(), QStringLiteral("Diagnostics:"));
    EXPECT_EQ(diag->valueLabel(DiagnosticsRow::Gain)->text(), QStringLiteral(":   n/a"));

    ASSERT_TRUE(p.run(kCmdDiagnostics));
    EXPECT_TRUE(diag->isVisible());
    EXPECT_EQ(p.doc.display.diagnosticsVisible, 1);
    EXPECT_TRUE(p.checked(kCmdDiagnostics));
    EXPECT_EQ(diag->valueLabel(DiagnosticsRow::Gain)->text(), QStringLiteral(":   6 dB"));

    // Every processed ping refreshes it, writing only what changed.
    const long writes = diag->rowWrites();
    p.cycle->processPing();
    EXPECT_EQ(diag->rowWrites(), writes);
    p.doc.head.gainDb = 11;
    p.cycle->processPing();
    EXPECT_EQ(diag->rowWrites(), writes + 1);
    EXPECT_EQ(diag->valueLabel(DiagnosticsRow::Gain)->text(), QStringLiteral(":   11 dB"));

    // F3 hides it; its own close box clears the flag too.
    p.frame->hotKeyAction(kCmdDiagnostics)->trigger();
    EXPECT_FALSE(diag->isVisible());
    EXPECT_EQ(p.doc.display.diagnosticsVisible, 0);
    ASSERT_TRUE(p.run(kCmdDiagnostics));
    diag->close();
    EXPECT_EQ(p.doc.display.diagnosticsVisible, 0);
    EXPECT_FALSE(p.checked(kCmdDiagnostics));

    // A connect starts it afresh; a playback step refreshes it.
    p.frame->executeCommand(kCmdConnect);
    EXPECT_EQ(diag->valueLabel(DiagnosticsRow::Gain)->text(), QStringLiteral(":   n/a"));
    const std::string path = makeDataFile(p.folder.file("diag.qzr"), 999, {}, false, 5);
    p.op.openAnswers = {path};
    ASSERT_TRUE(p.run(kCmdOpenPlayback));
    p.bar().stepForwardClicked();
    EXPECT_NE(diag->valueLabel(DiagnosticsRow::Header)->text(), QStringLiteral(":   n/a"));
}

TEST(HotKeysHelp, ListsTheTableRowsAndKeepsOneWindowOpen) {
    ProgramUnderTest p;
    const std::vector<HotKeyHelpRow> rows = hotKeyHelpRows();
    int shown = 0;
    p.dialogScript = [&](QDialog& dialog) {
        ++shown;
        auto* help = dynamic_cast<CHelpDlg*>(&dialog);
        EXPECT_NE(help, nullptr);
        if (!help) return int(QDialog::Rejected);
        EXPECT_EQ(help->windowTitle(), QStringLiteral("Hot Keys..."));
        QTreeWidget* list = help->list();
        EXPECT_EQ(list->headerItem()->text(2), QStringLiteral("Discription"));
        EXPECT_EQ(list->topLevelItemCount(), int(rows.size()));
        for (int i = 0; i < list->topLevelItemCount() && i < int(rows.size()); ++i) {
            const QTreeWidgetItem* item = list->topLevelItem(i);
            EXPECT_EQ(item->text(0).toStdString(), rows[std::size_t(i)].command) << i;
            EXPECT_EQ(item->text(1).toStdString(), rows[std::size_t(i)].key) << i;
            EXPECT_EQ(item->text(2).toStdString(), rows[std::size_t(i)].description) << i;
        }
        // Only the description column follows the window's width.
        help->show();
        help->resize(700, 400);
        EXPECT_EQ(list->columnWidth(0), 130);
        EXPECT_EQ(list->columnWidth(1), 70);
        EXPECT_EQ(list->columnWidth(2), 700 - 205);
        help->resize(0, 400);
        EXPECT_EQ(list->columnWidth(2), 700 - 205);
        // While it is open F1 opens no second one, and the item is checked.
        EXPECT_TRUE(p.checked(kCmdHelp));
        p.frame->executeCommand(kCmdHelp);
        return int(QDialog::Accepted);
    };
    // During playback the frames pause while it is open and resume after.
    const std::string path = makeDataFile(p.folder.file("help.qzr"), 999, {}, false, 5);
    p.op.openAnswers = {path};
    ASSERT_TRUE(p.run(kCmdOpenPlayback));
    ASSERT_TRUE(p.run(kCmdHelp));
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(p.checked(kCmdHelp));
    EXPECT_TRUE(p.frame->timerHost().isTimerActive(kPollTimer));
    EXPECT_EQ(rows.size(), 29u);
}

// The help is modal, yet F3 and F5 still act while it is open.
TEST(HotKeysHelp, HotKeysWorkWhileItIsOpen) {
    ProgramUnderTest p;
    p.doc.display.displayCircle = 1;
    p.dialogScript = [&](QDialog& help) {
        QTimer::singleShot(50, &help, [&help] {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
            help.accept();
        });
        return help.exec();
    };
    ASSERT_TRUE(p.run(kCmdHelp));
    EXPECT_EQ(p.doc.display.diagnosticsVisible, 1);
    EXPECT_DOUBLE_EQ(p.doc.display.circleDiameter, 1.01);
}

// The help and a cancelled port setup stop the instrument's timer while they
// are open; without sonar data it must read the instrument again afterwards.
TEST(HotKeysHelp, DialogsLeaveTheInstrumentReadWhileNoDataCome) {
    ProgramUnderTest p;
    FakeOrientationLink instrument;
    p.cycle->setOrientationLink(&instrument);
    p.doc.link.prdEnable = 1;
    ASSERT_TRUE(p.cycle->orientation().openOrientationPort());
    p.doc.link.noNewData = 1;
    TimerHost& timers = p.frame->timerHost();
    for (const int id : {kCmdHelp, kCmdComPortSetup}) {
        bool stoppedWhileOpen = false;
        p.dialogScript = [&](QDialog&) {
            stoppedWhileOpen = !timers.isTimerActive(kOrientationTimer);
            return int(QDialog::Rejected);
        };
        ASSERT_TRUE(p.run(id));
        EXPECT_TRUE(stoppedWhileOpen) << id;
        EXPECT_TRUE(timers.isTimerActive(kOrientationTimer)) << id;
    }
    EXPECT_EQ(p.dialogsShown, (std::vector<QString>{QStringLiteral("Hot Keys..."),
                                                    QStringLiteral("COM Port Setup")}));
    p.cycle->setOrientationLink(nullptr);
}

}  // namespace
}  // namespace sondrel::testing

namespace sondrel {
namespace {

// Shown after the main window: a window manager stacks the window shown last on top.
TEST(DiagnosticsWindow, AtStartItWaitsForTheMainWindow) {
    CSondrelDoc doc;
    doc.display.diagnosticsVisible = 1;
    CMainFrame frame(doc);
    SetupCommands setup(frame, doc, {});
    EXPECT_FALSE(setup.diagnosticsWindow()->isVisible());
    frame.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return setup.diagnosticsWindow()->isVisible(); }, 5000));
    EXPECT_EQ(doc.display.diagnosticsVisible, 1);
}

// The settings file's "Diagnostics Visible" shows the window at start-up, and
// the live head fills it.
TEST(DiagnosticsWindow, TheSettingsFileShowsItAtStartUpAndPingsFillIt) {
    test::TempFolder folder;
    StartOptions options;
    options.settingsPath = folder.write(
        "Sondrel.INI", "[System Settings]\r\nSonar Type=1\r\nDiagnostics Visible=1\r\n");
    options.simulate = true;
    options.simulatorProgram = QStringLiteral(SONDREL_BIN_DIR "/sondrel-headsim");
    auto app = std::make_unique<CSondrelApp>(options);
    ASSERT_TRUE(app->initInstance());
    CDiagDlg* diag = app->mainFrame()->diagnosticsWindow();
    ASSERT_NE(diag, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return diag->isVisible(); }, 5000));
    EXPECT_TRUE(app->mainFrame()->commandAction(kCmdDiagnostics)->isChecked());
    ASSERT_TRUE(QTest::qWaitFor([&] { return app->document()->pings.pingCount >= 2; }, 15000));
    EXPECT_EQ(diag->valueLabel(DiagnosticsRow::IpAddress)->text(), QStringLiteral(":   127.0.0.1"));
    EXPECT_EQ(diag->valueLabel(DiagnosticsRow::DataBytes)->text().toStdString(),
              ":   " + std::to_string(app->document()->ping.dataBytes) + " ");
    app->mainFrame()->close();
    app.reset();
}

}  // namespace
}  // namespace sondrel

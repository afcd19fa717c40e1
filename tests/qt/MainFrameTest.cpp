// The main window on the offscreen platform: its menu, toolbar and status bar
// as the operator sees them, its commands and hot keys, and its title.

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "acquisition/SondrelDoc.h"
#include "acquisition/TimerHost.h"
#include "app/CommandIds.h"
#include "app/qt/CKeyInDlg.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/CSondrelView.h"
#include "app/qt/QtOperatorPort.h"
#include "display/StatusTexts.h"

namespace sondrel {
namespace {

// The menu as text: one line per item, "caption id", pop-ups indented.
void renderMenu(const QList<QAction*>& actions, int depth, std::string& out) {
    for (QAction* action : actions) {
        const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
        if (action->isSeparator()) {
            out += indent + "---\n";
        } else if (action->menu()) {
            out += indent + action->text().toStdString() + "\n";
            renderMenu(action->menu()->actions(), depth + 1, out);
        } else {
            out += indent + action->text().toStdString() + " " +
                   std::to_string(action->data().toInt()) + "\n";
        }
    }
}

constexpr const char* kExpectedMenu = R"(&File
  Connect to &Sonar Head 32804
  &Open File to Playback 32805
  ---
  &Record  Start (Stop) 32806
  Set Record Directory... 32790
  Convert .QZR file to .xyz... 32928
  Pipe &Report... 33103
  Export &Point Cloud... 33113
  Auto Save File Names 32817
  ---
  &Survey... 33105
  Survey &Observations 33106
  Export &Coded File... 33107
  Calibrate &Diameter... 33108
  ---
  Capture Frame 32925
  &Save Screen 32868
  ---
  E&xit 57665
&View
  &Hold 32813
  ---
  &Zoom Factor
    50 % 32781
    75 % 32782
    100 % 32783
    125 % 32784
    150 % 32785
    175 % 32786
    200 % 32787
    300 % 32788
    400 % 32789
  Zoom In 32822
  Zoom Out 32823
  ---
  Range Marker 32827
  Main &Toolbar 59392
  ---
  Back Ground Color 32882
  Display Pitch / Roll / Distance 32927
  Pipe &Geometry 33101
  Pipe Geometry &Chart 33102
  Pipe &Wall Map 33111
  Pipe &3D View 33112
  Pipe Geometry &Settings... 33104
  Survey Observation &Thresholds... 33109
  Survey &Limits... 33110
&Points
  Points Color 32880
  ---
  Small 32894
  Medium 32895
  Large 32896
&Circle
  Display 32884
  Move Circle 32902
  ---
  Diameter 32892
  ---
  Circle Color 32904
&Text
  Input... 32885
  Delete  32905
  ---
  Text Color 32883
  ---
  Small 32897
  Medium 32898
  Large 32899
  Larger 32900
  Largest 32901
&Measure
  Add... 32886
  Delete 32907
  ---
  Line Color 32906
&Grid
  Show Grid 32828
  ---
  Grid Color 32881
  ---
  Solid Line 32829
  Dotted Line 32830
  Dashed Line 32831
&System
  &COM Port Setup 32796
  &Diagnostics 32799
  ---
  Minimum Range 32924
  Sound Velocity 32801
  Xdcr Fwd / Aft
    Fwd 32888
    Aft 32889
  Zero Up/ Down
    Up 32890
    Down 32891
&Options
  Units
    Meters 32842
    Feet 32843
  ---
  Set Default Colors 32912
  Delete All Drawings 32911
  Roll Correction 32914
  ---
  Play One Frame 32922
So&nar
  Show S&onar Settings 32824
  Mini Settings Bar 32844
  ---
  &IP Address 32798
  Sonar Type
    Type P 32866
    Type Q 32867
  ---
  Scan Mode
    Sector 32811
    Polar 32810
    SideScan 32812
  Train Direction
    Normal 32803
    Reversed 32802
  Reverse Step Direction 32814
  ---
  Profile
    Off 32850
    Points Only 32851
    Low Mix 32852
    Medium Mix 32853
    High Mix 32854
  ColorTable
    Normal  &High 32771
    Normal  &Low 32772
    Gr&een 32773
    &Grey 32774
    &Reverse Grey 32775
    &Brown / Yellow 32776
    Gree&n / Blue 32777
    Green / &Yellow 32778
    Bl&ue 32779
  Clear Image 32791
  ---
  RealTime Play Speed 32864
&Help
  Help... 57670
  &About Sondrel... 57664
)";

class MainFrameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        doc = std::make_unique<CSondrelDoc>();
        frame = std::make_unique<CMainFrame>(*doc);
        frame->resize(1500, 700);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    }
    void TearDown() override {
        frame.reset();
        doc.reset();
    }

    // The title as the window system shows it.
    std::string shownTitle() { return frame->windowHandle()->title().toStdString(); }

    QAction* action(int id) {
        QAction* a = frame->commandAction(id);
        EXPECT_NE(a, nullptr) << id;
        return a;
    }

    std::unique_ptr<CSondrelDoc> doc;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(MainFrameTest, MenuHasEveryItemInOrderWithItsCommandNumber) {
    std::string rendered;
    renderMenu(frame->menuBar()->actions(), 0, rendered);
    EXPECT_EQ(rendered, kExpectedMenu);
}

TEST_F(MainFrameTest, MenuItemsShowTheirPromptInTheStatusBar) {
    EXPECT_EQ(action(kCmdConnect)->statusTip().toStdString(), "Real Time Data Acquisition");
    EXPECT_EQ(action(kCmdExit)->statusTip().toStdString(),
              "Quit the application; prompts to save documents");
    EXPECT_EQ(action(kCmdMainToolbar)->statusTip().toStdString(), "Show or hide the toolbar");
    EXPECT_EQ(action(32901)->statusTip().toStdString(), "Text use largest font");
    EXPECT_EQ(action(kCmdRangeUp)->statusTip().toStdString(), "Increase Range");

    // Hovering shows the prompt where the status bar's messages go.
    QAction* zoomIn = action(kCmdZoomIn);
    zoomIn->showStatusText(frame.get());
    EXPECT_EQ(frame->statusBar()->currentMessage().toStdString(), "Zoom in");
}

TEST_F(MainFrameTest, ToolbarHasItsEighteenButtonsInOrder) {
    QToolBar* bar = frame->mainToolBar();
    ASSERT_NE(bar, nullptr);
    const int expected[] = {32804, 32805, 32806, 32874, 32875, 32876, 32877, 32925, 32813,
                            32825, 32822, 32823, 32884, 32885, 32886, 32911, 32799, 57670};
    const QList<QAction*> actions = bar->actions();
    ASSERT_EQ(actions.size(), 18);
    for (int i = 0; i < 18; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(actions[i]->isSeparator());
        EXPECT_EQ(actions[i]->data().toInt(), expected[i]);
        EXPECT_FALSE(actions[i]->icon().isNull());
        EXPECT_FALSE(actions[i]->toolTip().isEmpty());
        QWidget* button = bar->widgetForAction(actions[i]);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->size(), QSize(32, 29));
    }
    // A button and its menu item are one command: one action, one state.
    EXPECT_EQ(actions[0], frame->commandAction(kCmdConnect));
    // Every picture is its own.
    for (int i = 0; i < 18; ++i) {
        for (int j = i + 1; j < 18; ++j) {
            EXPECT_NE(actions[i]->icon().pixmap(24, 22).toImage(),
                      actions[j]->icon().pixmap(24, 22).toImage())
                << expected[i] << " " << expected[j];
        }
    }
}

TEST_F(MainFrameTest, StatusBarHasItsTwentyThreePanesInOrder) {
    struct Pane {
        const char* caption;  // what a label or spacer shows; value panes start empty
        int width;            // 0 for labels, which fit their text
        bool spacer;
    };
    const Pane expected[] = {
        {"", 50, false},      {"Pitch:", 0, false}, {"", 50, false},     {"  ", 10, true},
        {"Roll:", 0, false},  {"", 50, false},      {"  ", 10, true},    {"Distance:", 0, false},
        {"", 65, false},      {"  ", 15, true},     {"Horz:", 0, false}, {"", 50, false},
        {"  ", 10, true},     {"Vert:", 0, false},  {"", 50, false},     {"  ", 10, true},
        {"Range:", 0, false}, {"", 50, false},      {"  ", 10, true},    {"Bearing:", 0, false},
        {"", 55, false},      {"  ", 10, true},     {"", 120, false},
    };
    ASSERT_EQ(frame->statusPaneCount(), 23);
    int previousRight = -1;
    for (int i = 0; i < 23; ++i) {
        SCOPED_TRACE(i);
        QLabel* pane = frame->statusPane(i);
        ASSERT_NE(pane, nullptr);
        EXPECT_TRUE(pane->isVisible());
        EXPECT_EQ(pane->text().toStdString(), expected[i].caption);
        if (i == 0) {
            EXPECT_GE(pane->width(), 50);
        } else if (expected[i].width > 0) {
            EXPECT_EQ(pane->width(), expected[i].width);
        } else {
            EXPECT_GE(pane->width(), pane->fontMetrics().horizontalAdvance(pane->text()));
        }
        EXPECT_EQ(pane->isEnabled(), !expected[i].spacer);
        EXPECT_EQ(pane->frameShape() == QFrame::NoFrame, expected[i].spacer || i == 0);
        // Left to right in the stated order.
        const int left = pane->mapTo(frame.get(), QPoint(0, 0)).x();
        EXPECT_GE(left, previousRight);
        previousRight = left + pane->width();
    }
}

TEST_F(MainFrameTest, CommandsWithoutAnEffectYetAreVisibleButDisabled) {
    int unbuilt = 0;
    for (QAction* a : frame->findChildren<QAction*>()) {
        const int id = a->data().toInt();
        if (id == 0 || frame->commandBuilt(id)) continue;
        ++unbuilt;
        SCOPED_TRACE(id);
        EXPECT_FALSE(a->isEnabled());  // menu item, button or hot key alike
        if (a == frame->commandAction(id)) {
            EXPECT_FALSE(a->toolTip().isEmpty());
        }
        EXPECT_FALSE(frame->executeCommand(id));
    }
    EXPECT_GT(unbuilt, 0);
    // The commands of this window itself all act.
    for (int id : {kCmdZoomIn, kCmdZoomOut, kCmdExit, kCmdAbout, kCmdMainToolbar, kCmdRangeUp,
                   kCmdUnitsFeet, kCmdResetView, kCmdShowGrid, kCmdDisplayCircle})
        EXPECT_TRUE(action(id)->isEnabled()) << id;
}

TEST_F(MainFrameTest, ChecksFollowTheDocument) {
    doc->display.zoom = 3.0;
    frame->refreshCommandStates();
    EXPECT_TRUE(action(kCmdZoom300)->isChecked());
    EXPECT_FALSE(action(kCmdZoom100)->isChecked());
    action(kCmdZoomOut)->trigger();
    EXPECT_DOUBLE_EQ(doc->display.zoom, 2.0);
    EXPECT_TRUE(action(kCmdZoom200)->isChecked());
    EXPECT_FALSE(action(kCmdZoom300)->isChecked());

    // Triggering a checkable item leaves its mark to the rule, not to Qt.
    doc->display.unitsFeet = 1;
    frame->refreshCommandStates();
    action(kCmdUnitsFeet)->trigger();
    EXPECT_TRUE(action(kCmdUnitsFeet)->isChecked());
    EXPECT_EQ(doc->display.unitsFeet, 1);

    EXPECT_FALSE(action(kCmdMoveCircle)->isEnabled());
    action(kCmdDisplayCircle)->trigger();
    EXPECT_TRUE(action(kCmdDisplayCircle)->isChecked());
    EXPECT_TRUE(action(kCmdMoveCircle)->isEnabled());
}

TEST_F(MainFrameTest, MainToolbarItemHidesAndShowsTheToolbar) {
    ASSERT_TRUE(frame->mainToolBar()->isVisible());
    EXPECT_TRUE(action(kCmdMainToolbar)->isChecked());
    action(kCmdMainToolbar)->trigger();
    EXPECT_FALSE(frame->mainToolBar()->isVisible());
    EXPECT_FALSE(action(kCmdMainToolbar)->isChecked());
    action(kCmdMainToolbar)->trigger();
    EXPECT_TRUE(frame->mainToolBar()->isVisible());
    EXPECT_TRUE(action(kCmdMainToolbar)->isChecked());
}

TEST_F(MainFrameTest, PipeGeometryItemShowsAndHidesTheOverlay) {
    // Off at start; the item's check follows the view, and a shown overlay
    // measures the frames the view paints.
    EXPECT_FALSE(frame->view()->geometryOverlayShown());
    EXPECT_FALSE(action(kCmdPipeGeometry)->isChecked());
    action(kCmdPipeGeometry)->trigger();
    ASSERT_TRUE(frame->view()->geometryOverlayShown());
    EXPECT_TRUE(action(kCmdPipeGeometry)->isChecked());
    frame->view()->repaint();
    EXPECT_EQ(frame->view()->geometryOverlay()->last().quality, GeometryQuality::TooFewPoints);
    action(kCmdPipeGeometry)->trigger();
    EXPECT_FALSE(frame->view()->geometryOverlayShown());
    EXPECT_FALSE(action(kCmdPipeGeometry)->isChecked());
}

TEST_F(MainFrameTest, RangeAndGainButtonsStepWithinLimitsAndNotDuringPlayback) {
    doc->head.setRangeIndex(7);
    QToolBar* bar = frame->mainToolBar();
    auto click = [&](int id) {
        QTest::mouseClick(bar->widgetForAction(action(id)), Qt::LeftButton);
    };
    click(kCmdRangeUp);
    click(kCmdRangeUp);
    EXPECT_EQ(doc->head.rangeIndex, 8);
    EXPECT_EQ(doc->head.command[cmd::kRange], 60);
    click(kCmdRangeDown);
    EXPECT_EQ(doc->head.rangeIndex, 7);
    EXPECT_EQ(doc->head.command[cmd::kRange], 50);

    doc->head.setGain(20);
    click(kCmdGainUp);
    EXPECT_EQ(doc->head.gainDb, 20);
    click(kCmdGainDown);
    EXPECT_EQ(doc->head.gainDb, 19);
    EXPECT_EQ(doc->head.command[cmd::kGain], 19);

    doc->flags.playbackActive = true;
    click(kCmdRangeUp);
    click(kCmdGainDown);
    EXPECT_EQ(doc->head.rangeIndex, 7);
    EXPECT_EQ(doc->head.gainDb, 19);
}

TEST_F(MainFrameTest, CircleDiameterKeysWorkFromTheKeyboard) {
    doc->display.circleDiameter = 0.105;
    QTest::keyClick(frame.get(), Qt::Key_F6);
    EXPECT_DOUBLE_EQ(doc->display.circleDiameter, 0.105);  // the circle is hidden

    doc->display.displayCircle = 1;
    QTest::keyClick(frame.get(), Qt::Key_F6);
    EXPECT_DOUBLE_EQ(doc->display.circleDiameter, 0.1);
    QTest::keyClick(frame->view(), Qt::Key_F5);
    EXPECT_NEAR(doc->display.circleDiameter, 0.11, 1e-12);
}

TEST_F(MainFrameTest, ArrowKeysMoveThePointerOrTheCircle) {
    const QPoint start = frame->view()->mapToGlobal(QPoint(200, 200));
    QCursor::setPos(start);
    ASSERT_EQ(QCursor::pos(), start);
    QTest::keyClick(frame.get(), Qt::Key_Up);
    EXPECT_EQ(QCursor::pos(), start + QPoint(0, -1));
    QTest::keyClick(frame.get(), Qt::Key_Right);
    EXPECT_EQ(QCursor::pos(), start + QPoint(1, -1));
    EXPECT_EQ(doc->display.circleOffsetX, 0);
    EXPECT_EQ(doc->display.circleOffsetY, 0);

    action(kCmdDisplayCircle)->trigger();
    action(kCmdMoveCircle)->trigger();
    ASSERT_EQ(frame->view()->viewState().requests.circleMoveMode, 1);
    EXPECT_TRUE(frame->view()->blinkTimerActive());
    QTest::keyClick(frame.get(), Qt::Key_Up);
    QTest::keyClick(frame.get(), Qt::Key_Left);
    QTest::keyClick(frame.get(), Qt::Key_Left);
    EXPECT_EQ(doc->display.circleOffsetY, -1);
    EXPECT_EQ(doc->display.circleOffsetX, -2);
    EXPECT_EQ(QCursor::pos(), start + QPoint(1, -1));  // the pointer stays put
}

TEST_F(MainFrameTest, TitleIsShownAsGivenAndLongTitlesAreShortened) {
    frame->setFrameTitle(TitleOccasion::StartUp);
    EXPECT_EQ(shownTitle(), "Sondrel - Real Time ");

    frame->resize(900, 650);
    QApplication::processEvents();
    EXPECT_EQ(shownTitle(), "Sondrel -- Real Time ");

    // A file name with Qt's placeholder in it is shown as it is.
    frame->setFrameTitle("Sondrel - Playback File [/data/run[*]1.qzr] ");
    EXPECT_EQ(shownTitle(), "Sondrel - Playback File [/data/run[*]1.qzr] ");

    // Playing back a file whose path makes the title 300 characters long.
    const std::string name = "pipe_0042.qzr";
    const std::string prefix = "Sondrel - Playback File [";
    std::string folder = "/";
    while (prefix.size() + folder.size() + name.size() + 2 < 300) folder += "d";
    folder.back() = '/';
    doc->flags.playbackActive = true;
    doc->files.playbackPath = folder + name;
    const std::string full = prefix + doc->files.playbackPath + "] ";
    ASSERT_EQ(full.size(), 300u);
    frame->resize(950, 650);
    QApplication::processEvents();
    const std::string component = name + "] ";
    const std::string expected = full.substr(0, 251 - component.size()) + " ~~\\ " + component;
    EXPECT_EQ(shownTitle(), expected);

    doc->flags.recordingActive = true;
    frame->setFrameTitle(full);
    EXPECT_EQ(shownTitle(), full.substr(0, 251 - component.size()) + " ~~\\" + component);
}

TEST_F(MainFrameTest, KeyInWindowTakesARangeTypedAfterR) {
    auto* keyIn = new CKeyInDlg(*doc, frame.get());
    frame->setKeyInWindow(keyIn);
    doc->head.setRangeIndex(3);
    frame->view()->setFocus();
    QTest::keyClick(frame->view(), Qt::Key_R);
    ASSERT_TRUE(keyIn->isVisible());
    EXPECT_EQ(keyIn->promptLabel()->text().toStdString(), "Range (0.25, 0.5, 0.75, 1,..,6)");
    // Up at the frame's top right.
    const QRect f = frame->frameGeometry();
    EXPECT_EQ(keyIn->frameGeometry().right() + 1, f.x() + f.width() - 15);
    EXPECT_EQ(keyIn->frameGeometry().top(), f.y() + 31);

    // The arrow keys edit the field; they are not the frame's hot keys here.
    const QPoint pointer = QCursor::pos();
    QTest::keyClicks(keyIn->field(), QStringLiteral("25"));
    QTest::keyClick(keyIn->field(), Qt::Key_Left);
    QTest::keyClicks(keyIn->field(), QStringLiteral("."));
    EXPECT_EQ(keyIn->field()->text().toStdString(), "2.5");
    EXPECT_EQ(QCursor::pos(), pointer);
    QTest::keyClick(keyIn->field(), Qt::Key_Return);
    EXPECT_FALSE(keyIn->isVisible());
    EXPECT_EQ(doc->head.rangeIndex, 4);
    EXPECT_EQ(doc->head.command[cmd::kRange], 20);

    // Gain, and refused during playback.
    QTest::keyClick(frame->view(), Qt::Key_G);
    ASSERT_TRUE(keyIn->isVisible());
    EXPECT_EQ(keyIn->promptLabel()->text().toStdString(), "Key In Gain: (0-20dB)");
    QTest::keyClicks(keyIn->field(), QStringLiteral("25"));
    QTest::keyClick(keyIn->field(), Qt::Key_Return);
    EXPECT_EQ(doc->head.gainDb, 20);

    doc->flags.playbackActive = true;
    frame->executeCommand(kCmdKeyInRange);
    QTest::keyClick(frame->view(), Qt::Key_G);
    EXPECT_FALSE(keyIn->isVisible());
}

TEST_F(MainFrameTest, KeyInWindowRefusesTextThatIsNoNumber) {
    auto* keyIn = new CKeyInDlg(*doc, frame.get());
    frame->setKeyInWindow(keyIn);
    doc->head.setGain(8);
    const auto command = doc->head.command;
    frame->view()->setFocus();
    for (const auto& [key, message] :
         {std::pair{Qt::Key_R, kKeyInRangeRefused}, std::pair{Qt::Key_G, kKeyInGainRefused}}) {
        QTest::keyClick(frame->view(), key);
        ASSERT_TRUE(keyIn->isVisible());
        QTest::keyClicks(keyIn->field(), QStringLiteral("abc"));
        QTest::keyClick(keyIn->field(), Qt::Key_Return);
        // Said in the window, which waits for a correction; nothing reached the head.
        EXPECT_EQ(keyIn->promptLabel()->text().toStdString(), message);
        EXPECT_TRUE(keyIn->isVisible());
        EXPECT_EQ(keyIn->field()->selectedText(), QStringLiteral("abc"));
        EXPECT_EQ(doc->head.command, command);
    }
    QTest::keyClicks(keyIn->field(), QStringLiteral("12"));
    QTest::keyClick(keyIn->field(), Qt::Key_Return);
    EXPECT_FALSE(keyIn->isVisible());
    EXPECT_EQ(doc->head.gainDb, 12);
}

TEST_F(MainFrameTest, NotesGoToTheStatusBarWithoutABox) {
    QtOperatorPort op(frame.get());
    op.showMessage("Frame captured to /data/D 1 0 C0.qzr", MessageKind::Note);
    EXPECT_EQ(frame->statusBar()->currentMessage(),
              QStringLiteral("Frame captured to /data/D 1 0 C0.qzr"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainFrameTest, AboutBoxPausesTheOrientationTimerWhileNoDataArrive) {
    TimerHost& timers = frame->timerHost();
    doc->link.noNewData = 1;
    timers.setTimer(kOrientationTimer, 200);
    bool pausedWhileOpen = false;
    QTimer::singleShot(0, [&] {
        pausedWhileOpen = !timers.isTimerActive(kOrientationTimer);
        if (QWidget* box = QApplication::activeModalWidget()) {
            EXPECT_EQ(box->windowTitle().toStdString(), "Sondrel...");
            box->close();
        }
    });
    action(kCmdAbout)->trigger();
    EXPECT_TRUE(pausedWhileOpen);
    EXPECT_TRUE(timers.isTimerActive(kOrientationTimer));
    timers.killTimer(kOrientationTimer);
}

// While the program ends on a signal nobody may be there to close a message
// box: messages go to the standard error instead.
TEST_F(MainFrameTest, AnUnattendedOperatorWritesMessagesToStandardError) {
    QtOperatorPort port(frame.get());
    port.setUnattended();
    bool boxShown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            boxShown = true;
            box->close();
        }
    });
    watch.start(10);
    ::testing::internal::CaptureStderr();
    port.showMessage("Error Writing File!\n\n/data/a.qzr", MessageKind::Error);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "sondrel: Error Writing File!\n\n/data/a.qzr\n");
    EXPECT_FALSE(boxShown);
}

TEST_F(MainFrameTest, MouseMovesOverTheImageUpdateTheCursorPanes) {
    CSondrelView* view = frame->view();
    view->repaint();  // the paint places the image centre
    const QPoint centre(view->viewState().imageCentreX, view->viewState().imageCentreY);
    ASSERT_GT(centre.x(), 0);
    doc->head.setRangeIndex(3);  // 1 m over 500 image pixels, zoom 1
    auto pane = [&](int i) { return frame->statusPane(i)->text().toStdString(); };

    QTest::mouseMove(view, centre + QPoint(100, 0));
    EXPECT_EQ(pane(11), "0.200 m");
    EXPECT_EQ(pane(14), "0.000 m");
    EXPECT_EQ(pane(17), "0.200 m");
    EXPECT_EQ(pane(20), "90.0 deg.");

    doc->display.unitsFeet = 1;
    QTest::mouseMove(view, centre + QPoint(0, -100));
    EXPECT_EQ(pane(11), "0.000 ft");
    EXPECT_EQ(pane(14), "0.656 ft");
    EXPECT_EQ(pane(20), "0.0 deg.");

    // Side-scan has no bearing, however the mouse moves.
    doc->head.scanMode = kSideScan;
    QTest::mouseMove(view, centre + QPoint(-40, 30));
    EXPECT_EQ(pane(20), "n/a");
}

// A head far faster than the screen: the panes and the commands' states follow
// the pings at most once a display frame, and show the last ping once its
// frame has passed.
TEST_F(MainFrameTest, PingsFasterThanTheScreenRefreshThePanesAndStatesOncePerFrame) {
    QTest::qWait(40);  // past any refresh of the start
    const long before = frame->statusUpdateCount();
    doc->ping.dateText = "08-DEC-2026";
    frame->pingProcessed(true);
    EXPECT_FALSE(action(kCmdMoveCircle)->isEnabled());
    doc->display.displayCircle = 1;
    for (int i = 0; i < 500; ++i) {
        doc->ping.timeText = "14:05:" + std::to_string(i % 60);
        frame->pingProcessed(true);
    }
    EXPECT_FALSE(action(kCmdMoveCircle)->isEnabled());  // held to the frame's end
    QTest::qWait(40);
    EXPECT_LE(frame->statusUpdateCount() - before, 3);
    EXPECT_TRUE(action(kCmdMoveCircle)->isEnabled());
    EXPECT_EQ(frame->statusPane(22)->text().toStdString(), dateTimePaneText(*doc));
}

TEST_F(MainFrameTest, AViewSqueezedToNothingKeepsItsPicture) {
    CSondrelView* view = frame->view();
    QApplication::processEvents();
    const QSize before = view->backBuffer().size();
    ASSERT_FALSE(before.isEmpty());
    view->resize(0, 300);
    EXPECT_EQ(view->backBuffer().size(), before);
    view->resize(320, 240);
    EXPECT_EQ(view->backBuffer().size(), QSize(320, 240));
}

}  // namespace
}  // namespace sondrel

// The program as it starts: the application brings up the frame against the
// simulated head on loopback, every ping reaches the status bar and the view,
// and closing saves the operator's settings without the simulator in them.

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

#include "acquisition/AcquisitionCycle.h"
#include "acquisition/SondrelDoc.h"
#include "app/qt/CKeyInDlg.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/CSondrelApp.h"
#include "app/qt/CSondrelView.h"
#include "app/qt/SimulatedHeadProcess.h"
#include "display/StatusTexts.h"
#include "recording/SettingsFile.h"
#include "support/RingCheck.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

constexpr const char* kOperatorsSettings =
    "[System Settings]\r\n"
    "Sonar Type=0\r\n"
    "IP Address=192.168.0.77\r\n"
    "SonarComPort=1\r\n";

StartOptions simulatedRun(const std::string& settingsPath) {
    StartOptions options;
    options.settingsPath = settingsPath;
    options.simulate = true;
    options.simulatorProgram = QStringLiteral(SONDREL_BIN_DIR "/sondrel-headsim");
    return options;
}

TEST(LiveProgramTest, StartsOnTheSimulatedHeadAndShowsItsPings) {
    test::TempFolder folder;
    const std::string settings = folder.write("Sondrel.INI", kOperatorsSettings);
    auto app = std::make_unique<CSondrelApp>(simulatedRun(settings));
    ASSERT_TRUE(app->initInstance());

    CMainFrame* frame = app->mainFrame();
    CSondrelDoc* doc = app->document();
    ASSERT_NE(frame, nullptr);
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(app->simulator() && app->simulator()->running());

    // Start-up ends maximised, titled, with acquisition under way on loopback.
    EXPECT_TRUE(frame->isMaximized());
    EXPECT_EQ(frame->frameTitle(), "Sondrel - Real Time ");
    EXPECT_EQ(doc->head.sonarType, kTypeQ);
    EXPECT_EQ(doc->link.ipAddress, "127.0.0.1");
    EXPECT_EQ(doc->link.ipPort, app->simulator()->port());
    EXPECT_NE(doc->link.linkState, LinkState::NotConnected);
    EXPECT_TRUE(frame->keyInWindow() != nullptr && !frame->keyInWindow()->isVisible());

    QLabel* timePane = frame->statusPane(22);
    QLabel* pitchPane = frame->statusPane(2);
    EXPECT_TRUE(timePane->text().isEmpty());
    const long paintsBefore = frame->view()->paintCount();

    ASSERT_TRUE(QTest::qWaitFor([&] { return doc->pings.pingCount >= 3; }, 15000))
        << "pings: " << doc->pings.pingCount << ", link state "
        << static_cast<int>(doc->link.linkState);
    EXPECT_EQ(doc->link.linkState, LinkState::Connected);
    EXPECT_FALSE(frame->commandAction(32804)->isEnabled());  // connected: Connect greyed
    // The simulated crawler is this run's orientation instrument: its first
    // sentence may trail the first pings on a busy machine.
    ASSERT_TRUE(QTest::qWaitFor([&] { return doc->orientation.pitchValid != 0; }, 15000));

    // Hold stops the pings; the view and the panes, painted at most once a
    // display frame, then show the last of them.
    frame->executeCommand(32813);
    EXPECT_TRUE(doc->flags.holdActive);
    QTest::qWait(300);
    EXPECT_EQ(timePane->text().toStdString(), dateTimePaneText(*doc));
    EXPECT_NE(timePane->text().indexOf(QStringLiteral(":")), -1);
    EXPECT_TRUE(pitchPane->text().endsWith(QStringLiteral(" deg.")))
        << pitchPane->text().toStdString();
    EXPECT_GT(frame->view()->paintCount(), paintsBefore);

    // The last frame shows the model pipe as a ring of points.
    const QImage& picture = frame->view()->backBuffer();
    const test::RingReport ring = test::findRing(picture, picture.rect());
    EXPECT_TRUE(ring.found) << ring.why;

    // Releasing Hold brings the pings back.
    const int held = doc->pings.pingCount;
    QTest::qWait(300);
    EXPECT_LE(doc->pings.pingCount, held + 1);
    frame->executeCommand(32813);
    EXPECT_TRUE(QTest::qWaitFor([&] { return doc->pings.pingCount >= held + 3; }, 15000));

    // Closing saves the settings, the operator's head still in them.
    doc->display.zoom = 1.25;
    frame->close();
    EXPECT_FALSE(app->simulator()->running());
    EXPECT_EQ(doc->link.linkState, LinkState::NotConnected);
    auto reread = std::make_unique<CSondrelDoc>();
    loadSettings(*reread, settings);
    EXPECT_DOUBLE_EQ(reread->display.zoom, 1.25);
    EXPECT_EQ(reread->head.sonarType, kTypeP);
    EXPECT_EQ(reread->link.ipAddress, "192.168.0.77");
    app.reset();
}

TEST(LiveProgramTest, AMissingSimulatorStopsTheRunBeforeAnyWindow) {
    test::TempFolder folder;
    StartOptions options = simulatedRun(folder.write("Sondrel.INI", kOperatorsSettings));
    options.simulatorProgram = QString::fromStdString(folder.file("no-such-program"));
    CSondrelApp app(options);
    EXPECT_FALSE(app.initInstance());
    EXPECT_EQ(app.mainFrame(), nullptr);
    EXPECT_EQ(app.document(), nullptr);
}

// A settings file that cannot be written as the program closes is named, with
// the system's reason, before the window goes.
TEST(LiveProgramTest, ASettingsFileThatCannotBeWrittenAtExitIsReported) {
    test::TempFolder folder;
    const std::string settings = folder.write("plain", "") + "/Sondrel.INI";
    auto app = std::make_unique<CSondrelApp>(simulatedRun(settings));
    ASSERT_TRUE(app->initInstance());
    QString shown;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->close();
        }
    });
    watch.start(20);
    EXPECT_TRUE(app->mainFrame()->close());
    EXPECT_EQ(shown.toStdString(), "The settings file could not be written:\n" + settings +
                                       "\nNot a directory\n\nThe settings of this session are "
                                       "not kept.");
    app.reset();
}

}  // namespace
}  // namespace sondrel

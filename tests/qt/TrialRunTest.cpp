// The whole program as an operator tries it against the simulated head on
// loopback: Capture Frame from each of its three places, and a head that falls
// silent through the simulator's fault switch while the program runs.

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/CSondrelApp.h"
#include "app/qt/CSondrelView.h"
#include "display/StatusTexts.h"
#include "display/ViewPainter.h"
#include "recording/BinaryFile.h"
#include "recording/RecordFormat.h"
#include "support/LiveProgram.h"

namespace sondrel {
namespace {

constexpr int kCmdCaptureFrame = 32925;
constexpr int kCmdRecord = 32806;

class TrialRun : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(live.start()) << live.why();
        frame = live.frame;
        doc = live.doc;
        // Every message box the program opens is noted and closed.
        connect(&boxWatch);
    }
    void TearDown() override {
        boxWatch.stop();
        live.stop();
    }
    void connect(QTimer* timer) {
        QObject::connect(timer, &QTimer::timeout, [this] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                boxes.push_back(box->windowTitle().toStdString());
                box->close();
            }
        });
        timer->start(50);
    }
    std::string shownConnectionText() const { return connectionText(*doc, 0, 800).text; }

    test::LiveProgram live{{"--wander", "0", "--noise", "0", "--quiet"}};
    test::HeadSimProcess& sim = live.sim;
    test::TempFolder& folder = live.folder;
    CMainFrame* frame = nullptr;
    CSondrelDoc* doc = nullptr;
    QTimer boxWatch;
    std::vector<std::string> boxes;
};

TEST_F(TrialRun, CaptureFrameWritesTheShownPingFromToolbarMenuAndKey) {
    QAction* capture = frame->commandAction(kCmdCaptureFrame);
    ASSERT_NE(capture, nullptr);
    QWidget* button = frame->mainToolBar()->widgetForAction(capture);
    ASSERT_NE(button, nullptr);
    const std::vector<std::function<void()>> ways = {
        [&] { QTest::mouseClick(button, Qt::LeftButton); },
        [&] { capture->trigger(); },
        [&] { QTest::keyClick(frame->view(), Qt::Key_S); },
    };
    for (std::size_t i = 0; i < ways.size(); ++i) {
        ways[i]();
        const std::string name = folder.file("D 0 0 C" + std::to_string(i) + ".qzr");
        ASSERT_TRUE(std::filesystem::exists(name)) << "way " << i;
        BinaryFile file;
        ASSERT_TRUE(file.openRead(name));
        auto check = std::make_unique<CSondrelDoc>();
        EXPECT_EQ(readRecord(*check, file, 0).status, ReadStatus::Valid) << "way " << i;
        EXPECT_EQ(file.size(), static_cast<std::int64_t>(kRecordSize));
        QTest::qWait(50);  // the next pings arrive between two presses
    }
    EXPECT_EQ(doc->files.captureCounter, 3);
    EXPECT_FALSE(doc->flags.holdActive);
    EXPECT_TRUE(boxes.empty());
    // The pings go on after the captures.
    const int pings = doc->pings.pingCount;
    EXPECT_TRUE(QTest::qWaitFor([&] { return doc->pings.pingCount >= pings + 3; }, 10000));
}

TEST_F(TrialRun, SilentHeadIsPolledAgainUntilItAnswers) {
    ASSERT_TRUE(sim.control("silent-from 1"));
    QTest::qWait(300);  // the first unanswered command has gone out and is logged
    const std::size_t commandsAtSilence = sim.commands().size();
    const int pingsAtSilence = doc->pings.pingCount;

    // A watchdog period later the view says so and the command goes out again
    // on the same connection; another later the head is reconnected.
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.commands().size() > commandsAtSilence; }, 8000));
    EXPECT_EQ(shownConnectionText(), "No Data at IP: 127.0.0.1");
    EXPECT_EQ(sim.counters()->connections, 1u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.counters()->connections == 2; }, 8000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return doc->link.linkState == LinkState::Connected; }, 2000));
    EXPECT_EQ(shownConnectionText(), "No Data at IP: 127.0.0.1");
    EXPECT_EQ(doc->pings.pingCount, pingsAtSilence);

    // The head recovers: the pings come back without the operator.
    ASSERT_TRUE(sim.control("faults-off"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return doc->pings.pingCount >= pingsAtSilence + 5; }, 12000));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TrialRun, ADroppedLinkPausesTheRecordingWhichGoesOnInTheSameFile) {
    doc->files.autoFileNames = 1;
    ASSERT_TRUE(frame->executeCommand(kCmdRecord));
    ASSERT_TRUE(doc->flags.recordingActive);
    const std::string title = frame->frameTitle();
    ASSERT_EQ(title.rfind("Sondrel - Record to File [", 0), 0u) << title;
    ASSERT_TRUE(QTest::qWaitFor([&] { return doc->files.recordFileBytes >= 5 * 1024; }, 10000));

    // The head drops the connection at every reply from now on.
    ASSERT_TRUE(sim.control("close-after 1"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return doc->recordingPaused(); }, 8000));
    QTest::qWait(300);  // the view and the status bar have been painted since
    EXPECT_TRUE(doc->flags.recordingActive);
    EXPECT_EQ(frame->frameTitle(), title);
    EXPECT_EQ(activityLine(*doc, 800).text, kRecordingPausedText);
    EXPECT_EQ(frame->statusPane(0)->text().toStdString(), kRecordingPausedText);

    // The head is back: the same file grows again, and the pause is over.
    ASSERT_TRUE(sim.control("faults-off"));
    const std::int64_t bytesAtReturn = doc->files.recordFileBytes;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return doc->files.recordFileBytes >= bytesAtReturn + 3 * 1024; }, 15000));
    EXPECT_FALSE(doc->recordingPaused());
    EXPECT_EQ(frame->frameTitle(), title);
    ASSERT_TRUE(frame->executeCommand(kCmdRecord));
    EXPECT_FALSE(doc->flags.recordingActive);
    const auto files = std::distance(std::filesystem::directory_iterator(folder.path()),
                                     std::filesystem::directory_iterator());
    EXPECT_EQ(files, 2) << "the settings file and one recording";
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TrialRun, RecordWithNoHeadAnsweringSaysSoAndMakesNoFile) {
    ASSERT_TRUE(sim.control("silent-from 1"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !doc->link.headAnswering; }, 8000));
    doc->files.autoFileNames = 1;
    frame->executeCommand(kCmdRecord);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.empty(); }, 2000));
    EXPECT_FALSE(doc->flags.recordingActive);
    const auto files = std::distance(std::filesystem::directory_iterator(folder.path()),
                                     std::filesystem::directory_iterator());
    EXPECT_EQ(files, 1) << "the settings file alone";
}

}  // namespace
}  // namespace sondrel

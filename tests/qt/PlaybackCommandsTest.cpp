// Recording, playback and the XYZ conversion through the main window's
// commands and its playback bar, on the offscreen platform, with scripted
// dialogs.

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "acquisition/AcquisitionCycle.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/CSondrelView.h"
#include "app/qt/FileCommands.h"
#include "app/qt/JobProgressDialog.h"
#include "app/qt/PlaybackBarWidget.h"
#include "app/qt/QtFileWindows.h"
#include "display/StatusTexts.h"
#include "recording/PlaybackBar.h"
#include "recording/Player.h"
#include "recording/Recorder.h"
#include "recording/SettingsFile.h"
#include "recording/XyzConversion.h"
#include "support/FileSizeLimit.h"
#include "support/PlaybackRig.h"
#include "support/ProgramRig.h"

namespace sondrel::testing {
namespace {

// The whole program binds every port the descriptors name and leaves the
// commands not built yet without: a port left unbound, or a command the table
// says is not built that runs all the same, shows here.
TEST(PlaybackCommands, EveryCommandIsBoundAsItsDescriptorSays) {
    ProgramUnderTest p;
    for (const CommandDescriptor& c : commandDescriptors())
        EXPECT_EQ(p.frame->commandBuilt(c.id), c.action.port != CommandPort::NotBuilt) << c.id;
    p.fileActions.reset();
    for (const CommandDescriptor& c : commandDescriptors())
        if (c.action.port == CommandPort::Files) {
            EXPECT_FALSE(p.frame->commandBuilt(c.id)) << c.id;
        }
}

TEST(PlaybackCommands, OpenStepSeekAndChangeSpeedFromTheBar) {
    ProgramUnderTest p;
    EXPECT_FALSE(p.enabled(kCmdPlayOneFrame));
    EXPECT_FALSE(p.bar().isVisible());
    const std::string path = makeDataFile(p.folder.file("survey.qzr"), 999, {}, false, 120);

    p.op.openAnswers.push_back(path);
    ASSERT_TRUE(p.run(kCmdOpenPlayback));
    ASSERT_EQ(p.doc.flags.playbackActive, 1);
    EXPECT_TRUE(p.bar().isVisible());
    EXPECT_EQ(p.frame->frameTitle(), "Sondrel - Playback File [" + path + "] ");
    EXPECT_EQ(p.bar().speedSpin()->value(), 0);
    EXPECT_EQ(p.bar().speedIndicator()->value(), 0);
    EXPECT_EQ(p.bar().trackbar()->maximum(), 100);
    EXPECT_EQ(p.bar().trackbar()->tickInterval(), 10);
    EXPECT_TRUE(p.enabled(kCmdPlayOneFrame));
    EXPECT_FALSE(p.checked(kCmdPlayOneFrame));

    // The first record comes on the poll timer.
    ASSERT_TRUE(runUntil([&] { return p.doc.pings.pingCount == 1; }));
    EXPECT_EQ(shownRecord(p.doc), 0);
    // A recorded ping period is known now.
    EXPECT_TRUE(p.enabled(kCmdRealTimePlaySpeed));

    p.bar().trackbar()->setFocus();
    QTest::mouseClick(p.bar().stepForwardButton(), Qt::LeftButton);
    EXPECT_EQ(shownRecord(p.doc), 1);
    EXPECT_TRUE(p.checked(kCmdPlayOneFrame));
    EXPECT_FALSE(p.frame->timerHost().isTimerActive(kPollTimer));
    // The keys go back to the frame, where the hot keys are.
    EXPECT_EQ(p.frame->focusWidget(), p.frame->view());
    QTest::mouseClick(p.bar().stepForwardButton(), Qt::LeftButton);
    QTest::mouseClick(p.bar().stepBackButton(), Qt::LeftButton);
    EXPECT_EQ(shownRecord(p.doc), 1);

    // Let go of the thumb at 37: playback continues at the next record start.
    QSlider* trackbar = p.bar().trackbar();
    trackbar->setSliderDown(true);
    EXPECT_TRUE(p.player->trackbarBusy());
    trackbar->setSliderPosition(37);
    trackbar->setSliderDown(false);
    EXPECT_FALSE(p.player->trackbarBusy());
    QTest::mouseClick(p.bar().stepForwardButton(), Qt::LeftButton);
    EXPECT_EQ(shownRecord(p.doc), 370);
    EXPECT_EQ(trackbar->value(), 37);
    // A click at the far right starts again from the first record.
    trackbar->triggerAction(QAbstractSlider::SliderToMaximum);
    QTest::mouseClick(p.bar().stepForwardButton(), Qt::LeftButton);
    EXPECT_EQ(shownRecord(p.doc), 0);

    // One click up on the speed: 50 ms faster, continuous play again.
    p.bar().speedSpin()->stepUp();
    EXPECT_EQ(p.doc.files.playbackIntervalMs, 950);
    EXPECT_EQ(p.bar().speedSpin()->value(), 50);
    EXPECT_EQ(p.bar().speedIndicator()->value(), 50);
    EXPECT_EQ(p.doc.files.oneFrameMode, 0);
    EXPECT_TRUE(p.frame->timerHost().isTimerActive(kPollTimer));
    p.bar().speedSpin()->stepDown();
    p.bar().speedSpin()->stepDown();
    EXPECT_EQ(p.doc.files.playbackIntervalMs, 1000);

    // Play One Frame from the menu stops and resumes.
    ASSERT_TRUE(p.run(kCmdPlayOneFrame));
    EXPECT_FALSE(p.frame->timerHost().isTimerActive(kPollTimer));
    ASSERT_TRUE(p.run(kCmdPlayOneFrame));
    EXPECT_TRUE(p.frame->timerHost().isTimerActive(kPollTimer));

    // Connecting returns to real time and puts the bar away.
    ASSERT_TRUE(p.run(kCmdConnect));
    EXPECT_EQ(p.doc.flags.playbackActive, 0);
    EXPECT_FALSE(p.bar().isVisible());
    EXPECT_FALSE(p.enabled(kCmdPlayOneFrame));
    EXPECT_TRUE(p.op.messages.empty());
}

TEST(PlaybackCommands, CopyWhilePlayingWritesEveryShownRecord) {
    ProgramUnderTest p;
    const std::string path = makeDataFile(p.folder.file("src.qzr"), 6, {3}, true);
    ASSERT_TRUE(p.frame->openDataFile(QString::fromStdString(path)));
    QTest::mouseClick(p.bar().stepForwardButton(), Qt::LeftButton);
    ASSERT_TRUE(p.run(kCmdRecord));
    EXPECT_TRUE(p.checked(kCmdRecord));
    EXPECT_EQ(p.frame->frameTitle().rfind("Sondrel - Copy to File [", 0), 0u);
    for (int i = 0; i < 8; ++i) QTest::mouseClick(p.bar().stepForwardButton(), Qt::LeftButton);
    ASSERT_TRUE(p.run(kCmdRecord));
    EXPECT_FALSE(p.checked(kCmdRecord));
    EXPECT_EQ(p.frame->frameTitle(), "Sondrel - Playback File [" + path + "] ");
    // Shown after the copy began: 1 2 (3) 4 5 0 1 2; the invalid one is not copied.
    const std::string copy = test::readBytes(p.doc.files.recordPath);
    EXPECT_EQ(copy.size(), 7u * 1152u);
    EXPECT_TRUE(p.op.messages.empty());
}

// At 0 ms every record is read but the view and the status panes follow at the
// screen's pace; at 50 ms and more every record is painted. Either way the
// last picture and the panes show the last record read.
TEST(PlaybackCommands, FastPlaybackPaintsPerFrameAndSlowPlaybackPerRecord) {
    struct Case {
        int intervalMs;
        int records;
        bool everyRecordPainted;
    };
    for (const Case c : {Case{0, 400, false}, Case{50, 6, true}}) {
        SCOPED_TRACE(c.intervalMs);
        ProgramUnderTest p;
        const std::string path = makeDataFile(p.folder.file("survey.qzr"), 500, {}, true);
        ASSERT_TRUE(p.frame->openDataFile(QString::fromStdString(path)));
        ASSERT_TRUE(runUntil([&] { return p.doc.pings.pingCount == 1; }));
        p.doc.files.playbackIntervalMs = c.intervalMs;
        QTest::qWait(30);  // the first record's paint is through
        const long paintsBefore = p.frame->view()->paintCount();
        const int first = p.doc.pings.pingCount;
        QElapsedTimer elapsed;
        elapsed.start();
        ASSERT_TRUE(runUntil([&] { return p.doc.pings.pingCount >= first + c.records; }));
        p.frame->timerHost().killTimer(kPollTimer);
        const qint64 frames = elapsed.elapsed() / 16 + 1;
        QTest::qWait(40);  // past the end of the frame held back
        const long paints = p.frame->view()->paintCount() - paintsBefore;
        const int records = p.doc.pings.pingCount - first;
        if (c.everyRecordPainted) {
            EXPECT_GE(paints, records);
        } else {
            // At most a paint a display frame, however fast the records come
            // (a build under the sanitizers reads them at the pace of frames).
            EXPECT_GE(paints, 1);
            EXPECT_LE(paints, frames + 3) << records << " records";
            if (records > 4 * frames) {
                EXPECT_LT(paints * 4, records);
            }
        }
        EXPECT_EQ(p.frame->statusPane(22)->text().toStdString(), dateTimePaneText(p.doc));
        EXPECT_EQ(p.frame->statusPane(8)->text().toStdString(),
                  statusPaneTexts(p.doc, p.frame->view()->viewState().cursor).distance);
    }
}

TEST(PlaybackCommands, ARefusedFileSaysSoAndADroppedFileOpens) {
    ProgramUnderTest p;
    const std::string wrong = p.folder.write("notes.txt", std::string(2048, 'Q'));
    EXPECT_FALSE(p.frame->openDataFile(QString::fromStdString(wrong)));
    ASSERT_EQ(p.op.messages.size(), 1u);
    EXPECT_EQ(p.op.messages[0], "ERROR: Application can not recognize this file type!");
    EXPECT_EQ(p.doc.flags.playbackActive, 0);
    const std::string good = makeDataFile(p.folder.file("good.qzr"), 2);
    EXPECT_TRUE(p.frame->openDataFile(QString::fromStdString(good)));
    EXPECT_EQ(p.doc.flags.playbackActive, 1);
}

TEST(PlaybackCommands, ConversionFromTheMenuMatchesTheCommandLineConverter) {
    ProgramUnderTest p;
    p.doc.display.rollCorrection = 1;
    const std::string input = makeDataFile(p.folder.file("pipe run.qzr"), 40, {5, 17}, true);
    p.doc.files.playbackIntervalMs = 0;
    p.op.openAnswers.push_back(input);
    ASSERT_TRUE(p.run(kCmdConvertXyz));
    EXPECT_FALSE(p.enabled(kCmdConvertXyz));
    ASSERT_TRUE(runUntil([&] { return !p.op.messages.empty(); }));
    EXPECT_EQ(p.op.messages, (std::vector<std::string>{"Conversion Complete!"}));
    EXPECT_TRUE(p.enabled(kCmdConvertXyz));
    // Playback was never held up, and goes on.
    EXPECT_FALSE(p.checked(kCmdPlayOneFrame));
    const std::string fromMenu = test::readBytes(p.folder.file("pipe run.xyz"));
    ASSERT_FALSE(fromMenu.empty());

    // The same file through sondrel-convert with the same display settings.
    const std::string settingsFile = p.folder.file("Sondrel.INI");
    ASSERT_TRUE(saveSettings(p.doc, settingsFile));
    const std::string output = p.folder.file("headless.xyz");
    QProcess convert;
    convert.start(QStringLiteral(SONDREL_BIN_DIR "/sondrel-convert"),
                  {QStringLiteral("--quiet"), QStringLiteral("--settings"),
                   QString::fromStdString(settingsFile), QStringLiteral("-o"),
                   QString::fromStdString(output), QString::fromStdString(input)});
    ASSERT_TRUE(convert.waitForFinished(60000));
    EXPECT_EQ(convert.exitCode(), 0) << convert.readAllStandardError().toStdString();
    EXPECT_EQ(fromMenu, test::readBytes(output));
}

// Playback goes on at its own interval, a second a record here, while the
// whole file is converted: the conversion is not paced by it.
TEST(PlaybackCommands, TheConversionDoesNotWaitForThePlaybackInterval) {
    ProgramUnderTest p;
    ASSERT_EQ(p.doc.files.playbackIntervalMs, 1000);
    const std::string input = makeDataFile(p.folder.file("slow.qzr"), 60, {}, true);
    p.op.openAnswers.push_back(input);
    ASSERT_TRUE(p.run(kCmdConvertXyz));
    ASSERT_TRUE(runUntil([&] { return !p.op.messages.empty(); }, 15000));
    EXPECT_EQ(p.op.messages, (std::vector<std::string>{"Conversion Complete!"}));
    EXPECT_EQ(xyzBlocks(test::readBytes(p.folder.file("slow.xyz"))), 60);
    EXPECT_LT(p.doc.pings.pingCount, 10);
    EXPECT_EQ(p.doc.flags.playbackActive, 1);
    EXPECT_TRUE(p.frame->timerHost().isTimerActive(kPollTimer));
    EXPECT_TRUE(p.enabled(kCmdConvertXyz));
}

// Every way the XYZ file can fail to be written names the file and the
// system's reason, and leaves no part of a file behind.
TEST(PlaybackCommands, AConversionThatCannotWriteSaysWhyAndLeavesNoPartOfAFile) {
    struct Case {
        const char* what;
        const char* reason;
    };
    for (const Case c :
         {Case{"full disk", "File too large"}, Case{"full device", "No space left on device"}}) {
        SCOPED_TRACE(c.what);
        ProgramUnderTest p;
        p.doc.files.playbackIntervalMs = 100;
        const std::string folder = p.folder.file("survey");
        std::filesystem::create_directory(folder);
        const std::string input = makeDataFile(folder + "/run.qzr", 200, {}, true);
        const std::string output = folder + "/run.xyz";
        const std::string what = c.what;
        if (what == "full device") std::filesystem::create_symlink("/dev/full", output);
        p.op.openAnswers.push_back(input);
        std::optional<FileSizeLimit> limit;
        if (what == "full disk") limit.emplace(300 * 1024);
        p.run(kCmdConvertXyz);
        ASSERT_TRUE(runUntil([&] { return !p.op.messages.empty(); }, 15000));
        limit.reset();
        ASSERT_FALSE(p.op.messages.empty());
        EXPECT_NE(p.op.messages[0].find(output), std::string::npos) << p.op.messages[0];
        EXPECT_NE(p.op.messages[0].find(c.reason), std::string::npos) << p.op.messages[0];
        if (what == "full device") {
            EXPECT_TRUE(std::filesystem::is_symlink(output)) << "the link is no partial file";
        } else {
            EXPECT_FALSE(std::filesystem::exists(output));
        }
        // Playback goes on, and the next conversion may start.
        EXPECT_EQ(p.doc.flags.playbackActive, 1);
        EXPECT_TRUE(p.enabled(kCmdConvertXyz));
    }
}

// The conversion's own window: it shows how far the conversion has come, and
// its Cancel stops it and leaves no part of a file, while playback goes on.
TEST(PlaybackCommands, TheConversionWindowShowsProgressAndCancelRemovesThePartWritten) {
    ProgramUnderTest p;
    p.doc.files.playbackIntervalMs = 100;
    const std::string input = makeDataFile(p.folder.file("long.qzr"), 5000, {}, true);
    p.op.openAnswers.push_back(input);
    ASSERT_TRUE(p.run(kCmdConvertXyz));
    JobProgressDialog* window = &p.files->conversionWindow();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Convert .QZR file to .xyz"));
    EXPECT_TRUE(window->running());
    EXPECT_FALSE(p.enabled(kCmdConvertXyz));
    // The main window stays in the operator's hands.
    EXPECT_TRUE(p.enabled(kCmdPlayOneFrame));

    QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
    ASSERT_TRUE(runUntil([&] { return !window->running(); }));
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(std::filesystem::exists(p.folder.file("long.xyz")));
    EXPECT_TRUE(p.op.messages.empty());
    EXPECT_TRUE(p.enabled(kCmdConvertXyz));
    EXPECT_EQ(p.doc.flags.playbackActive, 1);

    // Run to its end, the window counts the records and fills its bar.
    p.op.openAnswers.push_back(input);
    ASSERT_TRUE(p.run(kCmdConvertXyz));
    ASSERT_TRUE(runUntil([&] { return !p.op.messages.empty(); }, 60000));
    EXPECT_EQ(p.op.messages, (std::vector<std::string>{"Conversion Complete!"}));
    EXPECT_EQ(window->progressBar()->value(), window->progressBar()->maximum());
    const QLabel* records = nullptr;
    for (const QLabel* label : window->findChildren<QLabel*>())
        if (label->text().startsWith(QStringLiteral("Records converted: "))) records = label;
    ASSERT_NE(records, nullptr);
    EXPECT_EQ(records->text(), QStringLiteral("Records converted: 5,000"));
    EXPECT_EQ(xyzBlocks(test::readBytes(p.folder.file("long.xyz"))), 5000);
}

// Answers the question the window asks before it closes with the button of
// that text, and keeps what was asked.
class CloseAnswer {
  public:
    explicit CloseAnswer(const char* button) {
        QObject::connect(&watch_, &QTimer::timeout, [this, text = QString::fromLatin1(button)] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            asked = box->text();
            for (QAbstractButton* b : box->buttons())
                if (b->text() == text) b->click();
        });
        watch_.start(10);
    }
    QString asked;

  private:
    QTimer watch_;
};

// Exit (or the close box) while a recording or a conversion runs asks first;
// Keep Running changes nothing, Exit ends a conversion with its part removed.
TEST(PlaybackCommands, ClosingAsksWhileARecordingOrAConversionRuns) {
    struct Case {
        const char* what;
        bool copy, convert;
    };
    for (const Case c : {Case{"nothing under way", false, false}, Case{"copy", true, false},
                         Case{"conversion", false, true}}) {
        SCOPED_TRACE(c.what);
        ProgramUnderTest p;
        p.doc.files.autoFileNames = 1;
        const std::string input = makeDataFile(p.folder.file("big.qzr"), 5000, {}, true);
        ASSERT_TRUE(p.frame->openDataFile(QString::fromStdString(input)));
        if (c.copy) {
            ASSERT_TRUE(p.run(kCmdRecord));
        }
        if (c.convert) {
            p.op.openAnswers.push_back(input);
            ASSERT_TRUE(p.run(kCmdConvertXyz));
        }
        const std::string xyz = p.folder.file("big.xyz");
        const std::string underWay = c.copy ? p.doc.files.recordPath : c.convert ? xyz : "";
        if (!underWay.empty()) {
            CloseAnswer keep("Keep Running");
            EXPECT_FALSE(p.frame->close());
            EXPECT_TRUE(keep.asked.contains(QString::fromStdString(underWay)))
                << keep.asked.toStdString();
            EXPECT_TRUE(p.frame->isVisible());
            EXPECT_EQ(p.recorder->isRecording(), c.copy);
            EXPECT_EQ(p.conversion->running(), c.convert);
        }
        CloseAnswer exit("Exit");
        EXPECT_TRUE(p.frame->close());
        EXPECT_EQ(exit.asked.isEmpty(), underWay.empty());
        EXPECT_FALSE(p.frame->isVisible());
        if (c.convert) {
            EXPECT_FALSE(p.conversion->running());
            EXPECT_FALSE(std::filesystem::exists(xyz));
            EXPECT_TRUE(p.op.messages.empty());
        }
    }
}

}  // namespace
}  // namespace sondrel::testing

// The wall map's dock and the 3D window in the whole program: shown from the
// View menu, filled as a file plays (and read whole when it is opened while
// one of them shows), a click on the map plays the record there, the wheel,
// the keys and a drag move the stretch shown; the 3D window opens and closes,
// or says why it cannot draw.

#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "acquisition/SondrelDoc.h"
#include "app/CommandIds.h"
#include "app/qt/FileCommands.h"
#include "app/qt/JobProgressDialog.h"
#include "common/JobProgress.h"
#include "pipeview/PipeViewFeed.h"
#include "pipeview/qt/Pipe3DWindow.h"
#include "pipeview/qt/WallMapDock.h"
#include "pipeview/qt/WallMapWidget.h"
#include "support/PlaybackRig.h"
#include "support/ProgramRig.h"
#include "survey/Survey.h"
#include "survey/SurveyHeader.h"

namespace sondrel::testing {
namespace {

constexpr int kRecords = 12;

// Record n (from 0) lies at 1.5 + n / 4 metres.
double chainageOfRecord(int n) {
    return 1.5 + n * 0.25;
}

struct PlayedFile {
    ProgramUnderTest p;
    PipeViewFeed& feed = p.frame->pipeViews();
    WallMapDock& dock = *p.frame->wallMapDock();
    WallMapWidget& map = *dock.mapWidget();
    std::string path;

    explicit PlayedFile(bool mapShown = false) {
        path = makeDataFile(p.folder.file("run.qzr"), kRecords, {4}, /*orientation=*/true);
        if (mapShown) {
            EXPECT_TRUE(p.run(kCmdPipeWallMap));
        }
        p.op.openAnswers.push_back(path);
        EXPECT_TRUE(p.run(kCmdOpenPlayback));
    }
    void playAll() {
        for (int i = 0; i < kRecords; ++i) p.player->stepForward();
    }
    void paint() {
        p.frame->refreshPipeViews();
        map.grab();
    }
};

TEST(PipeViews, TheViewMenuShowsAndHidesBoth) {
    ProgramUnderTest p;
    struct Case {
        int command;
        std::function<QWidget*()> window;
    };
    const Case cases[] = {
        {kCmdPipeWallMap, [&] { return static_cast<QWidget*>(p.frame->wallMapDock()); }},
        {kCmdPipe3DView, [&] { return static_cast<QWidget*>(p.frame->pipe3DDock()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_FALSE(p.checked(c.command));
        ASSERT_TRUE(p.run(c.command));
        ASSERT_NE(c.window(), nullptr);
        EXPECT_TRUE(c.window()->isVisible());
        EXPECT_TRUE(p.checked(c.command));
        ASSERT_TRUE(p.run(c.command));
        EXPECT_FALSE(c.window()->isVisible());
        EXPECT_FALSE(p.checked(c.command));
    }
    // Its close box as well as the menu.
    ASSERT_TRUE(p.run(kCmdPipe3DView));
    p.frame->pipe3DDock()->close();
    EXPECT_FALSE(p.checked(kCmdPipe3DView));
}

TEST(PipeViews, FillsAsAFilePlaysWithThePlayedPingMarked) {
    PlayedFile f;
    f.playAll();
    const WallMap& map = f.feed.views().map;
    ASSERT_FALSE(map.empty());
    EXPECT_FALSE(f.feed.wholeFileRead());
    EXPECT_NEAR(map.startChainage(), chainageOfRecord(0), map.settings().binMetres);
    EXPECT_NEAR(map.endChainage(), chainageOfRecord(kRecords - 1), map.settings().binMetres);
    // The invalid record has no column; its neighbours do.
    EXPECT_EQ(map.recordAt(chainageOfRecord(3)), 4);
    EXPECT_NE(map.recordAt(chainageOfRecord(4)), 5);
    ASSERT_TRUE(f.feed.currentChainage());
    EXPECT_DOUBLE_EQ(*f.feed.currentChainage(), chainageOfRecord(kRecords - 1));

    // Shown, the whole survey is in view and the picture has its cells.
    ASSERT_TRUE(f.p.run(kCmdPipeWallMap));
    f.paint();
    EXPECT_NEAR(f.map.window().from(), map.startChainage(), 1e-9);
    EXPECT_NEAR(f.map.window().to(), map.endChainage(), 1e-9);
    const QImage& picture = f.map.picture();
    // A column no narrower than the pings lie apart, so that every one holds one.
    ASSERT_EQ(picture.height(), f.map.mapRect().height());
    EXPECT_LE(picture.width(), static_cast<int>(std::ceil(f.map.window().span() / 0.25)));
    for (int x = 0; x < picture.width(); ++x)
        EXPECT_NE(picture.pixelColor(x, picture.height() / 2), QColor(0, 0, 0)) << x;

    // Another file is another pipe; without distance readings its pings have no place.
    const std::string other = makeDataFile(f.p.folder.file("other.qzr"), 3);
    f.p.op.openAnswers.push_back(other);
    ASSERT_TRUE(f.p.run(kCmdOpenPlayback));
    f.p.player->stepForward();
    EXPECT_TRUE(f.feed.views().map.empty());
    EXPECT_FALSE(f.feed.currentChainage());
}

TEST(PipeViews, AFileOpenedWhileTheMapShowsIsReadWholeOffTheWindowsThread) {
    PlayedFile f(/*mapShown=*/true);
    JobProgressDialog& job = f.p.files->pipeViewsWindow();
    ASSERT_TRUE(runUntil([&] { return f.feed.wholeFileRead(); }));
    EXPECT_FALSE(job.running());
    // Every valid record, before one is played.
    for (int n = 0; n < kRecords; ++n) {
        SCOPED_TRACE(n);
        const auto record = f.feed.views().map.recordAt(chainageOfRecord(n));
        if (n == 4) {
            EXPECT_NE(record, 5);
        } else {
            EXPECT_EQ(record, n + 1);
        }
    }
    // Held against the head's line, the file is read whole again so.
    QComboBox* centre = f.dock.centreChoice();
    centre->setCurrentIndex(1);
    emit centre->activated(1);
    EXPECT_EQ(f.feed.sliceSettings().centre, WallCentre::Head);
    ASSERT_TRUE(runUntil([&] { return f.feed.wholeFileRead(); }));
    EXPECT_EQ(f.feed.views().map.recordAt(chainageOfRecord(7)), 8);

    // Played now, its pings only move the mark.
    const std::int64_t columns = f.feed.views().map.columns();
    f.p.player->stepForward();
    f.p.player->stepForward();
    EXPECT_EQ(f.feed.views().map.columns(), columns);
    ASSERT_TRUE(f.feed.currentChainage());
    const std::int64_t record = f.p.doc.ping.filePosition / f.feed.filePositionOf(2) + 1;
    EXPECT_EQ(f.feed.currentRecord(), record);
    EXPECT_DOUBLE_EQ(*f.feed.currentChainage(), chainageOfRecord(static_cast<int>(record) - 1));
}

// The model file played with a survey against the flow from a manhole at
// 10 m: the chainage falls as the crawler goes.
void playWithSurveyFrom10m(ProgramUnderTest& p) {
    p.files->setSurveyFor([](const std::string& recording) {
        SurveyInputs in;
        in.recording = recording;
        EXPECT_TRUE(in.record.header.set(kSurveyDirection, "B"));
        in.record.header.startChainage = 10.0;
        return in;
    });
    p.op.openAnswers.push_back(
        makeDataFile(p.folder.file("run.qzr"), kRecords, {4}, /*orientation=*/true));
    EXPECT_TRUE(p.run(kCmdOpenPlayback));
}

TEST(PipeViews, AFileWithASurveyIsPlacedByItsChainage) {
    ProgramUnderTest p;
    ASSERT_TRUE(p.run(kCmdPipeWallMap));
    playWithSurveyFrom10m(p);
    PipeViewFeed& feed = p.frame->pipeViews();
    ASSERT_TRUE(runUntil([&] { return feed.wholeFileRead(); }));
    const WallMap& map = feed.views().map;
    for (const int n : {0, 3, 11}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(map.recordAt(10.0 - chainageOfRecord(n)), n + 1);
    }
    // The pings played from now on are placed alike.
    p.player->stepForward();
    ASSERT_TRUE(feed.currentChainage());
    EXPECT_DOUBLE_EQ(*feed.currentChainage(),
                     10.0 - chainageOfRecord(static_cast<int>(feed.currentRecord()) - 1));
}

// "Export Point Cloud..." writes the played file's points where the views
// place them, beside playback, in the format its name asks for.
TEST(PipeViews, ExportPointCloudPlacesThePlayedFileByItsSurvey) {
    ProgramUnderTest p;
    playWithSurveyFrom10m(p);
    const auto exportTo = [&](const std::string& name) {
        p.op.messages.clear();
        p.op.saveAnswers.push_back(p.folder.file(name));
        EXPECT_TRUE(runUntil([&] { return p.enabled(kCmdExportPointCloud); }));
        EXPECT_TRUE(p.run(kCmdExportPointCloud));
        EXPECT_TRUE(runUntil([&] { return !p.op.messages.empty(); }));
        return p.op.messages.empty() ? std::string() : p.op.messages.front();
    };

    const std::string ply = p.folder.file("run.ply");
    const std::string said = exportTo("run.ply");
    ASSERT_EQ(p.op.saveRequests.back().proposedName, "run.ply");
    const std::string bytes = test::readBytes(ply);
    const std::size_t body = bytes.find("end_header\n") + 11;
    ASSERT_NE(body, std::string::npos + 11);
    // x y z departure range angle record time, as the header lists them.
    constexpr std::size_t kVertex = 3 * 8 + 3 * 4 + 4 + 8;
    const std::size_t points = (bytes.size() - body) / kVertex;
    ASSERT_EQ((bytes.size() - body) % kVertex, 0u);
    EXPECT_NE(bytes.find("element vertex " + std::to_string(points) + "\n"), std::string::npos);
    EXPECT_EQ(said, "Point cloud written to " + ply + ": " +
                        groupedNumber(static_cast<std::int64_t>(points)) + " points of " +
                        std::to_string(kRecords - 1) + " records");
    std::set<std::uint32_t> records;
    for (std::size_t i = 0; i < points; ++i) {
        const char* v = bytes.data() + body + i * kVertex;
        double z = 0;
        std::uint32_t record = 0;
        std::memcpy(&z, v + 16, sizeof z);
        std::memcpy(&record, v + 36, sizeof record);
        records.insert(record);
        ASSERT_NEAR(z, 10.0 - chainageOfRecord(static_cast<int>(record) - 1), 1e-9) << record;
    }
    // Every valid record, the invalid fifth not.
    EXPECT_EQ(records.size(), static_cast<std::size_t>(kRecords - 1));
    EXPECT_FALSE(records.count(5));
    EXPECT_EQ(p.doc.flags.playbackActive, 1);

    // LAS by its name; another name is refused and leaves no file.
    EXPECT_NE(exportTo("run.las").find(" points of "), std::string::npos);
    EXPECT_EQ(test::readBytes(p.folder.file("run.las")).substr(0, 4), "LASF");
    EXPECT_NE(exportTo("run.txt").find("run.txt: a point cloud is written as .ply or .las"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(p.folder.file("run.txt")));
}

TEST(PipeViews, AClickOnTheMapPlaysTheRecordThere) {
    PlayedFile f(/*mapShown=*/true);
    ASSERT_TRUE(runUntil([&] { return f.feed.wholeFileRead(); }));
    f.paint();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.p.frame.get()));
    for (const int n : {7, 2, 10}) {
        SCOPED_TRACE(n);
        const QPoint at(static_cast<int>(f.map.xOfChainage(chainageOfRecord(n))),
                        f.map.mapRect().center().y());
        QTest::mouseClick(&f.map, Qt::LeftButton, {}, at);
        EXPECT_EQ(f.p.doc.ping.filePosition, f.feed.filePositionOf(n + 1));
        ASSERT_TRUE(f.feed.currentChainage());
        EXPECT_DOUBLE_EQ(*f.feed.currentChainage(), chainageOfRecord(n));
    }
}

TEST(PipeViews, TheWheelTheKeysAndADragMoveTheStretchShown) {
    PlayedFile f(/*mapShown=*/true);
    ASSERT_TRUE(runUntil([&] { return f.feed.wholeFileRead(); }));
    f.paint();
    const ChainageWindow& w = f.map.window();
    const double whole = w.span();

    // The wheel zooms about the pointer: the chainage under it stays there.
    const QPointF at(f.map.xOfChainage(2.0), f.map.mapRect().center().y());
    QWheelEvent wheel(at, f.map.mapToGlobal(at), {}, QPoint(0, 240), Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&f.map, &wheel);
    EXPECT_LT(w.span(), whole * 0.7);
    EXPECT_NEAR(f.map.chainageAtX(at.x()), 2.0, 1e-9);

    const double from = w.from();
    QTest::keyClick(&f.map, Qt::Key_Right);
    EXPECT_GT(w.from(), from);
    QTest::keyClick(&f.map, Qt::Key_Left);
    QTest::keyClick(&f.map, Qt::Key_Left);
    EXPECT_LT(w.from(), from);
    const double span = w.span();
    QTest::keyClick(&f.map, Qt::Key_Minus);
    EXPECT_GT(w.span(), span);

    // A drag to the left shows what lies to the right.
    const double before = w.from();
    const std::int64_t played = f.p.doc.ping.filePosition;
    const QPoint start = f.map.mapRect().center();
    QTest::mousePress(&f.map, Qt::LeftButton, {}, start);
    QTest::mouseMove(&f.map, start - QPoint(60, 0));
    QTest::mouseRelease(&f.map, Qt::LeftButton, {}, start - QPoint(60, 0));
    EXPECT_GT(w.from(), before);
    // A drag is no click: nothing was played.
    EXPECT_EQ(f.p.doc.ping.filePosition, played);
}

TEST(PipeViews, The3DWindowDrawsTheTubeOrSaysWhyNot) {
    PlayedFile f;
    f.playAll();
    ASSERT_TRUE(f.p.run(kCmdPipe3DView));
    Pipe3DWindow* window = f.p.frame->pipe3DWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    if (!window->rendering()) {
        std::printf("The 3D window says: %s\n", qPrintable(window->messageLabel()->text()));
        EXPECT_TRUE(window->messageLabel()->isVisible());
        EXPECT_TRUE(window->messageLabel()->text().contains("3D"));
    } else {
        window->applyCamera();
        EXPECT_GT(window->meshVertices(), 0);
        // Pings 25 cm apart: bins of 5 cm would leave the tube in slivers.
        const double bin = f.feed.views().tube.binMetres(window->meshLevel());
        EXPECT_GE(bin, 0.25 / 2);
        EXPECT_LE(bin, 0.25 * 2);
    }
    // The fly-along follows the ping on show until the operator takes it.
    EXPECT_DOUBLE_EQ(window->camera().fly(), chainageOfRecord(kRecords - 1));
    QTest::keyClick(window, Qt::Key_Down);
    EXPECT_LT(window->camera().fly(), chainageOfRecord(kRecords - 1));
    QSlider* slider = window->flySlider();
    slider->setValue(slider->minimum());
    EXPECT_NEAR(window->camera().fly(), chainageOfRecord(0), 0.05);
    ASSERT_TRUE(f.p.run(kCmdPipe3DView));
    EXPECT_FALSE(window->isVisible());
}

}  // namespace
}  // namespace sondrel::testing

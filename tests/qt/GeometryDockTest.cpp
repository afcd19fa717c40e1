// The chart window of the pipe geometry in the whole program: filled as a file
// plays, banded by the settings, and a click on it plays the record clicked.

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QTest>

#include <gtest/gtest.h>

#include "acquisition/SondrelDoc.h"
#include "analysis/qt/CGeometryDock.h"
#include "app/CommandIds.h"
#include "support/PlaybackRig.h"
#include "support/ProgramRig.h"
#include "support/TempFolder.h"

namespace sondrel::testing {
namespace {

constexpr int kRecords = 12;

struct PlayedFile {
    ProgramUnderTest p;
    CGeometryDock& dock = *p.frame->geometryDock();

    PlayedFile() {
        const std::string path =
            makeDataFile(p.folder.file("run.qzr"), kRecords, {4}, /*orientation=*/true);
        p.op.openAnswers.push_back(path);
        EXPECT_TRUE(p.run(kCmdOpenPlayback));
        // Record by record, the invalid one included.
        for (int i = 0; i < kRecords; ++i) p.player->stepForward();
    }

    // Where a point of a chart lies in its view's viewport.
    QPoint pointOf(CGeometryDock::Chart chart, QPointF value) {
        QChartView* view = dock.chartView(chart);
        const QPointF scene = view->chart()->mapToScene(view->chart()->mapToPosition(value));
        return view->mapFromScene(scene);
    }
};

TEST(GeometryDock, TheViewMenuShowsAndHidesIt) {
    ProgramUnderTest p;
    CGeometryDock* dock = p.frame->geometryDock();
    ASSERT_NE(dock, nullptr);
    EXPECT_FALSE(dock->isVisible());
    EXPECT_FALSE(p.checked(kCmdPipeGeometryChart));
    ASSERT_TRUE(p.run(kCmdPipeGeometryChart));
    EXPECT_TRUE(dock->isVisible());
    EXPECT_TRUE(p.checked(kCmdPipeGeometryChart));
    ASSERT_TRUE(p.run(kCmdPipeGeometryChart));
    EXPECT_FALSE(p.checked(kCmdPipeGeometryChart));
}

TEST(GeometryDock, FillsAsAFilePlaysAlongTheDistanceWithTheLevelsAsBands) {
    PlayedFile f;
    // Every valid record once, placed by its recorded distance.
    const auto samples = f.dock.series().samples();
    ASSERT_EQ(samples.size(), std::size_t(kRecords - 1));
    EXPECT_TRUE(f.dock.series().alongDistance());
    int measured = 0;
    for (const GeometrySample& s : samples) {
        EXPECT_NE(s.record, 5);  // the invalid record
        EXPECT_NEAR(s.distance, 1.5 + (s.record - 1) * 0.25, 1e-6) << s.record;
        EXPECT_GE(s.position, 0);
        if (s.ok) ++measured;
    }
    EXPECT_GT(measured, kRecords / 2);

    f.dock.refreshCharts();
    for (const auto chart :
         {CGeometryDock::MeanDiameter, CGeometryDock::Ovality, CGeometryDock::Sediment})
        EXPECT_EQ(f.dock.valueSeries(chart)->count(), measured);
    const QPointF first = f.dock.valueSeries(CGeometryDock::Ovality)->at(0);
    EXPECT_DOUBLE_EQ(first.y(), samples[0].ovalityPercent);

    // The defaults: 5 and 10 % ovality, 10 and 20 % of the diameter of sediment.
    QAreaSeries* warning = f.dock.warningBand(CGeometryDock::Ovality);
    EXPECT_DOUBLE_EQ(warning->lowerSeries()->at(0).y(), 5.0);
    EXPECT_DOUBLE_EQ(warning->upperSeries()->at(0).y(), 10.0);
    GeometrySettings settings;
    settings.nominalDiameter = 0.5;
    settings.sedimentWarning = 4.0;
    f.dock.setSettings(settings);
    f.dock.refreshCharts();
    EXPECT_DOUBLE_EQ(f.dock.warningBand(CGeometryDock::Sediment)->lowerSeries()->at(0).y(), 0.02);
    EXPECT_DOUBLE_EQ(f.dock.alarmBand(CGeometryDock::Sediment)->lowerSeries()->at(1).y(), 0.1);
    EXPECT_DOUBLE_EQ(f.dock.alarmBand(CGeometryDock::Ovality)->lowerSeries()->at(1).y(), 10.0);
}

TEST(GeometryDock, AClickOnAPlayedPointPlaysItsRecord) {
    PlayedFile f;
    ASSERT_TRUE(f.p.run(kCmdPipeGeometryChart));
    f.dock.refreshCharts();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.p.frame.get()));
    const std::size_t count = f.dock.series().samples().size();
    for (const std::int64_t record : {3, 9, 2}) {
        SCOPED_TRACE(record);
        const GeometrySample* target = nullptr;
        for (const GeometrySample& s : f.dock.series().samples())
            if (s.record == record) target = &s;
        ASSERT_NE(target, nullptr);
        ASSERT_TRUE(target->ok);
        const QPoint at =
            f.pointOf(CGeometryDock::Ovality, QPointF(target->distance, target->ovalityPercent));
        QTest::mouseClick(f.dock.chartView(CGeometryDock::Ovality)->viewport(), Qt::LeftButton, {},
                          at);
        EXPECT_EQ(shownRecord(f.p.doc), record - 1);
        // Played again, it keeps its one place in the charts.
        EXPECT_EQ(f.dock.series().samples().size(), count);
    }
}

// "Pipe Report..." reports the played file, or in real time the file the
// operator picks; what it cannot do it says, and a cancel leaves no trace.
TEST(GeometryDock, PipeReportWritesThePdfOfTheFileOnScreenOrAChosenOne) {
    PlayedFile f;
    ProgramUnderTest& p = f.p;
    const std::string pdf = p.folder.file("run report.pdf");
    p.op.saveAnswers.push_back(pdf);
    const std::size_t opened = p.op.openRequests.size();
    ASSERT_TRUE(p.run(kCmdPipeReport));
    ASSERT_EQ(p.op.saveRequests.size(), 1u);
    EXPECT_EQ(p.op.saveRequests[0].proposedName, "run.pdf");
    EXPECT_EQ(p.op.openRequests.size(), opened);
    ASSERT_EQ(p.op.messages, (std::vector<std::string>{"Pipe report written to " + pdf}));
    EXPECT_EQ(test::readBytes(pdf).substr(0, 5), "%PDF-");
    // Playback went on where it was.
    EXPECT_EQ(p.doc.playbackActive, 1);
    EXPECT_EQ(shownRecord(p.doc), kRecords - 1);

    p.run(kCmdConnect);
    ASSERT_EQ(p.doc.playbackActive, 0);
    p.op.messages.clear();
    p.op.openAnswers = {std::nullopt, p.folder.file("notes.txt"), p.folder.file("none.qzr")};
    p.op.saveAnswers = {p.folder.file("none.pdf")};
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(p.run(kCmdPipeReport));
    ASSERT_EQ(p.op.messages.size(), 2u);
    EXPECT_NE(p.op.messages[0].find("notes.txt: not a sonar data file"), std::string::npos);
    EXPECT_NE(p.op.messages[1].find("none.qzr"), std::string::npos);
    EXPECT_TRUE(test::readBytes(p.folder.file("none.pdf")).empty());
}

}  // namespace
}  // namespace sondrel::testing

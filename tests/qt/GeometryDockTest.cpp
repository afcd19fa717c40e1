// The chart window of the pipe geometry in the whole program: filled as a file
// plays, banded by the settings, and a click on it plays the record clicked.

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QTest>
#include <QValueAxis>

#include <gtest/gtest.h>

#include "acquisition/SondrelDoc.h"
#include "analysis/GeometrySettings.h"
#include "analysis/qt/GeometryDock.h"
#include "analysis/qt/GeometrySettingsDialog.h"
#include "app/CommandIds.h"
#include "app/qt/CSondrelView.h"
#include "app/qt/FileCommands.h"
#include "app/qt/JobProgressDialog.h"
#include "pipeview/PipeViewFeed.h"
#include "pipeview/qt/Pipe3DWindow.h"
#include "pipeview/qt/WallMapDock.h"
#include "pipeview/qt/WallMapWidget.h"
#include "support/ChildProcess.h"
#include "support/ModelSurvey.h"
#include "support/PlaybackRig.h"
#include "support/ProgramRig.h"
#include "support/TempFolder.h"

namespace sondrel::testing {
namespace {

constexpr int kRecords = 12;

struct PlayedFile {
    ProgramUnderTest p;
    GeometryDock& dock = *p.frame->geometryDock();

    PlayedFile() {
        const std::string path =
            makeDataFile(p.folder.file("run.qzr"), kRecords, {4}, /*orientation=*/true);
        p.op.openAnswers.push_back(path);
        EXPECT_TRUE(p.run(kCmdOpenPlayback));
        // Record by record, the invalid one included.
        for (int i = 0; i < kRecords; ++i) p.player->stepForward();
    }

    // Where a point of a chart lies in its view's viewport.
    QPoint pointOf(GeometryDock::Chart chart, QPointF value) {
        QChartView* view = dock.chartView(chart);
        const QPointF scene = view->chart()->mapToScene(view->chart()->mapToPosition(value));
        return view->mapFromScene(scene);
    }
};

TEST(GeometryDock, TheViewMenuShowsAndHidesIt) {
    ProgramUnderTest p;
    GeometryDock* dock = p.frame->geometryDock();
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
         {GeometryDock::MeanDiameter, GeometryDock::Ovality, GeometryDock::Sediment})
        EXPECT_EQ(f.dock.valueSeries(chart)->count(), measured);
    const QPointF first = f.dock.valueSeries(GeometryDock::Ovality)->at(0);
    EXPECT_DOUBLE_EQ(first.y(), samples[0].ovalityPercent);

    // The defaults: 5 and 10 % ovality, 10 and 20 % of the diameter of sediment.
    QAreaSeries* warning = f.dock.warningBand(GeometryDock::Ovality);
    EXPECT_DOUBLE_EQ(warning->lowerSeries()->at(0).y(), 5.0);
    EXPECT_DOUBLE_EQ(warning->upperSeries()->at(0).y(), 10.0);
    GeometrySettings settings;
    settings.nominalDiameter = 0.5;
    settings.sedimentWarning = 4.0;
    f.dock.setSettings(settings);
    f.dock.refreshCharts();
    EXPECT_DOUBLE_EQ(f.dock.warningBand(GeometryDock::Sediment)->lowerSeries()->at(0).y(), 0.02);
    EXPECT_DOUBLE_EQ(f.dock.alarmBand(GeometryDock::Sediment)->lowerSeries()->at(1).y(), 0.1);
    EXPECT_DOUBLE_EQ(f.dock.alarmBand(GeometryDock::Ovality)->lowerSeries()->at(1).y(), 10.0);
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
            f.pointOf(GeometryDock::Ovality, QPointF(target->distance, target->ovalityPercent));
        QTest::mouseClick(f.dock.chartView(GeometryDock::Ovality)->viewport(), Qt::LeftButton, {},
                          at);
        EXPECT_EQ(shownRecord(f.p.doc), record - 1);
        // Played again, it keeps its one place in the charts.
        EXPECT_EQ(f.dock.series().samples().size(), count);
    }
}

// Live, after a reconnect: pings while the counter gives no distance leave a
// gap, and the counter starting again from 0 is a pass of its own; no line
// runs back to 0 m and the axis spans the readings there are.
TEST(GeometryDock, LivePingsWithoutADistanceLeaveAGapAndARestartIsANewPass) {
    ProgramUnderTest p;
    GeometryDock& dock = *p.frame->geometryDock();
    struct Ping {
        bool distance;
        double metres;
    };
    const Ping pings[] = {{true, 40.0}, {true, 40.2}, {true, 40.4}, {false, 0.0}, {false, 0.0},
                          {true, 40.6}, {true, 40.8}, {true, 0.0},  {true, 0.2},  {true, 0.4}};
    int count = 0;
    for (const Ping& ping : pings) {
        makePing(p.doc, count, /*orientation=*/true);
        p.doc.orientation.distanceValid = ping.distance ? 1 : 0;
        p.doc.orientation.distanceM = ping.metres;
        p.doc.pings.pingOnScreen = true;
        p.doc.pings.pingCount = ++count;
        dock.documentUpdated();
    }
    dock.refreshCharts();
    ASSERT_EQ(dock.lineCount(GeometryDock::Ovality), 3);
    const std::vector<std::vector<double>> lines = {
        {40.0, 40.2, 40.4}, {40.6, 40.8}, {0.0, 0.2, 0.4}};
    for (int l = 0; l < 3; ++l) {
        QLineSeries* line = dock.valueSeries(GeometryDock::Ovality, l);
        ASSERT_EQ(line->count(), static_cast<int>(lines[l].size())) << l;
        for (int i = 0; i < line->count(); ++i)
            EXPECT_DOUBLE_EQ(line->at(i).x(), lines[l][static_cast<std::size_t>(i)]);
    }
    const auto* x =
        qobject_cast<QValueAxis*>(dock.chart(GeometryDock::Ovality)->axes(Qt::Horizontal).first());
    ASSERT_NE(x, nullptr);
    EXPECT_DOUBLE_EQ(x->min(), 0.0);
    EXPECT_DOUBLE_EQ(x->max(), 40.8);

    // More runs than lines: the first ones are lines, the points of the rest
    // dots, none joined.
    for (int i = 0; i < 2 * (GeometryDock::kMaxChartLines + 6); ++i) {
        makePing(p.doc, count, true);
        p.doc.orientation.distanceValid = i % 2;
        p.doc.orientation.distanceM = 50.0 + i;
        p.doc.pings.pingOnScreen = true;
        p.doc.pings.pingCount = ++count;
        dock.documentUpdated();
    }
    dock.refreshCharts();
    EXPECT_EQ(dock.lineCount(GeometryDock::Ovality), GeometryDock::kMaxChartLines);
    EXPECT_EQ(dock.dotSeries(GeometryDock::Ovality)->count(), 3 + 6);
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
    ASSERT_TRUE(runUntil([&] { return !p.op.messages.empty(); }));
    ASSERT_EQ(p.op.messages, (std::vector<std::string>{"Pipe report written to " + pdf}));
    EXPECT_EQ(test::readBytes(pdf).substr(0, 5), "%PDF-");
    // Playback went on where it was.
    EXPECT_EQ(p.doc.flags.playbackActive, 1);
    EXPECT_EQ(shownRecord(p.doc), kRecords - 1);

    p.run(kCmdConnect);
    ASSERT_EQ(p.doc.flags.playbackActive, 0);
    p.op.messages.clear();
    p.op.openAnswers = {std::nullopt, p.folder.file("notes.txt"), p.folder.file("none.qzr")};
    p.op.saveAnswers = {p.folder.file("none.pdf")};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(runUntil([&] { return p.enabled(kCmdPipeReport); }));
        ASSERT_TRUE(p.run(kCmdPipeReport));
    }
    ASSERT_TRUE(runUntil([&] { return p.op.messages.size() >= 2; }));
    ASSERT_EQ(p.op.messages.size(), 2u);
    EXPECT_NE(p.op.messages[0].find("notes.txt: not a sonar data file"), std::string::npos);
    EXPECT_NE(p.op.messages[1].find("none.qzr"), std::string::npos);
    // A report of a file that cannot be read leaves no file either.
    EXPECT_FALSE(std::filesystem::exists(p.folder.file("none.pdf")));
}

// The model survey played: records 10-17 are the oval stretch.
struct PlayedSurvey {
    ProgramUnderTest p;
    std::string path = p.folder.file("survey.qzr");

    PlayedSurvey() {
        writeSurvey(path);
        p.op.openAnswers.push_back(path);
        EXPECT_TRUE(p.run(kCmdOpenPlayback));
    }
    // Records are told by their distance, a quarter metre apart.
    void stepTo(int record) {
        for (int i = 0;
             i < 100 && std::abs(p.doc.orientationOnShow().distanceM - 0.25 * (record - 1)) > 1e-6;
             ++i)
            p.player->stepForward();
        EXPECT_NEAR(p.doc.orientationOnShow().distanceM, 0.25 * (record - 1), 1e-6);
    }
};

// F5 and F6 size the reference circle, a display aid: the overlay's figures
// do not follow it.
TEST(GeometryDock, TheReferenceCircleMeasuresNothing) {
    PlayedSurvey f;
    CSondrelView& view = *f.p.frame->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.p.frame.get()));
    view.showGeometryOverlay(true);
    if (!f.p.doc.display.displayCircle) {
        ASSERT_TRUE(f.p.run(kCmdDisplayCircle));
    }
    f.stepTo(12);
    view.repaint();
    const PipeGeometry before = view.geometryOverlay()->last();
    for (const int id : {kCmdCircleDiameterUp, kCmdCircleDiameterDown}) {
        const double circle = f.p.doc.display.circleDiameter;
        for (int i = 0; i < 25; ++i) ASSERT_TRUE(f.p.run(id));
        ASSERT_NE(f.p.doc.display.circleDiameter, circle);
        view.repaint();
        EXPECT_EQ(view.geometryOverlay()->last().ovalityPercent, before.ovalityPercent) << id;
    }
    // No nominal diameter is set: the shape is measured, its ovality on the
    // mean diameter, and the flag says what is missing.
    EXPECT_EQ(before.quality, GeometryQuality::BadNominal);
    EXPECT_NEAR(before.meanDiameter, 0.6, 0.01);
    EXPECT_NEAR(before.ovalityPercent, 10.0, 1.5);  // on the mean diameter
}

// "Pipe Geometry Settings..." takes the nominal diameter, the levels and the
// ovality definition, refuses what is no number of a field with a message
// naming it, writes the section, and the overlay and the chart (its samples
// taken again) use them at once.
TEST(GeometryDock, TheSettingsDialogSetsThePipeForEveryFigure) {
    PlayedSurvey f;
    ProgramUnderTest& p = f.p;
    CSondrelView& view = *p.frame->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(p.frame.get()));
    view.showGeometryOverlay(true);
    f.stepTo(12);
    GeometryDock& dock = *p.frame->geometryDock();
    const GeometrySample before = dock.series().samples().back();
    ASSERT_TRUE(before.ok);

    std::vector<std::string> refused;
    p.dialogScript = [&](QDialog& d) {
        auto& dialog = dynamic_cast<GeometrySettingsDialog&>(d);
        dialog.field("Nominal Diameter")->setText(QStringLiteral("abc"));
        dialog.accept();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        dialog.field("Nominal Diameter")->setText(QStringLiteral("0.5"));
        dialog.field("Ovality Alarm")->setText(QStringLiteral("3"));
        dialog.accept();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        dialog.field("Ovality Alarm")->setText(QStringLiteral("12"));
        dialog.field("Wall Map Range")->setText(QStringLiteral("20"));
        dialog.accept();
        refused = p.op.messages;
        return dialog.result();
    };
    ASSERT_TRUE(p.run(kCmdPipeGeometrySettings));
    ASSERT_EQ(refused.size(), 2u);
    EXPECT_EQ(refused[0].rfind("Nominal diameter: ", 0), 0u) << refused[0];
    EXPECT_EQ(refused[1].rfind("Ovality alarm: must not be below", 0), 0u) << refused[1];

    EXPECT_DOUBLE_EQ(loadGeometrySettings(p.folder.file("Sondrel.INI")).ovalityAlarm, 12.0);
    // The chart's samples on the new nominal, without playing them again.
    const GeometrySample& after = dock.series().samples().back();
    EXPECT_EQ(after.record, before.record);
    EXPECT_NEAR(after.ovalityPercent, (after.maxDiameter - after.minDiameter) / 0.5 * 100, 1e-9);
    dock.refreshCharts();
    EXPECT_TRUE(dock.chart(GeometryDock::MeanDiameter)->title().contains("nominal 0.500 m"));
    EXPECT_TRUE(dock.chart(GeometryDock::Ovality)->title().contains("(Dmax - Dmin) / Dnominal"));
    view.repaint();
    EXPECT_TRUE(view.geometryOverlay()->last().ok());
    EXPECT_DOUBLE_EQ(view.geometryOverlay()->last().nominalDiameter, 0.5);
    // The wall map and the tube too, coloured over the new range.
    EXPECT_DOUBLE_EQ(p.frame->pipeViews().sliceSettings().nominalDiameter, 0.5);
    EXPECT_DOUBLE_EQ(p.frame->wallMapDock()->mapWidget()->scale().rangeMm, 20.0);
    ASSERT_TRUE(p.run(kCmdPipe3DView));
    EXPECT_DOUBLE_EQ(p.frame->pipe3DWindow()->scale().rangeMm, 20.0);
    EXPECT_DOUBLE_EQ(loadGeometrySettings(p.folder.file("Sondrel.INI")).wallMapRange, 20.0);
}

// "Pipe Report..." works beside the window: the command returns at once with
// a progress window up, and the outcome is told when the work is done.
TEST(GeometryDock, PipeReportRunsBesideTheWindowAndTellsTheTruth) {
    PlayedSurvey f;
    ProgramUnderTest& p = f.p;
    struct Case {
        std::string output;
        std::string said;  // in the one message
        bool written;
    };
    const Case cases[] = {
        {p.folder.file("survey report.pdf"), "Pipe report written to ", true},
        {"/dev/full", "/dev/full: write failed: No space left on device", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        p.op.messages.clear();
        p.op.saveAnswers.push_back(c.output);
        ASSERT_TRUE(p.run(kCmdPipeReport));
        EXPECT_TRUE(p.op.messages.empty()) << "told before the work was done";
        EXPECT_TRUE(p.files->pipeReportWindow().isVisible());
        ASSERT_TRUE(runUntil([&] { return !p.op.messages.empty(); }));
        ASSERT_EQ(p.op.messages.size(), 1u);
        EXPECT_NE(p.op.messages[0].find(c.said), std::string::npos) << p.op.messages[0];
        if (c.written) {  // /dev/full reads as zeros without end
            EXPECT_EQ(test::readBytes(c.output).substr(0, 5), "%PDF-");
        }
    }
}

// The window's report and sondrel-report's of the same file on the same
// settings say the same, whatever the reference circle on screen.
TEST(GeometryDock, TheWindowsReportIsTheToolsReport) {
    if (!std::filesystem::exists("/usr/bin/pdftotext")) GTEST_SKIP() << "poppler-utils missing";
    PlayedSurvey f;
    ProgramUnderTest& p = f.p;
    // No nominal diameter: the circle on screen (0.80 m) and the one of the
    // tool's settings file (1.00 m) once stood in for it, and told apart.
    const std::string ini = p.folder.write("site.INI",
                                           "[System Settings]\r\nCircleDiameter=1.00\r\n"
                                           "[Pipe Geometry]\r\nOvality Alarm=8\r\n");
    p.frame->geometryDock()->setSettings(loadGeometrySettings(ini));
    p.doc.display.circleDiameter = 0.8;
    const std::string window = p.folder.file("window.pdf"), tool = p.folder.file("tool.pdf");
    p.op.saveAnswers.push_back(window);
    ASSERT_TRUE(p.run(kCmdPipeReport));
    ASSERT_TRUE(runUntil([&] { return !p.op.messages.empty(); }));
    ASSERT_EQ(p.op.messages[0], "Pipe report written to " + window);
    {
        test::ChildProcess report(SONDREL_BIN_DIR "/sondrel-report",
                                  {"--settings", ini, f.path, "-o", tool});
        ASSERT_TRUE(report.start());
        ASSERT_TRUE(test::ChildProcess::exitedCleanly(report.wait(std::chrono::seconds(60))))
            << report.output();
    }
    const auto text = [](const std::string& pdf) {
        test::ChildProcess reader("/usr/bin/pdftotext", {"-layout", pdf, "-"});
        EXPECT_TRUE(reader.start());
        reader.wait(std::chrono::seconds(60));
        return reader.output();
    };
    const std::string fromWindow = text(window);
    EXPECT_NE(fromWindow.find("Nominal diameter: none set"), std::string::npos) << fromWindow;
    EXPECT_EQ(fromWindow, text(tool));
}

// A long report: the progress window shows how far it is while the window
// goes on working, and Cancel ends it without a file.
TEST(GeometryDock, ALongPipeReportShowsItsProgressAndCanBeCancelled) {
    ProgramUnderTest p;
    const std::string part = p.folder.file("part.qzr");
    writeSurvey(part);
    std::string bytes;
    // Some 50,000 records: seconds of work, of which the test waits for
    // the progress window only.
    for (int i = 0; i < 2000; ++i) bytes += test::readBytes(part);
    const std::string path = p.folder.write("long.qzr", bytes);
    p.op.openAnswers.push_back(path);
    const std::string pdf = p.folder.file("long.pdf");
    p.op.saveAnswers.push_back(pdf);
    ASSERT_TRUE(p.run(kCmdPipeReport));
    EXPECT_FALSE(p.enabled(kCmdPipeReport));  // one at a time
    JobProgressDialog& progress = p.files->pipeReportWindow();
    EXPECT_EQ(progress.windowTitle(), QStringLiteral("Pipe Report"));
    const auto says = [&](const QString& start) {
        for (const QLabel* label : progress.findChildren<QLabel*>())
            if (label->text().startsWith(start)) return label->text();
        return QString();
    };
    EXPECT_EQ(
        says(QStringLiteral("Writing ")),
        QStringLiteral("Writing the pipe report of long.qzr to\n") + QString::fromStdString(pdf));
    ASSERT_TRUE(runUntil([&] {
        return progress.isVisible() &&
               says(QStringLiteral("Records read: ")).contains(" of about ");
    })) << says(QStringLiteral("Records read: ")).toStdString();
    // The window's loop ran all along: the work is still going.
    EXPECT_TRUE(p.op.messages.empty());
    progress.cancelButton()->click();
    ASSERT_TRUE(runUntil([&] { return p.enabled(kCmdPipeReport); }));
    EXPECT_TRUE(p.op.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(pdf));
}

}  // namespace
}  // namespace sondrel::testing

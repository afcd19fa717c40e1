// The survey's windows in the program put together as the application does,
// on the offscreen platform with scripted dialogs: the header dialog and its
// sidecar, the recording status without a header, the observation window
// (its rows, a click played, edits kept), the calibration and the progress
// window's Cancel.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "app/CommandIds.h"
#include "app/qt/JobProgressDialog.h"
#include "common/IniFile.h"
#include "display/ViewPainter.h"
#include "support/ProgramRig.h"
#include "support/SurveyRecording.h"
#include "survey/qt/CalibrationDialog.h"
#include "survey/qt/ObservationDialog.h"
#include "survey/qt/ObservationsDock.h"
#include "survey/qt/SurveyHeaderDialog.h"
#include "survey/qt/SurveySettingsDialog.h"

namespace sondrel::testing {
namespace {

void setField(SurveyHeaderDialog& d, std::string_view code, const QString& value) {
    QWidget* w = d.field(code);
    if (auto* box = qobject_cast<QComboBox*>(w))
        box->setCurrentIndex(box->findData(value));
    else
        qobject_cast<QLineEdit*>(w)->setText(value);
}

// 4 m of a 0.6 m pipe, oval (so deformed) from 1 to 3 m.
std::string surveyRecording(ProgramUnderTest& p, int records = 41) {
    const std::string path = p.folder.file("survey.qzr");
    std::vector<test::SurveyShot> shots;
    for (int i = 0; i < records; ++i) {
        PipeModel pipe = test::stillPipe(0.6);
        const double at = 0.1 * (i % 41);
        if (at >= 1.0 && at <= 3.0) pipe.ovality = 0.16;
        shots.push_back({pipe, 0.1 * i, 0.5 * i});
    }
    test::writeShots(path, shots);
    // The nominal size deformation is measured against.
    std::ofstream(p.folder.file("Sondrel.INI")) << "[Pipe Geometry]\r\nNominal Diameter=0.600\r\n";
    return path;
}

// Shows the observation window on the playing file and waits for its survey.
bool surveyShown(ProgramUnderTest& p) {
    if (!p.run(kCmdSurveyObservations)) return false;
    return runUntil([&] { return p.surveyActions->survey() && !p.surveyActions->running(); });
}

TEST(SurveyWindows, HeaderDialogRefusesABadValueNamingItsFieldAndWritesAGoodOne) {
    struct Case {
        const char* code;
        QString bad;
    };
    for (const Case& c : {Case{"ABF", "2026-13-40"}, Case{"ACB", "wide"}, Case{"ABG", "25:61"},
                          Case{"Start Chainage", "ten"}}) {
        ProgramUnderTest p;
        const std::string path = surveyRecording(p, 5);
        ASSERT_TRUE(p.frame->openDataFile(QString::fromStdString(path)));
        p.dialogScript = [&](QDialog& dialog) {
            auto& d = dynamic_cast<SurveyHeaderDialog&>(dialog);
            setField(d, "AAA", "MH1-MH2");
            setField(d, "AAK", "B");
            setField(d, c.code, c.bad);
            d.accept();
            EXPECT_EQ(d.result(), QDialog::Rejected) << c.code;
            EXPECT_FALSE(p.op.messages.empty());
            if (!p.op.messages.empty()) {
                EXPECT_NE(p.op.messages.back().find(c.code), std::string::npos);
            }
            setField(d, c.code, c.code == std::string("Start Chainage") ? "12.5" : "");
            d.accept();
            return d.result();
        };
        ASSERT_TRUE(p.run(kCmdSurveyHeader));
        const SidecarLoad load = loadSidecar(path);
        ASSERT_EQ(load.status, SidecarStatus::Loaded) << load.message;
        EXPECT_EQ(load.record.header.value("AAA"), "MH1-MH2") << c.code;
        EXPECT_TRUE(load.record.header.againstFlow());
    }
}

TEST(SurveyWindows, RecordStaysOneClickAndTheHeaderGoesIntoTheSidecarBeforeOrAfter) {
    for (const bool before : {false, true}) {
        ProgramUnderTest p;
        p.doc.link.headAnswering = true;
        p.doc.files.autoFileNames = 1;
        p.dialogScript = [](QDialog& dialog) {
            auto& d = dynamic_cast<SurveyHeaderDialog&>(dialog);
            setField(d, "AAB", "MH7");
            d.accept();
            return d.result();
        };
        if (before) {
            ASSERT_TRUE(p.run(kCmdSurveyHeader));
        }
        ASSERT_TRUE(p.run(kCmdRecord));
        ASSERT_TRUE(p.doc.flags.recordingActive);
        const std::string path = p.recorder->filePath();
        EXPECT_EQ(p.dialogsShown.size(), before ? 1u : 0u) << "Record asks nothing";
        const std::string status = activityLine(p.doc, 900).text;
        EXPECT_EQ(status.rfind(before ? "Recording" : "Recording (no survey header)", 0), 0u)
            << status;
        EXPECT_EQ(status.find("no survey header") != std::string::npos, !before) << status;
        if (!before) {
            ASSERT_TRUE(p.run(kCmdSurveyHeader));
            EXPECT_EQ(activityLine(p.doc, 900).text.find("no survey header"), std::string::npos);
        }
        ASSERT_TRUE(p.run(kCmdRecord));
        const SidecarLoad load = loadSidecar(path);
        ASSERT_EQ(load.status, SidecarStatus::Loaded) << load.message;
        EXPECT_EQ(load.record.header.value("AAB"), "MH7");
    }
}

TEST(SurveyWindows, ObservationsAreListedPlayedOnClickAndEditsSurviveReopening) {
    ProgramUnderTest p;
    const std::string path = surveyRecording(p);
    ASSERT_TRUE(p.frame->openDataFile(QString::fromStdString(path)));
    ASSERT_TRUE(surveyShown(p));
    ObservationsDock& dock = p.survey->observations();
    EXPECT_TRUE(dock.isVisible());
    QTableWidget& table = *dock.table();
    // Start node, the deformation's start and finish, finish node.
    ASSERT_EQ(table.rowCount(), 4);
    std::vector<QString> codes;
    for (int r = 0; r < table.rowCount(); ++r) {
        codes.push_back(table.item(r, 1)->text());
        if (r > 0) {
            EXPECT_LE(table.item(r - 1, 0)->text().toDouble(), table.item(r, 0)->text().toDouble());
        }
    }
    EXPECT_EQ(codes, (std::vector<QString>{"BCD", "BAA", "BAA", "BCE"}));
    EXPECT_TRUE(dock.summary()->text().contains(QStringLiteral("verdict")));

    // A click plays the observation's record.
    const Observation& start = p.surveyActions->survey()->observations[dock.observationOfRow(1)];
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {},
                      table.visualItemRect(table.item(1, 1)).center());
    EXPECT_EQ(p.doc.ping.filePosition, start.filePosition);
    EXPECT_EQ(start.continuous, "S1");

    p.dialogScript = [](QDialog& dialog) {
        auto& d = dynamic_cast<ObservationDialog&>(dialog);
        d.remarkField()->setText(QStringLiteral("ovalised by a root"));
        d.accept();
        return d.result();
    };
    dock.editRow(1);
    const std::size_t finish = dock.observationOfRow(2);
    dock.removeRow(2);
    EXPECT_EQ(table.rowCount(), 3);
    EXPECT_TRUE(p.op.messages.empty()) << p.op.messages.front();

    // Reopened: the survey made again from the recording and its sidecar.
    p.surveyActions->analyse(path);
    ASSERT_TRUE(runUntil([&] { return !p.surveyActions->running(); }));
    const Survey& again = *p.surveyActions->survey();
    ASSERT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.item(1, 9)->text(), QStringLiteral("ovalised by a root"));
    EXPECT_TRUE(again.observations[finish].deleted);
    EXPECT_TRUE(again.observations[dock.observationOfRow(1)].byOperator);
}

TEST(SurveyWindows, AnAcceptedCalibrationIsStoredAndTheSurveyMadeAgainWithIt) {
    ProgramUnderTest p;
    const std::string path = surveyRecording(p);
    ASSERT_TRUE(p.frame->openDataFile(QString::fromStdString(path)));
    ASSERT_TRUE(surveyShown(p));
    const double before = p.surveyActions->survey()->summary.meanDiameter;
    p.dialogScript = [](QDialog& dialog) {
        auto& d = dynamic_cast<CalibrationDialog&>(dialog);
        d.fromField()->setText(QStringLiteral("0"));
        d.toField()->setText(QStringLiteral("0.8"));
        d.diameterField()->setText(QStringLiteral("630"));
        EXPECT_FALSE(d.acceptButton()->isEnabled());
        EXPECT_TRUE(d.measure());
        EXPECT_TRUE(d.resultLabel()->text().contains(QStringLiteral("Correction +")))
            << d.resultLabel()->text().toStdString();
        d.acceptButton()->click();
        return d.result();
    };
    ASSERT_TRUE(p.run(kCmdCalibrateDiameter));
    const SidecarLoad load = loadSidecar(path);
    ASSERT_EQ(load.status, SidecarStatus::Loaded) << load.message;
    EXPECT_TRUE(load.record.calibration.applied);
    EXPECT_GT(load.record.calibration.soundVelocity, load.record.calibration.velocityBefore);
    ASSERT_TRUE(runUntil([&] { return !p.surveyActions->running(); }));
    // Every diameter grows with the velocity: about 630/600 of before.
    EXPECT_NEAR(p.surveyActions->survey()->summary.meanDiameter / before, 1.05, 0.01);
}

TEST(SurveyWindows, TheProgressWindowShowsAndCancelStopsTheSurveyWithoutFreezing) {
    ProgramUnderTest p;
    const std::string path = surveyRecording(p, 4000);
    ASSERT_TRUE(p.frame->openDataFile(QString::fromStdString(path)));
    int ticks = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] { ++ticks; });
    beat.start(10);
    ASSERT_TRUE(p.run(kCmdSurveyObservations));
    JobProgressDialog& window = p.survey->surveyWindow();
    ASSERT_TRUE(runUntil([&] { return window.isVisible() && window.progressBar()->value() > 0; }));
    EXPECT_FALSE(p.enabled(kCmdExportCodedFile)) << "one survey at a time";
    QTest::mouseClick(window.cancelButton(), Qt::LeftButton);
    ASSERT_TRUE(runUntil([&] { return !p.surveyActions->running(); }, 5000));
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(p.surveyActions->survey(), nullptr) << "a cancelled survey is not shown";
    // A frozen window would have let its timer fire once at most (missed
    // ticks are not queued); a few ticks show the loop ran, even on a busy
    // machine where a tick may come late.
    EXPECT_GT(ticks, 2) << "the window's own timers ran while the survey was made";
    EXPECT_TRUE(p.enabled(kCmdExportCodedFile));
}

TEST(SurveyWindows, SettingsRefuseAValueOutOfRangeAndTheCodedFileIsWrittenOrRefused) {
    ProgramUnderTest p;
    const std::string path = surveyRecording(p);
    ASSERT_TRUE(p.frame->openDataFile(QString::fromStdString(path)));
    struct Case {
        int command;
        const char* key;
        const char* bad;
        const char* good;
        const char* section;
    };
    for (const Case& c :
         {Case{kCmdSurveyLimits, "Fail Limit", "75", "9", "Survey Limits"},
          Case{kCmdSurveyThresholds, "Continuous Length", "0", "2", "Survey Observations"}}) {
        p.op.messages.clear();
        p.dialogScript = [&](QDialog& dialog) {
            auto& d = dynamic_cast<SurveySettingsDialog&>(dialog);
            d.field(c.key)->setText(QString::fromLatin1(c.bad));
            d.accept();
            EXPECT_EQ(d.result(), QDialog::Rejected) << c.key;
            EXPECT_EQ(p.op.messages.size(), 1u);
            if (!p.op.messages.empty()) {
                EXPECT_EQ(p.op.messages.back().rfind(c.key, 0), 0u) << p.op.messages.back();
            }
            d.field(c.key)->setText(QString::fromLatin1(c.good));
            d.accept();
            return d.result();
        };
        ASSERT_TRUE(p.run(c.command));
        IniFile ini;
        ini.load(p.folder.file("Sondrel.INI"));
        EXPECT_EQ(std::atof(ini.readString(c.section, c.key, "").c_str()), std::atof(c.good))
            << c.section;
    }
    ASSERT_TRUE(runUntil([&] { return !p.surveyActions->running(); }));

    // Written beside each other; a folder that is not there is said, and nothing is left.
    const std::string coded = p.folder.file("run.txt");
    p.op.messages.clear();
    p.op.saveAnswers.push_back(coded);
    ASSERT_TRUE(p.run(kCmdExportCodedFile));
    ASSERT_TRUE(runUntil([&] { return !p.op.messages.empty(); }));
    EXPECT_TRUE(std::ifstream(coded).good());
    EXPECT_TRUE(std::ifstream(p.folder.file("run-observations.csv")).good());
    p.op.messages.clear();
    const std::string nowhere = p.folder.file("gone/run.txt");
    p.op.saveAnswers.push_back(nowhere);
    ASSERT_TRUE(p.run(kCmdExportCodedFile));
    ASSERT_EQ(p.op.messages.size(), 1u);
    EXPECT_NE(p.op.messages.back().find(nowhere), std::string::npos) << p.op.messages.back();
}

}  // namespace
}  // namespace sondrel::testing

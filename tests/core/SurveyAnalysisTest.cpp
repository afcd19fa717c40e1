// The survey of recordings made from the simulated head's model pipe: where
// the crawler stopped and backed up, a squashed stretch, deposits and a
// small obstacle, as the observations, the kept passes, the grading and the
// calibration must find them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "common/JobProgress.h"
#include "support/SurveyRecording.h"
#include "support/TempFolder.h"
#include "survey/Survey.h"
#include "survey/SurveyTable.h"

namespace sondrel {
namespace {

using test::SurveyShot;

// The pipe at `metres` along it: round, squashed by 16 % from 3 to 5 m,
// silted 12 cm deep from 7 to 7.6 m and holding a 5 cm ledge at 9.0-9.2 m.
PipeModel pipeAt(double metres) {
    PipeModel pipe = test::stillPipe(0.6);
    if (metres >= 2.95 && metres <= 5.05) pipe.ovality = 0.16;
    if (metres >= 6.95 && metres <= 7.65) pipe.sediment = 0.12;
    if (metres >= 8.95 && metres <= 9.25) pipe.sediment = 0.05;
    return pipe;
}

struct Crawl {
    std::vector<SurveyShot> shots;
    double seconds = 0.0;
    void to(double from, double to, double step = 0.1) {
        const int n = static_cast<int>(std::lround(std::abs(to - from) / step));
        const double sign = to >= from ? 1.0 : -1.0;
        for (int i = 0; i <= n; ++i) at(from + sign * step * i);
    }
    void at(double metres) {
        shots.push_back({pipeAt(metres), metres, seconds});
        seconds += 0.5;
    }
};

// Forward to 6 m with a stop at 2 m (its counter jittering), back to 5 m,
// then forward to 10 m.
std::vector<SurveyShot> crawlWithStopAndReversal() {
    Crawl c;
    c.to(0.0, 1.9);
    for (double jitter : {0.0, 0.004, -0.003, 0.002, -0.004, 0.003, 0.0}) c.at(2.0 + jitter);
    c.to(2.1, 6.0);
    c.to(5.9, 5.0);
    c.to(5.1, 10.0);
    return c.shots;
}

SurveyRecord headerFor(double startChainage, const char* direction) {
    SurveyRecord r;
    EXPECT_TRUE(r.header.set("ACB", "600"));
    EXPECT_TRUE(r.header.set("ACC", "600"));
    EXPECT_TRUE(r.header.set("AAK", direction));
    EXPECT_TRUE(r.header.set("ACG", "2.5"));
    r.header.startChainage = startChainage;
    return r;
}

Survey surveyOf(const std::string& path, const SurveyRecord& record, unsigned threads = 0) {
    auto doc = std::make_unique<CSondrelDoc>();
    doc->flags.playbackActive = true;
    SurveyInputs in;
    in.recording = path;
    in.record = record;
    in.threads = threads;
    return analyseSurvey(*doc, in);
}

std::vector<const Observation*> withCode(const Survey& s, const std::string& code) {
    std::vector<const Observation*> found;
    for (const Observation& o : s.observations) {
        if (o.code == code) found.push_back(&o);
    }
    return found;
}

class SurveyAnalysisTest : public ::testing::Test {
  protected:
    void SetUp() override { test::writeShots(path, crawlWithStopAndReversal()); }
    test::TempFolder folder;
    std::string path = folder.file("run.qzr");
};

TEST_F(SurveyAnalysisTest, FindsTheFeaturesAtTheirChainage) {
    const Survey s = surveyOf(path, headerFor(100.0, "A"));
    ASSERT_TRUE(s.result.ok()) << s.result.message;
    EXPECT_FALSE(s.chainageEstimated);
    EXPECT_DOUBLE_EQ(s.nominalDiameter, 0.6);
    EXPECT_EQ(s.nominalSource, "header");

    const auto deformation = withCode(s, "BAA");
    ASSERT_EQ(deformation.size(), 2u);  // continuous: a start and a finish
    EXPECT_EQ(deformation[0]->continuous, "S1");
    EXPECT_EQ(deformation[1]->continuous, "F1");
    EXPECT_NEAR(deformation[0]->chainage, 103.0, 0.15);
    EXPECT_NEAR(deformation[1]->chainage, 105.0, 0.15);
    EXPECT_EQ(deformation[0]->characterisation1, "A");  // squashed vertically
    EXPECT_NEAR(deformation[0]->quantification1, 8.0, 1.0);

    const auto deposits = withCode(s, "BBC");
    ASSERT_EQ(deposits.size(), 1u);  // 0.6 m: one observation at its worst
    EXPECT_EQ(deposits[0]->continuous, "");
    EXPECT_NEAR(deposits[0]->chainage, 107.3, 0.4);
    const double r = 0.3, h = 0.12;
    const double segment = r * r * std::acos((r - h) / r) - (r - h) * std::sqrt(2 * r * h - h * h);
    EXPECT_NEAR(deposits[0]->quantification1, 100 * segment / (std::numbers::pi * r * r), 2.0);
    EXPECT_EQ(deposits[0]->clockFrom, 4);
    EXPECT_EQ(deposits[0]->clockTo, 8);

    const auto obstacles = withCode(s, "BBE");
    ASSERT_EQ(obstacles.size(), 1u);
    EXPECT_NEAR(obstacles[0]->chainage, 109.1, 0.2);

    ASSERT_GE(s.observations.size(), 2u);
    EXPECT_EQ(s.observations.front().code, "BCD");
    EXPECT_DOUBLE_EQ(s.observations.front().chainage, 100.0);
    EXPECT_EQ(s.observations.back().code, "BCE");
    EXPECT_NEAR(s.observations.back().chainage, 110.0, 1e-3);
    for (std::size_t i = 1; i < s.observations.size(); ++i) {
        EXPECT_LE(s.observations[i - 1].chainage, s.observations[i].chainage + 1e-9);
    }
}

TEST_F(SurveyAnalysisTest, KeepsOnePassOfEachPlace) {
    const std::vector<SurveyShot> shots = crawlWithStopAndReversal();
    for (const KeptPass pass : {KeptPass::Last, KeptPass::First}) {
        SurveyRecord record = headerFor(0.0, "A");
        record.chainage.keptPass = pass;
        const Survey s = surveyOf(path, record);
        ASSERT_EQ(s.pings.size(), shots.size());
        // In chainage order the kept records never go back, and each place
        // between 5 and 6 m comes from the pass asked for.
        for (std::size_t k = 1; k < s.kept.size(); ++k) {
            EXPECT_LT(s.pings[s.kept[k - 1]].chainage, s.pings[s.kept[k]].chainage);
        }
        const std::int32_t lastRecordOfFirstPass = 20 + 7 + 39;  // ends at 6.0 m
        for (const std::uint32_t i : s.kept) {
            const SurveyPing& p = s.pings[i];
            if (p.chainage < 5.05 || p.chainage > 5.95) continue;
            if (pass == KeptPass::Last) {
                EXPECT_GT(p.record, lastRecordOfFirstPass + 10) << p.chainage;
            } else {
                EXPECT_LE(p.record, lastRecordOfFirstPass) << p.chainage;
            }
        }
        EXPECT_NEAR(s.summary.lengthSurveyed, 10.0, 1e-3);
    }
}

TEST_F(SurveyAnalysisTest, GradesAndMeasuresTheSediment) {
    const Survey s = surveyOf(path, headerFor(0.0, "A"));
    const SurveySummary& m = s.summary;
    EXPECT_TRUE(m.gradedOnDeformation);
    EXPECT_EQ(m.verdict, Verdict::Fail);
    EXPECT_NEAR(m.deformation.value, 8.0, 1.0);
    EXPECT_GT(m.deformation.chainage, 2.9);
    EXPECT_LT(m.deformation.chainage, 5.1);
    EXPECT_GT(m.deformation.uncertainty, 0.0);
    EXPECT_LT(m.deformation.uncertainty, 2.0);
    EXPECT_NEAR(m.lengthBeyondFail, 2.0, 0.25);
    EXPECT_GE(m.lengthBeyondEvaluate, m.lengthBeyondFail);
    // q of a pipe squashed by 16 %: about 8 % either way of the mean.
    EXPECT_NEAR(m.ovalityQ.value, 8.0, 1.5);
    EXPECT_NEAR(m.ovalitySpread.value, 16.0, 2.0);

    // 0.6 m of the 12 cm segment and its ramps, and the ledge.
    const double r = 0.3;
    const auto segment = [&](double h) {
        return r * r * std::acos((r - h) / r) - (r - h) * std::sqrt(2 * r * h - h * h);
    };
    const double expected = 0.7 * segment(0.12) + 0.3 * segment(0.05);
    EXPECT_NEAR(m.sedimentVolume, expected, 0.25 * expected);
    EXPECT_NEAR(m.volumePerMetre, m.sedimentVolume / 10.0, 1e-9);
    EXPECT_NEAR(m.volumePerUnit, m.volumePerMetre * 2.5, 1e-9);
    EXPECT_NEAR(m.capacityLoss, 100 * m.sedimentVolume / (std::numbers::pi * r * r * 10), 1e-9);

    // The per-metre table adds up and finds each feature in its metre.
    ASSERT_EQ(s.perMetre.size(), 11u);
    double volume = 0.0;
    for (const MetreRow& row : s.perMetre) volume += row.volume;
    EXPECT_NEAR(volume, m.sedimentVolume, 1e-9);
    EXPECT_GT(s.perMetre[7].volume, 10 * s.perMetre[2].volume + 1e-6);
    EXPECT_GT(s.perMetre[4].deformation, 6.0);
    EXPECT_LT(s.perMetre[1].deformation, 3.0);
    EXPECT_NEAR(s.perMetre[1].meanDiameter, 0.6, 0.005);
}

TEST_F(SurveyAnalysisTest, TheSameSurveyOnOneThreadAndOnMany) {
    const Survey one = surveyOf(path, headerFor(0.0, "A"), 1);
    const Survey many = surveyOf(path, headerFor(0.0, "A"), 3);
    ASSERT_EQ(one.pings.size(), many.pings.size());
    for (std::size_t i = 0; i < one.pings.size(); ++i) {
        const SurveyPing& a = one.pings[i];
        const SurveyPing& b = many.pings[i];
        for (const auto& [x, y] : {std::pair{a.meanDiameter, b.meanDiameter},
                                   {a.minDiameter, b.minDiameter},
                                   {a.sedimentArea, b.sedimentArea},
                                   {a.diameterUncertainty, b.diameterUncertainty},
                                   {a.chainage, b.chainage}}) {
            EXPECT_EQ(std::isnan(x), std::isnan(y)) << i;
            if (!std::isnan(x)) {
                EXPECT_EQ(x, y) << i;
            }
        }
        EXPECT_EQ(a.flags, b.flags) << i;
        EXPECT_EQ(a.filePosition, b.filePosition) << i;
    }
    EXPECT_EQ(one.observations, many.observations);
}

TEST_F(SurveyAnalysisTest, AgainstTheFlowTheChainageRunsDown) {
    const Survey s = surveyOf(path, headerFor(50.0, "B"));
    const auto deformation = withCode(s, "BAA");
    ASSERT_EQ(deformation.size(), 2u);
    EXPECT_EQ(deformation[0]->continuous, "S1");
    EXPECT_NEAR(deformation[0]->chainage, 47.0, 0.15);  // met first
    EXPECT_NEAR(deformation[1]->chainage, 45.0, 0.15);
    EXPECT_EQ(s.observations.front().code, "BCD");
    EXPECT_DOUBLE_EQ(s.observations.front().chainage, 50.0);
    EXPECT_NEAR(s.observations.back().chainage, 40.0, 1e-3);
    EXPECT_NEAR(s.summary.startChainage, 50.0, 1e-3);
    EXPECT_NEAR(s.summary.endChainage, 40.0, 1e-3);
}

TEST_F(SurveyAnalysisTest, OperatorsEditsSurviveANewDetection) {
    SurveyRecord record = headerFor(0.0, "A");
    Survey first = surveyOf(path, record);
    // Edit the deposit, delete the obstacle, add a remark of one's own.
    for (Observation& o : first.record.observations) {
        if (o.code == "BBC") {
            o.remark = "grease";
            o.byOperator = true;
        }
        if (o.code == "BBE") o.byOperator = o.deleted = true;
    }
    Observation added;
    added.code = "BDB";
    added.chainage = 8.0;
    added.byOperator = true;
    first.record.observations.push_back(added);
    const Survey again = surveyOf(path, first.record);
    EXPECT_EQ(withCode(again, "BBC").size(), 1u);
    EXPECT_EQ(withCode(again, "BBC")[0]->remark, "grease");
    ASSERT_EQ(withCode(again, "BBE").size(), 1u);
    EXPECT_TRUE(withCode(again, "BBE")[0]->deleted);
    EXPECT_EQ(withCode(again, "BDB").size(), 1u);
    EXPECT_EQ(withCode(again, "BAA").size(), 2u);
    // Thresholds raised beyond the squash: its detection goes, the edits stay.
    Survey raised = again;
    ObservationSettings high;
    high.deformationStart = 20.0;
    detectAgain(raised, high);
    EXPECT_EQ(withCode(raised, "BAA").size(), 0u);
    EXPECT_EQ(withCode(raised, "BBC")[0]->remark, "grease");
}

TEST(SurveyChainage, EstimatedFromTimeWithoutDistances) {
    test::TempFolder folder;
    const std::string path = folder.file("timed.qzr");
    std::vector<SurveyShot> shots;
    for (int i = 0; i < 40; ++i) shots.push_back({test::stillPipe(), NAN, i * 0.5});
    test::writeShots(path, shots);
    SurveyRecord record = headerFor(20.0, "B");
    const Survey unstated = surveyOf(path, record);
    EXPECT_TRUE(unstated.chainageEstimated);
    EXPECT_FALSE(unstated.hasChainage);
    EXPECT_TRUE(unstated.kept.empty());

    record.chainage.estimatedSpeed = 0.2;
    const Survey s = surveyOf(path, record);
    EXPECT_TRUE(s.hasChainage);
    ASSERT_EQ(s.pings.size(), 40u);
    for (std::size_t i = 0; i < s.pings.size(); ++i) {
        EXPECT_NEAR(s.pings[i].chainage, 20.0 - 0.2 * 0.5 * double(i), 1e-3);
        EXPECT_TRUE(s.pings[i].flags & SurveyPing::kEstimated);
    }
    EXPECT_NEAR(s.summary.lengthSurveyed, 0.2 * 0.5 * 39, 1e-3);
    ASSERT_EQ(s.observations.front().code, "BCD");
    EXPECT_EQ(s.observations.front().remark, "chainage estimated from time at 0.200 m/s");
}

TEST(SurveyCalibration, FindsTheWatersVelocityAndAppliesIt) {
    test::TempFolder folder;
    const std::string path = folder.file("cold.qzr");
    std::vector<SurveyShot> shots;
    for (int i = 0; i <= 50; ++i) {
        PipeModel pipe = test::stillPipe(0.6);
        pipe.soundVelocity = 1440.0;  // the program assumes 1500
        pipe.noise = 0.002;
        shots.push_back({pipe, 0.1 * i, 0.5 * i});
    }
    test::writeShots(path, shots);
    SurveyRecord record = headerFor(0.0, "A");
    const Survey before = surveyOf(path, record);
    EXPECT_NEAR(before.summary.meanDiameter, 0.6 * 1500 / 1440, 0.004);

    std::string problem;
    EXPECT_FALSE(calibrate(before, 20.0, 30.0, 0.6, problem)) << "no record lies there";
    EXPECT_NE(problem, "");
    EXPECT_FALSE(calibrate(before, 0.0, 2.0, 0.3, problem)) << "beyond any water";
    const std::optional<Calibration> c = calibrate(before, 1.0, 3.0, 0.6, problem);
    ASSERT_TRUE(c) << problem;
    EXPECT_NEAR(c->soundVelocity, 1440.0, 5.0);
    EXPECT_NEAR(c->velocityBefore, 1500.0, 0.1);
    EXPECT_GT(c->velocityUncertainty, 0.0);
    EXPECT_LT(c->velocityUncertainty, 3.0);

    record.calibration = *c;
    const Survey after = surveyOf(path, record);
    EXPECT_NEAR(after.summary.meanDiameter, 0.6, 0.002);
    EXPECT_NEAR(after.pings.front().soundVelocity, c->soundVelocity, 0.01);
    // The calibrated velocity's uncertainty is far below the default's.
    EXPECT_LT(after.summary.meanDiameterUncertainty, before.summary.meanDiameterUncertainty);

    // The geometry table measures with it too, and so does whatever reads
    // next with the survey's document: the report, the views, the cloud.
    CSondrelDoc doc;
    doc.flags.playbackActive = true;
    GeometrySettings nominal;
    nominal.nominalDiameter = 0.6;
    const std::string table = folder.file("cold.csv");
    ASSERT_TRUE(writeSurveyGeometryCsv(doc, path, table, nominal, record).ok());
    std::ifstream rows(table);
    std::string line;
    std::getline(rows, line);
    ASSERT_EQ(line.rfind("record,date,time,distance_m,pitch_deg,roll_deg,points_used,centre_x_m,"
                         "centre_y_m,mean_diameter_m,",
                         0),
              0u);
    ASSERT_TRUE(std::getline(rows, line));
    std::vector<std::string> cells;
    std::stringstream cellsOf(line);
    for (std::string cell; std::getline(cellsOf, cell, ',');) cells.push_back(cell);
    ASSERT_GT(cells.size(), 9u);
    EXPECT_NEAR(std::stod(cells[9]), 0.6, 0.004) << line;
    EXPECT_DOUBLE_EQ(doc.files.calibratedSoundVelocity, c->soundVelocity);
    SurveyInputs plain;
    plain.recording = path;
    analyseSurvey(doc, plain);
    EXPECT_EQ(doc.files.calibratedSoundVelocity, 0.0)
        << "a survey without one measures as recorded";
}

TEST(SurveyProgress, ACancelledSurveyEndsEarlySayingSo) {
    test::TempFolder folder;
    const std::string path = folder.file("long.qzr");
    std::vector<SurveyShot> shots(600, SurveyShot{test::stillPipe(), 0.0, 0.0});
    for (std::size_t i = 0; i < shots.size(); ++i) shots[i].distance = 0.01 * double(i);
    test::writeShots(path, shots);
    auto doc = std::make_unique<CSondrelDoc>();
    doc->flags.playbackActive = true;
    SurveyInputs in;
    in.recording = path;
    JobProgress progress;
    progress.cancel();
    const Survey s = analyseSurvey(*doc, in, &progress);
    EXPECT_TRUE(s.cancelled);
    EXPECT_EQ(s.result.error, ConversionError::Cancelled);
    EXPECT_LT(s.pings.size(), shots.size());

    in.recording = folder.file("missing.qzr");
    const Survey missing = analyseSurvey(*doc, in);
    EXPECT_EQ(missing.result.error, ConversionError::InputUnreadable);
}

}  // namespace
}  // namespace sondrel

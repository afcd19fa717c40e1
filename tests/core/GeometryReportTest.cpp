#include "analysis/GeometryReport.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "common/JobProgress.h"
#include "support/ModelSurvey.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

// The model survey: a round stretch, an oval one and a silted one, each
// followed by a ping without returns, 0.25 m apart.
TEST(GeometryReport, SummarisesTheSurveyAndPicturesEachStretchBeyondAnAlarm) {
    test::TempFolder dir;
    const std::string path = dir.file("survey.qzr");
    const int records = writeSurvey(path);
    GeometrySettings settings;
    settings.nominalDiameter = 0.6;
    settings.ovalityAlarm = 8.0;
    settings.sedimentAlarm = 12.0;

    auto doc = std::make_unique<CSondrelDoc>();
    doc->flags.playbackActive = true;
    GeometryReport report;
    ASSERT_TRUE(collectGeometryReport(*doc, path, settings, report).ok());
    EXPECT_EQ(report.records, records);
    EXPECT_EQ(report.measured, records - 3);
    EXPECT_TRUE(report.series.alongDistance());
    EXPECT_NEAR(report.lengthSurveyed, 0.25 * (records - 1), 1e-9);
    EXPECT_EQ(report.date, "09-DEC-2026");

    // The worst figures, and where: the oval stretch is records 10-17, the
    // silted one 19-26.
    ASSERT_TRUE(report.ovality.found);
    EXPECT_NEAR(report.ovality.value, 10.0, 1.5);
    EXPECT_GE(report.ovality.at.record, 10);
    EXPECT_LE(report.ovality.at.record, 17);
    EXPECT_NEAR(report.ovality.at.distance, 0.25 * (report.ovality.at.record - 1), 1e-9);
    ASSERT_TRUE(report.sediment.found);
    EXPECT_NEAR(report.sediment.value, 0.09, 0.02);
    EXPECT_GE(report.sediment.at.record, 19);

    // One place per stretch beyond a level, told by its worst ping, with the
    // points that were measured.
    ASSERT_EQ(report.places.size(), 2u);
    EXPECT_EQ(report.placesBeyondLimit, 2);
    const GeometryPlace& oval = report.places[0];
    EXPECT_TRUE(oval.ovalityAlarm);
    EXPECT_FALSE(oval.sedimentAlarm);
    EXPECT_EQ(oval.sample.record, report.ovality.at.record);
    EXPECT_GE(oval.points.size(), std::size_t(kMinGeometryPoints));
    EXPECT_TRUE(oval.geometry.ok());
    const GeometryPlace& silted = report.places[1];
    EXPECT_TRUE(silted.sedimentAlarm);
    EXPECT_GE(silted.sample.record, 19);

    // Levels no ping reaches: nothing to picture.
    settings.ovalityAlarm = 50;
    settings.sedimentAlarm = 50;
    GeometryReport calm;
    ASSERT_TRUE(collectGeometryReport(*doc, path, settings, calm).ok());
    EXPECT_TRUE(calm.places.empty());
    EXPECT_EQ(calm.placesBeyondLimit, 0);
}

// Without a nominal diameter the report measures all the same, its ovality on
// the mean diameter, and gives no deformation; the length surveyed is the
// span of the distances read, whatever came before the first.
TEST(GeometryReport, WithoutANominalTheShapeIsStillReported) {
    test::TempFolder dir;
    const std::string path = dir.file("survey.qzr");
    const int records = writeSurvey(path, [](int n) {
        return n < 2 ? std::numeric_limits<double>::quiet_NaN() : 100.0 + 0.25 * (n - 2);
    });
    auto doc = std::make_unique<CSondrelDoc>();
    doc->flags.playbackActive = true;
    doc->display.circleDiameter = 1.0;  // a display aid: it must not be taken
    GeometryReport report;
    ASSERT_TRUE(collectGeometryReport(*doc, path, GeometrySettings{}, report).ok());
    EXPECT_EQ(report.nominalDiameter, 0.0);
    EXPECT_EQ(report.ovalityBasis, OvalityBasis::Mean);
    EXPECT_EQ(report.measured, records - 3);
    EXPECT_FALSE(report.deformation.found);
    ASSERT_TRUE(report.ovality.found);
    EXPECT_NEAR(report.ovality.value, 10.0, 1.5);
    EXPECT_NEAR(report.lengthSurveyed, 0.25 * (records - 3), 1e-9);
    const GeometrySpan span = report.series.span();
    EXPECT_DOUBLE_EQ(span.left, 100.0);
}

// Progress is told as the records go by and at the end, and a cancel is
// heard at the next look, which ends the gathering there.
TEST(GeometryReport, ProgressIsToldAndACancelIsHeard) {
    test::TempFolder dir;
    const int part = writeSurvey(dir.file("part.qzr"));
    std::string bytes;
    for (int i = 0; i < 8; ++i) bytes += test::readBytes(dir.file("part.qzr"));
    const std::string path = dir.write("survey.qzr", bytes);
    const auto length = static_cast<std::int64_t>(bytes.size());
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancelled" : "to the end");
        JobProgress progress;
        if (cancel) progress.cancel();
        auto doc = std::make_unique<CSondrelDoc>();
        GeometryReport report;
        collectGeometryReport(*doc, path, {}, report, &progress);
        EXPECT_EQ(report.cancelled, cancel);
        // The first look comes with the 64th record, before it is gathered.
        EXPECT_EQ(report.records, cancel ? 63 : 8 * part);
        EXPECT_EQ(progress.items(), cancel ? 64 : 8 * part);
        EXPECT_EQ(progress.total(), length);
        if (cancel) {
            EXPECT_GT(progress.done(), 0);
            EXPECT_LT(progress.done(), length);
        } else {
            EXPECT_EQ(progress.done(), length);
        }
    }
}

TEST(GeometryReport, AFileWithoutRecordsIsRefused) {
    test::TempFolder dir;
    auto doc = std::make_unique<CSondrelDoc>();
    GeometryReport report;
    EXPECT_FALSE(collectGeometryReport(*doc, dir.file("none.qzr"), {}, report).ok());
    EXPECT_EQ(report.records, 0);
}

// The charts' ticks: round values 1, 2 or 5 times a power of ten apart, all
// within the range, the ends kept when they are round, never more than asked.
TEST(GeometryReport, ChartTicksAreRoundStepsWithinTheRange) {
    struct Case {
        double low, high;
        int most;
        std::vector<double> ticks;
    };
    const Case cases[] = {
        {30.0, 34.0, 8, {30, 30.5, 31, 31.5, 32, 32.5, 33, 33.5, 34}},
        {30.0, 34.0, 4, {30, 31, 32, 33, 34}},
        {0.0, 0.15, 3, {0, 0.05, 0.1, 0.15}},
        {-3.2, 7.9, 5, {0, 5}},
        {1.0, 1000.0, 4, {500, 1000}},
        {1.0, 1000.0, 10, {100, 200, 300, 400, 500, 600, 700, 800, 900, 1000}},
        {0.597, 0.5994, 4, {0.597, 0.598, 0.599}},
        {5.0, 5.0, 4, {}},
        {1.0, std::numeric_limits<double>::infinity(), 4, {}},
    };
    for (const Case& c : cases) {
        const std::vector<double> ticks = chartTicks(c.low, c.high, c.most);
        ASSERT_EQ(ticks.size(), c.ticks.size()) << c.low << " to " << c.high;
        for (std::size_t i = 0; i < ticks.size(); ++i)
            EXPECT_NEAR(ticks[i], c.ticks[i], 1e-9) << c.low << " to " << c.high << " #" << i;
    }
}

}  // namespace
}  // namespace sondrel

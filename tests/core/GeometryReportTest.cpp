#include "analysis/GeometryReport.h"

#include <gtest/gtest.h>

#include "acquisition/SondrelDoc.h"
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
    doc->playbackActive = 1;
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

TEST(GeometryReport, AFileWithoutRecordsIsRefused) {
    test::TempFolder dir;
    auto doc = std::make_unique<CSondrelDoc>();
    GeometryReport report;
    EXPECT_FALSE(collectGeometryReport(*doc, dir.file("none.qzr"), {}, report).ok());
    EXPECT_EQ(report.records, 0);
}

}  // namespace
}  // namespace sondrel

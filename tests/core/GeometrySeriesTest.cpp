#include "analysis/GeometrySeries.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "analysis/GeometrySettings.h"
#include "common/IniFile.h"

namespace sondrel {
namespace {

PipeGeometry measured(double ovality, double sediment) {
    PipeGeometry g;
    g.quality = GeometryQuality::Ok;
    g.meanDiameter = 0.6;
    g.ovalityPercent = ovality;
    g.sedimentDepth = sediment;
    return g;
}

TEST(GeometrySeries, LevelsFollowTheSettingsAndTheNominalDiameter) {
    IniFile ini;
    ini.parse("[Pipe Geometry]\nOvality Warning=4\nOvality Alarm=2\nSediment Alarm=30\n");
    const GeometrySettings s = loadGeometrySettings(ini);
    // An alarm below its warning is raised to it; missing keys keep the defaults.
    EXPECT_DOUBLE_EQ(s.ovalityAlarm, 4.0);
    EXPECT_DOUBLE_EQ(s.sedimentWarning, 10.0);
    const GeometryBands b = geometryBands(s, 0.5);
    EXPECT_DOUBLE_EQ(b.sedimentWarning, 0.05);
    EXPECT_DOUBLE_EQ(b.sedimentAlarm, 0.15);

    struct Case {
        double ovality, sediment;
        GeometryLevel ovalityLevel, sedimentLevel;
    };
    const Case cases[] = {
        {0.0, 0.0, GeometryLevel::Normal, GeometryLevel::Normal},
        {3.99, 0.049, GeometryLevel::Normal, GeometryLevel::Normal},
        {4.0, 0.05, GeometryLevel::Alarm, GeometryLevel::Warning},
        {12.0, 0.149, GeometryLevel::Alarm, GeometryLevel::Warning},
        {12.0, 0.2, GeometryLevel::Alarm, GeometryLevel::Alarm},
    };
    for (const Case& c : cases) {
        const GeometrySample x = geometrySample(7, 700, 1.5, measured(c.ovality, c.sediment), b);
        EXPECT_TRUE(x.ok);
        EXPECT_EQ(x.ovality, c.ovalityLevel) << c.ovality;
        EXPECT_EQ(x.sediment, c.sedimentLevel) << c.sediment;
    }
    // Without a nominal diameter no depth is an alarm; a flagged ping has no level.
    EXPECT_EQ(geometrySample(1, 0, 0, measured(0, 5.0), geometryBands(s, 0.0)).sediment,
              GeometryLevel::Normal);
    PipeGeometry flagged = measured(50, 1);
    flagged.quality = GeometryQuality::OneSided;
    const GeometrySample f = geometrySample(1, 0, 0, flagged, b);
    EXPECT_TRUE(f.hasDistance);  // a distance of 0 is a place like any other
    EXPECT_FALSE(f.ok);
    EXPECT_EQ(f.ovality, GeometryLevel::Normal);
    EXPECT_EQ(f.ovalityPercent, 0.0);
}

TEST(GeometrySeries, PlacesSamplesAlongDistanceOrRecordOncePerRecord) {
    const GeometryBands b;
    GeometrySeries series;
    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    const auto add = [&](std::int64_t record, double distance, double ovality = 1.0) {
        series.add(geometrySample(record, record * 100, distance, measured(ovality, 0), b));
    };
    const auto records = [&] {
        std::vector<std::int64_t> r;
        for (const GeometrySample& s : series.samples()) r.push_back(s.record);
        return r;
    };
    add(1, none);
    add(2, none);
    EXPECT_FALSE(series.alongDistance());
    EXPECT_DOUBLE_EQ(series.along(series.samples()[1]), 2.0);
    add(5, 3.0);  // a jump forward leaves a gap
    EXPECT_TRUE(series.alongDistance());
    EXPECT_FALSE(series.samples()[0].hasDistance);
    EXPECT_DOUBLE_EQ(series.along(series.samples()[2]), 3.0);

    // Played again after a jump back: replaced in place, gaps filled in order.
    add(2, none, 7.0);
    add(3, none);
    add(1, none);
    EXPECT_EQ(records(), (std::vector<std::int64_t>{1, 2, 3, 5}));
    EXPECT_DOUBLE_EQ(series.samples()[1].ovalityPercent, 7.0);

    // The nearest measured sample; flagged ones are never picked.
    series.clear();
    EXPECT_FALSE(series.alongDistance());
    add(1, none);
    series.add(geometrySample(2, 200, none, PipeGeometry{}, b));
    add(3, none);
    ASSERT_NE(series.nearest(1.9), nullptr);
    EXPECT_EQ(series.nearest(1.9)->record, 1);
    EXPECT_EQ(series.nearest(2.1)->record, 3);
    EXPECT_EQ(series.nearest(2.1)->position, 300);
    series.clear();
    EXPECT_EQ(series.nearest(0.0), nullptr);
}

TEST(GeometrySeries, TheDistanceIsTheOrientationInputsOnlyWhileItGivesOne) {
    CSondrelDoc doc;
    doc.distanceM = 2.5;
    for (const auto& [enabled, valid, has] :
         {std::tuple{0, 1, false}, std::tuple{1, 0, false}, std::tuple{1, 1, true}}) {
        doc.prdEnable = enabled;
        doc.distanceValid = valid;
        EXPECT_EQ(std::isfinite(travelledDistance(doc)), has) << enabled << valid;
    }
    EXPECT_DOUBLE_EQ(travelledDistance(doc), 2.5);
}

TEST(GeometrySeries, ALongRunKeepsTheNewestSamples) {
    GeometrySeries series(8);
    for (std::int64_t r = 1; r <= 50; ++r) series.add(geometrySample(r, -1, 0, measured(1, 0), {}));
    ASSERT_LE(series.samples().size(), 8u);
    EXPECT_EQ(series.samples().back().record, 50);
    for (std::size_t i = 1; i < series.samples().size(); ++i)
        EXPECT_EQ(series.samples()[i].record, series.samples()[i - 1].record + 1);
}

}  // namespace
}  // namespace sondrel

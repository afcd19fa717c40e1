#include "analysis/GeometrySeries.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    ini.parse(
        "[Pipe Geometry]\nNominal Diameter=0.5\nOvality Warning=4\nOvality Alarm=2\n"
        "Sediment Alarm=30\n");
    const GeometrySettings s = loadGeometrySettings(ini);
    // An alarm below its warning is raised to it; missing keys keep the defaults.
    EXPECT_DOUBLE_EQ(s.ovalityAlarm, 4.0);
    EXPECT_DOUBLE_EQ(s.sedimentWarning, 10.0);
    const GeometryBands b = geometryBands(s);
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
    GeometrySettings none = s;
    none.nominalDiameter = 0.0;
    EXPECT_EQ(geometrySample(1, 0, 0, measured(0, 5.0), geometryBands(none)).sediment,
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
    doc.orientation.distanceM = 2.5;
    for (const auto& [enabled, valid, has] :
         {std::tuple{0, 1, false}, std::tuple{1, 0, false}, std::tuple{1, 1, true}}) {
        doc.link.prdEnable = enabled;
        doc.orientation.distanceValid = valid;
        EXPECT_EQ(std::isfinite(travelledDistance(doc)), has) << enabled << valid;
    }
    EXPECT_DOUBLE_EQ(travelledDistance(doc), 2.5);
}

// Along the distance, pings without one are left out and break the line,
// and a move back starts a new pass; along the record number every measured
// ping is a point of one line.
TEST(GeometrySeries, RunsBreakAtPingsWithoutADistanceAndAtPassesBack) {
    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        std::vector<double> distances;                // record n + 1 at distances[n]
        std::vector<int> unmeasured;                  // records (from 1) without figures
        std::vector<std::vector<std::int64_t>> runs;  // the records of each line
        double left, right;
    };
    const Case cases[] = {
        {"no distance at all", {none, none, none}, {}, {{1, 2, 3}}, 1, 3},
        {"readings from 100.4 m", {none, none, 100.4, 100.5, 100.6}, {}, {{3, 4, 5}}, 100.4, 100.6},
        {"a reconnect without readings",
         {10.0, 10.1, none, none, 10.4, 10.5},
         {},
         {{1, 2}, {5, 6}},
         10.0,
         10.5},
        {"an unmeasured ping keeps the line", {1.0, 1.1, 1.2, 1.3}, {2}, {{1, 3, 4}}, 1.0, 1.3},
        {"the counter reset", {155.0, 155.2, 0.0, 0.2, 0.4}, {}, {{1, 2}, {3, 4, 5}}, 0.0, 155.2},
        {"backing up and on",
         {5.0, 5.5, 6.0, 5.6, 5.2, 5.4},
         {},
         {{1, 2, 3}, {4, 5}, {6}},
         5.0,
         6.0},
        {"a survey run backwards", {9.0, 8.5, 8.0, 7.5}, {}, {{1, 2, 3, 4}}, 7.5, 9.0},
        {"jitter below the pass's step",
         {2.0, 2.02, 1.99, 2.03, 2.5},
         {},
         {{1, 2, 3, 4, 5}},
         1.99,
         2.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GeometrySeries series;
        for (std::size_t n = 0; n < c.distances.size(); ++n) {
            const auto record = static_cast<std::int64_t>(n + 1);
            const bool skip =
                std::find(c.unmeasured.begin(), c.unmeasured.end(), record) != c.unmeasured.end();
            series.add(geometrySample(record, -1, c.distances[n],
                                      skip ? PipeGeometry{} : measured(1.0, 0), {}));
        }
        std::vector<std::vector<std::int64_t>> runs;
        for (const GeometryRun& run : series.runs()) {
            runs.emplace_back();
            for (std::size_t i = run.begin; i < run.end; ++i)
                if (series.placed(series.samples()[i]))
                    runs.back().push_back(series.samples()[i].record);
        }
        EXPECT_EQ(runs, c.runs);
        const GeometrySpan span = series.span();
        ASSERT_TRUE(span.found);
        EXPECT_DOUBLE_EQ(span.left, c.left);
        EXPECT_DOUBLE_EQ(span.right, c.right);
    }
    EXPECT_FALSE(GeometrySeries().span().found);
    EXPECT_TRUE(GeometrySeries().runs().empty());
}

// New settings take a sample's ovality and levels again from its diameters.
TEST(GeometrySeries, SamplesAreTakenAgainOnNewSettings) {
    PipeGeometry g = measured(0, 0.06);
    g.minDiameter = 0.56;
    g.maxDiameter = 0.64;
    GeometrySeries series;
    series.add(geometrySample(1, -1, 1.0, g, {}));
    GeometrySettings settings;
    settings.nominalDiameter = 0.25;
    series.remeasure(settings);
    EXPECT_NEAR(series.samples()[0].ovalityPercent, 32.0, 1e-9);
    EXPECT_EQ(series.samples()[0].ovality, GeometryLevel::Alarm);
    EXPECT_EQ(series.samples()[0].sediment, GeometryLevel::Alarm);  // 0.06 m of 0.25 m
    settings.ovalityDefinition = 1;
    settings.nominalDiameter = 1.2;
    series.remeasure(settings);
    EXPECT_NEAR(series.samples()[0].ovalityPercent, 8.0 / 0.6, 1e-9);
    EXPECT_EQ(series.samples()[0].sediment, GeometryLevel::Normal);
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

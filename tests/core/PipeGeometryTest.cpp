#include "analysis/PipeGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace sondrel {
namespace {

constexpr double kPi = std::numbers::pi;

// An exact pipe seen from a head: the wall is an ellipse about the origin with
// its major axis `angle` degrees from horizontal, an optional level floor, and
// 400 look directions from the head, of which only those within `arc`
// degrees of straight up return.
struct Shape {
    double a = 0.3, b = 0.3, angle = 0.0;
    double headX = 0.0, headY = 0.0;
    double floorY = -1e9;
    double arc = 360.0;
};

std::vector<GeometryPoint> profileOf(const Shape& s) {
    std::vector<GeometryPoint> points;
    const double c = std::cos(s.angle * kPi / 180), sn = std::sin(s.angle * kPi / 180);
    for (int i = 0; i < 400; ++i) {
        const double look = i * 0.9;  // degrees clockwise from straight up
        if (std::fabs(std::remainder(look, 360.0)) > s.arc / 2) continue;
        const double dx = std::sin(look * kPi / 180), dy = std::cos(look * kPi / 180);
        const double hu = s.headX * c + s.headY * sn, hv = -s.headX * sn + s.headY * c;
        const double du = dx * c + dy * sn, dv = -dx * sn + dy * c;
        const double qa = du * du / (s.a * s.a) + dv * dv / (s.b * s.b);
        const double qb = 2 * (hu * du / (s.a * s.a) + hv * dv / (s.b * s.b));
        const double qc = hu * hu / (s.a * s.a) + hv * hv / (s.b * s.b) - 1;
        double t = (-qb + std::sqrt(qb * qb - 4 * qa * qc)) / (2 * qa);
        if (dy < 0) t = std::min(t, (s.floorY - s.headY) / dy);
        points.push_back({s.headX + t * dx, s.headY + t * dy});
    }
    return points;
}

// The head sits anywhere in the pipe; the points are given relative to it.
std::vector<GeometryPoint> seenFromHead(const Shape& s) {
    std::vector<GeometryPoint> points = profileOf(s);
    for (GeometryPoint& p : points) {
        p.x -= s.headX;
        p.y -= s.headY;
    }
    return points;
}

TEST(PipeGeometryTest, ExactShapesGiveTheirKnownFigures) {
    struct Case {
        const char* name;
        Shape shape;
        double nominal;
        double dMin, dMax, ovality, sediment, area;
        double majorAngle;  // of the ellipse, -1 when round
    };
    const double floorDepth = 0.09;  // in a 0.3 m radius pipe
    const double h = 0.3 - floorDepth;
    const double segment = 0.09 * std::acos(h / 0.3) - h * std::sqrt(0.09 - h * h);
    const Case cases[] = {
        {"circle, head off centre",
         {0.3, 0.3, 0, 0.05, -0.06},
         0.6,
         0.6,
         0.6,
         0,
         0,
         kPi * 0.09,
         -1},
        {"ellipse at 30 degrees",
         {0.33, 0.27, 30, -0.04, 0.03},
         0.6,
         0.54,
         0.66,
         20,
         0,
         kPi * 0.33 * 0.27,
         30},
        {"circle with a flat floor",
         {0.3, 0.3, 0, 0.02, 0.05, -h},
         0.6,
         0.6,
         0.6,
         0,
         floorDepth,
         kPi * 0.09 - segment,
         -1},
        {"circle larger than nominal",
         {0.35, 0.35, 0, 0, 0},
         0.6,
         0.7,
         0.7,
         0,
         0,
         kPi * 0.1225,
         -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<GeometryPoint> points = seenFromHead(c.shape);
        const PipeGeometry g = analysePipe(points, c.nominal);
        ASSERT_TRUE(g.ok()) << geometryQualityText(g.quality);
        // The centre is where the pipe axis lies relative to the head.
        ASSERT_TRUE(g.ellipse.valid);
        EXPECT_NEAR(g.ellipse.centreX, -c.shape.headX, 1e-3);
        EXPECT_NEAR(g.ellipse.centreY, -c.shape.headY, 2e-3);
        EXPECT_NEAR(g.circle.centreX, -c.shape.headX, 5e-3);
        EXPECT_NEAR(g.circle.centreY, -c.shape.headY, 5e-3);
        EXPECT_NEAR(g.minDiameter, c.dMin, 2e-3);
        EXPECT_NEAR(g.maxDiameter, c.dMax, 2e-3);
        EXPECT_NEAR(g.ovalityPercent, c.ovality, 0.3);
        EXPECT_NEAR(g.deformationPercent, (c.nominal - c.dMin) / c.nominal * 100, 0.3);
        EXPECT_NEAR(g.sedimentDepth, c.sediment, 2e-3);
        EXPECT_NEAR(g.area, c.area, 0.01 * c.area);
        const double nominalArea = kPi * c.nominal * c.nominal / 4;
        EXPECT_NEAR(g.areaLossPercent, (nominalArea - c.area) / nominalArea * 100, 1.0);
        if (c.sediment > 0) {
            EXPECT_NEAR(g.sedimentArea, segment, 0.05 * segment);
            EXPECT_LT(g.pointsUsed, static_cast<int>(points.size()));
        } else {
            EXPECT_EQ(g.sedimentArea, 0.0);
        }
        if (c.majorAngle >= 0) {
            EXPECT_NEAR(g.ellipse.angleDegrees, c.majorAngle, 0.5);
            EXPECT_NEAR(g.ellipse.semiMajor, c.shape.a, 1e-3);
            EXPECT_NEAR(g.ellipse.semiMinor, c.shape.b, 1e-3);
            // The directions of the callipers follow the axes.
            EXPECT_NEAR(g.maxDirectionDegrees, c.majorAngle, 2.0);
            EXPECT_NEAR(g.minDirectionDegrees, c.majorAngle + 90, 2.0);
        }
        EXPECT_LT(g.rmsResidual, 1e-3);
    }
}

TEST(PipeGeometryTest, OutliersAreRejectedAndTheFigureStays) {
    Shape shape{0.3, 0.3, 0, 0.03, 0.0};
    std::vector<GeometryPoint> points = seenFromHead(shape);
    // Debris in the water and multipath echoes beyond the wall, one point in ten.
    for (std::size_t i = 0; i < points.size(); i += 10) {
        const double k = (i / 10) % 2 ? 0.5 : 1.4;
        points[i].x *= k;
        points[i].y *= k;
    }
    const PipeGeometry g = analysePipe(points, 0.6);
    ASSERT_TRUE(g.ok());
    EXPECT_EQ(g.pointsUsed, static_cast<int>(points.size() - 40));
    EXPECT_NEAR(g.meanDiameter, 0.6, 1e-3);
    EXPECT_NEAR(g.ovalityPercent, 0.0, 0.2);
    EXPECT_EQ(g.sedimentDepth, 0.0);
}

TEST(PipeGeometryTest, UnmeasurablePingsAreFlaggedWithoutFigures) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Shape arc{0.3, 0.3, 0, 0, 0};
    arc.arc = 140;
    std::vector<GeometryPoint> full = seenFromHead(Shape{});
    std::vector<GeometryPoint> poisoned = full;
    for (std::size_t i = 0; i < poisoned.size(); i += 2) poisoned[i] = {nan, 1e300};
    std::vector<GeometryPoint> allNan(400, GeometryPoint{nan, nan});
    std::vector<GeometryPoint> onePlace(400, GeometryPoint{0.1, 0.2});
    // Every other echo from a second wall inside the first: no one wall.
    std::vector<GeometryPoint> twoWalls = full;
    for (std::size_t i = 0; i < twoWalls.size(); i += 2) {
        twoWalls[i].x *= 0.7;
        twoWalls[i].y *= 0.7;
    }
    std::vector<GeometryPoint> line;
    for (int i = 0; i < 400; ++i) line.push_back({i * 0.001, 0.5});
    struct Case {
        const char* name;
        std::vector<GeometryPoint> points;
        double nominal;
        GeometryQuality quality;
    };
    const Case cases[] = {
        {"no points", {}, 0.6, GeometryQuality::TooFewPoints},
        {"a few points", {full.begin(), full.begin() + 10}, 0.6, GeometryQuality::TooFewPoints},
        {"not a number", allNan, 0.6, GeometryQuality::TooFewPoints},
        {"a one-sided arc", seenFromHead(arc), 0.6, GeometryQuality::OneSided},
        {"all at one place", onePlace, 0.6, GeometryQuality::OneSided},
        {"on a straight line", line, 0.6, GeometryQuality::OneSided},
        {"two walls", twoWalls, 0.6, GeometryQuality::NotConverged},
        // Nothing to measure is said as such, whatever the nominal.
        {"no points and no nominal", {}, 0.0, GeometryQuality::TooFewPoints},
        {"two walls and no nominal", twoWalls, nan, GeometryQuality::NotConverged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PipeGeometry g = analysePipe(c.points, c.nominal);
        EXPECT_EQ(g.quality, c.quality) << geometryQualityText(g.quality);
        EXPECT_EQ(g.meanDiameter, 0.0);
        EXPECT_EQ(g.ovalityPercent, 0.0);
        EXPECT_EQ(g.area, 0.0);
        EXPECT_EQ(g.pointsUsed, 0);
    }
    // Half the points unusable still leaves a measurable ring.
    const PipeGeometry g = analysePipe(poisoned, 0.6);
    ASSERT_TRUE(g.ok());
    EXPECT_EQ(g.pointsGiven, 200);
    EXPECT_NEAR(g.meanDiameter, 0.6, 1e-3);
}

// Without a nominal diameter the shape is measured all the same, its ovality
// on its own mean diameter; the figures that need a nominal are no numbers,
// and the flag says why. With one, either definition may be asked for.
TEST(PipeGeometryTest, TheNominalDecidesOnlyTheFiguresThatNeedIt) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<GeometryPoint> oval = seenFromHead(Shape{0.33, 0.27, 30, 0.02, -0.01});
    const PipeGeometry reference = analysePipe(oval, 0.6);
    ASSERT_TRUE(reference.ok());
    const double spread = reference.maxDiameter - reference.minDiameter;
    EXPECT_NEAR(spread, 0.12, 2e-3);
    struct Case {
        const char* name;
        double nominal;
        OvalityBasis asked;
        GeometryQuality quality;
        OvalityBasis used;
        double ovality;
    };
    const Case cases[] = {
        {"nominal 1.0", 1.0, OvalityBasis::Nominal, GeometryQuality::Ok, OvalityBasis::Nominal,
         spread / 1.0 * 100},
        {"on the mean", 1.0, OvalityBasis::Mean, GeometryQuality::Ok, OvalityBasis::Mean,
         spread / reference.meanDiameter * 100},
        {"nominal diameter 0", 0.0, OvalityBasis::Nominal, GeometryQuality::BadNominal,
         OvalityBasis::Mean, spread / reference.meanDiameter * 100},
        {"nominal diameter NaN", nan, OvalityBasis::Mean, GeometryQuality::BadNominal,
         OvalityBasis::Mean, spread / reference.meanDiameter * 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PipeGeometry g = analysePipe(oval, c.nominal, c.asked);
        EXPECT_EQ(g.quality, c.quality) << geometryQualityText(g.quality);
        EXPECT_TRUE(g.measured());
        EXPECT_EQ(g.ovalityBasis, c.used);
        EXPECT_NEAR(g.ovalityPercent, c.ovality, 1e-9);
        // The shape itself never depends on the nominal.
        EXPECT_EQ(g.meanDiameter, reference.meanDiameter);
        EXPECT_EQ(g.area, reference.area);
        if (c.quality == GeometryQuality::Ok) {
            EXPECT_DOUBLE_EQ(g.nominalDiameter, c.nominal);
            EXPECT_NEAR(g.deformationPercent, (c.nominal - g.minDiameter) / c.nominal * 100, 1e-9);
            EXPECT_TRUE(std::isfinite(g.areaLossPercent));
        } else {
            EXPECT_EQ(g.nominalDiameter, 0.0);
            EXPECT_TRUE(std::isnan(g.deformationPercent));
            EXPECT_TRUE(std::isnan(g.areaLossPercent));
        }
    }
    EXPECT_STREQ(ovalityDefinitionText(OvalityBasis::Nominal), "(Dmax - Dmin) / Dnominal");
    EXPECT_STREQ(ovalityDefinitionText(OvalityBasis::Mean), "(Dmax - Dmin) / Dmean");
}

TEST(PipeGeometryTest, AnAnalyserGivesTheSameAnswerPingAfterPing) {
    PipeAnalyser analyser;
    const std::vector<GeometryPoint> oval = seenFromHead(Shape{0.32, 0.28, 100, 0.02, 0.01});
    const std::vector<GeometryPoint> round = seenFromHead(Shape{});
    const PipeGeometry first = analyser.analyse(oval, 0.6);
    analyser.analyse(round, 0.6);
    analyser.analyse({}, 0.6);
    const PipeGeometry again = analyser.analyse(oval, 0.6);
    EXPECT_EQ(first.meanDiameter, again.meanDiameter);
    EXPECT_EQ(first.ovalityPercent, again.ovalityPercent);
    EXPECT_EQ(first.pointsUsed, again.pointsUsed);
}

}  // namespace
}  // namespace sondrel

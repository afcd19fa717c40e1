// The survey scenario: what the file may say and how it is refused, the
// crawler's chainage through stops, reversals and changes made at run time,
// the pipe at a chainage as the head sees it, and the truth held against the
// same pipe measured along the head's own look directions.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "simulation/Scenario.h"

using namespace sondrel;

namespace {

Scenario parsed(const std::string& text) {
    const ScenarioParse p = parseScenario(text, "t.scn");
    EXPECT_TRUE(p.scenario) << p.error;
    return p.scenario ? *p.scenario : Scenario{};
}

// Seen from the axis, the wall's distance there and the opposite way.
double calliper(const CrossSection& s, double degreesFromX) {
    const SectionSnapshot snap(s, s.axisX, s.axisY);
    const double a = degreesFromX * std::numbers::pi / 180.0;
    return *snap.distanceAlong(std::cos(a), std::sin(a)) +
           *snap.distanceAlong(-std::cos(a), -std::sin(a));
}

}  // namespace

TEST(Scenario, RefusesWhatCannotBeWithTheLineAndTheReason) {
    const std::string pipe = "pipe diameter=0.6 length=20\n";
    const struct {
        std::string text;
        std::string said;
    } cases[] = {
        {"", "t.scn:1: no 'pipe"},
        {pipe + "bend at=3\n", "t.scn:2: unknown keyword 'bend'"},
        {pipe + "sediment from=1 to=2 deep=0.1\n", "t.scn:2: sediment: unknown name 'deep'"},
        {pipe + "sediment from=1 to=2 depth\n", "t.scn:2: sediment: 'depth' is not name=value"},
        {pipe + "sediment from=1 to=2 depth=abc\n", "t.scn:2: sediment: depth needs a number"},
        {pipe + "sediment from=1 to=2\n", "t.scn:2: sediment: depth= is missing"},
        {pipe + "sediment from=1 to=2 depth=0.1 depth=0.1\n", "'depth' given twice"},
        {"pipe diameter=-0.6 length=20\n", "t.scn:1: pipe: diameter needs a number from 0.05"},
        {pipe + pipe, "t.scn:2: 'pipe' given twice (first on line 1)"},
        {pipe + "sediment from=3 to=2 depth=0.1\n", "t.scn:2: sediment: from=3 is not before to=2"},
        {pipe + "deformation from=3 to=25 peak=0.1\n", "t.scn:2: deformation: to=25 lies beyond"},
        {pipe + "sediment from=2 to=6 depth=0.1\n# note\nsediment from=5 to=9 depth=0.1\n",
         "t.scn:4: sediment from=5 to=9 overlaps the one on line 2"},
        {pipe + "sediment from=2 to=6 depth=0.65\n", "t.scn:2: sediment: depth=0.65 is deeper"},
        {pipe + "sediment from=2 to=6 depth=0.4\n", "t.scn:2: sediment leaves the head outside"},
        {pipe + "obstacle from=2 to=3 clock=12 height=0.35\n", "t.scn:2: obstacle leaves the head"},
        {pipe + "stop at=5 seconds=2\nreverse at=5 back=1\n", "t.scn:3: reverse: the crawler"},
        {pipe + "crawler start=4\nreverse at=5 back=2\n", "t.scn:3: reverse: back=2 would take"},
        {pipe + "connection at=5 clock=2 width=0.2\nconnection at=5.1 clock=9 width=0.2\n",
         "t.scn:3: connection: it overlaps"},
        {pipe + "joint at=21\n", "t.scn:2: joint: at=21 lies beyond"},
        {pipe + "joint clock=13 at=2\n", "t.scn:2: joint: clock needs a number from 1 to 12"},
        {pipe + std::string("noise sigma=0.001\0x\n", 20), "t.scn:2: not a text line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const ScenarioParse p = parseScenario(c.text, "t.scn");
        EXPECT_FALSE(p.scenario);
        EXPECT_NE(p.error.find(c.said), std::string::npos) << p.error;
    }
}

TEST(Scenario, ReadsItemsWithCommentsDefaultsAndAnyOrder) {
    const Scenario s = parsed(
        "# a pipe\n  joint at=2.5 step=0.02 clock=3   # displaced\n"
        "pipe length=30 diameter=0.45\nsediment depth=0.05 from=10 to=20\n"
        "offset y=-0.01\n\ncrawler speed=0.2\n");
    EXPECT_EQ(s.diameter, 0.45);
    EXPECT_EQ(s.length, 30.0);
    EXPECT_EQ(s.speed, 0.2);
    EXPECT_EQ(s.start, 0.0);
    EXPECT_EQ(s.offsetX, 0.0);
    EXPECT_EQ(s.offsetY, -0.01);
    ASSERT_EQ(s.joints.size(), 1u);
    EXPECT_EQ(s.joints[0].line, 2);
    ASSERT_EQ(s.sediments.size(), 1u);
    EXPECT_EQ(s.sediments[0].depth, 0.05);
}

TEST(Scenario, TheCrawlerStopsBacksUpAndEndsAtThePipesEnd) {
    const Scenario s = parsed(
        "pipe diameter=0.6 length=20\ncrawler speed=1 start=2\n"
        "reverse at=10 back=3\nstop at=5 seconds=4\n");
    CrawlerRun run(s);
    // 3 m to the stop, 4 s held, 5 m to the turn, 3 back, 3 on, 10 to the end.
    const struct {
        double t, chainage;
    } plan[] = {{0, 2},  {1.5, 3.5}, {3, 5},  {5, 5},   {7, 5},   {8, 6},   {12, 10},
                {13, 9}, {15, 7},    {16, 8}, {18, 10}, {19, 11}, {28, 20}, {100, 20}};
    for (const auto& p : plan) EXPECT_NEAR(run.chainageAt(p.t), p.chainage, 1e-9) << p.t;
}

TEST(Scenario, PauseAndSpeedChangesKeepTheChainageContinuous) {
    const Scenario s = parsed("pipe diameter=0.6 length=100\ncrawler speed=0.5\n");
    CrawlerRun run(s);
    EXPECT_NEAR(run.chainageAt(10), 5.0, 1e-9);
    run.pause(12);
    EXPECT_NEAR(run.chainageAt(20), 6.0, 1e-9);
    run.resume(20);
    run.setSpeed(2.0, 21);
    EXPECT_NEAR(run.chainageAt(22), 6.5 + 2.0, 1e-9);
    run.setSpeed(-1.0, 22);  // held, not driven backwards
    EXPECT_NEAR(run.chainageAt(30), 8.5, 1e-9);
    EXPECT_NEAR(run.chainageAt(25), 8.5, 1e-9) << "time does not run back";
}

TEST(Scenario, TheTruthIsThePipeTheHeadSees) {
    const Scenario s = parsed(
        "pipe diameter=0.6 length=60\njoints every=2.5\n"
        "joint at=12.5 step=0.015 clock=3\n"
        "deformation from=18 to=24 peak=0.08 angle=30\n"
        "sediment from=30 to=40 depth=0.09\ndiameter from=50 to=60 value=0.5\n");
    // Callipers measured along the head's look directions from the axis.
    for (const double c : {5.0, 18.6, 19.2, 21.0, 23.5, 35.0, 55.0}) {
        SCOPED_TRACE(c);
        const CrossSection section = s.sectionAt(c);
        const TruthRow row = truthAt(s, c, 0.1);
        double sum = 0, lo = 1e9, hi = 0;
        for (int k = 0; k < 180; ++k) {
            const double d = calliper(section, k + 0.5);
            sum += d;
            lo = std::min(lo, d);
            hi = std::max(hi, d);
        }
        if (row.sedimentDepth == 0.0) {
            EXPECT_NEAR(row.meanDiameter, sum / 180, 1e-9);
            EXPECT_NEAR(row.minDiameter, lo, 1e-9);
            EXPECT_NEAR(row.maxDiameter, hi, 1e-9);
        }
        EXPECT_NEAR(row.ovalityPercent,
                    (row.maxDiameter - row.minDiameter) / row.meanDiameter * 100, 1e-9);
        EXPECT_NEAR(row.deformationPercent, (row.nominal - row.minDiameter) / row.nominal * 100,
                    1e-9);
    }
    // The deformed stretch: nothing at its ends, the peak from a fifth in.
    EXPECT_NEAR(truthAt(s, 18.0, 0.1).ovalityPercent, 0.0, 1e-9);
    EXPECT_NEAR(truthAt(s, 18.6, 0.1).maxDiameter - truthAt(s, 18.6, 0.1).minDiameter,
                0.5 * 0.08 * 0.6, 1e-4);
    EXPECT_NEAR(truthAt(s, 21.0, 0.1).deformationPercent, 4.0, 0.01);
    // The wedge peaks at the middle; the floor is where the head sees it.
    EXPECT_NEAR(truthAt(s, 32.5, 0.1).sedimentDepth, 0.045, 1e-12);
    const CrossSection wedge = s.sectionAt(35.0);
    EXPECT_NEAR(*SectionSnapshot(wedge, 0, 0).distanceAlong(0, -1), 0.3 - 0.09, 1e-12);
    // The floor's share of the bore: the circular segment of the textbook.
    const double r = 0.3, h = 0.09;
    const double segment = r * r * std::acos((r - h) / r) - (r - h) * std::sqrt(2 * r * h - h * h);
    EXPECT_NEAR(truthAt(s, 35.0, 0.1).sedimentAreaPercent,
                100.0 * segment / (std::numbers::pi * r * r), 1e-9);
    // The displaced pipe reaches to the next joint and no further.
    EXPECT_EQ(s.sectionAt(12.4).axisX, 0.0);
    EXPECT_NEAR(s.sectionAt(12.5).axisX, 0.015, 1e-12);
    EXPECT_NEAR(s.sectionAt(14.9).axisX, 0.015, 1e-12);
    EXPECT_EQ(s.sectionAt(15.0).axisX, 0.0);
    EXPECT_NEAR(*SectionSnapshot(s.sectionAt(13), 0, 0).distanceAlong(1, 0), 0.315, 1e-12);
    EXPECT_EQ(truthAt(s, 55.0, 0.1).nominal, 0.5);
    EXPECT_EQ(truthAt(s, 60.0, 0.1).nominal, 0.5) << "a stretch to the end holds the end";
}

TEST(Scenario, ConnectionsAndObstaclesShowInTheEchoes) {
    const Scenario s = parsed(
        "pipe diameter=0.6 length=10\nconnection at=4 clock=3 width=0.2\n"
        "obstacle from=6 to=7 clock=6 height=0.05\n");
    // Through the opening a far echo, beside it the wall.
    const SectionSnapshot hole(s.sectionAt(4.0), 0, 0);
    EXPECT_NEAR(*hole.distanceAlong(1, 0), 0.3 + 0.4, 1e-12);
    EXPECT_NEAR(*hole.distanceAlong(0, 1), 0.3, 1e-12);
    EXPECT_NEAR(*SectionSnapshot(s.sectionAt(4.11), 0, 0).distanceAlong(1, 0), 0.3, 1e-12);
    const SectionSnapshot debris(s.sectionAt(6.5), 0, 0);
    EXPECT_NEAR(*debris.distanceAlong(0, -1), 0.25, 1e-12);
    EXPECT_NEAR(*debris.distanceAlong(1, 0), 0.3, 1e-12);
}

TEST(Scenario, FeaturesNameWhatLiesInEachRowsCell) {
    const Scenario s = parsed(
        "pipe diameter=0.6 length=20\njoints every=2.5\njoint at=5 step=0.01 clock=9\n"
        "deformation from=4 to=6 peak=0.05\nconnection at=7.52 clock=2 width=0.1\n"
        "diameter from=15 to=20 value=0.5\n");
    const struct {
        double c;
        const char* features;
    } rows[] = {{0.0, ""},
                {2.5, "joint"},
                {4.5, "deformation"},
                {5.0, "joint;displaced-joint;deformation"},
                {7.5, "joint;connection"},
                {15.0, "joint;reducer"},
                {20.0, ""}};
    for (const auto& r : rows) EXPECT_EQ(truthAt(s, r.c, 0.1).features, r.features) << r.c;
    const std::string csv = truthCsv(s, 0.5);
    EXPECT_EQ(csv.rfind(truthCsvHeader(), 0), 0u);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 41);
}

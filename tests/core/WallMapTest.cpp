// The wall map of a model pipe whose shape is known stretch by stretch: the
// cells read back must show each defect's sign at its clock positions and
// chainages, the sediment at the invert, and nothing where no ping reached.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

#include "acquisition/SondrelDoc.h"
#include "common/JobProgress.h"
#include "pipeview/PipeViews.h"
#include "support/PipeScenario.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

// Round 0-2 m; oval 2-4 m (largest diameter across); 4-6 m a section whose
// axis lies 30 mm below the head's; 6-8 m silted 90 mm deep.
std::vector<test::PipeStretch> scenario() {
    const PipeModel round = test::stillPipe();
    PipeModel oval = round;
    oval.ovality = 0.10;
    PipeModel displaced = round;
    displaced.offsetY = 0.03;
    PipeModel silted = round;
    silted.sediment = 0.09;
    return {{round, 0, 2}, {oval, 2, 4}, {displaced, 4, 6}, {silted, 6, 8}};
}

class WallMapOfModelPipe : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder = new test::TempFolder;
        path = folder->file("pipe.qzr");
        ASSERT_EQ(test::writePipeScenario(path, scenario(), 0.05), 160);
    }
    static void TearDownTestSuite() { delete folder; }

    static WallMap build(WallCentre centre, const ChainageSource& chainage,
                         JobProgress* progress = nullptr) {
        WallMap map;
        CSondrelDoc doc;
        doc.flags.playbackActive = true;
        const ConversionResult r =
            buildPipeViews(doc, path, {.nominalDiameter = 0.6, .centre = centre}, chainage,
                           {.map = &map}, progress);
        EXPECT_TRUE(r.ok()) << r.message;
        return map;
    }
    static inline test::TempFolder* folder = nullptr;
    static inline std::string path;
};

constexpr double kTwelve = 0, kThree = 90, kSix = 180, kNine = 270;

TEST_F(WallMapOfModelPipe, CellsShowEachDefectAtItsClockPositions) {
    const DistanceReadingChainage distance;
    JobProgress progress;
    const WallMap fitted = build(WallCentre::FittedCircle, distance, &progress);
    const WallMap head = build(WallCentre::Head, distance);
    EXPECT_GT(progress.done(), 0);
    EXPECT_EQ(progress.done(), progress.total());
    EXPECT_EQ(progress.items(), 160);
    EXPECT_EQ(fitted.columns(), 160);
    EXPECT_DOUBLE_EQ(fitted.startChainage(), 0.0);

    // The oval's axes: 10 % of 600 mm is 60 mm between largest and smallest
    // diameter, so about 15 mm of radius each way about the mean.
    struct Expect {
        const char* what;
        const WallMap* map;
        double chainage, clock;
        CellState state;
        double lowMm, highMm;
    };
    const Expect cases[] = {
        {"round", &fitted, 1.0, kTwelve, CellState::Wall, -3, 3},
        {"round", &fitted, 1.0, kNine, CellState::Wall, -3, 3},
        {"oval crown in", &fitted, 3.0, kTwelve, CellState::Wall, -25, -10},
        {"oval invert in", &fitted, 3.0, kSix, CellState::Wall, -25, -10},
        {"oval side out", &fitted, 3.0, kThree, CellState::Wall, 10, 25},
        {"oval side out", &fitted, 3.0, kNine, CellState::Wall, 10, 25},
        {"oval between", &fitted, 3.0, 45, CellState::Wall, -6, 6},
        {"displaced, from its own circle", &fitted, 5.0, kTwelve, CellState::Wall, -3, 3},
        {"displaced crown, from the head", &head, 5.0, kTwelve, CellState::Wall, -35, -25},
        {"displaced invert, from the head", &head, 5.0, kSix, CellState::Wall, 25, 35},
        {"displaced side, from the head", &head, 5.0, kThree, CellState::Wall, -3, 3},
        {"round, from the head", &head, 1.0, kTwelve, CellState::Wall, -3, 3},
        {"silted invert", &fitted, 7.0, kSix, CellState::Sediment, 0, 0},
        {"silted invert off centre", &fitted, 7.0, kSix - 20, CellState::Sediment, 0, 0},
        {"silted crown", &fitted, 7.0, kTwelve, CellState::Wall, -3, 3},
        {"silted side", &fitted, 7.0, kNine, CellState::Wall, -3, 3},
        {"before the survey", &fitted, -0.5, kTwelve, CellState::NoEcho, 0, 0},
        {"after the survey", &fitted, 9.0, kSix, CellState::NoEcho, 0, 0},
    };
    for (const Expect& e : cases) {
        SCOPED_TRACE(std::string(e.what) + " at " + std::to_string(e.chainage) + " m, " +
                     std::to_string(e.clock) + " degrees");
        const WallCell c = e.map->cell(e.chainage, e.clock);
        ASSERT_EQ(c.state, e.state);
        if (e.state != CellState::Wall) continue;
        EXPECT_GE(c.departureMm, e.lowMm);
        EXPECT_LE(c.departureMm, e.highMm);
    }

    // The displaced section ends in a step at 6 m: one bin before it the
    // crown lies 30 mm in, one after it on the nominal circle again.
    EXPECT_NEAR(head.cell(6.03, kTwelve).departureMm - head.cell(5.97, kTwelve).departureMm, 30, 5);
    // The sediment covers the invert only: rows near 3 and 9 o'clock are wall.
    int sedimentRows = 0;
    for (int r = 0; r < fitted.rows(); ++r) {
        if (fitted.cell(7.0, fitted.clockDegreesOfRow(r)).state == CellState::Sediment) {
            ++sedimentRows;
            EXPECT_GT(fitted.clockDegreesOfRow(r), 90);
            EXPECT_LT(fitted.clockDegreesOfRow(r), 270);
        }
    }
    // A floor 90 mm up a 300 mm radius spans about 2 x 46 degrees of the clock.
    EXPECT_NEAR(sedimentRows * 360.0 / fitted.rows(), 92, 12);
}

// Records of a pass that is not kept leave the map as the kept pass made it;
// a click finds the record nearest its bin.
class SecondPassOverTheStart : public ChainageSource {
  public:
    RecordChainage chainageOf(std::int64_t record, double distance) const override {
        // Records 41-80 (the oval) are told to lie over the round stretch again.
        if (record > 40 && record <= 80) return {distance - 2.0, false};
        return {distance, true};
    }
};

TEST_F(WallMapOfModelPipe, APassNotKeptLeavesTheMapAndAClickFindsTheRecord) {
    const WallMap map = build(WallCentre::FittedCircle, SecondPassOverTheStart());
    EXPECT_NEAR(map.cell(1.0, kThree).departureMm, 0, 3) << "the oval's pass is not drawn";
    EXPECT_EQ(map.cell(3.0, kThree).state, CellState::NoEcho);
    ASSERT_TRUE(map.recordAt(1.01).has_value());
    EXPECT_EQ(*map.recordAt(1.01), 21);  // 1.025 m, the 21st step of 5 cm
    EXPECT_EQ(*map.recordAt(7.99), 160);
    EXPECT_FALSE(map.recordAt(3.0).has_value());
    EXPECT_FALSE(map.recordAt(12.0).has_value());
}

TEST_F(WallMapOfModelPipe, RenderingShowsStatesAndKeepsTheWorstWhenZoomedOut) {
    const WallMap map = build(WallCentre::FittedCircle, DistanceReadingChainage());
    const DepartureScale scale{.rangeMm = 20};
    RgbImage image;
    image.resize(100, 240);  // 0.1 m a pixel, two pixels a row
    map.render(-1.0, 9.0, scale, image);
    const auto rowY = [&](double clock) { return map.rowOf(clock) * 2; };
    EXPECT_EQ(image.at(2, rowY(kTwelve)), kNoEchoColour);  // -0.8 m
    EXPECT_EQ(image.at(80, rowY(kSix)), kSedimentColour);  // 7.0 m
    EXPECT_EQ(image.at(40, rowY(kThree)), scale.colourOf(map.cell(3.0, kThree).departureMm));
    const Rgb side = image.at(40, rowY(kThree)), crown = image.at(40, rowY(kTwelve));
    EXPECT_GT(side.r, side.b) << "out is warm";
    EXPECT_GT(crown.b, crown.r) << "in is cool";

    // Ten metres in three pixels: the oval's crown still shows in the middle one.
    RgbImage small;
    small.resize(3, 120);
    map.render(0.0, 9.0, scale, small);
    const Rgb worst = small.at(0, map.rowOf(kTwelve));
    EXPECT_GT(worst.b, worst.r + 60);
}

// A survey may start anywhere and run either way: the map grows at both
// ends and keeps every cell it had, and a distance beyond belief is refused.
TEST(WallMap, GrowsEitherWayKeepingItsCells) {
    const auto ring = [](double chainage, double departure) {
        PipeSlice s;
        s.chainage = chainage;
        s.measured = true;
        s.radius = 0.3;
        for (int i = 0; i < 400; ++i) {
            const double a = i * 0.9 * std::numbers::pi / 180;
            s.points.push_back({(0.3 + departure) * std::cos(a), (0.3 + departure) * std::sin(a)});
        }
        return s;
    };
    const double chainages[] = {5.0, 4.0, -3.0, 12.0, -40.0, 0.02, 30.0};
    WallMap map;
    for (std::size_t i = 0; i < std::size(chainages); ++i) {
        EXPECT_TRUE(map.append(ring(chainages[i], 0.001 * static_cast<double>(i + 1))));
    }
    EXPECT_FALSE(map.append(ring(1e12, 0.0)));
    EXPECT_FALSE(map.append(ring(std::nan(""), 0.0)));
    EXPECT_DOUBLE_EQ(map.startChainage(), -40.0);
    EXPECT_DOUBLE_EQ(map.endChainage(), 30.05);
    for (std::size_t i = 0; i < std::size(chainages); ++i) {
        for (double clock : {0.0, 100.0, 250.0}) {
            const WallCell c = map.cell(chainages[i], clock);
            ASSERT_EQ(c.state, CellState::Wall) << chainages[i];
            EXPECT_NEAR(c.departureMm, static_cast<double>(i + 1), 0.01) << chainages[i];
        }
    }
    EXPECT_EQ(map.cell(4.5, 0).state, CellState::NoEcho);
    EXPECT_EQ(map.cell(1e300, 0).state, CellState::NoEcho);
    EXPECT_FALSE(map.recordAt(-1e300).has_value());
}

// Pings between two distance readings share one place: a short stretch
// without one is drawn as the ping before it, a long one stays empty.
TEST(WallMap, RenderingBridgesOnlyShortStretchesWithoutAPing) {
    const auto ring = [](double chainage) {
        PipeSlice s;
        s.chainage = chainage;
        s.record = static_cast<std::int64_t>(chainage * 100) + 1;
        s.measured = true;
        s.radius = 0.3;
        for (int i = 0; i < 400; ++i) {
            const double a = i * 0.9 * std::numbers::pi / 180;
            s.points.push_back({0.31 * std::cos(a), 0.31 * std::sin(a)});
        }
        return s;
    };
    WallMap map;
    for (const double at : {0.0, 0.05, 0.1, 0.4, 1.6, 1.65}) ASSERT_TRUE(map.append(ring(at)));
    const DepartureScale scale{.rangeMm = 20};
    RgbImage image;
    image.resize(170, 120);  // 1 cm a pixel
    map.render(0.0, 1.7, scale, image);
    const int crown = map.rowOf(0);
    struct Case {
        double at;
        bool drawn;
    };
    for (const Case c : {Case{0.07, true}, Case{0.25, true}, Case{0.38, true}, Case{0.8, false},
                         Case{1.5, false}, Case{1.62, true}}) {
        const Rgb pixel = image.at(static_cast<int>(c.at * 100), crown);
        EXPECT_EQ(pixel == scale.colourOf(10.0), c.drawn) << c.at << " m";
        if (!c.drawn) {
            EXPECT_EQ(pixel, kNoEchoColour) << c.at << " m";
        }
    }
}

TEST(DepartureScale, DivergesEvenlyAboutTheNominalAndClampsBeyondItsRange) {
    const DepartureScale scale{.rangeMm = 40};
    const auto& table = coolWarmTable();
    EXPECT_EQ(scale.indexOf(-40), 0);
    EXPECT_EQ(scale.indexOf(-1000), 0);
    EXPECT_EQ(scale.indexOf(40), 255);
    EXPECT_EQ(scale.indexOf(1e9), 255);
    EXPECT_EQ(scale.indexOf(20), 191);
    EXPECT_EQ(scale.colourOf(std::nan("")), kNoEchoColour);
    for (const Rgb& c : table) {
        EXPECT_NE(c, kSedimentColour);
        EXPECT_NE(c, kNoEchoColour);
    }
    // CIELAB lightness climbs to the neutral middle and falls after it,
    // symmetric within a little.
    const auto lightness = [](Rgb c) {
        const auto lin = [](int v) {
            const double s = v / 255.0;
            return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        const double y = 0.2126 * lin(c.r) + 0.7152 * lin(c.g) + 0.0722 * lin(c.b);
        return y > 0.008856 ? 116 * std::cbrt(y) - 16 : 903.3 * y;
    };
    for (int i = 1; i < 128; ++i) {
        EXPECT_GE(lightness(table[i]), lightness(table[i - 1]) - 0.2) << i;
        EXPECT_GE(lightness(table[255 - i]), lightness(table[256 - i]) - 0.2) << i;
        EXPECT_NEAR(lightness(table[i]), lightness(table[255 - i]), 4) << i;
    }
    const std::vector<LegendEntry> legend = scale.legend(5);
    ASSERT_EQ(legend.size(), 5u);
    EXPECT_EQ(legend.front().departureMm, -40);
    EXPECT_EQ(legend[2].departureMm, 0);
    EXPECT_EQ(legend.back().colour, table[255]);
}

}  // namespace
}  // namespace sondrel

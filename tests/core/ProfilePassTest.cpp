#include "display/ProfilePass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "acquisition/SondrelDoc.h"

namespace sondrel {
namespace {

struct Call {
    bool end;
    double d, theta;
};

class RecordingExport : public ProfileExport {
  public:
    void point(double d, double theta) override { calls.push_back({false, d, theta}); }
    void endOfPing() override { calls.push_back({true, 0, 0}); }
    std::vector<Call> calls;
};

void setSample(CSondrelDoc& doc, int i, int value) {
    doc.ping.echoLong[2 * i] = static_cast<std::uint8_t>(value & 0x7F);
    doc.ping.echoLong[2 * i + 1] = static_cast<std::uint8_t>(value >> 7);
}

struct ProfilePassFixture : ::testing::Test {
    std::unique_ptr<CSondrelDoc> doc = std::make_unique<CSondrelDoc>();
    ProfilePath path;
    RecordingExport out;

    ProfilePassFixture() {
        doc->ping.echoLong.fill(0);
        doc->ping.headStatusLow = 0;  // distances are the values themselves
        doc->head.setRangeIndex(3);   // 1 m
    }
    void run() {
        out.calls.clear();
        runProfilePass(*doc, path, &out);
    }
    // The angle at which sample i is exported, with only that sample set.
    double angleOf(int i) {
        doc->ping.echoLong.fill(0);
        setSample(*doc, i, 100);
        run();
        EXPECT_EQ(out.calls.size(), 2u);
        return out.calls.empty() ? NAN : out.calls.front().theta;
    }
};

TEST(ProfileValue, HighByteTimes128PlusLowSevenBits) {
    std::uint8_t echo[800] = {};
    echo[0] = 0xFF;  // bit 7 of the low byte is not part of the value
    echo[1] = 0x01;
    echo[798] = 0x7F;
    echo[799] = 0xFF;
    EXPECT_EQ(profileValue(echo, 0), 255);
    EXPECT_EQ(profileValue(echo, 399), 32767);
    EXPECT_EQ(profileValue(echo, 1), 0);
}

TEST_F(ProfilePassFixture, AllZeroPingGivesNoPointsAndOneEndOfPing) {
    path.ellipses.push_back({1, 2, 3, 4});
    run();
    EXPECT_TRUE(path.ellipses.empty());
    ASSERT_EQ(out.calls.size(), 1u);
    EXPECT_TRUE(out.calls[0].end);
}

TEST_F(ProfilePassFixture, PassClearsTheSonarImage) {
    doc->sonarBitmap.pixels()[77] = 5;
    run();
    EXPECT_EQ(doc->sonarBitmap.pixels()[77], 0);
}

TEST_F(ProfilePassFixture, AnglesForZeroPositionAndDirection) {
    // Up / Aft: sample 0 straight down, 100 to the right, 200 straight up.
    doc->head.zeroDown = 0;
    doc->head.xdcrForward = 0;
    EXPECT_NEAR(angleOf(0), 180.0, 1e-9);
    EXPECT_NEAR(angleOf(100), 90.0, 1e-9);
    EXPECT_NEAR(angleOf(200), 0.0, 1e-9);
    EXPECT_NEAR(angleOf(399), 180.0 - 399 * 0.9, 1e-9);
    // Up / Fwd: sample 100 to the left; angles are not wrapped.
    doc->head.xdcrForward = 1;
    EXPECT_NEAR(angleOf(0), 180.0, 1e-9);
    EXPECT_NEAR(angleOf(100), 270.0, 1e-9);
    EXPECT_NEAR(angleOf(399), 180.0 + 399 * 0.9, 1e-9);
    // Down / Fwd: sample 0 straight up, 100 to the right.
    doc->head.zeroDown = 1;
    EXPECT_NEAR(angleOf(0), 0.0, 1e-9);
    EXPECT_NEAR(angleOf(100), 90.0, 1e-9);
    // Down / Aft: sample 100 to the left, at -90.
    doc->head.xdcrForward = 0;
    EXPECT_NEAR(angleOf(0), 0.0, 1e-9);
    EXPECT_NEAR(angleOf(100), -90.0, 1e-9);
    // A direction value that is neither leaves every sample at the start angle.
    doc->head.xdcrForward = 2;
    EXPECT_NEAR(angleOf(300), 0.0, 1e-9);
}

TEST_F(ProfilePassFixture, PointsLieWhereTheirAnglesSay) {
    // Up / Aft at zoom 1; d = 100 on the diagonals puts points 70.71 pixels off
    // both axes: x = d sin(theta), y = -d cos(theta), truncated after adding 500.
    doc->head.zeroDown = 0;
    doc->head.xdcrForward = 0;
    doc->display.pointSize = 0;
    setSample(*doc, 50, 100);   // 135 degrees: down and right
    setSample(*doc, 150, 100);  // 45: up and right
    setSample(*doc, 250, 100);  // -45: up and left
    run();
    ASSERT_EQ(path.ellipses.size(), 3u);
    EXPECT_EQ(path.ellipses[0].x, 570);
    EXPECT_EQ(path.ellipses[0].y, 570);
    EXPECT_EQ(path.ellipses[1].x, 570);
    EXPECT_EQ(path.ellipses[1].y, 429);
    EXPECT_EQ(path.ellipses[2].x, 429);
    EXPECT_EQ(path.ellipses[2].y, 429);
    EXPECT_NEAR(path.lastX, -70.7107, 1e-4);
    EXPECT_NEAR(path.lastY, -70.7107, 1e-4);
}

TEST_F(ProfilePassFixture, RollCorrectionNeedsTheSettingAndAValidRoll) {
    doc->head.zeroDown = 0;
    doc->orientation.rollDeg = 12.5;
    doc->orientation.rollValid = 1;
    doc->display.rollCorrection = 0;
    EXPECT_NEAR(angleOf(0), 180.0, 1e-12);
    doc->display.rollCorrection = 1;
    EXPECT_NEAR(angleOf(0), 192.5, 1e-12);
    doc->orientation.rollValid = 0;
    EXPECT_NEAR(angleOf(0), 180.0, 1e-12);
    doc->head.zeroDown = 1;
    doc->orientation.rollValid = 1;
    doc->orientation.rollDeg = -30.0;
    EXPECT_NEAR(angleOf(0), -30.0, 1e-12);
}

TEST_F(ProfilePassFixture, MinimumDistanceDropsPointsAtOrBelowIt) {
    doc->head.profileMinRange = 0.1;  // 50 pixels at 1 m
    EXPECT_EQ(profileMinimumDistance(*doc), 50);
    setSample(*doc, 0, 50);
    setSample(*doc, 1, 51);
    setSample(*doc, 2, 10);
    run();
    ASSERT_EQ(out.calls.size(), 2u);
    EXPECT_EQ(out.calls[0].d, 51.0);
    EXPECT_EQ(path.ellipses.size(), 1u);

    // Truncated toward zero: 0.0999 m at 1 m is 49.95 pixels -> 49.
    doc->head.profileMinRange = 0.0999;
    EXPECT_EQ(profileMinimumDistance(*doc), 49);
    doc->head.setRangeIndex(8);  // 6 m
    doc->head.profileMinRange = 2.5;
    EXPECT_EQ(profileMinimumDistance(*doc), 208);
}

TEST_F(ProfilePassFixture, WithoutMinimumEveryNonZeroValueIsDrawn) {
    doc->head.profileMinRange = 0.0;
    for (int i = 0; i < kProfileSampleCount; ++i) setSample(*doc, i, 1 + i % 3);
    run();
    EXPECT_EQ(path.ellipses.size(), 400u);
    EXPECT_EQ(out.calls.size(), 401u);
    EXPECT_TRUE(out.calls.back().end);
    EXPECT_GE(path.ellipses.capacity(), 400u);
}

TEST_F(ProfilePassFixture, PointSizesAndZoom) {
    doc->head.zeroDown = 0;
    doc->head.xdcrForward = 0;
    setSample(*doc, 50, 100);  // x 570, y 570 at zoom 1
    // Small and medium dots have their top-left corner on the point; large
    // ones are centred on it.
    const EllipseRect expected[] = {{570, 570, 1, 1}, {570, 570, 2, 2}, {569, 569, 3, 3}};
    for (int size = 0; size < 3; ++size) {
        doc->display.pointSize = size;
        run();
        ASSERT_EQ(path.ellipses.size(), 1u);
        const EllipseRect& e = path.ellipses[0];
        EXPECT_EQ(e.x, expected[size].x);
        EXPECT_EQ(e.y, expected[size].y);
        EXPECT_EQ(e.w, expected[size].w);
        EXPECT_EQ(e.h, expected[size].h);
    }
    // An unknown size draws nothing but still exports.
    doc->display.pointSize = 3;
    run();
    EXPECT_TRUE(path.ellipses.empty());
    EXPECT_EQ(out.calls.size(), 2u);

    // Zoom scales the truncated image position and truncates again.
    doc->display.pointSize = 0;
    doc->display.zoom = 1.75;
    run();
    ASSERT_EQ(path.ellipses.size(), 1u);
    EXPECT_EQ(path.ellipses[0].x, 997);  // trunc(570 x 1.75) = trunc(997.5)
    EXPECT_EQ(path.ellipses[0].y, 997);
    doc->display.zoom = 0.5;
    run();
    EXPECT_EQ(path.ellipses[0].x, 285);
}

TEST(ProfileConversion, FormatZeroIsTheValue) {
    ProfileConversion c{0, 10, 1.0, 1480.0, 1};
    EXPECT_EQ(c.distancePixels(321), 321.0);
}

TEST(ProfileConversion, FormatOneScalesByRangeRowAndSoundVelocity) {
    ProfileConversion c{1, 10, 1.0, 1500.0, 1};
    EXPECT_NEAR(c.distancePixels(250), 250.0, 1e-9);
    c.soundVelocity = 1485.0;
    EXPECT_NEAR(c.distancePixels(250), 247.5, 1e-9);
    c.soundVelocity = 1500.0;
    // Ratio o / m of every row, including rows the range table never reaches;
    // any other code uses 0.003 / 0.0015.
    const struct {
        int code;
        double ratio;
    } rows[] = {{2, 2.0},      {6, 2.0},   {10, 1.0},     {20, 0.5},     {30, 1.0 / 3},
                {40, 0.25},    {50, 0.2},  {60, 1.0 / 6}, {70, 1.0 / 7}, {80, 0.125},
                {90, 1.0 / 9}, {100, 0.1}, {8, 2.0},      {0, 2.0},      {255, 2.0}};
    for (const auto& row : rows) {
        c.rangeCode = row.code;
        EXPECT_NEAR(c.distancePixels(300), 300 * row.ratio, 1e-9) << row.code;
    }
}

TEST(ProfileConversion, FormatOneAtRangeCodeFourAddsTheCorrection) {
    ProfileConversion c{1, 4, 0.25, 1500.0, 1};
    EXPECT_NEAR(c.distancePixels(100), (100 + 22) * 2.0, 1e-9);  // 93..103 add 22
    EXPECT_NEAR(c.distancePixels(5), (5 + 1) * 2.0, 1e-9);
    EXPECT_NEAR(c.distancePixels(250), 250 * 2.0, 1e-9);            // 250..255 add nothing
    EXPECT_NEAR(c.distancePixels(256 + 8), (264 + 2) * 2.0, 1e-9);  // by the low byte
    // Other formats and codes are not corrected.
    c.rangeCode = 6;
    EXPECT_NEAR(c.distancePixels(100), 200.0, 1e-9);
}

TEST(ProfileConversion, CorrectionTableBands) {
    const struct {
        int first, last, add;
    } bands[] = {{0, 7, 1},      {8, 9, 2},      {10, 11, 3},    {12, 13, 4},    {14, 15, 5},
                 {16, 17, 6},    {18, 19, 7},    {20, 21, 8},    {22, 23, 9},    {24, 25, 10},
                 {26, 28, 11},   {29, 32, 12},   {33, 36, 13},   {37, 41, 14},   {42, 46, 15},
                 {47, 52, 16},   {53, 58, 17},   {59, 65, 18},   {66, 73, 19},   {74, 82, 20},
                 {83, 92, 21},   {93, 103, 22},  {104, 115, 23}, {116, 129, 24}, {130, 144, 25},
                 {145, 161, 26}, {162, 181, 27}, {182, 203, 28}, {204, 226, 29}, {227, 249, 30},
                 {250, 255, 0}};
    int covered = 0;
    for (const auto& band : bands) {
        for (int i = band.first; i <= band.last; ++i, ++covered) {
            EXPECT_EQ(shortRangeCorrection(i), band.add) << i;
        }
    }
    EXPECT_EQ(covered, 256);
}

TEST(ProfileConversion, FormatsTwoAndThreeUseTimeOfFlight) {
    // Worked by hand: (v o + l) x 750 x c / 1500 x 500 / range.
    ProfileConversion c{2, 8, 0.75, 1500.0, 1};
    // o 4e-6, l (10 + 35.26 - 20 - 7) us = 18.26 us
    EXPECT_NEAR(c.distancePixels(100), (100 * 4e-6 + 18.26e-6) * 750 * 500 / 0.75, 1e-9);
    EXPECT_NEAR(c.distancePixels(100), 209.13, 1e-9);
    c.formatCode = 3;
    EXPECT_NEAR(c.distancePixels(100), 209.13, 1e-9);
    // o 1.3333333e-6, l (10 + 42.3 - 6.66 - 7) us = 38.64 us
    c = ProfileConversion{2, 4, 0.25, 1500.0, 1};
    EXPECT_NEAR(c.distancePixels(300), (300 * 1.3333333e-6 + 38.64e-6) * 750 * 2000, 1e-9);
    // o 2.66666e-6, l (30 + 33.93 - 13.33 - 7) us = 43.6 us; at 1400 m/s and 2 m.
    c = ProfileConversion{2, 20, 2.0, 1400.0, 3};
    EXPECT_NEAR(c.distancePixels(200), (200 * 2.66666e-6 + 43.6e-6) * 700 * 250, 1e-9);
}

TEST_F(ProfilePassFixture, PassUsesTheDocumentsFormatAndRange) {
    doc->ping.headStatusLow = 1;
    doc->head.command[cmd::kRange] = 10;
    doc->head.soundVelocity = 1485.0;
    setSample(*doc, 0, 250);
    run();
    ASSERT_EQ(out.calls.size(), 2u);
    EXPECT_NEAR(out.calls[0].d, 247.5, 1e-9);
}

}  // namespace
}  // namespace sondrel

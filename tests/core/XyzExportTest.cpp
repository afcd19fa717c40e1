#include "recording/XyzExport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <memory>
#include <random>
#include <sstream>

#include "acquisition/SondrelDoc.h"

namespace sondrel {
namespace {

std::string printed(float v) {
    char text[128];
    std::snprintf(text, sizeof text, "% 7.3f", static_cast<double>(v));
    return text;
}

std::string fixed3(float v) {
    std::string s;
    appendFixed3(s, v);
    return s;
}

TEST(XyzNumbers, MatchTheCLibraryForEveryKindOfValue) {
    // Exact ties (x.xxx5 representable in binary) round to even as printf does.
    const float special[] = {0.0f,
                             -0.0f,
                             0.0625f,
                             -0.0625f,
                             0.1875f,
                             2.0625f,
                             0.0005f,
                             -0.0005f,
                             0.9995f,
                             -0.9995f,
                             9.9995f,
                             99.9995f,
                             999.9995f,
                             1e-9f,
                             -1e-9f,
                             123456.789f,
                             -98765.4321f,
                             1e11f,
                             -1e11f,
                             1e12f,
                             3.4e38f,
                             -3.4e38f,
                             std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(),
                             std::numeric_limits<float>::quiet_NaN(),
                             std::numeric_limits<float>::denorm_min()};
    for (float v : special) EXPECT_EQ(fixed3(v), printed(v)) << v;

    std::mt19937 rng(20261208);
    std::uniform_real_distribution<double> metres(-20.0, 20.0);
    std::uniform_int_distribution<std::uint32_t> bits;
    for (int i = 0; i < 50000; ++i) {
        const float a = static_cast<float>(metres(rng));
        ASSERT_EQ(fixed3(a), printed(a)) << a;
        // Every float bit pattern class, NaNs included.
        const float b = std::bit_cast<float>(bits(rng));
        ASSERT_EQ(fixed3(b), printed(b)) << b;
    }
}

TEST(XyzPoints, AnglesTurnToMetreAxes) {
    // 250 pixels at 2 m is 1 m; 180 degrees lies on the negative y axis.
    const XyzPoint down = xyzPointFor(250, 180, 2.0, 12.345);
    EXPECT_EQ(fixed3(down.x), "  0.000");
    EXPECT_EQ(fixed3(down.y), " -1.000");
    EXPECT_EQ(fixed3(down.z), " 12.345");
    const XyzPoint right = xyzPointFor(250, 90, 2.0, 0);
    EXPECT_EQ(fixed3(right.x), "  1.000");
    EXPECT_EQ(fixed3(right.y), " -0.000");
    const XyzPoint up = xyzPointFor(500, 0, 1.0, 0);
    EXPECT_NEAR(up.y, 1.0f, 1e-6);
    // The pass's angles are not wrapped: one turn either way lands on the same axes.
    const XyzPoint fwd = xyzPointFor(250, 180 + 360 - 0.9 * 10, 2.0, 0);
    const XyzPoint same = xyzPointFor(250, 180 - 0.9 * 10, 2.0, 0);
    EXPECT_NEAR(fwd.x, same.x, 1e-6);
    EXPECT_NEAR(fwd.y, same.y, 1e-6);
    const XyzPoint aft = xyzPointFor(250, -179.1, 2.0, 0);
    EXPECT_NEAR(aft.x, std::cos(90.9 * 3.1415926 / 180), 1e-6);
    // Coordinates are single precision.
    const XyzPoint p = xyzPointFor(123.456, 33.3, 3.0, 1.0 / 3);
    EXPECT_EQ(p.z, static_cast<float>(1.0 / 3));
}

TEST(XyzLines, PointLineLayout) {
    XyzPoint p;
    p.x = 0.0f;
    p.y = -1.0f;
    p.z = 123.4567f;
    EXPECT_EQ(xyzPointLine("08-DEC-2026\t14:03:07.450", p),
              "08-DEC-2026\t14:03:07.450\t  0.000\t -1.000\t 123.457\r\n");
    p.x = -1234.5f;
    EXPECT_EQ(xyzPointLine("s", p), "s\t-1234.500\t -1.000\t 123.457\r\n");
}

TEST(XyzLines, TimeStampJoinsDateTimeAndMilliseconds) {
    auto doc = std::make_unique<CSondrelDoc>();
    doc->ping.dateText = "08-DEC-2026";
    doc->ping.timeText = "14:03:07";
    doc->ping.millisecondText = ".050";
    EXPECT_EQ(xyzTimeStamp(*doc), "08-DEC-2026\t14:03:07.050");
}

TEST(XyzLines, ControlCharactersOfTheRecordedTextsAreWrittenAsQuestionMarks) {
    // Texts as a record's date, time and hundredths fields may hold them.
    struct Case {
        const char *date, *time, *milliseconds, *stamp;
    };
    const Case cases[] = {
        {"08-DEC-2026", "1\n", ".450", "08-DEC-2026\t1?.450"},
        {"08\tDEC\r2026", "14:03:07",
         ".\x1f"
         "0",
         "08?DEC?2026\t14:03:07.?0"},
        {"\x7f", "\t", "\x01\x80", "?\t??\x80"},
    };
    for (const Case& c : cases) {
        auto doc = std::make_unique<CSondrelDoc>();
        doc->ping.dateText = c.date;
        doc->ping.timeText = c.time;
        doc->ping.millisecondText = c.milliseconds;
        EXPECT_EQ(xyzTimeStamp(*doc), c.stamp);
        // Every point line keeps its five fields.
        const std::string line = xyzPointLine(xyzTimeStamp(*doc), XyzPoint{1.0f, 2.0f, 3.0f});
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 4) << line;
        EXPECT_EQ(line.find_first_of("\r\n"), line.size() - 2) << line;
    }
}

TEST(XyzLines, OutputNameReplacesTheLastThreeCharacters) {
    EXPECT_EQ(xyzPathFor("/data/run1.qzr"), "/data/run1.xyz");
    EXPECT_EQ(xyzPathFor("/data/run1.QZR"), "/data/run1.xyz");
    EXPECT_EQ(xyzPathFor("E:\\data\\run1.qzr"), "E:\\data\\run1.xyz");
    EXPECT_EQ(xyzPathFor("abc"), "xyz");
}

class XyzWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = ::testing::TempDir() + "xyz_writer_" + std::to_string(::getpid()) + ".xyz";
        doc->ping.dateText = "08-DEC-2026";
        doc->ping.timeText = "14:03:07";
        doc->ping.millisecondText = ".450";
        doc->ping.rangeIndex = 4;  // 2 m
        doc->ping.orientation.distanceM = 5.5;
        doc->flags.playbackActive = true;
        doc->flags.xyzConversionActive = true;
    }
    void TearDown() override { std::remove(path_.c_str()); }
    std::string contents() const {
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::unique_ptr<CSondrelDoc> doc = std::make_unique<CSondrelDoc>();
    std::string path_;
};

TEST_F(XyzWriterTest, WritesBlocksOfPointsAndEmptyLines) {
    XyzWriter writer(*doc, 1024);
    ASSERT_TRUE(writer.create(path_));
    writer.point(250, 180);
    writer.point(250, 90);
    writer.endOfPing();
    // The next record's stamp and distance are taken afresh.
    doc->ping.timeText = "14:03:08";
    doc->ping.orientation.distanceM = -1.25;
    writer.endOfPing();  // a record without accepted points
    writer.point(500, 0);
    writer.endOfPing();
    ASSERT_TRUE(writer.close());
    EXPECT_EQ(writer.pointsWritten(), 3);
    EXPECT_EQ(writer.recordsWritten(), 3);
    EXPECT_EQ(contents(),
              "08-DEC-2026\t14:03:07.450\t  0.000\t -1.000\t  5.500\r\n"
              "08-DEC-2026\t14:03:07.450\t  1.000\t -0.000\t  5.500\r\n"
              "\r\n"
              "\r\n"
              "08-DEC-2026\t14:03:08.450\t -0.000\t  2.000\t -1.250\r\n"
              "\r\n");
}

TEST_F(XyzWriterTest, NothingIsWrittenUnlessAConversionPlaysAFile) {
    XyzWriter writer(*doc);
    ASSERT_TRUE(writer.create(path_));
    doc->flags.xyzConversionActive = false;
    writer.point(250, 180);
    writer.endOfPing();
    doc->flags.xyzConversionActive = true;
    doc->flags.playbackActive = false;
    writer.point(250, 180);
    writer.endOfPing();
    ASSERT_TRUE(writer.close());
    EXPECT_EQ(writer.pointsWritten(), 0);
    EXPECT_EQ(contents(), "");
    // Without a file nothing happens either.
    doc->flags.playbackActive = true;
    writer.point(250, 180);
    EXPECT_EQ(writer.pointsWritten(), 0);
}

TEST_F(XyzWriterTest, LargeOutputsPassThroughTheBufferIntact) {
    XyzWriter writer(*doc, 1024);
    ASSERT_TRUE(writer.create(path_));
    std::string expected;
    const std::string stamp = xyzTimeStamp(*doc);
    for (int i = 0; i < 5000; ++i) {
        writer.point(i % 500, i * 0.9);
        appendXyzPointLine(expected, stamp, xyzPointFor(i % 500, i * 0.9, 2.0, 5.5));
    }
    writer.endOfPing();
    expected += "\r\n";
    ASSERT_TRUE(writer.close());
    EXPECT_EQ(contents(), expected);
}

TEST(XyzWriterErrors, AFullDeviceIsReported) {
    if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full here";
    auto doc = std::make_unique<CSondrelDoc>();
    doc->flags.playbackActive = true;
    doc->flags.xyzConversionActive = true;
    XyzWriter writer(*doc, 1024);
    ASSERT_TRUE(writer.create("/dev/full"));
    for (int i = 0; i < 10000 && !writer.failed(); ++i) writer.point(100, 10);
    EXPECT_TRUE(writer.failed());
    EXPECT_FALSE(writer.close());
    EXPECT_FALSE(writer.errorText().empty());
}

}  // namespace
}  // namespace sondrel

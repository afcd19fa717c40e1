#include "analysis/GeometryPoints.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "acquisition/SondrelDoc.h"
#include "display/ProfilePass.h"
#include "recording/XyzExport.h"

namespace sondrel {
namespace {

// Everything the pass hands over, turned into metres the way the XYZ export does.
class XyzLike : public ProfileExport {
  public:
    explicit XyzLike(const CSondrelDoc& doc) : doc_(doc) {}
    void point(double d, double theta) override {
        points.push_back(xyzPointFor(d, theta, doc_.head.rangeMetres, doc_.orientation.distanceM));
    }
    void endOfPing() override { ++pings; }
    std::vector<XyzPoint> points;
    int pings = 0;

  private:
    const CSondrelDoc& doc_;
};

void setSample(CSondrelDoc& doc, int i, int value) {
    doc.ping.echoLong[2 * i] = static_cast<std::uint8_t>(value & 0x7F);
    doc.ping.echoLong[2 * i + 1] = static_cast<std::uint8_t>(value >> 7);
}

TEST(GeometryPoints, TheGeometrySeesTheXyzExportsPointsPingByPing) {
    auto doc = std::make_unique<CSondrelDoc>();
    doc->ping.headStatusLow = 0;
    doc->head.setRangeIndex(4);  // 2 m
    doc->display.rollCorrection = 1;
    doc->orientation.rollValid = 1;
    GeometryPointCollector geometry(*doc);
    ProfilePath path;
    for (double roll : {0.0, 12.5, -40.0}) {
        SCOPED_TRACE(roll);
        doc->orientation.rollDeg = roll;
        doc->ping.echoLong.fill(0);
        for (int i = 0; i < kProfileSampleCount; i += 3) setSample(*doc, i, 100 + i);
        XyzLike xyz(*doc);
        ProfileExportPair both(&xyz, &geometry);
        runProfilePass(*doc, path, &both);
        ASSERT_EQ(xyz.pings, 1);
        ASSERT_EQ(geometry.points().size(), xyz.points.size());
        ASSERT_FALSE(xyz.points.empty());
        for (std::size_t k = 0; k < xyz.points.size(); ++k) {
            EXPECT_EQ(geometry.points()[k].x, xyz.points[k].x);
            EXPECT_EQ(geometry.points()[k].y, xyz.points[k].y);
        }
    }
    // A ping without returns leaves no points behind from the one before.
    doc->ping.echoLong.fill(0);
    runProfilePass(*doc, path, &geometry);
    EXPECT_TRUE(geometry.points().empty());
    // A pair with one export missing still serves the other.
    setSample(*doc, 7, 200);
    ProfileExportPair one(nullptr, &geometry);
    runProfilePass(*doc, path, &one);
    EXPECT_EQ(geometry.points().size(), 1u);
}

}  // namespace
}  // namespace sondrel

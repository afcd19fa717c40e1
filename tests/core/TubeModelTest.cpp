// The tube of a model pipe: rings of a fixed count joined into closed,
// in-range triangles, gaps where no profile lies, coarser levels within the
// rings asked for, and colours from the wall map's scale.

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "acquisition/SondrelDoc.h"
#include "pipeview/PipeViews.h"
#include "support/PipeScenario.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

// Records 41 to `last` (from 2.0 m, 5 cm each) have no chainage.
class GapInTheMiddle : public ChainageSource {
  public:
    explicit GapInTheMiddle(std::int64_t last) : last_(last) {}
    RecordChainage chainageOf(std::int64_t record, double distance) const override {
        if (record > 40 && record <= last_) return {};
        return {distance, true};
    }

  private:
    std::int64_t last_;
};

TEST(TubeModel, RingsJoinIntoAClosedTubeWithItsGapsAndColours) {
    test::TempFolder folder;
    const std::string path = folder.file("pipe.qzr");
    PipeModel silted = test::stillPipe();
    silted.sediment = 0.09;
    ASSERT_EQ(test::writePipeScenario(path, {{test::stillPipe(), 0, 4}, {silted, 4, 8}}, 0.05),
              160);

    TubeModel tube({.ringPoints = 32});
    CSondrelDoc doc;
    doc.flags.playbackActive = true;
    const ConversionResult r =
        buildPipeViews(doc, path, {.nominalDiameter = 0.6}, GapInTheMiddle(60), {.tube = &tube});
    ASSERT_TRUE(r.ok()) << r.message;

    const DepartureScale scale{.rangeMm = 20};
    const TubeMesh mesh = tube.mesh(0.0, 8.0, 0, scale);
    const std::size_t m = 32;
    ASSERT_EQ(mesh.rings(), 140u);  // 160 bins, a metre of 20 without a profile
    ASSERT_EQ(mesh.positions.size(), mesh.rings() * m * 3);
    ASSERT_EQ(mesh.colours.size(), mesh.rings() * m);
    // Every pair of neighbouring rings but the two beside the gap is joined.
    EXPECT_EQ(mesh.indices.size(), (mesh.rings() - 2) * m * 6);
    std::set<std::pair<std::uint32_t, std::uint32_t>> edges;
    for (std::size_t t = 0; t < mesh.indices.size(); t += 3) {
        for (int k = 0; k < 3; ++k) {
            const std::uint32_t a = mesh.indices[t + k], b = mesh.indices[t + (k + 1) % 3];
            ASSERT_LT(a, mesh.colours.size());
            edges.insert({std::min(a, b), std::max(a, b)});
        }
    }
    // Each joined ring is closed: its last point meets its first.
    for (std::uint32_t ring : {0u, 100u, 139u}) {
        EXPECT_TRUE(edges.count({ring * m, ring * m + m - 1})) << ring;
    }
    EXPECT_TRUE(edges.count({38 * m, 39 * m}));
    EXPECT_FALSE(edges.count({39 * m, 40 * m})) << "no triangle spans the gap";
    // A stretch of 30 cm without a place is bridged, as pings between two
    // distance readings leave one.
    TubeModel bridged({.ringPoints = 32});
    doc.flags.playbackActive = true;
    ASSERT_TRUE(
        buildPipeViews(doc, path, {.nominalDiameter = 0.6}, GapInTheMiddle(46), {.tube = &bridged})
            .ok());
    const TubeMesh joined = bridged.mesh(0.0, 8.0, 0, scale);
    ASSERT_EQ(joined.rings(), 154u);
    EXPECT_EQ(joined.indices.size(), (joined.rings() - 1) * m * 6);

    for (std::size_t v = 0; v < mesh.colours.size(); ++v) {
        const double x = mesh.positions[3 * v], y = mesh.positions[3 * v + 1];
        const double chainage = mesh.originChainage + mesh.positions[3 * v + 2];
        const double clock = std::fmod(std::atan2(x, y) * 180 / std::numbers::pi + 360, 360);
        if (chainage > 4.1 && std::fabs(clock - 180) < 30) {
            EXPECT_EQ(mesh.colours[v], kSedimentColour) << v;
        } else if (chainage < 3.9) {
            // The round stretch lies on its nominal circle, coloured by its departure.
            const double departureMm = 1000 * (std::hypot(x, y) - 0.3);
            EXPECT_NEAR(departureMm, 0, 4);
            EXPECT_EQ(mesh.colours[v], scale.colourOf(departureMm)) << v;
        }
    }

    // Coarser levels: the whole survey in at most 20 rings, and memory
    // within four times level 0's rings.
    const int level = tube.levelFor(0.0, 8.0, 20);
    EXPECT_GT(level, 0);
    const TubeMesh coarse = tube.mesh(0.0, 8.0, level, scale);
    EXPECT_LE(coarse.rings(), 20u);
    EXPECT_GE(coarse.rings(), 10u);
    EXPECT_GT(std::floor(8.0 / tube.binMetres(level - 1)) + 1, 20) << "the finest level that fits";
    EXPECT_LE(tube.memoryBytes(), 4 * std::max<std::size_t>(160, 16) * (5 + 2 * m) * 4 * 2);
}

}  // namespace
}  // namespace sondrel

#include "analysis/GeometryOverlay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "acquisition/SondrelDoc.h"
#include "display/DisplayList.h"
#include "display/ViewPainter.h"
#include "display/ViewState.h"

namespace sondrel {
namespace {

// The readout says every figure with its unit, the nominal it used and the
// ovality's definition; without a nominal it says so and leaves the figures
// that need one out.
TEST(GeometryOverlay, ReadoutInTheDisplaysUnits) {
    PipeGeometry g;
    g.quality = GeometryQuality::Ok;
    g.meanDiameter = 0.6096;
    g.minDiameter = 0.3048;
    g.maxDiameter = 0.9144;
    g.nominalDiameter = 0.6096;
    g.ovalityPercent = 12.34;
    g.deformationPercent = 50.0;
    g.areaLossPercent = -1.05;
    g.sedimentDepth = 0.03048;
    struct Case {
        bool feet;
        GeometryQuality quality;
        OvalityBasis basis;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {true,
         GeometryQuality::Ok,
         OvalityBasis::Nominal,
         {"Mean 2.000 ft  Min 1.000 ft  Max 3.000 ft", "Nominal 2.000 ft",
          "Ovality 12.3 %  (Dmax - Dmin) / Dnominal", "Deformation 50.0 %  Area loss -1.1 %",
          "Sediment 0.100 ft"}},
        {false,
         GeometryQuality::BadNominal,
         OvalityBasis::Mean,
         {"Mean 0.610 m  Min 0.305 m  Max 0.914 m", "Nominal: none set",
          "Ovality 12.3 %  (Dmax - Dmin) / Dmean",
          "Deformation -  Area loss -  (no valid nominal diameter)", "Sediment 0.030 m"}},
        {false,
         GeometryQuality::OneSided,
         OvalityBasis::Nominal,
         {"Pipe geometry: points on one side only"}},
    };
    for (const Case& c : cases) {
        g.quality = c.quality;
        g.ovalityBasis = c.basis;
        EXPECT_EQ(geometryReadout(g, c.feet), c.lines);
    }
}

TEST(GeometryOverlay, TheShapeLiesWhereTheProfilePointsAre) {
    PipeGeometry g;
    g.quality = GeometryQuality::Ok;
    g.ellipse = {true, 0.1, -0.2, 0.4, 0.3, 30.0, 0, 100};
    DisplayList out;
    drawGeometryShape(g, 2.0, 1.5, out);  // 2 m range: 250 pixels a metre, at zoom 1.5
    ASSERT_EQ(out.size(), 5u);
    const auto& items = out.items();
    EXPECT_EQ(items[1].kind, ItemKind::Translate);
    // x to the right and y up in metres; the image's y grows downwards.
    EXPECT_DOUBLE_EQ(items[1].x, 750 + 0.1 * 375);
    EXPECT_DOUBLE_EQ(items[1].y, 750 + 0.2 * 375);
    EXPECT_EQ(items[2].kind, ItemKind::Rotate);
    EXPECT_DOUBLE_EQ(items[2].startAngle, -30.0);
    EXPECT_EQ(items[3].kind, ItemKind::Ellipse);
    EXPECT_DOUBLE_EQ(items[3].w, 0.8 * 375);
    EXPECT_DOUBLE_EQ(items[3].h, 0.6 * 375);

    DisplayList none;
    g.quality = GeometryQuality::TooFewPoints;
    drawGeometryShape(g, 2.0, 1.0, none);
    EXPECT_TRUE(none.empty());
}

TEST(GeometryOverlay, MeasuresThePingOfTheFrame) {
    auto doc = std::make_unique<CSondrelDoc>();
    doc->ping.headStatusLow = 0;  // distances are the values themselves
    doc->head.setRangeIndex(3);   // 1 m: 500 pixels
    for (int i = 0; i < kProfileSampleCount; ++i) {
        const int value = 200;  // a 0.8 m pipe round the head
        doc->ping.echoLong[static_cast<std::size_t>(2 * i)] =
            static_cast<std::uint8_t>(value & 0x7F);
        doc->ping.echoLong[static_cast<std::size_t>(2 * i + 1)] =
            static_cast<std::uint8_t>(value >> 7);
    }
    ViewState view;
    view.resize(800, 600);
    DisplayList list;
    GeometryOverlay overlay(*doc);
    buildViewFrame(*doc, view, list, overlay.exporter());
    const std::size_t frameItems = list.size();
    GeometrySettings settings;
    settings.nominalDiameter = 0.8;
    overlay.appendTo(*doc, view, settings, list);
    ASSERT_TRUE(overlay.last().ok()) << geometryQualityText(overlay.last().quality);
    EXPECT_NEAR(overlay.last().meanDiameter, 0.8, 1e-3);
    EXPECT_NEAR(overlay.last().ovalityPercent, 0.0, 0.1);
    ASSERT_GT(list.size(), frameItems);
    EXPECT_EQ(list.textOf(list.items().back()), "Sediment 0.000 m");
    EXPECT_EQ(list.textOf(list.items()[list.size() - 4]), "Nominal 0.800 m");
}

}  // namespace
}  // namespace sondrel

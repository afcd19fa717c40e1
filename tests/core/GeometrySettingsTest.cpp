#include "analysis/GeometrySettings.h"

#include <gtest/gtest.h>

#include <string>

#include "common/IniFile.h"

namespace sondrel {
namespace {

TEST(GeometrySettings, ReadFromTheirOwnSectionWithinRange) {
    struct Case {
        const char* text;
        double nominal;
        int overlay;
    };
    const Case cases[] = {
        {"", 0.0, 0},
        {"[Pipe Geometry]\nNominal Diameter=0.450\nShow Overlay=1\n", 0.45, 1},
        // Another section's keys are not ours.
        {"[System Settings]\nNominal Diameter=0.450\nShow Overlay=1\n", 0.0, 0},
        {"[Pipe Geometry]\nNominal Diameter=-3\nShow Overlay=7\n", 0.0, 0},
        {"[Pipe Geometry]\nNominal Diameter=1e9\n", 0.0, 0},
        {"[Pipe Geometry]\nNominal Diameter=nan\n", 0.0, 0},
        {"[Pipe Geometry]\nNominal Diameter=0.001\n", 0.0, 0},  // too small to measure against
        {"[pipe geometry]\nnominal diameter=1.2\n", 1.2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        IniFile ini;
        ini.parse(c.text);
        const GeometrySettings s = loadGeometrySettings(ini);
        EXPECT_DOUBLE_EQ(s.nominalDiameter, c.nominal);
        EXPECT_EQ(s.showOverlay, c.overlay);
        // Without a nominal diameter of its own the reference circle's is taken.
        EXPECT_DOUBLE_EQ(s.nominalFor(0.8), c.nominal > 0 ? c.nominal : 0.8);
    }
}

}  // namespace
}  // namespace sondrel

#include "analysis/GeometrySettings.h"

#include <gtest/gtest.h>

#include <string>

#include "common/IniFile.h"
#include "support/TempFolder.h"

namespace sondrel {
namespace {

TEST(GeometrySettings, ReadFromTheirOwnSectionWithinRange) {
    struct Case {
        const char* text;
        double nominal;
        int overlay;
        OvalityBasis basis;  // the one the figures are taken on
    };
    const auto nominal = OvalityBasis::Nominal, mean = OvalityBasis::Mean;
    const Case cases[] = {
        // Without a nominal diameter ovality needs the mean diameter.
        {"", 0.0, 0, mean},
        {"[Pipe Geometry]\nNominal Diameter=0.450\nShow Overlay=1\n", 0.45, 1, nominal},
        // Another section's keys are not ours, nor is the reference circle.
        {"[System Settings]\nNominal Diameter=0.450\nShow Overlay=1\nCircleDiameter=0.60\n", 0.0, 0,
         mean},
        {"[Pipe Geometry]\nNominal Diameter=-3\nShow Overlay=7\n", 0.0, 0, mean},
        {"[Pipe Geometry]\nNominal Diameter=1e9\n", 0.0, 0, mean},
        {"[Pipe Geometry]\nNominal Diameter=nan\n", 0.0, 0, mean},
        {"[Pipe Geometry]\nNominal Diameter=0.001\n", 0.0, 0,
         mean},  // too small to measure against
        {"[pipe geometry]\nnominal diameter=1.2\n", 1.2, 0, nominal},
        {"[Pipe Geometry]\nNominal Diameter=0.6\nOvality Definition=1\n", 0.6, 0, mean},
        {"[Pipe Geometry]\nNominal Diameter=0.6\nOvality Definition=2\n", 0.6, 0, nominal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        IniFile ini;
        ini.parse(c.text);
        const GeometrySettings s = loadGeometrySettings(ini);
        EXPECT_DOUBLE_EQ(s.nominalDiameter, c.nominal);
        EXPECT_EQ(s.showOverlay, c.overlay);
        EXPECT_EQ(s.hasNominal(), c.nominal > 0);
        EXPECT_EQ(s.ovalityBasis(), c.basis);
    }
}

// The dialog writes the whole section and nothing else; the file reads back
// as it was written.
TEST(GeometrySettings, SavedIntoTheirSectionAndReadBack) {
    test::TempFolder dir;
    const std::string path =
        dir.write("Sondrel.INI",
                  "; site notes\r\n[System Settings]\r\nCircleDiameter=1.00\r\n"
                  "[Pipe Geometry]\r\nShow Chart=1\r\nNominal Diameter=0.300\r\n");
    GeometrySettings s = loadGeometrySettings(path);
    s.nominalDiameter = 0.6;
    s.ovalityDefinition = 1;
    ASSERT_TRUE(saveGeometrySettings(s, path));
    const GeometrySettings back = loadGeometrySettings(path);
    EXPECT_DOUBLE_EQ(back.nominalDiameter, 0.6);
    EXPECT_EQ(back.ovalityDefinition, 1);
    EXPECT_EQ(back.showChart, 1);
    const std::string text = test::readBytes(path);
    EXPECT_EQ(text.rfind("; site notes\r\n[System Settings]\r\nCircleDiameter=1.00\r\n", 0), 0u);
    EXPECT_NE(text.find("Ovality Definition=1\r\n"), std::string::npos);
    EXPECT_FALSE(saveGeometrySettings(s, dir.path() + "/no/such/folder/Sondrel.INI"));
}

TEST(GeometrySettings, TypedValuesAreCheckedByTheirField) {
    const GeometrySettingsKey& nominal = geometrySettingsKey(&GeometrySettings::nominalDiameter);
    const GeometrySettingsKey& warning = geometrySettingsKey(&GeometrySettings::ovalityWarning);
    struct Case {
        const GeometrySettingsKey& key;
        const char* text;
        bool taken;
        double value;
    };
    const Case cases[] = {
        {nominal, " 0.600 ", true, 0.6}, {nominal, "0", true, 0.0},   {nominal, "0.005", false, 0},
        {nominal, "abc", false, 0},      {nominal, "0.6m", false, 0}, {nominal, "nan", false, 0},
        {warning, "100", true, 100.0},   {warning, "-1", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key.key) + " '" + c.text + "'");
        std::string problem;
        const std::optional<double> v = enteredGeometryValue(c.key, c.text, problem);
        ASSERT_EQ(v.has_value(), c.taken);
        if (c.taken) {
            EXPECT_DOUBLE_EQ(*v, c.value);
            EXPECT_TRUE(problem.empty());
        } else {
            // The message names the field and what it takes.
            EXPECT_EQ(problem.rfind(std::string(c.key.label) + ": enter ", 0), 0u) << problem;
        }
    }
    std::string problem;
    enteredGeometryValue(nominal, "x", problem);
    EXPECT_EQ(problem, "Nominal diameter: enter 0 for none, or a number from 0.010 to 50.000 m.");
    GeometrySettings s;
    EXPECT_EQ(geometrySettingsProblem(s), "");
    s.sedimentAlarm = 5.0;
    EXPECT_EQ(geometrySettingsProblem(s),
              "Sediment alarm: must not be below the sediment warning (10.0 % of the nominal "
              "diameter).");
}

}  // namespace
}  // namespace sondrel

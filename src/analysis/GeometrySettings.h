#pragma once
// The pipe geometry's settings, kept in a section of the settings file of
// their own ("Pipe Geometry") so that the two sections the program has always
// written stay exactly as they were. Like every value of that file they are
// outside input: each is brought into its legal range on loading.

#include <span>
#include <string>
#include <string_view>

namespace sondrel {

class IniFile;

inline constexpr const char* kPipeGeometrySection = "Pipe Geometry";

struct GeometrySettings {
    // Metres; 0 takes the reference circle's diameter.
    double nominalDiameter = 0.0;
    // The overlay is shown at start; the View menu's toggle does not write it.
    int showOverlay = 0;
    // The same for the chart window along the pipe.
    int showChart = 0;
    // Levels of the chart's warning and alarm bands: ovality in percent, and
    // sediment depth in percent of the nominal diameter. An alarm level below
    // its warning level is raised to it on loading.
    double ovalityWarning = 5.0, ovalityAlarm = 10.0;
    double sedimentWarning = 10.0, sedimentAlarm = 20.0;

    // The diameter the figures are measured against.
    double nominalFor(double referenceCircleDiameter) const {
        return nominalDiameter > 0 ? nominalDiameter : referenceCircleDiameter;
    }
};

// One key of the section; loading and saving walk the table in its order.
struct GeometrySettingsKey {
    std::string_view key;
    double GeometrySettings::*real = nullptr;
    int GeometrySettings::*integer = nullptr;
    double lowest = 0.0, highest = 0.0;
    int decimals = 0;
};
std::span<const GeometrySettingsKey> geometrySettingsKeys();

// A key that is missing or out of range keeps the default.
GeometrySettings loadGeometrySettings(const IniFile& ini);
GeometrySettings loadGeometrySettings(const std::string& path);

}  // namespace sondrel

#pragma once
// The pipe geometry's settings, kept in a section of the settings file of
// their own ("Pipe Geometry") so that the two sections the program has always
// written stay exactly as they were. Like every value of that file they are
// outside input: each is brought into its legal range on loading.
//
// The nominal diameter is the pipe's, never the display's: the reference
// circle is a display aid and measures nothing.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "analysis/PipeGeometry.h"

namespace sondrel {

class IniFile;

inline constexpr const char* kPipeGeometrySection = "Pipe Geometry";

struct GeometrySettings {
    // Metres; 0: none, and the figures that need one are left empty.
    double nominalDiameter = 0.0;
    // The overlay is shown at start; the View menu's toggle does not write it.
    int showOverlay = 0;
    // The same for the chart window along the pipe.
    int showChart = 0;
    // And the wall map's dock and the 3D view.
    int showWallMap = 0;
    int show3DView = 0;
    // Levels of the chart's warning and alarm bands: ovality in percent, and
    // sediment depth in percent of the nominal diameter. An alarm level below
    // its warning level is raised to it on loading.
    double ovalityWarning = 5.0, ovalityAlarm = 10.0;
    double sedimentWarning = 10.0, sedimentAlarm = 20.0;
    // 0: ovality against the nominal diameter, 1: against the mean diameter.
    int ovalityDefinition = 0;
    // The wall map's and the tube's colours span this many millimetres either
    // side of the nominal radius; departures beyond take the scale's ends.
    double wallMapRange = 50.0;

    bool hasNominal() const { return usableNominal(nominalDiameter); }
    OvalityBasis chosenOvalityBasis() const {
        return ovalityDefinition == 1 ? OvalityBasis::Mean : OvalityBasis::Nominal;
    }
    // The basis the figures are taken on: the chosen one, or the mean
    // diameter while there is no nominal to divide by.
    OvalityBasis ovalityBasis() const {
        return hasNominal() ? chosenOvalityBasis() : OvalityBasis::Mean;
    }
};

// One key of the section; loading and saving walk the table in its order, and
// the settings dialog shows the keys that have a label.
struct GeometrySettingsKey {
    std::string_view key;
    double GeometrySettings::*real = nullptr;
    int GeometrySettings::*integer = nullptr;
    double lowest = 0.0, highest = 0.0;
    int decimals = 0;
    std::string_view label;  // the dialog's; empty for keys it does not show
    std::string_view unit;
};
std::span<const GeometrySettingsKey> geometrySettingsKeys();
const GeometrySettingsKey& geometrySettingsKey(double GeometrySettings::*field);

// A key that is missing or out of range keeps the default.
GeometrySettings loadGeometrySettings(const IniFile& ini);
GeometrySettings loadGeometrySettings(const std::string& path);
// Writes every key of the section; the rest of the file is kept. False when
// the file could not be written.
void saveGeometrySettings(const GeometrySettings& settings, IniFile& ini);
bool saveGeometrySettings(const GeometrySettings& settings, const std::string& path);

// A number typed into the field of `key`: nullopt with `problem` set to the
// message naming the field when it is no number of the field's range. The
// nominal diameter also takes 0, for none.
std::optional<double> enteredGeometryValue(const GeometrySettingsKey& key, std::string_view text,
                                           std::string& problem);
// Levels that contradict each other; empty when the settings hold together.
std::string geometrySettingsProblem(const GeometrySettings& settings);

}  // namespace sondrel

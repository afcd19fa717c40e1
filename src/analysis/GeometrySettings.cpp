#include "analysis/GeometrySettings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

#include "common/IniFile.h"
#include "common/NumberText.h"

namespace sondrel {

namespace {

using S = GeometrySettings;

const auto kKeys = std::to_array<GeometrySettingsKey>({
    {"Nominal Diameter", &S::nominalDiameter, nullptr, 0.0, kMaxNominalDiameter, 3,
     "Nominal diameter", "m"},
    {"Show Overlay", nullptr, &S::showOverlay, 0.0, 1.0, 0, {}, {}},
    {"Show Chart", nullptr, &S::showChart, 0.0, 1.0, 0, {}, {}},
    {"Show Wall Map", nullptr, &S::showWallMap, 0.0, 1.0, 0, {}, {}},
    {"Show 3D View", nullptr, &S::show3DView, 0.0, 1.0, 0, {}, {}},
    {"Ovality Warning", &S::ovalityWarning, nullptr, 0.0, 100.0, 1, "Ovality warning", "%"},
    {"Ovality Alarm", &S::ovalityAlarm, nullptr, 0.0, 100.0, 1, "Ovality alarm", "%"},
    {"Sediment Warning", &S::sedimentWarning, nullptr, 0.0, 100.0, 1, "Sediment warning",
     "% of the nominal diameter"},
    {"Sediment Alarm", &S::sedimentAlarm, nullptr, 0.0, 100.0, 1, "Sediment alarm",
     "% of the nominal diameter"},
    {"Ovality Definition", nullptr, &S::ovalityDefinition, 0.0, 1.0, 0, "Ovality", {}},
    {"Wall Map Range", &S::wallMapRange, nullptr, 5.0, 500.0, 0, "Wall map colours",
     "mm either side of the nominal"},
});

}  // namespace

std::span<const GeometrySettingsKey> geometrySettingsKeys() {
    return kKeys;
}

const GeometrySettingsKey& geometrySettingsKey(double GeometrySettings::*field) {
    const auto it = std::find_if(kKeys.begin(), kKeys.end(),
                                 [&](const GeometrySettingsKey& k) { return k.real == field; });
    return it != kKeys.end() ? *it : kKeys.front();
}

GeometrySettings loadGeometrySettings(const IniFile& ini) {
    GeometrySettings s;
    for (const GeometrySettingsKey& k : kKeys) {
        if (k.real) {
            const double v = ini.readReal(kPipeGeometrySection, k.key, s.*k.real);
            if (std::isfinite(v) && v >= k.lowest && v <= k.highest) s.*k.real = v;
        } else {
            const int v = ini.readInt(kPipeGeometrySection, k.key, s.*k.integer);
            if (v >= k.lowest && v <= k.highest) s.*k.integer = v;
        }
    }
    // A nominal diameter too small to measure against is no setting at all.
    if (s.nominalDiameter < kMinNominalDiameter) s.nominalDiameter = 0.0;
    s.ovalityAlarm = std::max(s.ovalityAlarm, s.ovalityWarning);
    s.sedimentAlarm = std::max(s.sedimentAlarm, s.sedimentWarning);
    return s;
}

GeometrySettings loadGeometrySettings(const std::string& path) {
    IniFile ini;
    ini.load(path);  // what cannot be read keeps its default
    return loadGeometrySettings(ini);
}

void saveGeometrySettings(const GeometrySettings& settings, IniFile& ini) {
    for (const GeometrySettingsKey& k : kKeys) {
        if (k.real)
            ini.setReal(kPipeGeometrySection, k.key, settings.*k.real, k.decimals);
        else
            ini.setInt(kPipeGeometrySection, k.key, settings.*k.integer);
    }
}

bool saveGeometrySettings(const GeometrySettings& settings, const std::string& path) {
    IniFile ini;
    // An unreadable file is not replaced by one that holds only this section.
    if (ini.load(path) == IniFile::LoadResult::Unreadable) return false;
    saveGeometrySettings(settings, ini);
    return ini.save(path);
}

std::optional<double> enteredGeometryValue(const GeometrySettingsKey& key, std::string_view text,
                                           std::string& problem) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    const bool nominal = key.real == &S::nominalDiameter;
    const double lowest = nominal ? kMinNominalDiameter : key.lowest;
    std::optional<double> value = parseRealNumber(text, lowest, key.highest);
    if (nominal && !value && parseRealNumber(text, 0.0, 0.0)) value = 0.0;
    if (value) return value;
    problem = std::string(key.label) + ": enter " + (nominal ? "0 for none, or " : "") +
              "a number from " + formatFixed(lowest, key.decimals) + " to " +
              formatFixed(key.highest, key.decimals) + " " + std::string(key.unit) + ".";
    return std::nullopt;
}

std::string geometrySettingsProblem(const GeometrySettings& s) {
    const auto below = [](double GeometrySettings::*alarm, double GeometrySettings::*warning,
                          const GeometrySettings& settings) -> std::string {
        if (settings.*alarm >= settings.*warning) return {};
        const GeometrySettingsKey& a = geometrySettingsKey(alarm);
        const GeometrySettingsKey& w = geometrySettingsKey(warning);
        std::string warningName(w.label);
        warningName.front() = static_cast<char>(std::tolower(warningName.front()));
        return std::string(a.label) + ": must not be below the " + warningName + " (" +
               formatFixed(settings.*warning, w.decimals) + " " + std::string(w.unit) + ").";
    };
    std::string problem = below(&S::ovalityAlarm, &S::ovalityWarning, s);
    if (problem.empty()) problem = below(&S::sedimentAlarm, &S::sedimentWarning, s);
    return problem;
}

}  // namespace sondrel

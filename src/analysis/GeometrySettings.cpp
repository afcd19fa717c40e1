#include "analysis/GeometrySettings.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "analysis/PipeGeometry.h"
#include "common/IniFile.h"

namespace sondrel {

namespace {

using S = GeometrySettings;

const auto kKeys = std::to_array<GeometrySettingsKey>({
    {"Nominal Diameter", &S::nominalDiameter, nullptr, 0.0, kMaxNominalDiameter, 3},
    {"Show Overlay", nullptr, &S::showOverlay, 0.0, 1.0, 0},
    {"Show Chart", nullptr, &S::showChart, 0.0, 1.0, 0},
    {"Ovality Warning", &S::ovalityWarning, nullptr, 0.0, 100.0, 1},
    {"Ovality Alarm", &S::ovalityAlarm, nullptr, 0.0, 100.0, 1},
    {"Sediment Warning", &S::sedimentWarning, nullptr, 0.0, 100.0, 1},
    {"Sediment Alarm", &S::sedimentAlarm, nullptr, 0.0, 100.0, 1},
});

}  // namespace

std::span<const GeometrySettingsKey> geometrySettingsKeys() {
    return kKeys;
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

}  // namespace sondrel

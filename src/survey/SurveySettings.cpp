#include "survey/SurveySettings.h"

#include <cstdio>

#include "common/IniFile.h"
#include "common/NumberText.h"

namespace sondrel {

namespace {

constexpr SurveySettingKey<ObservationSettings> kObservationKeys[] = {
    {&setting::kDeformationStart, &ObservationSettings::deformationStart,
     "Deformation from (% of nominal)"},
    {&setting::kDepositStart, &ObservationSettings::depositStart,
     "Deposits from (% of the cross-section)"},
    {&setting::kContinuousLength, &ObservationSettings::continuousLength, "Continuous beyond (m)"},
    {&setting::kObstacleLongest, &ObservationSettings::obstacleLongest,
     "Obstacle at most (m long)"},
    {&setting::kObstacleHeight, &ObservationSettings::obstacleHeight,
     "Obstacle at least (% of nominal high)"},
};

constexpr SurveySettingKey<GradingLimits> kLimitKeys[] = {
    {&setting::kEvaluateLimit, &GradingLimits::evaluate, "Evaluate from (%)"},
    {&setting::kFailLimit, &GradingLimits::fail, "Fail from (%)"},
    {&setting::kVelocityUncertainty, &GradingLimits::velocityUncertainty,
     "Sound velocity uncertainty (m/s)"},
};

template <typename Settings, std::size_t N>
Settings loadKeys(const IniFile& ini, const char* section,
                  const SurveySettingKey<Settings> (&keys)[N]) {
    Settings s;
    for (const auto& k : keys) {
        const std::optional<std::string> text = ini.value(section, k.descriptor->key);
        if (!text) continue;
        const std::optional<double> v =
            parseRealNumber(*text, k.descriptor->minimum, k.descriptor->maximum);
        if (v) s.*k.field = *v;
    }
    return s;
}

template <typename Settings, std::size_t N>
void saveKeys(const Settings& s, IniFile& ini, const char* section,
              const SurveySettingKey<Settings> (&keys)[N]) {
    for (const auto& k : keys)
        ini.setReal(section, k.descriptor->key, s.*k.field, k.descriptor->decimals);
}

std::string shortNumber(double v, int decimals) {
    std::string s = formatFixed(v, decimals);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s;
}

}  // namespace

std::span<const SurveySettingKey<ObservationSettings>> observationSettingKeys() {
    return kObservationKeys;
}

std::span<const SurveySettingKey<GradingLimits>> gradingLimitKeys() {
    return kLimitKeys;
}

ObservationSettings loadObservationSettings(const IniFile& ini) {
    return loadKeys(ini, kSurveyObservationsSection, kObservationKeys);
}

GradingLimits loadGradingLimits(const IniFile& ini) {
    GradingLimits limits = loadKeys(ini, kSurveyLimitsSection, kLimitKeys);
    if (limits.fail < limits.evaluate) limits.fail = limits.evaluate;
    return limits;
}

void saveObservationSettings(const ObservationSettings& settings, IniFile& ini) {
    saveKeys(settings, ini, kSurveyObservationsSection, kObservationKeys);
}

void saveGradingLimits(const GradingLimits& limits, IniFile& ini) {
    saveKeys(limits, ini, kSurveyLimitsSection, kLimitKeys);
}

std::optional<double> enteredSurveySetting(const SettingDescriptor& d, std::string_view text,
                                           std::string& problem) {
    const std::optional<double> v = parseRealNumber(text, d.minimum, d.maximum);
    if (!v) {
        problem = std::string(d.key) + " (" + std::string(d.unit) + "): a number from " +
                  shortNumber(d.minimum, d.decimals) + " to " + shortNumber(d.maximum, d.decimals);
    }
    return v;
}

}  // namespace sondrel

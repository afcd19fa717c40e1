#pragma once
// The survey's settings in the program's settings file: the thresholds that
// detect observations ("Survey Observations") and the acceptance limits the
// survey is graded against ("Survey Limits"), each value a descriptor, so the
// dialogs' ranges and refusal texts come from the same entries as loading.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/SettingDescriptor.h"

namespace sondrel {

class IniFile;

inline constexpr const char* kSurveyObservationsSection = "Survey Observations";
inline constexpr const char* kSurveyLimitsSection = "Survey Limits";

namespace setting {
// Percent of the nominal diameter the narrowest calliper falls short by.
inline constexpr SettingDescriptor kDeformationStart{
    "Deformation Start", "%", 0.5, 50.0, 0.5, 1, 3.0};
// Percent of the nominal cross-section the deposit fills.
inline constexpr SettingDescriptor kDepositStart{"Deposit Start", "%", 0.5, 80.0, 0.5, 1, 5.0};
// A defect longer than this is continuous (a start and a finish).
inline constexpr SettingDescriptor kContinuousLength{
    "Continuous Length", "m", 0.1, 100.0, 0.1, 2, 1.0};
// An obstacle stands above the floor around it for at most this long...
inline constexpr SettingDescriptor kObstacleLongest{
    "Obstacle Longest", "m", 0.05, 5.0, 0.05, 2, 1.0};
// ...and by at least this much, in percent of the nominal diameter.
inline constexpr SettingDescriptor kObstacleHeight{"Obstacle Height", "%", 1.0, 80.0, 1.0, 1, 8.0};

inline constexpr SettingDescriptor kEvaluateLimit{"Evaluate Limit", "%", 0.5, 50.0, 0.5, 1, 5.0};
inline constexpr SettingDescriptor kFailLimit{"Fail Limit", "%", 0.5, 50.0, 0.5, 1, 7.5};
// The sound velocity's standard uncertainty when no calibration says better.
inline constexpr SettingDescriptor kVelocityUncertainty{
    "Velocity Uncertainty", "m/s", 0.0, 100.0, 1.0, 1, 10.0};
}  // namespace setting

struct ObservationSettings {
    double deformationStart = setting::kDeformationStart.defaultValue;
    double depositStart = setting::kDepositStart.defaultValue;
    double continuousLength = setting::kContinuousLength.defaultValue;
    double obstacleLongest = setting::kObstacleLongest.defaultValue;
    double obstacleHeight = setting::kObstacleHeight.defaultValue;
    bool operator==(const ObservationSettings&) const = default;
};

struct GradingLimits {
    double evaluate = setting::kEvaluateLimit.defaultValue;
    double fail = setting::kFailLimit.defaultValue;
    double velocityUncertainty = setting::kVelocityUncertainty.defaultValue;
    bool operator==(const GradingLimits&) const = default;
};

// One key of a section and the member it fills; loading, saving and the
// dialogs walk these tables.
template <typename Settings>
struct SurveySettingKey {
    const SettingDescriptor* descriptor;
    double Settings::*field;
    std::string_view label;
};
std::span<const SurveySettingKey<ObservationSettings>> observationSettingKeys();
std::span<const SurveySettingKey<GradingLimits>> gradingLimitKeys();

// A key that is missing or out of range keeps its default; a fail limit
// below the evaluate limit is raised to it.
ObservationSettings loadObservationSettings(const IniFile& ini);
GradingLimits loadGradingLimits(const IniFile& ini);
void saveObservationSettings(const ObservationSettings& settings, IniFile& ini);
void saveGradingLimits(const GradingLimits& limits, IniFile& ini);

// A number typed for `descriptor`: nullopt with `problem` naming the field
// ("Fail Limit (%): a number from 0.5 to 50") when it is none of its range.
std::optional<double> enteredSurveySetting(const SettingDescriptor& descriptor,
                                           std::string_view text, std::string& problem);

}  // namespace sondrel

#pragma once
// The head's and the view's numeric settings, each described once.

#include "common/SettingDescriptor.h"

namespace sondrel::setting {

inline constexpr SettingDescriptor kRangeIndex{"Range Index", "", 0, 8, 1, 0, 5};
inline constexpr SettingDescriptor kGain{"Gain", "dB", 0, 20, 1, 0, 6};
// Train codes are units of 3 degrees, 60 straight ahead; widths likewise.
inline constexpr SettingDescriptor kTrainPolar{"Train Polar", "", 0, 120, 1, 0, 60};
inline constexpr SettingDescriptor kTrainSector{"Train Sector", "", 0, 120, 1, 0, 60};
inline constexpr SettingDescriptor kTrainSideScan{"Train SS", "", 0, 120, 1, 0, 30};
inline constexpr SettingDescriptor kSectorWidthPolar{"SectorWidth Polar", "", 0, 120, 1, 0, 120};
inline constexpr SettingDescriptor kSectorWidthSector{"SectorWidth Sector", "", 0, 60, 1, 0, 60};
inline constexpr SettingDescriptor kFrequencyCode{"Frequency", "", 21, 185, 1, 0, 100};
inline constexpr SettingDescriptor kAbsorptionCode{"Absorption", "", 0, 255, 1, 0, 170};
inline constexpr SettingDescriptor kPulseLengthCode{"Pulse Length", "", 1, 100, 1, 0, 1};
inline constexpr SettingDescriptor kSwitchDelay{"", "ms", 0, 100, 2, 0, 0};
inline constexpr SettingDescriptor kSoundVelocity{
    "Speed of Sound", "m/s", 1400, 1600, 0.1, 1, 1500};
inline constexpr SettingDescriptor kProfileMinRange{"PPMinRange", "m", 0, 2.5, 0.01, 2, 0};
inline constexpr SettingDescriptor kZoom{"Zoom", "", 0.5, 4.0, 0.25, 2, 1.0};

}  // namespace sondrel::setting

#pragma once
// The fixed tables of the head's settings: ranges and their codes, step-size
// (speed) names, scan-mode names, the per-range frequency table and the train
// angle rule. Every caller goes through these functions so that each rule is
// written once.

#include <array>
#include <cstdint>
#include <string_view>

#include "acquisition/SettingDescriptors.h"

namespace sondrel {

enum SonarType : int { kTypeP = 0, kTypeQ = 1 };
enum ScanMode : int { kSector = 0, kPolar = 1, kSideScan = 2 };

inline constexpr int kRangeCount = 9;
inline constexpr std::array<double, kRangeCount> kRangeMetres = {0.25, 0.5, 0.75, 1.0, 2.0,
                                                                 3.0,  4.0, 5.0,  6.0};
inline constexpr std::array<std::uint8_t, kRangeCount> kRangeCodes = {4,  6,  8,  10, 20,
                                                                      30, 40, 50, 60};

// Metres to the range code sent to the head.
std::uint8_t rangeCodeFor(double metres);
// A range code (as sent or as returned by the head) to an index of the range table.
int rangeIndexForCode(int code);
// The range table entry at index, the index clamped to the table.
double rangeMetresForIndex(int index);
int clampRangeIndex(int index);

// Train code (0..120, units of 3 degrees, 60 straight ahead) to the degrees shown.
int trainDegreesFor(int trainCode, bool reversed);
// One step of the train code, wrapping at both ends.
int steppedTrainCode(int trainCode, int delta, bool reversed);

// Step size (head steps per ping) names; the head never gets 5, which stands for 8.
std::string_view stepSizeName(int stepSize);
int normalisedStepSize(int stepSize);
// One click of the speed control, including the limits of a Type Q head at short range.
int steppedSpeed(int stepSize, int delta, int sonarType, double rangeMetres);

std::string_view scanModeName(int scanMode);  // "Sector", "Polar", "SideScan"

// Absorption code after one step: 0..255, never 253 (the command terminator).
int steppedAbsorption(int code, int delta);
inline constexpr int kMinFrequencyCode = static_cast<int>(setting::kFrequencyCode.minimum);
inline constexpr int kMaxFrequencyCode = static_cast<int>(setting::kFrequencyCode.maximum);
inline constexpr int frequencyKhzFor(int code) {
    return 175 + 5 * code;
}

struct PerRangeSetup {
    std::uint8_t frequencyCode;
    std::uint8_t absorptionCode;
    std::uint8_t pulseLengthCode;
};
// Fifteen rows; only the first nine are reachable with the nine ranges.
inline constexpr int kPerRangeRows = 15;
const std::array<PerRangeSetup, kPerRangeRows>& perRangeTable();

// Sound velocity accepted from files and dialogs, anything else meaning the default.
inline constexpr double kDefaultSoundVelocity = setting::kSoundVelocity.defaultValue;
inline constexpr bool soundVelocityInRange(double v) {
    return setting::kSoundVelocity.contains(v);
}

}  // namespace sondrel

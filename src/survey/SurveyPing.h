#pragma once
// The figures of one record of a survey, as compact as the later views allow
// (a survey of half a million records keeps them all): where the record lies
// and when it was taken, where it starts in its file, and what its pipe
// geometry measured. Lengths in metres, areas in square metres, percentages
// in percent, angles in degrees; NaN where there is no figure.

#include <cmath>
#include <cstdint>
#include <limits>

namespace sondrel {

struct SurveyPing {
    static constexpr float kNone = std::numeric_limits<float>::quiet_NaN();

    std::int64_t filePosition = -1;  // where the record starts: a click plays it
    std::int32_t record = 0;         // from 1, invalid records counted
    float seconds = kNone;           // since the first record's time stamp
    float distance = kNone;          // as read; NaN without a reading
    float chainage = kNone;          // NaN: the record has no place
    float soundVelocity = kNone;     // the one its points were made with
    float meanDiameter = kNone, minDiameter = kNone, maxDiameter = kNone;
    float ovalityQ = kNone;       // max(Dmax - Dmean, Dmean - Dmin) / Dmean x 100
    float ovalitySpread = kNone;  // (Dmax - Dmin) / Dmean x 100
    float deformation = kNone;    // (Dnominal - Dmin) / Dnominal x 100
    float sedimentDepth = kNone;  // floor above the bottom of the fitted shape
    float sedimentArea = kNone;   // the bore below the floor
    float shortAxis = kNone;      // direction of the smallest calliper from horizontal, 0..180
    // Clock positions (hours from 0 up to 12, as seen in the survey's
    // direction) where the floor's surface meets the wall; NaN without a floor.
    float floorClockFrom = kNone, floorClockTo = kNone;
    // The standard uncertainty of the mean diameter (see the README).
    float diameterUncertainty = kNone;
    std::uint8_t flags = 0;

    static constexpr std::uint8_t kMeasured = 1;   // the geometry gave figures
    static constexpr std::uint8_t kKept = 2;       // its place's kept pass
    static constexpr std::uint8_t kEstimated = 4;  // placed from time and speed

    bool measured() const { return (flags & kMeasured) != 0; }
    bool kept() const { return (flags & kKept) != 0; }
    bool placed() const { return !std::isnan(chainage); }
};

}  // namespace sondrel

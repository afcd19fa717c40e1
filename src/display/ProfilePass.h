#pragma once
#include "common/Angles.h"
// The profile pass: turns the 400 profile ranges of the current ping into the
// dots of the profile display and hands every accepted point to an export.
// It runs on every repaint, so it allocates nothing beyond the path it fills.

#include <array>
#include <cstdint>
#include <vector>

namespace sondrel {

class CSondrelDoc;
struct DisplaySettings;
struct HeadSettings;
struct OrientationReadings;

inline constexpr int kProfileSampleCount = 400;
inline constexpr double kProfileAngleStep = 0.9;

// One dot in image pixels at the current zoom (x, y top-left; w, h size).
struct EllipseRect {
    int x, y, w, h;
};

struct ProfilePath {
    ProfilePath() { ellipses.reserve(kProfileSampleCount); }
    std::vector<EllipseRect> ellipses;
    // The last accepted point relative to the image centre, in pixels at zoom 1.
    double lastX = 0.0, lastY = 0.0;

    // The sample angles of the last pass with their sines and cosines. They are
    // the same from ping to ping until the start angle or the direction
    // changes, and are then worked out again.
    struct AngleTable {
        double start = 0.0, step = 0.0;
        bool valid = false;
        std::array<double, kProfileSampleCount> theta{}, sin{}, cos{};
    };
    AngleTable angles;
};

// Receives the accepted points of one pass: the distance in pixels at zoom 1
// (500 pixels are the full range) and the angle in degrees as the pass computed
// it (not wrapped into 0..360), then the end of the ping.
class ProfileExport {
  public:
    virtual ~ProfileExport() = default;
    virtual void point(double distancePixels, double angleDegrees) = 0;
    virtual void endOfPing() = 0;
};

// Decoded profile value of sample i (0..399) of an echo buffer: high byte x 128
// plus the low 7 bits of the low byte, 0 meaning no return.
int profileValue(const std::uint8_t* echo, int sample);

// Conversion of a profile value to a distance in pixels, for one ping.
struct ProfileConversion {
    int formatCode = 0;  // 0..3, the low two bits of the head status
    int rangeCode = 0;   // command byte 3
    double rangeMetres = 1.0;
    double soundVelocity = 1500.0;
    int pulseLengthCode = 1;
    double distancePixels(int value) const;
};
// The amount added to a format-1 value at range code 4, by its low byte.
int shortRangeCorrection(int lowByte);

// Start angle of the first sample in degrees, of the ping on show.
double profileStartAngle(const CSondrelDoc& doc);
double profileStartAngle(const HeadSettings& shown, const DisplaySettings& display,
                         const OrientationReadings& orientation);
// Points at or below this distance in pixels are dropped.
int profileMinimumDistance(const CSondrelDoc& doc);
int profileMinimumDistance(const HeadSettings& shown);

// Runs the pass over the ping on show, with the settings on show: clears the sonar image,
// refills `path`, and calls `exporter` (may be null) for each accepted point
// and once at the end.
void runProfilePass(CSondrelDoc& doc, ProfilePath& path, ProfileExport* exporter);

}  // namespace sondrel

#include "simulation/SimulatedInstruments.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

namespace sondrel {

namespace {

std::vector<std::uint8_t> bytesOf(const char* text, int length) {
    if (length < 0) return {};
    return std::vector<std::uint8_t>(text, text + length);
}

}  // namespace

CrawlerReading crawlerAt(const CrawlerMotion& motion, double t) {
    CrawlerReading r;
    r.pitchDeg = motion.pitchAmplitude * std::sin(2.0 * std::numbers::pi * t / 19.0);
    r.rollDeg = motion.rollAmplitude * std::sin(2.0 * std::numbers::pi * t / 13.0 + 0.7);
    // The cable is paid out steadily, with the small surges of a crawler's tracks.
    r.distanceM = motion.startDistance + motion.speed * t +
                  0.02 * motion.speed * 10.0 * std::sin(2.0 * std::numbers::pi * t / 3.0);
    return r;
}

std::vector<std::uint8_t> orientationSentence(int type, const CrawlerReading& reading) {
    char text[96];
    switch (type) {
        case 1: {
            const double metres = std::clamp(reading.distanceM, -99999.9, 99999.9);
            return bytesOf(text, std::snprintf(text, sizeof text, "$ %.1f,meter\r\n", metres));
        }
        case 2: {
            const double millimetres =
                std::clamp(reading.distanceM * 1000.0, -9999999.9, 9999999.9);
            return bytesOf(text,
                           std::snprintf(text, sizeof text, ",#CABLE, %.1f, \r\n", millimetres));
        }
        case 3: {
            const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(reading.distanceM));
            return {'R', static_cast<std::uint8_t>(bits >> 24),
                    static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 8),
                    static_cast<std::uint8_t>(bits)};
        }
        default: {
            // Fixed columns: sign at 6, 16 and 27; the widths below keep them there.
            const double pitch = std::clamp(reading.pitchDeg, -99.9, 99.9);
            const double roll = std::clamp(reading.rollDeg, -999.9, 999.9);
            const double distance = std::clamp(reading.distanceM, -9999.99, 9999.99);
            return bytesOf(
                text, std::snprintf(text, sizeof text, "PITCH %+05.1f ROLL%+06.1f DIST%+08.2f\r\n",
                                    pitch, roll, distance));
        }
    }
}

bool SimulatedReach::receive(std::span<const std::uint8_t> bytes) {
    bool measure = false;
    for (const std::uint8_t b : bytes) {
        if (previous_ == 'S' && b == 'M') {
            measure = true;
        } else if (previous_ == 'L' && b == 'E') {
            streaming_ = true;
            measure = true;
        } else if (previous_ == 'L' && b == 'D') {
            streaming_ = false;
        }
        previous_ = b;
    }
    return measure;
}

}  // namespace sondrel

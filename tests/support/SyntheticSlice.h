#pragma once
// A slice of a made-up pipe for timing the views along it without reading a
// file: 0.6 m across, oval by a few percent in long waves, silted at the
// invert over every tenth metre and with a joint displaced 2 cm every 2.5 m.

#include <cmath>
#include <cstdint>
#include <numbers>

#include "display/ProfilePass.h"
#include "pipeview/PipeSlice.h"

namespace sondrel::test {

inline constexpr double kSyntheticPingStep = 0.05;  // m between pings

inline PipeSlice syntheticSlice(double chainage, std::int64_t record) {
    PipeSlice s;
    s.record = record;
    s.chainage = chainage;
    s.timeS = record * 0.1;
    s.measured = true;
    s.radius = 0.3;
    if (static_cast<int>(chainage) % 10 == 0) s.sedimentLevel = -0.22;
    const double ovality = 0.03 * std::sin(chainage * 0.05);
    const double step = std::fmod(chainage, 2.5) < 0.1 ? 0.02 : 0.0;
    for (int i = 0; i < kProfileSampleCount; ++i) {
        const double a = i * kProfileAngleStep * std::numbers::pi / 180;
        const double r = 0.3 * (1 + ovality * std::cos(2 * a));
        s.points.push_back({r * std::cos(a) + step, r * std::sin(a), static_cast<float>(r),
                            static_cast<float>(i * kProfileAngleStep)});
    }
    return s;
}

}  // namespace sondrel::test

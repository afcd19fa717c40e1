#include "pipeview/TubeCamera.h"

#include <algorithm>
#include <cmath>

namespace sondrel {

namespace {
// Beyond some twenty distances ahead and behind, the pipe is a dot.
constexpr double kSeenDistances = 20.0;
constexpr double kShortestSeen = 5.0;  // metres either side
}  // namespace

void TubeCamera::orbit(double yawDegrees, double pitchDegrees) {
    yaw_ = std::fmod(yaw_ + yawDegrees, 360.0);
    pitch_ = std::clamp(pitch_ + pitchDegrees, -kSteepest, kSteepest);
}

void TubeCamera::zoom(double factor) {
    if (factor > 0) distance_ = std::clamp(distance_ / factor, kNearest, kFarthest);
}

void TubeCamera::flyTo(double chainage, double start, double end) {
    fly_ = end >= start ? std::clamp(chainage, start, end) : chainage;
}

MeshStretch TubeCamera::seen() const {
    const double half = std::max(kShortestSeen, distance_ * kSeenDistances);
    return {fly_ - half, fly_ + half};
}

MeshStretch TubeCamera::meshed() const {
    const MeshStretch s = seen();
    const double half = s.to - fly_;
    return {fly_ - 2 * half, fly_ + 2 * half};
}

}  // namespace sondrel

#include "display/FramePacer.h"

#include <cmath>

namespace sondrel {

namespace {

constexpr double kDefaultRefreshHz = 60.0;

std::int64_t frameLength(double refreshHz) {
    // Rates outside what screens do (0 from a headless platform, NaN) would
    // either stop painting or paint per ping.
    if (!(refreshHz >= 10.0 && refreshHz <= 1000.0)) refreshHz = kDefaultRefreshHz;
    // Rounded down, so a paint is never later than the screen's next frame.
    return static_cast<std::int64_t>(std::floor(1000.0 / refreshHz));
}

}  // namespace

FramePacer::FramePacer(double refreshHz) : frameMs_(frameLength(refreshHz)) {}

std::int64_t FramePacer::delayBeforePaint(std::int64_t nowMs) const {
    if (!everPainted_) return 0;
    const std::int64_t since = nowMs - lastPaintMs_;
    // A clock that went back says nothing about when the last frame was.
    if (since < 0 || since >= frameMs_) return 0;
    return frameMs_ - since;
}

void FramePacer::painted(std::int64_t nowMs) {
    lastPaintMs_ = nowMs;
    everPainted_ = true;
}

}  // namespace sondrel

#include "recording/PlaybackBar.h"

#include <algorithm>

namespace sondrel {

std::uint64_t trackbarByteStep(std::int64_t fileLength) {
    if (fileLength <= 0) return 0;
    return static_cast<std::uint64_t>(fileLength) / static_cast<std::uint64_t>(kTrackbarMaximum);
}

std::int64_t trackbarTarget(std::uint64_t byteStep, int thumb) {
    if (thumb >= kTrackbarMaximum || thumb < kTrackbarMinimum) thumb = kTrackbarMinimum;
    return static_cast<std::int64_t>(byteStep * static_cast<std::uint64_t>(thumb));
}

int trackbarPositionFor(std::int64_t position, std::int64_t fileLength) {
    if (fileLength <= 0 || position <= 0) return kTrackbarMinimum;
    if (position >= fileLength) return kTrackbarMaximum;
    // A 128-bit product keeps position x 100 exact for any 64-bit file size.
    return static_cast<int>(static_cast<__int128>(position) * kTrackbarMaximum / fileLength);
}

int speedForInterval(int intervalMs) {
    return std::clamp(kSpeedMaximum - intervalMs, kSpeedMinimum, kSpeedMaximum);
}

SpeedChange speedAfterClick(int currentSpeed, int step) {
    const int s = std::clamp(currentSpeed + kSpeedClickStep * step, kSpeedMinimum, kSpeedMaximum);
    const int interval = std::clamp(kSpeedMaximum - s, 0, kSpeedMaximum);
    return {s, interval};
}

}  // namespace sondrel

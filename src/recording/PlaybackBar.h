#pragma once
// The arithmetic of the playback bar: how the trackbar maps onto file bytes and
// how the speed spin maps onto the playback interval. The window's controls
// only carry these numbers; the player acts on them.

#include <cstdint>

namespace sondrel {

inline constexpr int kTrackbarMinimum = 0;
inline constexpr int kTrackbarMaximum = 100;
inline constexpr int kTrackbarTickEvery = 10;
inline constexpr int kSpeedMinimum = 0;
inline constexpr int kSpeedMaximum = 1000;
inline constexpr int kSpeedClickStep = 50;

// File bytes per trackbar step.
std::uint64_t trackbarByteStep(std::int64_t fileLength);

// Where a released thumb asks playback to look for the next record. A thumb
// at or beyond the right end restarts the file from its beginning.
std::int64_t trackbarTarget(std::uint64_t byteStep, int thumb);

// The thumb position that shows a file position, 0..100.
int trackbarPositionFor(std::int64_t position, std::int64_t fileLength);

// The speed shown for an interval: 1000 - interval, kept on the 0..1000 scale
// (a recorded ping period can be longer than a second).
int speedForInterval(int intervalMs);

struct SpeedChange {
    int speed;       // new position of the spin and the progress bar
    int intervalMs;  // new playback interval
};
// One click of the speed spin from its current position; step is +1 or -1.
SpeedChange speedAfterClick(int currentSpeed, int step);

}  // namespace sondrel

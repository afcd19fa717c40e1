#pragma once
// When the view may paint again. Pings can come far faster than the screen
// shows frames (playback at 0 ms, a fast head); painting each one would spend
// the time on frames nobody sees. The view paints at once when a frame's time
// has passed since its last paint, and otherwise once, at the end of that
// frame, showing the document as it is then.

#include <cstdint>

namespace sondrel {

class FramePacer {
  public:
    // refreshHz: the screen's frame rate; an unknown or absurd rate counts as 60.
    explicit FramePacer(double refreshHz = 60.0);

    // Milliseconds to wait before the next paint, 0 to paint now. `nowMs` is
    // any monotonic clock in milliseconds.
    std::int64_t delayBeforePaint(std::int64_t nowMs) const;
    void painted(std::int64_t nowMs);
    std::int64_t frameMs() const { return frameMs_; }

  private:
    std::int64_t frameMs_;
    std::int64_t lastPaintMs_ = 0;
    bool everPainted_ = false;
};

}  // namespace sondrel

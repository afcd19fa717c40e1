#pragma once
// While a modal window is open, nothing that would move the picture on by
// itself may run behind it: playback's frames and the reads of the orientation
// instrument rest, and take up again when the window closes. A live head keeps
// its own pace (its reply watchdog, its next command, its serial polls): what
// it sends is shown as it comes. Every modal window the operator opens from the
// main window holds one of these for as long as it is open.

#include "acquisition/TimerHost.h"

namespace sondrel {

class CSondrelDoc;
class OrientationInput;

class ModalPause {
  public:
    // instrument: the orientation input, when there is one to ask whether it
    // is still open once the window closes.
    ModalPause(TimerHost& timers, const CSondrelDoc& doc,
               const OrientationInput* instrument = nullptr);
    // Restarts what it stopped, unless something else has started it since or
    // it no longer has anything to do: playback's frames while a file still
    // plays, the instrument's reads while no sonar data come and it is open.
    ~ModalPause();
    ModalPause(const ModalPause&) = delete;
    ModalPause& operator=(const ModalPause&) = delete;

  private:
    TimerHost& timers_;
    const CSondrelDoc& doc_;
    const OrientationInput* instrument_;
    bool framesPaused_ = false;
    bool readsPaused_ = false;
};

}  // namespace sondrel

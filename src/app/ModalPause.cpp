#include "app/ModalPause.h"

#include "acquisition/AcquisitionCycle.h"
#include "acquisition/Orientation.h"
#include "acquisition/SondrelDoc.h"

namespace sondrel {

namespace {

// Stops the timer if it runs; whether it did.
bool pause(TimerHost& timers, int id) {
    if (!timers.isTimerActive(id)) return false;
    timers.killTimer(id);
    return true;
}

}  // namespace

ModalPause::ModalPause(TimerHost& timers, const CSondrelDoc& doc,
                       const OrientationInput* instrument)
    : timers_(timers), doc_(doc), instrument_(instrument) {
    if (doc_.flags.playbackActive) framesPaused_ = pause(timers_, kPollTimer);
    readsPaused_ = pause(timers_, kOrientationTimer);
}

ModalPause::~ModalPause() {
    // Playback goes on as Hold released lets it, not a whole frame interval later.
    if (framesPaused_ && doc_.flags.playbackActive && !timers_.isTimerActive(kPollTimer))
        timers_.setTimer(kPollTimer, kHoldReleasePollMs);
    const bool instrumentOpen = !instrument_ || instrument_->isOpen();
    if (readsPaused_ && !doc_.flags.playbackActive && doc_.link.noNewData == 1 && instrumentOpen &&
        !timers_.isTimerActive(kOrientationTimer))
        timers_.setTimer(kOrientationTimer, kOrientationPollMs);
}

}  // namespace sondrel

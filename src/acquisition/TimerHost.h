#pragma once
// The main window's timers, by identifier. The program backs this with one
// single-shot QTimer per identifier; tests back it with a virtual clock.

namespace sondrel {

enum TimerId : int {
    kPollTimer = 1010,         // serial poll, playback frames
    kWatchdogTimer = 1020,     // Ethernet reply watchdog and reconnect; first serial poll
    kSendTimer = 1030,         // send the next Ethernet command at the next turn of the loop
    kOrientationTimer = 1040,  // read the orientation input while no sonar data arrive
    kViewBlinkTimer = 2010,    // the view's text cursor and circle-move blinking
};

class TimerHost {
  public:
    virtual ~TimerHost() = default;
    // (Re)starts the timer: it fires once after ms milliseconds, except the
    // orientation timer, which repeats until killed.
    virtual void setTimer(int id, int ms) = 0;
    virtual void killTimer(int id) = 0;
    virtual bool isTimerActive(int id) const = 0;
};

// The four timers that drive acquisition and playback; the view's blink timer
// is not among them.
inline constexpr int kAcquisitionTimers[] = {kWatchdogTimer, kPollTimer, kSendTimer,
                                             kOrientationTimer};

// Nothing polls, sends, reads the instrument or plays a record until a timer is set again.
inline void stopAcquisitionTimers(TimerHost& timers) {
    for (const int id : kAcquisitionTimers) timers.killTimer(id);
}

}  // namespace sondrel

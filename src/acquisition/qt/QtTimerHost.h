#pragma once
// The main window's timers on Qt: one QTimer per identifier, single-shot except
// the orientation timer, which repeats until killed. A fired timer is handed to
// one handler with its identifier (the frame passes them on to the cycle).

#include <functional>
#include <map>
#include <memory>

#include "acquisition/TimerHost.h"

class QObject;
class QTimer;

namespace sondrel {

class QtTimerHost : public TimerHost {
  public:
    QtTimerHost();
    ~QtTimerHost() override;
    QtTimerHost(const QtTimerHost&) = delete;
    QtTimerHost& operator=(const QtTimerHost&) = delete;

    void setHandler(std::function<void(int)> handler) { handler_ = std::move(handler); }

    void setTimer(int id, int ms) override;
    void killTimer(int id) override;
    bool isTimerActive(int id) const override;

  private:
    QTimer* timerFor(int id);

    std::unique_ptr<QObject> owner_;  // parent of the timers
    std::map<int, QTimer*> timers_;
    std::function<void(int)> handler_;
};

}  // namespace sondrel

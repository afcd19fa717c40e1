#pragma once
// A virtual clock and a timer host that runs on it: tests advance time by hand,
// and timers fire in deadline order exactly when virtual time passes them. Work
// posted "to the event loop" (what a worker thread or a socket would deliver)
// runs before any timer that is due later, in the order it was posted.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "acquisition/Links.h"
#include "acquisition/TimerHost.h"

namespace sondrel::testing {

class VirtualClock : public Clock {
  public:
    // The counter runs in microseconds so that rate arithmetic is not hidden by
    // a coarse tick.
    static constexpr std::int64_t kTicksPerSecond = 1'000'000;

    std::int64_t counterFrequency() override { return kTicksPerSecond; }
    std::int64_t counterValue() override { return nowUs_; }
    LocalTime localTime() override {
        LocalTime t = base_;
        std::int64_t ms = base_.millisecond + nowUs_ / 1000;
        t.millisecond = static_cast<int>(ms % 1000);
        std::int64_t s = base_.second + base_.minute * 60 + base_.hour * 3600 + ms / 1000;
        s %= 24 * 3600;
        t.hour = static_cast<int>(s / 3600);
        t.minute = static_cast<int>(s / 60 % 60);
        t.second = static_cast<int>(s % 60);
        return t;
    }

    std::int64_t nowMs() const { return nowUs_ / 1000; }
    void advanceMs(std::int64_t ms) { nowUs_ += ms * 1000; }
    void setNowMs(std::int64_t ms) { nowUs_ = ms * 1000; }
    // The wall-clock time at virtual time 0.
    void setLocalBase(const LocalTime& base) { base_ = base; }

  private:
    std::int64_t nowUs_ = 0;
    LocalTime base_{2026, 12, 8, 14, 5, 9, 0};
};

class VirtualTimerHost : public TimerHost {
  public:
    struct Firing {
        std::int64_t atMs;
        int id;
    };

    explicit VirtualTimerHost(VirtualClock& clock) : clock_(clock) {}

    void setDispatcher(std::function<void(int)> dispatch) { dispatch_ = std::move(dispatch); }

    void setTimer(int id, int ms) override {
        Timer& t = timers_[id];
        t.active = true;
        t.periodMs = ms;
        t.deadlineMs = clock_.nowMs() + ms;
        t.sequence = ++sequence_;
        sets_.push_back({clock_.nowMs(), id, ms});
    }
    void killTimer(int id) override {
        auto it = timers_.find(id);
        if (it != timers_.end()) it->second.active = false;
    }
    bool isTimerActive(int id) const override {
        auto it = timers_.find(id);
        return it != timers_.end() && it->second.active;
    }
    // Milliseconds until the timer fires; -1 when it is not running.
    std::int64_t remainingMs(int id) const {
        auto it = timers_.find(id);
        if (it == timers_.end() || !it->second.active) return -1;
        return it->second.deadlineMs - clock_.nowMs();
    }
    // The period the timer was last set to; -1 when it is not running.
    int periodMs(int id) const {
        auto it = timers_.find(id);
        return it == timers_.end() || !it->second.active ? -1 : it->second.periodMs;
    }
    bool anyActive() const {
        for (const auto& [id, t] : timers_)
            if (t.active) return true;
        return false;
    }

    // Work delivered by a link; it runs at the next turn of the loop.
    void post(std::function<void()> work) { posted_.push_back(std::move(work)); }

    // Runs posted work, then every timer due within ms, advancing the clock to
    // each deadline in turn; the clock ends ms later. Returns the number of firings.
    int advanceMs(std::int64_t ms) {
        const std::int64_t end = clock_.nowMs() + ms;
        int fired = 0;
        runPosted();
        while (true) {
            Timer* next = nullptr;
            int nextId = 0;
            for (auto& [id, t] : timers_) {
                if (!t.active || t.deadlineMs > end) continue;
                if (!next || t.deadlineMs < next->deadlineMs ||
                    (t.deadlineMs == next->deadlineMs && t.sequence < next->sequence)) {
                    next = &t;
                    nextId = id;
                }
            }
            if (!next) break;
            clock_.setNowMs(std::max(next->deadlineMs, clock_.nowMs()));
            // A one-shot timer is spent when it fires; the orientation timer repeats.
            if (nextId == kOrientationTimer && next->periodMs > 0) {
                next->deadlineMs += next->periodMs;
                next->sequence = ++sequence_;
            } else {
                next->active = false;
            }
            firings_.push_back({clock_.nowMs(), nextId});
            ++fired;
            if (dispatch_) dispatch_(nextId);
            runPosted();
        }
        clock_.setNowMs(end);
        return fired;
    }
    // Runs posted work and 0 ms timers, without letting time pass.
    int runPending() { return advanceMs(0); }

    const std::vector<Firing>& firings() const { return firings_; }
    std::vector<std::int64_t> firingTimes(int id) const {
        std::vector<std::int64_t> times;
        for (const auto& f : firings_)
            if (f.id == id) times.push_back(f.atMs);
        return times;
    }
    struct Setting {
        std::int64_t atMs;
        int id;
        int ms;
    };
    const std::vector<Setting>& settings() const { return sets_; }
    void clearHistory() {
        firings_.clear();
        sets_.clear();
    }

  private:
    struct Timer {
        bool active = false;
        int periodMs = 0;
        std::int64_t deadlineMs = 0;
        std::uint64_t sequence = 0;
    };

    void runPosted() {
        while (!posted_.empty()) {
            auto work = std::move(posted_.front());
            posted_.erase(posted_.begin());
            work();
        }
    }

    VirtualClock& clock_;
    std::function<void(int)> dispatch_;
    std::map<int, Timer> timers_;
    std::vector<std::function<void()>> posted_;
    std::vector<Firing> firings_;
    std::vector<Setting> sets_;
    std::uint64_t sequence_ = 0;
};

}  // namespace sondrel::testing

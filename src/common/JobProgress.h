#pragma once
// What a long job on a thread of its own shares with the window that shows it:
// how far it has come, and whether the operator has asked it to stop. Either
// thread may call any member at any time. The texts below are the window's
// lines, whichever job it shows.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace sondrel {

class JobProgress {
  public:
    // `done` of `total` (bytes, say), which held `items` (records).
    void report(std::int64_t done, std::int64_t total, std::int64_t items) {
        total_.store(total, std::memory_order_relaxed);
        items_.store(items, std::memory_order_relaxed);
        done_.store(done, std::memory_order_release);
    }
    std::int64_t done() const { return done_.load(std::memory_order_acquire); }
    std::int64_t total() const { return total_.load(std::memory_order_relaxed); }
    std::int64_t items() const { return items_.load(std::memory_order_relaxed); }

    // The job looks at this between its steps and ends as soon as it sees it.
    void cancel() { cancelled_.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

  private:
    std::atomic<std::int64_t> done_{0}, total_{0}, items_{0};
    std::atomic<bool> cancelled_{false};
};

// "Converting survey.qzr to" and below it the whole name of the file being
// written: what a job does, from the file named by its last part.
std::string jobHeadline(std::string_view doing, const std::string& input,
                        const std::string& output);

// The seconds still to go when `done` of `total` took `elapsedSeconds` and the
// rest goes at the same pace; negative while too little is done to tell.
double secondsLeft(std::int64_t done, std::int64_t total, double elapsedSeconds);

// "Time left: about 40 s", "about 3 min 20 s", "less than a second", or
// "estimating..." for a negative number of seconds.
std::string timeLeftText(double seconds);

// "Records converted: 12,288 of about 200,000": the items of `progress` after
// `label`, and the whole's, judged from the share of `total` done so far.
std::string itemsDoneText(std::string_view label, const JobProgress& progress);

// 200000 as "200,000", the way a count is read at a glance.
std::string groupedNumber(std::int64_t n);

}  // namespace sondrel

#pragma once
// The serial head's worker thread. Each poll request runs one poll on the
// worker (read the reply, write the next command); the bytes read are then
// handed to the main thread, and the worker waits until the main thread has
// processed them before it takes the next request. The main thread therefore
// never sees a buffer the worker is filling, and the worker never touches the
// document.
//
// The hand-off wakes the main thread's event loop through an eventfd watched
// by a QSocketNotifier; everything the two threads share is guarded by one
// std::mutex, so the exchange is visible to the thread sanitizer and needs no
// Qt object to cross threads. Unlike a blocking queued call, the wait can be
// broken by stopWorker(), so ending the program while a hand-off is pending
// cannot deadlock.

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

#include "acquisition/Links.h"
#include "acquisition/SerialPoll.h"

class QSocketNotifier;

namespace sondrel {

class ReadSonarComPort {
  public:
    // Runs on the worker: one poll into the block.
    using PollFunction =
        std::function<SerialPollResult(const SerialPollRequest&, std::span<std::uint8_t>)>;
    // Runs on the main thread with the bytes of one answered poll.
    using DeliverFunction = std::function<void(const std::uint8_t*, std::size_t)>;
    // Runs on the main thread to cut short a poll's waits when the worker stops.
    using InterruptFunction = std::function<void()>;

    // Construct on the main thread: the hand-off is delivered to the thread that
    // created the worker. The thread starts at once.
    ReadSonarComPort(PollFunction poll, DeliverFunction deliver, InterruptFunction interrupt);
    ~ReadSonarComPort();
    ReadSonarComPort(const ReadSonarComPort&) = delete;
    ReadSonarComPort& operator=(const ReadSonarComPort&) = delete;

    // Queues one poll; polls run one after the other, in order.
    void postPollRequest(const SerialPollRequest& request);
    // Ends the thread: a poll under way is interrupted and not delivered.
    void stopWorker();
    bool running() const;

  private:
    void run();
    void deliverPending();

    PollFunction poll_;
    DeliverFunction deliver_;
    InterruptFunction interrupt_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<SerialPollRequest> requests_;
    bool stopping_ = false;
    bool delivering_ = false;
    std::uint64_t posted_ = 0;   // hand-offs made by the worker
    std::uint64_t handled_ = 0;  // hand-offs the main thread has finished
    std::array<std::uint8_t, kBlockLengthLong> handOffBlock_{};
    std::size_t handOffCount_ = 0;

    int handOffFd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::thread thread_;
};

}  // namespace sondrel

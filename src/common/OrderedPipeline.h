#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace sondrel {

// Batches filled on the calling thread, measured on every thread, delivered
// back on the calling thread in the order they were submitted.
//
// The order is kept so that what comes out (a table, a cloud, a survey's
// figures) is the same bytes whatever the number of threads and however they
// were scheduled. The calling thread measures too once it is a few batches
// ahead, since on a busy machine a worker may not run for a while and the
// reading should not stall behind it; it waits only when it is many batches
// ahead, which bounds the memory the queue holds.
//
// `Batch` is default-constructible and has a clear() that makes a delivered
// batch ready to be filled again while keeping its buffers. `Worker` is the
// state one thread measures with; each worker thread makes its own with the
// factory (on that thread, so perhaps on several at once) and the calling
// thread has one of its own.
template <class Batch, class Worker>
class OrderedPipeline {
  public:
    using MakeWorker = std::function<Worker()>;
    // Called on any thread, several at once on different batches.
    using Measure = std::function<void(Batch&, Worker&)>;
    // Called on the calling thread only, in submission order; false stops the
    // pipeline: nothing more is delivered, and what is still queued is dropped.
    using Deliver = std::function<bool(Batch&)>;

    // `threads` counts the calling thread: 0 or 1 runs everything inline.
    OrderedPipeline(unsigned threads, MakeWorker makeWorker, Measure measure, Deliver deliver)
        : makeWorker_(std::move(makeWorker)),
          measure_(std::move(measure)),
          deliver_(std::move(deliver)),
          own_(makeWorker_()) {
        const unsigned workers = threads > 1 ? threads - 1 : 0;
        helpFrom_ = 2 * std::size_t{workers} + 2;
        waitFrom_ = 8 * std::size_t{workers} + 8;
        filling_ = std::make_unique<Slot>();
        for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this] { work(); });
    }
    ~OrderedPipeline() { stop(); }
    OrderedPipeline(const OrderedPipeline&) = delete;
    OrderedPipeline& operator=(const OrderedPipeline&) = delete;

    // The batch being filled; a fresh one after each submit().
    Batch& filling() { return filling_->batch; }

    // Hands the batch being filled on, delivering whatever is already
    // measured at the front. After a stop the batch is only cleared.
    void submit() {
        if (stopped_) {
            filling_->batch.clear();
            return;
        }
        if (threads_.empty()) {
            measure_(filling_->batch, own_);
            if (!deliver_(filling_->batch)) stopped_ = true;
            filling_->batch.clear();
            return;
        }
        {
            std::unique_lock lock(mutex_);
            filling_->stage = Stage::Pending;
            queue_.push_back(std::move(filling_));
            workReady_.notify_one();
            while (!stopped_ && !queue_.empty() && queue_.front()->stage == Stage::Done) {
                settleFront(lock);
            }
            while (!stopped_ && queue_.size() >= helpFrom_ && firstPending()) settleFront(lock);
            while (!stopped_ && queue_.size() >= waitFrom_) settleFront(lock);
        }
        filling_ = freshSlot();
    }

    // Delivers everything submitted, then ends the worker threads; the batch
    // being filled is not submitted by it. True unless deliver said stop.
    bool finish() {
        std::unique_lock lock(mutex_);
        while (!stopped_ && !queue_.empty()) settleFront(lock);
        lock.unlock();
        stop();
        return !stopped_;
    }

    // Deliver said stop.
    bool stopped() const { return stopped_; }

  private:
    enum class Stage { Filling, Pending, Taken, Done };
    struct Slot {
        Batch batch;
        Stage stage = Stage::Filling;
    };

    std::unique_ptr<Slot> freshSlot() {
        if (spare_.empty()) return std::make_unique<Slot>();
        std::unique_ptr<Slot> slot = std::move(spare_.back());
        spare_.pop_back();
        slot->batch.clear();
        slot->stage = Stage::Filling;
        return slot;
    }

    Slot* firstPending() {
        for (const auto& slot : queue_) {
            if (slot->stage == Stage::Pending) return slot.get();
        }
        return nullptr;
    }

    // Delivers the first batch once it is measured, measuring a waiting
    // batch meanwhile rather than idling. Called with the lock held, which it
    // releases while it works.
    void settleFront(std::unique_lock<std::mutex>& lock) {
        if (queue_.front()->stage != Stage::Done) {
            if (Slot* pending = firstPending()) {
                pending->stage = Stage::Taken;
                lock.unlock();
                measure_(pending->batch, own_);
                lock.lock();
                pending->stage = Stage::Done;
                return;
            }
            batchDone_.wait(lock, [&] { return queue_.front()->stage == Stage::Done; });
        }
        std::unique_ptr<Slot> done = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        const bool goOn = deliver_(done->batch);
        lock.lock();
        spare_.push_back(std::move(done));
        if (!goOn) {
            // What is still queued is never delivered, so not measured either.
            stopped_ = true;
            stopping_ = true;
            workReady_.notify_all();
        }
    }

    void work() {
        Worker worker = makeWorker_();
        std::unique_lock lock(mutex_);
        while (true) {
            workReady_.wait(lock, [&] { return stopping_ || firstPending() != nullptr; });
            if (stopping_) return;
            Slot* slot = firstPending();
            slot->stage = Stage::Taken;
            lock.unlock();
            measure_(slot->batch, worker);
            lock.lock();
            slot->stage = Stage::Done;
            batchDone_.notify_all();
        }
    }

    void stop() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        workReady_.notify_all();
        for (std::thread& t : threads_) t.join();
        threads_.clear();
    }

    const MakeWorker makeWorker_;
    const Measure measure_;
    const Deliver deliver_;
    Worker own_;  // the calling thread's
    std::size_t helpFrom_ = 2, waitFrom_ = 8;
    bool stopped_ = false;  // only the calling thread writes and reads it
    std::unique_ptr<Slot> filling_;
    std::vector<std::unique_ptr<Slot>> spare_;  // the calling thread's

    std::mutex mutex_;
    std::condition_variable workReady_, batchDone_;
    std::deque<std::unique_ptr<Slot>> queue_;  // in submission order
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace sondrel

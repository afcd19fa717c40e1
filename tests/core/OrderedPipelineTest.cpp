#include "common/OrderedPipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace sondrel {
namespace {

struct NumberBatch {
    static inline std::atomic<int> made = 0;  // the memory the pipeline holds
    NumberBatch() { ++made; }
    int index = -1;
    long square = 0;  // the measurement, which delivery must find made
    void clear() {
        index = -1;
        square = 0;
    }
};

// Each thread's own: a random source that would race if two threads shared
// it, and the thread it was first used on.
struct Jitter {
    std::minstd_rand random;
    std::thread::id owner;
};

// What every thread saw, checked once the pipeline is finished.
struct Log {
    explicit Log(int batches) : measured(static_cast<std::size_t>(batches)) {}
    std::vector<std::atomic<int>> measured;
    std::atomic<int> workersMade = 0, foreignUse = 0;
    std::vector<int> delivered;  // the calling thread's
};

using Pipeline = OrderedPipeline<NumberBatch, Jitter>;

std::vector<int> firstNumbers(int count) {
    std::vector<int> numbers;
    for (int i = 0; i < count; ++i) numbers.push_back(i);
    return numbers;
}

template <class Done>
void yieldUntil(Done done, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < until) std::this_thread::yield();
}

std::unique_ptr<Pipeline> pipelineFor(unsigned threads, Log& log, int stopAt) {
    return std::make_unique<Pipeline>(
        threads,
        [&log] {
            return Jitter{std::minstd_rand(unsigned(++log.workersMade)), {}};
        },
        [&log](NumberBatch& batch, Jitter& jitter) {
            if (jitter.owner == std::thread::id()) jitter.owner = std::this_thread::get_id();
            if (jitter.owner != std::this_thread::get_id()) ++log.foreignUse;
            for (auto spins = jitter.random() % 64; spins > 0; --spins) std::this_thread::yield();
            batch.square = long{batch.index} * batch.index;
            ++log.measured[static_cast<std::size_t>(batch.index)];
        },
        [&log, stopAt](NumberBatch& batch) {
            EXPECT_EQ(batch.square, long{batch.index} * batch.index) << "delivered unmeasured";
            log.delivered.push_back(batch.index);
            return batch.index != stopAt;
        });
}

TEST(OrderedPipeline, DeliversEveryBatchOnceInOrderWhateverTheThreads) {
    struct Case {
        unsigned threads;
        int batches;
        int stopAt;  // the batch whose delivery says stop; -1 none
    };
    // 200 batches are more than the calling thread may get ahead of the
    // workers by with any of these counts.
    for (const Case& c :
         {Case{0, 0, -1}, Case{1, 1, -1}, Case{1, 200, -1}, Case{2, 0, -1}, Case{2, 1, -1},
          Case{2, 200, -1}, Case{4, 0, -1}, Case{4, 1, -1}, Case{4, 200, -1}, Case{1, 200, 0},
          Case{2, 200, 7}, Case{4, 200, 0}, Case{4, 200, 150}, Case{4, 1, 0}}) {
        SCOPED_TRACE(std::to_string(c.threads) + " threads, " + std::to_string(c.batches) +
                     " batches, stop at " + std::to_string(c.stopAt));
        Log log(c.batches);
        NumberBatch::made = 0;
        const auto pipeline = pipelineFor(c.threads, log, c.stopAt);
        for (int i = 0; i < c.batches; ++i) {
            pipeline->filling().index = i;
            pipeline->submit();
        }
        const bool stop = c.stopAt >= 0;
        EXPECT_EQ(pipeline->finish(), !stop);
        EXPECT_EQ(pipeline->stopped(), stop);

        const int expected = stop ? c.stopAt + 1 : c.batches;
        EXPECT_EQ(log.delivered, firstNumbers(expected));
        for (int i = 0; i < c.batches; ++i) {
            const int times = log.measured[std::size_t(i)].load();
            // After a stop a batch is measured at most once, or not at all.
            if (i < expected)
                EXPECT_EQ(times, 1) << "batch " << i;
            else
                EXPECT_LE(times, 1) << "batch " << i;
        }
        const int workers = c.threads > 1 ? int(c.threads) - 1 : 0;
        EXPECT_EQ(log.workersMade.load(), workers + 1);
        // The batches queued, at most 8 per worker and 8 more, and the one filling.
        EXPECT_LE(NumberBatch::made.load(), workers > 0 ? 8 * workers + 9 : 1);
        EXPECT_EQ(log.foreignUse.load(), 0) << "a thread measured with another's state";
    }
}

// A worker that does not run must not hold the reading up: a few batches
// ahead of it, and well short of the bound where it would wait, the calling
// thread measures those behind the one the worker holds.
TEST(OrderedPipeline, TheCallingThreadMeasuresAFewBatchesAheadOfAStalledWorker) {
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> byCaller = 0;
    std::vector<int> delivered;
    OrderedPipeline<NumberBatch, int> pipeline(
        2, [] { return 0; },
        [&](NumberBatch& batch, int&) {
            if (std::this_thread::get_id() == caller) {
                ++byCaller;
            } else {
                // Held until the calling thread has measured a few itself, or
                // long enough for the count below to say it never did.
                yieldUntil([&] { return byCaller >= 3; }, std::chrono::seconds(10));
            }
            batch.square = long{batch.index} * batch.index;
        },
        [&](NumberBatch& batch) {
            delivered.push_back(batch.index);
            return true;
        });
    constexpr int kBatches = 8;  // with one worker, help from 4 ahead, wait from 16
    for (int i = 0; i < kBatches; ++i) {
        pipeline.filling().index = i;
        pipeline.submit();
    }
    EXPECT_GE(byCaller.load(), 3);
    EXPECT_TRUE(pipeline.finish());
    EXPECT_EQ(delivered, firstNumbers(kBatches));
}

}  // namespace
}  // namespace sondrel

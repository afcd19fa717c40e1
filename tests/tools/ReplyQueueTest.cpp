// The simulated head's reply queue on a virtual clock: when each piece of each
// reply goes out, in what order, and what a reply leaves behind (a close, a
// note), without a socket or a sleep.

#include "ReplyQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <string>
#include <vector>

#include "acquisition/SwitchCommand.h"
#include "simulation/SimulatedHead.h"

namespace headsim {
namespace {

using std::chrono::milliseconds;

const Clock::time_point kStart = Clock::time_point{} + std::chrono::hours(1);

Clock::time_point at(int ms) {
    return kStart + milliseconds(ms);
}

struct Planned {
    int addedAtMs;
    std::vector<std::size_t> segments;
    int delayMs = 0;
    int segmentDelayMs = 0;
    bool silent = false;
    bool closeAfter = false;
};

sondrel::Reply replyOf(const Planned& p, std::uint8_t fill) {
    sondrel::Reply r;
    r.silent = p.silent;
    r.segments = p.segments;
    r.bytes.assign(std::accumulate(p.segments.begin(), p.segments.end(), std::size_t{0}), fill);
    r.delayMs = p.delayMs;
    r.segmentDelayMs = p.segmentDelayMs;
    r.closeAfter = p.closeAfter;
    return r;
}

// What left the queue: "ms:size" per piece, "ms:size/N" when it ended reply N
// (its note), "+close" when the link is to be closed after it.
std::string release(const std::vector<Planned>& plan, bool mayClose, int untilMs = 1000) {
    ReplyQueue queue;
    std::string out;
    std::size_t next = 0;
    for (int ms = 0; ms <= untilMs; ++ms) {
        for (; next < plan.size() && plan[next].addedAtMs == ms; ++next) {
            queue.add(replyOf(plan[next], static_cast<std::uint8_t>(next)), at(ms), mayClose,
                      std::to_string(next));
        }
        while (const auto bytes = queue.due(at(ms))) {
            const ReplyQueue::Progress p = queue.sent(bytes->size());
            EXPECT_TRUE(p.pieceOut);
            out +=
                (out.empty() ? "" : " ") + std::to_string(ms) + ":" + std::to_string(bytes->size());
            if (p.replyOut) out += "/" + p.note;
            if (p.closeAfter) out += "+close";
        }
    }
    EXPECT_TRUE(queue.empty());
    return out;
}

TEST(ReplyQueue, ReleasesEachPieceWhenDueAndRepliesInOrder) {
    struct Case {
        const char* what;
        std::vector<Planned> plan;
        bool mayClose;
        std::string released;
    };
    const std::vector<Case> cases = {
        {"at once", {{0, {813}}}, true, "0:813/0"},
        {"after its delay", {{3, {813}, 50}}, true, "53:813/0"},
        {"in pieces", {{0, {400, 400, 13}, 0, 5}}, true, "0:400 5:400 10:13/0"},
        {"pieces delayed", {{0, {500, 313}, 20, 7}}, true, "20:500 27:313/0"},
        {"never before the reply ahead of it",
         {{0, {813}, 100}, {10, {813}}},
         true,
         "100:813/0 100:813/1"},
        {"nor before that reply's last piece",
         {{0, {400, 413}, 0, 30}, {1, {813}, 5}},
         true,
         "0:400 30:413/0 30:813/1"},
        {"a late reply keeps its own delay",
         {{0, {813}}, {10, {813}, 40}},
         true,
         "0:813/0 50:813/1"},
        {"silence queues nothing and holds nothing up",
         {{0, {813}, 100, 0, true}, {1, {265}}},
         true,
         "1:265/1"},
        {"the close comes with the last piece",
         {{0, {813}}, {0, {400, 413}, 0, 2, false, true}},
         true,
         "0:813/0 0:400 2:413/1+close"},
        {"a link that cannot close is not closed",
         {{0, {813}, 0, 0, false, true}},
         false,
         "0:813/0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(release(c.plan, c.mayClose), c.released) << c.what;
    }
}

TEST(ReplyQueue, APieceSentInPartsStaysFirstUntilItsLastByte) {
    ReplyQueue queue;
    queue.add(replyOf({0, {10, 5}, 0, 0}, 1), at(0), true, "a");
    EXPECT_EQ(queue.nextDue(), at(0));
    EXPECT_FALSE(queue.sent(4).pieceOut);
    ASSERT_TRUE(queue.due(at(0)));
    EXPECT_EQ(queue.due(at(0))->size(), 6u);
    EXPECT_EQ(queue.pendingNotes(), std::vector<std::string>{"a"});
    const ReplyQueue::Progress first = queue.sent(6);
    EXPECT_TRUE(first.pieceOut);
    EXPECT_FALSE(first.replyOut);
    EXPECT_EQ(queue.due(at(0))->size(), 5u);
}

TEST(ReplyQueue, NothingIsDueBeforeItsTimeAndClearingForgetsTheQueue) {
    ReplyQueue queue;
    EXPECT_FALSE(queue.nextDue());
    queue.add(replyOf({0, {813}, 500}, 1), at(0), true, "a");
    queue.add(replyOf({0, {813}}, 2), at(0), true, "b");
    EXPECT_FALSE(queue.due(at(499)));
    EXPECT_TRUE(queue.due(at(500)));
    EXPECT_EQ(queue.pendingNotes(), (std::vector<std::string>{"a", "b"}));
    // A new connection starts afresh: nothing queued, nothing held back.
    queue.clear();
    EXPECT_TRUE(queue.empty());
    queue.add(replyOf({0, {813}}, 3), at(1), true, "c");
    EXPECT_EQ(queue.nextDue(), at(1));
}

// The head's own plan: with "close-after 2" and every block in two pieces,
// only the second reply's last piece closes the link, and a new link counts
// afresh.
TEST(ReplyQueue, TheHeadsCloseAfterCountClosesAfterThatReply) {
    sondrel::FaultPlan faults;
    faults.closeAfter = 2;
    faults.splitSegments = 2;
    faults.splitDelayMs = 3;
    sondrel::SimulatedHead head({}, {}, faults);
    const sondrel::CommandBuffer command = sondrel::initialCommand();
    ReplyQueue queue;
    std::vector<std::string> closes;
    for (int ping = 0; ping < 4; ++ping) {
        if (ping == 2) head.linkOpened();
        const int now = ping * 10;
        queue.add(head.answer(command, now / 1000.0), at(now), true, std::to_string(ping));
        for (int ms = now; ms < now + 10; ++ms) {
            while (const auto bytes = queue.due(at(ms))) {
                const ReplyQueue::Progress p = queue.sent(bytes->size());
                if (p.closeAfter) closes.push_back(p.note + "@" + std::to_string(ms));
            }
        }
    }
    EXPECT_EQ(closes, (std::vector<std::string>{"1@13", "3@33"}));
}

}  // namespace
}  // namespace headsim

#pragma once
// Replies waiting for their time on one link. Each reply is cut into the
// pieces the head model planned and each piece is due at a time of its own, so
// delays and split blocks never stall the loop that serves the other links.
// The queue never reads a clock: "now" is handed in, which lets tests run it on
// a virtual clock.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "simulation/SimulatedHead.h"

namespace headsim {

using Clock = std::chrono::steady_clock;

class ReplyQueue {
  public:
    // What one send did to the first piece.
    struct Progress {
        bool pieceOut = false;    // the piece is gone from the queue
        bool replyOut = false;    // it was its reply's last
        bool closeAfter = false;  // the link is to be closed now
        std::string note;         // the reply's note, when replyOut
    };

    // Queues a reply received at `now`: its first piece after the reply's
    // delay, each further piece after the piece delay, and none before a piece
    // already queued, so replies never overtake each other. A silent reply
    // queues nothing. `mayClose`: the link can be closed after the reply when
    // the head plans it (TCP). `note` comes back when the reply is out.
    void add(const sondrel::Reply& reply, Clock::time_point now, bool mayClose,
             std::string note = {});

    bool empty() const { return pieces_.empty(); }
    // When the first piece is due.
    std::optional<Clock::time_point> nextDue() const;
    // The first piece's bytes not yet sent, once it is due at `now`.
    std::optional<std::span<const std::uint8_t>> due(Clock::time_point now) const;
    // Counts `n` bytes of the first piece as sent.
    Progress sent(std::size_t n);
    // The notes of the replies not completely sent, in order.
    std::vector<std::string> pendingNotes() const;
    void clear();

  private:
    struct Piece {
        Clock::time_point due;
        std::vector<std::uint8_t> bytes;
        std::size_t sent = 0;
        bool endsReply = false;
        bool closeAfter = false;
        std::string note;  // on a reply's last piece
    };

    std::deque<Piece> pieces_;
    Clock::time_point lastDue_{};
};

}  // namespace headsim

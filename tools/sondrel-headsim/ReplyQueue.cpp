#include "ReplyQueue.h"

#include <algorithm>

namespace headsim {

void ReplyQueue::add(const sondrel::Reply& reply, Clock::time_point now, bool mayClose,
                     std::string note) {
    if (reply.silent) return;
    Clock::time_point due = std::max(now + std::chrono::milliseconds(reply.delayMs), lastDue_);
    std::size_t offset = 0;
    for (std::size_t i = 0; i < reply.segments.size(); ++i) {
        Piece p;
        if (i > 0) due += std::chrono::milliseconds(reply.segmentDelayMs);
        p.due = due;
        p.bytes.assign(
            reply.bytes.begin() + static_cast<std::ptrdiff_t>(offset),
            reply.bytes.begin() + static_cast<std::ptrdiff_t>(offset + reply.segments[i]));
        offset += reply.segments[i];
        p.endsReply = i + 1 == reply.segments.size();
        p.closeAfter = reply.closeAfter && mayClose && p.endsReply;
        if (p.endsReply) p.note = std::move(note);
        pieces_.push_back(std::move(p));
    }
    lastDue_ = due;
}

std::optional<Clock::time_point> ReplyQueue::nextDue() const {
    if (pieces_.empty()) return std::nullopt;
    return pieces_.front().due;
}

std::optional<std::span<const std::uint8_t>> ReplyQueue::due(Clock::time_point now) const {
    if (pieces_.empty() || pieces_.front().due > now) return std::nullopt;
    const Piece& p = pieces_.front();
    return std::span<const std::uint8_t>(p.bytes).subspan(p.sent);
}

ReplyQueue::Progress ReplyQueue::sent(std::size_t n) {
    Progress progress;
    if (pieces_.empty()) return progress;
    Piece& p = pieces_.front();
    p.sent += n;
    if (p.sent < p.bytes.size()) return progress;
    progress.pieceOut = true;
    progress.replyOut = p.endsReply;
    progress.closeAfter = p.closeAfter;
    progress.note = std::move(p.note);
    pieces_.pop_front();
    return progress;
}

std::vector<std::string> ReplyQueue::pendingNotes() const {
    std::vector<std::string> notes;
    for (const Piece& p : pieces_)
        if (p.endsReply) notes.push_back(p.note);
    return notes;
}

void ReplyQueue::clear() {
    pieces_.clear();
    lastDue_ = {};
}

}  // namespace headsim

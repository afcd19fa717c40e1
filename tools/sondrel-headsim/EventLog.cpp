#include "EventLog.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <sstream>

namespace headsim {

namespace {

// FNV-1a over the block's return header and echo bytes, the part a data file
// keeps (813 bytes less the terminator).
std::uint32_t blockDigest(std::span<const std::uint8_t> block) {
    std::uint32_t h = 2166136261u;
    for (std::uint8_t b : block.first(std::min<std::size_t>(block.size(), 812))) {
        h = (h ^ b) * 16777619u;
    }
    return h;
}

const char* replyKind(const sondrel::Reply& reply) {
    if (reply.invalidLetters && reply.cutShort) return "short-invalid";
    if (reply.invalidLetters) return "invalid";
    if (reply.cutShort) return "short";
    return "valid";
}

void appendHex(std::string& line, std::span<const std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        line += hex;
    }
}

}  // namespace

void machineLine(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string countersLine(const Counters& c) {
    std::ostringstream o;
    o << "counters commands=" << c.commands << " malformed=" << c.malformed
      << " skipped=" << c.skipped << " replies=" << c.replies << " blocks-sent=" << c.blocksSent
      << " connections=" << c.connections << " sentences=" << c.sentences;
    return o.str();
}

std::string replyNote(const sondrel::Reply& reply) {
    const auto block = std::span<const std::uint8_t>(reply.bytes).subspan(reply.strayBytes);
    char note[96];
    std::snprintf(note, sizeof note, "%" PRIu64 " %s %zu %08" PRIx32, reply.number,
                  replyKind(reply), reply.strayBytes, blockDigest(block));
    return note;
}

bool EventLog::open(const std::string& path, std::string& error) {
    close();
    file_ = std::fopen(path.c_str(), "a");
    if (!file_) error = "cannot open log " + path + ": " + std::strerror(errno);
    return file_ != nullptr;
}

void EventLog::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

void EventLog::line(const std::string& text) {
    if (!file_) return;
    std::fputs(text.c_str(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
}

void EventLog::command(std::uint64_t seq, double ms, std::span<const std::uint8_t> bytes) {
    if (!file_) return;
    char head[64];
    std::snprintf(head, sizeof head, "cmd %" PRIu64 " %.3f", seq, ms);
    std::string text = head;
    appendHex(text, bytes);
    line(text);
}

void EventLog::malformed(std::uint64_t n, double ms, const char* fault,
                         std::span<const std::uint8_t> bytes) {
    if (!file_) return;
    char head[96];
    std::snprintf(head, sizeof head, "bad %" PRIu64 " %.3f %s", n, ms, fault);
    std::string text = head;
    appendHex(text, bytes);
    line(text);
}

void EventLog::opened(const std::string& link, double ms) {
    if (!file_) return;
    char text[96];
    std::snprintf(text, sizeof text, "open %s %.3f", link.c_str(), ms);
    line(text);
}

void EventLog::closed(const std::string& link, double ms, const char* why) {
    if (!file_) return;
    char text[128];
    std::snprintf(text, sizeof text, "close %s %.3f %s", link.c_str(), ms, why);
    line(text);
}

void EventLog::sent(const std::string& note, double ms, const std::string& link) {
    if (!file_) return;
    char at[32];
    std::snprintf(at, sizeof at, " %.3f ", ms);
    line("sent " + note + at + link);
}

void EventLog::unsent(const std::string& note, const std::string& link) {
    line("unsent " + note + " " + link);
}

}  // namespace headsim

#pragma once
// What the simulator says of itself in machine-readable lines: on standard
// output its addresses, readiness and control answers; in the --log file every
// command, malformed command, connection and reply. Tests and scripts/soak.py
// parse these lines, so their words and number formats are fixed here, in one
// place. Times are milliseconds since the simulator started.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "simulation/SimulatedHead.h"

namespace headsim {

// One line on standard output, flushed at once: a test waits for it.
void machineLine(const std::string& text);

struct Counters {
    std::uint64_t commands = 0;
    std::uint64_t malformed = 0;
    std::uint64_t skipped = 0;
    std::uint64_t replies = 0;
    std::uint64_t blocksSent = 0;
    std::uint64_t connections = 0;
    std::uint64_t sentences = 0;
};

// "counters commands=N malformed=N ...", printed by "stats" and at the end.
std::string countersLine(const Counters& counters);

// How a reply is named in the log once it is sent or abandoned: "N KIND STRAY
// DIGEST", the digest taken over the part of the block a data file keeps, so a
// recorded block can be checked against the block sent.
std::string replyNote(const sondrel::Reply& reply);

class EventLog {
  public:
    EventLog() = default;
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;
    ~EventLog() { close(); }

    // Appends to `path`.
    bool open(const std::string& path, std::string& error);
    bool enabled() const { return file_ != nullptr; }
    void close();

    void command(std::uint64_t seq, double ms, std::span<const std::uint8_t> bytes);
    void malformed(std::uint64_t n, double ms, const char* fault,
                   std::span<const std::uint8_t> bytes);
    void opened(const std::string& link, double ms);
    void closed(const std::string& link, double ms, const char* why);
    void sent(const std::string& note, double ms, const std::string& link);
    void unsent(const std::string& note, const std::string& link);
    void line(const std::string& text);

  private:
    std::FILE* file_ = nullptr;
};

}  // namespace headsim

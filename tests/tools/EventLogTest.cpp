// The simulator's log lines as scripts/soak.py and the tests' HeadSimProcess
// parse them: words, order and number formats.

#include "EventLog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace headsim {
namespace {

std::vector<std::uint8_t> block(std::size_t size) {
    std::vector<std::uint8_t> b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return b;
}

// The digests were computed apart from this code (FNV-1a in Python, as
// soak.py computes it over a recorded block).
TEST(EventLog, AReplyIsNamedByNumberKindStrayBytesAndTheDigestOfWhatAFileKeeps) {
    struct Case {
        std::uint64_t number;
        std::size_t stray;
        bool invalid, cutShort;
        std::size_t size;         // of the block after the stray bytes
        std::uint8_t terminator;  // the 813th byte, which no file keeps
        std::string note;
    };
    const std::vector<Case> cases = {
        {5, 0, false, false, 813, 0xFD, "5 valid 0 9ab03f89"},
        {5, 16, false, false, 813, 0xFD, "5 valid 16 9ab03f89"},
        {5, 0, false, false, 813, 0x00, "5 valid 0 9ab03f89"},
        {9, 0, true, false, 813, 0xFD, "9 invalid 0 9ab03f89"},
        {70000, 0, false, true, 500, 0xFD, "70000 short 0 56f846b9"},
        {3, 4, true, true, 500, 0xFD, "3 short-invalid 4 56f846b9"},
    };
    for (const Case& c : cases) {
        sondrel::Reply r;
        r.number = c.number;
        r.strayBytes = c.stray;
        r.invalidLetters = c.invalid;
        r.cutShort = c.cutShort;
        r.bytes.assign(c.stray, 0xAA);
        const std::vector<std::uint8_t> b = block(c.size);
        r.bytes.insert(r.bytes.end(), b.begin(), b.end());
        if (c.size == 813) r.bytes.back() = c.terminator;
        EXPECT_EQ(replyNote(r), c.note);
    }
}

TEST(EventLog, WritesOneLinePerEventAndAppendsToAnEarlierLog) {
    sondrel::test::TempFolder dir;
    const std::string path = dir.write("sim.log", "earlier\n");
    {
        EventLog log;
        std::string error;
        ASSERT_TRUE(log.open(path, error)) << error;
        const std::vector<std::uint8_t> command = {0xFE, 0x44, 0x0A, 0xFD};
        log.command(1, 12.3456, command);
        log.malformed(2, 0.5, "bad-end", std::vector<std::uint8_t>{0x01});
        log.opened("tcp#1", 1000.0);
        log.sent("5 valid 0 9ab03f89", 3.0, "tcp#1");
        log.unsent("6 short 0 56f846b9", "tcp#1");
        log.closed("tcp#1", 2000.25, "by-head");
        log.line(countersLine({1, 2, 3, 4, 5, 6, 7}));
    }
    EXPECT_EQ(sondrel::test::readBytes(path),
              "earlier\n"
              "cmd 1 12.346 FE 44 0A FD\n"
              "bad 2 0.500 bad-end 01\n"
              "open tcp#1 1000.000\n"
              "sent 5 valid 0 9ab03f89 3.000 tcp#1\n"
              "unsent 6 short 0 56f846b9 tcp#1\n"
              "close tcp#1 2000.250 by-head\n"
              "counters commands=1 malformed=2 skipped=3 replies=4 blocks-sent=5 "
              "connections=6 sentences=7\n");
}

TEST(EventLog, WithoutAFileNothingIsWrittenAndAFolderIsRefused) {
    EventLog log;
    EXPECT_FALSE(log.enabled());
    log.opened("tcp#1", 1.0);  // harmless
    sondrel::test::TempFolder dir;
    std::string error;
    EXPECT_FALSE(log.open(dir.path(), error));
    EXPECT_NE(error.find("cannot open log " + dir.path()), std::string::npos) << error;
}

}  // namespace
}  // namespace headsim

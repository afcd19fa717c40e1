// The serial head's poll and command write, step by step, over a line that
// records what was asked of it.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "acquisition/SerialPoll.h"

namespace sondrel {
namespace {

struct RecordingLine : SerialLine {
    bool open = true;
    bool isSuspended = false;
    std::size_t replyBytes = kBlockLengthLong;  // what the head has sent
    std::size_t writeLimit = kCommandLength;    // how much of a write goes out
    std::vector<std::string> ops;
    std::vector<std::uint8_t> written;

    bool isOpen() const override { return open; }
    bool suspended() const override { return isSuspended; }
    std::size_t read(std::uint8_t* dst, std::size_t n, int timeoutMs) override {
        ops.push_back("read " + std::to_string(n) + " " + std::to_string(timeoutMs));
        const std::size_t got = std::min(n, replyBytes);
        for (std::size_t i = 0; i < got; ++i) dst[i] = static_cast<std::uint8_t>(i * 7);
        return got;
    }
    std::size_t write(const std::uint8_t* src, std::size_t n, int timeoutMs) override {
        ops.push_back("write " + std::to_string(n) + " " + std::to_string(timeoutMs));
        const std::size_t done = std::min(n, writeLimit);
        written.insert(written.end(), src, src + done);
        return done;
    }
    void purgeReceive() override { ops.push_back("purge rx"); }
    void purgeTransmit() override { ops.push_back("purge tx"); }
    void setRts(bool raised) override { ops.push_back(raised ? "rts on" : "rts off"); }
    void clearErrors() override { ops.push_back("clear errors"); }
    void busyWait(int us) override { ops.push_back("wait " + std::to_string(us)); }
};

SerialPollRequest requestWith(bool rts) {
    SerialPollRequest request;
    std::iota(request.command.begin(), request.command.end(), std::uint8_t{1});
    request.command.front() = cmd::kStartByte;
    request.command.back() = cmd::kEndByte;
    request.rtsEnable = rts;
    return request;
}

using Ops = std::vector<std::string>;

TEST(SerialPoll, ReadsTheReplyThenEmptiesTheLineThenWritesTheCommand) {
    RecordingLine line;
    std::vector<std::uint8_t> block(kBlockLengthLong, 0xEE);
    const auto request = requestWith(false);

    const SerialPollResult result = runSerialPoll(line, request, block);

    EXPECT_TRUE(result.answer);
    EXPECT_EQ(result.count, kBlockLengthLong);
    EXPECT_EQ(block[10], 70);
    // Without RTS keying: no RTS change and no delay around the write.
    EXPECT_EQ(line.ops, (Ops{"read 813 1013", "purge rx", "purge tx", "purge tx", "write 27 227"}));
    EXPECT_EQ(line.written,
              std::vector<std::uint8_t>(request.command.begin(), request.command.end()));
}

TEST(SerialPoll, ShortReplyIsReportedAndTheHeadIsStillPolled) {
    RecordingLine line;
    line.replyBytes = 265;
    std::vector<std::uint8_t> block(kBlockLengthLong);

    const SerialPollResult result = runSerialPoll(line, requestWith(false), block);

    EXPECT_TRUE(result.answer);
    EXPECT_EQ(result.count, 265u);
    EXPECT_EQ(line.written.size(), kCommandLength);
}

TEST(SerialPoll, RtsIsKeyedAroundTheCommandWithItsDelays) {
    RecordingLine line;
    std::vector<std::uint8_t> block(kBlockLengthLong);

    runSerialPoll(line, requestWith(true), block);

    EXPECT_EQ(line.ops, (Ops{"read 813 1013", "purge rx", "purge tx", "purge tx", "rts on",
                             "wait 200", "write 27 227", "wait 1500", "rts off", "wait 1500",
                             "clear errors", "purge rx"}));
}

TEST(SerialPoll, ShortWriteLeavesRtsRaised) {
    RecordingLine line;
    line.writeLimit = 20;

    EXPECT_EQ(writeCommand(line, requestWith(true).command, true), 20u);

    EXPECT_EQ(line.ops, (Ops{"purge tx", "rts on", "wait 200", "write 27 227", "wait 1500",
                             "wait 1500", "clear errors", "purge rx"}));
}

TEST(SerialPoll, SuspendedPortsDoNoIoAndDoNotAnswer) {
    RecordingLine line;
    line.isSuspended = true;
    std::vector<std::uint8_t> block(kBlockLengthLong);

    EXPECT_FALSE(runSerialPoll(line, requestWith(true), block).answer);
    EXPECT_EQ(writeCommand(line, requestWith(true).command, true), 0u);
    EXPECT_TRUE(line.ops.empty());
}

TEST(SerialPoll, ClosedPortAnswersAtOnceOnlyForASerialHead) {
    RecordingLine line;
    line.open = false;
    std::vector<std::uint8_t> block(kBlockLengthLong);
    auto request = requestWith(true);

    SerialPollResult result = runSerialPoll(line, request, block);
    EXPECT_TRUE(result.answer);
    EXPECT_EQ(result.count, 0u);

    request.serialHead = false;
    EXPECT_FALSE(runSerialPoll(line, request, block).answer);
    EXPECT_TRUE(line.ops.empty());
}

TEST(SerialPoll, TimeoutsAllowOneMillisecondPerBytePlusTwoHundred) {
    EXPECT_EQ(serialTimeoutMs(813), 1013);
    EXPECT_EQ(serialTimeoutMs(27), 227);
    EXPECT_EQ(serialTimeoutMs(0), 200);
}

}  // namespace
}  // namespace sondrel

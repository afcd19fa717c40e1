// The acquisition cycle on a virtual clock: every timer rule, the order of the
// connect sequence, both head types, Hold, the ping rate and the time stamp.

#include "acquisition/AcquisitionCycle.h"

#include <cstring>
#include <functional>

#include <gtest/gtest.h>

#include "support/CycleRig.h"

namespace sondrel {
namespace {

using testing::ByteVector;
using testing::makeBlock;

class CycleTest : public ::testing::Test, protected testing::CycleRig {};

// ================================================================ serial head

TEST_F(CycleTest, SerialConnectOpensThePortStartsTheWorkerOnceAndPollsAfterOneSecond) {
    connectSerial();
    EXPECT_EQ(doc.link.linkState, LinkState::Connected);
    EXPECT_EQ(serial.workerStarts, 1);
    EXPECT_EQ(timers.periodMs(kWatchdogTimer), 1000);

    timers.advanceMs(999);
    EXPECT_TRUE(serial.polls.empty());
    timers.advanceMs(1);
    ASSERT_EQ(serial.polls.size(), 1u);
    EXPECT_EQ(serial.polls[0].command, doc.head.command);
    // No reply to a command not yet sent: the first poll ends without data and
    // the next is paced by the range (1 m).
    EXPECT_EQ(doc.link.noNewData, 1);
    EXPECT_EQ(doc.pings.pingCount, 0);
    EXPECT_EQ(timers.periodMs(kPollTimer), 900);

    // A second connect reopens the port but never makes a second worker.
    cycle.connectToHead();
    EXPECT_EQ(serial.workerStarts, 1);
    EXPECT_EQ(serial.opens, 2);
}

TEST_F(CycleTest, SerialPollsArePacedByTheRangeOfTheLastBlock) {
    struct Case {
        std::uint8_t rangeCode;
        int intervalMs;
    };
    // 0.25, 0.75 m: 800 ms; 1 m 900; 2 m 1400; 3 m 1900; 6 m 3400; a code
    // below 4 reads as 5 m: 2900.
    const Case cases[] = {{4, 800},   {8, 800},   {10, 900}, {20, 1400},
                          {30, 1900}, {60, 3400}, {2, 2900}};
    connectSerial();
    timers.advanceMs(1000);  // the first poll, no data
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.rangeCode));
        serial.replies.push_back(makeBlock("QSZ", c.rangeCode));
        const std::int64_t due = timers.remainingMs(kPollTimer);
        timers.advanceMs(due);
        EXPECT_EQ(doc.link.noNewData, 0);
        EXPECT_EQ(timers.remainingMs(kPollTimer), c.intervalMs);
    }
    EXPECT_EQ(doc.pings.pingCount, static_cast<int>(std::size(cases)));
    // The poll times themselves follow the intervals.
    const auto times = timers.firingTimes(kPollTimer);
    ASSERT_GE(times.size(), 3u);
    EXPECT_EQ(times[1] - times[0], 800);  // after the 0.25 m block
    EXPECT_EQ(times[2] - times[1], 800);  // after the 0.75 m block
}

TEST_F(CycleTest, SerialPortThatCannotOpenIsPolledOnceASecondWithNoData) {
    serial.openSucceeds = false;
    connectSerial();
    EXPECT_EQ(doc.link.linkState, LinkState::NotConnected);
    EXPECT_EQ(serial.workerStarts, 1);
    timers.advanceMs(5000);
    EXPECT_EQ(serial.polls.size(), 5u);
    EXPECT_EQ(timers.firingTimes(kWatchdogTimer), (std::vector<std::int64_t>{1000}));
    EXPECT_EQ(timers.firingTimes(kPollTimer), (std::vector<std::int64_t>{2000, 3000, 4000, 5000}));
    EXPECT_EQ(doc.link.noNewData, 1);
    EXPECT_EQ(doc.pings.pingCount, 0);
    // The rate is still measured: a period shows although nothing arrives.
    EXPECT_EQ(doc.pings.pingPeriodRounded, 1000);
}

TEST_F(CycleTest, ShortSerialReadIsNoDataAndLeavesThePingStateAlone) {
    connectSerial();
    serial.replies.push_back(makeBlock("QSZ", 60));
    timers.advanceMs(1000);
    ASSERT_EQ(doc.pings.pingCount, 1);
    ASSERT_EQ(doc.head.rangeIndex, 8);

    ByteVector shortBlock = makeBlock("QSZ", 10);
    shortBlock.resize(265);
    serial.replies.push_back(shortBlock);
    timers.advanceMs(3400);
    EXPECT_EQ(doc.link.noNewData, 1);
    EXPECT_EQ(doc.pings.pingCount, 1);
    EXPECT_EQ(doc.head.rangeIndex, 8);
    EXPECT_EQ(timers.remainingMs(kPollTimer), 3400);
}

TEST_F(CycleTest, HoldStopsSerialPollingAndReleasePollsAfterFiftyMilliseconds) {
    connectSerial();
    timers.advanceMs(1000);
    ASSERT_TRUE(timers.isTimerActive(kPollTimer));

    const int redrawsBefore = views.redraws;
    cycle.holdToggle();
    EXPECT_TRUE(doc.flags.holdActive);
    EXPECT_EQ(views.redraws, redrawsBefore + 1);
    // The poll already scheduled still runs, but schedules nothing after it.
    timers.advanceMs(900);
    EXPECT_EQ(serial.polls.size(), 2u);
    EXPECT_FALSE(timers.isTimerActive(kPollTimer));
    timers.advanceMs(10000);
    EXPECT_EQ(serial.polls.size(), 2u);

    cycle.holdToggle();
    EXPECT_FALSE(doc.flags.holdActive);
    EXPECT_EQ(timers.remainingMs(kPollTimer), 50);
    timers.advanceMs(50);
    EXPECT_EQ(serial.polls.size(), 3u);
    EXPECT_TRUE(ethernet.attempts.empty());
}

TEST_F(CycleTest, ReverseStepRequestGoesOutWithExactlyOneSerialCommand) {
    connectSerial();
    doc.requestStepReverse();
    timers.advanceMs(1000);
    timers.advanceMs(900);
    ASSERT_EQ(serial.polls.size(), 2u);
    EXPECT_EQ(serial.polls[0].command[cmd::kControl] & cmd::kReverseStepBit, cmd::kReverseStepBit);
    EXPECT_EQ(serial.polls[1].command[cmd::kControl] & cmd::kOneShotBits, 0);

    // A request made while a poll is under way (the worker reading) is not
    // cleared when that poll is processed: it goes out with the next command.
    serial.loop = nullptr;  // the worker holds its answer
    timers.advanceMs(900);
    ASSERT_EQ(serial.polls.size(), 3u);
    doc.requestStepReverse();
    const ByteVector block = makeBlock();
    cycle.onDataReady(block.data(), block.size());
    timers.advanceMs(900);
    ASSERT_EQ(serial.polls.size(), 4u);
    EXPECT_EQ(serial.polls[2].command[cmd::kControl] & cmd::kOneShotBits, 0);
    EXPECT_EQ(serial.polls[3].command[cmd::kControl] & cmd::kReverseStepBit, cmd::kReverseStepBit);
}

TEST_F(CycleTest, PollRequestCarriesTheRtsSetting) {
    connectSerial();
    doc.link.rtsEnable = 1;
    timers.advanceMs(1000);
    ASSERT_EQ(serial.polls.size(), 1u);
    EXPECT_TRUE(serial.polls[0].rtsEnable);
    EXPECT_TRUE(serial.polls[0].serialHead);
}

TEST_F(CycleTest, SerialBlockArrivingDuringPlaybackIsIgnored) {
    connectSerial();
    timers.advanceMs(1000);
    doc.flags.playbackActive = true;
    const auto block = makeBlock("QSZ", 60);
    cycle.onDataReady(block.data(), block.size());
    EXPECT_EQ(doc.pings.pingCount, 0);
    EXPECT_NE(doc.head.rangeIndex, 8);
}

// ================================================================ Ethernet head

TEST_F(CycleTest, EthernetConnectPointsAtTheConfiguredAddressAndArmsTheWatchdog) {
    headType = kTypeQ;
    cycle.connectToHead();
    ASSERT_EQ(ethernet.attempts.size(), 1u);
    EXPECT_EQ(ethernet.attempts[0].ip, "127.0.0.1");
    EXPECT_EQ(ethernet.attempts[0].port, 40404);
    EXPECT_EQ(doc.link.linkState, LinkState::Pending);
    EXPECT_EQ(timers.periodMs(kWatchdogTimer), 5000);
    EXPECT_TRUE(serial.polls.empty());

    cycle.onSocketConnected(0);
    EXPECT_EQ(doc.link.linkState, LinkState::Connected);
    EXPECT_EQ(timers.periodMs(kSendTimer), 0);
    timers.runPending();
    ASSERT_EQ(ethernet.sent.size(), 1u);
    EXPECT_EQ(ethernet.sent[0], ByteVector(doc.head.command.begin(), doc.head.command.end()));
    EXPECT_EQ(doc.link.noNewData, 1);
    EXPECT_EQ(timers.remainingMs(kWatchdogTimer), 5000);
}

TEST_F(CycleTest, NewIpAddressIsSavedAndConnectedToEvenWhileAnAttemptIsPending) {
    for (const bool connected : {true, false}) {
        SCOPED_TRACE(connected ? "connected" : "attempt pending");
        headType = kTypeQ;
        cycle.connectToHead();
        if (connected) cycle.onSocketConnected(0);
        const std::size_t attempts = ethernet.attempts.size();
        const int saves = settings.saves;
        // A settings file that cannot be written is told, and the address is tried anyway.
        settings.saveSucceeds = connected;
        EXPECT_EQ(cycle.changeIpAddress("127.0.0.2"), connected);
        EXPECT_EQ(settings.saves, saves + 1);
        ASSERT_EQ(ethernet.attempts.size(), attempts + 1);
        EXPECT_EQ(ethernet.attempts.back().ip, "127.0.0.2");
        EXPECT_EQ(doc.link.linkState, LinkState::Pending);
    }
    // During playback the address is only remembered for the next connect.
    doc.flags.playbackActive = true;
    const std::size_t attempts = ethernet.attempts.size();
    const int saves = settings.saves;
    cycle.changeIpAddress("127.0.0.3");
    EXPECT_EQ(doc.link.ipAddress, "127.0.0.3");
    EXPECT_EQ(ethernet.attempts.size(), attempts);
    EXPECT_EQ(settings.saves, saves);
}

TEST_F(CycleTest, EthernetBlockIsProcessedAndTheNextCommandGoesOutAtOnce) {
    connectEthernet();
    timers.runPending();
    ASSERT_EQ(ethernet.sent.size(), 1u);
    doc.flags.recordingActive = true;

    deliver(makeBlock("QSZ", 30));
    EXPECT_EQ(doc.pings.pingCount, 1);
    EXPECT_EQ(doc.head.rangeIndex, 5);
    EXPECT_EQ(recorder.recordedHeaders.size(), 1u);
    // Only the send timer runs: the watchdog of the answered command is gone.
    EXPECT_TRUE(timers.isTimerActive(kSendTimer));
    EXPECT_FALSE(timers.isTimerActive(kWatchdogTimer));
    EXPECT_FALSE(timers.isTimerActive(kPollTimer));
    timers.runPending();
    EXPECT_EQ(ethernet.sent.size(), 2u);

    // As fast as the head answers: a hundred pings without time passing.
    for (int i = 0; i < 100; ++i) {
        deliver(makeBlock());
        timers.runPending();
    }
    EXPECT_EQ(doc.pings.pingCount, 101);
    EXPECT_EQ(ethernet.sent.size(), 102u);
}

TEST_F(CycleTest, ReverseStepRequestGoesOutWithExactlyOneEthernetCommand) {
    connectEthernet();
    doc.requestStepReverse();
    timers.runPending();
    deliver(makeBlock());
    timers.runPending();
    ASSERT_EQ(ethernet.sent.size(), 2u);
    EXPECT_EQ(ethernet.sent[0][cmd::kControl] & cmd::kReverseStepBit, cmd::kReverseStepBit);
    EXPECT_EQ(ethernet.sent[1][cmd::kControl] & cmd::kOneShotBits, 0);
}

TEST_F(CycleTest, PartialBlockWaitsAndSendsNothingUntilTheWatchdog) {
    connectEthernet();
    timers.runPending();
    const ByteVector block = makeBlock();
    deliver(ByteVector(block.begin(), block.begin() + 500));
    EXPECT_EQ(doc.pings.pingCount, 0);
    EXPECT_EQ(cycle.pendingSocketBytes(), 500u);
    timers.advanceMs(4999);
    EXPECT_EQ(ethernet.sent.size(), 1u);
    EXPECT_EQ(observer.pings.size(), 0u);

    timers.advanceMs(1);
    // The watchdog processed a ping without data and, the link being up, sent
    // the command again on the same connection.
    ASSERT_EQ(observer.pings.size(), 1u);
    EXPECT_FALSE(observer.pings[0]);
    EXPECT_EQ(doc.link.noNewData, 1);
    EXPECT_EQ(ethernet.attempts.size(), 1u);
    EXPECT_EQ(ethernet.sent.size(), 2u);
    EXPECT_EQ(cycle.pendingSocketBytes(), 0u);

    // The rest of the stale block arriving late does not complete a block.
    deliver(ByteVector(block.begin() + 500, block.end()));
    EXPECT_EQ(doc.pings.pingCount, 0);
    EXPECT_EQ(cycle.pendingSocketBytes(), 313u);
}

TEST_F(CycleTest, SilentHeadIsSentTheCommandAgainThenReconnectedUntilABlockComes) {
    connectEthernet();
    timers.runPending();
    doc.flags.recordingActive = true;
    deliver(makeBlock());
    timers.runPending();
    ASSERT_EQ(ethernet.sent.size(), 2u);

    // The head goes quiet on an open link.
    using enum SilentHeadAction;
    const std::vector<std::pair<SilentHeadAction, std::size_t>> periods = {
        {SendAgain, 1}, {Reconnect, 2}, {SendAgain, 2}, {Reconnect, 3}};
    for (std::size_t i = 0; i < periods.size(); ++i) {
        timers.advanceMs(kWatchdogMs);
        ASSERT_EQ(observer.silentActions.size(), i + 1);
        EXPECT_EQ(observer.silentActions[i], periods[i].first) << i;
        EXPECT_EQ(ethernet.attempts.size(), periods[i].second) << i;
        EXPECT_EQ(doc.link.noNewData, 1) << "the view keeps showing that no data come";
        if (periods[i].first == Reconnect) {
            EXPECT_EQ(doc.link.linkState, LinkState::Pending);
            cycle.onSocketConnected(0);
            timers.runPending();
        }
    }
    // Every silent period sent a command: two resends and two after reconnects.
    EXPECT_EQ(ethernet.sent.size(), 6u);
    EXPECT_EQ(doc.link.noNewData, 1);

    // The head answers again: the recording was never interrupted.
    deliver(makeBlock("QSZ", 30));
    EXPECT_EQ(doc.pings.pingCount, 2);
    EXPECT_TRUE(doc.flags.recordingActive);
    EXPECT_EQ(recorder.recordedHeaders.size(), 2u);
    // And the count of silent periods starts again.
    timers.runPending();
    timers.advanceMs(kWatchdogMs);
    EXPECT_EQ(observer.silentActions.back(), SendAgain);
}

TEST_F(CycleTest, ARecordingWaitsThroughALostLinkAndGoesOnInTheSameFile) {
    // However the Ethernet head goes away, and however long, the file stays
    // open, the document says the recording is paused, and the next block
    // after the reconnect is recorded.
    struct Way {
        const char* name;
        std::function<void()> loseHead;
    };
    const Way ways[] = {
        {"the head closes the connection", [&] { cycle.onSocketClosed(); }},
        {"the head falls silent", [&] { timers.advanceMs(kWatchdogMs); }},
        {"the head is gone for three reconnects",
         [&] {
             cycle.onSocketClosed();
             for (int i = 0; i < 3; ++i) {
                 timers.advanceMs(kWatchdogMs);
                 cycle.onSocketConnected(10061);
             }
         }},
    };
    connectEthernet();
    timers.runPending();
    const int closesAtConnect = recorder.closes;
    doc.flags.recordingActive = true;
    std::size_t recorded = 0;
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        deliver(makeBlock());
        timers.runPending();
        ASSERT_EQ(recorder.recordedHeaders.size(), ++recorded);
        EXPECT_FALSE(doc.recordingPaused());

        way.loseHead();
        EXPECT_TRUE(doc.recordingPaused());
        while (doc.link.linkState != LinkState::Pending) timers.advanceMs(kWatchdogMs);
        cycle.onSocketConnected(0);
        timers.runPending();
        EXPECT_TRUE(doc.recordingPaused()) << "connected, but no ping yet";
        EXPECT_EQ(recorder.closes, closesAtConnect);
        EXPECT_TRUE(doc.flags.recordingActive);
    }
    deliver(makeBlock());
    EXPECT_EQ(recorder.recordedHeaders.size(), recorded + 1);
    EXPECT_FALSE(doc.recordingPaused());
    // Hold and its release reconnect too, and keep the file as well.
    cycle.holdToggle();
    cycle.holdToggle();
    EXPECT_EQ(recorder.closes, closesAtConnect);
    EXPECT_TRUE(doc.flags.recordingActive);
}

TEST_F(CycleTest, SilentSerialHeadIsOpenedAgainOnTheWatchdogScheduleAndRecordingGoesOn) {
    connectSerial();
    const int closesAtConnect = recorder.closes;
    doc.flags.recordingActive = true;
    serial.replies.push_back(makeBlock("QSZ", 10));
    timers.advanceMs(1000);
    ASSERT_EQ(recorder.recordedHeaders.size(), 1u);
    ASSERT_EQ(serial.opens, 1);

    // The head goes away (its adapter unplugged): polls at the 1 m pace bring
    // nothing; once a watchdog period has passed the port is opened anew.
    timers.advanceMs(kWatchdogMs - 500);
    EXPECT_EQ(serial.opens, 1);
    serial.openSucceeds = false;
    timers.advanceMs(900);
    EXPECT_EQ(serial.opens, 2);
    EXPECT_EQ(doc.link.linkState, LinkState::NotConnected);
    EXPECT_TRUE(doc.recordingPaused());
    ASSERT_FALSE(observer.silentActions.empty());
    EXPECT_EQ(observer.silentActions.back(), SilentHeadAction::Reconnect);

    // A port that will not open is tried again every watchdog period.
    timers.advanceMs(3 * kWatchdogMs);
    EXPECT_EQ(serial.opens, 5);
    // The head is back: the next attempt opens it, and its pings go on
    // into the same file.
    serial.openSucceeds = true;
    timers.advanceMs(kWatchdogMs);
    EXPECT_EQ(serial.opens, 6);
    EXPECT_EQ(doc.link.linkState, LinkState::Connected);
    serial.replies.push_back(makeBlock("QSZ", 10));
    timers.advanceMs(timers.remainingMs(kPollTimer));
    EXPECT_EQ(recorder.recordedHeaders.size(), 2u);
    EXPECT_FALSE(doc.recordingPaused());
    EXPECT_EQ(recorder.closes, closesAtConnect);
}

TEST_F(CycleTest, StrayBytesBeforeAReplyAreDroppedAndCounted) {
    struct Case {
        const char* name;
        ByteVector stray;
        std::size_t segment;  // bytes per delivery; 0: stray bytes and block together
    };
    ByteVector noise(300);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<std::uint8_t>(i * 37 % 251);  // no header letters in a row
    const auto text = [](const char* t) { return ByteVector(t, t + std::strlen(t)); };
    ByteVector longTail(810, 0x00);
    longTail.back() = 'Q';
    const std::vector<Case> cases = {
        {"one byte", {0x00}, 0},
        {"noise", noise, 0},
        {"noise split", noise, 100},
        {"noise byte by byte", noise, 1},
        {"a lone Q", text("Q"), 0},
        {"Q and S", text("QS"), 7},
        {"letters of another kind", text("xQXZqs"), 0},
        {"all but three bytes of a block, ending in Q", longTail, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        doc.link.strayBytesDiscarded = 0;
        connectEthernet();
        timers.runPending();
        const std::size_t sentBefore = ethernet.sent.size();
        const int pingsBefore = doc.pings.pingCount;
        const ByteVector block = makeBlock("qgz", 40);
        ByteVector reply = c.stray;
        reply.insert(reply.end(), block.begin(), block.end());
        const std::size_t step = c.segment ? c.segment : reply.size();
        for (std::size_t at = 0; at < reply.size(); at += step) {
            deliver(ByteVector(
                reply.begin() + static_cast<std::ptrdiff_t>(at),
                reply.begin() + static_cast<std::ptrdiff_t>(std::min(reply.size(), at + step))));
        }
        EXPECT_EQ(doc.pings.pingCount, pingsBefore + 1);
        EXPECT_EQ(doc.head.rangeIndex, 6);
        EXPECT_TRUE(std::equal(block.begin(), block.end(), doc.link.receiveBuffer.begin()));
        EXPECT_EQ(doc.link.strayBytesDiscarded, static_cast<std::int64_t>(c.stray.size()));
        timers.runPending();
        EXPECT_EQ(ethernet.sent.size(), sentBefore + 1) << "the next command went out";
    }
}

TEST_F(CycleTest, ReplyWithoutAHeaderAnywhereIsAnInvalidBlockAndTheCycleGoesOn) {
    connectEthernet();
    timers.runPending();
    // Type letters the check refuses, and a Q in the last byte.
    ByteVector block = makeBlock("QXZ", 40);
    block.back() = 'Q';
    deliver(block);
    EXPECT_EQ(doc.pings.pingCount, 0);
    EXPECT_EQ(doc.ping.headerText, "QXZ");
    EXPECT_EQ(doc.link.strayBytesDiscarded, 0);
    timers.runPending();
    EXPECT_EQ(ethernet.sent.size(), 2u);
}

TEST_F(CycleTest, BlockSplitAcrossSegmentsIsAssembled) {
    connectEthernet();
    timers.runPending();
    const ByteVector block = makeBlock("QSZ", 20);
    deliver(ByteVector(block.begin(), block.begin() + 500));
    deliver(ByteVector(block.begin() + 500, block.end()));
    EXPECT_EQ(doc.pings.pingCount, 1);
    EXPECT_EQ(doc.head.rangeIndex, 4);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), doc.link.receiveBuffer.begin()));

    // Byte by byte works as well.
    timers.runPending();
    for (std::uint8_t b : makeBlock("QSZ", 40)) deliver(ByteVector{b});
    EXPECT_EQ(doc.pings.pingCount, 2);
    EXPECT_EQ(doc.head.rangeIndex, 6);
}

// A head sent a command again answers twice, so replies may come back to back:
// whatever one delivery holds beyond a block is the next gathering's start.
TEST_F(CycleTest, BytesBeyondABlockBeginTheNextOneAndNoWholeReplyIsLost) {
    const ByteVector first = makeBlock("QSZ", 20);
    const ByteVector second = makeBlock("QSZ", 50);
    const auto join = [](std::initializer_list<ByteVector> parts) {
        ByteVector all;
        for (const ByteVector& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    const auto piece = [](const ByteVector& b, std::size_t from, std::size_t to) {
        return ByteVector(b.begin() + static_cast<std::ptrdiff_t>(from),
                          b.begin() + static_cast<std::ptrdiff_t>(to));
    };
    struct Case {
        const char* what;
        std::vector<ByteVector> deliveries;  // the send timer runs after each
        std::vector<int> recordedRanges;
        std::size_t strays;
    };
    const ByteVector otherHead = {'Q', 'S', 'Z', 0x11, 0x00, 0x05};
    const Case cases[] = {
        {"two whole blocks in one delivery", {join({first, second})}, {20, 50}, 0},
        {"the next block begun in the same delivery",
         {join({first, piece(second, 0, 300)}), piece(second, 300, 813)},
         {20, 50},
         0},
        {"one byte of the next block",
         {join({first, piece(second, 0, 1)}), piece(second, 1, 813)},
         {20, 50},
         0},
        {"noise after a block, dropped when the next comes",
         {join({first, ByteVector(100, 0x55)}), second},
         {20, 50},
         100},
        {"letters of another head in the noise", {first, join({otherHead, second})}, {20, 50}, 6},
        // Nothing marks where a long block cut short ends but the next header.
        {"a long block cut short before the next",
         {join({piece(first, 0, 383), second})},
         {50},
         383},
        {"a long block cut short in its header", {join({piece(first, 0, 5), second})}, {50}, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CSondrelDoc caseDoc;
        testing::FakeRecorder caseRecorder;
        AcquisitionCycle caseCycle{caseDoc, timers, clock};
        timers.setDispatcher([&](int id) { caseCycle.onTimer(id); });
        testing::FakeEthernetLink link;
        caseCycle.setEthernetLink(&link);
        caseCycle.setSettingsStore(&settings);
        caseCycle.setRecorder(&caseRecorder);
        caseDoc.setViews(&views);
        headType = kTypeQ;
        caseCycle.connectToHead();
        caseCycle.onSocketConnected(0);
        timers.runPending();
        caseDoc.flags.recordingActive = true;
        for (const ByteVector& d : c.deliveries) {
            caseCycle.onSocketBytes(d.data(), d.size());
            timers.runPending();
        }
        std::vector<int> recorded;
        for (const ByteVector& h : caseRecorder.recordedHeaders) recorded.push_back(h[7]);
        EXPECT_EQ(recorded, c.recordedRanges);
        EXPECT_EQ(caseDoc.link.strayBytesDiscarded, static_cast<std::int64_t>(c.strays));
        EXPECT_EQ(caseCycle.pendingSocketBytes(), 0u);
        timers.setDispatcher([this](int id) { cycle.onTimer(id); });
    }
}

// Bytes that arrive while a file plays cannot finish a reply begun before it.
TEST_F(CycleTest, AReplyBegunBeforePlaybackIsNotFinishedAfterIt) {
    connectEthernet();
    timers.runPending();
    const ByteVector block = makeBlock("QSZ", 50);
    ByteVector firstAndPart = makeBlock("QSZ", 20);
    firstAndPart.insert(firstAndPart.end(), block.begin(), block.begin() + 300);
    deliver(firstAndPart);
    EXPECT_EQ(cycle.pendingSocketBytes(), 300u);
    doc.flags.playbackActive = true;
    deliver(ByteVector(block.begin() + 300, block.begin() + 400));
    EXPECT_EQ(cycle.pendingSocketBytes(), 0u);
    doc.flags.playbackActive = false;
    deliver(ByteVector(block.begin() + 400, block.end()));
    EXPECT_EQ(doc.pings.pingCount, 1);
}

TEST_F(CycleTest, InvalidBlockKeepsTheCycleGoingButIsNotCountedOrRecorded) {
    connectEthernet();
    timers.runPending();
    doc.flags.recordingActive = true;
    deliver(makeBlock("123", 60));
    EXPECT_EQ(doc.pings.pingCount, 0);
    EXPECT_TRUE(recorder.recordedHeaders.empty());
    EXPECT_EQ(doc.ping.headerText, "123");
    EXPECT_NE(doc.head.rangeIndex, 8);
    timers.runPending();
    EXPECT_EQ(ethernet.sent.size(), 2u);
}

TEST_F(CycleTest, RefusedConnectionIsRetriedEveryFiveSeconds) {
    headType = kTypeQ;
    cycle.connectToHead();
    cycle.onSocketConnected(10061);
    EXPECT_EQ(doc.link.linkState, LinkState::NotConnected);
    EXPECT_EQ(timers.remainingMs(kWatchdogTimer), 5000);
    timers.advanceMs(4999);
    EXPECT_EQ(ethernet.attempts.size(), 1u);
    timers.advanceMs(1);
    EXPECT_EQ(ethernet.attempts.size(), 2u);
    EXPECT_EQ(doc.link.linkState, LinkState::Pending);
    cycle.onSocketConnected(10061);
    timers.advanceMs(5000);
    EXPECT_EQ(ethernet.attempts.size(), 3u);
    EXPECT_TRUE(ethernet.sent.empty());
}

TEST_F(CycleTest, ImmediateConnectFailureIsRetriedByTheWatchdog) {
    ethernet.failImmediately = true;
    headType = kTypeQ;
    cycle.connectToHead();
    EXPECT_EQ(doc.link.linkState, LinkState::NotConnected);
    timers.advanceMs(5000);
    EXPECT_EQ(ethernet.attempts.size(), 2u);
    ethernet.failImmediately = false;
    timers.advanceMs(5000);
    EXPECT_EQ(ethernet.attempts.size(), 3u);
    EXPECT_EQ(doc.link.linkState, LinkState::Pending);
    cycle.onSocketConnected(0);
    timers.runPending();
    EXPECT_EQ(ethernet.sent.size(), 1u);
}

TEST_F(CycleTest, ClosedConnectionIsReestablishedAfterTheWatchdog) {
    connectEthernet();
    timers.runPending();
    deliver(makeBlock());
    timers.runPending();
    const int abortsBefore = ethernet.aborts;

    cycle.onSocketClosed();
    EXPECT_EQ(doc.link.linkState, LinkState::NotConnected);
    timers.advanceMs(4999);
    EXPECT_EQ(ethernet.attempts.size(), 1u);
    timers.advanceMs(1);
    EXPECT_EQ(ethernet.attempts.size(), 2u);
    EXPECT_GT(ethernet.aborts, abortsBefore);  // the old socket is torn down first
    cycle.onSocketConnected(0);
    timers.runPending();
    deliver(makeBlock());
    EXPECT_EQ(doc.pings.pingCount, 2);
}

TEST_F(CycleTest, WatchdogWithTheLinkDownNeverDecodesTheLastBlockAgain) {
    connectEthernet();
    timers.runPending();
    doc.flags.recordingActive = true;
    deliver(makeBlock("QSZ", 60));
    ASSERT_EQ(doc.pings.pingCount, 1);
    ASSERT_EQ(recorder.recordedHeaders.size(), 1u);
    timers.runPending();

    cycle.onSocketClosed();
    doc.flags.recordingActive = true;  // still recording when the link drops
    for (int i = 0; i < 3; ++i) {
        timers.advanceMs(5000);
        cycle.onSocketConnected(10061);
    }
    EXPECT_EQ(doc.pings.pingCount, 1);
    EXPECT_EQ(recorder.recordedHeaders.size(), 1u);
    for (bool valid : std::vector<bool>(observer.pings.begin() + 1, observer.pings.end())) {
        EXPECT_FALSE(valid);
    }
}

TEST_F(CycleTest, PartialBytesOfABrokenConnectionAreNotCarriedIntoTheNext) {
    connectEthernet();
    timers.runPending();
    const ByteVector block = makeBlock("QSZ", 20);
    deliver(ByteVector(block.begin(), block.begin() + 400));
    cycle.onSocketClosed();
    EXPECT_EQ(cycle.pendingSocketBytes(), 0u);
    timers.advanceMs(5000);
    cycle.onSocketConnected(0);
    timers.runPending();
    deliver(makeBlock("QSZ", 40));
    EXPECT_EQ(doc.pings.pingCount, 1);
    EXPECT_EQ(doc.head.rangeIndex, 6);
}

TEST_F(CycleTest, SecondReconnectWhilePendingDoesNotStartAnotherAttempt) {
    headType = kTypeQ;
    cycle.connectToHead();
    ASSERT_EQ(doc.link.linkState, LinkState::Pending);
    cycle.connectSocket();
    EXPECT_EQ(ethernet.attempts.size(), 1u);
    EXPECT_EQ(doc.link.linkState, LinkState::Pending);
    // The pending attempt still has its watchdog; an attempt that hangs for a
    // whole period is given up and a new one made.
    EXPECT_EQ(timers.remainingMs(kWatchdogTimer), 5000);
    timers.advanceMs(5000);
    EXPECT_EQ(ethernet.attempts.size(), 2u);
    EXPECT_EQ(doc.link.linkState, LinkState::Pending);
}

TEST_F(CycleTest, HoldStopsEthernetCommandsAndReleaseReconnects) {
    connectEthernet();
    timers.runPending();
    cycle.holdToggle();
    deliver(makeBlock());
    EXPECT_EQ(doc.pings.pingCount, 1);  // the answer in flight is still shown
    timers.runPending();
    EXPECT_EQ(ethernet.sent.size(), 1u);
    timers.advanceMs(20000);
    EXPECT_EQ(ethernet.sent.size(), 1u);
    EXPECT_EQ(ethernet.attempts.size(), 1u);

    cycle.holdToggle();
    EXPECT_EQ(ethernet.attempts.size(), 2u);
    EXPECT_EQ(doc.link.linkState, LinkState::Pending);
    EXPECT_FALSE(timers.isTimerActive(kPollTimer));
}

TEST_F(CycleTest, EthernetTimersDoNothingDuringPlayback) {
    connectEthernet();
    doc.flags.playbackActive = true;
    timers.runPending();
    EXPECT_TRUE(ethernet.sent.empty());
    cycle.onReplyTimeout();
    EXPECT_EQ(ethernet.attempts.size(), 1u);
    EXPECT_TRUE(observer.pings.empty());
}

TEST_F(CycleTest, PlaybackFramesRunOnThePollTimer) {
    doc.flags.playbackActive = true;
    doc.files.playbackIntervalMs = 120;
    timers.setTimer(kPollTimer, 50);
    timers.advanceMs(50 + 120 * 3);
    EXPECT_EQ(playback.plays, 4);
    EXPECT_EQ(timers.remainingMs(kPollTimer), 120);
    EXPECT_TRUE(serial.polls.empty());
}

TEST_F(CycleTest, HoldReleaseDuringPlaybackRestartsFrames) {
    headType = kTypeQ;
    doc.head.sonarType = kTypeQ;
    doc.flags.playbackActive = true;
    doc.flags.holdActive = true;
    cycle.holdToggle();
    EXPECT_EQ(timers.remainingMs(kPollTimer), 50);
    EXPECT_TRUE(ethernet.attempts.empty());
}

// ================================================================ connect and shutdown

TEST_F(CycleTest, ConnectClosesEverythingAndReloadsTheSettingsOutsidePlayback) {
    connectEthernet();
    timers.runPending();
    doc.flags.recordingActive = true;
    doc.flags.playbackActive = true;
    doc.flags.holdActive = true;
    doc.orientation.pitchValid = 1;
    doc.ping.echoLong.fill(7);
    doc.display.settingsDlgVisible = 1;
    const int abortsBefore = ethernet.aborts;
    const int recordCloses = recorder.closes, playbackCloses = playback.closes;

    headType = kTypeP;
    cycle.connectToHead();
    EXPECT_GT(recorder.closes, recordCloses);
    EXPECT_GT(playback.closes, playbackCloses);
    EXPECT_FALSE(doc.flags.recordingActive);
    EXPECT_GT(ethernet.aborts, abortsBefore);
    EXPECT_EQ(settings.playbackActiveAtLoad, 0);
    EXPECT_FALSE(doc.flags.playbackActive);
    EXPECT_FALSE(doc.flags.holdActive);
    EXPECT_EQ(doc.orientation.pitchValid, 0);
    EXPECT_EQ(doc.ping.echoLong[0], 0);
    EXPECT_EQ(doc.link.noNewData, 1);
    EXPECT_EQ(observer.settingsPanelShows, 1);
    EXPECT_GE(observer.playbackBarHides, 1);
    EXPECT_GE(observer.toolbarShows, 1);
    EXPECT_GE(observer.diagnosticsResets, 2);
    // Now a serial head: its first poll is the only timer.
    EXPECT_EQ(doc.link.linkState, LinkState::Connected);
    EXPECT_EQ(timers.periodMs(kWatchdogTimer), 1000);
    EXPECT_FALSE(timers.isTimerActive(kSendTimer));
}

TEST_F(CycleTest, ShutdownSavesStopsAndClosesEverything) {
    orientationEnabled = 1;
    connectEthernet();
    timers.runPending();
    cycle.shutdown();
    EXPECT_EQ(settings.saves, 1);
    EXPECT_EQ(settings.portsSuspendedAtSave, 1);
    EXPECT_TRUE(serial.suspended);
    EXPECT_EQ(serial.stops, 1);
    EXPECT_GE(recorder.closes, 1);
    EXPECT_EQ(doc.link.linkState, LinkState::NotConnected);
    EXPECT_FALSE(doc.flags.recordingActive);
    EXPECT_FALSE(timers.anyActive());
    EXPECT_FALSE(orientation.isOpen());
    EXPECT_EQ(orientation.written.substr(orientation.written.size() - 2), "LD");
    EXPECT_EQ(observer.windowsDestroyed, 1);
    // Nothing more happens afterwards.
    timers.advanceMs(60000);
    EXPECT_EQ(ethernet.sent.size(), 1u);
}

// ================================================================ rate, stamp, states

TEST_F(CycleTest, PingRateIsZeroAtFirstThenTheIntervalThenASmoothedAverage) {
    doc.link.noNewData = 1;
    cycle.processPing();
    EXPECT_EQ(doc.pings.pingPeriodRounded, 0);
    EXPECT_EQ(doc.pings.pingPeriodMs, 0.0);

    clock.advanceMs(200);
    cycle.processPing();
    EXPECT_DOUBLE_EQ(doc.pings.pingPeriodMs, 200.0);
    EXPECT_EQ(doc.pings.pingPeriodRounded, 200);

    clock.advanceMs(100);
    cycle.processPing();
    EXPECT_DOUBLE_EQ(doc.pings.pingPeriodMs, 150.0);

    clock.advanceMs(51);
    cycle.processPing();
    EXPECT_DOUBLE_EQ(doc.pings.pingPeriodMs, 100.5);
    EXPECT_EQ(doc.pings.pingPeriodRounded, 101);

    // A new connection does not restart the measurement.
    cycle.connectToHead();
    clock.advanceMs(100);
    cycle.processPing();
    EXPECT_DOUBLE_EQ(doc.pings.pingPeriodMs, 100.25);
}

TEST(TimeStampTexts, FormatsDateTimeMillisecondsAndBlankPaddedHundredths) {
    const TimeStampTexts a = timeStampTexts({2026, 12, 8, 14, 5, 9, 42});
    EXPECT_EQ(a.date, "08-DEC-2026");
    EXPECT_EQ(a.time, "14:05:09");
    EXPECT_EQ(a.millisecond, "042");
    EXPECT_EQ(a.hundredths, ". 4");

    const TimeStampTexts b = timeStampTexts({2027, 1, 31, 0, 0, 0, 999});
    EXPECT_EQ(b.date, "31-JAN-2027");
    EXPECT_EQ(b.time, "00:00:00");
    EXPECT_EQ(b.millisecond, "999");
    EXPECT_EQ(b.hundredths, ".99");

    EXPECT_EQ(timeStampTexts({2027, 5, 1, 23, 59, 59, 5}).hundredths, ". 0");
    // Out-of-range input from a broken clock never indexes past the month names.
    EXPECT_EQ(timeStampTexts({2027, 13, 1, 0, 0, 0, 0}).date, "01-DEC-2027");
}

TEST_F(CycleTest, EveryProcessedPingIsStampedWithTheLocalTime) {
    clock.setLocalBase({2026, 3, 4, 10, 20, 30, 0});
    clock.advanceMs(1234);
    cycle.processPing();
    EXPECT_EQ(doc.ping.dateText, "04-MAR-2026");
    EXPECT_EQ(doc.ping.timeText, "10:20:31");
    EXPECT_EQ(doc.ping.millisecondText, "234");
    EXPECT_EQ(doc.ping.hundredthsText, ".23");
    EXPECT_EQ(doc.pings.stampSecond, 31);
}

TEST_F(CycleTest, LinkStateChangesAreReportedOnce) {
    connectEthernet();
    cycle.onSocketClosed();
    timers.advanceMs(5000);
    EXPECT_EQ(observer.linkStates,
              (std::vector<LinkState>{LinkState::Pending, LinkState::Connected,
                                      LinkState::NotConnected, LinkState::Pending}));
}

// ================================================================ orientation in the cycle

TEST_F(CycleTest, OrientationIsReadEvery200msUntilSonarDataArrive) {
    orientationEnabled = 1;
    sentenceType = kSentenceCableDollar;
    connectEthernet();
    EXPECT_EQ(orientation.openedBaud, doc.link.prdBaud);
    EXPECT_EQ(timers.periodMs(kOrientationTimer), 200);

    orientation.waiting.push_back({'$', '1', '.', '5', ',', 'm', 'e', 't', 'e', 'r', '\r', '\n'});
    timers.advanceMs(1000);
    EXPECT_EQ(timers.firingTimes(kOrientationTimer),
              (std::vector<std::int64_t>{200, 400, 600, 800, 1000}));
    EXPECT_DOUBLE_EQ(doc.orientation.distanceM, 1.5);
    EXPECT_EQ(doc.orientation.distanceValid, 1);

    // The first valid block stops the timer; from then on the port is read once per ping.
    deliver(makeBlock());
    EXPECT_FALSE(timers.isTimerActive(kOrientationTimer));
    const std::string logBefore = orientation.log;
    timers.advanceMs(1000);
    EXPECT_EQ(orientation.log, logBefore);
    deliver(makeBlock());
    EXPECT_EQ(orientation.log, logBefore + "read;purge;");
}

TEST_F(CycleTest, SuspendedPortsAreNotRead) {
    orientationEnabled = 1;
    connectSerial();
    orientation.log.clear();
    cycle.setPortsSuspended(true);
    timers.advanceMs(1000);
    cycle.processPing();
    EXPECT_EQ(orientation.log.find("read"), std::string::npos);
    cycle.setPortsSuspended(false);
    cycle.processPing();
    EXPECT_NE(orientation.log.find("read"), std::string::npos);
}

TEST_F(CycleTest, OrientationValuesReachTheRecordedPing) {
    orientationEnabled = 1;
    sentenceType = kSentenceReach;
    connectEthernet();
    timers.runPending();
    doc.flags.recordingActive = true;
    orientation.waiting.push_back({'R', 0x41, 0x20, 0x00, 0x00});
    struct DistanceRecorder : PingRecorder {
        std::vector<double> distances;
        void recordPing(CSondrelDoc& d) override { distances.push_back(d.orientation.distanceM); }
        void closeRecordFile(CSondrelDoc&) override {}
    } distances;
    cycle.setRecorder(&distances);
    deliver(makeBlock());
    ASSERT_EQ(distances.distances.size(), 1u);
    EXPECT_DOUBLE_EQ(distances.distances[0], 10.0);
}

}  // namespace
}  // namespace sondrel

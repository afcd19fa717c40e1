// The pause of acquisition while a modal window is open, on the virtual clock:
// what it stops in each way the program runs, and that the same timers run
// once the window closes.

#include "app/ModalPause.h"

#include <functional>
#include <map>

#include <gtest/gtest.h>

#include "support/CycleRig.h"

namespace sondrel {
namespace {

// The cycle with an orientation instrument, at whatever pace it runs.
struct Rig : testing::CycleRig {
    Rig() { orientationEnabled = 1; }

    // The acquisition timers running now, with the periods they were set to.
    std::map<int, int> running() const {
        std::map<int, int> periods;
        for (const int id : kAcquisitionTimers)
            if (timers.isTimerActive(id)) periods[id] = timers.periodMs(id);
        return periods;
    }
    ModalPause pause() { return ModalPause(timers, doc, &cycle.orientation()); }
};

TEST(ModalPause, TheSameTimersRunAfterTheWindowInEveryWayTheProgramRuns) {
    struct Case {
        const char* name;
        std::function<void(Rig&)> start;
        std::map<int, int> whileOpen;  // what runs behind the window
    };
    auto playBack = [](Rig& t) {
        t.doc.flags.playbackActive = true;
        t.doc.files.playbackIntervalMs = 100;
        t.timers.setTimer(kPollTimer, 100);
        t.timers.advanceMs(250);
    };
    const Case cases[] = {
        {"live Ethernet, no data yet: the instrument rests, the head does not",
         [](Rig& t) {
             t.connectEthernet();
             t.doc.link.noNewData = 1;
         },
         {{kWatchdogTimer, kWatchdogMs}, {kSendTimer, 0}}},
        {"live serial, polling while no data come",
         [](Rig& t) {
             t.cycle.connectToHead();
             t.timers.advanceMs(1000);
         },
         {{kPollTimer, 900}}},
        {"live serial held",
         [](Rig& t) {
             t.cycle.connectToHead();
             t.timers.advanceMs(1000);
             t.cycle.holdToggle();
             t.timers.advanceMs(1000);
         },
         {}},
        {"playback", playBack, {}},
        {"playback, one frame at a time",
         [&](Rig& t) {
             playBack(t);
             t.doc.files.oneFrameMode = 1;
             t.timers.advanceMs(100);
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig t;
        c.start(t);
        const std::map<int, int> before = t.running();
        {
            const ModalPause open = t.pause();
            EXPECT_EQ(t.running(), c.whileOpen);
        }
        // What was paused comes back at its resume pace; what ran on, as it was.
        std::map<int, int> expected = before;
        if (before.count(kPollTimer) && !c.whileOpen.count(kPollTimer))
            expected[kPollTimer] = kHoldReleasePollMs;
        EXPECT_EQ(t.running(), expected);
    }
}

TEST(ModalPause, WhatChangedBehindTheWindowIsLeftAsItIs) {
    struct Case {
        const char* name;
        bool playing;
        std::function<void(Rig&)> meanwhile;
        int id;
        int periodAfter;  // -1: not running
    };
    const Case cases[] = {
        {"playback ended", true, [](Rig& t) { t.doc.flags.playbackActive = false; }, kPollTimer,
         -1},
        {"a new pace was set", true, [](Rig& t) { t.timers.setTimer(kPollTimer, 777); }, kPollTimer,
         777},
        {"sonar data came", false, [](Rig& t) { t.doc.link.noNewData = 0; }, kOrientationTimer, -1},
        {"the instrument was closed", false,
         [](Rig& t) { t.cycle.orientation().closeOrientationPort(); }, kOrientationTimer, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig t;
        t.cycle.connectToHead();
        if (c.playing) {
            t.doc.flags.playbackActive = true;
            t.timers.setTimer(kPollTimer, 100);
        }
        ASSERT_TRUE(t.timers.isTimerActive(c.id));
        {
            const ModalPause open = t.pause();
            c.meanwhile(t);
        }
        EXPECT_EQ(t.timers.periodMs(c.id), c.periodAfter);
    }
}

}  // namespace
}  // namespace sondrel

#pragma once
// The acquisition cycle on the virtual clock with a fake of each of its ports,
// wired as the program wires the real ones: what the cycle's tests start from.

#include "acquisition/AcquisitionCycle.h"
#include "support/CycleFakes.h"
#include "support/VirtualTimerHost.h"

namespace sondrel::testing {

struct CycleRig {
    CycleRig() {
        timers.setDispatcher([this](int id) { cycle.onTimer(id); });
        cycle.setEthernetLink(&ethernet);
        cycle.setSerialLink(&serial);
        cycle.setOrientationLink(&orientation);
        cycle.setSettingsStore(&settings);
        cycle.setRecorder(&recorder);
        cycle.setPlayback(&playback);
        cycle.setObserver(&observer);
        doc.setViews(&views);
        serial.loop = &timers;
        serial.events = &cycle;
        settings.onLoad = [this](CSondrelDoc& d) {
            d.head.sonarType = headType;
            d.link.ipAddress = "127.0.0.1";
            d.link.ipPort = 40404;
            d.link.prdEnable = orientationEnabled;
            d.link.sentenceType = sentenceType;
        };
    }
    CycleRig(const CycleRig&) = delete;
    CycleRig& operator=(const CycleRig&) = delete;

    void connectSerial() {
        headType = kTypeP;
        cycle.connectToHead();
    }
    // Connects an Ethernet head and completes the connection.
    void connectEthernet() {
        headType = kTypeQ;
        cycle.connectToHead();
        cycle.onSocketConnected(0);
    }
    void deliver(const ByteVector& bytes) { cycle.onSocketBytes(bytes.data(), bytes.size()); }

    VirtualClock clock;
    VirtualTimerHost timers{clock};
    CSondrelDoc doc;
    AcquisitionCycle cycle{doc, timers, clock};
    FakeEthernetLink ethernet;
    FakeSerialLink serial;
    FakeOrientationLink orientation;
    FakeSettingsStore settings;
    FakeRecorder recorder;
    FakePlayback playback;
    RecordingObserver observer;
    CountingViews views;
    // What the settings file gives at each connect.
    int headType = kTypeP;
    int orientationEnabled = 0;
    int sentenceType = 0;
};

}  // namespace sondrel::testing

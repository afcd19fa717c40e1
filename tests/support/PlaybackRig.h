#pragma once
// Recording, playback and conversion wired as the program wires them, on a
// virtual clock, with a scripted operator and windows that remember what they
// were asked. Data files are made with the program's own record writer.

#include <gtest/gtest.h>

#include "support/ReceivedBlock.h"

#include <cstdio>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/AcquisitionCycle.h"
#include "acquisition/SondrelDoc.h"
#include "common/OperatorPort.h"
#include "recording/BinaryFile.h"
#include "recording/FileWindows.h"
#include "recording/Player.h"
#include "recording/RecordFormat.h"
#include "recording/Recorder.h"
#include "recording/XyzConversion.h"
#include "support/CycleFakes.h"
#include "support/Operators.h"
#include "support/TempFolder.h"
#include "support/VirtualTimerHost.h"

namespace sondrel::testing {

struct RecordingWindows : FileWindows {
    std::vector<std::string> titles;
    std::vector<int> trackbar;
    std::vector<int> speeds;
    int barShows = 0, barSpeed = -1, focusReturns = 0, tickRedraws = 0, statusRefreshes = 0;
    void setWindowTitle(const std::string& title) override { titles.push_back(title); }
    void showPlaybackBar(int speed) override {
        ++barShows;
        barSpeed = speed;
    }
    void setTrackbarPosition(int position) override { trackbar.push_back(position); }
    void setSpeedControls(int speed) override { speeds.push_back(speed); }
    void redrawTrackbarTicks() override { ++tickRedraws; }
    void focusMainFrame() override { ++focusReturns; }
    void refreshStatusBar() override { ++statusRefreshes; }
};

// The ping on screen is told by its head position, which only a valid return
// header sets: record i of a made file reports position i.
inline int shownRecord(const CSondrelDoc& doc) {
    return doc.ping.headPosition;
}

// A ping as the head would deliver it: a valid return header and a ring of
// profile ranges, with the orientation values when asked for.
inline void makePing(CSondrelDoc& doc, int index, bool orientation = false, int periodMs = 0) {
    // Recorded as live: the range of the command is the one the head reports.
    doc.head.setRangeIndex(rangeIndexForCode(20));
    const ByteVector block = makeBlock("QSZ", 20);
    std::copy_n(block.begin(), kReturnHeaderSize, doc.ping.returnHeader.begin());
    doc.ping.returnHeader[5] = static_cast<std::uint8_t>(index & 0x7F);
    doc.ping.returnHeader[6] = static_cast<std::uint8_t>(0x40 | ((index >> 7) & 0x3F));
    for (int i = 0; i < 400; ++i) {
        // Values around 300 with a wobble, and a gap now and then.
        const int value = (i % 37 == 0) ? 0 : 280 + (i * 7 + index * 3) % 40;
        doc.ping.echoLong[2 * i] = static_cast<std::uint8_t>(value & 0x7F);
        doc.ping.echoLong[2 * i + 1] = static_cast<std::uint8_t>(value >> 7);
    }
    // The time stamp says the same: i seconds after midnight.
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", index / 3600, index / 60 % 60, index % 60);
    doc.ping.timeText = text;
    doc.ping.dateText = "08-DEC-2026";
    doc.ping.hundredthsText = ".45";
    doc.link.prdEnable = orientation ? 1 : 0;
    doc.orientation.distanceM = 1.5 + index * 0.25;
    doc.orientation.distanceValid = 1;
    doc.orientation.rollDeg = -10.0 + index * 2.5;
    doc.orientation.rollValid = 1;
    doc.pings.pingPeriodRounded = periodMs;
}

// Writes `count` records; records listed in `invalid` get a return header that
// playback must reject.
inline std::string makeDataFile(const std::string& path, int count,
                                const std::vector<int>& invalid = {}, bool orientation = false,
                                int periodMs = 0) {
    CSondrelDoc doc;
    BinaryFile file;
    EXPECT_TRUE(file.create(path));
    for (int i = 0; i < count; ++i) {
        makePing(doc, i, orientation, periodMs);
        for (int bad : invalid)
            if (bad == i) doc.ping.returnHeader[0] = 'X';
        EXPECT_TRUE(writeRecord(test::stampedPing(doc), file));
    }
    file.close();
    return path;
}

inline void appendBytes(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "ab");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// Counts the blocks of an XYZ text: each record's points end with an empty line.
inline int xyzBlocks(const std::string& text) {
    int blocks = 0;
    for (std::size_t at = text.find("\r\n\r\n"); at != std::string::npos;
         at = text.find("\r\n\r\n", at + 2))
        ++blocks;
    return blocks;
}

struct PlaybackRig {
    CSondrelDoc doc;
    VirtualClock clock;
    VirtualTimerHost timers{clock};
    AcquisitionCycle cycle{doc, timers, clock};
    ScriptedOperator op;
    RecordingWindows windows;
    CountingViews views;
    FakeSettingsStore settings;
    Recorder recorder{doc, op, windows, &cycle};
    XyzConversion conversion{doc, op};
    PlayerPeers peers{.cycle = &cycle, .settings = &settings};
    Player player{doc, timers, op, windows, recorder, peers};
    test::TempFolder folder;

    PlaybackRig() {
        // A 0 ms timer that re-arms itself would never let virtual time pass.
        doc.files.playbackIntervalMs = 10;
        doc.setViews(&views);
        doc.files.writeDirectory = folder.path() + "/";
        doc.files.readDirectory = folder.path() + "/";
        cycle.setRecorder(&recorder);
        cycle.setPlayback(&player);
        cycle.setSettingsStore(&settings);
        timers.setDispatcher([this](int id) { cycle.onTimer(id); });
    }

    // Opens a file through the command's dialog.
    bool open(const std::string& path) {
        op.openAnswers.push_back(path);
        doc.flags.holdActive = false;
        return player.openPlayback();
    }
};

}  // namespace sondrel::testing

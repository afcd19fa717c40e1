#pragma once
// Stand-ins for the links, the settings file, the recorder, the player and the
// windows, each recording what the cycle asked of it. Links deliver their
// answers through VirtualTimerHost::post, as a socket or a worker thread would
// deliver them at a later turn of the event loop.

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/Links.h"
#include "acquisition/SondrelDoc.h"
#include "support/VirtualTimerHost.h"

namespace sondrel::testing {

using ByteVector = std::vector<std::uint8_t>;

// An 813-byte return block with the given type letters and range code.
inline ByteVector makeBlock(const char* letters = "QSZ", std::uint8_t rangeCode = 10,
                            std::uint8_t fill = 0x22) {
    ByteVector b(kBlockLengthLong, fill);
    b[0] = static_cast<std::uint8_t>(letters[0]);
    b[1] = static_cast<std::uint8_t>(letters[1]);
    b[2] = static_cast<std::uint8_t>(letters[2]);
    b[3] = 0x10;
    b[4] = 0x00;
    b[5] = 0x05;
    b[6] = 0x41;
    b[7] = rangeCode;
    b[8] = 0x10;
    b[9] = 0x02;
    return b;
}

struct FakeEthernetLink : EthernetLink {
    struct Attempt {
        std::string ip;
        int port;
    };
    std::vector<Attempt> attempts;
    std::vector<ByteVector> sent;
    int aborts = 0;
    bool failImmediately = false;

    bool connectToHost(const std::string& ip, int port) override {
        attempts.push_back({ip, port});
        return !failImmediately;
    }
    void send(const std::uint8_t* data, std::size_t size) override {
        sent.emplace_back(data, data + size);
    }
    void abort() override { ++aborts; }
};

struct FakeSerialLink : SerialHeadLink {
    VirtualTimerHost* loop = nullptr;
    HeadLinkEvents* events = nullptr;
    bool openSucceeds = true;
    bool open_ = false;
    bool worker = false;
    bool suspended = false;
    int opens = 0, closes = 0, workerStarts = 0, stops = 0;
    std::vector<SerialPollRequest> polls;
    // What the worker reads at each poll; an empty queue reads nothing.
    std::deque<ByteVector> replies;

    bool open(int, int) override {
        ++opens;
        open_ = openSucceeds;
        return open_;
    }
    void close() override {
        ++closes;
        open_ = false;
    }
    bool isOpen() const override { return open_; }
    void startWorker() override {
        ++workerStarts;
        worker = true;
    }
    bool workerExists() const override { return worker; }
    void requestPoll(const SerialPollRequest& request) override {
        polls.push_back(request);
        if (suspended) return;
        ByteVector reply;
        if (open_ && !replies.empty()) {
            reply = std::move(replies.front());
            replies.pop_front();
        }
        if (!open_ && !request.serialHead) return;
        if (loop && events) {
            loop->post([this, reply] { events->onDataReady(reply.data(), reply.size()); });
        }
    }
    void setSuspended(bool s) override { suspended = s; }
    void stop() override {
        ++stops;
        worker = false;
    }
};

struct FakeOrientationLink : OrientationLink {
    bool openSucceeds = true;
    bool open_ = false;
    int openedPort = 0, openedBaud = 0;
    std::string written;             // every byte written, in order
    std::string log;                 // operations, for order checks
    std::deque<ByteVector> waiting;  // what each non-waiting read finds
    ByteVector replyBytes;           // what the awaited read finds
    int purges = 0, errorClears = 0;

    bool open(int port, int baud) override {
        openedPort = port;
        openedBaud = baud;
        open_ = openSucceeds;
        log += open_ ? "open;" : "open-failed;";
        return open_;
    }
    bool isOpen() const override { return open_; }
    void close() override {
        open_ = false;
        log += "close;";
    }
    bool write(const std::uint8_t* data, std::size_t size) override {
        written.append(reinterpret_cast<const char*>(data), size);
        log += "w:" + std::string(reinterpret_cast<const char*>(data), size) + ";";
        return true;
    }
    std::size_t read(std::uint8_t* dst, std::size_t max) override {
        log += "read;";
        if (waiting.empty()) return 0;
        ByteVector b = std::move(waiting.front());
        waiting.pop_front();
        const std::size_t n = std::min(max, b.size());
        std::copy_n(b.begin(), n, dst);
        return n;
    }
    std::size_t read(std::uint8_t* dst, std::size_t n, int) override {
        log += "awaited-read;";
        const std::size_t got = std::min(n, replyBytes.size());
        std::copy_n(replyBytes.begin(), got, dst);
        return got;
    }
    void purge() override {
        ++purges;
        log += "purge;";
    }
    void clearErrors() override { ++errorClears; }
};

struct FakeSettingsStore : SettingsStore {
    std::function<void(CSondrelDoc&)> onLoad;
    int loads = 0, saves = 0;
    bool saveSucceeds = true;
    int playbackActiveAtLoad = -1;
    int portsSuspendedAtSave = -1;
    void load(CSondrelDoc& doc) override {
        ++loads;
        playbackActiveAtLoad = doc.flags.playbackActive;
        if (onLoad) onLoad(doc);
    }
    void save(CSondrelDoc& doc) override {
        ++saves;
        portsSuspendedAtSave = doc.link.portsSuspended;
    }
    bool lastSaveSucceeded() const override { return saveSucceeds; }
};

struct FakeRecorder : PingRecorder {
    std::vector<ByteVector> recordedHeaders;
    int closes = 0;
    void recordPing(CSondrelDoc& doc) override {
        recordedHeaders.emplace_back(doc.ping.returnHeader.begin(), doc.ping.returnHeader.end());
    }
    void closeRecordFile(CSondrelDoc& doc) override {
        ++closes;
        doc.flags.recordingActive = false;
    }
};

struct FakePlayback : PlaybackDriver {
    int plays = 0, closes = 0;
    void playOneRecord() override { ++plays; }
    void closePlaybackFile(CSondrelDoc&) override { ++closes; }
};

struct RecordingObserver : CycleObserver {
    int statusRefreshes = 0, diagnosticsRefreshes = 0, diagnosticsResets = 0;
    int playbackBarHides = 0, toolbarShows = 0, settingsPanelShows = 0, windowsDestroyed = 0;
    std::vector<LinkState> linkStates;
    std::vector<bool> pings;
    std::vector<SilentHeadAction> silentActions;
    void refreshStatusBar() override { ++statusRefreshes; }
    void refreshDiagnostics() override { ++diagnosticsRefreshes; }
    void resetDiagnostics() override { ++diagnosticsResets; }
    void hidePlaybackBar() override { ++playbackBarHides; }
    void showToolbar() override { ++toolbarShows; }
    void showSettingsPanel() override { ++settingsPanelShows; }
    void destroyModelessWindows() override { ++windowsDestroyed; }
    void linkStateChanged(LinkState state) override { linkStates.push_back(state); }
    void pingProcessed(bool valid) override { pings.push_back(valid); }
    void headSilent(SilentHeadAction action) override { silentActions.push_back(action); }
};

// Counts what the document asks of its windows, and keeps the update hints.
struct CountingViews : DocumentViews {
    int redraws = 0, fullRedrawMarks = 0, panelRefreshes = 0;
    std::vector<ViewHint> hints;
    void markFullRedraw() override { ++fullRedrawMarks; }
    void refreshSettingsPanels() override { ++panelRefreshes; }
    void updateViews(ViewHint hint) override {
        ++redraws;
        hints.push_back(hint);
    }
};

}  // namespace sondrel::testing

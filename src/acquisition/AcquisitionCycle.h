#pragma once
// The real-time poll loop: one switch data command out, one return block in, one
// processed ping, then the next poll. Four timers of the main window drive it;
// for a serial head the serial worker's hand-off, for an Ethernet head the
// socket's notifications. Everything here runs on the main thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "acquisition/Links.h"
#include "acquisition/Orientation.h"
#include "acquisition/SondrelDoc.h"
#include "acquisition/TimerHost.h"

namespace sondrel {

inline constexpr int kWatchdogMs = 5000;
inline constexpr int kFirstSerialPollMs = 1000;
inline constexpr int kPortClosedPollMs = 1000;
inline constexpr int kHoldReleasePollMs = 50;

// The pause before the next serial poll: a slow head needs time to sweep a long range.
int serialPollIntervalMs(LinkState linkState, double rangeMetres);

// The four texts of a ping's local-time stamp.
struct TimeStampTexts {
    std::string date;         // "08-DEC-2026"
    std::string time;         // "14:05:09"
    std::string millisecond;  // "042"
    std::string hundredths;   // ". 4"
};
TimeStampTexts timeStampTexts(const LocalTime& t);

// Collects the bytes of the TCP stream into whole return blocks. The stream has
// no message boundaries: a block may arrive in any number of segments, and
// line noise may come before it.
class BlockAssembler {
  public:
    static constexpr std::size_t kBlockSize = kReceiveBufferSize;

    // Takes up to the bytes that complete the current block; returns how many it took.
    std::size_t feed(const std::uint8_t* data, std::size_t size);
    bool complete() const { return filled_ == kBlockSize; }
    const std::uint8_t* block() const { return block_.data(); }
    std::size_t pending() const { return filled_; }
    void discard() { filled_ = 0; }
    // A complete block that does not start with a header's type letters but has
    // them further on loses the bytes before them, and returns how many; it is
    // then no longer complete. Zero when the block starts with the letters or
    // holds none: it is then taken as it stands, an invalid reply.
    std::size_t dropBytesBeforeHeader();

  private:
    std::array<std::uint8_t, kBlockSize> block_{};
    std::size_t filled_ = 0;
};

class AcquisitionCycle : public HeadLinkEvents {
  public:
    AcquisitionCycle(CSondrelDoc& doc, TimerHost& timers, Clock& clock);
    AcquisitionCycle(const AcquisitionCycle&) = delete;
    AcquisitionCycle& operator=(const AcquisitionCycle&) = delete;

    // ---- collaborators (any may be absent)
    void setEthernetLink(EthernetLink* link) { ethernet_ = link; }
    void setSerialLink(SerialHeadLink* link) { serial_ = link; }
    void setOrientationLink(OrientationLink* link) { orientation_.setLink(link); }
    void setSettingsStore(SettingsStore* store) { settings_ = store; }
    void setRecorder(PingRecorder* recorder) { recorder_ = recorder; }
    void setPlayback(PlaybackDriver* playback) { playback_ = playback; }
    void setObserver(CycleObserver* observer);

    CSondrelDoc& doc() { return doc_; }
    OrientationInput& orientation() { return orientation_; }

    // ---- commands
    // "Connect to Sonar Head": closes everything, reloads the settings file and
    // connects by the head type. Also run at start-up and after a type change.
    void connectToHead();
    // "Hold": stops scheduling polls; releasing it restarts the loop.
    void holdToggle();
    // The head's new IP address: stored, and in real time saved and connected
    // to at once (the link is down until the new head answers). False when the
    // settings file could not be written.
    bool changeIpAddress(const std::string& address);
    // Document shutdown: suspend the ports, save the settings, stop every
    // timer and link, and close the files complete.
    void shutdown();
    // Playback replaces the head: the socket and both serial ports close and
    // the link is down until the next connect.
    void stopLiveLink();
    // The COM port dialog suspends the worker and orientation reads around a port change.
    void setPortsSuspended(bool suspended);

    // ---- the ping
    // Processes whatever the last poll brought (noNewData tells whether there is
    // a block); returns whether a valid ping was decoded.
    bool processPing();

    // ---- timers
    // Dispatches a fired timer to its handler by identifier.
    void onTimer(int id);
    // Timer 1010, and 1020 after a serial connect: the next serial poll or playback frame.
    void onPollTimer(int firedId = kPollTimer);
    void sendCommandNow();      // timer 1030
    void onReplyTimeout();      // timer 1020 on an Ethernet head
    void onOrientationTimer();  // timer 1040

    // ---- links
    void connectSocket();
    void openSonarPort();
    void closeSerialPorts();

    void onSocketConnected(int error) override;
    void onSocketBytes(const std::uint8_t* data, std::size_t size) override;
    void onSocketClosed() override;
    void onDataReady(const std::uint8_t* block, std::size_t count) override;

    // ---- the stamp and the rate
    void stampLocalTime();
    void measurePingRate();

    std::size_t pendingSocketBytes() const { return assembler_.pending(); }

  private:
    enum class WatchdogRole { Poll, ReplyTimeout };

    void setLinkState(LinkState state);
    void armWatchdog();  // 1020 at 5000 ms with onReplyTimeout
    void closeFiles();
    void closeSocket();
    void onSocketBlock(const std::uint8_t* block);
    void pollSilentHead();
    void reconnectSilentHead();
    bool ethernetPollingStopped() const;

    CSondrelDoc& doc_;
    TimerHost& timers_;
    Clock& clock_;
    EthernetLink* ethernet_ = nullptr;
    SerialHeadLink* serial_ = nullptr;
    SettingsStore* settings_ = nullptr;
    PingRecorder* recorder_ = nullptr;
    PlaybackDriver* playback_ = nullptr;
    CycleObserver noObserver_;
    CycleObserver* observer_ = &noObserver_;
    OrientationInput orientation_;
    BlockAssembler assembler_;
    WatchdogRole watchdogRole_ = WatchdogRole::Poll;
    // Watchdog periods in a row in which a head on an open link sent no block.
    int silentPeriods_ = 0;

    // Ping-rate measurement, kept for the life of the process.
    bool rateInitialised_ = false;
    std::int64_t counterFrequency_ = 0;
    std::int64_t counterBefore_ = 0;
};

}  // namespace sondrel

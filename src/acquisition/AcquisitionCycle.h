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
// no message boundaries: a block may arrive in any number of segments, line
// noise may come before it, and a head sent a command again answers twice, so
// one delivery may end one block and begin or hold the next.
class BlockAssembler {
  public:
    static constexpr std::size_t kBlockSize = kBlockLengthLong;

    // Takes one delivery whole: hands every block it completes to `onBlock`, in
    // order, and keeps what follows the last one as the start of the next.
    // `onBlock` returns false when no further block is wanted (the rest of the
    // delivery is then left untaken). Returns the bytes dropped as noise.
    template <typename OnBlock>
    std::size_t deliver(std::span<const std::uint8_t> bytes, std::uint8_t headId,
                        OnBlock&& onBlock) {
        std::size_t taken = 0;
        std::size_t dropped = 0;
        while (true) {
            taken += feed(bytes.data() + taken, bytes.size() - taken);
            if (!complete()) return dropped;
            if (const std::size_t d = dropBytesBeforeHeader(headId); d != 0) {
                dropped += d;
                continue;
            }
            const bool more = onBlock(block());
            discard();
            if (!more || taken == bytes.size()) return dropped;
        }
    }

    // Takes up to the bytes that complete the current block; returns how many it took.
    std::size_t feed(const std::uint8_t* data, std::size_t size);
    bool complete() const { return filled_ == kBlockSize; }
    const std::uint8_t* block() const { return block_.data(); }
    std::size_t pending() const { return filled_; }
    void discard() { filled_ = 0; }
    // A complete block loses the bytes before a header found further in, and
    // returns how many; it is then no longer complete. A header further in is
    // the type letters followed by this head's identifier. It counts when the
    // block does not start with type letters (noise came first), and when the
    // block's letters say it is a long block (a long block holding another
    // header was cut short, and the next reply follows). Zero when neither: the
    // block is then taken as it stands, an invalid reply when it has no letters.
    std::size_t dropBytesBeforeHeader(std::uint8_t headId);

  private:
    bool headerAt(std::size_t at, std::uint8_t headId, bool idMayFollow) const;

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
    // After every serial poll: a head silent for a watchdog period has its
    // port opened anew.
    void watchSerialHead(bool valid);
    std::int64_t msSince(std::int64_t counter);
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
    // Set when a block was taken and no command has gone out since: what the
    // assembler gathers then is the beginning of a further reply.
    bool gatheringFollowsBlock_ = false;
    WatchdogRole watchdogRole_ = WatchdogRole::Poll;
    // Watchdog periods in a row in which a head on an open link sent no block.
    int silentPeriods_ = 0;
    // The counter at the last valid serial ping, or at the port's last open.
    std::int64_t serialAnswerCounter_ = 0;

    // Ping-rate measurement, kept for the life of the process.
    bool rateInitialised_ = false;
    std::int64_t counterFrequency_ = 0;
    std::int64_t counterBefore_ = 0;
};

}  // namespace sondrel

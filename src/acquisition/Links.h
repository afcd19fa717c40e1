#pragma once
// The ports through which the acquisition cycle reaches the world: the head's
// Ethernet and serial links, the orientation instrument, the clock, the settings
// file, the recorder, the player and the windows. The core drives only these
// interfaces; the program backs them with Qt, the tests with fakes, so that every
// rule of the cycle runs without a window system, a socket or a serial port.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "acquisition/SwitchCommand.h"

namespace sondrel {

class CSondrelDoc;
enum class LinkState;

inline constexpr int kDefaultHeadPort = 4040;  // TCP port of an Ethernet head

// ------------------------------------------------------------------ link events

// What the links report. Every call arrives on the main thread (the serial link
// marshals its worker's hand-off there), so the cycle never needs a lock.
class HeadLinkEvents {
  public:
    virtual ~HeadLinkEvents() = default;
    // A connection attempt finished: 0 on success, otherwise a non-zero error code.
    virtual void onSocketConnected(int error) = 0;
    // Bytes arrived on the socket, in whatever segments the stream delivers them.
    virtual void onSocketBytes(const std::uint8_t* data, std::size_t size) = 0;
    // The peer closed an established connection, or it broke.
    virtual void onSocketClosed() = 0;
    // The serial worker finished a poll: the bytes it read (count may be short,
    // or 0 when the port is closed). The worker waits until this returns, then
    // takes the next poll request.
    virtual void onDataReady(const std::uint8_t* block, std::size_t count) = 0;
};

// ------------------------------------------------------------------ Ethernet head

class EthernetLink {
  public:
    virtual ~EthernetLink() = default;
    // Starts a non-blocking connection to a literal IP address (never a name to
    // look up). Returns false when the attempt failed at once; otherwise the
    // result comes later through HeadLinkEvents::onSocketConnected.
    virtual bool connectToHost(const std::string& ip, int port) = 0;
    // Sends the bytes as they are; the result is not examined by the cycle.
    virtual void send(const std::uint8_t* data, std::size_t size) = 0;
    // Shuts both directions down and closes, discarding pending bytes. After this
    // call no notification of the old connection reaches the cycle.
    virtual void abort() = 0;
};

// ------------------------------------------------------------------ serial head

// One poll of the serial worker. The command is a snapshot taken on the main
// thread when the poll is requested, so the worker never reads the document.
struct SerialPollRequest {
    CommandBuffer command{};
    bool rtsEnable = false;
    // Whether the head is on a serial line: with the port closed the worker then
    // answers at once with no data so that the cycle keeps turning.
    bool serialHead = true;
};

class SerialHeadLink {
  public:
    virtual ~SerialHeadLink() = default;
    // Opens "COM<comPort>" with the head's line settings; false on any failure.
    virtual bool open(int comPort, int baud) = 0;
    // Cancels pending I/O and closes; a poll under way ends with a failed read.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The worker is created once for the life of the process.
    virtual void startWorker() = 0;
    virtual bool workerExists() const = 0;
    // Posts one poll to the worker: read up to 813 bytes, then write the command,
    // then report through HeadLinkEvents::onDataReady and wait for it to return.
    virtual void requestPoll(const SerialPollRequest& request) = 0;
    // While suspended the worker does no I/O and does not answer polls.
    virtual void setSuspended(bool suspended) = 0;
    // Ends the worker (document shutdown only).
    virtual void stop() = 0;
};

// ------------------------------------------------------------------ orientation instrument

class OrientationLink {
  public:
    virtual ~OrientationLink() = default;
    virtual bool open(int comPort, int baud) = 0;
    virtual bool isOpen() const = 0;
    // Cancels pending I/O and closes (the caller sends any closing bytes first).
    virtual void close() = 0;
    // Writes and waits for the write to finish; false if not all bytes went out.
    virtual bool write(const std::uint8_t* data, std::size_t size) = 0;
    // What is waiting in the input queue now, at most max bytes; never waits.
    virtual std::size_t read(std::uint8_t* dst, std::size_t max) = 0;
    // Waits up to timeoutMs for n bytes; returns how many came.
    virtual std::size_t read(std::uint8_t* dst, std::size_t n, int timeoutMs) = 0;
    // Discards whatever is queued in both directions.
    virtual void purge() = 0;
    virtual void clearErrors() = 0;
};

// ------------------------------------------------------------------ clock

struct LocalTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    // A monotonic counter and its ticks per second (the ping-rate measurement).
    virtual std::int64_t counterFrequency() = 0;
    virtual std::int64_t counterValue() = 0;
    // Wall-clock local time (the stamp of each ping).
    virtual LocalTime localTime() = 0;
};

// std::chrono::steady_clock and the C library's local time.
class SystemClock : public Clock {
  public:
    std::int64_t counterFrequency() override;
    std::int64_t counterValue() override;
    LocalTime localTime() override;
};

// ------------------------------------------------------------------ settings file

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual void load(CSondrelDoc& doc) = 0;
    virtual void save(CSondrelDoc& doc) = 0;
    // Whether the last save reached the file.
    virtual bool lastSaveSucceeded() const { return true; }
};

// ------------------------------------------------------------------ recorder and player

class PingRecorder {
  public:
    virtual ~PingRecorder() = default;
    // Appends the current ping to the open data file (called only while
    // recordingActive is 1, for valid pings).
    virtual void recordPing(CSondrelDoc& doc) = 0;
    // Closes the data file being written, leaving it complete.
    virtual void closeRecordFile(CSondrelDoc& doc) = 0;
};

class PlaybackDriver {
  public:
    virtual ~PlaybackDriver() = default;
    // One playback step, driven by the poll timer while playbackActive is 1.
    virtual void playOneRecord() = 0;
    virtual void closePlaybackFile(CSondrelDoc& doc) = 0;
};

// ------------------------------------------------------------------ windows

// What the cycle does about a head that keeps its connection but sent no block
// for a whole watchdog period.
enum class SilentHeadAction { SendAgain, Reconnect };

// What the cycle asks of the windows beyond the document's own views. Every
// operation does nothing by default, so a headless program overrides only what
// it needs.
class CycleObserver {
  public:
    virtual ~CycleObserver() = default;
    virtual void refreshStatusBar() {}
    // The diagnostics dialog, when it is open.
    virtual void refreshDiagnostics() {}
    virtual void resetDiagnostics() {}
    virtual void hidePlaybackBar() {}
    virtual void showToolbar() {}
    // The settings file said the settings panel was visible.
    virtual void showSettingsPanel() {}
    // Diagnostics, settings panel and key-in windows, at document shutdown.
    virtual void destroyModelessWindows() {}
    virtual void linkStateChanged(LinkState /*linkState*/) {}
    // After every processPing, whether it decoded a valid ping.
    virtual void pingProcessed(bool /*valid*/) {}
    virtual void headSilent(SilentHeadAction /*action*/) {}
};

}  // namespace sondrel

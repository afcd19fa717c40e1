#pragma once
// One serial line, opened the way both the head and the orientation input need
// it: 8 data bits, no parity, one stop bit, raw bytes, no flow control, owned
// exclusively. Every wait is bounded by a timeout and can be cut short from
// another thread with cancel(), so a poll never outlives a port change or the
// end of the program, and a device that disappears only ends the wait early.
//
// Plain POSIX rather than QSerialPort: the head's worker must be interruptible
// from the main thread while it waits on the line, and a QObject-based port can
// neither be shared between threads nor woken out of a blocking wait.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "acquisition/ComPortSetup.h"

namespace sondrel {

class SerialDevice {
  public:
    SerialDevice();
    ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // Opens an existing character device that is a terminal, takes it
    // exclusively, applies the line settings with the given baud rate and
    // empties both directions. Any failure leaves the device closed. A
    // pseudo-terminal that refuses a line setting is still accepted: it has no
    // line to set, and the test rigs and simulators that use it rely on that.
    bool open(const std::string& path, int baud);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

    // Reads until n bytes have come, the timeout has passed, the line failed or
    // cancel() was called; returns how many bytes came.
    std::size_t readFor(std::uint8_t* dst, std::size_t n, int timeoutMs);
    // Bytes waiting in the input queue now.
    std::size_t bytesWaiting() const;
    // Writes the bytes and waits until they have left the output queue, within
    // the timeout; returns how many bytes were accepted.
    std::size_t writeAll(const std::uint8_t* src, std::size_t n, int timeoutMs);

    void purgeReceive();
    // Discards what has not yet gone out.
    void purgeTransmit();
    // Raises or drops RTS. Lines without modem control (pseudo-terminals)
    // refuse it; that is reported, not fatal.
    bool setRts(bool raised);

    // Safe from any thread: wakes a waiting read or write and makes every wait
    // return at once until resetCancel().
    void cancel();
    void resetCancel();
    bool cancelled() const { return cancelled_.load(std::memory_order_acquire); }

    // Whether the open device is a pseudo-terminal.
    bool isPseudoTerminal() const { return pseudoTerminal_; }

  private:
    // Waits for the line to become readable or writable, for cancel() or for the
    // deadline; false when the wait should end the operation.
    bool waitFor(short events, long long deadlineNs);

    int fd_ = -1;
    int wakeFd_ = -1;  // eventfd written by cancel()
    bool pseudoTerminal_ = false;
    std::string path_;
    std::atomic<bool> cancelled_{false};
};

// The baud rates a line can be set to (the standard terminal rates).
bool isSupportedBaud(int baud);

// Whether a device could be opened as a serial line now, and if not, why. It
// takes the device the way open() does and lets it go at once, so a port held
// by anyone (this program included) reads as busy.
PortState probeSerialDevice(const std::string& path);

}  // namespace sondrel

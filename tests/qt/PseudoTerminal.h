#pragma once
// A pseudo-terminal pair for serial tests: the program opens the slave as its
// port, the test plays the device on the master side. Closing the master is a
// device that disappears.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sondrel::test {

class PseudoTerminal {
  public:
    PseudoTerminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            throw std::runtime_error("no pseudo-terminal");
        char name[128];
        if (::ptsname_r(master_, name, sizeof name) != 0) throw std::runtime_error("ptsname");
        slavePath_ = name;
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PseudoTerminal() { closeMaster(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& slavePath() const { return slavePath_; }

    void write(const std::vector<std::uint8_t>& bytes) { write(bytes.data(), bytes.size()); }
    void write(std::string_view text) {
        write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    }
    void write(const std::uint8_t* data, std::size_t size) {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t w = ::write(master_, data + done, size - done);
            if (w > 0) {
                done += static_cast<std::size_t>(w);
            } else if (w < 0 && errno == EAGAIN) {
                struct pollfd p = {master_, POLLOUT, 0};
                ::poll(&p, 1, 100);
            } else {
                throw std::runtime_error("write to pseudo-terminal master failed");
            }
        }
    }

    // What the program wrote, waiting up to timeoutMs for n bytes to arrive.
    std::vector<std::uint8_t> read(std::size_t n, int timeoutMs) {
        std::vector<std::uint8_t> got;
        const QDeadlineTimer deadline(timeoutMs);
        std::uint8_t buffer[1024];
        while (got.size() < n) {
            const ssize_t r = ::read(master_, buffer, std::min(sizeof buffer, n - got.size()));
            if (r > 0) {
                got.insert(got.end(), buffer, buffer + r);
                continue;
            }
            if (r < 0 && errno != EAGAIN) break;  // EIO: nobody holds the slave
            const qint64 left = deadline.remainingTime();
            if (left <= 0) break;
            struct pollfd p = {master_, POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(left));
        }
        return got;
    }
    // Whatever the program has written so far, without waiting.
    std::vector<std::uint8_t> drain() { return read(1 << 20, 0); }

    void closeMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

  private:
    int master_ = -1;
    std::string slavePath_;
};

// Runs the event loop until pred holds; false if it still does not after
// timeoutMs. The bound only turns a hang into a failure: no test measures time.
template <class Pred>
bool waitUntil(Pred pred, int timeoutMs = 10000) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// Lets the event loop run for a while, for checks that something does NOT happen.
inline void runEventsFor(int ms) {
    waitUntil([] { return false; }, ms);
}

}  // namespace sondrel::test

#include "acquisition/qt/SerialDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>

namespace sondrel {
namespace {

long long nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

long long deadlineAfterMs(int timeoutMs) {
    return nowNs() + static_cast<long long>(timeoutMs < 0 ? 0 : timeoutMs) * 1'000'000LL;
}

struct BaudSpeed {
    int baud;
    speed_t speed;
};
constexpr BaudSpeed kBaudSpeeds[] = {
    {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
    {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

bool speedFor(int baud, speed_t& speed) {
    for (const BaudSpeed& entry : kBaudSpeeds) {
        if (entry.baud == baud) {
            speed = entry.speed;
            return true;
        }
    }
    return false;
}

// Unix98 pseudo-terminal slaves live on majors 136..143.
bool isPtySlave(const struct stat& st) {
    const unsigned m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

}  // namespace

bool isSupportedBaud(int baud) {
    speed_t unused;
    return speedFor(baud, unused);
}

PortState probeSerialDevice(const std::string& path) {
    auto stateOf = [](int error) {
        switch (error) {
            case ENOENT:
            case ENOTDIR:
                return PortState::Missing;
            case EACCES:
            case EPERM:
                return PortState::NoPermission;
            case EBUSY:
            case EWOULDBLOCK:
                return PortState::Busy;
            case ENXIO:
            case ENODEV:
            case EIO:
                return PortState::NoHardware;
            case ENOTTY:
            case EINVAL:
                return PortState::NotATerminal;
            default:
                return PortState::Failed;
        }
    };
    if (isRefusedComDevice(path)) return PortState::NotATerminal;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return stateOf(errno);
    PortState state = PortState::Available;
    struct stat st {};
    struct termios tio {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
        state = PortState::NotATerminal;
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        state = PortState::Busy;
    } else if (::tcgetattr(fd, &tio) != 0) {
        state = stateOf(errno);
    }
    ::close(fd);  // also lets the lock go
    return state;
}

SerialDevice::SerialDevice() {
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

SerialDevice::~SerialDevice() {
    close();
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

bool SerialDevice::open(const std::string& path, int baud) {
    close();
    speed_t speed;
    if (path.empty() || !speedFor(baud, speed) || isRefusedComDevice(path)) return false;

    // Non-blocking so that opening never waits for carrier and every later wait
    // goes through poll with its own deadline.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    auto fail = [fd] {
        ::close(fd);
        return false;
    };

    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return fail();
    const bool pty = isPtySlave(st);

    // Exclusive: flock keeps out our own second instance and the port scan even
    // when running as root, which the terminal's exclusive mode (set last, once
    // nothing can fail) does not.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail();

    struct termios tio {};
    if (::tcgetattr(fd, &tio) != 0) return fail();  // not a terminal
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    // With VMIN 0 a read without data returns 0, which could not be told from a
    // hang-up; with 1 and O_NONBLOCK it fails with EAGAIN instead.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    const bool settingsApplied = ::cfsetispeed(&tio, speed) == 0 &&
                                 ::cfsetospeed(&tio, speed) == 0 &&
                                 ::tcsetattr(fd, TCSANOW, &tio) == 0;
    if (!settingsApplied && !pty) return fail();

    ::ioctl(fd, TIOCEXCL);
    ::tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    pseudoTerminal_ = pty;
    path_ = path;
    return true;
}

void SerialDevice::close() {
    if (fd_ < 0) return;
    // The exclusive flag belongs to the terminal, not to this descriptor: a
    // pseudo-terminal keeps it after we let go and would refuse the next open.
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);  // also releases the flock
    fd_ = -1;
    pseudoTerminal_ = false;
    path_.clear();
}

bool SerialDevice::waitFor(short events, long long deadlineNs) {
    if (cancelled()) return false;
    const long long remaining = deadlineNs - nowNs();
    if (remaining <= 0) return false;
    struct pollfd fds[2] = {{fd_, events, 0}, {wakeFd_, POLLIN, 0}};
    struct timespec ts {
        static_cast<time_t>(remaining / 1'000'000'000LL),
            static_cast<long>(remaining % 1'000'000'000LL)
    };
    const int n = ::ppoll(fds, wakeFd_ >= 0 ? 2 : 1, &ts, nullptr);
    if (n < 0) return errno == EINTR;
    if (cancelled()) return false;
    // A hung-up or failed line has nothing more to give: end the wait now
    // rather than spin on it until the deadline.
    if ((fds[0].revents & events) == 0 && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
        return false;
    return true;
}

std::size_t SerialDevice::readFor(std::uint8_t* dst, std::size_t n, int timeoutMs) {
    if (fd_ < 0 || n == 0) return 0;
    const long long deadline = deadlineAfterMs(timeoutMs);
    std::size_t got = 0;
    while (got < n && !cancelled()) {
        const ssize_t r = ::read(fd_, dst + got, n - got);
        if (r > 0) {
            got += static_cast<std::size_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        // 0 is a hang-up; any error other than "nothing yet" means the device is gone.
        if (r == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) break;
        if (!waitFor(POLLIN, deadline)) break;
    }
    return got;
}

std::size_t SerialDevice::bytesWaiting() const {
    if (fd_ < 0) return 0;
    int n = 0;
    if (::ioctl(fd_, FIONREAD, &n) != 0 || n < 0) return 0;
    return static_cast<std::size_t>(n);
}

std::size_t SerialDevice::writeAll(const std::uint8_t* src, std::size_t n, int timeoutMs) {
    if (fd_ < 0 || n == 0) return 0;
    const long long deadline = deadlineAfterMs(timeoutMs);
    std::size_t done = 0;
    while (done < n && !cancelled()) {
        const ssize_t w = ::write(fd_, src + done, n - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return done;
        if (!waitFor(POLLOUT, deadline)) return done;
    }
    // The write is complete when the bytes have left the output queue, not when
    // the driver took them: RTS keying depends on that.
    while (!cancelled()) {
        int queued = 0;
        if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) break;
        const long long remaining = deadline - nowNs();
        if (remaining <= 0) break;
        struct pollfd wake = {wakeFd_, POLLIN, 0};
        struct timespec ts {
            0, static_cast<long>(remaining < 200'000 ? remaining : 200'000)
        };
        ::ppoll(&wake, wakeFd_ >= 0 ? 1 : 0, &ts, nullptr);
    }
    return done;
}

void SerialDevice::purgeReceive() {
    if (fd_ >= 0) ::tcflush(fd_, TCIFLUSH);
}

void SerialDevice::purgeTransmit() {
    // A pseudo-terminal has no transmitter: what was written already sits in
    // the other end's input, and flushing "output" would discard it there.
    if (fd_ >= 0 && !pseudoTerminal_) ::tcflush(fd_, TCOFLUSH);
}

bool SerialDevice::setRts(bool raised) {
    if (fd_ < 0) return false;
    int bits = TIOCM_RTS;
    return ::ioctl(fd_, raised ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

void SerialDevice::cancel() {
    cancelled_.store(true, std::memory_order_release);
    if (wakeFd_ >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t w = ::write(wakeFd_, &one, sizeof one);
    }
}

void SerialDevice::resetCancel() {
    if (wakeFd_ >= 0) {
        std::uint64_t value;
        [[maybe_unused]] ssize_t r = ::read(wakeFd_, &value, sizeof value);
    }
    cancelled_.store(false, std::memory_order_release);
}

}  // namespace sondrel

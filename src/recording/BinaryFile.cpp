#include "recording/BinaryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace sondrel {

static_assert(sizeof(off_t) >= 8, "data files need 64-bit file positions");

BinaryFile::~BinaryFile() {
    close();
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      position_(std::exchange(other.position_, 0)),
      lastError_(std::exchange(other.lastError_, 0)),
      path_(std::move(other.path_)) {}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        position_ = std::exchange(other.position_, 0);
        lastError_ = std::exchange(other.lastError_, 0);
        path_ = std::move(other.path_);
    }
    return *this;
}

bool BinaryFile::openRead(const std::string& path) {
    close();
    lastError_ = 0;
    path_ = path;
    do {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        lastError_ = errno;
        return false;
    }
    // Opening a directory succeeds on POSIX; reading it would fail later with
    // a less helpful message.
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        lastError_ = EISDIR;
        return false;
    }
    position_ = 0;
    return true;
}

bool BinaryFile::create(const std::string& path) {
    close();
    lastError_ = 0;
    path_ = path;
    do {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        lastError_ = errno;
        return false;
    }
    position_ = 0;
    return true;
}

std::size_t BinaryFile::read(void* buffer, std::size_t count) {
    if (fd_ < 0) {
        lastError_ = EBADF;
        return 0;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd_, out + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            lastError_ = errno;
            break;
        }
    }
    position_ += static_cast<std::int64_t>(done);
    return done;
}

bool BinaryFile::write(const void* data, std::size_t count) {
    if (fd_ < 0) {
        lastError_ = EBADF;
        return false;
    }
    const auto* in = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, in + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n == 0) {
            // A write that makes no progress would loop forever; the usual cause
            // is a full device.
            lastError_ = ENOSPC;
            break;
        } else if (errno != EINTR) {
            lastError_ = errno;
            break;
        }
    }
    position_ += static_cast<std::int64_t>(done);
    return done == count;
}

bool BinaryFile::seek(std::int64_t position) {
    if (fd_ < 0) {
        lastError_ = EBADF;
        return false;
    }
    if (position < 0) {
        lastError_ = EINVAL;
        return false;
    }
    const off_t at = ::lseek(fd_, static_cast<off_t>(position), SEEK_SET);
    if (at < 0) {
        lastError_ = errno;
        return false;
    }
    position_ = static_cast<std::int64_t>(at);
    return true;
}

std::int64_t BinaryFile::size() const {
    if (fd_ < 0) return -1;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool BinaryFile::flush() {
    if (fd_ < 0) return false;
    // Nothing is buffered here; the data is with the system already.
    return true;
}

bool BinaryFile::close() {
    if (fd_ < 0) return true;
    const int rc = ::close(fd_);
    fd_ = -1;
    position_ = 0;
    if (rc != 0 && errno != EINTR) {
        lastError_ = errno;
        return false;
    }
    return true;
}

std::string BinaryFile::errorText() const {
    if (lastError_ == 0) return {};
    return std::strerror(lastError_);
}

}  // namespace sondrel

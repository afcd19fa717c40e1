#include "recording/BinaryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
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

namespace {

// Opens without waiting: a named pipe opened the usual way blocks until the
// other end opens, which may be never, and takes the program with it.
int openWithoutWaiting(const std::string& path, int flags, mode_t mode = 0) {
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Reads and writes after the open may wait as usual.
void allowWaiting(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

}  // namespace

bool BinaryFile::openRead(const std::string& path) {
    close();
    lastError_ = 0;
    path_ = path;
    fd_ = openWithoutWaiting(path, O_RDONLY);
    if (fd_ < 0) {
        lastError_ = errno;
        return false;
    }
    // A data file is read by record and by position: a folder, a pipe or a
    // device cannot be one, and reading a pipe or a terminal could wait forever.
    struct stat st {};
    int refused = 0;
    if (::fstat(fd_, &st) != 0) {
        refused = errno;
    } else if (S_ISDIR(st.st_mode)) {
        refused = EISDIR;
    } else if (!S_ISREG(st.st_mode)) {
        refused = kNotRegularFile;
    }
    if (refused != 0) {
        lastError_ = refused;
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    allowWaiting(fd_);
    position_ = 0;
    return true;
}

bool BinaryFile::create(const std::string& path) {
    close();
    lastError_ = 0;
    path_ = path;
    // A pipe nobody reads fails here at once (ENXIO) instead of waiting for a
    // reader; a device such as /dev/null stays a valid place to write to.
    fd_ = openWithoutWaiting(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd_ < 0) {
        lastError_ = errno;
        return false;
    }
    allowWaiting(fd_);
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

bool BinaryFile::truncate(std::int64_t length) {
    if (fd_ < 0) {
        lastError_ = EBADF;
        return false;
    }
    int rc = 0;
    do {
        rc = ::ftruncate(fd_, static_cast<off_t>(length));
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        lastError_ = errno;
        return false;
    }
    return seek(length);
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

bool BinaryFile::syncData() {
    if (fd_ < 0) {
        lastError_ = EBADF;
        return false;
    }
    int rc = 0;
    do {
        rc = ::fdatasync(fd_);
    } while (rc != 0 && errno == EINTR);
    // A device such as /dev/null cannot be synchronised and need not be.
    if (rc != 0 && errno != EINVAL && errno != EROFS) {
        lastError_ = errno;
        return false;
    }
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

bool BinaryFile::stillAtItsName() {
    if (fd_ < 0) {
        lastError_ = EBADF;
        return false;
    }
    struct stat open {
    }, named{};
    if (::fstat(fd_, &open) != 0 || ::stat(path_.c_str(), &named) != 0 ||
        open.st_dev != named.st_dev || open.st_ino != named.st_ino) {
        lastError_ = ENOENT;
        return false;
    }
    return true;
}

PartialFile removePartialFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return PartialFile::NoFile;
    // Through a link, the file itself is the part to remove.
    std::string target = path;
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    if (::unlink(target.c_str()) == 0) return PartialFile::Removed;
    return errno == ENOENT ? PartialFile::NoFile : PartialFile::Kept;
}

std::string BinaryFile::errorText() const {
    if (lastError_ == 0) return {};
    if (lastError_ == kNotRegularFile) return "not a regular file (a pipe, a device or a socket)";
    return std::strerror(lastError_);
}

}  // namespace sondrel

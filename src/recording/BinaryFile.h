#pragma once
// BinaryFile: one open file with 64-bit positions, used for recording, playback
// and conversion. Reads report how many bytes actually came, so a caller can
// tell a short read at the end of a file from a full one and never decode stale
// bytes; writes report failure (short write, full disk, file too large) with
// the system's error text.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace sondrel {

// lastError() of an open refused because the name is no regular file (a
// named pipe, a device, a socket); folders give EISDIR.
inline constexpr int kNotRegularFile = -1;

class BinaryFile {
  public:
    BinaryFile() = default;
    ~BinaryFile();
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;
    BinaryFile(BinaryFile&& other) noexcept;
    BinaryFile& operator=(BinaryFile&& other) noexcept;

    // Opens an existing regular file for reading only. Closes any file open
    // before. Never waits: a named pipe or a device is refused at once.
    bool openRead(const std::string& path);
    // Creates a file for writing only, truncating one that exists. Never
    // waits for the reader of a named pipe.
    bool create(const std::string& path);
    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

    // Reads up to `count` bytes at the current position; returns the number of
    // bytes read (fewer only at the end of the file or on an error).
    std::size_t read(void* buffer, std::size_t count);
    // Writes all `count` bytes or reports failure.
    bool write(const void* data, std::size_t count);
    bool seek(std::int64_t position);
    // Cuts the file to `length` bytes and goes on writing there. Shrinking is
    // allowed even where growing is not (a file size limit, a full disk).
    bool truncate(std::int64_t length);
    std::int64_t tell() const { return position_; }
    // Current length of the file in bytes, -1 when it cannot be known.
    std::int64_t size() const;
    bool flush();
    // Asks the system to put the data written so far on the disk (fdatasync),
    // so that a power cut cannot take it. Slow: milliseconds on a real disk.
    bool syncData();
    // Closes the file; returns false when the system reported an error on close
    // (data that could not be written back).
    bool close();
    // Whether the open file is still the one its name leads to. A folder removed
    // while a file in it is written (a memory stick pulled, a share unmounted,
    // a folder deleted) takes the name away, and the writes that follow succeed
    // into a file nobody can reach again. False with lastError() ENOENT then.
    bool stillAtItsName();

    // The errno of the last failed operation (0 after a success, or
    // kNotRegularFile) and its text.
    int lastError() const { return lastError_; }
    std::string errorText() const;

  private:
    int fd_ = -1;
    std::int64_t position_ = 0;
    int lastError_ = 0;
    std::string path_;
};

// Removes a file left incomplete by a failed write or a cancel. Only a regular
// file is one: a device or a pipe named as the output (/dev/full, a terminal)
// stays, and a link stays while the file it leads to goes.
enum class PartialFile { Removed, NoFile, Kept };
PartialFile removePartialFile(const std::string& path);

// Puts a file being recorded on the disk at most once per interval, so a
// power cut loses at most the last interval of a survey while a sync, which
// takes milliseconds on a real disk, is not paid for every ping.
class PeriodicSync {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kDefaultInterval{1000};

    explicit PeriodicSync(std::chrono::milliseconds interval = kDefaultInterval)
        : interval_(interval) {}

    // A new file: its first sync is one interval from `now`.
    void restart(Clock::time_point now = Clock::now()) {
        last_ = now;
        count_ = 0;
    }
    // Syncs `file` when an interval has passed since the last sync; false
    // only when a sync was due and failed (the file's error says why).
    bool syncIfDue(BinaryFile& file, Clock::time_point now = Clock::now()) {
        if (now - last_ < interval_) return true;
        last_ = now;
        ++count_;
        return file.syncData();
    }
    std::int64_t count() const { return count_; }

  private:
    std::chrono::milliseconds interval_;
    Clock::time_point last_{};
    std::int64_t count_ = 0;
};

}  // namespace sondrel

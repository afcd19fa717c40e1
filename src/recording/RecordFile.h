#pragma once
// A data file being recorded, for the window's recorder and sondrel-record
// alike: each ping goes in as one whole record in one write, the file is put
// on the disk at most once an interval, and closing checks both the last sync
// and the close. A write that fails part-way is cut back to the last whole
// record, so the file only ever holds whole records. What a failure does to
// the recording is the recorder's to decide; the file says what went wrong.

#include <chrono>
#include <cstdint>
#include <string>

#include "recording/BinaryFile.h"

namespace sondrel {

struct Ping;

class RecordFile {
  public:
    explicit RecordFile(std::chrono::milliseconds syncInterval = PeriodicSync::kDefaultInterval)
        : sync_(syncInterval) {}

    // Creates (truncates) the file; false with errorText() saying why.
    bool create(const std::string& path);
    bool isOpen() const { return file_.isOpen(); }
    const std::string& path() const { return file_.path(); }

    // Appends a ping as one record, and puts the file on the disk
    // when a sync is due. False when the write or the sync failed: the file
    // then ends on the record before (endsOnWholeRecord() unless cutting it
    // back failed too) and stays open for close().
    bool append(const Ping& ping);
    // Puts everything on the disk and closes; false when the system reported
    // an error on either (then the last records may be missing).
    bool close();

    std::int64_t records() const { return records_; }
    std::int64_t bytes() const { return bytes_; }
    bool endsOnWholeRecord() const { return wholeRecords_; }
    // What a failed append left, in the words every recorder tells it with.
    std::string keptAfterFailure() const;
    // The system's error of the last failure of create, append or close.
    const std::string& errorText() const { return errorText_; }
    int lastError() const { return error_; }

  private:
    void keepError();

    BinaryFile file_;
    PeriodicSync sync_;
    std::int64_t records_ = 0;
    std::int64_t bytes_ = 0;
    bool wholeRecords_ = true;
    int error_ = 0;
    std::string errorText_;
};

}  // namespace sondrel

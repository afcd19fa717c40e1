#pragma once
// The recorder of an unattended run: one data file for the whole run. The
// cycle keeps it recording through every reconnect, so a head that drops out
// for a while costs pings, never the file.

#include <cstdint>
#include <string>

#include "acquisition/Links.h"
#include "recording/RecordFile.h"

namespace sondrel::record {

class FileRecorder : public PingRecorder {
  public:
    explicit FileRecorder(CSondrelDoc& doc) : doc_(doc) {}

    // Creates the file (an existing one only when `overwrite`); false with
    // error() set when it cannot.
    bool open(const std::string& path, bool overwrite);
    // No record is written after this many (the run ends there).
    void setLimit(std::int64_t records) { limit_ = records; }
    bool full() const { return limit_ > 0 && recorded_ >= limit_; }
    // Records from the next valid ping on (the connect that starts the run
    // closes "the recording" first, as every connect does).
    void start();
    // Closes the file complete; false when the system reported an error.
    bool finish();
    // After finish: removes the file when it holds no record and did not exist
    // before the run (a file that was replaced with --overwrite stays).
    void removeIfEmpty();

    void recordPing(CSondrelDoc& doc) override;
    void closeRecordFile(CSondrelDoc& doc) override;

    std::int64_t recorded() const { return recorded_; }
    bool failed() const { return failed_; }
    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }

  private:
    CSondrelDoc& doc_;
    RecordFile file_;
    std::string path_;
    std::int64_t recorded_ = 0;
    std::int64_t limit_ = 0;
    bool failed_ = false;
    bool createdByRun_ = false;
    std::string error_;
};

}  // namespace sondrel::record

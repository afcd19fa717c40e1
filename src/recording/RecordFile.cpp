#include "recording/RecordFile.h"

#include "recording/RecordFormat.h"

namespace sondrel {

bool RecordFile::create(const std::string& path) {
    records_ = bytes_ = 0;
    wholeRecords_ = true;
    error_ = 0;
    errorText_.clear();
    if (!file_.create(path)) {
        keepError();
        return false;
    }
    sync_.restart();
    return true;
}

void RecordFile::keepError() {
    error_ = file_.lastError();
    errorText_ = file_.errorText();
}

bool RecordFile::append(const Ping& ping) {
    if (!file_.isOpen()) return false;
    const std::int64_t before = file_.tell();
    if (!writeRecord(ping, file_)) {
        // A part of a record at the end would only be skipped by a reader;
        // cutting it off leaves a file of whole records. The write's error
        // is the one to tell, whatever the cut does.
        keepError();
        if (file_.tell() != before) wholeRecords_ = file_.truncate(before);
        bytes_ = before;
        return false;
    }
    ++records_;
    bytes_ = file_.tell();
    // A record goes to the system in one write, so a killed program leaves
    // whole records; what a power cut would take is limited by the sync.
    if (sync_.syncIfDue(file_)) return true;
    keepError();
    return false;
}

std::string RecordFile::keptAfterFailure() const {
    std::string text = "Everything recorded up to this point is kept in the file";
    if (!wholeRecords_) text += ", followed by a part of a record that could not be cut off";
    return text + ".";
}

bool RecordFile::close() {
    if (!file_.isOpen()) return true;
    // The sync's error says more than the close's that follows it.
    const bool synced = file_.syncData();
    if (!synced) keepError();
    const bool closed = file_.close();
    if (synced && !closed) keepError();
    return synced && closed;
}

}  // namespace sondrel

#include "FileRecorder.h"

#include <sys/stat.h>
#include <unistd.h>

#include "acquisition/SondrelDoc.h"

namespace sondrel::record {

bool FileRecorder::open(const std::string& path, bool overwrite) {
    struct stat st {};
    const bool existed = ::lstat(path.c_str(), &st) == 0;
    if (!overwrite && existed) {
        error_ = path + " exists (use --overwrite to replace it)";
        return false;
    }
    if (!file_.create(path)) {
        error_ = "cannot create " + path + ": " + file_.errorText();
        return false;
    }
    path_ = path;
    createdByRun_ = !existed;
    return true;
}

void FileRecorder::start() {
    if (file_.isOpen() && !failed_ && !full()) doc_.flags.recordingActive = true;
}

void FileRecorder::recordPing(CSondrelDoc& doc) {
    if (!file_.isOpen() || failed_ || full()) return;
    const bool written = file_.append(doc.ping);
    recorded_ = file_.records();
    if (written) {
        if (full()) doc.flags.recordingActive = false;
        return;
    }
    // A full disk or a vanished device: keep every complete record written so
    // far and stop recording; the run ends with what the file holds.
    failed_ = true;
    error_ = "writing " + path_ + " failed: " + file_.errorText() + ". " + file_.keptAfterFailure();
    doc.flags.recordingActive = false;
}

void FileRecorder::closeRecordFile(CSondrelDoc& doc) {
    doc.flags.recordingActive = false;
}

void FileRecorder::removeIfEmpty() {
    if (createdByRun_ && recorded_ == 0 && !file_.isOpen()) ::unlink(path_.c_str());
}

bool FileRecorder::finish() {
    doc_.flags.recordingActive = false;
    if (!file_.isOpen()) return !failed_;
    const bool ok = file_.close();
    if (!ok && !failed_) {
        failed_ = true;
        error_ = "closing " + path_ + " failed: " + file_.errorText();
    }
    return ok && !failed_;
}

}  // namespace sondrel::record

#pragma once
// Recording: every valid ping appended to a data file while the operator lets
// it run, the copy of played records into a new file during playback, and the
// one-record capture. The file being written belongs to the recorder alone.
//
// A write that fails (full disk, file too large, device gone) ends the
// recording at once: the file is cut back to its last complete record and
// closed, the operator is told once, and acquisition or playback goes on. A
// close the system reports as failed is told too.

#include <cstdint>
#include <string>

#include "acquisition/Links.h"
#include "recording/RecordFile.h"

namespace sondrel {

class AcquisitionCycle;
class CSondrelDoc;
class FileWindows;
class OperatorPort;

inline constexpr const char* kRecordExtension = ".qzr";

// writeDirectory + "Sondrel " + date text + " hhmmss" + ".qzr", from the date of
// the current ping and the hour, minute and second of the last time stamp.
std::string automaticRecordName(const CSondrelDoc& doc);
// writeDirectory + "D <metres> <centimetres> C<counter>.qzr"; both parts of the
// distance are truncated toward zero, so -1.25 m gives "D -1 -25".
std::string captureFileName(const CSondrelDoc& doc);
// The note a capture leaves: where the frame went.
std::string frameCapturedText(const std::string& path);

class Recorder : public PingRecorder {
  public:
    // `cycle` is the one whose Hold command a capture runs; without one (a
    // headless use) a capture releases its hold in the document alone.
    Recorder(CSondrelDoc& doc, OperatorPort& operatorPort, FileWindows& windows,
             AcquisitionCycle* cycle = nullptr);
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // "Record Start (Stop)".
    void startStopRecording();
    // The file to record into (full path), or empty when recording must not start.
    std::string chooseRecordName();
    // "Set Record Directory...".
    void setRecordDirectory();
    // "Auto Save File Names".
    void toggleAutoFileNames();
    // "Capture Frame": the current ping alone into a small file of its own.
    void captureFrame();

    // PingRecorder: one valid ping, live or played.
    void recordPing(CSondrelDoc& doc) override;
    void closeRecordFile(CSondrelDoc& doc) override;

    bool isRecording() const { return file_.isOpen(); }
    // The file being written, empty when none.
    std::string filePath() const { return file_.isOpen() ? file_.path() : std::string(); }
    std::int64_t recordsWritten() const { return file_.records(); }

  private:
    void endAfterWriteError();
    void releaseCaptureHold(bool holdSet, bool wasHeld);

    CSondrelDoc& doc_;
    OperatorPort& operator_;
    FileWindows& windows_;
    AcquisitionCycle* const cycle_;
    RecordFile file_;
};

}  // namespace sondrel

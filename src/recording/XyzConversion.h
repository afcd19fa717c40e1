#pragma once
// "Convert .QZR file to .xyz...": the chosen data file is opened for playback
// and converted to a text file beside it by the command-line converter's own
// code, so that the same file and settings give the same bytes. The records
// are converted away from the window, as fast as the disks allow, while
// playback goes on at its own pace; every record read with a valid return
// header adds its accepted profile points once. At the end the operator hears
// "Conversion Complete!" or why the file could not be written, and a
// conversion that failed or was cancelled leaves no part of a file behind.
//
// The conversion reads and writes with a document and files of its own, so
// nothing the operator does meanwhile (another file, a connect, a recording)
// disturbs it, and it disturbs nothing.

#include <cstdint>
#include <memory>
#include <string>

#include "recording/DataFileConverter.h"

namespace sondrel {

class CSondrelDoc;
class JobProgress;
class OperatorPort;
class Player;

class XyzConversion {
  public:
    XyzConversion(CSondrelDoc& doc, OperatorPort& operatorPort);
    ~XyzConversion();
    XyzConversion(const XyzConversion&) = delete;
    XyzConversion& operator=(const XyzConversion&) = delete;

    // The command, on the window's thread: `player` asks for the file and
    // plays it, and the output is created. Refused while a conversion runs
    // (the command is greyed then too). Returns whether there is now a
    // conversion for run().
    bool start(Player& player);
    // Converts the records, on any thread, to the end of the file or until
    // `progress` is cancelled; reports to `progress` as it goes. Touches
    // nothing of the window's document.
    void run(JobProgress& progress);
    // Back on the window's thread once run() has returned: tells the operator
    // how it ended (nothing after a cancel), and lets the next one start.
    void finish();

    // Between start() and finish().
    bool running() const { return job_ != nullptr; }
    // The file being written, empty when none.
    std::string outputPath() const { return job_ ? job_->output() : std::string(); }
    // What the last conversion to run came to.
    const ConversionResult& lastResult() const { return last_; }

  private:
    CSondrelDoc& doc_;
    OperatorPort& operator_;
    // The conversion's own document, shaped by the settings on screen.
    std::unique_ptr<CSondrelDoc> jobDoc_;
    std::unique_ptr<DataFileConversion> job_;
    ConversionResult last_;
};

}  // namespace sondrel

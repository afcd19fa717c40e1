#pragma once
// Headless conversion of a data file to an XYZ point list: every record is read
// into the document exactly as playback reads it, one profile pass runs over
// it, and its accepted points go to the export. Each record is written once.
//
// A record whose return header is invalid is skipped. A record cut short by
// the end of the file ends the conversion (its bytes are counted as trailing).
// A record with a data size code this program cannot size also ends it: the
// records after it cannot be found reliably, so the points converted so far are
// kept and the stop is reported.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "recording/BinaryFile.h"

namespace sondrel {

class CSondrelDoc;

enum class ConversionError {
    None,
    InputUnreadable,   // cannot be opened or read
    InputEmpty,        // too short to hold a record header, or no complete record
    OutputUnwritable,  // cannot be created, or a write failed
    SameFile,          // the output would overwrite the input
    Cancelled,         // stopped on request; the output was removed
};

struct ConversionSummary {
    std::int64_t recordsRead = 0;     // records converted
    std::int64_t recordsSkipped = 0;  // records with an invalid return header
    std::int64_t pointsWritten = 0;
    std::int64_t trailingBytes = 0;  // bytes after the last whole record, not converted
    bool stoppedAtUnsizableRecord = false;
    std::int64_t stopPosition = 0;  // where that record starts
};

struct ConversionResult {
    ConversionError error = ConversionError::None;
    std::string message;  // what went wrong, for the operator; empty when nothing did
    ConversionSummary summary;
    bool ok() const { return error == ConversionError::None; }
};

// Called now and then with the bytes converted so far and the file's length.
using ConversionProgress = std::function<void(std::int64_t done, std::int64_t total)>;
// Asked between records; true stops the conversion.
using ConversionCancelled = std::function<bool()>;

// What a message adds when a writer has removed the part of its output that
// a failure or a cancel left.
inline constexpr const char* kPartialFileRemoved = "the incomplete file was removed";
// The same when the part could not be removed.
inline constexpr const char* kPartialFileKept = "the incomplete file could not be removed";
// The reason given when an output lost its name while it was written.
inline constexpr const char* kRemovedWhileWritten =
    "the file or its folder was removed while it was written";

// Whether two existing files are one (the same device and inode, whatever the
// names): an output must never be its input.
bool sameInode(const std::string& a, const std::string& b);

// Opens a data file for reading its records: a failure when it cannot be read
// or is too short to hold a record header.
ConversionResult openDataFile(BinaryFile& in, const std::string& input, std::int64_t& length);
// Puts the document in the state of playing an opened file of `length` bytes
// from its first record without a window (not held, no pings counted yet);
// returns the playback flag it had, for the caller to put back.
bool startWindowlessPlay(CSondrelDoc& doc);
// Reads every record of an opened file into the document exactly as playback
// reads it and calls `onValidRecord` for each record whose header is valid;
// it returns false to stop. Counts, stops and read errors go into `result`;
// `progress` hears of the end of the file only when the walk got there.
void walkRecords(CSondrelDoc& doc, BinaryFile& in, const std::string& input, std::int64_t length,
                 ConversionResult& result, const std::function<bool()>& onValidRecord,
                 const ConversionProgress& progress = {});

// After a run whose output failed or was cancelled, and was closed: removes
// what it left (a device named as the output stays), and the message says so.
PartialFile discardPartialOutput(const std::string& output, ConversionResult& result);

class XyzWriter;

// One conversion to an XYZ point list in two steps: the files are opened where
// the operator can be told at once what is wrong with them, and the records
// are converted where it suits, on another thread if need be (the conversion
// then touches nothing but its own document and files). The command-line
// converter and the desktop program's both run through here, so that the same
// file and settings give the same bytes.
class DataFileConversion {
  public:
    // `doc` should carry the display settings that shape the points (roll
    // correction, profile minimum range); it is left holding the last record read.
    DataFileConversion(CSondrelDoc& doc, std::string input, std::string output);
    ~DataFileConversion();
    DataFileConversion(const DataFileConversion&) = delete;
    DataFileConversion& operator=(const DataFileConversion&) = delete;

    // Opens the input and creates (truncates) the output; false with result()
    // saying why, and createError() the system's error when the output could
    // not be created.
    bool open();
    // Converts every record and closes the output. A failed write, a cancel or
    // an output that lost its name on the way ends it with the output removed.
    const ConversionResult& run(const ConversionProgress& progress = {},
                                const ConversionCancelled& cancelled = {});

    const ConversionResult& result() const { return result_; }
    const std::string& input() const { return input_; }
    const std::string& output() const { return output_; }
    int createError() const { return createError_; }
    // The system's reason of a failed write or close; empty otherwise.
    const std::string& writeError() const { return writeError_; }
    // What became of the output of a run that failed or was cancelled.
    PartialFile partialOutput() const { return partial_; }

  private:
    CSondrelDoc& doc_;
    std::string input_, output_;
    BinaryFile in_;
    std::unique_ptr<XyzWriter> writer_;
    std::int64_t length_ = 0;
    int createError_ = 0;
    std::string writeError_;
    PartialFile partial_ = PartialFile::NoFile;
    ConversionResult result_;
};

// Converts `input` into `output` (created or truncated), as above in one go.
ConversionResult convertDataFile(CSondrelDoc& doc, const std::string& input,
                                 const std::string& output,
                                 const ConversionProgress& progress = {});

}  // namespace sondrel

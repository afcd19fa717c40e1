#include "recording/DataFileConverter.h"

#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "acquisition/PingPath.h"
#include "acquisition/SondrelDoc.h"
#include "display/ProfilePass.h"
#include "recording/BinaryFile.h"
#include "recording/RecordFormat.h"
#include "recording/XyzExport.h"

namespace sondrel {

namespace {

// Progress is reported every this many records, so a callback that redraws a
// terminal line costs nothing measurable.
constexpr std::int64_t kProgressEvery = 512;

ConversionResult failure(ConversionError error, std::string message) {
    ConversionResult result;
    result.error = error;
    result.message = std::move(message);
    return result;
}

}  // namespace

bool sameInode(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool startWindowlessPlay(CSondrelDoc& doc) {
    const bool wasPlaying = doc.flags.playbackActive;
    if (!wasPlaying) doc.ping.settings = liveSettings(doc);
    doc.flags.playbackActive = true;
    doc.flags.holdActive = false;
    doc.ping.echoLong.fill(0);
    doc.pings.pingCount = 0;
    return wasPlaying;
}

ConversionResult openDataFile(BinaryFile& in, const std::string& input, std::int64_t& length) {
    if (!in.openRead(input)) {
        return failure(ConversionError::InputUnreadable,
                       input + ": cannot open: " + in.errorText());
    }
    length = in.size();
    if (length < 0) {
        return failure(ConversionError::InputUnreadable,
                       input + ": cannot read its length: " + in.errorText());
    }
    if (length < static_cast<std::int64_t>(kRecordHeaderSize)) {
        return failure(ConversionError::InputEmpty,
                       input + ": file has no data (" + std::to_string(length) + " bytes)");
    }
    return {};
}

void walkRecords(CSondrelDoc& doc, BinaryFile& in, const std::string& input, std::int64_t length,
                 ConversionResult& result, const std::function<bool()>& onValidRecord,
                 const ConversionProgress& progress) {
    ConversionSummary& s = result.summary;
    std::int64_t position = 0;
    std::int64_t records = 0;
    bool stopped = false;
    while (true) {
        const ReadOutcome outcome = readRecord(doc, in, position);
        if (outcome.status == ReadStatus::EndOfFile) {
            s.trailingBytes = length - position;
            if (in.lastError() != 0) {
                result.error = ConversionError::InputUnreadable;
                result.message = input + ": read error: " + in.errorText();
            }
            break;
        }
        if (outcome.status == ReadStatus::Unsizable) {
            s.stoppedAtUnsizableRecord = true;
            s.stopPosition = position;
            break;
        }
        if (outcome.status == ReadStatus::Valid) {
            doc.link.noNewData = 0;
            ++doc.pings.pingCount;
            ++s.recordsRead;
            if (!onValidRecord()) {
                stopped = true;
                break;
            }
        } else {
            ++s.recordsSkipped;
        }
        position = outcome.nextPosition;
        // Up to three stray bytes after the last record are not a record.
        if (position + 3 >= length) {
            s.trailingBytes = std::max<std::int64_t>(length - position, 0);
            break;
        }
        if (progress && ++records % kProgressEvery == 0) progress(position, length);
    }
    // Work stopped on the way (a cancel, a failed write) did not get there.
    if (progress && !stopped) progress(length, length);
}

PartialFile discardPartialOutput(const std::string& output, ConversionResult& result) {
    const PartialFile partial = removePartialFile(output);
    switch (partial) {
        case PartialFile::Removed:
            result.message += std::string("; ") + kPartialFileRemoved;
            break;
        case PartialFile::Kept:
            result.message += std::string("; ") + kPartialFileKept;
            break;
        case PartialFile::NoFile:
            break;
    }
    return partial;
}

DataFileConversion::DataFileConversion(CSondrelDoc& doc, std::string input, std::string output)
    : doc_(doc), input_(std::move(input)), output_(std::move(output)) {}

DataFileConversion::~DataFileConversion() = default;

bool DataFileConversion::open() {
    result_ = openDataFile(in_, input_, length_);
    if (!result_.ok()) return false;
    if (sameInode(input_, output_)) {
        result_ = failure(ConversionError::SameFile,
                          output_ + ": is the input file itself; choose another output");
        return false;
    }
    writer_ = std::make_unique<XyzWriter>(doc_, 1 << 18);
    if (!writer_->create(output_)) {
        createError_ = writer_->lastError();
        result_ = failure(ConversionError::OutputUnwritable,
                          output_ + ": cannot create: " + writer_->errorText());
        writer_.reset();
        return false;
    }
    return true;
}

const ConversionResult& DataFileConversion::run(const ConversionProgress& progress,
                                                const ConversionCancelled& cancelled) {
    if (!writer_) return result_;
    XyzWriter& writer = *writer_;
    // The document plays the file as the desktop program would with a
    // conversion running.
    const bool wasPlaying = startWindowlessPlay(doc_);
    doc_.flags.xyzConversionActive = true;

    bool stopped = false;
    ProfilePath path;
    walkRecords(
        doc_, in_, input_, length_, result_,
        [&] {
            runProfilePass(doc_, path, &writer);
            if (cancelled && cancelled()) stopped = true;
            return !writer.failed() && !stopped;
        },
        progress);
    ConversionSummary& s = result_.summary;

    // A name that went away with its folder takes the points with it.
    const bool reachable = writer.failed() || !writer.isOpen() || writer.stillAtItsName();
    const bool written = writer.close() && reachable;
    s.pointsWritten = writer.pointsWritten();
    doc_.flags.xyzConversionActive = false;
    doc_.flags.playbackActive = wasPlaying;
    if (!written) {
        writeError_ = reachable ? writer.errorText() : kRemovedWhileWritten;
        result_.error = ConversionError::OutputUnwritable;
        result_.message = output_ + ": write failed: " + writeError_;
        partial_ = discardPartialOutput(output_, result_);
    } else if (stopped) {
        result_.error = ConversionError::Cancelled;
        result_.message = output_ + ": cancelled";
        partial_ = discardPartialOutput(output_, result_);
    } else if (result_.ok() && s.recordsRead == 0 && s.recordsSkipped == 0 &&
               !s.stoppedAtUnsizableRecord) {
        result_.error = ConversionError::InputEmpty;
        result_.message = input_ + ": holds no complete record";
    }
    writer_.reset();
    in_.close();
    return result_;
}

ConversionResult convertDataFile(CSondrelDoc& doc, const std::string& input,
                                 const std::string& output, const ConversionProgress& progress) {
    DataFileConversion conversion(doc, input, output);
    if (conversion.open()) conversion.run(progress);
    return conversion.result();
}

}  // namespace sondrel

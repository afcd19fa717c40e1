#include "recording/DataFileConverter.h"

#include <sys/stat.h>

#include <algorithm>
#include <utility>

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

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

int startWindowlessPlay(CSondrelDoc& doc, std::int64_t length) {
    const int wasPlaying = doc.playbackActive;
    doc.playbackActive = 1;
    doc.holdActive = 0;
    doc.fileLength = length;
    doc.echoLong.fill(0);
    doc.pingCount = 0;
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
            doc.noNewData = 0;
            ++doc.pingCount;
            ++s.recordsRead;
            if (!onValidRecord()) break;
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
    if (progress) progress(length, length);
}

ConversionResult convertDataFile(CSondrelDoc& doc, const std::string& input,
                                 const std::string& output, const ConversionProgress& progress) {
    BinaryFile in;
    std::int64_t length = 0;
    if (ConversionResult opened = openDataFile(in, input, length); !opened.ok()) return opened;
    if (sameFile(input, output)) {
        return failure(ConversionError::SameFile,
                       output + ": is the input file itself; choose another output");
    }

    XyzWriter writer(doc, 1 << 18);
    if (!writer.create(output)) {
        return failure(ConversionError::OutputUnwritable,
                       output + ": cannot create: " + writer.errorText());
    }

    // The document plays the file as the desktop program would with a
    // conversion running.
    const int wasPlaying = startWindowlessPlay(doc, length);
    doc.xyzConversionActive = 1;

    ConversionResult result;
    ProfilePath path;
    walkRecords(
        doc, in, input, length, result,
        [&] {
            runProfilePass(doc, path, &writer);
            return !writer.failed();
        },
        progress);
    ConversionSummary& s = result.summary;

    const bool written = writer.close();
    s.pointsWritten = writer.pointsWritten();
    doc.xyzConversionActive = 0;
    doc.playbackActive = wasPlaying;
    if (!written) {
        result.error = ConversionError::OutputUnwritable;
        result.message = output + ": write failed: " + writer.errorText();
    } else if (result.ok() && s.recordsRead == 0 && s.recordsSkipped == 0 &&
               !s.stoppedAtUnsizableRecord) {
        result.error = ConversionError::InputEmpty;
        result.message = input + ": holds no complete record";
    }
    return result;
}

}  // namespace sondrel

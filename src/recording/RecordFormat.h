#pragma once
// The ping record of a .qzr data file: its single writer and its single reader.
// A file is a plain sequence of records with no file header: a 100-byte record
// header, the 12-byte return header, 800 echo samples, a 0xFC trailer padded to
// 1024 bytes and, when the orientation input was on, a 128-byte extension.
// Integers are big-endian, the orientation values little-endian floats; both are
// assembled byte by byte so the host's byte order never matters.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "acquisition/Ping.h"

namespace sondrel {

class CSondrelDoc;
class BinaryFile;

inline constexpr std::size_t kRecordHeaderSize = 100;
inline constexpr std::size_t kRecordReturnHeaderOffset = 100;
inline constexpr std::size_t kRecordSamplesOffset = 112;
inline constexpr std::size_t kRecordSampleCount = 800;
inline constexpr std::size_t kRecordTrailerOffset = 912;
inline constexpr std::uint8_t kRecordTrailerByte = 0xFC;
inline constexpr std::size_t kRecordSize = 1024;
inline constexpr std::size_t kOrientationExtensionSize = 128;
inline constexpr std::size_t kRecordSizeWithOrientation = kRecordSize + kOrientationExtensionSize;
// Records of data size code 8; never written by this program, but read.
inline constexpr std::size_t kLargeRecordSize = 3200;
inline constexpr std::size_t kLargestRecordSize = kLargeRecordSize + kOrientationExtensionSize;
inline constexpr int kRecordedFrequencyKhz = 2250;
inline constexpr std::uint8_t kRecordedDataSizeCode = 4;

// Header byte offsets.
namespace rec {
inline constexpr std::size_t kMagic = 0;
inline constexpr std::size_t kDataSizeCode = 3;
inline constexpr std::size_t kRecordLength = 4;
inline constexpr std::size_t kBlockLength = 6;
inline constexpr std::size_t kDate = 8;
inline constexpr std::size_t kDateWidth = 11;
inline constexpr std::size_t kTime = 20;
inline constexpr std::size_t kTimeWidth = 8;
inline constexpr std::size_t kHundredths = 29;
inline constexpr std::size_t kHundredthsWidth = 3;
inline constexpr std::size_t kFlags = 34;
inline constexpr std::size_t kModes = 37;
inline constexpr std::size_t kGain = 38;
inline constexpr std::size_t kSectorWidth = 39;
inline constexpr std::size_t kTrain = 40;
inline constexpr std::size_t kRangeCode = 41;
inline constexpr std::size_t kAbsorption = 42;
inline constexpr std::size_t kFormat = 43;
inline constexpr std::size_t kPulseLength = 44;
inline constexpr std::size_t kSoundVelocity = 46;
inline constexpr std::size_t kFrequency = 80;
inline constexpr std::size_t kPingPeriod = 82;
// Orientation extension, offsets from the start of the extension.
inline constexpr std::size_t kOrientationFlags = 74;
inline constexpr std::size_t kPitch = 75;
inline constexpr std::size_t kRoll = 79;
inline constexpr std::size_t kDistance = 83;
}  // namespace rec

// ---- code tables
// Step size (command byte 13) to the 3-bit code of header byte 37, and back.
int stepSizeCodeFor(int stepSize);
int stepSizeForCode(int code);
// Echo samples for a data size code; codes above 9 keep `previous`.
int dataPointCountForCode(int code, int previous);
// Base record size for a data size code: 1024 for 4, 3200 for 8, 0 for any other
// (a record this reader cannot size).
std::int64_t baseRecordSizeForCode(int code);
// Command byte 20 to the 3-bit format code of header byte 43, and back
// (`previous` is kept for codes without a meaning).
int dataFormatCodeFor(std::uint8_t commandByte20);
std::uint8_t dataFormatByteForCode(int code, std::uint8_t previous);
// Sound velocity field: trunc(v x 10) in bits 0..14 with bit 15 saying "present".
std::uint16_t soundVelocityField(double metresPerSecond);
// The sound velocity a record's field gives: 1500 when absent, `current` when
// the recorded value is outside 750..2250 m/s.
double soundVelocityFromField(std::uint16_t field, double current);
// Frequency field (kHz) to the frequency code the head uses, low 8 bits.
int frequencyCodeForKhz(int khz);

// ---- time texts
// The millisecond text made from a recorded hundredths text: ".45" -> ".450",
// ". 5" -> ".050".
std::string millisecondTextFor(const std::string& hundredthsText);
// The recorded date text of header bytes 8..19, repairing a date whose
// terminator was overwritten.
std::string recordedDateText(std::span<const std::uint8_t, kRecordHeaderSize> header);

// ---- writing
using RecordBuffer = std::array<std::uint8_t, kRecordSizeWithOrientation>;
// Builds the record of a ping; returns its length (1024, or 1152 with the
// orientation extension when the ping was taken with the orientation input
// on). Bytes past the length are left zero. Every record claims a long block,
// 800 samples and 2250 kHz, whatever the ping was.
std::size_t encodeRecord(const Ping& ping, RecordBuffer& out);
// Appends a ping as one record. Returns false when the file is not open or
// the write failed (the file's errorText() says why).
bool writeRecord(const Ping& ping, BinaryFile& file);

// ---- reading
enum class ReadStatus {
    Valid,          // the record holds a ping
    InvalidHeader,  // its return header was rejected: its time and settings are taken, skipped
    EndOfFile,      // fewer bytes than a whole record remain: nothing was decoded
    Unsizable,      // a data size code this reader cannot size: nothing was decoded
};

struct ReadOutcome {
    ReadStatus status = ReadStatus::EndOfFile;
    std::int64_t recordSize = 0;    // for Valid and InvalidHeader
    std::int64_t nextPosition = 0;  // position + recordSize; the position itself otherwise
};

struct ParsedRecord {
    ReadStatus status = ReadStatus::EndOfFile;
    // For Valid and InvalidHeader: the ping as the record holds it. Of a
    // record whose return header was rejected, only the block's bytes, the
    // time and the settings mean anything. Its place in the file is the
    // reader's to add.
    Ping ping;
};

// Decodes a record from any bytes; what follows the record's own size is ignored.
ParsedRecord parseRecord(std::span<const std::uint8_t> bytes);

// Reads the record starting at `position` and takes its ping in as the ping on
// show, as if it had just arrived live. The whole record is read before
// anything is decoded, so a truncated record leaves the document untouched.
// The file is left positioned at the next record.
ReadOutcome readRecord(CSondrelDoc& doc, BinaryFile& file, std::int64_t position);

// Decodes a complete record already in memory and takes its ping in; the part
// of readRecord that touches the document.
ReadStatus decodeRecord(CSondrelDoc& doc, std::span<const std::uint8_t> record);
// The size of the record whose 100-byte header is given, 0 when it cannot be sized.
std::int64_t recordSizeFor(std::span<const std::uint8_t, kRecordHeaderSize> header);

}  // namespace sondrel

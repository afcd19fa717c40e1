#include "recording/RecordFormat.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <limits>

#include "acquisition/Orientation.h"
#include "acquisition/PingPath.h"
#include "acquisition/ReturnBlock.h"
#include "acquisition/SondrelDoc.h"
#include "recording/BinaryFile.h"

namespace sondrel {

namespace {

void putBigEndian16(std::uint8_t* at, unsigned value) {
    at[0] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    at[1] = static_cast<std::uint8_t>(value & 0xFF);
}

unsigned bigEndian16(const std::uint8_t* at) {
    return (unsigned{at[0]} << 8) | at[1];
}

void putLittleEndianFloat(std::uint8_t* at, double value) {
    const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(value));
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>((bits >> (8 * i)) & 0xFF);
}

double littleEndianFloat(const std::uint8_t* at) {
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) bits |= std::uint32_t{at[i]} << (8 * i);
    return static_cast<double>(std::bit_cast<float>(bits));
}

// At most `width` characters of a text into a zeroed field.
void putText(std::uint8_t* at, std::size_t width, const std::string& text) {
    std::memcpy(at, text.data(), std::min(width, text.size()));
}

// The characters of a field up to its first zero byte, never beyond the field.
std::string fieldText(const std::uint8_t* at, std::size_t width) {
    const auto* end = std::find(at, at + width, std::uint8_t{0});
    return std::string(reinterpret_cast<const char*>(at), static_cast<std::size_t>(end - at));
}

// The decimal number at the start of a field; it ends at the first non-digit.
int leadingNumber(const std::uint8_t* at, std::size_t width) {
    int value = 0;
    for (std::size_t i = 0; i < width && at[i] >= '0' && at[i] <= '9'; ++i) {
        value = value * 10 + (at[i] - '0');
    }
    return value;
}

}  // namespace

// ------------------------------------------------------------------ code tables

int stepSizeCodeFor(int stepSize) {
    switch (stepSize) {
        case 1:
            return 0;
        case 2:
            return 1;
        case 3:
            return 2;
        case 4:
            return 3;
        case 8:
            return 4;
        case 6:
            return 5;
        default:
            return 0;
    }
}

int stepSizeForCode(int code) {
    static constexpr std::array<int, 8> kStepSizes = {1, 2, 3, 4, 8, 6, 7, 8};
    return kStepSizes[static_cast<std::size_t>(code & 7)];
}

int dataPointCountForCode(int code, int previous) {
    static constexpr std::array<int, 10> kCounts = {0,    128,  250,  500,  800,
                                                    1000, 1500, 2000, 3000, 4000};
    if (code < 0 || code > 9) return previous;
    return kCounts[static_cast<std::size_t>(code)];
}

std::int64_t baseRecordSizeForCode(int code) {
    if (code == 4) return static_cast<std::int64_t>(kRecordSize);
    if (code == 8) return static_cast<std::int64_t>(kLargeRecordSize);
    return 0;
}

int dataFormatCodeFor(std::uint8_t commandByte20) {
    if (commandByte20 == 16) return 2;
    if (commandByte20 == 8) return 1;
    return 0;
}

std::uint8_t dataFormatByteForCode(int code, std::uint8_t previous) {
    switch (code) {
        case 0:
            return 4;
        case 1:
            return 8;
        case 2:
            return 16;
        default:
            return previous;
    }
}

std::uint16_t soundVelocityField(double metresPerSecond) {
    const double tenths = std::clamp(metresPerSecond * 10.0, 0.0, 32767.0);
    return static_cast<std::uint16_t>(0x8000u | static_cast<unsigned>(tenths));
}

double soundVelocityFromField(std::uint16_t field, double current) {
    if ((field & 0x8000u) == 0) return kDefaultSoundVelocity;
    const double v = (field & 0x7FFFu) / 10.0;
    return (v >= 750.0 && v <= 2250.0) ? v : current;
}

int frequencyCodeForKhz(int khz) {
    return ((khz - 675) / 5 + 100) & 0xFF;
}

// ------------------------------------------------------------------- time texts

std::string millisecondTextFor(const std::string& hundredths) {
    std::string ms = hundredths + '0';
    if (ms.size() > 1 && ms[1] == ' ') ms[1] = '0';
    return ms;
}

std::string recordedDateText(std::span<const std::uint8_t, kRecordHeaderSize> h) {
    if (h[19] == 0) return fieldText(&h[rec::kDate], rec::kDateWidth);
    // The terminator was overwritten: keep "DD-MMM-" and rebuild the year from
    // its two halves, each read up to its first non-digit.
    std::string date = fieldText(&h[rec::kDate], 7);
    const int year = leadingNumber(&h[15], 2) * 100 + leadingNumber(&h[17], 3);
    char text[16];
    std::snprintf(text, sizeof text, "%04d", year);
    return date + text;
}

// ---------------------------------------------------------------------- writing

std::size_t encodeRecord(const Ping& ping, RecordBuffer& out) {
    out.fill(0);
    std::uint8_t* h = out.data();
    const PingSettings& s = ping.settings;
    const bool orientation = s.orientationOn;
    const std::size_t length = orientation ? kRecordSizeWithOrientation : kRecordSize;

    h[0] = 'Q';
    h[1] = 'Z';
    h[2] = 'R';
    h[rec::kDataSizeCode] = kRecordedDataSizeCode;
    putBigEndian16(&h[rec::kRecordLength], static_cast<unsigned>(length));
    putBigEndian16(&h[rec::kBlockLength], kBlockLengthLong);
    putText(&h[rec::kDate], rec::kDateWidth, ping.dateText);
    putText(&h[rec::kTime], rec::kTimeWidth, ping.timeText);
    putText(&h[rec::kHundredths], rec::kHundredthsWidth, ping.hundredthsText);
    h[rec::kFlags] = orientation ? 1 : 0;
    h[rec::kModes] = static_cast<std::uint8_t>(
        (ping.stepDirection != 0 ? 0x80 : 0) | (s.xdcrForward != 0 ? 0x40 : 0) |
        ((s.scanMode & 7) << 3) | stepSizeCodeFor(s.stepSize));
    h[rec::kGain] = s.gain;
    h[rec::kSectorWidth] = s.sectorWidth;
    h[rec::kTrain] = static_cast<std::uint8_t>(s.trainDegrees / 3);
    h[rec::kRangeCode] = s.rangeCode;
    h[rec::kAbsorption] = s.absorption;
    h[rec::kFormat] = static_cast<std::uint8_t>(
        (s.zeroDown != 0 ? 0x40 : 0) |
        (dataFormatCodeFor(static_cast<std::uint8_t>(s.dataFormat)) << 3) | 1);
    h[rec::kPulseLength] = s.pulseLength;
    putBigEndian16(&h[rec::kSoundVelocity], soundVelocityField(s.soundVelocity));
    putBigEndian16(&h[rec::kFrequency], kRecordedFrequencyKhz);
    putBigEndian16(&h[rec::kPingPeriod], static_cast<unsigned>(s.pingPeriodRounded) & 0xFFFF);

    std::copy(ping.returnHeader.begin(), ping.returnHeader.end(), &out[kRecordReturnHeaderOffset]);
    std::copy_n(ping.echoLong.begin(), kRecordSampleCount, &out[kRecordSamplesOffset]);
    out[kRecordTrailerOffset] = kRecordTrailerByte;

    if (orientation) {
        const OrientationReadings& o = ping.orientation;
        std::uint8_t* e = &out[kRecordSize];
        e[rec::kOrientationFlags] =
            static_cast<std::uint8_t>((o.pitchValid != 0 ? 1 : 0) | (o.rollValid != 0 ? 2 : 0) |
                                      (o.distanceValid != 0 ? 4 : 0));
        putLittleEndianFloat(&e[rec::kPitch], o.pitchDeg);
        putLittleEndianFloat(&e[rec::kRoll], o.rollDeg);
        putLittleEndianFloat(&e[rec::kDistance], o.distanceM);
    }
    return length;
}

bool writeRecord(const Ping& ping, BinaryFile& file) {
    if (!file.isOpen()) return false;
    RecordBuffer record;
    const std::size_t length = encodeRecord(ping, record);
    return file.write(record.data(), length);
}

// ---------------------------------------------------------------------- reading

std::int64_t recordSizeFor(std::span<const std::uint8_t, kRecordHeaderSize> h) {
    const std::int64_t base = baseRecordSizeForCode(h[rec::kDataSizeCode]);
    if (base == 0) return 0;
    return base + static_cast<std::int64_t>(kOrientationExtensionSize) * (h[rec::kFlags] & 1);
}

ParsedRecord parseRecord(std::span<const std::uint8_t> bytes) {
    ParsedRecord parsed;
    if (bytes.size() < kRecordHeaderSize) return parsed;
    const std::span<const std::uint8_t, kRecordHeaderSize> h = bytes.first<kRecordHeaderSize>();
    const std::int64_t size = recordSizeFor(h);
    if (size == 0) {
        parsed.status = ReadStatus::Unsizable;
        return parsed;
    }
    if (bytes.size() < static_cast<std::size_t>(size)) return parsed;
    const auto record = bytes.first(static_cast<std::size_t>(size));
    Ping& p = parsed.ping;
    PingSettings& s = p.settings;
    p.recordSize = size;

    p.dataPointCount = dataPointCountForCode(h[rec::kDataSizeCode], PingSettings::kUnknown);
    p.blockLength = static_cast<int>(bigEndian16(&h[rec::kBlockLength]));
    p.dateText = recordedDateText(h);
    p.timeText = fieldText(&h[rec::kTime], rec::kTimeWidth);
    p.hundredthsText = h[rec::kHundredths] == 0
                           ? std::string(".00")
                           : fieldText(&h[rec::kHundredths], rec::kHundredthsWidth);
    p.millisecondText = millisecondTextFor(p.hundredthsText);
    s.orientationOn = (h[rec::kFlags] & 1) != 0;

    const std::uint8_t modes = h[rec::kModes];
    p.stepDirection = (modes >> 7) & 1;
    s.xdcrForward = (modes >> 6) & 1;
    s.scanMode = (modes >> 3) & 7;
    s.stepSize = stepSizeForCode(modes & 7);
    s.gain = h[rec::kGain];
    s.sectorWidth = h[rec::kSectorWidth];
    s.trainDegrees = h[rec::kTrain] * 3;
    s.rangeCode = h[rec::kRangeCode];
    s.absorption = h[rec::kAbsorption];
    const std::uint8_t format = h[rec::kFormat];
    const int formatCode = (format >> 3) & 7;
    s.dataFormat = formatCode <= 2 ? dataFormatByteForCode(formatCode, 0) : PingSettings::kUnknown;
    s.zeroDown = (format >> 6) & 1;
    s.fixed9 = format & 7;
    s.pulseLength = h[rec::kPulseLength];
    s.soundVelocity =
        soundVelocityFromField(static_cast<std::uint16_t>(bigEndian16(&h[rec::kSoundVelocity])),
                               std::numeric_limits<double>::quiet_NaN());
    s.frequencyCode = frequencyCodeForKhz(static_cast<int>(bigEndian16(&h[rec::kFrequency])));
    s.pingPeriodRounded = static_cast<int>(bigEndian16(&h[rec::kPingPeriod]));

    const auto returnHeader = record.subspan(kRecordReturnHeaderOffset, kReturnHeaderSize);
    std::copy(returnHeader.begin(), returnHeader.end(), p.returnHeader.begin());
    p.headerBytes = kReturnHeaderSize;
    const ReturnHeader header = parseReturnHeader(returnHeader).value_or(ReturnHeader{});
    p.headerText = header.typeLetters;
    setDecodedHeader(p, header);
    // Every size this reader accepts holds the 800 samples.
    std::copy_n(record.begin() + kRecordSamplesOffset, kRecordSampleCount, p.echoLong.begin());
    p.echoBytes = kRecordSampleCount;
    if (record.size() == kRecordSizeWithOrientation) {
        const std::uint8_t* e = &record[kRecordSize];
        const std::uint8_t flags = e[rec::kOrientationFlags];
        OrientationReadings& o = p.orientation;
        o.pitchValid = flags & 1;
        o.rollValid = (flags >> 1) & 1;
        o.distanceValid = (flags >> 2) & 1;
        o.pitchDeg = littleEndianFloat(&e[rec::kPitch]);
        o.rollDeg = littleEndianFloat(&e[rec::kRoll]);
        o.distanceM = littleEndianFloat(&e[rec::kDistance]);
        // A field holding a NaN or an infinity is no reading, whatever its flag says.
        const auto keepReading = [](int& valid, double& value) {
            if (isRecordableReading(value)) return;
            valid = 0;
            value = 0.0;
        };
        keepReading(o.pitchValid, o.pitchDeg);
        keepReading(o.rollValid, o.rollDeg);
        keepReading(o.distanceValid, o.distanceM);
    }
    parsed.status = p.headerValid ? ReadStatus::Valid : ReadStatus::InvalidHeader;
    return parsed;
}

ReadStatus decodeRecord(CSondrelDoc& doc, std::span<const std::uint8_t> record) {
    const ParsedRecord parsed = parseRecord(record);
    if (parsed.status == ReadStatus::EndOfFile || parsed.status == ReadStatus::Unsizable) {
        return parsed.status;
    }
    return takePlayedPing(doc, parsed.ping) ? ReadStatus::Valid : ReadStatus::InvalidHeader;
}

ReadOutcome readRecord(CSondrelDoc& doc, BinaryFile& file, std::int64_t position) {
    ReadOutcome outcome;
    outcome.nextPosition = position;
    if (!file.isOpen() || position < 0) return outcome;
    if (file.tell() != position && !file.seek(position)) return outcome;

    std::array<std::uint8_t, kLargestRecordSize> record;
    if (file.read(record.data(), kRecordHeaderSize) < kRecordHeaderSize) return outcome;
    const std::int64_t size = recordSizeFor(
        std::span<const std::uint8_t, kRecordHeaderSize>(record.data(), kRecordHeaderSize));
    if (size == 0) {
        outcome.status = ReadStatus::Unsizable;
        return outcome;
    }
    const auto remaining = static_cast<std::size_t>(size) - kRecordHeaderSize;
    if (file.read(record.data() + kRecordHeaderSize, remaining) < remaining) return outcome;

    ParsedRecord parsed =
        parseRecord(std::span<const std::uint8_t>(record.data(), static_cast<std::size_t>(size)));
    parsed.ping.filePosition = position;
    outcome.status =
        takePlayedPing(doc, parsed.ping) ? ReadStatus::Valid : ReadStatus::InvalidHeader;
    outcome.recordSize = size;
    outcome.nextPosition = position + size;
    return outcome;
}

}  // namespace sondrel

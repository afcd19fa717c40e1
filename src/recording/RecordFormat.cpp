#include "recording/RecordFormat.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "acquisition/Orientation.h"
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

std::size_t encodeRecord(const CSondrelDoc& doc, RecordBuffer& out) {
    out.fill(0);
    std::uint8_t* h = out.data();
    const bool orientation = doc.link.prdEnable != 0;
    const std::size_t length = orientation ? kRecordSizeWithOrientation : kRecordSize;
    const auto& c = doc.head.command;

    h[0] = 'Q';
    h[1] = 'Z';
    h[2] = 'R';
    h[rec::kDataSizeCode] = kRecordedDataSizeCode;
    putBigEndian16(&h[rec::kRecordLength], static_cast<unsigned>(length));
    putBigEndian16(&h[rec::kBlockLength], kBlockLengthLong);
    putText(&h[rec::kDate], rec::kDateWidth, doc.ping.dateText);
    putText(&h[rec::kTime], rec::kTimeWidth, doc.ping.timeText);
    putText(&h[rec::kHundredths], rec::kHundredthsWidth, doc.ping.hundredthsText);
    h[rec::kFlags] = orientation ? 1 : 0;
    h[rec::kModes] = static_cast<std::uint8_t>(
        (doc.ping.stepDirection != 0 ? 0x80 : 0) | (doc.head.xdcrForward != 0 ? 0x40 : 0) |
        ((doc.head.scanMode & 7) << 3) | stepSizeCodeFor(c[cmd::kStepSize]));
    h[rec::kGain] = c[cmd::kGain];
    h[rec::kSectorWidth] = c[cmd::kSectorWidth];
    h[rec::kTrain] = static_cast<std::uint8_t>(doc.head.trainDegrees / 3);
    h[rec::kRangeCode] = c[cmd::kRange];
    h[rec::kAbsorption] = c[cmd::kAbsorption];
    h[rec::kFormat] = static_cast<std::uint8_t>((doc.head.zeroDown != 0 ? 0x40 : 0) |
                                                (dataFormatCodeFor(c[cmd::kDataFormat]) << 3) | 1);
    h[rec::kPulseLength] = c[cmd::kPulseLength];
    putBigEndian16(&h[rec::kSoundVelocity], soundVelocityField(doc.head.soundVelocity));
    putBigEndian16(&h[rec::kFrequency], kRecordedFrequencyKhz);
    putBigEndian16(&h[rec::kPingPeriod],
                   static_cast<unsigned>(doc.pings.pingPeriodRounded) & 0xFFFF);

    std::copy(doc.ping.returnHeader.begin(), doc.ping.returnHeader.end(),
              &out[kRecordReturnHeaderOffset]);
    std::copy_n(doc.ping.echoLong.begin(), kRecordSampleCount, &out[kRecordSamplesOffset]);
    out[kRecordTrailerOffset] = kRecordTrailerByte;

    if (orientation) {
        std::uint8_t* e = &out[kRecordSize];
        e[rec::kOrientationFlags] = static_cast<std::uint8_t>(
            (doc.orientation.pitchValid != 0 ? 1 : 0) | (doc.orientation.rollValid != 0 ? 2 : 0) |
            (doc.orientation.distanceValid != 0 ? 4 : 0));
        putLittleEndianFloat(&e[rec::kPitch], doc.orientation.pitchDeg);
        putLittleEndianFloat(&e[rec::kRoll], doc.orientation.rollDeg);
        putLittleEndianFloat(&e[rec::kDistance], doc.orientation.distanceM);
    }
    return length;
}

bool writeRecord(CSondrelDoc& doc, BinaryFile& file) {
    doc.ping.blockLength = kBlockLengthLong;
    if (!file.isOpen()) return false;
    RecordBuffer record;
    const std::size_t length = encodeRecord(doc, record);
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
    Record& r = parsed.record;
    r.size = size;

    r.dataSizeCode = h[rec::kDataSizeCode];
    r.blockLength = static_cast<int>(bigEndian16(&h[rec::kBlockLength]));
    r.dateText = recordedDateText(h);
    r.timeText = fieldText(&h[rec::kTime], rec::kTimeWidth);
    r.hundredthsText = h[rec::kHundredths] == 0
                           ? std::string(".00")
                           : fieldText(&h[rec::kHundredths], rec::kHundredthsWidth);
    r.millisecondText = millisecondTextFor(r.hundredthsText);
    r.orientationOn = h[rec::kFlags] & 1;

    const std::uint8_t modes = h[rec::kModes];
    r.stepDirection = (modes >> 7) & 1;
    r.xdcrForward = (modes >> 6) & 1;
    r.scanModeCode = (modes >> 3) & 7;
    r.stepSize = stepSizeForCode(modes & 7);
    r.gain = h[rec::kGain];
    r.sectorWidth = h[rec::kSectorWidth];
    r.trainDegrees = h[rec::kTrain] * 3;
    r.rangeCode = h[rec::kRangeCode];
    r.absorption = h[rec::kAbsorption];
    const std::uint8_t format = h[rec::kFormat];
    r.dataFormatCode = (format >> 3) & 7;
    r.zeroDown = (format >> 6) & 1;
    r.fixed9 = format & 7;
    r.pulseLength = h[rec::kPulseLength];
    r.soundVelocityField = static_cast<std::uint16_t>(bigEndian16(&h[rec::kSoundVelocity]));
    r.frequencyCode = frequencyCodeForKhz(static_cast<int>(bigEndian16(&h[rec::kFrequency])));
    r.pingPeriodRounded = static_cast<int>(bigEndian16(&h[rec::kPingPeriod]));

    r.returnHeaderBytes = record.subspan(kRecordReturnHeaderOffset, kReturnHeaderSize);
    r.returnHeader = parseReturnHeader(r.returnHeaderBytes).value_or(ReturnHeader{});
    // Every size this reader accepts is 640 bytes or more, so the samples, the
    // trailer and any extension land in echoLong (the extension at offset 912).
    r.samples = record.subspan(kRecordSamplesOffset);
    if (record.size() == kRecordSizeWithOrientation) {
        const std::uint8_t* e = &record[kRecordSize];
        const std::uint8_t flags = e[rec::kOrientationFlags];
        RecordedOrientation o;
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
        r.orientation = o;
    }
    parsed.status = r.returnHeader.valid ? ReadStatus::Valid : ReadStatus::InvalidHeader;
    return parsed;
}

ReadStatus applyRecord(CSondrelDoc& doc, const Record& r) {
    auto& c = doc.head.command;

    doc.ping.dataPointCount = dataPointCountForCode(r.dataSizeCode, doc.ping.dataPointCount);
    doc.ping.blockLength = r.blockLength;

    doc.ping.dateText = r.dateText;
    doc.ping.timeText = r.timeText;
    doc.ping.hundredthsText = r.hundredthsText;
    doc.ping.millisecondText = r.millisecondText;
    doc.link.prdEnable = r.orientationOn;

    bool clearImage = false;
    doc.ping.stepDirection = r.stepDirection;
    doc.head.xdcrForward = r.xdcrForward;
    doc.head.trainReversed = doc.head.xdcrForward;
    // Only three scan modes exist; a corrupt code keeps the mode in force rather
    // than handing an unknown mode to every table indexed by it.
    if (r.scanModeCode <= kSideScan && r.scanModeCode != doc.head.scanMode) {
        doc.head.scanMode = r.scanModeCode;
        clearImage = true;
    }
    doc.head.stepSize = r.stepSize;
    c[cmd::kStepSize] = static_cast<std::uint8_t>(doc.head.stepSize);

    // A setting whose recorded byte would frame the command is not taken at all,
    // so the setting and its byte stay together.
    if (loadPlayedByte(c, cmd::kGain, r.gain)) doc.head.gainDb = r.gain;

    if (loadPlayedByte(c, cmd::kSectorWidth, r.sectorWidth)) {
        if (r.sectorWidth != doc.head.currentSectorWidth) clearImage = true;
        doc.head.currentSectorWidth = r.sectorWidth;
    }

    // The recorded train is in degrees / 3; its low byte becomes the current train
    // value, which is what decides whether the image must be cleared.
    doc.head.trainDegrees = r.trainDegrees;
    const int train = doc.head.trainDegrees & 0xFF;
    if (train != doc.head.currentTrain) clearImage = true;
    doc.head.currentTrain = train;

    loadPlayedByte(c, cmd::kReserved4, r.rangeCode);
    if (loadPlayedByte(c, cmd::kAbsorption, r.absorption)) doc.head.absorptionCode = r.absorption;

    c[cmd::kDataFormat] = dataFormatByteForCode(r.dataFormatCode, c[cmd::kDataFormat]);
    doc.head.zeroDown = r.zeroDown;
    c[cmd::kFixed9] = r.fixed9;
    c[cmd::kFixed22] = 0;

    if (loadPlayedByte(c, cmd::kPulseLength, r.pulseLength))
        doc.head.pulseLengthCode = r.pulseLength;

    doc.head.soundVelocity = soundVelocityFromField(r.soundVelocityField, doc.head.soundVelocity);
    if (loadPlayedByte(c, cmd::kFrequency, static_cast<std::uint8_t>(r.frequencyCode)))
        doc.head.frequencyCode = r.frequencyCode;
    doc.pings.pingPeriodRounded = r.pingPeriodRounded;

    if (clearImage) doc.clearSonarImage();

    std::copy_n(r.returnHeaderBytes.begin(),
                std::min(r.returnHeaderBytes.size(), kReturnHeaderSize),
                doc.ping.returnHeader.begin());
    if (!applyReturnHeader(doc, r.returnHeader, DecodeMode::Playback)) {
        return ReadStatus::InvalidHeader;
    }

    std::copy_n(r.samples.begin(), std::min(r.samples.size(), doc.ping.echoLong.size()),
                doc.ping.echoLong.begin());

    if (r.orientation) {
        const RecordedOrientation& o = *r.orientation;
        doc.orientation.pitchValid = o.pitchValid;
        doc.orientation.rollValid = o.rollValid;
        doc.orientation.distanceValid = o.distanceValid;
        doc.orientation.pitchDeg = o.pitchDeg;
        doc.orientation.rollDeg = o.rollDeg;
        doc.orientation.distanceM = o.distanceM;
    }
    return ReadStatus::Valid;
}

ReadStatus decodeRecord(CSondrelDoc& doc, std::span<const std::uint8_t> record) {
    const ParsedRecord parsed = parseRecord(record);
    if (parsed.status == ReadStatus::EndOfFile || parsed.status == ReadStatus::Unsizable) {
        return parsed.status;
    }
    return applyRecord(doc, parsed.record);
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

    outcome.status = decodeRecord(
        doc, std::span<const std::uint8_t>(record.data(), static_cast<std::size_t>(size)));
    outcome.recordSize = size;
    doc.ping.recordSize = size;
    outcome.nextPosition = position + size;
    return outcome;
}

}  // namespace sondrel

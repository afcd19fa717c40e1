#include "acquisition/Orientation.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "acquisition/Links.h"
#include "acquisition/SondrelDoc.h"
#include "acquisition/TimerHost.h"

namespace sondrel {

namespace {

using Bytes = std::span<const std::uint8_t>;

bool isDigit(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

// The leading decimal number of a text, as the instruments write it: blanks,
// an optional sign, digits, an optional fraction. Unlike the C library it never
// reads past the span, and a text without a digit is no number at all rather
// than a distance of 0.
std::optional<double> leadingDecimal(Bytes text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::string number;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        number.push_back(static_cast<char>(text[i++]));
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        number.push_back('.');
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            number.push_back(static_cast<char>(text[i++]));
            ++digits;
        }
    }
    if (digits == 0) return std::nullopt;
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec != std::errc()) return std::nullopt;
    return negative ? -value : value;
}

// One fixed-column field of the crawler's sentence: a sign, whole digits, a
// point and fraction digits, starting at a fixed column.
struct FixedField {
    std::size_t signColumn;
    int wholeDigits;
    int fractionDigits;
};

constexpr FixedField kPitchField{6, 2, 1};
constexpr FixedField kRollField{16, 3, 1};
constexpr FixedField kDistanceField{27, 4, 2};

std::optional<double> readFixedField(Bytes bytes, const FixedField& f) {
    const std::size_t end = f.signColumn + 1 + f.wholeDigits + 1 + f.fractionDigits;
    if (bytes.size() < end) return std::nullopt;
    const std::uint8_t sign = bytes[f.signColumn];
    if (sign != '+' && sign != '-') return std::nullopt;
    long long scaled = 0;
    std::size_t column = f.signColumn + 1;
    for (int d = 0; d < f.wholeDigits; ++d, ++column) {
        if (!isDigit(bytes[column])) return std::nullopt;
        scaled = scaled * 10 + (bytes[column] - '0');
    }
    if (bytes[column++] != '.') return std::nullopt;
    double divisor = 1.0;
    for (int d = 0; d < f.fractionDigits; ++d, ++column) {
        if (!isDigit(bytes[column])) return std::nullopt;
        scaled = scaled * 10 + (bytes[column] - '0');
        divisor *= 10.0;
    }
    // Dividing the exact integer gives the double nearest to the decimal text.
    const double value = static_cast<double>(scaled) / divisor;
    return sign == '-' ? -value : value;
}

// A good reading replaces the value; bad ones are bridged with the last value
// until there have been too many in a row.
bool applyField(std::optional<double> reading, double& value, int& valid, int& errors) {
    if (reading) {
        value = *reading;
        valid = 1;
        errors = 0;
        return true;
    }
    if (errors + 1 > kMaxOrientationErrors) {
        value = 0.0;
        valid = 0;
        errors = kMaxOrientationErrors;
    } else {
        ++errors;
    }
    return false;
}

bool matches(Bytes bytes, std::size_t at, std::string_view text) {
    if (at > bytes.size() || bytes.size() - at < text.size()) return false;
    return std::equal(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

}  // namespace

bool isRecordableReading(double value) {
    return std::isfinite(value) && std::fabs(value) <= std::numeric_limits<float>::max();
}

// ------------------------------------------------------------------ parsers

bool parseInuktun(CSondrelDoc& doc, Bytes bytes) {
    bool took = false;
    took |= applyField(readFixedField(bytes, kPitchField), doc.orientation.pitchDeg,
                       doc.orientation.pitchValid, doc.orientation.pitchErrors);
    took |= applyField(readFixedField(bytes, kRollField), doc.orientation.rollDeg,
                       doc.orientation.rollValid, doc.orientation.rollErrors);
    took |= applyField(readFixedField(bytes, kDistanceField), doc.orientation.distanceM,
                       doc.orientation.distanceValid, doc.orientation.distanceErrors);
    return took;
}

bool parseCableCounterDollar(CSondrelDoc& doc, Bytes bytes) {
    // The counter reports no attitude.
    doc.orientation.pitchDeg = 0.0;
    doc.orientation.rollDeg = 0.0;
    constexpr std::size_t kTail = 7;  // ",meter" CR before the line feed
    if (bytes.size() < kTail) return false;

    // The last line end: a line feed, or whatever follows a carriage return.
    std::size_t lineEnd = bytes.size();
    for (std::size_t i = bytes.size(); i-- > 0;) {
        if (bytes[i] == '\n' || (i >= 1 && bytes[i - 1] == '\r')) {
            lineEnd = i;
            break;
        }
    }
    if (lineEnd == bytes.size() || lineEnd < kTail) return false;
    const std::size_t comma = lineEnd - kTail;
    if (bytes[comma] != ',' || !matches(bytes, comma + 1, "meter")) return false;

    std::size_t dollar = comma;
    while (dollar-- > 0) {
        if (bytes[dollar] == '$') break;
    }
    if (dollar >= comma) return false;  // wrapped: no "$" before the comma
    const auto value = leadingDecimal(bytes.subspan(dollar + 1, comma - dollar - 1));
    if (!value || !isRecordableReading(*value)) return false;
    doc.orientation.distanceM = *value;
    doc.orientation.distanceValid = 1;
    return true;
}

bool parseCableCounterHash(CSondrelDoc& doc, Bytes bytes) {
    const std::size_t n = bytes.size();
    if (n < 3) return false;
    // The sentence itself is looked for, not its first character: line noise
    // before it may hold a "#" or a "C" of its own.
    constexpr std::string_view kTag = "#CABLE,";
    const auto found =
        std::search(bytes.begin(), bytes.end(), kTag.begin(), kTag.end(),
                    [](std::uint8_t b, char c) { return b == static_cast<std::uint8_t>(c); });
    if (found == bytes.end()) return false;
    const std::size_t numberStart = static_cast<std::size_t>(found - bytes.begin()) + kTag.size();
    std::size_t closing = numberStart;
    while (closing < n - 2 && bytes[closing] != ',') ++closing;
    if (closing >= n - 2) return false;
    const auto value = leadingDecimal(bytes.subspan(numberStart, closing - numberStart));
    if (!value) return false;
    const double metres = *value / 1000.0;  // the counter reports millimetres
    if (!isRecordableReading(metres)) return false;
    doc.orientation.distanceM = metres;
    doc.orientation.distanceValid = 1;
    return true;
}

bool parseReach(CSondrelDoc& doc, Bytes bytes) {
    if (bytes.size() < kMinOrientationSentence) return false;
    if (std::find(bytes.rbegin(), bytes.rend(), std::uint8_t{'R'}) == bytes.rend()) return false;
    const std::size_t n = bytes.size();
    const std::uint32_t bits = (std::uint32_t{bytes[n - 4]} << 24) |
                               (std::uint32_t{bytes[n - 3]} << 16) |
                               (std::uint32_t{bytes[n - 2]} << 8) | std::uint32_t{bytes[n - 1]};
    const float value = std::bit_cast<float>(bits);
    // Line noise can spell an infinity or a NaN; neither is a distance.
    if (!isRecordableReading(value)) return false;
    doc.orientation.distanceM = value;
    doc.orientation.distanceValid = 1;
    doc.orientation.reachValueReceived = 1;
    // Without sonar data no ping would redraw to show it.
    if (doc.link.noNewData == 1) doc.views().updateViews(ViewHint::Repaint);
    return true;
}

bool parseOrientation(CSondrelDoc& doc, int sentenceType, Bytes bytes) {
    switch (sentenceType) {
        case kSentenceCableDollar:
            return parseCableCounterDollar(doc, bytes);
        case kSentenceCableHash:
            return parseCableCounterHash(doc, bytes);
        case kSentenceReach:
            return parseReach(doc, bytes);
        default:
            return parseInuktun(doc, bytes);
    }
}

// ------------------------------------------------------------------ OrientationInput

namespace {
// Reading the instrument's 2-byte reply waits as long as any read of two bytes.
constexpr int kReachReplyTimeoutMs = 2 * 1 + 200;
}  // namespace

OrientationInput::OrientationInput(CSondrelDoc& doc, TimerHost& timers)
    : doc_(doc), timers_(timers) {}

bool OrientationInput::isOpen() const {
    return link_ && link_->isOpen();
}

void OrientationInput::writeByte(char c) {
    const auto byte = static_cast<std::uint8_t>(c);
    link_->write(&byte, 1);
}

bool OrientationInput::openOrientationPort() {
    if (!link_) return false;
    if (link_->isOpen()) link_->close();
    if (!link_->open(doc_.link.prdComPort, doc_.link.prdBaud)) return false;
    doc_.orientation.reachValueReceived = 0;
    if (doc_.link.noNewData == 1) timers_.setTimer(kOrientationTimer, kOrientationPollMs);
    return true;
}

void OrientationInput::readOrientation() {
    if (!isOpen()) return;
    if (doc_.link.sentenceType == kSentenceReach && doc_.orientation.reachValueReceived == 0) {
        buffer_.fill(0);
        writeByte('S');
        writeByte('M');
        link_->read(buffer_.data(), 2, kReachReplyTimeoutMs);
        writeByte('L');
        writeByte('E');
    }
    link_->clearErrors();
    buffer_.fill(0);
    byteCount_ = std::min(link_->read(buffer_.data(), kOrientationReadMax), kOrientationReadMax);
    if (byteCount_ < kMinOrientationSentence) {
        doc_.orientation.reachValueReceived = 0;
    } else {
        parseOrientation(doc_, doc_.link.sentenceType, lastRead());
    }
    link_->purge();
    if (observer_) observer_->refreshStatusBar();
}

void OrientationInput::closeOrientationPort() {
    if (!isOpen()) return;
    writeByte('L');
    writeByte('D');
    doc_.orientation.reachValueReceived = 0;
    link_->close();
}

}  // namespace sondrel

#include "recording/XyzExport.h"
#include "common/SonarBitmap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "acquisition/SondrelDoc.h"
#include "common/PrintableText.h"

namespace sondrel {

XyzAxes xyzAxesFor(double theta) {
    double a = theta - 90;
    if (a < 0) a += 360;
    if (a >= 360) a -= 360;
    const double g = a * kSevenDecimalPi / 180;
    return {std::cos(g), std::sin(g)};
}

float xyzRangeFor(double d, double rangeMetres) {
    return static_cast<float>(rangeMetres * d / kFullRangePixels);
}

XyzPoint xyzPointFor(double d, const XyzAxes& axes, double rangeMetres, double distanceM) {
    const float r = xyzRangeFor(d, rangeMetres);
    XyzPoint p;
    p.x = static_cast<float>(r * axes.cosG);
    p.y = static_cast<float>(-(r * axes.sinG));
    p.z = static_cast<float>(distanceM);
    return p;
}

XyzPoint xyzPointFor(double d, double theta, double rangeMetres, double distanceM) {
    return xyzPointFor(d, xyzAxesFor(theta), rangeMetres, distanceM);
}

std::string xyzTimeStamp(const CSondrelDoc& doc) {
    std::string stamp;
    stamp.reserve(doc.ping.dateText.size() + doc.ping.timeText.size() +
                  doc.ping.millisecondText.size() + 1);
    stamp += doc.ping.dateText;
    stamp += '\t';
    stamp += doc.ping.timeText;
    stamp += doc.ping.millisecondText;
    // The texts come from the records: a tab or line break in them must not add
    // fields or lines, so the stamp's one tab is put back after the substitution.
    std::string printable = printableText(stamp);
    printable[doc.ping.dateText.size()] = '\t';
    return printable;
}

namespace {

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes "% 7.3f" of `value` at `p` (room for kXyzMaxNumberText characters)
// and returns the end.
char* writeFixed3(char* p, float value) {
    const double v = value;
    const double scaled = std::fabs(v) * 1000.0;
    // A float times 1000 is exact in a double; adding and taking away 2^52
    // rounds it to an integer with ties to even, which is what the C library
    // does with the exact binary value. Larger values, NaN and infinities are
    // left to the library itself.
    if (!(scaled < 1e15)) {
        const int n = std::snprintf(p, kXyzMaxNumberText, "% 7.3f", v);
        return p + std::clamp(n, 0, static_cast<int>(kXyzMaxNumberText) - 1);
    }
    constexpr double kTwo52 = 4503599627370496.0;
    std::uint64_t whole = static_cast<std::uint64_t>((scaled + kTwo52) - kTwo52);
    const auto thousandths = static_cast<unsigned>(whole % 1000);
    whole /= 1000;
    const char sign = std::signbit(v) ? '-' : ' ';
    if (whole < 100) {
        // Pipe profiles live here: at most two digits before the point.
        if (whole < 10) {
            *p++ = ' ';
            *p++ = sign;
            *p++ = static_cast<char>('0' + whole);
        } else {
            *p++ = sign;
            std::memcpy(p, &kDigitPairs[2 * whole], 2);
            p += 2;
        }
        *p++ = '.';
        *p++ = static_cast<char>('0' + thousandths / 100);
        std::memcpy(p, &kDigitPairs[2 * (thousandths % 100)], 2);
        return p + 2;
    }

    char digits[32];
    char* q = digits + sizeof digits;
    q -= 2;
    std::memcpy(q, &kDigitPairs[2 * (thousandths % 100)], 2);
    *--q = static_cast<char>('0' + thousandths / 100);
    *--q = '.';
    while (whole >= 100) {
        q -= 2;
        std::memcpy(q, &kDigitPairs[2 * (whole % 100)], 2);
        whole /= 100;
    }
    if (whole >= 10) {
        q -= 2;
        std::memcpy(q, &kDigitPairs[2 * whole], 2);
    } else {
        *--q = static_cast<char>('0' + whole);
    }
    *--q = sign;
    const auto len = static_cast<int>(digits + sizeof digits - q);
    for (int pad = 7 - len; pad > 0; --pad) *p++ = ' ';
    std::memcpy(p, q, static_cast<std::size_t>(len));
    return p + len;
}

}  // namespace

void appendFixed3(std::string& out, float value) {
    char text[kXyzMaxNumberText];
    out.append(text, writeFixed3(text, value));
}

char* writeXyzPointLine(char* out, std::string_view stamp, const XyzPoint& p) {
    std::memcpy(out, stamp.data(), stamp.size());
    out += stamp.size();
    *out++ = '\t';
    out = writeFixed3(out, p.x);
    *out++ = '\t';
    out = writeFixed3(out, p.y);
    *out++ = '\t';
    out = writeFixed3(out, p.z);
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

void appendXyzPointLine(std::string& out, std::string_view stamp, const XyzPoint& p) {
    const std::size_t before = out.size();
    out.resize(before + stamp.size() + kXyzMaxLineTail);
    char* end = writeXyzPointLine(out.data() + before, stamp, p);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

std::string xyzPointLine(std::string_view stamp, const XyzPoint& point) {
    std::string line;
    appendXyzPointLine(line, stamp, point);
    return line;
}

std::string xyzPathFor(const std::string& qzrPath) {
    if (qzrPath.size() < 3) return qzrPath + "xyz";
    return qzrPath.substr(0, qzrPath.size() - 3) + "xyz";
}

// ------------------------------------------------------------------ XyzWriter

XyzWriter::XyzWriter(const CSondrelDoc& doc, std::size_t bufferSize)
    : doc_(doc), buffer_(std::max<std::size_t>(bufferSize, 4096)), flushAt_(buffer_.size()) {}

XyzWriter::~XyzWriter() {
    close();
}

const XyzAxes& XyzAxesCache::axesFor(double angleDegrees) {
    const auto bits = std::bit_cast<std::uint64_t>(angleDegrees);
    const std::size_t home = (bits * 0x9E3779B97F4A7C15ull) >> 53;  // 11 bits: 2048 slots
    for (std::size_t i = 0; i < kProbes; ++i) {
        Entry& e = slots_[(home + i) % kSlots];
        if (e.valid && e.angleBits == bits) return e.axes;
        if (!e.valid) {
            e = {bits, true, xyzAxesFor(angleDegrees)};
            return e.axes;
        }
    }
    Entry& e = slots_[home];
    e = {bits, true, xyzAxesFor(angleDegrees)};
    return e.axes;
}

bool XyzWriter::create(const std::string& path) {
    close();
    used_ = 0;
    failed_ = false;
    points_ = records_ = 0;
    stampValid_ = false;
    return file_.create(path);
}

bool XyzWriter::flush() {
    if (!file_.isOpen()) return !failed_;
    if (!failed_ && used_ > 0 && !file_.write(buffer_.data(), used_)) failed_ = true;
    used_ = 0;
    return !failed_;
}

bool XyzWriter::close() {
    if (!file_.isOpen()) return !failed_;
    flush();
    if (!file_.close()) failed_ = true;
    return !failed_;
}

bool XyzWriter::active() const {
    return doc_.flags.playbackActive && doc_.flags.xyzConversionActive && file_.isOpen() &&
           !failed_;
}

char* XyzWriter::reserve(std::size_t bytes) {
    if (used_ + bytes > flushAt_) flush();
    if (bytes > buffer_.size()) buffer_.resize(bytes);
    return buffer_.data() + used_;
}

void XyzWriter::point(double distancePixels, double angleDegrees) {
    if (!active()) return;
    if (!stampValid_) {
        // Once a ping: its stamp, its range and where it was taken.
        stamp_ = xyzTimeStamp(doc_);
        rangeMetres_ = doc_.headOnShow().rangeMetres;
        distanceM_ = doc_.orientationOnShow().distanceM;
        stampValid_ = true;
    }
    char* out = reserve(stamp_.size() + kXyzMaxLineTail);
    char* end = writeXyzPointLine(
        out, stamp_,
        xyzPointFor(distancePixels, axes_.axesFor(angleDegrees), rangeMetres_, distanceM_));
    used_ = static_cast<std::size_t>(end - buffer_.data());
    ++points_;
}

void XyzWriter::endOfPing() {
    // The next pass may show another record: take its stamp afresh.
    stampValid_ = false;
    if (!active()) return;
    char* out = reserve(kXyzLineEnd.size());
    std::memcpy(out, kXyzLineEnd.data(), kXyzLineEnd.size());
    used_ += kXyzLineEnd.size();
    ++records_;
}

}  // namespace sondrel

#include "recording/XyzExport.h"

#include <cmath>
#include <cstdio>

#include "acquisition/SondrelDoc.h"

namespace sondrel {

XyzPoint xyzPointFor(double d, double theta, double rangeMetres, double distanceM) {
    double a = theta - 90;
    if (a < 0) a += 360;
    if (a >= 360) a -= 360;
    const double g = a * kProfilePi / 180;
    const float r = static_cast<float>(rangeMetres * d / 500);
    XyzPoint p;
    p.x = static_cast<float>(r * std::cos(g));
    p.y = static_cast<float>(-(r * std::sin(g)));
    p.z = static_cast<float>(distanceM);
    return p;
}

std::string xyzTimeStamp(const CSondrelDoc& doc) {
    std::string stamp;
    stamp.reserve(doc.dateText.size() + doc.timeText.size() + doc.millisecondText.size() + 1);
    stamp += doc.dateText;
    stamp += '\t';
    stamp += doc.timeText;
    stamp += doc.millisecondText;
    return stamp;
}

void appendFixed3(std::string& out, float value) {
    const double v = value;
    // A float times 1000 is exact in a double, and rounding it to the nearest
    // integer with ties to even is what the C library does with the exact
    // binary value, so this prints what "% 7.3f" prints. Beyond 2^53 / 1000
    // (and for NaN and infinities) the library itself does the work.
    if (!(std::fabs(v) < 1e12)) {
        char text[kXyzMaxNumberText];
        const int n = std::snprintf(text, sizeof text, "% 7.3f", v);
        if (n > 0) out.append(text, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof text - 1));
        return;
    }
    auto n = static_cast<std::uint64_t>(std::nearbyint(std::fabs(v) * 1000.0));
    char digits[24];
    int len = 0;
    for (int i = 0; i < 3; ++i) {
        digits[len++] = static_cast<char>('0' + n % 10);
        n /= 10;
    }
    digits[len++] = '.';
    do {
        digits[len++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n != 0);
    digits[len++] = std::signbit(v) ? '-' : ' ';
    for (int pad = 7 - len; pad > 0; --pad) out += ' ';
    while (len > 0) out += digits[--len];
}

void appendXyzPointLine(std::string& out, std::string_view stamp, const XyzPoint& p) {
    out += stamp;
    out += '\t';
    appendFixed3(out, p.x);
    out += '\t';
    appendFixed3(out, p.y);
    out += '\t';
    appendFixed3(out, p.z);
    out += kXyzLineEnd;
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
    : doc_(doc), bufferSize_(std::max<std::size_t>(bufferSize, 1024)) {
    buffer_.reserve(bufferSize_ + 512);
}

XyzWriter::~XyzWriter() { close(); }

bool XyzWriter::create(const std::string& path) {
    close();
    buffer_.clear();
    failed_ = false;
    points_ = records_ = 0;
    stampValid_ = false;
    return file_.create(path);
}

bool XyzWriter::flush() {
    if (!file_.isOpen()) return !failed_;
    if (!failed_ && !buffer_.empty() && !file_.write(buffer_.data(), buffer_.size())) {
        failed_ = true;
    }
    buffer_.clear();
    return !failed_;
}

bool XyzWriter::close() {
    if (!file_.isOpen()) return !failed_;
    flush();
    if (!file_.close()) failed_ = true;
    return !failed_;
}

bool XyzWriter::active() const {
    return doc_.playbackActive && doc_.xyzConversionActive && file_.isOpen() && !failed_;
}

void XyzWriter::drainIfFull() {
    if (buffer_.size() >= bufferSize_) flush();
}

void XyzWriter::point(double distancePixels, double angleDegrees) {
    if (!active()) return;
    if (!stampValid_) {
        stamp_ = xyzTimeStamp(doc_);
        stampValid_ = true;
    }
    appendXyzPointLine(buffer_, stamp_,
                       xyzPointFor(distancePixels, angleDegrees, doc_.rangeMetres, doc_.distanceM));
    ++points_;
    drainIfFull();
}

void XyzWriter::endOfPing() {
    // The next pass may show another record: take its stamp afresh.
    stampValid_ = false;
    if (!active()) return;
    buffer_ += kXyzLineEnd;
    ++records_;
    drainIfFull();
}

}  // namespace sondrel

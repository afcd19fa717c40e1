#include "pipeview/PointCloud.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>

#include "common/JobProgress.h"

namespace sondrel {

static_assert(std::endian::native == std::endian::little,
              "the clouds are written little-endian straight from memory");

std::optional<CloudFormat> cloudFormatFor(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "ply") return CloudFormat::Ply;
    if (ext == "las") return CloudFormat::Las;
    return {};
}

namespace {

template <typename T>
char* put(char* p, T value) {
    std::memcpy(p, &value, sizeof value);
    return p + sizeof value;
}

// A text field of fixed width, padded with zero bytes.
char* putText(char* p, std::string_view text, std::size_t width) {
    std::memset(p, 0, width);
    std::memcpy(p, text.data(), std::min(text.size(), width));
    return p + width;
}

constexpr std::size_t kPlyVertexSize = 3 * 8 + 3 * 4 + 4 + 8;
constexpr std::size_t kLasPointSize = kLasFormat6Size + kCloudExtraBytes;
constexpr std::size_t kLasPointOffset =
    kLasHeaderSize + kLasVlrHeaderSize + kCloudAttributeCount * kLasExtraBytesDescriptorSize;
// The vertex count is written last into a field of this many digits at most;
// a comment line takes up what it leaves, so the header keeps its length.
constexpr std::size_t kPlyCountDigits = 20;

struct ExtraBytes {
    std::uint8_t type;  // LAS data type: 5 uint32, 9 float, 10 double
    const char* name;
    const char* description;
};
constexpr ExtraBytes kExtraBytes[kCloudAttributeCount] = {
    {9, "departure", "from the nominal radius, m"}, {9, "range", "from the head, m"},
    {9, "angle", "look direction, degrees"},        {5, "record", "of the data file, from 1"},
    {10, "time", "since the first record, s"},
};

std::string plyHeader(std::int64_t vertices) {
    const std::string count = std::to_string(vertices);
    std::string h = "ply\nformat binary_little_endian 1.0\n";
    h += "comment x y z in metres, z the chainage; departure from the nominal radius (m), "
         "range (m), angle (degrees), record (from 1), time since the first record (s)\n";
    h += "comment" + std::string(kPlyCountDigits - count.size() + 1, ' ') + "\n";
    h += "element vertex " + count + "\n";
    h += "property double x\nproperty double y\nproperty double z\n"
         "property float departure\nproperty float range\nproperty float angle\n"
         "property uint record\nproperty double time\nend_header\n";
    return h;
}

}  // namespace

CloudWriter::CloudWriter(CloudFormat format, std::size_t bufferSize)
    : format_(format), buffer_(std::max<std::size_t>(bufferSize, 4096)) {}

CloudWriter::~CloudWriter() {
    if (file_.isOpen()) file_.close();
}

std::vector<char> CloudWriter::header() const {
    if (format_ == CloudFormat::Ply) {
        const std::string h = plyHeader(points_);
        return {h.begin(), h.end()};
    }
    std::vector<char> h(kLasPointOffset, 0);
    char* p = h.data();
    p = putText(p, "LASF", 4);
    p = put<std::uint16_t>(p, 0);       // file source
    p = put<std::uint16_t>(p, 1 << 4);  // global encoding: a CRS would be WKT
    p += 16;                            // project GUID
    p = put<std::uint8_t>(p, 1);
    p = put<std::uint8_t>(p, 4);
    p = putText(p, "OTHER", 32);
    p = putText(p, "sondrel " SONDREL_VERSION, 32);
    const std::time_t now = std::time(nullptr);
    std::tm day{};
    gmtime_r(&now, &day);
    p = put<std::uint16_t>(p, static_cast<std::uint16_t>(day.tm_yday + 1));
    p = put<std::uint16_t>(p, static_cast<std::uint16_t>(day.tm_year + 1900));
    p = put<std::uint16_t>(p, kLasHeaderSize);
    p = put<std::uint32_t>(p, kLasPointOffset);
    p = put<std::uint32_t>(p, 1);  // variable length records
    p = put<std::uint8_t>(p, 6);
    p = put<std::uint16_t>(p, kLasPointSize);
    p = put<std::uint32_t>(p, 0);  // legacy count: 0 for format 6
    p += 5 * 4;                    // legacy counts by return
    for (int i = 0; i < 3; ++i) p = put<double>(p, kLasScale);
    for (double offset : offset_) p = put<double>(p, offset);
    for (int i = 0; i < 3; ++i) {
        p = put<double>(p, static_cast<double>(high_[i]) * kLasScale + offset_[i]);
        p = put<double>(p, static_cast<double>(low_[i]) * kLasScale + offset_[i]);
    }
    p = put<std::uint64_t>(p, 0);  // waveform data
    p = put<std::uint64_t>(p, 0);  // first extended record
    p = put<std::uint32_t>(p, 0);  // extended records
    p = put<std::uint64_t>(p, static_cast<std::uint64_t>(points_));
    // Every point is the first and only return.
    p = put<std::uint64_t>(p, static_cast<std::uint64_t>(points_));
    p += 14 * 8;

    p = put<std::uint16_t>(p, 0);
    p = putText(p, "LASF_Spec", 16);
    p = put<std::uint16_t>(p, 4);
    p = put<std::uint16_t>(p, kCloudAttributeCount * kLasExtraBytesDescriptorSize);
    p = putText(p, "Point attributes", 32);
    for (const ExtraBytes& e : kExtraBytes) {
        char* d = p;
        d += 2;
        d = put<std::uint8_t>(d, e.type);
        d = put<std::uint8_t>(d, 0);  // no no-data, bounds, scale or offset
        d = putText(d, e.name, 32);
        d += 4 + 5 * 24;
        putText(d, e.description, 32);
        p += kLasExtraBytesDescriptorSize;
    }
    return h;
}

bool CloudWriter::create(const std::string& path) {
    used_ = 0;
    failed_ = false;
    points_ = 0;
    if (!file_.create(path)) return false;
    const std::vector<char> h = header();
    if (!file_.write(h.data(), h.size())) failed_ = true;
    return true;
}

void CloudWriter::flush() {
    if (!failed_ && used_ > 0 && !file_.write(buffer_.data(), used_)) failed_ = true;
    used_ = 0;
}

void CloudWriter::add(const CloudPoint& point) {
    if (failed_ || !file_.isOpen()) return;
    if (used_ + kLasPointSize > buffer_.size()) flush();
    char* p = buffer_.data() + used_;
    if (format_ == CloudFormat::Ply) {
        p = put(p, point.x);
        p = put(p, point.y);
        p = put(p, point.z);
        p = put(p, point.departure);
        p = put(p, point.range);
        p = put(p, point.angle);
        p = put(p, point.record);
        p = put(p, point.time);
    } else {
        const double xyz[3] = {point.x, point.y, point.z};
        if (points_ == 0) {
            for (int i = 0; i < 3; ++i) offset_[i] = std::isfinite(xyz[i]) ? std::floor(xyz[i]) : 0;
        }
        std::int32_t stored[3];
        for (int i = 0; i < 3; ++i) {
            const double units = std::round((xyz[i] - offset_[i]) / kLasScale);
            // A point the integers cannot reach (a damaged record's distance)
            // would be stored somewhere else: it is left out.
            if (!(std::fabs(units) <= std::numeric_limits<std::int32_t>::max())) return;
            stored[i] = static_cast<std::int32_t>(units);
        }
        for (int i = 0; i < 3; ++i) {
            if (points_ == 0 || stored[i] < low_[i]) low_[i] = stored[i];
            if (points_ == 0 || stored[i] > high_[i]) high_[i] = stored[i];
            p = put(p, stored[i]);
        }
        p = put<std::uint16_t>(p, 0);    // intensity
        p = put<std::uint8_t>(p, 0x11);  // return 1 of 1
        p = put<std::uint8_t>(p, 0);     // flags, channel, scan direction, edge
        p = put<std::uint8_t>(p, 1);     // class: unclassified
        p = put<std::uint8_t>(p, 0);     // user data
        p = put<std::int16_t>(p, 0);     // scan angle
        p = put<std::uint16_t>(p, 0);    // point source
        p = put(p, point.time);          // GPS time
        p = put(p, point.departure);
        p = put(p, point.range);
        p = put(p, point.angle);
        p = put(p, point.record);
        p = put(p, point.time);
    }
    used_ = static_cast<std::size_t>(p - buffer_.data());
    ++points_;
}

void CloudWriter::add(const PipeSlice& slice) {
    if (!slice.placed()) return;
    CloudPoint c;
    c.z = slice.chainage;
    c.record = static_cast<std::uint32_t>(slice.record);
    c.time = slice.timeS;
    for (const SlicePoint& p : slice.points) {
        c.x = p.x;
        c.y = p.y;
        c.departure = static_cast<float>(slice.departureOf(p.x, p.y));
        c.range = p.rangeM;
        c.angle = p.angleDegrees;
        add(c);
    }
}

bool CloudWriter::finish() {
    if (!file_.isOpen()) return !failed_;
    flush();
    if (!failed_) {
        const std::vector<char> h = header();
        if (!file_.seek(0) || !file_.write(h.data(), h.size())) failed_ = true;
    }
    if (!file_.close()) failed_ = true;
    return !failed_;
}

ConversionResult exportPointCloud(CSondrelDoc& doc, const std::string& input,
                                  const std::string& output, const SliceSettings& settings,
                                  const ChainageSource& chainage,
                                  const ConversionProgress& progress,
                                  const ConversionCancelled& cancelled) {
    ConversionResult result;
    const std::optional<CloudFormat> format = cloudFormatFor(output);
    if (!format) {
        result.error = ConversionError::OutputUnwritable;
        result.message = output + ": a point cloud is written as .ply or .las";
        return result;
    }
    {
        // The input is looked at before an output is made for it.
        BinaryFile in;
        std::int64_t length = 0;
        if (result = openDataFile(in, input, length); !result.ok()) return result;
    }
    if (sameInode(input, output)) {
        result.error = ConversionError::SameFile;
        result.message = output + ": is the input file itself; choose another output";
        return result;
    }
    CloudWriter writer(*format);
    if (!writer.create(output)) {
        result.error = ConversionError::OutputUnwritable;
        result.message = output + ": cannot create: " + writer.errorText();
        return result;
    }
    result = walkSlices(
        doc, input, settings, chainage,
        [&](const PipeSlice& slice) {
            if (slice.kept) writer.add(slice);
            return !writer.failed();
        },
        progress, cancelled);
    const ConversionError walked = result.error;
    // A name that went away with its folder takes the cloud with it.
    const bool reachable = writer.failed() || writer.stillAtItsName();
    const bool written = writer.finish() && reachable;
    result.summary.pointsWritten = writer.pointsWritten();
    if (!written) {
        result.error = ConversionError::OutputUnwritable;
        result.message =
            output + ": write failed: " + (reachable ? writer.errorText() : kRemovedWhileWritten);
        discardPartialOutput(output, result);
    } else if (walked != ConversionError::None) {
        discardPartialOutput(output, result);
    }
    return result;
}

ConversionResult exportPointCloud(CSondrelDoc& doc, const std::string& input,
                                  const std::string& output, const SliceSettings& settings,
                                  const ChainageSource& chainage, JobProgress& progress) {
    std::int64_t records = 0;
    return exportPointCloud(
        doc, input, output, settings, chainage,
        [&](std::int64_t done, std::int64_t total) { progress.report(done, total, records); },
        [&] {
            ++records;
            return progress.cancelled();
        });
}

}  // namespace sondrel

#pragma once
// Point clouds of a survey for point-cloud, GIS and CAD programs: one point
// per accepted profile point at (x, y, chainage) in metres, x and y as the XYZ
// export computes them, with five attributes: the departure from the nominal
// radius (m), the range (m), the look angle (degrees), the record (from 1) and
// the time since the survey's first record (s).
//
// Two formats, chosen by the output's extension:
// - PLY, binary little-endian: one vertex element with x, y, z as doubles
//   (0.1 mm holds at any chainage) and the attributes as named properties
//   (departure, range, angle: float; record: uint; time: double).
// - LAS 1.4, point data format 6: coordinates as integers at a scale of
//   0.0001 m about offsets taken from the first point (whole metres), the
//   attributes as extra bytes described in an Extra Bytes record (user
//   "LASF_Spec", record 4), the time also as the point's GPS time. The legacy
//   point counts of the header are 0, as the format demands for point data
//   format 6; the 64-bit counts and the bounds are exact.
//
// Both are written as the file is read, through a buffer: the cloud is never
// held. The header's counts and bounds are written last, over the header
// written first. A failed write, a cancel or an output that lost its name on
// the way removes the output.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pipeview/PipeSlice.h"
#include "recording/BinaryFile.h"

namespace sondrel {

class JobProgress;

enum class CloudFormat : std::uint8_t { Ply, Las };

// From the extension (.ply, .las, any case); nothing for another one.
std::optional<CloudFormat> cloudFormatFor(const std::string& path);

struct CloudPoint {
    double x = 0.0, y = 0.0, z = 0.0;
    float departure = 0.0f, range = 0.0f, angle = 0.0f;
    std::uint32_t record = 0;
    double time = 0.0;
};

inline constexpr double kLasScale = 0.0001;
inline constexpr std::size_t kLasHeaderSize = 375;
inline constexpr std::size_t kLasVlrHeaderSize = 54;
inline constexpr std::size_t kLasExtraBytesDescriptorSize = 192;
inline constexpr std::size_t kLasFormat6Size = 30;
// departure, range, angle (float), record (uint32), time (double)
inline constexpr std::size_t kCloudExtraBytes = 4 + 4 + 4 + 4 + 8;
inline constexpr int kCloudAttributeCount = 5;

class CloudWriter {
  public:
    explicit CloudWriter(CloudFormat format, std::size_t bufferSize = 1 << 20);
    ~CloudWriter();
    CloudWriter(const CloudWriter&) = delete;
    CloudWriter& operator=(const CloudWriter&) = delete;

    // Creates (truncates) the file and writes a header to be completed.
    bool create(const std::string& path);
    void add(const CloudPoint& point);
    // Every point of a placed slice at its chainage; nothing of one without a place.
    void add(const PipeSlice& slice);
    // Writes what is buffered, completes the header and closes; false when
    // anything failed on the way.
    bool finish();

    bool failed() const { return failed_; }
    bool isOpen() const { return file_.isOpen(); }
    std::int64_t pointsWritten() const { return points_; }
    std::string errorText() const { return file_.errorText(); }
    int lastError() const { return file_.lastError(); }
    bool stillAtItsName() { return file_.stillAtItsName(); }

  private:
    std::vector<char> header() const;
    void flush();

    CloudFormat format_;
    BinaryFile file_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
    std::int64_t points_ = 0;
    // LAS: the offsets (from the first point) and the bounds of the stored integers.
    double offset_[3] = {0, 0, 0};
    std::int64_t low_[3] = {0, 0, 0}, high_[3] = {0, 0, 0};
};

// Reads `input` as playback does and writes the cloud of its kept, placed
// slices to `output` in the format of its extension. The result's
// `pointsWritten` counts the points; an output whose extension names no
// format is refused (OutputUnwritable) before anything is created.
ConversionResult exportPointCloud(CSondrelDoc& doc, const std::string& input,
                                  const std::string& output, const SliceSettings& settings,
                                  const ChainageSource& chainage,
                                  const ConversionProgress& progress = {},
                                  const ConversionCancelled& cancelled = {});
// The same reporting to and cancelled by a job's progress (records as items).
ConversionResult exportPointCloud(CSondrelDoc& doc, const std::string& input,
                                  const std::string& output, const SliceSettings& settings,
                                  const ChainageSource& chainage, JobProgress& progress);

}  // namespace sondrel

#pragma once
// The XYZ text export: one line per accepted profile point, "date<TAB>time.ms"
// followed by x, y and z in metres as "% 7.3f", and an empty line after each
// record; lines end in CR LF.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "display/ProfilePass.h"
#include "recording/BinaryFile.h"

namespace sondrel {

class CSondrelDoc;

inline constexpr std::string_view kXyzLineEnd = "\r\n";
// Room for one number: the largest float needs 44 characters.
inline constexpr std::size_t kXyzMaxNumberText = 64;

// A point in metres, each coordinate already rounded to single precision.
struct XyzPoint {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

// (d, theta) of the profile pass to metres: the angle is turned so that 180
// degrees lies on the negative y axis and 90 on the positive x axis.
XyzPoint xyzPointFor(double distancePixels, double angleDegrees, double rangeMetres,
                     double distanceM);
// The distance of such a point from the head, in metres, as the point is
// built from it.
float xyzRangeFor(double distancePixels, double rangeMetres);
// The same in two steps, so that the angle's part can be kept for the next
// ping: the cosine and sine of the turned angle, then the point.
struct XyzAxes {
    double cosG = 1.0, sinG = 0.0;
};
XyzAxes xyzAxesFor(double angleDegrees);
XyzPoint xyzPointFor(double distancePixels, const XyzAxes& axes, double rangeMetres,
                     double distanceM);

// The pass hands over the same angles ping after ping (unless the start angle
// follows the roll); their cosines and sines are kept by the exact bits of the
// angle, so a hit gives the very same numbers as xyzAxesFor.
class XyzAxesCache {
  public:
    XyzAxesCache() : slots_(kSlots) {}
    const XyzAxes& axesFor(double angleDegrees);

  private:
    struct Entry {
        std::uint64_t angleBits = 0;
        bool valid = false;
        XyzAxes axes;
    };
    static constexpr std::size_t kSlots = 2048;
    static constexpr std::size_t kProbes = 4;
    std::vector<Entry> slots_;
};

// The time stamp of a point line: date text, a tab, time text and millisecond text.
std::string xyzTimeStamp(const CSondrelDoc& doc);

// Appends "% 7.3f" of `value` to `out`, exactly as the C library prints it.
void appendFixed3(std::string& out, float value);
// Longest point line after its stamp: three tabs, three numbers, CR LF.
inline constexpr std::size_t kXyzMaxLineTail = 3 * (kXyzMaxNumberText + 1) + 2;
// Writes one point line (with its CR LF) at `out`, which has room for the
// stamp and kXyzMaxLineTail more; returns the end.
char* writeXyzPointLine(char* out, std::string_view stamp, const XyzPoint& point);
// Appends one point line (with its CR LF) to `out`.
void appendXyzPointLine(std::string& out, std::string_view stamp, const XyzPoint& point);
// The text of one point line, CR LF included.
std::string xyzPointLine(std::string_view stamp, const XyzPoint& point);

// The output name for a data file: its last three characters replaced by "xyz".
std::string xyzPathFor(const std::string& qzrPath);

// Writes the points of every pass to a file through a buffer. Points arrive
// only while the document plays back a file with a conversion running, so the
// desktop program can hand it to every pass.
class XyzWriter : public ProfileExport {
  public:
    explicit XyzWriter(const CSondrelDoc& doc, std::size_t bufferSize = 1 << 16);
    ~XyzWriter() override;

    // Creates (truncates) the output file.
    bool create(const std::string& path);
    bool isOpen() const { return file_.isOpen(); }
    // Writes out what is buffered and closes; false on a write error.
    bool close();
    bool flush();

    void point(double distancePixels, double angleDegrees) override;
    void endOfPing() override;

    std::int64_t pointsWritten() const { return points_; }
    std::int64_t recordsWritten() const { return records_; }
    // Set after the first failed write; later points are dropped.
    bool failed() const { return failed_; }
    std::string errorText() const { return file_.errorText(); }
    int lastError() const { return file_.lastError(); }
    bool stillAtItsName() { return file_.stillAtItsName(); }
    const std::string& path() const { return file_.path(); }

  private:
    bool active() const;
    // Makes room for `bytes` more, writing out what is buffered when needed.
    char* reserve(std::size_t bytes);

    const CSondrelDoc& doc_;
    BinaryFile file_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
    std::size_t flushAt_;
    std::string stamp_;
    double rangeMetres_ = 0.0, distanceM_ = 0.0;
    bool stampValid_ = false;
    bool failed_ = false;
    std::int64_t points_ = 0;
    std::int64_t records_ = 0;
    XyzAxesCache axes_;
};

}  // namespace sondrel

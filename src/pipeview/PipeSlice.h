#pragma once
// A ping as the views of the pipe along its length take it: its accepted
// profile points in metres (x and y exactly as the XYZ export computes them,
// roll correction included, with each point's range and look direction), where
// it lies along the pipe, when it was taken, and the centre and radius its
// wall is held against, from the pipe geometry of the same points.
//
// The departure of a point is its distance from the slice's centre minus the
// nominal radius: positive where the wall lies outside the nominal circle,
// negative where it has come in. The centre is the ping's fitted circle (the
// shape of the bore, whatever the head's place in it), or the head itself
// (where the wall lies from the instrument's line, so a section displaced at a
// joint shows as a step). Without a usable nominal diameter the ping's own
// fitted radius stands for it; a ping the geometry cannot measure has no
// departures (NaN).

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "analysis/PipeGeometry.h"
#include "display/ProfilePass.h"
#include "pipeview/Chainage.h"
#include "recording/DataFileConverter.h"
#include "recording/XyzExport.h"

namespace sondrel {

class CSondrelDoc;
class JobProgress;

inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

struct SlicePoint {
    double x = 0.0, y = 0.0;    // metres; single-precision values, as the XYZ export's
    float rangeM = 0.0f;        // from the head
    float angleDegrees = 0.0f;  // the profile pass's look direction, 0..360
};

enum class WallCentre : std::uint8_t { FittedCircle, Head };

struct SliceSettings {
    double nominalDiameter = 0.0;  // metres; 0 or unusable: the fitted radius instead
    WallCentre centre = WallCentre::FittedCircle;
};

struct PipeSlice {
    std::int64_t record = 0;  // from 1, invalid records counted
    std::int64_t filePosition = -1;
    double timeS = kNoValue;     // since the first record of the survey
    double chainage = kNoValue;  // metres
    bool kept = true;
    std::vector<SlicePoint> points;

    bool measured = false;
    double centreX = 0.0, centreY = 0.0;
    double radius = kNoValue;  // what departures are taken from
    // The sediment floor's height: the wall below it lies under sediment.
    std::optional<double> sedimentLevel;

    bool placed() const { return std::isfinite(chainage); }
    double departureOf(double x, double y) const {
        return std::hypot(x - centreX, y - centreY) - radius;
    }
    // Clock position about the centre in degrees clockwise from 12 o'clock
    // (straight up), 0..360.
    double clockDegreesOf(double x, double y) const;
    // Whether the wall in that clock direction lies under the sediment floor.
    bool underSediment(double clockDegrees) const;
};

// Seconds of the time stamp texts of a record ("09-DEC-2026", "10:00:00",
// ".120") from a fixed day; NaN when they cannot be read.
double stampSeconds(const std::string& date, const std::string& time,
                    const std::string& milliseconds);

// The geometry of a slice's points: its centre, radius and sediment floor.
// Depends on nothing but the slice, so slices may be measured on any thread,
// one measurer a thread.
class SliceMeasurer {
  public:
    explicit SliceMeasurer(SliceSettings settings) : settings_(settings) {}
    void measure(PipeSlice& slice);

  private:
    SliceSettings settings_;
    PipeAnalyser analyser_;
    std::vector<GeometryPoint> xy_;
};

// Follows the profile pass over each ping and makes its slice. Keeps its
// buffers, so a slice costs no allocation once the first has been made.
class SliceMaker : public ProfileExport {
  public:
    SliceMaker(const CSondrelDoc& doc, SliceSettings settings, const ChainageSource& chainage);

    void point(double distancePixels, double angleDegrees) override;
    void endOfPing() override;

    // After a pass over the ping on show, which is record `record` of its
    // file: its slice, into `slice` (whose buffers are reused), measured.
    void make(std::int64_t record, PipeSlice& slice);
    // The same without its geometry, for a SliceMeasurer to add.
    void take(std::int64_t record, PipeSlice& slice);

  private:
    const CSondrelDoc& doc_;
    const ChainageSource& chainage_;
    SliceMeasurer measurer_;
    XyzAxesCache axes_;
    std::vector<SlicePoint> points_;
    double rangeMetres_ = 0.0;
    double firstStamp_ = kNoValue;
    bool fresh_ = true;
};

// What the walk over a file passes on, slice by slice; false stops it.
using SliceSink = std::function<bool(const PipeSlice&)>;

// Reads `input` as playback does and hands every valid record's slice to
// `sink`, in file order, on the calling thread. The document should carry the
// display settings that shape the points; counts, stops and read errors go
// into the result (`pointsWritten` counts nothing here). Cancelled when
// `cancelled` says so between records (the result then says Cancelled).
//
// The records are read on the calling thread and their slices measured by
// `threads` threads (0: one per processor core, at most 8; 1: the calling
// thread alone); the sink sees the same slices in the same order whatever
// the number.
ConversionResult walkSlices(CSondrelDoc& doc, const std::string& input,
                            const SliceSettings& settings, const ChainageSource& chainage,
                            const SliceSink& sink, const ConversionProgress& progress = {},
                            const ConversionCancelled& cancelled = {}, unsigned threads = 0);

}  // namespace sondrel

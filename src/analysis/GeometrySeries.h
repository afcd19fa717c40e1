#pragma once
// The pipe geometry along the pipe: one sample per ping, live or played back,
// placed by the travelled distance from the orientation input or, while no
// distance has come in, by record number. The chart window draws these
// samples and their warning and alarm bands; a click on a played sample finds
// its record again by the byte position kept with it.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "analysis/PipeGeometry.h"

namespace sondrel {

class CSondrelDoc;
struct GeometrySettings;

enum class GeometryLevel : std::uint8_t { Normal, Warning, Alarm };

// `value` against its two levels; reaching a level counts as beyond it.
GeometryLevel geometryLevel(double value, double warning, double alarm);

// The bands' levels in the charts' own units: ovality in percent, sediment in
// metres of depth for a pipe of `nominalDiameter` metres.
struct GeometryBands {
    double ovalityWarning = 0.0, ovalityAlarm = 0.0;
    double sedimentWarning = 0.0, sedimentAlarm = 0.0;
};
GeometryBands geometryBands(const GeometrySettings& settings, double nominalDiameter);

struct GeometrySample {
    std::int64_t record = 0;     // from 1
    std::int64_t position = -1;  // where the record starts in its file; -1 live
    double distance = 0.0;       // metres travelled; 0 without
    bool hasDistance = false;    // the orientation input gave the distance
    bool ok = false;             // measured; otherwise the figures are empty
    double meanDiameter = 0.0, ovalityPercent = 0.0, sedimentDepth = 0.0;
    GeometryLevel ovality = GeometryLevel::Normal;
    GeometryLevel sediment = GeometryLevel::Normal;
};

// The distance travelled by the ping in the document: NaN while the
// orientation input is off or has given no distance.
double travelledDistance(const CSondrelDoc& doc);

// A sample of a ping measured as `geometry`, its levels taken from `bands`;
// `distance` is NaN when there is none.
GeometrySample geometrySample(std::int64_t record, std::int64_t position, double distance,
                              const PipeGeometry& geometry, const GeometryBands& bands);

class GeometrySeries {
  public:
    // A long live run keeps only the newest `capacity` samples (at least 2).
    explicit GeometrySeries(std::size_t capacity = kDefaultCapacity);

    static constexpr std::size_t kDefaultCapacity = 100000;

    // Samples are kept in record order, one per record: a record seen again
    // (playback went back, jumped, or the file started over) replaces its
    // sample, so a part played twice is drawn once.
    void add(const GeometrySample& sample);
    void clear();

    std::span<const GeometrySample> samples() const { return samples_; }
    // Whether the samples lie along the travelled distance: once any sample
    // has one; until then they lie along the record number.
    bool alongDistance() const { return alongDistance_; }
    double along(const GeometrySample& sample) const {
        return alongDistance_ ? sample.distance : static_cast<double>(sample.record);
    }
    // The measured sample nearest to `x` along the pipe; null when none is.
    const GeometrySample* nearest(double x) const;

  private:
    std::vector<GeometrySample> samples_;
    std::size_t capacity_;
    bool alongDistance_ = false;
};

}  // namespace sondrel

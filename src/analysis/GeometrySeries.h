#pragma once
// The pipe geometry along the pipe: one sample per ping, live or played back,
// placed by the travelled distance from the orientation input or, while no
// distance has come in, by record number. The chart window and the report draw
// these samples and their warning and alarm bands; a click on a played sample
// finds its record again by the byte position kept with it.
//
// Along the distance, a ping taken while the counter gave no distance has no
// place: it is left out of the axis and its line, which has a gap there. A
// stretch where the distance runs backwards (the crawler reversed, the counter
// was reset) is a pass of its own, drawn as its own line.

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
// metres of depth for the pipe's nominal diameter (no depth is beyond a level
// without one).
struct GeometryBands {
    double ovalityWarning = 0.0, ovalityAlarm = 0.0;
    double sedimentWarning = 0.0, sedimentAlarm = 0.0;
};
GeometryBands geometryBands(const GeometrySettings& settings);

struct GeometrySample {
    std::int64_t record = 0;     // from 1
    std::int64_t position = -1;  // where the record starts in its file; -1 live
    double distance = 0.0;       // metres travelled; NaN without
    bool hasDistance = false;    // the orientation input gave the distance
    bool ok = false;             // measured; otherwise the figures are empty
    double meanDiameter = 0.0, ovalityPercent = 0.0, sedimentDepth = 0.0;
    // Kept so that the ovality can be taken again on other settings.
    double minDiameter = 0.0, maxDiameter = 0.0;
    GeometryLevel ovality = GeometryLevel::Normal;
    GeometryLevel sediment = GeometryLevel::Normal;
};

// A run of samples drawn as one line: [begin, end) of the series' samples,
// of which the placed ones are its points.
struct GeometryRun {
    std::size_t begin = 0, end = 0;
};
// Along the distance, a move back by more than this starts a new pass; less
// is the counter's own jitter.
inline constexpr double kPassReversalMetres = 0.05;

// Where the placed samples lie along the pipe; found is false without any.
struct GeometrySpan {
    bool found = false;
    double left = 0.0, right = 0.0;
};

// The distance travelled by the ping in the document: NaN while the
// orientation input is off or has given no distance.
double travelledDistance(const CSondrelDoc& doc);

// A sample of a ping measured as `geometry`, its levels taken from `bands`;
// `distance` is NaN when there is none.
GeometrySample geometrySample(std::int64_t record, std::int64_t position, double distance,
                              const PipeGeometry& geometry, const GeometryBands& bands);
// The sample's ovality and levels taken again on `settings`, from its diameters.
void remeasureSample(GeometrySample& sample, const GeometrySettings& settings);

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
    // Every sample's ovality and levels taken again on other settings.
    void remeasure(const GeometrySettings& settings);

    std::span<const GeometrySample> samples() const { return samples_; }
    // Whether the samples lie along the travelled distance: once any sample
    // has one; until then they lie along the record number.
    bool alongDistance() const { return alongDistance_; }
    double along(const GeometrySample& sample) const {
        return alongDistance_ ? sample.distance : static_cast<double>(sample.record);
    }
    // Whether the sample is a point of the charts: measured, and with a
    // distance when they lie along it.
    bool placed(const GeometrySample& sample) const {
        return sample.ok && (!alongDistance_ || sample.hasDistance);
    }
    // The lines to draw, in record order: a ping without a distance ends one,
    // a pass begins another.
    std::vector<GeometryRun> runs() const;
    GeometrySpan span() const;
    // The placed sample nearest to `x` along the pipe; null when none is.
    const GeometrySample* nearest(double x) const;

  private:
    std::vector<GeometrySample> samples_;
    std::size_t capacity_;
    bool alongDistance_ = false;
};

}  // namespace sondrel

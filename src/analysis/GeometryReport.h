#pragma once
// What a pipe report says about a data file: a summary, the samples along the
// pipe, and the places beyond the alarm levels with the cross-section seen
// there. Gathered here without Qt; the report's pages are painted from it.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "analysis/GeometrySeries.h"
#include "analysis/GeometrySettings.h"
#include "analysis/PipeGeometry.h"
#include "recording/DataFileConverter.h"

namespace sondrel {

class CSondrelDoc;
class JobProgress;

// A figure at its worst and where it was.
struct GeometryWorst {
    bool found = false;
    double value = 0.0;
    GeometrySample at;
};

// One stretch of consecutive records beyond an alarm level, told by its worst
// record: its figures, its points and its fitted shape.
struct GeometryPlace {
    GeometrySample sample;
    PipeGeometry geometry;
    std::vector<GeometryPoint> points;
    bool ovalityAlarm = false, sedimentAlarm = false;
};

// At most this many places are pictured; the worst are kept.
inline constexpr std::size_t kMaxReportPlaces = 30;

struct GeometryReport {
    std::string file, date;
    double nominalDiameter = 0.0;  // the settings'; 0 without one
    OvalityBasis ovalityBasis = OvalityBasis::Nominal;
    GeometrySettings settings;
    GeometryBands bands;
    std::int64_t records = 0, measured = 0;
    // The span of the distances read; 0 without distances.
    double lengthSurveyed = 0.0;
    GeometryWorst ovality, deformation, sediment;
    GeometrySeries series{GeometrySeries::kDefaultCapacity * 10};
    std::vector<GeometryPlace> places;
    std::int64_t placesBeyondLimit = 0;  // stretches found, pictured or not
    bool cancelled = false;              // stopped on request before the end
};

// The same report from samples already measured (a survey's, in record
// order, each with the position of its record): their ovality and levels are
// taken again on `settings`, and only the records of the places pictured are
// read again, for their points and shapes.
ConversionResult collectGeometryReportFrom(CSondrelDoc& doc, const std::string& input,
                                           const GeometrySettings& settings,
                                           std::span<const GeometrySample> samples,
                                           GeometryReport& report);

// Where a chart axis from `low` to `high` is ticked: at most about `most`
// round values (1, 2 or 5 times a power of ten apart) within the range.
std::vector<double> chartTicks(double low, double high, int most);

// Reads `input` as playback does and gathers the report on `settings`. The
// document should carry the display settings that shape the points. A long
// gathering tells `progress`, when given, the records and bytes read, and
// stops once it is cancelled.
ConversionResult collectGeometryReport(CSondrelDoc& doc, const std::string& input,
                                       const GeometrySettings& settings, GeometryReport& report,
                                       JobProgress* progress = nullptr);

}  // namespace sondrel

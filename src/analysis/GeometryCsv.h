#pragma once
// The pipe geometry of a data file as a table: one CSV row per record, in
// metres, square metres, percent and degrees whatever the display units, so
// that spreadsheets and scripts read every file the same way. Each measured
// row names the nominal diameter it was measured against and the definition
// of its ovality; a record taken without a distance reading has an empty
// distance.

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>

#include "analysis/GeometrySettings.h"
#include "analysis/PipeGeometry.h"
#include "recording/DataFileConverter.h"

namespace sondrel {

class CSondrelDoc;

// One record's line: where and when it was taken, and what it measured.
struct GeometryRow {
    std::int64_t record = 0;  // its place in the file, from 1, invalid records counted
    std::string date, time;
    double distance = 0.0;  // NaN: no reading
    double pitch = 0.0, roll = 0.0;
    PipeGeometry geometry;
    // Where along the surveyed pipe it lies, when a survey placed it (NaN:
    // nowhere), and whether that place was estimated from time and speed.
    double chainage = std::numeric_limits<double>::quiet_NaN();
    bool chainageEstimated = false;
};

// Gives a row its chainage, in record order, before it is measured.
using GeometryRowPlacer = std::function<void(GeometryRow&)>;

// The header line, CR LF included. The last two columns are a survey's
// chainage and its estimated flag, empty for a record without one.
std::string_view geometryCsvHeader();
// Appends one row, CR LF included. A record that could not be measured keeps
// its place, time and quality and leaves every figure empty; one measured
// without a nominal diameter leaves those that need one empty.
void appendGeometryCsvRow(std::string& out, const GeometryRow& row);

// Reads `input` as playback does, measures every valid record on `settings`
// (nominal diameter, ovality definition) and writes the table to `output`
// (created or truncated; removed again when a write fails).
// The document should carry the display settings that shape the points.
// `pointsWritten` of the summary counts the rows.
//
// The records are read in the calling thread and measured by `threads`
// threads (0: one per processor core; 1: the calling thread alone); the rows
// come out in record order and are the same bytes whatever the number.
ConversionResult writeGeometryCsv(CSondrelDoc& doc, const std::string& input,
                                  const std::string& output, const GeometrySettings& settings,
                                  const ConversionProgress& progress = {}, unsigned threads = 0,
                                  const GeometryRowPlacer& place = {});

}  // namespace sondrel

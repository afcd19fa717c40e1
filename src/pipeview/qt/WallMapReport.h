#pragma once
// The wall map's pages of the pipe report: the map cut into strips of equal
// chainage (20 m by default, five to a page), each with its metre marks and
// the clock down its side, the survey's observations marked above it (a tick
// and the code at their chainage), and the legend at the foot of each page.

#include <memory>
#include <string>
#include <vector>

#include "analysis/qt/GeometryReportPdf.h"
#include "pipeview/Chainage.h"
#include "pipeview/PipeSlice.h"

class QPainter;
class QPagedPaintDevice;

namespace sondrel {

class WallMap;
struct Survey;

struct WallMapMark {
    double chainage = 0.0;
    std::string code;
};

struct WallMapPagesLayout {
    double stripMetres = 20.0;
    int stripsPerPage = 5;
};

// The strips' first chainages: from the map's start on whole strips, so that
// the same survey always cuts at the same places.
std::vector<double> stripStarts(double start, double end, double stripMetres);

// Paints the strips, each page begun with newPage(); false when cancelled.
bool paintWallMapPages(QPainter& p, QPagedPaintDevice& device, const WallMap& map,
                       const std::vector<WallMapMark>& marks, const WallMapPagesLayout& layout = {},
                       const JobProgress* progress = nullptr);

// The observations of a survey the operator has not deleted, as marks.
std::vector<WallMapMark> observationMarks(const Survey& survey);

// Pages for the report of `input`: the file read again for its wall map
// (placed by `chainage`, shaped by `display`-carrying `doc`'s copy), then
// painted as above. A file with no placed record adds no page.
MorePages wallMapPages(const CSondrelDoc& doc, const std::string& input, SliceSettings settings,
                       std::shared_ptr<const ChainageSource> chainage,
                       std::vector<WallMapMark> marks);

}  // namespace sondrel

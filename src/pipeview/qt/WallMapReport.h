#pragma once
// The wall map's pages of the pipe report: the map cut into strips of equal
// chainage (20 m by default, five to a page), each with its metre marks and
// the clock down its side, the survey's observations marked above it (a tick
// and the code at their chainage), and the legend at the foot of each page.
// They follow the pages the caller gives the report (the survey's), ahead of
// the geometry's own.

#include <functional>
#include <string>
#include <vector>

#include "analysis/qt/GeometryReportPdf.h"
#include "pipeview/DepartureScale.h"

class QPainter;
class QRectF;

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
    DepartureScale scale;
};

// The strips' first chainages: from the map's start on whole strips, so that
// the same survey always cuts at the same places.
std::vector<double> stripStarts(double start, double end, double stripMetres);

// Paints the strips, the first on the page begun, each next page begun by
// `newPage`; false when a page could not be begun or the job was cancelled.
bool paintWallMapPages(QPainter& p, const QRectF& body, const std::function<bool()>& newPage,
                       const WallMap& map, const std::vector<WallMapMark>& marks,
                       const WallMapPagesLayout& layout = {},
                       const JobProgress* progress = nullptr);

// The observations of a survey the operator has not deleted, as marks.
std::vector<WallMapMark> observationMarks(const Survey& survey);

// The caller's pages (may be null), then the wall map's; the charts placed as
// the caller's pages place them.
class WallMapReportPages : public ReportPages {
  public:
    WallMapReportPages(const WallMap& map, std::vector<WallMapMark> marks, ReportPages* before,
                       const JobProgress* progress = nullptr, WallMapPagesLayout layout = {});
    bool paint(QPainter& painter, const QRectF& body,
               const std::function<bool()>& newPage) override;
    double along(const GeometrySample& sample) const override;
    std::string alongName() const override;
    const std::vector<GeometrySample>* samples() const override;

  private:
    const WallMap& map_;
    std::vector<WallMapMark> marks_;
    WallMapPagesLayout layout_;
    ReportPages* before_;
    const JobProgress* progress_;
};

// The pipe report of `input` with the wall map's pages after `pages` (the
// survey's, or null): the file read once more for the map, placed by the
// survey's chainage and kept pass and marked with its observations when a
// survey with a chainage is given, by the distance readings otherwise.
PipeReportOutcome writeReportWithWallMap(CSondrelDoc& doc, const std::string& input,
                                         const std::string& output,
                                         const GeometrySettings& settings, const Survey* survey,
                                         ReportPages* pages, JobProgress* progress = nullptr);

}  // namespace sondrel

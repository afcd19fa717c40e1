#pragma once
// The pipe report as a PDF: a page of summary and charts along the pipe, then
// the places beyond the alarm levels, each with its cross-section and fitted
// shape. The desktop program and sondrel-report both write it through here,
// so the same file and settings give the same figures. Needs a
// QGuiApplication (fonts), which may run on the offscreen platform; the work
// may run on a thread of its own.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/GeometryReport.h"
#include "analysis/GeometrySettings.h"

namespace sondrel {

class CSondrelDoc;
class JobProgress;
}  // namespace sondrel

class QPainter;
class QRectF;

namespace sondrel {

// What a caller adds to the pipe report without the geometry knowing of it:
// pages of its own ahead of the geometry's, and the place along the pipe its
// charts draw each sample at (the chainage of a survey, say).
class ReportPages {
  public:
    virtual ~ReportPages() = default;
    // Paints the caller's pages with `painter`, the first on the page begun,
    // the text within `body`; `newPage` begins the next one and is false when
    // it could not. False when a page could not be made or the job was
    // cancelled.
    virtual bool paint(QPainter& painter, const QRectF& body,
                       const std::function<bool()>& newPage) = 0;
    // The sample's place along the pipe for the charts, in metres; NaN
    // leaves it out of them.
    virtual double along(const GeometrySample& sample) const = 0;
    // The name of that place under the charts ("chainage"); empty: the
    // charts keep the series' own axis and `along` is not asked.
    virtual std::string alongName() const = 0;
    // Every record's sample when the caller has measured them already (in
    // record order, with their positions): the report is then made from them,
    // reading only the records it pictures. Null: the report reads the file.
    virtual const std::vector<GeometrySample>* samples() const { return nullptr; }
};

struct PipeReportOutcome {
    enum class Status {
        Written,    // the whole file reported
        Partial,    // written, but the file stopped short (`message` says where)
        Cancelled,  // stopped on request; nothing is left of the report
        Failed,     // `message` names the file and the reason; nothing is left
    };
    Status status = Status::Failed;
    std::string message;
    std::int64_t records = 0, measured = 0, placesBeyondLimit = 0;

    bool written() const { return status == Status::Written || status == Status::Partial; }
};

// Gathers the report of `input` on `settings` and writes it to `output`.
// The output is made before the gathering starts and removed again when the
// work fails or is cancelled; every write and the close are checked. The
// document should carry the display settings that shape the points;
// `progress`, when given, is told how far the work is and may cancel it;
// `pages`, when given, come first and place the charts.
PipeReportOutcome writePipeReport(CSondrelDoc& doc, const std::string& input,
                                  const std::string& output, const GeometrySettings& settings,
                                  JobProgress* progress = nullptr, ReportPages* pages = nullptr);

}  // namespace sondrel

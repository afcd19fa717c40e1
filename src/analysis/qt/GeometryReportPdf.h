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

#include "analysis/GeometryReport.h"
#include "analysis/GeometrySettings.h"

class QPainter;
class QPagedPaintDevice;

namespace sondrel {

class CSondrelDoc;
class JobProgress;

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

// Pages after the report's own, from a caller that knows other views of the
// same file: each begins with the device's newPage(). Runs where the report
// is written (perhaps a thread of its own); false gives the report up.
using MorePages = std::function<bool(QPainter&, QPagedPaintDevice&, JobProgress*)>;

// Gathers the report of `input` on `settings` and writes it to `output`.
// The output is made before the gathering starts and removed again when the
// work fails or is cancelled; every write and the close are checked. The
// document should carry the display settings that shape the points;
// `progress`, when given, is told how far the work is and may cancel it.
PipeReportOutcome writePipeReport(CSondrelDoc& doc, const std::string& input,
                                  const std::string& output, const GeometrySettings& settings,
                                  JobProgress* progress = nullptr, const MorePages& more = {});

}  // namespace sondrel

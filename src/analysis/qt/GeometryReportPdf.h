#pragma once
// The pipe report as a PDF: a page of summary and charts along the pipe, then
// the places beyond the alarm levels, each with its cross-section and fitted
// shape. The desktop program and sondrel-report both write it through here.
// Needs a QGuiApplication (fonts), which may run on the offscreen platform.

#include <QString>

namespace sondrel {

struct GeometryReport;

// False with `error` set when the file cannot be written.
bool writeGeometryReportPdf(const GeometryReport& report, const QString& path, QString* error);

}  // namespace sondrel

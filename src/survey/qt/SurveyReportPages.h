#pragma once
// The survey's pages of the pipe report: its header (every field filled,
// with its code and caption), the summary with its verdict and what it was
// graded against, the observations and the per-metre table; and the charts
// of the report drawn along the survey's chainage (kept passes only) when
// its records have one.

#include <string>
#include <vector>

#include "analysis/qt/GeometryReportPdf.h"
#include "survey/Survey.h"

namespace sondrel {

class JobProgress;

class SurveyReportPages : public ReportPages {
  public:
    // `survey` must outlive the pages; `progress`, when given, may cancel.
    explicit SurveyReportPages(const Survey& survey, const JobProgress* progress = nullptr);

    bool paint(QPainter& painter, const QRectF& body,
               const std::function<bool()>& newPage) override;
    double along(const GeometrySample& sample) const override;
    std::string alongName() const override;
    const std::vector<GeometrySample>* samples() const override { return &samples_; }

  private:
    const Survey& survey_;
    const JobProgress* progress_;
    // The chainage of each record number, NaN where no kept record is.
    std::vector<float> chainageOfRecord_;
    // The survey's figures as the geometry's samples, so that the file is
    // not measured twice.
    std::vector<GeometrySample> samples_;
};

// The report of `input` with the survey's pages when `survey` has records
// (its pages first, its charts along the chainage), else the plain report.
PipeReportOutcome writeSurveyReport(CSondrelDoc& doc, const std::string& input,
                                    const std::string& output, const GeometrySettings& settings,
                                    const Survey& survey, JobProgress* progress = nullptr);

}  // namespace sondrel

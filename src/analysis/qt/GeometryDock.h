#pragma once
// The pipe geometry along the pipe as a dock window: charts of the mean
// diameter, the ovality and the sediment depth against the travelled distance
// (or the record number), with the warning and alarm levels drawn as bands.
// Each run of the series (see GeometrySeries) is a line of its own, so a ping
// without a distance leaves a gap and a pass back is not joined to the last.
// The titles say the nominal diameter and the ovality definition in use; new
// settings take every sample again.
// It measures every ping the document shows, live or played back, whether it
// is shown or not, so that the charts are full when it is opened. A click on
// a chart of a played file asks for the nearest record to be played.

#include <QDockWidget>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/GeometryPoints.h"
#include "analysis/GeometrySeries.h"
#include "analysis/GeometrySettings.h"
#include "display/ProfilePass.h"

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
class QLineSeries;
class QAreaSeries;
class QScatterSeries;
class QValueAxis;
QT_END_NAMESPACE

namespace sondrel {

class CSondrelDoc;

class GeometryDock : public QDockWidget {
    Q_OBJECT

  public:
    explicit GeometryDock(CSondrelDoc& doc, QWidget* parent = nullptr);

    enum Chart { MeanDiameter, Ovality, Sediment, kChartCount };

    void setSettings(const GeometrySettings& settings);
    const GeometrySettings& settings() const { return settings_; }
    // Plays the record starting at the given position of the played file.
    void setJumpHandler(std::function<void(std::int64_t)> jump) { jump_ = std::move(jump); }

    // After every update of the views: measures the ping on screen once.
    void documentUpdated();
    // The samples into the charts now rather than on the next refresh tick.
    void refreshCharts();

    const GeometrySeries& series() const { return series_; }
    QChartView* chartView(Chart chart) const { return charts_[chart].view; }
    QChart* chart(Chart chart) const { return charts_[chart].chart; }
    // The lines drawn now, one per run (at most kMaxChartLines; the points
    // of any further runs are drawn as dots).
    int lineCount(Chart chart) const { return charts_[chart].linesUsed; }
    QLineSeries* valueSeries(Chart chart, int line = 0) const {
        return charts_[chart].lines.at(static_cast<std::size_t>(line));
    }
    QScatterSeries* dotSeries(Chart chart) const { return charts_[chart].overflow; }
    static constexpr int kMaxChartLines = 64;
    // The warning band's lower and upper edge (equal to the chart's top for
    // the alarm band), in the chart's units; none for the diameter.
    QAreaSeries* warningBand(Chart chart) const { return charts_[chart].warning; }
    QAreaSeries* alarmBand(Chart chart) const { return charts_[chart].alarm; }
    // Picks the sample nearest to `x` along the pipe and asks for its record;
    // false when there is none to jump to (live samples have no record).
    bool jumpNear(double x);

  private:
    struct ChartParts {
        QChartView* view = nullptr;
        QChart* chart = nullptr;
        std::vector<QLineSeries*> lines;
        int linesUsed = 0;
        QScatterSeries* overflow = nullptr;
        QAreaSeries* warning = nullptr;
        QAreaSeries* alarm = nullptr;
        QValueAxis* x = nullptr;
        QValueAxis* y = nullptr;
    };
    ChartParts makeChart(Chart kind);
    QLineSeries* line(ChartParts& parts, int index);
    void setBand(QAreaSeries* band, double low, double high, double left, double right);

    CSondrelDoc& doc_;
    GeometrySettings settings_;
    GeometrySeries series_;
    ProfilePath path_;
    GeometryPointCollector points_;
    PipeAnalyser analyser_;
    std::function<void(std::int64_t)> jump_;
    std::array<ChartParts, kChartCount> charts_;
    QTimer refresh_;
    bool dirty_ = false;
    // What identifies the ping last measured and the source it came from.
    int lastPingCount_ = -1;
    std::int64_t lastPosition_ = -1;
    bool playing_ = false;
    std::string playedPath_;
};

}  // namespace sondrel

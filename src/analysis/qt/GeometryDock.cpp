#include "analysis/qt/GeometryDock.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QMouseEvent>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

#include "acquisition/SondrelDoc.h"
#include "display/Overlays.h"
#include "recording/RecordFormat.h"

namespace sondrel {

namespace {

constexpr int kRefreshIntervalMs = 500;
const QColor kValueColour(0, 90, 200);
const QColor kWarningColour(255, 190, 0, 90);
const QColor kAlarmColour(220, 0, 0, 70);

// A chart that reports where along its x axis it was clicked.
class PickingChartView : public QChartView {
  public:
    PickingChartView(QChart* chart, std::function<void(double)> picked)
        : QChartView(chart), picked_(std::move(picked)) {}

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && chart()->plotArea().contains(event->position())) {
            picked_(chart()->mapToValue(event->position()).x());
            event->accept();
            return;
        }
        QChartView::mousePressEvent(event);
    }

  private:
    std::function<void(double)> picked_;
};

const char* chartTitle(GeometryDock::Chart chart) {
    switch (chart) {
        case GeometryDock::MeanDiameter:
            return "Mean diameter";
        case GeometryDock::Ovality:
            return "Ovality";
        default:
            return "Sediment depth";
    }
}

}  // namespace

GeometryDock::GeometryDock(CSondrelDoc& doc, QWidget* parent)
    : QDockWidget(tr("Pipe Geometry Along the Pipe"), parent), doc_(doc), points_(doc) {
    setObjectName(QStringLiteral("PipeGeometryChart"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < kChartCount; ++i) {
        charts_[i] = makeChart(static_cast<Chart>(i));
        layout->addWidget(charts_[i].view);
    }
    // Narrower, the axes' labels leave no room for the curves.
    body->setMinimumWidth(380);
    setWidget(body);
    refresh_.setSingleShot(true);
    refresh_.setInterval(kRefreshIntervalMs);
    connect(&refresh_, &QTimer::timeout, this, &GeometryDock::refreshCharts);
    connect(this, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible && dirty_) refreshCharts();
    });
    refreshCharts();
}

GeometryDock::ChartParts GeometryDock::makeChart(Chart kind) {
    ChartParts p;
    p.chart = new QChart;
    p.chart->legend()->hide();
    p.chart->setTitle(tr(chartTitle(kind)));
    p.chart->setMargins(QMargins(4, 2, 4, 2));
    p.x = new QValueAxis;
    p.y = new QValueAxis;
    p.chart->addAxis(p.x, Qt::AlignBottom);
    p.chart->addAxis(p.y, Qt::AlignLeft);
    if (kind != MeanDiameter) {
        // Bands first, so the values are drawn over them.
        for (QAreaSeries** band : {&p.warning, &p.alarm}) {
            *band = new QAreaSeries(new QLineSeries, new QLineSeries);
            const QColor colour = band == &p.warning ? kWarningColour : kAlarmColour;
            (*band)->setColor(colour);
            (*band)->setBorderColor(colour);
            p.chart->addSeries(*band);
            (*band)->attachAxis(p.x);
            (*band)->attachAxis(p.y);
        }
    }
    p.overflow = new QScatterSeries;
    p.overflow->setColor(kValueColour);
    p.overflow->setBorderColor(kValueColour);
    p.overflow->setMarkerSize(3);
    p.chart->addSeries(p.overflow);
    p.overflow->attachAxis(p.x);
    p.overflow->attachAxis(p.y);
    line(p, 0);
    p.view = new PickingChartView(p.chart, [this](double x) { jumpNear(x); });
    p.view->setRenderHint(QPainter::Antialiasing);
    p.view->setMinimumHeight(120);
    return p;
}

QLineSeries* GeometryDock::line(ChartParts& p, int index) {
    while (static_cast<int>(p.lines.size()) <= index) {
        auto* values = new QLineSeries;
        values->setColor(kValueColour);
        p.chart->addSeries(values);
        values->attachAxis(p.x);
        values->attachAxis(p.y);
        p.lines.push_back(values);
    }
    return p.lines[static_cast<std::size_t>(index)];
}

void GeometryDock::setSettings(const GeometrySettings& settings) {
    settings_ = settings;
    // The samples shown were taken on the old settings.
    series_.remeasure(settings_);
    dirty_ = true;
    if (isVisible()) refreshCharts();
}

void GeometryDock::documentUpdated() {
    if (!doc_.pings.pingOnScreen) return;
    const bool playing = doc_.flags.playbackActive;
    if (playing != playing_ || (playing && doc_.files.playbackPath != playedPath_)) {
        // Another source: its pings are another pipe.
        series_.clear();
        playing_ = playing;
        playedPath_ = playing ? doc_.files.playbackPath : std::string();
        lastPingCount_ = -1;
        lastPosition_ = -1;
        dirty_ = true;
    }
    const std::int64_t position = playing ? doc_.ping.filePosition : -1;
    if (doc_.pings.pingCount == lastPingCount_ && position == lastPosition_) return;
    lastPingCount_ = doc_.pings.pingCount;
    lastPosition_ = position;

    std::int64_t record = doc_.pings.pingCount;
    if (position >= 0) {
        const std::int64_t size = doc_.ping.recordSize > 0 ? doc_.ping.recordSize
                                                           : static_cast<std::int64_t>(kRecordSize);
        record = position / size + 1;
    }
    runProfilePass(doc_, path_, &points_);
    series_.add(geometrySample(record, position, travelledDistance(doc_),
                               analyser_.analyse(points_.points(), settings_.nominalDiameter,
                                                 settings_.chosenOvalityBasis()),
                               geometryBands(settings_)));
    dirty_ = true;
    if (isVisible() && !refresh_.isActive()) refresh_.start();
}

void GeometryDock::setBand(QAreaSeries* band, double low, double high, double left, double right) {
    band->lowerSeries()->replace({QPointF(left, low), QPointF(right, low)});
    band->upperSeries()->replace({QPointF(left, high), QPointF(right, high)});
}

void GeometryDock::refreshCharts() {
    dirty_ = false;
    const double unit = doc_.display.unitsFeet != 0 ? kMetresPerFoot : 1.0;
    const bool alongDistance = series_.alongDistance();
    const double xUnit = alongDistance ? unit : 1.0;
    const QString lengthUnit =
        doc_.display.unitsFeet != 0 ? QStringLiteral("ft") : QStringLiteral("m");

    // One list of points per run and chart; runs beyond the lines go as dots.
    const auto samples = series_.samples();
    const std::vector<GeometryRun> runs = series_.runs();
    std::vector<std::array<QList<QPointF>, kChartCount>> lines(
        std::min<std::size_t>(runs.size(), kMaxChartLines));
    std::array<QList<QPointF>, kChartCount> dots;
    constexpr double inf = std::numeric_limits<double>::infinity();
    double low[kChartCount] = {inf, inf, inf}, high[kChartCount] = {-inf, -inf, -inf};
    for (std::size_t r = 0; r < runs.size(); ++r) {
        auto& into = r < lines.size() ? lines[r] : dots;
        for (std::size_t i = runs[r].begin; i < runs[r].end; ++i) {
            const GeometrySample& s = samples[i];
            if (!series_.placed(s)) continue;
            const double x = series_.along(s) / xUnit;
            const double y[kChartCount] = {s.meanDiameter / unit, s.ovalityPercent,
                                           s.sedimentDepth / unit};
            for (int c = 0; c < kChartCount; ++c) {
                into[static_cast<std::size_t>(c)].append(QPointF(x, y[c]));
                low[c] = std::min(low[c], y[c]);
                high[c] = std::max(high[c], y[c]);
            }
        }
    }
    const GeometrySpan span = series_.span();
    double left = span.left / xUnit, right = span.right / xUnit;
    if (!span.found || !(left < right)) {
        // One sample or none: a span around it that shows it.
        const double centre = span.found ? left : 0.0;
        left = centre - 1.0;
        right = centre + 1.0;
    }

    const bool nominal = settings_.hasNominal();
    const GeometryBands bands = geometryBands(settings_);
    for (int c = 0; c < kChartCount; ++c) {
        ChartParts& p = charts_[c];
        const auto chart = static_cast<std::size_t>(c);
        for (std::size_t r = 0; r < std::max(lines.size(), p.lines.size()); ++r) {
            QLineSeries* values = line(p, static_cast<int>(r));
            values->replace(r < lines.size() ? lines[r][chart] : QList<QPointF>());
            // A run of one ping has no line to draw: its point is shown.
            values->setPointsVisible(r < lines.size() && lines[r][chart].size() == 1);
        }
        p.linesUsed = static_cast<int>(lines.size());
        p.overflow->replace(dots[chart]);
        p.x->setRange(left, right);
        p.x->setTitleText(alongDistance ? tr("Distance (%1)").arg(lengthUnit) : tr("Record"));
        p.x->setLabelFormat(alongDistance ? QStringLiteral("%.2f") : QStringLiteral("%.0f"));
        double bottom = 0.0, top = 0.0;
        if (c == MeanDiameter) {
            p.chart->setTitle(nominal ? tr("Mean diameter, nominal %1 %2")
                                            .arg(settings_.nominalDiameter / unit, 0, 'f', 3)
                                            .arg(lengthUnit)
                                      : tr("Mean diameter, no nominal diameter set"));
            p.y->setTitleText(tr("Diameter (%1)").arg(lengthUnit));
            const double fallback = nominal ? settings_.nominalDiameter / unit : 1.0;
            const double mid = std::isfinite(low[c]) ? (low[c] + high[c]) / 2 : fallback;
            const double half = std::max((high[c] - low[c]) * 0.6, std::max(mid, 0.01) * 0.02);
            bottom = mid - (std::isfinite(half) ? half : 0.01);
            top = mid + (std::isfinite(half) ? half : 0.01);
        } else {
            const bool ovality = c == Ovality;
            if (ovality) {
                p.chart->setTitle(
                    tr("Ovality, %1")
                        .arg(QString::fromLatin1(ovalityDefinitionText(settings_.ovalityBasis()))));
            } else {
                p.chart->setTitle(nominal ? tr(chartTitle(Sediment))
                                          : tr("Sediment depth, no levels without a nominal "
                                               "diameter"));
            }
            p.y->setTitleText(ovality ? tr("Ovality (%)") : tr("Sediment (%1)").arg(lengthUnit));
            const double warning = ovality ? bands.ovalityWarning : bands.sedimentWarning / unit;
            const double alarm = ovality ? bands.ovalityAlarm : bands.sedimentAlarm / unit;
            top = std::isfinite(alarm) ? alarm * 1.25 : 0.0;
            if (std::isfinite(high[c])) top = std::max(top, high[c] * 1.1);
            if (!(top > 0)) top = ovality ? 1.0 : 0.1 / unit;
            // Levels beyond the chart leave their bands empty; without a
            // nominal diameter there are no sediment levels to draw at all.
            setBand(p.warning, std::min(warning, top), std::min(alarm, top), left, right);
            setBand(p.alarm, std::min(alarm, top), top, left, right);
            p.warning->setVisible(std::isfinite(warning));
            p.alarm->setVisible(std::isfinite(alarm));
        }
        p.y->setRange(bottom, top);
    }
}

bool GeometryDock::jumpNear(double x) {
    if (!jump_ || !playing_) return false;
    const double unit =
        series_.alongDistance() && doc_.display.unitsFeet != 0 ? kMetresPerFoot : 1.0;
    const GeometrySample* s = series_.nearest(x * unit);
    if (!s || s->position < 0) return false;
    jump_(s->position);
    return true;
}

}  // namespace sondrel

#include "analysis/qt/GeometryReportPdf.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "analysis/GeometryReport.h"
#include "common/JobProgress.h"
#include "recording/BinaryFile.h"

namespace sondrel {

namespace {

constexpr int kDpi = 150;
const QColor kWarning(255, 190, 0, 90);
const QColor kAlarm(220, 0, 0, 70);
const QColor kValue(0, 90, 200);
const QColor kShape(230, 140, 0);

QString metres(double value) {
    return QStringLiteral("%1 m").arg(value, 0, 'f', 3);
}

QString placeText(const GeometryReport&, const GeometrySample& s) {
    if (s.hasDistance)
        return QStringLiteral("at %1 (record %2)").arg(metres(s.distance)).arg(s.record);
    return QStringLiteral("at record %1").arg(s.record);
}

QString ovalityDefinition(const GeometryReport& r) {
    return QString::fromLatin1(ovalityDefinitionText(r.ovalityBasis));
}

// Where the charts place each sample: along the series' own axis, or where
// the caller's pages say.
struct ChartAxis {
    const GeometryReport& r;
    const ReportPages* pages = nullptr;
    bool caller() const { return pages && !pages->alongName().empty(); }
    // NaN when the sample is no point of the charts.
    double at(const GeometrySample& s) const {
        if (caller()) return s.ok ? pages->along(s) : std::numeric_limits<double>::quiet_NaN();
        return r.series.placed(s) ? r.series.along(s) : std::numeric_limits<double>::quiet_NaN();
    }
    QString name() const {
        if (caller()) return QString::fromStdString(pages->alongName()) + QStringLiteral(" (m)");
        return r.series.alongDistance() ? QStringLiteral("distance (m)") : QStringLiteral("record");
    }
};

// One chart along the pipe: the values as a line over the warning and alarm
// bands (when given), framed, with round values ticked on both axes.
void drawChart(QPainter& p, const QRectF& area, const QString& title, const ChartAxis& axis,
               double (*value)(const GeometrySample&), double warning, double alarm) {
    const GeometryReport& r = axis.r;
    const QFontMetricsF fm(p.font());
    const QRectF plot =
        area.adjusted(fm.horizontalAdvance(QStringLiteral("00000.000")), fm.height() * 1.5,
                      -fm.horizontalAdvance(QStringLiteral("000")), -fm.height() * 2.6);
    constexpr double inf = std::numeric_limits<double>::infinity();
    double low = inf, high = -inf, left = inf, right = -inf;
    for (const GeometrySample& s : r.series.samples()) {
        const double x = axis.at(s);
        if (std::isnan(x)) continue;
        low = std::min(low, value(s));
        high = std::max(high, value(s));
        left = std::min(left, x);
        right = std::max(right, x);
    }
    p.drawText(area.topLeft() + QPointF(0, fm.ascent()), title);
    p.setPen(Qt::black);
    p.drawRect(plot);
    if (!(left <= right)) {
        p.drawText(plot, Qt::AlignCenter, QStringLiteral("no measured ping"));
        return;
    }
    if (!(right > left)) right = left + 1;
    double bottom = alarm > 0 ? 0.0 : low, top = high;
    if (std::isfinite(alarm) && alarm > 0) top = std::max(top, alarm * 1.25);
    // Headroom, so that the highest value is not drawn on the frame.
    top = std::max(top, high + (high - bottom) * 0.1);
    if (!(top > bottom)) {
        top = bottom + std::max(std::abs(bottom) * 0.02, 1e-3);
        bottom -= std::max(std::abs(bottom) * 0.02, 1e-3);
    }
    const auto px = [&](double x) {
        return plot.left() + (x - left) / (right - left) * plot.width();
    };
    const auto py = [&](double y) {
        return plot.bottom() - (y - bottom) / (top - bottom) * plot.height();
    };
    if (std::isfinite(alarm) && alarm > 0) {
        p.fillRect(QRectF(QPointF(plot.left(), py(std::min(alarm, top))),
                          QPointF(plot.right(), py(std::min(warning, top)))),
                   kWarning);
        p.fillRect(QRectF(QPointF(plot.left(), plot.top()), QPointF(plot.right(), py(alarm))),
                   kAlarm);
    }
    // Each run its own line: no stroke across a gap or back over a pass.
    QPainterPath line;
    const auto samples = r.series.samples();
    for (const GeometryRun& run : r.series.runs()) {
        bool first = true;
        for (std::size_t i = run.begin; i < run.end; ++i) {
            const GeometrySample& s = samples[i];
            const double x = axis.at(s);
            if (std::isnan(x)) {
                first = true;
                continue;
            }
            const QPointF at(px(x), py(value(s)));
            if (first)
                line.moveTo(at);
            else
                line.lineTo(at);
            first = false;
        }
    }
    p.setPen(QPen(kValue, 1.5));
    p.drawPath(line);
    const auto number = [](double v) { return QString::number(v, 'g', 6); };
    const double tick = fm.height() * 0.3;
    p.setPen(Qt::black);
    for (const double v : chartTicks(bottom, top, 4)) {
        p.drawLine(QPointF(plot.left() - tick, py(v)), QPointF(plot.left(), py(v)));
        p.drawText(QRectF(area.left(), py(v) - fm.height() / 2,
                          plot.left() - area.left() - tick * 2, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, number(v));
    }
    const QString unit =
        axis.caller() || r.series.alongDistance() ? QStringLiteral(" m") : QString();
    const double labelWidth = fm.horizontalAdvance(number(right) + unit) * 1.6;
    const int most = std::max(2, static_cast<int>(plot.width() / std::max(labelWidth, 1.0)));
    for (const double v : chartTicks(left, right, most)) {
        p.drawLine(QPointF(px(v), plot.bottom()), QPointF(px(v), plot.bottom() + tick));
        p.drawText(QRectF(px(v) - labelWidth / 2, plot.bottom() + tick, labelWidth, fm.height()),
                   Qt::AlignHCenter | Qt::AlignTop, number(v) + unit);
    }
    p.drawText(
        QRectF(plot.left(), plot.bottom() + tick + fm.height(), plot.width(), fm.height() * 1.2),
        Qt::AlignHCenter | Qt::AlignVCenter, axis.name());
}

// The cross-section of a place: its points and its fitted shape about the
// fitted centre, y up, the nominal circle dashed.
void drawPlace(QPainter& p, const QRectF& area, const GeometryReport& r,
               const GeometryPlace& place) {
    const PipeGeometry& g = place.geometry;
    const QFontMetricsF fm(p.font());
    QString heading = placeText(r, place.sample);
    heading += QStringLiteral(": ovality %1 %, sediment %2")
                   .arg(g.ovalityPercent, 0, 'f', 1)
                   .arg(metres(g.sedimentDepth));
    p.setPen(place.ovalityAlarm || place.sedimentAlarm ? QColor(180, 0, 0) : Qt::black);
    p.drawText(QRectF(area.left(), area.top(), area.width(), fm.height() * 1.2),
               Qt::AlignLeft | Qt::AlignVCenter, heading);
    p.drawText(QRectF(area.left(), area.top() + fm.height() * 1.2, area.width(), fm.height() * 1.2),
               Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("mean %1, min %2, max %3")
                   .arg(metres(g.meanDiameter), metres(g.minDiameter), metres(g.maxDiameter)));
    const QRectF box = area.adjusted(0, fm.height() * 2.6, 0, 0);
    const double cx = g.ellipse.valid ? g.ellipse.centreX : g.circle.centreX;
    const double cy = g.ellipse.valid ? g.ellipse.centreY : g.circle.centreY;
    double extent = std::max(r.nominalDiameter, g.maxDiameter) / 2;
    for (const GeometryPoint& q : place.points)
        extent = std::max({extent, std::abs(q.x - cx), std::abs(q.y - cy)});
    if (!(extent > 0)) return;
    const double scale = std::min(box.width(), box.height()) / 2 / (extent * 1.05);
    const QPointF centre = box.center();
    const auto at = [&](double x, double y) {
        return QPointF(centre.x() + (x - cx) * scale, centre.y() - (y - cy) * scale);
    };
    p.setPen(QPen(Qt::gray, 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    if (r.nominalDiameter > 0) {
        const double nominal = r.nominalDiameter / 2 * scale;
        p.drawEllipse(centre, nominal, nominal);
    }
    p.setPen(QPen(kShape, 2));
    p.save();
    p.translate(centre);
    if (g.ellipse.valid) {
        p.rotate(-g.ellipse.angleDegrees);
        p.drawEllipse(QPointF(0, 0), g.ellipse.semiMajor * scale, g.ellipse.semiMinor * scale);
    } else {
        p.drawEllipse(QPointF(0, 0), g.circle.radius * scale, g.circle.radius * scale);
    }
    p.restore();
    p.setPen(Qt::NoPen);
    p.setBrush(kValue);
    const double dot = std::max(1.5, box.width() / 200);
    for (const GeometryPoint& q : place.points) p.drawEllipse(at(q.x, q.y), dot, dot);
    p.setBrush(Qt::NoBrush);
    p.setPen(Qt::black);
}

double meanOf(const GeometrySample& s) {
    return s.meanDiameter;
}
double ovalityOf(const GeometrySample& s) {
    return s.ovalityPercent;
}
double sedimentOf(const GeometrySample& s) {
    return s.sedimentDepth;
}

}  // namespace

namespace {

// Paints the pages into `device`; false when painting could not start or
// the job was cancelled.
bool paintGeometryReport(const GeometryReport& r, QIODevice& device, const JobProgress* progress,
                         ReportPages* pages) {
    QPdfWriter writer(&device);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(kDpi);
    writer.setTitle(QStringLiteral("Pipe Report"));
    writer.setCreator(QStringLiteral("Sondrel"));
    QPainter p;
    if (!p.begin(&writer)) return false;
    const QRectF page(0, 0, writer.width(), writer.height());
    const QRectF body = page.adjusted(kDpi / 2, kDpi / 2, -kDpi / 2, -kDpi / 2);
    QFont font = p.font();
    font.setPointSizeF(9);
    p.setFont(font);
    const double line = QFontMetricsF(p.font()).height() * 1.3;
    // A page that cannot be begun ends the report: nothing more could be drawn.
    const auto newPage = [&] { return writer.newPage(); };
    if (pages) {
        if (!pages->paint(p, body, newPage)) return false;
        p.setFont(font);
        p.setPen(Qt::black);
        p.setBrush(Qt::NoBrush);
        if (!newPage()) return false;
    }
    const ChartAxis axis{r, pages};

    // ---- summary
    QFont big = font;
    big.setPointSizeF(16);
    big.setBold(true);
    p.setFont(big);
    double y = body.top() + QFontMetricsF(big).ascent();
    p.drawText(QPointF(body.left(), y), QStringLiteral("Pipe Report"));
    y += QFontMetricsF(big).height();
    p.setFont(font);
    const auto worst = [&](const GeometryWorst& w, const QString& value) {
        return w.found ? value + QLatin1Char(' ') + placeText(r, w.at) : QStringLiteral("-");
    };
    const QStringList summary = {
        QStringLiteral("File: %1").arg(QString::fromStdString(r.file)),
        QStringLiteral("Date: %1").arg(QString::fromStdString(r.date)),
        QStringLiteral("Records: %1, measured %2").arg(r.records).arg(r.measured),
        QStringLiteral("Length surveyed: %1")
            .arg(r.series.alongDistance() ? metres(r.lengthSurveyed)
                                          : QStringLiteral("no distance recorded")),
        r.nominalDiameter > 0
            ? QStringLiteral("Nominal diameter: %1").arg(metres(r.nominalDiameter))
            : QStringLiteral("Nominal diameter: none set, so deformation and area loss are not "
                             "given"),
        QStringLiteral("Ovality: %1 x 100 %").arg(ovalityDefinition(r)),
        QStringLiteral("Worst ovality: %1")
            .arg(worst(r.ovality, QStringLiteral("%1 %").arg(r.ovality.value, 0, 'f', 2))),
        QStringLiteral("Worst deformation: %1")
            .arg(r.nominalDiameter > 0 ? worst(r.deformation, QStringLiteral("%1 %").arg(
                                                                  r.deformation.value, 0, 'f', 2))
                                       : QStringLiteral("- (no valid nominal diameter)")),
        QStringLiteral("Worst sediment: %1").arg(worst(r.sediment, metres(r.sediment.value))),
        QStringLiteral("Alarm levels: ovality %1 %, sediment %2 % of the nominal diameter")
            .arg(r.settings.ovalityAlarm, 0, 'f', 1)
            .arg(r.settings.sedimentAlarm, 0, 'f', 1),
        QStringLiteral("Places beyond the alarm levels: %1%2")
            .arg(r.placesBeyondLimit)
            .arg(r.placesBeyondLimit > static_cast<std::int64_t>(r.places.size())
                     ? QStringLiteral(" (the %1 worst pictured)").arg(r.places.size())
                     : QString()),
    };
    for (const QString& text : summary) {
        y += line;
        p.drawText(QPointF(body.left(), y), text);
    }
    y += line;

    // ---- charts along the pipe
    const double chartHeight = (body.bottom() - y) / 3;
    drawChart(p, QRectF(body.left(), y, body.width(), chartHeight),
              QStringLiteral("Mean diameter (m)"), axis, meanOf, 0, 0);
    drawChart(p, QRectF(body.left(), y + chartHeight, body.width(), chartHeight),
              QStringLiteral("Ovality (%), ") + ovalityDefinition(r), axis, ovalityOf,
              r.bands.ovalityWarning, r.bands.ovalityAlarm);
    drawChart(p, QRectF(body.left(), y + 2 * chartHeight, body.width(), chartHeight),
              QStringLiteral("Sediment depth (m)"), axis, sedimentOf, r.bands.sedimentWarning,
              r.bands.sedimentAlarm);

    // ---- the places, six to a page
    constexpr int kColumns = 2, kRows = 3;
    const double cellWidth = body.width() / kColumns;
    for (std::size_t i = 0; i < r.places.size(); ++i) {
        const int slot = static_cast<int>(i % (kColumns * kRows));
        double top = body.top();
        if (slot == 0) {
            if (!newPage()) return false;
            if (progress && progress->cancelled()) return false;
            p.setFont(big);
            p.drawText(QPointF(body.left(), top + QFontMetricsF(big).ascent()),
                       QStringLiteral("Places beyond the alarm levels"));
            p.setFont(font);
        }
        top += QFontMetricsF(big).height() * 1.5;
        const double cellHeight = (body.bottom() - top) / kRows;
        const QRectF cell(body.left() + (slot % kColumns) * cellWidth,
                          top + (slot / kColumns) * cellHeight, cellWidth, cellHeight);
        drawPlace(p, cell.adjusted(8, 8, -8, -8), r, r.places[i]);
    }
    return p.end();
}

}  // namespace

PipeReportOutcome writePipeReport(CSondrelDoc& doc, const std::string& input,
                                  const std::string& output, const GeometrySettings& settings,
                                  JobProgress* progress, ReportPages* pages) {
    PipeReportOutcome outcome;
    const auto failed = [&](std::string message) {
        outcome.status = PipeReportOutcome::Status::Failed;
        outcome.message = std::move(message);
        return outcome;
    };
    {
        BinaryFile in;
        std::int64_t length = 0;
        if (const ConversionResult opened = openDataFile(in, input, length); !opened.ok())
            return failed(opened.message);
    }
    if (sameInode(input, output))
        return failed(output + ": is the input file itself; choose another output");
    // Made first, so that an output that cannot be written is said at once
    // rather than after the whole file was read.
    BinaryFile out;
    if (!out.create(output)) return failed(output + ": cannot create: " + out.errorText());
    // What was written of it goes; a write that failed part-way says so.
    const auto givenUp = [&](std::string message, bool partWritten = false) {
        out.close();
        if (removePartialFile(output) == PartialFile::Removed && partWritten)
            message += std::string("; ") + kPartialFileRemoved;
        return failed(std::move(message));
    };

    auto report = std::make_unique<GeometryReport>();
    const std::vector<GeometrySample>* measured = pages ? pages->samples() : nullptr;
    const ConversionResult result =
        measured ? collectGeometryReportFrom(doc, input, settings, *measured, *report)
                 : collectGeometryReport(doc, input, settings, *report, progress);
    outcome.records = report->records;
    outcome.measured = report->measured;
    outcome.placesBeyondLimit = report->placesBeyondLimit;
    const auto cancelled = [&] {
        PipeReportOutcome stopped = givenUp({});
        stopped.status = PipeReportOutcome::Status::Cancelled;
        return stopped;
    };
    if (report->cancelled) return cancelled();
    if (report->records == 0) return givenUp(result.message);

    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    if (!paintGeometryReport(*report, pdf, progress, pages)) {
        if (progress && progress->cancelled()) return cancelled();
        return givenUp(output + ": the report's pages could not be made");
    }
    const QByteArray& bytes = pdf.data();
    if (!out.write(bytes.constData(), static_cast<std::size_t>(bytes.size())) || !out.close())
        return givenUp(output + ": write failed: " + out.errorText(), true);

    outcome.status =
        result.ok() ? PipeReportOutcome::Status::Written : PipeReportOutcome::Status::Partial;
    outcome.message = result.message;
    return outcome;
}

}  // namespace sondrel

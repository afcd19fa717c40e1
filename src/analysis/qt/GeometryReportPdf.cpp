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

// One chart along the pipe: the values as a line over the warning and alarm
// bands (when given), framed, with the ends of both axes written.
void drawChart(QPainter& p, const QRectF& area, const QString& title, const GeometryReport& r,
               double (*value)(const GeometrySample&), double warning, double alarm) {
    const QFontMetricsF fm(p.font());
    const QRectF plot = area.adjusted(fm.horizontalAdvance(QStringLiteral("00000.000")),
                                      fm.height() * 1.5, -4, -fm.height() * 1.5);
    constexpr double inf = std::numeric_limits<double>::infinity();
    double low = inf, high = -inf;
    for (const GeometrySample& s : r.series.samples()) {
        if (!r.series.placed(s)) continue;
        low = std::min(low, value(s));
        high = std::max(high, value(s));
    }
    const GeometrySpan span = r.series.span();
    double left = span.left, right = span.right;
    p.drawText(area.topLeft() + QPointF(0, fm.ascent()), title);
    p.setPen(Qt::black);
    p.drawRect(plot);
    if (!span.found) {
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
            if (!r.series.placed(s)) continue;
            const QPointF at(px(r.series.along(s)), py(value(s)));
            if (first)
                line.moveTo(at);
            else
                line.lineTo(at);
            first = false;
        }
    }
    p.setPen(QPen(kValue, 1.5));
    p.drawPath(line);
    p.setPen(Qt::black);
    const auto number = [](double v) { return QString::number(v, 'g', 4); };
    p.drawText(QRectF(area.left(), plot.top() - fm.height() / 2, plot.left() - area.left() - 4,
                      fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, number(top));
    p.drawText(QRectF(area.left(), plot.bottom() - fm.height() / 2, plot.left() - area.left() - 4,
                      fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, number(bottom));
    const QString unit = r.series.alongDistance() ? QStringLiteral(" m") : QString();
    p.drawText(QRectF(plot.left(), plot.bottom(), plot.width(), fm.height() * 1.5),
               Qt::AlignLeft | Qt::AlignVCenter, number(left) + unit);
    p.drawText(QRectF(plot.left(), plot.bottom(), plot.width(), fm.height() * 1.5),
               Qt::AlignRight | Qt::AlignVCenter, number(right) + unit);
    p.drawText(QRectF(plot.left(), plot.bottom(), plot.width(), fm.height() * 1.5),
               Qt::AlignHCenter | Qt::AlignVCenter,
               r.series.alongDistance() ? QStringLiteral("distance") : QStringLiteral("record"));
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
bool paintGeometryReport(const GeometryReport& r, QIODevice& device, JobProgress* progress,
                         const MorePages& more) {
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
              QStringLiteral("Mean diameter (m)"), r, meanOf, 0, 0);
    drawChart(p, QRectF(body.left(), y + chartHeight, body.width(), chartHeight),
              QStringLiteral("Ovality (%), ") + ovalityDefinition(r), r, ovalityOf,
              r.bands.ovalityWarning, r.bands.ovalityAlarm);
    drawChart(p, QRectF(body.left(), y + 2 * chartHeight, body.width(), chartHeight),
              QStringLiteral("Sediment depth (m)"), r, sedimentOf, r.bands.sedimentWarning,
              r.bands.sedimentAlarm);

    // ---- the places, six to a page
    constexpr int kColumns = 2, kRows = 3;
    const double cellWidth = body.width() / kColumns;
    for (std::size_t i = 0; i < r.places.size(); ++i) {
        const int slot = static_cast<int>(i % (kColumns * kRows));
        double top = body.top();
        if (slot == 0) {
            writer.newPage();
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
    if (more && !more(p, writer, progress)) {
        p.end();
        return false;
    }
    return p.end();
}

}  // namespace

PipeReportOutcome writePipeReport(CSondrelDoc& doc, const std::string& input,
                                  const std::string& output, const GeometrySettings& settings,
                                  JobProgress* progress, const MorePages& more) {
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
    const ConversionResult result = collectGeometryReport(doc, input, settings, *report, progress);
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

    QBuffer pages;
    pages.open(QIODevice::WriteOnly);
    if (!paintGeometryReport(*report, pages, progress, more)) {
        if (progress && progress->cancelled()) return cancelled();
        return givenUp(output + ": the report's pages could not be made");
    }
    const QByteArray& bytes = pages.data();
    if (!out.write(bytes.constData(), static_cast<std::size_t>(bytes.size())) || !out.close())
        return givenUp(output + ": write failed: " + out.errorText(), true);

    outcome.status =
        result.ok() ? PipeReportOutcome::Status::Written : PipeReportOutcome::Status::Partial;
    outcome.message = result.message;
    return outcome;
}

}  // namespace sondrel

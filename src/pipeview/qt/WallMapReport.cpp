#include "pipeview/qt/WallMapReport.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "acquisition/SondrelDoc.h"
#include "common/JobProgress.h"
#include "common/qt/QtColour.h"
#include "pipeview/ChainageWindow.h"
#include "pipeview/PipeViews.h"
#include "pipeview/SurveyChainage.h"
#include "pipeview/WallMap.h"
#include "survey/Survey.h"

namespace sondrel {

namespace {

QImage pictureOf(const WallMap& map, double from, double to, const DepartureScale& scale,
                 QSize size) {
    RgbImage rgb;
    rgb.resize(size.width(), size.height());
    map.render(from, to, scale, rgb);
    QImage image(size, QImage::Format_RGB888);
    const auto rowBytes = static_cast<std::size_t>(size.width()) * 3;
    for (int y = 0; y < size.height(); ++y)
        std::memcpy(image.scanLine(y), rgb.pixels.data() + rowBytes * static_cast<std::size_t>(y),
                    rowBytes);
    return image;
}

void drawLegend(QPainter& p, const QRectF& box, const DepartureScale& scale) {
    const QFontMetricsF fm(p.font());
    const auto& table = coolWarmTable();
    QImage bar(static_cast<int>(table.size()), 1, QImage::Format_RGB888);
    for (std::size_t i = 0; i < table.size(); ++i)
        bar.setPixelColor(static_cast<int>(i), 0, qcolour(table[i]));
    const QRectF barRect(box.left(), box.top() + fm.height(), box.width() * 0.45, fm.height());
    p.drawText(QPointF(box.left(), box.top() + fm.ascent()),
               QStringLiteral("Departure from the nominal radius (mm): blue in, red out"));
    p.drawImage(barRect, bar);
    const std::vector<LegendEntry> entries = scale.legend(5);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const double x = barRect.left() + barRect.width() * static_cast<double>(i) /
                                              static_cast<double>(entries.size() - 1);
        QString label = QString::number(entries[i].departureMm, 'f', 0);
        if (entries[i].departureMm > 0) label.prepend(QLatin1Char('+'));
        p.drawText(QPointF(x - fm.horizontalAdvance(label) / 2, barRect.bottom() + fm.ascent()),
                   label);
    }
    double x = barRect.right() + fm.height() * 2;
    for (const auto& [name, colour] : {std::pair{QStringLiteral("Sediment"), kSedimentColour},
                                       std::pair{QStringLiteral("No echo"), kNoEchoColour}}) {
        const QRectF swatch(x, barRect.top(), fm.height() * 1.4, barRect.height());
        p.fillRect(swatch, qcolour(colour));
        p.drawRect(swatch);
        p.drawText(QPointF(swatch.right() + fm.height() * 0.4, barRect.top() + fm.ascent()), name);
        x = swatch.right() + fm.height() * 0.8 + fm.horizontalAdvance(name) + fm.height() * 1.5;
    }
}

void drawStrip(QPainter& p, const QRectF& area, const WallMap& map, double from, double to,
               int number, const std::vector<WallMapMark>& marks, const DepartureScale& scale) {
    const QFontMetricsF fm(p.font());
    const double left = fm.horizontalAdvance(QStringLiteral("12:00  "));
    p.drawText(QPointF(area.left(), area.top() + fm.ascent()),
               QStringLiteral("Strip %1: %2 m to %3 m")
                   .arg(number)
                   .arg(from, 0, 'f', 1)
                   .arg(to, 0, 'f', 1));
    // Room above the map for the observations' codes.
    const QRectF cells(area.left() + left, area.top() + fm.height() * 2.6, area.width() - left,
                       area.height() - fm.height() * 4.4);
    const QSize pixels(static_cast<int>(cells.width()), static_cast<int>(cells.height()));
    p.drawImage(cells, pictureOf(map, from, to, scale, pixels));
    p.drawRect(cells);
    const auto xOf = [&](double c) {
        return cells.left() + (c - from) / (to - from) * cells.width();
    };
    static constexpr const char* kHours[] = {"12:00", "3:00", "6:00", "9:00", "12:00"};
    for (int i = 0; i < 5; ++i) {
        const double y = cells.top() + cells.height() * i / 4.0;
        p.drawLine(QPointF(cells.left() - 4, y), QPointF(cells.left(), y));
        p.drawText(QPointF(area.left(), y + fm.ascent() / 2 - 1), QString::fromLatin1(kHours[i]));
    }
    const double step = roundTickStep(to - from, 10);
    for (const double c : roundTicks(from, to, 10)) {
        const double x = xOf(c);
        p.drawLine(QPointF(x, cells.bottom()), QPointF(x, cells.bottom() + 5));
        const QString label = QStringLiteral("%1 m").arg(c, 0, 'f', step >= 1 ? 0 : 1);
        p.drawText(QPointF(x - fm.horizontalAdvance(label) / 2, cells.bottom() + 5 + fm.ascent()),
                   label);
    }
    // Codes that would overlap go on a second line.
    double lastRight[2] = {-1e300, -1e300};
    for (const WallMapMark& m : marks) {
        if (m.chainage < from || m.chainage >= to) continue;
        const double x = xOf(m.chainage);
        const QString code = QString::fromStdString(m.code);
        const double w = fm.horizontalAdvance(code);
        const int row = x - w / 2 > lastRight[0] ? 0 : 1;
        lastRight[row] = x + w / 2 + 2;
        const double base = cells.top() - 4 - (row == 0 ? 0 : fm.height());
        p.drawLine(QPointF(x, cells.top() - 4), QPointF(x, cells.top() + 6));
        p.drawText(QPointF(x - w / 2, base - 2), code);
    }
}

}  // namespace

std::vector<double> stripStarts(double start, double end, double stripMetres) {
    std::vector<double> starts;
    if (!(stripMetres > 0) || !(end > start)) return starts;
    const double first = std::floor(start / stripMetres) * stripMetres;
    for (double s = first; s < end; s += stripMetres) starts.push_back(s);
    return starts;
}

bool paintWallMapPages(QPainter& p, const QRectF& body, const std::function<bool()>& newPage,
                       const WallMap& map, const std::vector<WallMapMark>& marks,
                       const WallMapPagesLayout& layout, const JobProgress* progress) {
    if (map.empty()) return true;
    const std::vector<double> starts =
        stripStarts(map.startChainage(), map.endChainage(), layout.stripMetres);
    const QFontMetricsF fm(p.font());
    const double legendHeight = fm.height() * 3.5;
    const double titleHeight = fm.height() * 2.5;
    const double stripHeight =
        (body.height() - legendHeight - titleHeight) / std::max(1, layout.stripsPerPage);
    const DepartureScale& scale = layout.scale;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        if (progress && progress->cancelled()) return false;
        const int slot = static_cast<int>(i % static_cast<std::size_t>(layout.stripsPerPage));
        if (slot == 0) {
            if (i > 0 && !newPage()) return false;
            QFont title = p.font();
            title.setBold(true);
            p.save();
            p.setFont(title);
            p.drawText(QPointF(body.left(), body.top() + fm.ascent()),
                       QStringLiteral("Wall map, %1 m a strip, clock positions looking along "
                                      "the survey")
                           .arg(layout.stripMetres, 0, 'f', 0));
            p.restore();
            drawLegend(
                p, QRectF(body.left(), body.bottom() - legendHeight, body.width(), legendHeight),
                scale);
        }
        const QRectF area(body.left(), body.top() + titleHeight + slot * stripHeight, body.width(),
                          stripHeight);
        drawStrip(p, area.adjusted(0, 0, 0, -fm.height() * 0.5), map, starts[i],
                  starts[i] + layout.stripMetres, static_cast<int>(i + 1), marks, scale);
    }
    return true;
}

std::vector<WallMapMark> observationMarks(const Survey& survey) {
    std::vector<WallMapMark> marks;
    for (const Observation& o : survey.observations)
        if (!o.deleted) marks.push_back({o.chainage, o.code});
    return marks;
}

WallMapReportPages::WallMapReportPages(const WallMap& map, std::vector<WallMapMark> marks,
                                       ReportPages* before, const JobProgress* progress,
                                       WallMapPagesLayout layout)
    : map_(map), marks_(std::move(marks)), layout_(layout), before_(before), progress_(progress) {}

bool WallMapReportPages::paint(QPainter& painter, const QRectF& body,
                               const std::function<bool()>& newPage) {
    if (before_) {
        if (!before_->paint(painter, body, newPage)) return false;
        if (map_.empty()) return true;
        if (!newPage()) return false;
    }
    return paintWallMapPages(painter, body, newPage, map_, marks_, layout_, progress_);
}

double WallMapReportPages::along(const GeometrySample& sample) const {
    return before_ ? before_->along(sample) : std::nan("");
}

std::string WallMapReportPages::alongName() const {
    return before_ ? before_->alongName() : std::string();
}

const std::vector<GeometrySample>* WallMapReportPages::samples() const {
    return before_ ? before_->samples() : nullptr;
}

PipeReportOutcome writeReportWithWallMap(CSondrelDoc& doc, const std::string& input,
                                         const std::string& output,
                                         const GeometrySettings& settings, const Survey* survey,
                                         ReportPages* pages, JobProgress* progress) {
    SliceSettings slices;
    slices.nominalDiameter = settings.nominalDiameter;
    std::unique_ptr<ChainageSource> chainage = std::make_unique<DistanceReadingChainage>();
    std::vector<WallMapMark> marks;
    if (survey && survey->hasChainage && !survey->pings.empty()) {
        chainage = std::make_unique<SurveyChainage>(*survey);
        marks = observationMarks(*survey);
        if (survey->nominalDiameter > 0) slices.nominalDiameter = survey->nominalDiameter;
    }
    WallMap map;
    {
        // A document of its own, so that the report's reading starts afresh.
        CSondrelDoc walker;
        walker.flags.playbackActive = true;
        walker.display = doc.display;
        walker.head.profileMinRange = doc.head.profileMinRange;
        walker.files.calibratedSoundVelocity = doc.files.calibratedSoundVelocity;
        buildPipeViews(walker, input, slices, *chainage, {&map, nullptr}, progress);
    }
    if (progress && progress->cancelled()) {
        PipeReportOutcome cancelled;
        cancelled.status = PipeReportOutcome::Status::Cancelled;
        return cancelled;
    }
    // Without a placed record there is no map, and no page of it.
    if (map.empty()) return writePipeReport(doc, input, output, settings, progress, pages);
    WallMapPagesLayout layout;
    layout.scale.rangeMm = settings.wallMapRange;
    WallMapReportPages all(map, std::move(marks), pages, progress, layout);
    return writePipeReport(doc, input, output, settings, progress, &all);
}

}  // namespace sondrel

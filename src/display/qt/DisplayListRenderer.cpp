#include "display/qt/DisplayListRenderer.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>

#include <cmath>

namespace sondrel {

namespace {

QColor qColour(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QPen qPen(const Pen& pen) {
    QPen p(qColour(pen.colour));
    p.setWidthF(pen.width);
    p.setJoinStyle(Qt::MiterJoin);
    if (pen.dashed()) {
        // Flat caps keep dashes and gaps their stated lengths in pen widths.
        p.setCapStyle(Qt::FlatCap);
        p.setDashPattern({pen.dash, pen.gap});
    } else {
        p.setCapStyle(Qt::SquareCap);
    }
    return p;
}

// Arcs in the list run clockwise on screen from the positive x axis; Qt's run
// counter-clockwise, in sixteenths of a degree.
int qtAngle(double degrees) {
    return qRound(-degrees * 16.0);
}

// The head drawn from the side: body, transducer at the end it faces, and an
// arrow from the transducer towards the zero position.
QImage drawIcon(bool forward, bool zeroDown) {
    QImage image(kIconSize, kIconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);

    const QColor outline(60, 60, 60);
    p.setPen(QPen(outline, 1.0));
    p.setBrush(QColor(175, 180, 185));
    p.drawRoundedRect(QRectF(5.5, 12.5, 21, 8), 2, 2);

    const double tx = forward ? 26.0 : 6.0;
    p.setBrush(QColor(255, 165, 30));
    p.drawEllipse(QPointF(tx, 16.5), 4.0, 6.0);

    // Chevron on the body pointing the way the transducer faces.
    p.setPen(QPen(outline, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const double s = forward ? 1.0 : -1.0;
    const double mx = 16.0;
    p.drawPolyline(QPolygonF(
        {QPointF(mx - 2 * s, 14.0), QPointF(mx + 2 * s, 16.5), QPointF(mx - 2 * s, 19.0)}));

    // Arrow to the zero position.
    const QColor arrow(40, 200, 70);
    p.setPen(QPen(arrow, 2.0, Qt::SolidLine, Qt::FlatCap));
    const double tipY = zeroDown ? 31.0 : 1.0;
    const double baseY = zeroDown ? 23.0 : 10.0;
    const double headY = zeroDown ? 26.0 : 6.0;
    p.drawLine(QPointF(tx, baseY), QPointF(tx, headY));
    p.setPen(Qt::NoPen);
    p.setBrush(arrow);
    p.drawPolygon(QPolygonF({QPointF(tx, tipY), QPointF(tx - 4, headY), QPointF(tx + 4, headY)}));
    return image;
}

}  // namespace

DisplayListRenderer::DisplayListRenderer() = default;

QImage DisplayListRenderer::iconImage(int id) {
    switch (id) {
        case kIconFwdDown:
            return drawIcon(true, true);
        case kIconAftDown:
            return drawIcon(false, true);
        case kIconFwdUp:
            return drawIcon(true, false);
        case kIconAftUp:
            return drawIcon(false, false);
        default:
            return QImage();
    }
}

const DisplayListRenderer::FontEntry& DisplayListRenderer::font(int pixelSize) {
    auto it = fonts_.find(pixelSize);
    if (it == fonts_.end()) {
        FontEntry entry;
        entry.font = QFont(QString::fromLatin1(kTextFamily));
        entry.font.setPixelSize(pixelSize);
        entry.font.setStyleHint(QFont::SansSerif);
        entry.ascent = QFontMetricsF(entry.font).ascent();
        it = fonts_.insert(pixelSize, entry);
    }
    return *it;
}

const std::vector<QRect>& DisplayListRenderer::pointStamp(int w, int h, double fx, double fy) {
    const StampKey key{w, h, fx, fy};
    auto it = stamps_.find(key);
    if (it != stamps_.end()) return *it;
    // Zoom and window size fix the sub-pixel phase, so only a few stamps are
    // ever in use; forget old ones rather than grow.
    constexpr qsizetype kMaxStamps = 64;
    if (stamps_.size() >= kMaxStamps) stamps_.clear();

    std::vector<QRect> runs;
    constexpr int kLargestStamp = 16;
    if (w >= 0 && h >= 0 && w <= kLargestStamp && h <= kLargestStamp) {
        // Drawn once the way a single point would be, then kept as runs.
        constexpr int kMargin = 4;
        QImage mask(w + 2 * kMargin, h + 2 * kMargin, QImage::Format_ARGB32_Premultiplied);
        mask.fill(Qt::transparent);
        {
            QPainter m(&mask);
            m.setRenderHint(QPainter::Antialiasing, false);
            m.translate(fx, fy);
            m.setPen(qPen(solidPen(Rgb{255, 255, 255})));
            m.setBrush(Qt::white);
            m.drawEllipse(kMargin, kMargin, w, h);
        }
        for (int y = 0; y < mask.height(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
            for (int x = 0; x < mask.width();) {
                if (qAlpha(row[x]) == 0) {
                    ++x;
                    continue;
                }
                int end = x;
                while (end < mask.width() && qAlpha(row[end]) != 0) ++end;
                runs.emplace_back(x - kMargin, y - kMargin, end - x, 1);
                x = end;
            }
        }
    }
    return *stamps_.insert(key, std::move(runs));
}

void DisplayListRenderer::drawProfilePoints(QPainter& p, std::span<const PointBox> boxes,
                                            Rgb colour) {
    // Hundreds of tiny ellipses per paint: stamping their pixels as rectangles
    // in one call draws the same dots many times faster. Stamps hold for a
    // plain shift of the origin; anything else draws the ellipses themselves.
    const QTransform t = p.worldTransform();
    if (t.type() > QTransform::TxTranslate) {
        for (const PointBox& b : boxes) p.drawEllipse(b.x, b.y, b.w, b.h);
        return;
    }
    const double wholeX = std::floor(t.dx()), wholeY = std::floor(t.dy());
    const double fx = t.dx() - wholeX, fy = t.dy() - wholeY;
    runs_.clear();
    for (const PointBox& b : boxes) {
        const std::vector<QRect>& stamp = pointStamp(b.w, b.h, fx, fy);
        if (stamp.empty()) {
            p.drawEllipse(b.x, b.y, b.w, b.h);
            continue;
        }
        for (const QRect& r : stamp) runs_.push_back(r.translated(b.x, b.y));
    }
    if (runs_.empty()) return;
    p.save();
    p.setWorldTransform(QTransform::fromTranslate(wholeX, wholeY));
    p.setPen(Qt::NoPen);
    p.setBrush(qColour(colour));
    p.drawRects(runs_.data(), static_cast<int>(runs_.size()));
    p.restore();
}

const QImage& DisplayListRenderer::icon(int id) {
    auto it = icons_.find(id);
    if (it == icons_.end()) it = icons_.insert(id, iconImage(id));
    return *it;
}

void DisplayListRenderer::render(const DisplayList& list, QImage& target) {
    if (target.isNull()) return;
    QPainter painter(&target);
    render(list, painter);
}

void DisplayListRenderer::render(const DisplayList& list, QPainter& p) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    // Setting a pen or brush costs more than comparing; most items share them.
    bool penSet = false;
    Pen currentPen;
    auto usePen = [&](const Pen& pen) {
        if (!penSet || !(pen == currentPen)) {
            p.setPen(qPen(pen));
            currentPen = pen;
            penSet = true;
        }
    };
    auto noPen = [&] {
        if (penSet || p.pen().style() != Qt::NoPen) p.setPen(Qt::NoPen);
        penSet = false;
    };
    auto useStyle = [&](const FigureStyle& style) {
        if (style.stroked) {
            usePen(style.pen);
        } else {
            noPen();
        }
        if (style.filled) {
            p.setBrush(qColour(style.fill));
        } else {
            p.setBrush(Qt::NoBrush);
        }
    };

    int depth = 0;
    QString text;
    for (const DisplayItem& item : list.items()) {
        switch (item.kind) {
            case ItemKind::Rect: {
                const QRectF r(item.x, item.y, item.w, item.h);
                if (item.style.filled) p.fillRect(r, qColour(item.style.fill));
                if (item.style.stroked) {
                    usePen(item.style.pen);
                    p.setBrush(Qt::NoBrush);
                    p.drawRect(r);
                }
                break;
            }
            case ItemKind::Ellipse:
                useStyle(item.style);
                p.drawEllipse(QRectF(item.x, item.y, item.w, item.h));
                break;
            case ItemKind::Chord:
                useStyle(item.style);
                p.drawChord(QRectF(item.x, item.y, item.w, item.h), qtAngle(item.startAngle),
                            qtAngle(item.sweepAngle));
                break;
            case ItemKind::Pie:
                useStyle(item.style);
                p.drawPie(QRectF(item.x, item.y, item.w, item.h), qtAngle(item.startAngle),
                          qtAngle(item.sweepAngle));
                break;
            case ItemKind::Line:
                usePen(item.style.pen);
                p.drawLine(QLineF(item.x, item.y, item.x2, item.y2));
                break;
            case ItemKind::ProfilePoints: {
                usePen(solidPen(item.colour));
                p.setBrush(qColour(item.colour));
                drawProfilePoints(p, list.pointsOf(item), item.colour);
                break;
            }
            case ItemKind::Text: {
                const FontEntry& f = font(item.pixelSize);
                const std::string_view s = list.textOf(item);
                text = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
                p.setFont(f.font);
                usePen(solidPen(item.colour));
                p.drawText(QPointF(item.x, item.y + f.ascent), text);
                break;
            }
            case ItemKind::Icon: {
                const QImage& image = icon(item.iconId);
                if (!image.isNull()) p.drawImage(QPointF(item.x, item.y), image);
                break;
            }
            case ItemKind::Save:
                p.save();
                ++depth;
                break;
            case ItemKind::Restore:
                if (depth > 0) {
                    p.restore();
                    --depth;
                    penSet = false;
                }
                break;
            case ItemKind::Translate:
                p.translate(item.x, item.y);
                break;
            case ItemKind::Rotate:
                p.rotate(item.startAngle);
                break;
        }
    }
    while (depth-- > 0) p.restore();
    p.restore();
}

void renderDisplayList(const DisplayList& list, QImage& target) {
    DisplayListRenderer renderer;
    renderer.render(list, target);
}

}  // namespace sondrel

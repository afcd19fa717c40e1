#include "app/qt/ToolbarIcons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <numbers>

#include "app/CommandIds.h"

namespace sondrel {

namespace {

constexpr int kIconWidth = 24;
constexpr int kIconHeight = 22;

const QColor kInk(30, 30, 30);
const QColor kSea(0, 110, 170);
const QColor kSignal(200, 0, 0);
const QColor kGood(0, 140, 60);

QPen pen(const QColor& colour, qreal width) {
    QPen p(colour, width);
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

void drawLetters(QPainter& p, const QString& text, const QColor& colour, QRectF box) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    font.setBold(true);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, text);
}

// An up or down arrow head at the right of a letter pair.
void drawStepArrow(QPainter& p, bool up, const QColor& colour) {
    QPainterPath arrow;
    if (up) {
        arrow.moveTo(19, 3);
        arrow.lineTo(23.5, 9);
        arrow.lineTo(14.5, 9);
    } else {
        arrow.moveTo(19, 19);
        arrow.lineTo(23.5, 13);
        arrow.lineTo(14.5, 13);
    }
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(arrow);
}

void drawMagnifier(QPainter& p, bool plus) {
    p.setPen(pen(kInk, 2));
    p.setBrush(QColor(220, 240, 255));
    p.drawEllipse(QPointF(9.5, 9), 6.5, 6.5);
    p.setPen(pen(kInk, 3));
    p.drawLine(QPointF(14.5, 14), QPointF(21, 20.5));
    p.setPen(pen(kSea, 2));
    p.drawLine(QPointF(6.5, 9), QPointF(12.5, 9));
    if (plus) p.drawLine(QPointF(9.5, 6), QPointF(9.5, 12));
}

// A ring of dots, the picture the program shows of a pipe.
void drawProfileRing(QPainter& p, QPointF centre, qreal radius, const QColor& colour, int dots) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (int i = 0; i < dots; ++i) {
        const double a = 2.0 * std::numbers::pi * i / dots;
        p.drawEllipse(QPointF(centre.x() + radius * std::sin(a), centre.y() - radius * std::cos(a)),
                      1.2, 1.2);
    }
}

void paintIcon(QPainter& p, int id) {
    switch (id) {
        case kCmdConnect: {
            // The head with its pulse going out.
            p.setPen(Qt::NoPen);
            p.setBrush(kSea);
            p.drawRoundedRect(QRectF(1.5, 7, 7, 8), 2, 2);
            p.setBrush(Qt::NoBrush);
            for (int i = 0; i < 3; ++i) {
                p.setPen(pen(i == 0 ? kGood : QColor(0, 140, 60, 200 - 50 * i), 1.6));
                const qreal r = 5 + 4.5 * i;
                p.drawArc(QRectF(8 - r, 11 - r, 2 * r, 2 * r), -50 * 16, 100 * 16);
            }
            break;
        }
        case kCmdOpenPlayback: {
            QPainterPath folder;
            folder.moveTo(1.5, 5);
            folder.lineTo(8, 5);
            folder.lineTo(10, 7);
            folder.lineTo(17, 7);
            folder.lineTo(17, 18);
            folder.lineTo(1.5, 18);
            folder.closeSubpath();
            p.setPen(pen(QColor(140, 100, 0), 1));
            p.setBrush(QColor(250, 210, 90));
            p.drawPath(folder);
            QPainterPath play;
            play.moveTo(13, 9);
            play.lineTo(23, 14.5);
            play.lineTo(13, 20);
            play.closeSubpath();
            p.setPen(pen(Qt::white, 1));
            p.setBrush(kGood);
            p.drawPath(play);
            break;
        }
        case kCmdRecord:
            p.setPen(pen(QColor(120, 0, 0), 1));
            p.setBrush(kSignal);
            p.drawEllipse(QPointF(12, 11), 7, 7);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 110));
            p.drawEllipse(QPointF(10, 8.5), 2.5, 2.0);
            break;
        case kCmdRangeUp:
        case kCmdRangeDown:
            drawLetters(p, QStringLiteral("R"), kSea, QRectF(0, 0, 14, kIconHeight));
            drawStepArrow(p, id == kCmdRangeUp, kSea);
            break;
        case kCmdGainUp:
        case kCmdGainDown:
            drawLetters(p, QStringLiteral("G"), kGood, QRectF(0, 0, 14, kIconHeight));
            drawStepArrow(p, id == kCmdGainUp, kGood);
            break;
        case kCmdCaptureFrame:
            // One sweep going into a file.
            drawProfileRing(p, QPointF(9, 9), 6.5, kSea, 12);
            p.setPen(pen(kInk, 1));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(14.5, 11.5, 8, 9));
            p.setPen(pen(kSea, 1.5));
            p.drawLine(QPointF(16.5, 15), QPointF(20.5, 15));
            p.drawLine(QPointF(16.5, 18), QPointF(20.5, 18));
            break;
        case kCmdHold:
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(200, 140, 0));
            p.drawRoundedRect(QRectF(6, 4, 4.5, 14), 1, 1);
            p.drawRoundedRect(QRectF(13.5, 4, 4.5, 14), 1, 1);
            break;
        case kCmdResetView: {
            // Centre cross in a frame: everything back in the middle.
            p.setPen(pen(kInk, 1));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(2.5, 2.5, 19, 17));
            p.setPen(pen(kSignal, 1.6));
            p.drawLine(QPointF(12, 6), QPointF(12, 16));
            p.drawLine(QPointF(7, 11), QPointF(17, 11));
            p.setPen(pen(kSea, 1.3));
            p.drawEllipse(QPointF(12, 11), 3.2, 3.2);
            break;
        }
        case kCmdZoomIn:
        case kCmdZoomOut:
            drawMagnifier(p, id == kCmdZoomIn);
            break;
        case kCmdDisplayCircle:
            p.setPen(pen(QColor(150, 150, 0), 2));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(12, 11), 8, 8);
            drawProfileRing(p, QPointF(12, 11), 5, kSea, 10);
            break;
        case kCmdTextInput: {
            drawLetters(p, QStringLiteral("A"), kInk, QRectF(0, 0, 16, kIconHeight));
            p.setPen(pen(kSea, 1.5));
            p.drawLine(QPointF(18, 4), QPointF(18, 18));
            p.drawLine(QPointF(16, 4), QPointF(20, 4));
            p.drawLine(QPointF(16, 18), QPointF(20, 18));
            break;
        }
        case kCmdMeasureAdd:
            p.setPen(pen(QColor(0, 150, 150), 1.8));
            p.drawLine(QPointF(3, 17), QPointF(21, 5));
            p.setPen(pen(kInk, 1.5));
            p.drawLine(QPointF(1.5, 14.5), QPointF(4.5, 19.5));
            p.drawLine(QPointF(19.5, 2.5), QPointF(22.5, 7.5));
            break;
        case kCmdDeleteAllDrawings:
            p.setPen(pen(QColor(0, 150, 150), 1.4));
            p.drawLine(QPointF(2, 18), QPointF(12, 4));
            drawLetters(p, QStringLiteral("a"), kInk, QRectF(2, 0, 10, 14));
            p.setPen(pen(kSignal, 2.4));
            p.drawLine(QPointF(12, 9), QPointF(21, 18));
            p.drawLine(QPointF(21, 9), QPointF(12, 18));
            break;
        case kCmdDiagnostics: {
            p.setPen(pen(kInk, 1));
            p.setBrush(QColor(20, 40, 30));
            p.drawRect(QRectF(1.5, 2.5, 21, 17));
            QPainterPath trace;
            trace.moveTo(3, 13);
            for (int x = 3; x <= 21; ++x) trace.lineTo(x, 11 - 5 * std::sin((x - 3) * 0.7));
            p.setPen(pen(QColor(80, 255, 120), 1.3));
            p.setBrush(Qt::NoBrush);
            p.drawPath(trace);
            break;
        }
        case kCmdHelp:
            p.setPen(pen(kSea, 1));
            p.setBrush(QColor(225, 240, 255));
            p.drawEllipse(QPointF(12, 11), 9, 9);
            drawLetters(p, QStringLiteral("?"), kSea, QRectF(0, 0, kIconWidth, kIconHeight));
            break;
        default:
            break;
    }
}

}  // namespace

QIcon toolbarIcon(int commandId) {
    QPixmap pixmap(kIconWidth, kIconHeight);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paintIcon(painter, commandId);
    painter.end();
    return QIcon(pixmap);
}

}  // namespace sondrel

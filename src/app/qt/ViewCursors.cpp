#include "app/qt/ViewCursors.h"

#include <QPainter>
#include <QPixmap>

#include <functional>

namespace sondrel {

namespace {

constexpr int kCursorSize = 32;

// Every stroke twice: wide and dark, then narrow and light on top.
void outlined(QPainter& p, const std::function<void()>& strokes) {
    p.setPen(QPen(QColor(0, 0, 0), 3, Qt::SolidLine, Qt::SquareCap));
    strokes();
    p.setPen(QPen(QColor(255, 255, 255), 1, Qt::SolidLine, Qt::SquareCap));
    strokes();
}

QPixmap blank() {
    QPixmap picture(kCursorSize, kCursorSize);
    picture.fill(Qt::transparent);
    return picture;
}

// Arms with a gap in the middle, so the pixel under the hot spot stays visible.
void drawCrossHair(QPainter& p, int cx, int cy, int arm, int gap) {
    outlined(p, [&] {
        p.drawLine(cx - arm, cy, cx - gap, cy);
        p.drawLine(cx + gap, cy, cx + arm, cy);
        p.drawLine(cx, cy - arm, cx, cy - gap);
        p.drawLine(cx, cy + gap, cx, cy + arm);
    });
}

QCursor imageCursor() {
    QPixmap picture = blank();
    QPainter p(&picture);
    drawCrossHair(p, 15, 15, 11, 3);
    p.end();
    return QCursor(picture, 15, 15);
}

// The text's top-left corner goes where the beam starts.
QCursor textCursor() {
    QPixmap picture = blank();
    QPainter p(&picture);
    outlined(p, [&] {
        p.drawLine(6, 2, 6, 20);
        p.drawLine(3, 2, 9, 2);
        p.drawLine(3, 20, 9, 20);
    });
    p.end();
    return QCursor(picture, 6, 2);
}

QCursor measureCursor() {
    QPixmap picture = blank();
    QPainter p(&picture);
    drawCrossHair(p, 10, 10, 8, 2);
    // A short rule with three ticks below and to the right.
    outlined(p, [&] {
        p.drawRect(15, 21, 14, 6);
        for (int x = 19; x <= 25; x += 3) p.drawLine(x, 21, x, 23);
    });
    p.end();
    return QCursor(picture, 10, 10);
}

}  // namespace

QCursor viewCursorShape(ViewCursor kind) {
    switch (kind) {
        case ViewCursor::Text: {
            static const QCursor shape = textCursor();
            return shape;
        }
        case ViewCursor::Measure: {
            static const QCursor shape = measureCursor();
            return shape;
        }
        case ViewCursor::Image:
            break;
    }
    static const QCursor shape = imageCursor();
    return shape;
}

}  // namespace sondrel

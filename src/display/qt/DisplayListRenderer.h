#pragma once
// Paints a display list with QPainter. Fonts, pens and the orientation icons are
// made once and kept, so a steady paint only draws.

#include <QFont>
#include <QHash>
#include <QImage>
#include <QRect>

#include <span>
#include <vector>

#include "display/DisplayList.h"

class QPainter;

namespace sondrel {

class DisplayListRenderer {
  public:
    DisplayListRenderer();

    // Paints every item onto the target (a Format_ARGB32_Premultiplied back
    // buffer); the painter's state is restored afterwards.
    void render(const DisplayList& list, QImage& target);
    void render(const DisplayList& list, QPainter& painter);

    // The artwork of icon 144..147 at its natural size; a null image for other ids.
    static QImage iconImage(int id);

  private:
    struct FontEntry {
        QFont font;
        qreal ascent = 0;  // texts are placed by their top-left corner
    };
    const FontEntry& font(int pixelSize);
    const QImage& icon(int id);
    // The pixels an outlined and filled ellipse of a small box covers when the
    // drawing origin sits (fx, fy) past a whole pixel, as one-pixel-high runs
    // relative to the box; empty for boxes too big to stamp.
    const std::vector<QRect>& pointStamp(int w, int h, double fx, double fy);
    void drawProfilePoints(QPainter& p, std::span<const PointBox> boxes, Rgb colour);

    QHash<int, FontEntry> fonts_;
    QHash<int, QImage> icons_;
    struct StampKey {
        int w, h;
        double fx, fy;
        friend bool operator==(const StampKey&, const StampKey&) = default;
        friend size_t qHash(const StampKey& k, size_t seed = 0) {
            return qHashMulti(seed, k.w, k.h, k.fx, k.fy);
        }
    };
    QHash<StampKey, std::vector<QRect>> stamps_;
    std::vector<QRect> runs_;  // reused by every paint
};

// One-shot form for callers that do not keep a renderer.
void renderDisplayList(const DisplayList& list, QImage& target);

}  // namespace sondrel

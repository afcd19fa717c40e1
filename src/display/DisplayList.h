#pragma once
// One paint of the view as plain data: what to draw, where, in which colour and
// with which pen, in drawing order. The core builds it, a thin renderer paints
// it, and tests read it. A list is meant to be reused from paint to paint:
// clear() keeps every buffer's capacity, so a steady paint allocates nothing.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/Colour.h"

namespace sondrel {

// A pen; a dash pattern is given in pen widths (dash length, gap length), and a
// dash of 0 means a solid line.
struct Pen {
    Rgb colour;
    double width = 1.0;
    double dash = 0.0;
    double gap = 0.0;
    bool dashed() const { return dash > 0.0 && gap > 0.0; }
    friend constexpr bool operator==(const Pen&, const Pen&) = default;
};

inline Pen solidPen(Rgb colour, double width = 1.0) {
    return Pen{colour, width, 0.0, 0.0};
}
inline Pen dashedPen(Rgb colour, double dash, double gap, double width = 1.0) {
    return Pen{colour, width, dash, gap};
}

// Fill first, then outline, as one figure.
struct FigureStyle {
    bool filled = false;
    Rgb fill;
    bool stroked = false;
    Pen pen;
};

inline FigureStyle fillOnly(Rgb fill) {
    return FigureStyle{true, fill, false, {}};
}
inline FigureStyle strokeOnly(const Pen& pen) {
    return FigureStyle{false, {}, true, pen};
}
inline FigureStyle fillAndStroke(Rgb fill, const Pen& pen) {
    return FigureStyle{true, fill, true, pen};
}

// A small axis-aligned box in whole pixels (the profile points).
struct PointBox {
    int x = 0, y = 0, w = 0, h = 0;
};

// Icons are drawn at their natural size with their top-left corner at (x, y).
inline constexpr int kIconFwdDown = 144;
inline constexpr int kIconAftDown = 145;
inline constexpr int kIconFwdUp = 146;
inline constexpr int kIconAftUp = 147;
inline constexpr int kIconSize = 32;

inline constexpr std::size_t kMaxDrawnTextLength = 255;
inline constexpr const char* kTextFamily = "Arial";

enum class ItemKind : std::uint8_t {
    Rect,           // x, y, w, h; style
    Ellipse,        // in the box x, y, w, h; style
    Chord,          // arc of the ellipse in the box, closed by its chord; style
    Pie,            // arc of the ellipse in the box, closed through the centre; style
    Line,           // (x, y) to (x2, y2); style.pen
    ProfilePoints,  // boxes [first, first + count) of points(); each filled and outlined in colour
    Text,           // top-left (x, y); characters [first, first + count) of the text store
    Icon,           // icon id at top-left (x, y)
    Save,           // push the coordinate transform
    Restore,        // pop it
    Translate,      // shift drawing coordinates by (x, y)
    Rotate,         // rotate drawing coordinates by angle degrees, clockwise on screen
};

// Angles of arcs are degrees measured clockwise from the positive x axis, with
// y growing downwards; a positive sweep runs clockwise.
struct DisplayItem {
    ItemKind kind = ItemKind::Rect;
    double x = 0, y = 0, w = 0, h = 0;
    double x2 = 0, y2 = 0;
    double startAngle = 0, sweepAngle = 0;  // arcs; Rotate uses startAngle
    FigureStyle style;
    Rgb colour;         // texts and profile points
    int pixelSize = 0;  // texts: font size in pixels
    int iconId = 0;
    std::uint32_t first = 0, count = 0;
};

class DisplayList {
  public:
    // Empties the list, keeping its buffers for the next paint.
    void clear();

    // Items whose numbers are not finite are not added: a paint goes on
    // without them rather than handing the renderer garbage.
    void rect(double x, double y, double w, double h, const FigureStyle& style);
    void fillRect(double x, double y, double w, double h, Rgb fill) {
        rect(x, y, w, h, fillOnly(fill));
    }
    void ellipse(double x, double y, double w, double h, const FigureStyle& style);
    void chord(double x, double y, double w, double h, double startAngle, double sweepAngle,
               const FigureStyle& style);
    void pie(double x, double y, double w, double h, double startAngle, double sweepAngle,
             const FigureStyle& style);
    void line(double x1, double y1, double x2, double y2, const Pen& pen);
    // Any range of boxes with int members x, y, w, h (the profile path's ellipses).
    template <class Boxes>
    void profilePoints(const Boxes& boxes, Rgb colour) {
        beginProfilePoints(colour);
        for (const auto& b : boxes) points_.push_back(PointBox{b.x, b.y, b.w, b.h});
        endProfilePoints();
    }
    // The text is cut to kMaxDrawnTextLength characters.
    void text(double x, double y, std::string_view text, int pixelSize, Rgb colour) {
        this->text(x, y, text, {}, pixelSize, colour);
    }
    // The text followed by a suffix, cut together.
    void text(double x, double y, std::string_view text, std::string_view suffix, int pixelSize,
              Rgb colour);
    void icon(int id, double x, double y);
    void save();
    void restore();
    void translate(double dx, double dy);
    void rotate(double degrees);

    const std::vector<DisplayItem>& items() const { return items_; }
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    std::string_view textOf(const DisplayItem& item) const {
        return std::string_view(texts_).substr(item.first, item.count);
    }
    std::span<const PointBox> pointsOf(const DisplayItem& item) const {
        return std::span<const PointBox>(points_).subspan(item.first, item.count);
    }

  private:
    void beginProfilePoints(Rgb colour);
    void endProfilePoints();
    void arc(ItemKind kind, double x, double y, double w, double h, double startAngle,
             double sweepAngle, const FigureStyle& style);

    std::vector<DisplayItem> items_;
    std::vector<PointBox> points_;
    std::string texts_;
};

}  // namespace sondrel

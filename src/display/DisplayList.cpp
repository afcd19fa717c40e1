#include "display/DisplayList.h"

#include <cmath>
#include <initializer_list>

#include "display/Utf8Text.h"

namespace sondrel {

namespace {

bool allFinite(std::initializer_list<double> values) {
    for (double v : values) {
        if (!std::isfinite(v)) return false;
    }
    return true;
}

bool styleFinite(const FigureStyle& style) {
    return !style.stroked || allFinite({style.pen.width, style.pen.dash, style.pen.gap});
}

}  // namespace

void DisplayList::clear() {
    items_.clear();
    points_.clear();
    texts_.clear();
}

void DisplayList::rect(double x, double y, double w, double h, const FigureStyle& style) {
    if (!allFinite({x, y, w, h}) || !styleFinite(style)) return;
    DisplayItem& item = items_.emplace_back();
    item.kind = ItemKind::Rect;
    item.x = x;
    item.y = y;
    item.w = w;
    item.h = h;
    item.style = style;
}

void DisplayList::ellipse(double x, double y, double w, double h, const FigureStyle& style) {
    if (!allFinite({x, y, w, h}) || !styleFinite(style)) return;
    DisplayItem& item = items_.emplace_back();
    item.kind = ItemKind::Ellipse;
    item.x = x;
    item.y = y;
    item.w = w;
    item.h = h;
    item.style = style;
}

void DisplayList::arc(ItemKind kind, double x, double y, double w, double h, double startAngle,
                      double sweepAngle, const FigureStyle& style) {
    if (!allFinite({x, y, w, h, startAngle, sweepAngle}) || !styleFinite(style)) return;
    DisplayItem& item = items_.emplace_back();
    item.kind = kind;
    item.x = x;
    item.y = y;
    item.w = w;
    item.h = h;
    item.startAngle = startAngle;
    item.sweepAngle = sweepAngle;
    item.style = style;
}

void DisplayList::chord(double x, double y, double w, double h, double startAngle,
                        double sweepAngle, const FigureStyle& style) {
    arc(ItemKind::Chord, x, y, w, h, startAngle, sweepAngle, style);
}

void DisplayList::pie(double x, double y, double w, double h, double startAngle, double sweepAngle,
                      const FigureStyle& style) {
    arc(ItemKind::Pie, x, y, w, h, startAngle, sweepAngle, style);
}

void DisplayList::line(double x1, double y1, double x2, double y2, const Pen& pen) {
    if (!allFinite({x1, y1, x2, y2, pen.width, pen.dash, pen.gap})) return;
    DisplayItem& item = items_.emplace_back();
    item.kind = ItemKind::Line;
    item.x = x1;
    item.y = y1;
    item.x2 = x2;
    item.y2 = y2;
    item.style = strokeOnly(pen);
}

void DisplayList::beginProfilePoints(Rgb colour) {
    DisplayItem& item = items_.emplace_back();
    item.kind = ItemKind::ProfilePoints;
    item.colour = colour;
    item.first = static_cast<std::uint32_t>(points_.size());
}

void DisplayList::endProfilePoints() {
    DisplayItem& item = items_.back();
    item.count = static_cast<std::uint32_t>(points_.size() - item.first);
}

void DisplayList::text(double x, double y, std::string_view text, std::string_view suffix,
                       int pixelSize, Rgb colour) {
    if (!allFinite({x, y}) || (text.empty() && suffix.empty()) || pixelSize <= 0) return;
    DisplayItem& item = items_.emplace_back();
    item.kind = ItemKind::Text;
    item.x = x;
    item.y = y;
    item.pixelSize = pixelSize;
    item.colour = colour;
    item.first = static_cast<std::uint32_t>(texts_.size());
    // Only the first characters are looked at, however long the text is.
    const std::string_view head = utf8Prefix(text, kMaxDrawnTextLength);
    texts_.append(head);
    if (head.size() == text.size()) {
        texts_.append(utf8Prefix(suffix, kMaxDrawnTextLength - utf8Length(head)));
    }
    item.count = static_cast<std::uint32_t>(texts_.size() - item.first);
}

void DisplayList::icon(int id, double x, double y) {
    if (!allFinite({x, y})) return;
    DisplayItem& item = items_.emplace_back();
    item.kind = ItemKind::Icon;
    item.iconId = id;
    item.x = x;
    item.y = y;
}

void DisplayList::save() {
    items_.emplace_back().kind = ItemKind::Save;
}

void DisplayList::restore() {
    items_.emplace_back().kind = ItemKind::Restore;
}

void DisplayList::translate(double dx, double dy) {
    // A dropped shift would misplace everything after it; no shift is the lesser harm.
    if (!allFinite({dx, dy})) dx = dy = 0.0;
    DisplayItem& item = items_.emplace_back();
    item.kind = ItemKind::Translate;
    item.x = dx;
    item.y = dy;
}

void DisplayList::rotate(double degrees) {
    if (!std::isfinite(degrees)) degrees = 0.0;
    DisplayItem& item = items_.emplace_back();
    item.kind = ItemKind::Rotate;
    item.startAngle = degrees;
}

}  // namespace sondrel

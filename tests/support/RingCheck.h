#pragma once
// Finds the profile ring in a picture of the view: the points of a pipe wall
// drawn around the image centre on the dark background. Shared by the widget
// test (the view's back buffer) and the end-to-end test (a screenshot of the
// whole window).

#include <QColor>
#include <QImage>
#include <QRect>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace sondrel::test {

struct RingReport {
    bool found = false;
    int wallPixels = 0;         // points-coloured pixels in the central disc
    double medianRadius = 0.0;  // their median distance from the centre
    int innerPixels = 0;        // of them, closer than half the median radius
    int sectorsCovered = 0;     // of 12 sectors of 30 degrees around the centre
    std::string why;
};

// The largest black (background) rectangle's bounding box: the view.
inline QRect darkArea(const QImage& image) {
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) < 8 && qGreen(p) < 8 && qBlue(p) < 8) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

inline bool isPointColour(QRgb p) {
    const int lo = std::min({qRed(p), qGreen(p), qBlue(p)});
    const int hi = std::max({qRed(p), qGreen(p), qBlue(p)});
    return lo >= 200 && hi - lo <= 30;
}

// Looks for the ring around the centre of `view` (the area of the image the
// view covers), ignoring the margins where the status texts and icons sit.
inline RingReport findRing(const QImage& source, QRect view) {
    RingReport r;
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    if (view.isEmpty()) {
        r.why = "no view area";
        return r;
    }
    const double cx = view.x() + view.width() / 2;
    const double cy = view.y() + view.height() / 2;
    const double maxRadius = std::min(view.width(), view.height()) / 2.0 - 60.0;
    std::vector<double> radii;
    std::array<int, 12> sectors{};
    for (int y = view.top(); y <= view.bottom(); ++y) {
        for (int x = view.left(); x <= view.right(); ++x) {
            if (!isPointColour(image.pixel(x, y))) continue;
            const double dx = x - cx, dy = y - cy;
            const double radius = std::hypot(dx, dy);
            if (radius > maxRadius) continue;
            radii.push_back(radius);
            double angle = std::atan2(dx, -dy) * 180.0 / M_PI;
            if (angle < 0) angle += 360.0;
            ++sectors[std::min(11, static_cast<int>(angle / 30.0))];
        }
    }
    r.wallPixels = static_cast<int>(radii.size());
    if (radii.empty()) {
        r.why = "no points-coloured pixels near the centre";
        return r;
    }
    std::nth_element(radii.begin(), radii.begin() + radii.size() / 2, radii.end());
    r.medianRadius = radii[radii.size() / 2];
    for (double radius : radii)
        if (radius < r.medianRadius / 2) ++r.innerPixels;
    for (int count : sectors)
        if (count > 0) ++r.sectorsCovered;
    // A ring: enough wall, away from the centre, all the way round, and an
    // empty middle.
    r.found = r.wallPixels >= 150 && r.medianRadius >= 30 && r.sectorsCovered == 12 &&
              r.innerPixels * 20 <= r.wallPixels;
    if (!r.found)
        r.why = "wall pixels " + std::to_string(r.wallPixels) + ", median radius " +
                std::to_string(r.medianRadius) + ", inner " + std::to_string(r.innerPixels) +
                ", sectors " + std::to_string(r.sectorsCovered);
    return r;
}

}  // namespace sondrel::test

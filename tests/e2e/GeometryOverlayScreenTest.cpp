// The pipe geometry overlay in the desktop program under a real X server
// against the simulated head: with the overlay and the chart window switched
// on in the settings file, the screenshot shows the fitted wall round the
// ring of points and the charts beside the image.

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "support/RingCheck.h"
#include "support/ScreenshotRun.h"

namespace {

// The shape's amber, also where smoothing has blended it with the background.
bool isShapeColour(QRgb p) {
    const int r = qRed(p), g = qGreen(p), b = qBlue(p);
    return r > 100 && g > r / 2 && g < r * 95 / 100 && b < r / 2;
}

TEST(GeometryOverlayScreenTest, TheFittedWallIsDrawnRoundTheRing) {
    if (sondrel::test::xvfbRunPath().isEmpty()) GTEST_SKIP() << "xvfb-run is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString settings = dir.filePath(QStringLiteral("Sondrel.INI"));
    {
        QFile file(settings);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            "[Pipe Geometry]\r\nShow Overlay=1\r\nShow Chart=1\r\nNominal Diameter=0.600\r\n");
    }

    // A survey along short deformed stretches and sediment wedges, 40 cm each,
    // so every chart's curve rises and falls as the crawler passes them.
    const QString scenario = dir.filePath(QStringLiteral("bumpy.scn"));
    {
        QFile file(scenario);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray text = "pipe diameter=0.6 length=20\ncrawler start=4 speed=0.5\n";
        for (int k = 0; k < 20; ++k) {
            const QByteArray from = QByteArray::number(4 + 0.4 * k);
            const QByteArray to = QByteArray::number(4.4 + 0.4 * k);
            text += "deformation from=" + from + " to=" + to + " peak=0.1\n";
            text += "sediment from=" + from + " to=" + to + " depth=0.1\n";
        }
        file.write(text);
    }
    const sondrel::test::ScreenshotRun run = sondrel::test::runForScreenshot(
        dir.path(), settings, 4, {QStringLiteral("--scenario"), scenario});
    ASSERT_TRUE(run.finished) << "the program did not close by itself";
    ASSERT_TRUE(run.normalExit) << run.output;
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const QImage& picture = run.picture;
    ASSERT_FALSE(picture.isNull()) << run.output;
    // The chart window's texts are dark too: the view is searched for left of
    // it, in the columns that are mostly the view's black.
    int viewRight = -1;
    for (int x = 0; x < picture.width(); ++x) {
        int dark = 0;
        for (int y = 0; y < picture.height(); ++y) {
            const QRgb p = picture.pixel(x, y);
            dark += qRed(p) < 8 && qGreen(p) < 8 && qBlue(p) < 8;
        }
        if (dark > picture.height() / 2) viewRight = x;
    }
    ASSERT_GT(viewRight, picture.width() / 2);
    ASSERT_LT(viewRight, picture.width() - 200) << "no chart window beside the image";
    const QRect view = sondrel::test::darkArea(picture.copy(0, 0, viewRight + 1, picture.height()));
    ASSERT_FALSE(view.isEmpty());
    const sondrel::test::RingReport ring = sondrel::test::findRing(picture, view);
    ASSERT_TRUE(ring.found) << ring.why;

    // The shape's pixels lie on the ring, all round it: count them by
    // twelve sectors about the view's centre, at about the ring's radius.
    // The same centre as the ring's search, which may lie a little off the
    // image's own: hence the wide band about the ring's radius.
    const double centreX = view.x() + view.width() / 2, centreY = view.y() + view.height() / 2;
    int onRing = 0, sectors = 0;
    std::array<int, 12> bySector{};
    for (int y = view.top(); y <= view.bottom(); ++y) {
        for (int x = view.left(); x <= view.right(); ++x) {
            if (!isShapeColour(picture.pixel(x, y))) continue;
            const double dx = x - centreX, dy = y - centreY;
            const double r = std::hypot(dx, dy);
            if (std::fabs(r - ring.medianRadius) > 0.25 * ring.medianRadius) continue;
            ++onRing;
            const double a = std::atan2(dy, dx) + 3.14159265358979;
            ++bySector[static_cast<std::size_t>(std::min(11.0, a / (2 * 3.14159265358979) * 12))];
        }
    }
    for (int count : bySector) sectors += count > 0;
    EXPECT_GT(onRing, static_cast<int>(3 * ring.medianRadius)) << "the fitted wall is missing";
    EXPECT_EQ(sectors, 12);

    // The charts' curves, in their blue, right of the image: three of them,
    // each at least as long as a quarter of the window's height.
    int curve = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = view.right() + 1; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            curve += qRed(p) < 60 && qGreen(p) > 50 && qGreen(p) < 130 && qBlue(p) > 150;
        }
    }
    EXPECT_GT(curve, 3 * picture.height() / 4) << "the charts show no curve";
}

}  // namespace

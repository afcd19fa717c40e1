// The renderer paints each kind of display list item where the list says, in
// the list's colours.
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "acquisition/SondrelDoc.h"
#include "display/DisplayList.h"
#include "display/Overlays.h"
#include "display/ViewPainter.h"
#include "display/ViewState.h"
#include "display/qt/DisplayListRenderer.h"

namespace sondrel {
namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kRed{250, 20, 10};
constexpr Rgb kGreen{10, 240, 30};
constexpr Rgb kWhite{255, 255, 255};

QImage blankImage(int w = 200, int h = 150) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0, 0, 0));
    return image;
}

Rgb pixel(const QImage& image, int x, int y) {
    const QRgb c = image.pixel(x, y);
    return Rgb{static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
               static_cast<std::uint8_t>(qBlue(c))};
}

int countColour(const QImage& image, const QRect& area, Rgb colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += pixel(image, x, y) == colour;
    return n;
}

int countNot(const QImage& image, const QRect& area, Rgb colour) {
    return area.width() * area.height() - countColour(image, area, colour);
}

TEST(DisplayListRenderer, FilledAndOutlinedRectangles) {
    DisplayList list;
    list.fillRect(10, 20, 30, 40, kRed);
    list.rect(100, 20, 30, 40, strokeOnly(solidPen(kGreen)));
    QImage image = blankImage();
    renderDisplayList(list, image);

    EXPECT_EQ(pixel(image, 10, 20), kRed);
    EXPECT_EQ(pixel(image, 39, 59), kRed);
    EXPECT_EQ(pixel(image, 40, 60), kBlack);
    EXPECT_EQ(pixel(image, 9, 30), kBlack);
    // Outline only: edges drawn, inside left alone.
    EXPECT_EQ(pixel(image, 100, 40), kGreen);
    EXPECT_EQ(pixel(image, 115, 20), kGreen);
    EXPECT_EQ(pixel(image, 115, 40), kBlack);
}

TEST(DisplayListRenderer, SolidAndDashedLines) {
    DisplayList list;
    list.line(0, 10, 199, 10, solidPen(kWhite));
    list.line(0, 30, 199, 30, dashedPen(kWhite, 1, 2));  // dotted grid
    list.line(0, 50, 199, 50, dashedPen(kWhite, 3, 5));  // dashed grid
    list.line(0, 70, 199, 70, solidPen(kWhite, 11));
    QImage image = blankImage();
    renderDisplayList(list, image);

    EXPECT_EQ(countColour(image, QRect(0, 10, 200, 1), kWhite), 200);
    EXPECT_EQ(countColour(image, QRect(0, 9, 200, 1), kWhite), 0);
    // A third of the dotted line and three eighths of the dashed one are ink.
    const int dotted = countColour(image, QRect(0, 30, 200, 1), kWhite);
    EXPECT_NEAR(dotted, 200 / 3, 3);
    const int dashed = countColour(image, QRect(0, 50, 200, 1), kWhite);
    EXPECT_NEAR(dashed, 200 * 3 / 8, 4);
    // The wide pen covers 11 rows around the line.
    EXPECT_EQ(pixel(image, 100, 65), kWhite);
    EXPECT_EQ(pixel(image, 100, 75), kWhite);
    EXPECT_EQ(pixel(image, 100, 77), kBlack);
}

TEST(DisplayListRenderer, TextIsPlacedByItsTopLeftCorner) {
    DisplayList list;
    list.text(20, 40, "Held", 20, kWhite);
    QImage image = blankImage();
    renderDisplayList(list, image);

    EXPECT_GT(countNot(image, QRect(20, 40, 60, 20), kBlack), 20);
    EXPECT_EQ(countNot(image, QRect(0, 0, 200, 40), kBlack), 0);
    EXPECT_EQ(countNot(image, QRect(0, 0, 19, 150), kBlack), 0);
    EXPECT_EQ(countNot(image, QRect(0, 62, 200, 88), kBlack), 0);
}

TEST(DisplayListRenderer, LargerFontsDrawLargerText) {
    QImage small = blankImage(), large = blankImage();
    DisplayList a, b;
    a.text(5, 5, "Circle", 15, kWhite);
    b.text(5, 5, "Circle", 25, kWhite);
    renderDisplayList(a, small);
    renderDisplayList(b, large);
    EXPECT_GT(countNot(large, large.rect(), kBlack), countNot(small, small.rect(), kBlack));
}

TEST(DisplayListRenderer, PitchChordFillsTheGroundBelowTheHorizon) {
    auto render = [](double pitch) {
        DisplayList list;
        const PitchFigure f = pitchGaugeFigure(pitch);
        list.chord(100 - 61, 75 - 61, 122, 122, f.startAngle, f.sweepAngle, fillOnly(kGreen));
        QImage image = blankImage();
        renderDisplayList(list, image);
        return image;
    };
    const QImage level = render(0);
    EXPECT_EQ(pixel(level, 100, 75 + 30), kGreen);
    EXPECT_EQ(pixel(level, 100, 75 - 30), kBlack);
    const QImage noseUp = render(90);
    EXPECT_LT(countColour(noseUp, noseUp.rect(), kGreen), 10);
    const QImage noseDown = render(-90);
    EXPECT_EQ(pixel(noseDown, 100, 75 - 50), kGreen);
    EXPECT_EQ(pixel(noseDown, 100 - 50, 75), kGreen);
    EXPECT_EQ(pixel(noseDown, 100, 75 + 50), kGreen);
    // Half the disc, to within the edge pixels.
    const double disc = 3.14159 * 61 * 61;
    EXPECT_NEAR(countColour(level, level.rect(), kGreen), disc / 2, disc * 0.03);
}

TEST(DisplayListRenderer, RolledPieTurnsClockwise) {
    DisplayList list;
    const RollFigure f = rollGaugeFigure(90);
    list.pie(100 - 61, 75 - 61, 122, 122, f.startAngle, f.sweepAngle, fillOnly(kGreen));
    QImage image = blankImage();
    renderDisplayList(list, image);
    EXPECT_EQ(pixel(image, 100 - 30, 75), kGreen);
    EXPECT_EQ(pixel(image, 100 + 30, 75), kBlack);
}

TEST(DisplayListRenderer, TransformsShiftUntilRestored) {
    DisplayList list;
    list.save();
    list.translate(50, 20);
    list.fillRect(0, 0, 10, 10, kRed);
    list.rotate(90);
    list.fillRect(0, 0, 10, 5, kGreen);  // turned to point down-left of the origin
    list.restore();
    list.fillRect(0, 0, 10, 10, kWhite);
    list.restore();  // unbalanced: ignored
    QImage image = blankImage();
    renderDisplayList(list, image);

    EXPECT_EQ(pixel(image, 55, 25), kRed);
    EXPECT_EQ(pixel(image, 5, 5), kWhite);
    EXPECT_EQ(pixel(image, 47, 28), kGreen);
}

TEST(DisplayListRenderer, ProfilePointsAreFilledAndOutlined) {
    struct Box {
        int x, y, w, h;
    };
    const std::vector<Box> boxes = {{20, 20, 1, 1}, {60, 20, 2, 2}, {100, 20, 3, 3}};
    DisplayList list;
    list.profilePoints(boxes, kGreen);
    QImage image = blankImage();
    renderDisplayList(list, image);
    EXPECT_EQ(pixel(image, 20, 20), kGreen);
    EXPECT_EQ(pixel(image, 61, 21), kGreen);
    EXPECT_EQ(pixel(image, 101, 21), kGreen);
    EXPECT_EQ(pixel(image, 40, 20), kBlack);
    // Small dots stay small.
    EXPECT_LE(countColour(image, QRect(10, 10, 20, 20), kGreen), 4);
}

TEST(DisplayListRenderer, ProfilePointsLookLikeSingleEllipses) {
    for (double shift : {0.0, 0.5, 7.25}) {
        for (int size = 1; size <= 4; ++size) {
            struct Box {
                int x, y, w, h;
            };
            const std::vector<Box> boxes = {{20, 30, size, size}, {21, 60, size, size + 1}};
            DisplayList list;
            list.translate(shift, shift);
            list.profilePoints(boxes, kGreen);
            QImage stamped = blankImage();
            renderDisplayList(list, stamped);

            QImage drawn = blankImage();
            QPainter p(&drawn);
            p.translate(shift, shift);
            QPen pen(qRgb(kGreen.r, kGreen.g, kGreen.b));
            pen.setWidthF(1.0);
            pen.setJoinStyle(Qt::MiterJoin);
            pen.setCapStyle(Qt::SquareCap);
            p.setPen(pen);
            p.setBrush(QColor(kGreen.r, kGreen.g, kGreen.b));
            for (const Box& b : boxes) p.drawEllipse(b.x, b.y, b.w, b.h);
            p.end();
            EXPECT_EQ(stamped, drawn) << "size " << size << " shift " << shift;
        }
    }
}

TEST(DisplayListRenderer, FourDistinctOrientationIcons) {
    const int ids[] = {kIconFwdDown, kIconAftDown, kIconFwdUp, kIconAftUp};
    std::vector<QImage> icons;
    for (int id : ids) {
        QImage icon = DisplayListRenderer::iconImage(id);
        ASSERT_EQ(icon.size(), QSize(kIconSize, kIconSize)) << id;
        for (const QImage& other : icons) EXPECT_NE(icon, other) << id;
        icons.push_back(icon);
    }
    EXPECT_TRUE(DisplayListRenderer::iconImage(143).isNull());

    DisplayList list;
    list.icon(kIconFwdUp, 150, 100);
    QImage image = blankImage();
    renderDisplayList(list, image);
    EXPECT_GT(countNot(image, QRect(150, 100, 32, 32), kBlack), 50);
    EXPECT_EQ(countNot(image, QRect(0, 0, 150, 150), kBlack), 0);
}

TEST(DisplayListRenderer, ANullTargetIsLeftAlone) {
    DisplayList list;
    list.fillRect(0, 0, 10, 10, kRed);
    QImage none;
    renderDisplayList(list, none);
    EXPECT_TRUE(none.isNull());
}

TEST(DisplayListRenderer, WholeViewFrame) {
    CSondrelDoc doc;
    doc.display.bkColour = 0x102030;  // 0x00BBGGRR
    ViewState view;
    ASSERT_TRUE(view.resize(640, 480));
    DisplayList list;
    buildViewFrame(doc, view, list);
    QImage image = blankImage(640, 480);
    DisplayListRenderer renderer;
    renderer.render(list, image);

    EXPECT_EQ(pixel(image, 2, 470), (Rgb{0x30, 0x20, 0x10}));
    // The grid's centre cross crosses the middle of the window.
    const Rgb cross = rgbFromColour(gridCrossColour(doc.display.gridColour));
    EXPECT_EQ(pixel(image, 320, 240 - 100), cross);
    EXPECT_EQ(pixel(image, 320 - 100, 240), cross);
    // The orientation icon sits in the bottom-right corner.
    EXPECT_GT(countNot(image, QRect(590, 430, 32, 32), Rgb{0x30, 0x20, 0x10}), 50);
}

}  // namespace
}  // namespace sondrel

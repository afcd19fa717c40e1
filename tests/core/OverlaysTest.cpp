// Geometry, pens and texts of the overlays.
#include <cmath>

#include <gtest/gtest.h>

#include "acquisition/SondrelDoc.h"
#include "display/DisplayList.h"
#include "display/Overlays.h"
#include "display/ViewState.h"

namespace sondrel {
namespace {

TEST(Grid, LinesInMetresSplitTheImageIntoTenths) {
    const GridLines g = gridLines(800, 600, 1.0, false);
    // Image half-size 500 px around the window centre (400, 300).
    for (int i = 0; i <= 10; ++i) {
        EXPECT_DOUBLE_EQ(g.horizontal[i].y1, 300 - 500 + i * 100.0) << i;
        EXPECT_DOUBLE_EQ(g.horizontal[i].y2, g.horizontal[i].y1);
        EXPECT_DOUBLE_EQ(g.horizontal[i].x1, -100);
        EXPECT_DOUBLE_EQ(g.horizontal[i].x2, 900);
        EXPECT_DOUBLE_EQ(g.vertical[i].x1, 400 - 500 + i * 100.0) << i;
        EXPECT_DOUBLE_EQ(g.vertical[i].y1, -200);
        EXPECT_DOUBLE_EQ(g.vertical[i].y2, 800);
    }
    EXPECT_DOUBLE_EQ(g.crossHorizontal.y1, 300);
    EXPECT_DOUBLE_EQ(g.crossVertical.x1, 400);
    EXPECT_DOUBLE_EQ(g.crossVertical.y1, -200);
    EXPECT_DOUBLE_EQ(g.crossVertical.y2, 800);
}

TEST(Grid, FeetNarrowTheSpacingButKeepTheLength) {
    for (double zoom : {0.5, 1.0, 3.0}) {
        const GridLines m = gridLines(1001, 701, zoom, false);
        const GridLines f = gridLines(1001, 701, zoom, true);
        const double metreStep = m.horizontal[1].y1 - m.horizontal[0].y1;
        const double footStep = f.horizontal[1].y1 - f.horizontal[0].y1;
        EXPECT_NEAR(footStep / metreStep, 0.9144, 1e-12);
        EXPECT_NEAR((f.vertical[7].x1 - f.vertical[2].x1) / (m.vertical[7].x1 - m.vertical[2].x1),
                    0.9144, 1e-12);
        EXPECT_DOUBLE_EQ(f.horizontal[4].x2 - f.horizontal[4].x1,
                         m.horizontal[4].x2 - m.horizontal[4].x1);
        EXPECT_DOUBLE_EQ(f.vertical[4].y2 - f.vertical[4].y1, 1000 * zoom);
        // Still centred on the window's (truncated) middle.
        EXPECT_DOUBLE_EQ(f.horizontal[5].y1, 350);
        EXPECT_DOUBLE_EQ(f.vertical[5].x1, 500);
    }
}

TEST(Grid, PensAndCrossColour) {
    EXPECT_FALSE(gridPen(0, 0x003278).dashed());
    EXPECT_EQ(gridPen(1, 0x003278), dashedPen(Rgb{120, 50, 0}, 1, 2));
    EXPECT_EQ(gridPen(2, 0x003278), dashedPen(Rgb{120, 50, 0}, 3, 5));
    EXPECT_FALSE(gridPen(7, 0x003278).dashed());
    EXPECT_EQ(rgbFromColour(gridCrossColour(0x003278)), (Rgb{120, 85, 0}));
    // The green byte's carry goes into blue.
    EXPECT_EQ(rgbFromColour(gridCrossColour(0x00F0FF)), (Rgb{0xFF, 0x13, 0x01}));
}

TEST(Grid, DrawnWithTheDocumentsStyleAndColour) {
    CSondrelDoc doc;
    doc.display.gridStyle = 2;
    doc.display.gridColour = 0x0000FF;
    DisplayList list;
    drawGrid(doc, 640, 480, list);
    ASSERT_EQ(list.size(), 24u);
    for (int i = 0; i < 22; ++i) {
        EXPECT_EQ(list.items()[i].style.pen, dashedPen(Rgb{255, 0, 0}, 3, 5)) << i;
    }
    EXPECT_EQ(list.items()[22].style.pen, solidPen(Rgb{255, 0x23, 0}));
}

TEST(Circle, OneMetreAtOneMetreRangeIsFiveHundredPixels) {
    const CircleGeometry c = circleGeometry(1.0, 1.0, 1.0, 0, 0);
    EXPECT_DOUBLE_EQ(c.diameter, 500);
    EXPECT_DOUBLE_EQ(c.centreX, 500);
    EXPECT_DOUBLE_EQ(c.centreY, 500);
    const CircleGeometry z = circleGeometry(1.0, 2.0, 2.0, 10, -21);
    EXPECT_DOUBLE_EQ(z.diameter, 500);
    EXPECT_DOUBLE_EQ(z.centreX, 1020);
    EXPECT_DOUBLE_EQ(z.centreY, 958);
    // The centre is truncated to whole pixels.
    const CircleGeometry t = circleGeometry(0.3, 1.0, 1.25, 1, 3);
    EXPECT_DOUBLE_EQ(t.centreX, 626);
    EXPECT_DOUBLE_EQ(t.centreY, 628);
    EXPECT_DOUBLE_EQ(t.diameter, 187.5);
}

TEST(Circle, DrawnAroundItsCentreWithTheMovePattern) {
    CSondrelDoc doc;
    ViewState view;
    doc.display.circleDiameter = 0.5;
    doc.head.rangeMetres = 1.0;
    doc.display.circleOffsetX = 20;
    DisplayList list;
    drawCircle(doc, view, list);
    ASSERT_EQ(list.size(), 1u);
    const DisplayItem& e = list.items()[0];
    EXPECT_EQ(e.kind, ItemKind::Ellipse);
    EXPECT_DOUBLE_EQ(e.x, 520 - 125);
    EXPECT_DOUBLE_EQ(e.y, 500 - 125);
    EXPECT_DOUBLE_EQ(e.w, 250);
    EXPECT_FALSE(e.style.filled);
    EXPECT_FALSE(e.style.pen.dashed());

    view.requests.circleMoveMode = 1;
    view.blinkPhase = 1;
    list.clear();
    drawCircle(doc, view, list);
    EXPECT_EQ(list.items()[0].style.pen, circlePen(doc.display.circleColour, true, true));
    EXPECT_EQ(circlePen(0x009696, true, true), dashedPen(Rgb{150, 150, 0}, 2, 3));
    EXPECT_EQ(circlePen(0x009696, true, false), dashedPen(Rgb{150, 150, 0}, 3, 5));
}

TEST(Measurement, LengthAndLabel) {
    // 100 screen pixels at zoom 2 and 1 m range: 100 / 2 x 1.0 / 500.
    EXPECT_DOUBLE_EQ(measurementLength(10, 10, 70, 90, 1.0, 2.0), 0.1);
    EXPECT_EQ(measurementLabel(0.1, false), "0.100 m");
    EXPECT_EQ(measurementLabel(0.0, false), "0.000 m");
    EXPECT_EQ(measurementLabel(0.3048, true), "1.000 ft");
    EXPECT_DOUBLE_EQ(measurementLength(5, 5, 5, 5, 6.0, 1.0), 0.0);
}

struct AnnotatedView {
    CSondrelDoc doc;
    ViewState view;
    DisplayList list;
    AnnotatedView() {
        view.imageCentreX = 400;
        view.imageCentreY = 300;
    }
    std::vector<const DisplayItem*> items(ItemKind kind) const {
        std::vector<const DisplayItem*> found;
        for (const DisplayItem& i : list.items())
            if (i.kind == kind) found.push_back(&i);
        return found;
    }
};

TEST(Measurement, LineIsLabelledAtItsEndInTheUnitsOnShow) {
    AnnotatedView a;
    a.doc.display.zoom = 2.0;
    a.doc.head.rangeIndex = 3;     // 1.0 m
    a.doc.head.rangeMetres = 2.0;  // the label follows the range table entry
    Annotation* line = a.view.annotations.inProgress();
    line->type = kAnnotationLine;
    line->x1 = -10, line->y1 = 0;
    line->x2 = 20, line->y2 = 40;  // 50 image pixels, 100 on screen
    a.view.annotations.commit();
    drawAnnotations(a.doc, a.view, a.list);

    const auto lines = a.items(ItemKind::Line);
    ASSERT_EQ(lines.size(), 5u);  // two crosses and the line
    EXPECT_DOUBLE_EQ(lines[0]->x, 380 - 5);
    EXPECT_DOUBLE_EQ(lines[0]->x2, 380 + 5);
    EXPECT_DOUBLE_EQ(lines[4]->x, 380);
    EXPECT_DOUBLE_EQ(lines[4]->y2, 380);
    EXPECT_EQ(lines[4]->style.pen, solidPen(rgbFromColour(a.doc.display.lineColour)));
    const auto texts = a.items(ItemKind::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(a.list.textOf(*texts[0]), "0.100 m");
    EXPECT_DOUBLE_EQ(texts[0]->x, 440);
    EXPECT_DOUBLE_EQ(texts[0]->y, 380);

    a.doc.display.unitsFeet = 1;
    a.list.clear();
    drawAnnotations(a.doc, a.view, a.list);
    EXPECT_EQ(a.list.textOf(*a.items(ItemKind::Text)[0]), "0.328 ft");
}

TEST(Measurement, ALineOfOnePointMeasuresNothing) {
    AnnotatedView a;
    Annotation* line = a.view.annotations.inProgress();
    line->type = kAnnotationLine;
    line->x1 = line->x2 = 12;
    line->y1 = line->y2 = -7;
    drawAnnotations(a.doc, a.view, a.list);
    EXPECT_EQ(a.list.textOf(*a.items(ItemKind::Text)[0]), "0.000 m");
}

TEST(TextAnnotation, SizedAndPlacedWithABlinkingCursorWhileTyped) {
    AnnotatedView a;
    a.doc.display.zoom = 0.5;
    a.doc.display.textSize = 3;
    a.doc.display.textColour = 0x0000FF;
    Annotation* done = a.view.annotations.inProgress();
    done->type = kAnnotationText;
    done->text = "weld";
    done->x1 = 100, done->y1 = -40;
    a.view.annotations.commit();
    Annotation* typing = a.view.annotations.inProgress();
    typing->type = kAnnotationText;
    typing->text = "crack";
    typing->x1 = 0, typing->y1 = 0;

    a.view.requests.textInputMode = 1;
    a.view.blinkPhase = 1;
    drawAnnotations(a.doc, a.view, a.list);
    auto texts = a.items(ItemKind::Text);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(a.list.textOf(*texts[0]), "weld");
    EXPECT_DOUBLE_EQ(texts[0]->x, 450);
    EXPECT_DOUBLE_EQ(texts[0]->y, 280);
    EXPECT_EQ(texts[0]->pixelSize, 23);
    EXPECT_EQ(texts[0]->colour, (Rgb{255, 0, 0}));
    EXPECT_EQ(a.list.textOf(*texts[1]), "crack");
    EXPECT_EQ(a.list.textOf(*texts[2]), "crack|");
    EXPECT_DOUBLE_EQ(texts[2]->x, 400);

    // The other blink phase, or no text input: no cursor.
    a.view.blinkPhase = 0;
    a.list.clear();
    drawAnnotations(a.doc, a.view, a.list);
    EXPECT_EQ(a.items(ItemKind::Text).size(), 2u);
}

TEST(TextAnnotation, PixelSizes) {
    const int expected[] = {15, 18, 21, 23, 25};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(annotationTextPixels(i), expected[i]);
    EXPECT_EQ(annotationTextPixels(-3), 15);
    EXPECT_EQ(annotationTextPixels(99), 25);
}

TEST(PitchGauge, FiguresAtLevelAndBothEnds) {
    const PitchFigure level = pitchGaugeFigure(0);
    EXPECT_DOUBLE_EQ(level.chordY, 0);
    EXPECT_DOUBLE_EQ(level.halfWidth, 61);
    EXPECT_NEAR(level.startAngle, 0, 1e-9);
    EXPECT_NEAR(level.sweepAngle, 180, 1e-9);  // the lower half

    const PitchFigure up = pitchGaugeFigure(90);
    EXPECT_DOUBLE_EQ(up.chordY, 61);
    EXPECT_NEAR(up.sweepAngle, 0, 1e-9);  // nothing
    EXPECT_NEAR(up.halfWidth, 0, 1e-9);

    const PitchFigure down = pitchGaugeFigure(-90);
    EXPECT_DOUBLE_EQ(down.chordY, -61);
    EXPECT_NEAR(down.startAngle, 270, 1e-9);
    EXPECT_NEAR(down.sweepAngle, 360, 1e-9);  // the whole disc

    // Halfway up: the horizon at half the radius below the centre, 120 degrees of arc.
    const PitchFigure half = pitchGaugeFigure(45);
    EXPECT_DOUBLE_EQ(half.chordY, 30.5);
    EXPECT_NEAR(half.startAngle, 30, 1e-9);
    EXPECT_NEAR(half.sweepAngle, 120, 1e-9);
    const PitchFigure halfDown = pitchGaugeFigure(-45);
    EXPECT_NEAR(halfDown.startAngle, 330, 1e-9);
    EXPECT_NEAR(halfDown.sweepAngle, 240, 1e-9);
    // The chord's ends lie on the arc's ends.
    const double a = half.startAngle * 3.14159265358979 / 180;
    EXPECT_NEAR(61 * std::cos(a), half.halfWidth, 1e-9);
    EXPECT_NEAR(61 * std::sin(a), half.chordY, 1e-9);
}

TEST(PitchGauge, PitchBeyondTheScaleStaysOnTheEdge) {
    const PitchFigure over = pitchGaugeFigure(135);
    EXPECT_FALSE(std::isnan(over.sweepAngle));
    EXPECT_NEAR(over.sweepAngle, 0, 1e-9);
    EXPECT_NEAR(pitchGaugeFigure(-400).sweepAngle, 360, 1e-9);
}

TEST(RollGauge, GroundHalfTurnsWithTheRoll) {
    const RollFigure level = rollGaugeFigure(0);
    EXPECT_DOUBLE_EQ(level.startAngle, 0);
    EXPECT_DOUBLE_EQ(level.sweepAngle, 180);  // lower half
    EXPECT_DOUBLE_EQ(level.longLine.x1, -20);
    EXPECT_DOUBLE_EQ(level.longLine.y1, 13);
    EXPECT_DOUBLE_EQ(level.shortLine.y2, 26);

    const RollFigure ninety = rollGaugeFigure(90);
    // The half from 90 to 270 degrees: the left half.
    EXPECT_DOUBLE_EQ(ninety.startAngle, 90);
    EXPECT_DOUBLE_EQ(ninety.sweepAngle, 180);
    EXPECT_NEAR(ninety.longLine.x1, -13, 1e-9);
    EXPECT_NEAR(ninety.longLine.y1, -20, 1e-9);
    EXPECT_NEAR(ninety.longLine.x2, -13, 1e-9);
    EXPECT_NEAR(ninety.longLine.y2, 20, 1e-9);
    EXPECT_NEAR(ninety.shortLine.x1, -26, 1e-9);
}

TEST(OrientationPanel, TextsInMetresFeetAndNotAvailable) {
    CSondrelDoc doc;
    EXPECT_EQ(pitchPanelText(doc), "P:     n/a");
    EXPECT_EQ(rollPanelText(doc), "R:     n/a");
    EXPECT_EQ(distancePanelText(doc), "D:     n/a");
    doc.orientation.pitchValid = doc.orientation.rollValid = doc.orientation.distanceValid = 1;
    doc.orientation.pitchDeg = 1.5;
    doc.orientation.rollDeg = -12.25;
    doc.orientation.distanceM = 12.5;
    EXPECT_EQ(pitchPanelText(doc), "P:   1.50 deg.");
    EXPECT_EQ(rollPanelText(doc), "R: -12.25 deg.");
    EXPECT_EQ(distancePanelText(doc), "D:    12.50 m");
    doc.link.sentenceType = 2;
    EXPECT_EQ(distancePanelText(doc), "D:    12.500 m");
    doc.display.unitsFeet = 1;
    doc.orientation.distanceM = 0.3048 * 10;
    EXPECT_EQ(distancePanelText(doc), "D:    10.000 ft");
    doc.link.sentenceType = 0;
    EXPECT_EQ(distancePanelText(doc), "D:    10.00 ft");
}

TEST(OrientationPanel, LaidOutFromTheWindowsBottomLeft) {
    CSondrelDoc doc;
    doc.orientation.pitchValid = 1;
    DisplayList list;
    drawOrientationPanel(doc, 700, list);
    ASSERT_FALSE(list.empty());
    const DisplayItem& panel = list.items()[0];
    EXPECT_EQ(panel.kind, ItemKind::Rect);
    EXPECT_DOUBLE_EQ(panel.y, 700 - 380);
    EXPECT_DOUBLE_EQ(panel.h, 378);
    EXPECT_EQ(panel.style.fill, (Rgb{80, 80, 80}));
    EXPECT_EQ(panel.style.pen, solidPen(Rgb{200, 190, 150}, 2));

    int chords = 0, pies = 0;
    std::vector<std::pair<std::string, double>> texts;
    for (const DisplayItem& i : list.items()) {
        if (i.kind == ItemKind::Chord) {
            ++chords;
            EXPECT_DOUBLE_EQ(i.x + i.w / 2, 80);
            EXPECT_DOUBLE_EQ(i.y + i.h / 2, 700 - 300);
        }
        if (i.kind == ItemKind::Pie) {
            ++pies;
            EXPECT_DOUBLE_EQ(i.y + i.h / 2, 700 - 130);
        }
        if (i.kind == ItemKind::Text) {
            texts.emplace_back(std::string(list.textOf(i)), i.y);
            EXPECT_DOUBLE_EQ(i.x, 17);
            EXPECT_EQ(i.pixelSize, 20);
            EXPECT_EQ(i.colour, (Rgb{200, 200, 0}));
        }
    }
    EXPECT_EQ(chords, 1);
    EXPECT_EQ(pies, 1);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], std::make_pair(std::string("P:   0.00 deg."), 700.0 - 230));
    EXPECT_EQ(texts[1], std::make_pair(std::string("R:     n/a"), 700.0 - 55));
    EXPECT_EQ(texts[2], std::make_pair(std::string("D:     n/a"), 700.0 - 30));
}

}  // namespace
}  // namespace sondrel

// The mouse readout over the image: distances scaled by range and zoom, the
// bearing clockwise from straight up, and the side-scan origin.

#include <gtest/gtest.h>

#include <cmath>

#include "acquisition/SondrelDoc.h"
#include "display/CursorReadout.h"
#include "display/ViewState.h"

namespace sondrel {
namespace {

TEST(CursorReadoutTest, BearingIsClockwiseFromStraightUp) {
    EXPECT_DOUBLE_EQ(cursorBearing(0, -10), 0.0);
    EXPECT_DOUBLE_EQ(cursorBearing(10, 0), 90.0);
    EXPECT_DOUBLE_EQ(cursorBearing(0, 10), 180.0);
    EXPECT_DOUBLE_EQ(cursorBearing(-10, 0), 270.0);
    EXPECT_DOUBLE_EQ(cursorBearing(0, 0), 0.0);
    // The degrees-per-radian factor the readout has always used is a hair
    // above 180 / pi, so diagonals read a little over their exact angle.
    EXPECT_NEAR(cursorBearing(10, -10), 45.0, 1e-5);
    EXPECT_NEAR(cursorBearing(10, 10), 135.0, 1e-5);
    EXPECT_NEAR(cursorBearing(-10, 10), 225.0, 1e-5);
    EXPECT_NEAR(cursorBearing(-10, -10), 315.0, 1e-5);
    EXPECT_NEAR(cursorBearing(-1, -10), 354.29, 0.01);
    // A result that would reach 360 reads 0.
    EXPECT_DOUBLE_EQ(cursorBearing(-1e-9, -10), 0.0);
}

TEST(CursorReadoutTest, DistancesFollowRangeAndZoom) {
    CSondrelDoc doc;
    ViewState view;
    view.clientWidth = 800;
    view.clientHeight = 600;
    view.imageCentreX = 400;
    view.imageCentreY = 300;
    doc.head.setRangeIndex(3);  // 1 m: 500 image pixels
    doc.display.zoom = 2.0;

    updateCursorReadout(doc, view, 400 + 300, 300 - 400);
    EXPECT_DOUBLE_EQ(view.cursor.cursorHorizontal, 0.3);
    EXPECT_DOUBLE_EQ(view.cursor.cursorVertical, 0.4);
    EXPECT_DOUBLE_EQ(view.cursor.cursorRange, 0.5);
    EXPECT_NEAR(view.cursor.cursorBearing, 36.8699, 1e-4);

    doc.head.setRangeIndex(8);  // 6 m
    doc.display.zoom = 0.5;
    updateCursorReadout(doc, view, 400 - 50, 300);
    EXPECT_DOUBLE_EQ(view.cursor.cursorHorizontal, -1.2);
    EXPECT_DOUBLE_EQ(view.cursor.cursorVertical, 0.0);
    EXPECT_DOUBLE_EQ(view.cursor.cursorBearing, 270.0);
}

TEST(CursorReadoutTest, SideScanMeasuresAlongTheRowAndKeepsTheBearing) {
    CSondrelDoc doc;
    ViewState view;
    view.clientWidth = 801;  // the middle is taken in whole pixels
    view.imageCentreX = 400;
    view.imageCentreY = 300;
    doc.head.setRangeIndex(3);
    doc.display.zoom = 1.0;
    updateCursorReadout(doc, view, 500, 200);
    const double bearing = view.cursor.cursorBearing;

    doc.head.scanMode = kSideScan;
    updateCursorReadout(doc, view, 400, 123);
    EXPECT_DOUBLE_EQ(view.cursor.cursorHorizontal, 250 / 500.0);
    EXPECT_DOUBLE_EQ(view.cursor.cursorVertical, 0.0);
    EXPECT_DOUBLE_EQ(view.cursor.cursorRange, 0.5);
    EXPECT_DOUBLE_EQ(view.cursor.cursorBearing, bearing);
}

TEST(CursorReadoutTest, AnUnusableZoomLeavesTheReadoutAlone) {
    CSondrelDoc doc;
    ViewState view;
    view.cursor.cursorRange = 0.25;
    for (double zoom : {0.0, -1.0, std::nan("")}) {
        doc.display.zoom = zoom;
        updateCursorReadout(doc, view, 10, 10);
        EXPECT_DOUBLE_EQ(view.cursor.cursorRange, 0.25);
    }
}

}  // namespace
}  // namespace sondrel

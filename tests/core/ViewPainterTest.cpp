// The paint of one frame: its order, the status texts for each mode, and
// bad settings that must still paint.
#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "acquisition/SonarTables.h"
#include "acquisition/SondrelDoc.h"
#include "display/DisplayList.h"
#include "display/Overlays.h"
#include "display/ViewPainter.h"
#include "display/ViewState.h"

namespace sondrel {
namespace {

constexpr int kW = 1000;
constexpr int kH = 700;

struct Painted {
    std::string text;
    double x, y;
    int pixels;
    Rgb colour;
};

class ViewFrame : public ::testing::Test {
  protected:
    ViewFrame() {
        view.resize(kW, kH);
        doc.link.ipAddress = "127.0.0.1";
        doc.link.sonarComPort = 3;
    }

    void paint() { buildViewFrame(doc, view, list); }

    std::vector<Painted> texts() const {
        std::vector<Painted> found;
        for (const DisplayItem& i : list.items()) {
            if (i.kind == ItemKind::Text) {
                found.push_back({std::string(list.textOf(i)), i.x, i.y, i.pixelSize, i.colour});
            }
        }
        return found;
    }
    std::optional<Painted> text(const std::string& s) const {
        for (const Painted& p : texts())
            if (p.text == s) return p;
        return std::nullopt;
    }
    // The activity line is the rightmost text on the top line, right of the
    // gain (a conversion's line stands between them).
    std::optional<Painted> activity() const {
        std::optional<Painted> found;
        for (const Painted& p : texts())
            if (p.y == 5 && p.x > 200 && (!found || p.x > found->x)) found = p;
        return found;
    }
    bool hasConnectionBox() const {
        return std::any_of(list.items().begin(), list.items().end(), [](const DisplayItem& i) {
            return i.kind == ItemKind::Rect && i.style.filled && i.style.fill == Rgb{200, 0, 0};
        });
    }

    CSondrelDoc doc;
    ViewState view;
    DisplayList list;
};

TEST_F(ViewFrame, NothingIsPaintedBeforeTheViewHasASize) {
    ViewState unsized;
    list.text(0, 0, "stale", 15, Rgb{});
    buildViewFrame(doc, unsized, list);
    EXPECT_TRUE(list.empty());
}

TEST_F(ViewFrame, AnEmptySizeKeepsThePreviousOne) {
    EXPECT_FALSE(view.resize(0, 500));
    EXPECT_FALSE(view.resize(500, 0));
    EXPECT_FALSE(view.resize(-4, -4));
    EXPECT_EQ(view.clientWidth, kW);
    EXPECT_EQ(view.clientHeight, kH);
    EXPECT_TRUE(view.resize(320, 200));
    EXPECT_EQ(view.clientWidth, 320);
}

TEST_F(ViewFrame, PaintOrderAndImagePlacement) {
    doc.display.bkColour = 0x332211;
    doc.display.zoom = 2.0;
    doc.display.displayCircle = 1;
    doc.display.displayPrd = 1;
    view.imageOffsetX = 30;
    view.imageOffsetY = -8;
    paint();
    const auto& items = list.items();
    ASSERT_GT(items.size(), 40u);
    EXPECT_EQ(items[0].kind, ItemKind::Rect);
    EXPECT_EQ(items[0].style.fill, (Rgb{0x11, 0x22, 0x33}));
    EXPECT_DOUBLE_EQ(items[0].w, kW);
    EXPECT_DOUBLE_EQ(items[0].h, kH);
    EXPECT_EQ(items[1].kind, ItemKind::Save);
    EXPECT_EQ(items[2].kind, ItemKind::Translate);
    EXPECT_DOUBLE_EQ(items[2].x, 30);
    EXPECT_DOUBLE_EQ(items[2].y, -8);
    // 24 grid lines, then the shift that puts the 2000-pixel image in the middle.
    EXPECT_EQ(items[3].kind, ItemKind::Line);
    EXPECT_EQ(items[27].kind, ItemKind::Translate);
    EXPECT_DOUBLE_EQ(items[27].x, kW * 0.5 - 1000);
    EXPECT_DOUBLE_EQ(items[27].y, kH * 0.5 - 1000);
    EXPECT_EQ(items[28].kind, ItemKind::ProfilePoints);
    EXPECT_EQ(items[29].kind, ItemKind::Ellipse);  // the circle
    EXPECT_EQ(items[30].kind, ItemKind::Restore);
    EXPECT_EQ(view.imageCentreX, 30 + kW / 2);
    EXPECT_EQ(view.imageCentreY, -8 + kH / 2);

    // Icon after the status texts, the panel last.
    auto icon = std::find_if(items.begin(), items.end(),
                             [](const DisplayItem& i) { return i.kind == ItemKind::Icon; });
    ASSERT_NE(icon, items.end());
    EXPECT_DOUBLE_EQ(icon->x, kW - 50);
    EXPECT_DOUBLE_EQ(icon->y, kH - 50);
    EXPECT_EQ(std::next(icon)->kind, ItemKind::Rect);  // the panel
    EXPECT_EQ(list.textOf(items.back()).substr(0, 2), "D:");
}

TEST_F(ViewFrame, HiddenGridAndCircleAreNotPainted) {
    doc.display.showGrid = 0;
    paint();
    EXPECT_EQ(list.items()[3].kind, ItemKind::Translate);
    EXPECT_EQ(list.items()[4].kind, ItemKind::ProfilePoints);
    EXPECT_EQ(list.items()[5].kind, ItemKind::Restore);
    EXPECT_FALSE(text("Circle Diameter: 1.00 m"));
}

TEST_F(ViewFrame, ProfilePointsOfThePingInImagePixels) {
    // Format 0 draws the value as the distance in pixels.
    doc.ping.headStatusLow = 0;
    doc.head.zeroDown = 0;
    doc.head.xdcrForward = 0;
    for (int s = 0; s < kProfileSampleCount; ++s) doc.ping.echoLong[2 * s] = 100;
    doc.display.pointsColour = 0x00FF00;
    paint();
    const auto it =
        std::find_if(list.items().begin(), list.items().end(),
                     [](const DisplayItem& i) { return i.kind == ItemKind::ProfilePoints; });
    ASSERT_NE(it, list.items().end());
    EXPECT_EQ(it->colour, (Rgb{0, 255, 0}));
    const auto points = list.pointsOf(*it);
    ASSERT_EQ(points.size(), 400u);
    // Sample 0 of an Aft head with zero Up lies straight down, 100 pixels from
    // the centre of the image (truncation may take off one pixel).
    EXPECT_NEAR(points[0].x, 500, 1);
    EXPECT_NEAR(points[0].y, 600, 1);
    EXPECT_EQ(points[0].w, 1);
    ProfilePath path;
    runProfilePass(doc, path, nullptr);
    ASSERT_EQ(path.ellipses.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].x, path.ellipses[i].x);
        EXPECT_EQ(points[i].y, path.ellipses[i].y);
    }
}

TEST_F(ViewFrame, ViewResetReturnsZoomAndOffsets) {
    doc.display.zoom = 3.0;
    doc.display.circleOffsetX = 40;
    doc.display.circleOffsetY = -4;
    view.imageOffsetX = view.imageOffsetBaseX = 70;
    view.imageOffsetY = 9;
    view.imageDragging = 1;
    view.circleDragging = 1;
    view.circleOffsetBaseY = 12;
    view.requests.viewResetRequest = 1;
    // A paint only reads: the request is carried out with the update its
    // command sends.
    paint();
    EXPECT_EQ(view.requests.viewResetRequest, 1);
    EXPECT_EQ(doc.display.zoom, 3.0);
    applyDocumentUpdate(doc, view, ViewHint::Repaint);
    paint();
    EXPECT_EQ(doc.display.zoom, 1.0);
    EXPECT_EQ(doc.display.circleOffsetX, 0);
    EXPECT_EQ(doc.display.circleOffsetY, 0);
    EXPECT_EQ(view.imageOffsetX, 0);
    EXPECT_EQ(view.imageOffsetY, 0);
    EXPECT_EQ(view.imageOffsetBaseX, 0);
    EXPECT_EQ(view.circleOffsetBaseY, 0);
    EXPECT_FALSE(view.dragging());
    EXPECT_EQ(view.requests.viewResetRequest, 0);
    EXPECT_EQ(view.imageCentreX, kW / 2);
}

TEST_F(ViewFrame, ModeFlagsOfTheViewFollowTheModesAtTheUpdate) {
    view.textCursor = 1;
    view.measuring = 1;
    view.requests.measurementMode = 1;
    applyDocumentUpdate(doc, view, ViewHint::Repaint);
    EXPECT_EQ(view.textCursor, 0);
    EXPECT_EQ(view.measuring, 1);
    view.requests.measurementMode = 0;
    applyDocumentUpdate(doc, view, ViewHint::Repaint);
    EXPECT_EQ(view.measuring, 0);
}

// ---- connection box

TEST_F(ViewFrame, NoConnectionAlternatesWithTheSerialPort) {
    doc.link.linkState = LinkState::NotConnected;
    doc.link.pollToggle = 1;
    paint();
    ASSERT_TRUE(text("No Connection"));
    EXPECT_DOUBLE_EQ(text("No Connection")->x, kW / 2 - 45);
    EXPECT_DOUBLE_EQ(text("No Connection")->y, kH - 27);
    EXPECT_EQ(text("No Connection")->colour, (Rgb{250, 250, 250}));
    EXPECT_EQ(text("No Connection")->pixels, 15);
    EXPECT_TRUE(hasConnectionBox());
    paint();
    ASSERT_TRUE(text("Com Port - : COM3 "));
    EXPECT_DOUBLE_EQ(text("Com Port - : COM3 ")->x, kW / 2 - 65);
    paint();
    EXPECT_TRUE(text("No Connection"));
}

TEST_F(ViewFrame, ConnectionBoxGeometry) {
    doc.link.pollToggle = 1;
    paint();
    std::vector<const DisplayItem*> rects;
    for (const DisplayItem& i : list.items())
        if (i.kind == ItemKind::Rect && (i.y == kH - 30)) rects.push_back(&i);
    ASSERT_EQ(rects.size(), 2u);  // filled, then outlined
    EXPECT_DOUBLE_EQ(rects[0]->x, kW / 2 - 100);
    EXPECT_DOUBLE_EQ(rects[0]->w, 200);
    EXPECT_DOUBLE_EQ(rects[0]->h, 25);
    EXPECT_TRUE(rects[1]->style.stroked);
    EXPECT_FALSE(rects[1]->style.filled);
    EXPECT_EQ(rects[1]->style.pen, solidPen(Rgb{250, 250, 250}));
}

TEST_F(ViewFrame, EthernetHeadShowsItsAddress) {
    doc.head.sonarType = kTypeQ;
    doc.link.pollToggle = 1;
    paint();
    paint();
    ASSERT_TRUE(text("IP: 127.0.0.1"));
    EXPECT_DOUBLE_EQ(text("IP: 127.0.0.1")->x, kW / 2 - 55);
}

TEST_F(ViewFrame, BoxBlinksOnlyWithThePollToggle) {
    doc.link.pollToggle = 0;
    paint();
    EXPECT_FALSE(hasConnectionBox());
    paint();
    doc.link.pollToggle = 1;
    paint();
    EXPECT_TRUE(text("No Connection"));  // no alternation while hidden by the toggle
}

TEST_F(ViewFrame, DragAndInputModesHideTheBoxButItKeepsAlternating) {
    doc.link.pollToggle = 1;
    for (int mode = 0; mode < 4; ++mode) {
        view.requests.textInputMode = mode == 0;
        view.requests.measurementMode = mode == 1;
        view.requests.circleMoveMode = mode == 2;
        view.imageDragging = mode == 3;
        const int before = view.statusAlternation;
        paint();
        EXPECT_FALSE(hasConnectionBox()) << mode;
        EXPECT_FALSE(text("No Connection")) << mode;
        EXPECT_NE(view.statusAlternation, before) << mode;
    }
}

TEST_F(ViewFrame, StatusResetRestartsTheAlternation) {
    doc.link.pollToggle = 1;
    paint();
    view.requests.statusResetRequest = 1;
    applyDocumentUpdate(doc, view, ViewHint::Repaint);
    paint();
    EXPECT_TRUE(text("No Connection"));
    EXPECT_EQ(view.requests.statusResetRequest, 0);
}

TEST_F(ViewFrame, NoDataTexts) {
    doc.link.linkState = LinkState::Connected;
    doc.link.noNewData = 1;
    doc.link.pollToggle = 1;
    paint();
    ASSERT_TRUE(text("No Data at  COM3 "));
    EXPECT_DOUBLE_EQ(text("No Data at  COM3 ")->x, kW / 2 - 65);
    doc.head.sonarType = kTypeQ;
    paint();
    ASSERT_TRUE(text("No Data at IP: 127.0.0.1"));
    EXPECT_DOUBLE_EQ(text("No Data at IP: 127.0.0.1")->x, kW / 2 - 85);
    // Playback without a record shown says the same.
    doc.link.linkState = LinkState::NotConnected;
    doc.flags.playbackActive = true;
    paint();
    EXPECT_TRUE(text("No Data at IP: 127.0.0.1"));
    // A command in flight after a ping that was shown is no silence.
    doc.flags.playbackActive = false;
    doc.link.linkState = LinkState::Connected;
    doc.pings.pingOnScreen = true;
    paint();
    EXPECT_FALSE(text("No Data at IP: 127.0.0.1"));
}

TEST_F(ViewFrame, DataFlowingShowsNoBox) {
    doc.link.linkState = LinkState::Connected;
    doc.link.noNewData = 0;
    doc.link.pollToggle = 1;
    view.statusPaintCount = 0;
    paint();
    EXPECT_FALSE(hasConnectionBox());
    EXPECT_EQ(connectionText(doc, 0, kW).text, "");
}

// ---- range mark, gain

TEST_F(ViewFrame, RangeMarkInMetres) {
    doc.display.viewRangeMark = 1;
    doc.head.rangeIndex = 3;
    doc.head.gainDb = 6;
    paint();
    ASSERT_TRUE(text("1.00 m"));
    EXPECT_DOUBLE_EQ(text("1.00 m")->x, 5);
    EXPECT_DOUBLE_EQ(text("1.00 m")->y, 5);
    EXPECT_EQ(text("1.00 m")->pixels, 25);
    EXPECT_EQ(text("1.00 m")->colour, (Rgb{200, 200, 0}));
    ASSERT_TRUE(text("2.25 MHz"));
    EXPECT_DOUBLE_EQ(text("2.25 MHz")->y, 35);
    EXPECT_EQ(text("2.25 MHz")->pixels, 20);
    ASSERT_TRUE(text("(0.20 m/div)"));
    EXPECT_DOUBLE_EQ(text("(0.20 m/div)")->x, 95);
    EXPECT_DOUBLE_EQ(text("(0.20 m/div)")->y, 8);
    EXPECT_EQ(text("(0.20 m/div)")->colour, (Rgb{255, 150, 0}));
    ASSERT_TRUE(text("(6 dB)"));
    EXPECT_DOUBLE_EQ(text("(6 dB)")->x, 95);
    EXPECT_DOUBLE_EQ(text("(6 dB)")->y, 35);
}

TEST_F(ViewFrame, RangeMarkInFeet) {
    doc.display.viewRangeMark = 1;
    doc.display.unitsFeet = 1;
    doc.head.rangeIndex = 3;
    paint();
    EXPECT_TRUE(text("3.00 ft"));
    EXPECT_TRUE(text("(0.60 ft/div)"));
    doc.head.rangeIndex = 8;
    paint();
    EXPECT_TRUE(text("18.00 ft"));
    EXPECT_TRUE(text("(3.60 ft/div)"));
}

TEST_F(ViewFrame, HiddenGridDropsTheDivisionButNotTheGain) {
    doc.display.viewRangeMark = 1;
    doc.display.showGrid = 0;
    doc.head.gainDb = 14;
    paint();
    EXPECT_TRUE(text("1.00 m"));
    EXPECT_FALSE(text("(0.20 m/div)"));
    EXPECT_TRUE(text("(14 dB)"));
    doc.display.viewRangeMark = 0;
    paint();
    EXPECT_FALSE(text("1.00 m"));
    EXPECT_FALSE(text("2.25 MHz"));
    EXPECT_TRUE(text("(14 dB)"));
}

// ---- activity line, file size

TEST_F(ViewFrame, ActivityInRealTime) {
    doc.pings.pingCount = 10;  // 10 mod 7: three dots
    paint();
    ASSERT_TRUE(activity());
    EXPECT_EQ(activity()->text, "Not Recording...");
    EXPECT_DOUBLE_EQ(activity()->x, kW - 175);
    EXPECT_EQ(activity()->colour, (Rgb{220, 220, 0}));
    EXPECT_EQ(activity()->pixels, 15);

    doc.flags.recordingActive = true;
    doc.link.headAnswering = true;
    doc.pings.pingCount = 14;
    doc.files.recordFileBytes = 5000;
    paint();
    EXPECT_EQ(activity()->text, "Recording");
    EXPECT_DOUBLE_EQ(activity()->x, kW - 150);
    EXPECT_EQ(activity()->colour, (Rgb{0, 255, 0}));
    ASSERT_TRUE(text("4 K Bytes"));
    EXPECT_DOUBLE_EQ(text("4 K Bytes")->x, kW - 150);
    EXPECT_DOUBLE_EQ(text("4 K Bytes")->y, 30);
    EXPECT_EQ(text("4 K Bytes")->colour, (Rgb{200, 200, 0}));

    doc.pings.pingCount = 20;
    paint();
    EXPECT_EQ(activity()->text, "Recording......");

    // The head stopped answering: the file waits for it, and the view says so.
    doc.link.headAnswering = false;
    paint();
    EXPECT_EQ(activity()->text, "Link lost - recording paused");
    EXPECT_EQ(activity()->colour, (Rgb{255, 70, 70}));
    EXPECT_TRUE(text("4 K Bytes"));
}

TEST_F(ViewFrame, ActivityInPlayback) {
    doc.flags.playbackActive = true;
    doc.pings.pingCount = 1;
    paint();
    EXPECT_EQ(activity()->text, "File Playing.");
    EXPECT_DOUBLE_EQ(activity()->x, kW - 150);
    EXPECT_EQ(activity()->colour, (Rgb{220, 220, 0}));
    EXPECT_FALSE(text("0 K Bytes"));

    doc.flags.recordingActive = true;
    doc.files.recordFileBytes = 3 * 1024 * 1024 + 1023;
    paint();
    EXPECT_EQ(activity()->text, "File Copying.");
    EXPECT_EQ(activity()->colour, (Rgb{0, 255, 0}));
    EXPECT_TRUE(text("3072 K Bytes"));
}

TEST_F(ViewFrame, HeldReadsHeldAndHidesTheFileSize) {
    doc.flags.recordingActive = true;
    doc.flags.holdActive = true;
    doc.files.recordFileBytes = 4096;
    paint();
    EXPECT_EQ(activity()->text, "Held");
    EXPECT_DOUBLE_EQ(activity()->x, kW - 90);
    EXPECT_FALSE(text("4 K Bytes"));
    doc.flags.playbackActive = true;
    paint();
    EXPECT_EQ(activity()->text, "Held");
}

// The conversion runs on its own: the line says so, and what playback does
// (held, copying) is shown beside it as ever.
TEST_F(ViewFrame, ConversionShowsItselfBesideWhatPlaybackDoes) {
    doc.flags.playbackActive = true;
    doc.flags.xyzConversionActive = true;
    doc.flags.holdActive = true;
    paint();
    const auto t = text("XYZ File converting.....  Please wait !");
    ASSERT_TRUE(t);
    EXPECT_DOUBLE_EQ(t->x, kW / 2 - 150);
    EXPECT_DOUBLE_EQ(t->y, 5);
    EXPECT_TRUE(doc.flags.holdActive);
    EXPECT_EQ(activity()->text, "Held");
    doc.flags.holdActive = false;
    doc.flags.recordingActive = true;
    doc.pings.pingCount = 2;
    paint();
    EXPECT_TRUE(text("XYZ File converting.....  Please wait !"));
    EXPECT_EQ(activity()->text, "File Copying..");
}

TEST_F(ViewFrame, ALeftOverConversionFlagDoesNotBlockHoldInRealTime) {
    // A connect ends playback and the conversion's file but not its flag.
    doc.flags.playbackActive = false;
    doc.flags.xyzConversionActive = true;
    doc.flags.holdActive = true;
    paint();
    EXPECT_TRUE(doc.flags.holdActive);
    EXPECT_EQ(activity()->text, "Held");
}

TEST_F(ViewFrame, CircleDiameterText) {
    doc.display.displayCircle = 1;
    doc.display.circleDiameter = 0.75;
    doc.display.textColour = 0x00FF00;
    paint();
    const auto t = text("Circle Diameter: 0.75 m");
    ASSERT_TRUE(t);
    EXPECT_DOUBLE_EQ(t->x, kW / 2 - 80);
    EXPECT_DOUBLE_EQ(t->y, kH - 50);
    EXPECT_EQ(t->colour, (Rgb{0, 255, 0}));
    doc.display.unitsFeet = 1;
    doc.display.circleDiameter = 0.3048 * 2;
    paint();
    EXPECT_TRUE(text("Circle Diameter: 2.00 ft"));
}

TEST(OrientationIcon, ChosenByDirectionAndZero) {
    EXPECT_EQ(orientationIconId(1, 0), 146);
    EXPECT_EQ(orientationIconId(1, 1), 144);
    EXPECT_EQ(orientationIconId(0, 0), 147);
    EXPECT_EQ(orientationIconId(0, 1), 145);
}

// ---- bad settings

TEST_F(ViewFrame, AbsurdSettingsStillPaint) {
    const double zooms[] = {0.0, -1.0, 1e9, std::nan("")};
    for (double zoom : zooms) {
        doc.display.zoom = zoom;
        doc.display.displayCircle = 1;
        doc.display.displayPrd = 1;
        doc.display.circleDiameter = 1e300;
        doc.display.circleOffsetX = INT_MAX;
        doc.display.circleOffsetY = INT_MIN;
        doc.display.gridColour = 0xFFFFFFFF;
        doc.display.gridStyle = -3;
        doc.display.textSize = 1000;
        doc.head.rangeIndex = -5;
        doc.head.rangeMetres = 0.0;
        doc.orientation.pitchDeg = 1e308;
        doc.orientation.rollDeg = -1e308;
        doc.orientation.pitchValid = doc.orientation.rollValid = doc.orientation.distanceValid = 1;
        doc.orientation.distanceM = 1e300;
        view.imageOffsetX = INT_MAX;
        view.imageOffsetY = INT_MIN;
        doc.ping.headStatusLow = 0;
        for (int s = 0; s < kProfileSampleCount; ++s) doc.ping.echoLong[2 * s + 1] = 0xFF;
        Annotation* line = view.annotations.inProgress();
        if (line) {
            line->type = kAnnotationLine;
            line->x2 = 3e38f;
            view.annotations.commit();
        }
        paint();
        ASSERT_FALSE(list.empty()) << zoom;
        for (const DisplayItem& i : list.items()) {
            for (double v : {i.x, i.y, i.w, i.h, i.x2, i.y2, i.startAngle, i.sweepAngle}) {
                ASSERT_TRUE(std::isfinite(v)) << zoom;
            }
            if (i.kind == ItemKind::Text) {
                ASSERT_LE(i.count, kMaxDrawnTextLength);
            }
        }
    }
}

TEST_F(ViewFrame, LongTypedTextIsDrawnCut) {
    Annotation* a = view.annotations.inProgress();
    a->type = kAnnotationText;
    a->text.assign(100000, 'x');
    paint();
    const auto t = texts();
    ASSERT_TRUE(std::any_of(t.begin(), t.end(),
                            [](const Painted& p) { return p.text == std::string(255, 'x'); }));
}

}  // namespace
}  // namespace sondrel

// The operator's mouse and keys on the view: drags, text entry, measurement
// lines and leaving the input modes, and the commands that switch the modes.

#include <gtest/gtest.h>

#include <string>

#include "acquisition/SondrelDoc.h"
#include "app/CommandIds.h"
#include "app/DocumentCommands.h"
#include "display/DisplayList.h"
#include "display/ViewInteraction.h"
#include "display/ViewPainter.h"
#include "display/ViewState.h"

namespace sondrel {
namespace {

class ViewInteractionTest : public ::testing::Test {
  protected:
    ViewInteractionTest() {
        view.resize(800, 600);
        paint();  // places the image centre at (400, 300)
    }
    void paint() { buildViewFrame(doc, view, list); }
    void type(const std::string& text) {
        for (char c : text) characterTyped(doc, view, static_cast<unsigned char>(c));
    }
    void click(int x, int y) {
        leftButtonDown(doc, view, x, y);
        leftButtonUp(doc, view);
    }
    const AnnotationList& notes() const { return view.annotations; }

    CSondrelDoc doc;
    ViewState view;
    DisplayList list;
};

TEST_F(ViewInteractionTest, MeasurementLabelFollowsZoomAndRange) {
    struct Case {
        double zoom;
        int rangeIndex;
        int dx, dy;
        const char* label;
    };
    const Case cases[] = {
        {1.0, 3, 100, 0, "0.200 m"},  // 100 px at zoom 1 over 1 m / 500 px
        {2.0, 3, 100, 0, "0.100 m"},  // the same pixels at zoom 2
        {0.5, 8, 30, 40, "1.200 m"},  // 50 px at zoom 0.5 over 6 m / 500 px
        {4.0, 0, 0, 0, "0.000 m"},    // two clicks on one spot
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        doc.display.zoom = c.zoom;
        doc.setRangeIndex(c.rangeIndex);
        doc.measurementMode = 1;
        click(410, 320);
        EXPECT_EQ(view.measuring, 1);
        click(410 + c.dx, 320 + c.dy);
        EXPECT_EQ(view.measuring, 0);
        paint();
        const Annotation& line = notes()[notes().committed() - 1];
        EXPECT_EQ(line.type, kAnnotationLine);
        EXPECT_FLOAT_EQ(line.x1, static_cast<float>(10 / c.zoom));
        EXPECT_EQ(line.text, c.label);
    }
    EXPECT_EQ(notes().committed(), 4);
}

TEST_F(ViewInteractionTest, RubberLineFollowsTheMouseAndRepaintsItselfOnlyWhileHeld) {
    doc.measurementMode = 1;
    click(400, 300);
    EXPECT_FALSE(mouseMoved(doc, view, 450, 300).repaint);  // the next ping repaints
    EXPECT_FLOAT_EQ(notes().inProgress()->x2, 50.0f);
    doc.holdActive = 1;
    EXPECT_TRUE(mouseMoved(doc, view, 400, 380).repaint);
    EXPECT_FLOAT_EQ(notes().inProgress()->x2, 0.0f);
    EXPECT_FLOAT_EQ(notes().inProgress()->y2, 80.0f);
    // The readout is kept up meanwhile.
    EXPECT_DOUBLE_EQ(doc.cursorBearing, 180.0);
}

TEST_F(ViewInteractionTest, RightButtonAndEscapeDiscardAHalfDrawnLineAndLeaveTheModes) {
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "escape" : "right button");
        doc.measurementMode = 1;
        click(100, 100);
        click(200, 100);  // one finished line stays
        click(300, 300);
        mouseMoved(doc, view, 350, 350);
        doc.circleMoveMode = 1;
        if (escape) {
            EXPECT_TRUE(characterTyped(doc, view, kEscapeCharacter).taken);
        } else {
            EXPECT_TRUE(rightButtonDown(doc, view).repaint);
        }
        EXPECT_EQ(doc.measurementMode, 0);
        EXPECT_EQ(doc.circleMoveMode, 0);
        EXPECT_EQ(view.measuring, 0);
        EXPECT_EQ(notes().committed(), 1);
        EXPECT_EQ(notes().inProgress()->type, kAnnotationEmpty);
        view.annotations.clear();
    }
}

TEST_F(ViewInteractionTest, TypedTextIsEditedAndCommittedByTheNextClick) {
    doc.textInputMode = 1;
    const ViewResponse r = leftButtonDown(doc, view, 420, 310);
    EXPECT_TRUE(r.startBlink);
    EXPECT_EQ(view.blinkPhase, 1);
    type("Jointx");
    characterTyped(doc, view, kBackspaceCharacter);
    characterTyped(doc, view, 0xE9);  // outside 32..126: not stored
    characterTyped(doc, view, 7);
    // While typing, the letter keys are text, not commands.
    EXPECT_TRUE(characterTyped(doc, view, 'h').taken);
    EXPECT_EQ(notes().inProgress()->text, "Jointh");
    EXPECT_FLOAT_EQ(notes().inProgress()->x1, 20.0f);

    click(100, 100);  // commits "Jointh", starts another
    EXPECT_EQ(notes().committed(), 1);
    EXPECT_EQ(notes()[0].text, "Jointh");
    click(150, 150);  // the empty one is reused
    EXPECT_EQ(notes().committed(), 1);
    EXPECT_FLOAT_EQ(notes().inProgress()->x1, -250.0f);

    type("weld");
    characterTyped(doc, view, kEnterCharacter);
    EXPECT_EQ(doc.textInputMode, 0);
    EXPECT_EQ(view.textCursor, 0);
    EXPECT_EQ(notes().committed(), 2);
    // Outside text entry, letters are left to the view's letter commands.
    EXPECT_FALSE(characterTyped(doc, view, 'h').taken);
}

TEST_F(ViewInteractionTest, DragsStartFromWhereTheLastOneEnded) {
    leftButtonDown(doc, view, 100, 100);
    EXPECT_TRUE(mouseMoved(doc, view, 130, 90).repaint);
    leftButtonUp(doc, view);
    EXPECT_FALSE(mouseMoved(doc, view, 500, 500).repaint);  // no button, no drag
    leftButtonDown(doc, view, 10, 10);
    mouseMoved(doc, view, 15, 30);
    leftButtonUp(doc, view);
    EXPECT_EQ(view.imageOffsetX, 35);
    EXPECT_EQ(view.imageOffsetY, 10);

    // The circle takes window pixels as image pixels, whatever the zoom, and
    // starts from offsets moved by the arrow keys.
    doc.display.displayCircle = 1;
    doc.circleMoveMode = 1;
    doc.display.zoom = 2.0;
    doc.display.circleOffsetX = 7;
    leftButtonDown(doc, view, 200, 200);
    mouseMoved(doc, view, 220, 190);
    leftButtonUp(doc, view);
    EXPECT_EQ(doc.display.circleOffsetX, 27);
    EXPECT_EQ(doc.display.circleOffsetY, -10);
    EXPECT_EQ(view.imageOffsetX, 35);  // the image stays
    EXPECT_FALSE(view.dragging());
}

TEST_F(ViewInteractionTest, AFullListRefusesNewEntriesWithoutLeavingAModeHalfOn) {
    doc.textInputMode = 1;
    for (int i = 0; i < AnnotationList::kCapacity; ++i) {
        click(i, i);
        type(std::to_string(i));
    }
    click(5, 5);  // commits the hundredth; there is no room for another
    EXPECT_TRUE(notes().full());
    EXPECT_EQ(view.textCursor, 0);
    type("x");
    EXPECT_EQ(notes()[99].text, "99");

    runDocumentCommand(kCmdMeasureAdd, doc);
    click(1, 1);
    EXPECT_EQ(view.measuring, 0);
    mouseMoved(doc, view, 9, 9);
    characterTyped(doc, view, kEscapeCharacter);
    EXPECT_EQ(notes().committed(), AnnotationList::kCapacity);
}

TEST_F(ViewInteractionTest, BlinkRunsOnlyWhileTypingOrMovingTheCircle) {
    EXPECT_FALSE(blinkTimerFired(doc, view));
    doc.textInputMode = 1;
    EXPECT_FALSE(blinkTimerFired(doc, view));  // no text placed yet
    click(10, 10);
    const int phase = view.blinkPhase;
    EXPECT_TRUE(blinkTimerFired(doc, view));
    EXPECT_NE(view.blinkPhase, phase);
    doc.textInputMode = 0;
    doc.circleMoveMode = 1;
    EXPECT_TRUE(blinkTimerFired(doc, view));
}

TEST_F(ViewInteractionTest, ModeCommandsExcludeEachOtherAndPickTheCursor) {
    EXPECT_EQ(viewCursor(doc), ViewCursor::Image);
    runDocumentCommand(kCmdTextInput, doc);
    EXPECT_EQ(viewCursor(doc), ViewCursor::Text);
    runDocumentCommand(kCmdMeasureAdd, doc);
    EXPECT_EQ(doc.textInputMode, 0);
    EXPECT_EQ(viewCursor(doc), ViewCursor::Measure);
    runDocumentCommand(kCmdTextInput, doc);
    EXPECT_EQ(doc.measurementMode, 0);

    struct Case {
        int id;
        int texts, lines;
    };
    for (const Case c : {Case{kCmdTextDelete, 1, 0}, Case{kCmdMeasureDelete, 0, 1},
                         Case{kCmdDeleteAllDrawings, 1, 1}}) {
        SCOPED_TRACE(c.id);
        doc.textInputMode = doc.measurementMode = 1;
        runDocumentCommand(c.id, doc);
        EXPECT_EQ(doc.deleteTextsRequest, c.texts);
        EXPECT_EQ(doc.textInputMode, 1 - c.texts);
        EXPECT_EQ(doc.deleteLinesRequest, c.lines);
        EXPECT_EQ(doc.measurementMode, 1 - c.lines);
        doc.deleteTextsRequest = doc.deleteLinesRequest = 0;
    }
}

TEST_F(ViewInteractionTest, EndingMeasurementByCommandDropsTheUnfinishedLine) {
    doc.measurementMode = 1;
    click(10, 10);
    runDocumentCommand(kCmdTextInput, doc);  // measurement off
    applyDocumentUpdate(doc, view, ViewHint::Repaint);
    EXPECT_EQ(notes().inProgress()->type, kAnnotationEmpty);
    // So a text placed next cannot turn the half line into a finished one.
    click(50, 50);
    type("a");
    EXPECT_EQ(notes().committed(), 0);
    EXPECT_EQ(notes().inProgress()->type, kAnnotationText);
}

// The window's side of an update, as the program's frame does it.
class UpdatingViews : public DocumentViews {
  public:
    UpdatingViews(CSondrelDoc& doc, ViewState& view) : doc_(doc), view_(view) {}
    void updateViews(ViewHint hint) override { applyDocumentUpdate(doc_, view_, hint); }

  private:
    CSondrelDoc& doc_;
    ViewState& view_;
};

// Whatever the operator does in whatever order, no mode is left half on: a
// line follows the mouse only while measuring, a text is typed only in text
// input, nothing unfinished outlives its mode, and only 32..126 are stored.
TEST_F(ViewInteractionTest, NoSequenceOfEventsLeavesAModeHalfOn) {
    UpdatingViews views(doc, view);
    doc.setViews(&views);
    const int commands[] = {kCmdTextInput, kCmdMeasureAdd, kCmdMoveCircle, kCmdArrowUp,
                            kCmdCircleDiameterDown};
    // Rare, so that the list fills up between them.
    const int deletions[] = {kCmdTextDelete, kCmdMeasureDelete, kCmdDeleteAllDrawings};
    const double zooms[] = {0.5, 1.0, 4.0};
    int linesDrawn = 0, textsTyped = 0;
    bool full = false;
    unsigned seed = 12345;
    auto next = [&seed](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    for (int step = 0; step < 50000; ++step) {
        const int x = static_cast<int>(next(900)) - 50, y = static_cast<int>(next(700)) - 50;
        switch (next(12)) {
            case 0:
            case 1:
                leftButtonDown(doc, view, x, y);
                break;
            case 2:
                leftButtonUp(doc, view);
                break;
            case 3:
            case 4:
                mouseMoved(doc, view, x, y);
                break;
            case 5:
                if (next(4) == 0) rightButtonDown(doc, view);
                break;
            case 6:
            case 7:
                characterTyped(doc, view, static_cast<int>(next(300)));
                break;
            case 8:
                if (next(150) == 0) {
                    runDocumentCommand(deletions[next(std::size(deletions))], doc);
                } else {
                    runDocumentCommand(commands[next(std::size(commands))], doc);
                }
                break;
            case 9:
                doc.display.zoom = zooms[next(3)];
                doc.holdActive = static_cast<int>(next(2));
                doc.playbackActive = static_cast<int>(next(2));
                break;
            case 10:
                doc.display.displayCircle = static_cast<int>(next(2));
                if (!doc.display.displayCircle) doc.circleMoveMode = 0;
                break;
            default:
                paint();
                break;
        }
        SCOPED_TRACE(step);
        const Annotation* a = view.annotations.inProgress();
        if (view.measuring) {
            ASSERT_TRUE(doc.measurementMode);
            ASSERT_TRUE(a && a->type == kAnnotationLine);
        }
        if (view.textCursor) {
            ASSERT_TRUE(doc.textInputMode);
            ASSERT_TRUE(a && a->type == kAnnotationText);
        }
        if (a && a->type == kAnnotationLine) {
            ASSERT_TRUE(view.measuring);
        }
        if (a && a->type == kAnnotationText) {
            ASSERT_TRUE(doc.textInputMode);
        }
        ASSERT_FALSE(doc.textInputMode && doc.measurementMode);
        for (const Annotation& n : view.annotations.drawn()) {
            if (n.type != kAnnotationText) continue;
            for (char c : n.text) ASSERT_TRUE(c >= 32 && c <= 126);
        }
        linesDrawn += view.measuring;
        textsTyped += view.textCursor;
        full = full || view.annotations.full();
    }
    // The walk went through every mode and filled the list on the way.
    EXPECT_GT(linesDrawn, 100);
    EXPECT_GT(textsTyped, 100);
    EXPECT_TRUE(full);
    doc.setViews(nullptr);
}

}  // namespace
}  // namespace sondrel

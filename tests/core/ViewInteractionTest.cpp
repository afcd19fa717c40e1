// The operator's mouse and keys on the view: drags, text entry, measurement
// lines and leaving the input modes, and the commands that switch the modes.

#include <gtest/gtest.h>

#include <string>

#include "acquisition/SondrelDoc.h"
#include "app/CommandDispatcher.h"
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
        for (char c : text) characterTyped(view, static_cast<unsigned char>(c));
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

TEST_F(ViewInteractionTest, RubberLineFollowsTheMouseAndRepaintsItselfOnlyWhileHeld) {
    view.requests.measurementMode = 1;
    click(400, 300);
    EXPECT_FALSE(mouseMoved(doc, view, 450, 300).repaint);  // the next ping repaints
    EXPECT_FLOAT_EQ(notes().inProgress()->x2, 50.0f);
    doc.flags.holdActive = true;
    EXPECT_TRUE(mouseMoved(doc, view, 400, 380).repaint);
    EXPECT_FLOAT_EQ(notes().inProgress()->x2, 0.0f);
    EXPECT_FLOAT_EQ(notes().inProgress()->y2, 80.0f);
    // The readout is kept up meanwhile.
    EXPECT_DOUBLE_EQ(view.cursor.cursorBearing, 180.0);
}

TEST_F(ViewInteractionTest, TheClickThatFinishesALineKeepsItsLengthAndLabel) {
    doc.display.zoom = 2.0;
    doc.head.rangeIndex = 3;     // 1.0 m
    doc.head.rangeMetres = 2.0;  // the length follows the range table entry
    view.requests.measurementMode = 1;
    view.lastMeasuredDistance = 5;
    click(380, 300);                            // image pixel (-10, 0)
    EXPECT_EQ(view.lastMeasuredDistance, 5.0);  // begun, not finished
    click(440, 380);                            // (20, 40): 50 image pixels, 100 on screen
    EXPECT_DOUBLE_EQ(view.lastMeasuredDistance, 0.1);
    ASSERT_EQ(notes().committed(), 1);
    EXPECT_EQ(notes()[0].text, "0.100 m");

    // Two clicks on one point measure nothing; in feet the label says so.
    doc.display.unitsFeet = 1;
    click(100, 100);
    click(100, 100);
    EXPECT_EQ(view.lastMeasuredDistance, 0.0);
    EXPECT_EQ(notes()[1].text, "0.000 ft");
}

TEST_F(ViewInteractionTest, OnlyPrintableCharactersAreTypedAndAnEmptyTextIsReused) {
    view.requests.textInputMode = 1;
    EXPECT_TRUE(leftButtonDown(doc, view, 420, 310).startBlink);
    for (int c : {int{'a'}, 0xE9, 7, 127, int{'~'}}) characterTyped(view, c);
    EXPECT_EQ(notes().inProgress()->text, "a~");
    EXPECT_FLOAT_EQ(notes().inProgress()->x1, 20.0f);
    characterTyped(view, kEscapeCharacter);  // ends typing as Enter does
    EXPECT_EQ(view.requests.textInputMode, 0);
    EXPECT_EQ(notes().committed(), 1);

    view.requests.textInputMode = 1;
    click(100, 100);
    click(150, 150);  // nothing was typed at the first: its entry is reused
    EXPECT_EQ(notes().committed(), 1);
    EXPECT_FLOAT_EQ(notes().inProgress()->x1, -250.0f);
    // Outside text entry, letters are left to the view's letter commands.
    view.requests.textInputMode = 0;
    EXPECT_FALSE(characterTyped(view, 'h').taken);
}

TEST_F(ViewInteractionTest, CircleDragStartsFromOffsetsMovedByTheArrowKeys) {
    doc.display.displayCircle = view.requests.circleMoveMode = 1;
    doc.display.circleOffsetX = 7;  // as an arrow key leaves it
    leftButtonDown(doc, view, 200, 200);
    mouseMoved(doc, view, 220, 190);
    leftButtonUp(doc, view);
    EXPECT_EQ(doc.display.circleOffsetX, 27);
    EXPECT_EQ(doc.display.circleOffsetY, -10);
    EXPECT_EQ(view.imageOffsetX, 0);
}

TEST_F(ViewInteractionTest, BlinkRunsOnlyWhileTypingOrMovingTheCircle) {
    EXPECT_FALSE(blinkTimerFired(view));
    view.requests.textInputMode = 1;
    EXPECT_FALSE(blinkTimerFired(view));  // no text placed yet
    click(10, 10);
    const int phase = view.blinkPhase;
    EXPECT_TRUE(blinkTimerFired(view));
    EXPECT_NE(view.blinkPhase, phase);
    view.requests.textInputMode = 0;
    view.requests.circleMoveMode = 1;
    EXPECT_TRUE(blinkTimerFired(view));
}

TEST_F(ViewInteractionTest, ModeCommandsExcludeEachOtherAndPickTheCursor) {
    EXPECT_EQ(viewCursor(view.requests), ViewCursor::Image);
    runDocumentCommand(kCmdTextInput, doc, view.requests);
    EXPECT_EQ(viewCursor(view.requests), ViewCursor::Text);
    runDocumentCommand(kCmdMeasureAdd, doc, view.requests);
    EXPECT_EQ(view.requests.textInputMode, 0);
    EXPECT_EQ(viewCursor(view.requests), ViewCursor::Measure);
    runDocumentCommand(kCmdTextInput, doc, view.requests);
    EXPECT_EQ(view.requests.measurementMode, 0);

    struct Case {
        int id;
        int texts, lastText, lines;
    };
    for (const Case c : {Case{kCmdTextDelete, 0, 1, 0}, Case{kCmdMeasureDelete, 0, 0, 1},
                         Case{kCmdDeleteAllDrawings, 1, 0, 1}}) {
        SCOPED_TRACE(c.id);
        view.requests.textInputMode = view.requests.measurementMode = 1;
        runDocumentCommand(c.id, doc, view.requests);
        EXPECT_EQ(view.requests.deleteTextsRequest, c.texts);
        EXPECT_EQ(view.requests.deleteLastTextRequest, c.lastText);
        EXPECT_EQ(view.requests.textInputMode, 1 - (c.texts | c.lastText));
        EXPECT_EQ(view.requests.deleteLinesRequest, c.lines);
        EXPECT_EQ(view.requests.measurementMode, 1 - c.lines);
        view.requests.deleteTextsRequest = view.requests.deleteLastTextRequest =
            view.requests.deleteLinesRequest = 0;
    }
}

TEST_F(ViewInteractionTest, EndingMeasurementByCommandDropsTheUnfinishedLine) {
    view.requests.measurementMode = 1;
    click(10, 10);
    runDocumentCommand(kCmdTextInput, doc, view.requests);  // measurement off
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
                if (next(4) == 0) rightButtonDown(view);
                break;
            case 6:
            case 7:
                characterTyped(view, static_cast<int>(next(300)));
                break;
            case 8:
                if (next(150) == 0) {
                    runDocumentCommand(deletions[next(std::size(deletions))], doc, view.requests);
                } else {
                    // The arrow key moves the circle in circle-move mode (and
                    // the pointer, which is not here, otherwise).
                    const int id = commands[next(std::size(commands))];
                    if (!moveCircleByArrow(id, doc, view.requests))
                        runDocumentCommand(id, doc, view.requests);
                }
                break;
            case 9:
                doc.display.zoom = zooms[next(3)];
                doc.flags.holdActive = static_cast<int>(next(2));
                doc.flags.playbackActive = static_cast<int>(next(2));
                break;
            case 10:
                doc.display.displayCircle = static_cast<int>(next(2));
                if (!doc.display.displayCircle) view.requests.circleMoveMode = 0;
                break;
            default:
                paint();
                break;
        }
        SCOPED_TRACE(step);
        const Annotation* a = view.annotations.inProgress();
        if (view.measuring) {
            ASSERT_TRUE(view.requests.measurementMode);
            ASSERT_TRUE(a && a->type == kAnnotationLine);
        }
        if (view.textCursor) {
            ASSERT_TRUE(view.requests.textInputMode);
            ASSERT_TRUE(a && a->type == kAnnotationText);
        }
        if (a && a->type == kAnnotationLine) {
            ASSERT_TRUE(view.measuring);
        }
        if (a && a->type == kAnnotationText) {
            ASSERT_TRUE(view.requests.textInputMode);
        }
        ASSERT_FALSE(view.requests.textInputMode && view.requests.measurementMode);
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

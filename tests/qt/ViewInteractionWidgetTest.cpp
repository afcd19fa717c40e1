// The view in the main window driven by the mouse and the keyboard, as the
// operator drives it: measuring, moving the circle, typing annotations and
// leaving the modes, with the commands' check marks and the pointer following.

#include <QAction>
#include <QApplication>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "acquisition/SondrelDoc.h"
#include "app/CommandIds.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/CSondrelView.h"
#include "app/qt/ViewCursors.h"
#include "display/ViewInteraction.h"

namespace sondrel {
namespace {

class ViewWidgetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        frame = std::make_unique<CMainFrame>(doc);
        frame->resize(1200, 800);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        view = frame->view();
        view->repaint();  // the paint places the image centre
        centre = QPoint(view->viewState().imageCentreX, view->viewState().imageCentreY);
    }
    void TearDown() override { frame.reset(); }

    void click(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseMove(view, at);
        QTest::mouseClick(view, button, {}, at);
    }
    bool checked(int id) {
        return frame->commandAction(id) && frame->commandAction(id)->isChecked();
    }
    const AnnotationList& notes() { return view->viewState().annotations; }
    const ViewRequests& modes() { return view->viewState().requests; }
    QPoint hotSpot() { return view->cursor().hotSpot(); }

    CSondrelDoc doc;
    std::unique_ptr<CMainFrame> frame;
    CSondrelView* view = nullptr;
    QPoint centre;
};

TEST_F(ViewWidgetTest, TwoClicksMeasureALineLabelledForTheZoom) {
    doc.head.setRangeIndex(3);  // 1 m over 500 image pixels
    ASSERT_TRUE(frame->executeCommand(kCmdMeasureAdd));
    EXPECT_TRUE(checked(kCmdMeasureAdd));
    QTest::mouseMove(view, centre);
    EXPECT_EQ(hotSpot(), viewCursorShape(ViewCursor::Measure).hotSpot());

    struct Case {
        double zoom;
        int half;  // the clicks lie this far either side of a point
        const char* label;
        double metres;
    };
    for (const Case& c : {Case{1.0, 50, "0.200 m", 0.2}, Case{2.0, 50, "0.100 m", 0.1},
                          Case{4.0, 0, "0.000 m", 0.0}}) {
        SCOPED_TRACE(c.label);
        doc.display.zoom = c.zoom;
        click(centre + QPoint(-c.half, 20));
        click(centre + QPoint(c.half, 20));
        view->repaint();
        EXPECT_EQ(notes()[notes().committed() - 1].text, c.label);
        EXPECT_DOUBLE_EQ(view->viewState().lastMeasuredDistance, c.metres);
    }
}

TEST_F(ViewWidgetTest, DraggedCircleMovesByTheMouseInImagePixels) {
    ASSERT_TRUE(frame->executeCommand(kCmdDisplayCircle));
    ASSERT_TRUE(frame->executeCommand(kCmdMoveCircle));
    doc.display.zoom = 2.0;
    const QPoint from = centre + QPoint(10, 10);
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, from + QPoint(30, -12));
    QTest::mouseRelease(view, Qt::LeftButton, {}, from + QPoint(30, -12));
    EXPECT_EQ(doc.display.circleOffsetX, 30);
    EXPECT_EQ(doc.display.circleOffsetY, -12);
    EXPECT_EQ(view->viewState().imageOffsetX, 0);  // the image stayed

    // The circle keeps blinking while it can be moved.
    EXPECT_TRUE(view->blinkTimerActive());
    QTest::mouseClick(view, Qt::RightButton, {}, from);
    EXPECT_EQ(modes().circleMoveMode, 0);
    EXPECT_FALSE(checked(kCmdMoveCircle));
}

TEST_F(ViewWidgetTest, TypedAnnotationIsCommittedByAClickElsewhere) {
    ASSERT_TRUE(frame->executeCommand(kCmdTextInput));
    QTest::mouseMove(view, centre);
    EXPECT_EQ(hotSpot(), viewCursorShape(ViewCursor::Text).hotSpot());
    click(centre + QPoint(40, -30));
    EXPECT_TRUE(view->blinkTimerActive());
    // Letters that are hot keys elsewhere are text here: Hold does not run.
    QTest::keyClicks(view, "Weld hx");
    QTest::keyClick(view, Qt::Key_Backspace);
    EXPECT_FALSE(doc.flags.holdActive);
    click(centre + QPoint(-200, 100));
    ASSERT_EQ(notes().committed(), 1);
    EXPECT_EQ(notes()[0].text, "Weld h");
    EXPECT_FLOAT_EQ(notes()[0].x1, 40.0f);
    EXPECT_FLOAT_EQ(notes()[0].y1, -30.0f);

    // Enter ends typing and text input; the empty entry placed by the click goes.
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(modes().textInputMode, 0);
    EXPECT_FALSE(checked(kCmdTextInput));
    EXPECT_EQ(notes().committed(), 1);
    EXPECT_EQ(hotSpot(), viewCursorShape(ViewCursor::Image).hotSpot());
}

TEST_F(ViewWidgetTest, EscapeAndTheRightButtonDiscardAHalfDrawnLine) {
    for (const bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "escape" : "right button");
        ASSERT_TRUE(frame->executeCommand(kCmdMeasureAdd));
        click(centre);
        QTest::mouseMove(view, centre + QPoint(80, 80));
        ASSERT_EQ(notes().inProgress()->type, kAnnotationLine);
        if (escape) {
            QTest::keyClick(view, Qt::Key_Escape);
        } else {
            QTest::mouseClick(view, Qt::RightButton, {}, centre + QPoint(80, 80));
        }
        EXPECT_EQ(modes().measurementMode, 0);
        EXPECT_FALSE(checked(kCmdMeasureAdd));
        EXPECT_EQ(notes().committed(), 0);
        EXPECT_EQ(notes().inProgress()->type, kAnnotationEmpty);
        EXPECT_EQ(view->viewState().measuring, 0);
    }
}

TEST_F(ViewWidgetTest, ImageDragKeepsItsOffsetForTheNextDrag) {
    for (int round = 1; round <= 2; ++round) {
        QTest::mousePress(view, Qt::LeftButton, {}, centre);
        QTest::mouseMove(view, centre + QPoint(25, 15));
        QTest::mouseRelease(view, Qt::LeftButton, {}, centre + QPoint(25, 15));
        EXPECT_EQ(view->viewState().imageOffsetX, 25 * round);
        EXPECT_EQ(view->viewState().imageOffsetY, 15 * round);
    }
}

TEST_F(ViewWidgetTest, F6StopsAtTheLeastDiameter) {
    doc.display.displayCircle = 1;
    for (const auto& [before, after] :
         {std::pair{0.11, 0.1}, std::pair{0.1, 0.1}, std::pair{0.5, 0.49}}) {
        doc.display.circleDiameter = before;
        QTest::keyClick(view, Qt::Key_F6);
        EXPECT_NEAR(doc.display.circleDiameter, after, 1e-12) << before;
    }
}

TEST_F(ViewWidgetTest, AFullListSaysSoAndDeleteOneStringTakesTheLastText) {
    ASSERT_TRUE(frame->executeCommand(kCmdTextInput));
    for (int i = 0; i < AnnotationList::kCapacity; ++i) {
        click(centre + QPoint(i % 10 * 30 - 150, i / 10 * 20 - 100));
        QTest::keyClicks(view, QString::number(i));
    }
    EXPECT_TRUE(frame->statusBar()->currentMessage().isEmpty());
    click(centre);  // one text more than the list holds
    EXPECT_EQ(notes().committed(), AnnotationList::kCapacity);
    EXPECT_EQ(frame->statusBar()->currentMessage().toStdString(), annotationListFullText());

    ASSERT_TRUE(frame->executeCommand(kCmdTextDelete));
    EXPECT_EQ(notes().committed(), AnnotationList::kCapacity - 1);
    EXPECT_EQ(notes()[notes().committed() - 1].text, "98");
}

}  // namespace
}  // namespace sondrel

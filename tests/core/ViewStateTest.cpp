// The annotation list and what the view does with document updates.
#include <string>

#include <gtest/gtest.h>

#include "acquisition/SondrelDoc.h"
#include "display/ViewState.h"

namespace sondrel {
namespace {

void add(AnnotationList& list, int type, const std::string& text) {
    Annotation* a = list.inProgress();
    ASSERT_NE(a, nullptr);
    a->type = type;
    a->text = text;
    ASSERT_TRUE(list.commit());
}

TEST(AnnotationList, DrawsTheFinishedEntriesAndTheOneInProgress) {
    AnnotationList list;
    EXPECT_EQ(list.drawn().size(), 1u);
    add(list, kAnnotationText, "a");
    add(list, kAnnotationLine, "");
    EXPECT_EQ(list.committed(), 2);
    EXPECT_EQ(list.drawn().size(), 3u);
    EXPECT_EQ(list.inProgress(), &list.drawn()[2]);
}

TEST(AnnotationList, AFullListRefusesMoreAndKeepsEveryEntry) {
    AnnotationList list;
    for (int i = 0; i < AnnotationList::kCapacity; ++i)
        add(list, kAnnotationText, std::to_string(i));
    EXPECT_TRUE(list.full());
    EXPECT_EQ(list.inProgress(), nullptr);
    EXPECT_FALSE(list.commit());
    EXPECT_EQ(list.drawn().size(), 100u);
    EXPECT_EQ(list[99].text, "99");
}

TEST(AnnotationList, RemovingATypeMovesLaterEntriesDown) {
    AnnotationList list;
    add(list, kAnnotationText, "t0");
    add(list, kAnnotationLine, "l0");
    add(list, kAnnotationText, "t1");
    add(list, kAnnotationLine, "l1");
    list.inProgress()->type = kAnnotationText;
    list.inProgress()->text = "typing";
    list.removeType(kAnnotationText);
    EXPECT_EQ(list.committed(), 2);
    EXPECT_EQ(list[0].text, "l0");
    EXPECT_EQ(list[1].text, "l1");
    EXPECT_EQ(list.inProgress()->type, kAnnotationEmpty);
    EXPECT_EQ(list.inProgress()->text, "");

    // A full list of lines loses them all and has room again.
    AnnotationList full;
    for (int i = 0; i < AnnotationList::kCapacity; ++i) add(full, kAnnotationLine, "");
    full.removeType(kAnnotationLine);
    EXPECT_EQ(full.committed(), 0);
    ASSERT_NE(full.inProgress(), nullptr);
    EXPECT_EQ(full.inProgress()->type, kAnnotationEmpty);
}

TEST(DocumentUpdate, TextInProgressIsCommittedOrDroppedWhenTypingEnds) {
    CSondrelDoc doc;
    ViewState view;
    Annotation* a = view.annotations.inProgress();
    a->type = kAnnotationText;
    a->text = "joint";
    view.requests.textInputMode = 1;
    applyDocumentUpdate(doc, view, ViewHint::Repaint);
    EXPECT_EQ(view.annotations.committed(), 0);  // still being typed

    view.requests.textInputMode = 0;
    applyDocumentUpdate(doc, view, ViewHint::Repaint);
    EXPECT_EQ(view.annotations.committed(), 1);
    EXPECT_EQ(view.annotations[0].text, "joint");

    view.annotations.inProgress()->type = kAnnotationText;  // clicked, nothing typed
    applyDocumentUpdate(doc, view, ViewHint::Repaint);
    EXPECT_EQ(view.annotations.committed(), 1);
    EXPECT_EQ(view.annotations.inProgress()->type, kAnnotationEmpty);
}

TEST(DocumentUpdate, DeletionRequestsAreCarriedOutOnce) {
    CSondrelDoc doc;
    ViewState view;
    add(view.annotations, kAnnotationText, "t");
    add(view.annotations, kAnnotationLine, "0.100 m");
    view.textCursor = view.blinkPhase = view.measuring = 1;
    view.requests.measurementMode = 1;
    view.requests.textInputMode = 1;

    view.requests.deleteTextsRequest = 1;
    applyDocumentUpdate(doc, view, ViewHint::Repaint);
    EXPECT_EQ(view.requests.deleteTextsRequest, 0);
    EXPECT_EQ(view.annotations.committed(), 1);
    EXPECT_EQ(view.annotations[0].type, kAnnotationLine);
    EXPECT_EQ(view.textCursor, 0);
    EXPECT_EQ(view.blinkPhase, 0);
    EXPECT_EQ(view.measuring, 1);

    view.requests.deleteLinesRequest = 1;
    applyDocumentUpdate(doc, view, ViewHint::Repaint);
    EXPECT_EQ(view.requests.deleteLinesRequest, 0);
    EXPECT_EQ(view.annotations.committed(), 0);
    EXPECT_EQ(view.measuring, 0);
    EXPECT_EQ(view.requests.measurementMode, 0);
}

TEST(DocumentUpdate, DeletingOneStringTakesTheTextBeingTypedThenTheLastPlaced) {
    CSondrelDoc doc;
    ViewState view;
    add(view.annotations, kAnnotationText, "t0");
    add(view.annotations, kAnnotationLine, "l0");
    add(view.annotations, kAnnotationText, "t1");
    view.annotations.inProgress()->type = kAnnotationText;
    view.annotations.inProgress()->text = "typing";
    for (const char* expected : {"t0 l0 t1", "t0 l0", "l0", "l0"}) {
        view.requests.deleteLastTextRequest = 1;
        applyDocumentUpdate(doc, view, ViewHint::Repaint);
        std::string left;
        for (int i = 0; i < view.annotations.committed(); ++i)
            left += (left.empty() ? "" : " ") + view.annotations[i].text;
        EXPECT_EQ(left, expected);
        EXPECT_EQ(view.requests.deleteLastTextRequest, 0);
    }
}

TEST(DocumentUpdate, CircleMoveHintEndsTheOtherModesAndStartsTheBlink) {
    CSondrelDoc doc;
    ViewState view;
    view.requests.textInputMode = view.requests.measurementMode = 1;
    view.textCursor = view.measuring = 1;
    EXPECT_FALSE(applyDocumentUpdate(doc, view, ViewHint::CircleMove));  // circle-move is off
    EXPECT_EQ(view.requests.textInputMode, 1);

    view.requests.circleMoveMode = 1;
    EXPECT_TRUE(applyDocumentUpdate(doc, view, ViewHint::CircleMove));
    EXPECT_EQ(view.requests.textInputMode, 0);
    EXPECT_EQ(view.requests.measurementMode, 0);
    EXPECT_EQ(view.textCursor, 0);
    EXPECT_EQ(view.measuring, 0);
    EXPECT_FALSE(applyDocumentUpdate(doc, view, ViewHint::Repaint));
}

TEST(ViewGeometry, AnnotationPointsFollowZoomAndImageCentre) {
    ViewState view;
    view.imageCentreX = 500;
    view.imageCentreY = 380;
    const ScreenPoint p = annotationToScreen(view, 1.5, -20, 10);
    EXPECT_DOUBLE_EQ(p.x, 470);
    EXPECT_DOUBLE_EQ(p.y, 395);
}

}  // namespace
}  // namespace sondrel

// The display list: colours, robustness against bad numbers, text cuts.
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "display/DisplayList.h"
#include "display/Utf8Text.h"

namespace sondrel {
namespace {

TEST(DisplayColours, StoredColoursAreBlueGreenRed) {
    EXPECT_EQ(rgbFromColour(0x003278), (Rgb{120, 50, 0}));
    EXPECT_EQ(rgbFromColour(0x969600), (Rgb{0, 150, 150}));
    // The top byte never makes a colour transparent or different.
    EXPECT_EQ(rgbFromColour(0xFF123456), rgbFromColour(0x00123456));
}

TEST(DisplayList, ReusedListKeepsItsBuffers) {
    DisplayList list;
    for (int i = 0; i < 50; ++i) list.text(i, i, "Recording......", 15, Rgb{});
    const DisplayItem* before = list.items().data();
    const std::size_t capacity = list.items().capacity();
    list.clear();
    EXPECT_TRUE(list.empty());
    for (int i = 0; i < 50; ++i) list.text(i, i, "Recording......", 15, Rgb{});
    EXPECT_EQ(list.items().data(), before);
    EXPECT_EQ(list.items().capacity(), capacity);
}

TEST(DisplayList, ItemsWithNumbersThatAreNotFiniteAreLeftOut) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    DisplayList list;
    list.fillRect(0, 0, inf, 10, Rgb{});
    list.ellipse(nan, 0, 10, 10, fillOnly(Rgb{}));
    list.line(0, 0, 10, -inf, solidPen(Rgb{}));
    list.chord(0, 0, 10, 10, nan, 180, fillOnly(Rgb{}));
    list.text(nan, 0, "x", 15, Rgb{});
    list.icon(kIconAftUp, 0, inf);
    EXPECT_TRUE(list.empty());
    // A shift that is not finite becomes no shift, so what follows stays in place.
    list.translate(inf, 3);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.items()[0].x, 0.0);
    EXPECT_EQ(list.items()[0].y, 0.0);
}

TEST(DisplayList, TextsAreCutAt255Characters) {
    DisplayList list;
    const std::string longText(1000, 'a');
    list.text(0, 0, longText, 15, Rgb{});
    list.text(0, 0, std::string(254, 'b'), "|", 15, Rgb{});
    list.text(0, 0, std::string(255, 'c'), "|", 15, Rgb{});
    list.text(0, 0, "", 15, Rgb{});  // nothing to draw
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list.textOf(list.items()[0]), std::string(255, 'a'));
    EXPECT_EQ(list.textOf(list.items()[1]), std::string(254, 'b') + "|");
    EXPECT_EQ(list.textOf(list.items()[2]), std::string(255, 'c'));
}

TEST(DisplayList, CutsNeverSplitACharacter) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += "\xC3\xA9";  // é
    DisplayList list;
    list.text(0, 0, text, 15, Rgb{});
    const std::string_view drawn = list.textOf(list.items()[0]);
    EXPECT_EQ(drawn.size(), 255u * 2);
    EXPECT_EQ(utf8Length(drawn), 255u);
    EXPECT_EQ(utf8Length("a\xE2\x82\xAC"
                         "b"),
              3u);  // a€b
    EXPECT_EQ(utf8Suffix("a\xE2\x82\xAC"
                         "b",
                         2),
              "\xE2\x82\xAC"
              "b");
}

TEST(DisplayList, ProfilePointsAndTextsKeepTheirOwnRanges) {
    struct Box {
        int x, y, w, h;
    };
    const Box first[] = {{1, 2, 1, 1}, {3, 4, 1, 1}};
    const Box second[] = {{5, 6, 3, 3}};
    DisplayList list;
    list.profilePoints(first, Rgb{1, 2, 3});
    list.text(0, 0, "one", 15, Rgb{});
    list.profilePoints(second, Rgb{4, 5, 6});
    list.text(0, 0, "two", 15, Rgb{});
    ASSERT_EQ(list.size(), 4u);
    const auto a = list.pointsOf(list.items()[0]);
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[1].x, 3);
    const auto b = list.pointsOf(list.items()[2]);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].w, 3);
    EXPECT_EQ(list.items()[2].colour, (Rgb{4, 5, 6}));
    EXPECT_EQ(list.textOf(list.items()[1]), "one");
    EXPECT_EQ(list.textOf(list.items()[3]), "two");
}

}  // namespace
}  // namespace sondrel

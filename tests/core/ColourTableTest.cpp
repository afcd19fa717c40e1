#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "common/SonarBitmap.h"

namespace sondrel {
namespace {

enum Table {
    kNormalHigh,
    kNormalLow,
    kGreen,
    kGrey,
    kReverseGrey,
    kBrownYellow,
    kGreenBlue,
    kGreenYellow,
    kBlue
};

Rgb entry(int table, int level) {
    return colourTable(table)[static_cast<std::size_t>(level)];
}

TEST(ColourTables, BaseLevelsAtTheEdgesOfTheirBands) {
    using C = std::array<int, 3>;
    EXPECT_EQ(baseLevelColour(0), (C{0, 0, 0}));
    EXPECT_EQ(baseLevelColour(2), (C{0, 0, 3}));
    EXPECT_EQ(baseLevelColour(3), (C{0, 0, 5}));
    EXPECT_EQ(baseLevelColour(18), (C{0, 0, 80}));
    EXPECT_EQ(baseLevelColour(19), (C{0, 20, 80}));
    EXPECT_EQ(baseLevelColour(34), (C{0, 95, 5}));
    EXPECT_EQ(baseLevelColour(39), (C{0, 120, 0}));
    EXPECT_EQ(baseLevelColour(48), (C{20, 165, 0}));
    EXPECT_EQ(baseLevelColour(53), (C{90, 175, 0}));
    EXPECT_EQ(baseLevelColour(58), (C{140, 125, 0}));
    EXPECT_EQ(baseLevelColour(69), (C{200, 100, 0}));
    EXPECT_EQ(baseLevelColour(72), (C{215, 115, 0}));
    EXPECT_EQ(baseLevelColour(73), (C{210, 120, 0}));
    EXPECT_EQ(baseLevelColour(79), (C{150, 150, 0}));
    EXPECT_EQ(baseLevelColour(88), (C{195, 195, 0}));
    EXPECT_EQ(baseLevelColour(89), (C{200, 200, 50}));
    EXPECT_EQ(baseLevelColour(98), (C{245, 245, 140}));
    EXPECT_EQ(baseLevelColour(99), (C{180, 180, 180}));
    EXPECT_EQ(baseLevelColour(111), (C{240, 240, 240}));
    EXPECT_EQ(baseLevelColour(114), (C{240, 240, 240}));
    EXPECT_EQ(baseLevelColour(115), (C{160, 0, 0}));
    EXPECT_EQ(baseLevelColour(118), (C{160, 0, 0}));
    for (int k = 0; k <= 118; ++k) {
        for (int c : baseLevelColour(k)) {
            EXPECT_GE(c, 0) << k;
            EXPECT_LE(c, 245) << k;
        }
    }
}

TEST(ColourTables, NormalTablesAndTheirCap) {
    EXPECT_EQ(entry(kNormalLow, 118), (Rgb{160, 0, 0}));
    EXPECT_EQ(entry(kNormalHigh, 118), (Rgb{240, 0, 0}));
    EXPECT_EQ(entry(kNormalHigh, 111), (Rgb{255, 255, 255}));  // 1.5 x 240 capped
    EXPECT_EQ(entry(kNormalHigh, 1), (Rgb{0, 0, 1}));          // trunc(1.5)
    EXPECT_EQ(entry(kNormalHigh, 19), (Rgb{0, 30, 120}));
}

TEST(ColourTables, GreyRampsAndReverseGrey) {
    EXPECT_EQ(entry(kReverseGrey, 0), (Rgb{212, 212, 212}));
    EXPECT_EQ(entry(kReverseGrey, 118), (Rgb{0, 0, 0}));
    EXPECT_EQ(entry(kGrey, 118), (Rgb{255, 255, 255}));
    EXPECT_EQ(entry(kGrey, 101), (Rgb{252, 252, 252}));
    EXPECT_EQ(entry(kGrey, 102), (Rgb{255, 255, 255}));
    EXPECT_EQ(entry(kGreen, 101), (Rgb{0, 252, 0}));
    EXPECT_EQ(entry(kGreen, 102), (Rgb{0, 255, 0}));
    EXPECT_EQ(entry(kGrey, 0), (Rgb{0, 0, 0}));
}

TEST(ColourTables, SineRampTables) {
    EXPECT_EQ(entry(kBrownYellow, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(entry(kBrownYellow, 118), (Rgb{255, 255, 0}));
    // Level 50: U 188, V 65; U reaches 255 at level 75, V at 106.
    EXPECT_EQ(entry(kBrownYellow, 50), (Rgb{188, 65, 0}));
    EXPECT_EQ(entry(kGreenBlue, 50), (Rgb{0, 188, 65}));
    EXPECT_EQ(entry(kGreenYellow, 50), (Rgb{65, 188, 0}));
    EXPECT_EQ(entry(kBlue, 50), (Rgb{0, 65, 188}));
    EXPECT_LT(entry(kBrownYellow, 74).r, 255);
    EXPECT_EQ(entry(kBrownYellow, 75).r, 255);
    EXPECT_LT(entry(kBrownYellow, 105).g, 255);
    EXPECT_EQ(entry(kBrownYellow, 106).g, 255);
}

TEST(ColourTables, LevelZeroIsBlackExceptReverseGreyAndUnusedEntriesAreBlack) {
    for (int t = 0; t < kColourTableCount; ++t) {
        if (t != kReverseGrey) {
            EXPECT_EQ(entry(t, 0), (Rgb{0, 0, 0})) << t;
        }
        for (int i = kColourLevels; i < 256; ++i) {
            EXPECT_EQ(entry(t, i), (Rgb{0, 0, 0})) << t << " " << i;
        }
    }
}

TEST(SonarBitmapColours, PaletteAndColourBarFollowTheTableAndPixelsStay) {
    auto bitmap = std::make_unique<CSonarBitmap>();
    EXPECT_EQ(bitmap->colourTableIndex(), 0);
    bitmap->pixels()[123456] = 42;
    bitmap->selectColourTable(kReverseGrey);
    EXPECT_EQ(bitmap->colourTableIndex(), kReverseGrey);
    EXPECT_EQ(bitmap->pixels()[123456], 42);
    EXPECT_EQ(bitmap->palette()[0], 0xFFD4D4D4u);
    EXPECT_EQ(bitmap->palette()[200], 0xFF000000u);
    // Bar: top row level 117, bottom row level 0, 8 equal pixels a row.
    const auto& bar = bitmap->colourBar();
    const Rgb top = entry(kReverseGrey, 117);
    for (int x = 0; x < kColourBarWidth; ++x) {
        EXPECT_EQ(bar[static_cast<std::size_t>(x)], argbOf(top));
        EXPECT_EQ(bar[static_cast<std::size_t>((kColourBarHeight - 1) * kColourBarWidth + x)],
                  0xFFD4D4D4u);
    }
    bitmap->selectColourTable(kBrownYellow);
    EXPECT_EQ(bitmap->palette()[118], 0xFFFFFF00u);
    EXPECT_EQ(bar[static_cast<std::size_t>(67 * kColourBarWidth + 3)],
              argbOf(entry(kBrownYellow, 50)));
    // Out-of-range choices are held to the nine tables.
    bitmap->selectColourTable(12);
    EXPECT_EQ(bitmap->colourTableIndex(), kBlue);
    bitmap->selectColourTable(-1);
    EXPECT_EQ(bitmap->colourTableIndex(), 0);
}

TEST(SonarBitmapColours, ClearZeroesEveryPixel) {
    auto bitmap = std::make_unique<CSonarBitmap>();
    // An image nobody drew on reads blank everywhere, cleared or not.
    const std::uint8_t* blank = std::as_const(*bitmap).pixels();
    EXPECT_TRUE(std::all_of(blank, blank + kSonarImageSize * kSonarImageSize,
                            [](std::uint8_t p) { return p == 0; }));
    bitmap->clear();
    EXPECT_EQ(std::as_const(*bitmap).pixels()[999999], 0);
    bitmap->pixels()[0] = 1;
    bitmap->pixels()[999999] = 2;
    bitmap->clear();
    EXPECT_EQ(bitmap->pixels()[0], 0);
    EXPECT_EQ(bitmap->pixels()[999999], 0);
    // Drawing after a clear is cleared by the next one too.
    bitmap->pixels()[500500] = 3;
    bitmap->clear();
    EXPECT_EQ(std::as_const(*bitmap).pixels()[500500], 0);
}

}  // namespace
}  // namespace sondrel

// Save Screen's choices made without a window: the format a file name asks
// for, the dialog's file types, and the palette a GIF picture is written with.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <set>
#include <vector>

#include "display/PicturePalette.h"
#include "display/ScreenCapture.h"

namespace sondrel {
namespace {

TEST(ScreenCapture, FormatComesFromTheFirstThreeLettersOfTheExtension) {
    struct Case {
        const char* name;
        std::optional<PictureFormat> format;
    };
    const Case cases[] = {
        {"/data/shot.bmp", PictureFormat::Bmp},
        {"/data/shot.GIF", PictureFormat::Gif},
        {"/data/shot.jpg", PictureFormat::Jpeg},
        {"/data/shot.tiff", PictureFormat::Tiff},
        {"/data/Shot.PNG", PictureFormat::Png},
        {"/data/a.b.png", PictureFormat::Png},
        {"/data/shot.JPEG", PictureFormat::Jpeg},
        {"/data/shot.jpe", std::nullopt},
        {"/data/shot.jpegs", std::nullopt},
        {"/data/shot", std::nullopt},
        {"/data/site.png/shot", std::nullopt},  // a folder's extension is not the file's
        {"/data/shot.", std::nullopt},
        {"/data/shot.pn", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(pictureFormatForFileName(c.name), c.format) << c.name;
    EXPECT_EQ(pictureMimeType(PictureFormat::Tiff), "image/tiff");
    EXPECT_EQ(pictureMimeType(PictureFormat::Jpeg), "image/jpeg");
}

TEST(ScreenCapture, DialogOffersTheFiveTypesInOrderFromTheRecordFolder) {
    const FileDialogRequest r = saveScreenDialogRequest("/records/");
    EXPECT_EQ(r.title, "Save Image As:");
    EXPECT_EQ(r.directory, "/records/");
    EXPECT_TRUE(r.defaultExtension.empty());
    ASSERT_EQ(r.furtherTypes.size(), 4u);
    EXPECT_EQ(r.filterDescription, "Bitmap: (*.BMP)");
    EXPECT_EQ(r.pattern, "*.bmp");
    EXPECT_EQ(r.furtherTypes[3].description, "Portable Networks Graphics: (*.PNG)");
    // Every offered pattern names a format that is then accepted.
    EXPECT_TRUE(pictureFormatForFileName("x" + r.pattern.substr(1)));
    for (const FileType& t : r.furtherTypes)
        EXPECT_TRUE(pictureFormatForFileName("x" + t.pattern.substr(1))) << t.pattern;
}

std::uint32_t colourAt(const PalettedPicture& p, std::size_t i) {
    return p.palette.at(p.indices.at(i));
}

TEST(PicturePalette, FewColoursAreKeptExactly) {
    // 256 colours, the most a palette holds, with alpha bytes that must not count.
    std::vector<std::uint32_t> pixels;
    for (std::uint32_t i = 0; i < 1000; ++i)
        pixels.push_back(0xFF000000u | ((i % 256) * 0x010203u));
    pixels.push_back(0x00000000u | (5 * 0x010203u));
    const PalettedPicture p = palettePicture(pixels);
    EXPECT_TRUE(p.exact);
    EXPECT_EQ(p.palette.size(), 256u);
    ASSERT_EQ(p.indices.size(), pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i)
        ASSERT_EQ(colourAt(p, i), pixels[i] & 0xFFFFFFu) << i;
}

int channelError(std::uint32_t a, std::uint32_t b) {
    int worst = 0;
    for (int shift : {0, 8, 16})
        worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return worst;
}

TEST(PicturePalette, ManyColoursAreReducedToTheNearestOfTwoHundredFiftySix) {
    // A smooth colour cube of 32768 colours, plus a large flat background that
    // must stay exact, plus a few rare bright pixels that must keep a colour of
    // their own rather than be swallowed by the background.
    std::vector<std::uint32_t> pixels(200000, 0x101820u);
    for (std::uint32_t r = 0; r < 32; ++r)
        for (std::uint32_t g = 0; g < 32; ++g)
            for (std::uint32_t b = 0; b < 32; ++b)
                pixels.push_back((r << 19) | (g << 11) | (b << 3));
    const std::size_t rare = pixels.size();
    pixels.insert(pixels.end(), 3, 0xFFFF00u);

    const PalettedPicture p = palettePicture(pixels);
    EXPECT_FALSE(p.exact);
    EXPECT_EQ(p.palette.size(), 256u);
    EXPECT_EQ(std::set<std::uint32_t>(p.palette.begin(), p.palette.end()).size(), 256u);
    EXPECT_EQ(colourAt(p, 0), 0x101820u);
    int worst = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i)
        worst = std::max(worst, channelError(colourAt(p, i), pixels[i]));
    // 256 boxes over a 256-level cube leave about 256 / 6.35 levels per box side.
    EXPECT_LE(worst, 40);
    EXPECT_LE(channelError(colourAt(p, rare), 0xFFFF00u), 40);

    // The same picture always gives the same palette.
    EXPECT_EQ(palettePicture(pixels).palette, p.palette);
}

}  // namespace
}  // namespace sondrel

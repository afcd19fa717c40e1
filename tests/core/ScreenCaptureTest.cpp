// Save Screen's choice of picture type by the file name.

#include <gtest/gtest.h>

#include "display/ScreenCapture.h"

namespace sondrel {
namespace {

TEST(ScreenCapture, PictureTypeComesFromTheFirstThreeLettersOfTheExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"/data/site.PNG", "png"},  {"a.bmp", "bmp"},          {"a.Jpg", "jpg"},
        {"a.gif", "gif"},           {"survey.tiff", "tif"},    {"a.jpeg", ""},
        {"no extension", ""},       {"/data.png/picture", ""}, {"a.pn", ""},
        {"archive.tar.png", "png"},
    };
    for (const auto& [name, format] : cases)
        EXPECT_EQ(imageFormatForFileName(name), format) << name;
}

}  // namespace
}  // namespace sondrel

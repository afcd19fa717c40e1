#pragma once
// "Save Screen": the picture types it offers and the rule that picks the type
// from the file name the operator gives.

#include <string>
#include <string_view>

namespace sondrel {

inline constexpr std::string_view kSaveScreenTitle = "Save Image As:";
inline constexpr std::string_view kSaveScreenFilter =
    "Bitmap, Graphics Interchange Format, JPG File Interchange Format, Tag Image File Format or "
    "Portable Networks Graphics (*.bmp *.gif *.jpg *.tif *.png)";
inline constexpr std::string_view kCantSaveScreen = "Can't save the screen!";
inline constexpr std::string_view kInvalidImageFormat = "Invalid File Format";

// The picture type by the first three letters of the name's extension, in any
// case: "bmp", "jpg", "gif", "tif" or "png"; empty for any other name (so
// ".tiff" is a TIFF picture but ".jpeg" is refused).
std::string imageFormatForFileName(std::string_view name);

}  // namespace sondrel

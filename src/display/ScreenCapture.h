#pragma once
// Save Screen: the file types the save dialog offers, the choice of picture
// format by the file name's extension, and the operator's messages. The window
// takes the picture and encodes it; what it is saved as is decided here.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/OperatorPort.h"

namespace sondrel {

enum class PictureFormat { Bmp, Gif, Jpeg, Tiff, Png };

struct PictureFileType {
    std::string_view description;
    std::string_view pattern;
};
// The dialog's file types, in the order offered.
std::span<const PictureFileType> pictureFileTypes();

// The dialog that asks where to save the screen, starting in the record folder.
FileDialogRequest saveScreenDialogRequest(const std::string& directory);

// The format a file name asks for: the first three letters of its extension,
// in any case ("shot.TIFF" is a TIFF), or "jpeg". Empty for a name without a
// known extension.
std::optional<PictureFormat> pictureFormatForFileName(std::string_view path);
std::string_view pictureMimeType(PictureFormat format);

inline constexpr const char* kCantSaveScreenText = "Can't save the screen!";
inline constexpr const char* kInvalidFileFormatText = "Invalid File Format";
// No encoder of the kind is installed (a plug-in missing from the system).
std::string noPictureEncoderText(PictureFormat format);

}  // namespace sondrel

#include "display/ScreenCapture.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace sondrel {

namespace {

constexpr auto kFileTypes = std::to_array<PictureFileType>({
    {"Bitmap: (*.BMP)", "*.bmp"},
    {"Graphics Interchange Format: (*.GIF)", "*.gif"},
    {"JPG File Interchange Format: (*.JPG)", "*.jpg"},
    {"Tag Image File Format: (*.TIF)", "*.tif"},
    {"Portable Networks Graphics: (*.PNG)", "*.png"},
});

struct ExtensionFormat {
    std::string_view extension;
    PictureFormat format;
    std::string_view mime;
};
constexpr auto kExtensions = std::to_array<ExtensionFormat>({
    {"bmp", PictureFormat::Bmp, "image/bmp"},
    {"jpg", PictureFormat::Jpeg, "image/jpeg"},
    {"gif", PictureFormat::Gif, "image/gif"},
    {"tif", PictureFormat::Tiff, "image/tiff"},
    {"png", PictureFormat::Png, "image/png"},
    // The long name of JPEG files, as common as the short one.
    {"jpeg", PictureFormat::Jpeg, "image/jpeg"},
});

}  // namespace

std::span<const PictureFileType> pictureFileTypes() {
    return kFileTypes;
}

FileDialogRequest saveScreenDialogRequest(const std::string& directory) {
    FileDialogRequest request;
    request.title = "Save Image As:";
    request.directory = directory;
    request.filterDescription = std::string(kFileTypes[0].description);
    request.pattern = std::string(kFileTypes[0].pattern);
    for (std::size_t i = 1; i < kFileTypes.size(); ++i)
        request.furtherTypes.push_back(
            {std::string(kFileTypes[i].description), std::string(kFileTypes[i].pattern)});
    return request;
}

std::optional<PictureFormat> pictureFormatForFileName(std::string_view path) {
    // The extension belongs to the file's own name, not to a folder on its way.
    const auto slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot == std::string_view::npos) return std::nullopt;
    std::string extension(name.substr(dot + 1));
    std::ranges::transform(extension, extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string_view firstThree = std::string_view(extension).substr(0, 3);
    for (const ExtensionFormat& e : kExtensions)
        if (e.extension == firstThree || e.extension == extension) return e.format;
    return std::nullopt;
}

std::string_view pictureMimeType(PictureFormat format) {
    for (const ExtensionFormat& e : kExtensions)
        if (e.format == format) return e.mime;
    return {};
}

std::string noPictureEncoderText(PictureFormat format) {
    return "No encoder for " + std::string(pictureMimeType(format)) +
           " pictures is installed: the screen was not saved.";
}

}  // namespace sondrel

#include "display/ScreenCapture.h"

#include <array>
#include <cctype>

namespace sondrel {

std::string imageFormatForFileName(std::string_view name) {
    const auto slash = name.find_last_of('/');
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot == std::string_view::npos) return {};
    std::string extension;
    for (const char c : name.substr(dot + 1, 3))
        extension += char(std::tolower(static_cast<unsigned char>(c)));
    constexpr std::array<std::string_view, 5> kKnown = {"bmp", "jpg", "gif", "tif", "png"};
    for (const std::string_view known : kKnown)
        if (extension == known) return extension;
    return {};
}

}  // namespace sondrel

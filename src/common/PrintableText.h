#pragma once
// Texts that come from a file (a record's date and time fields, file names) are
// shown and written with every control character as '?': a line break or a tab
// in a time field would otherwise split each XYZ point line it is copied into,
// and a status pane or window title would show it as whatever the platform
// makes of it.

#include <algorithm>
#include <string>
#include <string_view>

namespace sondrel {

inline bool isControlCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

inline std::string printableText(std::string_view text) {
    std::string printable(text);
    std::replace_if(printable.begin(), printable.end(), isControlCharacter, '?');
    return printable;
}

// A text from a file or a head made fit to be part of one file name: control
// characters and path separators become '_', so a recorded date such as
// "09/12/2026" or one with a line break names a file in the folder chosen and
// never a path into another one.
inline std::string fileNameText(std::string_view text) {
    std::string name(text);
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return isControlCharacter(c) || c == '/' || c == '\\'; }, '_');
    return name;
}

}  // namespace sondrel

#pragma once
// Lengths and cuts of UTF-8 text counted in characters, so that a cut never
// splits a character. Bytes that are not valid UTF-8 count as one character each.

#include <cstddef>
#include <string_view>

namespace sondrel {

namespace detail {
inline bool isContinuationByte(unsigned char c) {
    return (c & 0xC0) == 0x80;
}
}  // namespace detail

// Byte offset just past the first `chars` characters of `text` (its size if shorter).
inline std::size_t utf8Offset(std::string_view text, std::size_t chars) {
    std::size_t i = 0;
    for (std::size_t n = 0; n < chars && i < text.size(); ++n) {
        ++i;
        // A continuation byte belongs to the character before it; at most three follow.
        for (int k = 0; k < 3 && i < text.size() &&
                        detail::isContinuationByte(static_cast<unsigned char>(text[i]));
             ++k) {
            ++i;
        }
    }
    return i;
}

inline std::size_t utf8Length(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++n) i += utf8Offset(text.substr(i), 1);
    return n;
}

inline std::string_view utf8Prefix(std::string_view text, std::size_t chars) {
    return text.substr(0, utf8Offset(text, chars));
}

inline std::string_view utf8Suffix(std::string_view text, std::size_t chars) {
    const std::size_t length = utf8Length(text);
    if (length <= chars) return text;
    return text.substr(utf8Offset(text, length - chars));
}

}  // namespace sondrel

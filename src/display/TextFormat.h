#pragma once
// printf-style formatting into a std::string for the program's fixed text
// formats. Output longer than 511 characters is cut there; no drawn or shown
// text needs more.

#include <algorithm>
#include <cstdio>
#include <string>

namespace sondrel {

template <class... Args>
std::string formatted(const char* format, Args... args) {
    char buffer[512];
    const int n = std::snprintf(buffer, sizeof buffer, format, args...);
    if (n <= 0) return {};
    return std::string(buffer,
                       std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
}

}  // namespace sondrel

#include "common/NumberText.h"

#include <charconv>
#include <cmath>

namespace sondrel {

std::optional<long long> parseWholeNumber(std::string_view text, long long lo, long long hi) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    if (value < lo || value > hi) return std::nullopt;
    return value;
}

std::optional<double> parseRealNumber(std::string_view text, double lo, double hi) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    if (!std::isfinite(value) || value < lo || value > hi) return std::nullopt;
    return value;
}

}  // namespace sondrel

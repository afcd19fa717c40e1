#pragma once
// Numbers typed by a person (command-line options): the whole text must be the
// number, in the given range. One rule for every program, so that "abc", "5s",
// "1e999" and "nan" are refused alike.

#include <limits>
#include <optional>
#include <string_view>

namespace sondrel {

// A whole number in [lo, hi], written in decimal without a sign for positive values.
std::optional<long long> parseWholeNumber(std::string_view text,
                                          long long lo = std::numeric_limits<long long>::min(),
                                          long long hi = std::numeric_limits<long long>::max());

// A finite real number in [lo, hi], in plain or exponent notation.
std::optional<double> parseRealNumber(std::string_view text,
                                      double lo = std::numeric_limits<double>::lowest(),
                                      double hi = std::numeric_limits<double>::max());

}  // namespace sondrel

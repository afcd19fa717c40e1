#pragma once
// What a progress window says of long work: how much is done and about how
// long is left, estimated from the pace so far.

#include <cstdint>
#include <string>
#include <string_view>

namespace sondrel {

// "12000 records done, about 40 s left": `items` done so far, named by
// `itemsName`; `done` of `total` in any unit the work measures itself by
// (bytes of a file), after `elapsedSeconds`. Until the pace can be told (less
// than a second, nothing done) the time left is not guessed.
std::string jobProgressText(std::int64_t items, std::string_view itemsName, std::int64_t done,
                            std::int64_t total, double elapsedSeconds);

// The seconds left at the pace so far; negative when they cannot be told yet.
double jobSecondsLeft(std::int64_t done, std::int64_t total, double elapsedSeconds);

}  // namespace sondrel

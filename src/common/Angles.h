#pragma once
// The two values of pi the program uses. Points, their export and the colour
// tables turn degrees into radians with pi cut to seven decimals, the value
// every file and picture made so far was computed with, so that a point lands
// on the same place in the view, in the export and in earlier outputs.
// Everything else uses pi itself.

#include <numbers>

namespace sondrel {

inline constexpr double kSevenDecimalPi = 3.1415926;
inline constexpr double kDegreesToRadians = std::numbers::pi / 180.0;

}  // namespace sondrel

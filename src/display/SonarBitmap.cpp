#include "display/SonarBitmap.h"

#include <algorithm>

namespace sondrel {

CSonarBitmap::CSonarBitmap() : pixels_(static_cast<std::size_t>(kSonarImageSize) * kSonarImageSize, 0) {}

void CSonarBitmap::clear() { std::fill(pixels_.begin(), pixels_.end(), std::uint8_t{0}); }

}  // namespace sondrel

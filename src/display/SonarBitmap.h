#pragma once
// CSonarBitmap: the 1000 x 1000 palette-indexed sonar image store.

#include <cstdint>
#include <vector>

namespace sondrel {

inline constexpr int kSonarImageSize = 1000;

class CSonarBitmap {
public:
    CSonarBitmap();
    virtual ~CSonarBitmap() = default;

    int width() const { return kSonarImageSize; }
    int height() const { return kSonarImageSize; }
    std::uint8_t* pixels() { return pixels_.data(); }
    const std::uint8_t* pixels() const { return pixels_.data(); }
    void clear();

private:
    std::vector<std::uint8_t> pixels_;
};

}  // namespace sondrel

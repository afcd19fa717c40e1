#include "common/SonarBitmap.h"
#include "common/Angles.h"

#include <algorithm>
#include <cmath>

namespace sondrel {

std::array<int, 3> baseLevelColour(int k) {
    if (k <= 0) return {0, 0, 0};
    if (k == 1) return {0, 0, 1};
    if (k == 2) return {0, 0, 3};
    if (k <= 18) return {0, 0, 5 * (k - 2)};
    if (k <= 34) return {0, 20 + 5 * (k - 19), 80 - 5 * (k - 19)};
    if (k <= 39) return {0, 100 + 5 * (k - 35), 0};
    if (k == 40) return {5, 125, 0};
    if (k == 41) return {10, 130, 0};
    if (k <= 48) return {20, 135 + 5 * (k - 42), 0};
    if (k == 49) return {40, 170, 0};
    if (k == 50) return {60, 175, 0};
    if (k == 51) return {70, 180, 0};
    if (k == 52) return {80, 185, 0};
    if (k <= 58) return {90 + 10 * (k - 53), 175 - 10 * (k - 53), 0};
    if (k == 59) return {150, 110, 0};
    if (k == 60) return {155, 105, 0};
    if (k <= 69) return {160 + 5 * (k - 61), 100, 0};
    if (k <= 72) return {205 + 5 * (k - 70), 105 + 5 * (k - 70), 0};
    if (k <= 79) return {210 - 10 * (k - 73), 120 + 5 * (k - 73), 0};
    if (k <= 88) {
        const int v = 155 + 5 * (k - 80);
        return {v, v, 0};
    }
    if (k <= 98) {
        const int v = 200 + 5 * (k - 89);
        return {v, v, 50 + 10 * (k - 89)};
    }
    if (k <= 111) {
        const int v = 180 + 5 * (k - 99);
        return {v, v, v};
    }
    if (k <= 114) return {240, 240, 240};
    if (k <= 118) return {160, 0, 0};
    return {0, 0, 0};
}

namespace {

std::uint8_t cap(double v) {
    const auto t = static_cast<long long>(v);  // toward zero
    return static_cast<std::uint8_t>(std::clamp<long long>(t, 0, 255));
}

using AllTables = std::array<ColourTable, kColourTableCount>;

AllTables buildTables() {
    AllTables tables{};
    for (int k = 0; k < kColourLevels; ++k) {
        const auto [r, g, b] = baseLevelColour(k);
        const std::uint8_t l = cap(2.5 * k);
        const std::uint8_t rev = cap(1.8 * (118 - k));
        const double a = k * 0.5 * kSevenDecimalPi / 118;
        const std::uint8_t u = cap(255 * std::sin(a) * 1.2);
        const std::uint8_t v = cap((255 - 255 * std::cos(a)) * 1.2);
        const auto i = static_cast<std::size_t>(k);
        tables[0][i] = {cap(1.5 * r), cap(1.5 * g), cap(1.5 * b)};
        tables[1][i] = {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                        static_cast<std::uint8_t>(b)};
        tables[2][i] = {0, l, 0};
        tables[3][i] = {l, l, l};
        tables[4][i] = {rev, rev, rev};
        tables[5][i] = {u, v, 0};
        tables[6][i] = {0, u, v};
        tables[7][i] = {v, u, 0};
        tables[8][i] = {0, v, u};
    }
    return tables;
}

}  // namespace

const ColourTable& colourTable(int t) {
    static const AllTables tables = buildTables();
    return tables[static_cast<std::size_t>(std::clamp(t, 0, kColourTableCount - 1))];
}

namespace {
constexpr std::size_t kImageBytes = static_cast<std::size_t>(kSonarImageSize) * kSonarImageSize;
}  // namespace

CSonarBitmap::CSonarBitmap() {
    selectColourTable(0);
}

std::uint8_t* CSonarBitmap::pixels() {
    if (pixels_.empty()) pixels_.assign(kImageBytes, 0);
    clean_ = false;
    return pixels_.data();
}

const std::uint8_t* CSonarBitmap::pixels() const {
    static const std::array<std::uint8_t, kImageBytes> blank{};
    return pixels_.empty() ? blank.data() : pixels_.data();
}

void CSonarBitmap::clear() {
    if (clean_) return;
    std::fill(pixels_.begin(), pixels_.end(), std::uint8_t{0});
    clean_ = true;
}

void CSonarBitmap::selectColourTable(int t) {
    tableIndex_ = std::clamp(t, 0, kColourTableCount - 1);
    const ColourTable& table = colourTable(tableIndex_);
    for (std::size_t i = 0; i < palette_.size(); ++i) palette_[i] = argbOf(table[i]);
    for (int y = 0; y < kColourBarHeight; ++y) {
        const std::uint32_t c = palette_[static_cast<std::size_t>(kColourBarHeight - 1 - y)];
        const auto row = colourBar_.begin() + y * kColourBarWidth;
        std::fill(row, row + kColourBarWidth, c);
    }
}

}  // namespace sondrel

// The palette of a GIF screen picture: a full HD window whose colours fit a
// palette (the sonar view, menus in a plain face), and one with far more
// (smoothed text, a photograph on the desktop behind) that needs median cut.
// Goal: under 200 ms for either, so Save Screen answers at once.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "display/PicturePalette.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// A dark background with a grid, a ring of points and text in a few colours.
std::vector<std::uint32_t> fewColours() {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kWidth) * kHeight, 0xFF000000u);
    std::mt19937 rng(7);
    const std::uint32_t inks[] = {0x783200u, 0x009696u, 0xDCDCDCu, 0xC8C800u, 0xFF9600u};
    for (std::size_t i = 0; i < pixels.size(); ++i)
        if (rng() % 10 == 0) pixels[i] = 0xFF000000u | inks[rng() % 5];
    return pixels;
}

// Every pixel a colour of its own neighbourhood: a smooth gradient with noise.
std::vector<std::uint32_t> manyColours() {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kWidth) * kHeight);
    std::mt19937 rng(11);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const std::uint32_t r = (x * 255 / kWidth + rng() % 16) & 0xFF;
            const std::uint32_t g = (y * 255 / kHeight + rng() % 16) & 0xFF;
            const std::uint32_t b = ((x + y) % 256 + rng() % 16) & 0xFF;
            pixels[static_cast<std::size_t>(y) * kWidth + x] = 0xFF000000u | r << 16 | g << 8 | b;
        }
    return pixels;
}

void BM_PaletteFewColours(benchmark::State& state) {
    const std::vector<std::uint32_t> pixels = fewColours();
    for (auto _ : state) benchmark::DoNotOptimize(sondrel::palettePicture(pixels));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(pixels.size()));
}
BENCHMARK(BM_PaletteFewColours)->Unit(benchmark::kMillisecond);

void BM_PaletteManyColours(benchmark::State& state) {
    const std::vector<std::uint32_t> pixels = manyColours();
    for (auto _ : state) benchmark::DoNotOptimize(sondrel::palettePicture(pixels));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(pixels.size()));
}
BENCHMARK(BM_PaletteManyColours)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

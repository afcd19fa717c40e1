#include "display/PicturePalette.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace sondrel {

namespace {

constexpr std::uint32_t kRgbMask = 0x00FFFFFF;

// Median cut works on colour cells of 5 bits a channel: a screen picture can
// hold millions of colours, but never more than 32768 cells, and each cell's
// own colours are averaged exactly.
constexpr int kCellBits = 5;
constexpr std::size_t kCellCount = std::size_t{1} << (3 * kCellBits);

std::uint32_t cellOf(std::uint32_t colour) {
    return ((colour >> 9) & 0x7C00) | ((colour >> 6) & 0x03E0) | ((colour >> 3) & 0x001F);
}

struct Cell {
    std::uint32_t key = 0;
    std::uint64_t pixels = 0;
    std::array<std::uint64_t, 3> sum{};  // red, green, blue
};

int cellChannel(const Cell& cell, int c) {
    return static_cast<int>((cell.key >> (2 * kCellBits - kCellBits * c)) & 0x1F);
}

// A run of the cell list: the cells one palette entry stands for.
struct Box {
    std::size_t begin = 0, end = 0;
    int widestChannel = 0;
    int range = 0;  // of the widest channel
    std::uint64_t pixels = 0;
};

void measure(Box& box, const std::vector<Cell>& cells) {
    std::array<int, 3> low{31, 31, 31}, high{0, 0, 0};
    box.pixels = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
        for (int c = 0; c < 3; ++c) {
            low[c] = std::min(low[c], cellChannel(cells[i], c));
            high[c] = std::max(high[c], cellChannel(cells[i], c));
        }
        box.pixels += cells[i].pixels;
    }
    box.range = -1;
    for (int c = 0; c < 3; ++c) {
        if (high[c] - low[c] > box.range) {
            box.range = high[c] - low[c];
            box.widestChannel = c;
        }
    }
}

// Splits at the median pixel along the widest channel; both halves keep at
// least one cell.
std::pair<Box, Box> split(const Box& box, std::vector<Cell>& cells) {
    const int c = box.widestChannel;
    const auto first = cells.begin() + static_cast<std::ptrdiff_t>(box.begin);
    const auto last = cells.begin() + static_cast<std::ptrdiff_t>(box.end);
    std::sort(first, last,
              [c](const Cell& a, const Cell& b) { return cellChannel(a, c) < cellChannel(b, c); });
    std::uint64_t seen = 0;
    std::size_t cut = box.begin + 1;
    for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
        seen += cells[i].pixels;
        cut = i + 1;
        if (seen * 2 >= box.pixels) break;
    }
    Box lower{box.begin, cut}, upper{cut, box.end};
    measure(lower, cells);
    measure(upper, cells);
    return {lower, upper};
}

std::uint32_t meanColour(const Box& box, const std::vector<Cell>& cells) {
    std::array<std::uint64_t, 3> sum{};
    for (std::size_t i = box.begin; i < box.end; ++i)
        for (int c = 0; c < 3; ++c) sum[c] += cells[i].sum[c];
    std::uint32_t mean = 0;
    for (int c = 0; c < 3; ++c) {
        const auto value = static_cast<std::uint32_t>((sum[c] + box.pixels / 2) / box.pixels);
        mean |= std::min<std::uint32_t>(value, 255) << (16 - 8 * c);
    }
    return mean;
}

// The picture's colours when there are few enough of them; empty otherwise.
std::vector<std::uint32_t> fewColours(std::span<const std::uint32_t> pixels) {
    std::unordered_map<std::uint32_t, bool> seen;
    std::uint32_t last = ~0u;
    for (const std::uint32_t p : pixels) {
        const std::uint32_t colour = p & kRgbMask;
        if (colour == last) continue;
        last = colour;
        if (seen.emplace(colour, true).second && seen.size() > kMaxPaletteColours) return {};
    }
    std::vector<std::uint32_t> colours;
    for (const auto& entry : seen) colours.push_back(entry.first);
    // The same picture always gives the same file.
    std::ranges::sort(colours);
    return colours;
}

PalettedPicture exactPicture(std::span<const std::uint32_t> pixels,
                             std::vector<std::uint32_t> colours) {
    PalettedPicture out;
    out.exact = true;
    std::unordered_map<std::uint32_t, std::uint8_t> indexOf;
    for (std::size_t i = 0; i < colours.size(); ++i)
        indexOf[colours[i]] = static_cast<std::uint8_t>(i);
    out.palette = std::move(colours);
    out.indices.reserve(pixels.size());
    std::uint32_t last = ~0u;
    std::uint8_t index = 0;
    for (const std::uint32_t p : pixels) {
        const std::uint32_t colour = p & kRgbMask;
        if (colour != last) {
            last = colour;
            index = indexOf[colour];
        }
        out.indices.push_back(index);
    }
    return out;
}

PalettedPicture medianCutPicture(std::span<const std::uint32_t> pixels) {
    std::vector<Cell> grid(kCellCount);
    for (const std::uint32_t p : pixels) {
        Cell& cell = grid[cellOf(p)];
        ++cell.pixels;
        cell.sum[0] += (p >> 16) & 0xFF;
        cell.sum[1] += (p >> 8) & 0xFF;
        cell.sum[2] += p & 0xFF;
    }
    std::vector<Cell> cells;
    for (std::uint32_t key = 0; key < kCellCount; ++key) {
        if (grid[key].pixels == 0) continue;
        grid[key].key = key;
        cells.push_back(grid[key]);
    }

    std::vector<Box> boxes(1, Box{0, cells.size()});
    measure(boxes[0], cells);
    while (boxes.size() < kMaxPaletteColours) {
        // The box with the widest spread of colour goes next; a box of one
        // cell cannot be split.
        auto widest = std::ranges::max_element(boxes, [](const Box& a, const Box& b) {
            return a.range != b.range ? a.range < b.range : a.pixels < b.pixels;
        });
        if (widest->end - widest->begin < 2) break;
        const auto [lower, upper] = split(*widest, cells);
        *widest = lower;
        boxes.push_back(upper);
    }

    PalettedPicture out;
    std::vector<std::uint8_t> indexOfCell(kCellCount, 0);
    for (const Box& box : boxes) {
        const auto index = static_cast<std::uint8_t>(out.palette.size());
        out.palette.push_back(meanColour(box, cells));
        for (std::size_t i = box.begin; i < box.end; ++i) indexOfCell[cells[i].key] = index;
    }
    out.indices.reserve(pixels.size());
    for (const std::uint32_t p : pixels) out.indices.push_back(indexOfCell[cellOf(p)]);
    return out;
}

}  // namespace

PalettedPicture palettePicture(std::span<const std::uint32_t> pixels) {
    std::vector<std::uint32_t> colours = fewColours(pixels);
    if (!colours.empty() || pixels.empty()) return exactPicture(pixels, std::move(colours));
    return medianCutPicture(pixels);
}

}  // namespace sondrel

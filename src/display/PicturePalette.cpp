#include "display/PicturePalette.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace sondrel {

namespace {

constexpr std::uint32_t kRgbMask = 0x00FFFFFF;

struct ColourCount {
    std::uint32_t colour;
    std::uint64_t count;
};

int channel(std::uint32_t colour, int c) {
    return static_cast<int>((colour >> (16 - 8 * c)) & 0xFF);
}

// A run of the colour list: the colours one palette entry stands for.
struct Box {
    std::size_t begin = 0, end = 0;
    int widestChannel = 0;
    int range = 0;  // of the widest channel
    std::uint64_t pixels = 0;
};

void measure(Box& box, const std::vector<ColourCount>& colours) {
    std::array<int, 3> low{255, 255, 255}, high{0, 0, 0};
    box.pixels = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
        for (int c = 0; c < 3; ++c) {
            low[c] = std::min(low[c], channel(colours[i].colour, c));
            high[c] = std::max(high[c], channel(colours[i].colour, c));
        }
        box.pixels += colours[i].count;
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
// least one colour.
std::pair<Box, Box> split(const Box& box, std::vector<ColourCount>& colours) {
    const int c = box.widestChannel;
    const auto first = colours.begin() + static_cast<std::ptrdiff_t>(box.begin);
    const auto last = colours.begin() + static_cast<std::ptrdiff_t>(box.end);
    std::sort(first, last, [c](const ColourCount& a, const ColourCount& b) {
        return channel(a.colour, c) < channel(b.colour, c);
    });
    std::uint64_t seen = 0;
    std::size_t cut = box.begin + 1;
    for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
        seen += colours[i].count;
        cut = i + 1;
        if (seen * 2 >= box.pixels) break;
    }
    Box lower{box.begin, cut}, upper{cut, box.end};
    measure(lower, colours);
    measure(upper, colours);
    return {lower, upper};
}

std::uint32_t meanColour(const Box& box, const std::vector<ColourCount>& colours) {
    std::array<std::uint64_t, 3> sum{};
    for (std::size_t i = box.begin; i < box.end; ++i)
        for (int c = 0; c < 3; ++c)
            sum[c] += static_cast<std::uint64_t>(channel(colours[i].colour, c)) * colours[i].count;
    std::uint32_t mean = 0;
    for (int c = 0; c < 3; ++c) {
        const auto value = static_cast<std::uint32_t>((sum[c] + box.pixels / 2) / box.pixels);
        mean |= std::min<std::uint32_t>(value, 255) << (16 - 8 * c);
    }
    return mean;
}

}  // namespace

PalettedPicture palettePicture(std::span<const std::uint32_t> pixels) {
    PalettedPicture out;
    std::unordered_map<std::uint32_t, std::uint64_t> histogram;
    for (const std::uint32_t p : pixels) ++histogram[p & kRgbMask];
    std::vector<ColourCount> colours;
    colours.reserve(histogram.size());
    for (const auto& [colour, count] : histogram) colours.push_back({colour, count});
    // The same picture always gives the same file.
    std::ranges::sort(colours, {}, &ColourCount::colour);

    std::unordered_map<std::uint32_t, std::uint8_t> indexOf;
    indexOf.reserve(colours.size());
    if (colours.size() <= kMaxPaletteColours) {
        out.exact = true;
        for (const ColourCount& c : colours) {
            indexOf[c.colour] = static_cast<std::uint8_t>(out.palette.size());
            out.palette.push_back(c.colour);
        }
    } else {
        std::vector<Box> boxes(1, Box{0, colours.size()});
        measure(boxes[0], colours);
        while (boxes.size() < kMaxPaletteColours) {
            // The box with the widest spread of colour goes next; a box of one
            // colour cannot be split.
            auto widest = std::ranges::max_element(boxes, [](const Box& a, const Box& b) {
                return a.range != b.range ? a.range < b.range : a.pixels < b.pixels;
            });
            if (widest->end - widest->begin < 2) break;
            const auto [lower, upper] = split(*widest, colours);
            *widest = lower;
            boxes.push_back(upper);
        }
        for (const Box& box : boxes) {
            const auto index = static_cast<std::uint8_t>(out.palette.size());
            out.palette.push_back(meanColour(box, colours));
            for (std::size_t i = box.begin; i < box.end; ++i) indexOf[colours[i].colour] = index;
        }
    }
    out.indices.reserve(pixels.size());
    for (const std::uint32_t p : pixels) out.indices.push_back(indexOf[p & kRgbMask]);
    return out;
}

}  // namespace sondrel

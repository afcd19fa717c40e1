#include "pipeview/WallMap.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sondrel {

WallMap::WallMap(WallMapSettings settings)
    : settings_{settings.binMetres > 0 ? settings.binMetres : 0.05, std::max(settings.rows, 4)},
      cells_(settings_.binMetres, static_cast<std::size_t>(settings_.rows), kMaxWallMapColumns),
      places_(settings_.binMetres, 1, kMaxWallMapColumns) {}

void WallMap::clear() {
    cells_.clear();
    places_.clear();
}

double WallMap::startChainage() const {
    return static_cast<double>(cells_.firstBin()) * settings_.binMetres;
}

double WallMap::endChainage() const {
    return static_cast<double>(cells_.endBin()) * settings_.binMetres;
}

int WallMap::rowOf(double clockDegrees) const {
    double c = std::fmod(clockDegrees, 360.0);
    if (c < 0) c += 360.0;
    return std::min(static_cast<int>(c * settings_.rows / 360.0), settings_.rows - 1);
}

double WallMap::clockDegreesOfRow(int row) const {
    return (row + 0.5) * 360.0 / settings_.rows;
}

WallCell WallMap::stateOf(const Cell& c) {
    if (c.sedimentPings > c.wallPings) return {CellState::Sediment, kNoValue};
    if (c.wallPings == 0) return {};
    return {CellState::Wall, c.meanMm};
}

WallCell WallMap::cellAt(std::int64_t bin, int row) const {
    const Cell* column = cells_.find(bin);
    if (!column || row < 0 || row >= settings_.rows) return {};
    return stateOf(column[row]);
}

WallCell WallMap::cell(double chainage, double clockDegrees) const {
    if (!std::isfinite(chainage)) return {};
    return cellAt(cells_.binOf(chainage), rowOf(clockDegrees));
}

std::optional<std::int64_t> WallMap::recordAt(double chainage) const {
    if (!std::isfinite(chainage)) return {};
    const Place* place = places_.find(places_.binOf(chainage));
    if (!place || place->record < 0) return {};
    return place->record;
}

bool WallMap::append(const PipeSlice& slice) {
    if (!slice.placed() || !slice.kept) return false;
    Cell* column = cells_.column(slice.chainage);
    Place* place = places_.column(slice.chainage);
    if (!column || !place) return false;
    const double middle =
        (static_cast<double>(cells_.binOf(slice.chainage)) + 0.5) * settings_.binMetres;
    const double offset = std::fabs(slice.chainage - middle);
    if (place->record < 0 || offset < place->offset) *place = {slice.record, offset};
    if (!slice.measured) return true;

    // The ping's departures sorted into rows (a counting sort), the points of
    // rows under the sediment floor left out.
    const int rows = settings_.rows;
    rowStart_.assign(static_cast<std::size_t>(rows) + 1, 0);
    rowOfPoint_.resize(slice.points.size());
    std::vector<std::uint8_t>& underSediment = underSediment_;
    underSediment.assign(static_cast<std::size_t>(rows), 0);
    if (slice.sedimentLevel) {
        for (int r = 0; r < rows; ++r) {
            underSediment[static_cast<std::size_t>(r)] =
                slice.underSediment(clockDegreesOfRow(r)) ? 1 : 0;
        }
    }
    for (std::size_t i = 0; i < slice.points.size(); ++i) {
        const SlicePoint& p = slice.points[i];
        const int r = rowOf(slice.clockDegreesOf(p.x, p.y));
        rowOfPoint_[i] = underSediment[static_cast<std::size_t>(r)] ? -1 : r;
        if (rowOfPoint_[i] >= 0) ++rowStart_[static_cast<std::size_t>(r) + 1];
    }
    for (int r = 0; r < rows; ++r) {
        rowStart_[static_cast<std::size_t>(r) + 1] += rowStart_[static_cast<std::size_t>(r)];
    }
    rowFill_.assign(rowStart_.begin(), rowStart_.end() - 1);
    sorted_.resize(static_cast<std::size_t>(rowStart_.back()));
    for (std::size_t i = 0; i < slice.points.size(); ++i) {
        if (rowOfPoint_[i] < 0) continue;
        const SlicePoint& p = slice.points[i];
        sorted_[static_cast<std::size_t>(rowFill_[static_cast<std::size_t>(rowOfPoint_[i])]++)] =
            static_cast<float>(1000.0 * slice.departureOf(p.x, p.y));
    }
    for (int r = 0; r < rows; ++r) {
        Cell& c = column[r];
        if (underSediment[static_cast<std::size_t>(r)]) {
            if (c.sedimentPings < std::numeric_limits<std::uint16_t>::max()) ++c.sedimentPings;
            continue;
        }
        const auto begin = sorted_.begin() + rowStart_[static_cast<std::size_t>(r)];
        const auto end = sorted_.begin() + rowStart_[static_cast<std::size_t>(r) + 1];
        if (begin == end) continue;
        const auto mid = begin + (end - begin) / 2;
        std::nth_element(begin, mid, end);
        float median = *mid;
        if ((end - begin) % 2 == 0) median = 0.5f * (median + *std::max_element(begin, mid));
        if (c.wallPings == std::numeric_limits<std::uint16_t>::max()) continue;
        ++c.wallPings;
        c.meanMm += (median - c.meanMm) / static_cast<float>(c.wallPings);
    }
    return true;
}

void WallMap::render(double from, double to, const DepartureScale& scale, RgbImage& image) const {
    const int width = image.width, height = image.height;
    if (width <= 0 || height <= 0) return;
    const int rows = settings_.rows;
    // Each pixel column's colour per row first, then the picture row by row.
    std::vector<Rgb> columns(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows));
    std::vector<float> worst(static_cast<std::size_t>(rows));
    std::vector<std::uint8_t> state(static_cast<std::size_t>(rows));
    const double perPixel = (to - from) / width;
    // Whether a ping was placed in the pixel column's bins.
    std::vector<std::uint8_t> pinged(static_cast<std::size_t>(width), 0);
    for (int x = 0; x < width; ++x) {
        const double left = from + x * perPixel;
        std::int64_t b0 = cells_.binOf(left + (perPixel < settings_.binMetres ? perPixel / 2 : 0));
        std::int64_t b1 = std::max(cells_.binOf(left + perPixel), b0 + 1);
        if (perPixel < settings_.binMetres) b1 = b0 + 1;
        b0 = std::max(b0, cells_.firstBin());
        b1 = std::min(b1, cells_.endBin());
        std::fill(worst.begin(), worst.end(), 0.0f);
        std::fill(state.begin(), state.end(), static_cast<std::uint8_t>(CellState::NoEcho));
        for (std::int64_t b = b0; b < b1; ++b) {
            if (const Place* place = places_.find(b); place && place->record >= 0)
                pinged[static_cast<std::size_t>(x)] = 1;
            const Cell* column = cells_.find(b);
            for (int r = 0; r < rows; ++r) {
                const Cell& c = column[r];
                std::uint8_t& s = state[static_cast<std::size_t>(r)];
                if (c.sedimentPings > c.wallPings) {
                    if (s == static_cast<std::uint8_t>(CellState::NoEcho)) {
                        s = static_cast<std::uint8_t>(CellState::Sediment);
                    }
                } else if (c.wallPings > 0) {
                    float& w = worst[static_cast<std::size_t>(r)];
                    if (s != static_cast<std::uint8_t>(CellState::Wall) ||
                        std::fabs(c.meanMm) > std::fabs(w)) {
                        w = c.meanMm;
                    }
                    s = static_cast<std::uint8_t>(CellState::Wall);
                }
            }
        }
        Rgb* out = &columns[static_cast<std::size_t>(x) * static_cast<std::size_t>(rows)];
        for (int r = 0; r < rows; ++r) {
            switch (static_cast<CellState>(state[static_cast<std::size_t>(r)])) {
                case CellState::Wall:
                    out[r] = scale.colourOf(worst[static_cast<std::size_t>(r)]);
                    break;
                case CellState::Sediment:
                    out[r] = kSedimentColour;
                    break;
                case CellState::NoEcho:
                    out[r] = kNoEchoColour;
                    break;
            }
        }
    }
    // Short stretches between pinged columns take the colours of the one before.
    const int bridge = static_cast<int>(kPlaceBridgeMetres / perPixel);
    for (int x = 0, last = -1; x < width; ++x) {
        if (pinged[static_cast<std::size_t>(x)]) {
            if (last >= 0 && x - last > 1 && x - last - 1 <= bridge) {
                const Rgb* before = &columns[static_cast<std::size_t>(last) * rows];
                for (int gap = last + 1; gap < x; ++gap)
                    std::copy(before, before + rows,
                              &columns[static_cast<std::size_t>(gap) * rows]);
            }
            last = x;
        }
    }
    for (int y = 0; y < height; ++y) {
        const int r =
            std::min(static_cast<int>(static_cast<std::int64_t>(y) * rows / height), rows - 1);
        std::uint8_t* p =
            &image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3];
        for (int x = 0; x < width; ++x) {
            const Rgb c = columns[static_cast<std::size_t>(x) * static_cast<std::size_t>(rows) +
                                  static_cast<std::size_t>(r)];
            *p++ = c.r;
            *p++ = c.g;
            *p++ = c.b;
        }
    }
}

}  // namespace sondrel

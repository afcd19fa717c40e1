#include "pipeview/TubeModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sondrel {

TubeModel::TubeModel(TubeSettings settings) : settings_(settings) {
    settings_.ringPoints = std::clamp(settings_.ringPoints, 8, 1024);
    settings_.levels = std::clamp(settings_.levels, 1, 24);
    if (!(settings_.binMetres > 0)) settings_.binMetres = 0.05;
    const auto stride = static_cast<std::size_t>(kPoints + 2 * settings_.ringPoints);
    for (int k = 0; k < settings_.levels; ++k) {
        levels_.emplace_back(binMetres(k), stride, kMaxTubeColumns);
    }
    sectors_.resize(static_cast<std::size_t>(settings_.ringPoints));
}

double TubeModel::binMetres(int level) const {
    return std::ldexp(settings_.binMetres, level);
}

void TubeModel::clear() {
    for (auto& level : levels_) level.clear();
}

std::size_t TubeModel::memoryBytes() const {
    std::size_t bytes = 0;
    for (const auto& level : levels_) bytes += level.memoryBytes();
    return bytes;
}

// Each sector's median departure, sectors without points filled from their
// nearest neighbours on either side around the ring.
void TubeModel::resample(const PipeSlice& slice) {
    const int m = settings_.ringPoints;
    for (auto& s : sectors_) s.clear();
    for (const SlicePoint& p : slice.points) {
        const double clock = slice.clockDegreesOf(p.x, p.y);
        const int j = std::min(static_cast<int>(clock * m / 360.0), m - 1);
        sectors_[static_cast<std::size_t>(j)].push_back(
            static_cast<float>(slice.departureOf(p.x, p.y)));
    }
    departures_.assign(static_cast<std::size_t>(m), 0.0f);
    sediment_.assign(static_cast<std::size_t>(m), 0.0f);
    std::vector<int> filled;
    for (int j = 0; j < m; ++j) {
        auto& s = sectors_[static_cast<std::size_t>(j)];
        const double clock = (j + 0.5) * 360.0 / m;
        sediment_[static_cast<std::size_t>(j)] = slice.underSediment(clock) ? 1.0f : 0.0f;
        if (s.empty()) continue;
        const auto mid = s.begin() + static_cast<std::ptrdiff_t>(s.size() / 2);
        std::nth_element(s.begin(), mid, s.end());
        departures_[static_cast<std::size_t>(j)] = *mid;
        filled.push_back(j);
    }
    if (filled.empty()) return;
    for (std::size_t f = 0; f < filled.size(); ++f) {
        const int a = filled[f], b = filled[(f + 1) % filled.size()];
        const int gap = (b - a + m) % m == 0 ? m : (b - a + m) % m;
        const float va = departures_[static_cast<std::size_t>(a)];
        const float vb = departures_[static_cast<std::size_t>(b)];
        for (int k = 1; k < gap; ++k) {
            departures_[static_cast<std::size_t>((a + k) % m)] =
                va + (vb - va) * static_cast<float>(k) / static_cast<float>(gap);
        }
    }
}

bool TubeModel::append(const PipeSlice& slice) {
    if (!slice.placed() || !slice.kept || !slice.measured || slice.points.empty()) return false;
    resample(slice);
    const int m = settings_.ringPoints;
    bool any = false;
    for (auto& level : levels_) {
        float* ring = level.column(slice.chainage);
        if (!ring) continue;
        any = true;
        const double start = static_cast<double>(level.binOf(slice.chainage)) * level.binMetres();
        const float n = ring[kPings] + 1.0f;
        const auto mean = [n](float& into, double value) {
            into += (static_cast<float>(value) - into) / n;
        };
        ring[kPings] = n;
        mean(ring[kChainage], slice.chainage - start);
        mean(ring[kCentreX], slice.centreX);
        mean(ring[kCentreY], slice.centreY);
        mean(ring[kRadius], slice.radius);
        for (int j = 0; j < m; ++j) {
            mean(ring[kPoints + j], departures_[static_cast<std::size_t>(j)]);
            mean(ring[kPoints + m + j], sediment_[static_cast<std::size_t>(j)]);
        }
    }
    return any;
}

int TubeModel::levelFor(double from, double to, std::int64_t maxRings) const {
    for (int k = 0; k < levels(); ++k) {
        const double bins = std::floor(std::max(from, to) / binMetres(k)) -
                            std::floor(std::min(from, to) / binMetres(k)) + 1;
        if (bins <= static_cast<double>(maxRings)) return k;
    }
    return levels() - 1;
}

TubeMesh TubeModel::mesh(double from, double to, int level, const DepartureScale& scale) const {
    TubeMesh mesh;
    mesh.originChainage = from;
    const int m = settings_.ringPoints;
    mesh.ringPoints = m;
    if (level < 0 || level >= levels() || !(to >= from)) return mesh;
    const BinnedColumns<float>& rings = levels_[static_cast<std::size_t>(level)];
    if (rings.empty()) return mesh;
    std::vector<double> sinC(static_cast<std::size_t>(m)), cosC(static_cast<std::size_t>(m));
    for (int j = 0; j < m; ++j) {
        const double c = (j + 0.5) * 2 * std::numbers::pi / m;
        sinC[static_cast<std::size_t>(j)] = std::sin(c);
        cosC[static_cast<std::size_t>(j)] = std::cos(c);
    }
    const std::int64_t first = std::max(rings.binOf(from), rings.firstBin());
    const std::int64_t last = std::min(rings.binOf(to), rings.endBin() - 1);
    std::int64_t previousBin = first - 2;
    // Rings a short stretch without a ping apart are joined across it.
    const std::int64_t bridgeBins =
        static_cast<std::int64_t>(std::floor(kPlaceBridgeMetres / rings.binMetres() + 1e-9)) + 1;
    for (std::int64_t b = first; b <= last; ++b) {
        const float* ring = rings.find(b);
        if (!ring || ring[kPings] <= 0) continue;
        const auto index = static_cast<std::uint32_t>(mesh.rings());
        const double chainage = static_cast<double>(b) * rings.binMetres() + ring[kChainage];
        mesh.ringChainages.push_back(chainage);
        const auto z = static_cast<float>(chainage - from);
        for (int j = 0; j < m; ++j) {
            const float departure = ring[kPoints + j];
            const double r = ring[kRadius] + departure;
            mesh.positions.push_back(
                static_cast<float>(ring[kCentreX] + r * sinC[static_cast<std::size_t>(j)]));
            mesh.positions.push_back(
                static_cast<float>(ring[kCentreY] + r * cosC[static_cast<std::size_t>(j)]));
            mesh.positions.push_back(z);
            mesh.colours.push_back(ring[kPoints + m + j] > 0.5f
                                       ? kSedimentColour
                                       : scale.colourOf(1000.0 * departure));
        }
        if (index > 0 && b - previousBin <= bridgeBins) {
            const std::uint32_t a0 = (index - 1) * static_cast<std::uint32_t>(m);
            const std::uint32_t b0 = index * static_cast<std::uint32_t>(m);
            for (int j = 0; j < m; ++j) {
                const auto j1 = static_cast<std::uint32_t>((j + 1) % m);
                const auto j0 = static_cast<std::uint32_t>(j);
                mesh.indices.insert(mesh.indices.end(),
                                    {a0 + j0, b0 + j0, a0 + j1, a0 + j1, b0 + j0, b0 + j1});
            }
        }
        previousBin = b;
    }
    return mesh;
}

}  // namespace sondrel

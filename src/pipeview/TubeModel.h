#pragma once
// The pipe as a surface for a 3D view: a ring of a fixed number of points per
// chainage bin, made from the profiles that fall in it (each resampled about
// its centre into equal clock sectors, so that rings connect point to point),
// joined ring to ring into triangles and coloured by the wall map's scale.
//
// Level of detail: the rings are kept at several levels at once, level k one
// ring per 2^k bins (the mean of the profiles in it), all updated as each
// profile is appended. A view asks for the mesh of a chainage window at the
// level that keeps it under a number of rings (levelFor), so a long stretch
// far from the camera costs as few triangles as a short one near it. Memory:
// a ring takes 4 x (5 + 2 x ringPoints) bytes; the levels together hold at
// most twice the rings of level 0, and each level's store keeps room for at
// most as many again, so at most 4 x level 0: 64 points in 5 cm bins over
// 1.5 km take 16 MB at level 0 and at most 64 MB in all. A mesh holds
// rings x ringPoints vertices (12 bytes and a colour each) and 6 indices a
// vertex.

#include <cstdint>
#include <vector>

#include "common/Colour.h"
#include "pipeview/BinnedColumns.h"
#include "pipeview/DepartureScale.h"
#include "pipeview/PipeSlice.h"

namespace sondrel {

// A bin further than this from the others (a damaged distance) is refused.
inline constexpr std::int64_t kMaxTubeColumns = 400000;

struct TubeSettings {
    int ringPoints = 64;
    double binMetres = 0.05;  // level 0
    int levels = 12;          // level 11: one ring per 102.4 m
};

struct TubeMesh {
    // Vertices lie about the pipe's axis in metres, z along the chainage from
    // `originChainage` (the window's start), so single precision holds 0.1 mm.
    double originChainage = 0.0;
    int ringPoints = 0;
    std::vector<double> ringChainages;
    std::vector<float> positions;        // x, y, z a vertex; ring after ring, clockwise from 12
    std::vector<Rgb> colours;            // a vertex each
    std::vector<std::uint32_t> indices;  // triangles, wound anticlockwise seen from outside
    std::size_t rings() const { return ringChainages.size(); }
};

class TubeModel {
  public:
    explicit TubeModel(TubeSettings settings = {});

    // Adds a measured, placed, kept slice; false for any other.
    bool append(const PipeSlice& slice);
    void clear();

    const TubeSettings& settings() const { return settings_; }
    int levels() const { return static_cast<int>(levels_.size()); }
    double binMetres(int level) const;
    // The finest level whose mesh of [from, to] has at most `maxRings` rings.
    int levelFor(double from, double to, std::int64_t maxRings) const;
    // The rings of [from, to] at `level`, consecutive bins joined; a bin no
    // profile reached leaves a gap in the tube.
    TubeMesh mesh(double from, double to, int level, const DepartureScale& scale) const;
    std::size_t memoryBytes() const;

  private:
    // A ring's floats: profiles, chainage within its bin, centre x and y,
    // radius, then a departure and a share of sediment per point.
    enum Field { kPings, kChainage, kCentreX, kCentreY, kRadius, kPoints };
    void resample(const PipeSlice& slice);

    TubeSettings settings_;
    std::vector<BinnedColumns<float>> levels_;
    std::vector<float> departures_, sediment_;
    std::vector<std::vector<float>> sectors_;
};

}  // namespace sondrel

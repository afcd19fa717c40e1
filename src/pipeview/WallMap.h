#pragma once
// The wall of the pipe unrolled: one column per chainage bin, one row per
// clock sector (row 0 starts at 12 o'clock, the rows run clockwise as the
// profile is drawn, 3 o'clock a quarter of the way down, 6 half way, 9 three
// quarters, 12 again at the bottom edge), each cell the wall's departure from
// the nominal radius in millimetres, or sediment, or no echo.
//
// A cell's value: within one ping, the median departure of its points in the
// row (a lone debris or multipath echo among three or four wall points does
// not move it); across the pings in the bin, the mean of those medians, each
// ping weighing the same. The mean keeps a cell at 8 bytes and an append at a
// few operations a point, where a median across pings would hold every value.
// A ping marks a row sediment where the wall in that direction lies under the
// sediment floor the geometry found; the cell is sediment when more pings
// marked it so than gave it a wall value. A cell no ping reached is no echo.
//
// Slices are appended as they come (live, or as a file plays); those without
// a chainage or not of the kept pass are left out. Memory: 8 bytes a cell and
// 16 a column: 120 rows over a 1.5 km survey in 5 cm bins take 29 MB, and the
// room kept for growth at most as much again. A column more than
// kMaxWallMapColumns from the others is refused.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pipeview/BinnedColumns.h"
#include "pipeview/DepartureScale.h"
#include "pipeview/PipeSlice.h"

namespace sondrel {

inline constexpr std::int64_t kMaxWallMapColumns = 400000;  // 20 km in 5 cm bins

struct WallMapSettings {
    double binMetres = 0.05;
    int rows = 120;  // 3 degrees, six minutes of the clock, each
};

enum class CellState : std::uint8_t { NoEcho, Wall, Sediment };

struct WallCell {
    CellState state = CellState::NoEcho;
    double departureMm = kNoValue;  // a number for Wall only
};

// A plain picture: 3 bytes a pixel, rows top to bottom.
struct RgbImage {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
    void resize(int w, int h) {
        width = w;
        height = h;
        pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
    }
    Rgb at(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                               static_cast<std::size_t>(x)) *
                              3;
        return {pixels[i], pixels[i + 1], pixels[i + 2]};
    }
};

class WallMap {
  public:
    explicit WallMap(WallMapSettings settings = {});

    // Adds a slice; false when it has no place on the map.
    bool append(const PipeSlice& slice);
    void clear();

    const WallMapSettings& settings() const { return settings_; }
    bool empty() const { return cells_.empty(); }
    // The chainage the map spans: from the start of its first bin to the end of its last.
    double startChainage() const;
    double endChainage() const;
    std::int64_t columns() const { return cells_.columns(); }
    int rows() const { return settings_.rows; }
    int rowOf(double clockDegrees) const;
    // The middle of a row, degrees clockwise from 12 o'clock.
    double clockDegreesOfRow(int row) const;

    WallCell cell(double chainage, double clockDegrees) const;
    WallCell cellAt(std::int64_t bin, int row) const;
    std::int64_t binOf(double chainage) const { return cells_.binOf(chainage); }

    // The record whose chainage lies nearest the middle of the bin at
    // `chainage` (one ping covers every clock position), to play on a click.
    std::optional<std::int64_t> recordAt(double chainage) const;

    std::size_t memoryBytes() const { return cells_.memoryBytes() + places_.memoryBytes(); }

    // Paints the stretch [from, to) into `image` at the size it has: each
    // pixel column shows its bins' largest departure either way (a defect
    // never drops out when a long stretch is shown), sediment where no bin of
    // it has a wall value, no echo where nothing is. A stretch no ping was
    // placed in, up to kPlaceBridgeMetres long, is drawn as the ping before it.
    void render(double from, double to, const DepartureScale& scale, RgbImage& image) const;

  private:
    struct Cell {
        float meanMm = 0.0f;
        std::uint16_t wallPings = 0, sedimentPings = 0;
    };
    struct Place {
        std::int64_t record = -1;
        double offset = 0.0;  // from the middle of the bin
    };
    static WallCell stateOf(const Cell& c);

    WallMapSettings settings_;
    BinnedColumns<Cell> cells_;
    BinnedColumns<Place> places_;
    // One ping's departures sorted into rows.
    std::vector<int> rowStart_, rowFill_;
    std::vector<float> sorted_;
    std::vector<int> rowOfPoint_;
    std::vector<std::uint8_t> underSediment_;
};

}  // namespace sondrel

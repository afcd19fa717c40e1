#pragma once
// Where a record lies along the pipe, as the views of the pipe ask it: a
// chainage in metres (or none, and the record has no place), and whether the
// record belongs to the pass that is kept where the crawler went over the same
// stretch more than once. The views take it through this small interface so
// that a survey's own chainage (start chainage, direction, stops and reversals
// resolved) plugs in with one adapter; until then the distance reading of each
// record stands for its chainage and every record is kept.

#include <cstdint>
#include <optional>

namespace sondrel {

// The distance reading comes a few times a second, and the pings between two
// readings share one place though they were taken all along: the views bridge
// a stretch up to this long that no ping was placed in. A longer one is a gap.
inline constexpr double kPlaceBridgeMetres = 0.5;

struct RecordChainage {
    std::optional<double> metres;
    bool kept = true;
};

class ChainageSource {
  public:
    virtual ~ChainageSource() = default;
    // `record` counts the file's records from 1, invalid ones included (as
    // the geometry table numbers them); `distanceReading` is the record's
    // travelled distance in metres, NaN when it has none.
    virtual RecordChainage chainageOf(std::int64_t record, double distanceReading) const = 0;
};

// The distance reading as the chainage, every record kept.
class DistanceReadingChainage : public ChainageSource {
  public:
    RecordChainage chainageOf(std::int64_t record, double distanceReading) const override;
};

}  // namespace sondrel

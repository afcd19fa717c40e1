#include "pipeview/Chainage.h"

#include <cmath>

namespace sondrel {

RecordChainage DistanceReadingChainage::chainageOf(std::int64_t, double distanceReading) const {
    if (!std::isfinite(distanceReading)) return {std::nullopt, true};
    return {distanceReading, true};
}

}  // namespace sondrel

#pragma once
// A survey's chainage as the views of the pipe ask it: each record placed
// where the survey placed it (start chainage, direction, estimated from time
// where there are no distances), and kept only when the survey kept its pass.
// A record the survey does not hold (an invalid one, one past the end of an
// older survey) has no place.

#include <cstdint>
#include <vector>

#include "pipeview/Chainage.h"

namespace sondrel {

struct Survey;

class SurveyChainage : public ChainageSource {
  public:
    explicit SurveyChainage(const Survey& survey);
    RecordChainage chainageOf(std::int64_t record, double distanceReading) const override;
    std::size_t records() const { return places_.size(); }

  private:
    struct Place {
        std::int64_t record;
        float chainage;
        bool kept;
    };
    std::vector<Place> places_;  // by record
};

}  // namespace sondrel

#pragma once
// A survey's chainage as the views of the pipe ask it: each record placed
// where the survey placed it (start chainage, direction, estimated from time
// where there are no distances), and kept only when the survey kept its pass.
// A record the survey does not hold (an invalid one, one past the end of an
// older survey) has no place.

#include <cstdint>
#include <memory>
#include <vector>

#include "pipeview/Chainage.h"

namespace sondrel {

class CSondrelDoc;
class JobProgress;
struct Survey;
struct SurveyInputs;
class SurveyHeader;

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

// Live pings as the survey being recorded will place them: the distance
// reading from the header's start chainage, along or against the flow. Every
// record is kept, as no pass is known to follow yet.
class RecordingChainage : public ChainageSource {
  public:
    explicit RecordingChainage(const SurveyHeader& header);
    RecordChainage chainageOf(std::int64_t record, double distanceReading) const override;

  private:
    double start_, sign_;
};

// What a recording's views and cloud are placed by: the survey made from
// `inputs` where it places the records, else the distance readings (a
// recording without distances and without a stated speed). `doc` is the
// survey's, as analyseSurvey takes it. Null when `progress` was cancelled.
std::shared_ptr<const ChainageSource> placedBySurvey(CSondrelDoc& doc, const SurveyInputs& inputs,
                                                     JobProgress* progress = nullptr);

}  // namespace sondrel

#include "pipeview/SurveyChainage.h"

#include <algorithm>
#include <cmath>

#include "survey/Chainage.h"
#include "survey/Survey.h"
#include "survey/SurveyHeader.h"

namespace sondrel {

SurveyChainage::SurveyChainage(const Survey& survey) {
    places_.reserve(survey.pings.size());
    for (const SurveyPing& p : survey.pings) places_.push_back({p.record, p.chainage, p.kept()});
    // The survey holds its pings in file order, which is record order; a
    // copy sorted all the same costs nothing then.
    std::stable_sort(places_.begin(), places_.end(),
                     [](const Place& a, const Place& b) { return a.record < b.record; });
}

RecordChainage SurveyChainage::chainageOf(std::int64_t record, double) const {
    const auto it = std::lower_bound(places_.begin(), places_.end(), record,
                                     [](const Place& p, std::int64_t r) { return p.record < r; });
    if (it == places_.end() || it->record != record || std::isnan(it->chainage))
        return {std::nullopt, false};
    return {static_cast<double>(it->chainage), it->kept};
}

RecordingChainage::RecordingChainage(const SurveyHeader& header)
    : start_(header.startChainage), sign_(header.againstFlow() ? -1.0 : 1.0) {}

RecordChainage RecordingChainage::chainageOf(std::int64_t, double distanceReading) const {
    const double at = start_ + sign_ * distanceReading;
    // A damaged reading far beyond any pipe is no place at all.
    if (!std::isfinite(at) || std::abs(at) > kMostChainage) return {std::nullopt, true};
    return {at, true};
}

std::shared_ptr<const ChainageSource> placedBySurvey(CSondrelDoc& doc, const SurveyInputs& inputs,
                                                     JobProgress* progress) {
    const Survey survey = analyseSurvey(doc, inputs, progress);
    if (survey.cancelled) return nullptr;
    if (survey.hasChainage && !survey.pings.empty())
        return std::make_shared<SurveyChainage>(survey);
    return std::make_shared<DistanceReadingChainage>();
}

}  // namespace sondrel

// The views of the pipe placed by a survey's chainage: each record where the
// survey put it, a pass the survey did not keep left out, a record it does not
// hold without a place.

#include <gtest/gtest.h>

#include "pipeview/SurveyChainage.h"
#include "survey/Survey.h"

namespace sondrel {
namespace {

SurveyPing ping(std::int32_t record, float chainage, bool kept) {
    SurveyPing p;
    p.record = record;
    p.chainage = chainage;
    p.flags = kept ? SurveyPing::kKept : 0;
    return p;
}

TEST(SurveyChainage, PlacesEachRecordAsTheSurveyDid) {
    Survey survey;
    // Against the flow from 20 m: the chainage falls as the distance rises;
    // record 3 was invalid, record 5 a pass backed over.
    survey.pings = {ping(1, 20.0f, true), ping(2, 19.75f, true), ping(4, 19.5f, true),
                    ping(5, 19.75f, false), ping(6, SurveyPing::kNone, true)};
    const SurveyChainage chainage(survey);
    struct Case {
        std::int64_t record;
        std::optional<double> metres;
        bool kept;
    } const cases[] = {
        {1, 20.0, true},          {2, 19.75, true},         {3, std::nullopt, false},
        {4, 19.5, true},          {5, 19.75, false},        {6, std::nullopt, false},
        {7, std::nullopt, false}, {0, std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        // The distance reading is the survey's business now, whatever it says.
        const RecordChainage where = chainage.chainageOf(c.record, 1.0);
        EXPECT_EQ(where.metres, c.metres);
        if (c.metres) {
            EXPECT_EQ(where.kept, c.kept);
        }
    }
}

}  // namespace
}  // namespace sondrel

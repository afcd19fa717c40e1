#include "app/JobProgress.h"
#include "common/JobProgress.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace sondrel {
namespace {

TEST(JobProgress, TimeLeftAtThePaceSoFar) {
    struct Case {
        std::int64_t done, total;
        double elapsed;
        const char* text;
    };
    for (const Case& c : {
             Case{0, 100, 5.0, "Time left: estimating..."},       // nothing done yet
             Case{10, 100, 0.2, "Time left: estimating..."},      // too early to tell
             Case{50, 100, 10.0, "Time left: about 10 s"},        // half in 10 s
             Case{25, 100, 10.0, "Time left: about 30 s"},        // a quarter in 10 s
             Case{10, 100, 10.5, "Time left: about 1 min 35 s"},  // 94.5 s, rounded up
             Case{1, 101, 6.0, "Time left: about 10 min"},
             Case{99, 100, 5.0, "Time left: less than a second"},
             Case{100, 100, 5.0, "Time left: less than a second"},
         }) {
        SCOPED_TRACE(std::to_string(c.done) + " of " + std::to_string(c.total));
        EXPECT_EQ(timeLeftText(secondsLeft(c.done, c.total, c.elapsed)), c.text);
    }
}

TEST(JobProgress, CountsAreGroupedByThousands) {
    struct Case {
        std::int64_t n;
        const char* text;
    };
    for (const Case& c :
         {Case{0, "0"}, Case{999, "999"}, Case{1000, "1,000"}, Case{200000, "200,000"},
          Case{1234567, "1,234,567"}, Case{-45000, "-45,000"},
          Case{std::numeric_limits<std::int64_t>::min(), "-9,223,372,036,854,775,808"}})
        EXPECT_EQ(groupedNumber(c.n), c.text);
}

TEST(JobProgress, SaysWhatIsDoneAndAboutHowLongIsLeft) {
    struct Case {
        std::int64_t items, done, total;
        double elapsed;
        const char* text;
    };
    const Case cases[] = {
        // The pace cannot be told yet: nothing done, or too soon.
        {0, 0, 1000, 5.0, "0 records done, estimating the time left"},
        {10, 100, 1000, 0.5, "10 records done, estimating the time left"},
        // A tenth in 2 s: 18 s to go.
        {500, 100, 1000, 2.0, "500 records done, about 18 s left"},
        {500, 1000, 1000, 2.0, "500 records done, about 1 s left"},
        // Past a minute and a half, in minutes: a tenth in 20 s is 3 min.
        {500, 100, 1000, 20.0, "500 records done, about 3 min left"},
        {7, 100, 1000, 9.0, "7 records done, about 81 s left"},
        {7, 100, 1000, 10.0, "7 records done, about 2 min left"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(jobProgressText(c.items, "records", c.done, c.total, c.elapsed), c.text)
            << c.done << " of " << c.total << " after " << c.elapsed;
    }
}

}  // namespace
}  // namespace sondrel

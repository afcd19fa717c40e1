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

}  // namespace
}  // namespace sondrel

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
             Case{0, 100, 5.0, "Time left: estimating..."},   // nothing done yet
             Case{10, 100, 0.2, "Time left: estimating..."},  // too early to tell
             Case{10, 100, 0.9, "Time left: estimating..."},  // still settling
             Case{50, 100, 10.0, "Time left: about 10 s"},    // half in 10 s
             Case{25, 100, 10.0, "Time left: about 30 s"},    // a quarter in 10 s
             Case{100, 1000, 2.0, "Time left: about 18 s"},   // a tenth in 2 s
             Case{100, 1000, 9.0, "Time left: about 1 min 21 s"},
             Case{100, 1000, 20.0, "Time left: about 3 min"},
             Case{10, 100, 10.5, "Time left: about 1 min 35 s"},  // 94.5 s, rounded up
             Case{1, 101, 6.0, "Time left: about 10 min"},
             Case{99, 100, 5.0, "Time left: less than a second"},
             Case{100, 100, 5.0, "Time left: less than a second"},
             Case{120, 100, 5.0, "Time left: less than a second"},  // a total that grew
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

// The count beside its label, and the whole's judged from the share of the
// unit done (bytes of a file) while some is left.
TEST(JobProgress, ItemsDoneOfAboutHowManyJudgedFromTheShareDone) {
    struct Case {
        std::int64_t done, total, items;
        const char* text;
    };
    for (const Case& c :
         {Case{0, 0, 0, "Records converted: 0"}, Case{0, 1000, 0, "Records converted: 0"},
          Case{1152 * 512, 1152 * 200000, 512, "Records converted: 512 of about 200,000"},
          Case{250, 1000, 3000, "Records converted: 3,000 of about 12,000"},
          Case{1000, 1000, 3, "Records converted: 3"}}) {
        JobProgress progress;
        progress.report(c.done, c.total, c.items);
        EXPECT_EQ(itemsDoneText("Records converted", progress), c.text);
    }
}

TEST(JobProgress, TheHeadlineNamesTheInputByItsFileAndTheOutputInFull) {
    EXPECT_EQ(jobHeadline("Converting", "/data/run 2/survey.qzr", "/data/run 2/survey.xyz"),
              "Converting survey.qzr to\n/data/run 2/survey.xyz");
    EXPECT_EQ(jobHeadline("Writing the pipe report of", "survey.qzr", "out.pdf"),
              "Writing the pipe report of survey.qzr to\nout.pdf");
}

}  // namespace
}  // namespace sondrel

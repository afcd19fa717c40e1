#include "app/JobProgress.h"

#include <gtest/gtest.h>

namespace sondrel {
namespace {

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

// The selection behind the medians of the robust fits must give exactly the
// value std::nth_element gives, for any k, whatever the order and the repeats
// of the values, and must leave the values as they were.

#include "analysis/Selection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace sondrel {
namespace {

struct Layout {
    const char* name;
    std::function<double(int i, int n, std::mt19937& random)> value;
};

TEST(SelectionTest, EveryRankIsTheLibrarysValue) {
    std::normal_distribution<double> normal(0.0, 1.0);
    const Layout layouts[] = {
        {"random", [&](int, int, std::mt19937& r) { return normal(r); }},
        {"few distinct", [&](int, int, std::mt19937& r) { return std::round(normal(r) * 2); }},
        {"all equal", [](int, int, std::mt19937&) { return 0.25; }},
        {"ascending", [](int i, int, std::mt19937&) { return i * 0.5; }},
        {"descending", [](int i, int n, std::mt19937&) { return (n - i) * 0.5; }},
        // Up then down, which puts the ends and the middle at one extreme.
        {"organ pipe", [](int i, int n, std::mt19937&) { return std::min(i, n - 1 - i); }},
        {"sawtooth", [](int i, int, std::mt19937&) { return i % 9; }},
        // Residuals along a wall: smooth, with a little noise.
        {"wall",
         [&](int i, int, std::mt19937& r) { return std::sin(i * 0.05) + 0.01 * normal(r); }},
        {"infinities",
         [&](int i, int, std::mt19937& r) {
             return i % 7 == 3 ? std::numeric_limits<double>::infinity() : normal(r);
         }},
        {"signed zeros", [](int i, int, std::mt19937&) { return i % 2 ? 0.0 : -0.0; }},
    };
    std::mt19937 random(11);
    for (const Layout& layout : layouts) {
        for (const int n : {1, 2, 3, 16, 17, 18, 31, 100, 391, 1000}) {
            std::vector<double> values(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i)
                values[static_cast<std::size_t>(i)] = layout.value(i, n, random);
            const std::vector<double> before = values;
            std::vector<double> sorted = values;
            std::sort(sorted.begin(), sorted.end());
            std::vector<double> work(2 * values.size());
            // Every rank of the small ones; the ends, the middle and a spread
            // of the large ones.
            const int step = n <= 40 ? 1 : n / 23;
            for (int k = 0; k < n; k += step) {
                for (const int rank : {k, n / 2, n - 1}) {
                    SCOPED_TRACE(std::string(layout.name) + ", n " + std::to_string(n) + ", k " +
                                 std::to_string(rank));
                    const double got = selectKth(values.data(), values.size(),
                                                 static_cast<std::size_t>(rank), work.data());
                    EXPECT_EQ(got, sorted[static_cast<std::size_t>(rank)]);
                }
            }
            EXPECT_TRUE(values == before) << layout.name << ": the values were moved";
        }
    }
}

}  // namespace
}  // namespace sondrel

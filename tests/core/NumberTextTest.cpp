// Numbers typed on command lines: the whole text, in range, or nothing.

#include "common/NumberText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sondrel {
namespace {

TEST(NumberText, WholeNumbersAreTheWholeTextInRange) {
    struct Case {
        std::string text;
        long long lo, hi;
        std::optional<long long> expected;
    };
    const std::vector<Case> cases = {
        {"42", 1, 100, 42},         {"1", 1, 100, 1},        {"100", 1, 100, 100},
        {"0", 1, 100, {}},          {"101", 1, 100, {}},     {"-3", -5, 5, -3},
        {"abc", 0, 100, {}},        {"5s", 0, 100, {}},      {" 5", 0, 100, {}},
        {"5 ", 0, 100, {}},         {"", 0, 100, {}},        {"+5", 0, 100, {}},
        {"2.5", 0, 100, {}},        {"0x10", 0, 100, {}},    {"99999999999999999999", 0, 100, {}},
        {"65535", 1, 65535, 65535}, {"65536", 1, 65535, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseWholeNumber(c.text, c.lo, c.hi), c.expected) << "'" << c.text << "'";
    }
}

TEST(NumberText, RealNumbersAreFiniteAndInRange) {
    struct Case {
        std::string text;
        std::optional<double> expected;  // in [0, 1e6]
    };
    const std::vector<Case> cases = {
        {"5", 5.0},      {"0", 0.0},  {"2.5", 2.5},  {"1e3", 1000.0}, {"1000000", 1e6},
        {"1000001", {}}, {"-1", {}},  {"abc", {}},   {"4x", {}},      {"", {}},
        {"nan", {}},     {"inf", {}}, {"1e999", {}}, {".", {}},       {"5,5", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseRealNumber(c.text, 0.0, 1e6), c.expected) << "'" << c.text << "'";
    }
    // Without limits every finite number passes.
    EXPECT_EQ(parseRealNumber("-1e300"), -1e300);
}

}  // namespace
}  // namespace sondrel

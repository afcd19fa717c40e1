// The option table every program's command line is read through: the forms it
// accepts, the one text of each mistake, run-time changes and the help list.

#include "common/CommandLine.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace sondrel::cli {
namespace {

struct Line {
    bool quiet = false;
    std::string output = "unset";
    std::optional<long long> count;
    double ratio = -1;
    std::string name;
    bool help = false;
    int port = 0;
    std::vector<std::string> operands;

    OptionTable table() {
        return {
            {"-q, --quiet", "", "say less", flag(quiet)},
            {"-o, --output", "FILE", "where to write", text(output, "a file name")},
            {"--count", "N", "how many", whole(count, 1, 100)},
            {"--ratio", "F", "how much", real(ratio, 0.0, 1.0)},
            {"--name", "NAME", "who", nonEmptyText(name, "a name")},
            {"--port", "N", "where", whole(port, 1, 9), Scope::StartOnly},
            {"-h, --help", "", "", stop(help)},
        };
    }
    std::string parse(const std::vector<std::string>& args) {
        return cli::parse(table(), args, [this](const std::string& operand) {
            operands.push_back(operand);
            return std::string();
        });
    }
};

TEST(CommandLine, ReadsEachFormAndGivesOneTextPerMistake) {
    using Args = std::vector<std::string>;
    struct Case {
        Args args;
        std::string error;
        // What the line left, written as "quiet output count ratio name help operands".
        std::string state;
    };
    const std::vector<Case> cases = {
        {{}, "", "0 unset - -1  0"},
        {{"-q"}, "", "1 unset - -1  0"},
        {{"--quiet", "-q"}, "", "1 unset - -1  0"},
        {{"-o", "a"}, "", "0 a - -1  0"},
        {{"--output=a=b"}, "", "0 a=b - -1  0"},
        {{"--output="}, "", "0  - -1  0"},
        {{"-o", "a", "--output", "b"}, "", "0 b - -1  0"},  // the last one wins
        {{"-o", "--quiet"}, "", "0 --quiet - -1  0"},       // a value is taken as it is
        {{"--count", "100", "--ratio=0.25"}, "", "0 unset 100 0.25  0"},
        {{"--name", "x", "a", "-", "--", "-q", "--bogus"}, "", "0 unset - -1 x 0 a - -q --bogus"},
        {{"--help", "--bogus", "-q"}, "", "0 unset - -1  1"},  // help leaves the rest unread
        {{"--bogus", "--help"}, "unknown option --bogus", ""},
        {{"--bogus=1"}, "unknown option --bogus=1", ""},
        {{"-x"}, "unknown option -x", ""},
        {{"-o=a"}, "unknown option -o=a", ""},  // only long names take "="
        {{"--quiet=1"}, "--quiet takes no value", ""},
        {{"-o"}, "-o needs a file name", ""},
        {{"--output"}, "--output needs a file name", ""},
        {{"--name", ""}, "--name needs a name", ""},
        {{"--count", "0"}, "--count needs a whole number from 1 to 100", ""},
        {{"--count=101"}, "--count needs a whole number from 1 to 100", ""},
        {{"--count", "5x"}, "--count needs a whole number from 1 to 100", ""},
        {{"--count"}, "--count needs a whole number from 1 to 100", ""},
        {{"--ratio", "nan"}, "--ratio needs a number from 0 to 1", ""},
        {{"--ratio", "1.5", "--bogus"}, "--ratio needs a number from 0 to 1", ""},  // the first
    };
    for (const Case& c : cases) {
        Line line;
        const std::string error = line.parse(c.args);
        std::string joined;
        for (const std::string& a : c.args) joined += "'" + a + "' ";
        EXPECT_EQ(error, c.error) << joined;
        if (!c.error.empty()) continue;
        std::ostringstream state;
        state << line.quiet << " " << line.output << " "
              << (line.count ? std::to_string(*line.count) : "-") << " " << line.ratio << " "
              << line.name << " " << line.help;
        for (const std::string& o : line.operands) state << " " << o;
        EXPECT_EQ(state.str(), c.state) << joined;
    }
}

TEST(CommandLine, ARefusedValueLeavesTheEarlierOne) {
    Line line;
    EXPECT_NE(line.parse({"--count", "7", "--count", "0"}), "");
    EXPECT_EQ(line.count, 7);
}

TEST(CommandLine, OperandsAreTheProgramsToRefuse) {
    Line line;
    EXPECT_EQ(cli::parse(line.table(), {"-q", "a"}), "unexpected argument a");
    EXPECT_EQ(cli::parse(line.table(), {"a", "b"},
                         [](const std::string& o) {
                             return o == "b" ? std::string("one at a time") : std::string();
                         }),
              "one at a time");
}

TEST(CommandLine, RunTimeChangesNameTheOptionAsTyped) {
    struct Case {
        std::string name;
        std::optional<std::string> value;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"count", "5", ""},
        {"q", {}, ""},
        {"count", {}, "count needs a whole number from 1 to 100"},
        {"count", "500", "count needs a whole number from 1 to 100"},
        {"quiet", "1", "quiet takes no value"},
        {"port", "2", "port can only be given on the command line"},
        {"bogus", {}, "unknown option bogus"},
        {"--count", "5", "unknown option --count"},  // the dashes are the caller's to remove
    };
    for (const Case& c : cases) {
        Line line;
        EXPECT_EQ(applyLater(line.table(), c.name, c.value ? &*c.value : nullptr), c.error)
            << c.name;
        EXPECT_EQ(line.port, 0) << c.name;
    }
}

TEST(CommandLine, ListsTheOptionsInTheirColumns) {
    bool unused = false;
    const OptionTable table = {
        {"-o, --output", "FILE", "first line\nsecond line", flag(unused)},
        {"--a-very-long-name", "VALUE", "below", flag(unused), Scope::StartOnly},
        {"--hidden", "", "", flag(unused)},
        {"--wrapped", "", "one two three four five six", flag(unused)},
    };
    EXPECT_EQ(optionList(table, {.column = 22}),
              "  -o, --output FILE   first line\n"
              "                      second line\n"
              "  --a-very-long-name VALUE\n"
              "                      below\n"
              "  --wrapped           one two three four five six\n");
    EXPECT_EQ(optionList(table, {.column = 24, .width = 38, .markRunTime = true}),
              "  -o, --output FILE   * first line\n"
              "                        second line\n"
              "  --a-very-long-name VALUE\n"
              "                        below\n"
              "  --wrapped           * one two three\n"
              "                        four five six\n");
}

}  // namespace
}  // namespace sondrel::cli

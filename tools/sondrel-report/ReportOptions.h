#pragma once
// The command line of sondrel-report.

#include <string>
#include <vector>

namespace sondrel::report {

struct Options {
    std::string input;
    std::string output;
    std::string coded;  // the EN 13508-2 coded file, with its observations table beside it
    bool explicitSettings = false;  // --settings named a file, which must then be there
    bool help = false;
    bool version = false;
};

struct ParseResult {
    Options options;
    std::string error;  // empty when the line was understood; the usage follows it
};

// `args` without the program's name. The settings file itself is found by
// settingsPathFor, which every program shares.
ParseResult parseOptions(const std::vector<std::string>& args);
std::string usageText();

}  // namespace sondrel::report

#pragma once
// The command line of sondrel-convert.

#include <string>
#include <vector>

namespace sondrel::convert {

struct Options {
    std::vector<std::string> inputs;
    std::string output;
    std::string geometry;
    std::string cloud;
    bool explicitSettings = false;  // --settings named a file, which must then be there
    bool quiet = false;
    bool help = false;
    bool version = false;
};

struct ParseResult {
    Options options;
    std::string error;       // empty when the line was understood
    bool withUsage = false;  // the error is followed by the usage text
};

// `args` without the program's name. The settings file itself is found by
// settingsPathFor, which every program shares.
ParseResult parseOptions(const std::vector<std::string>& args);
std::string usageText();

}  // namespace sondrel::convert

#pragma once
// The command line of sondrel-record.

#include <optional>
#include <string>
#include <vector>

namespace sondrel::record {

// The run's exit statuses, as the usage text lists them.
enum ExitStatus {
    kExitOk = 0,
    kExitFailed = 1,  // the data file could not be created or written
    kExitUsage = 2,
    kExitNothingRecorded = 3,  // no ping came; the file the run created is removed
};

struct Options {
    std::string settingsPath;  // empty: the program's usual settings file
    std::string outputPath;
    std::optional<long long> count;  // stop after this many recorded pings
    std::optional<double> seconds;   // stop after this long
    // A head for this run only; the settings file keeps the operator's own.
    std::optional<std::string> ip;
    std::optional<int> port;
    std::optional<int> sonarType;
    bool overwrite = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

struct ParseResult {
    Options options;
    std::string error;  // empty when the line was understood
};

ParseResult parseOptions(const std::vector<std::string>& args);
std::string usageText();

}  // namespace sondrel::record

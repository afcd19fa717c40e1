// The command lines of the programs, as their option parsers take them:
// sondrel-record's, sondrel-convert's and sondrel-report's parsers, the
// simulator's option table (both as its command line and as control lines typed
// at run time), and the settings-file option every program, the desktop one
// included, reads before anything else. All but the last read through the
// shared option table of common/CommandLine.
//
// Input: one byte picks the program, the rest is the arguments separated by
// NUL bytes. For the simulator, the arguments after the first empty one are
// control lines ("name value").
//
// Checks: a line understood leaves values the programs can use (a count, time
// and port in range; a single output only for a single input; a report's input
// and output); a line the shared table refuses names the argument it refused
// as written; a simulator whose options were all
// accepted answers a command with pieces that add up to its reply; the settings
// option is taken from the line as written.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "../tools/sondrel-convert/ConvertOptions.h"
#include "../tools/sondrel-headsim/HeadSimOptions.h"
#include "../tools/sondrel-record/RecordOptions.h"
#include "../tools/sondrel-report/ReportOptions.h"
#include "FuzzChecks.h"
#include "acquisition/SwitchCommand.h"
#include "pipeview/PointCloud.h"
#include "recording/SettingsLocation.h"

namespace {

using namespace sondrel;

std::vector<std::string> splitArguments(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back().push_back(static_cast<char>(data[i]));
    }
    return args;
}

// The shared parser's refusals: "unknown option ARG", "unexpected argument
// ARG", or "OPTION needs ..." / "OPTION takes no value" with OPTION as written.
void checkRefusalNamesItsArgument(const std::string& error, const std::vector<std::string>& args) {
    if (error.empty()) return;
    for (const std::string lead : {"unknown option ", "unexpected argument "}) {
        if (error.starts_with(lead)) {
            const std::string named = error.substr(lead.size());
            fuzz::check(std::find(args.begin(), args.end(), named) != args.end(),
                        "a refusal that names no argument of the line", error);
            return;
        }
    }
    const std::string option = error.substr(0, error.find(' '));
    const bool written = std::any_of(args.begin(), args.end(), [&](const std::string& a) {
        return a == option || a.starts_with(option + "=");
    });
    fuzz::check(written, "a refusal that names no option of the line", error);
}

void recordLine(const std::vector<std::string>& args) {
    const record::ParseResult r = record::parseOptions(args);
    if (!r.error.empty() || r.options.help || r.options.version) return;
    const record::Options& o = r.options;
    fuzz::check(!o.count || *o.count > 0, "a count of no pings accepted");
    fuzz::check(!o.seconds || (std::isfinite(*o.seconds) && *o.seconds > 0 && *o.seconds <= 1e6),
                "a run time out of range accepted");
    fuzz::check(!o.port || (*o.port >= 1 && *o.port <= 65535), "a port out of range accepted");
}

void convertLine(const std::vector<std::string>& args) {
    const convert::ParseResult r = convert::parseOptions(args);
    if (!r.error.empty() || r.options.help || r.options.version) return;
    const convert::Options& o = r.options;
    fuzz::check(!o.inputs.empty(), "a conversion without an input accepted");
    fuzz::check(o.output.empty() || o.inputs.size() == 1, "one output for several inputs");
    fuzz::check(o.geometry.empty() || (o.inputs.size() == 1 && o.output.empty()),
                "a geometry table for several inputs");
    fuzz::check(o.cloud.empty() || (o.inputs.size() == 1 && o.output.empty() &&
                                    o.geometry.empty() && cloudFormatFor(o.cloud)),
                "a point cloud for several inputs or of no format");
}

void reportLine(const std::vector<std::string>& args) {
    const report::ParseResult r = report::parseOptions(args);
    if (!r.error.empty() || r.options.help || r.options.version) return;
    fuzz::check(!r.options.input.empty() && !r.options.output.empty(),
                "a report without its input or output accepted");
}

// The simulator's start as its main reads it, then the control lines.
void simulatorLine(const std::vector<std::string>& args) {
    const auto controls = std::find(args.begin(), args.end(), std::string());
    headsim::CommandLine line =
        headsim::parseCommandLine(std::vector<std::string>(args.begin(), controls));
    checkRefusalNamesItsArgument(line.error, std::vector<std::string>(args.begin(), controls));
    bool accepted = line.error.empty();
    headsim::Settings& settings = line.settings;
    for (auto it = controls; it != args.end(); ++it) {
        if (it->empty()) continue;
        const auto space = it->find(' ');
        const std::string name = it->substr(0, space);
        const std::string value =
            space == std::string::npos ? std::string() : it->substr(space + 1);
        const std::string error =
            headsim::applyControl(settings, name, space == std::string::npos ? nullptr : &value);
        accepted &= error.empty();
    }
    if (!accepted) return;
    SimulatedHead head(settings.head, settings.pipe, settings.faults);
    const CommandBuffer command = initialCommand();
    for (int ping = 0; ping < 3; ++ping) {
        const Reply reply = head.answer(command, ping * 0.1);
        const std::size_t sum =
            std::accumulate(reply.segments.begin(), reply.segments.end(), std::size_t{0});
        fuzz::check(reply.silent || sum == reply.bytes.size(),
                    "the reply's pieces do not add up to it");
        fuzz::check(reply.delayMs >= 0 && reply.segmentDelayMs >= 0, "a reply due in the past");
    }
}

void settingsOption(std::vector<std::string> args) {
    std::vector<char*> argv;
    std::string program = "sondrel";
    argv.push_back(program.data());
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::optional<std::string> found =
        settingsOptionFrom(static_cast<int>(argv.size() - 1), argv.data());
    if (!found) return;
    bool written = false;
    for (std::size_t i = 0; i < args.size() && !written; ++i) {
        written = args[i] == "--settings=" + *found ||
                  (args[i] == "--settings" && i + 1 < args.size() && args[i + 1] == *found);
    }
    fuzz::check(written, "a settings file the line does not name", *found);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    std::vector<std::string> args = splitArguments(data + 1, size - 1);
    switch (data[0] % 5) {
        case 0:
            recordLine(args);
            break;
        case 1:
            convertLine(args);
            break;
        case 2:
            simulatorLine(args);
            break;
        case 3:
            settingsOption(std::move(args));
            break;
        default:
            reportLine(args);
            break;
    }
    return 0;
}

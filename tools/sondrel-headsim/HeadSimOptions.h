#pragma once
// The simulator's options. The same table serves the command line ("--name
// value") and the control lines read from standard input at run time ("name
// value"), so every switch can be flipped while a test runs.

#include <string>
#include <string_view>
#include <vector>

#include "common/CommandLine.h"
#include "simulation/SimulatedHead.h"
#include "simulation/SimulatedInstruments.h"

namespace headsim {

struct Settings {
    // transports
    bool tcp = true;
    int port = 4040;
    bool pty = false;
    std::string ptyLink;
    bool orientationPty = false;
    std::string orientationLink;
    int sentenceType = 0;
    double orientationHz = 5.0;
    std::string logPath;
    bool quiet = false;

    // the head and what it sees
    sondrel::HeadConfig head;
    sondrel::PipeModel pipe;
    sondrel::FaultPlan faults;
    sondrel::CrawlerMotion crawler;

    // a survey scenario (see its README)
    std::string scenarioPath;
    std::string truthPath;  // write the truth and end, serving nothing
    double truthStep = 0.1;
    bool crawlerHeld = false;
};

// The option table over `settings`: every entry stores into it.
sondrel::cli::OptionTable options(Settings& settings);

struct CommandLine {
    Settings settings;
    std::string error;  // empty when the line was understood
    bool help = false;
    bool version = false;
};

// `args` without the program's name.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// A control line's option, "name value" with the name without its dashes;
// options that only make sense at start (transports, log) are refused. Returns
// the error text, empty when applied.
std::string applyControl(Settings& settings, std::string_view name, const std::string* value);

std::string helpText();

}  // namespace headsim

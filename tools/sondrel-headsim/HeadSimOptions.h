#pragma once
// The simulator's options. The same table serves the command line ("--name
// value") and the control lines read from standard input at run time ("name
// value"), so every switch can be flipped while a test runs.

#include <string>
#include <string_view>

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
};

enum class OptionScope { StartOnly, Anytime };

struct ApplyResult {
    bool ok = true;
    bool consumedValue = false;
    std::string error;
};

// Applies one option by name (without leading dashes). `value` is empty for
// switches. Options that only make sense at start (transports, log) are refused
// at run time.
ApplyResult applyOption(Settings& settings, std::string_view name, const std::string* value,
                        OptionScope scope);

// Whether the named option takes a value; false for switches and unknown names.
bool optionTakesValue(std::string_view name);

std::string helpText();

}  // namespace headsim

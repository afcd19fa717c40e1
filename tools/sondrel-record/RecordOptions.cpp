#include "RecordOptions.h"

#include <limits>

#include "common/CommandLine.h"

namespace sondrel::record {

namespace {

cli::OptionTable optionTable(Options& o) {
    return {
        {"-o, --output", "FILE", "data file to write (.qzr)",
         cli::nonEmptyText(o.outputPath, "a file name")},
        {"--overwrite", "", "replace FILE if it exists (otherwise it is kept)",
         cli::flag(o.overwrite)},
        {"--settings", "FILE", "settings file (default: the program's Sondrel.INI)",
         cli::nonEmptyText(o.settingsPath, "a file name")},
        {"--count", "N", "stop after N recorded pings",
         cli::whole(o.count, 1, std::numeric_limits<long long>::max(), "a whole number above 0")},
        // At most 10^6 s (11 days): the run's timer counts milliseconds in an int.
        {"--seconds", "S", "stop after S seconds",
         cli::real(o.seconds, std::numeric_limits<double>::denorm_min(), 1e6,
                   "a number of seconds above 0 (at most 1000000)")},
        {"--ip", "ADDRESS", "Ethernet head at ADDRESS for this run (port 4040\nunless --port)",
         cli::nonEmptyText(o.ip, "an address")},
        {"--port", "N", "Ethernet head's TCP port for this run (address\n127.0.0.1 unless --ip)",
         cli::whole(o.port, 1, 65535, "a TCP port number (1 to 65535)")},
        {"--type", "P|Q", "head on a serial line (P) or on Ethernet (Q)",
         cli::checked(
             [&o](const std::string& v) {
                 if (v == "P" || v == "p") {
                     o.sonarType = 0;
                 } else if (v == "Q" || v == "q") {
                     o.sonarType = 1;
                 } else {
                     return false;
                 }
                 return true;
             },
             "P (serial head) or Q (Ethernet head)")},
        {"--quiet", "", "print only the final line and errors", cli::flag(o.quiet)},
        // Listed together by the usage text.
        {"-h, --help", "", "", cli::stop(o.help)},
        {"--version", "", "", cli::stop(o.version)},
    };
}

}  // namespace

std::string usageText() {
    Options unused;
    return "Usage: sondrel-record -o FILE.qzr [options]\n"
           "\n"
           "Records the pings of the sonar head named in the settings file to a data\n"
           "file, without a window, until the count or the time is reached or the\n"
           "program is interrupted (SIGINT, SIGTERM); the file is complete in every case.\n"
           "The settings file is read, never written. An Ethernet head that keeps its\n"
           "connection but stops answering is sent the command again after the 5-second\n"
           "watchdog, and reconnected when it is still silent 5 seconds later.\n"
           "\n" +
           cli::optionList(optionTable(unused), {.column = 23}) +
           "  --help, --version\n"
           "\n"
           "Lines on standard output: \"link connecting|connected|down\" at every change\n"
           "of the link, \"rate MS ms HZ Hz pings N recorded M\" once a second, and\n"
           "\"recorded M pings to FILE\" at the end.\n"
           "\n"
           "Exit status: 0 pings were recorded; 1 the data file could not be created or\n"
           "written (what was recorded before a write failed is kept); 2 wrong usage;\n"
           "3 no ping was recorded (no head answered): the file the run created is\n"
           "removed, a file that existed before is left.\n";
}

ParseResult parseOptions(const std::vector<std::string>& args) {
    ParseResult r;
    Options& o = r.options;
    r.error = cli::parse(optionTable(o), args);
    if (!r.error.empty() || o.help || o.version) return r;
    if (o.outputPath.empty())
        r.error = "no data file given (-o FILE.qzr)";
    else if ((o.ip || o.port) && o.sonarType == 0)
        r.error = "--ip and --port name an Ethernet head";
    return r;
}

}  // namespace sondrel::record

#include "ReportOptions.h"

#include "common/CommandLine.h"

namespace sondrel::report {

namespace {

cli::OptionTable optionTable(Options& o) {
    return {
        {"-o, --output", "FILE", "the PDF to write (required)", cli::text(o.output, "a file name")},
        {"--settings", "FILE",
         "settings file with the display settings that shape the\n"
         "points and the [Pipe Geometry] section (default:\n"
         "Sondrel.INI beside the program, or in ~/.config/Sondrel/)",
         cli::text([&o](const std::string&) { o.explicitSettings = true; }, "a file name")},
        {"-h, --help", "", "this text", cli::stop(o.help)},
        {"--version", "", "the program's version", cli::stop(o.version)},
    };
}

}  // namespace

ParseResult parseOptions(const std::vector<std::string>& args) {
    ParseResult r;
    Options& o = r.options;
    r.error = cli::parse(optionTable(o), args, [&o](const std::string& input) {
        if (!o.input.empty()) return std::string("one data file at a time");
        o.input = input;
        return std::string();
    });
    if (!r.error.empty() || o.help || o.version) return r;
    if (o.input.empty() || o.output.empty()) r.error = "a data file and -o REPORT.pdf are needed";
    return r;
}

std::string usageText() {
    Options unused;
    return "Usage: sondrel-report [options] FILE.qzr -o REPORT.pdf\n"
           "Writes the pipe report of a sonar data file: a summary, the mean diameter,\n"
           "ovality and sediment depth along the pipe, and every place beyond the alarm\n"
           "levels with its cross-section and fitted shape.\n"
           "\n"
           "Options:\n" +
           cli::optionList(optionTable(unused), {.column = 22}) +
           "\n"
           "Exit status: 0 written; 1 the input could not be read (a report of the\n"
           "records before a damaged one is still written) or the report not written,\n"
           "in which case no part of it is left; 2 wrong usage.\n";
}

}  // namespace sondrel::report

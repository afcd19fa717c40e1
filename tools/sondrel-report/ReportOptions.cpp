#include "ReportOptions.h"

#include "common/CommandLine.h"

namespace sondrel::report {

namespace {

cli::OptionTable optionTable(Options& o) {
    return {
        {"-o, --output", "FILE", "the PDF report to write", cli::text(o.output, "a file name")},
        {"--coded", "FILE.txt",
         "the survey as an EN 13508-2 coded file, and its\n"
         "observations as FILE-observations.csv beside it",
         cli::text(o.coded, "a file name")},
        {"--settings", "FILE",
         "settings file with the display settings that shape the\n"
         "points and the [Pipe Geometry], [Survey Observations]\n"
         "and [Survey Limits] sections (default: Sondrel.INI\n"
         "beside the program, or in ~/.config/Sondrel/)",
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
    if (o.input.empty() || (o.output.empty() && o.coded.empty()))
        r.error = "a data file and -o REPORT.pdf or --coded FILE.txt (or both) are needed";
    return r;
}

std::string usageText() {
    Options unused;
    return "Usage: sondrel-report [options] FILE.qzr [-o REPORT.pdf] [--coded FILE.txt]\n"
           "Writes the pipe report of a sonar data file: a summary, the mean diameter,\n"
           "ovality and sediment depth along the pipe, and every place beyond the alarm\n"
           "levels with its cross-section and fitted shape. With --coded it writes the\n"
           "survey's observations as an EN 13508-2 coded file, with the header, start\n"
           "chainage and reviewed observations of FILE.survey beside the data file.\n"
           "\n"
           "Options:\n" +
           cli::optionList(optionTable(unused), {.column = 22}) +
           "\n"
           "Exit status: 0 written; 1 the input could not be read (a report of the\n"
           "records before a damaged one is still written), its survey file could not\n"
           "be trusted, or a file not written, in which case no part of it is left;\n"
           "2 wrong usage.\n";
}

}  // namespace sondrel::report

#include "ConvertOptions.h"

#include "common/CommandLine.h"
#include "pipeview/PointCloud.h"

namespace sondrel::convert {

namespace {

cli::OptionTable optionTable(Options& o) {
    return {
        {"-o, --output", "FILE", "output file (only with a single input file)",
         cli::text(o.output, "a file name")},
        {"--geometry", "FILE.csv",
         "write the pipe geometry of each record (diameters,\n"
         "ovality, area, sediment; metres and degrees) to FILE.csv\n"
         "instead of the point list (only with a single input file),\n"
         "against the nominal diameter and ovality definition of\n"
         "the settings file's [Pipe Geometry] section; each record's\n"
         "chainage is placed as the survey file FILE.survey beside\n"
         "the data file says (start chainage, direction, speed)",
         cli::text(o.geometry, "a file name")},
        {"--cloud", "FILE",
         "write a point cloud instead of the point list (only with\n"
         "a single input file), as FILE.ply (binary) or FILE.las\n"
         "(LAS 1.4): a point per profile point at x, y and the\n"
         "record's distance (records without one are left out), with\n"
         "its departure from the nominal radius of [Pipe Geometry],\n"
         "range, angle, record and time",
         cli::text(o.cloud, "a file name")},
        // The file itself is found by settingsPathFor.
        {"--settings", "FILE",
         "settings file whose RollCorrection and PPMinRange shape\n"
         "the points (default: Sondrel.INI beside the program, or\n"
         "in ~/.config/Sondrel/ when that folder is not writable)",
         cli::text([&o](const std::string&) { o.explicitSettings = true; }, "a file name")},
        {"-q, --quiet", "", "no progress bar", cli::flag(o.quiet)},
        {"-h, --help", "", "this text", cli::stop(o.help)},
        {"--version", "", "the program's version", cli::stop(o.version)},
    };
}

}  // namespace

ParseResult parseOptions(const std::vector<std::string>& args) {
    ParseResult r;
    Options& o = r.options;
    auto fail = [&r](std::string message, bool withUsage) {
        r.error = std::move(message);
        r.withUsage = withUsage;
        return r;
    };
    const std::string error = cli::parse(optionTable(o), args, [&o](const std::string& input) {
        o.inputs.push_back(input);
        return std::string();
    });
    if (!error.empty()) return fail(error, true);
    if (o.help || o.version) return r;
    if (o.inputs.empty()) return fail("no data file given", true);
    if (!o.output.empty() && o.inputs.size() > 1)
        return fail("-o names the output of a single input file only", false);
    if (!o.geometry.empty() && (o.inputs.size() > 1 || !o.output.empty()))
        return fail("--geometry takes a single input file and no -o", false);
    if (!o.cloud.empty() && (o.inputs.size() > 1 || !o.output.empty() || !o.geometry.empty()))
        return fail("--cloud takes a single input file and no -o or --geometry", false);
    if (!o.cloud.empty() && !cloudFormatFor(o.cloud))
        return fail("--cloud " + o.cloud + ": the name must end in .ply or .las", false);
    return r;
}

std::string usageText() {
    Options unused;
    return "Usage: sondrel-convert [options] FILE.qzr...\n"
           "Converts sonar data files to XYZ point lists: one line per profile point,\n"
           "\"date<TAB>time<TAB>x<TAB>y<TAB>z\" in metres, an empty line after each record.\n"
           "Each FILE.qzr is written to FILE.xyz unless -o names the output; --geometry\n"
           "and --cloud write a table or a point cloud instead.\n"
           "\n"
           "Options:\n" +
           cli::optionList(optionTable(unused), {.column = 22}) +
           "\n"
           "Exit status: 0 every file converted; 1 an input could not be read, was empty,\n"
           "or an output could not be written; 2 wrong usage; 3 a file holds a record\n"
           "whose size is unknown (not written by this program): it was converted up to\n"
           "that record and the rest was left out.\n";
}

}  // namespace sondrel::convert

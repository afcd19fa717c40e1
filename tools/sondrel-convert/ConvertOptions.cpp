#include "ConvertOptions.h"

namespace sondrel::convert {

ParseResult parseOptions(const std::vector<std::string>& args) {
    ParseResult r;
    Options& o = r.options;
    auto fail = [&r](std::string message, bool withUsage) {
        r.error = std::move(message);
        r.withUsage = withUsage;
        return r;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool last = i + 1 >= args.size();
        if (arg == "-h" || arg == "--help") {
            o.help = true;
            return r;
        }
        if (arg == "--version") {
            o.version = true;
            return r;
        }
        if (arg == "-q" || arg == "--quiet") {
            o.quiet = true;
        } else if (arg == "-o" || arg == "--output") {
            if (last) return fail(arg + " needs a file name", true);
            o.output = args[++i];
        } else if (arg.rfind("--output=", 0) == 0) {
            o.output = arg.substr(9);
        } else if (arg == "--geometry") {
            if (last) return fail("--geometry needs a file name", true);
            o.geometry = args[++i];
        } else if (arg.rfind("--geometry=", 0) == 0) {
            o.geometry = arg.substr(11);
        } else if (arg == "--settings") {
            if (last) return fail("--settings needs a file name", true);
            ++i;
            o.explicitSettings = true;
        } else if (arg.rfind("--settings=", 0) == 0) {
            o.explicitSettings = true;
        } else if (arg == "--") {
            for (++i; i < args.size(); ++i) o.inputs.push_back(args[i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return fail("unknown option " + arg, true);
        } else {
            o.inputs.push_back(arg);
        }
    }
    if (o.inputs.empty()) return fail("no data file given", true);
    if (!o.output.empty() && o.inputs.size() > 1)
        return fail("-o names the output of a single input file only", false);
    if (!o.geometry.empty() && (o.inputs.size() > 1 || !o.output.empty()))
        return fail("--geometry takes a single input file and no -o", false);
    return r;
}

}  // namespace sondrel::convert

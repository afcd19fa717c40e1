#include "RecordOptions.h"

#include "common/NumberText.h"

namespace sondrel::record {

std::string usageText() {
    return "Usage: sondrel-record -o FILE.qzr [options]\n"
           "\n"
           "Records the pings of the sonar head named in the settings file to a data\n"
           "file, without a window, until the count or the time is reached or the\n"
           "program is interrupted (SIGINT, SIGTERM); the file is complete in every case.\n"
           "The settings file is read, never written. An Ethernet head that keeps its\n"
           "connection but stops answering is sent the command again after the 5-second\n"
           "watchdog, and reconnected when it is still silent 5 seconds later.\n"
           "\n"
           "  -o, --output FILE    data file to write (.qzr)\n"
           "  --overwrite          replace FILE if it exists (otherwise it is kept)\n"
           "  --settings FILE      settings file (default: the program's Sondrel.INI)\n"
           "  --count N            stop after N recorded pings\n"
           "  --seconds S          stop after S seconds\n"
           "  --ip ADDRESS         Ethernet head at ADDRESS for this run (port 4040\n"
           "                       unless --port)\n"
           "  --port N             Ethernet head's TCP port for this run (address\n"
           "                       127.0.0.1 unless --ip)\n"
           "  --type P|Q           head on a serial line (P) or on Ethernet (Q)\n"
           "  --quiet              print only the final line and errors\n"
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
    auto fail = [&](std::string message) {
        r.error = std::move(message);
        return r;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (name.rfind("--", 0) == 0) {
            if (const auto eq = name.find('='); eq != std::string::npos) {
                inlineValue = name.substr(eq + 1);
                name.resize(eq);
            }
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            if (i + 1 >= args.size()) return std::nullopt;
            return args[++i];
        };

        if (name == "--help" || name == "-h") {
            o.help = true;
        } else if (name == "--version") {
            o.version = true;
        } else if (name == "--overwrite") {
            o.overwrite = true;
        } else if (name == "--quiet") {
            o.quiet = true;
        } else if (name == "-o" || name == "--output") {
            const auto v = value();
            if (!v || v->empty()) return fail(name + " needs a file name");
            o.outputPath = *v;
        } else if (name == "--settings") {
            const auto v = value();
            if (!v || v->empty()) return fail("--settings needs a file name");
            o.settingsPath = *v;
        } else if (name == "--count") {
            const auto v = value();
            const auto n = v ? parseWholeNumber(*v, 1) : std::nullopt;
            if (!n) return fail("--count needs a whole number above 0");
            o.count = *n;
        } else if (name == "--seconds") {
            // At most 10^6 s (11 days): the run's timer counts milliseconds in an int.
            const auto v = value();
            const auto s = v ? parseRealNumber(*v, 0.0, 1e6) : std::nullopt;
            if (!s || *s <= 0)
                return fail("--seconds needs a number of seconds above 0 (at most 1000000)");
            o.seconds = *s;
        } else if (name == "--ip") {
            const auto v = value();
            if (!v || v->empty()) return fail("--ip needs an address");
            o.ip = *v;
        } else if (name == "--port") {
            const auto v = value();
            const auto p = v ? parseWholeNumber(*v, 1, 65535) : std::nullopt;
            if (!p) return fail("--port needs a TCP port number (1 to 65535)");
            o.port = static_cast<int>(*p);
        } else if (name == "--type") {
            const auto v = value();
            if (v == "P" || v == "p") {
                o.sonarType = 0;
            } else if (v == "Q" || v == "q") {
                o.sonarType = 1;
            } else {
                return fail("--type needs P (serial head) or Q (Ethernet head)");
            }
        } else {
            return fail("unknown option " + args[i]);
        }
    }
    if (o.help || o.version) return r;
    if (o.outputPath.empty()) return fail("no data file given (-o FILE.qzr)");
    if ((o.ip || o.port) && o.sonarType == 0) return fail("--ip and --port name an Ethernet head");
    return r;
}

}  // namespace sondrel::record

#include "HeadSimOptions.h"

#include <cmath>
#include <functional>
#include <optional>
#include <sstream>
#include <vector>

#include "common/NumberText.h"

namespace headsim {

namespace {

enum class Kind { Switch, Int, Real, Text };

struct Option {
    const char* name;
    Kind kind;
    bool startOnly;
    const char* valueName;
    const char* help;
    // Receives the parsed value (ints and reals as double, text in `text`);
    // returns an error text, empty when accepted.
    std::function<std::string(Settings&, double number, const std::string& text)> apply;
};

std::string requireRange(double v, double lo, double hi, const char* what) {
    if (v < lo || v > hi) {
        std::ostringstream s;
        s << what << " must lie between " << lo << " and " << hi;
        return s.str();
    }
    return {};
}

template <typename Setter>
auto intIn(int lo, int hi, const char* what, Setter set) {
    return [=](Settings& s, double v, const std::string&) {
        std::string e = requireRange(v, lo, hi, what);
        if (e.empty()) set(s, static_cast<int>(v));
        return e;
    };
}

template <typename Setter>
auto realIn(double lo, double hi, const char* what, Setter set) {
    return [=](Settings& s, double v, const std::string&) {
        std::string e = requireRange(v, lo, hi, what);
        if (e.empty()) set(s, v);
        return e;
    };
}

const std::vector<Option>& options() {
    static const std::vector<Option> table = {
        // ---- transports
        {"port", Kind::Int, true, "N", "TCP port on 127.0.0.1 (default 4040; 0 picks a free port)",
         intIn(0, 65535, "port", [](Settings& s, int v) { s.port = v; })},
        {"no-tcp", Kind::Switch, true, nullptr, "do not listen on TCP",
         [](Settings& s, double, const std::string&) {
             s.tcp = false;
             return std::string();
         }},
        {"pty", Kind::Switch, true, nullptr, "also be a serial head on a pseudo-terminal",
         [](Settings& s, double, const std::string&) {
             s.pty = true;
             return std::string();
         }},
        {"pty-link", Kind::Text, true, "PATH",
         "symbolic link to the head's pseudo-terminal (implies --pty)",
         [](Settings& s, double, const std::string& t) {
             s.pty = true;
             s.ptyLink = t;
             return std::string();
         }},
        {"orientation-pty", Kind::Switch, true, nullptr,
         "be an orientation instrument on a second pseudo-terminal",
         [](Settings& s, double, const std::string&) {
             s.orientationPty = true;
             return std::string();
         }},
        {"orientation-link", Kind::Text, true, "PATH",
         "symbolic link to the instrument's pseudo-terminal (implies --orientation-pty)",
         [](Settings& s, double, const std::string& t) {
             s.orientationPty = true;
             s.orientationLink = t;
             return std::string();
         }},
        {"log", Kind::Text, true, "FILE", "append one line per received command to FILE",
         [](Settings& s, double, const std::string& t) {
             s.logPath = t;
             return std::string();
         }},
        {"quiet", Kind::Switch, false, nullptr,
         "print only the listening/pty/ready lines and errors",
         [](Settings& s, double, const std::string&) {
             s.quiet = true;
             return std::string();
         }},
        {"seed", Kind::Int, true, "N", "seed of the noise, drop-outs and garbage (default 1)",
         intIn(0, 2147483647, "seed",
               [](Settings& s, int v) { s.head.seed = static_cast<unsigned>(v); })},

        // ---- the head
        {"block-type", Kind::Text, false, "QSZ|QMZ|QGZ",
         "reply block type (default QSZ, 813 bytes; QMZ 265, QGZ 513)",
         [](Settings& s, double, const std::string& t) {
             auto type = sondrel::blockTypeFromName(t);
             if (!type) return std::string("block type must be QSZ, QMZ or QGZ");
             s.head.blockType = *type;
             return std::string();
         }},
        {"format", Kind::Int, false, "0..3",
         "format code in the status byte (default 2: time of flight, scaled by the "
         "program's sound velocity)",
         intIn(0, 3, "format", [](Settings& s, int v) { s.head.formatCode = v; })},
        {"diameter", Kind::Real, false, "M", "inside diameter of the pipe (default 0.6 m)",
         realIn(0.01, 20.0, "diameter", [](Settings& s, double v) { s.pipe.diameter = v; })},
        {"ovality", Kind::Real, false, "F",
         "(largest - smallest diameter) / diameter, pipe squashed vertically (default 0)",
         realIn(0.0, 1.0, "ovality", [](Settings& s, double v) { s.pipe.ovality = v; })},
        {"ovality-angle", Kind::Real, false, "DEG",
         "direction of the largest diameter, anticlockwise from horizontal (default 0)",
         realIn(-360.0, 360.0, "ovality-angle",
                [](Settings& s, double v) { s.pipe.ovalityAngle = v; })},
        {"offset-x", Kind::Real, false, "M", "head position right of the pipe axis (default 0)",
         realIn(-10.0, 10.0, "offset-x", [](Settings& s, double v) { s.pipe.offsetX = v; })},
        {"offset-y", Kind::Real, false, "M", "head position above the pipe axis (default 0)",
         realIn(-10.0, 10.0, "offset-y", [](Settings& s, double v) { s.pipe.offsetY = v; })},
        {"sediment", Kind::Real, false, "M",
         "depth of flat sediment at the bottom of the pipe (default 0)",
         realIn(0.0, 20.0, "sediment", [](Settings& s, double v) { s.pipe.sediment = v; })},
        {"noise", Kind::Real, false, "M", "standard deviation of the range noise (default 0)",
         realIn(0.0, 1.0, "noise", [](Settings& s, double v) { s.pipe.noise = v; })},
        {"dropouts", Kind::Real, false, "F", "fraction of ranges with no return (default 0)",
         realIn(0.0, 1.0, "dropouts", [](Settings& s, double v) { s.pipe.dropouts = v; })},
        {"debris", Kind::Real, false, "F",
         "fraction of ranges echoed by debris short of the wall (default 0)",
         realIn(0.0, 1.0, "debris", [](Settings& s, double v) { s.pipe.debris = v; })},
        {"wander", Kind::Real, false, "M",
         "amplitude of the head's slow wander (default 0.004 m; 0 holds it still)",
         realIn(0.0, 1.0, "wander", [](Settings& s, double v) { s.pipe.wander = v; })},
        {"sound-velocity", Kind::Real, false, "M/S",
         "speed of sound in the model's water (default 1500)",
         realIn(1000.0, 2000.0, "sound-velocity",
                [](Settings& s, double v) { s.pipe.soundVelocity = v; })},

        // ---- faults
        {"split", Kind::Int, false, "N", "send each block in N pieces (default 1)",
         intIn(1, 813, "split", [](Settings& s, int v) { s.faults.splitSegments = v; })},
        {"split-delay-ms", Kind::Int, false, "MS", "pause between the pieces (default 0)",
         intIn(0, 60000, "split-delay-ms", [](Settings& s, int v) { s.faults.splitDelayMs = v; })},
        {"delay-ms", Kind::Int, false, "MS", "pause before each reply (default 0)",
         intIn(0, 60000, "delay-ms", [](Settings& s, int v) { s.faults.delayMs = v; })},
        {"short-every", Kind::Int, false, "N", "every Nth reply is cut short",
         intIn(0, 1000000, "short-every", [](Settings& s, int v) { s.faults.shortEvery = v; })},
        {"short-length", Kind::Int, false, "BYTES", "length of a short reply (default 500)",
         intIn(0, 812, "short-length", [](Settings& s, int v) { s.faults.shortLength = v; })},
        {"invalid-every", Kind::Int, false, "N",
         "every Nth reply carries wrong type letters (\"QXZ\")",
         intIn(0, 1000000, "invalid-every", [](Settings& s, int v) { s.faults.invalidEvery = v; })},
        {"garbage-every", Kind::Int, false, "N", "stray bytes before every Nth reply",
         intIn(0, 1000000, "garbage-every", [](Settings& s, int v) { s.faults.garbageEvery = v; })},
        {"garbage-length", Kind::Int, false, "BYTES", "number of stray bytes (default 16)",
         intIn(0, 100000, "garbage-length",
               [](Settings& s, int v) { s.faults.garbageLength = v; })},
        {"silent-every", Kind::Int, false, "N", "no reply to every Nth command",
         intIn(0, 1000000, "silent-every", [](Settings& s, int v) { s.faults.silentEvery = v; })},
        {"silent-from", Kind::Int, false, "K", "no reply from the Kth command on",
         intIn(0, 2147483647, "silent-from", [](Settings& s, int v) { s.faults.silentFrom = v; })},
        {"close-after", Kind::Int, false, "K", "close the TCP connection after K replies on it",
         intIn(0, 2147483647, "close-after", [](Settings& s, int v) { s.faults.closeAfter = v; })},
        {"faults-off", Kind::Switch, false, nullptr, "switch every fault and delay off",
         [](Settings& s, double, const std::string&) {
             s.faults = sondrel::FaultPlan{};
             return std::string();
         }},

        // ---- the orientation instrument
        {"sentence", Kind::Int, false, "0..3",
         "instrument: 0 crawler fixed columns, 1 \"$ x.x,meter\", 2 \",#CABLE, xxx.x, \" "
         "(mm), 3 Reach \"R\" + float (default 0)",
         intIn(0, 3, "sentence", [](Settings& s, int v) { s.sentenceType = v; })},
        {"orientation-hz", Kind::Real, false, "HZ", "sentences per second (default 5)",
         realIn(0.1, 1000.0, "orientation-hz", [](Settings& s, double v) { s.orientationHz = v; })},
        {"pitch-amplitude", Kind::Real, false, "DEG", "crawler pitch swing (default 4)",
         realIn(0.0, 90.0, "pitch-amplitude",
                [](Settings& s, double v) { s.crawler.pitchAmplitude = v; })},
        {"roll-amplitude", Kind::Real, false, "DEG", "crawler roll swing (default 8)",
         realIn(0.0, 180.0, "roll-amplitude",
                [](Settings& s, double v) { s.crawler.rollAmplitude = v; })},
        {"crawler-speed", Kind::Real, false, "M/S", "cable paid out per second (default 0.05)",
         realIn(-10.0, 10.0, "crawler-speed", [](Settings& s, double v) { s.crawler.speed = v; })},
        {"start-distance", Kind::Real, false, "M", "distance at start (default 0)",
         realIn(-9999.0, 9999.0, "start-distance",
                [](Settings& s, double v) { s.crawler.startDistance = v; })},
    };
    return table;
}

const Option* find(std::string_view name) {
    for (const Option& o : options()) {
        if (name == o.name) return &o;
    }
    return nullptr;
}

bool parseNumber(const std::string& text, Kind kind, double& out) {
    if (kind == Kind::Int) {
        const std::optional<long long> v = sondrel::parseWholeNumber(text);
        if (v) out = static_cast<double>(*v);
        return v.has_value();
    }
    const std::optional<double> v = sondrel::parseRealNumber(text);
    if (v) out = *v;
    return v.has_value();
}

}  // namespace

bool optionTakesValue(std::string_view name) {
    const Option* o = find(name);
    return o && o->kind != Kind::Switch;
}

ApplyResult applyOption(Settings& settings, std::string_view name, const std::string* value,
                        OptionScope scope) {
    ApplyResult r;
    const Option* o = find(name);
    if (!o) {
        r.ok = false;
        r.error = "unknown option '" + std::string(name) + "'";
        return r;
    }
    if (o->startOnly && scope == OptionScope::Anytime) {
        r.ok = false;
        r.error = "'" + std::string(name) + "' can only be given on the command line";
        return r;
    }
    double number = 0;
    std::string text;
    if (o->kind != Kind::Switch) {
        if (!value) {
            r.ok = false;
            r.error = "'" + std::string(name) + "' needs a value";
            return r;
        }
        r.consumedValue = true;
        text = *value;
        if ((o->kind == Kind::Int || o->kind == Kind::Real) &&
            !parseNumber(text, o->kind, number)) {
            r.ok = false;
            r.error = "'" + std::string(name) + "' needs a number, not '" + text + "'";
            return r;
        }
    }
    r.error = o->apply(settings, number, text);
    r.ok = r.error.empty();
    return r;
}

std::string helpText() {
    std::ostringstream s;
    s << "Usage: sondrel-headsim [options]\n"
         "\n"
         "A simulated profiling sonar head. It listens on 127.0.0.1 only and answers every\n"
         "27-byte switch data command with one return block built from a model pipe. It\n"
         "never connects anywhere.\n"
         "\n"
         "Options (the ones marked * can also be changed at run time by writing\n"
         "\"name value\" lines, without the dashes, to standard input; each line is\n"
         "answered \"ok ...\" or \"error ...\"; \"stats\" prints the counters, \"quit\" ends):\n";
    for (const Option& o : options()) {
        std::string left = std::string("  --") + o.name;
        if (o.valueName) left += std::string(" ") + o.valueName;
        s << left;
        const std::size_t column = 28;
        if (left.size() + 1 < column) {
            s << std::string(column - left.size(), ' ');
        } else {
            s << "\n" << std::string(column, ' ');
        }
        s << (o.startOnly ? "  " : "* ");
        // Wrap the description under its own column.
        std::istringstream words(o.help);
        std::string word;
        std::size_t used = column + 2;
        bool first = true;
        while (words >> word) {
            if (!first && used + 1 + word.size() > 100) {
                s << "\n" << std::string(column + 2, ' ');
                used = column + 2;
                first = true;
            }
            if (!first) {
                s << ' ';
                ++used;
            }
            s << word;
            used += word.size();
            first = false;
        }
        s << "\n";
    }
    s << "  --help                      show this text\n"
         "  --version                   show the program's version\n"
         "\n"
         "Machine-readable lines on standard output (always printed, flushed):\n"
         "  listening tcp 127.0.0.1 PORT\n"
         "  sonar-pty /dev/pts/N\n"
         "  orientation-pty /dev/pts/M\n"
         "  ready\n"
         "\n"
         "Conventions of the simulated head: profile sample i looks 180 - 0.9 i degrees\n"
         "clockwise from straight up, so the program's defaults (zero Up, transducer Aft)\n"
         "draw the pipe the right way up; header bytes 10 and 11 carry the reply's\n"
         "sequence number; command byte 5 bit 6 reverses the step direction; echoes\n"
         "closer than the profile minimum range (command byte 15) are not reported.\n"
         "\n"
         "Log lines (--log): \"cmd SEQ MS HEX...\" for each command, \"bad N MS FAULT HEX...\"\n"
         "for a malformed one, and a final \"counters ...\" line. MS counts from the start.\n"
         "\n"
         "The Reach instrument (--sentence 3) answers \"SM\" with one measurement, starts\n"
         "sending one per tick on \"LE\" (and one at once), and stops on \"LD\".\n";
    return s.str();
}

}  // namespace headsim

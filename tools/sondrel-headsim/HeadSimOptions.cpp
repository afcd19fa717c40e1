#include "HeadSimOptions.h"

#include <sstream>

namespace headsim {

namespace cli = sondrel::cli;

cli::OptionTable options(Settings& s) {
    constexpr cli::Scope kStartOnly = cli::Scope::StartOnly;
    constexpr int kMostInt = 2147483647;
    return {
        // ---- transports
        {"--port", "N", "TCP port on 127.0.0.1 (default 4040; 0 picks a free port)",
         cli::whole(s.port, 0, 65535), kStartOnly},
        {"--no-tcp", "", "do not listen on TCP", cli::action([&s] { s.tcp = false; }), kStartOnly},
        {"--pty", "", "also be a serial head on a pseudo-terminal", cli::flag(s.pty), kStartOnly},
        {"--pty-link", "PATH", "symbolic link to the head's pseudo-terminal (implies --pty)",
         cli::text(
             [&s](const std::string& t) {
                 s.pty = true;
                 s.ptyLink = t;
             },
             "a path"),
         kStartOnly},
        {"--orientation-pty", "", "be an orientation instrument on a second pseudo-terminal",
         cli::flag(s.orientationPty), kStartOnly},
        {"--orientation-link", "PATH",
         "symbolic link to the instrument's pseudo-terminal (implies --orientation-pty)",
         cli::text(
             [&s](const std::string& t) {
                 s.orientationPty = true;
                 s.orientationLink = t;
             },
             "a path"),
         kStartOnly},
        {"--log", "FILE", "append one line per received command to FILE",
         cli::text(s.logPath, "a file name"), kStartOnly},
        {"--quiet", "", "print only the listening/pty/ready lines and errors", cli::flag(s.quiet)},
        {"--seed", "N", "seed of the noise, drop-outs and garbage (default 1)",
         cli::whole(s.head.seed, 0, kMostInt), kStartOnly},

        // ---- the head
        {"--block-type", "QSZ|QMZ|QGZ|auto",
         "reply block type (QSZ 813 bytes, QMZ 265, QGZ 513); default auto: as command "
         "byte 20 asks (4 QMZ, 8 QGZ, else QSZ)",
         cli::checked(
             [&s](const std::string& t) {
                 if (t == "auto") {
                     s.head.blockType.reset();
                     return true;
                 }
                 const auto type = sondrel::blockTypeFromName(t);
                 if (type) s.head.blockType = *type;
                 return type.has_value();
             },
             "QSZ, QMZ, QGZ or auto")},
        {"--format", "0..3",
         "format code in the status byte (default 2: time of flight, scaled by the "
         "program's sound velocity)",
         cli::whole(s.head.formatCode, 0, 3)},
        {"--diameter", "M", "inside diameter of the pipe (default 0.6 m)",
         cli::real(s.pipe.diameter, 0.01, 20.0)},
        {"--ovality", "F",
         "(largest - smallest diameter) / diameter, pipe squashed vertically (default 0)",
         cli::real(s.pipe.ovality, 0.0, 1.0)},
        {"--ovality-angle", "DEG",
         "direction of the largest diameter, anticlockwise from horizontal (default 0)",
         cli::real(s.pipe.ovalityAngle, -360.0, 360.0)},
        {"--offset-x", "M", "head position right of the pipe axis (default 0)",
         cli::real(s.pipe.offsetX, -10.0, 10.0)},
        {"--offset-y", "M", "head position above the pipe axis (default 0)",
         cli::real(s.pipe.offsetY, -10.0, 10.0)},
        {"--sediment", "M", "depth of flat sediment at the bottom of the pipe (default 0)",
         cli::real(s.pipe.sediment, 0.0, 20.0)},
        {"--noise", "M", "standard deviation of the range noise (default 0)",
         cli::real(s.pipe.noise, 0.0, 1.0)},
        {"--dropouts", "F", "fraction of ranges with no return (default 0)",
         cli::real(s.pipe.dropouts, 0.0, 1.0)},
        {"--debris", "F", "fraction of ranges echoed by debris short of the wall (default 0)",
         cli::real(s.pipe.debris, 0.0, 1.0)},
        {"--wander", "M", "amplitude of the head's slow wander (default 0.004 m; 0 holds it still)",
         cli::real(s.pipe.wander, 0.0, 1.0)},
        {"--sound-velocity", "M/S", "speed of sound in the model's water (default 1500)",
         cli::real(s.pipe.soundVelocity, 1000.0, 2000.0)},

        // ---- faults
        {"--split", "N", "send each block in N pieces (default 1)",
         cli::whole(s.faults.splitSegments, 1, 813)},
        {"--split-delay-ms", "MS", "pause between the pieces (default 0)",
         cli::whole(s.faults.splitDelayMs, 0, 60000)},
        {"--delay-ms", "MS", "pause before each reply (default 0)",
         cli::whole(s.faults.delayMs, 0, 60000)},
        {"--short-every", "N", "every Nth reply is cut short",
         cli::whole(s.faults.shortEvery, 0, 1000000)},
        {"--short-length", "BYTES", "length of a short reply (default 500)",
         cli::whole(s.faults.shortLength, 0, 812)},
        {"--invalid-every", "N", "every Nth reply carries wrong type letters (\"QXZ\")",
         cli::whole(s.faults.invalidEvery, 0, 1000000)},
        {"--garbage-every", "N", "stray bytes before every Nth reply",
         cli::whole(s.faults.garbageEvery, 0, 1000000)},
        {"--garbage-length", "BYTES", "number of stray bytes (default 16)",
         cli::whole(s.faults.garbageLength, 0, 100000)},
        {"--silent-every", "N", "no reply to every Nth command",
         cli::whole(s.faults.silentEvery, 0, 1000000)},
        {"--silent-from", "K", "no reply from the Kth command on",
         cli::whole(s.faults.silentFrom, 0, kMostInt)},
        {"--close-after", "K", "close the TCP connection after K replies on it",
         cli::whole(s.faults.closeAfter, 0, kMostInt)},
        {"--faults-off", "", "switch every fault and delay off",
         cli::action([&s] { s.faults = sondrel::FaultPlan{}; })},

        // ---- the orientation instrument
        {"--sentence", "0..3",
         "instrument: 0 crawler fixed columns, 1 \"$ x.x,meter\", 2 \",#CABLE, xxx.x, \" "
         "(mm), 3 Reach \"R\" + float (default 0)",
         cli::whole(s.sentenceType, 0, 3)},
        {"--orientation-hz", "HZ", "sentences per second (default 5)",
         cli::real(s.orientationHz, 0.1, 1000.0)},
        {"--pitch-amplitude", "DEG", "crawler pitch swing (default 4)",
         cli::real(s.crawler.pitchAmplitude, 0.0, 90.0)},
        {"--roll-amplitude", "DEG", "crawler roll swing (default 8)",
         cli::real(s.crawler.rollAmplitude, 0.0, 180.0)},
        {"--crawler-speed", "M/S",
         "cable paid out per second (default 0.05; a scenario's own; with a scenario "
         "0 or less holds the crawler)",
         cli::real(s.crawler.speed, -10.0, 10.0)},
        {"--start-distance", "M", "distance at start (default 0)",
         cli::real(s.crawler.startDistance, -9999.0, 9999.0)},

        // ---- a survey scenario
        {"--scenario", "FILE",
         "the pipe changes along its length as FILE says and the crawler drives through it; "
         "the head answers with the pipe at the crawler's chainage, which the instrument reports",
         cli::nonEmptyText(s.scenarioPath, "a file name"), kStartOnly},
        {"--truth", "OUT.CSV",
         "write the scenario's truth, one row per --step of chainage, to OUT.CSV and end "
         "(serves nothing)",
         cli::nonEmptyText(s.truthPath, "a file name"), kStartOnly},
        {"--step", "M", "chainage between the truth's rows (default 0.1)",
         cli::real(s.truthStep, 0.001, 100.0), kStartOnly},
        {"--pause", "", "the scenario's crawler halts where it is (its plan waits)",
         cli::action([&s] { s.crawlerHeld = true; })},
        {"--resume", "", "the scenario's crawler drives on",
         cli::action([&s] { s.crawlerHeld = false; })},
    };
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    cli::OptionTable table = options(line.settings);
    // Listed by helpText in words of its own.
    table.push_back({"-h, --help", "", "", cli::stop(line.help)});
    table.push_back({"--version", "", "", cli::stop(line.version)});
    line.error = cli::parse(table, args);
    return line;
}

std::string applyControl(Settings& settings, std::string_view name, const std::string* value) {
    return cli::applyLater(options(settings), name, value);
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
    Settings defaults;
    s << cli::optionList(options(defaults), {.column = 30, .width = 100, .markRunTime = true});
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

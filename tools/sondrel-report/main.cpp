// sondrel-report: the pipe report of a sonar data file as a PDF, without a
// window: the same gathering and the same pages as "Pipe Report..." of the
// desktop program.

#include <QGuiApplication>

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "acquisition/SondrelDoc.h"
#include "analysis/GeometrySettings.h"
#include "analysis/qt/GeometryReportPdf.h"
#include "recording/Player.h"
#include "recording/SettingsFile.h"
#include "recording/SettingsLocation.h"

namespace {

using namespace sondrel;

enum ExitStatus { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

const char* const kUsage =
    "Usage: sondrel-report [options] FILE.qzr -o REPORT.pdf\n"
    "Writes the pipe report of a sonar data file: a summary, the mean diameter,\n"
    "ovality and sediment depth along the pipe, and every place beyond the alarm\n"
    "levels with its cross-section and fitted shape.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE   the PDF to write (required)\n"
    "  --settings FILE     settings file with the display settings that shape the\n"
    "                      points and the [Pipe Geometry] section (default:\n"
    "                      Sondrel.INI beside the program, or in ~/.config/Sondrel/)\n"
    "  -h, --help          this text\n"
    "  --version           the program's version\n"
    "\n"
    "Exit status: 0 written; 1 the input could not be read (a report of the\n"
    "records before a damaged one is still written) or the report not written,\n"
    "in which case no part of it is left; 2 wrong usage.\n";

}  // namespace

int main(int argc, char** argv) {
    // An output that reaches the system's file size limit must fail its write,
    // which is reported and the partial file removed, rather than end the
    // program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    std::string input, output;
    bool explicitSettings = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
        if (arg == "--version") {
            std::printf("sondrel-report %s\n", SONDREL_VERSION);
            return kExitOk;
        }
        if (arg == "-o" || arg == "--output" || arg == "--settings") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "sondrel-report: %s needs a file name\n%s", arg.c_str(),
                             kUsage);
                return kExitUsage;
            }
            if (arg == "--settings")
                explicitSettings = true;
            else
                output = argv[i + 1];
            ++i;
        } else if (arg.rfind("--output=", 0) == 0) {
            output = arg.substr(9);
        } else if (arg.rfind("--settings=", 0) == 0) {
            explicitSettings = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "sondrel-report: unknown option %s\n%s", arg.c_str(), kUsage);
            return kExitUsage;
        } else if (input.empty()) {
            input = arg;
        } else {
            std::fprintf(stderr, "sondrel-report: one data file at a time\n%s", kUsage);
            return kExitUsage;
        }
    }
    if (input.empty() || output.empty()) {
        std::fprintf(stderr, "sondrel-report: a data file and -o REPORT.pdf are needed\n%s",
                     kUsage);
        return kExitUsage;
    }
    const std::string settingsPath = settingsPathFor(argc, argv);
    if (explicitSettings && ::access(settingsPath.c_str(), R_OK) != 0) {
        std::fprintf(stderr, "sondrel-report: settings file %s: %s\n", settingsPath.c_str(),
                     std::strerror(errno));
        return kExitFailed;
    }
    if (!hasDataFileEnding(input)) {
        std::fprintf(stderr,
                     "sondrel-report: %s: not a sonar data file (the name must end in .qzr)\n",
                     input.c_str());
        return kExitFailed;
    }

    // Fonts and the PDF painter want a GUI application; no display is needed.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);

    auto doc = std::make_unique<CSondrelDoc>();
    doc->flags.playbackActive = true;
    loadSettings(*doc, settingsPath);
    const PipeReportOutcome outcome =
        writePipeReport(*doc, input, output, loadGeometrySettings(settingsPath));
    if (!outcome.message.empty())
        std::fprintf(stderr, "sondrel-report: %s\n", outcome.message.c_str());
    if (!outcome.written()) return kExitFailed;
    std::printf("%s -> %s: %lld records, %lld measured, %lld places beyond the alarm levels\n",
                input.c_str(), output.c_str(), static_cast<long long>(outcome.records),
                static_cast<long long>(outcome.measured),
                static_cast<long long>(outcome.placesBeyondLimit));
    return outcome.status == PipeReportOutcome::Status::Written ? kExitOk : kExitFailed;
}

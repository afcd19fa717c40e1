// sondrel: the desktop program.

#include <QApplication>
#include <QCommandLineParser>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#include "app/qt/CSondrelApp.h"
#include "common/NumberText.h"
#include "recording/SettingsLocation.h"

namespace {

struct Options {
    QCommandLineOption settings{QStringLiteral("settings"),
                                QStringLiteral("Use FILE as the settings file (default: "
                                               "Sondrel.INI beside the program, or the user's "
                                               "configuration folder)."),
                                QStringLiteral("FILE")};
    QCommandLineOption simulate{
        QStringLiteral("simulate"),
        QStringLiteral("Start the simulated head on 127.0.0.1 and use it for this run; the "
                       "head settings in the settings file are left as they are.")};
    QCommandLineOption scenario{
        QStringLiteral("scenario"),
        QStringLiteral("With --simulate: the survey scenario the simulated head plays (default: "
                       "the 60 m sewer of the scenarios installed with the program)."),
        QStringLiteral("FILE")};
    QCommandLineOption screenshot{
        QStringLiteral("screenshot"),
        QStringLiteral("Save a picture of the main window to FILE and close the program."),
        QStringLiteral("FILE")};
    QCommandLineOption screenshotAfter{
        QStringLiteral("screenshot-after"),
        QStringLiteral("Seconds to wait before the --screenshot picture (default 5)."),
        QStringLiteral("SECONDS"), QStringLiteral("5")};
    QCommandLineOption help = QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                                 QStringLiteral("Show this help and exit."));
    QCommandLineOption version =
        QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")},
                           QStringLiteral("Show the program's version and exit."));

    void addTo(QCommandLineParser& parser) const {
        parser.setApplicationDescription(
            QStringLiteral("Pipe-profiling sonar: shows the pipe's cross-section live, records "
                           "pings to .qzr files and plays them back."));
        parser.addOption(settings);
        parser.addOption(simulate);
        parser.addOption(scenario);
        parser.addOption(screenshot);
        parser.addOption(screenshotAfter);
        parser.addOption(help);
        parser.addOption(version);
        parser.addPositionalArgument(QStringLiteral("file.qzr"),
                                     QStringLiteral("A data file to play back."),
                                     QStringLiteral("[file.qzr]"));
    }
};

bool asksForTextOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* flag : {"-h", "--help", "-v", "--version"})
            if (std::strcmp(argv[i], flag) == 0) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // A file that reaches the system's size limit must fail the write, which
    // the recorder reports and survives, rather than end the program.
    std::signal(SIGXFSZ, SIG_IGN);

    Options options;
    QCommandLineParser parser;
    options.addTo(parser);

    // Help and version need no display, so they are answered before the
    // window system is touched.
    if (asksForTextOnly(argc, argv)) {
        QStringList arguments;
        for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
        parser.parse(arguments);
        if (parser.isSet(options.version)) {
            std::printf("sondrel %s\n", SONDREL_VERSION);
        } else {
            std::printf("%s",
                        parser.helpText()
                            .replace(QStringLiteral("<executable_name>"), QStringLiteral("sondrel"))
                            .toLocal8Bit()
                            .constData());
        }
        return 0;
    }

    QApplication app(argc, argv);
    if (!parser.parse(QApplication::arguments())) {
        std::fprintf(stderr, "sondrel: %s\n", parser.errorText().toLocal8Bit().constData());
        return 2;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "sondrel: give at most one data file\n");
        return 2;
    }

    sondrel::StartOptions start;
    start.settingsPath = sondrel::settingsPathFor(argc, argv);
    start.simulate = parser.isSet(options.simulate);
    if (parser.isSet(options.scenario)) {
        if (!start.simulate) {
            std::fprintf(stderr, "sondrel: --scenario goes with --simulate\n");
            return 2;
        }
        start.scenario = parser.value(options.scenario);
    }
    if (!files.isEmpty()) start.dataFile = files.front();
    // Checked even without --screenshot: a mistyped option must not pass unseen.
    // The wait is timed in milliseconds held in an int.
    const QByteArray after = parser.value(options.screenshotAfter).toLocal8Bit();
    const std::optional<double> afterSeconds =
        sondrel::parseRealNumber(std::string_view(after.constData(), after.size()), 0.0, 1e6);
    if (!afterSeconds) {
        std::fprintf(stderr,
                     "sondrel: --screenshot-after needs a number of seconds from 0 to 1000000, "
                     "not '%s'\n",
                     after.constData());
        return 2;
    }
    if (parser.isSet(options.screenshot)) {
        start.screenshotPath = parser.value(options.screenshot);
        start.screenshotAfterSeconds = *afterSeconds;
    }

    sondrel::CSondrelApp sondrelApp(std::move(start));
    if (!sondrelApp.initInstance()) return 1;
    return sondrelApp.exitInstance(app.exec());
}

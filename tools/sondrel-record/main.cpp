// sondrel-record: the live acquisition cycle without a window. It connects to
// the head the settings file names (or the one given on the command line),
// records every valid ping into one data file, reports the link and the ping
// rate, and ends cleanly on a count, a time or a signal.

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "FileRecorder.h"
#include "RecordOptions.h"
#include "acquisition/AcquisitionCycle.h"
#include "acquisition/ComPortNames.h"
#include "acquisition/SondrelDoc.h"
#include "acquisition/qt/CSSocket.h"
#include "acquisition/qt/OrientationPort.h"
#include "acquisition/qt/QtTimerHost.h"
#include "acquisition/qt/SerialHeadPort.h"
#include "app/RunSettings.h"
#include "recording/SettingsLocation.h"

using namespace sondrel;

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    // Only async-signal-safe work here; the event loop does the rest.
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

const char* linkStateName(LinkState state) {
    switch (state) {
        case LinkState::Connected:
            return "connected";
        case LinkState::Pending:
            return "connecting";
        case LinkState::NotConnected:
            break;
    }
    return "down";
}

void printLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// An unattended run must not change the operator's settings file.
class ReadOnlySettings : public SettingsStore {
  public:
    explicit ReadOnlySettings(RunSettings& settings) : settings_(settings) {}
    void load(CSondrelDoc& doc) override { settings_.load(doc); }
    void save(CSondrelDoc&) override {}

  private:
    RunSettings& settings_;
};

class RunObserver : public CycleObserver {
  public:
    RunObserver(CSondrelDoc& doc, record::FileRecorder& recorder, const record::Options& options)
        : doc_(doc), recorder_(recorder), options_(options) {}

    void linkStateChanged(LinkState state) override {
        if (!options_.quiet) printLine(std::string("link ") + linkStateName(state));
    }
    void headSilent(SilentHeadAction action) override {
        if (options_.quiet) return;
        printLine(action == SilentHeadAction::Reconnect ? "head silent: reconnecting"
                                                        : "head silent: sending again");
    }
    void pingProcessed(bool /*valid*/) override {
        if (finished_) return;
        if (recorder_.failed() || recorder_.full()) {
            finished_ = true;
            // Hold: no further command goes to the head while the run winds down.
            doc_.flags.holdActive = true;
            QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        }
    }
    void printRate() const {
        if (options_.quiet) return;
        const double period = doc_.pings.pingPeriodMs;
        char line[160];
        std::snprintf(line, sizeof line, "rate %d ms %.1f Hz pings %d recorded %lld",
                      doc_.pings.pingPeriodRounded, period > 0.0 ? 1000.0 / period : 0.0,
                      doc_.pings.pingCount, static_cast<long long>(recorder_.recorded()));
        printLine(line);
    }

  private:
    CSondrelDoc& doc_;
    record::FileRecorder& recorder_;
    const record::Options& options_;
    bool finished_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const record::ParseResult parsed = record::parseOptions(args);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "sondrel-record: %s\n\n%s", parsed.error.c_str(),
                     record::usageText().c_str());
        return record::kExitUsage;
    }
    const record::Options& options = parsed.options;
    if (options.help) {
        std::fputs(record::usageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("sondrel-record %s\n", SONDREL_VERSION);
        return 0;
    }

    QCoreApplication app(argc, argv);

    // SIGINT and SIGTERM end the run through the event loop, so the file is
    // closed by the same path as a count or a time limit.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) {
        std::perror("sondrel-record: socketpair");
        return record::kExitFailed;
    }
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    const std::string settingsPath = options.settingsPath.empty()
                                         ? defaultSettingsPath(executableDirectory())
                                         : options.settingsPath;
    RunSettings runSettings(settingsPath);
    if (options.ip || options.port || options.sonarType == kTypeQ) {
        HeadChoice head;
        head.sonarType = kTypeQ;
        head.ipAddress = options.ip.value_or("127.0.0.1");
        head.ipPort = options.port.value_or(kDefaultHeadPort);
        runSettings.overrideHead(head);
    }
    ReadOnlySettings settings(runSettings);

    CSondrelDoc doc;
    setProgramFolders(doc);
    // A serial head forced from the command line keeps the file's other settings.
    if (options.sonarType == kTypeP) {
        CSondrelDoc probe;
        runSettings.load(probe);
        runSettings.overrideHead(HeadChoice{kTypeP, probe.link.ipAddress, probe.link.ipPort});
    }

    record::FileRecorder recorder(doc);
    if (options.count) recorder.setLimit(*options.count);
    if (!recorder.open(options.outputPath, options.overwrite)) {
        std::fprintf(stderr, "sondrel-record: %s\n", recorder.error().c_str());
        return record::kExitFailed;
    }

    QtTimerHost timers;
    SystemClock clock;
    AcquisitionCycle cycle(doc, timers, clock);
    timers.setHandler([&cycle](int id) { cycle.onTimer(id); });
    CSSocket socket(cycle);
    SerialHeadPort serial(&cycle);
    OrientationPort orientation;
    const ComPortResolver portNames = comPortResolverFor(settingsPath);
    serial.setPortNames(portNames);
    orientation.setPortNames(portNames);
    RunObserver observer(doc, recorder, options);

    cycle.setEthernetLink(&socket);
    cycle.setSerialLink(&serial);
    cycle.setOrientationLink(&orientation);
    cycle.setSettingsStore(&settings);
    cycle.setRecorder(&recorder);
    cycle.setObserver(&observer);

    QTimer rateTimer;
    QObject::connect(&rateTimer, &QTimer::timeout, [&observer] { observer.printRate(); });
    rateTimer.start(1000);
    if (options.seconds) {
        // A coarse timer may end the run up to 5 % early.
        QTimer::singleShot(static_cast<int>(*options.seconds * 1000.0), Qt::PreciseTimer, &app,
                           &QCoreApplication::quit);
    }

    cycle.connectToHead();
    // What the settings panels do to the loaded settings in the desktop program
    // (the step-size limits of an Ethernet head at short range among them).
    doc.applyPanelRules();
    if (!options.quiet) {
        if (doc.head.sonarType == kTypeQ) {
            printLine("head ethernet " + doc.link.ipAddress + ":" +
                      std::to_string(doc.link.ipPort));
        } else {
            printLine("head serial COM" + std::to_string(doc.link.sonarComPort));
        }
    }
    // The run records from the first ping on, whatever the link does later.
    recorder.start();

    app.exec();

    rateTimer.stop();
    cycle.shutdown();
    const bool complete = recorder.finish();
    recorder.removeIfEmpty();
    printLine("recorded " + std::to_string(recorder.recorded()) + " pings to " + recorder.path());
    if (!complete) {
        std::fprintf(stderr, "sondrel-record: %s\n", recorder.error().c_str());
        return record::kExitFailed;
    }
    if (recorder.recorded() == 0) {
        // A script must see that the run brought nothing, not an empty file.
        std::fprintf(stderr, "sondrel-record: no ping was recorded (no head answered)\n");
        return record::kExitNothingRecorded;
    }
    return record::kExitOk;
}

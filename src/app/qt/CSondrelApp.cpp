#include "app/qt/CSondrelApp.h"

#include <QApplication>
#include <QFileInfo>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "acquisition/AcquisitionCycle.h"
#include "acquisition/ComPortNames.h"
#include "acquisition/SondrelDoc.h"
#include "acquisition/qt/CSSocket.h"
#include "acquisition/qt/OrientationPort.h"
#include "acquisition/qt/SerialDevice.h"
#include "acquisition/qt/SerialHeadPort.h"
#include "analysis/GeometrySettings.h"
#include "analysis/qt/GeometryDock.h"
#include "app/FileActions.h"
#include "app/SetupActions.h"
#include "app/SurveyActions.h"
#include "app/qt/CKeyInDlg.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/CSondrelView.h"
#include "app/qt/ExitSignals.h"
#include "app/qt/FileCommands.h"
#include "app/qt/QtFileWindows.h"
#include "app/qt/QtOperatorPort.h"
#include "app/qt/RecentFiles.h"
#include "app/qt/SetupCommands.h"
#include "app/qt/SimulatedHeadProcess.h"
#include "app/qt/SurveyCommands.h"
#include "display/StatusTexts.h"
#include "pipeview/PipeViewFeed.h"
#include "recording/FileMessages.h"
#include "recording/Player.h"
#include "recording/Recorder.h"
#include "recording/SettingsLocation.h"
#include "recording/XyzConversion.h"

namespace sondrel {

namespace {

void complain(const QString& text) {
    std::fprintf(stderr, "sondrel: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

}  // namespace

CSondrelApp::CSondrelApp(StartOptions options)
    : options_(std::move(options)), settings_(options_.settingsPath) {}

CSondrelApp::~CSondrelApp() {
    shutdown();
}

bool CSondrelApp::initInstance() {
    // The profile that keeps the recent-file list.
    QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganisationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
    QCoreApplication::setApplicationVersion(QStringLiteral(SONDREL_VERSION));
    recent_ = std::make_unique<RecentFiles>();

    // A run against the simulated head must never reach for the operator's
    // head, so the simulator comes up before anything could connect.
    if (options_.simulate && !startSimulator()) return false;

    doc_ = std::make_unique<CSondrelDoc>();
    frame_ = std::make_unique<CMainFrame>(*doc_);
    frame_->setAcceptDrops(true);

    // The document's initialisation: its folders, the settings file, and the
    // modeless windows it keeps.
    setProgramFolders(*doc_);
    settings_.load(*doc_);
    {
        const GeometrySettings geometry = loadGeometrySettings(settings_.path());
        frame_->view()->setGeometrySettings(geometry);
        frame_->view()->showGeometryOverlay(geometry.showOverlay != 0);
        frame_->geometryDock()->setSettings(geometry);
        frame_->geometryDock()->setVisible(geometry.showChart != 0);
        frame_->applyPipeGeometry(geometry);
        if (geometry.showWallMap != 0) frame_->toggleWallMap();
        if (geometry.show3DView != 0) frame_->togglePipe3DView();
    }
    frame_->setKeyInWindow(new CKeyInDlg(*doc_, frame_.get()));

    cycle_ = std::make_unique<AcquisitionCycle>(*doc_, frame_->timerHost(), clock_);
    socket_ = std::make_unique<CSSocket>(*cycle_);
    const ComPortResolver portNames = settings_.portNames();
    serial_ = std::make_unique<SerialHeadPort>(cycle_.get());
    serial_->setPortNames(portNames);
    orientation_ = std::make_unique<OrientationPort>();
    orientation_->setPortNames(portNames);
    cycle_->setEthernetLink(socket_.get());
    cycle_->setSerialLink(serial_.get());
    cycle_->setOrientationLink(orientation_.get());
    cycle_->setSettingsStore(&settings_);
    frame_->setCycle(cycle_.get());

    // The data files: the recorder and the player reach down to the cycle; the
    // cycle reaches them only through its recorder and playback ports.
    TimerHost& timers = frame_->timerHost();
    operator_ = std::make_unique<QtOperatorPort>(frame_.get());
    frame_->setOperatorPort(operator_.get());
    fileWindows_ = std::make_unique<QtFileWindows>(*frame_);
    recorder_ = std::make_unique<Recorder>(*doc_, *operator_, *fileWindows_, cycle_.get());
    conversion_ = std::make_unique<XyzConversion>(*doc_, *operator_);
    player_ = std::make_unique<Player>(*doc_, timers, *operator_, *fileWindows_, *recorder_,
                                       PlayerPeers{.cycle = cycle_.get(), .settings = &settings_});
    cycle_->setRecorder(recorder_.get());
    cycle_->setPlayback(player_.get());
    files_ = std::make_unique<FileCommands>(*frame_, *doc_, fileWindows_->playbackBar(), *recorder_,
                                            *player_, *conversion_);
    SetupPeers setupPeers;
    setupPeers.cycle = cycle_.get();
    setupPeers.op = operator_.get();
    setupPeers.saveSettings = [this](CSondrelDoc& doc) {
        settings_.save(doc);
        return settings_.lastSaveSucceeded();
    };
    setupPeers.settingsPath = settings_.path();
    setupPeers.probe = probeSerialDevice;
    setup_ = std::make_unique<SetupCommands>(*frame_, *doc_, setupPeers);

    // The commands' ports, each bound once: the windows and the cycle by the
    // frame (above), the files and the setup here, for as long as they live.
    CommandDispatcher& commands = frame_->commands();
    fileActions_ =
        std::make_unique<FileActions>(commands, *doc_, *recorder_, *player_, *conversion_, *files_);
    setupActions_ =
        std::make_unique<SetupActions>(commands, *doc_, timers, *setup_, std::move(setupPeers));
    survey_ = std::make_unique<SurveyCommands>(*frame_, *doc_, *player_);
    SurveyPeers surveyPeers;
    surveyPeers.op = operator_.get();
    surveyPeers.settingsPath = settings_.path();
    surveyPeers.playing = [this] {
        return doc_->flags.playbackActive ? doc_->files.playbackPath : std::string();
    };
    surveyPeers.recording = [this] { return recorder_->filePath(); };
    surveyActions_ =
        std::make_unique<SurveyActions>(commands, *doc_, *survey_, std::move(surveyPeers));
    survey_->setActions(surveyActions_.get());
    fileActions_->setRecordingListener([this](const std::string& started) {
        if (started.empty())
            surveyActions_->recordingStopped();
        else
            surveyActions_->recordingStarted(started);
    });
    files_->setSurveyFor(
        [this](const std::string& recording) { return surveyActions_->inputsFor(recording); });
    frame_->setShutdownHandler([this] { shutdown(); });
    exitSignals_ = std::make_unique<ExitSignals>([this] {
        // As Exit does, but nobody may be there to answer a question or close
        // a message, and a dialog open at the time must not keep the program.
        operator_->setUnattended();
        frame_->closeWithoutQuestion();
        QCoreApplication::quit();
    });

    // Without a window manager "maximised" means nothing; the screen's size does.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        frame_->setGeometry(screen->availableGeometry());
    frame_->showMaximized();
    frame_->repaint();

    cycle_->connectToHead();
    frame_->setFrameTitle(TitleOccasion::StartUp);
    // A [COM Ports] entry that names a file or a pipe is never opened; the
    // operator hears of it once rather than finding a port that never answers.
    const ComPortMap ports = ComPortMap::fromSettingsFile(settings_.path());
    for (const int n : ports.refusedPorts())
        operator_->showMessage(portProblemMessage(n, ports.deviceFor(n), PortState::NotATerminal),
                               MessageKind::Warning);

    if (!options_.dataFile.isEmpty() && !frame_->openDataFile(options_.dataFile))
        complain(QStringLiteral("%1: cannot be played back; staying in real time")
                     .arg(options_.dataFile));
    scheduleScreenshot();
    return true;
}

bool CSondrelApp::startSimulator() {
    simulator_ = std::make_unique<SimulatedHeadProcess>();
    const QString program = options_.simulatorProgram.isEmpty()
                                ? SimulatedHeadProcess::defaultProgram()
                                : options_.simulatorProgram;
    // The simulator's crawler reports its distance on a pseudo-terminal of
    // its own, which this run reads as its orientation input.
    QStringList arguments{QStringLiteral("--orientation-pty")};
    const QString scenario =
        options_.scenario.isEmpty() ? SimulatedHeadProcess::defaultScenario() : options_.scenario;
    if (!scenario.isEmpty()) arguments << QStringLiteral("--scenario") << scenario;
    QString error;
    if (!simulator_->start(program, arguments, &error)) {
        complain(QStringLiteral("the simulated head could not be started: %1").arg(error));
        return false;
    }
    settings_.overrideHead(HeadChoice{kTypeQ, "127.0.0.1", simulator_->port()});
    if (!simulator_->orientationPty().isEmpty()) {
        settings_.overrideOrientation(
            OrientationChoice{.device = simulator_->orientationPty().toStdString()});
    }
    std::fprintf(stderr, "sondrel: simulated head on 127.0.0.1:%d%s%s\n", simulator_->port(),
                 scenario.isEmpty() ? "" : ", scenario ", scenario.toLocal8Bit().constData());
    std::fflush(stderr);
    return true;
}

void CSondrelApp::scheduleScreenshot() {
    if (options_.screenshotAfterSeconds < 0 || options_.screenshotPath.isEmpty()) return;
    QTimer::singleShot(int(options_.screenshotAfterSeconds * 1000.0), frame_.get(), [this] {
        const QPixmap picture = frame_->picture();
        if (!picture.save(options_.screenshotPath))
            complain(
                QStringLiteral("could not write the screenshot %1").arg(options_.screenshotPath));
        frame_->closeWithoutQuestion();
    });
}

// The document's shutdown: settings saved and files closed before the links
// are torn down, then the simulator (if any) is sent away.
void CSondrelApp::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    if (cycle_) cycle_->shutdown();
    // The last save: the operator hears of it before the window goes.
    if (cycle_ && operator_ && !settings_.lastSaveSucceeded())
        operator_->showMessage(
            settingsSaveFailureText(settings_.path(), settings_.lastSaveFailure()),
            MessageKind::Warning);
    if (simulator_) simulator_->stop();
}

int CSondrelApp::exitInstance(int eventLoopResult) {
    shutdown();
    return eventLoopResult;
}

}  // namespace sondrel

#include "app/qt/SetupCommands.h"

#include <QEvent>
#include <QPixmap>
#include <QTimer>

#include "acquisition/AcquisitionCycle.h"
#include "acquisition/SondrelDoc.h"
#include "acquisition/qt/SerialDevice.h"
#include "analysis/GeometrySettings.h"
#include "analysis/qt/GeometryDock.h"
#include "analysis/qt/GeometrySettingsDialog.h"
#include "app/CommandIds.h"
#include "app/DocumentCommands.h"
#include "app/qt/CComPortDlg.h"
#include "app/qt/CDiagDlg.h"
#include "app/qt/CHelpDlg.h"
#include "app/qt/CMainFrame.h"
#include "app/qt/CSondrelView.h"
#include "common/OperatorPort.h"

namespace sondrel {

namespace {

constexpr int kColourCommands[] = {kCmdPointsColour, kCmdGridColour,   kCmdBackgroundColour,
                                   kCmdTextColour,   kCmdCircleColour, kCmdLineColour};

constexpr int kHelpResumePollMs = 50;

}  // namespace

SetupCommands::SetupCommands(CMainFrame& frame, CSondrelDoc& doc, SetupPeers peers)
    : frame_(frame), doc_(doc), peers_(std::move(peers)) {
    if (!peers_.probe) peers_.probe = probeSerialDevice;
    // Made with the document and shown when the settings file says it was, but
    // only once the main window is up: a window manager stacks the window shown
    // last on top, and the main window would hide this one.
    diagnostics_ = new CDiagDlg(doc_, &frame_);
    frame_.setDiagnosticsWindow(diagnostics_);
    if (doc_.display.diagnosticsVisible) {
        if (frame_.isVisible())
            showDiagnosticsAtStart();
        else
            frame_.installEventFilter(this);
    }
    installCommands();
}

bool SetupCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &frame_ && event->type() == QEvent::Show) {
        frame_.removeEventFilter(this);
        // The frame asks for its own window after this event.
        QTimer::singleShot(0, this, &SetupCommands::showDiagnosticsAtStart);
    }
    return QObject::eventFilter(watched, event);
}

void SetupCommands::showDiagnosticsAtStart() {
    if (!diagnostics_ || !doc_.display.diagnosticsVisible) return;
    diagnostics_->show();
    diagnostics_->raise();
    diagnostics_->refreshDiagnostics();
}

SetupCommands::~SetupCommands() {
    for (const CommandDescriptor& c : commandDescriptors())
        if (c.binding == CommandBinding::Setup) frame_.setCommandHandler(c.id, {});
    frame_.setDiagnosticsWindow(nullptr);
    delete diagnostics_.data();
}

int SetupCommands::run(QDialog& dialog) {
    return runDialog_ ? runDialog_(dialog) : dialog.exec();
}

void SetupCommands::installCommands() {
    frame_.setCommandHandler(kCmdComPortSetup, [this] { comPortSetup(); });
    frame_.setCommandHandler(kCmdTypeP, [this] { chooseHeadType(kTypeP); });
    frame_.setCommandHandler(kCmdTypeQ, [this] { chooseHeadType(kTypeQ); });
    frame_.setCommandHandler(kCmdDiagnostics, [this] { toggleDiagnostics(); });
    frame_.setCommandHandler(kCmdHelp, [this] { hotKeysHelp(); });
    frame_.setCommandHandler(kCmdPipeGeometrySettings, [this] { pipeGeometrySettings(); });
    for (const int id : kColourCommands)
        frame_.setCommandHandler(id, [this, id] { chooseColour(id); });
}

void SetupCommands::comPortSetup() {
    if (!peers_.cycle || !peers_.op) return;
    TimerHost& timers = frame_.timerHost();
    timers.killTimer(kOrientationTimer);

    const ComPortMap names = ComPortMap::fromSettingsFile(peers_.settingsPath);
    CComPortDlg dialog(
        ComPortChoices::fromDocument(doc_), doc_.head.sonarType,
        listComPorts(names, peers_.probe, doc_.link.sonarComPort, doc_.link.prdComPort,
                     portsInUse(*peers_.cycle), peers_.byIdFolder),
        *peers_.op, &frame_);
    if (run(dialog) != QDialog::Accepted) {
        resumeOrientationReads();
        return;
    }

    const ComPortChoices choices = dialog.choices();
    const ComPortSetupResult result =
        applyComPortSetup(*peers_.cycle, peers_.saveSettings, peers_.settingsPath, choices);
    frame_.refreshCommandStates();

    // Whatever did not work is said once, naming the device and what to do.
    const ComPortMap now = ComPortMap::fromSettingsFile(peers_.settingsPath);
    const PortsInUse held = portsInUse(*peers_.cycle);
    auto explain = [&](int number) {
        const std::string device = now.deviceFor(number);
        const PortState state = portStateHere(device, peers_.probe, now, held);
        peers_.op->showMessage(
            portProblemMessage(number, device,
                               state == PortState::Available ? PortState::Failed : state),
            MessageKind::Warning);
    };
    if (result.headReopened && !result.headOpen) explain(doc_.link.sonarComPort);
    if (doc_.link.prdEnable == 1 && !result.orientationOpened) explain(doc_.link.prdComPort);
    if (!result.settingsSaved || !result.mappingSaved)
        peers_.op->showMessage("The settings file " + peers_.settingsPath +
                                   " could not be written: the new ports are used until the "
                                   "program ends, but will not be there at the next start.",
                               MessageKind::Warning);
}

void SetupCommands::chooseHeadType(int sonarType) {
    if (doc_.head.sonarType == sonarType) return;
    doc_.head.sonarType = sonarType;
    if (peers_.saveSettings && !peers_.saveSettings(doc_) && peers_.op)
        peers_.op->showMessage(
            "The settings file " + peers_.settingsPath + " could not be written.",
            MessageKind::Warning);
    if (!doc_.flags.playbackActive && peers_.cycle) peers_.cycle->connectToHead();
}

void SetupCommands::pipeGeometrySettings() {
    GeometryDock* dock = frame_.geometryDock();
    if (!dock || !peers_.op) return;
    GeometrySettingsDialog dialog(dock->settings(), *peers_.op, &frame_);
    if (run(dialog) != QDialog::Accepted) return;
    const GeometrySettings& settings = dialog.settings();
    // The overlay, the chart and the next report measure on them at once,
    // saved or not.
    frame_.view()->setGeometrySettings(settings);
    dock->setSettings(settings);
    if (!saveGeometrySettings(settings, peers_.settingsPath))
        peers_.op->showMessage("The settings file " + peers_.settingsPath +
                                   " could not be written: the pipe geometry settings are used "
                                   "until the program ends, but will not be there at the next "
                                   "start.",
                               MessageKind::Warning);
}

void SetupCommands::chooseColour(int id) {
    Colour* colour = colourForCommand(id, doc_.display);
    if (!colour || !peers_.op) return;
    if (const std::optional<Colour> chosen = peers_.op->chooseColour(*colour)) *colour = *chosen;
}

void SetupCommands::toggleDiagnostics() {
    doc_.display.diagnosticsVisible = doc_.display.diagnosticsVisible ? 0 : 1;
    if (!diagnostics_) {
        diagnostics_ = new CDiagDlg(doc_, &frame_);
        frame_.setDiagnosticsWindow(diagnostics_);
    }
    diagnostics_->setVisible(doc_.display.diagnosticsVisible != 0);
    diagnostics_->refreshDiagnostics();
}

void SetupCommands::hotKeysHelp() {
    TimerHost& timers = frame_.timerHost();
    timers.killTimer(kOrientationTimer);
    if (helpOpen_) return;
    const bool playing = doc_.flags.playbackActive;
    if (playing) stopAcquisitionTimers(timers);
    helpOpen_ = true;
    frame_.setHelpOpen(true);
    {
        CHelpDlg help(&frame_);
        // The frame is blocked while the help is open; its keys go on working.
        help.addActions(frame_.hotKeyActionList());
        run(help);
    }
    helpOpen_ = false;
    frame_.setHelpOpen(false);
    if (playing && doc_.flags.playbackActive) timers.setTimer(kPollTimer, kHelpResumePollMs);
    resumeOrientationReads();
}

void SetupCommands::resumeOrientationReads() {
    // While no sonar data come, the instrument is read only by its own timer;
    // a dialog that stopped it must not leave its last values standing.
    if (peers_.cycle && !doc_.flags.playbackActive && doc_.link.noNewData == 1 &&
        peers_.cycle->orientation().isOpen())
        frame_.timerHost().setTimer(kOrientationTimer, kOrientationPollMs);
}

}  // namespace sondrel
